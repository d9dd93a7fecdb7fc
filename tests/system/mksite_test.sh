#!/bin/bash
# shellcheck disable=SC2012 # the names here are plain
# Tests of mksite, the builder of install sites: the pieces joined in order
# give the compressed archive of pkg/, the disks file lists every file the
# installer copies and ends with end_of_list, the size files hold the room in
# 1K blocks, and the errors are clear. Works in a scratch directory below the
# build tree; needs no root.

set -u

source_dir=${ZORVO_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
source "$source_dir/tests/system/checks.sh"
binary_dir=${ZORVO_BINARY_DIR:-$source_dir/build}
mksite=$binary_dir/bin/mksite

for tool in compress uncompress tar; do
	command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[[ -x $mksite ]] || {
	echo "FAIL: $mksite is not built" >&2
	exit 1
}

mkdir -p "$binary_dir/test-scratch"
work=$(mktemp -d "$binary_dir/test-scratch/mksite_test.XXXXXX") || exit 1
trap 'rm -rf -- "$work"' EXIT

# run ARGS...: runs mksite; leaves $status, $out and $err.
run() {
	"$mksite" "$@" >"$work/out" 2>"$work/err"
	status=$?
	out=$(<"$work/out")
	err=$(<"$work/err")
}

# A stand-in for the installer.
printf '#!/bin/sh\necho installer\n' >"$work/setup"
chmod 755 "$work/setup"

# The fixture: sizes chosen for the block count (whole 4K blocks a file,
# one a directory, none for an empty file or a short link).
tree=$work/tree
mkdir -p "$tree/pkg/sub"
printf 'c a mode 644\nc empty\n' >"$tree/pkg/pkg.list"
head -c 5000 /dev/urandom >"$tree/pkg/a" # 2 blocks: 8K, and it does not compress
printf 'x' >"$tree/pkg/sub/b"            # 1 block: 4K
: >"$tree/pkg/empty"                     # none
ln -s sub/b "$tree/pkg/link"             # none
chmod 750 "$tree/pkg/sub"
chmod 600 "$tree/pkg/sub/b"
# isize: a 8 + b 4 + the directories pkg and sub 8 = 20 (pkg.list stays behind)
want_isize=20

# kb FILE...: the room of the files in 1K blocks as whole 4K blocks.
kb() {
	local n=0 f size
	for f; do
		size=$(stat -c %s -- "$f")
		n=$((n + 4 * ((size + 4095) / 4096)))
	done
	echo "$n"
}

# --- A site of several pieces ---------------------------------------------------
site=$work/site
run --quiet --program "$work/setup" --piece-size 1000 "$tree" "$site"
check "status" 0 "$status"
check "quiet" "" "$out$err"

mapfile -t pieces < <(cd "$site" && ls pkg_tar.* 2>/dev/null)
((${#pieces[@]} >= 5)) || fail "a 5000-byte archive in pieces of 1000 bytes: ${#pieces[*]}"
for ((i = 0; i < ${#pieces[@]}; i++)); do
	check "piece name $i" "$(printf 'pkg_tar.%03d' $((i + 1)))" "${pieces[i]}"
	size=$(stat -c %s -- "$site/${pieces[i]}")
	if ((i < ${#pieces[@]} - 1)); then
		check "size of ${pieces[i]}" 1000 "$size"
	else
		((size > 0 && size <= 1000)) || fail "size of the last piece: $size"
	fi
done

check "disks" "$(printf '%s\n' disks "${pieces[@]}" isize tsize end_of_list)" "$(<"$site/disks")"
check "disks ends with a line feed" "" "$(tail -c 1 "$site/disks" | tr -d '\n')"
check "the site's files: those listed, and the installer" \
	"$(printf '%s\n' disks "${pieces[@]}" isize setup tsize | sort)" "$(ls -A "$site" | sort)"
cmp -s "$work/setup" "$site/setup" || fail "setup is not the given program"
check "mode of setup" 755 "$(stat -c %a "$site/setup")"

# The pieces joined in the order of the disks file unpack to the tree.
joined=$work/joined.tar.Z
: >"$joined"
while read -r name; do
	[[ $name == pkg_tar.* ]] && cat "$site/$name" >>"$joined"
done <"$site/disks"
mkdir "$work/unpacked"
if uncompress -c <"$joined" >"$work/joined.tar"; then
	tar -C "$work/unpacked" -xpf "$work/joined.tar" || fail "the joined archive does not unpack"
	diff -r --no-dereference "$tree" "$work/unpacked" >"$work/diff" ||
		fail "the archive's content differs from the tree: $(<"$work/diff")"
	listing=$(tar -tvf "$work/joined.tar" --numeric-owner)
	check "entries all below pkg/" "" "$(tar -tf "$work/joined.tar" | grep -v '^pkg/')"
	check "owners in the archive" "0/0" "$(awk '{ print $2 }' <<<"$listing" | sort -u)"
	check "modes kept" "drwxr-x--- -rw-------" \
		"$(stat -c %A "$work/unpacked/pkg/sub") $(stat -c %A "$work/unpacked/pkg/sub/b")"
	check "the link kept" "sub/b" "$(readlink "$work/unpacked/pkg/link")"
else
	fail "the joined pieces are no compress archive"
fi

check "isize" "$want_isize" "$(<"$site/isize")"
# tsize: the listed copies (disks, pieces, the two size files), the archive
# compressed and uncompressed, and the unpacked tree (isize + pkg.list).
want_tsize=$(($(kb "$site/disks" "${pieces[@]/#/$site/}") + 8 + $(kb "$joined" "$work/joined.tar") + want_isize + 4))
check "tsize" "$want_tsize" "$(<"$site/tsize")"

# Piece sizes with a unit, the default, and the summary line.
for size_case in "1K 1024" "2k 2048" ":1433600"; do
	option=${size_case%% *}
	want=${size_case##* }
	want=${want#:}
	args=(--program "$work/setup" --force)
	[[ $option == :* ]] || args+=(--piece-size "$option")
	run "${args[@]}" "$tree" "$site"
	check "status with piece size '$option'" 0 "$status"
	check "size of pkg_tar.001 with '$option'" "$(($(stat -c %s "$joined") < want ? $(stat -c %s "$joined") : want))" \
		"$(stat -c %s "$site/pkg_tar.001")"
	[[ $out == "mksite: $site: "*" piece(s) of at most $want bytes"* ]] ||
		fail "summary with '$option': $out"
done
check "an earlier site's extra pieces are gone" "pkg_tar.001" "$(cd "$site" && echo pkg_tar.*)"

# --- An upper-case site -------------------------------------------------------
upper=$work/upper
run --quiet -U -p "$work/setup" -b 2K "$tree" "$upper"
check "status, upper case" 0 "$status"
mapfile -t pieces < <(cd "$upper" && ls PKG_TAR.*)
((${#pieces[@]} >= 3)) || fail "upper-case pieces: ${pieces[*]}"
check "DISKS" "$(printf '%s\n' DISKS "${pieces[@]}" ISIZE TSIZE end_of_list)" "$(<"$upper/DISKS")"
check "the upper-case site's files" \
	"$(printf '%s\n' DISKS "${pieces[@]}" ISIZE TSIZE isize setup tsize | sort)" \
	"$(ls -A "$upper" | sort)"
check "isize in both cases" "$want_isize $want_isize" "$(<"$upper/ISIZE") $(<"$upper/isize")"
check "tsize in both cases" "$(<"$upper/TSIZE")" "$(<"$upper/tsize")"

# --- Errors ----------------------------------------------------------------------
mkdir -p "$work/nolist/pkg" "$work/nopkg" "$work/notempty" "$work/foreign"
echo x >"$work/notempty/stray"
cp "$site/disks" "$work/foreign/" && echo x >"$work/foreign/notes"
echo x >"$work/plainfile"
# status|stderr|arguments (shell words; @W@ stands for the scratch directory)
argv=()
while IFS='|' read -r want_status want_err args; do
	eval "argv=($args)"
	run "${argv[@]}"
	check "status of $args" "$want_status" "$status"
	want_err=$(printf '%b' "$want_err")
	check "stderr of $args" "${want_err//@W@/$work}" "$err"
done <<'EOF'
1|mksite: @W@/nolist/pkg/pkg.list: no package list|-p "$work/setup" "$work/nolist" "$work/s1"
1|mksite: @W@/none: no such directory|-p "$work/setup" "$work/none" "$work/s1"
1|mksite: @W@/plainfile: not a directory|-p "$work/setup" "$work/plainfile" "$work/s1"
1|mksite: @W@/nopkg/pkg: no such directory (the package's files lie below pkg/)|-p "$work/setup" "$work/nopkg" "$work/s1"
1|mksite: @W@/plainfile/site: cannot make the site directory|-p "$work/setup" "$tree" "$work/plainfile/site"
1|mksite: @W@/plainfile: not a directory|-p "$work/setup" "$tree" "$work/plainfile"
1|mksite: /proc/self: cannot write to the site directory|-p "$work/setup" "$tree" /proc/self
1|mksite: @W@/notempty is not empty (--force replaces an earlier site)|-p "$work/setup" "$tree" "$work/notempty"
1|mksite: @W@/foreign holds files of no site: notes|--force -p "$work/setup" "$tree" "$work/foreign"
1|mksite: @W@/nosetup: no installer program (give one with --program)|-p "$work/nosetup" "$tree" "$work/s1"
1|mksite: @W@/plainfile: the installer is not executable|-p "$work/plainfile" "$tree" "$work/s1"
1|mksite: @W@/tree/pkg/site lies inside the package tree @W@/tree/pkg|-p "$work/setup" "$tree" "$tree/pkg/site"
2|mksite: bad piece size '0'\nusage: mksite [-p program] [-b piece-size] [-U] [-f] [-q] tree site|-b 0 "$tree" "$work/s1"
2|mksite: bad piece size '12x'\nusage: mksite [-p program] [-b piece-size] [-U] [-f] [-q] tree site|-b 12x "$tree" "$work/s1"
2|mksite: a package tree and a site directory are needed\nusage: mksite [-p program] [-b piece-size] [-U] [-f] [-q] tree site|"$tree"
2|mksite: unknown option -z\nusage: mksite [-p program] [-b piece-size] [-U] [-f] [-q] tree site|-z "$tree" "$work/s1"
EOF
# An archive of some 6000 bytes in pieces of one byte.
run -p "$work/setup" -b 1 "$tree" "$work/s2"
check "status with too many pieces" 1 "$status"
[[ $err =~ ^"mksite: the archive ("([0-9]+)" bytes) needs "([0-9]+)" pieces, at most 999 fit; choose a larger piece size"$ &&
	${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] || fail "too many pieces: $err"
[[ -e $tree/pkg/site ]] && fail "a site inside the tree was made"

# A package list line longer than the installer reads is worth a warning.
cp -r "$tree" "$work/long"
printf 'c %0600d\n' 0 >>"$work/long/pkg/pkg.list"
run -q -p "$work/setup" "$work/long" "$work/s3"
check "status with a long line" 0 "$status"
check "warning of a long line" \
	"mksite: warning: $work/long/pkg/pkg.list line 3 is longer than 511 characters" "$err"

check "the foreign site is left alone" "disks notes" "$(cd "$work/foreign" && echo *)"
check "no site after the errors" "" "$(ls -A "$work/s1" 2>/dev/null)"
check "nothing left of a refused archive" "" "$(ls -A "$work/s2" 2>/dev/null)"

((failures == 0)) || exit 1
echo "PASS"
