// Elements written out in drawing order, straight into fresh large pages (a model of ten million
// triangles fills 720 MB of them, which are not cleared first).
#include "mesh/arrays.h"

#include <cstring>
#include <new>

MeshColor MeshBackColor(MeshColor front)
{
    return MeshColor{uint8_t(front.r / 2), uint8_t(front.g / 2), uint8_t(front.b / 2), front.a};
}

// The layout of a list, with room for count elements.
static bool Reserve(DrawList* list, DrawKind kind, bool colored, size_t count)
{
    list->kind = kind;
    list->normal = kind == DrawKind::triangles ? 0 : -1;
    list->position = list->normal >= 0 ? 3 : 0;
    list->color = colored ? list->position + 3 : -1;
    list->backColor = colored && kind == DrawKind::triangles ? list->color + 1 : -1;
    list->stride = list->position + 3 + (colored ? 1 : 0) + (list->backColor >= 0 ? 1 : 0);
    size_t floats = count * size_t(list->stride);
    list->data.reset(new (std::nothrow) float[floats ? floats : 1]);
    if (!list->data) return false;
    AdviseLargePages(list->data.get(), floats * sizeof(float));
    list->count = count;
    return true;
}

bool MeshArraysReserve(const MeshShape& shape, MeshArrays* arrays)
{
    *arrays = MeshArrays();
    bool colored = !shape.colors.empty();
    bool fine = Reserve(&arrays->triangles, DrawKind::triangles, colored, shape.corners.size()) &&
                Reserve(&arrays->points, DrawKind::points, colored, shape.points.size()) &&
                Reserve(&arrays->lines, DrawKind::lines, colored, shape.lines.size());
    if (!fine) *arrays = MeshArrays();
    return fine;
}

static void PutColor(float* slot, MeshColor color)
{
    std::memcpy(slot, &color, sizeof color);
}

void MeshArraysWrite(const MeshShape& shape, const DrawList& list, size_t first, size_t count,
                     float* out)
{
    const std::vector<int32_t>& indices = list.kind == DrawKind::triangles ? shape.corners
                                          : list.kind == DrawKind::points  ? shape.points
                                                                           : shape.lines;
    const Vec3* p = shape.vertices.data();
    Vec3 normal{0, 0, 0};
    for (size_t i = first; i < first + count; ++i, out += list.stride) {
        const size_t v = size_t(indices[i]);
        if (list.normal >= 0) {
            if (i % 3 == 0) normal = FaceNormal(p[v], p[indices[i + 1]], p[indices[i + 2]]);
            out[0] = normal.x, out[1] = normal.y, out[2] = normal.z;
        }
        float* at = out + list.position;
        at[0] = p[v].x, at[1] = p[v].y, at[2] = p[v].z;
        if (list.color < 0) continue;
        MeshColor c = shape.colors[v];
        PutColor(out + list.color, c);
        if (list.backColor >= 0) PutColor(out + list.backColor, MeshBackColor(c));
    }
}
