#!/usr/bin/env bash
# The package given as argument under a real systemd, as root: Debian 12
# booted with systemd as PID 1 in a container (systemd-nspawn, no network
# but its loopback) on a copy of the kept tree (tests/package/systemd-tree.sh),
# the package installed with apt-get, and the technician (an ordinary user
# of the container) calling the installed hlqctl. With a polkit rule that
# allows the technician: the system bus starts the helper through its unit,
# with the unit's sandbox in force; the values read back as set; the
# configuration files keep owner, mode, ACL, user attribute and file flags;
# the stand-in kwn.service is really restarted. Without the rule: exit 4,
# nothing stored, nothing restarted. A configuration file that is a link to
# /etc/kwn cannot be stored until a drop-in allows that folder, and then can;
# the helper ends itself 30 s after its last call, once the refusals it
# recorded are a minute old; set-group-ID files keep their mode; the unit with that drop-in is rated 2.0 or lower. The helper
# runs under strace throughout, with a drop-in that makes the system-call
# filter refuse with EL3HLT, so that a refused call shows in the trace. Each
# check prints what it saw when it fails. The container's copy is removed on
# any exit.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "under systemd: needs root" >&2; exit 1; }
deb=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
started=$SECONDS
fail() { echo "under systemd: $*" >&2; exit 1; }
say() { echo "under systemd: [$((SECONDS - started)) s] $*"; }

tree=$("$source_dir/tests/package/systemd-tree.sh" "$deb")
name=hlqconfig-journey-$$
work=$(mktemp -d /var/tmp/hlqconfig-systemd.XXXXXX)
root=$work/root
# The container's cgroups, one in each mounted hierarchy that systemd uses.
if [ "$(stat -f -c %T /sys/fs/cgroup)" = cgroup2fs ]; then
  cgroups=/sys/fs/cgroup/$name
else
  cgroups=
  for hierarchy in unified systemd; do
    if mountpoint -q "/sys/fs/cgroup/$hierarchy"; then cgroups="$cgroups /sys/fs/cgroup/$hierarchy/$name"; fi
  done
fi
nspawn_pid=
leader=
# Powers the container off, ends by their process IDs whatever of it is
# left after a failed shutdown, and removes its cgroups and its copy.
left_in_cgroups() {
  for cgroup in $cgroups; do [ ! -d "$cgroup" ] || find "$cgroup" -name cgroup.procs -exec cat {} +; done
}
cleanup() {
  if [ -n "$nspawn_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
    if [ -n "$leader" ]; then inside systemctl poweroff 2>/dev/null || true; fi
    for _ in $(seq 100); do kill -0 "$nspawn_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  for _ in $(seq 50); do
    left=$(left_in_cgroups)
    [ -n "$left" ] || break
    kill -9 $left 2>/dev/null || true
    sleep 0.1
  done
  if [ -n "$nspawn_pid" ]; then wait "$nspawn_pid" 2>/dev/null || true; fi
  for cgroup in $cgroups; do
    if [ -d "$cgroup" ]; then find "$cgroup" -depth -type d -exec rmdir {} + 2>/dev/null || true; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$tree" "$root"
say "copied the kept tree $tree"

# What the machine holds before it boots: the package, a stand-in daemon
# that systemd starts at boot, and the helper under strace.
cp "$deb" "$root/root/hlqconfig.deb"
cat >"$root/etc/systemd/system/kwn.service" <<'UNIT'
[Unit]
Description=Stand-in for the peripheral daemon
[Service]
ExecStart=/bin/sleep infinity
[Install]
WantedBy=multi-user.target
UNIT
mkdir -p "$root/etc/systemd/system/multi-user.target.wants" \
  "$root/etc/systemd/system/hlqconfig-helper.service.d"
ln -s /etc/systemd/system/kwn.service "$root/etc/systemd/system/multi-user.target.wants/kwn.service"
# strace needs ptrace (and reads the helper's memory faster with
# process_vm_readv), which the helper's filter does not allow; the helper
# itself calls neither.
trace_dropin=$root/etc/systemd/system/hlqconfig-helper.service.d/90-trace.conf
cat >"$trace_dropin" <<'DROPIN'
[Service]
SystemCallErrorNumber=EL3HLT
SystemCallFilter=ptrace process_vm_readv
LogsDirectory=hlqconfig-helper-trace
ExecStart=
ExecStart=/usr/bin/strace -f -qq -A -o /var/log/hlqconfig-helper-trace/calls /usr/libexec/hlqconfig/hlqconfig-helper
DROPIN

# Boot, in cgroups of its own below which nspawn and the container's systemd
# make theirs (the host's PID 1 is not systemd and has none to give).
(
  for cgroup in $cgroups; do
    mkdir -p "$cgroup"
    echo "$BASHPID" >"$cgroup/cgroup.procs"
  done
  exec systemd-nspawn -q -D "$root" -M "$name" -b --register=no --keep-unit \
    --private-network --console=read-only
) </dev/null >"$work/boot.log" 2>&1 &
nspawn_pid=$!
for _ in $(seq 100); do
  # The container's PID 1, once nspawn's own short-lived children are gone.
  leader=$(ps --ppid "$nspawn_pid" -o pid=,comm= | awk '$2 == "systemd" { print $1 }' || true)
  [ -n "$leader" ] && break
  sleep 0.1
done
[ -n "$leader" ] || { cat "$work/boot.log" >&2; fail "the container did not start"; }
inside() {
  nsenter -t "$leader" -a env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}
state=
for _ in $(seq 300); do
  state=$(inside systemctl is-system-running 2>/dev/null || true)
  case "$state" in running | degraded | maintenance) break ;; esac
  sleep 0.1
done
[ "$state" = running ] || fail "the container's systemd is '$state': $(inside systemctl --failed --no-legend 2>&1)"
say "booted with systemd as PID 1 ($(inside ps -p 1 -o comm=))"

# The package, the technician, and the configuration as a site set it up:
# the device file the daemon's group reads and the technician through an
# ACL, with a user attribute and file flags; the logging file set-group-ID.
inside sh -ec '
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /root/hlqconfig.deb >/root/apt.log 2>&1 ||
    { cat /root/apt.log; exit 1; }
  useradd --system kwn
  useradd --create-home technician
  mkdir -p /opt/pemo/hlq
  cp /usr/share/doc/hlqconfig/examples/KWNConfig.xml /usr/share/doc/hlqconfig/examples/KWNLogging.xml /opt/pemo/hlq/
  cd /opt/pemo/hlq
  chown root:kwn KWNConfig.xml KWNLogging.xml
  chmod 0640 KWNConfig.xml
  setfacl -m u:technician:r KWNConfig.xml
  setfattr -n user.site -v store-0815 KWNConfig.xml
  chattr +dA KWNConfig.xml
  chmod 2644 KWNLogging.xml
' >&2 || fail "setting up the container failed"

rule=/etc/polkit-1/rules.d/50-hlqconfig-technician.rules
allow_technician() {
  inside sh -ec "cat >$rule" <<'RULE'
polkit.addRule(function(action, subject) {
    if (action.id.indexOf("org.hlqconfig.hlqconfig.") == 0 && subject.user == "technician")
        return polkit.Result.YES;
});
RULE
  inside systemctl restart polkit
}
# hlqctl as the technician; its exit status in $status, its output in $out.
as_technician() {
  status=0
  out=$(inside runuser -u technician -- env -i PATH=/usr/bin:/bin HOME=/home/technician LC_ALL=C.UTF-8 \
    hlqctl "$@" </dev/null 2>&1) || status=$?
}
# Owner, mode, ACL, user attributes and flags of a configuration file.
setup_of() {
  inside sh -c "cd /opt/pemo/hlq && stat -L -c '%U:%G %A' $1 && getfacl -p $1 &&
    getfattr -L -d -m '^user\\.' $1 && lsattr -l \$(readlink -f $1) | sed 's/^[^ ]* *//'" 2>&1
}
same_json() {  # ANSWER EXPECTED: the same JSON value
  /usr/bin/python3 -c 'import json, sys; sys.exit(json.loads(sys.argv[1]) != json.loads(sys.argv[2]))' \
    "$1" "$2" 2>/dev/null
}
inode_of() { inside stat -L -c %i "/opt/pemo/hlq/$1"; }
invocation() { inside systemctl show -p InvocationID --value kwn.service; }
configuration() { inside sh -c 'cd /opt/pemo/hlq && sha256sum -- KWNConfig.xml KWNLogging.xml'; }
helper_state() { inside systemctl show -p ActiveState --value hlqconfig-helper.service; }

# With the rule.
allow_technician
[ "$(helper_state)" = inactive ] || fail "the helper is $(helper_state) before anyone called it"
for file in KWNConfig.xml KWNLogging.xml; do setup_of $file >"$work/$file.setup"; done
config_inode=$(inode_of KWNConfig.xml)
logging_inode=$(inode_of KWNLogging.xml)
as_technician set --json --no-ask-password logging.level=debug msr.track3-enabled=false
[ "$status" = 0 ] || fail "hlqctl set as the technician: exit $status: $out"
as_technician get --json logging.level msr.track3-enabled
same_json "$out" '{"logging.level": "debug", "msr.track3-enabled": false}' ||
  fail "read back after set: exit $status: $out"
say "the technician's values are stored and read back"

activation=$(inside journalctl -q -u dbus --no-pager | grep "org.hlqconfig.Helper1" || true)
grep -q "Activating via systemd: service name='org.hlqconfig.Helper1' unit='hlqconfig-helper.service'" \
  <<<"$activation" || fail "the bus did not start the helper through systemd: ${activation:-no such line in the journal of dbus}"
helper_pid=$(inside busctl call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus \
  GetConnectionUnixProcessID s org.hlqconfig.Helper1 | sed -n 's/^u //p')
sandbox=$(inside grep -E '^(CapBnd|NoNewPrivs|Seccomp):' "/proc/$helper_pid/status" | tr -s '\t' ' ' | xargs)
[ "$sandbox" = "CapBnd: 000000000000001f NoNewPrivs: 1 Seccomp: 2" ] ||
  fail "the helper (process $helper_pid) runs without its unit's sandbox: $sandbox"
say "the bus started the helper through its unit, sandboxed ($sandbox)"
# The unit's limits need cgroup controllers that a container of this machine may lack.
for limit in "MemoryMax MemoryCurrent memory" "TasksMax TasksCurrent pids"; do
  set -- $limit
  if [ "$(inside systemctl show -p "$2" --value hlqconfig-helper.service)" = "[not set]" ]; then
    say "$1=$(inside systemctl show -p "$1" --value hlqconfig-helper.service) is set but not enforced here: no $3 controller"
  fi
done

for file in KWNConfig.xml KWNLogging.xml; do
  setup_of $file | diff -u "$work/$file.setup" - || fail "storing changed the setup of $file (above)"
done
# The device file was replaced (a new inode, the old one still held during
# the rename); the set-group-ID file is written in place, since the unit's
# RestrictSUIDSGID refuses the bit on a new file.
[ "$(inode_of KWNConfig.xml)" != "$config_inode" ] || fail "KWNConfig.xml was not replaced by a new file"
[ "$(inode_of KWNLogging.xml)" = "$logging_inode" ] || fail "KWNLogging.xml (mode 2644) was not written in place"
say "owner, mode, ACL, user attribute and flags kept: $(head -n 1 "$work/KWNConfig.xml.setup"), $(head -n 1 "$work/KWNLogging.xml.setup")"

before=$(invocation)
as_technician restart --no-ask-password
[ "$status" = 0 ] || fail "hlqctl restart as the technician: exit $status: $out"
after=$(invocation)
[ -n "$before" ] && [ "$after" != "$before" ] && [ "$(inside systemctl is-active kwn.service)" = active ] ||
  fail "kwn.service was not restarted: InvocationID $before, then $after, $(inside systemctl is-active kwn.service)"
say "kwn.service restarted (InvocationID ${before:0:8}... -> ${after:0:8}...)"

# A device file that is a link to /etc/kwn, out of the helper's writable folder.
inside sh -ec 'mkdir -p /etc/kwn && mv /opt/pemo/hlq/KWNConfig.xml /etc/kwn/ &&
  ln -s /etc/kwn/KWNConfig.xml /opt/pemo/hlq/KWNConfig.xml'
as_technician set --json --no-ask-password msr.track1-enabled=false
[ "$status" = 6 ] && grep -q "Read-only file system" <<<"$out" ||
  fail "storing through a link to /etc/kwn without the drop-in: exit $status: $out"
say "a link to /etc/kwn is not stored without the drop-in (exit 6, read-only)"

# Without the rule.
inside rm "$rule"
inside systemctl restart polkit
configuration >"$work/before-refusal"
refused_at=$SECONDS
as_technician set --json --no-ask-password logging.level=error
[ "$status" = 4 ] || fail "hlqctl set without the rule: exit $status, not 4: $out"
as_technician restart --no-ask-password
[ "$status" = 4 ] || fail "hlqctl restart without the rule: exit $status, not 4: $out"
last_call=$SECONDS
configuration | diff -u "$work/before-refusal" - || fail "a refused set changed the configuration"
[ "$(invocation)" = "$after" ] || fail "a refused restart restarted kwn.service"
say "without the rule: exit 4, nothing stored, nothing restarted"

# While the helper waits out its idle time: the drop-in that allows /etc/kwn,
# its rating, and the rule again.
inside sh -ec 'cat >/etc/systemd/system/hlqconfig-helper.service.d/50-kwn-links.conf' <<'DROPIN'
[Service]
ReadWritePaths=-/etc/kwn
DROPIN
inside systemctl daemon-reload
# A set-group-ID file that is group-executable too, whose bit a write
# without CAP_FSETID clears.
inside chmod 2754 /opt/pemo/hlq/KWNLogging.xml
allow_technician
for _ in $(seq 900); do
  [ "$(helper_state)" = active ] || break
  sleep 0.05
done
idle=$((SECONDS - last_call))
result="$(helper_state) $(inside systemctl show -p Result --value hlqconfig-helper.service)"
# The technician's share of the record of refusals keeps the helper until
# its minute is over (a fresh helper would start it afresh): the helper ends
# at the first of its 30 s checks after both that minute and 30 s idle.
earliest=$((refused_at + 60 - last_call))
[ "$earliest" -ge 30 ] || earliest=30
[ "$result" = "inactive success" ] && [ "$idle" -ge $((earliest - 1)) ] &&
  [ "$idle" -le $((earliest + 35)) ] ||
  fail "the helper after $idle s without calls (at the earliest $earliest s): $result"
say "the helper ended by itself $idle s after its last call (at the earliest $earliest s)"

as_technician set --json --no-ask-password msr.track1-enabled=false logging.level=warning
[ "$status" = 0 ] || fail "storing through a link to /etc/kwn with the drop-in: exit $status: $out"
mode=$(inside stat -c %A /opt/pemo/hlq/KWNLogging.xml)
[ "$mode" = -rwxr-sr-- ] || fail "KWNLogging.xml (mode 2754) is $mode after a write in place"
as_technician get --json msr.track1-enabled
same_json "$out" '{"msr.track1-enabled": false}' && inside test -L /opt/pemo/hlq/KWNConfig.xml ||
  fail "through the link with the drop-in: read back $out; $(inside ls -l /opt/pemo/hlq/KWNConfig.xml)"
setup_of KWNConfig.xml | diff -u "$work/KWNConfig.xml.setup" - || fail "storing through the link changed the setup (above)"
say "with ReadWritePaths=-/etc/kwn the link's target is stored and keeps its setup; a mode 2754 file keeps its mode"

# The trace covers both runs of the helper, which saved by rename, in place and through the link.
trace=$(inside cat /var/log/hlqconfig-helper-trace/calls 2>&1 || true)
grep -q 'rename' <<<"$trace" && grep -q '/etc/kwn' <<<"$trace" ||
  fail "the trace does not show the saves: $(head -c 2000 <<<"$trace")"
refused=$(grep EL3HLT <<<"$trace" || true)
[ -z "$refused" ] || fail "the system-call filter refused these calls of the helper: $refused"
say "no call refused by the system-call filter ($(wc -l <<<"$trace") lines of trace)"

# The unit as shipped plus the drop-in, without the trace.
inside rm /etc/systemd/system/hlqconfig-helper.service.d/90-trace.conf
inside systemctl daemon-reload
inside systemd-analyze security --no-pager --threshold=20 hlqconfig-helper.service >"$work/rating" 2>&1 ||
  { cat "$work/rating" >&2; fail "the unit with ReadWritePaths=-/etc/kwn is rated above 2.0"; }
say "the unit with the drop-in: $(grep 'Overall exposure level' "$work/rating")"
say "passed in $((SECONDS - started)) s"
