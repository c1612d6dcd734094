// Building blocks of the build-time mesh tools: a mesh in memory, merging equal values, flat
// normals, fitting it into the viewing box, and writing it as C++ source that defines meshModel.
#pragma once

#include <string>
#include <vector>

#include "model/mesh.h"

struct MeshData {
    std::string name;
    std::vector<Vec3> vertices; // as loaded, face i uses 3i, 3i + 1, 3i + 2, until merged
    std::vector<Vec3> normals;
    std::vector<MeshFace> faces;
};

// Appends a face with its own three positions and its own copy of the normal (one per corner).
void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3]);

// Each stores every value once: merges bit-identical normals (positions), keeping the order of
// first use, and re-points the faces. The drawing stays the same, value for value.
void MeshMergeNormals(MeshData& mesh);
void MeshMergePositions(MeshData& mesh);

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

// How the arrays reach the compiler. Embedded: in a data file beside the source (MeshBlobPath),
// which the assembler takes in whole (GCC, Clang, MinGW); a million faces build in seconds.
// Source: as C++ initializers, for any compiler, slow to compile beyond some 100,000 faces.
enum class MeshForm { embedded, source };

// OUT.cpp's data file: OUT.bin.
std::string MeshBlobPath(const std::string& sourcePath);

// Writes the source (and its data file) as output files (see tools/output): a failure leaves
// nothing behind, and `input`, the model it was made from, is never overwritten. `origin` goes
// into the first comment, escaped. A path that is a device or a pipe gets the source form.
bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, MeshForm form, std::string* error);
