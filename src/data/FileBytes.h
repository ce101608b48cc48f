#pragma once
// Whole-file reading and writing for the archive, its plain-file fallback and the tools.

#include <cstdint>
#include <string>
#include <vector>

// Reads every byte of `fileName`; false when it is not a regular file (a directory, a pipe, a device),
// holds more than `maxBytes`, cannot be opened, or a read or the allocation fails. The size is checked
// before anything is read, so a pipe never blocks and a huge file is never read.
bool readWholeFile(const char* fileName, std::vector<uint8_t>& bytes, uint64_t maxBytes = UINT64_MAX);
// Writes `bytes` as the whole file; false unless every byte reached the disk.
bool writeWholeFile(const char* fileName, const uint8_t* bytes, size_t size);
