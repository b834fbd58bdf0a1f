// What each page of the tool stores, without widgets: for every value, its
// file, section, key and attribute, the name scripts know it by, and its
// rule, that is, exactly the texts the page can write there. The window's
// pages, the command line and the privileged helper all take their keys and
// rules from this one table.
#pragma once

#include <string>
#include <vector>

enum class HLQPage { Printer, CashDrawer, LineDisplay, Msr, Logging };

// Which texts a stored value may hold.
enum class HLQRuleKind {
  Port,         // " " (None) or a device path of the page's port selector
  DeviceBool,   // "1" or "0"
  LoggingBool,  // "true" or "false"
  Position,     // a selector's position, -1 (nothing selected) to its last item, as "%d"
  Sentinel,     // one character that is not white space
  WrapperText,  // at most 8 characters, no control characters, not blanks alone
  UsbId,        // four lower-case hexadecimal digits, or empty
  Serial,       // printable ASCII of at most 255 characters, as discovery gives it
};

struct HLQStoredValue {
  const char* name;  // "printer.port"; nullptr for a wrapper's kept-aside text
  HLQPage page;
  const char* file;  // HLQ_DEVICE_FILE_NAME or HLQ_LOGGING_FILE_NAME
  const char* section;
  const char* key;
  const char* attribute;  // nullptr: the element's text
  HLQRuleKind rule;
  // Position: the selector's items by stable, untranslated names (nullptr
  // for the code page, whose list depends on the printer); Port: the
  // selector's device paths. Ends with nullptr.
  const char* const* choices;
  int choiceCount;  // Position: how many items the selector can hold
};

// Every value the pages store, page by page, each page's values in the order
// its Apply writes them.
const std::vector<HLQStoredValue>& HLQ_StoredValues();

// The entry of a stored value, or nullptr when no page stores it. An
// attribute of nullptr or "" names the element's text.
const HLQStoredValue* HLQ_FindStoredValue(const char* file, const char* section, const char* key,
                                          const char* attribute);
// The entry named `name` ("msr.track1-enabled"), or nullptr.
const HLQStoredValue* HLQ_FindStoredValueNamed(const std::string& name);

// The page's name for scripts ("printer", "cash-drawer", "line-display",
// "msr", "logging") and back; false for an unknown name.
const char* HLQ_PageName(HLQPage page);
bool HLQ_PageNamed(const std::string& name, HLQPage* page);
// The file a page stores into (HLQ_DEVICE_FILE_NAME or HLQ_LOGGING_FILE_NAME).
const char* HLQ_PageFile(HLQPage page);

// Whether the page can write `text` into this value; when not, `err` says
// why, for the user, naming what the value must hold. The code page is
// checked against the longest list any printer shows; a page checks it
// against the list it shows (HLQ_CheckPosition).
bool HLQ_CheckStoredText(const HLQStoredValue& value, const char* text, std::string* err);
// The same for a position in a list of `count` items.
bool HLQ_CheckPosition(const char* text, int count, std::string* err);
// A text as a message may quote it: in quotes, cut short, with control
// characters escaped.
std::string HLQ_QuotedText(const char* text);

// What the page stores for a text the technician typed: a USB ID in lower
// case ("0A1B" is stored as "0a1b"); every other text unchanged.
std::string HLQ_TypedTextToStore(const HLQStoredValue& value, const std::string& typed);

// A sentinel's storage rule: an empty entry, or one of blanks alone (which
// would read back as empty), is stored as the sentinel's default.
std::string HLQ_SentinelToStore(const HLQStoredValue& sentinel, const std::string& typed);
const char* HLQ_SentinelDefault(const HLQStoredValue& sentinel);

// A wrapper is stored as a pair of texts and a flag: while it is on, the
// active text holds the wrapper and the kept-aside text is empty; while it
// is off, the other way round, so that the text survives until it is on
// again.
struct HLQWrapperKeys {
  const char* active;     // kwn::HEAD_WRAPPER
  const char* keptAside;  // kwn::HEAD_WRAPPER_BK
  const char* flag;       // kwn::HEAD_WRAPPER_CHBX
};
extern const HLQWrapperKeys HLQ_WRAPPERS[2];  // head, tail
struct HLQWrapperTexts {
  std::string active, keptAside, flag;
};
HLQWrapperTexts HLQ_WrapperToStore(const std::string& text, bool on);
// What a wrapper shows: the active text while the flag reads on, else the
// kept-aside one; a text that could not be read falls back to its
// counterpart. Absent texts are passed as nullptr.
std::string HLQ_WrapperShown(const std::string* active, const std::string* keptAside, bool on);
