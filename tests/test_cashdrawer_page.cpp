// The cash drawer page on the real window, a real device configuration file
// and cash drawers emulated on the USB bus.
#include "pages/cashdrawer_page.h"

#include <gtest/gtest.h>

#include "app/apply_report.h"
#include "config/config_layout.h"
#include "tests/support/usb_port_page.h"

namespace {

constexpr uint16_t kVendor = 0x1a0b;
constexpr uint16_t kOtherVendor = 0x3d71;

constexpr const char* kAttributes[] = {kwn::ATTR_PID,   kwn::ATTR_VID,   kwn::ATTR_SERIAL,
                                       kwn::ATTR_PID_2, kwn::ATTR_VID_2, kwn::ATTR_SERIAL_2};
// The six entries in the order of kAttributes.
constexpr GtkEntry* HLQEntries::*kEntries[] = {
    &HLQEntries::gtkedt_cd1pid, &HLQEntries::gtkedt_cd1vid, &HLQEntries::gtkedt_cd1serial,
    &HLQEntries::gtkedt_cd2pid, &HLQEntries::gtkedt_cd2vid, &HLQEntries::gtkedt_cd2serial};

class CashDrawerPage : public UsbPortPage {
 protected:
  CashDrawerPage() : UsbPortPage(kwn::CD_USB, "Cash Drawer") {}

  // The six stored attributes, or the six entries, as one line for comparing.
  std::string attributes() {
    std::string all;
    for (const char* name : kAttributes) all += attribute(name).value_or("(absent)") + "|";
    return all;
  }
  std::string entries() {
    std::string all;
    for (auto entry : kEntries) all += text(entry) + "|";
    return all;
  }
  void fillEntries(const char* value) {
    for (auto entry : kEntries) gtk_entry_set_text(ui_.entries.*entry, value);
  }

  void start() { CashDrawerTab_ReadValuesforInit(&ui_.combos, &ui_.entries); }
  int position() { return gtk_combo_box_get_active(GTK_COMBO_BOX(ui_.combos.gtkcbox_cdport)); }
};

}  // namespace

TEST_F(CashDrawerPage, WithoutADrawerTheEntriesAreEmptyAndTheStoredPortIsShown) {
  storePort("/dev/ttyS17");
  fillEntries("stale");
  start();
  EXPECT_EQ(position(), 3);
  EXPECT_EQ(entries(), "||||||");
}

TEST_F(CashDrawerPage, OneDrawerFillsTheFirstSetAndApplyWritesEmptySecondAttributes) {
  usb_.addDevice({kVendor, 0x00c6, std::string("CD-A"), true});
  fillEntries("stale");
  start();
  EXPECT_EQ(entries(), "00c6|1a0b|CD-A||||");
  ui_.connectSignals();

  SeenDialog shown = apply();
  EXPECT_EQ(shown.title, "Cash Drawer Configuration");
  EXPECT_EQ(shown.text, "Cash Drawer Settings Applied");
  EXPECT_TRUE(g_hlqConfigChanged);
  EXPECT_EQ(port(), "/dev/ttyS15");
  EXPECT_EQ(attributes(), "00c6|1a0b|CD-A||||");  // the _2 attributes exist, empty
}

TEST_F(CashDrawerPage, OfThreeDrawersTheFirstTwoInListOrderAreShownAndStored) {
  // The bus lists the newest device first: C, B, A.
  usb_.addDevice({kVendor, 0x0c01, std::string("CD-A"), true});
  usb_.addDevice({kOtherVendor, 0x0c02, std::string("CD-B"), true});
  usb_.addDevice({kVendor, 0x0c03, std::string("CD-C"), true});
  start();
  EXPECT_EQ(entries(), "0c03|1a0b|CD-C|0c02|3d71|CD-B|");
  ui_.connectSignals();
  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkcbox_cdport), 2);
  apply();
  EXPECT_EQ(port(), "/dev/ttyS16");
  EXPECT_EQ(attributes(), "0c03|1a0b|CD-C|0c02|3d71|CD-B|");
}

TEST_F(CashDrawerPage, ADrawerWithoutSerialStringShowsItsIdsOnly) {
  usb_.addDevice({kVendor, 0x0c04, std::string("UNOPENED"), false});  // the kernel's serial
  usb_.addDevice({kVendor, 0x0c05, std::nullopt, true});              // has no serial string
  fillEntries("stale");
  start();
  EXPECT_EQ(entries(), "0c05|1a0b||0c04|1a0b|UNOPENED|");
}

TEST_F(CashDrawerPage, ClearThenApplyStoresABlankPortAndSixEmptyAttributes) {
  usb_.addDevice({kVendor, 0x0c01, std::string("CD-A"), true});
  usb_.addDevice({kVendor, 0x0c02, std::string("CD-B"), true});
  start();
  ui_.connectSignals();
  apply();
  ASSERT_EQ(attributes(), "0c02|1a0b|CD-B|0c01|1a0b|CD-A|");

  std::string before = HLQTest_ReadFile(file_);
  gtk_button_clicked(ui_.button("Cash Drawer", "_Clear"));
  EXPECT_EQ(position(), 0);
  EXPECT_EQ(entries(), "||||||");
  EXPECT_EQ(HLQTest_ReadFile(file_), before);  // Clear alone writes nothing

  EXPECT_EQ(apply().text, "Cash Drawer Settings Applied");
  EXPECT_EQ(port(), "");  // the blank reads back as the empty text
  EXPECT_EQ(attributes(), "||||||");  // the earlier drawers' attributes are replaced

  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkcbox_cdport), 1);
  start();  // the next start reads the blank back as "None"
  EXPECT_EQ(position(), 0);
}

TEST_F(CashDrawerPage, WithoutTheElementApplyReportsEveryValueAndAsksForNoRestart) {
  std::string text = HLQTest_ReadFile(file_);
  size_t start = text.find("<CD_USB>");
  size_t end = text.find("</CD_USB>") + std::string("</CD_USB>").size();
  text.erase(start, end - start);
  HLQTest_WriteFile(file_, text);

  usb_.addDevice({kVendor, 0x0c01, std::string("CD-A"), true});
  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkcbox_cdport), 2);
  this->start();
  EXPECT_EQ(position(), 0);
  EXPECT_EQ(entries(), "0c01|1a0b|CD-A||||");
  ui_.connectSignals();

  SeenDialog shown = apply();
  EXPECT_EQ(shown.text.find("Cash Drawer Settings Applied"), std::string::npos) << shown.text;
  EXPECT_NE(shown.text.find(file_), std::string::npos) << shown.text;
  // The discovered drawer's fields, each by its label; the untouched port not.
  for (const char* field : {"Cash drawer 1 \u203a Product ID:", "Cash drawer 1 \u203a Vendor ID:",
                            "Cash drawer 1 \u203a Serial number:"})
    EXPECT_NE(shown.text.find(field), std::string::npos) << field << " in " << shown.text;
  EXPECT_FALSE(g_hlqConfigChanged);
  EXPECT_EQ(HLQTest_ReadFile(file_), text);  // no element was created
}

// A typed ID is stored as the daemon reads it (lower case); one that no rule
// allows stores nothing of the page, and the message names the field as the
// page labels it, what it holds and what it must hold.
TEST_F(CashDrawerPage, ATypedIdItsRuleRefusesIsNamedByItsFieldAndNotStored) {
  start();
  ui_.connectSignals();
  gtk_entry_set_text(ui_.entries.gtkedt_cd1pid, "0A1B");
  gtk_entry_set_text(ui_.entries.gtkedt_cd2vid, "0A1G");
  gtk_entry_set_text(ui_.entries.gtkedt_cd2serial, "CD-\u00e9");

  SeenDialog shown = apply();
  EXPECT_EQ(shown.text,
            "Nothing was stored in " + file_ + ", since these fields hold what they cannot "
            "store:\n"
            "\u2022 Cash drawer 2 \u203a Vendor ID: holds \"0A1G\": a USB ID is four hexadecimal "
            "digits, such as 0a1b, or empty, not \"0a1g\"\n"
            "\u2022 Cash drawer 2 \u203a Serial number: holds \"CD-\u00e9\": a serial number holds "
            "at most 255 printable ASCII characters, not \"CD-\u00e9\"");
  EXPECT_EQ(attribute(kwn::ATTR_PID), std::nullopt);
  EXPECT_FALSE(g_hlqConfigChanged);
  gtk_entry_set_text(ui_.entries.gtkedt_cd2vid, "");
  gtk_entry_set_text(ui_.entries.gtkedt_cd2serial, "");
  EXPECT_EQ(apply().text, "Cash Drawer Settings Applied");
  EXPECT_EQ(attribute(kwn::ATTR_PID), "0a1b");
}
