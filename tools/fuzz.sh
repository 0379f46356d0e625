#!/bin/sh
# Fuzzes the image decoders, then the sound decoders, each for a bounded time.
#   tools/fuzz.sh BUILD_DIR SECONDS
# Configures a clang build with POTE_FUZZ=ON in BUILD_DIR, builds the fuzz
# targets and their seed corpora, and runs libFuzzer on each for SECONDS.
# Exits non-zero when a fuzzer finds a crash, leak, sanitizer error or an
# allocation beyond the memory limit. It then prints what the fuzzer
# reported and, when small, the input itself in base64; the input is also left
# in a fuzz-artifacts/ folder next to the fuzz targets in BUILD_DIR, and each
# fuzzer's whole log beside it. FUZZ_SEED=N repeats a run's random choices.
set -eu

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
BUILD_DIR=$1
SECONDS_TO_RUN=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${FUZZ_BUILD_JOBS:-4}
# No decoder needs anywhere near this for a game file: a file that makes one
# allocate more (a size claimed and believed before it is checked) fails the
# run. The sanitizer's quarantine of freed memory is kept well below it.
MEMORY_MB=300
export ASAN_OPTIONS="quarantine_size_mb=32${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

configure() {
  CC=clang CXX=clang++ cmake -S "$1" -B "$BUILD_DIR" -DPOTE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$BUILD_DIR/configure.log" 2>&1
}

mkdir -p "$BUILD_DIR"
TARGETS="image sound"
if configure "$ROOT"; then
  FUZZ_BIN_DIR=$BUILD_DIR/tests/fuzz
else
  # The image decoders do not depend on the rest of the game; fuzz them even
  # when the full configure fails, but say so loudly.
  echo "warning: full configure failed (see $BUILD_DIR/configure.log); fuzzing the image decoders alone" >&2
  BUILD_DIR=$BUILD_DIR/fuzz-only
  mkdir -p "$BUILD_DIR"
  configure "$ROOT/tests/fuzz"
  FUZZ_BIN_DIR=$BUILD_DIR
  TARGETS=image
fi
for t in $TARGETS; do
  cmake --build "$BUILD_DIR" --target "fuzz_$t" "fuzz_${t}_corpus" -j "$JOBS"
done

ARTIFACTS=$FUZZ_BIN_DIR/fuzz-artifacts
mkdir -p "$ARTIFACTS"
failed=0
for t in $TARGETS; do
  # The corpus grows in the build tree across runs; the seeds stay as written.
  CORPUS=$FUZZ_BIN_DIR/${t}_corpus
  mkdir -p "$CORPUS"
  # The default sound effects run to 60 KB.
  if [ "$t" = sound ]; then MAX_LEN=65536; else MAX_LEN=16384; fi
  LOG=$FUZZ_BIN_DIR/fuzz_$t.log
  echo "== fuzz_$t for $SECONDS_TO_RUN s (log: $LOG)"
  rm -f "$ARTIFACTS/$t-"*
  # FUZZ_SEED fixes the run's random choices, so that a run that found
  # something can be repeated with the same seed.
  if "$FUZZ_BIN_DIR/fuzz_$t" "$CORPUS" "$FUZZ_BIN_DIR/${t}_seeds" -seed="${FUZZ_SEED:-0}" \
       -max_total_time="$SECONDS_TO_RUN" -max_len=$MAX_LEN -rss_limit_mb=$MEMORY_MB -malloc_limit_mb=$MEMORY_MB \
       -timeout=20 -artifact_prefix="$ARTIFACTS/$t-" -print_final_stats=1 >"$LOG" 2>&1; then
    grep -E '^(INFO: Seed|Done [0-9]+ runs|stat::peak_rss_mb)' "$LOG" || tail -n 3 "$LOG"
  else
    failed=1
    echo "fuzz_$t FAILED; what it reported:"
    grep -E '^INFO: Seed|ERROR|SUMMARY|^ +#[0-9]+ |Test unit written|out-of-memory|exceeds|^MS:' "$LOG" | head -n 60
    # The input itself, small enough for a log: base64 -d gives the file back.
    for a in "$ARTIFACTS/$t-"*; do
      [ -f "$a" ] || continue
      echo "reproducer $(basename "$a"): $(wc -c <"$a") bytes"
      if [ "$(wc -c <"$a")" -le 3000 ]; then base64 -w 0 "$a"; echo; fi
    done
  fi
done
exit $failed
