#!/usr/bin/env bash
# Builds the tool and its whole test suite and runs it under a virtual X
# server. Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh cmake make g++ pkg-config libgtk-3-dev libtinyxml2-dev nlohmann-json3-dev \
  libusb-1.0-0-dev libpolkit-gobject-1-dev libglib2.0-dev-bin libgtest-dev xvfb xauth umockdev \
  libumockdev-dev python3-pyatspi python3-xlib at-spi2-core dbus-daemon dbus polkitd \
  libglib2.0-bin acl gettext locales ansible-core python3-voluptuous openssh-server \
  cockpit-ws cockpit-bridge cockpit-system chromium python3-websocket

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-tests -j2
# GDK_GL=disable keeps GTK from probing OpenGL at every start; the AT bridge is
# not wanted by in-process tests (the end-to-end journeys start the tool with
# it, on an X server and a session bus of their own).
(cd build-tests &&
  GDK_GL=disable NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --output-on-failure --timeout 120 -j2)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# then every fuzz target for 30 s.
tools/run-sanitized-tests.sh
tools/run-fuzzers.sh 30

# The Debian package: validators, lintian and the install round trip. Its
# last line counts its checks ("package: N passed, 0 failed").
tools/check-package.sh | tee build-tests/package-checks.log
package_checks=$(sed -n 's/^package: \([0-9]*\) passed.*/\1/p' build-tests/package-checks.log)

# Reached only when everything above passed (any failure ends the script).
count() { (cd "$1" && ctest -N | sed -n 's/^Total Tests: //p'); }
echo "all: $(( $(count build-tests) + $(count build-asan) + 4 + package_checks )) passed, 0 failed"
