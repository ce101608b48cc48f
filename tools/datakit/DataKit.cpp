#include "DataKit.h"

#include "FontRenderer.h"
#include "ImageEncoders.h"
#include "ObjectSource.h"
#include "PictureSet.h"
#include "SceneSource.h"
#include "SceneTextures.h"
#include "ShowCheck.h"
#include "SongSource.h"
#include "XmWriter.h"
#include "data/Bitmap.h"
#include "data/FileBytes.h"
#include "data/PackWriter.h"
#include "data/PngWriter.h"

#include <cmath>
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
    const std::string path = m_assets + "/" + kSongSource;
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
    std::vector<PictureRecipe> recipes = PictureSet::recipes();
    for (PictureRecipe& extra : SceneTextures::recipes()) {
        recipes.push_back(std::move(extra));
    }
    for (PictureRecipe& recipe : recipes) {
        Canvas canvas = recipe.draw(m_bold, m_regular);
        if (canvas.width() != recipe.width || canvas.height() != recipe.height) {
            m_error = recipe.name + " came out at the wrong size";
            return false;
        }
        pictures.emplace_back(std::move(recipe), std::move(canvas));
    }
    return true;
}

// The archive's table: the pictures, then the single objects, then each scene and the objects it loads.
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
    return addObjects(entries) && addScenes(entries) && check(entries);
}

bool DataKit::readAsset(const std::string& relative, std::string& text)
{
    std::vector<uint8_t> bytes;
    const std::string path = m_assets + "/" + relative;
    if (!readWholeFile(path.c_str(), bytes)) {
        m_error = "cannot read " + path;
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool DataKit::addObject(std::vector<DataKitEntry>& entries, const std::string& name, const LwoObject& object)
{
    DataKitEntry entry{name, object.bytes()};
    if (entry.bytes.empty()) {
        m_error = name + ": the object does not fit the LWOB format";
        return false;
    }
    entries.push_back(std::move(entry));
    return true;
}

bool DataKit::addObjects(std::vector<DataKitEntry>& entries)
{
    std::string text;
    if (!readAsset(kObjectsSource, text)) {
        return false;
    }
    ObjectSource source;
    std::vector<std::pair<std::string, LwoObject>> objects;
    if (!source.build(text, objects)) {
        m_error = m_assets + "/" + kObjectsSource + ": " + source.error();
        return false;
    }
    for (const auto& [name, object] : objects) {
        if (!addObject(entries, name, object)) {
            return false;
        }
    }
    return true;
}

bool DataKit::addScenes(std::vector<DataKitEntry>& entries)
{
    for (const char* file : kSceneSources) {
        std::string text;
        if (!readAsset(file, text)) {
            return false;
        }
        SceneSource source;
        if (!source.build(text)) {
            m_error = m_assets + "/" + file + ": " + source.error();
            return false;
        }
        for (const auto& [name, object] : source.objects()) {
            if (!addObject(entries, name, object)) {
                return false;
            }
        }
        const std::string scene = source.scene().text();
        entries.push_back({source.sceneEntry(), std::vector<uint8_t>(scene.begin(), scene.end())});
    }
    return true;
}

std::map<std::string, int32_t> DataKit::sectionFrames(const XmSong& song)
{
    // Row of every sync command in play order, and the seconds it starts at.
    std::map<int32_t, double> at;
    double seconds = 0.0;
    const double rowSeconds = song.speed * 2.5 / song.tempo;
    for (uint8_t order : song.orders) {
        const XmPattern& pattern = song.patterns[order];
        for (int32_t row = 0; row < pattern.rows; ++row, seconds += rowSeconds) {
            for (int32_t c = 0; c < song.channels; ++c) {
                const XmCell& cell = pattern.at(row, c, song.channels);
                if (cell.effect == kSyncEffect && !at.contains(cell.param)) {
                    at[cell.param] = seconds;
                }
            }
        }
    }
    std::map<std::string, int32_t> frames;
    const auto section = [&](const char* scene, int32_t from, int32_t to) {
        if (at.contains(from) && at.contains(to)) {
            frames[scene] = static_cast<int32_t>(std::ceil((at[to] - at[from]) * kSceneFramesPerSecond - 1e-9));
        }
    };
    section(ShowCheck::kBoneManScene, kGreetingsSwitch, kKlamSwitch);
    section(ShowCheck::kLabyrinthScene, kLabyrinthSwitch, kMetaballsSwitch);
    return frames;
}

bool DataKit::check(const std::vector<DataKitEntry>& entries)
{
    std::string text;
    if (!readAsset(kSongSource, text)) {
        return false;
    }
    SongSource source;
    XmSong song;
    if (!source.compile(text, song)) {
        m_error = m_assets + "/" + kSongSource + ": " + source.error();
        return false;
    }
    ShowCheck check(sectionFrames(song));
    const std::vector<std::string> failures = check.run(entries);
    for (const std::string& f : failures) {
        m_error += (m_error.empty() ? "" : "\n") + f;
    }
    return failures.empty();
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
