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

// Each returns true when a page of the tool could have sent these arguments,
// otherwise false with what was refused, for the caller, in `err`.
// `attribute` "" names the element's text.
bool HLQ_CheckWrite(const char* file, const char* section, const char* key, const char* attribute,
                    const char* value, std::string* err);
bool HLQ_CheckValueCount(size_t count, std::string* err);
bool HLQ_CheckFileName(const char* file, std::string* err);
// Refuses a locale name longer than any real one.
bool HLQ_CheckLocaleName(const char* locale, std::string* err);

// The values of a WriteValues call, given as the serialised form of an
// a(ssss) array: refused by its size before anything of it is unpacked,
// then by its form, its count, a repeated address or any value. On success
// `values` holds the array (to be unreffed).
bool HLQ_AcceptValues(const char* file, GVariant* serialised, GVariant** values, std::string* err);

// The texts a WriteValuesIfHeld call says the file holds, as the
// serialised form of an a(sssbs) array: refused by its size before anything
// of it is unpacked, then by its form, its count or an address that no page
// stores. On success `held` holds the array (to be unreffed).
bool HLQ_AcceptHeldTexts(const char* file, GVariant* serialised, GVariant** held, std::string* err);

// The values of a WriteGivenValues call, as the serialised form of an
// a(sus) array of (name, kind, text): refused by its size before anything
// of it is unpacked, then by its form, its count, a name that is not of a
// value of `file` (or is the code page, whose list depends on the printer
// the caller sees), or a name given twice. On success `given` holds them.
bool HLQ_AcceptGivenValues(const char* file, GVariant* serialised,
                           std::vector<HLQValueRequest>* given, std::string* err);

// The names of the accepted values for polkit's rules, as scripts know them
// ("msr.port,msr.head-wrapper"), each once; a wrapper's kept-aside text goes
// by its wrapper's name.
std::string HLQ_NamesOfValues(const char* file, GVariant* values);
