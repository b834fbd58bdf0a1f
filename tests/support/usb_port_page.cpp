#include "tests/support/usb_port_page.h"

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "tests/support/test_paths.h"

void UsbPortPage::SetUp() {
  HLQTest_CopySample("KWNConfig.xml", file_);
  HLQTest_SetDeviceConfigPath(file_);
}

void UsbPortPage::storePort(const char* text) {
  ASSERT_TRUE(
      CXMLModuleConfig().WriteXMLNodeValue(file_.c_str(), kwn::PORTS, element_, text).stored());
}

void UsbPortPage::storeAttribute(const char* attribute, const char* value) {
  ASSERT_TRUE(CXMLModuleConfig()
                  .WriteXMLNodeProperty(file_.c_str(), kwn::PORTS, element_, attribute, value)
                  .stored());
}

std::optional<std::string> UsbPortPage::port() {
  return CXMLModuleConfig().ReadXMLNodeValue(file_.c_str(), kwn::PORTS, element_);
}

std::optional<std::string> UsbPortPage::attribute(const char* name) {
  return CXMLModuleConfig().ReadXMLNodeProperty(file_.c_str(), kwn::PORTS, element_, name);
}
