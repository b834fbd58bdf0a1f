// The fixture of the pages that pair a port element of the device
// configuration file with the USB devices found on the emulated bus (cash
// drawer, line display): the real window, a copy of the sample file that the
// tool is pointed at, and the element's text and attributes as the
// configuration layer reads and writes them.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "tests/support/dialog_catcher.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_fixture.h"
#include "tests/support/usb_testbed.h"

class UsbPortPage : public testing::Test {
 protected:
  // `element`: the port element (such as "CD_USB"); `tabLabel`: the page's tab.
  UsbPortPage(const char* element, const char* tabLabel) : element_(element), tab_(tabLabel) {}
  void SetUp() override {
    HLQTest_CopySample("KWNConfig.xml", file_);
    HLQTest_SetDeviceConfigPath(file_);
  }

  void storePort(const char* text) {
    ASSERT_TRUE(config_.WriteXMLNodeValue(file_.c_str(), kwn::PORTS, element_, text).stored());
  }
  void storeAttribute(const char* attribute, const char* value) {
    ASSERT_TRUE(config_.WriteXMLNodeProperty(file_.c_str(), kwn::PORTS, element_, attribute, value)
                    .stored());
  }
  std::optional<std::string> port() {
    return config_.ReadXMLNodeValue(file_.c_str(), kwn::PORTS, element_);
  }
  std::optional<std::string> attribute(const char* name) {
    return config_.ReadXMLNodeProperty(file_.c_str(), kwn::PORTS, element_, name);
  }
  std::string text(GtkEntry* HLQEntries::*entry) { return gtk_entry_get_text(ui_.entries.*entry); }
  // Presses Apply as the user does and returns the one message box it shows.
  SeenDialog apply() { return HLQTest_PressForOneMessage(ui_.button(tab_, "_Apply")); }

  const char* const element_;
  const char* const tab_;
  CXMLModuleConfig config_;  // stateless: all state is in the file
  TempDir dir_;
  std::string file_ = dir_.file("KWNConfig.xml");
  LoadedUi ui_;
  UsbTestbed usb_;
};
