// Polygons to triangles: a fan for convex ones, ear clipping with a bounded amount of work for
// concave ones. Everything happens in two dimensions, on the plane the polygon lies nearest to.
#include "loader/polygon.h"

#include <algorithm>
#include <cmath>

namespace
{

struct Point2 {
    double u, v;
};

// Work (corners and tree entries visited) allowed for a polygon before the rest of it is fanned:
// enough for outlines of thousands of corners (combs, gears, wavy letters), and linear in the
// corners, so that a file of hostile polygons stays within a few times a plain file's time.
size_t WorkBudget(size_t count)
{
    return 4096 + 32 * count;
}

// Ranges of the tree this small are searched entry by entry, which costs less than splitting.
const size_t kTreeLeaf = 8;

// Polygons this small are cut as they come: repeated corners cost them little.
const size_t kRepeatsCostFrom = 64;

// The concave polygon being clipped: corners as a ring that loses one corner per triangle, and
// the corners that were reflex at the start (only those can lie inside an ear) in a k-d tree
// kept in one array: each range's middle entry splits the rest on the axis it spans most, and
// holds the range's box, so that a search skips what lies outside the ear.
struct TreeNode {
    Point2 point{};
    Point2 low{}, high{}; // the box of the node's range
    uint32_t corner = 0;
    uint32_t live = 0; // entries of the range still reflex and not cut off
    bool dropped = false;
};

struct Ring {
    std::vector<Point2> points;
    std::vector<uint32_t> prev, next;
    std::vector<char> gone;
    double sign; // +1 when the polygon runs anticlockwise in (u, v), else -1
    std::vector<TreeNode> tree;
    size_t work, budget;
};

// An ear being tried: its corners and box, and what the search found.
struct Ear {
    uint32_t a = 0, b = 0, c = 0;
    Point2 low{}, high{};
    bool blocked = false, outOfWork = false;
};

} // namespace

// Twice the signed area of abc, positive when abc turns the polygon's way.
static double Turn(double sign, const Point2& a, const Point2& b, const Point2& c)
{
    return sign * ((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u));
}

static double TurnAt(const Ring& r, uint32_t i)
{
    return Turn(r.sign, r.points[r.prev[i]], r.points[i], r.points[r.next[i]]);
}

static void AppendTriangle(std::vector<uint32_t>* triangles, uint32_t a, uint32_t b, uint32_t c)
{
    triangles->push_back(a);
    triangles->push_back(b);
    triangles->push_back(c);
}

// The axis the polygon's Newell normal points along most, and whether it points that way (+1)
// or the other (-1); -1 for a polygon without area in any direction.
static int DominantAxis(const Vec3* positions, const int32_t* corners, size_t count, double* sign)
{
    double n[3] = {0, 0, 0};
    for (size_t i = 0; i < count; ++i) {
        const Vec3& p = positions[corners[i]];
        const Vec3& q = positions[corners[i + 1 == count ? 0 : i + 1]];
        n[0] += (double(p.y) - q.y) * (double(p.z) + q.z);
        n[1] += (double(p.z) - q.z) * (double(p.x) + q.x);
        n[2] += (double(p.x) - q.x) * (double(p.y) + q.y);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(n[k]) > std::fabs(n[axis])) axis = k;
    *sign = n[axis] < 0 ? -1.0 : 1.0;
    return std::isfinite(n[axis]) && n[axis] != 0.0 ? axis : -1;
}

// Drops the axis so that (u, v, axis) stays right-handed: anticlockwise in (u, v) is then the
// right-hand rule about the axis.
static Point2 Project(const Vec3& p, int axis)
{
    if (axis == 0) return Point2{p.y, p.z};
    if (axis == 1) return Point2{p.z, p.x};
    return Point2{p.x, p.y};
}

static bool Convex(const Vec3* positions, const int32_t* corners, size_t count, int axis,
                   double sign)
{
    Point2 a = Project(positions[corners[count - 2]], axis);
    Point2 b = Project(positions[corners[count - 1]], axis);
    for (size_t i = 0; i < count; ++i) {
        Point2 c = Project(positions[corners[i]], axis);
        if (Turn(sign, a, b, c) < 0) return false;
        a = b;
        b = c;
    }
    return true;
}

static void BuildTree(std::vector<TreeNode>& tree, size_t lo, size_t hi)
{
    if (lo >= hi) return;
    Point2 low = tree[lo].point, high = low;
    for (size_t k = lo; k < hi; ++k) {
        const Point2& p = tree[k].point;
        low = Point2{std::min(low.u, p.u), std::min(low.v, p.v)};
        high = Point2{std::max(high.u, p.u), std::max(high.v, p.v)};
    }
    size_t mid = lo + (hi - lo) / 2;
    if (hi - lo > kTreeLeaf) {
        bool onV = high.v - low.v > high.u - low.u;
        std::nth_element(tree.begin() + lo, tree.begin() + mid, tree.begin() + hi,
                         [&](const TreeNode& i, const TreeNode& j) {
                             return onV ? i.point.v < j.point.v : i.point.u < j.point.u;
                         });
    }
    tree[mid].low = low; // set after the entries have moved into place
    tree[mid].high = high;
    tree[mid].live = uint32_t(hi - lo);
    if (hi - lo <= kTreeLeaf) return;
    BuildTree(tree, lo, mid);
    BuildTree(tree, mid + 1, hi);
}

static bool Same(const Point2& a, const Point2& b)
{
    return a.u == b.u && a.v == b.v;
}

// Whether some of the box may lie in the ear: it meets the ear's box, and no edge of the ear has
// the whole box outside it (tried with the box's corner farthest inside the edge).
static bool Meets(const Ring& r, const Ear& e, const Point2& low, const Point2& high)
{
    if (low.u > e.high.u || high.u < e.low.u || low.v > e.high.v || high.v < e.low.v) return false;
    const uint32_t corner[4] = {e.a, e.b, e.c, e.a};
    for (int k = 0; k < 3; ++k) {
        const Point2 &from = r.points[corner[k]], &to = r.points[corner[k + 1]];
        double du = r.sign * (to.u - from.u), dv = r.sign * (to.v - from.v);
        Point2 inmost{dv > 0 ? low.u : high.u, du > 0 ? high.v : low.v};
        if (Turn(r.sign, from, to, inmost) < 0) return false;
    }
    return true;
}

// Drops the corner if it has been cut off or is no longer reflex (it never blocks an ear again),
// and marks the ear blocked if the corner lies in or on it. Returns 1 for a dropped corner.
static uint32_t TryCorner(const Ring& r, Ear& e, TreeNode& node)
{
    uint32_t i = node.corner;
    if (node.dropped) return 0;
    // Clipping an ear only ever narrows its neighbours' angles, so a corner once convex stays so.
    if (r.gone[i] || TurnAt(r, i) > 0) {
        node.dropped = true;
        return 1;
    }
    const Point2 &p = node.point, &pa = r.points[e.a], &pb = r.points[e.b], &pc = r.points[e.c];
    e.blocked = e.blocked || (i != e.a && i != e.c && !Same(p, pa) && !Same(p, pb) &&
                              !Same(p, pc) && Turn(r.sign, pa, pb, p) >= 0 &&
                              Turn(r.sign, pb, pc, p) >= 0 && Turn(r.sign, pc, pa, p) >= 0);
    return 0;
}

// Looks in the tree range [lo, hi) for a reflex corner in or on the ear. Returns how many corners
// it dropped, for the counts of the ranges above.
static uint32_t SearchTree(Ring& r, Ear& e, size_t lo, size_t hi)
{
    size_t mid = lo + (hi - lo) / 2;
    if (lo >= hi || r.tree[mid].live == 0 || e.blocked || e.outOfWork) return 0;
    r.work += hi - lo <= kTreeLeaf ? hi - lo : 1;
    if (r.work > r.budget) {
        e.outOfWork = true;
        return 0;
    }
    if (!Meets(r, e, r.tree[mid].low, r.tree[mid].high)) return 0;
    uint32_t dropped = 0;
    if (hi - lo <= kTreeLeaf) {
        for (size_t k = lo; k < hi; ++k) dropped += TryCorner(r, e, r.tree[k]);
    } else {
        dropped = TryCorner(r, e, r.tree[mid]) + SearchTree(r, e, lo, mid);
        dropped += SearchTree(r, e, mid + 1, hi);
    }
    r.tree[mid].live -= dropped;
    return dropped;
}

// 1: b is an ear (no reflex corner lies in or on triangle a b c), 0: it is not, -1: the work
// budget ran out.
static int EarAt(Ring& r, uint32_t b)
{
    Ear e;
    e.a = r.prev[b];
    e.b = b;
    e.c = r.next[b];
    const Point2 &pa = r.points[e.a], &pb = r.points[b], &pc = r.points[e.c];
    double turn = Turn(r.sign, pa, pb, pc);
    if (turn < 0) return 0;
    if (turn == 0) return 1; // cutting off nothing changes no area
    e.low = Point2{std::min({pa.u, pb.u, pc.u}), std::min({pa.v, pb.v, pc.v})};
    e.high = Point2{std::max({pa.u, pb.u, pc.u}), std::max({pa.v, pb.v, pc.v})};
    SearchTree(r, e, 0, r.tree.size());
    return e.outOfWork ? -1 : e.blocked ? 0 : 1;
}

static void ClipEars(const Vec3* positions, const int32_t* corners, size_t count, int axis,
                     double sign, std::vector<uint32_t>* triangles)
{
    Ring r;
    r.sign = sign;
    r.points.resize(count);
    r.prev.resize(count);
    r.next.resize(count);
    r.gone.assign(count, 0);
    for (uint32_t i = 0; i < count; ++i) {
        r.points[i] = Project(positions[corners[i]], axis);
        r.prev[i] = i == 0 ? uint32_t(count - 1) : i - 1;
        r.next[i] = i + 1 == count ? 0 : i + 1;
    }
    for (uint32_t i = 0; i < count; ++i)
        if (TurnAt(r, i) <= 0) {
            TreeNode reflex;
            reflex.point = r.points[i];
            reflex.corner = i;
            r.tree.push_back(reflex);
        }
    BuildTree(r.tree, 0, r.tree.size());
    r.work = 0;
    r.budget = WorkBudget(count);
    uint32_t ear = 0;
    size_t left = count, missed = 0;
    // Stops after a whole turn round the ring without an ear (a tangled polygon) or when the work
    // runs out; what is left then is fanned, which still gives every corner its triangles.
    while (left > 3 && missed <= left && ++r.work <= r.budget) {
        int found = EarAt(r, ear);
        if (found < 0) break;
        if (found == 0) {
            ear = r.next[ear];
            ++missed;
            continue;
        }
        uint32_t a = r.prev[ear], c = r.next[ear];
        AppendTriangle(triangles, a, ear, c);
        r.gone[ear] = 1;
        r.next[a] = c;
        r.prev[c] = a;
        --left;
        missed = 0;
        ear = c;
    }
    for (uint32_t b = r.next[ear]; r.next[b] != ear; b = r.next[b])
        AppendTriangle(triangles, ear, b, r.next[b]);
}

// The corners of a large polygon that are worth cutting, as places in corners: a corner at the
// position of the one before it goes (its edge has no length); and where most corners come back
// to positions the polygon has been at already (a hostile file walking a few positions millions
// of times), only each position's first visit stays. Coincident corners by the million would
// otherwise make every ear's search see them all: seconds a million corners, where the outline
// they walk needs a few triangles. False where every corner stays.
static bool DropRepeats(const int32_t* corners, size_t count, std::vector<uint32_t>* kept)
{
    kept->reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        if (corners[i] != corners[i == 0 ? count - 1 : i - 1]) kept->push_back(i);
    std::vector<int32_t> distinct(kept->size());
    for (size_t i = 0; i < kept->size(); ++i) distinct[i] = corners[(*kept)[i]];
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (2 * distinct.size() <= kept->size()) {
        std::vector<char> seen(distinct.size(), 0);
        size_t left = 0;
        for (uint32_t place : *kept) {
            size_t rank =
                size_t(std::lower_bound(distinct.begin(), distinct.end(), corners[place]) -
                       distinct.begin());
            if (!seen[rank]) (*kept)[left++] = place;
            seen[rank] = 1;
        }
        kept->resize(left);
    }
    return kept->size() < count;
}

// A polygon's triangles, its corners taken as they are.
static void Cut(const Vec3* positions, const int32_t* corners, size_t count,
                std::vector<uint32_t>* triangles)
{
    if (count < 3) return;
    double sign = 1.0;
    int axis = count == 3 ? -1 : DominantAxis(positions, corners, count, &sign);
    if (axis >= 0 && !Convex(positions, corners, count, axis, sign)) {
        ClipEars(positions, corners, count, axis, sign, triangles);
        return;
    }
    for (uint32_t i = 2; i < count; ++i) AppendTriangle(triangles, 0, i - 1, i);
}

void TriangulatePolygon(const Vec3* positions, const int32_t* corners, size_t count,
                        std::vector<uint32_t>* triangles)
{
    std::vector<uint32_t> kept;
    if (count <= kRepeatsCostFrom || !DropRepeats(corners, count, &kept)) {
        Cut(positions, corners, count, triangles);
        return;
    }
    std::vector<int32_t> ring(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) ring[i] = corners[kept[i]];
    size_t first = triangles->size();
    Cut(positions, ring.data(), ring.size(), triangles);
    for (size_t i = first; i < triangles->size(); ++i) (*triangles)[i] = kept[(*triangles)[i]];
}
