#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs the whole
# CTest suite there once. Any report (a memory error, a leak, undefined behaviour) fails the test that
# made it: the sanitizers do not recover.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KX_ASAN_BUILD_DIR:-$root/build-asan}"
jobs="${KX_JOBS:-2}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_SANITIZE_ADDRESS=ON >/dev/null
cmake --build "$build" -j"$jobs" --target suite_tests

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1 ${UBSAN_OPTIONS:-}"
cd "$build"
# The hidraw test needs umockdev's preload, which cannot share a process with the sanitizer's runtime
# (that runtime must be the first library loaded). The packaging test checks installed files and the
# package, which an instrumented build says nothing more about.
ctest --output-on-failure -j"$jobs" -LE 'hidraw|packaging'
