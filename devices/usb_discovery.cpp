#include "devices/usb_discovery.h"

#include <glib.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kSerialFieldSize = sizeof(SupportedDeviceInfo::serialNumber);
constexpr size_t kLongestSerial = kSerialFieldSize - 1;

// The kernel's name of the device in sysfs: "<bus>-<port>.<port>...".
std::string sysfsName(libusb_device* device) {
  uint8_t ports[7];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  if (depth <= 0) return "";
  std::string name = std::to_string(libusb_get_bus_number(device)) + "-";
  for (int i = 0; i < depth; ++i) name += (i ? "." : "") + std::to_string(ports[i]);
  return name;
}

// The serial number that the kernel read from the device when it was
// plugged in, as libusb would give it: one '?' for each UTF-16 unit beyond
// ASCII, at most 255 characters. Any user may read it, whereas opening the
// device takes the rights the tool does not give the desktop user.
void readKernelsSerialNumber(libusb_device* device, SupportedDeviceInfo* record) {
  const std::string name = sysfsName(device);
  if (name.empty()) return;
  const std::string path = "/sys/bus/usb/devices/" + name + "/serial";
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return;
  if (length > 0 && contents[length - 1] == '\n') contents[--length] = '\0';
  std::string ascii;
  for (const gchar* c = contents; *c && ascii.size() < kLongestSerial; c = g_utf8_next_char(c)) {
    const gunichar character = g_utf8_get_char_validated(c, -1);
    if (character == gunichar(-1) || character == gunichar(-2)) break;
    if (character < 0x80) ascii += static_cast<char>(character);
    else ascii += character > 0xFFFF ? "??" : "?";
  }
  g_free(contents);
  ascii.resize(std::min(ascii.size(), kLongestSerial));
  std::copy(ascii.begin(), ascii.end(), record->serialNumber);
  record->serialNumber[ascii.size()] = '\0';
}

// Reads the device's own serial number into the record. The listed device
// itself is opened (not the first one with its IDs), so that two devices
// with the same IDs each report their own serial number. A device this
// process may not open gives the serial number the kernel holds for it. A
// device without a serial string leaves the field as it was.
void readSerialNumber(libusb_device* device, uint8_t serialIndex, SupportedDeviceInfo* record) {
  libusb_device_handle* handle = nullptr;
  if (libusb_open(device, &handle) != 0) {
    if (serialIndex != 0) readKernelsSerialNumber(device, record);
    return;
  }
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
