#include "pages/shown_values.h"

#include <cstring>
#include <map>

#include "config/xml_config.h"

namespace {

using Texts = std::map<std::string, std::optional<std::string>>;

// Per page: each value's text by its address; no entry for an unknown one.
std::map<HLQPage, Texts>& shownByPage() {
  static std::map<HLQPage, Texts> shown;
  return shown;
}

std::string addressKey(const char* section, const char* key, const char* attribute) {
  return std::string(section) + "/" + key + "@" + (attribute ? attribute : "");
}

// The text a read gives back after `value` was stored: an element's text of
// blanks alone reads back as empty.
std::string readsBackAs(const HLQValueToStore& value) {
  if (!value.attribute && HLQ_ReadsBackAsEmpty(value.value.c_str())) return "";
  return value.value;
}

}  // namespace

std::vector<HLQValueAddress> HLQ_AddressesOfPage(HLQPage page) {
  std::vector<HLQValueAddress> addresses;
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (value.page == page) addresses.push_back({value.section, value.key, value.attribute});
  return addresses;
}

void HLQ_RememberShown(HLQPage page, const HLQFileValues& read) {
  Texts& texts = shownByPage()[page];
  texts.clear();
  if (!read.loaded) return;
  const std::vector<HLQValueAddress> addresses = HLQ_AddressesOfPage(page);
  for (size_t i = 0; i < addresses.size() && i < read.values.size(); ++i)
    texts[addressKey(addresses[i].section, addresses[i].key, addresses[i].attribute)] =
        read.values[i].text;
}

void HLQ_RememberStored(HLQPage page, const std::vector<HLQValueToStore>& values,
                        const std::vector<WriteResult>& results) {
  Texts& texts = shownByPage()[page];
  if (texts.empty()) return;
  for (size_t i = 0; i < values.size() && i < results.size(); ++i)
    if (results[i].stored())
      texts[addressKey(values[i].section, values[i].key, values[i].attribute)] =
          readsBackAs(values[i]);
}

bool HLQ_KnowsShown(HLQPage page) {
  auto found = shownByPage().find(page);
  return found != shownByPage().end() && !found->second.empty();
}

void HLQ_ForgetShown() { shownByPage().clear(); }

std::vector<HLQChangedElsewhere> HLQ_ChangedElsewhere(HLQPage page,
                                                      const std::vector<HLQValueToStore>& values,
                                                      const HLQFileValues& now) {
  std::vector<HLQChangedElsewhere> changed;
  if (!now.loaded || !HLQ_KnowsShown(page)) return changed;
  const Texts& texts = shownByPage()[page];
  for (size_t i = 0; i < values.size() && i < now.values.size(); ++i) {
    auto shown = texts.find(addressKey(values[i].section, values[i].key, values[i].attribute));
    if (shown == texts.end()) continue;
    // A value now absent cannot be overwritten; the store says it is missing.
    const std::optional<std::string>& held = now.values[i].text;
    if (held && held != shown->second && held != readsBackAs(values[i]))
      changed.push_back({i, *held, shown->second});
  }
  return changed;
}
