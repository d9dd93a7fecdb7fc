#!/bin/sh
# shellcheck disable=SC2013,SC2016 # the disks file holds words; the scripts written expand later
# The demo package's installation written by hand: the copies, the joining,
# unpacking, the directories, files, modes, owners, links and edits that
# setup makes of the demo site and its package list, as one plain shell
# script. install_bench.sh times it against setup.
#
# Usage: demo_install.sh SITE   (in the sandbox, from install_bench.sh,
# which sets ZORVO_BENCH_SANDBOX: the script installs into /usr for real)
set -e
[ "${ZORVO_BENCH_SANDBOX:-}" = 1 ] || {
	echo "demo_install.sh: runs inside the sandbox only (bench/install_bench.sh)" >&2
	exit 2
}
site=$1
work=/tmp/ZorvoInstall
app=/usr/Zorvo/qvxx
spool=/var/spool/Zorvo
exec >>/tmp/demo_install.log 2>&1

# The site into the work area; the pieces joined in the order of the list.
rm -rf "$work"
mkdir "$work"
for name in $(sed '/^end_of_list$/,$d' "$site/disks"); do
	cp -p "$site/$name" "$work"
done
cd "$work"
for name in $(sed '/^end_of_list$/,$d' disks); do
	case $name in pkg_tar.*) cat "$name" >>LinuxppcQvxx.tar.Z ;; esac
done
uncompress LinuxppcQvxx.tar.Z
tar xvfp LinuxppcQvxx.tar
rm -f LinuxppcQvxx.tar

# Directories, the print-subsystem file, the queue scripts, the spool.
mkdir -p "$app" && chmod 755 "$app"
printf ' BSD ' >"$app/.qv_cfg" && chmod 644 "$app/.qv_cfg"
for script in ZorvoPrintqvxx ZorvoQVSF; do
	printf '#!/bin/sh\nToolPath="%s"\nCfgFlags=`cat ${ToolPath}/.qv_cfg`\n' "$app" >"$app/$script"
	chmod 755 "$app/$script"
done
mkdir -p "$spool" && chmod 775 "$spool"
mkdir -p "$spool/qvxx/__qva_download__" && chmod 777 "$spool/qvxx/__qva_download__"

# The package list.
mkdir -p "$app/log" && chmod 775 "$app/log" && chmod 777 "$app/log"
mkdir -p "$app/spool" && chmod 775 "$app/spool" && chmod 775 "$app/spool" && chgrp -R lp "$app/spool"
cp -p pkg/qvcall "$app" && chmod 644 "$app/qvcall"
cp -p pkg/OmbrinD "$app" && chmod 755 "$app/OmbrinD"
chown -R root "$app/OmbrinD" && chgrp -R lp "$app/OmbrinD"
ln -s "$app/OmbrinD" /usr/sbin/OmbrinD
cp -p pkg/qvrqvxxtty "$app" && chmod 755 "$app/qvrqvxxtty" && chgrp -R lp "$app/qvrqvxxtty"
cp -p pkg/qvsf "$app" && chmod 755 "$app/qvsf" && chgrp -R lp "$app/qvsf"
cp -p pkg/qvqadmin "$app" && chmod 755 "$app/qvqadmin"
printf '#!/bin/sh\nOmbrinFileSourceDir=`pwd`\nexport OmbrinFileSourceDir\ncd %s\nexec %s/qvqadmin $*\n' \
	"$app" "$app" >/usr/bin/qvqadmin && chmod 755 /usr/bin/qvqadmin
cp -p pkg/qvadmin.sh "$app" && chmod 755 "$app/qvadmin.sh" && mv -f "$app/qvadmin.sh" "$app/qvadmin"
cp -pr pkg/ppd "$app" && chmod 755 "$app/ppd"
chmod 644 "$app/ppd/ZQV100.ppd"
chmod 444 "$app/ppd/ZQV200.ppd" && chown -R lp "$app/ppd/ZQV200.ppd"
cp -pr pkg/doc /usr/share/doc/zorvo-qvxx
cp -p pkg/qvxx.conf "$app"
sed -e 's|@APPDIR@|/usr/Zorvo/qvxx|' -e 's|@SPOOL@|/var/spool/Zorvo/qvxx|' "$app/qvxx.conf" >/tmp/demo_install.tmp
cp -p /tmp/demo_install.tmp "$app/qvxx.conf" && rm -f /tmp/demo_install.tmp
chmod 640 "$app/qvxx.conf" && chgrp -R lp "$app/qvxx.conf"
touch "$app/log/qvxx.log" && chmod 666 "$app/log/qvxx.log"
case $(uname -r) in [2-8].*) cp -p pkg/qvxx.linux "$app" && chmod 644 "$app/qvxx.linux" ;; esac

# The set-user-id programs, the clean-up.
chmod 4755 "$app/qvrqvxxtty" "$app/qvsf"
cd /
rm -rf "$work"
"$app/qvqadmin" -upgrade
"$app/qvqadmin" -clean
