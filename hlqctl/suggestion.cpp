#include "hlqctl/suggestion.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <algorithm>

#include "hlqctl/table.h"
#include "hlqctl/verbs.h"
#include "model/page_values.h"

namespace {

// Levenshtein's distance, over bytes: keys and verbs are ASCII.
size_t distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string HLQCtl_Nearest(const std::string& given, const std::vector<std::string>& names) {
  std::string nearest;
  size_t best = 0;
  for (const std::string& name : names) {
    const size_t d = distance(given, name);
    if (nearest.empty() || d < best) nearest = name, best = d;
  }
  // A third of the name may be mistyped, at least one character.
  return !nearest.empty() && best <= std::max<size_t>(1, nearest.size() / 3) ? nearest : "";
}

std::string HLQCtl_WithSuggestion(const std::string& problem, const std::string& given,
                                  const std::vector<std::string>& names) {
  const std::string nearest = HLQCtl_Nearest(given, names);
  if (nearest.empty()) return problem;
  // TRANSLATORS: %s is the known name closest to the one given.
  g_autofree gchar* hint = g_strdup_printf(_("did you mean %s?"), nearest.c_str());
  return problem + " (" + hint + ")";
}

std::string HLQCtl_UnknownKey(const std::string& key) {
  std::vector<std::string> names;
  for (const HLQStoredValue* value : HLQ_NamedValues()) names.emplace_back(value->name);
  // TRANSLATORS: %s is the key given.
  g_autofree gchar* problem = g_strdup_printf(_("unknown key %s (hlqctl keys lists them)"),
                                              HLQCtl_Printable(key).c_str());
  return HLQCtl_WithSuggestion(problem, key, names);
}
