// The daemon's code page record in shared memory: its layout and parser.
// Bytes 1-2 hold the length L (little-endian); entry k (1..29) is a code page
// number stored big-endian at offset 25 + 3(k-1), present when L >= 3k + 21.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr size_t HLQ_CODEPAGE_RECORD_SIZE = 512;
inline constexpr int HLQ_CODEPAGE_MAX_ENTRIES = 29;

// The printer's code page numbers from a 512-byte copy of the record.
std::vector<uint16_t> HLQ_ParseCodepageRecord(const uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]);

// Builds a record holding `codepages` (at most 29 are kept), as the daemon
// publishes it. Used by the stand-in publisher and the tests.
void HLQ_BuildCodepageRecord(const std::vector<uint16_t>& codepages,
                             uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]);

// Copies the shared memory object `name` into `record`: only as many bytes as
// the object holds (the rest reads as zero). False, with `record` all zero,
// when it cannot be opened without waiting, is not a regular file or cannot
// be read. Never blocks and releases its descriptor before returning.
bool HLQ_CopyCodepageRecord(const char* name, uint8_t (&record)[HLQ_CODEPAGE_RECORD_SIZE]);
