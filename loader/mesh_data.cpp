// Merging equal values, normals and fitting: done to every mesh, loaded or generated.
#include "loader/mesh_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3])
{
    int32_t v = int32_t(mesh.vertices.size());
    int32_t n = int32_t(mesh.normals.size());
    mesh.vertices.insert(mesh.vertices.end(), {a, b, c});
    mesh.normals.insert(mesh.normals.end(), {normals[0], normals[1], normals[2]});
    mesh.faces.push_back(MeshFace{{v, v + 1, v + 2}, {n, n + 1, n + 2}, {-1, -1, -1}});
}

static uint32_t FloatBits(float f)
{
    if (f == 0.0f) f = 0.0f; // -0 and +0 are the same value
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

static bool SameBits(const Vec3& a, const Vec3& b)
{
    return FloatBits(a.x) == FloatBits(b.x) && FloatBits(a.y) == FloatBits(b.y) &&
           FloatBits(a.z) == FloatBits(b.z);
}

// Keeps one of each set of equal values, in order of first use, and re-points the faces' indices
// (the member `which`). An open-addressing table of merged indices costs four bytes a
// slot and one pass, which matters for meshes of millions of faces.
static void MergeEqual(std::vector<Vec3>& values, std::vector<MeshFace>& faces,
                       int32_t (MeshFace::*which)[3])
{
    size_t slots = 16;
    while (slots < 2 * values.size()) slots *= 2;
    const uint32_t empty = UINT32_MAX;
    std::vector<uint32_t> table(slots, empty), remap(values.size());
    std::vector<Vec3> merged;
    for (size_t i = 0; i < values.size(); ++i) {
        const Vec3& v = values[i];
        uint64_t h = FloatBits(v.x) * 0x9E3779B97F4A7C15ull;
        h = (h ^ FloatBits(v.y)) * 0xC2B2AE3D27D4EB4Full;
        h = (h ^ FloatBits(v.z)) * 0x165667B19E3779F9ull;
        size_t slot = size_t(h >> 20) & (slots - 1);
        while (table[slot] != empty && !SameBits(merged[table[slot]], v))
            slot = (slot + 1) & (slots - 1);
        if (table[slot] == empty) {
            table[slot] = uint32_t(merged.size());
            merged.push_back(v);
        }
        remap[i] = table[slot];
    }
    for (MeshFace& face : faces)
        for (int32_t& index : face.*which) index = int32_t(remap[size_t(index)]);
    values = std::move(merged);
}

void MeshMergeNormals(MeshData& mesh)
{
    MergeEqual(mesh.normals, mesh.faces, &MeshFace::normalIndex);
}

void MeshMergePositions(MeshData& mesh)
{
    MergeEqual(mesh.vertices, mesh.faces, &MeshFace::vertexIndex);
}

void MeshSetFlatNormals(MeshData& mesh)
{
    mesh.normals.resize(mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        MeshFace& face = mesh.faces[i];
        mesh.normals[i] = FaceNormal(mesh.vertices[size_t(face.vertexIndex[0])],
                                     mesh.vertices[size_t(face.vertexIndex[1])],
                                     mesh.vertices[size_t(face.vertexIndex[2])]);
        face.normalIndex[0] = face.normalIndex[1] = face.normalIndex[2] = int32_t(i);
    }
}

Vec3 NormalisedOrZero(Vec3 v)
{
    double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (!(length > 1e-30) || !std::isfinite(length)) return Vec3{0, 0, 0};
    return Vec3{float(v.x / length), float(v.y / length), float(v.z / length)};
}

Vec3 FaceNormal(Vec3 a, Vec3 b, Vec3 c)
{
    double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 1e-12)) return Vec3{0, 0, 0};
    return Vec3{float(nx / length), float(ny / length), float(nz / length)};
}

MeshBounds MeshMeasure(const MeshData& mesh)
{
    MeshBounds b{{0, 0, 0}, {0, 0, 0}, 0.0};
    if (mesh.vertices.empty()) return b;
    b.min = b.max = mesh.vertices[0];
    for (const Vec3& v : mesh.vertices) {
        b.min = Vec3{std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
        b.max = Vec3{std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
        b.radius = std::max(b.radius,
                            std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
    }
    return b;
}

void MeshFitToRadius(MeshData& mesh, double radius)
{
    MeshBounds b = MeshMeasure(mesh);
    double cx = (double(b.min.x) + b.max.x) / 2, cy = (double(b.min.y) + b.max.y) / 2,
           cz = (double(b.min.z) + b.max.z) / 2;
    double farthest = 0.0;
    for (const Vec3& v : mesh.vertices) {
        double x = v.x - cx, y = v.y - cy, z = v.z - cz;
        farthest = std::max(farthest, std::sqrt(x * x + y * y + z * z));
    }
    double scale = farthest > 0.0 ? radius / farthest : 1.0;
    // Rounding to single precision may push a position a hair past the radius; shrink until not.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::vector<Vec3> placed(mesh.vertices.size());
        double reached = 0.0;
        for (size_t i = 0; i < placed.size(); ++i) {
            const Vec3& v = mesh.vertices[i];
            placed[i] = Vec3{float((v.x - cx) * scale), float((v.y - cy) * scale),
                             float((v.z - cz) * scale)};
            const Vec3& p = placed[i];
            reached = std::max(
                reached, std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
        }
        if (reached <= radius || attempt == 7) {
            mesh.vertices = std::move(placed);
            return;
        }
        scale *= 1.0 - 1e-7;
    }
}
