#!/usr/bin/env bash
# Builds the Debian package and proves it: the desktop entry, the AppStream
# file, the polkit action, the bus policy and the icon pass their validators,
# the helper's systemd unit is rated 2.0 or lower,
# lintian finds no error, and the install round trip (tests/package/round-trip.sh) passes,
# and so does the journey under a real systemd (tests/package/under-systemd.sh).
# The same for the Ansible collection: its tarball and hlqconfig-ansible
# hold both modules with their documentation, lintian finds no error, and
# the package puts them where ansible-core looks for collections. And
# hlqconfig-cockpit: lintian finds no error, and the round trip installs it
# beside hlqconfig where the web console finds its page. Runs as
# root; installs the Debian packages it needs when they are missing. The
# last line counts the checks.
set -euo pipefail
cd "$(dirname "$0")/.."
# systemd-container without its recommends (install-packages.sh installs none):
# libnss-mymachines would change the machine's /etc/nsswitch.conf.
tools/install-packages.sh desktop-file-utils appstream libxml2-utils lintian \
  xvfb xauth umockdev python3-pyatspi python3-xlib at-spi2-core dbus-daemon dbus polkitd \
  libglib2.0-bin weston systemd man-db ansible-core systemd-container mmdebstrap cockpit-bridge

built=$(tools/build-package.sh | tail -n 4)
tarball=$(sed -n 1p <<<"$built")
collection_deb=$(sed -n 2p <<<"$built")
page_deb=$(sed -n 3p <<<"$built")
deb=$(sed -n 4p <<<"$built")
echo "package: $deb"
echo "package: $collection_deb"
echo "package: $page_deb"
echo "collection: $tarball"
contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
mkdir "$contents/ansible" "$contents/galaxy"
dpkg-deb -x "$collection_deb" "$contents/ansible"
app=org.hlqconfig.hlqconfig
passed=0
check() {
  local name=$1
  shift
  "$@" || { echo "FAIL  $name" >&2; exit 1; }
  echo "PASS  $name"
  passed=$((passed + 1))
}

check "desktop entry" desktop-file-validate "$contents/usr/share/applications/$app.desktop"
check "AppStream file" appstreamcli validate --no-net "$contents/usr/share/metainfo/$app.metainfo.xml"
check "polkit action, bus policy and icon are well-formed XML" xmllint --noout \
  "$contents/usr/share/polkit-1/actions/$app.policy" \
  "$contents/usr/share/dbus-1/system.d/org.hlqconfig.Helper1.conf" \
  "$contents/usr/share/icons/hicolor/scalable/apps/$app.svg"
# The action's document type as polkit installs it. D-Bus's own busconfig.dtd
# is older than the attributes every policy uses (Debian's own fail it), so
# the bus policy is proven by the round trip's system bus instead.
check "polkit action follows its document type" xmllint --noout \
  --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$contents/usr/share/polkit-1/actions/$app.policy"
# The helper's unit as systemd rates its sandbox (0 to 100 tenths; 20 is
# "2.0 OK"), read from the package without installing it. That the unit is
# valid (systemd-analyze verify, which needs the helper and the manual page in
# place) is checked by the round trip once the package is installed.
check "helper unit exposure 2.0 or lower" systemd-analyze security --offline=true --threshold=20 \
  --no-pager "$contents/lib/systemd/system/hlqconfig-helper.service"
# Warnings are reported; errors fail. The package's overrides say why each is there.
check "lintian" lintian --fail-on error "$deb"
check "hlqconfig-cockpit: lintian" lintian --fail-on error "$page_deb"
check "install round trip" tests/package/round-trip.sh "$deb" "$page_deb"
check "journey under systemd" tests/package/under-systemd.sh "$deb"

# Both modules, with the documentation ansible-doc shows, in the collection's
# build and in hlqconfig-ansible.
documented() {
  for module in config info; do
    ANSIBLE_COLLECTIONS_PATH=$1 ansible-doc "hlq.kwn.$module" >"$contents/doc" 2>/dev/null &&
      grep -q "^EXAMPLES:" "$contents/doc" ||
      { echo "hlq.kwn.$module: no documentation in $1" >&2; return 1; }
  done
}
check "collection tarball installs with ansible-galaxy" \
  ansible-galaxy collection install --offline -p "$contents/galaxy" "$tarball"
check "collection tarball's modules are documented" documented "$contents/galaxy"
check "hlqconfig-ansible's modules are documented" \
  documented "$contents/ansible/usr/share/ansible/collections"
check "hlqconfig-ansible: lintian" lintian --fail-on error "$collection_deb"
# The package's folder is one that ansible-core searches by default (for a
# user with no configuration of their own).
default_collection_paths() {
  env -u ANSIBLE_COLLECTIONS_PATH -u ANSIBLE_CONFIG HOME="$contents" ansible-config dump |
    grep "^COLLECTIONS_PATHS(default) = .*'/usr/share/ansible/collections'"
}
check "hlqconfig-ansible's folder is searched by ansible-core" default_collection_paths
echo "package: $passed passed, 0 failed"
