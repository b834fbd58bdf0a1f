// Values as a technician gave them, for a file the caller may not read: the
// helper plans them as the pages would, from what the file holds, so that
// the caller needs no read of its own before the store, and the texts that
// differ are planned again and stored under the writers' lock.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "model/value_changes.h"

// What the file holds and what the pages would write of `given`.
struct HLQGivenPlan {
  HLQStoredTexts texts;
  HLQChangePlan plan;
  bool writes() const;  // something differs, and nothing was refused or unread
};
HLQGivenPlan HLQ_PlanGivenValues(const char* file, const std::vector<HLQValueRequest>& given);

// Under the writers' lock: planned again from what the file holds now, and
// the texts that differ stored in one save (none when a value is refused or
// cannot be read). `results` is in the order of the plan's writes.
HLQGivenPlan HLQ_StoreGivenValues(const char* file, const std::vector<HLQValueRequest>& given,
                                  std::vector<WriteResult>* results);

// WriteGivenValues' answer: the file's texts as ReadValues gives them, and
// `results` (a floating a(sssus)).
GVariant* HLQ_GivenValuesReply(const char* file, const HLQStoredTexts& texts, GVariant* results);
