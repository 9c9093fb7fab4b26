#!/usr/bin/env bash
# Builds everything with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer into build-asan/ and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDM_SANITIZE=ON -DDM_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 900
