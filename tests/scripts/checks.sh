# Shared by the script tests: each check prints one line, and the failures
# are counted for the exit status.
failures=0
check() { # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
has() { grep -q -- "$2" "$1" 2> /dev/null; }

# Pids of our processes whose environment names a folder under $1. efreetd
# is the user's shared EFL daemon, not the run's, even when the app had to
# start it (it ends by itself when idle).
ours() {
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$pid" = $$ ] && continue
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = efreetd ] && continue
    tr "\\0" "\\n" 2>/dev/null < "/proc/$pid/environ" | grep -q "^PELORN_RUNTIME_DIR=$1" && echo "$pid"
  done
}
wait_for() { # file text seconds
  for _ in $(seq $(($3 * 10))); do grep -q -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
free_port() { # a port map-server itself found free (uses $work and $build)
  local file=$work/port.$RANDOM
  "$build/map-server" --port 0 --port-file "$file" > /dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 50); do [ -s "$file" ] && break; sleep 0.1; done
  kill "$pid"
  wait "$pid" 2>/dev/null
  cat "$file"
}
