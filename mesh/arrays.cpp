// Elements written out in drawing order, straight into fresh large pages (a model of ten million
// triangles fills 720 MB of them, which are not cleared first).
#include "mesh/arrays.h"

#include <cstring>
#include <new>

MeshColor MeshBackColor(MeshColor front)
{
    return MeshColor{uint8_t(front.r / 2), uint8_t(front.g / 2), uint8_t(front.b / 2), front.a};
}

// Room for count elements laid out as list says.
static bool Allocate(DrawList* list, size_t count)
{
    size_t floats = count * size_t(list->stride);
    list->data.reset(new (std::nothrow) float[floats ? floats : 1]);
    if (!list->data) return false;
    AdviseLargePages(list->data.get(), floats * sizeof(float));
    list->count = count;
    return true;
}

static void PutColor(float* slot, MeshColor color)
{
    std::memcpy(slot, &color, sizeof color);
}

// Points or line ends: position, then the colour where the file has colours.
static bool Positions(const MeshData& mesh, const std::vector<int32_t>& indices, DrawList* list)
{
    bool colored = !mesh.colors.empty();
    list->stride = colored ? 4 : 3;
    list->color = colored ? 3 : -1;
    if (!Allocate(list, indices.size())) return false;
    float* out = list->data.get();
    for (int32_t index : indices) {
        const Vec3& v = mesh.vertices[size_t(index)];
        out[0] = v.x, out[1] = v.y, out[2] = v.z;
        if (colored) PutColor(out + 3, mesh.colors[size_t(index)]);
        out += list->stride;
    }
    return true;
}

bool MeshArraysOf(const MeshData& mesh, MeshArrays* arrays)
{
    *arrays = MeshArrays();
    bool colored = !mesh.colors.empty();
    DrawList& t = arrays->triangles;
    t.normal = 0, t.position = 3;
    t.stride = colored ? 8 : 6;
    if (colored) t.color = 6, t.backColor = 7;
    bool fine = Allocate(&t, 3 * mesh.faces.size()) &&
                Positions(mesh, mesh.points, &arrays->points) &&
                Positions(mesh, mesh.lines, &arrays->lines);
    if (!fine) {
        *arrays = MeshArrays();
        return false;
    }
    float* out = t.data.get();
    bool flat = mesh.normals.empty(); // made here, face by face
    for (const MeshFace& face : mesh.faces) {
        const Vec3* p = mesh.vertices.data();
        const int32_t* c = face.vertexIndex;
        Vec3 faceNormal = flat ? FaceNormal(p[c[0]], p[c[1]], p[c[2]]) : Vec3{0, 0, 0};
        for (int k = 0; k < 3; ++k, out += t.stride) {
            const Vec3& n = flat ? faceNormal : mesh.normals[size_t(face.normalIndex[k])];
            const Vec3& v = mesh.vertices[size_t(face.vertexIndex[k])];
            out[0] = n.x, out[1] = n.y, out[2] = n.z;
            out[3] = v.x, out[4] = v.y, out[5] = v.z;
            if (!colored) continue;
            MeshColor c = mesh.colors[size_t(face.vertexIndex[k])];
            PutColor(out + 6, c);
            PutColor(out + 7, MeshBackColor(c));
        }
    }
    return true;
}
