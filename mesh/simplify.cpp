// Vertex clustering. The cell size comes from a sample of the positions: a surface covers about
// half as many cells as a clustered version of it has triangles, and the sample is dense enough
// (several positions a cell) to find nearly every cell it covers.
#include "mesh/simplify.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
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
            size_t slot = SlotOf(bigger, t.keys[i] - 1);
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

// Cells that one position in about stride falls in. The steps vary, so that the sample cannot
// fall into step with the rows of a scan or a height map and see only a few of its columns.
size_t CellsCovered(const std::vector<Vec3>& vertices, const Grid& g, size_t stride)
{
    CellTable t;
    CellTableStart(t, vertices.size() / stride);
    for (size_t i = 0; i < vertices.size();) {
        CellOf(t, KeyOf(g, vertices[i]));
        i += 1 + size_t((i * 0x9E3779B97F4A7C15ull) >> 40) % (2 * stride - 1);
    }
    return t.count;
}

} // namespace

// Whether an element of n corners (1 to 3) in these cells is the first in them, whichever way
// round it came: two facing ways on one spot would show both materials in turn. Cells below
// 2^20 only.
static bool FirstOfItsCells(CellTable& seen, const uint32_t* cells, int n)
{
    uint32_t s[3] = {cells[0], n > 1 ? cells[1] : 0, n > 2 ? cells[2] : 0};
    std::sort(s, s + n);
    uint64_t key = uint64_t(n) << 60 | uint64_t(s[0]) << 40 | uint64_t(s[1]) << 20 | s[2];
    const uint32_t before = seen.count;
    CellOf(seen, key);
    return seen.count != before;
}

static MeshShape Clustered(const MeshShape& shape, size_t target)
{
    MeshShape out;
    const std::vector<Vec3>& vertices = shape.vertices;
    if (MeshShapeElements(shape) <= target || vertices.empty() || target < 2) return out;
    Vec3 low = vertices[0], high = vertices[0];
    for (const Vec3& v : vertices) {
        low = Vec3{std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = Vec3{std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z, 1e-6f});
    Grid grid{low, extent / 64};
    // A surface covers half as many cells as its stand-in has triangles; a cloud one a point.
    size_t cellsWanted = shape.corners.empty() ? target : target / 2;
    // Several positions a cell in the sample, so that it finds nearly every cell they cover.
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
    std::vector<double> sums; // x y z, then r g b a where there are colours
    std::vector<uint32_t> counts;
    const size_t sumsOf = shape.colors.empty() ? 3 : 7;
    for (size_t i = 0; i < vertices.size(); ++i) {
        const Vec3& v = vertices[i];
        uint32_t cell = CellOf(t, KeyOf(grid, v));
        cellOf[i] = cell;
        if (cell == counts.size()) {
            counts.push_back(0);
            sums.resize(sums.size() + sumsOf, 0.0);
        }
        ++counts[cell];
        double* sum = &sums[sumsOf * cell];
        sum[0] += v.x, sum[1] += v.y, sum[2] += v.z;
        if (sumsOf == 7) {
            const MeshColor& c = shape.colors[i];
            sum[3] += c.r, sum[4] += c.g, sum[5] += c.b, sum[6] += c.a;
        }
    }
    out.vertices.resize(counts.size());
    if (sumsOf == 7) out.colors.resize(counts.size());
    for (size_t c = 0; c < counts.size(); ++c) {
        const double* sum = &sums[sumsOf * c];
        double n = counts[c];
        out.vertices[c] = Vec3{float(sum[0] / n), float(sum[1] / n), float(sum[2] / n)};
        if (sumsOf == 7)
            out.colors[c] = MeshColor{uint8_t(sum[3] / n + 0.5), uint8_t(sum[4] / n + 0.5),
                                      uint8_t(sum[5] / n + 0.5), uint8_t(sum[6] / n + 0.5)};
    }

    // Past 2^20 cells the keys could not tell elements apart: all are kept then.
    CellTable seen;
    CellTableStart(seen, 2 * target);
    bool once = t.count < (1u << 20);
    auto keep = [&](const std::vector<int32_t>& indices, int n, std::vector<int32_t>* into) {
        for (size_t k = 0; k + n <= indices.size(); k += size_t(n)) {
            uint32_t c[3];
            bool spans = true; // all its corners in cells of their own
            for (int j = 0; j < n; ++j) {
                c[j] = cellOf[size_t(indices[k + j])];
                for (int i = 0; i < j; ++i) spans = spans && c[i] != c[j];
            }
            if (!spans || (once && !FirstOfItsCells(seen, c, n))) continue;
            for (int j = 0; j < n; ++j) into->push_back(int32_t(c[j]));
        }
    };
    keep(shape.corners, 3, &out.corners);
    keep(shape.points, 1, &out.points);
    keep(shape.lines, 2, &out.lines);
    return out;
}

bool MeshStandIn(const MeshShape& shape, size_t target, MeshShape* standIn)
{
    try {
        *standIn = Clustered(shape, target);
        return true;
    } catch (const std::bad_alloc&) {
        *standIn = MeshShape();
        return false;
    }
}
