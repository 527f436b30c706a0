#!/usr/bin/env bash
# Installs the built tree into a throw-away root as a package lays it out
# (cmake --install, prefix /usr), then runs the installed pelorn on a bare X
# server with the installed phone-sim and map-server, with the source and
# build trees hidden from it (a private mount namespace puts an empty folder
# over them): its first screen, a ring, and Locate with the map served by the
# installed map-server. Then it removes what it installed and checks that the
# run wrote nothing into the installed tree and that nothing is left.
# Every wait is for a condition, bounded only to catch a hang.
# Usage: install-test.sh SOURCE_DIR BUILD_DIR
set -u
src=$(cd "$1" && pwd -P)
build=$(cd "$2" && pwd -P)
command -v Xvfb > /dev/null || { echo "SKIP: Xvfb is not installed (./scripts/install-deps installs it)"; exit 77; }
unshare --mount true 2> /dev/null || { echo "SKIP: no mount namespace here to hide the build tree with"; exit 77; }

work=$(mktemp -d /tmp/pelorn-install-test-XXXXXX)
root=$work/root
. "$(dirname "$0")/checks.sh"
# Everything the run starts carries this folder in its environment.
ours() {
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$pid" = $$ ] && continue
    tr '\0' '\n' 2> /dev/null < "/proc/$pid/environ" | grep -qx "PELORN_RUNTIME_DIR=$work/run" && echo "$pid"
  done
}
finish() {
  local pid
  for pid in $(ours); do kill -9 "$pid" 2> /dev/null; done
  rm -rf "$work"
}
trap finish EXIT

# ---- install ----
DESTDIR=$root cmake --install "$build" --prefix /usr > "$work/install.out" 2>&1
check "cmake --install into the root succeeds" test $? -eq 0
manifest=$build/install_manifest.txt
# The manifest names the files as the prefix sees them.
sed "s|^|$root|" "$manifest" | sort > "$work/installed.list"
check "everything installed is in the root" test -z "$(while read -r f; do [ -e "$f" ] || echo "$f"; done < "$work/installed.list")"
check "only the prefix was written" test -z "$(grep -v '^/usr/' "$manifest")"
for f in usr/bin/pelorn usr/bin/phone-sim usr/bin/map-server usr/bin/vconftool usr/bin/desktop-bridge \
  usr/libexec/pelorn/com.quenlor.permissionpopup usr/share/pelorn/contents/theme/circle.edj \
  usr/share/man/man1/pelorn.1 usr/share/applications/com.quenlor.pelorn.desktop \
  usr/share/metainfo/com.quenlor.pelorn.metainfo.xml usr/lib/systemd/user/pelorn-desktop-bridge.service; do
  check "installed: /$f" test -e "$root/$f"
done
check "no static library or build file is installed" test -z "$(grep -e '\.a$' -e 'cmake' -e 'CMakeFiles' "$manifest")"
touch "$work/before-run"

# ---- run, with the source and build trees out of sight ----
hide=$src
case "$build/" in "$src"/*) ;; *) hide="$src $build" ;; esac
# The folders an installed Pelorn of this account would use by default.
own_folders() {
  local dir
  for dir in "$HOME/.local/state/pelorn" "${XDG_STATE_HOME:-/nonexistent}/pelorn" \
    "${XDG_RUNTIME_DIR:-/nonexistent}/pelorn" "${TMPDIR:-/tmp}/pelorn-$(id -u)"; do
    ls -ld --time-style=full-iso "$dir" 2>&1
  done
}
own_folders > "$work/own.before"
mkdir -p "$work/home" "$work/state" "$work/run" "$work/xdg-run"
chmod 700 "$work/state" "$work/run" "$work/xdg-run"
# The program that plays a person: every step waits for what the previous one
# should have caused, then acts. It runs inside the namespace too, on the
# installed programs only (PATH names the root's bin and nothing of ours).
cat > "$work/session.sh" << 'EOF'
set -u
for dir in $HIDE; do
  mount -t tmpfs -o size=1m,mode=0555 pelorn-hidden "$dir" || exit 90
  [ -z "$(ls -A "$dir")" ] || exit 91
done
# The tests' tree sat inside it; nothing below may be needed from here on.
cd /
log=$PELORN_STATE_DIR/pelorn.log
wait_for() { # file text: up to a generous bound
  for _ in $(seq 1200); do grep -q -- "$2" "$1" 2> /dev/null && return 0; sleep 0.1; done
  echo "no \"$2\" in $1" >&2
  return 1
}
step() { echo "step: $*"; }
click() { python3 "$WORK/click.py" "$1" "$2"; }
vconftool set -t bool db/brig/user_agreement/orzzib 1 || exit 92
for kv in "int db/retailmode/enabled 0" "string db/menu_widget/language en_US.UTF-8" \
  "bool db/location/setting/enabled 1" "int db/setting/data_restriction 0"; do
  set -- $kv
  vconftool set -t "$1" "$2" "$3" || exit 92
done
Xvfb -displayfd 3 -screen 0 360x360x24 -nolisten tcp 3> "$WORK/display" 2> "$WORK/xvfb.err" &
wait_for "$WORK/display" "[0-9]" || exit 93
export DISPLAY=:$(cat "$WORK/display")
mkfifo "$WORK/phone.in"
sleep infinity > "$WORK/phone.in" &
phone-sim < "$WORK/phone.in" > "$WORK/phone.out" 2>&1 &
wait_for "$WORK/phone.out" "^listening " || exit 94
export PELORN_CA_FILE=$PELORN_STATE_DIR/map-server-ca.pem
map-server --port 0 --port-file "$PELORN_RUNTIME_DIR/map.port" --ca-file "$PELORN_CA_FILE" > "$WORK/map.out" 2>&1 &
wait_for "$PELORN_RUNTIME_DIR/map.port" "[0-9]" || exit 95
vconftool set -t string memory/dnet/proxy "http://127.0.0.1:$(cat "$PELORN_RUNTIME_DIR/map.port")" || exit 95
step "start the app, ringing at once"
PELORN_FIRST_FRAME_FD=3 pelorn --start-searching 3> "$WORK/frame" > "$WORK/pelorn.out" 2>&1 &
echo "$!" > "$WORK/pelorn.pid"
wait_for "$WORK/frame" "^frame" || exit 96
wait_for "$log" "PelornView :: TransitionFinished" || exit 96
wait_for "$WORK/phone.out" '"msgId":"rux-startalert-req"' || exit 97
step "the phone is found"
echo found > "$WORK/phone.in"
wait_for "$WORK/phone.out" "^found: ringing stopped" || exit 98
# Its "Phone found" toast would take the next tap.
wait_for "$log" "ToastPopup.cpp: DismissedCb.*Dismissed" || exit 98
step "the menu, then Locate in it"
click 352 180
wait_for "$log" "more option opened" || exit 99
click 180 180
wait_for "$log" "More Button - 0" || exit 100
wait_for "$WORK/map.out" "GET .* -> 200" || exit 101
wait_for "$log" "map picture kept for the last known position" || exit 102
for dir in $HIDE; do ls -A "$dir"; done > "$WORK/hidden.after"
cp "/proc/$(cat "$WORK/pelorn.pid")/maps" "$WORK/pelorn.maps"
# The X server removes its lock and socket when it is asked to end.
kill $(jobs -p) 2> /dev/null
wait
exit 0
EOF
cat > "$work/click.py" << 'EOF'
"""A tap where a person would tap: pointer there, button 1 down and up (XTest)."""
import ctypes
import sys
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 4
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
xtst.XTestFakeMotionEvent(display, -1, int(sys.argv[1]), int(sys.argv[2]), 0)
xtst.XTestFakeButtonEvent(display, 1, 1, 0)
xtst.XTestFakeButtonEvent(display, 1, 0, 80)
x11.XFlush(display)
x11.XCloseDisplay(display)
EOF
env -i PATH="$root/usr/bin:/usr/bin:/bin" LD_LIBRARY_PATH="$root/usr/lib" HOME="$work/home" \
  XDG_RUNTIME_DIR="$work/xdg-run" XDG_STATE_HOME="$work/home/.local/state" XDG_CACHE_HOME="$work/home/.cache" \
  XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" TMPDIR="$work" \
  PELORN_STATE_DIR="$work/state" PELORN_RUNTIME_DIR="$work/run" \
  PELORN_LOG_STDERR=0 ECORE_NO_SYSTEM_MODULES=1 EINA_LOG_BACKTRACE=-1 \
  WORK="$work" HIDE="$hide" \
  timeout -s KILL 270 unshare --mount bash "$work/session.sh" > "$work/session.out" 2>&1
status=$?
check "the session ran to its end (status $status; see the steps below)" test "$status" -eq 0
sed 's/^/  /' "$work/session.out"
[ "$status" -eq 0 ] || { for f in phone.out map.out pelorn.out state/pelorn.log; do echo "--- $f"; grep -v "^ringing: " "$work/$f" 2> /dev/null | tail -n 40; done; }
check "the hidden trees were still hidden at the end" test ! -s "$work/hidden.after" -a -e "$work/hidden.after"
check "the app's layouts were mapped from the root" has "$work/pelorn.maps" " $root/usr/share/pelorn/contents/"
check "nothing of the hidden trees was mapped" test -z "$(grep -e " $src/" -e " $build/" "$work/pelorn.maps")"
for pid in $(ours); do kill "$pid" 2> /dev/null; done
check "the account's own Pelorn folders were left alone" diff <(own_folders) "$work/own.before"

# ---- remove ----
check "the run wrote nothing into the installed tree" test -z "$(find "$root" -newer "$work/before-run")"
while read -r f; do rm -f "$f"; done < "$work/installed.list"
find "$root" -depth -type d -empty -delete
check "removing what was installed leaves nothing" test ! -e "$root"
check "nothing installed is left anywhere" test -z "$(while read -r f; do [ -e "$f" ] && echo "$f"; done < "$work/installed.list")"
[ "$failures" -eq 0 ] && echo "all checks passed" || echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
