#!/usr/bin/env bash
# The Debian 12 tree that the journey under systemd boots: systemd as PID 1,
# the system bus, polkit, the tools the journey looks with, and every run-time
# dependency of the package given as argument, so that the package installs
# without a network. Made once per machine with mmdebstrap (a few minutes
# through apt) and kept under /var/cache/hlqconfig-tests, named by its
# package list, so that a later run (or another checkout) reuses it; a tree
# made for another list is removed once the new one is complete. Prints the
# tree's path. Runs as root.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "systemd tree: needs root" >&2; exit 1; }
deb=$1
cache=/var/cache/hlqconfig-tests
suite=bookworm

# The package's Depends, each by its first alternative without versions.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' |
  sed -e 's/|.*//' -e 's/(.*)//' -e 's/:any//' -e 's/[[:space:]]//g' | grep .)
packages=$(printf '%s\n' systemd systemd-sysv dbus polkitd libpolkit-agent-1-0 acl attr \
  e2fsprogs procps strace $depends | sort -u)
key=$(printf '%s\n' "$suite" $packages | sha256sum | cut -c1-16)
tree=$cache/systemd-tree-$key

mkdir -p "$cache"
# One maker at a time; a second run waits and then finds the tree made.
exec 9>"$cache/tree.lock"
flock 9
if [ ! -d "$tree" ]; then
  echo "systemd tree: making $tree (once per machine, a few minutes)" >&2
  partial=$cache/partial-$key
  rm -rf "$partial"
  mmdebstrap --quiet --variant=apt --include="$(echo $packages | tr ' ' ',')" \
    "$suite" "$partial" /etc/apt/sources.list.d/debian.sources >"$cache/mmdebstrap.log" 2>&1 ||
    { cat "$cache/mmdebstrap.log" >&2; rm -rf "$partial"; echo "systemd tree: mmdebstrap failed" >&2; exit 1; }
  # Nothing of the host's identity: systemd gives the container a machine ID at boot.
  : >"$partial/etc/machine-id"
  mv "$partial" "$tree"
  for old in "$cache"/systemd-tree-*; do [ "$old" = "$tree" ] || rm -rf "$old"; done
fi
echo "$tree"
