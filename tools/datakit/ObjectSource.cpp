#include "ObjectSource.h"

#include "MeshGenerators.h"
#include "SourceLines.h"

#include <map>

namespace {

// The generator's argument count after its name.
const std::map<std::string, size_t>& shapeArity()
{
    static const std::map<std::string, size_t> arity = {
        {"polyhedron", 1}, {"kis", 2}, {"blob", 3}, {"torus", 4}, {"knot", 7}, {"superellipsoid", 2}, {"cube", 1}};
    return arity;
}

} // namespace

LwoObject ObjectSource::shape(const std::vector<std::string>& words)
{
    if (words.empty() || !shapeArity().contains(words[0]) || words.size() != shapeArity().at(words[0]) + 1) {
        return {};
    }
    std::vector<double> n;
    for (size_t i = 1; i < words.size(); ++i) {
        double v = 0.0;
        if (!parseNumber(words[i], v)) {
            if (i != 1 || (words[0] != "polyhedron" && words[0] != "kis")) {
                return {};
            }
        }
        n.push_back(v);
    }
    const auto i32 = [&](size_t k) { return static_cast<int32_t>(n[k]); };
    const std::string& g = words[0];
    if (g == "polyhedron") {
        return mesh::polyhedron(words[1]);
    }
    if (g == "kis") {
        return mesh::kis(mesh::polyhedron(words[1]), n[1]);
    }
    if (g == "blob") {
        return mesh::blob(i32(0), n[1], n[2]);
    }
    if (g == "torus") {
        return mesh::torus(n[0], n[1], i32(2), i32(3));
    }
    if (g == "knot") {
        return mesh::torusKnot(i32(0), i32(1), n[2], n[3], n[4], i32(5), i32(6));
    }
    if (g == "superellipsoid") {
        return mesh::superellipsoid(n[0], i32(1));
    }
    return mesh::latticeCube(n[0]);
}

bool ObjectSource::surface(const std::vector<std::string>& words, LwoSurface& out)
{
    if (words.size() < 2 || words[1].size() != 6) {
        return false;
    }
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(words[1].c_str(), &end, 16);
    if (end != words[1].c_str() + 6) {
        return false;
    }
    out = LwoSurface{};
    out.name = words[0];
    out.red = static_cast<uint8_t>(rgb >> 16);
    out.green = static_cast<uint8_t>(rgb >> 8);
    out.blue = static_cast<uint8_t>(rgb);
    for (size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "smooth") {
            out.flags |= LwoSurface::kSmooth;
        } else if (words[i] == "double") {
            out.flags |= LwoSurface::kDoubleSided;
        } else {
            return false;
        }
    }
    return true;
}

bool ObjectSource::build(const std::string& text, std::vector<std::pair<std::string, LwoObject>>& objects)
{
    objects.clear();
    m_error.clear();
    std::string entry;
    LwoObject object;
    const auto fail = [&](const SourceLine& l, const std::string& why) {
        m_error = "line " + std::to_string(l.number) + ": " + why;
        return false;
    };
    for (const SourceLine& l : splitSource(text)) {
        const std::string& key = l.words[0];
        const std::vector<std::string> rest(l.words.begin() + 1, l.words.end());
        if (key == "object" && entry.empty() && rest.size() == 1) {
            entry = rest[0];
            object = LwoObject{};
        } else if (entry.empty()) {
            return fail(l, "expected \"object ENTRY\"");
        } else if (key == "shape") {
            object = shape(rest);
            if (object.polygons.empty()) {
                return fail(l, "unknown shape or bad arguments");
            }
        } else if (key == "edges" && rest.empty()) {
            object = mesh::edges(object);
        } else if (key == "radius" && rest.size() == 1) {
            double r = 0.0;
            if (!parseNumber(rest[0], r) || r <= 0.0 || object.points.empty()) {
                return fail(l, "bad radius");
            }
            object.scale(r / object.radius());
        } else if (key == "surface") {
            LwoSurface s;
            if (!surface(rest, s)) {
                return fail(l, "expected \"surface NAME RRGGBB [smooth] [double]\"");
            }
            object.surfaces = {s};
        } else if (key == "end" && rest.empty()) {
            if (object.polygons.empty() || object.surfaces.empty()) {
                return fail(l, entry + " needs a shape and a surface");
            }
            objects.emplace_back(entry, std::move(object));
            entry.clear();
        } else {
            return fail(l, "unknown statement \"" + key + "\"");
        }
    }
    if (!entry.empty()) {
        m_error = entry + ": missing \"end\"";
        return false;
    }
    return true;
}
