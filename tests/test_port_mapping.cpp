#include "devices/port_mapping.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(PortMapping, EveryStoredPortMapsToItsSelectorPosition) {
  const struct {
    const char* text;
    int32_t position;
  } table[] = {
      {" ", 0},
      {"/dev/ttyS10", 1}, {"/dev/ttyS11", 2}, {"/dev/ttyS12", 3},  // printer
      {"/dev/ttyS15", 1}, {"/dev/ttyS16", 2}, {"/dev/ttyS17", 3},  // cash drawer
      {"/dev/ttyS18", 1}, {"/dev/ttyS19", 2},                      // line display
      {"/dev/ttyS20", 1}, {"/dev/ttyS21", 2},                      // MSR
  };
  for (const auto& row : table)
    EXPECT_EQ(HLQCT_DevicePortIndexParsing(row.text), row.position) << '"' << row.text << '"';
}

TEST(PortMapping, TextOutsideTheTableSelectsNone) {
  for (const char* text : {"", "None", "none", "/dev/ttyS13", "/dev/ttyS14", "/DEV/TTYS10",
                           "/dev/ttys10", "/dev/ttyS1", "/dev/ttyS", "/dev/ttyS10 ", " /dev/ttyS10",
                           "  ", "/dev/ttyS100", "ttyS10"})
    EXPECT_EQ(HLQCT_DevicePortIndexParsing(text), 0) << '"' << text << '"';
  EXPECT_EQ(HLQCT_DevicePortIndexParsing(nullptr), 0);
}

TEST(PortMapping, AbsentValueSelectsNoneAndPresentOneIsMapped) {
  EXPECT_EQ(HLQCT_PortPosition(std::nullopt), 0);
  EXPECT_EQ(HLQCT_PortPosition(std::string()), 0);
  EXPECT_EQ(HLQCT_PortPosition(std::string("/dev/ttyS19")), 2);
  EXPECT_EQ(HLQCT_PortPosition(std::string("/dev/ttyS17")), 3);
}

TEST(PortMapping, OnlyExactNoneIsStoredAsABlank) {
  EXPECT_EQ(HLQCT_PortTextToStore("None"), " ");
  EXPECT_EQ(HLQCT_PortTextToStore(nullptr), " ");  // selector without an active item
  for (const char* text : {"none", "None ", " None", "NONE", "/dev/ttyS10", "/dev/ttyS21", ""})
    EXPECT_EQ(HLQCT_PortTextToStore(text), text) << '"' << text << '"';
}

TEST(PortMapping, WhatIsStoredForAnItemSelectsThatItemAgain) {
  const char* printerItems[] = {"None", "/dev/ttyS10", "/dev/ttyS11", "/dev/ttyS12"};
  for (int32_t position = 0; position < 4; ++position) {
    const std::string stored = HLQCT_PortTextToStore(printerItems[position]);
    EXPECT_EQ(HLQCT_DevicePortIndexParsing(stored.c_str()), position) << printerItems[position];
  }
}
