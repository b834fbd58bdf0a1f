#include "app/apply_report.h"

#include "app/message_box.h"

bool g_hlqConfigChanged = false;

void ApplyReport::record(const std::string& name, const WriteResult& result) {
  if (result.stored())
    ++stored;
  else
    notStored.push_back({name, result.reason});
}

void ApplyReport::leftUnchanged(const std::string& name, const std::string& reason) {
  notStored.push_back({name, reason});
}

std::string HLQCT_ApplyMessage(const ApplyReport& report, const char* successText) {
  if (report.notStored.empty()) return successText;
  std::string text = "The settings were not fully applied.\n\nNot stored in " + report.file + ":";
  for (const auto& value : report.notStored) text += "\n\u2022 " + value.name + ": " + value.reason;
  return text;
}

void HLQCT_FinishApply(const ApplyReport& report, const char* successText, const char* title) {
  if (report.stored > 0) g_hlqConfigChanged = true;
  StatusMessageBox(HLQCT_ApplyMessage(report, successText).c_str(), title);
}
