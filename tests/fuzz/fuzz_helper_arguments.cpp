// Fuzzes what the privileged helper accepts of a caller, with any bytes for
// its arguments (split at NUL bytes into file, section, key, attribute,
// value and locale): only what a page stores is accepted, and a refusal is
// always short UTF-8 without control characters, fit to go back over the bus
// and into the journal.
#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "helper/accepted_call.h"
#include "pages/page_model.h"

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

void checkValue(const char* value) {
  if (!HLQ_IsXmlSafeText(value)) fault("accepted a value the file cannot keep", value);
  if (std::strlen(value) > 255) fault("accepted a value longer than any page stores", value);
}

const HLQStoredValue& acceptedValue(const char* file, const char* section, const char* key,
                                    const char* attribute) {
  if (!HLQ_ConfigFilePath(file)) fault("accepted a file that is not one of the two", file);
  const HLQStoredValue* stored = HLQ_FindStoredValue(file, section, key, attribute);
  if (!stored || std::strcmp(stored->file, file) != 0)
    fault("accepted a value no page stores in that file", std::string(section) + "/" + key);
  return *stored;
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
  const char* locale = fields[5].c_str();

  std::string refusal = HLQ_RefusalOfWrite(file, section, key, attribute, value);
  checkRefusalText(refusal);
  if (refusal.empty()) {
    acceptedValue(file, section, key, attribute);
    checkValue(value);
  }
  refusal = HLQ_RefusalOfFile(file);
  checkRefusalText(refusal);
  if (refusal.empty() && !HLQ_ConfigFilePath(file)) fault("accepted an unknown file", file);
  refusal = HLQ_RefusalOfLocale(locale);
  checkRefusalText(refusal);
  if (refusal.empty() && (std::strchr(locale, '/') || locale[0] == '.' || fields[5].size() > 64))
    fault("accepted a locale name that could name a path", locale);
  return 0;
}
