#include "hlqctl/helper_on_demand.h"

#include <dlfcn.h>
#include <glib.h>
#include <glib/gi18n-lib.h>

#include "base/fixed_paths.h"
#include "hlqctl/password_agent.h"

namespace {

using Entry = const HLQHelperCalls* (*)(std::string* err);

Entry loadEntry(std::string* err) {
  const std::string path = HLQCtl_HelperModulePath();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  Entry entry = module ? reinterpret_cast<Entry>(dlsym(module, HLQCTL_HELPER_MODULE_ENTRY))
                       : nullptr;
  if (!entry) {
    // TRANSLATORS: %s is the system's reason, in English.
    g_autofree gchar* reason = g_strdup_printf(
        _("the helper that stores values for other users cannot be called: %s"), dlerror());
    *err = reason;
  }
  return entry;
}

}  // namespace

std::string HLQCtl_HelperModulePath() {
  if (*HLQ_HelperModulePath()) return HLQ_HelperModulePath();
  g_autofree gchar* program = g_file_read_link("/proc/self/exe", nullptr);
  g_autofree gchar* folder = g_path_get_dirname(program ? program : ".");
  return std::string(folder) + "/hlqctl-helper.so";
}

const HLQHelperCalls* HLQCtl_HelperCallsOnDemand(std::string* err) {
  static bool tried = false;
  static Entry entry = nullptr;
  static std::string loadProblem;
  if (!tried) {
    tried = true;
    entry = loadEntry(&loadProblem);
    if (entry) HLQCtl_StartPasswordAgent();
  }
  if (!entry) {
    *err = loadProblem;
    return nullptr;
  }
  return entry(err);
}
