#!/bin/sh
# Fuzzes the image decoders for a bounded time.
#   tools/fuzz_images.sh BUILD_DIR SECONDS
# Configures a clang build with POTE_FUZZ=ON in BUILD_DIR, builds the fuzz
# target and its seed corpus, and runs libFuzzer for SECONDS. Exits non-zero
# when the fuzzer finds a crash, leak or sanitizer error; the reproducer is
# left in a fuzz-artifacts/ folder next to the fuzz target in BUILD_DIR.
set -eu

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
BUILD_DIR=$1
SECONDS_TO_RUN=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${FUZZ_BUILD_JOBS:-4}

configure() {
  CC=clang CXX=clang++ cmake -S "$1" -B "$BUILD_DIR" -DPOTE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$BUILD_DIR/configure.log" 2>&1
}

mkdir -p "$BUILD_DIR"
if configure "$ROOT"; then
  FUZZ_BIN_DIR=$BUILD_DIR/tests/fuzz
else
  # The decoders do not depend on the rest of the game; fuzz them even when
  # the full configure fails, but say so loudly.
  echo "warning: full configure failed (see $BUILD_DIR/configure.log); configuring the fuzz target alone" >&2
  BUILD_DIR=$BUILD_DIR/fuzz-only
  mkdir -p "$BUILD_DIR"
  configure "$ROOT/tests/fuzz"
  FUZZ_BIN_DIR=$BUILD_DIR
fi
cmake --build "$BUILD_DIR" --target fuzz_image fuzz_image_corpus -j "$JOBS"

# The corpus grows in the build tree across runs; the seeds stay as written.
CORPUS=$FUZZ_BIN_DIR/image_corpus
ARTIFACTS=$FUZZ_BIN_DIR/fuzz-artifacts
mkdir -p "$CORPUS" "$ARTIFACTS"
"$FUZZ_BIN_DIR/fuzz_image" "$CORPUS" "$FUZZ_BIN_DIR/image_seeds" \
  -max_total_time="$SECONDS_TO_RUN" -max_len=16384 -rss_limit_mb=2048 -timeout=20 \
  -artifact_prefix="$ARTIFACTS/" -print_final_stats=1
