#include "pages/linedisplay_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"
#include "pages/page_state.h"

namespace {

std::vector<HLQDeviceFields> displayFields(HLQEntries* entries) {
  return {{entries->gtkentry_ldpid, entries->gtkentry_ldvid, entries->gtkedt_ldserial}};
}

HLQDevicePage lineDisplayPage(HLQComboBoxes* combos, HLQEntries* entries) {
  return {HLQPage::LineDisplay, combos->gtkchboxt_ldport, displayFields(entries),
          HLQ_LINEDISPLAY_PIDS, HLQ_LINEDISPLAY_PID_COUNT};
}

}  // namespace

void LineDisplayTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries) {
  SupportedDeviceInfo display;
  HLQ_ReadDevicePage(lineDisplayPage(combos, entries), combos, entries, &display);
  PopulateLDInfobyUSB(&display, entries);
  HLQ_RememberPageFields(HLQPage::LineDisplay, combos, entries, nullptr);
}

void PopulateLDInfobyUSB(const SupportedDeviceInfo* display, HLQEntries* entries) {
  HLQ_ShowDevices(displayFields(entries), display);
}

ApplyReport LineDisplayTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries) {
  return HLQ_CollectPage(HLQPage::LineDisplay, combos, entries, nullptr).store();
}

void on_btnApply_ldmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQ_CollectPage(HLQPage::LineDisplay, g_hlqComboBoxes, g_hlqEntries, nullptr),
                _("Line Display Settings Applied"), _("Line Display Configuration"));
}

void on_btnClear_ldmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ClearDevicePage(lineDisplayPage(g_hlqComboBoxes, g_hlqEntries));
}

void on_btnDemo_ldmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}
