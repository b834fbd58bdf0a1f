// Human output: rows of columns, each column as wide as its widest text
// (counted in characters), so that the columns line up in any language.
#pragma once

#include <string>
#include <vector>

using HLQCtlRow = std::vector<std::string>;

// Prints the rows to standard output; the last column of a row is not padded.
void HLQCtl_PrintTable(const std::vector<HLQCtlRow>& rows);

// A text as a terminal may be shown it: valid UTF-8, control characters escaped.
std::string HLQCtl_Printable(const std::string& text);
