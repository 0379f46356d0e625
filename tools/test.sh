#!/usr/bin/env bash
# Sets up and builds, then runs every test: once as built, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short bounded fuzzing
# run of the image decoders.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
echo "== tests"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPOTE_SANITIZE=ON > /dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure

if [ -x tools/fuzz_images.sh ]; then
  echo "== fuzzing the image decoders"
  tools/fuzz_images.sh build-fuzz "${FUZZ_SECONDS:-60}"
fi
