#include "pages/cashdrawer_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "config/config_layout.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"

namespace {

// Both drawers share the port element; the second one's attributes carry "_2".
std::vector<HLQDeviceFields> drawerFields(HLQEntries* entries) {
  return {{entries->gtkedt_cd1pid, entries->gtkedt_cd1vid, entries->gtkedt_cd1serial,
           kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL},
          {entries->gtkedt_cd2pid, entries->gtkedt_cd2vid, entries->gtkedt_cd2serial,
           kwn::ATTR_PID_2, kwn::ATTR_VID_2, kwn::ATTR_SERIAL_2}};
}

HLQDevicePage cashDrawerPage(HLQComboBoxes* combos, HLQEntries* entries) {
  return {kwn::CD_USB, combos->gtkcbox_cdport, drawerFields(entries), HLQ_CASHDRAWER_PIDS,
          HLQ_CASHDRAWER_PID_COUNT};
}

}  // namespace

void CashDrawerTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries) {
  SupportedDeviceInfo drawers[2];
  HLQ_ReadDevicePage(cashDrawerPage(combos, entries), drawers);
  PopulateCDInfobyUSB(drawers, entries);
}

void PopulateCDInfobyUSB(const SupportedDeviceInfo (&drawers)[2], HLQEntries* entries) {
  HLQ_ShowDevices(drawerFields(entries), drawers);
}

ApplyReport CashDrawerTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries) {
  return HLQ_WriteDevicePage(cashDrawerPage(combos, entries));
}

void on_btnApply_cdmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQPage::CashDrawer,
                HLQ_CollectDevicePage(cashDrawerPage(g_hlqComboBoxes, g_hlqEntries)),
                _("Cash Drawer Settings Applied"), _("Cash Drawer Configuration"));
}

void on_btnClear_cdmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ClearDevicePage(cashDrawerPage(g_hlqComboBoxes, g_hlqEntries));
}

void on_btnDemo_cdmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}
