// A lighter stand-in for a big mesh or point cloud, drawn while the model moves: its positions
// gathered into the cells of a grid, one position a cell (their mean), the triangles that still
// span three cells and the lines that span two, each once, and one point a cell that has any.
// Linear in the mesh; it keeps the outline to within a cell, and the cells are as small as the
// number of triangles asked for allows. Surfaces close up where they did: a cluster joins whole
// triangles, it opens no holes.
#pragma once

#include <cstddef>

#include "mesh/shape.h"

// A stand-in of about target elements (triangles, points, lines; a cell's colour the mean of its
// positions'); empty when the shape has no more than that already. False, and empty, when memory
// runs out.
bool MeshStandIn(const MeshShape& shape, size_t target, MeshShape* standIn);
