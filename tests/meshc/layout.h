// What every compiled mesh must be, for each test that makes one: positions not shared, indices
// within their arrays, no texture coordinates, normals of unit length or zero, nothing farther
// than radius from the origin. Returns what is wrong, or "" when nothing is.
#pragma once

#include <cmath>

#include "tools/meshsrc/mesh_source.h"

inline std::string MeshLayoutFault(const MeshModel& m, double radius)
{
    auto length = [](Vec3 v) {
        return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    };
    if (m.faceCount <= 0 || m.vertexCount != 3 * m.faceCount) return "not three corners a face";
    for (int i = 0; i < 3 * m.faceCount; ++i) {
        const MeshFace& f = m.faces[i / 3];
        if (f.vertexIndex[i % 3] != i || f.texCoordIndex[i % 3] != -1) return "face indices";
        if (f.normalIndex[i % 3] < 0 || f.normalIndex[i % 3] >= m.normalCount)
            return "normal index";
        if (!(length(m.vertices[i]) <= radius)) return "position beyond the radius";
    }
    for (int i = 0; i < m.normalCount; ++i)
        if (length(m.normals[i]) != 0.0 && std::fabs(length(m.normals[i]) - 1.0) > 1e-5)
            return "normal " + std::to_string(i) + " is not of unit length";
    return "";
}

inline MeshModel MeshView(const MeshData& m)
{
    return {m.name.c_str(),
            m.faces.data(),
            int32_t(m.faces.size()),
            m.vertices.data(),
            int32_t(m.vertices.size()),
            m.normals.data(),
            int32_t(m.normals.size()),
            nullptr,
            0};
}
