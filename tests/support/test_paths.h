// The tests' own definition of the tool's fixed paths: the UI file of this
// source tree, the translations this build compiled, and configuration and
// lock files that a test points at a temporary folder of its own.
#pragma once

#include <string>

void HLQTest_SetDeviceConfigPath(const std::string& path);
void HLQTest_SetLoggingConfigPath(const std::string& path);
void HLQTest_SetLockFilePath(const std::string& path);
void HLQTest_SetUiFilePath(const std::string& path);
// The UI file of the source tree.
const char* HLQTest_SourceUiFile();
