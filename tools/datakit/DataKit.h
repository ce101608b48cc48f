#pragma once
// Makes the default show's data set from assets/: the song file and the picture archive's entries.

#include "Canvas.h"
#include "FontRenderer.h"
#include "LwoObject.h"
#include "PictureSet.h"
#include "XmSong.h"

#include <cstdint>
#include <map>
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

    // The length in frames of each scene's section: from the sync that makes its effect current to
    // the next switch, at the scenes' 30 frames a second; by scene entry.
    static std::map<std::string, int32_t> sectionFrames(const XmSong& song);

    // Sources under the assets folder.
    static constexpr const char* kSongSource = "song/kv-lorn.song";
    static constexpr const char* kObjectsSource = "objects/objects.txt";
    static constexpr const char* kSceneSources[] = {"scenes/labyrinth.txt", "scenes/boneman.txt"};

private:
    std::string m_assets;
    std::string m_error;
    FontRenderer m_bold;
    FontRenderer m_regular;
    bool m_fontsOpen = false;

    bool openFonts();
    bool drawPictures(std::vector<std::pair<PictureRecipe, Canvas>>& pictures);
    bool readAsset(const std::string& relative, std::string& text);
    bool addObject(std::vector<DataKitEntry>& entries, const std::string& name, const LwoObject& object);
    bool addObjects(std::vector<DataKitEntry>& entries);
    bool addScenes(std::vector<DataKitEntry>& entries);
    // Runs the show's content rules over the entries; false with every broken rule in `error()`.
    bool check(const std::vector<DataKitEntry>& entries);

    // The sync commands (effect W) that switch to the scene effects and to the effects after them.
    static constexpr uint8_t kSyncEffect = 32;
    static constexpr int32_t kGreetingsSwitch = 96;
    static constexpr int32_t kKlamSwitch = 101;
    static constexpr int32_t kLabyrinthSwitch = 112;
    static constexpr int32_t kMetaballsSwitch = 129;
    static constexpr double kSceneFramesPerSecond = 30.0;
};
