#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test through CTest. Before that, each in its
# own build folder: the device and threaded tests under ThreadSanitizer (build-tsan/), the whole suite
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and every fuzz target for 20 s
# (build-fuzz/, any finding fails). CTest's summary comes last, then how long each step took.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc)"
times=()
step() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  times+=("$name $(( SECONDS - start )) s")
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$jobs"
}

step install bash scripts/install-deps.sh
step build build
step tsan env KX_JOBS="$jobs" bash scripts/tsan-device-tests.sh
step asan env KX_JOBS="$jobs" bash scripts/asan-tests.sh
step fuzz env KX_JOBS="$jobs" bash scripts/fuzz.sh --seconds 20
step ctest bash -c "cd build && ctest --output-on-failure -j$jobs"
echo "Time per step (s):"
for t in "${times[@]}"; do echo "  $t"; done
