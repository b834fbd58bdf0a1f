// The least a program can do to show the stored values: parse the daemon's
// two files with tinyxml2, as the configuration layer does, and end.
#include <tinyxml2.h>

#include <initializer_list>

#include "base/fixed_paths.h"

int main() {
  int failed = 0;
  for (const char* path : {HLQ_DeviceConfigPath(), HLQ_LoggingConfigPath()}) {
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    failed += doc.LoadFile(path) != tinyxml2::XML_SUCCESS;
  }
  return failed;
}
