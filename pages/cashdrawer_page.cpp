#include "pages/cashdrawer_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"
#include "pages/page_state.h"

namespace {

std::vector<HLQDeviceFields> drawerFields(HLQEntries* entries) {
  return {{entries->gtkedt_cd1pid, entries->gtkedt_cd1vid, entries->gtkedt_cd1serial},
          {entries->gtkedt_cd2pid, entries->gtkedt_cd2vid, entries->gtkedt_cd2serial}};
}

HLQDevicePage cashDrawerPage(HLQComboBoxes* combos, HLQEntries* entries) {
  return {HLQPage::CashDrawer, combos->gtkcbox_cdport, drawerFields(entries),
          HLQ_CASHDRAWER_PIDS, HLQ_CASHDRAWER_PID_COUNT};
}

}  // namespace

void CashDrawerTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries) {
  SupportedDeviceInfo drawers[2];
  HLQ_ReadDevicePage(cashDrawerPage(combos, entries), combos, entries, drawers);
  PopulateCDInfobyUSB(drawers, entries);
  HLQ_RememberPageFields(HLQPage::CashDrawer, combos, entries, nullptr);
}

void PopulateCDInfobyUSB(const SupportedDeviceInfo (&drawers)[2], HLQEntries* entries) {
  HLQ_ShowDevices(drawerFields(entries), drawers);
}

ApplyReport CashDrawerTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries) {
  return HLQ_CollectPage(HLQPage::CashDrawer, combos, entries, nullptr).store();
}

void on_btnApply_cdmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQ_CollectPage(HLQPage::CashDrawer, g_hlqComboBoxes, g_hlqEntries, nullptr),
                _("Cash Drawer Settings Applied"), _("Cash Drawer Configuration"));
}

void on_btnClear_cdmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ClearDevicePage(cashDrawerPage(g_hlqComboBoxes, g_hlqEntries));
}

void on_btnDemo_cdmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}
