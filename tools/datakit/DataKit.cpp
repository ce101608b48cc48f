#include "DataKit.h"

#include "SongSource.h"
#include "XmWriter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

bool readWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return !in.bad();
}

bool writeFileIfChanged(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string old;
    if (readWholeFile(path, old) && old.size() == bytes.size() &&
        std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const uint8_t*>(old.data()))) {
        return true;
    }
    // Written under a temporary name and renamed, so a reader never sees half a file.
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::vector<uint8_t> DataKit::buildSong()
{
    std::string text;
    const std::string path = m_assets + "/song/kv-lorn.song";
    if (!readWholeFile(path, text)) {
        m_error = "cannot read " + path;
        return {};
    }
    SongSource source;
    XmSong song;
    if (!source.compile(text, song)) {
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

bool DataKit::writeAll(const std::string& outDir)
{
    const std::vector<uint8_t> song = buildSong();
    if (song.empty()) {
        return false;
    }
    if (!writeFileIfChanged(outDir + "/kv-lorn.xm", song)) {
        m_error = "cannot write " + outDir + "/kv-lorn.xm";
        return false;
    }
    return true;
}
