#include "ShowCheck.h"

#include "LwoReader.h"
#include "SourceLines.h"
#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>

const char* const ShowCheck::kWaterObject = "data\\water_obj.lwo";
const char* const ShowCheck::kCageObject = "data\\meta_surrobj.lwo";
const char* const ShowCheck::kCubeObject = "data\\cube_obj.lwo";
const char* const ShowCheck::kLabyrinthScene = "data\\scen\\labyrint.lws";
const char* const ShowCheck::kBoneManScene = "data\\scen2\\boneman.lws";

std::string ShowCheck::showObject(int32_t number)
{
    return "data\\obj_" + std::to_string(number) + ".lwo";
}

namespace {

// The limits the effects' constants and the engine's tables give.
constexpr size_t kMaxSurfacesOutsideScenes = 10;
constexpr size_t kMaxSurfacesPerScene = 60;
constexpr size_t kMaxTokens = 20;
constexpr size_t kMaxTokenLength = 99;
constexpr size_t kMaxCorners = 64;
constexpr size_t kMaxShowTriangles = 3200; // "up to about 3000"
constexpr int32_t kTextureSize = 256;
constexpr double kKeyTolerance = 1e-6;

// ---------------------------------------------------------------- geometry

JVector normalOf(const LwoRead& o, const LwoReadPolygon& p)
{
    const JVector& a = o.points[p.corners[0]];
    return cross(o.points[p.corners[1]] - a, o.points[p.corners[2]] - a);
}

double radiusOf(const LwoRead& o)
{
    double r = 0.0;
    for (const JVector& p : o.points) {
        r = std::max(r, length(p));
    }
    return r;
}

// Six times the volume by the clockwise rule: positive when wound clockwise as seen from outside.
double volume6(const LwoRead& o)
{
    double sum = 0.0;
    for (const LwoReadPolygon& p : o.polygons) {
        for (size_t k = 1; k + 1 < p.corners.size(); ++k) {
            const JVector& a = o.points[p.corners[0]];
            sum += dot(a, cross(o.points[p.corners[k]] - a, o.points[p.corners[k + 1]] - a));
        }
    }
    return sum;
}

// Every edge is used once in each direction: closed, and consistently wound.
bool closed(const LwoRead& o)
{
    std::map<std::pair<uint16_t, uint16_t>, int32_t> directed;
    for (const LwoReadPolygon& p : o.polygons) {
        for (size_t k = 0; k < p.corners.size(); ++k) {
            ++directed[{p.corners[k], p.corners[(k + 1) % p.corners.size()]}];
        }
    }
    for (const auto& [edge, count] : directed) {
        const auto back = directed.find({edge.second, edge.first});
        if (count != 1 || back == directed.end() || back->second != 1) {
            return false;
        }
    }
    return true;
}

// Distinct edges by end positions, as the engine's edge conversion counts them.
size_t distinctEdges(const LwoRead& o)
{
    const auto key = [&](uint16_t i) {
        const JVector& p = o.points[i];
        return std::array<double, 3>{p.x, p.y, p.z};
    };
    std::set<std::pair<std::array<double, 3>, std::array<double, 3>>> edges;
    for (const LwoReadPolygon& p : o.polygons) {
        for (size_t k = 0; k < p.corners.size(); ++k) {
            auto a = key(p.corners[k]);
            auto b = key(p.corners[(k + 1) % p.corners.size()]);
            if (b < a) {
                std::swap(a, b);
            }
            edges.insert({a, b});
        }
    }
    return edges.size();
}

bool onlyCorners(const LwoRead& o, size_t corners)
{
    return std::all_of(o.polygons.begin(), o.polygons.end(),
                       [&](const LwoReadPolygon& p) { return p.corners.size() == corners; });
}

// ---------------------------------------------------------------- scene text

struct SceneKey {
    int32_t frame = 0;
    std::array<double, 9> values{};
};

struct SceneMotion {
    bool present = false;
    std::vector<SceneKey> keys;
    int32_t endBehavior = -1;
};

struct SceneBone {
    std::string name;
    int32_t active = 0;
    double strength = -1.0;
    double length = -1.0;
    std::array<double, 3> position{};
    std::array<double, 3> direction{};
    SceneMotion motion;
    int32_t parent = 0;
};

struct SceneItem {
    enum class Kind { Object, Null, Light, Camera } kind = Kind::Object;
    std::string name;
    int32_t parent = 0;
    SceneMotion motion;
    std::vector<SceneBone> bones;
    int32_t lightTypes = 0;
    int32_t lightType = -1;
};

struct SceneRead {
    double ambient = 0.5;
    double framesPerSecond = 0.0;
    std::vector<SceneItem> items;
};

bool isUnsigned(const std::string& t)
{
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Optional minus, digits with at most one point, at least one digit: no exponents, no plus signs.
bool isFixed(const std::string& t)
{
    const std::string body = !t.empty() && t[0] == '-' ? t.substr(1) : t;
    const size_t point = body.find('.');
    if (point != std::string::npos && body.find('.', point + 1) != std::string::npos) {
        return false;
    }
    std::string digits = body;
    if (point != std::string::npos) {
        digits.erase(point, 1);
    }
    return isUnsigned(digits);
}

double number(const std::string& t)
{
    double v = 0.0;
    parseNumber(t, v);
    return v;
}

int32_t integer(const std::string& t)
{
    int32_t v = 0;
    parseInteger(t, v);
    return v;
}

const std::set<std::string>& nameKeywords()
{
    static const std::set<std::string> k = {"LWSC",         "LoadObject",  "AddNullObject", "LightName", "BoneName",
                                            "ObjectMotion", "LightMotion", "CameraMotion",  "BoneMotion"};
    return k;
}

const std::set<std::string>& integerKeywords()
{
    static const std::set<std::string> k = {"FirstFrame",   "LastFrame",  "FrameStep",         "BoneActive",
                                            "LightType",    "LightColor", "ScaleBoneStrength", "ParentObject",
                                            "AmbientColor", "ShowCamera", "EndBehavior",       "BoneFalloffType"};
    return k;
}

} // namespace

void ShowCheck::fail(const std::string& entry, const std::string& rule)
{
    m_failures.push_back(entry + ": " + rule);
}

const DataKitEntry* ShowCheck::find(const std::string& name) const
{
    for (const DataKitEntry& e : *m_entries) {
        if (e.name == name) {
            return &e;
        }
    }
    return nullptr;
}

namespace {

// The rules every object file keeps; false when it cannot be read at all.
bool readObject(const std::vector<uint8_t>& bytes, LwoRead& o, const std::function<void(const std::string&)>& fail)
{
    std::string error;
    if (!readLwo(bytes, o, error)) {
        fail("well-formed LWOB with even chunk sizes (" + error + ")");
        return false;
    }
    const auto at = [&](const char* tag) {
        return std::find(o.chunks.begin(), o.chunks.end(), tag) - o.chunks.begin();
    };
    if (at("PNTS") > at("POLS") || at("POLS") == static_cast<ptrdiff_t>(o.chunks.size())) {
        fail("PNTS before POLS");
        return false;
    }
    if (at("SRFS") > at("POLS")) {
        fail("an SRFS before POLS names the surfaces");
    }
    bool good = true;
    for (const LwoReadPolygon& p : o.polygons) {
        if (p.corners.empty() || p.corners.size() > kMaxCorners) {
            fail("1 to 64 corners a polygon");
            good = false;
            break;
        }
        if (p.surface < 1 || static_cast<size_t>(p.surface) > o.surfaceNames.size()) {
            fail("SRFS names every surface used (surface " + std::to_string(p.surface) + ")");
            good = false;
            break;
        }
        if (std::any_of(p.corners.begin(), p.corners.end(), [&](uint16_t c) { return c >= o.points.size(); })) {
            fail("corners index points of PNTS");
            good = false;
            break;
        }
    }
    for (const LwoReadSurface& s : o.surfaces) {
        const auto ctex = std::find(s.tags.begin(), s.tags.end(), "CTEX");
        for (const char* tag : {"TIMG", "TFLG", "TSIZ", "TCTR"}) {
            const auto t = std::find(s.tags.begin(), s.tags.end(), tag);
            if (t != s.tags.end() && (ctex == s.tags.end() || t < ctex)) {
                fail("surface " + s.name + ": CTEX before " + tag);
            }
        }
        if (std::find(o.surfaceNames.begin(), o.surfaceNames.end(), s.name) == o.surfaceNames.end()) {
            fail("SURF " + s.name + " is named in SRFS");
        }
    }
    return good;
}

} // namespace

namespace {

using Fail = std::function<void(const std::string&)>;

void checkWater(const LwoRead& o, const Fail& f)
{
    if (!onlyCorners(o, 2)) {
        f("two-point polygons only (one per edge)");
    }
    const size_t edges = distinctEdges(o);
    if (edges < 30 || edges > 150) {
        f("30 to 150 edges (" + std::to_string(edges) + ")");
    }
    const double r = radiusOf(o);
    if (r > 1.5) {
        f("bounding radius at most 1.5 (" + std::to_string(r) + ")");
    }
}

void checkCage(const LwoRead& o, const Fail& f)
{
    const size_t edges = distinctEdges(o);
    if (edges < 30 || edges > 150) {
        f("30 to 150 distinct edges (" + std::to_string(edges) + ")");
    }
    const double r = radiusOf(o);
    if (r < 10.0 || r > 40.0) {
        f("radius 10 to 40 (" + std::to_string(r) + ")");
    }
    if (!closed(o) || volume6(o) <= 0.0) {
        f("a closed polyhedron wound clockwise from outside");
    }
    JVector low{1e30, 1e30, 1e30};
    JVector high{-1e30, -1e30, -1e30};
    for (const JVector& p : o.points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    if (length(low + high) > 0.01 * r) {
        f("centred on its own origin");
    }
}

void checkCube(const LwoRead& o, const Fail& f)
{
    bool layout = o.points.size() == 36 && o.polygons.size() == 12 && onlyCorners(o, 3);
    for (size_t i = 0; layout && i < 12; ++i) {
        const auto& c = o.polygons[i].corners;
        layout = c[0] == 3 * i && c[1] == 3 * i + 1 && c[2] == 3 * i + 2;
    }
    if (!layout) {
        f("12 triangles on 36 unshared points, triangle i = points 3i, 3i+1, 3i+2");
        return;
    }
    for (size_t face = 0; face < 6; ++face) {
        const auto& p = o.points;
        const size_t b = 6 * face;
        // (q0, q1, q2) then (q0, q2, q3): the second triangle repeats q0 and q2.
        if (!equal(p[b], p[b + 3]) || !equal(p[b + 2], p[b + 4])) {
            f("each face as (q0, q1, q2) then (q0, q2, q3)");
            break;
        }
    }
    if (o.surfaceNames.size() != 1) {
        f("one surface");
    }
    const auto offCorner = [](double v) { return std::fabs(std::fabs(v) - 1.0) > 1e-6; };
    if (std::any_of(o.points.begin(), o.points.end(),
                    [&](const JVector& p) { return offCorner(p.x) || offCorner(p.y) || offCorner(p.z); })) {
        f("edge 2 units, centred");
    }
    if (volume6(o) >= 0.0) {
        f("wound anticlockwise from outside (the reverse of the other objects)");
    }
}

void checkShowObject(const LwoRead& o, const Fail& f)
{
    if (!onlyCorners(o, 3)) {
        f("triangles only");
    }
    if (o.polygons.size() > kMaxShowTriangles) {
        f("up to about 3000 triangles (" + std::to_string(o.polygons.size()) + ")");
    }
    if (!closed(o) || volume6(o) <= 0.0) {
        f("closed and wound clockwise from outside");
    }
    const double r = radiusOf(o);
    if (r < 0.75 || r > 1.25) {
        f("radius about 1, at most 1.25 (" + std::to_string(r) + ")");
    }
}

} // namespace

void ShowCheck::checkSingleObject(const std::string& name)
{
    const DataKitEntry* e = find(name);
    const Fail f = [&](const std::string& rule) { fail(name, rule); };
    LwoRead o;
    if (!e) {
        f("missing from the data set");
    } else if (readObject(e->bytes, o, f)) {
        if (o.surfaceNames.size() > kMaxSurfacesOutsideScenes) {
            f("at most 10 surfaces outside scenes");
        }
        name == kWaterObject  ? checkWater(o, f)
        : name == kCageObject ? checkCage(o, f)
        : name == kCubeObject ? checkCube(o, f)
                              : checkShowObject(o, f);
    }
}

namespace {

// Reads the scene text, reporting every line that breaks the syntax rules through `fail`.
SceneRead readScene(const std::string& text, const std::function<void(const std::string&)>& fail)
{
    SceneRead scene;
    std::vector<std::string> raw;
    {
        std::string line;
        for (char c : text) {
            if (c == '\n') {
                raw.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (!line.empty()) {
            raw.push_back(line);
        }
    }
    std::vector<std::vector<std::string>> tokens;
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        if (std::any_of(raw[i].begin(), raw[i].end(), [](char c) { return c != ' ' && (c < 33 || c > 126); })) {
            fail(where + "spaces only (no tabs or control characters)");
        }
        std::vector<std::string> t;
        std::string word;
        for (char c : raw[i] + ' ') {
            if (c == ' ') {
                if (!word.empty()) {
                    t.push_back(word);
                }
                word.clear();
            } else {
                word += c;
            }
        }
        if (t.size() > kMaxTokens) {
            fail(where + "at most 20 tokens a line");
        }
        if (std::any_of(t.begin(), t.end(), [](const std::string& w) { return w.size() > kMaxTokenLength; })) {
            fail(where + "tokens of at most 99 characters");
        }
        tokens.push_back(t);
    }
    int32_t phase = 0; // 0 objects, 1 lights, 2 camera
    SceneItem* item = nullptr;
    SceneBone* bone = nullptr;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::vector<std::string>& t = tokens[i];
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        if (t.empty()) {
            continue;
        }
        const std::string& k = t[0];
        if (!nameKeywords().contains(k)) {
            const bool integers = integerKeywords().contains(k);
            for (size_t w = 1; w < t.size(); ++w) {
                if (integers ? !isUnsigned(t[w]) : !isFixed(t[w])) {
                    fail(where + (integers ? "unsigned integers" : "fixed-notation decimals") + " (" + t[w] + ")");
                }
            }
        }
        const auto newItem = [&](SceneItem::Kind kind, int32_t itemPhase) {
            if (phase > itemPhase) {
                fail(where + "objects first, then lights, then the camera");
            }
            phase = std::max(phase, itemPhase);
            scene.items.push_back(SceneItem{});
            item = &scene.items.back();
            item->kind = kind;
            item->name = t.size() > 1 ? t[1] : "";
            for (size_t w = 2; w < t.size() && kind != SceneItem::Kind::Camera; ++w) {
                item->name += " " + t[w];
            }
            bone = nullptr;
        };
        if (k == "LoadObject") {
            newItem(SceneItem::Kind::Object, 0);
        } else if (k == "AddNullObject") {
            newItem(SceneItem::Kind::Null, 0);
        } else if (k == "AddLight") {
            newItem(SceneItem::Kind::Light, 1);
        } else if (k == "ShowCamera") {
            newItem(SceneItem::Kind::Camera, 2);
        } else if (k == "AddBone") {
            if (!item || item->kind != SceneItem::Kind::Object || (item != &scene.items.back())) {
                fail(where + "bones right after their LoadObject");
                continue;
            }
            item->bones.push_back(SceneBone{});
            bone = &item->bones.back();
        } else if (k == "LightName" && item && t.size() >= 2) {
            item->name = t[1];
        } else if (k == "AmbIntensity" && t.size() == 2) {
            scene.ambient = number(t[1]);
        } else if (k == "FramesPerSecond" && t.size() == 2) {
            scene.framesPerSecond = number(t[1]);
        } else if (bone && k == "BoneName" && t.size() >= 2) {
            bone->name = t[1];
        } else if (bone && k == "BoneActive" && t.size() == 2) {
            bone->active = integer(t[1]);
        } else if (bone && k == "BoneRestStrength" && t.size() == 2) {
            bone->strength = number(t[1]);
        } else if (bone && k == "BoneRestLength" && t.size() == 2) {
            bone->length = number(t[1]);
        } else if (bone && (k == "BoneRestPosition" || k == "BoneRestDirection") && t.size() == 4) {
            auto& v = k == "BoneRestPosition" ? bone->position : bone->direction;
            v = {number(t[1]), number(t[2]), number(t[3])};
        } else if (k == "ParentObject" && t.size() == 2 && item) {
            (bone ? bone->parent : item->parent) = integer(t[1]);
        } else if (k == "LightType" && t.size() == 2 && item) {
            ++item->lightTypes;
            item->lightType = integer(t[1]);
        } else if (k.ends_with("Motion") && item) {
            SceneMotion& m = k == "BoneMotion" && bone ? bone->motion : item->motion;
            m.present = true;
            const size_t count = i + 2 < tokens.size() && !tokens[i + 2].empty() ? integer(tokens[i + 2][0]) : 0;
            if (i + 2 >= tokens.size() || tokens[i + 1] != std::vector<std::string>{"9"}) {
                fail(where + "a motion block of 9 channels");
            }
            size_t at = i + 3;
            for (size_t key = 0; key < count && at + 1 < tokens.size(); ++key, at += 2) {
                const auto& values = tokens[at];
                const auto& spline = tokens[at + 1];
                if (values.size() != 9 || spline.size() != 5 || !isUnsigned(spline[0])) {
                    fail("line " + std::to_string(at + 1) +
                         ": keys of nine values and five spline values, "
                         "the frame an integer");
                    break;
                }
                SceneKey sk;
                sk.frame = integer(spline[0]);
                for (size_t v = 0; v < 9; ++v) {
                    sk.values[v] = number(values[v]);
                }
                m.keys.push_back(sk);
            }
            if (at < tokens.size() && tokens[at].size() == 2 && tokens[at][0] == "EndBehavior") {
                m.endBehavior = integer(tokens[at][1]);
            } else {
                fail(where + "each motion ends with EndBehavior");
            }
            // The value and spline lines still get their syntax checks above.
            for (size_t j = i + 1; j < std::min(at, tokens.size()); ++j) {
                for (const std::string& w : tokens[j]) {
                    if (!isFixed(w)) {
                        fail("line " + std::to_string(j + 1) + ": fixed-notation decimals (" + w + ")");
                    }
                }
            }
            i = std::min(at, tokens.size() - 1);
        }
    }
    return scene;
}

// Frames of a key list: integers (read as such), strictly increasing, the first at 0.
bool framesInOrder(const SceneMotion& m)
{
    if (m.keys.empty() || m.keys[0].frame != 0) {
        return false;
    }
    for (size_t i = 1; i < m.keys.size(); ++i) {
        if (m.keys[i].frame <= m.keys[i - 1].frame) {
            return false;
        }
    }
    return true;
}

bool sameValues(const SceneKey& a, const SceneKey& b)
{
    for (size_t v = 0; v < 9; ++v) {
        if (std::fabs(a.values[v] - b.values[v]) > kKeyTolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

// What a scene's checks share and gather while they walk its items.
struct SceneChecks {
    std::function<const DataKitEntry*(const std::string&)> find;
    std::function<void(const std::string& entry, const std::string& rule)> fail;
    std::string scene;
    int32_t section = 0;
    std::set<std::string> surfaces;
    std::map<std::string, std::string> topQuarters; // picture bytes of each texture's top quarter
    size_t wallQuads = 0;
    bool danceLoop = false;

    void sceneFails(const std::string& rule) const { fail(scene, rule); }
};

void checkMotion(const SceneChecks& c, const std::string& who, const SceneMotion& m)
{
    if (!m.present) {
        return;
    }
    if (!framesInOrder(m)) {
        c.sceneFails(who + ": key frames strictly increasing, the first at 0");
    } else if (m.keys.size() > 1 && m.endBehavior == 1 && m.keys.back().frame < c.section) {
        c.sceneFails(who + ": keys cover the section's " + std::to_string(c.section) + " frames (EndBehavior 1)");
    } else if (m.keys.size() > 1 && m.endBehavior == 2 && !sameValues(m.keys.front(), m.keys.back())) {
        c.sceneFails(who + ": a loop's last key equals its first (EndBehavior 2)");
    }
    if (m.endBehavior < 0 || m.endBehavior > 2) {
        c.sceneFails(who + ": EndBehavior 0, 1 or 2");
    }
}

void checkBones(SceneChecks& c, const SceneItem& item)
{
    for (size_t b = 0; b < item.bones.size(); ++b) {
        const SceneBone& bone = item.bones[b];
        const std::string who = "bone " + bone.name;
        if (bone.active != 1 || std::fabs(bone.strength - 1.0) > kKeyTolerance || bone.length <= 0.0) {
            c.sceneFails(who + ": active, strength 1, rest length above 0");
        }
        if (bone.parent < 0 || bone.parent > static_cast<int32_t>(item.bones.size()) ||
            bone.parent == static_cast<int32_t>(b + 1)) {
            c.sceneFails(who + ": ParentObject n counts the object's bones from 1");
        }
        if (!bone.motion.present || bone.motion.keys.empty()) {
            c.sceneFails(who + ": a BoneMotion (a bone without one collapses its vertices)");
            continue;
        }
        checkMotion(c, who, bone.motion);
        SceneKey rest;
        rest.values = {bone.position[0],
                       bone.position[1],
                       bone.position[2],
                       bone.direction[0],
                       bone.direction[1],
                       bone.direction[2],
                       1.0,
                       1.0,
                       1.0};
        if (bone.motion.keys[0].frame != 0 || !sameValues(bone.motion.keys[0], rest)) {
            c.sceneFails(who + ": the frame-0 key equals the rest pose");
        }
        c.danceLoop = c.danceLoop || (bone.motion.endBehavior == 2 && bone.motion.keys.size() > 1);
    }
}

// A scene texture: 256 x 256, its top quarter unlike every other texture's of the scene.
void checkTexture(SceneChecks& c, const std::string& object, const std::string& image)
{
    if (c.topQuarters.contains(image)) {
        return;
    }
    const DataKitEntry* picture = c.find(image);
    if (!picture) {
        c.fail(object, "TIMG names an archive entry (" + image + ")");
        return;
    }
    PackWriter pack;
    pack.add(image, picture->bytes);
    packArchive().clear();
    packArchive().loadFromMemory(pack.bytes().data(), pack.bytes().size(), "check");
    Bitmap texture(image.c_str());
    packArchive().clear();
    texture.convert(Bitmap::FormatXrgb32);
    if (texture.width() != kTextureSize || texture.height() != kTextureSize) {
        c.fail(image, "scene textures are 256 x 256");
        return;
    }
    std::string top;
    for (int32_t y = 0; y < kTextureSize / 4; ++y) {
        top.append(reinterpret_cast<const char*>(texture.row32(y)), kTextureSize * 4);
    }
    for (const auto& [other, bytes] : c.topQuarters) {
        if (bytes == top) {
            c.fail(image, "the top quarter differs from " + other + "'s (textures are shared by it)");
        }
    }
    c.topQuarters[image] = top;
}

const LwoReadSurface* surfaceOf(const LwoRead& o, const LwoReadPolygon& p)
{
    for (const LwoReadSurface& s : o.surfaces) {
        if (p.surface >= 1 && s.name == o.surfaceNames[static_cast<size_t>(p.surface - 1)]) {
            return &s;
        }
    }
    return nullptr;
}

void checkSceneObject(SceneChecks& c, const SceneItem& item)
{
    const DataKitEntry* object = c.find(item.name);
    if (!object) {
        c.sceneFails("LoadObject names an archive entry (" + item.name + ")");
        return;
    }
    LwoRead o;
    const Fail f = [&](const std::string& rule) { c.fail(item.name, rule); };
    if (!readObject(object->bytes, o, f)) {
        return;
    }
    c.surfaces.insert(o.surfaceNames.begin(), o.surfaceNames.end());
    if (!item.bones.empty()) {
        const auto [low, high] = std::minmax_element(o.points.begin(), o.points.end(),
                                                     [](const JVector& a, const JVector& b) { return a.y < b.y; });
        if (!closed(o) || volume6(o) <= 0.0) {
            f("the skinned figure is closed and wound clockwise from outside");
        }
        if (o.points.empty() || high->y - low->y < 1.6 || high->y - low->y > 2.4) {
            f("a figure about 2 units tall");
        }
    }
    for (const LwoReadPolygon& p : o.polygons) {
        if (p.corners.size() < 3) {
            continue;
        }
        const JVector n = normalOf(o, p);
        c.wallQuads += std::fabs(n.y) < 1e-9 * length(n) ? 1 : 0;
        const LwoReadSurface* s = surfaceOf(o, p);
        if (s && !s->image.empty()) {
            // Bit 1, 2 or 4 of TFLG: the axis the planar map projects along (the last set bit wins).
            const double along = s->textureFlags & 4 ? n.z : s->textureFlags & 2 ? n.y : n.x;
            if (std::fabs(std::fabs(along) - length(n)) > 1e-6 * length(n)) {
                f("surface " + s->name + ": faces square to its planar map's axis");
            }
        }
    }
    for (const LwoReadSurface& s : o.surfaces) {
        if (s.specular != 0) {
            f("surface " + s.name + ": no specular in scenes (it lights back faces)");
        }
        if (!s.image.empty()) {
            checkTexture(c, item.name, s.image);
        }
    }
}

void checkLabyrinth(const SceneChecks& c, const SceneRead& s)
{
    if (s.ambient < 0.15 || s.ambient > 0.35) {
        c.sceneFails("ambient about 0.25");
    }
    bool carried = false;
    for (size_t n = 0; n < s.items.size(); ++n) {
        const auto rides = [&](const SceneItem& i, SceneItem::Kind kind, int32_t lightType) {
            return i.parent == static_cast<int32_t>(n + 1) && i.kind == kind && i.lightType == lightType;
        };
        const bool camera = std::any_of(s.items.begin(), s.items.end(),
                                        [&](const SceneItem& i) { return rides(i, SceneItem::Kind::Camera, -1); });
        const bool lamp = std::any_of(s.items.begin(), s.items.end(),
                                      [&](const SceneItem& i) { return rides(i, SceneItem::Kind::Light, 1); });
        carried = carried ||
                  (s.items[n].kind == SceneItem::Kind::Null && camera && lamp && s.items[n].motion.keys.size() > 1);
    }
    if (!carried) {
        c.sceneFails("the camera and a point light ride one flying null");
    }
    if (c.wallQuads < 150 || c.wallQuads > 400) {
        c.sceneFails("150 to 400 wall quads (" + std::to_string(c.wallQuads) + ")");
    }
}

void checkBoneMan(const SceneChecks& c, const SceneRead& s)
{
    if (!c.danceLoop) {
        c.sceneFails("a dance loop: bone keys repeated with EndBehavior 2");
    }
    const auto figure =
        std::find_if(s.items.begin(), s.items.end(), [](const SceneItem& i) { return !i.bones.empty(); });
    const auto camera = std::find_if(s.items.begin(), s.items.end(),
                                     [](const SceneItem& i) { return i.kind == SceneItem::Kind::Camera; });
    if (figure == s.items.end()) {
        c.sceneFails("a figure skinned by bones");
        return;
    }
    if (camera == s.items.end() || camera->parent != 0 || figure->motion.keys.empty()) {
        return;
    }
    const auto& at = figure->motion.keys[0].values;
    for (const SceneKey& k : camera->motion.keys) {
        const double d = length(JVector{k.values[0] - at[0], k.values[1] - at[1], k.values[2] - at[2]});
        if (d < 6.0 || d > 8.0) {
            c.sceneFails("camera 6 to 8 units from the figure (" + std::to_string(d) + " at frame " +
                         std::to_string(k.frame) + ")");
            return;
        }
    }
}

} // namespace

void ShowCheck::checkScene(const std::string& name)
{
    SceneChecks c;
    c.find = [this](const std::string& n) { return find(n); };
    c.fail = [this](const std::string& entry, const std::string& rule) { fail(entry, rule); };
    c.scene = name;
    c.section = m_sectionFrames.contains(name) ? m_sectionFrames.at(name) : 0;
    const DataKitEntry* e = find(name);
    if (!e) {
        c.sceneFails("missing from the data set");
        return;
    }
    const SceneRead s =
        readScene(std::string(e->bytes.begin(), e->bytes.end()), [&](const std::string& r) { c.sceneFails(r); });
    if (s.framesPerSecond != 30.0) {
        c.sceneFails("FramesPerSecond 30");
    }
    const auto count = [&](SceneItem::Kind kind) {
        return std::count_if(s.items.begin(), s.items.end(), [&](const SceneItem& i) { return i.kind == kind; });
    };
    if (count(SceneItem::Kind::Camera) != 1) {
        c.sceneFails("one camera");
    }
    if (count(SceneItem::Kind::Light) < 1) {
        c.sceneFails("at least one light besides the ambient");
    }
    for (size_t index = 0; index < s.items.size(); ++index) {
        const SceneItem& item = s.items[index];
        const std::string who = item.kind == SceneItem::Kind::Camera ? "camera" : item.name;
        checkMotion(c, who, item.motion);
        if (item.parent < 0 || item.parent > static_cast<int32_t>(s.items.size()) ||
            item.parent == static_cast<int32_t>(index + 1)) {
            c.sceneFails(who + ": ParentObject n counts the item table from 1");
        }
        if (item.kind == SceneItem::Kind::Light && (item.lightTypes != 1 || item.lightType < 0 || item.lightType > 2)) {
            c.sceneFails(who + ": exactly one LightType 0, 1 or 2");
        }
        checkBones(c, item);
        if (item.kind == SceneItem::Kind::Object) {
            checkSceneObject(c, item);
        }
    }
    if (c.surfaces.size() > kMaxSurfacesPerScene) {
        c.sceneFails("at most 60 surfaces a scene");
    }
    if (name == kLabyrinthScene) {
        checkLabyrinth(c, s);
    } else if (name == kBoneManScene) {
        checkBoneMan(c, s);
    }
}

std::vector<std::string> ShowCheck::run(const std::vector<DataKitEntry>& entries)
{
    m_failures.clear();
    m_entries = &entries;
    for (const char* name : {kWaterObject, kCageObject, kCubeObject}) {
        checkSingleObject(name);
    }
    for (int32_t i = 1; i <= 4; ++i) {
        checkSingleObject(showObject(i));
    }
    checkScene(kLabyrinthScene);
    checkScene(kBoneManScene);
    m_entries = nullptr;
    return m_failures;
}
