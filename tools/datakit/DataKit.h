#pragma once
// Makes the default show's data set from assets/: the song file and the picture archive's entries.

#include "Canvas.h"
#include "FontRenderer.h"
#include "PictureSet.h"

#include <cstdint>
#include <string>
#include <vector>

// One file for the archive: its entry name ("data\\tunnel_tmap.jpg") and bytes.
struct DataKitEntry {
    std::string name;
    std::vector<uint8_t> bytes;
};

class DataKit {
public:
    explicit DataKit(std::string assetsDir) : m_assets(std::move(assetsDir)) {}

    // The song compiled from assets/song/kv-lorn.song; empty with `error()` set on failure.
    std::vector<uint8_t> buildSong();
    // Every archive entry, in a fixed order; false with `error()` set on failure.
    bool buildEntries(std::vector<DataKitEntry>& entries);
    // The archive "glimmerok.dat" holding every entry; empty with `error()` set on failure.
    std::vector<uint8_t> buildPack();
    // Writes "kv-lorn.xm" and "glimmerok.dat" into `outDir`.
    bool writeAll(const std::string& outDir);

    // Writes every picture as a PNG into `dir`, named after its entry, for looking at.
    bool writePreviews(const std::string& dir);

    const std::string& error() const { return m_error; }

private:
    std::string m_assets;
    std::string m_error;
    FontRenderer m_bold;
    FontRenderer m_regular;
    bool m_fontsOpen = false;

    bool openFonts();
    bool drawPictures(std::vector<std::pair<PictureRecipe, Canvas>>& pictures);
};
