#pragma once
// A scene of the show from its text source (assets/scenes/*.txt): the scene's items, the objects it
// loads (a maze from an ASCII plan or a figure from a bone list) and the motions of its items.
//
//   scene ENTRY                           archive entry of the scene file
//   frames N                              last frame (the length of the effect's section)
//   ambient A                             ambient intensity 0..1
//   maze WALLS FLOOR CELL HEIGHT          the maze's two objects (walls; floor and ceiling), the plan follows:
//   map ... end                           the plan, one line a row of cells ('#' a block)
//   figure ENTRY NAME                     the figure's object, built from the bones and parts
//   bone NAME PARENT|- HX HY HZ TX TY TZ [RADIUS SURFACE]
//                                         a bone from head to tail, with a capsule of skin around it
//   part SURFACE X1 Y1 Z1 X2 Y2 Z2 RADIUS a capsule of skin without a bone of its own
//   surface NAME RRGGBB [smooth] [double] [texture ENTRY]
//   null NAME [parent ITEM]
//   light NAME point|distant RRGGBB INTENSITY [parent ITEM]
//   camera [parent ITEM]
//   motion ITEM stop|repeat               keys of an item ("Camera" for the camera), one a line:
//     FRAME X Y Z HEADING PITCH BANK      position and angles; for a bone, offsets from its rest pose
//   end                                   (heading about y, pitch about x, bank about z of the figure)
//
// Items are written objects first, then nulls, lights and the camera; an item without a motion
// stays at the origin.

#include "LwoObject.h"
#include "LwsScene.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class SceneSource {
public:
    // Parses `text` and builds the scene and its objects; false with `error()` ("line N: reason").
    bool build(const std::string& text);
    const std::string& error() const { return m_error; }

    const std::string& sceneEntry() const { return m_sceneEntry; }
    const LwsScene& scene() const { return m_scene; }
    // The objects the scene loads, by archive entry.
    const std::vector<std::pair<std::string, LwoObject>>& objects() const { return m_objects; }

private:
    bool statement(const std::vector<std::string>& w, int32_t line);
    bool fail(int32_t line, const std::string& why);
    // Assembles the objects and the item table once the whole text has been read.
    bool finish();
    bool finishMaze();
    bool finishFigure();
    bool finishItems();
    bool surfaceNamed(const std::string& name, LwoSurface& out) const;
    bool addCapsule(LwoObject& skin, const JVector& a, const JVector& b, double r, const std::string& surface);
    // The motion given for an item or bone, taken out of the pending ones; one still key without.
    LwsMotion takeMotion(const std::string& name);

    std::string m_error;
    std::string m_sceneEntry;
    LwsScene m_scene;
    std::vector<std::pair<std::string, LwoObject>> m_objects;

    // Collected while parsing, assembled by `finish`.
    struct Maze {
        std::string walls, floor;
        double cell = 0.0, height = 0.0;
        std::vector<std::string> plan;
    };
    struct Bone {
        std::string name, parent, surface;
        JVector head, tail;
        double radius = 0.0;
    };
    struct Part {
        std::string surface;
        JVector a, b;
        double radius = 0.0;
    };
    struct Item {
        LwsItem::Kind kind;
        std::string name, parent;
        std::string colour;
        double intensity = 1.0;
        int32_t lightType = 0;
    };
    Maze m_maze;
    std::string m_figureEntry, m_figureName;
    std::vector<Bone> m_bones;
    std::vector<Part> m_parts;
    std::vector<LwoSurface> m_surfaces;
    std::vector<Item> m_items;
    std::vector<std::pair<std::string, LwsMotion>> m_motions;
    std::map<std::string, LwsMotion> m_pending;
    std::vector<std::string> m_itemNames; // the names motions and parents use, by item number - 1
    bool m_inMap = false;
    bool m_inMotion = false;
};
