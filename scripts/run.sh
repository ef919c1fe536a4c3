#!/usr/bin/env bash
# Runs Ondrel App against the bundled scanner simulator.
#   With a desktop: the main window opens; press the workflow button to capture.
#   Without one (no DISPLAY and no WAYLAND_DISPLAY): the whole workflow runs headless and
#   the run directory with what was stored is printed.
# Extra arguments go to OndrelApp (for example --person ID).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
SIM_HOST=127.0.0.1
SIM_PORT="${ONDREL_SIM_PORT:-60123}"

"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"

APP_DIR="$BUILD_DIR/app"
APP="$APP_DIR/OndrelApp"
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

# The program finds styles/ and ico/ relative to its working directory.
cd "$APP_DIR"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no desktop found; running the whole workflow headless"
  set +e
  QT_QPA_PLATFORM=offscreen "$APP" --person "${ONDREL_PERSON:-demo}" --autostart --quit-after-workflow "$@"
  status=$?
  set -e
  exit $status
else
  "$APP" "$@"
fi
