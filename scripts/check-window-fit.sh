#!/usr/bin/env bash
# Shows the main window on a virtual X server with a real window manager (openbox) at
# 1366 x 768 and 1280 x 720 and checks that the framed window, status line included, lies
# inside the screen. Offscreen tests cannot see this: there the window has no frame.
#
#   scripts/check-window-fit.sh        (BUILD_DIR defaults to build/)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
APP="$BUILD_DIR/app/OndrelApp"
SIM="$BUILD_DIR/simulator/ondrel-sim"

frame_of() { # the client's place plus the frame the window manager reports around it
  local x y w h left right top bottom
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
  read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | sed 's/,//g')
  [[ -n "$bottom" ]] && printf '%d %d %d %d' $((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))
}

measure() { # runs inside the X server: prints "frame x y w h screen w h"
  local work
  work="$(mktemp -d)"
  export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work"
  openbox >/dev/null 2>&1 &
  local wm=$!
  "$SIM" --port 0 >"$work/sim.log" 2>&1 &
  local sim=$!
  for _ in $(seq 1 200); do grep -q '^listening on ' "$work/sim.log" && break; sleep 0.05; done
  local address
  address="$(sed -n 's/^listening on //p' "$work/sim.log" | head -n1)"
  "$APP" --device "$address" >/dev/null 2>&1 &
  local app=$!
  local id=""
  for _ in $(seq 1 200); do
    id="$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Ondrel App .*/\1/p' | head -n1)"
    [[ -n "$id" ]] && break
    sleep 0.05
  done
  # The window manager frames the window in steps: wait until two looks agree.
  local seen="" now=""
  for _ in $(seq 1 100); do
    now="$(frame_of "$id")"
    [[ -n "$now" && "$now" == "$seen" ]] && break
    seen="$now"
    sleep 0.1
  done
  printf '%s ' "$now"
  xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{printf "%d %d\n", w, h}'
  kill "$app" "$sim" "$wm" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
if [[ "${1:-}" == "--inside" ]]; then
  measure
  exit 0
fi

status=0
for size in 1366x768 1280x720; do
  read -r x y w h sw sh < <(xvfb-run -a -s "-screen 0 ${size}x24" "$0" --inside)
  if ((x >= 0 && y >= 0 && x + w <= sw && y + h <= sh && w > 0 && h > 0)); then
    echo "check-window-fit: ${size}: the framed window ${w}x${h}+${x}+${y} fits"
  else
    echo "check-window-fit: ${size}: the framed window ${w}x${h}+${x}+${y} does not fit ${sw}x${sh}" >&2
    status=1
  fi
done
exit $status
