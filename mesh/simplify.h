// A lighter stand-in for a big mesh, drawn while the model moves: its positions gathered into the
// cells of a grid, one position a cell (their mean), and the triangles that still span three
// cells, each once. Linear in the mesh; it keeps the outline to within a cell, and the cells are
// as small as the number of triangles asked for allows. Surfaces close up where they did: a
// cluster joins whole triangles, it opens no holes.
#pragma once

#include <cstddef>
#include <vector>

#include "mesh/mesh_data.h"

// What a stand-in is cut from: the positions and, three a triangle, the corners' position
// indices (a third of a mesh's faces in memory, which a viewer keeps to cut it again).
struct MeshShape {
    std::vector<Vec3> vertices;
    std::vector<int32_t> corners;
};
MeshShape MeshShapeOf(const MeshData& mesh);

// A stand-in of about targetFaces triangles with flat normals; empty when the shape has no more
// triangles than that already.
MeshData MeshStandIn(const MeshShape& shape, size_t targetFaces);
