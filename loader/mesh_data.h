// A mesh in memory as the loader builds it, and what is done to every mesh before it is shown:
// merging equal values, flat normals, fitting it into the viewing box.
#pragma once

#include <string>
#include <vector>

#include "model/mesh.h"

struct MeshData {
    std::string name;
    std::vector<Vec3> vertices; // as read: shared or not, as the file has them, until merged
    std::vector<Vec3> normals;
    std::vector<MeshFace> faces;
};

// Appends a face with its own three positions and its own copy of the normal (one per corner).
void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3]);

// Each stores every value once: merges bit-identical normals (positions), keeping the order of
// first use, and re-points the faces. The drawing stays the same, value for value.
void MeshMergeNormals(MeshData& mesh);
void MeshMergePositions(MeshData& mesh);

// The same for positions whose bits are all identical (-0 and +0 kept apart): fitting and flat
// normals then give each face what they would have given its corners as read, value for value.
void MeshMergeIdenticalPositions(MeshData& mesh);

// Gives every face its flat normal (right-hand rule), each distinct normal stored once: what
// one normal per face merged with MeshMergeNormals would give, without the per-face array.
void MeshSetFlatNormals(MeshData& mesh);

// Asks for 2 MB pages for bytes not yet touched (Linux; only a hint, nothing depends on it). A
// model of millions of faces fills hundreds of megabytes, and with 4 KB pages the first touch of
// each page costs a fault: together more time than reading the file.
void AdviseLargePages(void* data, size_t bytes);

// values.reserve(count), the room in large pages.
template <typename T> void ReserveLarge(std::vector<T>& values, size_t count)
{
    values.reserve(count);
    AdviseLargePages(values.data(), values.capacity() * sizeof(T));
}

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

// The record through which the renderer reaches the mesh, pointing into its arrays (valid while
// they are neither changed nor freed).
MeshModel MeshRecord(const MeshData& mesh);
