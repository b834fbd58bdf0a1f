#include "tests/support/ui_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/apply_report.h"
#include "app/page_views.h"
#include "app/shutdown.h"
#include "pages/shown_values.h"
#include "tests/support/test_paths.h"

LoadedUi::LoadedUi() {
  builder_ = gtk_builder_new();
  GError* error = nullptr;
  if (!gtk_builder_add_from_file(builder_, HLQTest_SourceUiFile(), &error)) {
    ADD_FAILURE() << "cannot load the UI file: " << error->message;
    g_error_free(error);
    return;
  }
  window_ = GTK_WIDGET(gtk_builder_get_object(builder_, "gtkwindow_hlqconfigtool"));
  HLQCT_SetComboBoxesHandler(builder_, &combos);
  HLQCT_SetEntriesHandler(builder_, &entries);
  HLQCT_SetCheckBoxesHandler(builder_, &checks);
  g_hlqComboBoxes = &combos;
  g_hlqEntries = &entries;
  g_hlqCheckBoxes = &checks;
  g_hlqConfigChanged = false;
  HLQ_ForgetShown();
}

LoadedUi::~LoadedUi() {
  HLQ_ForgetPageViews();
  HLQ_ForgetShown();
  if (window_) {
    // Tearing the window down is not the user closing it.
    g_signal_handlers_disconnect_by_func(
        window_, reinterpret_cast<gpointer>(on_gtkwindow_hlqconfigtool_destroy), nullptr);
    gtk_widget_destroy(window_);
  }
  g_object_unref(builder_);
  g_hlqComboBoxes = nullptr;
  g_hlqEntries = nullptr;
  g_hlqCheckBoxes = nullptr;
  g_hlqConfigChanged = false;
}

void LoadedUi::connectSignals() { gtk_builder_connect_signals(builder_, nullptr); }

void LoadedUi::addPageViews(void (*readAgain)(HLQPage)) { HLQ_BuildPageViews(builder_, readAgain); }

namespace {
GtkButton* findButton(GtkWidget* widget, const char* label) {
  if (GTK_IS_BUTTON(widget) && !GTK_IS_TOGGLE_BUTTON(widget)) {
    const char* text = gtk_button_get_label(GTK_BUTTON(widget));
    if (text && std::strcmp(text, label) == 0) return GTK_BUTTON(widget);
  }
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkButton* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) found = findButton(GTK_WIDGET(l->data), label);
  g_list_free(children);
  return found;
}

GtkNotebook* findNotebook(GtkWidget* widget) {
  if (GTK_IS_NOTEBOOK(widget)) return GTK_NOTEBOOK(widget);
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkNotebook* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) found = findNotebook(GTK_WIDGET(l->data));
  g_list_free(children);
  return found;
}
}  // namespace

GtkButton* LoadedUi::button(const char* tabLabel, const char* buttonLabel) const {
  GtkNotebook* notebook = findNotebook(window_);
  if (!notebook) return nullptr;
  for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
    GtkWidget* page = gtk_notebook_get_nth_page(notebook, i);
    const char* tab = gtk_notebook_get_tab_label_text(notebook, page);
    if (tab && std::strcmp(tab, tabLabel) == 0) return findButton(page, buttonLabel);
  }
  return nullptr;
}

std::vector<std::string> HLQTest_ComboItems(GtkComboBox* combo) {
  std::vector<std::string> items;
  GtkTreeModel* model = gtk_combo_box_get_model(combo);
  if (!model) {
    ADD_FAILURE() << "the combo box has no model";
    return items;
  }
  GtkTreeIter it;
  for (bool ok = gtk_tree_model_get_iter_first(model, &it); ok;
       ok = gtk_tree_model_iter_next(model, &it)) {
    gchar* text = nullptr;
    gtk_tree_model_get(model, &it, 0, &text, -1);
    items.push_back(text ? text : "");
    g_free(text);
  }
  return items;
}

std::string HLQTest_ActiveText(GtkComboBoxText* combo) {
  gchar* text = gtk_combo_box_text_get_active_text(combo);
  std::string result = text ? text : "(none)";
  g_free(text);
  return result;
}
