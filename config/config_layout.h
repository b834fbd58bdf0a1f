// The layout of the daemon's two configuration files: section, key and
// attribute names, and the forms in which values are stored and read back.
// The pages use these names rather than literals of their own.
#pragma once

#include <optional>
#include <string>

namespace kwn {

// Device configuration file (HLQ_DeviceConfigPath).
inline constexpr const char* PORTS = "Ports_Configuration";
inline constexpr const char* PRINTER_USB = "PRINTER_USB";
inline constexpr const char* CD_USB = "CD_USB";
inline constexpr const char* LD_USB = "LD_USB";
inline constexpr const char* MSR_USB = "MSR_USB";
inline constexpr const char* ATTR_PID = "PID";
inline constexpr const char* ATTR_VID = "VID";
inline constexpr const char* ATTR_SERIAL = "Serial_Number";
inline constexpr const char* ATTR_PID_2 = "PID_2";
inline constexpr const char* ATTR_VID_2 = "VID_2";
inline constexpr const char* ATTR_SERIAL_2 = "Serial_Number_2";

inline constexpr const char* PRINTER = "Printer_Configuration";
inline constexpr const char* CODE_PAGE = "Code_Page";
inline constexpr const char* EMULATION_MODE = "Emulation_Mode";
inline constexpr const char* UNSOLICITED_STATUS = "Unsolicited_Status";

inline constexpr const char* MSR = "MSR_Configuration";
inline constexpr const char* CR_ENABLED = "CR_Enabled";
inline constexpr const char* TRACK1_ENABLED = "Track1_Enabled";
inline constexpr const char* TRACK2_ENABLED = "Track2_Enabled";
inline constexpr const char* TRACK3_ENABLED = "Track3_Enabled";
inline constexpr const char* STRIP_SENTINELS = "Strip_Sentinels";
inline constexpr const char* HIDE_ERROR_TRACKS = "Hide_Error_Tracks";
inline constexpr const char* TRACK1_CR_ENABLED = "Track1_CR_Enabled";
inline constexpr const char* TRACK2_CR_ENABLED = "Track2_CR_Enabled";
inline constexpr const char* TRACK3_CR_ENABLED = "Track3_CR_Enabled";
inline constexpr const char* TRACK1_START_SENTINEL = "Track1_Start_Sentinel";
inline constexpr const char* TRACK2_START_SENTINEL = "Track2_Start_Sentinel";
inline constexpr const char* TRACK3_START_SENTINEL = "Track3_Start_Sentinel";
inline constexpr const char* END_SENTINEL = "End_Sentinel";
inline constexpr const char* HEAD_WRAPPER = "Head_Wrapper";
inline constexpr const char* HEAD_WRAPPER_BK = "Head_Wrapper_Bk";
inline constexpr const char* HEAD_WRAPPER_CHBX = "Head_Wrapper_Chbx";
inline constexpr const char* TAIL_WRAPPER = "Tail_Wrapper";
inline constexpr const char* TAIL_WRAPPER_BK = "Tail_Wrapper_Bk";
inline constexpr const char* TAIL_WRAPPER_CHBX = "Tail_Wrapper_Chbx";

// Logging configuration file (HLQ_LoggingConfigPath).
inline constexpr const char* LOGGING = "Logging_Configuration";
inline constexpr const char* LOG_LEVEL = "Log_Level";
inline constexpr const char* MODULE_SERVICE = "Module_Service";
inline constexpr const char* MODULE_CD = "Module_CD";
inline constexpr const char* MODULE_LD = "Module_LD";
inline constexpr const char* MODULE_MSR = "Module_MSR";
inline constexpr const char* MODULE_PRINTER_USB = "Module_PRINTER_USB";

}  // namespace kwn

// The two files as the privileged helper knows them: by these names, never
// by a path that a caller could choose.
inline constexpr const char* HLQ_DEVICE_FILE_NAME = "device";
inline constexpr const char* HLQ_LOGGING_FILE_NAME = "logging";
// The file of a name ("device" or "logging"), or nullptr for any other name.
const char* HLQ_ConfigFilePath(const char* name);
// The name of one of the two files' paths, or nullptr for any other path.
const char* HLQ_ConfigFileName(const char* path);

// Booleans of the device configuration file: "1" / "0", read as on only
// for exactly "1".
const char* HLQ_DeviceBoolText(bool on);
bool HLQ_IsDeviceBoolOn(const std::optional<std::string>& stored);

// Booleans of the logging configuration file: "true" / "false", read as on
// only for exactly "true".
const char* HLQ_LoggingBoolText(bool on);
bool HLQ_IsLoggingBoolOn(const std::optional<std::string>& stored);

// Numbers: written with "%d", read with base-10 strtol rules (leading
// blanks, optional sign, digits up to the first other character; no digits
// gives 0). An absent value reads as 0. Values beyond int range saturate.
std::string HLQ_NumberText(int value);
int HLQ_ParseNumber(const std::optional<std::string>& stored);
