// The printer's code page selector: the 26 predefined names, or the list the
// daemon publishes for a printer of the code page vendor in emulation mode 0.
#pragma once

#include <cstdint>

#include "app/registries.h"
#include "devices/codepage_list.h"
#include "devices/supported_device.h"


// The active position of the emulation mode selector.
extern int32_t emm_index;

// Appends the printer's own code pages and "Printer Default"; nothing at all
// when the record cannot be read. Does not clear the selector first.
void ReadCodePages(HLQComboBoxes* combos);

// Clears the code page selector and fills it from the source that applies.
void PopulateCodepageCB(const SupportedDeviceInfo* printer, HLQComboBoxes* combos);

// Rediscovers the printer, records `mode` in emm_index, refills the
// selector and selects position 1.
void UpdateCodepageCB(HLQComboBoxes* combos, int32_t mode);
