// The rules every compiled-in mesh keeps, whichever tool wrote it and in whichever form: the
// renderer indexes the arrays unchecked, and the view box ends 150.5 from the origin.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "mesh/mesh_data.h"

inline double MeshLength(Vec3 v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

// What is wrong with the mesh, or "" when nothing is: indices within their arrays, no texture
// coordinates, normals of unit length or zero, nothing farther than radius from the origin.
inline std::string MeshLayoutFault(const MeshModel& m, double radius)
{
    if (m.faceCount <= 0) return "no faces";
    if (m.texCoords || m.texCoordCount) return "texture coordinates";
    for (int32_t i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        for (int k = 0; k < 3; ++k) {
            std::string face = "face " + std::to_string(i) + ": ";
            if (f.vertexIndex[k] < 0 || f.vertexIndex[k] >= m.vertexCount)
                return face + "position index";
            if (f.normalIndex[k] < 0 || f.normalIndex[k] >= m.normalCount)
                return face + "normal index";
            if (f.texCoordIndex[k] != -1) return face + "texture index";
        }
    }
    for (int32_t i = 0; i < m.vertexCount; ++i)
        if (!(MeshLength(m.vertices[i]) <= radius && MeshLength(m.vertices[i]) < kViewLimit))
            return "position " + std::to_string(i) + " beyond the radius";
    for (int32_t i = 0; i < m.normalCount; ++i) {
        double length = MeshLength(m.normals[i]);
        if (length != 0.0 && std::fabs(length - 1.0) > 1e-5)
            return "normal " + std::to_string(i) + " is not of unit length";
    }
    return "";
}

// Positions and normals are each stored once in a compiled mesh, so no two are bit-equal.
inline bool MeshValuesUnique(const Vec3* values, int32_t count)
{
    std::vector<Vec3> sorted(values, values + count);
    auto less = [](const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof a) < 0; };
    std::sort(sorted.begin(), sorted.end(), less);
    return std::adjacent_find(sorted.begin(), sorted.end(), [](const Vec3& a, const Vec3& b) {
               return std::memcmp(&a, &b, sizeof a) == 0;
           }) == sorted.end();
}

// A mesh in memory seen as the compiled record.
inline MeshModel MeshView(const MeshData& m)
{
    return MeshRecord(m);
}
