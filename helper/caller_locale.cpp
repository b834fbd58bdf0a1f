#include "helper/caller_locale.h"

#include "helper/bus_names.h"

#include <glib.h>

#include <cstring>
#include <map>
#include <set>
#include <vector>

#ifndef HLQ_CATALOG_LANGUAGES
#define HLQ_CATALOG_LANGUAGES ""
#endif

namespace {

// At most this many names that this system has no locale for are tried per
// language; each costs the C library a little memory it never gives back.
constexpr size_t kFailedNamesKept = 8;

// A locale name's parts: language[_territory][.codeset][@modifier].
struct LocaleName {
  std::string language, territory, codeset, modifier;
};

bool allOf(const std::string& text, size_t least, size_t most, gboolean (*ok)(gchar)) {
  if (text.size() < least || text.size() > most) return false;
  for (char c : text)
    if (!ok(c)) return false;
  return true;
}

gboolean isLower(gchar c) { return g_ascii_islower(c); }
gboolean isUpper(gchar c) { return g_ascii_isupper(c); }
gboolean isDigit(gchar c) { return g_ascii_isdigit(c); }
gboolean isCodesetChar(gchar c) { return g_ascii_isalnum(c) || c == '-'; }
gboolean isModifierChar(gchar c) { return g_ascii_islower(c) || g_ascii_isdigit(c); }

// Splits `text` at the first `mark` into what comes before and after it.
std::string cutAt(std::string* text, char mark) {
  const size_t at = text->find(mark);
  if (at == std::string::npos) return "";
  std::string tail = text->substr(at + 1);
  text->erase(at);
  return tail;
}

// False for anything that is not a well-formed locale name.
bool parse(const std::string& name, LocaleName* parts) {
  std::string rest = name;
  const bool hasModifier = rest.find('@') != std::string::npos;
  parts->modifier = cutAt(&rest, '@');
  const bool hasCodeset = rest.find('.') != std::string::npos;
  parts->codeset = cutAt(&rest, '.');
  const bool hasTerritory = rest.find('_') != std::string::npos;
  parts->territory = cutAt(&rest, '_');
  parts->language = rest;
  return allOf(parts->language, 2, 3, isLower) &&
         (!hasTerritory || allOf(parts->territory, 2, 2, isUpper) ||
          allOf(parts->territory, 3, 3, isDigit)) &&
         (!hasCodeset || allOf(parts->codeset, 1, 16, isCodesetChar)) &&
         (!hasModifier || allOf(parts->modifier, 1, 16, isModifierChar));
}

const std::vector<LocaleName>& catalogs() {
  static const std::vector<LocaleName> known = [] {
    std::vector<LocaleName> entries;
    g_auto(GStrv) names = g_strsplit(HLQ_CATALOG_LANGUAGES, ":", -1);
    for (gchar** name = names; *name; ++name) {
      LocaleName parts;
      if (**name && parse(*name, &parts)) entries.push_back(parts);
    }
    return entries;
  }();
  return known;
}

// The catalog entry that fits best: its language, and its territory and
// modifier where it names them.
const LocaleName* catalogOf(const LocaleName& asked) {
  const LocaleName* best = nullptr;
  for (const LocaleName& entry : catalogs()) {
    if (entry.language != asked.language) continue;
    if (!entry.territory.empty() && entry.territory != asked.territory) continue;
    if (!entry.modifier.empty() && entry.modifier != asked.modifier) continue;
    if (!best || entry.territory.size() + entry.modifier.size() >
                     best->territory.size() + best->modifier.size())
      best = &entry;
  }
  return best;
}

std::string entryName(const LocaleName& entry) {
  std::string name = entry.language;
  if (!entry.territory.empty()) name += "_" + entry.territory;
  if (!entry.modifier.empty()) name += "@" + entry.modifier;
  return name;
}

// The loaded locale of one catalog language, and the names that failed.
struct Loaded {
  locale_t locale = nullptr;
  std::set<std::string> failed;
};
std::map<std::string, Loaded> g_loaded;

// The names tried for a language, always in UTF-8: the caller's own
// territory first, then the language's home territory ("de_DE"), which a
// caller cannot crowd out.
std::vector<std::string> namesToTry(const LocaleName& asked, const LocaleName& entry) {
  const std::string suffix = ".UTF-8" + (entry.modifier.empty() ? "" : "@" + entry.modifier);
  std::string home = entry.territory;
  if (home.empty()) {
    g_autofree gchar* upper = g_ascii_strup(entry.language.c_str(), -1);
    home = upper;
  }
  std::vector<std::string> names;
  if (!asked.territory.empty() && asked.territory != home)
    names.push_back(entry.language + "_" + asked.territory + suffix);
  names.push_back(entry.language + "_" + home + suffix);
  return names;
}

locale_t load(const std::string& name) {
  locale_t base = duplocale(LC_GLOBAL_LOCALE);
  if (!base) return nullptr;
  // Only the messages follow the caller; the character set stays the
  // helper's UTF-8, which is what the reasons are sent in.
  locale_t loaded = newlocale(LC_MESSAGES_MASK, name.c_str(), base);
  if (!loaded) freelocale(base);
  return loaded;
}

locale_t localeOf(const LocaleName& asked, const LocaleName& entry) {
  Loaded& language = g_loaded[entryName(entry)];
  if (language.locale) return language.locale;
  const std::vector<std::string> names = namesToTry(asked, entry);
  for (size_t i = 0; i < names.size() && !language.locale; ++i) {
    const bool isHome = i + 1 == names.size();
    if (language.failed.count(names[i])) continue;
    if (!isHome && language.failed.size() >= kFailedNamesKept) continue;
    language.locale = load(names[i]);
    if (!language.locale) language.failed.insert(names[i]);
  }
  return language.locale;
}

}  // namespace

std::string HLQ_CatalogOfLocale(const char* name) {
  LocaleName asked;
  if (!name || std::strlen(name) > HLQ_HELPER_MAX_LOCALE_BYTES || !parse(name, &asked)) return "";
  const LocaleName* entry = catalogOf(asked);
  return entry ? entryName(*entry) : "";
}

locale_t HLQ_LocaleOfCaller(const char* name) {
  LocaleName asked;
  if (!name || std::strlen(name) > HLQ_HELPER_MAX_LOCALE_BYTES || !parse(name, &asked))
    return nullptr;
  const LocaleName* entry = catalogOf(asked);
  return entry ? localeOf(asked, *entry) : nullptr;
}

CallerLocale::CallerLocale(const char* name) : CallerLocale(HLQ_LocaleOfCaller(name)) {}

CallerLocale::CallerLocale(locale_t locale) {
  if (locale) previous_ = uselocale(locale);
}

CallerLocale::~CallerLocale() {
  if (previous_) uselocale(previous_);
}
