// What each page showed of its file: the text of every value it stores, as
// read when the page was filled (or as its last Apply left it). An Apply
// holds these against what the file holds at that moment: a value another
// writer changed since, which the page would overwrite with something else,
// is one to ask about before storing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"
#include "config/xml_values.h"
#include "model/page_model.h"

// Every value `page` stores, where it is read from, in the table's order.
std::vector<HLQValueAddress> HLQ_AddressesOfPage(HLQPage page);

// Takes `read` (of HLQ_AddressesOfPage(page), in that order) as what the
// page shows. After a read that did not load the file, the page knows
// nothing it could compare.
void HLQ_RememberShown(HLQPage page, const HLQFileValues& read);
// After an Apply: each value that the file now holds (stored, or held
// already) is what the page shows.
void HLQ_RememberStored(HLQPage page, const std::vector<HLQValueToStore>& values,
                        const std::vector<WriteResult>& results);
// Whether the page knows what it showed.
bool HLQ_KnowsShown(HLQPage page);
void HLQ_ForgetShown();

// A value of an Apply that another writer changed since the page showed it,
// and that the page would overwrite with something else.
struct HLQChangedElsewhere {
  size_t index;                     // in the Apply's values
  std::string now;                  // what the file holds
  std::optional<std::string> shown; // what the page showed
};
// `now` is the file read at the addresses of `values`, in order; a file
// that could not be read gives nothing to ask about (the store then says
// why it failed).
std::vector<HLQChangedElsewhere> HLQ_ChangedElsewhere(HLQPage page,
                                                      const std::vector<HLQValueToStore>& values,
                                                      const HLQFileValues& now);
