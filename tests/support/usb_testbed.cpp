#include "tests/support/usb_testbed.h"

#include <dirent.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>

namespace {

constexpr uint8_t kSerialStringIndex = 3;
constexpr int kMaxDevices = 9;  // keeps the sysfs names, and so libusb's order, in add order
constexpr size_t kMaxSerialLength = 126;  // (255 - 2 header bytes) / 2
constexpr size_t kSetupSize = 8;
constexpr uint8_t kGetDescriptor = 6;
constexpr uint8_t kStringDescriptor = 3;

void appendLE16(std::vector<uint8_t>& bytes, uint16_t value) {
  bytes.push_back(value & 0xFF);
  bytes.push_back(value >> 8);
}

// Device, configuration and interface descriptor, as the sysfs
// "descriptors" attribute holds them.
std::vector<uint8_t> descriptorBytes(const UsbTestDevice& device) {
  std::vector<uint8_t> d = {18, 1, 0x00, 0x02, 0, 0, 0, 64};
  appendLE16(d, device.vendorId);
  appendLE16(d, device.productId);
  appendLE16(d, 0x0100);  // bcdDevice
  const uint8_t serialIndex = device.serial ? kSerialStringIndex : 0;
  d.insert(d.end(), {0, 0, serialIndex, 1});
  d.insert(d.end(), {9, 2, 18, 0, 1, 1, 0, 0x80, 50});   // one configuration
  d.insert(d.end(), {9, 4, 0, 0, 0, 0xFF, 0, 0, 0});     // one interface, no endpoints
  return d;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char pair[3];
  for (uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}

// String descriptor `index` as the device sends it; empty when it has none.
std::vector<uint8_t> stringDescriptor(const UsbTestDevice& device, uint8_t index) {
  if (index == 0) return {4, kStringDescriptor, 0x09, 0x04};  // English (US)
  if (index != kSerialStringIndex || !device.serial) return {};
  std::vector<uint8_t> d = {0, kStringDescriptor};
  for (char c : *device.serial) appendLE16(d, static_cast<unsigned char>(c));
  d[0] = static_cast<uint8_t>(d.size());
  return d;
}

}  // namespace

// Answers the usbfs requests of every client (open file) of one device node.
// The handlers run on umockdev's worker thread.
struct UsbDeviceEmulation {
  UsbTestDevice device;
  UMockdevIoctlBase* handler = nullptr;
  std::mutex mutex;
  std::map<UMockdevIoctlClient*, std::deque<UMockdevIoctlData*>> completedUrbs;

  ~UsbDeviceEmulation() {
    for (auto& entry : completedUrbs)
      for (UMockdevIoctlData* urb : entry.second) g_object_unref(urb);
    if (handler) g_object_unref(handler);
  }
};

namespace {

// Fills in a control transfer's reply, or a stall when the device has no
// answer for it. Every URB completes at once.
void answerControlTransfer(const UsbTestDevice& device, usbdevfs_urb* urb, uint8_t* buffer) {
  urb->status = -EPIPE;
  urb->actual_length = 0;
  if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < int(kSetupSize)) return;
  const uint8_t requestType = buffer[0];
  const uint8_t request = buffer[1];
  const uint8_t descriptorIndex = buffer[2];
  const uint8_t descriptorType = buffer[3];
  const uint16_t length = buffer[6] | (buffer[7] << 8);
  if (requestType != 0x80 || request != kGetDescriptor || descriptorType != kStringDescriptor)
    return;
  const std::vector<uint8_t> reply = stringDescriptor(device, descriptorIndex);
  if (reply.empty()) return;
  size_t n = std::min<size_t>({reply.size(), length, urb->buffer_length - kSetupSize});
  std::memcpy(buffer + kSetupSize, reply.data(), n);
  urb->actual_length = static_cast<int>(n);
  urb->status = 0;
}

void submitUrb(UsbDeviceEmulation* emu, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  GError* error = nullptr;
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), &error);
  if (!urbData) {
    g_clear_error(&error);
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), urb->buffer_length, &error);
  if (!buffer) {
    g_clear_error(&error);
    g_object_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  answerControlTransfer(emu->device, urb, buffer->data);
  g_object_unref(buffer);
  {
    std::lock_guard<std::mutex> lock(emu->mutex);
    emu->completedUrbs[client].push_back(urbData);
  }
  umockdev_ioctl_client_complete(client, 0, 0);
}

void reapUrb(UsbDeviceEmulation* emu, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  UMockdevIoctlData* urbData = nullptr;
  {
    std::lock_guard<std::mutex> lock(emu->mutex);
    auto& queue = emu->completedUrbs[client];
    if (!queue.empty()) {
      urbData = queue.front();
      queue.pop_front();
    }
  }
  if (!urbData) {
    umockdev_ioctl_client_complete(client, -1, EAGAIN);
    return;
  }
  GError* error = nullptr;
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), &error);
  g_clear_error(&error);
  // The client's pointer slot is made to point at its own URB again.
  if (slot) umockdev_ioctl_data_set_ptr(slot, 0, urbData);
  umockdev_ioctl_client_complete(client, slot ? 0 : -1, slot ? 0 : EFAULT);
  if (slot) g_object_unref(slot);
  g_object_unref(urbData);
}

gboolean onHandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto* emu = static_cast<UsbDeviceEmulation*>(data);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES: {
      GError* error = nullptr;
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), &error);
      g_clear_error(&error);
      if (!caps) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        break;
      }
      std::memset(caps->data, 0, sizeof(uint32_t));
      umockdev_ioctl_client_complete(client, 0, 0);
      g_object_unref(caps);
      break;
    }
    case USBDEVFS_SUBMITURB:
      submitUrb(emu, client, arg);
      break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      reapUrb(emu, client, arg);
      break;
    case USBDEVFS_DISCARDURB:
      // Every URB has completed already; the kernel answers so as well.
      umockdev_ioctl_client_complete(client, -1, EINVAL);
      break;
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
  }
  return TRUE;
}

void onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto* emu = static_cast<UsbDeviceEmulation*>(data);
  std::lock_guard<std::mutex> lock(emu->mutex);
  auto found = emu->completedUrbs.find(client);
  if (found == emu->completedUrbs.end()) return;
  for (UMockdevIoctlData* urb : found->second) g_object_unref(urb);
  emu->completedUrbs.erase(found);
}

// The serial number as the kernel keeps it in sysfs: the descriptor's UTF-16
// units (here one per byte) as UTF-8, with a line feed, escaped for the
// record.
std::string kernelSerialAttribute(const std::string& serial) {
  std::string utf8;
  for (char c : serial) {
    char unit[6];
    utf8.append(unit, g_unichar_to_utf8(static_cast<unsigned char>(c), unit));
  }
  gchar* escaped = g_strescape(utf8.c_str(), nullptr);
  std::string line = std::string("A: serial=") + escaped + "\\n\n";
  g_free(escaped);
  return line;
}

std::string deviceRecord(const UsbTestDevice& device, int port, const std::string& node) {
  std::string record = "P: /devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(port) + "\n";
  if (device.openable) record += "N: " + node.substr(std::strlen("/dev/")) + "\n";
  record += "E: DEVNAME=" + node + "\n" +
            "E: DEVTYPE=usb_device\n"
            "E: SUBSYSTEM=usb\n"
            "A: busnum=1\\n\n"
            "A: devnum=" + std::to_string(port + 1) + "\\n\n" +
            "H: descriptors=" + hex(descriptorBytes(device)) + "\n";
  if (device.serial) record += kernelSerialAttribute(*device.serial);
  return record;
}

// With the preload active, the process's /sys is the testbed's sysfs folder.
bool sysIsTestbeds(UMockdevTestbed* testbed) {
  gchar* sysDir = umockdev_testbed_get_sys_dir(testbed);
  struct stat seen {}, own {};
  const bool same = stat("/sys", &seen) == 0 && stat(sysDir, &own) == 0 &&
                    seen.st_dev == own.st_dev && seen.st_ino == own.st_ino;
  g_free(sysDir);
  return same;
}

}  // namespace

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {
  // umockdev_in_mock_environment() can only tell once a testbed exists.
  if (!umockdev_in_mock_environment() || !sysIsTestbeds(testbed_)) {
    g_object_unref(testbed_);
    throw std::runtime_error(
        "UsbTestbed: not running under umockdev's preload (run the test through "
        "umockdev-wrapper); refusing to look at the real USB bus");
  }
}

UsbTestbed::~UsbTestbed() {
  for (auto& emu : devices_)
    if (emu->handler) g_signal_handlers_disconnect_by_data(emu->handler, emu.get());
  g_object_unref(testbed_);
}

std::string UsbTestbed::addDevice(const UsbTestDevice& device) {
  if (devices_.size() >= kMaxDevices)
    throw std::runtime_error("UsbTestbed: at most 9 devices per testbed");
  if (device.serial && device.serial->size() > kMaxSerialLength)
    throw std::runtime_error("UsbTestbed: a string descriptor holds at most 126 characters");
  const int port = static_cast<int>(devices_.size()) + 1;
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", port + 1);

  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, deviceRecord(device, port, node).c_str(),
                                        &error)) {
    std::string message = std::string("UsbTestbed: cannot add device: ") + error->message;
    g_error_free(error);
    throw std::runtime_error(message);
  }

  auto emu = std::make_unique<UsbDeviceEmulation>();
  emu->device = device;
  if (device.openable) {
    emu->handler = umockdev_ioctl_base_new();
    g_signal_connect(emu->handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), emu.get());
    g_signal_connect(emu->handler, "client-vanished", G_CALLBACK(onClientVanished), emu.get());
    if (!umockdev_testbed_attach_ioctl(testbed_, node, emu->handler, &error)) {
      std::string message = std::string("UsbTestbed: cannot attach ioctl handler: ") +
                            error->message;
      g_error_free(error);
      throw std::runtime_error(message);
    }
  }
  devices_.push_back(std::move(emu));
  return node;
}

int UsbTestbed::openDeviceNodeCount() {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) throw std::runtime_error("UsbTestbed: cannot list /proc/self/fd");
  int count = 0;
  char target[4096];
  while (dirent* entry = readdir(dir)) {
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    if (std::strstr(target, "/dev/bus/usb/")) ++count;
  }
  closedir(dir);
  return count;
}
