// The flat configuration functions, and the one choice that the reads and
// the stores of an Apply add to the configuration class: whether this
// process works on the file itself or has the privileged helper do it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"
#include "config/xml_values.h"

// The flat, handle-based interface that the pages use. A process that may not
// read one of the daemon's two files itself, such as a window run by the
// technician, has the privileged helper read it with the same code; root
// always works on the files directly.
struct XMLWrapperHandle;
using HXMLWRAPPER = XMLWrapperHandle*;

HXMLWRAPPER xmlwrapper_create();
void xmlwrapper_destroy(HXMLWRAPPER handle);
std::optional<std::string> xmlwrapper_ReadXMLNodeValue(HXMLWRAPPER handle, const char* file,
                                                       const char* section, const char* key);
WriteResult xmlwrapper_WriteXMLNodeValue(HXMLWRAPPER handle, const char* file,
                                         const char* section, const char* key,
                                         const char* text);
std::optional<std::string> xmlwrapper_ReadXMLNodeProperty(HXMLWRAPPER handle,
                                                          const char* file,
                                                          const char* section,
                                                          const char* key,
                                                          const char* attribute);
WriteResult xmlwrapper_WriteXMLNodeProperty(HXMLWRAPPER handle, const char* file,
                                            const char* section, const char* key,
                                            const char* attribute, const char* value);

// Stores the values of one Apply into `file` in one load, change and safe
// save of the whole file (HLQ_StoreValuesInOneSave), and gives each one's
// result. A process that may not write the file itself (the technician's window) has
// the privileged helper store them with the same code, all in one call, for
// which polkit is asked (and the administrator's password given) once.
std::vector<WriteResult> HLQ_StoreValues(const char* file,
                                         const std::vector<HLQValueToStore>& values);

// The part of HLQ_StoreValues that comes before the helper's call, for a
// caller that makes that call without waiting: the values the helper must
// not be sent (a text the file cannot keep) are tried here and get their
// results in `results` (sized like `values`); the others are the helper's
// share, each with its place in `values`.
struct HLQHelperShare {
  std::vector<HLQValueToStore> values;
  std::vector<size_t> places;
};
HLQHelperShare HLQ_StoreWhatTheHelperMayNotTake(const char* file,
                                                const std::vector<HLQValueToStore>& values,
                                                std::vector<WriteResult>* results);
