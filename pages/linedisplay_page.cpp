#include "pages/linedisplay_page.h"

#include <glib/gi18n-lib.h>

#include "app/page_apply.h"
#include "config/config_layout.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"

namespace {

std::vector<HLQDeviceFields> displayFields(HLQEntries* entries) {
  return {{entries->gtkentry_ldpid, entries->gtkentry_ldvid, entries->gtkedt_ldserial,
           kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL}};
}

HLQDevicePage lineDisplayPage(HLQComboBoxes* combos, HLQEntries* entries) {
  return {kwn::LD_USB, combos->gtkchboxt_ldport, displayFields(entries), HLQ_LINEDISPLAY_PIDS,
          HLQ_LINEDISPLAY_PID_COUNT};
}

}  // namespace

void LineDisplayTab_ReadValuesforInit(HLQComboBoxes* combos, HLQEntries* entries) {
  SupportedDeviceInfo display;
  HLQ_ReadDevicePage(lineDisplayPage(combos, entries), &display);
  PopulateLDInfobyUSB(&display, entries);
}

void PopulateLDInfobyUSB(const SupportedDeviceInfo* display, HLQEntries* entries) {
  HLQ_ShowDevices(displayFields(entries), display);
}

ApplyReport LineDisplayTab_WriteValues(HLQComboBoxes* combos, HLQEntries* entries) {
  return HLQ_WriteDevicePage(lineDisplayPage(combos, entries));
}

void on_btnApply_ldmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQPage::LineDisplay,
                HLQ_CollectDevicePage(lineDisplayPage(g_hlqComboBoxes, g_hlqEntries)),
                _("Line Display Settings Applied"), _("Line Display Configuration"));
}

void on_btnClear_ldmodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ClearDevicePage(lineDisplayPage(g_hlqComboBoxes, g_hlqEntries));
}

void on_btnDemo_ldmodcfg_clicked(GtkButton* button, gpointer data) {
  on_btnDemo_printermodcfg_clicked(button, data);
}
