// The finishing steps, the same for every reader's result, so that no reader's slip reaches the
// renderer.
#include "mesh/finish.h"

#include <algorithm>
#include <cstdio>

// Whether the triangle's corners lie on one line (or coincide): its area, taken in the file's own
// units (no threshold, which would refuse a model drawn in tiny units), is exactly zero.
static bool WithoutArea(const std::vector<Vec3>& p, const int32_t* corner)
{
    const Vec3 &a = p[size_t(corner[0])], &b = p[size_t(corner[1])], &c = p[size_t(corner[2])];
    double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    return uy * vz == uz * vy && uz * vx == ux * vz && ux * vy == uy * vx;
}

// Each index of points or lines within the positions.
static bool CheckIndices(const std::vector<int32_t>& indices, size_t positions, const char* what,
                         std::string* reason)
{
    for (size_t i = 0; i < indices.size(); ++i)
        if (indices[i] < 0 || size_t(indices[i]) >= positions) {
            *reason = std::string(what) + " " + std::to_string(i) + " is outside the positions";
            return false;
        }
    return true;
}

// What every reader's result must be before the renderer may index it unchecked. Notes in *flat
// whether a triangle has no area, while its corners are at hand.
static bool CheckRead(const MeshData& mesh, bool fileNormals, bool* flat, std::string* reason)
{
    const size_t triangles = MeshTriangleCount(mesh);
    if (triangles == 0 && mesh.points.empty() && mesh.lines.empty()) {
        *reason = "no triangles";
        return false;
    }
    size_t positions = mesh.vertices.size(), normals = mesh.normals.size();
    if ((!mesh.colors.empty() && mesh.colors.size() != positions) || mesh.lines.size() % 2 != 0 ||
        mesh.corners.size() % 3 != 0) {
        *reason = "the colours, lines or triangles do not match the positions";
        return false;
    }
    if (!CheckIndices(mesh.points, positions, "point", reason) ||
        !CheckIndices(mesh.lines, positions, "line end", reason))
        return false;
    const bool faces = mesh.use == MeshUse::compiled;
    bool any = false;
    for (size_t f = 0; f < triangles; ++f) {
        const int32_t* corner = MeshTriangle(mesh, f);
        for (int k = 0; k < 3; ++k) {
            int32_t v = corner[k], n = faces ? mesh.faces[f].normalIndex[k] : 0;
            if (v < 0 || size_t(v) >= positions ||
                (fileNormals && faces && (n < 0 || size_t(n) >= normals))) {
                *reason = "triangle " + std::to_string(f) + " has a corner outside its arrays";
                return false;
            }
        }
        any |= WithoutArea(mesh.vertices, corner);
    }
    *flat = any;
    for (size_t i = 0; i < positions; ++i)
        if (!Finite(mesh.vertices[i])) {
            *reason = "position " + std::to_string(i + 1) + " has a non-finite coordinate";
            return false;
        }
    return true;
}

static bool ShrinksToAPoint(double radius, std::string* reason)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", radius);
    *reason = std::string("at radius ") + text + " the model shrinks to a point";
    return false;
}

static bool AllPositionsEqual(const std::vector<Vec3>& v)
{
    return std::all_of(v.begin(), v.end(), [&](const Vec3& p) {
        return p.x == v[0].x && p.y == v[0].y && p.z == v[0].z;
    });
}

// Triangles without area go, and so do the positions that only they use. Such a triangle covers
// no pixel, and its flat normal would be the zero vector, which no light can use; kept, its
// corners would also count in the fit, so that a needle of them far from the rest would shrink
// what is drawn to a speck. A model that has nothing else is refused: the viewer would show only
// its background. The file's own normals change nothing here: such a triangle still draws
// nothing.
static bool DropTrianglesWithoutArea(MeshData& mesh, std::string* reason)
{
    const bool faces = mesh.use == MeshUse::compiled;
    std::vector<char> use(mesh.vertices.size(), 0); // 1: only dropped triangles use it
    size_t kept = 0;
    for (size_t f = 0, triangles = MeshTriangleCount(mesh); f < triangles; ++f) {
        const int32_t* corner = MeshTriangle(mesh, f);
        bool drop = WithoutArea(mesh.vertices, corner);
        for (int k = 0; k < 3; ++k) use[size_t(corner[k])] |= drop ? 1 : 2;
        if (drop) continue;
        if (faces)
            mesh.faces[kept] = mesh.faces[f];
        else
            std::copy(corner, corner + 3, &mesh.corners[3 * kept]);
        ++kept;
    }
    mesh.faces.resize(faces ? kept : 0);
    mesh.corners.resize(faces ? 0 : 3 * kept);
    if (kept == 0 && mesh.points.empty() && mesh.lines.empty()) {
        *reason = "the model has no area (the corners of each triangle lie on one line)";
        return false;
    }
    for (int32_t v : mesh.points) use[size_t(v)] |= 2;
    for (int32_t v : mesh.lines) use[size_t(v)] |= 2;
    std::vector<int32_t> moved(mesh.vertices.size());
    size_t left = 0;
    bool colored = !mesh.colors.empty();
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        moved[i] = int32_t(left);
        if (use[i] == 1) continue;
        if (colored) mesh.colors[left] = mesh.colors[i];
        mesh.vertices[left++] = mesh.vertices[i];
    }
    mesh.vertices.resize(left);
    if (colored) mesh.colors.resize(left);
    for (MeshFace& face : mesh.faces)
        for (int32_t& v : face.vertexIndex) v = moved[size_t(v)];
    for (int32_t& v : mesh.corners) v = moved[size_t(v)];
    for (int32_t& v : mesh.points) v = moved[size_t(v)];
    for (int32_t& v : mesh.lines) v = moved[size_t(v)];
    return true;
}

// A model drawn is fitted and checked, no more: its arrays need no value stored once, and they make
// flat normals face by face.
static bool FinishDrawn(MeshData& mesh, bool fileNormals, double radius, bool flat,
                        std::string* reason)
{
    if (flat && !DropTrianglesWithoutArea(mesh, reason)) return false;
    if (radius > 0) MeshFitToRadius(mesh, radius);
    if (AllPositionsEqual(mesh.vertices)) return ShrinksToAPoint(radius, reason);
    if (fileNormals)
        for (Vec3& n : mesh.normals) n = NormalisedOrZero(n);
    return true;
}

// Where the file repeats its positions (an STL file stores each about six times), identical
// ones are merged first, so that fitting and flat normals work on each once. Fitting may round
// two positions to the same floats, so the merge of equal ones comes after it.
bool MeshFinish(MeshData& mesh, bool fileNormals, double radius, std::string* reason)
{
    const MeshUse use = mesh.use;
    if (use == MeshUse::compiled) { // a compiled mesh is triangles, in the materials' colours
        mesh.colors.clear();
        mesh.points.clear();
        mesh.lines.clear();
    }
    bool flat = false;
    if (!CheckRead(mesh, fileNormals, &flat, reason)) return false;
    if (use == MeshUse::compiled && mesh.vertices.size() > mesh.faces.size())
        MeshMergeIdenticalPositions(mesh);
    // A point draws nothing: the viewer would show only its background.
    if (AllPositionsEqual(mesh.vertices)) {
        *reason = "the model has no extent (all its corners are equal)";
        return false;
    }
    if (use == MeshUse::drawn) return FinishDrawn(mesh, fileNormals, radius, flat, reason);
    if (flat && !DropTrianglesWithoutArea(mesh, reason)) return false;
    if (radius > 0) MeshFitToRadius(mesh, radius);
    if (!fileNormals) MeshSetFlatNormals(mesh);
    MeshMergePositions(mesh);
    if (mesh.vertices.size() == 1) return ShrinksToAPoint(radius, reason);
    if (fileNormals) {
        for (Vec3& n : mesh.normals) n = NormalisedOrZero(n);
        MeshMergeNormals(mesh);
    }
    return true;
}
