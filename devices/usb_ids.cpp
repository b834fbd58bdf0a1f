#include "devices/usb_ids.h"

// The supported devices. A deployment keeps these tables in step with the
// devices it ships; the values here are this project's own placeholders.

const uint16_t HLQ_VENDOR_IDS[HLQ_VENDOR_ID_COUNT] = {
    0x1a0b,
    0x2c4e,
    0x3d71,
    0x4e92,  // its printers can publish their own code page list
};

// One model appears twice: it is listed under its old and new catalogue entry.
const uint16_t HLQ_PRINTER_PIDS[HLQ_PRINTER_PID_COUNT] = {
    0x0a01, 0x0a02, 0x0a03, 0x0a04, 0x0a05, 0x0a02, 0x00a7,
};

const uint16_t HLQ_CASHDRAWER_PIDS[HLQ_CASHDRAWER_PID_COUNT] = {
    0x0c01, 0x0c02, 0x0c03, 0x0c04, 0x0c05, 0x00c6,
};

const uint16_t HLQ_LINEDISPLAY_PIDS[HLQ_LINEDISPLAY_PID_COUNT] = {
    0x0d01, 0x0d02, 0x0d03, 0x0d04, 0x0d05, 0x00d6,
};
