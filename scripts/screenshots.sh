#!/usr/bin/env bash
# Redraws the README's screenshots (docs/*.png) from real windows on a virtual X display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
cd "$BUILD_DIR/app"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x1000x24" \
  "$BUILD_DIR/docs/take_screenshots" "$ROOT/docs"
