#include "app/fixed_paths.h"

#ifndef HLQ_ROOT
#define HLQ_ROOT ""
#endif

const char* HLQ_UiFilePath() { return HLQ_ROOT "/opt/pemo/hlq/hlqconfig.ui"; }
const char* HLQ_DeviceConfigPath() { return HLQ_ROOT "/opt/pemo/hlq/KWNConfig.xml"; }
const char* HLQ_LoggingConfigPath() { return HLQ_ROOT "/opt/pemo/hlq/KWNLogging.xml"; }
const char* HLQ_LockFilePath() { return HLQ_ROOT "/tmp/hlqconfigtool"; }
