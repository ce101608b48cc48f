#pragma once
// The show's single objects from their text source (assets/objects/objects.txt):
//
//   object ENTRY                    archive entry, "data\water_obj.lwo"
//     shape GENERATOR ARGS...       polyhedron NAME | kis NAME HEIGHT | blob FREQUENCY LOBES DEPTH |
//                                   torus MAJOR MINOR AROUND ACROSS |
//                                   knot P Q MAJOR MINOR TUBE ALONG ACROSS |
//                                   superellipsoid EXPONENT GRID | cube EDGE
//     edges                         keep one two-point polygon per edge
//     radius R                      scale about the origin to this bounding radius
//     surface NAME RRGGBB [smooth]  the object's one surface
//   end

#include "LwoObject.h"

#include <string>
#include <utility>
#include <vector>

class ObjectSource {
public:
    // Parses `text` and builds every object in file order; false with `error()` ("line N: reason").
    bool build(const std::string& text, std::vector<std::pair<std::string, LwoObject>>& objects);
    const std::string& error() const { return m_error; }

    // Builds one mesh from a shape line's words (the generator name first); empty on unknown shapes
    // or bad arguments.
    static LwoObject shape(const std::vector<std::string>& words);
    // The surface described by a surface line's words after the keyword; false on bad words.
    static bool surface(const std::vector<std::string>& words, LwoSurface& out);

private:
    std::string m_error;
};
