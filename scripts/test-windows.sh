#!/usr/bin/env bash
# Cross-builds the engine, settings, command line and their tests for Windows
# with mingw-w64 and runs the tests under wine, on a Chinese system (code page
# 936). Debian 12; installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest libcli11-dev nlohmann-json3-dev libxxhash-dev libdtl-dev locales)
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
for wanted in zh_CN en_US; do
  if ! locale -a | grep -qi "^$wanted.utf-\?8$"; then
    $sudo sed -i "s/^# *$wanted.UTF-8 UTF-8/$wanted.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen || echo "$wanted.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
done

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
timeout 1200 ctest --output-on-failure -j"$(nproc)" --timeout 300
# The information file once more on a Western system (code page 1252).
LC_ALL=en_US.UTF-8 timeout 300 ctest --output-on-failure --timeout 120 -R 'InfoFile\.Marks'

