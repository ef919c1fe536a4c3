#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# replays each committed seed corpus, then fuzzes each target for a bounded time with the
# message dictionary. Fails on any crash, leak, time-out or broken invariant.
#
#   FUZZ_SECONDS   seconds per target (default 30)
#   FUZZ_BUILD_DIR build directory (default build-fuzz)
#   FUZZ_TARGETS   space-separated subset of targets (default: all)
#
# Needs clang and libclang-rt-14-dev (scripts/install-deps.sh --with-fuzz); no network, no display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_PER_TARGET="${FUZZ_SECONDS:-30}"
JOBS="${JOBS:-2}"
CORPUS_ROOT="$ROOT/fuzz/corpus"
DICT="$ROOT/fuzz/messages.dict"

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found; install it with scripts/install-deps.sh --with-fuzz" >&2
  exit 1
fi

echo "fuzz: configuring $BUILD_DIR"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_DIR" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DONDREL_BUILD_FUZZ=ON -DONDREL_BUILD_APP=OFF -DONDREL_BUILD_TESTS=OFF -DONDREL_BUILD_BENCH=OFF \
  "-DONDREL_SANITIZE=address;undefined" >/dev/null
cmake --build "$BUILD_DIR" --target fuzz_all -j"$JOBS"

if [[ -n "${FUZZ_TARGETS:-}" ]]; then
  read -r -a targets <<<"$FUZZ_TARGETS"
else
  targets=()
  for exe in "$BUILD_DIR"/fuzz/fuzz_*; do
    name="${exe##*/fuzz_}"
    [[ -x "$exe" ]] && targets+=("$name")
  done
fi

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
WORK="$BUILD_DIR/fuzz-work"
mkdir -p "$WORK"
passed=0
failed=0
total_seconds=0
total_execs=0

for name in "${targets[@]}"; do
  exe="$BUILD_DIR/fuzz/fuzz_$name"
  seeds="$CORPUS_ROOT/$name"
  if [[ ! -x "$exe" || ! -d "$seeds" ]]; then
    echo "fuzz: $name has no executable or no seed corpus ($seeds)" >&2
    failed=$((failed + 1))
    continue
  fi
  mkdir -p "$WORK/$name" "$WORK/artifacts"
  log="$WORK/$name.log"
  common=(-dict="$DICT" -max_len=65536 -timeout=60 -rss_limit_mb=2048
    -artifact_prefix="$WORK/artifacts/$name-")

  # Replay first: every committed seed must pass on its own.
  if ! "$exe" "${common[@]}" -runs=0 "$seeds" >"$log" 2>&1; then
    echo "fuzz: $name FAILED replaying its seed corpus" >&2
    tail -n 40 "$log" >&2
    failed=$((failed + 1))
    continue
  fi
  replayed=$(find "$seeds" -type f | wc -l)

  # New inputs go to the work corpus; the committed seeds are only read.
  start=$(date +%s)
  status=0
  "$exe" "${common[@]}" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
    "$WORK/$name" "$seeds" >"$log" 2>&1 || status=$?
  elapsed=$(($(date +%s) - start))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  execs="${execs:-0}"
  total_seconds=$((total_seconds + elapsed))
  total_execs=$((total_execs + execs))
  if [[ $status -ne 0 ]]; then
    echo "fuzz: $name FAILED after ${elapsed} s, ${execs} executions (exit $status); log $log" >&2
    grep -E "ERROR|SUMMARY|invariant|exception|runtime error|got code|Test unit written" "$log" | head -n 20 >&2 || true
    failed=$((failed + 1))
    continue
  fi
  printf 'fuzz: %-15s %4d s %10d executions  (%d seeds replayed)\n' "$name" "$elapsed" "$execs" "$replayed"
  passed=$((passed + 1))
done

echo "fuzz: ${#targets[@]} targets, ${total_seconds} s fuzzed, ${total_execs} executions"
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
