#!/usr/bin/env bash
# Cross-builds the engine, settings, command line and their tests for Windows
# with mingw-w64 and runs the tests under wine, on a Chinese system (code page
# 936). Debian 12; installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest libcli11-dev nlohmann-json3-dev libxxhash-dev libdtl-dev locales
          nsis xvfb xdotool imagemagick x11-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
# Wine names files on the Linux side in the locale's character set, and takes
# the system's code page from the locale: 936 for Chinese, 1252 for English.
generated=no
for wanted in zh_CN en_US; do
  if ! locale -a | grep -qi "^$wanted.utf-\?8$"; then
    $sudo sed -i "s/^# *$wanted.UTF-8 UTF-8/$wanted.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
    generated=yes
  fi
done
# A shell sees only the locales there were when it started: this one starts
# again to use those it has just made.
[ "$generated" = no ] || exec bash "$0" "$@"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDM_WERROR="$werror" >/dev/null
cmake --build build-win

export WINEPREFIX="$PWD/build-win/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
# A server of its own, started before the tests so that none of them waits
# for it to go away, and stopped however the tests end.
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 || true
cd build-win
# Why each skipped test of the last ctest run did not run, before the next run
# writes over its log.
skipReasons() {
  awk '/^\[ RUN      \]/ { name = $4 } skipped { print "skipped: " name ": " $0; skipped = 0 } /: Skipped$/ { skipped = 1 }' \
    Testing/Temporary/LastTest.log
}
# A test that fails is run once more, where wine may not have started it at
# all; one that then passes is named as retried (a finding, not a pass), and
# one that fails twice fails the run.
status=0
timeout 1200 ctest --output-on-failure -j"$(nproc)" --timeout 300 || status=$?
skipReasons
if [ "$status" != 0 ]; then
  failed=$(sed 's/:.*//' Testing/Temporary/LastTestsFailed.log 2>/dev/null | tr '\n' ' ')
  timeout 600 ctest --output-on-failure --timeout 300 --rerun-failed
  for number in $failed; do
    echo "retried: $(ctest -N -I "$number,$number" | sed -n 's/^ *Test *#[0-9]*: //p')"
  done
fi
# Names and information files once more on a Western system (code page 1252).
LC_ALL=en_US.UTF-8 timeout 300 ctest --output-on-failure --timeout 120 -R 'InfoFile\.|Sync\.NamesOfEveryScript'
skipReasons

# Information files across the two builds, both ways, under both code pages:
# each build reads the other's file of a tree with Chinese and Latin names as
# the folder itself (the Linux build is the one scripts/setup.sh makes).
linux="$PWD/../build/cli/dirmatch"
if [ ! -x "$linux" ]; then
  echo "no Linux build at $linux: information files across builds and the desktop program not tried"
  exit 0
fi

# The desktop program as users get it: the setup installed, each Start-menu
# entry driven on a system of its language, then the uninstaller.
setup=$(bash ../scripts/package-windows.sh . | tail -1)
wine "$setup" /S
installed="$WINEPREFIX/drive_c/Program Files/dirmatch"
menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\dirmatch'
menuHere="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/dirmatch"
for f in "$installed/dirmatch-gui.exe" "$installed/dirmatch.exe" "$installed/UserManual.htm" \
  "$menuHere/目录比较.lnk" "$menuHere/dirmatch (English).lnk"; do
  [ -e "$f" ] || { echo "the setup did not install $f"; exit 1; }
done
LC_ALL=zh_CN.UTF-8 timeout 900 bash ../scripts/test-windows-gui.sh "$menu\\目录比较.lnk" "$linux" zh
LC_ALL=en_US.UTF-8 timeout 900 bash ../scripts/test-windows-gui.sh "$menu\\dirmatch (English).lnk" "$linux" en
# An installed program keeps what a run chose per user, never in Program Files.
kept=$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/dirmatch/pre.ini 2>/dev/null | head -1)
[ -n "$kept" ] && grep -q '^StandardDir=.' "$kept" || { echo "the installed program kept no folders per user"; exit 1; }
grep -q '^Geometry=win ' "$kept" || { echo "the installed program kept not its window's place"; exit 1; }
[ ! -e "$installed/pre.ini" ] || { echo "the installed program wrote its settings into Program Files"; exit 1; }
wine "$installed/uninstall.exe" /S
for _ in $(seq 1 100); do [ -e "$installed" ] || [ -e "$menuHere" ] || break; sleep 0.2; done
if [ -e "$installed" ] || [ -e "$menuHere" ]; then
  echo "the uninstaller left: $(ls "$installed" "$menuHere" 2>&1 | tr '\n' ' ')"
  exit 1
fi
echo "the setup installed, both Start-menu entries worked, the uninstaller took all back"
trip=$(mktemp -d)
mkdir -p "$trip/A/中文"
echo 1 > "$trip/A/café.txt"
echo 2 > "$trip/A/中文/日本语.txt"
mkdir -p "$trip/L"
echo 3 > "$trip/L/café.txt"
cp -a "$trip/A" "$trip/A2"
cp -a "$trip/L" "$trip/L2"
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
"$linux" export "$trip/A" -o "$trip/linux.dat" >/dev/null
for loc in zh_CN en_US; do
  for tree in A L; do
    LC_ALL=$loc.UTF-8 wine ./cli/dirmatch.exe export "$(win "$trip/$tree")" -o "$(win "$trip/win-$loc-$tree.dat")" >/dev/null 2>&1
    "$linux" compare "$trip/${tree}2" "$trip/$tree" --info-b "$trip/win-$loc-$tree.dat" --lang en >/dev/null ||
      { echo "the Linux build misreads the file written on Windows ($loc, $tree)"; exit 1; }
  done
  LC_ALL=$loc.UTF-8 wine ./cli/dirmatch.exe compare "$(win "$trip/A2")" "$(win "$trip/A")" --info-b "$(win "$trip/linux.dat")" \
    --lang en >/dev/null 2>&1 || { echo "the Windows build misreads the file written on Linux ($loc)"; exit 1; }
done
rm -rf "$trip"
echo "information files across builds: read alike both ways under code pages 936 and 1252"

