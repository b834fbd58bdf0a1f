// The tool's fixed names: where its UI file, the daemon's two configuration
// files, the single-instance lock and the translations live, the shared
// memory record and the restart command. Nothing at run time changes them; a
// build may only prefix the absolute paths with a sandbox root (HLQ_ROOT) for
// the demo and the tests.
#pragma once

const char* HLQ_UiFilePath();
const char* HLQ_DeviceConfigPath();
const char* HLQ_LoggingConfigPath();
const char* HLQ_LockFilePath();
// The folder holding <lang>/LC_MESSAGES/hlqconfig.mo.
const char* HLQ_LocaleDir();

// The command line's module with the helper's bus client, loaded only when
// a call needs the helper; "" for a sandbox build, whose module lies beside
// the program.
const char* HLQ_HelperModulePath();

// The search path with which the privileged helper runs the restart command:
// root's usual one, never the caller's; a sandbox build looks in its own
// usr/local first.
const char* HLQ_RestartSearchPath();

inline constexpr const char* HLQ_CODEPAGE_SHM_NAME = "/SHM_HLQ";
inline constexpr const char* HLQ_RESTART_COMMAND = "systemctl restart kwn";
