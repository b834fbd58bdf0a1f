// What the helper accepts of a caller: exactly the values that the tool's
// pages store, each one a text its page can write there (the page model's
// rule for that key). Everything a caller sends is checked here before
// anything is authorised or written; the helper trusts nothing else of the
// caller.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "model/value_changes.h"

// Each returns "" when a page of the tool could have sent these arguments,
// otherwise what was refused, for the caller. `attribute` "" names the
// element's text.
std::string HLQ_RefusalOfWrite(const char* file, const char* section, const char* key,
                               const char* attribute, const char* value);
std::string HLQ_RefusalOfValueCount(size_t count);
std::string HLQ_RefusalOfFile(const char* file);
// A locale name longer than any real one.
std::string HLQ_RefusalOfLocale(const char* locale);

// The values of a WriteValues call, given as the serialised form of an
// a(ssss) array: refused by its size before anything of it is unpacked,
// then by its form, its count, a repeated address or any value. Returns the
// array (to be unreffed) or nullptr with `refusal` set.
GVariant* HLQ_AcceptedValues(const char* file, GVariant* serialised, std::string* refusal);

// The texts a WriteValuesIfHeld call says the file holds, as the
// serialised form of an a(sssbs) array: refused by its size before anything
// of it is unpacked, then by its form, its count or an address that no page
// stores. Returns the array (to be unreffed) or nullptr with `refusal` set.
GVariant* HLQ_AcceptedHeldTexts(const char* file, GVariant* serialised, std::string* refusal);

// The values of a WriteGivenValues call, as the serialised form of an
// a(sus) array of (name, kind, text): refused by its size before anything
// of it is unpacked, then by its form, its count, a name that is not of a
// value of `file` (or is the code page, whose list depends on the printer
// the caller sees), or a name given twice.
std::vector<HLQValueRequest> HLQ_AcceptedGivenValues(const char* file, GVariant* serialised,
                                                     std::string* refusal);

// The names of the accepted values for polkit's rules, as scripts know them
// ("msr.port,msr.head-wrapper"), each once; a wrapper's kept-aside text goes
// by its wrapper's name.
std::string HLQ_NamesOfValues(const char* file, GVariant* values);
