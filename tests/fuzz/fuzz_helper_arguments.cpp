// Fuzzes what the privileged helper accepts of a caller, with any bytes for
// its arguments: split at NUL bytes into file, section, key, attribute,
// value and locale, and taken whole as the serialised arrays of WriteValues
// (values), WriteValuesIfHeld (held texts) and WriteGivenValues (values as
// given). Only what a page stores is accepted: every accepted value is in the
// page model's table, in its own file, and passes its key's rule; a held text
// or a given value names a value of that file (never the code page for a
// given one); an accepted array holds at most 64, each address or name once. A refusal is
// always short UTF-8 without control characters, fit to go back over the bus
// and into the journal; a locale selects a language with a catalog or none.
#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "helper/accepted_call.h"
#include "helper/bus_names.h"
#include "helper/caller_locale.h"
#include "model/page_model.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
  std::fprintf(stderr, "\nFAULT: %s: %s\n", what, detail.c_str());
  std::abort();
}

void checkRefusalText(const std::string& refusal) {
  if (refusal.size() > 600) fault("a refusal too long to quote", refusal);
  if (!g_utf8_validate(refusal.c_str(), -1, nullptr)) fault("a refusal that is not UTF-8", refusal);
  for (unsigned char c : refusal)
    if (c < 0x20 || c == 0x7f) fault("a control character in a refusal", refusal);
}

// An accepted value: in the table, in that file, and one its page can write.
void checkAccepted(const char* file, const char* section, const char* key, const char* attribute,
                   const char* value) {
  if (!HLQ_ConfigFilePath(file)) fault("accepted a file that is not one of the two", file);
  const HLQStoredValue* stored = HLQ_FindStoredValue(file, section, key, attribute);
  if (!stored || std::strcmp(stored->file, file) != 0)
    fault("accepted a value no page stores in that file", std::string(section) + "/" + key);
  if (!HLQ_CheckStoredText(*stored, value, nullptr))
    fault("accepted a value its page cannot write there", value);
  if (!HLQ_IsXmlSafeText(value)) fault("accepted a value the file cannot keep", value);
  if (std::strlen(value) > 255) fault("accepted a value longer than any page stores", value);
}

// The whole input as WriteValues' serialised array.
void checkValuesArray(const char* file, const uint8_t* data, size_t size) {
  GVariant* serialised = g_variant_ref_sink(
      g_variant_new_from_data(G_VARIANT_TYPE_BYTESTRING, data, size, TRUE, nullptr, nullptr));
  std::string refusal;
  GVariant* values = nullptr;
  const bool accepted = HLQ_AcceptValues(file, serialised, &values, &refusal);
  checkRefusalText(refusal);
  if (accepted) {
    if (!refusal.empty()) fault("accepted values with a refusal", refusal);
    const size_t count = g_variant_n_children(values);
    if (count == 0 || count > HLQ_HELPER_MAX_VALUES) fault("accepted a count", std::to_string(count));
    std::set<std::tuple<std::string, std::string, std::string>> addresses;
    GVariantIter iter;
    const gchar *section, *key, *attribute, *value;
    g_variant_iter_init(&iter, values);
    while (g_variant_iter_next(&iter, "(&s&s&s&s)", &section, &key, &attribute, &value)) {
      checkAccepted(file, section, key, attribute, value);
      if (!addresses.emplace(section, key, attribute).second)
        fault("accepted an address twice", std::string(section) + "/" + key);
    }
    g_variant_unref(values);
  } else if (refusal.empty()) {
    fault("refused values without a reason", "");
  }
  g_variant_unref(serialised);
}

GVariant* serialisedOf(const uint8_t* data, size_t size) {
  return g_variant_ref_sink(
      g_variant_new_from_data(G_VARIANT_TYPE_BYTESTRING, data, size, TRUE, nullptr, nullptr));
}

// The whole input as WriteValuesIfHeld's held texts.
void checkHeldArray(const char* file, const uint8_t* data, size_t size) {
  GVariant* serialised = serialisedOf(data, size);
  std::string refusal;
  GVariant* held = nullptr;
  const bool accepted = HLQ_AcceptHeldTexts(file, serialised, &held, &refusal);
  checkRefusalText(refusal);
  if (accepted) {
    if (g_variant_n_children(held) > HLQ_HELPER_MAX_VALUES) fault("accepted too many held", "");
    GVariantIter iter;
    const gchar *section, *key, *attribute, *text;
    gboolean present = FALSE;
    g_variant_iter_init(&iter, held);
    while (g_variant_iter_next(&iter, "(&s&s&sb&s)", &section, &key, &attribute, &present, &text))
      if (!HLQ_FindStoredValue(file, section, key, attribute))
        fault("accepted a held text no page stores", std::string(section) + "/" + key);
    g_variant_unref(held);
  } else if (refusal.empty()) {
    fault("refused held texts without a reason", "");
  }
  g_variant_unref(serialised);
}

// The whole input as WriteGivenValues' values as given.
void checkGivenArray(const char* file, const uint8_t* data, size_t size) {
  GVariant* serialised = serialisedOf(data, size);
  std::string refusal;
  std::vector<HLQValueRequest> given;
  const bool accepted = HLQ_AcceptGivenValues(file, serialised, &given, &refusal);
  checkRefusalText(refusal);
  if (accepted == given.empty() || accepted != refusal.empty())
    fault("given values both refused and accepted", refusal);
  if (given.size() > HLQ_HELPER_MAX_VALUES) fault("accepted too many given values", "");
  const HLQStoredValue* codepage =
      HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::CODE_PAGE, nullptr);
  std::set<const HLQStoredValue*> seen;
  for (const HLQValueRequest& request : given) {
    if (!request.value || std::strcmp(request.value->file, file) != 0 || request.value == codepage)
      fault("accepted a given value of another file, or the code page", file);
    if (!seen.insert(request.value).second) fault("accepted a name twice", request.value->name);
  }
  g_variant_unref(serialised);
}

void checkLocale(const char* locale) {
  const std::string catalog = HLQ_CatalogOfLocale(locale);
  if (catalog.empty()) return;
  g_auto(GStrv) languages = g_strsplit(HLQ_CATALOG_LANGUAGES, ":", -1);
  if (!g_strv_contains(languages, catalog.c_str()))
    fault("a locale selected a language without a catalog", locale);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields(6);
  size_t field = 0;
  for (size_t i = 0; i < size && field < fields.size(); ++i) {
    if (data[i] == 0) ++field;
    else fields[field] += static_cast<char>(data[i]);
  }
  const char* file = fields[0].c_str();
  const char* section = fields[1].c_str();
  const char* key = fields[2].c_str();
  const char* attribute = fields[3].c_str();
  const char* value = fields[4].c_str();

  std::string refusal;
  if (HLQ_CheckWrite(file, section, key, attribute, value, &refusal))
    checkAccepted(file, section, key, attribute, value);
  checkRefusalText(refusal);
  refusal.clear();
  if (HLQ_CheckFileName(file, &refusal) && !HLQ_ConfigFilePath(file))
    fault("accepted an unknown file", file);
  checkRefusalText(refusal);
  // The serialised array is checked against both files, whatever the input names.
  checkValuesArray(HLQ_DEVICE_FILE_NAME, data, size);
  checkValuesArray(HLQ_LOGGING_FILE_NAME, data, size);
  for (const char* name : {HLQ_DEVICE_FILE_NAME, HLQ_LOGGING_FILE_NAME}) {
    checkHeldArray(name, data, size);
    checkGivenArray(name, data, size);
  }
  checkLocale(fields[5].c_str());
  return 0;
}
