#!/usr/bin/env bash
# Runs the link receive fuzzer for a bounded time from a small seed corpus and
# reports how many inputs it executed. Fails on any crash or sanitizer report.
set -euo pipefail
fuzzer=$1
workdir=$2
seconds=${PELORN_FUZZ_SECONDS:-62}
corpus=$(mktemp -d)
state=$(mktemp -d)
trap 'rm -rf "$corpus" "$state"' EXIT

frame() { # type payload -> length-prefixed frame on stdout
  python3 -c 'import sys,struct; t=int(sys.argv[1]); p=sys.argv[2].encode(); sys.stdout.buffer.write(b"\x00"+struct.pack(">I",len(p)+3)+bytes([t])+b"\x00\x67"+p)' "$@"
}
i=0
for packet in \
  '{"msgId":"rux-startalert-rsp","result":"0","reason":"0"}' \
  '{"msgId":"rux-stopalert-rsp"}' \
  '{"msgId":"rux-founddevice-req","result":"0"}' \
  '{"msgId":"mgr_host_location_res","result":"0","hmlocsetting":"1","phonelocsetting":"1","latitude":"37.25","longitude":"127.05","address":"1 Main Street","city":"Springfield","country":"Freedonia","time":"1449216000"}' \
  '{"msgId":"mgr_location_setting_get_res","location":"1","remote":"1","highaccuracy":"0"}' \
  '{"msgId":"mgr_location_setting_set_res"}' \
  '{"msgId":"rux-startalert-rsp","result":1,"reason":3.5}{"x":"}"}' \
  '{"msgId":"?","a":[{"b":true}]}'; do
  frame 32 "$packet" > "$corpus/seed$i"
  i=$((i + 1))
done

log="$workdir/last-fuzz-run.txt"
# The priority signal of a fuzzed "stop" must not reach a real bus.
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$state/no-bus \
PELORN_STATE_DIR=$state/state PELORN_RUNTIME_DIR=$state/run PELORN_LOG_STDERR=0 \
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$workdir/" "$corpus" > "$log" 2>&1 || { tail -40 "$log"; exit 1; }
runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "$log")
echo "link fuzz: ${runs:-?} executions in ${seconds} s, no crash" | tee "$workdir/fuzz-executions.txt"
