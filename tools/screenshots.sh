#!/usr/bin/env bash
# Saves a picture of each of the tool's five tabs, from the sandbox demo
# (tools/run-demo.sh) on a virtual X server of its own:
#   tools/screenshots.sh        English, into docs/screenshots/
#   tools/screenshots.sh de     LANGUAGE=de with a German UTF-8 locale, into docs/screenshots/de/
# The pictures show the sandbox's configuration as it is now (the sample
# configuration on a fresh checkout). Each is cropped to the window; no
# window manager runs, so the window has no frame.
set -euo pipefail
cd "$(dirname "$0")/.."
lang="${1:-}"
names=(printer.png cash-drawer.png line-display.png msr.png logging.png)

if [ "${HLQ_SHOTS_INSIDE:-}" != 1 ]; then
  tools/install-packages.sh xvfb xauth xdotool imagemagick x11-utils \
    python3-pyatspi at-spi2-core dbus-daemon locales
  locale_env=()
  if [ -n "$lang" ]; then
    # A UTF-8 locale for the language: the machine's own when it has one,
    # otherwise built from the locales package's sources under build/locale
    # (gettext ignores LANGUAGE in the C locale).
    if [[ ! "$lang" =~ ^[a-z]{2,3}(_[A-Z]{2})?$ ]]; then
      echo "screenshots: '$lang' is not a language code such as de or pt_BR" >&2
      exit 1
    fi
    territory='_[A-Z]*'
    [[ "$lang" != *_* ]] || territory=''
    locale_name=$(locale -a | grep -i -m1 "^${lang}${territory}\.utf-\?8$" || true)
    if [ -z "$locale_name" ]; then
      sources=/usr/share/i18n/locales
      source_name="$lang"
      [[ "$lang" == *_* ]] || source_name="${lang}_${lang^^}"
      if [ ! -e "$sources/$source_name" ]; then
        for candidate in "$sources/${lang}"_[A-Z]*; do
          source_name=$(basename "$candidate")
          break
        done
      fi
      if [ ! -e "$sources/$source_name" ]; then
        echo "screenshots: no locale source for the language '$lang' in $sources" >&2
        exit 1
      fi
      locale_name="$source_name.UTF-8"
      mkdir -p build/locale
      # localedef also fails on mere warnings; what counts is the result.
      [ -e "build/locale/$locale_name/LC_CTYPE" ] ||
        localedef -i "$source_name" -f UTF-8 "build/locale/$locale_name" ||
        [ -e "build/locale/$locale_name/LC_CTYPE" ]
      locale_env+=("LOCPATH=$PWD/build/locale")
    fi
    locale_env+=("LANG=$locale_name" "LC_ALL=$locale_name" "LANGUAGE=$lang")
  fi
  # The demo builds before it shows anything; build here, so that waiting
  # for the window below only waits for the start-up.
  cmake -S . -B build-demo -DHLQ_ROOT="$PWD/sandbox" -DHLQ_BUILD_TESTS=OFF >/dev/null
  cmake --build build-demo -j2 >/dev/null
  exec env "${locale_env[@]}" HLQ_SHOTS_INSIDE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    dbus-run-session -- "$0" "$@"
fi

if [ -n "$lang" ] && [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  echo "screenshots: the locale $LC_ALL did not take effect" >&2
  exit 1
fi
out="docs/screenshots${lang:+/$lang}"
mkdir -p "$out"
for f in KWNConfig.xml KWNLogging.xml; do
  [ ! -e "sandbox/opt/pemo/hlq/$f" ] || cmp -s "data/$f" "sandbox/opt/pemo/hlq/$f" ||
    echo "screenshots: note: sandbox/opt/pemo/hlq/$f differs from the sample in data/" >&2
done

unset NO_AT_BRIDGE  # the tabs are found through the accessibility bus
export GDK_GL=disable
tools/run-demo.sh >/dev/null &
demo=$!  # run-demo.sh ends by exec'ing the tool: this is the tool's process
trap 'kill -INT $demo 2>/dev/null || true; wait $demo 2>/dev/null || true' EXIT

window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$demo" | head -n1)
geometry=$(xwininfo -id "$window")
field() { awk -F: -v k="$1" '$1 ~ k { gsub(/ /, "", $2); print $2 }' <<<"$geometry"; }
crop="$(field Width)x$(field Height)+$(field 'Absolute upper-left X')+$(field 'Absolute upper-left Y')"

/usr/bin/python3 tools/screenshots/shoot_tabs.py "$demo" "$crop" "${names[@]/#/$out/}"
