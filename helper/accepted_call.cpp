#include "helper/accepted_call.h"

#include <glib/gi18n-lib.h>

#include <cstring>
#include <set>
#include <tuple>

#include "base/owned_text.h"
#include "config/config_layout.h"
#include "helper/bus_names.h"
#include "model/page_model.h"

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

}  // namespace

std::string HLQ_RefusalOfFile(const char* file) {
  if (HLQ_ConfigFilePath(file)) return "";
  // TRANSLATORS: the helper's refusal; %s is what the caller sent instead of a file name.
  return HLQ_OwnedText(g_strdup_printf(_("the file must be named \"device\" or \"logging\", not %s"),
                               quoted(file).c_str()));
}

std::string HLQ_RefusalOfWrite(const char* file, const char* section, const char* key,
                               const char* attribute, const char* value) {
  std::string why = HLQ_RefusalOfFile(file);
  if (!why.empty()) return why;
  const HLQStoredValue* stored = HLQ_FindStoredValue(file, section, key, attribute);
  if (!stored && attribute && *attribute && HLQ_FindStoredValue(file, section, key, nullptr))
    // TRANSLATORS: the helper's refusal: the attribute, then section and key.
    return HLQ_OwnedText(g_strdup_printf(_("%s is not an attribute that the tool stores of %s/%s"),
                                 quoted(attribute).c_str(), quoted(section).c_str(),
                                 quoted(key).c_str()));
  if (!stored)
    // TRANSLATORS: the helper's refusal: section, key, then the file's name.
    return HLQ_OwnedText(g_strdup_printf(_("%s/%s is not a value that the tool stores in the %s file"),
                                 quoted(section).c_str(), quoted(key).c_str(), file));
  if (HLQ_CheckStoredText(*stored, value, &why)) return "";
  // TRANSLATORS: the helper's refusal: the key, then why its value was refused.
  return HLQ_OwnedText(g_strdup_printf(_("%s: %s"), key, why.c_str()));
}

std::string HLQ_RefusalOfLocale(const char* locale) {
  if (!locale || std::strlen(locale) <= HLQ_HELPER_MAX_LOCALE_BYTES) return "";
  return HLQ_OwnedText(g_strdup_printf(_("the locale name is longer than %u bytes"),
                               unsigned(HLQ_HELPER_MAX_LOCALE_BYTES)));
}

std::string HLQ_RefusalOfValueCount(size_t count) {
  if (count == 0) return _("no value was given");
  if (count > HLQ_HELPER_MAX_VALUES)
    return HLQ_OwnedText(g_strdup_printf(_("more than %u values in one call"),
                                 unsigned(HLQ_HELPER_MAX_VALUES)));
  return "";
}

GVariant* HLQ_AcceptedValues(const char* file, GVariant* serialised, std::string* refusal) {
  const gsize size = g_variant_get_size(serialised);
  if (size > HLQ_HELPER_MAX_VALUES_BYTES) {
    *refusal = HLQ_OwnedText(g_strdup_printf(_("the values take more than %u bytes"),
                                     unsigned(HLQ_HELPER_MAX_VALUES_BYTES)));
    return nullptr;
  }
  GBytes* bytes = g_variant_get_data_as_bytes(serialised);
  GVariant* values =
      g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("a(ssss)"), bytes, FALSE));
  g_bytes_unref(bytes);
  if (!g_variant_is_normal_form(values))
    *refusal = _("the values are not a well-formed array of (section, key, attribute, value)");
  else
    *refusal = HLQ_RefusalOfValueCount(g_variant_n_children(values));
  std::set<std::tuple<std::string, std::string, std::string>> addresses;
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (refusal->empty() &&
         g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value)) {
    *refusal = HLQ_RefusalOfWrite(file, section, key, attribute, value);
    if (refusal->empty() && !addresses.emplace(section, key, attribute).second)
      // TRANSLATORS: the helper's refusal; %s names the value given twice.
      *refusal = HLQ_OwnedText(g_strdup_printf(_("%s is given more than once"), quoted(key).c_str()));
  }
  if (refusal->empty()) return values;
  g_variant_unref(values);
  return nullptr;
}

GVariant* HLQ_AcceptedHeldTexts(const char* file, GVariant* serialised, std::string* refusal) {
  if (g_variant_get_size(serialised) > HLQ_HELPER_MAX_VALUES_BYTES) {
    *refusal = HLQ_OwnedText(g_strdup_printf(_("the held texts take more than %u bytes"),
                                     unsigned(HLQ_HELPER_MAX_VALUES_BYTES)));
    return nullptr;
  }
  GBytes* bytes = g_variant_get_data_as_bytes(serialised);
  GVariant* held =
      g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("a(sssbs)"), bytes, FALSE));
  g_bytes_unref(bytes);
  if (!g_variant_is_normal_form(held))
    *refusal = _("the held texts are not a well-formed array of "
                 "(section, key, attribute, present, text)");
  else if (g_variant_n_children(held) > HLQ_HELPER_MAX_VALUES)
    *refusal = HLQ_OwnedText(g_strdup_printf(_("more than %u held texts in one call"),
                                     unsigned(HLQ_HELPER_MAX_VALUES)));
  GVariantIter iter;
  const gchar *section, *key, *attribute, *text;
  gboolean present = FALSE;
  g_variant_iter_init(&iter, held);
  while (refusal->empty() && g_variant_iter_next(&iter, "(&s&s&sb&s)", &section, &key,
                                                 &attribute, &present, &text))
    if (!HLQ_FindStoredValue(file, section, key, attribute))
      // TRANSLATORS: the helper's refusal: section, key, then the file's name.
      *refusal = HLQ_OwnedText(g_strdup_printf(_("%s/%s is not a value that the tool stores in the %s "
                                         "file"),
                                       quoted(section).c_str(), quoted(key).c_str(), file));
  if (refusal->empty()) return held;
  g_variant_unref(held);
  return nullptr;
}

namespace {

const HLQStoredValue* codepage() {
  return HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::CODE_PAGE, nullptr);
}

std::string refusalOfName(const char* file, const char* name, std::set<std::string>* seen) {
  const HLQStoredValue* value = HLQ_FindStoredValueNamed(name);
  g_autofree gchar* shown = g_strescape(std::string(name, 0, 64).c_str(), nullptr);
  if (!value || std::strcmp(value->file, file) != 0)
    // TRANSLATORS: the helper's refusal: the value's name, then the file's name.
    return HLQ_OwnedText(g_strdup_printf(_("\"%s\" is not a value that the tool stores in the %s file"),
                                 shown, file));
  if (value == codepage())
    return _("the code page is planned by the caller, from the printer it sees");
  if (!seen->insert(name).second)
    // TRANSLATORS: the helper's refusal; %s names the value given twice.
    return HLQ_OwnedText(g_strdup_printf(_("\"%s\" is given more than once"), shown));
  return "";
}

HLQGivenValue givenOf(guint32 kind, const char* text) {
  HLQGivenValue given;
  given.kind = kind == 1 ? HLQGivenValue::Kind::Boolean
               : kind == 2 ? HLQGivenValue::Kind::Number
               : kind == 3 ? HLQGivenValue::Kind::Other
                           : HLQGivenValue::Kind::Text;
  given.text = text;
  given.on = std::strcmp(text, "true") == 0;
  return given;
}

}  // namespace

std::vector<HLQValueRequest> HLQ_AcceptedGivenValues(const char* file, GVariant* serialised,
                                                     std::string* refusal) {
  std::vector<HLQValueRequest> requests;
  if (g_variant_get_size(serialised) > HLQ_HELPER_MAX_VALUES_BYTES) {
    *refusal = HLQ_OwnedText(g_strdup_printf(_("the values take more than %u bytes"),
                                     unsigned(HLQ_HELPER_MAX_VALUES_BYTES)));
    return requests;
  }
  GBytes* bytes = g_variant_get_data_as_bytes(serialised);
  GVariant* given =
      g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("a(sus)"), bytes, FALSE));
  g_bytes_unref(bytes);
  const size_t count = g_variant_n_children(given);
  if (!g_variant_is_normal_form(given))
    *refusal = _("the values are not a well-formed array of (name, kind, text)");
  else if (count == 0)
    *refusal = _("no value was given");
  else if (count > HLQ_HELPER_MAX_VALUES)
    *refusal = HLQ_OwnedText(g_strdup_printf(_("more than %u values in one call"),
                                     unsigned(HLQ_HELPER_MAX_VALUES)));
  std::set<std::string> seen;
  GVariantIter iter;
  const gchar *name, *text;
  guint32 kind = 0;
  g_variant_iter_init(&iter, given);
  while (refusal->empty() && g_variant_iter_next(&iter, "(&su&s)", &name, &kind, &text)) {
    *refusal = refusalOfName(file, name, &seen);
    if (refusal->empty() && kind > 3) *refusal = _("a value's kind is not one of 0 to 3");
    if (refusal->empty()) requests.push_back({HLQ_FindStoredValueNamed(name), givenOf(kind, text)});
  }
  g_variant_unref(given);
  if (!refusal->empty()) requests.clear();
  return requests;
}

namespace {

// The name scripts know a stored value by; a wrapper's kept-aside text has
// none of its own and goes by its wrapper's.
const char* nameOf(const HLQStoredValue& value) {
  if (value.name) return value.name;
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS)
    if (std::strcmp(value.key, wrapper.keptAside) == 0) {
      const HLQStoredValue* active =
          HLQ_FindStoredValue(value.file, value.section, wrapper.active, nullptr);
      if (active && active->name) return active->name;
    }
  return value.key;
}

}  // namespace

std::string HLQ_NamesOfValues(const char* file, GVariant* values) {
  std::set<std::string> seen;
  std::string names;
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value)) {
    const HLQStoredValue* stored = HLQ_FindStoredValue(file, section, key, attribute);
    if (!stored || !seen.insert(nameOf(*stored)).second) continue;
    names += (names.empty() ? "" : ",") + std::string(nameOf(*stored));
  }
  return names;
}
