// A configuration file read and edited with tinyxml2 directly, not through
// the configuration layer under test: for setting up a file and for checking
// what a page stored. Elements are found as VCP/section/key (the first of
// each name); a file that cannot be loaded or saved, or has no VCP root,
// fails the test.
#pragma once

#include <tinyxml2.h>

#include <functional>
#include <optional>
#include <string>

// The element's text ("" when it has none), or nullopt when it is absent.
std::optional<std::string> HLQTest_StoredText(const std::string& file, const char* section,
                                              const char* key);
// The element's attribute, or nullopt when the element or attribute is absent.
std::optional<std::string> HLQTest_StoredAttribute(const std::string& file, const char* section,
                                                   const char* key, const char* attribute);

// Loads the file, hands its root element to `edit` and saves it.
void HLQTest_EditXml(const std::string& file,
                     const std::function<void(tinyxml2::XMLElement* vcp)>& edit);
// Sets the text of an element that must exist.
void HLQTest_StoreText(const std::string& file, const char* section, const char* key,
                       const char* text);
// Removes an element that must exist, or the whole section when `key` is null.
void HLQTest_RemoveElement(const std::string& file, const char* section, const char* key);
