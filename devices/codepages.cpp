// PLACEHOLDER: not built yet
#include "devices/codepages.h"
int32_t emm_index = 0;
void PopulateCodepageCB(const SupportedDeviceInfo*, HLQComboBoxes*) {}
void UpdateCodepageCB(HLQComboBoxes*, int32_t) {}
