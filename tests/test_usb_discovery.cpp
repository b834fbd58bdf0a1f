// Discovery over the real libusb, against devices emulated by umockdev.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"
#include "tests/support/usb_testbed.h"

namespace {

const uint16_t kVendor = HLQ_VENDOR_IDS[0];
const uint16_t kOtherVendor = HLQ_VENDOR_IDS[2];
const uint16_t kUnknownVendor = 0x7777;

class UsbDiscovery : public testing::Test {
 protected:
  // Three records although callers allow at most two: a write past the
  // maximum count shows up in the third.
  std::array<SupportedDeviceInfo, 3> records{};

  void findDrawers(int32_t maxCount = 2) {
    getSupportedDeviceInfo(records.data(), maxCount, HLQ_VENDOR_IDS, HLQ_CASHDRAWER_PIDS,
                           HLQ_CASHDRAWER_PID_COUNT);
  }
  void findPrinter() {
    getSupportedDeviceInfo(records.data(), 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS,
                           HLQ_PRINTER_PID_COUNT);
  }
  bool isZero(const SupportedDeviceInfo& record) const {
    static const SupportedDeviceInfo zero{};
    return std::memcmp(&record, &zero, sizeof zero) == 0;
  }
  void expectRecord(size_t i, uint16_t vendorId, uint16_t productId, const char* serial) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(records[i].vendorId, vendorId);
    EXPECT_EQ(records[i].productId, productId);
    EXPECT_STREQ(records[i].serialNumber, serial);
  }

  UsbTestbed tb;
};

TEST_F(UsbDiscovery, NothingAttachedLeavesRecordsZero) {
  findDrawers();
  for (const auto& record : records) EXPECT_TRUE(isZero(record));
}

TEST_F(UsbDiscovery, UnsupportedDevicesAreNotTaken) {
  // A supported vendor's line display while drawers are sought, and a
  // drawer product ID under a vendor that is not supported.
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_LINEDISPLAY_PIDS[0], .serial = "LD"});
  tb.addDevice({.vendorId = kUnknownVendor, .productId = HLQ_CASHDRAWER_PIDS[0], .serial = "X"});
  findDrawers();
  for (const auto& record : records) EXPECT_TRUE(isZero(record));
}

TEST_F(UsbDiscovery, ProductTableIsExaminedOnlyUpToTheCount) {
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[5], .serial = "CD6"});
  getSupportedDeviceInfo(records.data(), 2, HLQ_VENDOR_IDS, HLQ_CASHDRAWER_PIDS, 5);
  EXPECT_TRUE(isZero(records[0]));
  getSupportedDeviceInfo(records.data(), 2, HLQ_VENDOR_IDS, HLQ_CASHDRAWER_PIDS, 0);
  EXPECT_TRUE(isZero(records[0]));
  findDrawers();
  expectRecord(0, kVendor, HLQ_CASHDRAWER_PIDS[5], "CD6");
}

TEST_F(UsbDiscovery, DrawersFillRecordsInListOrderUpToTheMaximum) {
  // libusb lists the newest device first: C, B, A. A is passed over.
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[0], .serial = "A"});
  tb.addDevice({.vendorId = kOtherVendor, .productId = HLQ_CASHDRAWER_PIDS[1], .serial = "B"});
  tb.addDevice({.vendorId = HLQ_VENDOR_IDS[3], .productId = HLQ_CASHDRAWER_PIDS[2], .serial = "C"});
  findDrawers();
  expectRecord(0, HLQ_VENDOR_IDS[3], HLQ_CASHDRAWER_PIDS[2], "C");
  expectRecord(1, kOtherVendor, HLQ_CASHDRAWER_PIDS[1], "B");
  EXPECT_TRUE(isZero(records[2]));
}

TEST_F(UsbDiscovery, WithRoomForOneTheFirstListedPrinterIsTaken) {
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_PRINTER_PIDS[0], .serial = "P-OLD"});
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_PRINTER_PIDS[6], .serial = "P-NEW"});
  findPrinter();
  expectRecord(0, kVendor, HLQ_PRINTER_PIDS[6], "P-NEW");
  EXPECT_TRUE(isZero(records[1]));
}

// A user who may not open the device (the technician) sees the serial number
// that the kernel holds for it, exactly as one who may: control characters
// and characters beyond ASCII become '?' either way.
TEST_F(UsbDiscovery, DeviceThatCannotBeOpenedShowsTheSerialTheKernelHolds) {
  const std::string serial = std::string("A\x01\tB\xe9~\x7f" "C");
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[0], .serial = serial});
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[1], .serial = serial,
                .openable = false});
  findDrawers();
  expectRecord(0, kVendor, HLQ_CASHDRAWER_PIDS[1], "A??B?~?C");
  expectRecord(1, kVendor, HLQ_CASHDRAWER_PIDS[0], "A??B?~?C");
}

TEST_F(UsbDiscovery, DevicesWithTheSameIdsEachReportTheirOwnSerial) {
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[3], .serial = "FIRST-0001"});
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[3], .serial = "SECOND-02"});
  findDrawers();
  expectRecord(0, kVendor, HLQ_CASHDRAWER_PIDS[3], "SECOND-02");
  expectRecord(1, kVendor, HLQ_CASHDRAWER_PIDS[3], "FIRST-0001");
}

TEST_F(UsbDiscovery, ControlCharactersInTheSerialBecomeQuestionMarks) {
  tb.addDevice({.vendorId = kVendor,
                .productId = HLQ_PRINTER_PIDS[1],
                .serial = std::string("A\x01\tB\n\x1b\x1f \x7e\x7f" "C\r")});
  findPrinter();
  expectRecord(0, kVendor, HLQ_PRINTER_PIDS[1], "A??B??? ~?C?");
}

TEST_F(UsbDiscovery, DeviceWithoutSerialStringGivesEmptySerial) {
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_PRINTER_PIDS[2]});
  findPrinter();
  expectRecord(0, kVendor, HLQ_PRINTER_PIDS[2], "");
}

TEST_F(UsbDiscovery, LongestSerialFitsTheField) {
  // A string descriptor holds at most 126 characters.
  const std::string serial(126, 'S');
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_PRINTER_PIDS[2], .serial = serial});
  findPrinter();
  expectRecord(0, kVendor, HLQ_PRINTER_PIDS[2], serial.c_str());
}

TEST_F(UsbDiscovery, EveryCallEnumeratesAfresh) {
  findPrinter();
  EXPECT_TRUE(isZero(records[0]));
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_PRINTER_PIDS[3], .serial = "LATE"});
  findPrinter();
  expectRecord(0, kVendor, HLQ_PRINTER_PIDS[3], "LATE");
}

TEST_F(UsbDiscovery, NoDeviceHandleIsLeftOpen) {
  const std::string node =
      tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[0], .serial = "A"});
  tb.addDevice({.vendorId = kVendor, .productId = HLQ_CASHDRAWER_PIDS[1], .serial = "B"});

  // The probe itself sees an open handle.
  libusb_context* context = nullptr;
  ASSERT_EQ(libusb_init(&context), 0);
  libusb_device** list = nullptr;
  ASSERT_GT(libusb_get_device_list(context, &list), 0);
  libusb_device_handle* handle = nullptr;
  ASSERT_EQ(libusb_open(list[0], &handle), 0);
  EXPECT_EQ(UsbTestbed::openDeviceNodeCount(), 1);
  libusb_close(handle);
  libusb_free_device_list(list, 1);
  libusb_exit(context);
  ASSERT_EQ(UsbTestbed::openDeviceNodeCount(), 0);

  findDrawers();
  expectRecord(0, kVendor, HLQ_CASHDRAWER_PIDS[1], "B");
  EXPECT_EQ(UsbTestbed::openDeviceNodeCount(), 0);
}

TEST(UsbDiscoveryScan, EmptyOrFailedListingLeavesRecordsUntouched) {
  SupportedDeviceInfo record{};
  std::memset(&record, 0xA5, sizeof record);
  const SupportedDeviceInfo before = record;
  populateSupportedDeviceInfo(&record, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS,
                              HLQ_PRINTER_PID_COUNT, nullptr, 0, nullptr);
  populateSupportedDeviceInfo(&record, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS,
                              HLQ_PRINTER_PID_COUNT, nullptr, LIBUSB_ERROR_NO_MEM, nullptr);
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST(UsbDiscoveryTables, MembershipTests) {
  for (uint16_t vendorId : HLQ_VENDOR_IDS) EXPECT_TRUE(isDeviceVIDKnown(vendorId, HLQ_VENDOR_IDS));
  EXPECT_FALSE(isDeviceVIDKnown(kUnknownVendor, HLQ_VENDOR_IDS));
  EXPECT_FALSE(isDeviceVIDKnown(0, HLQ_VENDOR_IDS));

  EXPECT_FALSE(isDevicePIDSupported(HLQ_PRINTER_PIDS[0], HLQ_PRINTER_PIDS, 0));
  EXPECT_TRUE(isDevicePIDSupported(HLQ_PRINTER_PIDS[6], HLQ_PRINTER_PIDS, 7));
  EXPECT_FALSE(isDevicePIDSupported(HLQ_PRINTER_PIDS[6], HLQ_PRINTER_PIDS, 6));
  EXPECT_FALSE(isDevicePIDSupported(HLQ_CASHDRAWER_PIDS[0], HLQ_PRINTER_PIDS, 7));
}

}  // namespace
