#!/usr/bin/env bash
# Configures and builds the project into build/ (Release). Used by run.sh and test.sh.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
JOBS="${JOBS:-$(nproc)}"

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS"
