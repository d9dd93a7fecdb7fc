#!/bin/bash
# Tests of preview: the installation from the demo site is run in the sandbox
# and reported (created files with modes, owners and link targets, output,
# status, run log) while the host stays unchanged; a stand-in installer shows
# the report of changed and removed entries. Needs root; exits 77 without.

set -u

source_dir=${ZORVO_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
source "$source_dir/tests/system/checks.sh"
binary_dir=${ZORVO_BINARY_DIR:-$source_dir/build}
preview=$binary_dir/bin/preview

((EUID == 0)) || skip "the sandbox needs root"
command -v unshare >/dev/null || skip "unshare is not installed"
unshare --mount --pid --fork true 2>/dev/null || skip "unshare cannot make namespaces here"

mkdir -p "$binary_dir/test-scratch"
work=$(mktemp -d "$binary_dir/test-scratch/preview_test.XXXXXX") || exit 1
trap 'rm -rf --one-file-system -- "$work"' EXIT
export ZORVO_PREVIEW_DIR=$work/scratch ZORVO_SANDBOX_DIR=$work/sandbox
mkdir "$ZORVO_PREVIEW_DIR" "$ZORVO_SANDBOX_DIR"

# has WHAT LINE: the report holds LINE as a line of its own.
has() {
	grep -qxF -- "$2" <<<"$out" || fail "$1: no line [$2] in the report:"$'\n'"$out"
}

# run ARGS...: runs preview with standard input from $input; leaves $status,
# $out and $err, and checks that no scratch directory is left.
input=
run() {
	printf '%s' "$input" | "$preview" "$@" >"$work/out" 2>"$work/err"
	status=$?
	out=$(<"$work/out")
	err=$(<"$work/err")
	check "scratch left by preview $*" "" "$(find "$ZORVO_PREVIEW_DIR" "$ZORVO_SANDBOX_DIR" -mindepth 1 -maxdepth 1)"
}

# entry ACTION MODE OWNER GROUP SIZE PATH [REST]: a line of the change list.
entry() {
	printf '  %-8s %-10s %-8s %-8s %7s  %s' "$1" "$2" "$3" "$4" "$5" "$6"
	[[ -n ${7:-} ]] && printf ' %s' "$7"
}

size_of() {
	stat -c %s -- "$source_dir/data/demo/pkg/$1"
}

# --- The demo site ----------------------------------------------------------------
# What the installation makes must not be there before or after.
host_paths=(/usr/Zorvo /usr/bin/qvqadmin /usr/sbin/OmbrinD /usr/share/doc/zorvo-qvxx
	/var/spool/Zorvo)
for path in "${host_paths[@]}"; do
	[[ -e $path || -h $path ]] && skip "$path exists on this machine"
done
# The installer's files in /tmp (the host's /tmp may hold some of an earlier run).
tmp_state() {
	local path
	for path in /tmp/setup.log /tmp/setup.tmp /tmp/ZorvoInstall; do
		stat -c '%n %s %Y' -- "$path" 2>/dev/null || echo "$path missing"
	done
}
tmp_before=$(tmp_state)

site=$work/site
"$binary_dir/bin/mksite" --quiet -b 2K "$source_dir/data/demo" "$site" || exit 1
run --keep "$work/kept" "$site"
check "status of the demo" 0 "$status"
check "error output of the demo" "" "$err"
has "the heading" "Preview of the installation: $site/setup"
has "the promise" "(run as root in a sandbox: nothing on this machine has changed)"
has "the exit status" "Exit status: 0"
[[ $out == *$'\nOutput:\n  | ...'* ]] || fail "the installer's dots are not shown: $out"
has "the application directory" "$(entry created drwxr-xr-x root root - /usr/Zorvo/qvxx)"
has "a set-user-id program" \
	"$(entry created -rwsr-xr-x root lp "$(size_of qvrqvxxtty)" /usr/Zorvo/qvxx/qvrqvxxtty)"
has "an owner" "$(entry created -r--r--r-- lp root "$(size_of ppd/ZQV200.ppd)" /usr/Zorvo/qvxx/ppd/ZQV200.ppd)"
has "a renamed file" "$(entry created -rwxr-xr-x root root "$(size_of qvadmin.sh)" /usr/Zorvo/qvxx/qvadmin)"
has "a link" "$(entry created lrwxrwxrwx root root - /usr/sbin/OmbrinD "-> /usr/Zorvo/qvxx/OmbrinD")"
has "a directory for everybody" "$(entry created drwxrwxrwx root root - /var/spool/Zorvo/qvxx/__qva_download__)"
has "a touched file" "$(entry created -rw-rw-rw- root root 0 /usr/Zorvo/qvxx/log/qvxx.log)"
grep -q "^  created  -rwxr-xr-x root     root     *[0-9]*  /usr/bin/qvqadmin$" <<<"$out" ||
	fail "no launcher /usr/bin/qvqadmin in the report"
grep -q "^  created  -rw-r----- root     lp       *[0-9]*  /usr/Zorvo/qvxx/qvxx.conf$" <<<"$out" ||
	fail "no edited configuration in the report"
# (changed rather than created when the host's /tmp holds a log of an earlier run)
grep -qE "^  (created|changed)  -rw-rw-rw- root     root     *[0-9]*  /tmp/setup.log( |$)" <<<"$out" ||
	fail "the run log is not among the changes"
for path in /usr /usr/bin /var /var/spool /usr/Zorvo/qvxx/qvxx.old /usr/Zorvo/qvxx/ppd/ZQV900.ppd \
	/tmp/ZorvoInstall; do
	grep -qE "^  (created|changed|removed|replaced) .*  $path\$" <<<"$out" && fail "$path is reported"
done
grep -q zorvo-preview <<<"$out" && fail "the preview's own files are reported"
[[ $out == *$'\nRun log /tmp/setup.log:\n  | initializing system\n'* ]] || fail "no run log: $out"
[[ $out =~ $'\n'"  "[0-9]+" created, "[01]" changed, 0 removed"$'\n' ]] || fail "no summary line"

for path in "${host_paths[@]}"; do
	[[ -e $path || -h $path ]] && fail "$path reached the host"
done
check "the installer's files in the host's /tmp" "$tmp_before" "$(tmp_state)"
[[ -x $work/kept/usr/Zorvo/qvxx/qvsf ]] || fail "--keep kept no qvsf"
check "--keep without the preview's files" "" "$(ls -d "$work"/kept/.zorvo-preview* 2>/dev/null)"

# --- Changed, removed and replaced entries ---------------------------------------
# A stand-in installer changes a fixture below the build tree in every way.
fix=$work/fix
mkdir -p "$fix/olddir" "$work/fake"
for name in contents modeonly owneronly doomed touched; do
	echo old >"$fix/$name"
	chmod 644 "$fix/$name"
done
echo inside >"$fix/olddir/file"
mkdir -p "$fix/gonedir/sub"
ln -s first "$fix/link"
cat >"$work/fake/fake" <<'EOF'
#!/bin/sh
read answer
echo "answer: $answer"
echo "to stderr" >&2
cd "$1" || exit 99
echo new >created && chmod 640 created
echo changed >contents
chmod 700 modeonly
chown 65534 owneronly
rm doomed
touch -m -d 2001-01-01 touched
ln -sfn other link
rm -r olddir && mkdir olddir
rm -r gonedir
echo log >/tmp/fake.log
exit 3
EOF
chmod 755 "$work/fake/fake"
input=$'yes\n'
run --program fake "$work/fake" "$fix"
input=
check "status of the stand-in" 3 "$status"
has "its output" "  | answer: yes"
[[ $out == *$'\nError output:\n  | to stderr\nExit status: 3\n'* ]] || fail "error output and status: $out"
has "created" "$(entry created -rw-r----- root root 4 "$fix/created")"
has "contents" "$(entry changed -rw-r--r-- root root 8 "$fix/contents")  (contents; was: -rw-r--r-- root root 4)"
has "mode" "$(entry changed -rwx------ root root 4 "$fix/modeonly")  (mode; was: -rw-r--r-- root root 4)"
has "owner" "$(entry changed -rw-r--r-- nobody root 4 "$fix/owneronly")  (owner; was: -rw-r--r-- root root 4)"
has "times" "$(entry changed -rw-r--r-- root root 4 "$fix/touched")  (times only; was: -rw-r--r-- root root 4)"
has "removed" "$(entry removed -rw-r--r-- root root 4 "$fix/doomed")"
has "a removed directory" "$(entry removed drwxr-xr-x root root - "$fix/gonedir")  (with everything below it)"
has "link" "$(entry changed lrwxrwxrwx root root - "$fix/link" "-> other")  (link target; was: lrwxrwxrwx root root - -> first)"
has "replaced" "$(entry replaced drwxr-xr-x root root - "$fix/olddir")  (removed and made anew; its earlier entries are gone)"
has "in /tmp" "$(entry created -rw-r--r-- root root 4 /tmp/fake.log)"
has "summary" "  2 created, 6 changed, 2 removed"
grep -qE "^  (created|changed|removed|replaced) .*  $fix\$" <<<"$out" && fail "the fixture's directory is reported, though only its entries changed"
[[ $out == *$'\nRun log /tmp/fake.log:\n  | log' ]] || fail "the stand-in's run log: $out"
check "the fixture on the host" "old old old old old first inside" \
	"$(cat "$fix/contents" "$fix/modeonly" "$fix/owneronly" "$fix/doomed" "$fix/touched" | tr '\n' ' ')$(readlink "$fix/link") $(<"$fix/olddir/file")"
check "mode and owner on the host" "644 0" "$(stat -c %a "$fix/modeonly") $(stat -c %u "$fix/owneronly")"
[[ -e $fix/created ]] && fail "created reached the host"
[[ -d $fix/gonedir/sub ]] || fail "the removed directory is gone on the host"

# --- Errors ------------------------------------------------------------------------
mkdir -p "$work/nosetup"
# status|stderr|arguments (shell words; @W@ stands for the scratch directory)
argv=()
while IFS='|' read -r want_status want_err args; do
	eval "argv=($args)"
	run "${argv[@]}"
	check "status of $args" "$want_status" "$status"
	check "stderr of $args" "${want_err//@W@/$work}" "$err"
	check "stdout of $args" "" "$out"
done <<'EOF'
125|preview: no install site given (try --help)|
125|preview: @W@/none: no such directory|"$work/none"
125|preview: @W@/nosetup/setup: no installer program there|"$work/nosetup"
125|preview: bad program name 'a/b'|--program a/b "$site"
125|preview: unknown option --bogus (try --help)|--bogus "$site"
125|preview: @W@/fix exists and is not an empty directory|--keep "$work/fix" "$site"
EOF

((failures == 0)) || exit 1
echo "PASS"
