#!/usr/bin/env bash
# Runs one fuzz target for a bounded time, starting from its seed corpus
# (tests/fuzz/corpus/<name>, regression inputs included: each is replayed
# first) and its dictionary when it has one. The seeds are copied, so a
# short run leaves the committed corpus alone. Fails on any crash, leak,
# time-out or sanitizer report; prints the executions per second. (A toolkit
# that takes over SIGALRM and SIGTERM can keep libFuzzer's own time-out from
# firing, so the run is also killed outright past its time.)
#   run-fuzz.sh FUZZER NAME WORKDIR [SECONDS] [-- extra libFuzzer flags]
set -euo pipefail
fuzzer=$1
name=$2
workdir=$3
seconds=${4:-${PELORN_FUZZ_SECONDS:-20}}
shift $(( $# < 4 ? $# : 4 ))
[ "${1:-}" = "--" ] && shift
here=$(cd "$(dirname "$0")" && pwd)

# State written per input lives in memory where it can: fsync on a disk
# would bound the file fuzzers by the disk, not by the code.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$base/pelorn-fuzz-$name-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/corpus" "$workdir"
if [ -d "$here/corpus/$name" ]; then cp -R "$here/corpus/$name/." "$scratch/corpus/"; fi
# PELORN_FUZZ_LEAKS=0 for a target whose toolkit unloads code that still
# owns memory (the leak checker then sees owners it cannot name).
leaks=${PELORN_FUZZ_LEAKS:-1}
# The target's own output (decoder warnings) is closed; sanitizer reports
# still reach the log.
flags=(-detect_leaks="$leaks" -close_fd_mask=2 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
       -artifact_prefix="$workdir/$name-")
if [ -f "$here/dict/$name.dict" ]; then flags+=(-dict="$here/dict/$name.dict"); fi

log="$workdir/$name-last-run.txt"
cd "$scratch"
# The priority signal of a fuzzed "stop" must not reach a real bus.
ASAN_OPTIONS="detect_leaks=$leaks:${ASAN_OPTIONS:-}" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$scratch/no-bus \
PELORN_STATE_DIR=$scratch/state PELORN_RUNTIME_DIR=$scratch/run PELORN_LOG_STDERR=0 \
  timeout -s KILL $((seconds + 60)) "$fuzzer" "${flags[@]}" "$@" "$scratch/corpus" > "$log" 2>&1 ||
  { tail -60 "$log"; echo "$name: failed (a hang past the run's time is killed)"; exit 1; }
read -r runs secs < <(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 \2/p' "$log")
rate=$(( ${runs:-0} / ( ${secs:-1} > 0 ? ${secs:-1} : 1 ) ))
echo "$name: ${runs:-?} executions in ${secs:-?} s, $rate exec/s, no crash" | tee "$workdir/$name-executions.txt"
