// The finishing steps, the same for every reader's result, so that no reader's slip reaches the
// renderer.
#include "mesh/finish.h"

#include <algorithm>
#include <cstdio>

// What every reader's result must be before the renderer may index it unchecked.
static bool CheckRead(const MeshData& mesh, bool fileNormals, std::string* reason)
{
    if (mesh.faces.empty()) {
        *reason = "no triangles";
        return false;
    }
    size_t positions = mesh.vertices.size(), normals = mesh.normals.size();
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            int32_t v = mesh.faces[f].vertexIndex[k], n = mesh.faces[f].normalIndex[k];
            if (v < 0 || size_t(v) >= positions ||
                (fileNormals && (n < 0 || size_t(n) >= normals))) {
                *reason = "triangle " + std::to_string(f) + " has a corner outside its arrays";
                return false;
            }
        }
    for (size_t i = 0; i < positions; ++i)
        if (!Finite(mesh.vertices[i])) {
            *reason = "position " + std::to_string(i + 1) + " has a non-finite coordinate";
            return false;
        }
    return true;
}

static bool AllPositionsEqual(const std::vector<Vec3>& v)
{
    return std::all_of(v.begin(), v.end(), [&](const Vec3& p) {
        return p.x == v[0].x && p.y == v[0].y && p.z == v[0].z;
    });
}

// Where the file repeats its positions (an STL file stores each about six times), identical
// ones are merged first, so that fitting and flat normals work on each once. Fitting may round
// two positions to the same floats, so the merge of equal ones comes after it.
bool MeshFinish(MeshData& mesh, bool fileNormals, double radius, std::string* reason)
{
    if (!CheckRead(mesh, fileNormals, reason)) return false;
    if (mesh.vertices.size() > mesh.faces.size()) MeshMergeIdenticalPositions(mesh);
    // A point draws nothing: the viewer would show only its background.
    if (AllPositionsEqual(mesh.vertices)) {
        *reason = "the model has no extent (all its corners are equal)";
        return false;
    }
    if (radius > 0) MeshFitToRadius(mesh, radius);
    if (!fileNormals) MeshSetFlatNormals(mesh);
    MeshMergePositions(mesh);
    if (mesh.vertices.size() == 1) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", radius);
        *reason = std::string("at radius ") + text + " the model shrinks to a point";
        return false;
    }
    if (fileNormals) {
        for (Vec3& n : mesh.normals) n = NormalisedOrZero(n);
        MeshMergeNormals(mesh);
    }
    return true;
}
