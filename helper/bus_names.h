// The helper's names on the system bus, shared by the helper and the tool's
// calls to it. The interface itself is org.hlqconfig.Helper1.xml.
#pragma once

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

// The polkit action that authorises every call.
inline constexpr const char* HLQ_HELPER_ACTION = "org.hlqconfig.hlqconfig.configure";
