// The caller's language for the reasons that one call of the helper gives.
// Only the languages the tool has catalogs for are used ("de_AT.UTF-8@euro"
// counts as "de"), each loaded at most once for the life of the helper;
// "", "C", "POSIX" and anything else leave the reasons untranslated. A
// caller cannot make the helper load locale after locale: the C library
// keeps every locale it was asked for.
#pragma once

#include <locale.h>

#include <string>

// The catalog language (an entry of po/LINGUAS) that a locale name asks
// for, or "" for the untranslated texts.
std::string HLQ_CatalogOfLocale(const char* name);

// The loaded locale of the caller's language, or nullptr for the
// untranslated texts. Main loop only: the loaded locales are kept there.
locale_t HLQ_LocaleOfCaller(const char* name);

// While the object lives, this thread's messages follow the caller's
// language (in UTF-8, whatever character set the name gives).
class CallerLocale {
 public:
  explicit CallerLocale(const char* name);
  // For a thread of its own: a locale that HLQ_LocaleOfCaller gave.
  explicit CallerLocale(locale_t locale);
  ~CallerLocale();
  CallerLocale(const CallerLocale&) = delete;
  CallerLocale& operator=(const CallerLocale&) = delete;

 private:
  locale_t previous_ = nullptr;
};
