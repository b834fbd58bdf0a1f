// One access's configuration document: parsed afresh from the file, its
// VCP/<section>/<key> element found, changed, and saved only when the
// printed content reads back as the same document holding every written
// value. The single-value accesses and the batch of one Apply share it.
#pragma once

#include <tinyxml2.h>

#include <optional>
#include <string>
#include <vector>

#include "config/write_result.h"

inline WriteResult HLQ_NotStored(WriteStatus status, std::string reason) {
  return WriteResult{status, std::move(reason)};
}

// Every access parses the file afresh, with entities decoded and the text
// of elements kept as it is.
struct HLQFreshDocument : tinyxml2::XMLDocument {
  HLQFreshDocument() : XMLDocument(true, tinyxml2::PRESERVE_WHITESPACE) {}
};

// Loads `file` into `doc`; false with the FileNotLoaded result in `why`.
bool HLQ_LoadDocument(tinyxml2::XMLDocument& doc, const char* file, WriteResult* why);

// Finds VCP/<section>/<key> in a loaded document; nullptr with the reason
// when anything on the way is missing.
tinyxml2::XMLElement* HLQ_FindKey(tinyxml2::XMLDocument& doc, const char* section,
                                  const char* key, WriteResult* why);

// The TextNotAllowed result for a value the file cannot keep (none, not
// UTF-8, a carriage return, a character XML does not allow); nullopt when
// it can.
std::optional<WriteResult> HLQ_UnstorableText(const char* value);

// True for an attribute name that the parser reads back.
bool HLQ_IsXmlName(const char* name);

// Makes `text` the text that a read of the element returns.
void HLQ_SetText(tinyxml2::XMLElement* element, const char* text);

// What one write put into the document: the value that the key's text, or
// its attribute when one is named, must read back.
struct HLQWritten {
  const char* section;
  const char* key;
  const char* attribute;
  const char* value;
};

// Saves `doc` over `file`, safely, when its printed content reads back as
// the same document holding every `written` value; otherwise, or when the
// save fails, a SaveFailed result and the file is unchanged.
WriteResult HLQ_SaveDocument(tinyxml2::XMLDocument& doc, const char* file,
                             const std::vector<HLQWritten>& written);
