// Discovery of attached supported USB devices of one class, through libusb
// with a context of its own per call; nothing is kept between calls.
#pragma once

#include <libusb.h>
#include <sys/types.h>

#include <cstdint>

#include "devices/supported_device.h"

// Fills up to `maxCount` zeroed records, in bus list order, with the devices
// whose vendor is in `vendorTable` (4 entries) and whose product is among
// the first `productCount` entries of `productTable`. Each record carries
// its own device's serial number, with control characters replaced by '?'.
void getSupportedDeviceInfo(SupportedDeviceInfo* records, int32_t maxCount,
                            const uint16_t* vendorTable, const uint16_t* productTable,
                            uint32_t productCount);

// The scan proper over a device list already obtained in `context`.
void populateSupportedDeviceInfo(SupportedDeviceInfo* records, int32_t maxCount,
                                 const uint16_t* vendorTable, const uint16_t* productTable,
                                 uint32_t productCount, libusb_device** list, ssize_t count,
                                 libusb_context* context);

bool isDeviceVIDKnown(uint16_t vendorId, const uint16_t* vendorTable);
bool isDevicePIDSupported(uint16_t productId, const uint16_t* productTable, uint32_t count);

// Replaces every byte below 0x20 and 0x7F with '?', so that a device cannot
// put characters into the configuration that XML does not allow.
void HLQ_SanitizeSerial(char* serial);
