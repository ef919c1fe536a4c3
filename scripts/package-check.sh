#!/usr/bin/env bash
# Builds the Debian package from build/ (cpack -G DEB), unpacks it into a temporary root and
# runs the unpacked OndrelApp headless, with no display, against the unpacked ondrel-sim
# from an unrelated working directory: all three modes must be stored, and the log must say so.
# Also checks the package's files and its desktop entry, and runs lintian on it: any error or
# warning fails the check. Needs a configured and built build/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

fail() { echo "package-check: $*" >&2; exit 1; }

rm -f "$BUILD_DIR"/ondrel-app_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >"$BUILD_DIR/cpack.log" 2>&1) || { cat "$BUILD_DIR/cpack.log" >&2; fail "cpack failed"; }
debs=("$BUILD_DIR"/ondrel-app_*.deb)
[[ -f "${debs[0]}" ]] || fail "cpack made no ondrel-app package"
DEB="${debs[0]}"
echo "package-check: $(basename "$DEB"): $(dpkg-deb -f "$DEB" Depends)"

TMP="$(mktemp -d)"
SIM_PID=""
cleanup() {
  if [[ -n "$SIM_PID" ]]; then kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; fi
  rm -rf "$TMP"
}
trap cleanup EXIT

ROOTFS="$TMP/root"
dpkg-deb -x "$DEB" "$ROOTFS"
for file in usr/bin/OndrelApp usr/bin/ondrel-sim usr/share/applications/ondrel-app.desktop \
  usr/share/icons/hicolor/48x48/apps/ondrel-app.png usr/share/doc/ondrel-app/README.md \
  usr/share/doc/ondrel-app/copyright usr/share/doc/ondrel-app/changelog.gz \
  usr/share/man/man1/OndrelApp.1.gz usr/share/man/man1/ondrel-sim.1.gz; do
  [[ -f "$ROOTFS/$file" ]] || fail "the package lacks /$file"
done
extra="$(find "$ROOTFS/usr/bin" -type f ! -name OndrelApp ! -name ondrel-sim)"
[[ -z "$extra" ]] || fail "the package holds more programs than it should: $extra"
desktop-file-validate "$ROOTFS/usr/share/applications/ondrel-app.desktop" || fail "the desktop entry is not valid"
# Informational tags (hardening hints, spellings in the device's fixed texts) are shown, not failed.
lintian --display-info --fail-on error,warning "$DEB" || fail "lintian reports errors or warnings on $(basename "$DEB")"

# The simulator picks a free port and names it in its first line.
SIM_OUT="$TMP/sim.out"
"$ROOTFS/usr/bin/ondrel-sim" --port 0 --settle-ms 300 --width 640 --height 512 >"$SIM_OUT" 2>&1 &
SIM_PID=$!
port=""
for _ in $(seq 1 200); do
  port="$(sed -n 's/^listening on .*:\([0-9][0-9]*\)$/\1/p' "$SIM_OUT")"
  [[ -n "$port" ]] && break
  kill -0 "$SIM_PID" 2>/dev/null || { cat "$SIM_OUT" >&2; fail "the unpacked ondrel-sim did not start"; }
  sleep 0.05
done
[[ -n "$port" ]] || fail "the unpacked ondrel-sim did not report its address"

mkdir -p "$TMP/config/Quorvel GmbH" "$TMP/data" "$TMP/results" "$TMP/elsewhere"
printf '[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=%s\n' "$TMP/results" \
  >"$TMP/config/Quorvel GmbH/OndrelApp.ini"
status=0
(cd "$TMP/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  XDG_CONFIG_HOME="$TMP/config" XDG_DATA_HOME="$TMP/data" \
  "$ROOTFS/usr/bin/OndrelApp" --person package-check --device "127.0.0.1:$port" --autostart --quit-after-workflow \
  >"$TMP/app.out" 2>"$TMP/app.err") || status=$?
if [[ $status -ne 0 ]] || ! grep -q '^Stored 3 of 3 modes' "$TMP/app.out"; then
  cat "$TMP/app.out" "$TMP/app.err" >&2
  fail "the unpacked OndrelApp did not store all three modes (exit $status)"
fi
LOG="$TMP/data/Quorvel GmbH/OndrelApp/OndrelApp.log"
grep -q 'ondrel.run: Run ended: Stored 3 of 3 modes' "$LOG" 2>/dev/null || fail "the log does not record the run: $LOG"
echo "package-check: the unpacked package stored all three modes headless from $TMP/elsewhere"
