// A store planned from texts read before the writers' lock was taken: it
// goes ahead only while the file still holds those texts, checked and stored
// under the lock, so that of two writers who planned from the same texts
// (the three texts of an MSR wrapper) the second is told that nothing of its
// was stored instead of overwriting the first one's change unseen.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"
#include "config/xml_values.h"

// A text the file must still hold: VCP/section/key, or its attribute; no
// text means it must still be absent.
struct HLQHeldText {
  const char* section;
  const char* key;
  const char* attribute;  // nullptr: the element's text
  std::optional<std::string> text;
};

// As HLQ_StoreValuesInOneSave, once the file is found to hold every text of
// `held` under the lock; otherwise nothing is written and every value is
// not stored (SaveFailed), with the reason.
bool HLQ_StoreValuesIfHeld(const char* file, const std::vector<HLQValueToStore>& values,
                           const std::vector<HLQHeldText>& held,
                           std::vector<WriteResult>* results, std::string* err);
