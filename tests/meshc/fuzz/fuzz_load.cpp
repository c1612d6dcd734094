// libFuzzer target for the reading path of trackview-meshc: the first byte picks the format and
// the normals mode, the rest is the file. Whatever assimp accepts must come out as a mesh that
// keeps every promise of the compiled-in layout; anything else must be a clean error.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/mesh_layout.h"
#include "tools/meshc/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const formats[] = {"obj", "ply", "stl", "gltf", "glb"};
    if (size < 1) return 0;
    MeshLoadOptions options;
    options.fileNormals = (data[0] & 0x80) != 0;
    options.maxFaces = 1 << 20; // keeps one run's memory small; the limit path is the same
    MeshData mesh;
    std::string error;
    if (!MeshLoadMemory(data + 1, size - 1, formats[data[0] % 5], options, &mesh, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos || !mesh.faces.empty())
            std::abort();
        return 0;
    }
    if (!MeshFinish(mesh, kMeshRadius, !options.fileNormals, &error)) return 0;
    if (!MeshLayoutFault(MeshView(mesh), kMeshRadius).empty()) std::abort();
    return 0;
}
