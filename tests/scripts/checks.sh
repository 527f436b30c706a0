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
