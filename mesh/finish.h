// What every mesh read from a file goes through before the renderer may index it unchecked: its
// indices and numbers checked, then fitted into the viewing box; for the mesh compiler also given
// flat normals and merged.
#pragma once

#include <string>

#include "mesh/mesh_data.h"

// What a mesh is finished for.
enum class MeshUse {
    // The mesh compiler's record: triangles only (points, lines and colours go), each equal
    // position and normal stored once, flat normals unless the file's are kept.
    compiled,
    // A viewer's arrays (mesh/arrays.h): triangles, points, lines and colours as read, nothing
    // merged; the arrays make flat normals face by face, unless the file's are kept.
    drawn,
};

// With fileNormals the mesh's own normals are kept (normalised). radius 0 leaves the positions
// in the file's units (tests, comparisons). On failure: false and reason in a user's words ("no
// triangles"); the mesh is then unspecified.
bool MeshFinish(MeshData& mesh, MeshUse use, bool fileNormals, double radius, std::string* reason);
