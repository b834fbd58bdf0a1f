// The caller's language for the reasons that one call of the helper gives:
// the messages of this thread follow the named locale while the object
// lives. The helper's own environment says nothing of the caller's.
#pragma once

#include <locale.h>

class CallerLocale {
 public:
  // `name` must have passed HLQ_RefusalOfLocale; "" or a locale this system
  // does not have leaves the messages untranslated.
  explicit CallerLocale(const char* name);
  ~CallerLocale();
  CallerLocale(const CallerLocale&) = delete;
  CallerLocale& operator=(const CallerLocale&) = delete;

 private:
  locale_t locale_ = nullptr;
  locale_t previous_ = nullptr;
};
