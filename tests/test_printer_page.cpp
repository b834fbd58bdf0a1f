// The printer page on the real window, with a real configuration file in a
// temporary folder, printers emulated on the USB bus and the code page record
// published in the real shared memory object (these tests hold the shm_hlq lock).
#include "pages/printer_page.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "app/page_fill.h"
#include "base/fixed_paths.h"
#include "devices/codepage_record.h"
#include "pages/codepages.h"
#include "devices/usb_ids.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"
#include "tests/support/usb_testbed.h"
#include "tests/support/xml_file.h"

namespace {

using Items = std::vector<std::string>;

const uint16_t kCodepageVendor = HLQ_VENDOR_IDS[HLQ_CODEPAGE_VENDOR_INDEX];
const uint16_t kOtherVendor = HLQ_VENDOR_IDS[0];
const uint16_t kPrinterProduct = HLQ_PRINTER_PIDS[0];
const std::vector<uint16_t> kOwnCodepages = {437, 850, 852, 1252, 866, 1250, 858};
const Items kOwnList = {"437", "850", "852", "1252", "866", "1250", "858", "Printer Default"};

void publishCodepages(const std::vector<uint16_t>& codepages) {
  uint8_t record[HLQ_CODEPAGE_RECORD_SIZE];
  HLQ_BuildCodepageRecord(codepages, record);
  const int fd = shm_open(HLQ_CODEPAGE_SHM_NAME, O_CREAT | O_RDWR | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, record, sizeof record, 0), static_cast<ssize_t>(sizeof record));
  close(fd);
}

class PrinterPage : public testing::Test {
 protected:
  void SetUp() override {
    shm_unlink(HLQ_CODEPAGE_SHM_NAME);
    emm_index = 0;
    HLQTest_CopySample("KWNConfig.xml", config_);
    HLQTest_SetDeviceConfigPath(config_);
  }
  void TearDown() override {
    shm_unlink(HLQ_CODEPAGE_SHM_NAME);
    HLQTest_SetDeviceConfigPath("/nonexistent/KWNConfig.xml");
  }

  // --- the configuration file, read and edited independently of the tool
  void store(const char* section, const char* key, const char* text) {
    HLQTest_StoreText(config_, section, key, text);
  }
  void storePrinter(const char* key, const char* text) { store("Printer_Configuration", key, text); }
  void remove(const char* section, const char* key) {
    HLQTest_RemoveElement(config_, section, key);
  }
  std::optional<std::string> stored(const char* section, const char* key) {
    return HLQTest_StoredText(config_, section, key);
  }
  std::optional<std::string> storedPrinter(const char* key) {
    return stored("Printer_Configuration", key);
  }
  std::optional<std::string> storedPortAttribute(const char* attribute) {
    return HLQTest_StoredAttribute(config_, "Ports_Configuration", "PRINTER_USB", attribute);
  }
  // The printer's ids as stored on the port element, and the printer section.
  void expectStoredIds(const char* pid, const char* vid, const char* serial) {
    EXPECT_EQ(storedPortAttribute("PID"), pid);
    EXPECT_EQ(storedPortAttribute("VID"), vid);
    EXPECT_EQ(storedPortAttribute("Serial_Number"), serial);
  }
  void expectStoredPrinter(const char* codePage, const char* mode, const char* unsolicited) {
    EXPECT_EQ(storedPrinter("Code_Page"), codePage);
    EXPECT_EQ(storedPrinter("Emulation_Mode"), mode);
    EXPECT_EQ(storedPrinter("Unsolicited_Status"), unsolicited);
  }
  void storeValues(const char* port, const char* codePage, const char* mode,
                   const char* unsolicited) {
    store("Ports_Configuration", "PRINTER_USB", port);
    storePrinter("Code_Page", codePage);
    storePrinter("Emulation_Mode", mode);
    storePrinter("Unsolicited_Status", unsolicited);
  }
  // "None" is stored as one blank, which the parser does not keep: the port
  // element then holds no text (and the attribute writes that follow save it so).
  bool portStoredAsNone() { return stored("Ports_Configuration", "PRINTER_USB") == ""; }

  // --- the page
  void startPage() {
    PrinterTab_ReadValuesforInit(&ui_.combos, &ui_.checks, &ui_.entries);
    ui_.connectSignals();
  }
  std::vector<SeenDialog> click(const char* label) {
    SCOPED_TRACE(label);
    return HLQTest_PressAndCatch(ui_.button("Printer", label));
  }
  void applyExpectingSuccess() {
    auto dialogs = click("_Apply");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Printer Configuration");
    EXPECT_EQ(dialogs[0].text, "Printer Settings Applied");
    EXPECT_TRUE(g_hlqConfigChanged);
  }

  GtkComboBoxText* port() { return ui_.combos.gtkcboxt_printerport; }
  GtkComboBoxText* codepage() { return ui_.combos.gtkcboxt_codepage; }
  GtkComboBox* mode() { return ui_.combos.gtckboxt_printermode; }
  GtkCheckButton* unsolicited() { return ui_.checks.gtkchbox_usnolicitedstatus; }
  Items codepageItems() { return HLQTest_ComboItems(GTK_COMBO_BOX(codepage())); }
  int codepagePosition() { return gtk_combo_box_get_active(GTK_COMBO_BOX(codepage())); }
  std::string pid() { return gtk_entry_get_text(ui_.entries.gtkedt_printerpid); }
  std::string vid() { return gtk_entry_get_text(ui_.entries.gtkedt_prntervid); }
  std::string serial() { return gtk_entry_get_text(ui_.entries.gtkedt_printerserial); }

  void plugCodepagePrinter() {
    usb_.addDevice({.vendorId = kCodepageVendor, .productId = kPrinterProduct, .serial = "CP-77"});
  }
  // The printer, with its own list of code pages published.
  void plugCodepagePrinterWithOwnList() {
    plugCodepagePrinter();
    publishCodepages(kOwnCodepages);
  }

  TempDir dir_;
  std::string config_ = dir_.file("KWNConfig.xml");
  UsbTestbed usb_;
  LoadedUi ui_;
};

// --- start-up and Apply without a printer: the UI's own list

TEST_F(PrinterPage, WithoutPrinterShowsStoredValuesAndAppliesThemBackWithEmptyIds) {
  storeValues("/dev/ttyS11", "5", "2", "1");
  HLQTest_EditXml(config_, [](tinyxml2::XMLElement* vcp) {
    auto* element = vcp->FirstChildElement("Ports_Configuration")->FirstChildElement("PRINTER_USB");
    element->SetAttribute("PID", "0a01");
    element->SetAttribute("VID", "1a0b");
    element->SetAttribute("Serial_Number", "OLD-1");
  });
  ASSERT_EQ(codepageItems().size(), 26u);
  // An item of the UI's own, so that a refill with the same names would show.
  gtk_combo_box_text_append_text(codepage(), "UI item");
  const Items uiList = codepageItems();

  startPage();
  EXPECT_EQ(HLQTest_ActiveText(port()), "/dev/ttyS11");
  EXPECT_EQ(codepageItems(), uiList);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "Generic");
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 2);
  EXPECT_EQ(emm_index, 2);
  EXPECT_TRUE(HLQ_IsChecked(unsolicited()));
  EXPECT_EQ(pid(), "");
  EXPECT_EQ(vid(), "");
  EXPECT_EQ(serial(), "");

  applyExpectingSuccess();
  EXPECT_EQ(stored("Ports_Configuration", "PRINTER_USB"), "/dev/ttyS11");
  expectStoredPrinter("5", "2", "1");
  expectStoredIds("", "", "");
}

TEST_F(PrinterPage, UnsolicitedStatusIsOnOnlyForExactlyOne) {
  const struct {
    const char* text;
    bool on;
  } cases[] = {{"1", true}, {"true", false}, {"01", false}, {"1 ", false}, {"0", false}, {"", false}};
  for (const auto& c : cases) {
    storePrinter("Unsolicited_Status", c.text);
    HLQ_SetChecked(unsolicited(), !c.on);  // the fill must set the box either way
    PrinterTab_ReadValuesforInit(&ui_.combos, &ui_.checks, &ui_.entries);
    EXPECT_EQ(HLQ_IsChecked(unsolicited()), c.on) << "stored \"" << c.text << "\"";
  }
}

TEST_F(PrinterPage, MissingElementsShowPositionZeroAndUncheckedWithoutFailing) {
  for (const char* key : {"Code_Page", "Emulation_Mode", "Unsolicited_Status"})
    remove("Printer_Configuration", key);
  remove("Ports_Configuration", "PRINTER_USB");
  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 2);
  gtk_combo_box_set_active(GTK_COMBO_BOX(codepage()), 4);
  gtk_combo_box_set_active(mode(), 3);
  HLQ_SetChecked(unsolicited(), true);
  emm_index = 3;

  startPage();
  EXPECT_EQ(HLQTest_ActiveText(port()), "None");
  EXPECT_EQ(codepagePosition(), 0);
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 0);
  EXPECT_EQ(emm_index, 0);
  EXPECT_FALSE(HLQ_IsChecked(unsolicited()));
}

TEST_F(PrinterPage, StoredPositionsOutsideTheListsSelectNothingAndAreLeftAsStored) {
  storePrinter("Code_Page", "40");
  storePrinter("Emulation_Mode", "-7");  // a hand edit below -1
  startPage();
  EXPECT_EQ(codepagePosition(), -1);
  EXPECT_EQ(gtk_combo_box_get_active(mode()), -1);

  EXPECT_TRUE(PrinterTab_WriteValues(&ui_.combos, &ui_.checks, &ui_.entries).notStored.empty());
  EXPECT_EQ(storedPrinter("Code_Page"), "40");
  EXPECT_EQ(storedPrinter("Emulation_Mode"), "-7");
}

TEST_F(PrinterPage, PositionsAreReadFromLeadingDigitsOnly) {
  storePrinter("Code_Page", "Generic");
  storePrinter("Emulation_Mode", "3rd");
  startPage();
  EXPECT_EQ(codepagePosition(), 0);
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 3);
}

// --- a printer on the bus

TEST_F(PrinterPage, PrinterIdsShowAsFourLowerCaseHexDigitsAndAreApplied) {
  usb_.addDevice({.vendorId = kOtherVendor, .productId = 0x00a7, .serial = "PRN-0001"});
  startPage();
  EXPECT_EQ(pid(), "00a7");
  EXPECT_EQ(vid(), "1a0b");
  EXPECT_EQ(serial(), "PRN-0001");
  EXPECT_EQ(codepageItems().size(), 26u);

  applyExpectingSuccess();
  expectStoredIds("00a7", "1a0b", "PRN-0001");
}

TEST_F(PrinterPage, StoredCodePageIsAPositionInTheListShown) {
  plugCodepagePrinterWithOwnList();
  storePrinter("Code_Page", "5");
  storePrinter("Emulation_Mode", "0");
  startPage();
  EXPECT_EQ(codepageItems(), kOwnList);
  // Not "Generic", which position 5 is elsewhere.
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "1250");
  EXPECT_EQ(vid(), "4e92");
  EXPECT_EQ(serial(), "CP-77");

  applyExpectingSuccess();
  EXPECT_EQ(storedPrinter("Code_Page"), "5");
}

TEST_F(PrinterPage, StartUpFillDoesNotRunTheModeHandler) {
  plugCodepagePrinterWithOwnList();
  storePrinter("Code_Page", "6");
  storePrinter("Emulation_Mode", "2");
  startPage();
  // The mode handler would have selected position 1.
  EXPECT_EQ(codepagePosition(), 6);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "869");  // mode 2: the predefined list
}

TEST_F(PrinterPage, ModeChangeRediscoversThePrinterAndSelectsPositionOne) {
  storePrinter("Code_Page", "5");
  storePrinter("Emulation_Mode", "1");
  startPage();
  ASSERT_EQ(HLQTest_ActiveText(codepage()), "Generic");

  // Plugged in after start-up: only a rediscovery can find it.
  plugCodepagePrinterWithOwnList();
  gtk_combo_box_set_active(mode(), 0);
  EXPECT_EQ(emm_index, 0);
  EXPECT_EQ(codepageItems(), kOwnList);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "850");
  EXPECT_EQ(vid(), "");  // the entries show what start-up found

  gtk_combo_box_set_active(mode(), 3);
  EXPECT_EQ(emm_index, 3);
  EXPECT_EQ(codepageItems().size(), 26u);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "858");
}

TEST_F(PrinterPage, ModeChangeToNoSelectionLeavesTheCodePagesAlone) {
  storePrinter("Code_Page", "5");
  storePrinter("Emulation_Mode", "2");
  startPage();
  gtk_combo_box_set_active(mode(), -1);
  EXPECT_EQ(emm_index, 2);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "Generic");
}

// --- Default and Clear

TEST_F(PrinterPage, DefaultFromAnotherModeRefreshesTheListForModeZero) {
  plugCodepagePrinterWithOwnList();
  storeValues("/dev/ttyS12", "7", "1", "1");
  startPage();
  ASSERT_EQ(codepageItems().size(), 26u);
  const std::string before = HLQTest_ReadFile(config_);

  EXPECT_TRUE(click("_Default").empty());
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 0);
  EXPECT_EQ(codepageItems(), kOwnList);
  EXPECT_EQ(codepagePosition(), 1);
  EXPECT_FALSE(HLQ_IsChecked(unsolicited()));
  EXPECT_EQ(HLQTest_ActiveText(port()), "/dev/ttyS12");
  EXPECT_EQ(serial(), "CP-77");
  EXPECT_EQ(HLQTest_ReadFile(config_), before);
  EXPECT_FALSE(g_hlqConfigChanged);
}

TEST_F(PrinterPage, DefaultInModeZeroKeepsTheListShown) {
  plugCodepagePrinterWithOwnList();
  storePrinter("Code_Page", "4");
  storePrinter("Emulation_Mode", "0");
  startPage();
  ASSERT_EQ(codepageItems(), kOwnList);

  // A refresh would now show this record instead.
  publishCodepages({1250, 1251});
  click("_Default");
  EXPECT_EQ(codepageItems(), kOwnList);
  EXPECT_EQ(HLQTest_ActiveText(codepage()), "850");
}

TEST_F(PrinterPage, ClearThenApplyStoresNoPortAndEmptyIdsButKeepsTheRest) {
  plugCodepagePrinter();
  storeValues("/dev/ttyS12", "3", "2", "1");
  startPage();
  ASSERT_EQ(pid(), "0a01");

  EXPECT_TRUE(click("_Clear").empty());
  EXPECT_EQ(HLQTest_ActiveText(port()), "None");
  EXPECT_EQ(pid() + vid() + serial(), "");
  EXPECT_EQ(stored("Ports_Configuration", "PRINTER_USB"), "/dev/ttyS12");  // nothing written yet

  applyExpectingSuccess();
  EXPECT_TRUE(portStoredAsNone()) << HLQTest_ReadFile(config_);
  expectStoredIds("", "", "");
  expectStoredPrinter("3", "2", "1");
}

TEST_F(PrinterPage, StoredNoneShowsNoneAndIsWrittenBackAsOneBlank) {
  store("Ports_Configuration", "PRINTER_USB", "None");
  startPage();
  EXPECT_EQ(HLQTest_ActiveText(port()), "None");
  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 2);
  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 0);
  EXPECT_TRUE(PrinterTab_WriteValues(&ui_.combos, &ui_.checks, &ui_.entries).notStored.empty());
  EXPECT_EQ(stored("Ports_Configuration", "PRINTER_USB"), "None");  // untouched: as stored
  store("Ports_Configuration", "PRINTER_USB", "/dev/ttyS10");
  startPage();
  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 0);
  applyExpectingSuccess();
  EXPECT_TRUE(portStoredAsNone()) << HLQTest_ReadFile(config_);

  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 2);
  PrinterTab_ReadValuesforInit(&ui_.combos, &ui_.checks, &ui_.entries);  // the next start
  EXPECT_EQ(HLQTest_ActiveText(port()), "None");
}

// --- Apply that cannot store everything

TEST_F(PrinterPage, ApplyWithoutEmulationModeElementReportsItAndStoresTheOthers) {
  usb_.addDevice({.vendorId = kOtherVendor, .productId = 0x0a03, .serial = "S-3"});
  remove("Printer_Configuration", "Emulation_Mode");
  storePrinter("Code_Page", "9");
  startPage();
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 0);
  gtk_combo_box_set_active(GTK_COMBO_BOX(port()), 3);
  HLQ_SetChecked(unsolicited(), true);
  gtk_combo_box_set_active(mode(), 2);

  auto dialogs = click("_Apply");
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Printer Configuration");
  EXPECT_NE(dialogs[0].text, "Printer Settings Applied");
  EXPECT_NE(dialogs[0].text.find("Emulation mode"), std::string::npos) << dialogs[0].text;
  EXPECT_NE(dialogs[0].text.find(config_), std::string::npos) << dialogs[0].text;
  EXPECT_EQ(dialogs[0].text.find("Code_Page"), std::string::npos) << dialogs[0].text;
  EXPECT_TRUE(g_hlqConfigChanged);

  EXPECT_EQ(storedPrinter("Emulation_Mode"), std::nullopt);
  EXPECT_EQ(stored("Ports_Configuration", "PRINTER_USB"), "/dev/ttyS12");
  // The mode refilled the code page list: the code page is stored as shown.
  EXPECT_EQ(storedPrinter("Code_Page"), std::to_string(codepagePosition()));
  EXPECT_EQ(storedPrinter("Unsolicited_Status"), "1");
  expectStoredIds("0a03", "1a0b", "S-3");
}

// Without a readable record the printer's own list is empty: nothing to store.
TEST_F(PrinterPage, AnEmptyCodePageListLeavesTheStoredCodePageAndSaysSo) {
  plugCodepagePrinter();
  storeValues("/dev/ttyS11", "7", "0", "0");
  startPage();
  ASSERT_TRUE(codepageItems().empty());
  HLQ_SetChecked(unsolicited(), true);
  ApplyReport report = PrinterTab_WriteValues(&ui_.combos, &ui_.checks, &ui_.entries);
  EXPECT_TRUE(report.notStored.empty());
  EXPECT_EQ(storedPrinter("Unsolicited_Status"), "1");
  EXPECT_EQ(storedPrinter("Code_Page"), "7");
}

TEST_F(PrinterPage, ApplyWithoutConfigurationFileStoresNothingAndSaysSo) {
  ASSERT_EQ(::remove(config_.c_str()), 0);
  startPage();
  EXPECT_EQ(HLQTest_ActiveText(port()), "None");

  auto dialogs = click("_Apply");
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_NE(dialogs[0].text.find("Nothing was stored: " + config_ + " could not be read"),
            std::string::npos)
      << dialogs[0].text;
  EXPECT_FALSE(g_hlqConfigChanged);
  EXPECT_FALSE(HLQTest_FileExists(config_));
}

}  // namespace

// A file read again ("Try again") fills the page as start-up does: the
// stored mode and code page, without the mode's handler, which would refill
// the list and replace the stored code page with the list's second item.
TEST_F(PrinterPage, ReadingTheFileAgainShowsTheStoredCodePageWithoutTheModesHandler) {
  storeValues("/dev/ttyS10", "5", "0", "0");
  ui_.addPageViews(HLQ_ReadFileAgain);
  HLQ_FillPage(HLQPage::Printer, &ui_.combos, &ui_.entries, &ui_.checks);
  ui_.connectSignals();
  storeValues("/dev/ttyS12", "7", "2", "1");
  const std::string before = HLQTest_ReadFile(config_);

  HLQ_ReadFileAgain(HLQPage::Printer);
  EXPECT_EQ(HLQTest_ActiveText(port()), "/dev/ttyS12");
  EXPECT_EQ(gtk_combo_box_get_active(mode()), 2);
  EXPECT_EQ(codepagePosition(), 7);
  EXPECT_TRUE(HLQ_IsChecked(unsolicited()));
  EXPECT_EQ(HLQTest_ReadFile(config_), before);
  // The handler is connected again: the technician's change of mode refills.
  gtk_combo_box_set_active(mode(), 1);
  EXPECT_EQ(codepagePosition(), 1);
}
