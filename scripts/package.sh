#!/usr/bin/env bash
# Builds the Debian package of dirmatch (installed under /usr) into build/:
#   bash scripts/package.sh  →  build/dirmatch_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DDM_BUILD_TESTS=OFF \
  -DDM_BUILD_BENCH=OFF >/dev/null
cmake --build build-pkg
mkdir -p build
(cd build-pkg && cpack -G DEB -B "$PWD/../build" >/dev/null)
rm -rf build/_CPack_Packages
ls build/dirmatch_*.deb
