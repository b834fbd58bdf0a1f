#include "app/page_fill.h"

#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <string>

#include "app/page_views.h"
#include "config/config_layout.h"
#include "config/helper_async.h"
#include "config/xml_values.h"
#include "pages/cashdrawer_page.h"
#include "pages/field_checks.h"
#include "pages/linedisplay_page.h"
#include "pages/logging_page.h"
#include "pages/msr_page.h"
#include "pages/printer_page.h"
#include "pages/shown_values.h"

namespace {

constexpr HLQPage kPages[] = {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay,
                              HLQPage::Msr, HLQPage::Logging};

const char* pathOf(HLQPage page) { return HLQ_ConfigFilePath(HLQ_PageFile(page)); }

void runInitialiser(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                    HLQCheckBoxes* checks) {
  switch (page) {
    case HLQPage::Printer: return PrinterTab_ReadValuesforInit(combos, checks, entries);
    case HLQPage::CashDrawer: return CashDrawerTab_ReadValuesforInit(combos, entries);
    case HLQPage::LineDisplay: return LineDisplayTab_ReadValuesforInit(combos, entries);
    case HLQPage::Msr: return MSRTab_ReadValuesforInit(combos, checks, entries);
    case HLQPage::Logging: return LoggingTab_ReadValuesforInit(combos, checks);
  }
}

// Why the helper could not read the file, or "" when it was read or this
// process reads it itself (a file it cannot read then shows as ever).
std::string unreadReason(const char* path) {
  if (!HLQ_NeedsHelper(path, R_OK)) return "";
  const HLQFileValues read = HLQ_ReadValues(path, {});
  if (read.loaded) return "";
  return read.reason.empty() ? _("no reason was given") : read.reason;
}

// The handlers that filling a page could run once they are connected: the
// emulation mode's would refill the code pages and replace the stored one.
struct FieldHandler {
  GtkWidget* widget;
  GCallback handler;
};
std::vector<FieldHandler> fieldHandlers() {
  return {{GTK_WIDGET(g_hlqComboBoxes->gtckboxt_printermode),
           G_CALLBACK(on_cmbx_printermode_changed)},
          {GTK_WIDGET(g_hlqCheckBoxes->gtkcheckbtn_carriageretunrenbld),
           G_CALLBACK(on_chbox_carriagereturnenbld_msrmodcfg_clicked)},
          {GTK_WIDGET(g_hlqCheckBoxes->gtkcheckbtn_headwrapper),
           G_CALLBACK(on_chbox_headwrapper_msrmodcfg_clicked)},
          {GTK_WIDGET(g_hlqCheckBoxes->gtkcheckbtn_tailwrapper),
           G_CALLBACK(on_chbox_tailwrapper_msrmodcfg_clicked)}};
}

// Fills the pages of the file again, as at start-up: nothing they set runs
// a handler (each is blocked only where it is connected).
void refillPagesOf(const char* file) {
  std::vector<std::pair<GtkWidget*, gpointer>> blocked;
  for (const FieldHandler& h : fieldHandlers())
    if (g_signal_handlers_block_by_func(h.widget, reinterpret_cast<gpointer>(h.handler),
                                        nullptr) > 0)
      blocked.push_back({h.widget, reinterpret_cast<gpointer>(h.handler)});
  for (HLQPage page : kPages)
    if (std::string(HLQ_PageFile(page)) == file) {
      HLQ_FillPage(page, g_hlqComboBoxes, g_hlqEntries, g_hlqCheckBoxes);
      HLQ_ShowRead(page);
      HLQ_CheckPageFields(page);
    }
  for (const auto& [widget, handler] : blocked)
    g_signal_handlers_unblock_by_func(widget, handler, nullptr);
}

void forEachPageOf(const char* file, void (*action)(HLQPage)) {
  for (HLQPage page : kPages)
    if (std::string(HLQ_PageFile(page)) == file) action(page);
}

}  // namespace

void HLQ_FillPage(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                  HLQCheckBoxes* checks) {
  runInitialiser(page, combos, entries, checks);
}

void HLQ_ShowUnreadFiles() {
  for (HLQPage page : kPages) {
    const std::string reason = unreadReason(pathOf(page));
    if (!reason.empty()) HLQ_ShowUnread(page, pathOf(page), reason);
  }
}

void HLQ_ReadFileAgain(HLQPage page) {
  const char* file = HLQ_PageFile(page);
  const char* path = pathOf(page);
  if (!HLQ_NeedsHelper(path, R_OK)) {
    // Readable by now: read as every other page of the window is.
    return refillPagesOf(file);
  }
  forEachPageOf(file, HLQ_BeginWaiting);
  HLQ_HelperReadValuesAsync(path, [file, path](const HLQHelperFileRead& read) {
    forEachPageOf(file, HLQ_EndWaiting);
    HLQ_RememberHelperRead(path, read);
    const std::string reason = unreadReason(path);
    if (reason.empty()) {
      refillPagesOf(file);
    } else {
      for (HLQPage each : kPages)
        if (std::string(HLQ_PageFile(each)) == file) HLQ_ShowUnread(each, path, reason);
    }
    HLQ_CloseIfAsked();
  });
}
