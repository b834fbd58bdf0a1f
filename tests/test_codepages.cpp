// The code page selector against a real text combo box and the real shared
// memory object of the fixed name (these tests hold the shm_hlq lock).
#include "pages/codepages.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/fixed_paths.h"
#include "devices/codepage_record.h"
#include "devices/usb_ids.h"
#include "tests/support/ui_fixture.h"

namespace {

using Items = std::vector<std::string>;

const Items kPredefined = {"437",  "858",  "863",  "860",  "865",  "Generic", "869",
                           "857",  "864",  "867",  "852",  "848",  "866",     "872",
                           "775",  "861",  "1250", "1251", "1252", "1253",    "1254",
                           "1255", "1256", "1257", "1258", "Printer Default"};

void publishBytes(const uint8_t* bytes, size_t size) {
  const int fd = shm_open(HLQ_CODEPAGE_SHM_NAME, O_CREAT | O_RDWR | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, size), 0);
  ASSERT_EQ(pwrite(fd, bytes, size, 0), static_cast<ssize_t>(size));
  close(fd);
}

void publishCodepages(const std::vector<uint16_t>& codepages) {
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  HLQ_BuildCodepageRecord(codepages, record);
  publishBytes(record, sizeof record);
}

SupportedDeviceInfo printerOf(uint16_t vendorId, const char* serial) {
  SupportedDeviceInfo printer{};
  printer.vendorId = vendorId;
  printer.productId = HLQ_PRINTER_PIDS[0];
  std::strcpy(printer.serialNumber, serial);
  return printer;
}

const uint16_t kCodepageVendor = HLQ_VENDOR_IDS[HLQ_CODEPAGE_VENDOR_INDEX];

class CodepageSelector : public testing::Test {
 protected:
  void SetUp() override {
    shm_unlink(HLQ_CODEPAGE_SHM_NAME);
    selector_ = GTK_COMBO_BOX_TEXT(gtk_combo_box_text_new());
    g_object_ref_sink(selector_);
    combos_.gtkcboxt_codepage = selector_;
    emm_index = 0;
  }
  void TearDown() override {
    shm_unlink(HLQ_CODEPAGE_SHM_NAME);
    g_object_unref(selector_);
    emm_index = 0;
  }

  Items items() const { return HLQTest_ComboItems(GTK_COMBO_BOX(selector_)); }
  void prefill() {
    gtk_combo_box_text_append_text(selector_, "left over");
    gtk_combo_box_text_append_text(selector_, "from before");
  }
  int active() const { return gtk_combo_box_get_active(GTK_COMBO_BOX(selector_)); }

  GtkComboBoxText* selector_ = nullptr;
  HLQComboBoxes combos_{};
};

}  // namespace

TEST_F(CodepageSelector, NoPrinterShowsThePredefinedList) {
  publishCodepages({437, 850});  // ignored without a printer
  prefill();
  const SupportedDeviceInfo none{};
  PopulateCodepageCB(&none, &combos_);
  EXPECT_EQ(items(), kPredefined);
}

TEST_F(CodepageSelector, CodepageVendorWithSerialInModeZeroShowsThePrintersOwnList) {
  // 0x01,0xB5 is 437; 65535 needs all five digits.
  const std::vector<uint16_t> own = {437, 850, 852, 858, 866, 1250, 1252, 0, 65535};
  publishCodepages(own);
  ASSERT_EQ(own.size(), 9u);  // L = 48
  prefill();
  const SupportedDeviceInfo printer = printerOf(kCodepageVendor, "SN0042");
  PopulateCodepageCB(&printer, &combos_);
  EXPECT_EQ(items(), (Items{"437", "850", "852", "858", "866", "1250", "1252", "0", "65535",
                            "Printer Default"}));
}

TEST_F(CodepageSelector, PrintersOwnListFollowsTheRecordLength) {
  const SupportedDeviceInfo printer = printerOf(kCodepageVendor, "SN0042");
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  HLQ_BuildCodepageRecord({437, 850}, record);
  record[1] = 23;  // below one entry
  publishBytes(record, sizeof record);
  PopulateCodepageCB(&printer, &combos_);
  EXPECT_EQ(items(), (Items{"Printer Default"}));

  record[1] = 26;
  publishBytes(record, sizeof record);
  PopulateCodepageCB(&printer, &combos_);
  EXPECT_EQ(items(), (Items{"437", "Printer Default"}));
}

TEST_F(CodepageSelector, OtherCasesOfThePrinterShowThePredefinedList) {
  publishCodepages({437, 850});
  struct Case {
    const char* what;
    SupportedDeviceInfo printer;
    int32_t mode;
  };
  std::vector<Case> cases = {
      {"code page vendor without serial", printerOf(kCodepageVendor, ""), 0},
      {"code page vendor in mode 1", printerOf(kCodepageVendor, "SN0042"), 1},
      {"code page vendor in mode 2", printerOf(kCodepageVendor, "SN0042"), 2},
  };
  for (int v = 0; v < HLQ_VENDOR_ID_COUNT; ++v)
    if (v != HLQ_CODEPAGE_VENDOR_INDEX)
      cases.push_back({"another supported vendor", printerOf(HLQ_VENDOR_IDS[v], "SN0042"), 0});
  for (const Case& c : cases) {
    emm_index = c.mode;
    prefill();
    PopulateCodepageCB(&c.printer, &combos_);
    EXPECT_EQ(items(), kPredefined) << c.what;
  }
}

// Another user's FIFO under the name reads as missing, without waiting.
TEST_F(CodepageSelector, MissingRecordOrAFifoUnderItsNameLeavesTheSelectorEmpty) {
  const SupportedDeviceInfo printer = printerOf(kCodepageVendor, "SN0042");
  for (bool fifo : {false, true}) {
    if (fifo) {
      ASSERT_EQ(mkfifo((std::string("/dev/shm") + HLQ_CODEPAGE_SHM_NAME).c_str(), 0666), 0);
    }
    prefill();
    PopulateCodepageCB(&printer, &combos_);
    EXPECT_TRUE(items().empty()) << (fifo ? "FIFO" : "missing");
  }
}

TEST_F(CodepageSelector, EmptyRecordObjectGivesOnlyPrinterDefault) {
  publishBytes(nullptr, 0);
  const SupportedDeviceInfo printer = printerOf(kCodepageVendor, "SN0042");
  PopulateCodepageCB(&printer, &combos_);
  EXPECT_EQ(items(), (Items{"Printer Default"}));
}

TEST_F(CodepageSelector, ReadCodePagesAppendsWithoutClearing) {
  publishCodepages({1252});
  prefill();
  ReadCodePages(&combos_);
  EXPECT_EQ(items(), (Items{"left over", "from before", "1252", "Printer Default"}));
}

// No supported printer is attached to the machine running the tests.
TEST_F(CodepageSelector, ModeChangeWithoutPrinterShowsPredefinedListWithSecondItemActive) {
  publishCodepages({437, 850});
  prefill();
  UpdateCodepageCB(&combos_, 0);
  EXPECT_EQ(emm_index, 0);
  EXPECT_EQ(items(), kPredefined);
  EXPECT_EQ(active(), 1);
  EXPECT_EQ(HLQTest_ActiveText(selector_), "858");

  UpdateCodepageCB(&combos_, 3);
  EXPECT_EQ(emm_index, 3);
  EXPECT_EQ(items(), kPredefined);
  EXPECT_EQ(active(), 1);
}
