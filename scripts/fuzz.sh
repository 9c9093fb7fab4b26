#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and
# runs each for a bounded time: scripts/fuzz.sh [seconds per target, default 30]
# New crash inputs are left in build-fuzz/ as crash-*; keep each as a test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
if ! command -v clang++ >/dev/null || ! dpkg-query -W libclang-rt-14-dev >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDM_FUZZ=ON \
  -DDM_BUILD_GUI=OFF -DDM_BUILD_TESTS=OFF -DDM_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz
for target in infofile stream versioncache ini filterfile pe numbers; do
  work="build-fuzz/corpus-$target"
  mkdir -p "$work"
  echo "fuzz_$target: $seconds s"
  (cd build-fuzz && "./fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
     "../build-fuzz/corpus-$target" "../fuzz/corpus/$target" 2>&1 | tail -n 3)
done
echo "fuzzing: no crash found"
