#!/usr/bin/env bash
# The install round trip of the Debian package given as argument, as root:
# apt-get install, the installed file list, the installed tool under Xvfb
# (window, Apply, restart on close), the launcher for a non-root user with a
# stand-in pkexec, apt-get remove, and what the removal left.
#
# It runs in a mount namespace of its own where /opt, /tmp and /dev/shm are
# fresh memory file systems: the package's files under /opt and the sample
# configuration beside them never reach the machine's /opt, and the tool's
# lock file and code page record are private. The package itself is removed
# again on any exit.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "round trip: installing a package needs root" >&2; exit 1; }
if [ -z "${HLQ_ROUND_TRIP_NAMESPACE:-}" ]; then
  export HLQ_ROUND_TRIP_NAMESPACE=1
  exec unshare --mount --propagation private "$0" "$@"
fi
deb=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
tool=/opt/pemo/hlq/hlqconfig
app=org.hlqconfig.hlqconfig
fail() { echo "round trip: $*" >&2; exit 1; }

installed() { dpkg-query -W -f='${Status}' hlqconfig 2>/dev/null | grep -q "install ok installed"; }
# Removing an installation that was there before would destroy the machine's own.
installed && fail "hlqconfig is installed on this machine already; remove it first"

# The checkout and the package may lie under /tmp or /opt, which are about to
# be covered: reach them through a mount point of this namespace outside both.
mount -t tmpfs -o mode=0755 hlq-stage /mnt
mkdir /mnt/source
mount --bind "$source_dir" /mnt/source
cp "$deb" /mnt/
deb=/mnt/$(basename "$deb")
source_dir=/mnt/source

mount -t tmpfs -o mode=0755 hlq-opt /opt
mount -t tmpfs -o mode=1777 hlq-tmp /tmp
mount -t tmpfs -o mode=1777,size=16m hlq-shm /dev/shm
mkdir -p /opt/pemo/hlq
cp "$source_dir"/data/KWNConfig.xml "$source_dir"/data/KWNLogging.xml /opt/pemo/hlq/
work=$(mktemp -d)
configuration() { (cd /opt/pemo/hlq && sha256sum KWNConfig.xml KWNLogging.xml); }

apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get $* failed"; }
}
remove_package() { if installed; then apt_get remove hlqconfig; fi; }
trap remove_package EXIT

configuration >"$work/before-install"
apt_get install --no-install-recommends "$deb"
installed || fail "not installed after apt-get install"
configuration | diff -u "$work/before-install" - || fail "installing changed the configuration"

# The installed files: each one expected, further translations allowed.
dpkg-query -L hlqconfig | sort >"$work/listed"
while read -r path; do [ -d "$path" ] || echo "$path"; done <"$work/listed" >"$work/files"
required="$tool /opt/pemo/hlq/hlqconfig.ui /usr/bin/hlqconfig
  /usr/share/applications/$app.desktop /usr/share/polkit-1/actions/$app.policy
  /usr/share/metainfo/$app.metainfo.xml /usr/share/icons/hicolor/scalable/apps/$app.svg
  /usr/share/doc/hlqconfig/copyright /usr/share/doc/hlqconfig/changelog.gz
  /usr/share/doc/hlqconfig/examples/KWNConfig.xml /usr/share/doc/hlqconfig/examples/KWNLogging.xml
  /usr/share/lintian/overrides/hlqconfig /usr/share/man/man1/hlqconfig.1.gz
  /usr/share/locale/de/LC_MESSAGES/hlqconfig.mo /usr/share/locale/es/LC_MESSAGES/hlqconfig.mo"
for path in $required; do
  grep -qxF "$path" "$work/files" || fail "$path is not in the package"
done
while read -r path; do
  [ -f "$path" ] || fail "$path is listed but not installed"
  case " $(echo $required) " in *" $path "*) continue ;; esac
  case "$path" in /usr/share/locale/*/LC_MESSAGES/hlqconfig.mo) continue ;; esac
  fail "unexpected file in the package: $path"
done <"$work/files"
grep -qaF /usr/share/locale "$tool" || fail "the installed tool does not look for its translations in /usr/share/locale"
echo "round trip: installed $(wc -l <"$work/files") files as expected"

# As root: the window opens, Apply writes the logging file, closing restarts.
# xvfb-run -a looks for a free display among the lock files in /tmp, which
# is private here; the X servers' sockets are not, so look at those instead.
display=99
while grep -q "@/tmp/.X11-unix/X$display\$" /proc/net/unix; do display=$((display + 1)); done
xvfb-run -n "$display" -s "-screen 0 1280x1024x24 -noreset" \
  dbus-run-session -- /usr/bin/python3 "$source_dir/tests/package/installed_tool.py" "$source_dir"

# As a user without rights: the launcher asks pkexec to start the tool and
# passes on its refusal. The stand-in pkexec records its arguments and acts
# as if the password dialog was dismissed.
standin="$work/standin-bin"
mkdir "$standin"
chmod 755 "$work" "$standin"
touch "$work/pkexec-args" && chown nobody "$work/pkexec-args"
cat >"$standin/pkexec" <<STANDIN
#!/bin/sh
printf '%s\n' "\$@" >"$work/pkexec-args"
exit 126
STANDIN
chmod 755 "$standin/pkexec"
status=0
setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH="$standin:/usr/bin:/bin" \
  /usr/bin/hlqconfig 2>"$work/launcher-errors" || status=$?
[ "$status" -eq 126 ] || fail "launcher as nobody: status $status, expected pkexec's 126"
[ "$(cat "$work/pkexec-args")" = "$tool" ] ||
  fail "pkexec was given '$(cat "$work/pkexec-args")', expected exactly '$tool'"
grep -q "dismissed" "$work/launcher-errors" ||
  fail "launcher said nothing of the dismissed dialog: '$(cat "$work/launcher-errors")'"
echo "round trip: the launcher asks pkexec for $tool and passes on its refusal"

# Removal takes the package's files and the folders only it used, nothing else.
shared_places="/opt /usr/bin /usr/share/applications /usr/share/polkit-1 /usr/share/metainfo
  /usr/share/icons/hicolor /usr/share/doc /usr/share/lintian /usr/share/locale /usr/share/man/man1"
places() { for place in $shared_places; do if [ -e "$place" ]; then find "$place"; fi; done | sort; }
places >"$work/before-remove"
configuration >"$work/configuration-before-remove"
apt_get remove hlqconfig
installed && fail "still installed after apt-get remove"
places >"$work/after-remove"
comm -13 "$work/before-remove" "$work/after-remove" | grep . && fail "removal added the files above"
comm -23 "$work/before-remove" "$work/after-remove" >"$work/removed"
grep -vxFf "$work/listed" "$work/removed" && fail "removal took the files above, not the package's"
grep -vxFf "$work/removed" "$work/files" && fail "removal left the package's files above"
configuration | diff -u "$work/configuration-before-remove" - || fail "removal changed the configuration"
[ "$(ls -A /opt/pemo/hlq | xargs)" = "KWNConfig.xml KWNLogging.xml" ] ||
  fail "/opt/pemo/hlq holds more or less than the configuration: $(ls -A /opt/pemo/hlq)"
echo "round trip: removal took the package's $(wc -l <"$work/files") files; the configuration stays"
