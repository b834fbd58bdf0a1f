// The pages' values as a technician or a script names them, and the stored
// texts they stand for: a port is "none" or its device path, a check box is
// on or off, a selector's choice is its stable name or its position, the
// code page is its name in the list the printer page would show now, an MSR
// wrapper is its text and whether it is on (over its three stored texts),
// and an emptied sentinel is its default. Every rule of what may be stored
// comes from the page model (page_model.h); the command line takes every
// value it shows and every text it stores from here.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "config/xml_values.h"
#include "devices/supported_device.h"
#include "model/page_model.h"

// A value as the technician sees it.
struct HLQShownValue {
  enum class Kind { Unread, Boolean, Text };
  Kind kind = Kind::Unread;
  bool on = false;
  std::string text;
  // Unread: why. Text: why it is shown as it is stored (no item of the
  // page's selector holds it), for the user; otherwise empty.
  std::string note;
  // Unread only because the attribute is not in the file yet (its element
  // is there): storing a value adds it, as a page's Apply does.
  bool attributeMissing = false;
};

// A value as a technician or a script gives it: a text (every value of the
// command line), or a JSON boolean or integer; Other is any other JSON
// value, which no value takes. Position is a list selector's item as the
// window's widget gives it (-1 for none selected), never a script's.
struct HLQGivenValue {
  enum class Kind { Text, Boolean, Number, Other, Position };
  Kind kind = Kind::Text;
  std::string text;  // Text; a Number's or Position's decimal digits; Other's JSON text
  bool on = false;   // Boolean
};

// What the daemon's files hold of the pages' values, each file read once
// (through the helper where this process may not read it).
struct HLQStoredTexts {
  struct File {
    bool loaded = false;
    bool helperUnanswered = false;  // the helper did not read it: not authorised, or not reached
    std::string reason;             // why it was not loaded
  };
  std::map<const HLQStoredValue*, HLQReadValue> values;
  std::map<std::string, File> files;  // by file name ("device", "logging")
};
// Reads every value the pages store in the named files ("device", "logging").
HLQStoredTexts HLQ_ReadStoredTexts(const std::vector<std::string>& fileNames);

// The code page lists the printer page would show now: the printer is
// discovered once, and each list is taken once per emulation mode.
class HLQCodepageLists {
 public:
  const std::vector<std::string>& shownFor(int mode);
  bool printersOwn(int mode);
  // The list a page shows for `mode`, taken as it is (the window checks a
  // code page against its own selector, not a new discovery).
  void showing(int mode, std::vector<std::string> names) { lists_[mode] = std::move(names); }

 private:
  const SupportedDeviceInfo& printer();
  bool discovered_ = false;
  SupportedDeviceInfo printer_{};
  std::map<int, std::vector<std::string>> lists_;
};

// Every value a script names (the wrappers' kept-aside texts are not among
// them), in the pages' order; or those of one page.
std::vector<const HLQStoredValue*> HLQ_NamedValues();
std::vector<const HLQStoredValue*> HLQ_NamedValuesOf(HLQPage page);

// The stored emulation mode, as the printer page reads it.
int HLQ_StoredEmulationMode(const HLQStoredTexts& texts);

// What the technician sees for a named value.
HLQShownValue HLQ_ShownValue(const HLQStoredValue& value, const HLQStoredTexts& texts,
                             HLQCodepageLists* codepages);

// What a named value accepts: its kind for scripts ("port", "boolean",
// "choice", "code-page", "text"); its choices (ports with "none", true and
// false, selector names; none for the code page, whose list depends on the
// printer); and, where there are no choices, a description for the user.
const char* HLQ_ValueKindName(const HLQStoredValue& value);
std::vector<std::string> HLQ_ValueChoices(const HLQStoredValue& value);
std::string HLQ_ValueDescription(const HLQStoredValue& value);

// The supported devices attached that a page shows (the printer page one
// printer, the cash drawer page two drawers, the line display page one
// display; other pages none), found as the page finds them; records of no
// device (IDs 0) are left out.
std::vector<SupportedDeviceInfo> HLQ_DevicesShownOn(HLQPage page);
// A USB ID as the pages show it: four lower-case hexadecimal digits, "" for 0.
std::string HLQ_UsbIdText(uint16_t id);
