// The mesh record and the finishing steps that need no merging: faces added by hand, normals,
// bounds and fitting into the viewing box.
#include "mesh/mesh_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3])
{
    int32_t v = int32_t(mesh.vertices.size());
    int32_t n = int32_t(mesh.normals.size());
    mesh.vertices.insert(mesh.vertices.end(), {a, b, c});
    mesh.normals.insert(mesh.normals.end(), {normals[0], normals[1], normals[2]});
    mesh.faces.push_back(MeshFace{{v, v + 1, v + 2}, {n, n + 1, n + 2}, {-1, -1, -1}});
}

void AdviseLargePages(void* data, size_t bytes)
{
#ifdef __linux__
    const uintptr_t page = uintptr_t(2) << 20;
    uintptr_t start = (uintptr_t(data) + page - 1) & ~(page - 1);
    uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
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

// Where a position lands when moved by -centre and scaled, in single precision.
static Vec3 Placed(const Vec3& v, const double centre[3], double scale)
{
    return Vec3{float((v.x - centre[0]) * scale), float((v.y - centre[1]) * scale),
                float((v.z - centre[2]) * scale)};
}

// Largest distances are found as largest squares: the square root of the largest square is the
// largest of the square roots, and one is taken instead of one a position.
void MeshFitToRadius(MeshData& mesh, double radius)
{
    std::vector<Vec3>& vertices = mesh.vertices;
    if (vertices.empty()) return;
    Vec3 low = vertices[0], high = vertices[0];
    for (const Vec3& v : vertices) {
        low = Vec3{std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = Vec3{std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    const double centre[3] = {(double(low.x) + high.x) / 2, (double(low.y) + high.y) / 2,
                              (double(low.z) + high.z) / 2};
    double farthest = 0.0;
    for (const Vec3& v : vertices) {
        double x = v.x - centre[0], y = v.y - centre[1], z = v.z - centre[2];
        farthest = std::max(farthest, x * x + y * y + z * z);
    }
    double scale = farthest > 0.0 ? radius / std::sqrt(farthest) : 1.0;
    // Rounding to single precision may push a position a hair past the radius; shrink until not.
    // The positions are moved in place once the scale is settled.
    for (int attempt = 0; attempt < 7; ++attempt) {
        double reached = 0.0;
        for (const Vec3& v : vertices) {
            Vec3 p = Placed(v, centre, scale);
            reached = std::max(reached, double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        }
        if (std::sqrt(reached) <= radius) break;
        scale *= 1.0 - 1e-7;
    }
    for (Vec3& v : vertices) v = Placed(v, centre, scale);
}

MeshModel MeshRecord(const MeshData& mesh)
{
    return {mesh.name.c_str(),
            mesh.faces.data(),
            int32_t(mesh.faces.size()),
            mesh.vertices.data(),
            int32_t(mesh.vertices.size()),
            mesh.normals.data(),
            int32_t(mesh.normals.size()),
            nullptr,
            0};
}
