#include "devices/usb_discovery.h"

namespace {

constexpr int kSerialFieldSize = sizeof(SupportedDeviceInfo::serialNumber);

// Reads the device's own serial number into the record. The listed device
// itself is opened (not the first one with its IDs), so that two devices
// with the same IDs each report their own serial number. A device that
// cannot be opened, or has no serial string, leaves the field as it was.
void readSerialNumber(libusb_device* device, uint8_t serialIndex, SupportedDeviceInfo* record) {
  libusb_device_handle* handle = nullptr;
  if (libusb_open(device, &handle) != 0) return;
  if (serialIndex != 0) {
    libusb_get_string_descriptor_ascii(handle, serialIndex,
                                       reinterpret_cast<unsigned char*>(record->serialNumber),
                                       kSerialFieldSize);
  }
  libusb_close(handle);
}

}  // namespace

void HLQ_SanitizeSerial(char* serial) {
  for (char* c = serial; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte < 0x20 || byte == 0x7F) *c = '?';
  }
}

bool isDeviceVIDKnown(uint16_t vendorId, const uint16_t* vendorTable) {
  for (int i = 0; i < 4; ++i)
    if (vendorTable[i] == vendorId) return true;
  return false;
}

bool isDevicePIDSupported(uint16_t productId, const uint16_t* productTable, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i)
    if (productTable[i] == productId) return true;
  return false;
}

void populateSupportedDeviceInfo(SupportedDeviceInfo* records, int32_t maxCount,
                                 const uint16_t* vendorTable, const uint16_t* productTable,
                                 uint32_t productCount, libusb_device** list, ssize_t count,
                                 libusb_context* /*context*/) {
  if (count <= 0) return;
  uint32_t index = 0;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
    const bool productMatch = isDevicePIDSupported(desc.idProduct, productTable, productCount);
    const bool room = index < static_cast<uint32_t>(maxCount);
    const bool vendorMatch = isDeviceVIDKnown(desc.idVendor, vendorTable);
    if (!(productMatch && room && vendorMatch)) continue;

    SupportedDeviceInfo* record = &records[index];
    record->productId = desc.idProduct;
    record->vendorId = desc.idVendor;
    readSerialNumber(list[i], desc.iSerialNumber, record);
    // Control characters in an attribute make the configuration file
    // unreadable for the daemon's XML parser.
    HLQ_SanitizeSerial(record->serialNumber);
    ++index;
  }
}

void getSupportedDeviceInfo(SupportedDeviceInfo* records, int32_t maxCount,
                            const uint16_t* vendorTable, const uint16_t* productTable,
                            uint32_t productCount) {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != 0) return;

  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  if (count >= 0) {
    populateSupportedDeviceInfo(records, maxCount, vendorTable, productTable, productCount, list,
                                count, context);
    libusb_free_device_list(list, 1);
  }
  libusb_exit(context);
}
