#include "model/page_model.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstring>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "devices/codepage_list.h"
#include "devices/port_mapping.h"

namespace {

constexpr const char* kEmulationModes[] = {"native", "compatible-a", "compatible-b",
                                           "line-mode", nullptr};
constexpr const char* kLogLevels[] = {"trace", "debug", "info", "warning", "error", "critical",
                                      nullptr};
constexpr int kEmulationModeCount = 4;
constexpr int kLogLevelCount = 6;

bool same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

HLQStoredValue port(const char* name, HLQPage page, const char* key, HLQPortSelector selector) {
  return {name, page, HLQ_DEVICE_FILE_NAME, kwn::PORTS, key, nullptr, HLQRuleKind::Port,
          HLQ_PortsOfSelector(selector), 0};
}

HLQStoredValue attribute(const char* name, HLQPage page, const char* key, const char* attribute,
                         HLQRuleKind rule) {
  return {name, page, HLQ_DEVICE_FILE_NAME, kwn::PORTS, key, attribute, rule, nullptr, 0};
}

HLQStoredValue device(const char* name, HLQPage page, const char* section, const char* key,
                      HLQRuleKind rule) {
  return {name, page, HLQ_DEVICE_FILE_NAME, section, key, nullptr, rule, nullptr, 0};
}

HLQStoredValue position(const char* name, HLQPage page, const char* file, const char* section,
                        const char* key, const char* const* choices, int count) {
  return {name, page, file, section, key, nullptr, HLQRuleKind::Position, choices, count};
}

HLQStoredValue msr(const char* name, const char* key, HLQRuleKind rule) {
  return device(name, HLQPage::Msr, kwn::MSR, key, rule);
}

HLQStoredValue logging(const char* name, const char* key) {
  return {name, HLQPage::Logging, HLQ_LOGGING_FILE_NAME, kwn::LOGGING, key, nullptr,
          HLQRuleKind::LoggingBool, nullptr, 0};
}

// One device's identification in the attributes of its port element.
void addDevice(std::vector<HLQStoredValue>* values, HLQPage page, const char* key,
               const char* pidName, const char* vidName, const char* serialName,
               const char* pidAttribute, const char* vidAttribute, const char* serialAttribute) {
  values->push_back(attribute(pidName, page, key, pidAttribute, HLQRuleKind::UsbId));
  values->push_back(attribute(vidName, page, key, vidAttribute, HLQRuleKind::UsbId));
  values->push_back(attribute(serialName, page, key, serialAttribute, HLQRuleKind::Serial));
}

std::vector<HLQStoredValue> buildTable() {
  using R = HLQRuleKind;
  using P = HLQPage;
  std::vector<HLQStoredValue> v;
  v.push_back(port("printer.port", P::Printer, kwn::PRINTER_USB, HLQPortSelector::Printer));
  v.push_back(position("printer.code-page", P::Printer, HLQ_DEVICE_FILE_NAME, kwn::PRINTER,
                       kwn::CODE_PAGE, nullptr, HLQ_LONGEST_CODEPAGE_LIST));
  v.push_back(position("printer.emulation-mode", P::Printer, HLQ_DEVICE_FILE_NAME, kwn::PRINTER,
                       kwn::EMULATION_MODE, kEmulationModes, kEmulationModeCount));
  v.push_back(device("printer.unsolicited-status", P::Printer, kwn::PRINTER,
                     kwn::UNSOLICITED_STATUS, R::DeviceBool));
  addDevice(&v, P::Printer, kwn::PRINTER_USB, "printer.product-id", "printer.vendor-id",
            "printer.serial-number", kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL);

  v.push_back(port("cash-drawer.port", P::CashDrawer, kwn::CD_USB, HLQPortSelector::CashDrawer));
  addDevice(&v, P::CashDrawer, kwn::CD_USB, "cash-drawer.drawer1-product-id",
            "cash-drawer.drawer1-vendor-id", "cash-drawer.drawer1-serial-number", kwn::ATTR_PID,
            kwn::ATTR_VID, kwn::ATTR_SERIAL);
  addDevice(&v, P::CashDrawer, kwn::CD_USB, "cash-drawer.drawer2-product-id",
            "cash-drawer.drawer2-vendor-id", "cash-drawer.drawer2-serial-number",
            kwn::ATTR_PID_2, kwn::ATTR_VID_2, kwn::ATTR_SERIAL_2);

  v.push_back(
      port("line-display.port", P::LineDisplay, kwn::LD_USB, HLQPortSelector::LineDisplay));
  addDevice(&v, P::LineDisplay, kwn::LD_USB, "line-display.product-id", "line-display.vendor-id",
            "line-display.serial-number", kwn::ATTR_PID, kwn::ATTR_VID, kwn::ATTR_SERIAL);

  v.push_back(port("msr.port", P::Msr, kwn::MSR_USB, HLQPortSelector::Msr));
  v.push_back(msr("msr.cr-enabled", kwn::CR_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track1-enabled", kwn::TRACK1_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track2-enabled", kwn::TRACK2_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track3-enabled", kwn::TRACK3_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.strip-sentinels", kwn::STRIP_SENTINELS, R::DeviceBool));
  v.push_back(msr("msr.hide-error-tracks", kwn::HIDE_ERROR_TRACKS, R::DeviceBool));
  v.push_back(msr("msr.track1-cr-enabled", kwn::TRACK1_CR_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track2-cr-enabled", kwn::TRACK2_CR_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track3-cr-enabled", kwn::TRACK3_CR_ENABLED, R::DeviceBool));
  v.push_back(msr("msr.track1-start-sentinel", kwn::TRACK1_START_SENTINEL, R::Sentinel));
  v.push_back(msr("msr.track2-start-sentinel", kwn::TRACK2_START_SENTINEL, R::Sentinel));
  v.push_back(msr("msr.track3-start-sentinel", kwn::TRACK3_START_SENTINEL, R::Sentinel));
  v.push_back(msr("msr.end-sentinel", kwn::END_SENTINEL, R::Sentinel));
  v.push_back(msr("msr.head-wrapper", kwn::HEAD_WRAPPER, R::WrapperText));
  v.push_back(msr(nullptr, kwn::HEAD_WRAPPER_BK, R::WrapperText));
  v.push_back(msr("msr.head-wrapper-enabled", kwn::HEAD_WRAPPER_CHBX, R::DeviceBool));
  v.push_back(msr("msr.tail-wrapper", kwn::TAIL_WRAPPER, R::WrapperText));
  v.push_back(msr(nullptr, kwn::TAIL_WRAPPER_BK, R::WrapperText));
  v.push_back(msr("msr.tail-wrapper-enabled", kwn::TAIL_WRAPPER_CHBX, R::DeviceBool));

  v.push_back(position("logging.level", P::Logging, HLQ_LOGGING_FILE_NAME, kwn::LOGGING,
                       kwn::LOG_LEVEL, kLogLevels, kLogLevelCount));
  v.push_back(logging("logging.module-service", kwn::MODULE_SERVICE));
  v.push_back(logging("logging.module-cd", kwn::MODULE_CD));
  v.push_back(logging("logging.module-ld", kwn::MODULE_LD));
  v.push_back(logging("logging.module-msr", kwn::MODULE_MSR));
  v.push_back(logging("logging.module-printer-usb", kwn::MODULE_PRINTER_USB));
  return v;
}

struct PageName {
  HLQPage page;
  const char* name;
};
constexpr PageName kPageNames[] = {
    {HLQPage::Printer, "printer"}, {HLQPage::CashDrawer, "cash-drawer"},
    {HLQPage::LineDisplay, "line-display"}, {HLQPage::Msr, "msr"},
    {HLQPage::Logging, "logging"},
};

struct Sentinel {
  const char* key;
  const char* defaultText;
};
constexpr Sentinel kSentinelDefaults[] = {
    {kwn::TRACK1_START_SENTINEL, "%"},
    {kwn::TRACK2_START_SENTINEL, ";"},
    {kwn::TRACK3_START_SENTINEL, "+"},
    {kwn::END_SENTINEL, "?"},
};

}  // namespace

const HLQWrapperKeys HLQ_WRAPPERS[2] = {
    {kwn::HEAD_WRAPPER, kwn::HEAD_WRAPPER_BK, kwn::HEAD_WRAPPER_CHBX},
    {kwn::TAIL_WRAPPER, kwn::TAIL_WRAPPER_BK, kwn::TAIL_WRAPPER_CHBX},
};

const std::vector<HLQStoredValue>& HLQ_StoredValues() {
  static const std::vector<HLQStoredValue> table = buildTable();
  return table;
}

const HLQStoredValue* HLQ_FindStoredValue(const char* file, const char* section, const char* key,
                                          const char* attribute) {
  if (attribute && !*attribute) attribute = nullptr;
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (same(file, value.file) && same(section, value.section) && same(key, value.key) &&
        (attribute ? same(attribute, value.attribute) : value.attribute == nullptr))
      return &value;
  return nullptr;
}

const HLQStoredValue* HLQ_FindStoredValueNamed(const std::string& name) {
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (value.name && name == value.name) return &value;
  return nullptr;
}

const char* HLQ_PageName(HLQPage page) {
  for (const PageName& entry : kPageNames)
    if (entry.page == page) return entry.name;
  return "";
}

bool HLQ_PageNamed(const std::string& name, HLQPage* page) {
  for (const PageName& entry : kPageNames)
    if (name == entry.name) return *page = entry.page, true;
  return false;
}

const char* HLQ_PageFile(HLQPage page) {
  return page == HLQPage::Logging ? HLQ_LOGGING_FILE_NAME : HLQ_DEVICE_FILE_NAME;
}

const char* HLQ_SentinelDefault(const HLQStoredValue& sentinel) {
  for (const Sentinel& entry : kSentinelDefaults)
    if (same(entry.key, sentinel.key)) return entry.defaultText;
  return "";
}

std::string HLQ_SentinelToStore(const HLQStoredValue& sentinel, const std::string& typed) {
  return HLQ_ReadsBackAsEmpty(typed.c_str()) ? HLQ_SentinelDefault(sentinel) : typed;
}

std::string HLQ_TypedTextToStore(const HLQStoredValue& value, const std::string& typed) {
  if (value.rule != HLQRuleKind::UsbId) return typed;
  g_autofree gchar* lower = g_ascii_strdown(typed.c_str(), -1);
  return lower;
}

HLQWrapperTexts HLQ_WrapperToStore(const std::string& text, bool on) {
  return {on ? text : "", on ? "" : text, on ? "1" : "0"};
}

std::string HLQ_WrapperShown(const std::string* active, const std::string* keptAside, bool on) {
  const std::string* shown = on ? active : keptAside;
  const std::string* counterpart = on ? keptAside : active;
  if (!shown) shown = counterpart;
  return shown ? *shown : "";
}
