#!/usr/bin/env bash
# Builds the Windows setup on Linux: the Windows build (mingw-w64), then an
# installer made by makensis (Debian's nsis), build-win/dirmatch-VERSION-setup.exe.
#   scripts/package-windows.sh [BUILD-WIN]
set -euo pipefail
# The build folder as given from where the script was called, before moving
# to the sources.
build=$(realpath -m "${1:-$(dirname "$0")/../build-win}")
cd "$(dirname "$0")/.."
[ "$build" != "$PWD" ] || { echo "package-windows.sh: give a build folder, not the sources" >&2; exit 2; }

if ! command -v makensis >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends nsis
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target dirmatch dirmatch-gui

# The programs as users get them: without the debugging information the build keeps.
programs="$build/setup-programs"
mkdir -p "$programs"
x86_64-w64-mingw32-strip -o "$programs/dirmatch-gui.exe" "$build/ui/win32/dirmatch-gui.exe"
x86_64-w64-mingw32-strip -o "$programs/dirmatch.exe" "$build/cli/dirmatch.exe"

version=$(sed -n 's/^project(dirmatch VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup="$build/dirmatch-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSOURCE="$PWD" -DBUILD="$build" -DPROGRAMS="$programs" -DOUTFILE="$setup" \
  packaging/windows/dirmatch.nsi >&2
echo "$setup"
