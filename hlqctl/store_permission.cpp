#include "hlqctl/store_permission.h"

#include <dlfcn.h>
#include <glib.h>
#include <glib/gi18n-lib.h>

#include "hlqctl/helper_on_demand.h"

namespace {

using Entry = int (*)(std::string* err);

}  // namespace

HLQCtlPermission HLQCtl_StorePermission(std::string* err) {
  void* module = dlopen(HLQCtl_HelperModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
  Entry entry = module ? reinterpret_cast<Entry>(dlsym(module, HLQCTL_PERMISSION_MODULE_ENTRY))
                       : nullptr;
  if (!entry) {
    // TRANSLATORS: %s is the system's reason, in English.
    g_autofree gchar* why = g_strdup_printf(
        _("the helper that stores values for other users cannot be called: %s"), dlerror());
    *err = why;
    return HLQCtlPermission::NotAsked;
  }
  return static_cast<HLQCtlPermission>(entry(err));
}
