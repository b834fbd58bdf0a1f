#include "pages/page_state.h"

#include <map>
#include <string>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "pages/shown_values.h"

namespace {

struct PageState {
  bool read = false;
  std::string path;  // the file as read, so that a page moved to another file reads again
  HLQStoredTexts texts;
  std::map<const HLQStoredValue*, HLQGivenValue> shown;
};

std::map<HLQPage, PageState>& states() {
  static std::map<HLQPage, PageState> all;
  return all;
}

}  // namespace

const HLQStoredTexts& HLQ_ReadPage(HLQPage page) {
  PageState& state = states()[page];
  const char* file = HLQ_PageFile(page);
  const HLQFileValues read = HLQ_ReadValues(HLQ_ConfigFilePath(file), HLQ_AddressesOfPage(page));
  HLQ_RememberShown(page, read);
  state = PageState{};
  state.read = true;
  state.path = HLQ_ConfigFilePath(file);
  state.texts.files[file] = {read.loaded, read.helperUnanswered, read.reason};
  size_t i = 0;
  for (const HLQStoredValue& value : HLQ_StoredValues()) {
    if (value.page != page) continue;
    state.texts.values[&value] =
        read.loaded && i < read.values.size() ? read.values[i] : HLQReadValue{{}, read.reason};
    ++i;
  }
  return state.texts;
}

const HLQStoredTexts& HLQ_PageTexts(HLQPage page) {
  PageState& state = states()[page];
  const bool current = state.read && state.path == HLQ_ConfigFilePath(HLQ_PageFile(page));
  return current ? state.texts : HLQ_ReadPage(page);
}

void HLQ_RememberFields(HLQPage page, const std::vector<HLQField>& fields) {
  PageState& state = states()[page];
  state.shown.clear();
  for (const HLQField& field : fields) {
    HLQGivenValue given;
    if (HLQ_GivenOfField(field, &given)) state.shown[field.value] = given;
  }
}

bool HLQ_FieldUntouched(HLQPage page, const HLQField& field, const HLQGivenValue& given) {
  if (field.discovered) return false;
  const PageState& state = states()[page];
  auto shown = state.shown.find(field.value);
  return shown != state.shown.end() && HLQ_SameGiven(shown->second, given);
}

void HLQ_RememberApplied(HLQPage page, const std::vector<const HLQStoredValue*>& stored,
                         const std::vector<std::string>& texts,
                         const std::vector<HLQField>& storedFields) {
  PageState& state = states()[page];
  for (size_t i = 0; i < stored.size() && i < texts.size(); ++i) {
    const bool blank = !stored[i]->attribute && HLQ_ReadsBackAsEmpty(texts[i].c_str());
    state.texts.values[stored[i]] = {blank ? "" : texts[i], ""};
  }
  for (const HLQField& field : storedFields) {
    HLQGivenValue given;
    if (HLQ_GivenOfField(field, &given)) state.shown[field.value] = given;
  }
}

void HLQ_ForgetPageStates() { states().clear(); }

void HLQ_ShowStoredFields(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                          HLQCheckBoxes* checks) {
  const HLQStoredTexts& texts = HLQ_PageTexts(page);
  HLQCodepageLists codepages;
  if (combos) HLQ_UseShownCodepages(combos, texts, &codepages);
  for (const HLQField& field : HLQ_FieldsOf(page, combos, entries, checks))
    if (!field.discovered) HLQ_ShowInField(field, texts, &codepages);
}

void HLQ_RememberPageFields(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                            HLQCheckBoxes* checks) {
  HLQ_RememberFields(page, HLQ_FieldsOf(page, combos, entries, checks));
}
