#!/usr/bin/env bash
# Builds Kinetrax and runs it against the pedometer emulator on a private simulated bus, with a demo
# data directory (two profiles, about six weeks of history) kept in build/demo-data between runs.
# The emulator stops when Kinetrax ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kinetrax pedometer-sim kinetrax-screenshots

data="${KINETRAX_DEMO_DATA:-$PWD/build/demo-data}"
if [ ! -e "$data/Kinetrax.dat" ]; then
  build/bin/kinetrax-screenshots --demo-data "$data"
fi

bus=$(mktemp -d "${TMPDIR:-/tmp}/kinetrax-bus.XXXXXX")
sim=""
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$bus"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

build/bin/pedometer-sim --bus "$bus" --seed "${KINETRAX_DEMO_SEED:-7}" &
sim=$!
# Kinetrax looks for the pedometer once at start-up: wait for its socket.
for _ in $(seq 100); do
  compgen -G "$bus/*.hid" >/dev/null && break
  kill -0 "$sim" 2>/dev/null || { echo "pedometer-sim did not start" >&2; exit 1; }
  sleep 0.05
done

KINETRAX_HID_BUS="$bus" KINETRAX_DATA_DIR="$data" build/bin/kinetrax
