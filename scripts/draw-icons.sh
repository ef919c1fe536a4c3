#!/usr/bin/env bash
# Redraws the button icons (resources/icons/*.png), the style sheet's images
# (resources/style/*.png) and the window icon (ico/appIcon.ico).
# Usage: scripts/draw-icons.sh [build-dir]   (default: a temporary directory, removed afterwards)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ $# -ge 1 ]]; then
  build="$1"
else
  build="$(mktemp -d)"
  trap 'rm -rf "$build"' EXIT
fi

cmake -S "$root/resources" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2
# Reading the written .ico back needs Qt's image plugins, not a display.
QT_QPA_PLATFORM=offscreen "$build/draw_icons" "$root/resources" "$root/ico/appIcon.ico"
