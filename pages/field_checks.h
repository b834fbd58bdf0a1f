// Checked as typed: a text its rule refuses is marked in its field at once
// (GTK's "error" style, the model's reason as its tooltip and as its
// accessible description, so that a screen reader says it), and the page's
// Apply is insensitive, with the reason shown on the page, while any of its
// fields is refused. The rule is the one an Apply plans with.
#pragma once

#include "app/registries.h"
#include "model/page_model.h"

// Watches every entry of every page.
void HLQ_CheckFieldsAsTyped(HLQComboBoxes* combos, HLQEntries* entries, HLQCheckBoxes* checks);
// Checks every entry of the page again (after the page was filled anew).
void HLQ_CheckPageFields(HLQPage page);
