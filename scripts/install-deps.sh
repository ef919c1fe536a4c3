#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Ondrel App need.
# Idempotent: only packages that are missing are installed; sudo is used only when not root.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qtbase5-dev qtbase5-dev-tools
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  libssl-dev libasio-dev libgtest-dev
  xvfb xauth openssl openbox x11-utils
  dpkg-dev desktop-file-utils help2man lintian
)
# Optional extras (fuzzing with clang/libFuzzer) are requested with --with-fuzz.
if [[ "${1:-}" == "--with-fuzz" ]]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
