#include "tests/support/test_paths.h"

#include "base/fixed_paths.h"

namespace {
std::string g_ui = HLQ_SOURCE_DIR "/ui/hlqconfig.ui";
std::string g_device = "/nonexistent/KWNConfig.xml";
std::string g_logging = "/nonexistent/KWNLogging.xml";
std::string g_lock = "/nonexistent/hlqconfigtool";
}  // namespace

const char* HLQ_UiFilePath() { return g_ui.c_str(); }
const char* HLQ_DeviceConfigPath() { return g_device.c_str(); }
const char* HLQ_LoggingConfigPath() { return g_logging.c_str(); }
const char* HLQ_LockFilePath() { return g_lock.c_str(); }
const char* HLQ_LocaleDir() { return HLQ_LOCALE_BUILD_DIR; }

void HLQTest_SetDeviceConfigPath(const std::string& path) { g_device = path; }
void HLQTest_SetLoggingConfigPath(const std::string& path) { g_logging = path; }
void HLQTest_SetLockFilePath(const std::string& path) { g_lock = path; }
void HLQTest_SetUiFilePath(const std::string& path) { g_ui = path; }
const char* HLQTest_SourceUiFile() { return HLQ_SOURCE_DIR "/ui/hlqconfig.ui"; }
const char* HLQ_RestartSearchPath() { return "/usr/sbin:/usr/bin:/sbin:/bin"; }
