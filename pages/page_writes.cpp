#include "pages/page_writes.h"

#include <glib/gi18n-lib.h>

#include "base/failed.h"
#include "config/config_layout.h"
#include "pages/field_label.h"
#include "pages/page_state.h"

std::string HLQ_FieldName(const HLQField& field) {
  const std::string label = HLQ_FieldLabel(field.widget);
  return label.empty() ? field.value->name : label;
}

HLQPageWrites::HLQPageWrites(HLQPage page, std::vector<HLQField> fields,
                             HLQCodepageLists* codepages)
    : page_(page), fields_(std::move(fields)) {
  const HLQStoredTexts& texts = HLQ_PageTexts(page);
  auto file = texts.files.find(HLQ_PageFile(page));
  if (file != texts.files.end() && !file->second.loaded)
    unread_ = file->second.reason.empty() ? _("no reason was given") : file->second.reason;
  std::vector<HLQValueRequest> requests;
  std::vector<const HLQField*> asked;
  for (const HLQField& field : fields_) {
    HLQGivenValue given;
    if (!HLQ_GivenOfField(field, &given) || HLQ_FieldUntouched(page, field, given)) continue;
    requests.push_back({field.value, given});
    asked.push_back(&field);
  }
  const HLQChangePlan plan = HLQ_PlanChanges(requests, texts, codepages);
  for (size_t i = 0; i < plan.values.size(); ++i) {
    const HLQValuePlan& value = plan.values[i];
    // A wrapper's text and flag are refused together: named once, by the
    // first of its fields asked for.
    bool named = false;
    for (size_t k = 0; k < i; ++k) named = named || plan.values[k].refused == value.refused;
    if (!value.refused.empty() && !named) {
      // TRANSLATORS: what a field holds as the page shows it, then the rule it breaks.
      g_autofree gchar* reason = g_strdup_printf(_("holds %s: %s"),
                                                 HLQ_QuotedText(HLQ_FieldShowsNow(*asked[i]).c_str()).c_str(),
                                                 value.refused.c_str());
      refusals_.push_back({HLQ_FieldName(*asked[i]), reason});
    }
    if (value.writes.empty() && value.unread.empty()) continue;
    changed_.push_back({*asked[i], HLQ_FieldName(*asked[i]), value.writes, value.unread});
  }
  for (const HLQPlannedWrite& write : plan.writes) {
    stored_.push_back(write.stored);
    values_.push_back({write.stored->section, write.stored->key, write.stored->attribute,
                       write.text});
  }
}

const char* HLQPageWrites::file() const { return HLQ_ConfigFilePath(HLQ_PageFile(page_)); }

std::vector<HLQValueAddress> HLQPageWrites::addresses() const {
  std::vector<HLQValueAddress> addresses;
  for (const HLQValueToStore& v : values_) addresses.push_back({v.section, v.key, v.attribute});
  return addresses;
}

std::vector<HLQOverwrite> HLQPageWrites::overwrites(
    const std::vector<HLQChangedElsewhere>& changed) const {
  HLQStoredTexts now = HLQ_PageTexts(page_);
  for (const HLQChangedElsewhere& c : changed) now.values[stored_.at(c.index)].text = c.now;
  HLQCodepageLists codepages;
  if (g_hlqComboBoxes) HLQ_UseShownCodepages(g_hlqComboBoxes, now, &codepages);
  std::vector<HLQOverwrite> overwrites;
  for (const Changed& value : changed_) {
    bool touched = false;
    for (const HLQChangedElsewhere& c : changed)
      for (size_t write : value.writes) touched = touched || write == c.index;
    if (!touched) continue;
    overwrites.push_back({value.label,
                          HLQ_FieldShows(value.field, HLQ_ShownValue(*value.field.value, now,
                                                                     &codepages)),
                          HLQ_FieldShowsNow(value.field)});
  }
  return overwrites;
}

ApplyReport HLQPageWrites::store() const {
  if (unchanged() || !refusals_.empty()) return report({});
  return report(HLQ_StoreValues(file(), values_));
}

ApplyReport HLQPageWrites::report(const std::vector<WriteResult>& results) const {
  ApplyReport report;
  report.file = file();
  if (!refusals_.empty()) {
    report.refused = true;
    report.notStored = refusals_;
    return report;
  }
  report.unreadReason = unread_;
  if (!unread_.empty()) return report;
  report.unchanged = values_.empty();
  std::vector<const HLQStoredValue*> stored;
  std::vector<std::string> texts;
  std::vector<HLQField> storedFields;
  for (const Changed& value : changed_) {
    if (!value.unread.empty()) {
      report.leftUnchanged(value.label, value.unread);
      continue;
    }
    WriteResult outcome{WriteStatus::Stored, ""};
    for (size_t write : value.writes) {
      const WriteResult result =
          write < results.size() ? results[write]
                                 : WriteResult{WriteStatus::SaveFailed, _("no result came back for it")};
      if (result.stored()) {
        stored.push_back(stored_[write]);
        texts.push_back(values_[write].value);
      } else if (outcome.stored()) {
        outcome = result;
      }
    }
    report.record(value.label, outcome);
    if (outcome.stored()) storedFields.push_back(value.field);
  }
  HLQ_RememberApplied(page_, stored, texts, storedFields);
  return report;
}

HLQPageWrites HLQ_CollectPage(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                              HLQCheckBoxes* checks) {
  HLQCodepageLists codepages;
  if (combos) HLQ_UseShownCodepages(combos, HLQ_PageTexts(page), &codepages);
  return HLQPageWrites(page, HLQ_FieldsOf(page, combos, entries, checks), &codepages);
}

bool HLQ_CheckField(HLQPage page, const HLQField& field, std::string* err) {
  HLQGivenValue given;
  if (!HLQ_GivenOfField(field, &given) || HLQ_FieldUntouched(page, field, given)) return true;
  HLQCodepageLists codepages;
  const HLQChangePlan plan =
      HLQ_PlanChanges({{field.value, given}}, HLQ_PageTexts(page), &codepages);
  if (plan.values.empty() || plan.values[0].refused.empty()) return true;
  return HLQ_Failed(err, plan.values[0].refused);
}
