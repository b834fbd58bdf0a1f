#include "config/config_layout.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/fixed_paths.h"

namespace {

bool same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

}  // namespace

const char* HLQ_ConfigFilePath(const char* name) {
  if (same(name, HLQ_DEVICE_FILE_NAME)) return HLQ_DeviceConfigPath();
  if (same(name, HLQ_LOGGING_FILE_NAME)) return HLQ_LoggingConfigPath();
  return nullptr;
}

const char* HLQ_ConfigFileName(const char* path) {
  if (same(path, HLQ_DeviceConfigPath())) return HLQ_DEVICE_FILE_NAME;
  if (same(path, HLQ_LoggingConfigPath())) return HLQ_LOGGING_FILE_NAME;
  return nullptr;
}

const char* HLQ_DeviceBoolText(bool on) { return on ? "1" : "0"; }

bool HLQ_IsDeviceBoolOn(const std::optional<std::string>& stored) {
  return stored && *stored == "1";
}

const char* HLQ_LoggingBoolText(bool on) { return on ? "true" : "false"; }

bool HLQ_IsLoggingBoolOn(const std::optional<std::string>& stored) {
  return stored && *stored == "true";
}

std::string HLQ_NumberText(int value) { return std::to_string(value); }

int HLQ_ParseNumber(const std::optional<std::string>& stored) {
  if (!stored) return 0;
  long value = std::strtol(stored->c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}
