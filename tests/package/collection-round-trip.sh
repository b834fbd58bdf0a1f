#!/usr/bin/env bash
# The install round trip of hlqconfig-ansible (the .deb given), as root:
# apt-get install puts the collection where Debian's ansible-core finds it
# with its default settings (ansible-doc lists and documents both modules
# for a user without collections of their own), and apt-get remove takes
# it all away again. Refuses to run where the package is installed already;
# removes what it installed on any exit.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "collection round trip: installing a package needs root" >&2; exit 1; }
deb=$(realpath "$1")
package=hlqconfig-ansible
collection=/usr/share/ansible/collections/ansible_collections/hlq/kwn
fail() { echo "collection round trip: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' $package 2>/dev/null | grep -q "install ok installed"; }
installed && fail "$package is installed on this machine already; remove it first"

work=$(mktemp -d)
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get $* failed"; }
}
finish() {
  if installed; then apt_get remove $package; fi
  rm -rf "$work"
}
trap finish EXIT

apt_get install --no-install-recommends "$deb"
installed || fail "not installed after apt-get install"
[ -f "$collection/MANIFEST.json" ] || fail "no collection in $collection"
# A home of its own: no collections but the system's, no configuration file.
docs() { env -u ANSIBLE_COLLECTIONS_PATH -u ANSIBLE_CONFIG HOME="$work" ansible-doc "$@" 2>"$work/doc.log"; }
docs -l hlq.kwn >"$work/list" || { cat "$work/doc.log" >&2; fail "ansible-doc -l failed"; }
for module in hlq.kwn.config hlq.kwn.info; do
  grep -q "^$module " "$work/list" || fail "ansible-doc does not list $module"
done
docs hlq.kwn.config | grep -q "max_fail_percentage" || fail "hlq.kwn.config's examples are not shown"
echo "collection round trip: ansible-doc finds hlq.kwn.config and hlq.kwn.info in $collection"

apt_get remove $package
installed && fail "still installed after apt-get remove"
[ ! -e /usr/share/ansible/collections/ansible_collections/hlq ] || fail "the removal left the collection"
echo "collection round trip: removed, nothing left"
