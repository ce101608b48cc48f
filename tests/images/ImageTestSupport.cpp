#include "ImageTestSupport.h"

#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"

#include <cstring>
#include <sstream>

std::vector<uint8_t> fixtureBytes(const std::string& relativePath)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readWholeFile((std::string(KALVORA_TEST_DATA) + "/" + relativePath).c_str(), bytes)) << relativePath;
    return bytes;
}

bool readReference(const std::string& relativePath, ReferenceImage& image)
{
    const std::vector<uint8_t> bytes = fixtureBytes(relativePath);
    if (bytes.size() < 3 || bytes[0] != 'P')
        return false;
    const char kind = char(bytes[1]);
    size_t pos;
    int32_t maxValue = 0;
    if (kind == '5' || kind == '6') {
        // "P6\n<w> <h>\n255\n" then the samples.
        std::string text(bytes.begin(), bytes.begin() + ptrdiff_t(std::min<size_t>(bytes.size(), 64)));
        std::istringstream in(text.substr(2));
        in >> image.width >> image.height >> maxValue;
        pos = 2 + size_t(in.tellg()) + 1;
        image.channels = kind == '5' ? 1 : 3;
    } else if (kind == '7') {
        const std::string text(bytes.begin(), bytes.end());
        const size_t end = text.find("ENDHDR\n");
        if (end == std::string::npos)
            return false;
        std::istringstream in(text.substr(3, end - 3));
        std::string key;
        int32_t value;
        while (in >> key) {
            if (key == "TUPLTYPE") {
                in >> key;
                continue;
            }
            in >> value;
            if (key == "WIDTH")
                image.width = value;
            else if (key == "HEIGHT")
                image.height = value;
            else if (key == "DEPTH")
                image.channels = value;
            else if (key == "MAXVAL")
                maxValue = value;
        }
        pos = end + 7;
    } else {
        return false;
    }
    const size_t count = size_t(image.width) * size_t(image.height) * size_t(image.channels);
    if (maxValue != 255 || bytes.size() < pos + count)
        return false;
    image.samples.assign(bytes.begin() + ptrdiff_t(pos), bytes.begin() + ptrdiff_t(pos + count));
    return true;
}

void PictureTest::SetUp()
{
    m_platform.setQuiet(true);
    setPlatform(&m_platform);
    packArchive().clear();
}

void PictureTest::TearDown()
{
    packArchive().clear();
    setPlatform(nullptr);
}

void PictureTest::serve(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries)
{
    PackWriter writer;
    for (const auto& [name, bytes] : entries)
        ASSERT_TRUE(writer.add(name, bytes));
    packArchive().clear();
    packArchive().loadFromMemory(writer.bytes().data(), writer.bytes().size(), "glimmerok.dat");
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
