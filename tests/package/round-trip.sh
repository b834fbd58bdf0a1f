#!/usr/bin/env bash
# The install round trip of the Debian package given as argument, as root:
# apt-get install, the installed file list, the helper's unit checked by
# systemd-analyze verify, the installed tool under Xvfb as
# root (window, Apply, restart on close); then, with a system bus started
# with Debian's own configuration (so that the installed bus policy and
# service file are what it uses) and the real polkit daemon with the
# installed action, the window and the command line hlqctl as the technician
# (the account nobody): seen
# on the accessibility bus, Apply and the restart through the installed
# helper that the bus starts when polkit allows, nothing stored when it
# refuses, and the same window as a native client of a headless Wayland
# compositor; with the web console page's package (the second argument),
# its install beside hlqconfig where the console's bridge finds the page;
# then apt-get remove, and what the removal left.
#
# It runs in a mount namespace of its own where /opt, /tmp, /dev/shm, /run,
# polkit's local rules and /usr/local/sbin are fresh memory file systems: the
# package's files under /opt and the sample configuration beside them never
# reach the machine's /opt, the tool's lock file, code page record and system
# bus are private, the rules decide for the test alone, and the stand-in
# systemctl that the installed helper finds first on its fixed search path
# is the test's. The package itself is removed again on any exit.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "round trip: installing a package needs root" >&2; exit 1; }
if [ -z "${HLQ_ROUND_TRIP_NAMESPACE:-}" ]; then
  export HLQ_ROUND_TRIP_NAMESPACE=1
  exec unshare --mount --propagation private "$0" "$@"
fi
deb=$(realpath "$1")
page_deb=
if [ -n "${2:-}" ]; then page_deb=$(realpath "$2"); fi
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
if [ -n "$page_deb" ]; then cp "$page_deb" /mnt/ && page_deb=/mnt/$(basename "$page_deb"); fi
source_dir=/mnt/source

mount -t tmpfs -o mode=0755 hlq-opt /opt
mount -t tmpfs -o mode=1777 hlq-tmp /tmp
mount -t tmpfs -o mode=1777,size=16m hlq-shm /dev/shm
mount -t tmpfs -o mode=0755 hlq-run /run
mount -t tmpfs -o mode=0755 hlq-rules /etc/polkit-1/rules.d
mount -t tmpfs -o mode=0755 hlq-sbin /usr/local/sbin
mkdir -p /opt/pemo/hlq
cp "$source_dir"/data/KWNConfig.xml "$source_dir"/data/KWNLogging.xml /opt/pemo/hlq/
work=$(mktemp -d)
configuration() { (cd /opt/pemo/hlq && sha256sum KWNConfig.xml KWNLogging.xml); }

apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get $* failed"; }
}
# Ends what the round trip started on the system bus; once is enough, and
# a second call (from the exit trap) finds nothing left to end.
stop_services() {
  if [ -n "${polkitd_pid:-}" ]; then
    kill "$polkitd_pid" 2>/dev/null || true
    wait "$polkitd_pid" 2>/dev/null || true
    polkitd_pid=
  fi
  if [ -f /run/dbus/pid ]; then
    # The helper the bus started, found through the bus while it still runs.
    helper_pid=$(gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
      --method org.freedesktop.DBus.GetConnectionUnixProcessID org.hlqconfig.Helper1 2>/dev/null |
      sed -n 's/^(uint32 \([0-9]*\),)$/\1/p')
    if [ -n "$helper_pid" ]; then kill "$helper_pid" 2>/dev/null || true; fi
    kill "$(cat /run/dbus/pid)" 2>/dev/null || true
    rm -f /run/dbus/pid
  fi
}
page_installed() { dpkg-query -W -f='${Status}' hlqconfig-cockpit 2>/dev/null | grep -q "install ok installed"; }
remove_package() {
  stop_services
  if page_installed; then apt_get remove hlqconfig-cockpit; fi
  if installed; then apt_get remove hlqconfig; fi
}
trap remove_package EXIT

configuration >"$work/before-install"
apt_get install --no-install-recommends "$deb"
installed || fail "not installed after apt-get install"
configuration | diff -u "$work/before-install" - || fail "installing changed the configuration"

# The installed files: each one expected, further translations allowed.
dpkg-query -L hlqconfig | sort >"$work/listed"
while read -r path; do [ -d "$path" ] || echo "$path"; done <"$work/listed" >"$work/files"
helper=/usr/libexec/hlqconfig/hlqconfig-helper
libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
required="$tool /opt/pemo/hlq/hlqconfig.ui /usr/bin/hlqconfig $helper
  /usr/bin/hlqctl $libdir/hlqconfig/hlqctl-helper.so /usr/share/man/man1/hlqctl.1.gz
  /usr/share/bash-completion/completions/hlqctl
  /usr/share/dbus-1/system-services/org.hlqconfig.Helper1.service
  /usr/share/dbus-1/system.d/org.hlqconfig.Helper1.conf /lib/systemd/system/hlqconfig-helper.service
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
# The helper's unit as installed: valid, with its program and manual page in place.
systemd-analyze verify /lib/systemd/system/hlqconfig-helper.service >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log" >&2; fail "systemd-analyze verify finds fault with the helper's unit"; }
[ ! -s "$work/verify.log" ] || { cat "$work/verify.log" >&2; fail "systemd-analyze verify warns about the helper's unit"; }
echo "round trip: installed $(wc -l <"$work/files") files as expected"

# The command line as root: no GTK, and no bus client until the helper is needed.
ldd /usr/bin/hlqctl | grep -E 'lib(gtk|gdk|gio|gobject)-' && fail "hlqctl links the libraries above"
hlqctl show --json >"$work/shown.json" || fail "hlqctl show --json as root: exit $?"
grep -qx '  "logging.level": "info",' "$work/shown.json" || fail "hlqctl show: $(cat "$work/shown.json")"
hlqctl set logging.level=debug >/dev/null || fail "hlqctl set as root: exit $?"
[ "$(sed -n 's/.*<Log_Level>\(.*\)<\/Log_Level>.*/\1/p' /opt/pemo/hlq/KWNLogging.xml)" = 1 ] ||
  fail "hlqctl set as root did not store Log_Level"
hlqctl apply "$work/shown.json" >/dev/null || fail "hlqctl apply as root: exit $?"
[ "$(sed -n 's/.*<Log_Level>\(.*\)<\/Log_Level>.*/\1/p' /opt/pemo/hlq/KWNLogging.xml)" = 2 ] ||
  fail "hlqctl apply did not restore Log_Level"
echo "round trip: hlqctl as root shows, sets and applies back; it links no GTK, GIO or GObject"

# As root: the window opens, Apply writes the logging file, closing restarts.
# xvfb-run -a looks for a free display among the lock files in /tmp, which
# is private here; the X servers' sockets are not, so look at those instead.
display=99
while grep -q "@/tmp/.X11-unix/X$display\$" /proc/net/unix; do display=$((display + 1)); done
xvfb-run -n "$display" -s "-screen 0 1280x1024x24 -noreset" \
  dbus-run-session -- /usr/bin/python3 "$source_dir/tests/package/installed_tool.py" root "$source_dir"

# The system bus with Debian's configuration, which reads the installed bus
# policy and service file, and polkit with the installed action.
mkdir -p /run/dbus
dbus-daemon --system --fork
on_bus() {
  gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
decide() {  # polkit's answer for nobody: YES or NO, with a polkitd started afresh
  cat >/etc/polkit-1/rules.d/50-hlqconfig-test.rules <<RULES
polkit.addRule(function(action, subject) {
    if (action.id.indexOf("org.hlqconfig.hlqconfig.") == 0 && subject.user == "nobody")
        return polkit.Result.$1;
});
RULES
  if [ -n "${polkitd_pid:-}" ]; then kill "$polkitd_pid" || true; wait "$polkitd_pid" || true; fi
  while on_bus org.freedesktop.PolicyKit1; do sleep 0.1; done
  /usr/lib/polkit-1/polkitd --no-debug >"$work/polkitd.log" 2>&1 &
  polkitd_pid=$!
  for _ in $(seq 100); do on_bus org.freedesktop.PolicyKit1 && return; sleep 0.1; done
  fail "polkitd did not come onto the bus"
}
# The helper's stand-in systemctl, which records its calls and its user.
cat >/usr/local/sbin/systemctl <<'STANDIN'
#!/bin/sh
printf '%s\n' "$*" >>/usr/local/sbin/systemctl-calls
id -u >>/usr/local/sbin/systemctl-users
STANDIN
chmod 755 /usr/local/sbin/systemctl
: >/usr/local/sbin/systemctl-calls
: >/usr/local/sbin/systemctl-users

# The technician's own X server, session bus and accessibility bus.
technician_home=$(mktemp -d)
chown nobody "$technician_home"
as_technician() {  # MODE [wrapper...]: installed_tool.py MODE as nobody
  local mode=$1
  shift
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$technician_home" LANG=C.UTF-8 GDK_GL=disable "$@" \
    dbus-run-session -- /usr/bin/python3 "$source_dir/tests/package/installed_tool.py" "$mode" \
    "$source_dir" || fail "the technician's window ($mode) failed"
}
xvfb=(xvfb-run -n "$display" -s "-screen 0 1280x1024x24 -noreset")

decide YES
on_bus org.hlqconfig.Helper1 && fail "the helper runs before anyone asked for it"
# Root's window stored Error above; the technician's window stores it again,
# and an Apply that changes nothing stores nothing.
hlqctl set logging.level=info >/dev/null || fail "hlqctl set as root: exit $?"
as_technician allowed "${xvfb[@]}"
on_bus org.hlqconfig.Helper1 || fail "the bus did not start the installed helper"
[ "$(sed -n 's/.*<Log_Level>\(.*\)<\/Log_Level>.*/\1/p' /opt/pemo/hlq/KWNLogging.xml)" = 4 ] ||
  fail "Log_Level was not stored through the helper"
[ "$(stat -c %u:%g /opt/pemo/hlq/KWNLogging.xml)" = 0:0 ] || fail "the logging file is no longer root's"
[ "$(cat /usr/local/sbin/systemctl-calls)" = "restart kwn" ] ||
  fail "systemctl calls through the helper: '$(cat /usr/local/sbin/systemctl-calls)'"
[ "$(cat /usr/local/sbin/systemctl-users)" = 0 ] || fail "the restart did not run as root"
echo "round trip: as nobody, the window stores through the installed helper and restarts through it"
as_technician_hlqctl() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
    hlqctl "$@" </dev/null
}
as_technician_hlqctl set logging.level=warning --no-ask-password >/dev/null ||
  fail "hlqctl set as nobody through the installed helper: exit $?"
[ "$(sed -n 's/.*<Log_Level>\(.*\)<\/Log_Level>.*/\1/p' /opt/pemo/hlq/KWNLogging.xml)" = 3 ] ||
  fail "hlqctl did not store Log_Level through the helper"
echo "round trip: as nobody, hlqctl stores through the installed helper (its module loaded on demand)"

decide NO
configuration >"$work/before-refusal"
as_technician refused "${xvfb[@]}"
configuration | diff -u "$work/before-refusal" - || fail "a refused Apply changed the configuration"
status=0
as_technician_hlqctl set logging.level=error --no-ask-password >/dev/null 2>&1 || status=$?
[ "$status" = 4 ] || fail "hlqctl refused by polkit: exit $status, not 4"
configuration | diff -u "$work/before-refusal" - || fail "a refused hlqctl changed the configuration"
[ "$(cat /usr/local/sbin/systemctl-calls)" = "restart kwn" ] || fail "a refused run restarted"
echo "round trip: refused by polkit, nothing is stored and the window says why"

as_technician wayland
echo "round trip: as nobody, the window is a native Wayland client seen on the accessibility bus"
stop_services

# The web console page: installed beside hlqconfig, its manifest where the
# bridge looks for pages and its menu entry read from there; removed, it
# leaves hlqconfig as it was.
if [ -n "$page_deb" ]; then
  page_installed && fail "hlqconfig-cockpit is installed on this machine already"
  apt_get install --no-install-recommends "$page_deb"
  page_installed || fail "hlqconfig-cockpit not installed after apt-get install"
  [ -f /usr/share/cockpit/hlqconfig/manifest.json ] || fail "no page manifest in /usr/share/cockpit/hlqconfig"
  cockpit-bridge --packages | grep -q '^hlqconfig  *Point of sale peripherals  */usr/share/cockpit/hlqconfig$' ||
    fail "the console's bridge does not offer the page: $(cockpit-bridge --packages)"
  apt_get remove hlqconfig-cockpit
  [ ! -e /usr/share/cockpit/hlqconfig ] || fail "removing hlqconfig-cockpit left /usr/share/cockpit/hlqconfig"
  installed || fail "removing hlqconfig-cockpit removed hlqconfig"
  echo "round trip: hlqconfig-cockpit installs its page where the web console offers it"
fi

# Removal takes the package's files and the folders only it used, nothing else.
shared_places="/opt /usr/bin /usr/libexec $libdir /usr/share/bash-completion /usr/share/applications /usr/share/polkit-1
  /usr/share/dbus-1 /lib/systemd/system /usr/share/metainfo /usr/share/icons/hicolor /usr/share/doc
  /usr/share/lintian /usr/share/locale /usr/share/man/man1"
places() { for place in $shared_places; do if [ -e "$place" ]; then find "$place"; fi; done | sort; }
places >"$work/before-remove"
configuration >"$work/configuration-before-remove"
apt_get remove hlqconfig
installed && fail "still installed after apt-get remove"
places >"$work/after-remove"
comm -13 "$work/before-remove" "$work/after-remove" | grep . && fail "removal added the files above"
comm -23 "$work/before-remove" "$work/after-remove" >"$work/removed"
# Besides its files, the package takes the writers' lock files that the tool
# made beside the configuration at run time (the configuration stays).
grep -vxFf "$work/listed" "$work/removed" | grep -vx '/opt/pemo/hlq/\.KWN\(Config\|Logging\)\.xml\.lock' &&
  fail "removal took the files above, not the package's"
grep -vxFf "$work/removed" "$work/files" && fail "removal left the package's files above"
configuration | diff -u "$work/configuration-before-remove" - || fail "removal changed the configuration"
[ "$(ls -A /opt/pemo/hlq | xargs)" = "KWNConfig.xml KWNLogging.xml" ] ||
  fail "/opt/pemo/hlq holds more or less than the configuration: $(ls -A /opt/pemo/hlq)"
echo "round trip: removal took the package's $(wc -l <"$work/files") files; the configuration stays"
