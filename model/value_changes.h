// The stored texts that a technician's or a script's values become: every
// requested value checked with the page model, only the texts that differ
// from the stored ones written, a wrapper's text and flag as its three
// texts together. The window, hlqctl and (through them) the helper plan
// every change with HLQ_PlanChanges.
#pragma once

#include <string>
#include <vector>

#include "model/page_values.h"

// One value to change, as given.
struct HLQValueRequest {
  const HLQStoredValue* value;
  HLQGivenValue given;
};

// One stored text to write.
struct HLQPlannedWrite {
  const HLQStoredValue* stored;
  std::string text;
};

// What becomes of one requested value.
struct HLQValuePlan {
  const HLQStoredValue* value = nullptr;
  HLQShownValue before, after;  // after: the value asked for, as it would be shown
  std::string refused;          // why the page could not store it; nothing may be written
  std::string unread;           // a stored text it needs could not be read; nothing may be written
  bool helperUnanswered = false;  // ... because the helper did not read it
  std::vector<size_t> writes;   // its stored texts that differ, in HLQChangePlan::writes
};

struct HLQChangePlan {
  std::vector<HLQValuePlan> values;   // in the order asked
  std::vector<HLQPlannedWrite> writes;  // only texts that differ from the stored ones
};

// Checks every requested value with the page model and works out the stored
// texts that change. A wrapper's text and flag become its three stored
// texts; the code page is taken from the list the page would show for the
// emulation mode it will have. A value given as it is shown now changes
// nothing, even where the page could not store it (a foreign port).
HLQChangePlan HLQ_PlanChanges(const std::vector<HLQValueRequest>& requests,
                              const HLQStoredTexts& texts, HLQCodepageLists* codepages);
