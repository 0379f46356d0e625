#!/usr/bin/env bash
# Sets up and builds, then runs every test: short bounded fuzzing runs of the
# image and sound decoders, the tests as built, and the tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)

echo "== fuzzing the image and sound decoders for ${FUZZ_SECONDS:-60} s each"
# The fuzzers say in a few lines how they ended; the build before them only
# matters when it fails.
fuzzlog=$(mktemp)
if ! FUZZ_SEED=${FUZZ_SEED:-1} tools/fuzz.sh build-fuzz "${FUZZ_SECONDS:-60}" > "$fuzzlog" 2>&1; then
  if grep -q '^== fuzz_' "$fuzzlog"; then sed -n '/^== fuzz_/,$p' "$fuzzlog"; else tail -n 60 "$fuzzlog"; fi
  echo "fuzzing found a fault (above)"
  exit 1
fi
sed -n '/^== fuzz_/,$p' "$fuzzlog"
rm -f "$fuzzlog"

echo "== tests"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPOTE_SANITIZE=ON > /dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure
