#pragma once
// Mesh generators of the show's objects, in LightWave coordinates, every polygon on surface 1 and
// wound clockwise as seen from outside (LightWave's own winding).

#include "LwoObject.h"

#include <cstdint>
#include <string>

namespace mesh {

// The regular solids the kit knows: "icosahedron", "dodecahedron", "truncated-icosahedron"
// (pentagons and hexagons), centred on the origin with radius 1. Empty for another name.
LwoObject polyhedron(const std::string& name);
// Every face replaced by a fan of triangles to an apex above its centre at `height` times the
// centre's distance from the origin (a star for heights above 1).
LwoObject kis(const LwoObject& solid, double height);
// One two-point polygon per distinct edge.
LwoObject edges(const LwoObject& solid);
// An icosahedron with each face cut into `frequency` squared triangles, pushed onto the sphere and
// then out by 1 + depth sin(lobes x) sin(lobes y) sin(lobes z) of the unit direction (x, y, z).
LwoObject blob(int32_t frequency, double lobes, double depth);
// A ring about the y axis: `major` radius of the ring, `minor` of its tube.
LwoObject torus(double major, double minor, int32_t around, int32_t across);
// A tube of radius `tube` along the (p, q) torus knot on a ring of radius `major`.
LwoObject torusKnot(int32_t p, int32_t q, double major, double minor, double tube, int32_t along, int32_t across);
// |x|^(2/e) + |y|^(2/e) + |z|^(2/e) = 1 sampled on a cube's six faces, `grid` cells a side
// (e = 1 a sphere, small e a rounded cube).
LwoObject superellipsoid(double exponent, int32_t grid);
// A capsule around the segment a-b: two half spheres of radius `r` joined by a tube, with `sides`
// around and `rings` from pole to pole (even). Triangles only.
LwoObject capsule(const JVector& a, const JVector& b, double r, int32_t sides, int32_t rings);
// The cube of the lattice effect: 12 triangles on 36 unshared points, triangle i = points 3i..3i+2,
// each face (q0..q3) as (q0, q1, q2) then (q0, q2, q3), wound the reverse way (anticlockwise from
// outside), edge `edge`.
LwoObject latticeCube(double edge);

// Reverses every polygon whose normal points toward the origin (for solids seen from the origin
// as star-shaped).
void orientFromCentre(LwoObject& solid);
// Reverses all polygons when a closed mesh is wound anticlockwise as seen from outside.
void orientClosed(LwoObject& solid);

} // namespace mesh
