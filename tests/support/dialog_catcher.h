// Answers the modal message boxes that an action opens, from inside their
// nested main loop, and records what they said: OK to a message, and the
// given answer to a question. A watchdog fails the test instead of letting
// a missing or unexpected dialog hang it.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

struct SeenDialog {
  std::string title;
  std::string text;
};

class DialogCatcher {
 public:
  // Starts watching; questions get `questionAnswer`.
  explicit DialogCatcher(GtkResponseType questionAnswer = GTK_RESPONSE_NO);
  ~DialogCatcher();  // stops watching
  DialogCatcher(const DialogCatcher&) = delete;
  DialogCatcher& operator=(const DialogCatcher&) = delete;

  const std::vector<SeenDialog>& dialogs() const { return dialogs_; }

 private:
  static gboolean poll(gpointer self);
  std::vector<SeenDialog> dialogs_;
  GtkResponseType questionAnswer_;
  guint source_ = 0;
};

// Number of GtkMessageDialogs that still exist as toplevels (0 after every
// message box has been dismissed and destroyed).
int HLQTest_OpenMessageDialogs();

// Runs pending GTK events until none is left.
void HLQTest_DrainEvents();

// Presses a button (which must exist) as the user does and returns the message
// boxes it showed; a message box left open fails the test.
std::vector<SeenDialog> HLQTest_PressAndCatch(GtkButton* button,
                                              GtkResponseType questionAnswer = GTK_RESPONSE_NO);
// Presses a button that must show exactly one message box and returns that box
// (empty when there was none); a message box left open fails the test.
SeenDialog HLQTest_PressForOneMessage(GtkButton* button);
