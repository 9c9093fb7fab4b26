#!/usr/bin/env bash
# Installs what building and testing dirmatch needs (Debian 12), then configures
# and builds it into build/. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools
          qt6-translations-l10n fonts-wqy-microhei liburing-dev libmimalloc-dev libxxhash-dev libdtl-dev help2man
          rsync openssh-client openssh-server fusefat dosfstools ntfs-3g exfat-fuse exfatprogs btrfs-progs e2fsprogs)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDM_WERROR="$werror" >/dev/null
cmake --build build
