#!/usr/bin/env bash
# Builds the tool with its fixed paths under ./sandbox, puts the UI file, the
# translations and the sample configuration there (the configuration only
# when it is not there yet, so earlier edits survive), and starts the window. A stand-in
# systemctl answers the restart on close; the code page record of an attached
# printer can be published with build-demo/hlq_publish_codepages.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh cmake make g++ pkg-config libgtk-3-dev libtinyxml2-dev nlohmann-json3-dev libusb-1.0-0-dev gettext \
  libpolkit-gobject-1-dev libglib2.0-dev-bin

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "hlqconfig is a graphical tool and there is no display here (DISPLAY is not set)." >&2
  echo "Run it from a desktop session, or under a virtual X server: xvfb-run -a $0" >&2
  exit 1
fi

root="$PWD/sandbox"
cmake -S . -B build-demo -DHLQ_ROOT="$root" -DHLQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-demo -j2 >/dev/null
mkdir -p "$root/opt/pemo/hlq" "$root/tmp"
cp ui/hlqconfig.ui "$root/opt/pemo/hlq/hlqconfig.ui"
# The translations, where the sandbox build looks for them (LANGUAGE=de ...).
mkdir -p "$root/usr/share/locale"
cp -r build-demo/locale/. "$root/usr/share/locale/"
for f in KWNConfig.xml KWNLogging.xml; do
  [ -e "$root/opt/pemo/hlq/$f" ] || cp "data/$f" "$root/opt/pemo/hlq/$f"
done
echo "Configuration files: $root/opt/pemo/hlq"
PATH="$PWD/tools/standin-bin:$PATH" exec build-demo/hlqconfig
