#!/bin/bash
# Self-test of tests/sandbox/run, the throw-away copy of this machine that the
# system tests run in. Exits 0 when every check holds, 1 with a message per
# failed check, 77 (skipped) when not root or when namespaces cannot be made.
#
# Everything that writes /usr, /etc, /var or /tmp does so inside a sandbox
# whose root has first been checked to be an overlay; the host only gets
# scratch files below the build tree (or /var/tmp when run by hand).

set -u

source_dir=${ZORVO_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
source "$source_dir/tests/system/checks.sh"
sandbox=$source_dir/tests/sandbox/run

((EUID == 0)) || skip "the sandbox needs root"
command -v unshare >/dev/null || skip "unshare is not installed"
unshare --mount --pid --fork true 2>/dev/null || skip "unshare cannot make namespaces here"

work=$(mktemp -d "${ZORVO_BINARY_DIR:-/var/tmp}/sandbox_test.XXXXXX") || exit 1
host_pids=()
cleanup() {
	((${#host_pids[@]} > 0)) && kill -KILL "${host_pids[@]}" 2>/dev/null
	rm -rf --one-file-system -- "$work"
}
trap cleanup EXIT

# The sandbox's scratch directories are made here, so that each run can be
# checked to leave none behind.
export ZORVO_SANDBOX_DIR=$work/scratch
mkdir "$ZORVO_SANDBOX_DIR"

# inside NAME: writes the script on standard input to $work/NAME.sh, for the
# sandbox to run with sh, behind a guard that stops it before it writes
# anything when / is not the sandbox's overlay.
inside() {
	{
		# shellcheck disable=SC2016 # expanded by the script inside
		echo '[ "$(findmnt -n -o FSTYPE /)" = overlay ] || { echo "not in a sandbox" >&2; exit 99; }'
		cat
	} >"$work/$1.sh"
}

# sandbox [OPTIONS] [--] COMMAND...: runs the sandbox with standard input from
# $input (empty by default); leaves the output in $out, $err and the exit
# status in $status, and checks that no scratch directory is left.
input=
sandbox() {
	printf '%s' "$input" | "$sandbox" "$@" >"$work/out" 2>"$work/err"
	status=$?
	out=$(<"$work/out")
	err=$(<"$work/err")
	local left
	left=$(ls -A "$ZORVO_SANDBOX_DIR")
	[[ -z $left ]] && return
	fail "scratch left after sandbox $*: $left"
	rm -rf --one-file-system -- "${ZORVO_SANDBOX_DIR:?}"/*
}

# --- Exit statuses and the sandbox's own errors -----------------------------
mkdir "$work/notempty" && touch "$work/notempty/x"
# status|stderr|arguments (shell words; @WORK@ in stderr stands for $work)
argv=()
while IFS='|' read -r want_status want_err args; do
	eval "argv=($args)"
	sandbox "${argv[@]}"
	check "status of $args" "$want_status" "$status"
	check "stderr of $args" "${want_err//@WORK@/$work}" "$err"
done <<'EOF'
0||sh -c 'exit 0'
3||sh -c 'echo out; exit 3'
143||sh -c 'kill $$'
130||sh -c 'kill -INT $$'
137||sh -c 'kill -KILL $$'
127|sh: 1: exec: zv-no-such-command: not found|zv-no-such-command
125|sandbox: no command given (try --help)|
125|sandbox: no command given (try --help)|--keep-upper "$work/k1"
125|sandbox: unknown option --bogus (try --help)|--bogus true
125|sandbox: @WORK@/notempty exists and is not an empty directory|--keep-upper "$work/notempty" true
EOF
[[ -e $work/k1 ]] && fail "a refused run made its keep directory"

# --- Standard streams and the working directory -----------------------------
mkdir "$work/cwd"
input=$'line 1\nline 2\n'
cd "$work/cwd" || exit 1
sandbox sh -c 'cat; pwd; echo to-stderr >&2'
cd "$OLDPWD" || exit 1
input=
check "stdin and cwd passed through" $'line 1\nline 2\n'"$work/cwd" "$out"
check "stderr passed through" "to-stderr" "$err"
check "status with streams" 0 "$status"

# --- Processes ---------------------------------------------------------------
# A process of the host with a name of its own must not show inside.
cp /usr/bin/sleep "$work/zvhostmark"
"$work/zvhostmark" 30 &
host_pids+=("$!")
disown
# A process the command leaves running must not outlive the sandbox.
leftover=zvleft$$
inside procs <<'EOF'
cp /usr/bin/sleep /tmp/qvadmin
cp /usr/bin/sleep "/tmp/$1"
"/tmp/$1" 30 &
/tmp/qvadmin 30 &
echo "started $!"
ps -ace
EOF
sandbox sh "$work/procs.sh" "$leftover"
check "status of the process listing" 0 "$status"
started=$(sed -n 's/^started //p' <<<"$out")
listing=$(sed '1,2d' <<<"$out")
check "ps -ace header" "    PID CLS PRI TTY          TIME CMD" "$(sed -n 2p <<<"$out")"
check "process names inside" "$(printf '%s\n' bash ps qvadmin sh "$leftover" | sort)" \
	"$(awk '{ print $6 }' <<<"$listing" | sort)"
check "pid of qvadmin" "$started" "$(awk '$6 == "qvadmin" { print $1 }' <<<"$listing")"
pgrep -x "$leftover" >/dev/null && fail "a process left behind by the command survived the sandbox"

# --- Users and replaced tools ------------------------------------------------
sandbox setpriv --reuid=65534 --regid=65534 --clear-groups whoami
check "whoami as 65534" nobody "$out"

tools=(/usr/bin/df /usr/sbin/lpd /usr/sbin/cupsd)
host_tools() {
	local tool
	for tool in "${tools[@]}"; do
		if [[ -e $tool ]]; then
			printf '%s %s\n' "$tool" "$(cksum <"$tool")"
		else
			printf '%s missing\n' "$tool"
		fi
	done
}
tools_before=$(host_tools)
inside stubs <<'EOF'
for tool in "$@"; do
	printf '#!/bin/sh\necho stub "$0" "$@"\n' >"$tool"
	chmod 755 "$tool"
done
df -k /
lpd -V
cupsd -f
EOF
sandbox sh "$work/stubs.sh" "${tools[@]}"
check "stub tools" $'stub /usr/bin/df -k /\nstub /usr/sbin/lpd -V\nstub /usr/sbin/cupsd -f' "$out"
check "host tools untouched" "$tools_before" "$(host_tools)"

# --- Writes stay inside --------------------------------------------------------
mark=zvsandbox-mark.$$
echo host >"$work/fixture"
places=(/usr /etc /var /tmp "$work" "$source_dir")
inside writes <<'EOF'
# /tmp and /dev/shm start empty.
for dir in /tmp /dev/shm; do echo "$(findmnt -n -o FSTYPE "$dir") $(ls -A "$dir" | wc -l)"; done
fixture=$1 mark=$2
shift 2
echo sandbox >"$fixture"
for dir in "$@"; do echo "in $dir" >"$dir/$mark"; done
cat "$fixture"
for dir in "$@"; do cat "$dir/$mark"; done
EOF
sandbox sh "$work/writes.sh" "$work/fixture" "$mark" "${places[@]}"
check "writes seen inside" "tmpfs 0"$'\n'"tmpfs 0"$'\n'"sandbox$(printf '\nin %s' "${places[@]}")" "$out"
for dir in "${places[@]}"; do
	if [[ -e $dir/$mark ]]; then
		fail "$dir/$mark reached the host"
		rm -f -- "${dir:?}/$mark"
	fi
done
check "host file after a write inside" host "$(<"$work/fixture")"

# --- What --keep-upper keeps --------------------------------------------------
fix=$work/keep-fixture
mkdir -p "$fix/olddir"
echo old >"$fix/changeme" && chmod 644 "$fix/changeme"
echo doomed >"$fix/doomed"
echo inside >"$fix/olddir/file"
inside changes <<'EOF'
cd "$1" || exit 99
echo new >created
chmod 755 changeme
rm doomed
rm -r olddir && mkdir olddir && echo fresh >olddir/fresh
exit 5
EOF
sandbox --keep-upper "$work/upper" sh "$work/changes.sh" "$fix"
upper=$work/upper$fix
check "status with --keep-upper" 5 "$status"
check "created file kept" new "$(cat "$upper/created" 2>&1)"
check "changed mode kept" "755 old" "$(stat -c %a "$upper/changeme" 2>&1) $(cat "$upper/changeme" 2>&1)"
check "removed file kept as a whiteout" "character special file 0:0" \
	"$(stat -c '%F %t:%T' "$upper/doomed" 2>&1)"
check "remade directory kept as opaque" "y fresh" \
	"$(getfattr --absolute-names --only-values -n trusted.overlay.opaque "$upper/olddir" 2>&1) $(ls "$upper/olddir")"
check "host fixture after --keep-upper" "644 doomed inside" \
	"$(stat -c %a "$fix/changeme") $(cat "$fix/doomed") $(cat "$fix/olddir/file")"

# --- Other mounts below / ------------------------------------------------------
# In a mount namespace of this test: a read-write tmpfs holds a file the
# sandbox changes (the change must stay in the sandbox and show in the kept
# upper layer); a read-only one is left out, so a working directory in it
# does not exist inside and the command starts in /.
mkdir "$work/rw" "$work/ro"
inside mounts <<'EOF'
pwd
cat "$1/rw/file"
echo sandbox >"$1/rw/file"
EOF
cat >"$work/mounts-host.sh" <<'EOF'
work=$1 sandbox=$2
mount --make-rprivate / &&
	mount -t tmpfs tmpfs "$work/rw" && echo host >"$work/rw/file" &&
	mount -t tmpfs tmpfs "$work/ro" && mkdir "$work/ro/dir" &&
	mount -o remount,ro "$work/ro" || exit 99
cd "$work/ro/dir" || exit 99
"$sandbox" --keep-upper "$work/mounts-upper" sh "$work/mounts.sh" "$work"
echo "status $?"
cat "$work/rw/file"
EOF
mounts_out=$(unshare --mount bash "$work/mounts-host.sh" "$work" "$sandbox" 2>&1)
check "mounts below /" "/ host status 0 host" "$(tr '\n' ' ' <<<"$mounts_out" | sed 's/ $//')"
check "kept change below a mount" sandbox "$(cat "$work/mounts-upper$work/rw/file" 2>&1)"

# --- Interrupts ----------------------------------------------------------------
# stop_run SIGNAL STATUS: starts a sandbox whose command sleeps, sends SIGNAL
# to the sandbox script once the command runs, and checks the script's exit
# status, that the command is gone and (but after SIGKILL, which no trap
# sees) that no scratch directory is left.
stop_run() {
	local signal=$1 want=$2 name=zvint$$ pid tries
	# A background command ignores SIGINT unless it is restored.
	env --default-signal=INT "$sandbox" sh -c "cp /usr/bin/sleep /tmp/$name && exec /tmp/$name 30" &
	pid=$!
	for ((tries = 0; tries < 500; tries++)); do
		pgrep -x "$name" >/dev/null && break
		sleep 0.01
	done
	kill "-$signal" "$pid"
	wait "$pid" 2>/dev/null
	check "status after SIG$signal" "$want" "$?"
	for ((tries = 0; tries < 100; tries++)); do
		pgrep -x "$name" >/dev/null || break
		sleep 0.01
	done
	pgrep -x "$name" >/dev/null && fail "the command survived SIG$signal of the sandbox"
	if [[ $signal != KILL && -n $(ls -A "$ZORVO_SANDBOX_DIR") ]]; then
		fail "scratch left after SIG$signal"
	fi
	rm -rf --one-file-system -- "${ZORVO_SANDBOX_DIR:?}"/*
}
for signal in TERM:143 INT:130 HUP:129 KILL:137; do
	stop_run "${signal%:*}" "${signal#*:}"
done

if ((failures > 0)); then
	echo "sandbox_test: $failures check(s) failed" >&2
	exit 1
fi
echo "sandbox_test: all checks passed"
