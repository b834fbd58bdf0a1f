// show and get: stored values as the pages show them.
#include <glib.h>
#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cstdio>

#include "hlqctl/exit_codes.h"
#include "hlqctl/json_output.h"
#include "hlqctl/suggestion.h"
#include "hlqctl/table.h"
#include "hlqctl/verbs.h"

namespace {

// get --value: one line a value, nothing else (an empty line for an empty
// text or one that could not be read; the exit status tells which).
void printValuesAlone(const std::vector<HLQShownValue>& shown) {
  for (const HLQShownValue& value : shown) {
    std::string line;
    if (value.kind == HLQShownValue::Kind::Boolean) line = value.on ? "true" : "false";
    else if (value.kind == HLQShownValue::Kind::Text) line = HLQCtl_Printable(value.text);
    std::printf("%s\n", line.c_str());
  }
}

// Each note once, after the values: a value with a note is marked with the
// note's number.
void printWithNotes(const std::vector<const HLQStoredValue*>& values,
                    const std::vector<HLQShownValue>& shown) {
  std::vector<std::string> notes;
  std::vector<HLQCtlRow> rows;
  for (size_t i = 0; i < values.size(); ++i) {
    HLQCtlRow row = {values[i]->name, HLQCtl_ShownText(shown[i])};
    if (!shown[i].note.empty()) {
      auto found = std::find(notes.begin(), notes.end(), shown[i].note);
      if (found == notes.end()) found = notes.insert(notes.end(), shown[i].note);
      row.push_back("[" + std::to_string(found - notes.begin() + 1) + "]");
    }
    rows.push_back(row);
  }
  HLQCtl_PrintTable(rows);
  if (!notes.empty()) std::printf("\n");
  for (size_t i = 0; i < notes.size(); ++i) std::printf("[%zu] %s\n", i + 1, notes[i].c_str());
}

int showValues(const std::vector<const HLQStoredValue*>& values, bool json,
               bool valueOnly = false) {
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
  } else if (valueOnly) {
    printValuesAlone(shown);
  } else {
    printWithNotes(values, shown);
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
  if (!value) HLQCtl_UsageError(HLQCtl_UnknownKey(key));
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
    return HLQCtl_UsageError(HLQCtl_WithSuggestion(
        problem, arguments.operands[0],
        {"printer", "cash-drawer", "line-display", "msr", "logging"}));
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
  return showValues(values, arguments.json, arguments.valueOnly);
}
