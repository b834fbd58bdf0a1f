// The question an Apply asks before it overwrites values that another
// program changed since the page read them: each value named, with what the
// file holds now and what the page would store. Modal, without a parent,
// like the message box.
#pragma once

#include <string>
#include <vector>

struct HLQOverwrite {
  std::string name;  // as the page names the value
  std::string now;   // what the file holds
  std::string page;  // what the page would store
};

// True when the technician answers Yes; No (the default) and closing the
// question give false.
bool HLQ_AskToOverwrite(const std::vector<HLQOverwrite>& values, const char* title);
