#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: starts ondrel-sim, measures the device
# link, the live view, result storage, waiting costs, the capture quality measure's cost
# per finger and the runs window's loading, and prints a markdown report with the medians
# and ratios on standard output (progress goes to standard error). Every figure that has a
# target shows it with "met" or "missed", and a closing table lists them.
#
#   scripts/bench.sh [--reps N] [--seconds S] [--quick]
#
# BUILD_DIR (default build-bench) and JOBS (default: all CPUs) are taken from the
# environment.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build-bench}"
JOBS="${JOBS:-$(nproc)}"

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DONDREL_BUILD_APP=ON -DONDREL_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS" --target ondrel-bench >&2
exec "$BUILD_DIR/bench/ondrel-bench" "$@"
