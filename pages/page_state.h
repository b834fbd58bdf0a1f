// What each page read of its file and what its fields showed then. An Apply
// plans against these, so that it writes only the values the technician
// changed: a field that still shows what it showed after the page was filled
// is not asked to store anything, even where it cannot show the stored text
// exactly (a port the selector lacks, a text longer than its entry holds).
#pragma once

#include <vector>

#include "model/page_model.h"
#include "model/page_values.h"
#include "pages/page_fields.h"

// Reads the page's values from its file (through the helper where this
// process may not read it), as what the page shows from now on; the
// overwrite check is given the same read.
const HLQStoredTexts& HLQ_ReadPage(HLQPage page);
// What the page read last; read now if it never did.
const HLQStoredTexts& HLQ_PageTexts(HLQPage page);

// Takes the fields' states as what the page showed.
void HLQ_RememberFields(HLQPage page, const std::vector<HLQField>& fields);
// Whether the field shows what it showed when remembered.
bool HLQ_FieldUntouched(HLQPage page, const HLQField& field, const HLQGivenValue& given);

// After an Apply: the texts now stored are what the page read, and each
// value stored shows what its field shows now.
void HLQ_RememberApplied(HLQPage page, const std::vector<const HLQStoredValue*>& stored,
                         const std::vector<std::string>& texts,
                         const std::vector<HLQField>& storedFields);
void HLQ_ForgetPageStates();

// A page's initialiser, after HLQ_ReadPage: shows every field that shows
// what the file holds (the discovered devices are the page's own to show).
void HLQ_ShowStoredFields(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                          HLQCheckBoxes* checks);
// ... and once every field shows what it will: remembers them.
void HLQ_RememberPageFields(HLQPage page, HLQComboBoxes* combos, HLQEntries* entries,
                            HLQCheckBoxes* checks);
