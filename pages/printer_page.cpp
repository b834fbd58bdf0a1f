#include "pages/printer_page.h"

#include <glib/gi18n-lib.h>

#include <string>

#include "app/page_apply.h"
#include "config/fixed_paths.h"
#include "config/config_layout.h"
#include "pages/codepages.h"
#include "devices/port_mapping.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"
#include "pages/device_fields.h"

namespace {

std::optional<std::string> readPrinterKey(HXMLWRAPPER config, const char* key) {
  return xmlwrapper_ReadXMLNodeValue(config, HLQ_DeviceConfigPath(), kwn::PRINTER, key);
}

// A stored position below -1 (a hand edit) would make GTK refuse the call;
// it selects nothing, as a position beyond the end of the list does.
void selectPosition(GtkComboBox* selector, int position) {
  gtk_combo_box_set_active(selector, position < -1 ? -1 : position);
}


// The stored value is the position in the list shown, not the code page; -1
// when nothing is selected. An empty list (the printer's own, with no record
// to read) offers no position at all, so the stored one is left as it is.
void writeCodePage(HLQPageWrites* writes, GtkComboBox* selector) {
  if (gtk_tree_model_iter_n_children(gtk_combo_box_get_model(selector), nullptr) == 0) {
    writes->leftUnchanged(
        kwn::CODE_PAGE, _("the code page list is empty; the stored code page was left unchanged"));
    return;
  }
  writes->text(kwn::PRINTER, kwn::CODE_PAGE, HLQ_NumberText(gtk_combo_box_get_active(selector)),
               GTK_WIDGET(selector));
}

}  // namespace

void PrinterTab_ReadValuesforInit(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                  HLQEntries* entries) {
  SupportedDeviceInfo printer{};
  HXMLWRAPPER config = xmlwrapper_create();

  int32_t port = HLQCT_PortPosition(
      xmlwrapper_ReadXMLNodeValue(config, HLQ_DeviceConfigPath(), kwn::PORTS, kwn::PRINTER_USB));
  int codePage = HLQ_ParseNumber(readPrinterKey(config, kwn::CODE_PAGE));
  // Set before the code page selector is filled, so that the list shown
  // follows the stored emulation mode.
  emm_index = HLQ_ParseNumber(readPrinterKey(config, kwn::EMULATION_MODE));
  bool unsolicited = HLQ_IsDeviceBoolOn(readPrinterKey(config, kwn::UNSOLICITED_STATUS));

  getSupportedDeviceInfo(&printer, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS, HLQ_PRINTER_PID_COUNT);
  PopulatePrinterInfobyUSB(&printer, entries, combos);

  selectPosition(GTK_COMBO_BOX(combos->gtkcboxt_printerport), port);
  selectPosition(GTK_COMBO_BOX(combos->gtkcboxt_codepage), codePage);
  selectPosition(combos->gtckboxt_printermode, emm_index);
  HLQ_SetChecked(checks->gtkchbox_usnolicitedstatus, unsolicited);

  xmlwrapper_destroy(config);
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
  HLQPageWrites writes(HLQ_DeviceConfigPath());
  HLQ_WriteSelectedPort(&writes, kwn::PRINTER_USB, combos->gtkcboxt_printerport);
  writeCodePage(&writes, GTK_COMBO_BOX(combos->gtkcboxt_codepage));
  writes.text(kwn::PRINTER, kwn::EMULATION_MODE,
              HLQ_NumberText(gtk_combo_box_get_active(combos->gtckboxt_printermode)),
              GTK_WIDGET(combos->gtckboxt_printermode));
  writes.text(kwn::PRINTER, kwn::UNSOLICITED_STATUS,
              HLQ_DeviceBoolText(HLQ_IsChecked(checks->gtkchbox_usnolicitedstatus)),
              GTK_WIDGET(checks->gtkchbox_usnolicitedstatus));
  HLQ_WriteEntryAttribute(&writes, kwn::PRINTER_USB, kwn::ATTR_PID, entries->gtkedt_printerpid);
  HLQ_WriteEntryAttribute(&writes, kwn::PRINTER_USB, kwn::ATTR_VID, entries->gtkedt_prntervid);
  HLQ_WriteEntryAttribute(&writes, kwn::PRINTER_USB, kwn::ATTR_SERIAL,
                          entries->gtkedt_printerserial);
  return writes;
}

ApplyReport PrinterTab_WriteValues(HLQComboBoxes* combos, HLQCheckBoxes* checks,
                                   HLQEntries* entries) {
  return PrinterTab_CollectValues(combos, checks, entries).store();
}

void on_btnApply_printermodcfg_clicked(GtkButton*, gpointer) {
  HLQ_ApplyPage(HLQPage::Printer,
                PrinterTab_CollectValues(g_hlqComboBoxes, g_hlqCheckBoxes, g_hlqEntries),
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
