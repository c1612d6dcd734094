// What every mesh read from a file goes through before the renderer may index it unchecked: its
// indices and numbers checked, then fitted into the viewing box; for the mesh compiler also given
// flat normals and merged.
#pragma once

#include <string>

#include "mesh/mesh_data.h"

// Finishes the mesh for its use. With fileNormals the mesh's own normals are kept (normalised).
// radius 0 leaves the positions in the file's units (tests, comparisons). On failure: false and
// reason in a user's words ("no triangles"); the mesh is then unspecified.
bool MeshFinish(MeshData& mesh, bool fileNormals, double radius, std::string* reason);
