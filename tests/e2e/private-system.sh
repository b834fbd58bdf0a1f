#!/bin/sh
# Runs a command as root in a mount namespace of its own, where /run (and
# with it the system bus's socket), /dev/shm, the folder of the system bus's
# service files and polkit's folders of actions and local rules are fresh
# memory file systems. A system bus and a polkit daemon started there see
# only what the test puts in them, and nothing reaches the machine's own.
set -eu
[ "$(id -u)" -eq 0 ] || { echo "$0: a system bus and polkit of its own need root" >&2; exit 1; }
if [ -z "${HLQ_PRIVATE_SYSTEM:-}" ]; then
  export HLQ_PRIVATE_SYSTEM=1
  exec unshare --mount --propagation private "$0" "$@"
fi
# /run holds the copies of the programs the technician runs, which a
# sanitized build makes large; a tmpfs takes memory only for what it holds.
for folder in /run /dev/shm /usr/share/dbus-1/system-services /usr/share/polkit-1/actions \
              /etc/polkit-1/rules.d; do
  mount -t tmpfs -o mode=0755,size=128m hlq-private-system "$folder"
done
chmod 1777 /dev/shm
exec "$@"
