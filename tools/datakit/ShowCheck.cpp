#include "ShowCheck.h"

#include "LwoReader.h"
#include "SourceLines.h"
#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
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

void ShowCheck::checkSingleObject(const std::string& name)
{
    const DataKitEntry* e = find(name);
    const auto f = [&](const std::string& rule) { fail(name, rule); };
    if (!e) {
        f("missing from the data set");
        return;
    }
    LwoRead o;
    if (!readObject(e->bytes, o, f)) {
        return;
    }
    if (o.surfaceNames.size() > kMaxSurfacesOutsideScenes) {
        f("at most 10 surfaces outside scenes");
    }
    const double r = radiusOf(o);
    if (name == kWaterObject) {
        if (!onlyCorners(o, 2)) {
            f("two-point polygons only (one per edge)");
        }
        const size_t edges = distinctEdges(o);
        if (edges < 30 || edges > 150) {
            f("30 to 150 edges (" + std::to_string(edges) + ")");
        }
        if (r > 1.5) {
            f("bounding radius at most 1.5 (" + std::to_string(r) + ")");
        }
    } else if (name == kCageObject) {
        const size_t edges = distinctEdges(o);
        if (edges < 30 || edges > 150) {
            f("30 to 150 distinct edges (" + std::to_string(edges) + ")");
        }
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
    } else if (name == kCubeObject) {
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
        for (const JVector& p : o.points) {
            if (std::fabs(std::fabs(p.x) - 1.0) > 1e-6 || std::fabs(std::fabs(p.y) - 1.0) > 1e-6 ||
                std::fabs(std::fabs(p.z) - 1.0) > 1e-6) {
                f("edge 2 units, centred");
                break;
            }
        }
        if (volume6(o) >= 0.0) {
            f("wound anticlockwise from outside (the reverse of the other objects)");
        }
    } else {
        if (!onlyCorners(o, 3)) {
            f("triangles only");
        }
        if (o.polygons.size() > 3200) {
            f("up to about 3000 triangles (" + std::to_string(o.polygons.size()) + ")");
        }
        if (!closed(o) || volume6(o) <= 0.0) {
            f("closed and wound clockwise from outside");
        }
        if (r < 0.75 || r > 1.25) {
            f("radius about 1, at most 1.25 (" + std::to_string(r) + ")");
        }
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

void ShowCheck::checkScene(const std::string& name)
{
    const DataKitEntry* e = find(name);
    const auto f = [&](const std::string& rule) { fail(name, rule); };
    if (!e) {
        f("missing from the data set");
        return;
    }
    const SceneRead s = readScene(std::string(e->bytes.begin(), e->bytes.end()), f);
    const int32_t section = m_sectionFrames.contains(name) ? m_sectionFrames.at(name) : 0;
    if (s.framesPerSecond != 30.0) {
        f("FramesPerSecond 30");
    }
    const auto count = [&](SceneItem::Kind kind) {
        return std::count_if(s.items.begin(), s.items.end(), [&](const SceneItem& i) { return i.kind == kind; });
    };
    if (count(SceneItem::Kind::Camera) != 1) {
        f("one camera");
    }
    if (count(SceneItem::Kind::Light) < 1) {
        f("at least one light besides the ambient");
    }
    const auto checkMotion = [&](const std::string& who, const SceneMotion& m) {
        if (!m.present) {
            return;
        }
        if (!framesInOrder(m)) {
            f(who + ": key frames strictly increasing, the first at 0");
        } else if (m.keys.size() > 1 && m.endBehavior == 1 && m.keys.back().frame < section) {
            f(who + ": keys cover the section's " + std::to_string(section) + " frames (EndBehavior 1)");
        } else if (m.keys.size() > 1 && m.endBehavior == 2 && !sameValues(m.keys.front(), m.keys.back())) {
            f(who + ": a loop's last key equals its first (EndBehavior 2)");
        }
        if (m.endBehavior < 0 || m.endBehavior > 2) {
            f(who + ": EndBehavior 0, 1 or 2");
        }
    };
    std::set<std::string> surfaces;
    std::map<std::string, std::string> topQuarters; // picture bytes of each texture's top quarter
    bool danceLoop = false;
    size_t wallQuads = 0;
    for (size_t index = 0; index < s.items.size(); ++index) {
        const SceneItem& item = s.items[index];
        const std::string who = (item.kind == SceneItem::Kind::Camera ? "camera" : item.name);
        checkMotion(who, item.motion);
        if (item.parent < 0 || item.parent > static_cast<int32_t>(s.items.size()) ||
            item.parent == static_cast<int32_t>(index + 1)) {
            f(who + ": ParentObject n counts the item table from 1");
        }
        if (item.kind == SceneItem::Kind::Light && (item.lightTypes != 1 || item.lightType < 0 || item.lightType > 2)) {
            f(who + ": exactly one LightType 0, 1 or 2");
        }
        for (size_t b = 0; b < item.bones.size(); ++b) {
            const SceneBone& bone = item.bones[b];
            const std::string bw = "bone " + bone.name;
            if (bone.active != 1 || std::fabs(bone.strength - 1.0) > kKeyTolerance || bone.length <= 0.0) {
                f(bw + ": active, strength 1, rest length above 0");
            }
            if (bone.parent < 0 || bone.parent > static_cast<int32_t>(item.bones.size()) ||
                bone.parent == static_cast<int32_t>(b + 1)) {
                f(bw + ": ParentObject n counts the object's bones from 1");
            }
            if (!bone.motion.present || bone.motion.keys.empty()) {
                f(bw + ": a BoneMotion (a bone without one collapses its vertices)");
                continue;
            }
            checkMotion(bw, bone.motion);
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
                f(bw + ": the frame-0 key equals the rest pose");
            }
            danceLoop = danceLoop || (bone.motion.endBehavior == 2 && bone.motion.keys.size() > 1);
        }
        if (item.kind != SceneItem::Kind::Object) {
            continue;
        }
        const DataKitEntry* object = find(item.name);
        if (!object) {
            f("LoadObject names an archive entry (" + item.name + ")");
            continue;
        }
        LwoRead o;
        const auto fo = [&](const std::string& rule) { fail(item.name, rule); };
        if (!readObject(object->bytes, o, fo)) {
            continue;
        }
        surfaces.insert(o.surfaceNames.begin(), o.surfaceNames.end());
        if (!item.bones.empty()) {
            double low = 1e30;
            double high = -1e30;
            for (const JVector& p : o.points) {
                low = std::min(low, p.y);
                high = std::max(high, p.y);
            }
            if (!closed(o) || volume6(o) <= 0.0) {
                fo("the skinned figure is closed and wound clockwise from outside");
            }
            if (high - low < 1.6 || high - low > 2.4) {
                fo("a figure about 2 units tall");
            }
        }
        for (const LwoReadPolygon& p : o.polygons) {
            if (p.corners.size() < 3) {
                continue;
            }
            const JVector n = normalOf(o, p);
            if (std::fabs(n.y) < 1e-9 * length(n)) {
                ++wallQuads;
            }
            const LwoReadSurface* surface = nullptr;
            for (const LwoReadSurface& rs : o.surfaces) {
                if (p.surface >= 1 && rs.name == o.surfaceNames[static_cast<size_t>(p.surface - 1)]) {
                    surface = &rs;
                }
            }
            if (surface && !surface->image.empty()) {
                // Bit 1, 2 or 4 of TFLG: the axis the planar map projects along (the last set bit wins).
                const double along = surface->textureFlags & 4 ? n.z : surface->textureFlags & 2 ? n.y : n.x;
                if (std::fabs(std::fabs(along) - length(n)) > 1e-6 * length(n)) {
                    fo("surface " + surface->name + ": faces square to its planar map's axis");
                }
            }
        }
        for (const LwoReadSurface& rs : o.surfaces) {
            if (rs.specular != 0) {
                fo("surface " + rs.name + ": no specular in scenes (it lights back faces)");
            }
            if (rs.image.empty() || topQuarters.contains(rs.image)) {
                continue;
            }
            const DataKitEntry* picture = find(rs.image);
            if (!picture) {
                fo("TIMG names an archive entry (" + rs.image + ")");
                continue;
            }
            PackWriter pack;
            pack.add(rs.image, picture->bytes);
            packArchive().clear();
            packArchive().loadFromMemory(pack.bytes().data(), pack.bytes().size(), "check");
            Bitmap texture(rs.image.c_str());
            packArchive().clear();
            texture.convert(Bitmap::FormatXrgb32);
            if (texture.width() != kTextureSize || texture.height() != kTextureSize) {
                fail(rs.image, "scene textures are 256 x 256");
                continue;
            }
            std::string top;
            for (int32_t y = 0; y < kTextureSize / 4; ++y) {
                top.append(reinterpret_cast<const char*>(texture.row32(y)), kTextureSize * 4);
            }
            for (const auto& [other, bytes] : topQuarters) {
                if (bytes == top) {
                    fail(rs.image, "the top quarter differs from " + other + "'s (textures are shared by it)");
                }
            }
            topQuarters[rs.image] = top;
        }
    }
    if (surfaces.size() > kMaxSurfacesPerScene) {
        f("at most 60 surfaces a scene");
    }
    if (name == kLabyrinthScene) {
        if (s.ambient < 0.15 || s.ambient > 0.35) {
            f("ambient about 0.25");
        }
        bool carried = false;
        for (size_t n = 0; n < s.items.size(); ++n) {
            const auto rides = [&](const SceneItem& i) { return i.parent == static_cast<int32_t>(n + 1); };
            const bool camera = std::any_of(s.items.begin(), s.items.end(), [&](const SceneItem& i) {
                return i.kind == SceneItem::Kind::Camera && rides(i);
            });
            const bool lamp = std::any_of(s.items.begin(), s.items.end(), [&](const SceneItem& i) {
                return i.kind == SceneItem::Kind::Light && i.lightType == 1 && rides(i);
            });
            carried = carried ||
                      (s.items[n].kind == SceneItem::Kind::Null && camera && lamp && s.items[n].motion.keys.size() > 1);
        }
        if (!carried) {
            f("the camera and a point light ride one flying null");
        }
        if (wallQuads < 150 || wallQuads > 400) {
            f("150 to 400 wall quads (" + std::to_string(wallQuads) + ")");
        }
    }
    if (name == kBoneManScene) {
        if (!danceLoop) {
            f("a dance loop: bone keys repeated with EndBehavior 2");
        }
        const auto figure =
            std::find_if(s.items.begin(), s.items.end(), [](const SceneItem& i) { return !i.bones.empty(); });
        const auto camera = std::find_if(s.items.begin(), s.items.end(),
                                         [](const SceneItem& i) { return i.kind == SceneItem::Kind::Camera; });
        if (figure == s.items.end()) {
            f("a figure skinned by bones");
        } else if (camera != s.items.end() && camera->parent == 0 && !figure->motion.keys.empty()) {
            const auto& at = figure->motion.keys[0].values;
            for (const SceneKey& k : camera->motion.keys) {
                const double d = length(JVector{k.values[0] - at[0], k.values[1] - at[1], k.values[2] - at[2]});
                if (d < 6.0 || d > 8.0) {
                    f("camera 6 to 8 units from the figure (" + std::to_string(d) + " at frame " +
                      std::to_string(k.frame) + ")");
                    break;
                }
            }
        }
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
