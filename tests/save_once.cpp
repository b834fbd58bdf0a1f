// Stores one value through the configuration layer and says what the layer
// reported, for tests that watch the save from outside the process:
//
//   hlq_save_once FILE SECTION KEY VALUE
//
// prints "stored" or "not stored: REASON".
#include <cstdio>

#include "config/xml_config.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s FILE SECTION KEY VALUE\n", argv[0]);
    return 1;
  }
  HXMLWRAPPER config = xmlwrapper_create();
  WriteResult result = xmlwrapper_WriteXMLNodeValue(config, argv[1], argv[2], argv[3], argv[4]);
  xmlwrapper_destroy(config);
  std::printf("%s%s\n", result.stored() ? "stored" : "not stored: ", result.reason.c_str());
  return 0;
}
