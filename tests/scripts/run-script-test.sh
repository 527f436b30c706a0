#!/usr/bin/env bash
# Runs ./scripts/run headless the way a newcomer would, with real phone-sim,
# map-server and app processes, and checks what it prints, its exit status
# and that nothing it started outlives it. Every run is bounded: a run that
# would hang is killed and fails the case.
# Usage: run-script-test.sh SOURCE_DIR BUILD_DIR
set -u
src=$1
build=$2
[ "$(cd "$build" && pwd)" = "$(cd "$src/build" 2>/dev/null && pwd)" ] || {
  echo "SKIP: ./scripts/run serves the build/ tree of the checkout; this build is $build"
  exit 77
}
work=$(mktemp -d /tmp/pelorn-run-test-XXXXXX)
. "$(dirname "$0")/checks.sh"
helpers=()
finish() {
  local pid
  for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null; done
  # Whatever a failed case left: every process of ours carries the case's runtime folder.
  for pid in $(ours "$work"); do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap finish EXIT

lacks() { ! grep -q -- "$2" "$1"; }
none_left() { [ -z "$(ours "$1")" ]; }
# Processes of a run end when it does, but a pipe's reader can take a moment
# longer to see its writer gone: wait up to 5 s, then name what is left.
settled_none_left() {
  local pid
  for _ in $(seq 50); do none_left "$1" && return 0; sleep 0.1; done
  for pid in $(ours "$1"); do echo "  left running: $pid $(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)"; done
  return 1
}
# One run in fresh folders: run_case NAME [VAR=VALUE...]; leaves out/err/status in $work/NAME.*
run_case() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  env -u DISPLAY -u WAYLAND_DISPLAY PELORN_RUN_NO_BUILD=1 PELORN_STATE_DIR="$work/$name/state" \
    PELORN_RUNTIME_DIR="$work/$name/run" PELORN_SCREENSHOT_DIR="$work/$name/shots" PELORN_RUN_SECONDS=5 "$@" \
    timeout -s KILL 60 "$src/scripts/run" < "${RUN_STDIN:-/dev/null}" > "$work/$name.out" 2> "$work/$name.err"
  echo $? > "$work/$name.status"
}
status_is() { [ "$(cat "$work/$1.status")" = "$2" ]; }

# ---- the map port is taken: the run says so with map-server's reason and stops ----
"$build/map-server" --port 0 --port-file "$work/busy.port" > /dev/null 2>&1 &
helpers+=($!)
wait_for "$work/busy.port" "[0-9]" 10
busy=$(cat "$work/busy.port")
run_case busy PELORN_MAP_SERVER_PORT="$busy"
check "busy port: exit status 1" status_is busy 1
check "busy port: map-server's own reason is shown" has "$work/busy.err" "cannot listen on 127.0.0.1:$busy"
check "busy port: says what to do" has "$work/busy.err" "PELORN_MAP_SERVER_PORT"
check "busy port: never claims map-server started" lacks "$work/busy.out" "map-server is listening"
check "busy port: the app was not started" lacks "$work/busy.out" "the app's full log"
check "busy port: phone-sim it had started is gone" settled_none_left "$work/busy/"

# ---- PHONE_SIM_ARGS=--help: phone-sim printed help and ended; the run stops ----
port=$(free_port)
run_case help PELORN_MAP_SERVER_PORT="$port" PHONE_SIM_ARGS=--help
check "phone-sim --help: exit status 1" status_is help 1
check "phone-sim --help: its help is shown as the reason" has "$work/help.err" "Usage: phone-sim"
check "phone-sim --help: points at PHONE_SIM_ARGS" has "$work/help.err" 'check PHONE_SIM_ARGS ("--help")'
check "phone-sim --help: never claims phone-sim is the phone" lacks "$work/help.out" ") is the phone:"
check "phone-sim --help: map-server was not started" lacks "$work/help.out" "map-server is listening"
check "phone-sim --help: nothing left running" settled_none_left "$work/help/"

# ---- a bounded headless run: the phone's lines, no app trace, a clean log ----
# A second start from another terminal is handed to this one and rings the phone.
port=$(free_port)
(
  wait_for "$work/normal/state/phone-sim.out" "service connection" 30 &&
    PELORN_STATE_DIR="$work/normal/state" PELORN_RUNTIME_DIR="$work/normal/run" \
      timeout -s KILL 20 "$build/pelorn" --launch-searching > "$work/second.out" 2>&1 < /dev/null
) &
helpers+=($!)
run_case normal PELORN_MAP_SERVER_PORT="$port" PELORN_RUN_AGREE=1 PELORN_RUN_SECONDS=15
check "normal run: ends with status 0 when its time is up" status_is normal 0
check "normal run: shows the phone's lines" has "$work/normal.out" "\[phone\] watch connected"
check "normal run: says where the full log is" has "$work/normal.out" "the app's full log: $work/normal/state/pelorn.log"
check "normal run: the app's trace lines stay in the log" lacks "$work/normal.err" "E/pelorn-p("
check "normal run: no SO_REUSEPORT noise" lacks "$work/normal.err" "SO_REUSEPORT"
# (A late frame tick the toolkit reports depends on the machine's load, not on us.)
check "normal run: no error-tagged line on the terminal" \
  bash -c '! grep -v "should have slept" "$1" | grep -E " E/|ERR<|ERROR|ALSA lib|safety check|is not set"' _ \
  "$work/normal.err"
check "normal run: no stray colour codes on the terminal" lacks "$work/normal.err" $'\033'
check "normal run: the log holds the app's lines" has "$work/normal/state/pelorn.log" "E/pelorn-p("
check "normal run: no colour codes in the log" lacks "$work/normal/state/pelorn.log" $'\033'
check "second start: says it handed over" has "$work/second.out" "handed to the running app"
check "second start: the phone rang" has "$work/normal.out" 'recv {"msgId":"rux-startalert-req"'
check "normal run: nothing left running" settled_none_left "$work/normal/"

# ---- the terminal goes away (SIGHUP to the script): everything it started ends ----
port=$(free_port)
run_case hup PELORN_MAP_SERVER_PORT="$port" PELORN_RUN_SECONDS=40 &
runner=$!
helpers+=($runner)
wait_for "$work/hup.out" "the app's full log" 30
wait_for "$work/hup/state/phone-sim.out" "service connection" 20
script=$(pgrep -f "^bash $src/scripts/run\$" -P "$(pgrep -P "$runner" -x timeout)" | head -n 1)
check "sighup: the script is found" test -n "$script"
[ -n "$script" ] && kill -HUP "$script"
for _ in $(seq 100); do none_left "$work/hup/" && break; sleep 0.1; done
check "sighup: app, phone-sim and map-server ended within 10 s" none_left "$work/hup/"
wait "$runner"
check "sighup: exit status 129" status_is hup 129

# ---- leftovers: a run whose script was killed outright is cleaned by the next ----
port=$(free_port)
run_case killed PELORN_MAP_SERVER_PORT="$port" PELORN_RUN_SECONDS=40 2> /dev/null &
runner=$!
helpers+=($runner)
wait_for "$work/killed/state/phone-sim.out" "service connection" 30
script=$(pgrep -f "^bash $src/scripts/run\$" -P "$(pgrep -P "$runner" -x timeout)" | head -n 1)
[ -n "$script" ] && kill -9 "$script"
wait "$runner"
check "killed script: its app is still there to clean up" test -n "$(ours "$work/killed/")"
# What an app killed under an open popup leaves: the popup, owned by nobody.
PELORN_STATE_DIR="$work/killed/state" PELORN_RUNTIME_DIR="$work/killed/run" ELM_ENGINE=buffer PELORN_LOG_STDERR=0 \
  setsid "$build/com.quenlor.netly-popup" < /dev/null > /dev/null 2>&1 &
popup=$!
for _ in $(seq 100); do readlink "/proc/$popup/exe" | grep -q netly-popup && break; sleep 0.1; done
mv "$work/killed.out" "$work/killed-first.out"
run_case killed PELORN_MAP_SERVER_PORT="$port" PELORN_RUN_SECONDS=3
check "next run: ends the earlier run's app" has "$work/killed.out" "ending pelorn (pid [0-9]*), left running by an earlier run"
check "next run: ends the earlier run's phone-sim" has "$work/killed.out" "ending phone-sim (pid [0-9]*)"
check "next run: ends the popup left open" has "$work/killed.out" "ending com.quenlor.netly-popup (pid [0-9]*)"
check "next run: then runs normally" status_is killed 0
check "next run: nothing left running" settled_none_left "$work/killed/"

# ---- phone-sim killed mid-run: a lost phone, not the end; "attach" brings it back ----
port=$(free_port)
mkfifo "$work/lost.in"
exec 7<> "$work/lost.in" # the terminal: open for as long as the case types into it
RUN_STDIN=$work/lost.in run_case lost PELORN_MAP_SERVER_PORT="$port" PELORN_RUN_AGREE=1 PELORN_RUN_SECONDS= &
runner=$!
helpers+=($runner)
wait_for "$work/lost/state/phone-sim.out" "service connection" 30
kill -9 "$(awk '$1 == "phone-sim" { print $2 }' "$work/lost/run/run.pids" | head -n 1)"
wait_for "$work/lost.out" "phone-sim again" 20
check "phone killed: the run says so" has "$work/lost.out" "^\[phone\] exited (killed)$"
check "phone killed: the app goes on" kill -0 "$(awk '$1 == "pelorn" { print $2 }' "$work/lost/run/run.pids")"
echo attach >&7
check "attach: phone-sim starts again" wait_for "$work/lost.out" "phone-sim started again" 20
check "attach: the watch connects to the new phone-sim" wait_for "$work/lost/state/phone-sim.out" "watch connected" 30
script=$(pgrep -f "^bash $src/scripts/run\$" -P "$(pgrep -P "$runner" -x timeout)" | head -n 1)
[ -n "$script" ] && kill -TERM "$script"
wait "$runner"
exec 7>&-
check "phone killed: SIGTERM still ends the run" status_is lost 143
check "phone killed: nothing left running, popups included" settled_none_left "$work/lost/"

# ---- an app started by hand on the same folders: the run says what to do ----
mkdir -p "$work/byhand"
PELORN_STATE_DIR="$work/byhand/state" PELORN_RUNTIME_DIR="$work/byhand/run" ELM_ENGINE=buffer \
  "$build/vconftool" set -t bool db/brig/user_agreement/orzzib 1
PELORN_STATE_DIR="$work/byhand/state" PELORN_RUNTIME_DIR="$work/byhand/run" ELM_ENGINE=buffer PELORN_LOG_STDERR=0 \
  timeout -s KILL 60 "$build/pelorn" < /dev/null > /dev/null 2>&1 &
helpers+=($!)
for _ in $(seq 100); do [ -S "$work/byhand/run/apps/com.quenlor.pelorn.launch" ] && break; sleep 0.1; done
port=$(free_port)
run_case byhand PELORN_MAP_SERVER_PORT="$port"
check "app started by hand: exit status 1" status_is byhand 1
check "app started by hand: names it and what to do" has "$work/byhand.err" "already runs on $work/byhand/run"
check "app started by hand: it is left alone" test -n "$(ours "$work/byhand/")"

if [ "$failures" -ne 0 ]; then
  for f in "$work"/*.out "$work"/*.err; do
    echo "==== $f"
    head -c 4000 "$f"
  done
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
