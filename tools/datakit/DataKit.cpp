#include "DataKit.h"

#include "SongSource.h"
#include "XmWriter.h"
#include "data/FileBytes.h"
#include "data/PackWriter.h"

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

bool DataKit::buildEntries(std::vector<DataKitEntry>& entries)
{
    entries.clear();
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
    for (const auto& [name, bytes] : {std::pair<const char*, const std::vector<uint8_t>&>{"kv-lorn.xm", song},
                                      {"glimmerok.dat", pack}}) {
        const std::string path = outDir + "/" + name;
        if (!writeFileAtomically(path, bytes)) {
            m_error = "cannot write " + path;
            return false;
        }
    }
    return true;
}
