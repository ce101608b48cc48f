#include "DataKit.h"

#include "FontRenderer.h"
#include "ImageEncoders.h"
#include "PictureSet.h"
#include "SongSource.h"
#include "XmWriter.h"
#include "data/Bitmap.h"
#include "data/FileBytes.h"
#include "data/PackWriter.h"
#include "data/PngWriter.h"

#include <cstdio>

namespace {

// Written under a temporary name and renamed, so that a reader never sees half a file.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string temporary = path + ".part";
    if (!writeWholeFile(temporary.c_str(), bytes.data(), bytes.size())) {
        std::remove(temporary.c_str());
        return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

std::vector<uint8_t> DataKit::buildSong()
{
    std::vector<uint8_t> text;
    const std::string path = m_assets + "/song/kv-lorn.song";
    if (!readWholeFile(path.c_str(), text)) {
        m_error = "cannot read " + path;
        return {};
    }
    SongSource source;
    XmSong song;
    if (!source.compile(std::string(text.begin(), text.end()), song)) {
        m_error = path + ": " + source.error();
        return {};
    }
    XmWriter writer;
    std::vector<uint8_t> bytes = writer.write(song);
    if (bytes.empty()) {
        m_error = "kv-lorn.xm: " + writer.error();
    }
    return bytes;
}

bool DataKit::openFonts()
{
    if (m_fontsOpen) {
        return true;
    }
    if (!m_bold.open(kFontBold) || !m_regular.open(kFontRegular)) {
        m_error = std::string("cannot open the fonts ") + kFontBold + " and " + kFontRegular + " (fonts-dejavu-core)";
        return false;
    }
    m_fontsOpen = true;
    return true;
}

bool DataKit::drawPictures(std::vector<std::pair<PictureRecipe, Canvas>>& pictures)
{
    pictures.clear();
    if (!openFonts()) {
        return false;
    }
    for (PictureRecipe& recipe : PictureSet::recipes()) {
        Canvas canvas = recipe.draw(m_bold, m_regular);
        if (canvas.width() != recipe.width || canvas.height() != recipe.height) {
            m_error = recipe.name + " came out at the wrong size";
            return false;
        }
        pictures.emplace_back(std::move(recipe), std::move(canvas));
    }
    return true;
}

// The archive's table: the pictures first; objects and scenes join it from assets/ as they are made.
bool DataKit::buildEntries(std::vector<DataKitEntry>& entries)
{
    entries.clear();
    std::vector<std::pair<PictureRecipe, Canvas>> pictures;
    if (!drawPictures(pictures)) {
        return false;
    }
    for (const auto& [recipe, canvas] : pictures) {
        DataKitEntry entry;
        entry.name = recipe.name;
        entry.bytes = recipe.format == PictureRecipe::Format::Tga ? encodeTga(canvas)
                                                                  : encodeJpeg(canvas, PictureSet::kJpegQuality);
        if (entry.bytes.empty()) {
            m_error = "cannot encode " + recipe.name;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

bool DataKit::writePreviews(const std::string& dir)
{
    std::vector<std::pair<PictureRecipe, Canvas>> pictures;
    if (!drawPictures(pictures)) {
        return false;
    }
    for (const auto& [recipe, canvas] : pictures) {
        Bitmap image(canvas.width(), canvas.height(), Bitmap::FormatXrgb32);
        const std::vector<uint8_t> rgb = canvas.rgb8();
        for (int32_t y = 0; y < canvas.height(); ++y) {
            uint32_t* row = image.row32(y);
            for (int32_t x = 0; x < canvas.width(); ++x) {
                const size_t at = static_cast<size_t>(y * canvas.width() + x) * 3;
                row[x] = static_cast<uint32_t>(rgb[at]) << 16 | static_cast<uint32_t>(rgb[at + 1]) << 8 | rgb[at + 2];
            }
        }
        std::string file = recipe.name.substr(recipe.name.find('\\') + 1);
        file = file.substr(0, file.rfind('.')) + ".png";
        if (!writePng(dir + "/" + file, image)) {
            m_error = "cannot write " + dir + "/" + file;
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> DataKit::buildPack()
{
    std::vector<DataKitEntry> entries;
    if (!buildEntries(entries)) {
        if (m_error.empty()) {
            m_error = "cannot build the archive entries";
        }
        return {};
    }
    PackWriter pack;
    for (const DataKitEntry& entry : entries) {
        if (!pack.add(entry.name, entry.bytes)) {
            m_error = "cannot pack " + entry.name;
            return {};
        }
    }
    return pack.bytes();
}

bool DataKit::writeAll(const std::string& outDir)
{
    m_error.clear();
    const std::vector<uint8_t> song = buildSong();
    const std::vector<uint8_t> pack = m_error.empty() ? buildPack() : std::vector<uint8_t>{};
    if (!m_error.empty()) {
        return false;
    }
    for (const auto& [name, bytes] :
         {std::pair<const char*, const std::vector<uint8_t>&>{"kv-lorn.xm", song}, {"glimmerok.dat", pack}}) {
        const std::string path = outDir + "/" + name;
        if (!writeFileAtomically(path, bytes)) {
            m_error = "cannot write " + path;
            return false;
        }
    }
    return true;
}
