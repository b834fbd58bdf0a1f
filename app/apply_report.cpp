#include "app/apply_report.h"

#include <glib/gi18n-lib.h>

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
  if (!report.unreadReason.empty()) {
    // TRANSLATORS: the path of the configuration file, then why it could not be read.
    g_autofree gchar* text = g_strdup_printf(_("Nothing was stored: %s could not be read: %s"),
                                             report.file.c_str(), report.unreadReason.c_str());
    return text;
  }
  if (report.unchanged && report.notStored.empty())
    return _("Nothing was stored: every value of this page is as it was read.");
  if (report.notStored.empty()) return successText;
  g_autofree gchar* heading =
      report.refused
          ? g_strdup_printf(
                // TRANSLATORS: %s is the path of the configuration file; a list of fields follows.
                _("Nothing was stored in %s, since these fields hold what they cannot store:"),
                report.file.c_str())
          : g_strdup_printf(
                // TRANSLATORS: %s is the path of the configuration file; a list of values follows.
                _("The settings were not fully applied.\n\nNot stored in %s:"),
                report.file.c_str());
  std::string text = heading;
  for (const auto& value : report.notStored) {
    g_autofree gchar* line = g_strdup_printf(
        // TRANSLATORS: one line of the list: the value's name, then why it was not stored.
        _("\u2022 %s: %s"), value.name.c_str(), value.reason.c_str());
    text += "\n";
    text += line;
  }
  return text;
}

void HLQCT_FinishApply(const ApplyReport& report, const char* successText, const char* title) {
  if (report.stored > 0) g_hlqConfigChanged = true;
  StatusMessageBox(HLQCT_ApplyMessage(report, successText).c_str(), title);
}
