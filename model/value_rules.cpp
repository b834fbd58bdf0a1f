// The rules of the page model: which texts a page can write into each kind
// of value, and the reason given for any other text.
#include <glib.h>
#include <glib/gi18n-lib.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/failed.h"
#include "base/owned_text.h"
#include "config/xml_config.h"
#include "model/page_model.h"

namespace {

constexpr glong kWrapperChars = 8;
constexpr size_t kSerialBytes = 255;

bool isControl(gunichar c) { return c < 0x20 || (c >= 0x7f && c < 0xa0); }

bool checkPort(const HLQStoredValue& value, const char* text, std::string* err) {
  if (std::strcmp(text, " ") == 0) return true;
  std::string ports;
  for (const char* const* port = value.choices; port && *port; ++port) {
    if (std::strcmp(text, *port) == 0) return true;
    ports += ports.empty() ? *port : std::string(", ") + *port;
  }
  // TRANSLATORS: %s is the text refused; then the device paths the selector offers.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("%s is not a port of this page (it offers "
                                                         "None, stored as a blank, or %s)"),
                                                       HLQ_QuotedText(text).c_str(), ports.c_str())));
}

bool checkBool(const char* text, const char* on, const char* off, std::string* err) {
  if (std::strcmp(text, on) == 0 || std::strcmp(text, off) == 0) return true;
  // TRANSLATORS: %s is the text refused; then the two texts a check box stores.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("%s is not what a check box stores "
                                                         "(\"%s\" or \"%s\")"),
                                                       HLQ_QuotedText(text).c_str(), on, off)));
}

bool checkSentinel(const char* text, std::string* err) {
  const bool one = g_utf8_validate(text, -1, nullptr) && g_utf8_strlen(text, -1) == 1 &&
                   HLQ_IsXmlSafeText(text) && !HLQ_ReadsBackAsEmpty(text) &&
                   !isControl(g_utf8_get_char(text));
  if (one) return true;
  // TRANSLATORS: %s is the text refused.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("a sentinel is one character that is not "
                                                         "a blank, not %s"),
                                                       HLQ_QuotedText(text).c_str())));
}

bool checkWrapper(const char* text, std::string* err) {
  bool valid = g_utf8_validate(text, -1, nullptr) && HLQ_IsXmlSafeText(text) &&
               g_utf8_strlen(text, -1) <= kWrapperChars;
  for (const char* p = text; valid && *p; p = g_utf8_next_char(p))
    valid = !isControl(g_utf8_get_char(p));
  if (!valid)
    // TRANSLATORS: %s is the text refused.
    return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("a wrapper text holds at most 8 characters "
                                                           "and no control characters, not %s"),
                                                         HLQ_QuotedText(text).c_str())));
  if (*text && HLQ_ReadsBackAsEmpty(text))
    return HLQ_Failed(err, _("a wrapper text of blanks alone would read back as empty"));
  return true;
}

bool checkUsbId(const char* text, std::string* err) {
  bool valid = *text == '\0' || std::strlen(text) == 4;
  for (const char* p = text; valid && *p; ++p) valid = g_ascii_isdigit(*p) || (*p >= 'a' && *p <= 'f');
  if (valid) return true;
  // TRANSLATORS: %s is the text refused.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("a USB ID is four hexadecimal digits, such "
                                                         "as 0a1b, or empty, not %s"),
                                                       HLQ_QuotedText(text).c_str())));
}

bool checkSerial(const char* text, std::string* err) {
  bool valid = std::strlen(text) <= kSerialBytes;
  for (const char* p = text; valid && *p; ++p) valid = *p >= 0x20 && *p <= 0x7e;
  if (valid) return true;
  // TRANSLATORS: %s is the text refused.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("a serial number holds at most 255 "
                                                         "printable ASCII characters, not %s"),
                                                       HLQ_QuotedText(text).c_str())));
}

// The position a "%d" text holds; false for any other form (a sign before
// 0, leading zeros or blanks, anything after the digits).
bool parsePosition(const char* text, long* position) {
  const char* digits = text[0] == '-' ? text + 1 : text;
  if (!g_ascii_isdigit(digits[0]) || (digits[0] == '0' && (digits[1] || digits != text)))
    return false;
  for (const char* p = digits; *p; ++p)
    if (!g_ascii_isdigit(*p) || p - digits > 9) return false;
  *position = std::strtol(text, nullptr, 10);
  return true;
}

}  // namespace

// Cut short, made valid UTF-8 and with its control characters escaped, so
// that no long string or control character reaches a message or the
// journal (other characters show as they are).
std::string HLQ_QuotedText(const char* text) {
  constexpr size_t kShown = 32;
  static const std::string kNotEscaped = [] {
    std::string bytes;
    for (int c = 0x80; c <= 0xff; ++c) bytes += static_cast<char>(c);
    return bytes;
  }();
  std::string cut(text ? text : "", 0, kShown);
  g_autofree gchar* valid = g_utf8_make_valid(cut.c_str(), -1);
  g_autofree gchar* escaped = g_strescape(valid, kNotEscaped.c_str());
  std::string shown = std::string("\"") + escaped + "\"";
  if (text && std::strlen(text) > kShown) shown += "...";
  return shown;
}

bool HLQ_CheckPosition(const char* text, int count, std::string* err) {
  long position = 0;
  if (text && parsePosition(text, &position) && position >= -1 && position < count) return true;
  // TRANSLATORS: %s is the text refused; %d is the last position of the list.
  return HLQ_Failed(err, HLQ_OwnedText(g_strdup_printf(_("%s is not a position in this list (-1 "
                                                         "for none, or 0 to %d)"),
                                                       HLQ_QuotedText(text).c_str(), count - 1)));
}

bool HLQ_CheckStoredText(const HLQStoredValue& value, const char* text, std::string* err) {
  if (!text) return HLQ_Failed(err, _("no value was given"));
  switch (value.rule) {
    case HLQRuleKind::Port: return checkPort(value, text, err);
    case HLQRuleKind::DeviceBool: return checkBool(text, "1", "0", err);
    case HLQRuleKind::LoggingBool: return checkBool(text, "true", "false", err);
    case HLQRuleKind::Position: return HLQ_CheckPosition(text, value.choiceCount, err);
    case HLQRuleKind::Sentinel: return checkSentinel(text, err);
    case HLQRuleKind::WrapperText: return checkWrapper(text, err);
    case HLQRuleKind::UsbId: return checkUsbId(text, err);
    case HLQRuleKind::Serial: return checkSerial(text, err);
  }
  return HLQ_Failed(err, _("no page stores this value"));
}
