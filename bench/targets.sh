#!/usr/bin/env bash
# One folder A to many folders B over ssh (an sshd of its own on the loopback
# address): 1, 8 and 32 targets of a 10,000-entry tree synchronised by one
# `dirmatch sync A T1 T2 ...` against the same syncs run one after another,
# and how often each reads A's folders. Prints a Markdown section.
#   bash bench/targets.sh DIRMATCH BENCH_GEN [WORK]
set -euo pipefail
cd "$(dirname "$0")/.."
dm=$1
gen=$2
work="${3:-/tmp/dirmatch-targets}"
source bench/sshd.sh "the benchmark of many targets"
host="$(id -un)@127.0.0.1"
# A and a stale B: 9,500 files in 450 folders; B lacks a tenth and differs in a tenth.
if [ ! -d "$work/tree/A" ]; then
  rm -rf "$work" && mkdir -p "$work"
  "$gen" "$work/tree" 9000 450 6 0 0 201 >/dev/null
  cp -a "$work/tree/A" "$work/stale"
  find "$work/stale" -type f | awk 'NR % 10 == 0' | xargs rm -f
  find "$work/stale" -type f | awk 'NR % 10 == 1' | while read -r f; do echo changed >> "$f"; done
fi
reset() {  # N: targets 1..N made stale again
  for i in $(seq "$1"); do rsync -a --delete "$work/stale/" "$work/B$i/"; done
  sync
}
ms() { python3 -c 'import time; print(int(time.monotonic() * 1000))'; }
# Directory opens of A (measured with the targets here, where no rsync reads A too).
reads_of_a() {
  local log
  log=$(mktemp)
  strace -f -qq -e trace=openat -e signal=none -o "$log" "$@" >/dev/null 2>&1 || true
  local opens
  opens=$(grep -c "\"$work/tree/A[^\"]*\", [^)]*O_DIRECTORY" "$log" || true)
  rm -f "$log"
  echo "$opens"
}
folders=$(find "$work/tree/A" -type d | wc -l)
echo
echo "## One A, many targets over ssh (10,000 entries each; load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "| targets | one run, --parallel 8 | one after another | ratio | A's folders read, one run | one after another |"
echo "|---|---|---|---|---|---|"
for n in ${COUNTS:-1 8 32}; do
  targets=()
  for i in $(seq "$n"); do targets+=("$host:$work/B$i"); done
  reset "$n"
  start=$(ms)
  "$dm" sync "$work/tree/A" "${targets[@]}" --yes --parallel 8 --rsh "$ssh_cmd" --remote-dirmatch "$dm" --max-entries 100000 --lang en >/dev/null
  together=$(( $(ms) - start ))
  reset "$n"
  start=$(ms)
  for t in "${targets[@]}"; do
    "$dm" sync "$work/tree/A" "$t" --yes --rsh "$ssh_cmd" --remote-dirmatch "$dm" --max-entries 100000 --lang en >/dev/null
  done
  apart=$(( $(ms) - start ))
  here=()
  for i in $(seq "$n"); do here+=("$work/B$i"); done
  reset "$n"
  once=$(reads_of_a "$dm" sync "$work/tree/A" "${here[@]}" --yes --parallel 8 --max-entries 100000 --lang en)
  reset "$n"
  each=0
  for t in "${here[@]}"; do
    each=$(( each + $(reads_of_a "$dm" sync "$work/tree/A" "$t" --yes --max-entries 100000 --lang en) ))
  done
  python3 -c "print(f'| $n | {$together/1000:.2f} s | {$apart/1000:.2f} s | {$together/$apart:.2f}x | {$once/$folders:.1f}x | {$each/$folders:.1f}x |')"
done
