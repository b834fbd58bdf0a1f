#include "config/config_layout.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/fixed_paths.h"

namespace {

bool same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

constexpr const char* kNoAttributes[] = {nullptr};
constexpr const char* kOneDevice[] = {kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL, nullptr};
constexpr const char* kTwoDevices[] = {kwn::ATTR_PID,   kwn::ATTR_VID,   kwn::ATTR_SERIAL,
                                       kwn::ATTR_PID_2, kwn::ATTR_VID_2, kwn::ATTR_SERIAL_2,
                                       nullptr};

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

namespace {

#define HLQ_DEVICE(section, key, attributes) {HLQ_DEVICE_FILE_NAME, section, key, attributes}
#define HLQ_LOGGING(key) {HLQ_LOGGING_FILE_NAME, kwn::LOGGING, key, kNoAttributes}
#define HLQ_MSR(key) HLQ_DEVICE(kwn::MSR, key, kNoAttributes)

constexpr HLQStoredKey kStoredKeys[] = {
    HLQ_DEVICE(kwn::PORTS, kwn::PRINTER_USB, kOneDevice),
    HLQ_DEVICE(kwn::PORTS, kwn::CD_USB, kTwoDevices),
    HLQ_DEVICE(kwn::PORTS, kwn::LD_USB, kOneDevice),
    HLQ_DEVICE(kwn::PORTS, kwn::MSR_USB, kNoAttributes),
    HLQ_DEVICE(kwn::PRINTER, kwn::CODE_PAGE, kNoAttributes),
    HLQ_DEVICE(kwn::PRINTER, kwn::EMULATION_MODE, kNoAttributes),
    HLQ_DEVICE(kwn::PRINTER, kwn::UNSOLICITED_STATUS, kNoAttributes),
    HLQ_MSR(kwn::CR_ENABLED),
    HLQ_MSR(kwn::TRACK1_ENABLED),
    HLQ_MSR(kwn::TRACK2_ENABLED),
    HLQ_MSR(kwn::TRACK3_ENABLED),
    HLQ_MSR(kwn::STRIP_SENTINELS),
    HLQ_MSR(kwn::HIDE_ERROR_TRACKS),
    HLQ_MSR(kwn::TRACK1_CR_ENABLED),
    HLQ_MSR(kwn::TRACK2_CR_ENABLED),
    HLQ_MSR(kwn::TRACK3_CR_ENABLED),
    HLQ_MSR(kwn::TRACK1_START_SENTINEL),
    HLQ_MSR(kwn::TRACK2_START_SENTINEL),
    HLQ_MSR(kwn::TRACK3_START_SENTINEL),
    HLQ_MSR(kwn::END_SENTINEL),
    HLQ_MSR(kwn::HEAD_WRAPPER),
    HLQ_MSR(kwn::HEAD_WRAPPER_BK),
    HLQ_MSR(kwn::HEAD_WRAPPER_CHBX),
    HLQ_MSR(kwn::TAIL_WRAPPER),
    HLQ_MSR(kwn::TAIL_WRAPPER_BK),
    HLQ_MSR(kwn::TAIL_WRAPPER_CHBX),
    HLQ_LOGGING(kwn::LOG_LEVEL),
    HLQ_LOGGING(kwn::MODULE_SERVICE),
    HLQ_LOGGING(kwn::MODULE_CD),
    HLQ_LOGGING(kwn::MODULE_LD),
    HLQ_LOGGING(kwn::MODULE_MSR),
    HLQ_LOGGING(kwn::MODULE_PRINTER_USB),
};

}  // namespace

const HLQStoredKey* HLQ_FindStoredKey(const char* file, const char* section, const char* key) {
  for (const HLQStoredKey& stored : kStoredKeys)
    if (same(file, stored.file) && same(section, stored.section) && same(key, stored.key))
      return &stored;
  return nullptr;
}

bool HLQ_IsStoredAttribute(const HLQStoredKey& key, const char* attribute) {
  for (const char* const* name = key.attributes; *name; ++name)
    if (same(attribute, *name)) return true;
  return false;
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
