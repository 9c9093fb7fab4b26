#!/usr/bin/env bash
# Builds the Debian package of dirmatch (installed under /usr) into build/:
#   bash scripts/package.sh  →  build/dirmatch_VERSION_ARCH.deb
# The package is made from the one build that scripts/setup.sh keeps (its
# programs stripped), not from a second build of everything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
(cd build && cpack -G DEB -D CPACK_PACKAGING_INSTALL_PREFIX=/usr -B "$PWD" >/dev/null)
rm -rf build/_CPack_Packages
ls build/dirmatch_*.deb
