#include "devices/codepages.h"

#include <glib/gi18n-lib.h>

#include <cstdio>

#include "app/fixed_paths.h"
#include "devices/codepage_record.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"

// The configuration stores the position in this list, so its order is fixed.
const char predefined_codepages[HLQ_PREDEFINED_CODEPAGE_COUNT][16] = {
    "437",  "858",  "863",  "860",  "865",  "Generic", "869",  "857",  "864",
    "867",  "852",  "848",  "866",  "872",  "775",     "861",  "1250", "1251",
    "1252", "1253", "1254", "1255", "1256", "1257",    "1258", "Printer Default",
};

int32_t emm_index = 0;

namespace {

void appendPredefined(GtkComboBoxText* selector) {
  // Numbers have no translation; the names among them ("Generic", "Printer
  // Default") are translated in the UI file's copy of this list.
  for (const auto& name : predefined_codepages) gtk_combo_box_text_append_text(selector, _(name));
}

bool publishesOwnList(const SupportedDeviceInfo& printer) {
  return printer.vendorId == HLQ_VENDOR_IDS[HLQ_CODEPAGE_VENDOR_INDEX] && emm_index == 0 &&
         printer.serialNumber[0] != '\0';
}

}  // namespace

void ReadCodePages(HLQComboBoxes* combos) {
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  if (!HLQ_CopyCodepageRecord(HLQ_CODEPAGE_SHM_NAME, record)) return;
  for (uint16_t codepage : HLQ_ParseCodepageRecord(record)) {
    char text[6];  // five digits at most
    std::snprintf(text, sizeof text, "%d", codepage);
    gtk_combo_box_text_append_text(combos->gtkcboxt_codepage, text);
  }
  gtk_combo_box_text_append_text(combos->gtkcboxt_codepage, _("Printer Default"));
}

void PopulateCodepageCB(const SupportedDeviceInfo* printer, HLQComboBoxes* combos) {
  gtk_combo_box_text_remove_all(combos->gtkcboxt_codepage);
  if (printer && printer->vendorId != 0 && publishesOwnList(*printer))
    ReadCodePages(combos);
  else
    appendPredefined(combos->gtkcboxt_codepage);
}

void UpdateCodepageCB(HLQComboBoxes* combos, int32_t mode) {
  SupportedDeviceInfo printer{};
  getSupportedDeviceInfo(&printer, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS, HLQ_PRINTER_PID_COUNT);
  emm_index = mode;
  PopulateCodepageCB(&printer, combos);
  // The second item, when there is one; otherwise the selector has no active item.
  GtkComboBox* selector = GTK_COMBO_BOX(combos->gtkcboxt_codepage);
  if (gtk_tree_model_iter_n_children(gtk_combo_box_get_model(selector), nullptr) > 1)
    gtk_combo_box_set_active(selector, 1);
}
