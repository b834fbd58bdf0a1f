// The line display page on the real window, a real device configuration file
// and line displays emulated on the USB bus.
#include "pages/linedisplay_page.h"

#include <gtest/gtest.h>

#include "app/apply_report.h"
#include "config/config_layout.h"
#include "pages/cashdrawer_page.h"
#include "tests/support/usb_port_page.h"

namespace {

constexpr uint16_t kVendor = 0x1a0b;
constexpr uint16_t kDisplay = 0x0d02;
constexpr uint16_t kLowDisplay = 0x00d6;
constexpr uint16_t kDrawer = 0x0c01;

class LineDisplayPage : public UsbPortPage {
 protected:
  LineDisplayPage() : UsbPortPage(kwn::LD_USB, "Line Display") {}

  void start() { LineDisplayTab_ReadValuesforInit(&ui_.combos, &ui_.entries); }
  int position() { return gtk_combo_box_get_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport)); }
  std::string pid() { return text(&HLQEntries::gtkentry_ldpid); }
  std::string vid() { return text(&HLQEntries::gtkentry_ldvid); }
  std::string serial() { return text(&HLQEntries::gtkedt_ldserial); }
  void fillEntries(const char* value) {
    gtk_entry_set_text(ui_.entries.gtkentry_ldpid, value);
    gtk_entry_set_text(ui_.entries.gtkentry_ldvid, value);
    gtk_entry_set_text(ui_.entries.gtkedt_ldserial, value);
  }
};

}  // namespace

TEST_F(LineDisplayPage, WithoutADisplayTheEntriesAreEmptyAndTheStoredPortIsShown) {
  storePort("/dev/ttyS19");
  fillEntries("stale");
  start();
  EXPECT_EQ(position(), 2);
  EXPECT_EQ(pid(), "");
  EXPECT_EQ(vid(), "");
  EXPECT_EQ(serial(), "");
}

TEST_F(LineDisplayPage, ShowsTheAttachedDisplayAndNotADrawer) {
  usb_.addDevice({kVendor, kDrawer, std::string("DRAWER"), true});
  usb_.addDevice({kVendor, kLowDisplay, std::string("LD-0042"), true});
  start();
  EXPECT_EQ(pid(), "00d6");  // four lower-case digits, leading zeros kept
  EXPECT_EQ(vid(), "1a0b");
  EXPECT_EQ(serial(), "LD-0042");

  // The drawer is the cash drawer page's device, and the display is not.
  CashDrawerTab_ReadValuesforInit(&ui_.combos, &ui_.entries);
  EXPECT_EQ(text(&HLQEntries::gtkedt_cd1pid), "0c01");
  EXPECT_EQ(text(&HLQEntries::gtkedt_cd2pid), "");
}

TEST_F(LineDisplayPage, ADisplayWithoutASerialStringShowsItsIdsOnly) {
  usb_.addDevice({kVendor, kDisplay, std::nullopt, true});
  fillEntries("stale");
  start();
  EXPECT_EQ(pid(), "0d02");
  EXPECT_EQ(vid(), "1a0b");
  EXPECT_EQ(serial(), "");
}

// Opening the device needs rights the technician lacks; the kernel's copy
// of its serial number does not.
TEST_F(LineDisplayPage, ADisplayThatCannotBeOpenedShowsTheSerialTheKernelHolds) {
  usb_.addDevice({kVendor, kDisplay, std::string("UNOPENED"), false});
  fillEntries("stale");
  start();
  EXPECT_EQ(pid(), "0d02");
  EXPECT_EQ(serial(), "UNOPENED");
}

TEST_F(LineDisplayPage, ApplyStoresThePortAndTheEntriesAsTyped) {
  usb_.addDevice({kVendor, kDisplay, std::string("LD-1"), true});
  start();
  ui_.connectSignals();
  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport), 2);
  gtk_entry_set_text(ui_.entries.gtkedt_ldserial, "typed <&> not hex");

  SeenDialog shown = apply();
  EXPECT_EQ(shown.title, "Line Display Configuration");
  EXPECT_EQ(shown.text, "Line Display Settings Applied");
  EXPECT_TRUE(g_hlqConfigChanged);
  EXPECT_EQ(port(), "/dev/ttyS19");
  EXPECT_EQ(attribute(kwn::ATTR_PID), "0d02");
  EXPECT_EQ(attribute(kwn::ATTR_VID), "1a0b");
  EXPECT_EQ(attribute(kwn::ATTR_SERIAL), "typed <&> not hex");

  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport), 0);
  start();  // the next start
  EXPECT_EQ(position(), 2);
}

TEST_F(LineDisplayPage, NoneIsStoredAsABlankAndReadBackAsNone) {
  storePort("/dev/ttyS18");
  start();
  ui_.connectSignals();
  gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport), 0);
  EXPECT_EQ(apply().text, "Line Display Settings Applied");
  EXPECT_EQ(port(), "");  // the blank, which reads back as the empty text, not "None"

  for (const char* stored : {"", "None", "/dev/ttyS13"}) {
    if (*stored) storePort(stored);
    gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport), 1);
    start();
    EXPECT_EQ(position(), 0) << "stored \"" << stored << "\"";
  }
}

TEST_F(LineDisplayPage, ClearThenApplyStoresABlankPortAndEmptyAttributes) {
  storePort("/dev/ttyS19");
  usb_.addDevice({kVendor, kDisplay, std::string("LD-1"), true});
  start();
  ui_.connectSignals();
  std::string before = HLQTest_ReadFile(file_);
  gtk_button_clicked(ui_.button("Line Display", "_Clear"));
  EXPECT_EQ(position(), 0);
  EXPECT_EQ(pid() + vid() + serial(), "");
  EXPECT_EQ(HLQTest_ReadFile(file_), before);  // Clear alone writes nothing
  EXPECT_FALSE(g_hlqConfigChanged);

  EXPECT_EQ(apply().text, "Line Display Settings Applied");
  EXPECT_EQ(port(), "");  // " " reads back as the empty text
  for (const char* name : {kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL})
    EXPECT_EQ(attribute(name), "") << name;
}

TEST_F(LineDisplayPage, AttributesOfAnEarlierDisplayAreReplaced) {
  storeAttribute(kwn::ATTR_PID, "0d01");
  storeAttribute(kwn::ATTR_VID, "2c4e");
  storeAttribute(kwn::ATTR_SERIAL, "OLD-DISPLAY");
  start();  // nothing attached now
  ui_.connectSignals();
  apply();
  for (const char* name : {kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL})
    EXPECT_EQ(attribute(name), "") << name;
  EXPECT_EQ(port(), "/dev/ttyS18");
}

TEST_F(LineDisplayPage, APortThisSelectorLacksIsKeptAndTheUserIsTold) {
  for (const char* stored : {"/dev/ttyS12", "/dev/ttyS17"}) {
    storePort(stored);
    gtk_combo_box_set_active(GTK_COMBO_BOX(ui_.combos.gtkchboxt_ldport), 1);
    start();
    EXPECT_EQ(position(), -1) << stored;
  }
  ui_.connectSignals();
  gtk_entry_set_text(ui_.entries.gtkentry_ldpid, "0d03");

  SeenDialog shown = apply();
  EXPECT_EQ(port(), "/dev/ttyS17");
  EXPECT_EQ(attribute(kwn::ATTR_PID), "0d03");
  EXPECT_EQ(attribute(kwn::ATTR_SERIAL), "");
  // The selector without an item is not asked to store anything.
  EXPECT_EQ(shown.text, "Line Display Settings Applied");
  EXPECT_TRUE(g_hlqConfigChanged);
}

TEST_F(LineDisplayPage, DemoPrintsTheNoticeAndChangesNothing) {
  start();
  ui_.connectSignals();
  std::string before = HLQTest_ReadFile(file_);
  testing::internal::CaptureStdout();
  gtk_button_clicked(ui_.button("Line Display", "_Demo"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Still Not Implemented yet\n");
  EXPECT_EQ(HLQTest_ReadFile(file_), before);
  EXPECT_EQ(position(), 1);
}
