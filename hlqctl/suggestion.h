// "Did you mean": the known name closest to a mistyped one.
#pragma once

#include <string>
#include <vector>

// The name of `names` at the smallest edit distance from `given`, if that
// distance is small for the name's length; "" otherwise.
std::string HLQCtl_Nearest(const std::string& given, const std::vector<std::string>& names);

// `problem`, followed by " (did you mean NAME?)" where a name is close.
std::string HLQCtl_WithSuggestion(const std::string& problem, const std::string& given,
                                  const std::vector<std::string>& names);
