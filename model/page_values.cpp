// The pages' values as the technician sees them, from the stored texts.
#include "model/page_values.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <cstdio>
#include <cstring>

#include "config/config_layout.h"
#include "config/xml_config.h"
#include "devices/codepage_list.h"
#include "devices/usb_discovery.h"
#include "devices/usb_ids.h"

namespace {

HLQShownValue unread(const std::string& reason) {
  HLQShownValue shown;
  shown.note = reason;
  return shown;
}

HLQShownValue boolean(bool on) {
  HLQShownValue shown;
  shown.kind = HLQShownValue::Kind::Boolean;
  shown.on = on;
  return shown;
}

HLQShownValue text(const std::string& value, const std::string& note = "") {
  HLQShownValue shown;
  shown.kind = HLQShownValue::Kind::Text;
  shown.text = value;
  shown.note = note;
  return shown;
}

std::string asStored() {
  return _("no item of the page's selector holds this stored text; it is shown as stored");
}

const HLQReadValue* readOf(const HLQStoredTexts& texts, const HLQStoredValue* value) {
  auto found = value ? texts.values.find(value) : texts.values.end();
  return found == texts.values.end() ? nullptr : &found->second;
}

const HLQStoredValue* msrValue(const char* key) {
  return HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::MSR, key, nullptr);
}

// The wrapper whose text `value` is, or nullptr.
const HLQWrapperKeys* wrapperOfText(const HLQStoredValue& value) {
  if (value.rule != HLQRuleKind::WrapperText) return nullptr;
  for (const HLQWrapperKeys& wrapper : HLQ_WRAPPERS)
    if (&value == msrValue(wrapper.active)) return &wrapper;
  return nullptr;
}

HLQShownValue shownPort(const HLQStoredValue& value, const std::string& stored) {
  if (HLQ_ReadsBackAsEmpty(stored.c_str())) return text("none");
  for (const char* const* port = value.choices; port && *port; ++port)
    if (stored == *port) return text(stored);
  return text(stored, asStored());
}

HLQShownValue shownBool(const std::string& stored, const char* on, const char* off) {
  if (stored == on || stored == off) return boolean(stored == on);
  return text(stored, _("the page reads this stored text as off; it is shown as stored"));
}

// The item at a stored position of `names`, or the stored text with a note.
HLQShownValue shownPosition(const std::string& stored, const std::vector<std::string>& names) {
  if (names.empty())
    return text(stored, _("the code page list is empty (the printer's own list could not be "
                          "read); the stored position is shown as stored"));
  const int count = static_cast<int>(names.size());
  if (!HLQ_CheckPosition(stored.c_str(), count, nullptr) || stored == "-1")
    return text(stored, asStored());
  return text(names[static_cast<size_t>(HLQ_ParseNumber(stored))]);
}

std::vector<std::string> namesOf(const HLQStoredValue& value) {
  std::vector<std::string> names;
  for (const char* const* name = value.choices; name && *name; ++name) names.emplace_back(*name);
  return names;
}

HLQShownValue shownWrapperText(const HLQWrapperKeys& wrapper, const HLQStoredTexts& texts) {
  const HLQReadValue* active = readOf(texts, msrValue(wrapper.active));
  const HLQReadValue* kept = readOf(texts, msrValue(wrapper.keptAside));
  const HLQReadValue* flag = readOf(texts, msrValue(wrapper.flag));
  const std::string* activeText = active && active->text ? &*active->text : nullptr;
  const std::string* keptText = kept && kept->text ? &*kept->text : nullptr;
  if (!activeText && !keptText) return unread(active ? active->reason : "");
  return text(HLQ_WrapperShown(activeText, keptText, flag && HLQ_IsDeviceBoolOn(flag->text)));
}

// An attribute that is missing while its element's text was read.
HLQShownValue unreadValue(const HLQStoredValue& value, const HLQStoredTexts& texts,
                          const HLQReadValue* read) {
  HLQShownValue shown = unread(read ? read->reason : "");
  const HLQReadValue* element =
      value.attribute ? readOf(texts, HLQ_FindStoredValue(value.file, value.section, value.key,
                                                          nullptr))
                      : nullptr;
  if (element && element->text) {
    shown.attributeMissing = true;
    shown.note = _("the attribute is not in the file yet; storing a value adds it");
  }
  return shown;
}

}  // namespace

HLQStoredTexts HLQ_ReadStoredTexts(const std::vector<std::string>& fileNames) {
  HLQStoredTexts texts;
  for (const std::string& name : fileNames) {
    std::vector<const HLQStoredValue*> values;
    std::vector<HLQValueAddress> addresses;
    for (const HLQStoredValue& value : HLQ_StoredValues())
      if (name == value.file) {
        values.push_back(&value);
        addresses.push_back({value.section, value.key, value.attribute});
      }
    const HLQFileValues read = HLQ_ReadValues(HLQ_ConfigFilePath(name.c_str()), addresses);
    texts.files[name] = {read.loaded, read.helperUnanswered, read.reason};
    for (size_t i = 0; i < values.size(); ++i)
      texts.values[values[i]] = read.loaded ? read.values[i] : HLQReadValue{{}, read.reason};
  }
  return texts;
}

// The printer page discovers one printer at start-up, as here.
const SupportedDeviceInfo& HLQCodepageLists::printer() {
  if (!discovered_)
    getSupportedDeviceInfo(&printer_, 1, HLQ_VENDOR_IDS, HLQ_PRINTER_PIDS, HLQ_PRINTER_PID_COUNT);
  discovered_ = true;
  return printer_;
}

const std::vector<std::string>& HLQCodepageLists::shownFor(int mode) {
  auto found = lists_.find(mode);
  if (found != lists_.end()) return found->second;
  return lists_[mode] = HLQ_CodepageNames(printer(), mode);
}

bool HLQCodepageLists::printersOwn(int mode) {
  return HLQ_ShowsPrintersOwnCodepages(printer(), mode);
}

std::vector<const HLQStoredValue*> HLQ_NamedValues() {
  std::vector<const HLQStoredValue*> named;
  for (const HLQStoredValue& value : HLQ_StoredValues())
    if (value.name) named.push_back(&value);
  return named;
}

std::vector<const HLQStoredValue*> HLQ_NamedValuesOf(HLQPage page) {
  std::vector<const HLQStoredValue*> named;
  for (const HLQStoredValue* value : HLQ_NamedValues())
    if (value->page == page) named.push_back(value);
  return named;
}

int HLQ_StoredEmulationMode(const HLQStoredTexts& texts) {
  static const HLQStoredValue* const kMode =
      HLQ_FindStoredValue(HLQ_DEVICE_FILE_NAME, kwn::PRINTER, kwn::EMULATION_MODE, nullptr);
  const HLQReadValue* mode = readOf(texts, kMode);
  return HLQ_ParseNumber(mode ? mode->text : std::nullopt);
}

HLQShownValue HLQ_ShownValue(const HLQStoredValue& value, const HLQStoredTexts& texts,
                             HLQCodepageLists* codepages) {
  if (const HLQWrapperKeys* wrapper = wrapperOfText(value))
    return shownWrapperText(*wrapper, texts);
  const HLQReadValue* read = readOf(texts, &value);
  if (!read || !read->text) return unreadValue(value, texts, read);
  const std::string& stored = *read->text;
  switch (value.rule) {
    case HLQRuleKind::Port: return shownPort(value, stored);
    case HLQRuleKind::DeviceBool: return shownBool(stored, "1", "0");
    case HLQRuleKind::LoggingBool: return shownBool(stored, "true", "false");
    case HLQRuleKind::Position:
      return shownPosition(stored, value.choices
                                       ? namesOf(value)
                                       : codepages->shownFor(HLQ_StoredEmulationMode(texts)));
    default: return text(stored);
  }
}

const char* HLQ_ValueKindName(const HLQStoredValue& value) {
  switch (value.rule) {
    case HLQRuleKind::Port: return "port";
    case HLQRuleKind::DeviceBool:
    case HLQRuleKind::LoggingBool: return "boolean";
    case HLQRuleKind::Position: return value.choices ? "choice" : "code-page";
    default: return "text";
  }
}

std::vector<std::string> HLQ_ValueChoices(const HLQStoredValue& value) {
  switch (value.rule) {
    case HLQRuleKind::Port: {
      std::vector<std::string> ports = {"none"};
      for (const std::string& port : namesOf(value)) ports.push_back(port);
      return ports;
    }
    case HLQRuleKind::DeviceBool:
    case HLQRuleKind::LoggingBool: return {"true", "false"};
    case HLQRuleKind::Position:
      return namesOf(value);  // none for the code page: its list depends on the printer
    default: return {};
  }
}

std::string HLQ_ValueDescription(const HLQStoredValue& value) {
  switch (value.rule) {
    case HLQRuleKind::Position:
      if (value.choices) return "";
      return _("a code page of the list the printer page shows now, by its name (hlqctl "
               "codepages), or #N for its position in that list");
    case HLQRuleKind::Sentinel: {
      // TRANSLATORS: %s is the sentinel's default character.
      g_autofree gchar* described = g_strdup_printf(
          _("one character that is not a blank; empty for the default %s"), HLQ_SentinelDefault(value));
      return described;
    }
    case HLQRuleKind::WrapperText: return _("at most 8 characters, no control characters, not blanks alone");
    case HLQRuleKind::UsbId: return _("four hexadecimal digits (stored in lower case), or empty");
    case HLQRuleKind::Serial: return _("printable ASCII, at most 255 characters");
    default: return "";
  }
}

std::vector<SupportedDeviceInfo> HLQ_DevicesShownOn(HLQPage page) {
  struct Discovery {
    HLQPage page;
    int32_t count;
    const uint16_t* products;
    uint32_t productCount;
  };
  static constexpr Discovery kDiscoveries[] = {
      {HLQPage::Printer, 1, HLQ_PRINTER_PIDS, HLQ_PRINTER_PID_COUNT},
      {HLQPage::CashDrawer, 2, HLQ_CASHDRAWER_PIDS, HLQ_CASHDRAWER_PID_COUNT},
      {HLQPage::LineDisplay, 1, HLQ_LINEDISPLAY_PIDS, HLQ_LINEDISPLAY_PID_COUNT},
  };
  std::vector<SupportedDeviceInfo> found;
  for (const Discovery& discovery : kDiscoveries) {
    if (discovery.page != page) continue;
    std::vector<SupportedDeviceInfo> records(static_cast<size_t>(discovery.count),
                                             SupportedDeviceInfo{});
    getSupportedDeviceInfo(records.data(), discovery.count, HLQ_VENDOR_IDS, discovery.products,
                           discovery.productCount);
    for (const SupportedDeviceInfo& record : records)
      if (record.vendorId != 0 || record.productId != 0) found.push_back(record);
  }
  return found;
}

std::string HLQ_UsbIdText(uint16_t id) {
  char text[8] = "";
  if (id != 0) std::snprintf(text, sizeof text, "%04x", id);
  return text;
}
