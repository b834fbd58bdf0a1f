#include "helper/accepted_call.h"

#include <glib/gi18n-lib.h>

#include <cstring>
#include <set>
#include <tuple>

#include "base/failed.h"
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

// The serialised array as an array of `type`: refused by its size before
// anything of it is unpacked (`tooLarge` says so, %u for the limit), then
// by its form. On success `array` holds it (to be unreffed).
bool unpack(GVariant* serialised, const char* type, const char* tooLarge,
            const char* notWellFormed, GVariant** array, std::string* err) {
  if (g_variant_get_size(serialised) > HLQ_HELPER_MAX_VALUES_BYTES)
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(tooLarge,
                                                         unsigned(HLQ_HELPER_MAX_VALUES_BYTES))));
  GBytes* bytes = g_variant_get_data_as_bytes(serialised);
  *array = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(type), bytes, FALSE));
  g_bytes_unref(bytes);
  if (g_variant_is_normal_form(*array)) return true;
  g_clear_pointer(array, g_variant_unref);
  return HLQ_Failed(err, notWellFormed);
}

// The refusal of a value the tool does not store in `file`.
std::string notStoredIn(const char* file, const char* section, const char* key) {
  // TRANSLATORS: the helper's refusal: section, key, then the file's name.
  return HLQ_OwnedText(g_strdup_printf(_("%s/%s is not a value that the tool stores in the %s file"),
                                       quoted(section).c_str(), quoted(key).c_str(), file));
}

}  // namespace

bool HLQ_CheckFileName(const char* file, std::string* err) {
  if (HLQ_ConfigFilePath(file)) return true;
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(
                             // TRANSLATORS: the helper's refusal; %s is what the caller sent instead of a file name.
                             _("the file must be named \"device\" or \"logging\", not %s"),
                             quoted(file).c_str())));
}

bool HLQ_CheckWrite(const char* file, const char* section, const char* key, const char* attribute,
                    const char* value, std::string* err) {
  if (!HLQ_CheckFileName(file, err)) return false;
  const HLQStoredValue* stored = HLQ_FindStoredValue(file, section, key, attribute);
  if (!stored && attribute && *attribute && HLQ_FindStoredValue(file, section, key, nullptr))
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(
                               // TRANSLATORS: the helper's refusal: the attribute, then section and key.
                               _("%s is not an attribute that the tool stores of %s/%s"),
                               quoted(attribute).c_str(), quoted(section).c_str(),
                               quoted(key).c_str())));
  if (!stored) return HLQ_Failed(err, notStoredIn(file, section, key));
  std::string why;
  if (HLQ_CheckStoredText(*stored, value, &why)) return true;
  // TRANSLATORS: the helper's refusal: the key, then why its value was refused.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("%s: %s"), key, why.c_str())));
}

bool HLQ_CheckLocaleName(const char* locale, std::string* err) {
  if (!locale || std::strlen(locale) <= HLQ_HELPER_MAX_LOCALE_BYTES) return true;
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("the locale name is longer than %u bytes"),
                                                       unsigned(HLQ_HELPER_MAX_LOCALE_BYTES))));
}

bool HLQ_CheckValueCount(size_t count, std::string* err) {
  if (count == 0) return HLQ_Failed(err, _("no value was given"));
  if (count > HLQ_HELPER_MAX_VALUES)
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("more than %u values in one call"),
                                                         unsigned(HLQ_HELPER_MAX_VALUES))));
  return true;
}

namespace {

bool checkValues(const char* file, GVariant* values, std::string* err) {
  if (!HLQ_CheckValueCount(g_variant_n_children(values), err)) return false;
  std::set<std::tuple<std::string, std::string, std::string>> addresses;
  GVariantIter iter;
  const gchar *section, *key, *attribute, *value;
  g_variant_iter_init(&iter, values);
  while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value)) {
    if (!HLQ_CheckWrite(file, section, key, attribute, value, err)) return false;
    if (!addresses.emplace(section, key, attribute).second)
      // TRANSLATORS: the helper's refusal; %s names the value given twice.
      return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("%s is given more than once"),
                                                           quoted(key).c_str())));
  }
  return true;
}

bool checkHeldTexts(const char* file, GVariant* held, std::string* err) {
  if (g_variant_n_children(held) > HLQ_HELPER_MAX_VALUES)
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("more than %u held texts in one call"),
                                                         unsigned(HLQ_HELPER_MAX_VALUES))));
  GVariantIter iter;
  const gchar *section, *key, *attribute, *text;
  gboolean present = FALSE;
  g_variant_iter_init(&iter, held);
  while (g_variant_iter_next(&iter, "(&s&s&sb&s)", &section, &key, &attribute, &present, &text))
    if (!HLQ_FindStoredValue(file, section, key, attribute))
      return HLQ_Failed(err, notStoredIn(file, section, key));
  return true;
}

// Keeps `array` when `checked`, otherwise lets it go.
bool kept(bool checked, GVariant** array) {
  if (!checked) g_clear_pointer(array, g_variant_unref);
  return checked;
}

}  // namespace

bool HLQ_AcceptValues(const char* file, GVariant* serialised, GVariant** values, std::string* err) {
  return unpack(serialised, "a(ssss)", _("the values take more than %u bytes"),
                _("the values are not a well-formed array of (section, key, attribute, value)"),
                values, err) &&
         kept(checkValues(file, *values, err), values);
}

bool HLQ_AcceptHeldTexts(const char* file, GVariant* serialised, GVariant** held, std::string* err) {
  return unpack(serialised, "a(sssbs)", _("the held texts take more than %u bytes"),
                _("the held texts are not a well-formed array of "
                  "(section, key, attribute, present, text)"),
                held, err) &&
         kept(checkHeldTexts(file, *held, err), held);
}

namespace {

const HLQStoredValue* codepage() {
  return HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::CODE_PAGE, nullptr);
}

bool checkName(const char* file, const char* name, std::set<std::string>* seen, std::string* err) {
  const HLQStoredValue* value = HLQ_FindStoredValueNamed(name);
  g_autofree gchar* shown = g_strescape(std::string(name, 0, 64).c_str(), nullptr);
  if (!value || std::strcmp(value->file, file) != 0)
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(
                               // TRANSLATORS: the helper's refusal: the value's name, then the file's name.
                               _("\"%s\" is not a value that the tool stores in the %s file"),
                               shown, file)));
  if (value == codepage())
    return HLQ_Failed(err, _("the code page is planned by the caller, from the printer it sees"));
  if (!seen->insert(name).second)
    // TRANSLATORS: the helper's refusal; %s names the value given twice.
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("\"%s\" is given more than once"),
                                                         shown)));
  return true;
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

bool checkGiven(const char* file, GVariant* array, std::vector<HLQValueRequest>* given,
                std::string* err) {
  if (!HLQ_CheckValueCount(g_variant_n_children(array), err)) return false;
  std::set<std::string> seen;
  GVariantIter iter;
  const gchar *name, *text;
  guint32 kind = 0;
  g_variant_iter_init(&iter, array);
  while (g_variant_iter_next(&iter, "(&su&s)", &name, &kind, &text)) {
    if (!checkName(file, name, &seen, err)) return false;
    if (kind > 3) return HLQ_Failed(err, _("a value's kind is not one of 0 to 3"));
    given->push_back({HLQ_FindStoredValueNamed(name), givenOf(kind, text)});
  }
  return true;
}

}  // namespace

bool HLQ_AcceptGivenValues(const char* file, GVariant* serialised,
                           std::vector<HLQValueRequest>* given, std::string* err) {
  GVariant* array = nullptr;
  if (!unpack(serialised, "a(sus)", _("the values take more than %u bytes"),
              _("the values are not a well-formed array of (name, kind, text)"), &array, err))
    return false;
  std::vector<HLQValueRequest> checked;
  const bool accepted = checkGiven(file, array, &checked, err);
  g_variant_unref(array);
  if (accepted) *given = std::move(checked);
  return accepted;
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
