// Corners written out in drawing order, straight into fresh large pages (a model of ten million
// triangles fills 720 MB of them, which are not cleared first).
#include "mesh/arrays.h"

#include <new>

MeshArrays MeshArraysOf(const MeshData& mesh)
{
    MeshArrays arrays;
    size_t floats = 3 * mesh.faces.size() * kCornerFloats;
    arrays.corners.reset(new (std::nothrow) float[floats ? floats : 1]);
    if (!arrays.corners) return arrays;
    AdviseLargePages(arrays.corners.get(), floats * sizeof(float));
    arrays.count = 3 * mesh.faces.size();
    float* out = arrays.corners.get();
    for (const MeshFace& face : mesh.faces)
        for (int k = 0; k < 3; ++k, out += kCornerFloats) {
            const Vec3& n = mesh.normals[size_t(face.normalIndex[k])];
            const Vec3& v = mesh.vertices[size_t(face.vertexIndex[k])];
            out[0] = n.x, out[1] = n.y, out[2] = n.z;
            out[3] = v.x, out[4] = v.y, out[5] = v.z;
        }
    return arrays;
}
