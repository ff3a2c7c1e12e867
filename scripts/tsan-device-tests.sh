#!/usr/bin/env bash
# Builds the threaded tests (CTest labels device and threads: the link, the buses and the emulator, the
# loading worker and its window, the prompts a worker reaches the GUI thread through) with
# ThreadSanitizer in build-tsan and runs them. Any data race report fails the run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KX_TSAN_BUILD_DIR:-$root/build-tsan}"
jobs="${KX_JOBS:-2}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_SANITIZE_THREAD=ON >/dev/null
cmake --build "$build" -j"$jobs" --target threaded_tests

# Qt itself is not built with ThreadSanitizer, so the synchronization inside its wait conditions is
# invisible to it, and the QtTest watchdog thread trips over that at exit. Only Qt's wait-condition
# frames and the test harness library's own calls are excused; our code and the emulator stay checked.
suppressions="$build/tsan-qt.supp"
cat > "$suppressions" <<'SUPP'
race:QWaitCondition::~QWaitCondition
race:QWaitCondition::wakeAll
called_from_lib:libQt6Test.so.6
SUPP

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$suppressions ${TSAN_OPTIONS:-}"
cd "$build"
# The hidraw test needs umockdev's preload, which cannot share a process with the sanitizer. The crash
# test runs its windows in child processes that QProcess starts with a vfork, which the sanitizer cannot
# follow (it then reports threads started after a fork); that test is about files, not threads.
ctest --output-on-failure -j"$jobs" -L 'device|threads' -LE 'hidraw|crash'
