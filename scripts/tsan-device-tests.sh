#!/usr/bin/env bash
# Builds the device and emulator tests with ThreadSanitizer in build-tsan and runs them. Any data race
# report fails the run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KX_TSAN_BUILD_DIR:-$root/build-tsan}"
jobs="${KX_JOBS:-2}"

targets=()
for src in "$root"/tests/device/test_*.cpp "$root"/tests/emulator/test_*.cpp; do
    [ -e "$src" ] || continue
    module="$(basename "$(dirname "$src")")"
    name="$(basename "$src" .cpp)"
    targets+=("test_${module}_${name#test_}")
done
if [ ${#targets[@]} -eq 0 ]; then
    echo "tsan-device-tests: no device or emulator tests found" >&2
    exit 1
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_SANITIZE_THREAD=ON >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

# Qt itself is not built with ThreadSanitizer, so the synchronization inside its wait conditions is
# invisible to it, and the QtTest watchdog thread trips over that at exit. Only Qt's wait-condition
# frames and the test harness library's own calls are excused; our code and the emulator stay checked.
suppressions="$build/tsan-qt.supp"
cat > "$suppressions" <<'SUPP'
race:QWaitCondition::~QWaitCondition
race:QWaitCondition::wakeAll
called_from_lib:libQt6Test.so.6
SUPP

export QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8 KINETRAX_HID_BUS= KINETRAX_DATA_DIR=
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$suppressions ${TSAN_OPTIONS:-}"
failed=0
for target in "${targets[@]}"; do
    echo "== $target"
    if ! "$build/bin/$target"; then
        echo "tsan-device-tests: $target failed" >&2
        failed=1
    fi
done
exit $failed
