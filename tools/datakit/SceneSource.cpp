#include "SceneSource.h"

#include "FigureRig.h"
#include "MazeBuilder.h"
#include "MeshGenerators.h"
#include "ObjectSource.h"
#include "SourceLines.h"

#include <algorithm>
#include <map>

namespace {

// Capsule resolution of the figure's skin. The figure stands about 180 pixels tall on screen: the torso, pelvis
// and head (radius from kThickCapsule on) get 12 sides and 8 rings, the limbs, 10 to 16 pixels wide, 8 sides
// and 6 rings. Finer limbs only add polygons whose rows are two pixels long.
constexpr double kThickCapsule = 0.12;
constexpr int32_t kThickSides = 12, kThickRings = 8;
constexpr int32_t kThinSides = 8, kThinRings = 6;

const char* const kMazeSurfaces[] = {"WallEast", "WallWest", "WallNorth", "WallSouth"};
const char* const kMazeFloorSurfaces[] = {"Floor", "Ceiling"};

bool numbers(const std::vector<std::string>& w, size_t from, size_t count, std::vector<double>& out)
{
    out.clear();
    if (w.size() < from + count) {
        return false;
    }
    for (size_t i = from; i < from + count; ++i) {
        double v = 0.0;
        if (!parseNumber(w[i], v)) {
            return false;
        }
        out.push_back(v);
    }
    return true;
}

// "parent NAME" at `at`, or nothing.
bool parentClause(const std::vector<std::string>& w, size_t at, std::string& parent)
{
    if (w.size() == at) {
        return true;
    }
    if (w.size() == at + 2 && w[at] == "parent") {
        parent = w[at + 1];
        return true;
    }
    return false;
}

} // namespace

bool SceneSource::fail(int32_t line, const std::string& why)
{
    m_error = (line > 0 ? "line " + std::to_string(line) + ": " : "") + why;
    return false;
}

bool SceneSource::build(const std::string& text)
{
    *this = SceneSource{};
    for (const SourceLine& l : splitSource(text)) {
        if (!statement(l.words, l.number)) {
            return false;
        }
    }
    if (m_inMap || m_inMotion) {
        return fail(0, "missing \"end\"");
    }
    return finish();
}

bool SceneSource::statement(const std::vector<std::string>& w, int32_t line)
{
    const std::string& key = w[0];
    std::vector<double> n;
    if (m_inMap) {
        if (key == "end") {
            m_inMap = false;
        } else {
            m_maze.plan.push_back(key);
        }
        return true;
    }
    if (m_inMotion) {
        if (key == "end" && w.size() == 1) {
            m_inMotion = false;
            return true;
        }
        int32_t frame = 0;
        if (!parseInteger(key, frame) || !numbers(w, 1, 6, n) || w.size() != 7) {
            return fail(line, "expected \"FRAME X Y Z HEADING PITCH BANK\"");
        }
        LwsKey k;
        k.frame = frame;
        std::copy(n.begin(), n.end(), k.values.begin());
        m_motions.back().second.keys.push_back(k);
        return true;
    }
    if (key == "scene" && w.size() == 2) {
        m_sceneEntry = w[1];
    } else if (key == "frames" && w.size() == 2 && parseInteger(w[1], m_scene.lastFrame)) {
    } else if (key == "ambient" && numbers(w, 1, 1, n) && w.size() == 2) {
        m_scene.ambient = n[0];
    } else if (key == "maze" && w.size() == 5 && numbers(w, 3, 2, n)) {
        m_maze.walls = w[1];
        m_maze.floor = w[2];
        m_maze.cell = n[0];
        m_maze.height = n[1];
    } else if (key == "map" && w.size() == 1) {
        m_inMap = true;
    } else if (key == "figure" && w.size() == 3) {
        m_figureEntry = w[1];
        m_figureName = w[2];
    } else if (key == "bone" && (w.size() == 9 || w.size() == 11) && numbers(w, 3, 6, n)) {
        Bone b{w[1], w[2] == "-" ? "" : w[2], "", {n[0], n[1], n[2]}, {n[3], n[4], n[5]}, 0.0};
        if (w.size() == 11) {
            if (!numbers(w, 9, 1, n)) {
                return fail(line, "bad bone radius");
            }
            b.radius = n[0];
            b.surface = w[10];
        }
        m_bones.push_back(b);
    } else if (key == "part" && w.size() == 9 && numbers(w, 2, 7, n)) {
        m_parts.push_back({w[1], {n[0], n[1], n[2]}, {n[3], n[4], n[5]}, n[6]});
    } else if (key == "surface") {
        std::vector<std::string> words(w.begin() + 1, w.end());
        std::string image;
        const auto t = std::find(words.begin(), words.end(), "texture");
        if (t != words.end()) {
            if (t + 2 != words.end()) {
                return fail(line, "expected \"texture ENTRY\" last");
            }
            image = *(t + 1);
            words.erase(t, words.end());
        }
        LwoSurface s;
        if (!ObjectSource::surface(words, s)) {
            return fail(line, "expected \"surface NAME RRGGBB [smooth] [double] [texture ENTRY]\"");
        }
        s.image = image;
        m_surfaces.push_back(s);
    } else if (key == "null" && w.size() >= 2) {
        Item item{LwsItem::Kind::Null, w[1], "", "", 1.0, 0};
        if (!parentClause(w, 2, item.parent)) {
            return fail(line, "expected \"null NAME [parent ITEM]\"");
        }
        m_items.push_back(item);
    } else if (key == "light" && w.size() >= 5 && numbers(w, 4, 1, n) && (w[2] == "point" || w[2] == "distant")) {
        Item item{LwsItem::Kind::Light,
                  w[1],
                  "",
                  w[3],
                  n[0],
                  w[2] == "point" ? LwsItem::kPointLight : LwsItem::kDistantLight};
        if (!parentClause(w, 5, item.parent) || w[3].size() != 6) {
            return fail(line, "expected \"light NAME point|distant RRGGBB INTENSITY [parent ITEM]\"");
        }
        m_items.push_back(item);
    } else if (key == "camera") {
        Item item{LwsItem::Kind::Camera, "Camera", "", "", 1.0, 0};
        if (!parentClause(w, 1, item.parent)) {
            return fail(line, "expected \"camera [parent ITEM]\"");
        }
        m_items.push_back(item);
    } else if (key == "motion" && w.size() == 3 && (w[2] == "stop" || w[2] == "repeat")) {
        LwsMotion m;
        m.endBehavior = w[2] == "stop" ? LwsMotion::kStop : LwsMotion::kRepeat;
        m_motions.emplace_back(w[1], m);
        m_inMotion = true;
    } else {
        return fail(line, "unknown or malformed statement \"" + key + "\"");
    }
    return true;
}

bool SceneSource::surfaceNamed(const std::string& name, LwoSurface& out) const
{
    for (const LwoSurface& s : m_surfaces) {
        if (s.name == name) {
            out = s;
            return true;
        }
    }
    return false;
}

LwsMotion SceneSource::takeMotion(const std::string& name)
{
    const auto it = m_pending.find(name);
    if (it == m_pending.end()) {
        LwsMotion still;
        still.keys.push_back(LwsKey{});
        return still;
    }
    LwsMotion m = it->second;
    m_pending.erase(it);
    return m;
}

bool SceneSource::finish()
{
    if (m_sceneEntry.empty()) {
        return fail(0, "no \"scene ENTRY\"");
    }
    for (const auto& [name, m] : m_motions) {
        if (!m_pending.emplace(name, m).second) {
            return fail(0, "two motions for " + name);
        }
    }
    if ((!m_maze.walls.empty() && !finishMaze()) || (!m_figureEntry.empty() && !finishFigure()) || !finishItems()) {
        return false;
    }
    if (!m_pending.empty()) {
        return fail(0, "a motion for " + m_pending.begin()->first + ", which is no item or bone");
    }
    return true;
}

bool SceneSource::finishMaze()
{
    MazeBuilder maze(m_maze.plan, m_maze.cell, m_maze.height);
    LwoObject walls = maze.walls();
    LwoObject floor = maze.floorAndCeiling();
    for (const char* name : kMazeSurfaces) {
        LwoSurface s;
        if (!surfaceNamed(name, s)) {
            return fail(0, std::string("the maze needs a surface ") + name);
        }
        maze.mapWallSurface(s, static_cast<uint16_t>(walls.surfaces.size() + 1));
        walls.surfaces.push_back(s);
    }
    for (const char* name : kMazeFloorSurfaces) {
        LwoSurface s;
        if (!surfaceNamed(name, s)) {
            return fail(0, std::string("the maze needs a surface ") + name);
        }
        maze.mapFloorSurface(s);
        floor.surfaces.push_back(s);
    }
    for (auto& [entry, object] : {std::pair{m_maze.walls, &walls}, std::pair{m_maze.floor, &floor}}) {
        LwsItem item;
        item.name = entry;
        item.motion = takeMotion(entry);
        m_scene.items.push_back(item);
        m_itemNames.push_back(entry);
        m_objects.emplace_back(entry, std::move(*object));
    }
    return true;
}

bool SceneSource::addCapsule(LwoObject& skin, const JVector& a, const JVector& b, double r, const std::string& surface)
{
    size_t number = 0;
    while (number < skin.surfaces.size() && skin.surfaces[number].name != surface) {
        ++number;
    }
    if (number == skin.surfaces.size()) {
        LwoSurface s;
        if (!surfaceNamed(surface, s)) {
            return fail(0, "no surface " + surface);
        }
        skin.surfaces.push_back(s);
    }
    const bool thick = r >= kThickCapsule;
    skin.append(mesh::capsule(a, b, r, thick ? kThickSides : kThinSides, thick ? kThickRings : kThinRings),
                static_cast<uint16_t>(number));
    return true;
}

bool SceneSource::finishFigure()
{
    std::vector<FigureBone> rigBones;
    LwoObject skin;
    for (const Bone& b : m_bones) {
        FigureBone fb{b.name, -1, b.head, b.tail};
        for (size_t i = 0; i < rigBones.size(); ++i) {
            if (!b.parent.empty() && rigBones[i].name == b.parent) {
                fb.parent = static_cast<int32_t>(i);
            }
        }
        if (!b.parent.empty() && fb.parent < 0) {
            return fail(0, "bone " + b.name + ": parent " + b.parent + " is not an earlier bone");
        }
        rigBones.push_back(fb);
        if (b.radius > 0.0 && !addCapsule(skin, b.head, b.tail, b.radius, b.surface)) {
            return false;
        }
    }
    for (const Part& p : m_parts) {
        if (!addCapsule(skin, p.a, p.b, p.radius, p.surface)) {
            return false;
        }
    }
    const FigureRig rig(rigBones);
    LwsItem item;
    item.name = m_figureEntry;
    item.motion = takeMotion(m_figureName);
    for (size_t i = 0; i < rigBones.size(); ++i) {
        LwsBone bone = rig.restBone(i);
        bone.motion = rig.motion(i, takeMotion(rigBones[i].name));
        item.bones.push_back(bone);
    }
    m_scene.items.push_back(item);
    m_itemNames.push_back(m_figureName);
    m_objects.emplace_back(m_figureEntry, std::move(skin));
    return true;
}

bool SceneSource::finishItems()
{
    for (LwsItem::Kind kind : {LwsItem::Kind::Null, LwsItem::Kind::Light, LwsItem::Kind::Camera}) {
        for (const Item& i : m_items) {
            if (i.kind != kind) {
                continue;
            }
            LwsItem item;
            item.kind = kind;
            item.name = i.name;
            item.motion = takeMotion(i.name);
            item.lightType = i.lightType;
            item.lightIntensity = i.intensity;
            if (!i.colour.empty()) {
                const unsigned long rgb = std::strtoul(i.colour.c_str(), nullptr, 16);
                item.lightColour = {static_cast<int32_t>(rgb >> 16 & 0xFF), static_cast<int32_t>(rgb >> 8 & 0xFF),
                                    static_cast<int32_t>(rgb & 0xFF)};
            }
            if (!i.parent.empty()) {
                const auto at = std::find(m_itemNames.begin(), m_itemNames.end(), i.parent);
                if (at == m_itemNames.end()) {
                    return fail(0, i.name + ": parent " + i.parent + " is not an earlier item");
                }
                item.parent = static_cast<int32_t>(at - m_itemNames.begin() + 1);
            }
            m_scene.items.push_back(item);
            m_itemNames.push_back(i.name);
        }
    }
    return true;
}
