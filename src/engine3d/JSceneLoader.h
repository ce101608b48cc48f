#pragma once
// Reads a version-5 scene text line by line into a JScene: items, motions, bones, parents, texture
// references, then prepares the skeletons. One load per loader object.

#include "data/PackFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class Console;
class JBone;
class JEnvelope;
class JItem;
class JScene;
class JSkeleton;
class JSurfaceList;

class JSceneLoader {
public:
    static constexpr int kLineCapacity = 1024; // longer lines are cut here
    static constexpr int kMaxTokens = 20;      // further tokens of a line are dropped
    static constexpr int kMaxItems = 1024;     // the item table numbering the parents
    static constexpr int kMaxBones = 1024;     // the bones of all objects
    static constexpr int32_t kMaxKeys = 100000;

    JSceneLoader(JScene& scene, JSurfaceList* surfaces, Console& console);
    ~JSceneLoader();
    JSceneLoader(const JSceneLoader&) = delete;
    JSceneLoader& operator=(const JSceneLoader&) = delete;

    // 0 when the file cannot be opened (nothing changes), else 1.
    int load(const char* fileName);

private:
    struct ItemEntry {
        JItem* item;
        int32_t parent; // item-table index, -1 = none
    };
    struct BoneEntry {
        JBone* bone;
        JSkeleton* skeleton; // the object's skeleton: parents only among its own bones
        int32_t parent;      // bone-table index, -1 = none
    };

    // The next line with at least one token into m_tokens; false at the end of the file.
    bool nextLine();
    void tokenize();
    std::string_view token(int i) const { return i < m_tokenCount ? m_tokens[size_t(i)] : std::string_view(); }
    // Tokens 1.. joined by single spaces, at most 255 characters.
    const char* restOfLine();
    double decimal(int i) const;
    void say(const char* text);

    // Runs the action of the line's keyword; lines of other keywords are ignored.
    void dispatch();
    JItem* currentItem() const;
    // The current bone while its object is the current item, else null.
    JBone* currentBone() const;
    void boneName(JBone& bone);
    void boneRestLength(JBone& bone);
    void boneRestDirection(JBone& bone);
    void boneRestPosition(JBone& bone);
    void boneRestStrength(JBone& bone);
    void boneActive(JBone& bone);
    void scaleBoneStrength(JBone& bone);
    void boneFalloffType();
    void boneMotion();
    void lightColor();
    void lightIntensity();
    void itemName();
    void itemMotion();
    void framesPerSecond();
    void pivotPoint();
    void ambientIntensity();
    void loadObject();
    void addBone();
    void addNull();
    void addLight();
    void setLightType();
    void showCamera();
    void parentObject();
    // The whole motion block after its keyword; given to `target` (when there is one) as its motion.
    void readMotion(JItem* target);
    void finish();
    void linkItems();
    void linkBones();
    void resolveTextureReferences();
    void prepareSkeletons();

    // Takes ownership of a created item and makes it the current item with a table entry.
    JItem* adopt(std::unique_ptr<JItem> item, bool listed);
    bool inSceneList(const JItem* item) const;
    JItem* currentLight() const;

    JScene& m_scene;
    JSurfaceList* m_surfaces;
    Console& m_console;
    PackFile m_file;
    char m_line[kLineCapacity] = {};
    char m_rest[256] = {};
    std::array<std::string_view, kMaxTokens> m_tokens{};
    int m_tokenCount = 0;

    std::vector<ItemEntry> m_items;
    std::vector<BoneEntry> m_bones;
    std::vector<std::unique_ptr<JItem>> m_created; // every item made, until the scene list or `unlisted` takes it
    int32_t m_currentItem = -1;                    // item-table index
    int32_t m_currentBone = -1;                    // bone-table index
    int32_t m_boneBase = 0;
    int32_t m_falloff = 4;
    bool m_parenting = false;
};
