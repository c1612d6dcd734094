// Reading a model file into MeshData through assimp, with every check that the compiled-in mesh
// relies on: finite coordinates, indices within their arrays, counts that fit int32.
#pragma once

#include <cstddef>
#include <string>

#include "tools/meshsrc/mesh_source.h"

// Most faces a mesh may have: 3 x faces positions must still fit the int32 counts.
const size_t kMeshMaxFaces = 715827882;

struct MeshLoadOptions {
    bool fileNormals = false;        // keep the file's normals instead of flat face normals
    size_t maxFaces = kMeshMaxFaces; // lowered by tests to reach the limit with small files
};

// The formats read, by lower-case file extension: obj, ply, stl, gltf, glb.
bool MeshFormatKnown(const std::string& extension);

// Fills mesh with every triangle of the file (node transforms applied, positions not shared).
// With flat normals the faces carry no normals yet (MeshFinish makes them). On failure, error
// holds one line that names the file and the reason. The known ways of making assimp crash or
// allocate without bound are refused first (precheck.h); for unknown ones, trackview-meshc
// calls this in a child process with limits on memory and time.
bool MeshLoadFile(const std::string& path, const MeshLoadOptions& options, MeshData* mesh,
                  std::string* error);

// The same from memory; formatHint is the extension. glTF files that refer to other files fail.
bool MeshLoadMemory(const void* data, size_t size, const std::string& formatHint,
                    const MeshLoadOptions& options, MeshData* mesh, std::string* error);

// Centres and scales the loaded mesh to radius, makes flat normals unless the file's are kept,
// and merges equal normals. Fails (naming what) only if the result could leave the view box.
bool MeshFinish(MeshData& mesh, double radius, bool flatNormals, std::string* error);
