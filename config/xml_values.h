// Several values of one configuration file at once: all reads from one load
// of the file, and all stores in one load, change and save of it, under
// the file's lock, for the command line and the privileged helper.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"

// One value an Apply stores: the text of VCP/section/key, or its attribute.
struct HLQValueToStore {
  const char* section;
  const char* key;
  const char* attribute;  // nullptr: the element's text
  std::string value;
};

// Where a value is read from: VCP/section/key, or its attribute.
struct HLQValueAddress {
  const char* section;
  const char* key;
  const char* attribute;  // nullptr: the element's text
};

struct HLQReadValue {
  std::optional<std::string> text;  // "" for an element without text; nullopt when absent
  std::string reason;               // why it is absent, for the user
};

struct HLQFileValues {
  bool loaded = false;
  std::string reason;                // why the file could not be read, for the user
  bool helperUnanswered = false;     // the helper was asked and did not read it (not authorised, or not reached)
  std::vector<HLQReadValue> values;  // in the order asked, when loaded
};

// Reads every address from one load of `file`.
HLQFileValues HLQ_ReadValuesOnce(const char* file, const std::vector<HLQValueAddress>& addresses);

// Stores the values, each address at most once, into one load of `file`
// and saves it once, safely, while holding the file's lock. A value that
// the file holds already is AlreadyStored; one that cannot be stored (its
// element missing, a text the file cannot keep) is reported and the others
// are stored all the same; when the save fails none is. When nothing
// changes the file is not touched at all.
std::vector<WriteResult> HLQ_StoreValuesInOneSave(const char* file,
                                                  const std::vector<HLQValueToStore>& values);

// Whether this process needs the privileged helper to read (R_OK) or write
// (W_OK) `file`: it is one of the daemon's two files and only its
// permissions keep this process out. Root never does.
bool HLQ_NeedsHelper(const char* file, int access);

// As HLQ_ReadValuesOnce; where this process may not read the file, the
// helper reads it, once per file (every later read takes the same answer,
// until HLQ_ForgetHelperReads or HLQ_RememberHelperRead). A file the helper
// could not read (not authorised, not reached, or unreadable to the helper
// too) is not loaded, with the reason.
HLQFileValues HLQ_ReadValues(const char* file, const std::vector<HLQValueAddress>& addresses);
void HLQ_ForgetHelperReads();

// The values at `addresses` of a file as the helper read it (not loaded,
// with the reason, when the helper did not answer or could not read it).
struct HLQHelperFileRead;
HLQFileValues HLQ_ValuesOfHelperRead(const HLQHelperFileRead& read,
                                     const std::vector<HLQValueAddress>& addresses);
// Makes `read` the helper's answer for `file` from now on (a read tried
// again after the first one failed).
void HLQ_RememberHelperRead(const char* file, const HLQHelperFileRead& read);

// Has the helper store the values in one call (and one save); every value
// NotAuthorized with the reason when the helper is not available.
std::vector<WriteResult> HLQ_HelperStore(const char* file,
                                         const std::vector<HLQValueToStore>& values);
