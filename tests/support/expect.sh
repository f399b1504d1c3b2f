# The checks of the shell tests (sourced): each failed check says what it
# got, and finish ends the test with 1 when any failed.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # expect WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}
finish() { [ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }; exit 0; }
