// Cutting a polygon of a model file into triangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/vec3.h"

// Appends to triangles, three entries per triangle, positions into corners (0 .. count - 1) that
// cover the polygon whose corners are positions[corners[0 .. count - 1]], in the polygon's own
// winding. A convex polygon is fanned; a concave one is cut by ear clipping in the plane that it
// lies nearest to, so that no triangle covers what lies outside it. The work is bounded by a
// constant times count (a polygon too tangled to clip within that budget is fanned), so a
// hostile file cannot make it quadratic. A large polygon loses the corners that repeat the one
// before them, and, where most of its corners come back to positions it has been at, every visit
// to a position but the first: the outline it walks, once. Polygons of fewer than 3 corners give
// nothing.
void TriangulatePolygon(const Vec3* positions, const int32_t* corners, size_t count,
                        std::vector<uint32_t>* triangles);
