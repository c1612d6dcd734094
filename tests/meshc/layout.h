// What every compiled mesh must be, for each test that makes one: positions not shared, indices
// within their arrays, no texture coordinates, normals of unit length or zero, nothing farther
// than radius from the origin. Returns what is wrong, or "" when nothing is.
#pragma once

#include <cmath>
#include <string>

#include "model/mesh.h"
#include "tools/meshsrc/mesh_source.h"

inline std::string MeshLayoutFault(const MeshModel& m, double radius)
{
    auto length = [](Vec3 v) {
        return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    };
    if (m.faceCount <= 0 || m.vertexCount != 3 * m.faceCount) return "not three corners a face";
    for (int i = 0; i < m.faceCount; ++i)
        for (int k = 0; k < 3; ++k) {
            const MeshFace& f = m.faces[i];
            if (f.vertexIndex[k] != 3 * i + k || f.texCoordIndex[k] != -1)
                return "face " + std::to_string(i) + " has other indices";
            if (f.normalIndex[k] < 0 || f.normalIndex[k] >= m.normalCount)
                return "face " + std::to_string(i) + " has no normal";
        }
    for (int i = 0; i < m.normalCount; ++i)
        if (length(m.normals[i]) != 0.0 && std::fabs(length(m.normals[i]) - 1.0) > 1e-5)
            return "normal " + std::to_string(i) + " is not of unit length";
    for (int i = 0; i < m.vertexCount; ++i)
        if (!(length(m.vertices[i]) <= radius))
            return "position " + std::to_string(i) + " lies beyond the radius";
    return "";
}

inline MeshModel MeshView(const MeshData& m)
{
    return MeshModel{m.name.c_str(),
                     m.faces.data(),
                     int32_t(m.faces.size()),
                     m.vertices.data(),
                     int32_t(m.vertices.size()),
                     m.normals.data(),
                     int32_t(m.normals.size()),
                     nullptr,
                     0};
}
