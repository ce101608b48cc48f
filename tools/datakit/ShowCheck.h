#pragma once
// Checks the show's objects and scenes against the rules the effects' constants and the engine's
// loaders impose; each broken rule is reported as "ENTRY: rule".

#include "DataKit.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ShowCheck {
public:
    // The length in frames (30 a second) of each scene's section of the show, by scene entry.
    explicit ShowCheck(std::map<std::string, int32_t> sectionFrames) : m_sectionFrames(std::move(sectionFrames)) {}

    // Every broken rule of the objects and scenes among `entries`; empty when all hold. Scene textures
    // are decoded through the global pack archive, which is left empty.
    std::vector<std::string> run(const std::vector<DataKitEntry>& entries);

    // Archive entries of the objects and scenes the effects load.
    static const char* const kWaterObject;
    static const char* const kCageObject;
    static const char* const kCubeObject;
    static const char* const kLabyrinthScene;
    static const char* const kBoneManScene;
    static std::string showObject(int32_t number); // 1..4

private:
    std::map<std::string, int32_t> m_sectionFrames;
    std::vector<std::string> m_failures;
    const std::vector<DataKitEntry>* m_entries = nullptr;

    void fail(const std::string& entry, const std::string& rule);
    const DataKitEntry* find(const std::string& name) const;
    // The rules of the water object, the cage, the cube and the show objects, by entry name.
    void checkSingleObject(const std::string& name);
    // Syntax, items, motions and bones of a scene, then the objects and textures it loads.
    void checkScene(const std::string& name);
};
