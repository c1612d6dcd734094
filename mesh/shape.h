// What a model from a file is drawn from and its stand-in cut from: the positions (and the file's
// colours), three position indices a triangle, the points and the lines' ends. A third of a
// mesh's faces in memory; faces are lit by their flat normals, made as the arrays are written.
#pragma once

#include <cstddef>
#include <vector>

#include "mesh/mesh_data.h"

struct MeshShape {
    std::vector<Vec3> vertices;
    std::vector<MeshColor> colors;
    std::vector<int32_t> corners, points, lines;
};

// Takes the positions, colours, points, lines and a drawn mesh's corners over from mesh, and
// copies a compiled mesh's corners out of its faces. False, and nothing taken, when there is no
// memory for them.
bool MeshShapeTake(MeshData* mesh, MeshShape* shape);

// Triangles, points and lines of the shape, all told.
size_t MeshShapeElements(const MeshShape& shape);
