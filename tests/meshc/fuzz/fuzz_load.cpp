// libFuzzer target for the reading path of trackview-meshc: the first byte picks the format and
// the normals mode, the rest is the file. Whatever assimp accepts must come out as a mesh that
// keeps every promise of the compiled-in layout; anything else must be a clean error.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/meshc/load.h"

static void Require(bool holds)
{
    if (!holds) std::abort();
}

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
        Require(!error.empty() && error.find('\n') == std::string::npos && mesh.faces.empty());
        return 0;
    }
    if (!MeshFinish(mesh, 146.0, !options.fileNormals, &error)) return 0;
    Require(!mesh.faces.empty() && mesh.vertices.size() == 3 * mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const MeshFace& f = mesh.faces[i];
            Require(f.vertexIndex[k] == int32_t(3 * i + size_t(k)) && f.texCoordIndex[k] == -1);
            Require(f.normalIndex[k] >= 0 && size_t(f.normalIndex[k]) < mesh.normals.size());
        }
    for (const Vec3& n : mesh.normals) {
        double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
        Require(length == 0.0 || std::fabs(length - 1.0) < 1e-5);
    }
    Require(MeshMeasure(mesh).radius <= 146.0);
    return 0;
}
