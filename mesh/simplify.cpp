// Vertex clustering. The cell size comes from a sample of the positions: a surface covers about
// half as many cells as a clustered version of it has triangles, and the sample is dense enough
// (several positions a cell) to find nearly every cell it covers.
#include "mesh/simplify.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{

// Cells numbered in order of first use, by their packed grid coordinates, in an open-addressing
// table that grows at half full.
struct CellTable {
    std::vector<uint64_t> keys; // key + 1, 0 for an empty slot
    std::vector<uint32_t> ids;
    uint32_t count = 0;
    int shift = 54; // 64 - log2(size): a slot from the top bits of a key's product
};

void CellTableStart(CellTable& t, size_t expected)
{
    size_t size = 1024;
    t.shift = 54;
    for (; size < 2 * expected; size *= 2) --t.shift;
    t.keys.assign(size, 0);
    t.ids.assign(size, 0);
    t.count = 0;
}

size_t SlotOf(const CellTable& t, uint64_t key)
{
    return size_t((key * 0x9E3779B97F4A7C15ull) >> t.shift);
}

uint32_t CellOf(CellTable& t, uint64_t key)
{
    if (2 * (size_t(t.count) + 1) > t.keys.size()) {
        CellTable bigger;
        CellTableStart(bigger, t.keys.size());
        for (size_t i = 0; i < t.keys.size(); ++i) {
            if (t.keys[i] == 0) continue;
            size_t slot =
                size_t((t.keys[i] - 1) * 0x9E3779B97F4A7C15ull) & (bigger.keys.size() - 1);
            while (bigger.keys[slot] != 0) slot = (slot + 1) & (bigger.keys.size() - 1);
            bigger.keys[slot] = t.keys[i];
            bigger.ids[slot] = t.ids[i];
        }
        bigger.count = t.count;
        t = std::move(bigger);
    }
    size_t mask = t.keys.size() - 1;
    for (size_t slot = SlotOf(t, key);; slot = (slot + 1) & mask) {
        if (t.keys[slot] == key + 1) return t.ids[slot];
        if (t.keys[slot] == 0) {
            t.keys[slot] = key + 1;
            t.ids[slot] = t.count;
            return t.count++;
        }
    }
}

struct Grid {
    Vec3 low;
    double cell;
};

uint64_t KeyOf(const Grid& g, const Vec3& v)
{
    // Fitted meshes lie within the viewing box, and cells are at least a millionth of it.
    auto step = [&](float value, float low) {
        return uint64_t(std::min(std::max((double(value) - low) / g.cell, 0.0), 2097151.0));
    };
    return step(v.x, g.low.x) << 42 | step(v.y, g.low.y) << 21 | step(v.z, g.low.z);
}

// Cells that every stride-th position falls in.
size_t CellsCovered(const std::vector<Vec3>& vertices, const Grid& g, size_t stride)
{
    CellTable t;
    CellTableStart(t, vertices.size() / stride);
    for (size_t i = 0; i < vertices.size(); i += stride) CellOf(t, KeyOf(g, vertices[i]));
    return t.count;
}

} // namespace

MeshShape MeshShapeOf(const MeshData& mesh)
{
    MeshShape shape;
    shape.vertices = mesh.vertices;
    shape.corners.reserve(3 * mesh.faces.size());
    for (const MeshFace& face : mesh.faces)
        shape.corners.insert(shape.corners.end(), face.vertexIndex, face.vertexIndex + 3);
    return shape;
}

MeshData MeshStandIn(const MeshShape& shape, size_t targetFaces)
{
    MeshData out;
    const std::vector<Vec3>& vertices = shape.vertices;
    if (shape.corners.size() / 3 <= targetFaces || vertices.empty() || targetFaces < 2) return out;
    Vec3 low = vertices[0], high = vertices[0];
    for (const Vec3& v : vertices) {
        low = Vec3{std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = Vec3{std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z, 1e-6f});
    Grid grid{low, extent / 64};
    // Several positions a cell in the sample, so that it finds nearly every cell they cover.
    size_t cellsWanted = targetFaces / 2;
    size_t stride = std::max<size_t>(1, vertices.size() / (8 * cellsWanted));
    for (int round = 0; round < 4; ++round) {
        size_t covered = std::max<size_t>(1, CellsCovered(vertices, grid, stride));
        double scale =
            std::sqrt(double(covered) / double(cellsWanted)); // a surface: cells ~ 1/cell^2
        if (std::fabs(scale - 1.0) < 0.05) break;
        grid.cell = std::max(grid.cell * scale, extent / 2e6);
    }

    CellTable t;
    CellTableStart(t, 2 * cellsWanted);
    std::vector<uint32_t> cellOf(vertices.size());
    std::vector<double> sums;
    std::vector<uint32_t> counts;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const Vec3& v = vertices[i];
        uint32_t cell = CellOf(t, KeyOf(grid, v));
        cellOf[i] = cell;
        if (cell == counts.size()) {
            counts.push_back(0);
            sums.insert(sums.end(), {0.0, 0.0, 0.0});
        }
        ++counts[cell];
        sums[3 * cell] += v.x, sums[3 * cell + 1] += v.y, sums[3 * cell + 2] += v.z;
    }
    out.vertices.resize(counts.size());
    for (size_t c = 0; c < counts.size(); ++c)
        out.vertices[c] = Vec3{float(sums[3 * c] / counts[c]), float(sums[3 * c + 1] / counts[c]),
                               float(sums[3 * c + 2] / counts[c])};

    // Each triangle that spans three cells, once, whichever way round it came: two facing ways
    // on one spot would show both materials in turn. (Past 2^21 cells none are told apart.)
    CellTable seen;
    CellTableStart(seen, 2 * targetFaces);
    bool once = t.count < (1u << 21);
    for (size_t k = 0; k + 2 < shape.corners.size(); k += 3) {
        uint32_t c[3] = {cellOf[size_t(shape.corners[k])], cellOf[size_t(shape.corners[k + 1])],
                         cellOf[size_t(shape.corners[k + 2])]};
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        uint32_t s[3] = {c[0], c[1], c[2]};
        std::sort(s, s + 3);
        uint64_t key = uint64_t(s[0]) << 42 | uint64_t(s[1]) << 21 | s[2];
        if (once && CellOf(seen, key) + 1 != seen.count) continue;
        MeshAppendFace(out, int32_t(c[0]), int32_t(c[1]), int32_t(c[2]), 0, 0, 0);
    }
    MeshSetFlatNormals(out);
    return out;
}
