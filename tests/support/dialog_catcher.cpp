#include "tests/support/dialog_catcher.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

namespace {
std::string textOf(GtkWidget* dialog) {
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  std::string result = text ? text : "";
  g_free(text);
  return result;
}
}  // namespace

DialogCatcher::DialogCatcher(GtkResponseType questionAnswer) : questionAnswer_(questionAnswer) {
  source_ = g_timeout_add(5, &DialogCatcher::poll, this);
}

DialogCatcher::~DialogCatcher() {
  if (source_) g_source_remove(source_);
}

gboolean DialogCatcher::poll(gpointer data) {
  auto* self = static_cast<DialogCatcher*>(data);
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next) {
    GtkWidget* window = GTK_WIDGET(l->data);
    if (GTK_IS_MESSAGE_DIALOG(window) && gtk_widget_get_visible(window)) {
      const char* title = gtk_window_get_title(GTK_WINDOW(window));
      self->dialogs_.push_back({title ? title : "", textOf(window)});
      GtkMessageType type = GTK_MESSAGE_INFO;
      g_object_get(window, "message-type", &type, nullptr);
      gtk_dialog_response(GTK_DIALOG(window),
                          type == GTK_MESSAGE_QUESTION ? self->questionAnswer_ : GTK_RESPONSE_OK);
      break;  // the response ends this nested loop; answer the next one later
    }
  }
  g_list_free(toplevels);
  return G_SOURCE_CONTINUE;
}

int HLQTest_OpenMessageDialogs() {
  int count = 0;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next)
    if (GTK_IS_MESSAGE_DIALOG(l->data)) ++count;
  g_list_free(toplevels);
  return count;
}

void HLQTest_DrainEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

std::vector<SeenDialog> HLQTest_PressAndCatch(GtkButton* button, GtkResponseType questionAnswer) {
  DialogCatcher catcher(questionAnswer);
  EXPECT_NE(button, nullptr);
  if (button) gtk_button_clicked(button);
  HLQTest_DrainEvents();
  EXPECT_EQ(HLQTest_OpenMessageDialogs(), 0);
  return catcher.dialogs();
}

SeenDialog HLQTest_PressForOneMessage(GtkButton* button) {
  DialogCatcher catcher;
  gtk_button_clicked(button);
  EXPECT_EQ(catcher.dialogs().size(), 1u);
  EXPECT_EQ(HLQTest_OpenMessageDialogs(), 0);
  return catcher.dialogs().empty() ? SeenDialog{} : catcher.dialogs()[0];
}
