#include "pages/field_label.h"

#include <glib/gi18n-lib.h>

namespace {

// The label's text as shown (no underline mark), without a colon at its end.
std::string shownText(GtkWidget* label) {
  std::string text = GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "";
  while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string ownLabel(GtkWidget* field) {
  if (GTK_IS_CHECK_BUTTON(field)) return shownText(gtk_bin_get_child(GTK_BIN(field)));
  GList* labels = gtk_widget_list_mnemonic_labels(field);
  std::string text = labels ? shownText(GTK_WIDGET(labels->data)) : "";
  g_list_free(labels);
  return text;
}

std::string groupHeading(GtkWidget* field) {
  for (GtkWidget* w = gtk_widget_get_parent(field); w; w = gtk_widget_get_parent(w))
    if (GTK_IS_FRAME(w)) {
      const char* heading = gtk_frame_get_label(GTK_FRAME(w));
      return heading ? heading : "";
    }
  return "";
}

}  // namespace

std::string HLQ_FieldLabel(GtkWidget* field) {
  if (!field) return "";
  const std::string label = ownLabel(field);
  const std::string heading = groupHeading(field);
  if (heading.empty() || label.empty()) return label;
  // TRANSLATORS: a field named in a message: the heading of its group, then its label.
  g_autofree gchar* named = g_strdup_printf(_("%s \u203a %s"), heading.c_str(), label.c_str());
  return named;
}
