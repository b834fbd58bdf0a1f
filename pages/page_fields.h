// The window's fields bound to the page model's values by key: the one
// table that says which widget shows which value. What a value may hold,
// how it is stored and what it defaults to are the model's; this unit only
// turns a widget's state into a value as the technician gave it, shows a
// value in its widget, and names it as the page shows it.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/registries.h"
#include "model/page_model.h"
#include "model/page_values.h"

struct HLQField {
  const HLQStoredValue* value;
  GtkWidget* widget;
  // Shows what the attached devices report rather than what the file holds,
  // so that an Apply stores it even where the technician did not touch it.
  bool discovered = false;
};

// Every field of `page`, in the model's order of the page's values.
std::vector<HLQField> HLQ_FieldsOf(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                                   HLQCheckBoxes* checks);
// The field of the window that shows the named value, or nullptr.
GtkWidget* HLQ_FieldWidget(const char* name);
// Every field's widget ID that the builder lacks or holds as a widget that
// cannot show its value, as HLQCT_WidgetProblem words it. Empty when all are there.
std::vector<std::string> HLQ_FieldProblems(GtkBuilder* builder);

// The field's state as a given value; false where it holds none (a
// selector with no item chosen, a code page list that is empty).
bool HLQ_GivenOfField(const HLQField& field, HLQGivenValue* given);
bool HLQ_SameGiven(const HLQGivenValue& a, const HLQGivenValue& b);

// Shows the value as the model reads it from `texts`.
void HLQ_ShowInField(const HLQField& field, const HLQStoredTexts& texts,
                     HLQCodepageLists* codepages);

// A value as the field would show it: the selector's item, "on"/"off",
// "None", an entry's text in quotes.
std::string HLQ_FieldShows(const HLQField& field, const HLQShownValue& shown);
// What the field shows now, the same way.
std::string HLQ_FieldShowsNow(const HLQField& field);

// The code page list as the printer page shows it, for the model's check
// of a code page position against that list.
void HLQ_UseShownCodepages(HLQComboBoxes* combos, const HLQStoredTexts& texts,
                           HLQCodepageLists* codepages);
