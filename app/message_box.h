// The modal information box through which every page reports.
#pragma once

// Shows `message` (literally: a "%" stays a "%") in a modal dialog titled
// `title`, with one OK button and no parent; returns once it is dismissed.
void StatusMessageBox(const char* message, const char* title);
