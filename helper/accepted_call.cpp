#include "helper/accepted_call.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstring>

#include "config/config_layout.h"
#include "config/xml_config.h"

namespace {

// A caller's text as it may be quoted back: escaped and cut short, so that
// no control character or long string reaches a message or the journal.
std::string quoted(const char* text) {
  constexpr size_t kShown = 64;
  std::string cut(text ? text : "", 0, kShown);
  g_autofree gchar* escaped = g_strescape(cut.c_str(), nullptr);
  std::string shown = std::string("\"") + escaped + "\"";
  if (text && std::strlen(text) > kShown) shown += "...";
  return shown;
}

// Takes over a text made by g_strdup_printf.
std::string owned(gchar* text) {
  std::string copy = text;
  g_free(text);
  return copy;
}

std::string refusalOfFile(const char* file) {
  if (HLQ_ConfigFilePath(file)) return "";
  // TRANSLATORS: the helper's refusal; %s is what the caller sent instead of a file name.
  return owned(g_strdup_printf(_("the file must be named \"device\" or \"logging\", not %s"),
                               quoted(file).c_str()));
}

// The stored key, or nullptr with `why` set.
const HLQStoredKey* storedKey(const char* file, const char* section, const char* key,
                              std::string* why) {
  *why = refusalOfFile(file);
  if (!why->empty()) return nullptr;
  const HLQStoredKey* stored = HLQ_FindStoredKey(file, section, key);
  if (!stored)
    // TRANSLATORS: the helper's refusal: section, key, then the file's name.
    *why = owned(g_strdup_printf(_("%s/%s is not a value that the tool stores in the %s file"),
                                 quoted(section).c_str(), quoted(key).c_str(), file));
  return stored;
}

std::string refusalOfValue(const char* value) {
  if (!value || !HLQ_IsXmlSafeText(value))
    return _("the value is not text that the file keeps unchanged "
             "(it holds a control character or is not UTF-8)");
  if (std::strlen(value) > HLQ_HELPER_MAX_VALUE_BYTES)
    return owned(g_strdup_printf(_("the value is longer than %u bytes"),
                                 unsigned(HLQ_HELPER_MAX_VALUE_BYTES)));
  return "";
}

}  // namespace

std::string HLQ_RefusalOfWrite(const char* file, const char* section, const char* key,
                               const char* attribute, const char* value) {
  std::string why;
  const HLQStoredKey* stored = storedKey(file, section, key, &why);
  if (!stored) return why;
  if (attribute && *attribute && !HLQ_IsStoredAttribute(*stored, attribute))
    // TRANSLATORS: the helper's refusal: the attribute, then section and key.
    return owned(g_strdup_printf(_("%s is not an attribute that the tool stores of %s/%s"),
                                 quoted(attribute).c_str(), section, key));
  return refusalOfValue(value);
}

std::string HLQ_RefusalOfValueCount(size_t count) {
  if (count == 0) return _("no value was given");
  if (count > HLQ_HELPER_MAX_VALUES)
    return owned(g_strdup_printf(_("more than %u values in one call"),
                                 unsigned(HLQ_HELPER_MAX_VALUES)));
  return "";
}

std::string HLQ_RefusalOfReadText(const char* file, const char* section, const char* key) {
  std::string why;
  storedKey(file, section, key, &why);
  return why;
}

std::string HLQ_RefusalOfLocale(const char* locale) {
  constexpr size_t kLongest = 64;
  bool valid = locale && std::strlen(locale) <= kLongest && locale[0] != '.';
  for (const char* c = locale; valid && *c; ++c)
    valid = g_ascii_isalnum(*c) || std::strchr("_.@-", *c);
  if (valid) return "";
  // TRANSLATORS: the helper's refusal; %s is what the caller sent as its locale.
  return owned(g_strdup_printf(_("%s is not a locale name"), quoted(locale).c_str()));
}
