#include "config/helper_calls.h"

#include <glib/gi18n-lib.h>

namespace {
HLQHelperCallsSource g_source = nullptr;
bool g_interactive = true;
}  // namespace

void HLQ_UseHelperCalls(HLQHelperCallsSource source) { g_source = source; }

const HLQHelperCalls* HLQ_HelperCalls(std::string* err) {
  if (g_source) return g_source(err);
  *err = _("the helper that stores values for other users is not available to this program");
  return nullptr;
}

void HLQ_SetHelperInteractive(bool interactive) { g_interactive = interactive; }
bool HLQ_HelperInteractive() { return g_interactive; }
