// The real window from the real UI file, with the three registries bound as
// at start-up, for in-process tests of the pages and the shell.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/registries.h"
#include "model/page_model.h"

class LoadedUi {
 public:
  LoadedUi();  // loads the UI file and fills the registries (handlers not yet connected)
  ~LoadedUi();
  LoadedUi(const LoadedUi&) = delete;
  LoadedUi& operator=(const LoadedUi&) = delete;

  void connectSignals();  // as start-up does after the pages are filled
  // The notice and status line that start-up adds to each page.
  void addPageViews(void (*readAgain)(HLQPage) = nullptr);
  GtkBuilder* builder() const { return builder_; }
  GtkWidget* window() const { return window_; }
  // A button found by its label (for example "_Apply") on the notebook page
  // with the given tab label.
  GtkButton* button(const char* tabLabel, const char* buttonLabel) const;

  HLQComboBoxes combos{};
  HLQEntries entries{};
  HLQCheckBoxes checks{};

 private:
  GtkBuilder* builder_ = nullptr;
  GtkWidget* window_ = nullptr;
};

// The texts of a combo box's items in order (its first column; "" for an item
// without text). A combo box without a model fails the test.
std::vector<std::string> HLQTest_ComboItems(GtkComboBox* combo);
// The active item's text, or "(none)".
std::string HLQTest_ActiveText(GtkComboBoxText* combo);
