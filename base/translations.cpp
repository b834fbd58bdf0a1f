#include "base/translations.h"

#include <glib/gi18n-lib.h>

#include <clocale>

#include "base/fixed_paths.h"

void HLQSetUpTranslations() {
  std::setlocale(LC_ALL, "");
  bindtextdomain(GETTEXT_PACKAGE, HLQ_LocaleDir());
  // GTK shows UTF-8 whatever the locale's own character set.
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
}
