// The helper's names on the system bus, shared by the helper and the tool's
// calls to it. The interface itself is org.hlqconfig.Helper1.xml.
#pragma once

#include <cstddef>

inline constexpr const char* HLQ_HELPER_BUS_NAME = "org.hlqconfig.Helper1";
inline constexpr const char* HLQ_HELPER_OBJECT_PATH = "/org/hlqconfig/Helper1";
inline constexpr const char* HLQ_HELPER_INTERFACE = "org.hlqconfig.Helper1";

// The errors the helper answers with.
inline constexpr const char* HLQ_HELPER_ERROR_REFUSED = "org.hlqconfig.Helper1.Error.Refused";
inline constexpr const char* HLQ_HELPER_ERROR_NOT_AUTHORIZED =
    "org.hlqconfig.Helper1.Error.NotAuthorized";
inline constexpr const char* HLQ_HELPER_ERROR_DISMISSED = "org.hlqconfig.Helper1.Error.Dismissed";
inline constexpr const char* HLQ_HELPER_ERROR_NO_AGENT = "org.hlqconfig.Helper1.Error.NoAgent";
inline constexpr const char* HLQ_HELPER_ERROR_FAILED = "org.hlqconfig.Helper1.Error.Failed";
inline constexpr const char* HLQ_HELPER_ERROR_BUSY = "org.hlqconfig.Helper1.Error.Busy";
// A call that would need a password but did not allow one to be asked for.
inline constexpr const char* HLQ_HELPER_ERROR_INTERACTIVE_REQUIRED =
    "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";

// The polkit actions: reading a file the caller may not read, and storing
// values or restarting the daemon.
inline constexpr const char* HLQ_HELPER_READ_ACTION = "org.hlqconfig.hlqconfig.read";
inline constexpr const char* HLQ_HELPER_CONFIGURE_ACTION = "org.hlqconfig.hlqconfig.configure";

// The largest serialised values array WriteValues takes (it is refused by
// this size before it is unpacked), and the most values in one call.
inline constexpr size_t HLQ_HELPER_MAX_VALUES_BYTES = 96 * 1024;
inline constexpr size_t HLQ_HELPER_MAX_VALUES = 64;
// The largest call the helper takes at all: a larger one is answered
// Refused as soon as it is read, before the main loop sees it, so that no
// number of them can pile up in the helper's memory.
inline constexpr size_t HLQ_HELPER_MAX_CALL_BYTES = 256 * 1024;
// The longest locale name a call may give; a longer one is refused before
// the call waits for anything, so that no waiting call keeps a large text.
inline constexpr size_t HLQ_HELPER_MAX_LOCALE_BYTES = 64;

// The status of one value in WriteValues' results.
enum HLQHelperValueStatus : unsigned {
  HLQ_HELPER_STORED = 0,
  HLQ_HELPER_ALREADY_STORED = 1,
  HLQ_HELPER_NOT_STORED = 2,
};
