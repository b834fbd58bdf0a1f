// hlqconfig_usb_sandbox: the tool with emulated USB devices plugged in. The
// devices answer serial number requests through ioctl handlers that live in
// this process, so the tool runs here too: the launcher builds the testbed
// and then runs the tool's own start-up with the remaining arguments.
//
//   umockdev-wrapper hlqconfig_usb_sandbox --device 4e92:0a01:PRN-1 [--device ...]
//
// A device is VID:PID in hexadecimal, optionally followed by :SERIAL.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tests/support/usb_testbed.h"
// The same launcher runs the command line (hlqctl_usb_sandbox) or the tool.
#ifdef HLQ_LAUNCH_HLQCTL
#include "hlqctl/run.h"
#define HLQ_LAUNCHED_MAIN HLQCtl_Run
#else
#include "app/startup.h"
#define HLQ_LAUNCHED_MAIN HLQMain
#endif

namespace {

bool parseId(const std::string& text, uint16_t* id) {
  if (text.empty() || text.size() > 4) return false;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0') return false;
  *id = static_cast<uint16_t>(value);
  return true;
}

// "VID:PID" or "VID:PID:SERIAL"; the serial may itself hold colons.
bool parseDevice(const std::string& text, UsbTestDevice* device) {
  const size_t first = text.find(':');
  if (first == std::string::npos) return false;
  const size_t second = text.find(':', first + 1);
  const std::string pid = text.substr(first + 1, second == std::string::npos
                                                     ? std::string::npos
                                                     : second - first - 1);
  if (!parseId(text.substr(0, first), &device->vendorId) || !parseId(pid, &device->productId))
    return false;
  if (second != std::string::npos) device->serial = text.substr(second + 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<UsbTestDevice> devices;
  std::vector<char*> toolArgs = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
      UsbTestDevice device;
      if (!parseDevice(argv[++i], &device)) {
        std::fprintf(stderr, "hlqconfig_usb_sandbox: not a device VID:PID[:SERIAL]: %s\n",
                     argv[i]);
        return 2;
      }
      devices.push_back(device);
    } else {
      toolArgs.push_back(argv[i]);
    }
  }
  toolArgs.push_back(nullptr);

  try {
    UsbTestbed testbed;
    for (const UsbTestDevice& device : devices) testbed.addDevice(device);
    return HLQ_LAUNCHED_MAIN(static_cast<int>(toolArgs.size()) - 1, toolArgs.data());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "hlqconfig_usb_sandbox: %s\n", error.what());
    return 2;
  }
}
