#include "base/fixed_paths.h"

#ifndef HLQ_ROOT
#define HLQ_ROOT ""
#endif
#ifndef HLQ_HELPER_MODULE
#define HLQ_HELPER_MODULE ""
#endif
#ifndef HLQ_LOCALE_DIR
#define HLQ_LOCALE_DIR HLQ_ROOT "/usr/share/locale"
#endif

const char* HLQ_UiFilePath() { return HLQ_ROOT "/opt/pemo/hlq/hlqconfig.ui"; }
const char* HLQ_DeviceConfigPath() { return HLQ_ROOT "/opt/pemo/hlq/KWNConfig.xml"; }
const char* HLQ_LoggingConfigPath() { return HLQ_ROOT "/opt/pemo/hlq/KWNLogging.xml"; }
const char* HLQ_LockFilePath() { return HLQ_ROOT "/tmp/hlqconfigtool"; }
const char* HLQ_LocaleDir() { return HLQ_LOCALE_DIR; }
const char* HLQ_HelperModulePath() { return HLQ_HELPER_MODULE; }
const char* HLQ_RestartSearchPath() {
  return HLQ_ROOT "/usr/local/sbin:" HLQ_ROOT "/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
}
