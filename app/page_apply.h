// One page's Apply, from its handler to its report. The values are taken
// from the widgets first (a page with a refused field, or with nothing
// changed, stops there: no file is read or written, no helper called); then what the file holds now is held against
// what the page read (asking before overwriting a value another program
// changed since); then the values are stored and the page reports as ever
// (the message box, the configuration changed flag when anything was
// stored). Where the privileged helper reads or stores for the window, its
// calls do not wait: the page shows that it is waiting, and its report
// comes when the helper answers. Where the window works on the file
// itself, everything happens before this returns.
#pragma once

#include "model/page_model.h"
#include "pages/page_writes.h"

void HLQ_ApplyPage(const HLQPageWrites& writes, const char* successText, const char* title);
