#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/ and runs each one for a fixed time, one after the other, from the seeds of
# fuzz/corpus/<target>/ and what earlier runs added in build-fuzz/corpus/<target>/. Any finding (a crash,
# a sanitizer report, a broken invariant, a leak, a hang, too much memory) fails the run; the input
# that caused it is saved in build-fuzz/findings/<target>/.
#
#   scripts/fuzz.sh [--minutes N | --seconds N] [TARGET ...]
#
# Targets: catalog user_list activity_merge device_reports period_today download_log data_archive csv_import
# (default: all), 20 s each by default. Every run appends "target runs seconds" to build-fuzz/executions.txt.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KX_FUZZ_BUILD_DIR:-$root/build-fuzz}"
jobs="${KX_JOBS:-2}"
seconds=20
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) seconds=$(( $2 * 60 )); shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(catalog user_list activity_merge device_reports period_today download_log data_archive
  csv_import)

bash "$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_FUZZ=ON >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_targets

# Inputs bigger than these say nothing new: a catalog or user list several times the real size, a few
# dozen days, a few hundred reports.
max_len() {
  case "$1" in
    catalog) echo 8192 ;;
    user_list) echo 2048 ;;
    download_log) echo 8192 ;;
    data_archive) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

failed=()
for t in "${targets[@]}"; do
  exe="$build/bin/fuzz_$t"
  [ -x "$exe" ] || { echo "fuzz.sh: no target $t" >&2; exit 2; }
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  options=(-max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=60 -rss_limit_mb=2048
           -malloc_limit_mb=256 -use_value_profile=1 -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "$root/fuzz/dict/$t.dict" ] && options+=(-dict="$root/fuzz/dict/$t.dict")
  status=0
  "$exe" "${options[@]}" "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 \2/p' "$log" | tail -1)
  echo "$t ${runs:-0 0}" >> "$build/executions.txt"
  if [ $status -ne 0 ]; then
    failed+=("$t")
    echo "fuzz $t: FINDING (exit $status), see $log and $findings/"
    grep -E '==FUZZ==|ERROR: |SUMMARY: |runtime error' "$log" | head -5 | sed 's/^/    /'
  else
    echo "fuzz $t: ${runs% *} runs in ${runs#* } s, no finding"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]}" >&2
  exit 1
fi
