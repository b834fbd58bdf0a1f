#include "pages/codepages.h"

#include <glib/gi18n-lib.h>

#include "devices/codepage_list.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"

int32_t emm_index = 0;

namespace {

// Numbers have no translation; the names among them ("Generic", "Printer
// Default") are translated here as in the UI file's copy of the list.
void appendNames(GtkComboBoxText* selector, const std::vector<std::string>& names) {
  for (const std::string& name : names) gtk_combo_box_text_append_text(selector, _(name.c_str()));
}

}  // namespace

void ReadCodePages(HLQComboBoxes* combos) {
  appendNames(combos->gtkcboxt_codepage, HLQ_PrintersOwnCodepages());
}

void PopulateCodepageCB(const SupportedDeviceInfo* printer, HLQComboBoxes* combos) {
  gtk_combo_box_text_remove_all(combos->gtkcboxt_codepage);
  if (printer && HLQ_ShowsPrintersOwnCodepages(*printer, emm_index))
    ReadCodePages(combos);
  else
    appendNames(combos->gtkcboxt_codepage,
                std::vector<std::string>(std::begin(predefined_codepages),
                                         std::end(predefined_codepages)));
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
