#include "hlqctl/table.h"

#include <glib.h>

#include <cstdio>

namespace {

size_t widthOf(const std::string& text) {
  return static_cast<size_t>(g_utf8_strlen(text.c_str(), -1));
}

}  // namespace

std::string HLQCtl_Printable(const std::string& text) {
  static const std::string kNotEscaped = [] {
    std::string kept = "\"\\";
    for (int c = 0x80; c <= 0xff; ++c) kept += static_cast<char>(c);
    return kept;
  }();
  g_autofree gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
  g_autofree gchar* escaped = g_strescape(valid, kNotEscaped.c_str());
  return escaped;
}

void HLQCtl_PrintTable(const std::vector<HLQCtlRow>& rows) {
  std::vector<size_t> widths;
  for (const HLQCtlRow& row : rows)
    for (size_t i = 0; i + 1 < row.size(); ++i) {
      if (widths.size() <= i) widths.resize(i + 1, 0);
      widths[i] = std::max(widths[i], widthOf(row[i]));
    }
  for (const HLQCtlRow& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - widthOf(row[i]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}
