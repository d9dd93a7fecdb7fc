#!/bin/bash
# Times the installer against a plain shell script that does the same work:
# in one run, the demo site is installed by setup and by the hand-written
# demo_install.sh, each several times, alternately, every installation in a
# fresh sandbox (tests/sandbox/run) so that each starts from the same
# machine. Only the installation itself is timed, inside the sandbox. Prints
# the median wall time of each and their ratio setup / script (the goal is
# 1.3 at most).
#
# Usage: bench/install_bench.sh [BUILD_DIR [ROUNDS]]   (as root)
#
# setup runs every tool through sh -c, and adds what a plain script leaves
# out: the free-space check (df, du), the user, spooler and process queries,
# and its run log.

set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "${1:-$source_dir/build}")
rounds=${2:-7}
sandbox=$source_dir/tests/sandbox/run

((EUID == 0)) || {
	echo "install_bench: must be run as root (the sandbox needs it)" >&2
	exit 2
}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || {
	echo "install_bench: bad number of rounds '$rounds'" >&2
	exit 2
}

site=$build_dir/bench-site
"$build_dir/bin/mksite" --quiet --force -b 2K "$source_dir/data/demo" "$site"

# timed COMMAND...: runs COMMAND in a fresh sandbox, from the site, with no
# input; prints its wall time in microseconds. A failing installation ends
# the benchmark.
timed() {
	# shellcheck disable=SC2016 # expanded by the shell inside
	ZORVO_BENCH_SANDBOX=1 "$sandbox" -- /bin/bash -c '
		cd "$1" && shift
		start=$EPOCHREALTIME
		"$@" </dev/null >/dev/null 2>&1 || { echo "failed: $* ($?)" >&2; exit 1; }
		end=$EPOCHREALTIME
		echo $(( (${end/./} - ${start/./}) ))
		[ -x /usr/Zorvo/qvxx/qvsf ] || { echo "not installed by $*" >&2; exit 1; }' \
		timed "$site" "$@"
}

median() {
	sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

setup_times=() script_times=()
timed "$site/setup" >/dev/null # warm the caches
timed "$source_dir/bench/demo_install.sh" "$site" >/dev/null
for ((i = 1; i <= rounds; i++)); do
	setup_times+=("$(timed "$site/setup")")
	script_times+=("$(timed "$source_dir/bench/demo_install.sh" "$site")")
done

setup_median=$(printf '%s\n' "${setup_times[@]}" | median)
script_median=$(printf '%s\n' "${script_times[@]}" | median)
awk -v s="$setup_median" -v h="$script_median" -v n="$rounds" 'BEGIN {
	printf "installation of the demo site, median of %d runs each, wall time:\n", n
	printf "  setup              %8.1f ms\n", s / 1000
	printf "  hand-written script %7.1f ms\n", h / 1000
	printf "  ratio setup/script %8.2f   (goal: at most 1.30)\n", s / h
}'
echo "  setup runs (ms):  $(printf '%s\n' "${setup_times[@]}" | awk '{ printf "%.1f ", $1 / 1000 }')"
echo "  script runs (ms): $(printf '%s\n' "${script_times[@]}" | awk '{ printf "%.1f ", $1 / 1000 }')"
