#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test through CTest. The device and
# emulator tests also run once more under ThreadSanitizer (build-tsan/), first, so that CTest's summary
# is the last thing printed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
KX_JOBS="$(nproc)" bash scripts/tsan-device-tests.sh
cd build
ctest --output-on-failure -j"$(nproc)"
