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
#include "config/xml_wrapper.h"

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
