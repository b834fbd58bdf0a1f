// What the helper accepts of a caller: exactly the values that the tool's
// pages store, named as they name them. Everything a caller sends is checked
// here before anything is authorised or written; the helper trusts nothing
// else of the caller.
#pragma once

#include <string>

// The longest value a page may store through the helper, in bytes.
inline constexpr size_t HLQ_HELPER_MAX_VALUE_BYTES = 1024;

// Each returns "" when a page of the tool could have sent these arguments,
// otherwise what was refused, for the caller.
std::string HLQ_RefusalOfWriteText(const char* file, const char* section, const char* key,
                                   const char* text);
std::string HLQ_RefusalOfWriteAttribute(const char* file, const char* section, const char* key,
                                        const char* attribute, const char* value);
std::string HLQ_RefusalOfReadText(const char* file, const char* section, const char* key);
// A locale name as setlocale() gives it ("de_DE.UTF-8", "C"), or "".
std::string HLQ_RefusalOfLocale(const char* locale);
