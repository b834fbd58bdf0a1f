#include "app/page_views.h"

#include <glib/gi18n-lib.h>

#include <map>
#include <string>

#include "app/registries.h"

namespace {

// Each page's IDs in the UI file; nullptr where the page has no such button.
struct PageIds {
  HLQPage page;
  const char* name;  // the IDs' common end
  const char* root;
  const char* apply;
  const char* defaults;
  const char* clear;
};
constexpr PageIds kPages[] = {
    {HLQPage::Printer, "printermodcfg", "page_printermodcfg", "btnApply_printermodcfg",
     "btnDefault_printermodcfg", "btnClear_printermodcfg"},
    {HLQPage::CashDrawer, "cdmodcfg", "page_cdmodcfg", "btnApply_cdmodcfg", nullptr,
     "btnClear_cdmodcfg"},
    {HLQPage::LineDisplay, "ldmodcfg", "page_ldmodcfg", "btnApply_ldmodcfg", nullptr,
     "btnClear_ldmodcfg"},
    {HLQPage::Msr, "msrmodcfg", "page_msrmodcfg", "btnApply_msrmodcfg", "btnDefault_msrmodcfg",
     "btnClear_msrmodcfg"},
    {HLQPage::Logging, "logmodcfg", "page_logmodcfg", "btnApply_logmodcfg", "btnDefault_logmodcfg",
     nullptr},
};

// The notice, the waiting line and the refusal line are built the first
// time they are needed, so that a start-up that needs none of them builds
// and measures nothing for them.
struct View {
  const PageIds* ids = nullptr;
  GtkBox* root = nullptr;
  GtkWidget* buttonBox = nullptr;
  std::vector<GtkWidget*> fields;  // the groups that show the file's values
  bool fieldsUsable = true;        // as last set on them
  GtkWidget* apply = nullptr;
  std::vector<GtkWidget*> editButtons;  // Default, Clear
  GtkRevealer* notice = nullptr;
  GtkLabel* noticeText = nullptr;
  GtkWidget* retry = nullptr;
  GtkRevealer* status = nullptr;
  GtkSpinner* spinner = nullptr;
  GtkLabel* refusalText = nullptr;
  bool unread = false;
  int waiting = 0;
  std::string refused;  // why a field of the page cannot be stored
};

std::map<HLQPage, View> g_views;
void (*g_readAgain)(HLQPage) = nullptr;
GtkWidget* g_window = nullptr;
bool g_closeAsked = false;

View* viewOf(HLQPage page) {
  auto found = g_views.find(page);
  return found == g_views.end() ? nullptr : &found->second;
}

void addNotice(View& v);
void addStatus(View& v);
void addRefusal(View& v);

void refresh(View& v) {
  if (v.unread && !v.notice) addNotice(v);
  if (v.waiting > 0 && !v.status) addStatus(v);
  if (!v.refused.empty() && !v.refusalText) addRefusal(v);
  const bool usable = !v.unread && v.waiting == 0;
  // The groups as containers, and only when the page's state changes.
  if (v.fieldsUsable == v.unread) {
    v.fieldsUsable = !v.unread;
    for (GtkWidget* group : v.fields) gtk_widget_set_sensitive(group, v.fieldsUsable);
  }
  gtk_widget_set_sensitive(v.apply, usable && v.refused.empty());
  for (GtkWidget* w : v.editButtons) gtk_widget_set_sensitive(w, usable);
  if (v.notice) {
    gtk_widget_set_sensitive(v.retry, v.waiting == 0);
    gtk_revealer_set_reveal_child(v.notice, v.unread);
  }
  if (v.status) {
    gtk_revealer_set_reveal_child(v.status, v.waiting > 0);
    if (v.waiting > 0)
      gtk_spinner_start(v.spinner);
    else
      gtk_spinner_stop(v.spinner);
  }
  if (v.refusalText) {
    gtk_label_set_text(v.refusalText, v.refused.c_str());
    gtk_widget_set_visible(GTK_WIDGET(v.refusalText), !v.refused.empty());
  }
}

void name(GtkWidget* widget, const char* what, const char* page) {
  g_autofree gchar* id = g_strdup_printf("%s_%s", what, page);
  gtk_buildable_set_name(GTK_BUILDABLE(widget), id);
}

// Shown and hidden by a revealer, so that the page's layout does not jump
// and the widgets stay visible to the UI file's checks.
GtkRevealer* revealerOf(GtkWidget* child) {
  GtkWidget* revealer = gtk_revealer_new();
  gtk_revealer_set_transition_type(GTK_REVEALER(revealer), GTK_REVEALER_TRANSITION_TYPE_NONE);
  gtk_container_add(GTK_CONTAINER(revealer), child);
  gtk_widget_show_all(revealer);
  return GTK_REVEALER(revealer);
}

void onRetry(GtkButton*, gpointer page) {
  if (g_readAgain) g_readAgain(static_cast<HLQPage>(GPOINTER_TO_INT(page)));
}

// At the top of the page: the file that could not be read, why, and the
// button that reads it again.
void addNotice(View& v) {
  const PageIds& ids = *v.ids;
  GtkBox* root = v.root;
  GtkWidget* bar = gtk_info_bar_new();
  gtk_info_bar_set_message_type(GTK_INFO_BAR(bar), GTK_MESSAGE_WARNING);
  name(bar, "notice_unread", ids.name);
  GtkWidget* text = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
  gtk_label_set_xalign(GTK_LABEL(text), 0);
  // As wide at least as at most: a wrapped label of free width is laid out
  // again for every width the notebook tries on its pages, which made the
  // five notices of an unread start-up cost a fifth of it.
  gtk_label_set_width_chars(GTK_LABEL(text), 60);
  gtk_label_set_max_width_chars(GTK_LABEL(text), 60);
  name(text, "notice_text", ids.name);
  gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(bar))), text);
  v.retry = gtk_button_new_with_mnemonic(_("Try a_gain"));
  name(v.retry, "btnReadAgain", ids.name);
  g_signal_connect(v.retry, "clicked", G_CALLBACK(onRetry), GINT_TO_POINTER(ids.page));
  gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_action_area(GTK_INFO_BAR(bar))), v.retry);
  v.noticeText = GTK_LABEL(text);
  v.notice = revealerOf(bar);
  gtk_box_pack_start(root, GTK_WIDGET(v.notice), FALSE, TRUE, 0);
  gtk_box_reorder_child(root, GTK_WIDGET(v.notice), 0);
}

// Beside the page's buttons: a spinner and "Waiting for authorisation…".
void addStatus(View& v) {
  const PageIds& ids = *v.ids;
  GtkWidget* buttonBox = v.buttonBox;
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget* spinner = gtk_spinner_new();
  const char* waiting = _("Waiting for authorisation\u2026");
  atk_object_set_name(gtk_widget_get_accessible(spinner), waiting);
  GtkWidget* label = gtk_label_new(waiting);
  name(label, "status_waiting", ids.name);
  gtk_box_pack_start(GTK_BOX(row), spinner, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
  v.spinner = GTK_SPINNER(spinner);
  v.status = revealerOf(row);
  gtk_container_add(GTK_CONTAINER(buttonBox), GTK_WIDGET(v.status));
  gtk_button_box_set_child_secondary(GTK_BUTTON_BOX(buttonBox), GTK_WIDGET(v.status), TRUE);
  gtk_button_box_set_child_non_homogeneous(GTK_BUTTON_BOX(buttonBox), GTK_WIDGET(v.status),
                                           TRUE);
}

// Above the buttons: the first refused field and why; a screen reader
// hears it as the Apply button's description too.
void addRefusal(View& v) {
  GtkWidget* label = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_style_context_add_class(gtk_widget_get_style_context(label), GTK_STYLE_CLASS_ERROR);
  name(label, "refusal", v.ids->name);
  gtk_box_pack_start(v.root, label, FALSE, TRUE, 0);
  int buttons = 0;
  gtk_container_child_get(GTK_CONTAINER(v.root), v.buttonBox, "position", &buttons, nullptr);
  gtk_box_reorder_child(v.root, label, buttons);
  v.refusalText = GTK_LABEL(label);
}

GtkWidget* widget(GtkBuilder* builder, const char* id) {
  return id ? GTK_WIDGET(gtk_builder_get_object(builder, id)) : nullptr;
}

void build(GtkBuilder* builder, const PageIds& ids) {
  View& v = g_views[ids.page];
  v.ids = &ids;
  v.root = GTK_BOX(widget(builder, ids.root));
  v.apply = widget(builder, ids.apply);
  v.buttonBox = gtk_widget_get_parent(v.apply);
  GList* children = gtk_container_get_children(GTK_CONTAINER(v.root));
  for (GList* l = children; l; l = l->next)
    if (l->data != v.buttonBox) v.fields.push_back(GTK_WIDGET(l->data));
  g_list_free(children);
  for (const char* id : {ids.defaults, ids.clear})
    if (GtkWidget* button = widget(builder, id)) v.editButtons.push_back(button);
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer) {
  if (!HLQ_AnyWaiting()) return FALSE;
  g_closeAsked = true;
  return TRUE;
}

void onDestroyed(GtkWidget*, gpointer) {
  g_window = nullptr;
  g_views.clear();
}

}  // namespace

std::vector<std::string> HLQ_PageViewProblems(GtkBuilder* builder) {
  std::vector<std::string> problems;
  auto check = [&](const char* id, GType type) {
    if (!id) return;
    std::string problem = HLQCT_WidgetProblem(builder, id, type);
    if (!problem.empty()) problems.push_back(problem);
  };
  for (const PageIds& ids : kPages) {
    check(ids.root, GTK_TYPE_BOX);
    check(ids.apply, GTK_TYPE_BUTTON);
    check(ids.defaults, GTK_TYPE_BUTTON);
    check(ids.clear, GTK_TYPE_BUTTON);
    GObject* apply = gtk_builder_get_object(builder, ids.apply);
    GObject* root = gtk_builder_get_object(builder, ids.root);
    if (GTK_IS_BUTTON(apply) && GTK_IS_BOX(root) &&
        (!GTK_IS_BUTTON_BOX(gtk_widget_get_parent(GTK_WIDGET(apply))) ||
         gtk_widget_get_parent(gtk_widget_get_parent(GTK_WIDGET(apply))) != GTK_WIDGET(root))) {
      // TRANSLATORS: %s is a widget ID of the UI definition file.
      g_autofree gchar* problem = g_strdup_printf(_("%s (not in a button box of its page)"),
                                                  ids.apply);
      problems.push_back(problem);
    }
  }
  return problems;
}

void HLQ_BuildPageViews(GtkBuilder* builder, void (*readAgain)(HLQPage page)) {
  HLQ_ForgetPageViews();
  g_readAgain = readAgain;
  for (const PageIds& ids : kPages) build(builder, ids);
}

void HLQ_ForgetPageViews() {
  g_views.clear();
  g_readAgain = nullptr;
  g_closeAsked = false;
  if (g_window) {
    g_signal_handlers_disconnect_by_func(g_window, reinterpret_cast<gpointer>(onDelete), nullptr);
    g_signal_handlers_disconnect_by_func(g_window, reinterpret_cast<gpointer>(onDestroyed),
                                         nullptr);
  }
  g_window = nullptr;
}

void HLQ_ShowUnread(HLQPage page, const std::string& path, const std::string& reason) {
  View* v = viewOf(page);
  if (!v) return;
  g_autofree gchar* text = g_strdup_printf(
      // TRANSLATORS: the path of the configuration file, then why it could not be read.
      _("The settings of this page could not be read from %s: %s\n"
        "They are not shown, and Apply stores nothing until they have been read."),
      path.c_str(), reason.c_str());
  if (!v->notice) addNotice(*v);
  gtk_label_set_text(v->noticeText, text);
  v->unread = true;
  refresh(*v);
}

void HLQ_ShowRead(HLQPage page) {
  View* v = viewOf(page);
  if (!v) return;
  v->unread = false;
  refresh(*v);
}

bool HLQ_IsUnread(HLQPage page, std::string* notice) {
  View* v = viewOf(page);
  if (!v || !v->unread) return false;
  if (notice) *notice = gtk_label_get_text(v->noticeText);
  return true;
}

void HLQ_ShowRefused(HLQPage page, const std::string& reason) {
  View* v = viewOf(page);
  if (!v || v->refused == reason) return;
  v->refused = reason;
  refresh(*v);
  atk_object_set_description(gtk_widget_get_accessible(v->apply), reason.c_str());
}

void HLQ_BeginWaiting(HLQPage page) {
  if (View* v = viewOf(page)) {
    ++v->waiting;
    refresh(*v);
  }
}

void HLQ_EndWaiting(HLQPage page) {
  View* v = viewOf(page);
  if (!v || v->waiting == 0) return;
  --v->waiting;
  refresh(*v);
}

bool HLQ_IsWaiting(HLQPage page) {
  View* v = viewOf(page);
  return v && v->waiting > 0;
}

bool HLQ_AnyWaiting() {
  for (const auto& entry : g_views)
    if (entry.second.waiting > 0) return true;
  return false;
}

void HLQ_HoldCloseWhileWaiting(GtkWidget* window) {
  g_window = window;
  g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(onDestroyed), nullptr);
}

void HLQ_CloseIfAsked() {
  if (!g_closeAsked || HLQ_AnyWaiting() || !g_window) return;
  g_closeAsked = false;
  gtk_widget_destroy(g_window);
}
