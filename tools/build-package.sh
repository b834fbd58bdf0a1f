#!/usr/bin/env bash
# Builds the Debian package hlqconfig with CPack from a release build in
# build-package/, and the Ansible collection hlq.kwn (its ansible-galaxy
# build and the Debian package hlqconfig-ansible) in build-package/ansible/,
# and the web console page's package hlqconfig-cockpit in
# build-package/cockpit/. Prints the paths of the collection's tarball, of
# hlqconfig-ansible's and of hlqconfig-cockpit's .deb, then that of
# hlqconfig's .deb as its last line. Installs the Debian
# packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh cmake make g++ pkg-config libgtk-3-dev libtinyxml2-dev nlohmann-json3-dev \
  libusb-1.0-0-dev libpolkit-gobject-1-dev libglib2.0-dev-bin gettext dpkg-dev file ansible-core

# Runs cpack in the build folder DIR and prints the path of the .deb it made
# (NAME says which, should it make none). cpack's own messages go to a log,
# so that the path is all it prints.
cpack_deb() {
  local dir=$1 name=$2 made
  (cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
  made=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$dir/cpack.log")
  [ -f "$made" ] || { cat "$dir/cpack.log" >&2; echo "cpack made no $name" >&2; exit 1; }
  echo "$made"
}

# The package NAME of packaging/DIR, built in build-package/DIR; prints its .deb.
package_folder() {
  local name=$1 dir=build-package/$2
  cmake -S "packaging/$2" -B "$dir" >/dev/null
  cmake --build "$dir" >"$dir/build.log" 2>&1 || { cat "$dir/build.log" >&2; exit 1; }
  cpack_deb "$dir" "$name"
}

# Debian's hardening flags, as Debian's own packages are built with. The
# install prefix is the package's, so that the tool looks for its
# translations where the package puts them.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DHLQ_BUILD_TESTS=OFF -DHLQ_ROOT= \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-package -j2 >/dev/null
deb=$(cpack_deb build-package .deb)

# The collection: built by ansible-galaxy, packaged for Debian's ansible-core.
collection_deb=$(package_folder hlqconfig-ansible ansible)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package/ansible/CMakeCache.txt)
tarball=$PWD/build-package/ansible/hlq-kwn-$version.tar.gz
[ -f "$tarball" ] || { echo "ansible-galaxy made no $tarball" >&2; exit 1; }

# The web console page: static files and its translations, no compiled code.
page_deb=$(package_folder hlqconfig-cockpit cockpit)

echo "$tarball"
echo "$collection_deb"
echo "$page_deb"
echo "$deb"
