// A field as the page labels it, for the messages that name one: the text
// of the label beside it (or a check box's own), without its mnemonic mark
// or colon, after the heading of the group that holds it ("Cash drawer 1 ›
// Product ID"), in the technician's language as the window shows it.
#pragma once

#include <gtk/gtk.h>

#include <string>

std::string HLQ_FieldLabel(GtkWidget* field);
