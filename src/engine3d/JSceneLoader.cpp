#include "engine3d/JSceneLoader.h"

#include "engine3d/JBone.h"
#include "engine3d/JCamera.h"
#include "engine3d/JDistantLight.h"
#include "engine3d/JEnvelope.h"
#include "engine3d/JMesh.h"
#include "engine3d/JNull.h"
#include "engine3d/JPointLight.h"
#include "engine3d/JScene.h"
#include "engine3d/JSkeleton.h"
#include "engine3d/JSurfaceList.h"
#include "engine3d/LwsNumbers.h"
#include "runner/Console.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kLightDistant = 0;
constexpr int32_t kLightPoint = 1;
constexpr int kMaxFalloffShift = 30;
constexpr int32_t kMaxColour = 255;
constexpr size_t kMaxEchoedText = 60; // of the ambient value's text in its message

// The motion value line: position x y z, heading pitch bank, scale x y z.
enum MotionValue { PosX, PosY, PosZ, Heading, Pitch, Bank, ScaleX, ScaleY, ScaleZ, MotionValueCount };
// The spline line: frame, linear, tension, continuity, bias.
enum MotionSpline { KeyFrame, KeyLinear, KeyTension, KeyContinuity, KeyBias };

template<class T>
T* as(JItem* item, int32_t type)
{
    return item && item->type == type ? static_cast<T*>(item) : nullptr;
}

// The new light takes over everything the scene gave the old one.
void copyLight(const JLight& from, JLight& to)
{
    to.setName(from.name);
    to.lightRed = from.lightRed;
    to.lightGreen = from.lightGreen;
    to.lightBlue = from.lightBlue;
    to.intensity = from.intensity;
    to.pivot = from.pivot;
    if (from.hasMotion) {
        auto copy = [](const std::unique_ptr<JEnvelope>& e) { return e ? std::make_unique<JEnvelope>(*e) : nullptr; };
        to.setMotion(copy(from.positionEnvelope), copy(from.rotationEnvelope), copy(from.scaleEnvelope));
    }
}

} // namespace

JSceneLoader::JSceneLoader(JScene& scene, JSurfaceList* surfaces, Console& console)
    : m_scene(scene), m_surfaces(surfaces), m_console(console)
{}

JSceneLoader::~JSceneLoader() = default;

int JSceneLoader::load(const char* fileName)
{
    if (!m_file.open(fileName))
        return 0;
    while (nextLine())
        dispatch();
    finish();
    m_file.close();
    return 1;
}

bool JSceneLoader::nextLine()
{
    while (!m_file.endOfFile()) {
        m_file.readLine(m_line, kLineCapacity);
        tokenize();
        if (m_tokenCount > 0)
            return true;
    }
    m_tokenCount = 0;
    return false;
}

void JSceneLoader::tokenize()
{
    m_tokenCount = 0;
    const char* p = m_line;
    while (*p && m_tokenCount < kMaxTokens) {
        while (*p == ' ' || *p == '\r' || *p == '\n')
            ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\r' && *p != '\n')
            ++p;
        if (p > start)
            m_tokens[size_t(m_tokenCount++)] = std::string_view(start, size_t(p - start));
    }
}

const char* JSceneLoader::restOfLine()
{
    size_t used = 0;
    for (int i = 1; i < m_tokenCount; ++i) {
        const std::string_view t = m_tokens[size_t(i)];
        if (i > 1 && used + 1 < sizeof m_rest)
            m_rest[used++] = ' ';
        const size_t n = std::min(t.size(), sizeof m_rest - 1 - used);
        std::memcpy(m_rest + used, t.data(), n);
        used += n;
    }
    m_rest[used] = 0;
    return m_rest;
}

double JSceneLoader::decimal(int i) const
{
    return lwsDecimal(token(i));
}

void JSceneLoader::say(const char* text)
{
    m_console.write(text);
}

void JSceneLoader::dispatch()
{
    struct Keyword {
        const char* text;
        void (JSceneLoader::*action)();
    };
    static constexpr Keyword kKeywords[] = {
        {"LoadObject", &JSceneLoader::loadObject},
        {"AddBone", &JSceneLoader::addBone},
        {"BoneFalloffType", &JSceneLoader::boneFalloffType},
        {"BoneMotion", &JSceneLoader::boneMotion},
        {"AddNullObject", &JSceneLoader::addNull},
        {"LightColor", &JSceneLoader::lightColor},
        {"LgtIntensity", &JSceneLoader::lightIntensity},
        {"LightType", &JSceneLoader::setLightType},
        {"AddLight", &JSceneLoader::addLight},
        {"LightName", &JSceneLoader::itemName},
        {"ParentObject", &JSceneLoader::parentObject},
        {"ShowCamera", &JSceneLoader::showCamera},
        {"LightMotion", &JSceneLoader::itemMotion},
        {"ObjectMotion", &JSceneLoader::itemMotion},
        {"CameraMotion", &JSceneLoader::itemMotion},
        {"FramesPerSecond", &JSceneLoader::framesPerSecond},
        {"PivotPoint", &JSceneLoader::pivotPoint},
        {"AmbIntensity", &JSceneLoader::ambientIntensity},
    };
    // Honoured only while a bone of the current object is current.
    struct BoneKeyword {
        const char* text;
        void (JSceneLoader::*action)(JBone&);
    };
    static constexpr BoneKeyword kBoneKeywords[] = {
        {"BoneName", &JSceneLoader::boneName},
        {"BoneRestLength", &JSceneLoader::boneRestLength},
        {"BoneRestDirection", &JSceneLoader::boneRestDirection},
        {"BoneRestPosition", &JSceneLoader::boneRestPosition},
        {"BoneRestStrength", &JSceneLoader::boneRestStrength},
        {"BoneActive", &JSceneLoader::boneActive},
        {"ScaleBoneStrength", &JSceneLoader::scaleBoneStrength},
    };
    const std::string_view keyword = token(0);
    for (const Keyword& k : kKeywords) {
        if (keyword == k.text) {
            (this->*k.action)();
            return;
        }
    }
    for (const BoneKeyword& k : kBoneKeywords) {
        if (keyword == k.text) {
            if (JBone* bone = currentBone())
                (this->*k.action)(*bone);
            return;
        }
    }
}

JItem* JSceneLoader::currentItem() const
{
    return m_currentItem >= 0 ? m_items[size_t(m_currentItem)].item : nullptr;
}

JBone* JSceneLoader::currentBone() const
{
    const JItem* current = currentItem();
    return m_currentBone >= 0 && current && current->type == JItem::kTypeMesh ? m_bones[size_t(m_currentBone)].bone
                                                                              : nullptr;
}

void JSceneLoader::boneName(JBone& bone)
{
    bone.setName(restOfLine());
}

void JSceneLoader::boneRestLength(JBone& bone)
{
    bone.restLength = decimal(1);
}

void JSceneLoader::boneRestDirection(JBone& bone)
{
    bone.restDirection = {decimal(2), -decimal(1), -decimal(3)}; // heading, pitch, bank -> p, -h, -b
    say("fjaf");
}

void JSceneLoader::boneRestPosition(JBone& bone)
{
    bone.restPosition = {decimal(1), -decimal(2), decimal(3)};
}

void JSceneLoader::boneRestStrength(JBone& bone)
{
    bone.restStrength = decimal(1);
}

void JSceneLoader::boneActive(JBone& bone)
{
    bone.active = lwsInteger(token(1));
}

void JSceneLoader::scaleBoneStrength(JBone& bone)
{
    bone.scaleStrength = lwsInteger(token(1));
}

void JSceneLoader::boneFalloffType()
{
    // 2^(n - 1) for the bones made after this line.
    const int32_t n = lwsInteger(token(1));
    m_falloff = n <= 0 ? 0 : int32_t(1) << std::min(n - 1, kMaxFalloffShift);
}

void JSceneLoader::boneMotion()
{
    readMotion(currentBone()); // read whole either way, so its lines are not taken for keywords
}

void JSceneLoader::lightColor()
{
    if (auto* light = static_cast<JLight*>(currentLight())) {
        light->lightRed = uint8_t(std::min(lwsInteger(token(1)), kMaxColour));
        light->lightGreen = uint8_t(std::min(lwsInteger(token(2)), kMaxColour));
        light->lightBlue = uint8_t(std::min(lwsInteger(token(3)), kMaxColour));
    }
}

void JSceneLoader::lightIntensity()
{
    if (auto* light = static_cast<JLight*>(currentLight()))
        light->intensity = float(decimal(1));
}

void JSceneLoader::itemName()
{
    if (JItem* current = currentItem())
        current->setName(restOfLine());
}

void JSceneLoader::itemMotion()
{
    readMotion(currentItem());
}

void JSceneLoader::framesPerSecond()
{
    m_scene.framesPerSecond = float(decimal(1));
}

void JSceneLoader::pivotPoint()
{
    if (JItem* current = currentItem())
        current->pivot = {decimal(1), -decimal(2), decimal(3)};
    say("Pivot point record\n");
}

void JSceneLoader::ambientIntensity()
{
    m_scene.ambient = float(decimal(1));
    say("Ambient = ");
    char text[kMaxEchoedText + 1];
    std::snprintf(text, sizeof text, "%.*s", int(std::min<size_t>(token(1).size(), kMaxEchoedText)), token(1).data());
    say(text);
    say("\n");
}

JItem* JSceneLoader::adopt(std::unique_ptr<JItem> item, bool listed)
{
    JItem* raw = item.get();
    m_created.push_back(std::move(item));
    if (listed)
        m_scene.addItem(raw);
    m_items.push_back({raw, -1});
    m_currentItem = int32_t(m_items.size()) - 1;
    m_currentBone = -1;
    return raw;
}

bool JSceneLoader::inSceneList(const JItem* item) const
{
    return std::find(m_scene.items.begin(), m_scene.items.begin() + m_scene.count, item) !=
           m_scene.items.begin() + m_scene.count;
}

JItem* JSceneLoader::currentLight() const
{
    JItem* current = currentItem();
    return current && current->type == JItem::kTypeLight ? current : nullptr;
}

void JSceneLoader::loadObject()
{
    if (int(m_items.size()) >= kMaxItems)
        return;
    const char* path = restOfLine();
    say("Loaded object \"");
    say(path);
    say("\"!\n");
    auto mesh = std::make_unique<JMesh>(path, m_surfaces, m_console);
    std::unique_ptr<JItem> item;
    if (mesh->loadResult != 1) {
        say("Loading failed!! Deleting object...\n");
        say("Creating NULL\n");
        mesh.reset();
        item = std::make_unique<JNull>(path);
    } else {
        item = std::move(mesh);
    }
    m_parenting = true;
    adopt(std::move(item), true);
}

void JSceneLoader::addBone()
{
    auto* mesh = as<JMesh>(currentItem(), JItem::kTypeMesh);
    m_currentBone = -1;
    if (!mesh || int(m_bones.size()) >= kMaxBones ||
        (mesh->skeleton && mesh->skeleton->count >= mesh->skeleton->capacity)) {
        // A bone that cannot be made must not pass its ParentObject line on to the object.
        m_parenting = false;
        return;
    }
    if (!mesh->skeleton) {
        say("msh->skeleton = new JSkeleton( 256 )\n");
        mesh->skeleton = std::make_unique<JSkeleton>(JSkeleton::kDefaultCapacity);
        m_boneBase = int32_t(m_bones.size());
    }
    say("curbone = new JBone()\n");
    auto bone = std::make_unique<JBone>();
    bone->setName("asdkuaiotuioaezyzrryxyryxxy");
    bone->falloff = m_falloff;
    JBone* raw = bone.get();
    m_created.push_back(std::move(bone));
    m_scene.addItem(raw);
    mesh->skeleton->addBone(raw);
    m_bones.push_back({raw, mesh->skeleton.get(), -1});
    m_currentBone = int32_t(m_bones.size()) - 1;
}

void JSceneLoader::addNull()
{
    if (int(m_items.size()) >= kMaxItems)
        return;
    m_parenting = true;
    adopt(std::make_unique<JNull>(restOfLine()), true);
}

void JSceneLoader::addLight()
{
    if (int(m_items.size()) >= kMaxItems)
        return;
    say("curobj = new JLight()\n");
    m_parenting = true;
    // Listed by its LightType line; without one it only numbers the parents.
    adopt(std::make_unique<JDistantLight>(), false);
}

void JSceneLoader::setLightType()
{
    JItem* old = currentLight();
    if (!old)
        return;
    std::unique_ptr<JLight> light;
    if (lwsInteger(token(1)) == kLightPoint)
        light = std::make_unique<JPointLight>();
    else
        light = std::make_unique<JDistantLight>(); // 0, 2 and unknown kinds light from a direction
    copyLight(static_cast<const JLight&>(*old), *light);
    JLight* raw = light.get();
    // The new light takes the old one's places; the old one goes only once nothing points at it.
    m_items[size_t(m_currentItem)].item = raw;
    const auto listed = std::find(m_scene.items.begin(), m_scene.items.begin() + m_scene.count, old);
    if (listed != m_scene.items.begin() + m_scene.count)
        *listed = raw;
    else
        m_scene.addItem(raw);
    for (auto& created : m_created)
        if (created.get() == old)
            created = std::move(light);
}

void JSceneLoader::showCamera()
{
    if (int(m_items.size()) >= kMaxItems)
        return;
    m_parenting = true;
    adopt(std::make_unique<JCamera>(), true);
}

void JSceneLoader::parentObject()
{
    const int32_t n = lwsInteger(token(1));
    if (m_currentBone >= 0) {
        m_bones[size_t(m_currentBone)].parent = m_boneBase + n - 1;
        return;
    }
    if (!m_parenting || m_currentItem < 0)
        return;
    m_items[size_t(m_currentItem)].parent = n - 1;
    char text[64];
    std::snprintf(text, sizeof text, "ParentObject %d -> %d\n", m_currentItem, n - 1);
    say(text);
}

void JSceneLoader::readMotion(JItem* target)
{
    if (!nextLine()) // the channel count
        return;
    if (!nextLine())
        return;
    bool valid = false;
    const int32_t declared = lwsInteger(token(0), &valid);
    if (!valid)
        return;
    const int32_t keyCount = std::min(declared, kMaxKeys);
    auto positions = std::make_unique<JEnvelope>(keyCount);
    auto rotations = std::make_unique<JEnvelope>(keyCount);
    auto scales = std::make_unique<JEnvelope>(keyCount);
    bool ended = false;
    for (int32_t k = 0; k < keyCount && !ended; ++k) {
        if (!nextLine()) {
            ended = true;
            break;
        }
        double p[MotionValueCount];
        for (int i = 0; i < MotionValueCount; ++i)
            p[i] = decimal(i);
        if (!nextLine()) {
            ended = true;
            break;
        }
        JKey key;
        key.frame = lwsInteger(token(KeyFrame));
        key.linear = lwsTruncated(token(KeyLinear));
        key.tension = float(decimal(KeyTension));
        key.continuity = float(decimal(KeyContinuity));
        key.bias = float(decimal(KeyBias));
        key.value = {p[PosX], -p[PosY], p[PosZ]};
        positions->addKey(key);
        key.value = {p[Pitch], -p[Heading], -p[Bank]};
        rotations->addKey(key);
        key.value = {p[ScaleX], p[ScaleY], p[ScaleZ]};
        scales->addKey(key);
    }
    // The line after the keys names the end behaviour; any other line is used up all the same.
    int32_t behaviour = JEnvelope::kEndStop;
    if (!ended && nextLine() && token(0) == "EndBehavior")
        behaviour = lwsTruncated(token(1));
    positions->endBehaviour = rotations->endBehaviour = scales->endBehaviour = behaviour;
    if (target)
        target->setMotion(std::move(positions), std::move(rotations), std::move(scales));
}

void JSceneLoader::finish()
{
    char text[600];
    std::snprintf(text, sizeof text, "\n%d objects in parent list\n", int(m_items.size()));
    say(text);
    say("Mainural object linking    \n");
    linkItems();
    say("Bonal object linking    \n");
    linkBones();
    resolveTextureReferences();
    // Whatever is in no list now stays with the scene; the rest belongs to the scene list.
    for (auto& created : m_created) {
        if (inSceneList(created.get()))
            created.release();
        else
            m_scene.unlisted.push_back(std::move(created));
    }
    m_created.clear();
    prepareSkeletons();
}

void JSceneLoader::linkItems()
{
    char text[600];
    const int32_t n = int32_t(m_items.size());
    for (const ItemEntry& entry : m_items) {
        if (entry.parent < 0 || entry.parent >= n)
            continue;
        JItem* parent = m_items[size_t(entry.parent)].item;
        if (!entry.item->setParent(parent))
            continue; // a link that would close a cycle
        std::snprintf(text, sizeof text, "PARENT = %s inherits %s\n", entry.item->name, parent->name);
        say(text);
    }
}

void JSceneLoader::linkBones()
{
    char text[600];
    const int32_t n = int32_t(m_bones.size());
    for (const BoneEntry& entry : m_bones) {
        if (entry.parent < 0 || entry.parent >= n || m_bones[size_t(entry.parent)].skeleton != entry.skeleton)
            continue;
        JBone* parent = m_bones[size_t(entry.parent)].bone;
        if (!entry.bone->setParent(parent))
            continue;
        std::snprintf(text, sizeof text, "%s inherits %s\n", entry.bone->name, parent->name);
        say(text);
    }
}

void JSceneLoader::resolveTextureReferences()
{
    if (!m_surfaces)
        return;
    for (int i = 0; i < m_surfaces->capacity(); ++i) {
        JSurface& surface = m_surfaces->entry(i);
        if (surface.referenceItem || surface.referenceName[0] == 0)
            continue;
        // The last item of that name wins.
        for (const ItemEntry& entry : m_items)
            if (std::strcmp(entry.item->name, surface.referenceName) == 0)
                surface.referenceItem = entry.item;
    }
}

void JSceneLoader::prepareSkeletons()
{
    for (int32_t i = 0; i < m_scene.count; ++i) {
        auto* mesh = as<JMesh>(m_scene.items[size_t(i)], JItem::kTypeMesh);
        if (!mesh || !mesh->skeleton)
            continue;
        say("Preprocessing skeleton...");
        mesh->skeleton->prepare(*mesh);
        say("[]\n");
    }
}
