// A lighter stand-in for a big mesh or point cloud, drawn while the model moves: its positions
// gathered into the cells of a grid, one position a cell (their mean), the triangles that still
// span three cells and the lines that span two, each once, and one point a cell that has any.
// Linear in the mesh; it keeps the outline to within a cell, and the cells are as small as the
// number of triangles asked for allows. Surfaces close up where they did: a cluster joins whole
// triangles, it opens no holes.
#pragma once

#include <cstddef>
#include <vector>

#include "mesh/mesh_data.h"

// What a stand-in is cut from: the positions (and the file's colours), three position indices a
// triangle, the points and the lines (a third of a mesh's faces in memory, which a viewer keeps
// to cut it again). Out of memory, these return false and leave nothing half made.
struct MeshShape {
    std::vector<Vec3> vertices;
    std::vector<MeshColor> colors;
    std::vector<int32_t> corners, points, lines;
};
// Takes the positions, colours, points and lines over from mesh, and copies its triangles'
// corners.
bool MeshShapeTake(MeshData* mesh, MeshShape* shape);

// Triangles, points and lines of the shape, all told.
size_t MeshShapeElements(const MeshShape& shape);

// A stand-in of about target elements (triangles with flat normals, points, lines; a cell's
// colour the mean of its positions'); empty when the shape has no more than that already.
bool MeshStandIn(const MeshShape& shape, size_t target, MeshData* standIn);
