#!/usr/bin/env bash
# Ends ./scripts/run in every way a person does, with its real phone-sim,
# map-server and app, and checks after each that the phone-link key reads 0
# once phone-sim is gone: the next app must never take a phone that went for
# one that is there. ROUNDS repeats every way (the suite runs one round).
# The window is closed on a private Xvfb; the other ends run headless.
# Usage: run-ends-test.sh SOURCE_DIR BUILD_DIR [ROUNDS]
set -u
src=$1
build=$2
rounds=${3:-1}
[ "$(cd "$build" && pwd)" = "$(cd "$src/build" 2>/dev/null && pwd)" ] || {
  echo "SKIP: ./scripts/run serves the build/ tree of the checkout; this build is $build"
  exit 77
}
work=$(mktemp -d /tmp/pelorn-run-ends-XXXXXX)
. "$(dirname "$0")/checks.sh"
xvfb=
finish() {
  local pid
  for pid in $(ours "$work"); do kill -9 "$pid" 2>/dev/null; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

gone() { # pid seconds
  for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
pid_of() { # case program: its pid as the run recorded it
  awk -v p="$2" '$1 == p { print $2 }' "$work/$1/run/run.pids" 2>/dev/null | head -n 1
}
link_key() { # case
  PELORN_STATE_DIR="$work/$1/state" PELORN_RUNTIME_DIR="$work/$1/run" "$build/vconftool" get \
    memory/brig/brig_connected 2>&1
}
# The key reads 0 once phone-sim is gone; it read 1 while the phone was there.
reads_gone() { # case phone-pid
  gone "$2" 60 || { echo "  phone-sim $2 still runs"; return 1; }
  local value
  value=$(link_key "$1")
  [ "$value" = 0 ] || { echo "  memory/brig/brig_connected read '$value'"; return 1; }
}

if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
  Xvfb -displayfd 5 -screen 0 400x400x24 -nolisten tcp 5> "$work/display" > /dev/null 2>&1 &
  xvfb=$!
  wait_for "$work/display" "[0-9]" 15
fi
display=$(cat "$work/display" 2>/dev/null)

# One unbounded run in fresh folders, in a session of its own (a terminal's
# Ctrl-C reaches its whole group), with the toolkit's engine the run's own
# choice, as a user's is (the suite runs with the buffer engine):
# start NAME [VAR=VALUE...]
start() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  env -u DISPLAY -u WAYLAND_DISPLAY -u ELM_ENGINE PELORN_RUN_NO_BUILD=1 PELORN_RUN_AGREE=1 PELORN_RUN_SECONDS= \
    PELORN_MAP_SERVER_PORT="$(free_port)" \
    PELORN_STATE_DIR="$work/$name/state" PELORN_RUNTIME_DIR="$work/$name/run" "$@" \
    setsid timeout -s KILL 120 "$src/scripts/run" < /dev/null > "$work/$name.out" 2> "$work/$name.err" &
  runner=$!
  wait_for "$work/$name/state/phone-sim.out" "service connection" 60 || return 1
  phone=$(pid_of "$name" phone-sim)
  app=$(pid_of "$name" pelorn)
  script=$(pgrep -f "^bash $src/scripts/run\$" -P "$runner" | head -n 1)
  [ "$(link_key "$name")" = 1 ] && [ -n "$phone" ] && [ -n "$app" ] && [ -n "$script" ]
}

for round in $(seq "$rounds"); do
  if [ -n "$display" ]; then
    check "round $round: a run starts on the X server" start "window$round" DISPLAY=":$display"
    # The app may link to the phone before its window is on the screen.
    wid=
    for _ in $(seq 600); do
      wid=$(DISPLAY=":$display" xdotool search --onlyvisible --name '^Pelorn$' 2> /dev/null | head -n 1)
      [ -n "$wid" ] && break
      sleep 0.1
    done
    check "round $round: the app's window is on the screen" test -n "$wid"
    [ -n "$wid" ] && DISPLAY=":$display" "$(dirname "$0")/x-close-window.py" "$wid"
    check "round $round: the window closed, the run ends" gone "$runner" 60
    check "round $round: the window closed, the link reads gone" reads_gone "window$round" "$phone"
  fi

  check "round $round: a run starts" start "int$round"
  kill -INT -- "-$runner" 2> /dev/null # the terminal's Ctrl-C: the whole foreground group
  check "round $round: Ctrl-C, the run ends" gone "$runner" 60
  check "round $round: Ctrl-C, the link reads gone" reads_gone "int$round" "$phone"

  check "round $round: a run starts" start "app$round"
  kill -9 "$app"
  check "round $round: the app killed, the run ends" gone "$runner" 60
  check "round $round: the app killed, the link reads gone" reads_gone "app$round" "$phone"

  check "round $round: a run starts" start "phone$round"
  kill -9 "$phone"
  check "round $round: phone-sim killed, the link reads gone" reads_gone "phone$round" "$phone"
  kill -TERM "$script"
  check "round $round: phone-sim killed, the run still ends" gone "$runner" 60

  # The script killed outright leaves its app and phone-sim running: the
  # link is there for as long as phone-sim is.
  check "round $round: a run starts" start "script$round"
  kill -9 "$script"
  check "round $round: the script killed, the phone still reads there" test "$(link_key "script$round")" = 1
  kill -TERM "$phone"
  check "round $round: the script killed, the link reads gone with the phone" reads_gone "script$round" "$phone"
  for pid in $(ours "$work/script$round/"); do kill -9 "$pid" 2> /dev/null; done
  wait "$runner" 2> /dev/null
done

if [ "$failures" -ne 0 ]; then
  for f in "$work"/*.out "$work"/*.err; do
    echo "==== $f"
    head -c 3000 "$f"
  done
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed ($rounds round(s) of every end)"
