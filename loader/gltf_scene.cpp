// The glTF scene's node tree: read as far as the scene reaches, without recursion, cycles
// refused; a node reached through several parents is placed once for each way down to it.
// Instances are counted (capped, so a tree of nodes that multiplies costs nothing) and refused
// beyond the limits before any is placed. Transforms accumulate in double precision.
#include "loader/gltf.h"

#include <algorithm>
#include <cmath>

namespace
{

const GltfMatrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const size_t kNoNode = SIZE_MAX;

// A node on the way down from a root: where it is placed, and which child comes next.
struct Frame {
    size_t node = 0;
    GltfMatrix world{};
    size_t next = 0;
};

} // namespace

// matrix, or translation * rotation * scale (a quaternion x, y, z, w, normalised here).
static bool ReadTransform(const Json& node, const std::string& where, GltfMatrix* m,
                          ReadError* error)
{
    double t[3] = {0, 0, 0}, q[4] = {0, 0, 0, 1}, s[3] = {1, 1, 1};
    bool found;
    if (!JsonNumbers(node, "matrix", 16, where, m->data(), &found, error)) return false;
    if (found) { // a node's matrix is affine: its last row is taken as 0 0 0 1
        (*m)[3] = (*m)[7] = (*m)[11] = 0;
        (*m)[15] = 1;
        return true;
    }
    if (!JsonNumbers(node, "translation", 3, where, t, &found, error) ||
        !JsonNumbers(node, "rotation", 4, where, q, &found, error) ||
        !JsonNumbers(node, "scale", 3, where, s, &found, error))
        return false;
    double length2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    if (!(length2 > 0)) return ReadFail(error, 0, where + ": rotation is all zeros");
    double k = 2 / length2, x = q[0], y = q[1], z = q[2], w = q[3];
    double r[3][3] = {{1 - k * (y * y + z * z), k * (x * y - z * w), k * (x * z + y * w)},
                      {k * (x * y + z * w), 1 - k * (x * x + z * z), k * (y * z - x * w)},
                      {k * (x * z - y * w), k * (y * z + x * w), 1 - k * (x * x + y * y)}};
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) (*m)[4 * col + row] = r[row][col] * s[col];
        (*m)[4 * col + 3] = 0;
        (*m)[12 + col] = t[col];
    }
    (*m)[15] = 1;
    return true;
}

// A list of node numbers (what: "a child", as messages name one item), each checked to be a node.
static bool ReadNodeList(const Json& list, const std::string& where, const char* what, size_t nodes,
                         std::vector<size_t>* out, ReadError* error)
{
    std::string refers = where + " refers to node";
    out->reserve(out->size() + list.size());
    for (const Json& item : list) {
        uint64_t n;
        if (!JsonWholeValue(item, &n))
            return ReadFail(error, 0, where + ": " + what + " is not a node number");
        if (!GltfIndexWithin(n, nodes, refers, error)) return false;
        out->push_back(size_t(n));
    }
    return true;
}

static bool ReadNode(const GltfFile& file, size_t index, GltfScene* s, ReadError* error)
{
    GltfNode& node = s->nodes[index];
    if (node.read) return true;
    node.read = true;
    std::string where = "node " + std::to_string(index);
    const Json* item = JsonItem(file.root, "nodes", index, "node", "the file", error);
    const Json* children;
    if (!item || !JsonList(*item, "children", where, &children, error) ||
        (JsonFind(*item, "mesh") && !JsonWhole(*item, "mesh", where, &node.mesh, error)))
        return false;
    if (node.mesh != UINT64_MAX &&
        !GltfIndexWithin(node.mesh, s->meshes.size(), where + " refers to mesh", error))
        return false;
    return ReadNodeList(*children, where, "a child", s->nodes.size(), &node.children, error) &&
           ReadTransform(*item, where, &node.local, error);
}

// The scene the file names, else its first; without scenes every node that is no node's child,
// and without nodes every mesh as it is.
static bool ChooseRoots(const GltfFile& file, GltfScene* s, ReadError* error)
{
    const Json *nodes, *meshes, *scenes, *list;
    if (!JsonList(file.root, "nodes", "the file", &nodes, error) ||
        !JsonList(file.root, "meshes", "the file", &meshes, error) ||
        !JsonList(file.root, "scenes", "the file", &scenes, error))
        return false;
    s->nodes.resize(nodes->size());
    s->meshes.resize(meshes->size());
    s->placed.assign(nodes->size(), 0);
    if (!JsonFind(file.root, "scene") && scenes->empty()) {
        s->loose = nodes->empty();
        std::vector<char> isChild(nodes->size(), 0);
        for (size_t i = 0; i < nodes->size(); ++i) {
            if (!ReadNode(file, i, s, error)) return false;
            for (size_t child : s->nodes[i].children) isChild[child] = 1;
        }
        for (size_t i = 0; i < nodes->size(); ++i)
            if (!isChild[i]) s->roots.push_back(i);
        return true;
    }
    uint64_t chosen;
    if (!JsonWholeOr(file.root, "scene", 0, "the file", &chosen, error)) return false;
    std::string where = "scene " + std::to_string(chosen);
    const Json* scene = JsonItem(file.root, "scenes", chosen, "scene", "the file", error);
    return scene && JsonList(*scene, "nodes", where, &list, error) &&
           ReadNodeList(*list, where, "a node", s->nodes.size(), &s->roots, error);
}

// Depth first with a stack of its own: every node reached, after all nodes below it.
static bool OrderNodes(const GltfFile& file, GltfScene* s, ReadError* error)
{
    std::vector<char> state(s->nodes.size(), 0); // 0 not reached, 1 on the way down, 2 done
    std::vector<std::pair<size_t, size_t>> path; // node, next child
    for (size_t root : s->roots) {
        if (state[root] == 2) continue;
        if (!ReadNode(file, root, s, error)) return false;
        state[root] = 1;
        path.push_back({root, 0});
        while (!path.empty()) {
            size_t node = path.back().first, next = path.back().second;
            if (next == s->nodes[node].children.size()) {
                state[node] = 2;
                s->order.push_back(node);
                path.pop_back();
                continue;
            }
            ++path.back().second;
            size_t child = s->nodes[node].children[next];
            if (state[child] == 1)
                return ReadFail(error, 0, "node " + std::to_string(child) + " is its own ancestor");
            if (state[child] == 2) continue;
            if (!ReadNode(file, child, s, error)) return false;
            state[child] = 1;
            path.push_back({child, 0});
        }
    }
    return true;
}

// Counts placed nodes and elements (triangles, lines, points) after instancing, parents first,
// capped just past the limit; notes whether any primitive drawn has colours.
static bool CountWork(const GltfFile& file, const ReadInput& in, GltfScene* s, ReadError* error)
{
    uint64_t limit = GltfWorkLimit(file), cap = limit + 1, nodes = 0;
    auto add = [cap](uint64_t a, uint64_t b) { return std::min(a + b, cap); };
    auto times = [cap](uint64_t a, uint64_t b) {
        return b && a > cap / b ? cap : std::min(a * b, cap);
    };
    for (size_t root : s->roots) s->placed[root] = add(s->placed[root], 1);
    for (auto it = s->order.rbegin(); it != s->order.rend(); ++it) {
        const GltfNode& node = s->nodes[*it];
        nodes = add(nodes, s->placed[*it]);
        for (size_t child : node.children) s->placed[child] = add(s->placed[child], s->placed[*it]);
        if (node.mesh == UINT64_MAX) continue;
        GltfMesh& mesh = s->meshes[size_t(node.mesh)];
        if (!mesh.read && !GltfReadMesh(file, size_t(node.mesh), in.fileNormals, &mesh, error))
            return false;
        s->elements = add(s->elements, times(s->placed[*it], mesh.elements));
    }
    for (size_t i = 0; s->loose && i < s->meshes.size(); ++i) {
        if (!GltfReadMesh(file, i, in.fileNormals, &s->meshes[i], error)) return false;
        s->elements = add(s->elements, s->meshes[i].elements);
    }
    for (const GltfMesh& mesh : s->meshes)
        for (const GltfPrimitive& p : mesh.primitives) s->colored = s->colored || p.colored;
    auto beyond = [&file, limit](const char* what) {
        return "more than " + std::to_string(limit) + " " + what + ", the most that a file of " +
               std::to_string(file.bytes) + " bytes may give";
    };
    if (!ReadFacesAllowed(in, s->elements, 0, error)) return false;
    if (s->elements > limit) return ReadFail(error, 0, beyond("triangles after instancing"));
    if (nodes > limit) return ReadFail(error, 0, "the node tree places " + beyond("nodes"));
    return true;
}

bool GltfPlanScene(const GltfFile& file, const ReadInput& in, GltfScene* scene, ReadError* error)
{
    return ChooseRoots(file, scene, error) && OrderNodes(file, scene, error) &&
           CountWork(file, in, scene, error);
}

static GltfMatrix Multiply(const GltfMatrix& a, const GltfMatrix& b)
{
    GltfMatrix m;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            m[4 * col + row] = a[row] * b[4 * col] + a[4 + row] * b[4 * col + 1] +
                               a[8 + row] * b[4 * col + 2] + a[12 + row] * b[4 * col + 3];
    return m;
}

static void Cross(const double* a, const double* b, double* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Normals turn by the inverse transpose of the upper 3x3, whose columns are the cross products
// of its columns over the determinant; a mirroring one (determinant below 0) also reverses the
// winding, so that the right-hand rule still points outwards.
static bool PlaceMesh(const GltfMesh& m, const GltfMatrix& w, size_t node, bool fileNormals,
                      bool colored, MeshData* out, ReadError* error)
{
    const double* col[3] = {&w[0], &w[4], &w[8]};
    double n[3][3];
    Cross(col[1], col[2], n[0]);
    Cross(col[2], col[0], n[1]);
    Cross(col[0], col[1], n[2]);
    double det = col[0][0] * n[0][0] + col[0][1] * n[0][1] + col[0][2] * n[0][2];
    bool flip = det < 0;
    double sign = flip ? -1 : 1;
    const bool identity = w == kIdentity; // most files: positions as read, already finite
    for (const GltfPart& part : m.parts) {
        int32_t base = int32_t(out->vertices.size()), normalBase = int32_t(out->normals.size());
        if (identity)
            out->vertices.insert(out->vertices.end(), part.positions.begin(), part.positions.end());
        for (size_t i = 0; !identity && i < part.positions.size(); ++i) {
            const Vec3& p = part.positions[i];
            double xyz[3];
            for (int r = 0; r < 3; ++r)
                xyz[r] = w[r] * p.x + w[4 + r] * p.y + w[8 + r] * p.z + w[12 + r];
            Vec3 v{float(xyz[0]), float(xyz[1]), float(xyz[2])};
            if (!Finite(v))
                return ReadFail(error, 0,
                                (node == kNoNode ? "a mesh" : "node " + std::to_string(node)) +
                                    " places positions beyond the range of a float (non-finite)");
            out->vertices.push_back(v);
        }
        for (size_t i = 0; fileNormals && i < part.normals.size(); ++i) {
            const Vec3& v = part.normals[i];
            double d[3], length = 0;
            for (int r = 0; r < 3; ++r) {
                d[r] = sign * (n[0][r] * v.x + n[1][r] * v.y + n[2][r] * v.z);
                length += d[r] * d[r];
            }
            length = std::sqrt(length);
            bool usable = length > 0 && std::isfinite(length);
            out->normals.push_back(
                usable ? NormalisedOrZero(
                             Vec3{float(d[0] / length), float(d[1] / length), float(d[2] / length)})
                       : Vec3{0, 0, 0});
        }
        for (size_t t = 0; t + 2 < part.corners.size(); t += 3) {
            int32_t k[3] = {int32_t(part.corners[t]), int32_t(part.corners[t + 1]),
                            int32_t(part.corners[t + 2])};
            if (flip) std::swap(k[1], k[2]);
            if (fileNormals)
                MeshAppendFace(*out, base + k[0], base + k[1], base + k[2], normalBase + k[0],
                               normalBase + k[1], normalBase + k[2]);
            else
                MeshAppendFace(*out, base + k[0], base + k[1], base + k[2], 0, 0, 0);
        }
        for (uint32_t k : part.lineEnds) out->lines.push_back(base + int32_t(k));
        for (uint32_t k : part.points) out->points.push_back(base + int32_t(k));
        // Every position has a colour once one has: those without are white.
        if (colored && part.colors.empty()) out->colors.resize(out->vertices.size(), kMeshWhite);
        if (colored && !part.colors.empty())
            out->colors.insert(out->colors.end(), part.colors.begin(), part.colors.end());
    }
    return true;
}

bool GltfPlaceScene(const GltfScene& s, bool fileNormals, MeshData* mesh, ReadError* error)
{
    uint64_t positions = 0;
    std::vector<uint64_t> meshPositions(s.meshes.size(), 0);
    for (size_t i = 0; i < s.meshes.size(); ++i)
        for (const GltfPart& part : s.meshes[i].parts) meshPositions[i] += part.positions.size();
    for (size_t node : s.order)
        if (s.nodes[node].mesh != UINT64_MAX)
            positions += s.placed[node] * meshPositions[size_t(s.nodes[node].mesh)];
    for (size_t i = 0; s.loose && i < s.meshes.size(); ++i) positions += meshPositions[i];
    MeshReserveTriangles(*mesh, size_t(s.elements));
    ReserveLarge(mesh->vertices, size_t(positions)); // at most three a triangle
    if (fileNormals) ReserveLarge(mesh->normals, size_t(positions));
    for (size_t i = 0; s.loose && i < s.meshes.size(); ++i)
        if (!PlaceMesh(s.meshes[i], kIdentity, kNoNode, fileNormals, s.colored, mesh, error))
            return false;
    std::vector<Frame> path;
    for (size_t root : s.roots) {
        Frame start;
        start.node = root;
        start.world = s.nodes[root].local;
        path.push_back(start);
        while (!path.empty()) {
            Frame& top = path.back();
            const GltfNode& node = s.nodes[top.node];
            if (top.next == 0 && node.mesh != UINT64_MAX &&
                !PlaceMesh(s.meshes[size_t(node.mesh)], top.world, top.node, fileNormals, s.colored,
                           mesh, error))
                return false;
            if (top.next == node.children.size()) {
                path.pop_back();
                continue;
            }
            size_t child = node.children[top.next++];
            Frame below;
            below.node = child;
            below.world = Multiply(top.world, s.nodes[child].local);
            path.push_back(below);
        }
    }
    return true;
}
