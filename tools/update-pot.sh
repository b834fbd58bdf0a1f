#!/usr/bin/env bash
# Extracts every translatable text of the code, the UI file and the menu
# entry into the translation template po/hlqconfig.pot, or into the file
# given as argument (the tests compare a fresh one with the committed template). After a text
# changed, run it and bring each language up to date:
#   tools/update-pot.sh && msgmerge --update --backup=none po/de.po po/hlqconfig.pot
set -euo pipefail
out="$(realpath -m "${1:-$(dirname "$0")/../po/hlqconfig.pot}")"
cd "$(dirname "$0")/.."
# The fallback rules for GtkBuilder files are the ones this gettext ships;
# its warning about them says nothing about our files.
xgettext --from-code=UTF-8 --keyword=_ --keyword=N_ --add-comments=TRANSLATORS: \
  --package-name=hlqconfig --sort-by-file --output="$out" \
  app/*.cpp config/*.cpp devices/*.cpp helper/*.cpp pages/*.cpp ui/hlqconfig.ui \
  packaging/app.desktop.in 2> >(grep -v 'fallback ITS rule' >&2)
