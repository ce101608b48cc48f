// The scene text loader: lines, keywords, motions, parents, lights, messages, and bad input.

#include "SceneFiles.h"

#include "LwoBuilder.h"
#include "MazeScene.h"
#include "engine3d/JBone.h"
#include "engine3d/JCamera.h"
#include "engine3d/JDistantLight.h"
#include "engine3d/JEnvelope.h"
#include "engine3d/JMesh.h"
#include "engine3d/JPointLight.h"
#include "engine3d/JScene.h"
#include "engine3d/JSkeleton.h"
#include "engine3d/JSurfaceList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

namespace {

// A motion block of `keys` keys whose position x is the key's frame.
std::string motion(const char* keyword, int keys, const char* end = "EndBehavior 2\n")
{
    std::string s = std::string(keyword) + " (unnamed)\n9\n" + std::to_string(keys) + "\n";
    for (int k = 0; k < keys; ++k)
        s += std::to_string(k * 10) + ".0 0 0 0 0 0 1 1 1\n" + std::to_string(k * 10) + " 0 0 0 0\n";
    return s + end;
}

const char* const kItemsScene = "LWSC\n1\n\nFramesPerSecond 25\n"
                                "AddNullObject First Null\n"
                                "AddNullObject Second\nParentObject 1\n"
                                "AddLight\n\nLightName Untyped\n" // a blank line: no second light
                                "AddLight\nLightName Key\nLightColor 10 20 300\nLightType 1\nLightType 0\n"
                                "ShowCamera 1 7\nParentObject 3\n";

struct Loaded {
    RecordingConsole console;
    JSurfaceList surfaces{60};
    JScene scene{256};
    int result = 0;
    explicit Loaded(const char* name, const char* referenceName = "")
    {
        std::strcpy(surfaces.findOrAdd("Marked")->referenceName, referenceName);
        result = scene.load(name, &surfaces, console);
    }
    JItem* item(int i) const { return scene.items[size_t(i)]; }
};

std::string transcript(const RecordingConsole& console)
{
    std::string all;
    for (const auto& piece : console.pieces)
        all += piece + "|";
    return all;
}

std::string withCrLf(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

} // namespace

TEST(SceneLoader, ItemsLightsAndParentsAsTheFileSays)
{
    SceneFolder folder;
    folder.write("a.lws", std::string(kItemsScene) + "AddNullObject Second\nAmbIntensity 0.250000"); // no line end
    Loaded a("a.lws", "Second");
    ASSERT_EQ(a.result, 1);
    EXPECT_EQ(a.scene.framesPerSecond, 25.0f);
    EXPECT_EQ(a.scene.ambient, 0.25f) << "the last line without a line end is read";
    ASSERT_EQ(a.scene.count, 5); // three nulls, the typed light, the camera
    EXPECT_EQ(a.surfaces.find("Marked")->referenceItem, a.item(4))
        << "of two items named alike the last is the reference";
    EXPECT_STREQ(a.item(0)->name, "First Null");
    EXPECT_EQ(a.item(1)->parent, a.item(0));
    EXPECT_EQ(a.item(0)->parent, nullptr);
    // The light without a type line is only in the item table, and can still be a parent.
    ASSERT_EQ(a.scene.unlisted.size(), 1u);
    EXPECT_STREQ(a.scene.unlisted[0]->name, "Untyped");
    EXPECT_EQ(a.item(3)->parent, a.scene.unlisted[0].get());
    // A second type line replaces the light where it stands, keeping what the file gave it.
    const auto* light = dynamic_cast<const JDistantLight*>(a.item(2));
    ASSERT_NE(light, nullptr);
    EXPECT_STREQ(light->name, "Key");
    EXPECT_EQ(light->lightBlue, 255);
    EXPECT_EQ(light->lightGreen, 20);
    EXPECT_EQ(a.scene.findCamera(), a.item(3));
}

TEST(SceneLoader, CrLfAndLfGiveTheSameSceneAndMessages)
{
    SceneFolder folder;
    const std::string text = std::string(kItemsScene) + motion("CameraMotion", 3) + "AmbIntensity 0.5\n";
    folder.write("lf.lws", text);
    folder.write("crlf.lws", withCrLf(text));
    Loaded lf("lf.lws"), crlf("crlf.lws");
    EXPECT_EQ(transcript(lf.console), transcript(crlf.console));
    ASSERT_EQ(lf.scene.count, crlf.scene.count);
    const JItem* camera = crlf.scene.findCamera();
    ASSERT_TRUE(camera && camera->positionEnvelope);
    EXPECT_EQ(camera->positionEnvelope->count, 3);
    EXPECT_EQ(camera->positionEnvelope->endBehaviour, JEnvelope::kEndRepeat);
}

TEST(SceneLoader, MessagesArePiecesAsWritten)
{
    SceneFolder folder;
    folder.write("m.lws", "LoadObject objects\\missing.lwo\nPivotPoint 1 2 3\nAmbIntensity 0.300000\n"
                          "AddLight\nLightType 0\nLightName Sun\nParentObject 1\n");
    Loaded m("m.lws");
    EXPECT_EQ(transcript(m.console), "Loaded object \"|objects\\missing.lwo|\"!\n|"
                                     "Loading failed!! Deleting object...\n|Creating NULL\n|"
                                     "Pivot point record\n|Ambient = |0.300000|\n|curobj = new JLight()\n|"
                                     "ParentObject 1 -> 0\n|\n2 objects in parent list\n|"
                                     "Mainural object linking    \n|PARENT = Sun inherits objects\\missing.lwo\n|"
                                     "Bonal object linking    \n|");
    ASSERT_EQ(m.scene.count, 2);
    EXPECT_EQ(m.item(0)->type, JItem::kTypeNull) << "a failed object keeps its place as a null";
    EXPECT_EQ(m.item(0)->pivot.y, -2.0);
}

TEST(SceneLoader, MotionBlockEndsWithItsEndBehaviourLineOrUsesUpAnother)
{
    SceneFolder folder;
    folder.write("e.lws", "AddNullObject A\n" + motion("ObjectMotion", 2, "AddNullObject Lost\n") +
                              "AddNullObject B\n" + motion("ObjectMotion", 1) + motion("ObjectMotion", 2) +
                              "ObjectMotion (unnamed)\n9\nmany\n1 0 0 0 0 0 1 1 1\n");
    Loaded e("e.lws");
    ASSERT_EQ(e.scene.count, 2) << "the line after the keys is used up";
    EXPECT_EQ(e.item(0)->positionEnvelope->endBehaviour, JEnvelope::kEndStop);
    EXPECT_EQ(e.item(1)->positionEnvelope->count, 2) << "a second block replaces the first; a bad count ends one";
}

TEST(SceneLoader, ParentLinksThatMakeACycleAreRefused)
{
    SceneFolder folder;
    folder.write("c.lws", "AddNullObject A\nParentObject 3\nAddNullObject B\nParentObject 1\n"
                          "AddNullObject C\nParentObject 2\nAddNullObject D\nParentObject 4\n");
    Loaded c("c.lws");
    ASSERT_EQ(c.scene.count, 4);
    EXPECT_EQ(c.item(0)->parent, c.item(2)); // A under C is linked first
    EXPECT_EQ(c.item(1)->parent, c.item(0));
    EXPECT_EQ(c.item(2)->parent, nullptr); // C under B would close A -> C -> B -> A
    EXPECT_EQ(c.item(3)->parent, nullptr);
    c.scene.motionPass(0);
    c.scene.worldPass(); // ends
}

TEST(SceneLoader, KeyCountsAreCappedAndReadingStopsAtTheEnd)
{
    SceneFolder folder;
    std::string text = "AddNullObject A\nObjectMotion (unnamed)\n9\n100001\n";
    for (int k = 0; k <= 100000; ++k)
        text += "1 2 3 4 5 6 7 8 9\n" + std::to_string(k) + " 0 0 0 0\n";
    folder.write("k.lws", text + "AddNullObject B\nObjectMotion\n9\n999999999\n0 0 0 0 0 0 1 1 1\n0 0 0 0 0\n");
    Loaded k("k.lws");
    ASSERT_EQ(k.scene.count, 2) << "the 100001st key's lines are read as keywords";
    EXPECT_EQ(k.item(0)->positionEnvelope->count, 100000);
    EXPECT_EQ(k.item(1)->positionEnvelope->count, 1);
}

TEST(SceneLoader, TruncatedAndFlippedFilesLoadWithoutHarm)
{
    SceneFolder folder;
    std::string reason;
    ASSERT_EQ(writeMazeScene(folder.path().string(), reason), 1) << reason;
    std::vector<uint8_t> scene, object;
    readWholeFile(MazeSceneFiles::kScene, scene);
    readWholeFile(MazeSceneFiles::kObject, object);
    std::mt19937 random(11);
    for (int round = 0; round < 48; ++round) {
        std::vector<uint8_t> s = scene, o = object;
        if (round < 16) {
            s.resize(s.size() * size_t(round) / 16);
            o.resize(o.size() * size_t(round) / 16);
        } else {
            for (int flip = 0; flip < 8; ++flip) {
                s[random() % s.size()] ^= uint8_t(1 << (random() % 8));
                o[random() % o.size()] ^= uint8_t(random() | 1);
            }
        }
        folder.write(MazeSceneFiles::kScene, s);
        folder.write(MazeSceneFiles::kObject, o);
        Loaded l(MazeSceneFiles::kScene);
        EXPECT_EQ(l.result, 1);
        l.scene.motionPass(round * 7.5);
        l.scene.worldPass();
    }
}
