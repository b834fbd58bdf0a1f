#!/usr/bin/env bash
# Extracts every translatable text of the code (the web console page's scripts
# among it), the UI file, the menu entry
# and the polkit action into the translation template po/hlqconfig.pot, or into the file
# given as argument (the tests compare a fresh one with the committed template). After a text
# changed, run it and bring each language up to date:
#   tools/update-pot.sh && msgmerge --update --backup=none po/de.po po/hlqconfig.pot
set -euo pipefail
out="$(realpath -m "${1:-$(dirname "$0")/../po/hlqconfig.pot}")"
cd "$(dirname "$0")/.."
# The files are those of po/POTFILES. The fallback rules for GtkBuilder files
# are the ones this gettext ships; its warning about them says nothing about
# our files. The polkit action's rules come with polkit (package polkitd).
grep -v '^#' po/POTFILES >"$out.files"
trap 'rm -f "$out.files"' EXIT
xgettext --from-code=UTF-8 --keyword=_ --keyword=N_ --add-comments=TRANSLATORS: \
  --package-name=hlqconfig --sort-by-file --output="$out" --files-from="$out.files" \
  2> >(grep -v 'fallback ITS rule' >&2)
