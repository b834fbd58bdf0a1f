#include "app/overwrite_question.h"

#include <glib/gi18n-lib.h>
#include <gtk/gtk.h>

#include "model/page_model.h"

namespace {

std::string questionText(const std::vector<HLQOverwrite>& values) {
  std::string text = _("Another program has changed these settings since this page read them:");
  for (const HLQOverwrite& value : values) {
    g_autofree gchar* line = g_strdup_printf(
        // TRANSLATORS: the value's name, what the file holds now, what this page would store.
        _("\u2022 %s: now %s, this page %s"), value.name.c_str(),
        HLQ_QuotedText(value.now.c_str()).c_str(), HLQ_QuotedText(value.page.c_str()).c_str());
    text += "\n";
    text += line;
  }
  text += "\n\n";
  text += _("Store this page's values over them?");
  return text;
}

}  // namespace

bool HLQ_AskToOverwrite(const std::vector<HLQOverwrite>& values, const char* title) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                             GTK_BUTTONS_YES_NO, "%s",
                                             questionText(values).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO);
  const bool yes = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_YES;
  gtk_widget_destroy(dialog);
  return yes;
}
