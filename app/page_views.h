// What the window adds to each page beyond the fields of the UI file: a
// notice that the page's file could not be read, with a button to read it
// again, and a spinner with a status line while a call to the privileged
// helper waits for its answer. The page's state (not read, waiting)
// decides what of it the technician may use: a page not read shows no
// usable field and cannot store; a waiting page cannot be applied again or
// reset. Closing the window is held while any call waits.
//
// Every function here does nothing for a page without a view, so that the
// pages also work on a window whose views were not built.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "model/page_model.h"

// The IDs the views need from the UI file (each page's box and buttons)
// that the builder lacks, as HLQCT_WidgetProblem names them.
std::vector<std::string> HLQ_PageViewProblems(GtkBuilder* builder);

// Adds the notice and the status line to each page. "Try again" runs
// `readAgain` for its page.
void HLQ_BuildPageViews(GtkBuilder* builder, void (*readAgain)(HLQPage page));
void HLQ_ForgetPageViews();

// The page's file (`path`) could not be read, for `reason`: the notice says
// so, the fields and the Apply, Default and Clear buttons are insensitive.
void HLQ_ShowUnread(HLQPage page, const std::string& path, const std::string& reason);
// The page shows what its file holds: the notice goes, the page is usable.
void HLQ_ShowRead(HLQPage page);
// Whether the page is shown as not read; `notice` gets the notice's text.
bool HLQ_IsUnread(HLQPage page, std::string* notice);

// Why a field of the page cannot be stored ("" once none is refused): the
// page shows it above its buttons and its Apply is insensitive meanwhile.
void HLQ_ShowRefused(HLQPage page, const std::string& reason);

// A call to the helper on the page's behalf started, or ended.
void HLQ_BeginWaiting(HLQPage page);
void HLQ_EndWaiting(HLQPage page);
bool HLQ_IsWaiting(HLQPage page);
bool HLQ_AnyWaiting();

// Closing the main window while a call waits keeps it open; once no call
// waits any more, HLQ_CloseIfAsked (called after each answer's report)
// closes it, so that nothing is left on its way to the helper when the
// restart question comes.
void HLQ_HoldCloseWhileWaiting(GtkWidget* window);
void HLQ_CloseIfAsked();
