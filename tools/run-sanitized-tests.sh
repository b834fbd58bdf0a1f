#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/) and runs it under a virtual X
# server. Any sanitizer report fails the test that produced it.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
tools/install-packages.sh cmake make g++ pkg-config libgtk-3-dev libtinyxml2-dev nlohmann-json3-dev \
  libusb-1.0-0-dev libpolkit-gobject-1-dev libglib2.0-dev-bin libgtest-dev xvfb xauth umockdev \
  libumockdev-dev acl gettext locales dbus polkitd libglib2.0-bin

# The USB tests run with umockdev's library preloaded, ahead of the ASan
# runtime; ASan refuses to start in that order unless told not to check it.
# This is needed while building too: listing the tests runs them.
export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
# Leaks that only the system libraries make (see the file) are suppressed.
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHLQ_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
cd build-asan
GDK_GL=disable NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  ctest --output-on-failure --timeout 180 -j2
