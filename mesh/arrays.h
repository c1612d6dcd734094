// A mesh as the renderer sends it from arrays: every corner of every triangle with its normal
// and its position (and the file's colour, and a darker one for the back), in the order and with
// the values immediate mode sends, so that glDrawArrays draws the very same picture; and the
// points and the lines' ends with their positions (and colours).
#pragma once

#include <cstddef>
#include <memory>

#include "mesh/mesh_data.h"

// What one glDrawArrays sends: count elements of stride floats each, a part starting at the float
// it names (-1: none). A colour is four bytes in the room of one float.
struct DrawList {
    std::unique_ptr<float[]> data;
    size_t count = 0;
    int stride = 0;
    int normal = -1, position = 0, color = -1, backColor = -1;
};

struct MeshArrays {
    DrawList triangles, points, lines;
};

// The arrays of mesh: each corner with the normal its face names, or without normals in the mesh
// the face's flat normal. False, the arrays empty, when there is no memory for them.
bool MeshArraysOf(const MeshData& mesh, MeshArrays* arrays);

// The colour of the back of a face in the file's colours: the same, darker.
MeshColor MeshBackColor(MeshColor front);
