#pragma once
// Shared by the picture tests: fixtures served through the process-wide archive, reference decodes.

#include "platform/OfflinePlatform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> fixtureBytes(const std::string& relativePath);

// A decode to compare with: rows of RGB or RGBA bytes, read from a binary PGM, PPM or PAM file.
struct ReferenceImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0; // 1 grey, 3 RGB, 4 RGBA
    std::vector<uint8_t> samples;
};
bool readReference(const std::string& relativePath, ReferenceImage& image);

// Installs a quiet offline platform (message boxes are recorded) and an archive that each test
// fills with its own entries; both are removed again afterwards.
class PictureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Replaces the archive's contents with these entries.
    void serve(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);
    void serve(const std::string& name, const std::vector<uint8_t>& bytes) { serve({{name, bytes}}); }

    OfflinePlatform m_platform;
};

// Little-endian writers for building files in tests.
void put16(std::vector<uint8_t>& out, uint32_t v);
void put32(std::vector<uint8_t>& out, uint32_t v);
