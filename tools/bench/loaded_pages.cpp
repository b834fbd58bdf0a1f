#include "tools/bench/loaded_pages.h"

#include "base/fixed_paths.h"
#include "config/helper_calls.h"
#include "pages/page_fields.h"
#include "app/startup.h"

BenchLoadedPages::BenchLoadedPages() : builder(gtk_builder_new_from_file(HLQ_UiFilePath())) {
  // As the window's start-up does: values this user may not write go to the helper.
  HLQ_UseHelperCalls(HLQ_LinkedHelperCalls);
  HLQCT_SetComboBoxesHandler(builder, &combos);
  HLQCT_SetEntriesHandler(builder, &entries);
  HLQCT_SetCheckBoxesHandler(builder, &checks);
  HLQInitPages(&combos, &entries, &checks);
}

BenchLoadedPages::~BenchLoadedPages() { g_object_unref(builder); }

void BenchChangeEveryField(BenchLoadedPages& window, HLQPage page) {
  for (const HLQField& field :
       HLQ_FieldsOf(page, &window.combos, &window.entries, &window.checks)) {
    if (GTK_IS_CHECK_BUTTON(field.widget)) {
      GtkToggleButton* box = GTK_TOGGLE_BUTTON(field.widget);
      gtk_toggle_button_set_active(box, !gtk_toggle_button_get_active(box));
    } else if (GTK_IS_COMBO_BOX(field.widget)) {
      GtkComboBox* combo = GTK_COMBO_BOX(field.widget);
      const int items = gtk_tree_model_iter_n_children(gtk_combo_box_get_model(combo), nullptr);
      if (items > 1) gtk_combo_box_set_active(combo, (gtk_combo_box_get_active(combo) + 1) % items);
    }
  }
}
