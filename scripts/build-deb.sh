#!/usr/bin/env bash
# Builds the Debian package build/kinetrax_<version>_amd64.deb from a release build (CPack).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kinetrax pedometer-sim kx_packaging_files
(cd build && cpack -G DEB)
