// Access to single values of the daemon's XML configuration files, addressed
// as VCP/<section>/<key> (element text) or as an attribute of that key
// element. Every call loads the whole file, and every write that finds its
// element saves the whole file again, safely (see safe_save.h). Nothing is
// kept between calls. Elements and files are never created.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"
#include "config/xml_values.h"

// Stateless: all state is in the files.
class CXMLModuleConfig {
 public:
  // The key's text; "" for an element without text; nullopt (absent) when
  // the file, the root, the section or the key cannot be found.
  std::optional<std::string> ReadXMLNodeValue(const char* file, const char* section,
                                              const char* key);
  WriteResult WriteXMLNodeValue(const char* file, const char* section, const char* key,
                                const char* text);
  // The attribute's value; absent also when the attribute is missing.
  std::optional<std::string> ReadXMLNodeProperty(const char* file, const char* section,
                                                 const char* key, const char* attribute);
  WriteResult WriteXMLNodeProperty(const char* file, const char* section, const char* key,
                                   const char* attribute, const char* value);
};

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

// True when `text` is empty or only white space: the parser keeps no such
// text of an element, so it reads back as the empty text (a write of it is
// still stored; a port of none is stored as one blank). A caller whose value
// must not read back empty checks it with this first.
bool HLQ_ReadsBackAsEmpty(const char* text);

// True when `text` is UTF-8 and every character of it may appear in an
// XML 1.0 document and reads back unchanged (no control characters other
// than tab and line feed: a parser turns a carriage return into a line
// feed; no U+FFFE or U+FFFF).
bool HLQ_IsXmlSafeText(const char* text);
