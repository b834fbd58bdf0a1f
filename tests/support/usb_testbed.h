// Emulated USB devices for tests that run the real libusb. The test program
// must run under umockdev's preload (hlq_add_test(... USB) arranges that);
// without it the testbed refuses to start, so a test never looks at the
// machine's own bus.
//
//   UsbTestbed tb;
//   tb.addDevice({.vendorId = 0x1a0b, .productId = 0x0c01, .serial = "CD-1"});
//   tb.addDevice({.vendorId = 0x1a0b, .productId = 0x0c02});              // no serial string
//   tb.addDevice({.vendorId = 0x1a0b, .productId = 0x0c03, .openable = false});
//
// libusb lists the devices newest-added first. Each device answers the
// control transfers that read its string descriptors (languages and serial
// number); every other request is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
struct UsbDeviceEmulation;  // one emulated device's answers (usb_testbed.cpp)

struct UsbTestDevice {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  // The serial number string (at most 126 bytes), sent as one UTF-16 code
  // unit per byte.
  // None: the device descriptor has no serial string (iSerialNumber 0).
  std::optional<std::string> serial = std::nullopt;
  // False: the device is listed but has no device node, so opening it fails;
  // sysfs still holds its serial number, as the kernel's does.
  bool openable = true;
};

class UsbTestbed {
 public:
  // Throws std::runtime_error when the process does not run under the preload.
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  // Plugs in a device (at most 9 per testbed) and returns its device node path,
  // e.g. "/dev/bus/usb/001/002".
  std::string addDevice(const UsbTestDevice& device);

  // How many file descriptors of this process are open on emulated USB
  // device nodes right now: each open libusb handle holds one.
  static int openDeviceNodeCount();

 private:
  UMockdevTestbed* testbed_;
  std::vector<std::unique_ptr<UsbDeviceEmulation>> devices_;
};
