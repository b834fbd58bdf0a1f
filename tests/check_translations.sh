#!/usr/bin/env bash
# Checks of the translations, run by ctest:
#   template      po/POTFILES lists every file of the code with texts, and
#                 po/hlqconfig.pot holds exactly the translatable texts that
#                 xgettext finds in those files today
#   catalog LANG  po/LANG.po is accepted by msgfmt --check and translates every
#                 text of the template, with no fuzzy or untranslated entry
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
pot="$src/po/hlqconfig.pot"
case "${1:-}" in
  template)
    unlisted=$(cd "$src" && grep -l '_("' app/*.cpp config/*.cpp devices/*.cpp helper/*.cpp \
      pages/*.cpp model/*.cpp hlqctl/*.cpp cockpit/*.js | grep -vxFf <(grep -v '^#' po/POTFILES) || true)
    [ -z "$unlisted" ] || { echo "po/POTFILES lacks: $unlisted" >&2; exit 1; }
    fresh="$(mktemp --suffix=.pot)"
    trap 'rm -f "$fresh"' EXIT
    "$src/tools/update-pot.sh" "$fresh"
    msgcmp --use-untranslated "$pot" "$fresh" ||
      { echo "po/hlqconfig.pot lacks the texts above: run tools/update-pot.sh" >&2; exit 1; }
    msgcmp --use-untranslated "$fresh" "$pot" ||
      { echo "po/hlqconfig.pot holds texts the code no longer has: run tools/update-pot.sh" >&2; exit 1; }
    ;;
  catalog)
    po="$src/po/${2:?which language}.po"
    msgfmt --check --output-file=/dev/null "$po"
    # msgcmp counts fuzzy and untranslated entries as missing.
    msgcmp "$po" "$pot"
    ;;
  *) echo "usage: $0 template | catalog LANG" >&2; exit 2 ;;
esac
