#!/usr/bin/env bash
# The Windows desktop program as a user drives it, under wine in a virtual
# X display: the wizard by keyboard, a comparison past 10,000 entries (and
# the offer of a larger limit), the counts read back, a synchronization
# through its plan, and the counts after it; each compared with what the
# Linux command line says of the same folders.
#   scripts/test-windows-gui.sh PROGRAM LINUX-DIRMATCH LANG(zh|en) [SCREENSHOTS-DIR]
# PROGRAM: what the user starts, as Windows names it (a Start-menu entry, or
# dirmatch-gui.exe). LANG: the language that entry opens the program in.
# Expects WINEPREFIX and the rest of the wine environment set (test-windows.sh).
set -euo pipefail
program=$1
linux=$2
lang=$3
shots=${4:-}

work=$(mktemp -d)
xvfb=
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A display of its own: the first number no other X server holds.
for n in $(seq 90 130); do
  [ -e "/tmp/.X$n-lock" ] && continue
  display=:$n
  Xvfb "$display" -screen 0 1100x760x24 >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  kill -0 "$xvfb" 2>/dev/null && break
  xvfb=
done
[ -n "$xvfb" ] || { echo "no X display could be started"; exit 1; }
export DISPLAY=$display

# Folder A: Chinese, Latin and Greek names, 10,500 files; B lacks 100 of
# them, holds one of its own, and one file differs.
mkdir -p "$work/A/中文目录" "$work/A/Ελληνικά" "$work/A/latin"
for i in $(seq 1 3500); do
  : > "$work/A/中文目录/文件$i.txt"
  : > "$work/A/Ελληνικά/αρχείο$i.txt"
  : > "$work/A/latin/café$i.txt"
done
cp -a "$work/A" "$work/B"
rm -f "$work/B/latin/café3"??.txt
echo "from A" > "$work/A/latin/différent.txt"
echo "B's own" > "$work/B/latin/différent.txt"
echo "only B" > "$work/B/extra.txt"
touch -d '2020-01-01 00:00:00' "$work/B/latin/différent.txt"
# Past 300 characters: a deep file that differs, and a folder B lacks there.
deep="$work/A/deep/$(printf 'a%.0s' $(seq 1 60))/$(printf 'b%.0s' $(seq 1 60))/$(printf 'c%.0s' $(seq 1 60))/$(printf 'd%.0s' $(seq 1 60))"
mkdir -p "$deep/lacked" "${deep/\/A\//\/B\/}"
echo "deep A" > "$deep/changed.txt"
echo "deep in" > "$deep/lacked/inside.txt"
echo "deep B!" > "${deep/\/A\//\/B\/}/changed.txt"

state="$work/state.txt"
export DIRMATCH_GUI_STATE="$state"
win() { echo "Z:$(echo "$1" | tr / '\\')"; }

field() { sed -n "s/^$1: //p" "$state" 2>/dev/null; }
# Waits until the window is idle, with no modal window before it, and `want`
# in its state panel.
wait_state() {
  for _ in $(seq 1 1500); do
    if [ "$(field busy)" = 0 ] && [ -z "$(field modal)" ] && field panel0 | grep -q "$1"; then return 0; fi
    sleep 0.2
  done
  echo "the window never said '$1'; it shows:"
  cat "$state" 2>/dev/null || true
  return 1
}
# Waits until a modal window titled as `want` (a pattern) is up; the copy's
# progress window beside the main one asks nothing.
progress='^(同步|Synchronize)$'
wait_modal() {
  for _ in $(seq 1 1500); do
    field modal | grep -Ev "$progress" | grep -q "$1" && { sleep 0.5; return 0; }
    sleep 0.2
  done
  echo "no window '$1' came; the window shows:"
  cat "$state" 2>/dev/null || true
  return 1
}
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  import -window root -crop 1000x700+0+0 "$shots/$1.png"
}
keys() {
  xdotool windowfocus --sync "$desktop" 2>/dev/null || true
  xdotool key --delay 120 "$@"
}

wine explorer /desktop=dirmatch,1000x700 start "$program" >/dev/null 2>&1 &
for _ in $(seq 1 100); do
  desktop=$(xdotool search --name 'dirmatch' 2>/dev/null | head -1 || true)
  [ -n "$desktop" ] && [ -s "$state" ] && break
  sleep 0.2
done
[ -s "$state" ] || { echo "$program did not start dirmatch-gui.exe"; exit 1; }
shot main-empty

# Start (the button has the keyboard), then the wizard's three steps.
keys Return
wait_modal .
xdotool type --delay 20 "$(win "$work/A")"
shot wizard
keys Return
sleep 0.5
xdotool type --delay 20 "$(win "$work/B")"
keys Return
sleep 0.5
keys Return

finished=$([ "$lang" = en ] && echo "Comparison finished" || echo "比较完成")
# 10,500 entries: the comparison stops at the limit and offers a larger one
# (a question titled as the product).
wait_modal .
shot limit-offer
keys Return
# Then the report.
wait_modal .
shot report
keys Return
wait_state "$finished"
shot main-compared
# The report closed, the tree has the keyboard: F8 goes to a row that differs.
keys F8
for _ in $(seq 1 25); do field selected | grep -Eq ' [1235]$' && break; sleep 0.2; done
field selected | grep -Eq ' [1235]$' || { echo "F8 went to no difference: $(field selected)"; exit 1; }
shot main-f8
# The Jobs window from the Main menu, then back.
keys alt+m j
wait_modal .
shot jobs
keys Escape
wait_state "$finished"
# Enter on a file: the pair side by side (here a file past 300 characters), F8 inside, Escape.
keys Return
wait_modal .
keys F8
shot pair-view
keys Escape
wait_state "$finished"

# The counts line of the command line's report (it exits 1: the folders differ).
counts() { { "$linux" compare "$work/A" "$work/B" --lang "$lang" --max-entries 100000 2>/dev/null || true; } | tail -2 | head -1; }
expected=$(counts)
shown=$(field panel3)
echo "counts shown: $shown; the command line: $expected"
[ "$shown" = "$expected" ] || { echo "the counts differ"; exit 1; }

# Sync: its button, then the plan (every step ticked) by Enter.
read -r x y _ < <(field button2)
xdotool mousemove --sync "$x" "$y" click 1
wait_modal .
shot sync-plan
keys Return
# The copy with its progress (seen where it lasts long enough), the
# comparison made again and its report, then the summary.
for _ in $(seq 1 30); do field modal | grep -Eq "$progress" && { shot sync-progress; break; }; sleep 0.1; done
for _ in $(seq 1 100); do [ "$(field busy)" = 1 ] && break; sleep 0.1; done
wait_modal .
keys Return
sleep 1
wait_modal .
shot sync-summary
keys Return
wait_state "$finished"
shot main-synced

after=$(counts)
shown=$(field panel3)
echo "after the sync: $shown; the command line: $after"
[ "$shown" = "$after" ] || { echo "the counts after the sync differ"; exit 1; }
case "$after" in
  缺:0\ \|\ 异:0*|L:0\ \|\ D:0*) ;;
  *) echo "B still lacks or differs after the sync"; exit 1 ;;
esac
cmp "$work/A/latin/différent.txt" "$work/B/latin/différent.txt"
cmp "$deep/changed.txt" "${deep/\/A\//\/B\/}/changed.txt"
cmp "$deep/lacked/inside.txt" "${deep/\/A\//\/B\/}/lacked/inside.txt"
[ -f "$work/B/extra.txt" ] || { echo "the sync deleted B's own file"; exit 1; }
# Closed as a user closes it, so that what the run chose is kept for the next.
keys alt+F4
for _ in $(seq 1 100); do pgrep -f 'dirmatch-gui.exe' >/dev/null || break; sleep 0.2; done
echo "dirmatch-gui.exe ($lang): compared and synchronized as the command line says"
