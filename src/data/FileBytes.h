#pragma once
// Whole-file reading and writing for the archive, its plain-file fallback and the tools.

#include <cstdint>
#include <string>
#include <vector>

// Reads every byte of `fileName`; false when it cannot be opened or a read fails.
bool readWholeFile(const char* fileName, std::vector<uint8_t>& bytes);
// Writes `bytes` as the whole file; false unless every byte reached the disk.
bool writeWholeFile(const char* fileName, const uint8_t* bytes, size_t size);
