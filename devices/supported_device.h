// One attached supported USB device as discovery reports it. IDs of 0 mean
// "no device"; callers zero the records before discovery.
#pragma once

#include <cstdint>

struct SupportedDeviceInfo {
  uint16_t productId;
  uint16_t vendorId;
  char serialNumber[256];  // ASCII, NUL-terminated, empty when not read
};
