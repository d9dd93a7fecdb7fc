# Shared by the shell tests of this directory (sourced, not run):
#   skip TEXT               ends the test as skipped (status 77)
#   fail TEXT               records a failed check and goes on
#   check WHAT EXPECTED ACTUAL
# Each test ends with status 1 when $failures is not 0.

failures=0

skip() {
	echo "SKIP: $*"
	exit 77
}

fail() {
	printf 'FAIL: %s\n' "$*" >&2
	failures=$((failures + 1))
}

check() {
	[[ $2 == "$3" ]] || fail "$1: expected [$2], got [$3]"
}
