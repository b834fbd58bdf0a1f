// The one symbol of the helper module that the command line loads on
// demand: the bus client's table of calls.
#include <string>

#include "config/helper_calls.h"

extern "C" __attribute__((visibility("default"))) const HLQHelperCalls* hlqctl_helper_calls(
    std::string* err) {
  return HLQ_LinkedHelperCalls(err);
}
