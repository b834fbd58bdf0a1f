// show and get: stored values as the pages show them.
#include <glib.h>
#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cstdio>

#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

namespace {

int showValues(const std::vector<const HLQStoredValue*>& values, bool json) {
  const HLQStoredTexts texts = HLQ_ReadStoredTexts(HLQCtl_FilesOf(values));
  HLQCodepageLists codepages;
  std::vector<HLQShownValue> shown;
  for (const HLQStoredValue* value : values)
    shown.push_back(HLQ_ShownValue(*value, texts, &codepages));
  if (json) {
    HLQCtlJson document = HLQCtlJson::object();
    for (size_t i = 0; i < values.size(); ++i)
      document[values[i]->name] = HLQCtl_JsonValue(shown[i]);
    HLQCtl_PrintJson(document);
  } else {
    std::vector<HLQCtlRow> rows;
    for (size_t i = 0; i < values.size(); ++i) {
      HLQCtlRow row = {values[i]->name, HLQCtl_ShownText(shown[i])};
      if (!shown[i].note.empty()) row.push_back("(" + shown[i].note + ")");
      rows.push_back(row);
    }
    HLQCtl_PrintTable(rows);
  }
  return HLQCtl_ReadStatus(texts, shown);
}

}  // namespace

int HLQCtl_UsageError(const std::string& problem) {
  std::fprintf(stderr, "hlqctl: %s\n", problem.c_str());
  std::fprintf(stderr, "%s\n", _("Try \"hlqctl --help\"."));
  return HLQCTL_USAGE;
}

const HLQStoredValue* HLQCtl_FindKey(const std::string& key) {
  const HLQStoredValue* value = HLQ_FindStoredValueNamed(key);
  if (!value) {
    // TRANSLATORS: %s is the key given.
    g_autofree gchar* problem = g_strdup_printf(_("unknown key %s (hlqctl keys lists them)"),
                                                HLQCtl_Printable(key).c_str());
    HLQCtl_UsageError(problem);
  }
  return value;
}

std::string HLQCtl_ShownText(const HLQShownValue& value) {
  switch (value.kind) {
    case HLQShownValue::Kind::Boolean: return value.on ? "true" : "false";
    case HLQShownValue::Kind::Text: return value.text.empty() ? "\"\"" : HLQCtl_Printable(value.text);
    default: return value.attributeMissing ? _("(not stored)") : _("(not read)");
  }
}

int HLQCtl_ReadStatus(const HLQStoredTexts& texts, const std::vector<HLQShownValue>& shown) {
  int status = HLQCTL_DONE;
  for (const auto& file : texts.files)
    if (file.second.helperUnanswered) status = HLQCTL_NOT_AUTHORISED;
  for (const HLQShownValue& value : shown)
    if (value.kind == HLQShownValue::Kind::Unread && !value.attributeMissing)
      status = HLQCtl_Worse(status, HLQCTL_NOT_READ);
  return status;
}

std::vector<std::string> HLQCtl_FilesOf(const std::vector<const HLQStoredValue*>& values) {
  std::vector<std::string> files;
  for (const HLQStoredValue* value : values)
    if (std::find(files.begin(), files.end(), value->file) == files.end())
      files.push_back(value->file);
  return files;
}

int HLQCtl_Show(const HLQCtlArguments& arguments) {
  if (arguments.operands.empty()) return showValues(HLQ_NamedValues(), arguments.json);
  HLQPage page;
  if (!HLQ_PageNamed(arguments.operands[0], &page)) {
    // TRANSLATORS: %s is the page given.
    g_autofree gchar* problem = g_strdup_printf(
        _("unknown page %s (printer, cash-drawer, line-display, msr or logging)"),
        HLQCtl_Printable(arguments.operands[0]).c_str());
    return HLQCtl_UsageError(problem);
  }
  return showValues(HLQ_NamedValuesOf(page), arguments.json);
}

int HLQCtl_Get(const HLQCtlArguments& arguments) {
  std::vector<const HLQStoredValue*> values;
  for (const std::string& key : arguments.operands) {
    const HLQStoredValue* value = HLQCtl_FindKey(key);
    if (!value) return HLQCTL_USAGE;
    values.push_back(value);
  }
  return showValues(values, arguments.json);
}
