// A torus of ring x tube quads, each split in two, fitted as a model file's mesh would be: big
// models for the tests without files.
#pragma once

#include <cmath>

#include "mesh/finish.h"
#include "mesh/mesh_data.h"

inline MeshData TorusMesh(int ring, int tube)
{
    MeshData mesh;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < ring; ++i)
        for (int j = 0; j < tube; ++j) {
            double u = 2 * pi * i / ring, v = 2 * pi * j / tube, r = 3 + std::cos(v);
            mesh.vertices.push_back(
                Vec3{float(r * std::cos(u)), float(r * std::sin(u)), float(std::sin(v))});
        }
    for (int i = 0; i < ring; ++i)
        for (int j = 0; j < tube; ++j) {
            int32_t a = i * tube + j, b = (i + 1) % ring * tube + j,
                    c = (i + 1) % ring * tube + (j + 1) % tube, d = i * tube + (j + 1) % tube;
            MeshAppendFace(mesh, a, b, c, 0, 0, 0);
            MeshAppendFace(mesh, a, c, d, 0, 0, 0);
        }
    std::string reason;
    MeshFinish(mesh, false, kMeshRadius, &reason);
    return mesh;
}
