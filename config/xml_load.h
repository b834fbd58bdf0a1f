// Loading a configuration document for one access. Only a regular file (or
// a symbolic link to one) is read, and it is opened without waiting, so that
// a FIFO or a device put at the path can neither hang the window nor be read
// as configuration. A failed load gives its reason in the user's language,
// the parser's errors included.
#pragma once

#include <tinyxml2.h>

#include <string>

// Loads the whole file into `doc`. False, with `err` for the user, when no
// file is named or the file is missing, not a regular file, cannot be opened
// or read, is empty or is not well-formed.
bool HLQ_LoadConfigDocument(tinyxml2::XMLDocument& doc, const char* file, std::string* err);
