// A text GLib allocated (g_strdup_printf and the like) as a std::string,
// freed at once: for the messages put together with GLib's formatting.
#pragma once

#include <glib.h>

#include <string>

inline std::string HLQ_OwnedText(gchar* text) {
  g_autofree gchar* owned = text;
  return owned ? owned : "";
}
