// Archives and pictures: an archive image read entry by entry, and one picture decoded by every loader.

#include "FuzzTargets.h"
#include "ShowFiles.h"

#include "data/Bitmap.h"
#include "data/ImageLoader.h"
#include "data/PackArchive.h"
#include "data/PackFile.h"

#include <vector>

namespace {

constexpr int32_t kChunk = 4096;

// Every read stays within the entry, and what the archive lacks reads as zeros.
void readEntry(const PackArchive& archive, const PackArchive::Entry& entry, std::vector<uint8_t>& buffer)
{
    PackFile file(archive);
    if (!file.open(entry.storedName))
        return;
    buffer.assign(kChunk, 0xEE);
    int64_t at = 0;
    for (int32_t got; (got = file.read(buffer.data(), kChunk)) > 0; at += got) {
        fuzzRequire(got <= kChunk && at + got <= entry.length, "reads stay inside the entry");
        for (int32_t i = 0; i < got; ++i)
            if (at + i >= entry.present)
                fuzzRequire(buffer[size_t(i)] == 0, "bytes past what is present read as zeros");
            else
                fuzzRequire(buffer[size_t(i)] == entry.data[at + i], "reads return the entry's bytes");
    }
    file.seek(0);
    char line[64];
    while (!file.endOfFile()) {
        const int32_t before = file.position();
        file.readLine(line, sizeof line);
        fuzzRequire(file.position() > before, "read-line always progresses");
    }
}

void checkPicture(int loaded, const Bitmap& image)
{
    if (!loaded) {
        fuzzRequire(image.pixels() == nullptr && image.width() == 0, "a failed picture is empty");
        return;
    }
    fuzzRequire(image.format() == Bitmap::FormatXrgb32 && image.pitch() == 4 * image.width(),
                "a picture is 32-bit with pitch 4 x width");
    fuzzRequire(int64_t(image.width()) * image.height() <= kMaxImagePixels, "a picture keeps the pixel cap");
}

} // namespace

int fuzzPack(const uint8_t* data, size_t size)
{
    PackArchive archive;
    archive.loadFromMemory(data, size, "fuzz.dat");
    std::vector<uint8_t> buffer;
    for (int32_t i = 0; i < archive.count(); ++i) {
        const PackArchive::Entry& entry = archive.entry(i);
        fuzzRequire(entry.present >= 0 && entry.present <= entry.length, "present bytes within the length");
        // Names can repeat: a name opens the first entry that has it.
        const PackArchive::Entry* first = archive.find(entry.storedName);
        fuzzRequire(first != nullptr, "every entry is found by its name");
        readEntry(archive, *first, buffer);
    }
    return 0;
}

int fuzzPicture(const uint8_t* data, size_t size)
{
    const FuzzEntry entries[] = {{"p.tga", data, size}, {"p.bmp", data, size}, {"p.jpg", data, size}};
    fuzzUseArchive(entries, 3);
    Bitmap tga, bmp, jpeg;
    checkPicture(loadTga(tga, "p.tga"), tga);
    checkPicture(loadBmp(bmp, "p.bmp"), bmp);
    checkPicture(loadJpeg(jpeg, "p.jpg"), jpeg);
    return 0;
}
