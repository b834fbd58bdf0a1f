#include "app/startup.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/apply_report.h"
#include "base/fixed_paths.h"
#include "app/instance_lock.h"
#include "app/message_box.h"
#include "app/page_fill.h"
#include "app/page_views.h"
#include "app/shutdown.h"
#include "base/translations.h"
#include "config/helper_calls.h"
#include "pages/cashdrawer_page.h"
#include "pages/field_checks.h"
#include "pages/linedisplay_page.h"
#include "pages/logging_page.h"
#include "pages/msr_page.h"
#include "pages/page_fields.h"
#include "pages/printer_page.h"
#include "pages/page_state.h"
#include "pages/shown_values.h"

namespace {

constexpr const char* kMainWindowId = "gtkwindow_hlqconfigtool";

// Without a usable UI file there is no window and no widget to fill: say
// which file and which IDs, rather than running on null widgets.
bool reportUiProblems(const char* uiFile, const GError* loadError,
                      const std::vector<std::string>& problems) {
  if (!loadError && problems.empty()) return false;
  if (loadError)
    std::fprintf(stderr, _("hlqconfig: cannot load the UI definition file %s: %s\n"), uiFile,
                 loadError->message);
  else
    std::fprintf(stderr, _("hlqconfig: the UI definition file %s lacks widgets the tool needs:\n"),
                 uiFile);
  for (const auto& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
  return true;
}

std::vector<std::string> findUiProblems(GtkBuilder* builder) {
  std::vector<std::string> problems = HLQCT_FindRegistryProblems(builder);
  // A field's widget that is also a registry's is named once.
  for (const std::string& problem : HLQ_FieldProblems(builder))
    if (std::find(problems.begin(), problems.end(), problem) == problems.end())
      problems.push_back(problem);
  for (const std::string& problem : HLQ_PageViewProblems(builder)) problems.push_back(problem);
  std::string windowProblem = HLQCT_WidgetProblem(builder, kMainWindowId, GTK_TYPE_WINDOW);
  if (!windowProblem.empty()) problems.insert(problems.begin(), windowProblem);
  return problems;
}

void runOrRefuse(GtkWidget* window) {
  if (HLQCreatePIDFile(HLQ_LockFilePath())) {
    gtk_widget_show(window);
    gtk_main();
  } else {
    StatusMessageBox(_("Sorry! There is another instance of  HLQ Configurtion Tool Runnig"),
                     _("Another Instance of HLQ Config Tool Runnig"));
  }
}

}  // namespace

void HLQInitPages(HLQComboBoxes* combos, HLQEntries* entries, HLQCheckBoxes* checks) {
  for (HLQPage page : {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay, HLQPage::Msr,
                       HLQPage::Logging})
    HLQ_FillPage(page, combos, entries, checks);
  HLQ_ShowUnreadFiles();
}

int HLQMain(int argc, char** argv) {
  HLQInstallInterruptHandler();
  HLQSetUpTranslations();
  HLQ_UseHelperCalls(HLQ_LinkedHelperCalls);

  auto* combos = new HLQComboBoxes{};
  auto* entries = new HLQEntries{};
  auto* checks = new HLQCheckBoxes{};
  g_hlqComboBoxes = combos;
  g_hlqEntries = entries;
  g_hlqCheckBoxes = checks;

  int status = 0;
  if (!gtk_init_check(&argc, &argv)) {
    std::fputs(_("hlqconfig: cannot open the display; it needs a graphical session"
                 " (is DISPLAY set?)\n"),
               stderr);
    status = 1;
  } else {
    GtkBuilder* builder = gtk_builder_new();
    GError* loadError = nullptr;
    gtk_builder_add_from_file(builder, HLQ_UiFilePath(), &loadError);
    if (reportUiProblems(HLQ_UiFilePath(), loadError,
                         loadError ? std::vector<std::string>{} : findUiProblems(builder))) {
      status = 1;
    } else {
      g_hlqConfigChanged = false;
      GtkWidget* window = GTK_WIDGET(gtk_builder_get_object(builder, kMainWindowId));
      HLQCT_SetComboBoxesHandler(builder, combos);
      HLQCT_SetEntriesHandler(builder, entries);
      HLQCT_SetCheckBoxesHandler(builder, checks);
      HLQ_BuildPageViews(builder, HLQ_ReadFileAgain);
      HLQ_HoldCloseWhileWaiting(window);
      HLQInitPages(combos, entries, checks);
      // Only now: nothing the pages set above has run a handler.
      gtk_builder_connect_signals(builder, nullptr);
      HLQ_CheckFieldsAsTyped(combos, entries, checks);
      g_object_unref(builder);
      builder = nullptr;
      runOrRefuse(window);
      HLQ_ForgetPageViews();
      HLQ_ForgetShown();
      HLQ_ForgetPageStates();
    }
    g_clear_error(&loadError);
    if (builder) g_object_unref(builder);
  }

  g_hlqComboBoxes = nullptr;
  g_hlqEntries = nullptr;
  g_hlqCheckBoxes = nullptr;
  delete combos;
  delete entries;
  delete checks;
  return status;
}
