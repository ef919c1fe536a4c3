#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
# GUI tests run offscreen; they never need a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"${CTEST_JOBS:-2}" --timeout 300
