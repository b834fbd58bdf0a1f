// The endless, numbered sequence of configuration writes that the crash test's
// writer process makes, and the value every written item holds after any
// number of completed writes. Knowing exactly which writes finished lets the
// test demand one of just two states of the file after each kill.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/xml_config.h"

// One item of the device configuration file that the sequence writes: an
// element text, or an attribute of the element when `attribute` is set.
struct CrashWriteItem {
  const char* section;
  const char* key;
  const char* attribute;  // nullptr: the element's text
  const char* oldValue;
  const char* newValue;
};

// The items in the order they are written. Write n changes item
// n % HLQCrash_ItemCount(); the first pass over the items writes the new
// values, the second the old ones, and so on.
const CrashWriteItem& HLQCrash_Item(size_t index);
size_t HLQCrash_ItemCount();

// The value that item `index` holds once the first `done` writes of the
// sequence have completed, starting from a file holding every old value.
const char* HLQCrash_ValueAfter(size_t index, uint64_t done);

// Performs write number `n` (counted from 0) of the sequence on `file`.
WriteResult HLQCrash_Write(HXMLWRAPPER config, const char* file, uint64_t n);
