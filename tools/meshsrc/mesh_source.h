// Building blocks of the build-time mesh tools: a mesh in memory, flat normals, fitting it into
// the viewing box, and writing it as C++ source that defines meshModel.
#pragma once

#include <string>
#include <vector>

#include "model/mesh.h"

struct MeshData {
    std::string name;
    std::vector<Vec3> vertices; // not shared: face i uses 3i, 3i + 1, 3i + 2
    std::vector<Vec3> normals;  // deduplicated
    std::vector<MeshFace> faces;
};

// Appends a face with its own three positions and its own copy of the normal (one per corner).
void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3]);

// Merges bit-identical normals, keeping the order of first use, and re-points the faces.
void MeshMergeNormals(MeshData& mesh);

// Gives every face its own flat normal (right-hand rule), one per face; merge afterwards.
void MeshSetFlatNormals(MeshData& mesh);

// Unit normal of the triangle by the right-hand rule; the zero vector for a degenerate one.
Vec3 FaceNormal(Vec3 a, Vec3 b, Vec3 c);

// Unit length, or the zero vector when the input has no usable direction.
Vec3 NormalisedOrZero(Vec3 v);

struct MeshBounds {
    Vec3 min, max;
    double radius; // farthest position from the origin
};
MeshBounds MeshMeasure(const MeshData& mesh);

// Moves the bounding-box centre to the origin and scales uniformly so that the farthest
// position lies at radius (rounded down where single precision would overshoot).
void MeshFitToRadius(MeshData& mesh, double radius);

// Writes the source as an output file (see tools/output): a failure leaves nothing behind, and
// `input`, the model it was made from, is never overwritten.
bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, std::string* error);
