#include "pages/printer_page.h"

#include <glib/gi18n-lib.h>

#include <string>

#include "app/page_apply.h"
#include "pages/codepages.h"
#include "model/page_values.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"
#include "pages/page_state.h"

void PrinterTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                  HLQEntries* entries) {
  SupportedDeviceInfo printer{};
  const HLQStoredTexts& texts = HLQ_ReadPage(HLQPage::Printer);
  // Set before the code page selector is filled, so that the list shown
  // follows the stored emulation mode.
  emm_index = HLQ_StoredEmulationMode(texts);
  getSupportedDeviceInfo(&printer, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS, HLQ_PRINTER_PID_COUNT);
  PopulatePrinterInfobyUSB(&printer, entries, combos);
  HLQ_ShowStoredFields(HLQPage::Printer, combos, entries, checks);
  HLQ_RememberPageFields(HLQPage::Printer, combos, entries, checks);
}

void PopulatePrinterInfobyUSB(const SupportedDeviceInfo* printer, HLQEntries* entries,
                              HLQComboBoxes* combos) {
  HLQ_ShowDevice(*printer, entries->gtkedt_printerpid, entries->gtkedt_prntervid,
                 entries->gtkedt_printerserial);
  // Without a printer the selector keeps the items it has.
  if (printer->vendorId != 0) PopulateCodepageCB(printer, combos);
}

HLQPageWrites PrinterTab_CollectValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                       HLQEntries* entries) {
  return HLQ_CollectPage(HLQPage::Printer, combos, entries, checks);
}

ApplyReport PrinterTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries) {
  return PrinterTab_CollectValues(combos, checks, entries).store();
}

void on_btnApply_printermodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(PrinterTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes, g_hlqEntries),
                _("Printer Settings Applied"), _("Printer Configuration"));
}

// Moving the mode to 0 runs on_cmbx_printermode_changed first, which refills
// the code page list for mode 0; when the mode already is 0 the list stays.
void on_btnDefault_printermodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(g_hlqComboBoxes->gtckboxt_printermode, 0);
  gtk_combo_box_set_active(GTK_COMBO_BOX(g_hlqComboBoxes->gtkcboxt_codepage), 1);
  HLQ_SetChecked(g_hlqCheckBoxes->gtkchbox_usnolicitedstatus, false);
}

void on_btnClear_printermodcfg_clicked(GtkButton*, gpointer) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(g_hlqComboBoxes->gtkcboxt_printerport), 0);
  HLQ_ClearDevice(g_hlqEntries->gtkedt_printerpid, g_hlqEntries->gtkedt_prntervid,
                  g_hlqEntries->gtkedt_printerserial);
}

// A change to no selection is not a mode: refreshing for it would record -1
// as the mode and replace the code page the user had chosen.
void on_cmbx_printermode_changed(GtkComboBox*, gpointer) {
  int mode = gtk_combo_box_get_active(g_hlqComboBoxes->gtckboxt_printermode);
  if (mode < 0) return;
  UpdateCodepageCB(g_hlqComboBoxes, mode);
}
