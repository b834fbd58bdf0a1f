#include "pages/field_checks.h"

#include <glib/gi18n-lib.h>

#include <string>

#include "app/page_views.h"
#include "pages/page_writes.h"

namespace {

constexpr HLQPage kPages[] = {HLQPage::Printer, HLQPage::CashDrawer, HLQPage::LineDisplay,
                              HLQPage::Msr, HLQPage::Logging};
constexpr const char* kOwnTooltip = "hlq-own-tooltip";
constexpr const char* kOwnDescription = "hlq-own-description";

// What the UI file gave the field, kept the first time it is marked.
const char* own(GtkWidget* field, const char* key, const char* now) {
  if (!g_object_get_data(G_OBJECT(field), key))
    g_object_set_data_full(G_OBJECT(field), key, g_strdup(now ? now : ""), g_free);
  return static_cast<const char*>(g_object_get_data(G_OBJECT(field), key));
}

// The UI file's own tooltip and description come back once the field is
// accepted again (an empty refusal).
void mark(GtkWidget* field, const std::string& refusal) {
  GtkStyleContext* style = gtk_widget_get_style_context(field);
  AtkObject* accessible = gtk_widget_get_accessible(field);
  g_autofree gchar* tooltip = gtk_widget_get_tooltip_text(field);
  const char* ownTooltip = own(field, kOwnTooltip, tooltip);
  const char* ownDescription =
      own(field, kOwnDescription, atk_object_get_description(accessible));
  if (refusal.empty()) {
    gtk_style_context_remove_class(style, GTK_STYLE_CLASS_ERROR);
    gtk_widget_set_tooltip_text(field, *ownTooltip ? ownTooltip : nullptr);
    atk_object_set_description(accessible, ownDescription);
  } else {
    gtk_style_context_add_class(style, GTK_STYLE_CLASS_ERROR);
    gtk_widget_set_tooltip_text(field, refusal.c_str());
    atk_object_set_description(accessible, refusal.c_str());
  }
}

void checkPage(HLQPage page) {
  std::string shown;
  for (const HLQField& field : HLQ_FieldsOf(page, g_hlqComboBoxes, g_hlqEntries, g_hlqCheckBoxes)) {
    if (!GTK_IS_ENTRY(field.widget)) continue;
    std::string refusal;
    const bool accepted = HLQ_CheckField(page, field, &refusal);
    mark(field.widget, refusal);
    if (!accepted && shown.empty()) {
      // TRANSLATORS: a field's label, then why its text cannot be stored.
      g_autofree gchar* line = g_strdup_printf(_("%s: %s"), HLQ_FieldName(field).c_str(),
                                               refusal.c_str());
      shown = line;
    }
  }
  HLQ_ShowRefused(page, shown);
}

void onChanged(GtkEditable*, gpointer page) {
  checkPage(static_cast<HLQPage>(GPOINTER_TO_INT(page)));
}

}  // namespace

void HLQ_CheckFieldsAsTyped(HLQComboBoxes* combos, HLQEntries* entries, HLQCheckBoxes* checks) {
  for (HLQPage page : kPages)
    for (const HLQField& field : HLQ_FieldsOf(page, combos, entries, checks))
      if (GTK_IS_ENTRY(field.widget))
        g_signal_connect(field.widget, "changed", G_CALLBACK(onChanged),
                         GINT_TO_POINTER(static_cast<int>(page)));
}

void HLQ_CheckPageFields(HLQPage page) {
  if (g_hlqComboBoxes) checkPage(page);
}
