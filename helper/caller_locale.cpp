#include "helper/caller_locale.h"

CallerLocale::CallerLocale(const char* name) {
  if (!name || !*name) return;
  // Only the messages follow the caller: the character set stays the
  // helper's UTF-8, which is what the reasons are sent in.
  locale_t base = duplocale(LC_GLOBAL_LOCALE);
  if (!base) return;
  locale_ = newlocale(LC_MESSAGES_MASK, name, base);
  if (!locale_) {
    freelocale(base);
    return;
  }
  previous_ = uselocale(locale_);
}

CallerLocale::~CallerLocale() {
  if (!locale_) return;
  uselocale(previous_);
  freelocale(locale_);
}
