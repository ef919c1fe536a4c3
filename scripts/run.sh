#!/usr/bin/env bash
# Runs Ondrel App against the bundled scanner simulator.
#   With a desktop: the main window opens; press the workflow button to capture.
#   Without one (no DISPLAY and no WAYLAND_DISPLAY): the whole workflow runs headless and
#   the run directory with what was stored is printed.
# Extra arguments go to OndrelApp (for example --person ID).
#
#   ONDREL_SIM_PORT  the simulator's port (default 60123); the app is pointed at it for this
#                    run only (--device), the stored device address is left as it is
#   ONDREL_PERSON    the person of a headless run (default demo)
#   BUILD_DIR, JOBS  as for scripts/build.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
SIM_HOST=127.0.0.1
SIM_PORT="${ONDREL_SIM_PORT:-60123}"

"$ROOT/scripts/install-deps.sh"

# One line of build progress; the build's whole output goes to build/build.log and is
# shown only when the build fails.
BUILD_LOG="$BUILD_DIR/build.log"
mkdir -p "$BUILD_DIR"
if [[ -t 1 ]]; then
  printf 'run: building...'
else
  echo "run: building (output in $BUILD_LOG)"
fi
set +e
"$ROOT/scripts/build.sh" 2>&1 | tee "$BUILD_LOG" | while IFS= read -r line; do
  if [[ -t 1 && $line =~ ^\[\ *([0-9]+)%\] ]]; then
    printf '\rrun: building %3d%%' "${BASH_REMATCH[1]}"
  fi
done
build_status=${PIPESTATUS[0]}
set -e
[[ -t 1 ]] && printf '\r\033[K'
if [[ $build_status -ne 0 ]]; then
  cat "$BUILD_LOG" >&2
  echo "run: the build failed (exit $build_status); its output is above and in $BUILD_LOG" >&2
  exit "$build_status"
fi
echo "run: built (output in $BUILD_LOG)"

APP="$BUILD_DIR/app/OndrelApp"
SIM="$BUILD_DIR/simulator/ondrel-sim"

# Demo keys for the simulator's authentication, made once per user and never committed.
DATA_HOME="${XDG_DATA_HOME:-$HOME/.local/share}"
KEYS_DIR="$DATA_HOME/OndrelApp/demo-keys"
if [[ ! -f "$KEYS_DIR/DEV.pub.pem" ]]; then
  mkdir -p "$KEYS_DIR"
  chmod 700 "$KEYS_DIR"
  for level in USER ADMIN DEV; do
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$KEYS_DIR/$level.priv.pem" 2>/dev/null
    openssl pkey -in "$KEYS_DIR/$level.priv.pem" -pubout -out "$KEYS_DIR/$level.pub.pem"
  done
  chmod 600 "$KEYS_DIR"/*.priv.pem
  echo "run: demo keys made in $KEYS_DIR"
fi

SIM_PID=""
SIM_LOG="$(mktemp -t ondrel-sim.XXXXXX)"
cleanup() {
  if [[ -n "$SIM_PID" ]] && kill -0 "$SIM_PID" 2>/dev/null; then
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  rm -f "$SIM_LOG"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$SIM" --host "$SIM_HOST" --port "$SIM_PORT" --keys "$KEYS_DIR" >"$SIM_LOG" 2>&1 &
SIM_PID=$!
# Wait for the simulator's address line (or its early death), at most 10 s.
for _ in $(seq 1 200); do
  if grep -q '^listening on ' "$SIM_LOG"; then break; fi
  if ! kill -0 "$SIM_PID" 2>/dev/null; then
    echo "run: ondrel-sim did not start:" >&2
    cat "$SIM_LOG" >&2
    if grep -qi 'in use' "$SIM_LOG"; then
      echo "run: port $SIM_PORT is taken; choose another with ONDREL_SIM_PORT, for example: ONDREL_SIM_PORT=60124 $0" >&2
    fi
    exit 1
  fi
  sleep 0.05
done
if ! grep -q '^listening on ' "$SIM_LOG"; then
  echo "run: ondrel-sim did not report its address in time" >&2
  exit 1
fi
echo "run: simulator $(head -n1 "$SIM_LOG"), demo keys in $KEYS_DIR"

# The settings file as the app uses it; the base directory is where results go.
SETTINGS_FILE="${XDG_CONFIG_HOME:-$HOME/.config}/Quorvel GmbH/OndrelApp.ini"
if [[ -f "$SETTINGS_FILE" ]]; then
  echo "run: settings from $SETTINGS_FILE"
else
  echo "run: no settings file yet; the app creates $SETTINGS_FILE with its defaults"
fi

echo "run: the log is in ${XDG_DATA_HOME:-$HOME/.local/share}/Quorvel GmbH/OndrelApp/OndrelApp.log"

# From the checkout, the program takes styles/ and ico/ from the sources, so edits to the
# style sheet show without a rebuild.
cd "$ROOT"
DEVICE=(--device "$SIM_HOST:$SIM_PORT")
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no desktop found; running the whole workflow headless"
  set +e
  "$APP" "${DEVICE[@]}" --person "${ONDREL_PERSON:-demo}" --autostart --quit-after-workflow "$@"
  status=$?
  set -e
  exit $status
fi
# A display that cannot be opened (a stale DISPLAY) gets one line with this command's
# headless alternative; the rest of standard error passes as it comes.
set +e
{ "$APP" "${DEVICE[@]}" "$@" 2>&1 1>&3 3>&- |
  sed -u "s|^OndrelApp: cannot open the display \(.*\)\. To run without a display.*|run: cannot open the display \1; to run headless: env -u DISPLAY -u WAYLAND_DISPLAY $0|" >&2; } 3>&1
status=${PIPESTATUS[0]}
set -e
exit $status
