// PLACEHOLDER: not built yet
#include "devices/usb_discovery.h"
void getSupportedDeviceInfo(SupportedDeviceInfo*, int32_t, const uint16_t*, const uint16_t*, uint32_t) {}
