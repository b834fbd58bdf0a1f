// What the helper accepts of a caller: exactly the values that the tool's
// pages store, named as they name them. Everything a caller sends is checked
// here before anything is authorised or written; the helper trusts nothing
// else of the caller.
#pragma once

#include <string>

// The longest value a page may store through the helper, in bytes, and the
// most values one call may store (a page stores at most 20).
inline constexpr size_t HLQ_HELPER_MAX_VALUE_BYTES = 1024;
inline constexpr size_t HLQ_HELPER_MAX_VALUES = 64;

// Each returns "" when a page of the tool could have sent these arguments,
// otherwise what was refused, for the caller. `attribute` "" names the
// element's text.
std::string HLQ_RefusalOfWrite(const char* file, const char* section, const char* key,
                               const char* attribute, const char* value);
std::string HLQ_RefusalOfValueCount(size_t count);
std::string HLQ_RefusalOfReadText(const char* file, const char* section, const char* key);
// A locale name as setlocale() gives it ("de_DE.UTF-8", "C"), or "".
std::string HLQ_RefusalOfLocale(const char* locale);
