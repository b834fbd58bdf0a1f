#include "config/held_store.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include "config/file_lock.h"

namespace {

// The first held text the file does not hold any more, or nullptr.
const HLQHeldText* changedText(const HLQFileValues& now, const std::vector<HLQHeldText>& held) {
  for (size_t i = 0; i < held.size(); ++i)
    if (now.values[i].text != held[i].text) return &held[i];
  return nullptr;
}

}  // namespace

bool HLQ_StoreValuesIfHeld(const char* file, const std::vector<HLQValueToStore>& values,
                           const std::vector<HLQHeldText>& held,
                           std::vector<WriteResult>* results, std::string* err) {
  // The store below takes the same lock on this thread: it shares this one.
  HLQFileLock lock(file);
  std::string why = lock.problem();
  if (why.empty() && !held.empty()) {
    std::vector<HLQValueAddress> addresses;
    for (const HLQHeldText& text : held)
      addresses.push_back({text.section, text.key, text.attribute});
    const HLQFileValues now = HLQ_ReadValuesOnce(file, addresses);
    const HLQHeldText* changed = now.loaded ? changedText(now, held) : nullptr;
    if (!now.loaded)
      why = now.reason;
    else if (changed) {
      // TRANSLATORS: the element path of the value another program changed.
      g_autofree gchar* reason = g_strdup_printf(
          _("another program changed VCP/%s/%s since it was read; nothing was written, "
            "try again"),
          changed->section, changed->key);
      why = reason;
    }
  }
  if (!why.empty()) {
    results->assign(values.size(), WriteResult{WriteStatus::SaveFailed, why});
    if (err) *err = why;
    return false;
  }
  *results = HLQ_StoreValuesInOneSave(file, values);
  return true;
}
