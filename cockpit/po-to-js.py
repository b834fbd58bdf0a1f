#!/usr/bin/python3
"""Writes a compiled catalog (.mo) as the web console's po.LANG.js: the
page's texts and their translations, handed to cockpit.locale().

usage: po-to-js.py CATALOG.mo LANGUAGE OUTPUT.js"""
import gettext
import json
import re
import sys


def main(mo_path, language, output):
    with open(mo_path, "rb") as mo:
        catalog = gettext.GNUTranslations(mo)
    header = catalog._info  # the catalog's own header fields
    plural = re.search(r"plural=([^;]+)", header.get("plural-forms", "")) or None
    expression = plural.group(1).strip() if plural else "n != 1"
    if not re.fullmatch(r"[n0-9 ()!=<>&|?:%+-]+", expression):
        raise SystemExit("unexpected Plural-Forms expression: " + expression)
    entries = {}
    for msgid, msgstr in sorted(catalog._catalog.items(), key=str):
        if msgid == "":
            continue
        if isinstance(msgid, tuple):  # a plural form: (msgid, index)
            entries.setdefault(msgid[0], [None])
            slot = entries[msgid[0]]
            slot.extend([None] * (msgid[1] + 2 - len(slot)))
            slot[msgid[1] + 1] = msgstr
        else:
            entries[msgid] = [None, msgstr]
    body = ",\n".join(" %s: %s" % (json.dumps(k, ensure_ascii=False), json.dumps(v, ensure_ascii=False))
                      for k, v in entries.items())
    with open(output, "w", encoding="utf-8") as out:
        out.write('cockpit.locale({\n "": {"plural-forms": function(n) { return Number(%s); }, '
                  '"language": %s, "language-direction": "ltr"}%s\n});\n'
                  % (expression, json.dumps(language), (",\n" + body) if body else ""))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
