// A mesh as the renderer sends it from arrays: every corner of every triangle with its normal
// and its position, one after another, in the order and with the values immediate mode sends,
// so that glDrawArrays draws the very same picture.
#pragma once

#include <cstddef>
#include <memory>

#include "mesh/mesh_data.h"

struct MeshArrays {
    std::unique_ptr<float[]> corners; // per corner: normal x y z, then position x y z
    size_t count = 0;                 // corners, three a triangle
};

// Floats from one corner to the next, and where the position starts within one.
constexpr size_t kCornerFloats = 6, kCornerPosition = 3;

// The arrays of mesh: each corner with the normal its face names (the mesh's normals must be
// set, flat or the file's). Empty when there is no memory for them.
MeshArrays MeshArraysOf(const MeshData& mesh);
