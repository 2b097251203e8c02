# Sourced by the end-to-end tests of the Windows programs: Wine's program, a work folder removed at
# exit (a script with more to end sets its own trap and removes it there), failures counted by fail
# and told by end_checks.
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# end_checks NAME LINE: status 1 after any failure, saying how many; else LINE.
end_checks() {
  if [ "$failures" -gt 0 ]; then
    echo "$1: $failures failure(s)" >&2
    exit 1
  fi
  echo "$1: $2"
}
