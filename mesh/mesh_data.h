// A mesh in memory, as the loader and the mesh tools build it, and the record through which the
// renderer reaches it. Below the loader: it knows no file format.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/mesh.h"

// Most faces a mesh may have: 3 x faces positions must still fit the record's int32 counts.
const size_t kMeshMaxFaces = 715827882;

// The smallest radius worth fitting to: a mesh of radius 1 is still a few pixels wide on the
// screen; below it the viewer shows little more than its background.
const double kMeshMinRadius = 1.0;

// A colour of the file's, 8 bits a channel, in the order OpenGL reads unsigned bytes.
struct MeshColor {
    uint8_t r, g, b, a;
};

// The colour of a position that a file with colours leaves without one.
const MeshColor kMeshWhite{255, 255, 255, 255};

// What a mesh is read and finished for (mesh/finish.h).
enum class MeshUse {
    // The mesh compiler's record: triangles only (points, lines and colours go), each equal
    // position and normal stored once, flat normals unless the file's are kept.
    compiled,
    // A viewer's arrays (mesh/arrays.h): triangles, points, lines and colours as read, nothing
    // merged; the arrays make flat normals face by face. Triangles are kept as their corners
    // alone, a third of the memory of faces, so that a reader writes each once, where the arrays
    // are later read from.
    drawn,
};

struct MeshData {
    std::string name;
    MeshUse use = MeshUse::compiled; // chosen before the mesh is filled: where triangles go
    std::vector<Vec3> vertices;      // as read: shared or not, as the file has them, until merged
    std::vector<Vec3> normals;
    std::vector<MeshFace> faces;   // a compiled mesh's triangles
    std::vector<int32_t> corners;  // a drawn mesh's: three position indices each
    std::vector<MeshColor> colors; // the file's colour of each position; empty: it has none
    std::vector<int32_t> points;   // positions drawn as points
    std::vector<int32_t> lines;    // positions drawn as lines, two a line
};

// The record through which the renderer reaches the mesh, pointing into its arrays (valid while
// they are neither changed nor freed).
MeshModel MeshRecord(const MeshData& mesh);

// All three coordinates are numbers: neither NaN nor infinite.
inline bool Finite(Vec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Triangles of the mesh, kept as its use says.
inline size_t MeshTriangleCount(const MeshData& mesh)
{
    return mesh.use == MeshUse::drawn ? mesh.corners.size() / 3 : mesh.faces.size();
}

// The three position indices of triangle f.
inline const int32_t* MeshTriangle(const MeshData& mesh, size_t f)
{
    return mesh.use == MeshUse::drawn ? &mesh.corners[3 * f] : mesh.faces[f].vertexIndex;
}

// Appends a triangle on positions a, b and c (indices into mesh.vertices) with the normals na,
// nb and nc (indices into mesh.normals, or 0 where the mesh gets flat normals later; a drawn mesh
// keeps no normal index).
inline void MeshAppendFace(MeshData& mesh, int32_t a, int32_t b, int32_t c, int32_t na, int32_t nb,
                           int32_t nc)
{
    if (mesh.use == MeshUse::drawn) {
        mesh.corners.insert(mesh.corners.end(), {a, b, c});
        return;
    }
    // Filled where it lies: a face built aside and copied in stalled on the copy.
    mesh.faces.emplace_back();
    MeshFace& face = mesh.faces.back();
    face.vertexIndex[0] = a, face.vertexIndex[1] = b, face.vertexIndex[2] = c;
    face.normalIndex[0] = na, face.normalIndex[1] = nb, face.normalIndex[2] = nc;
    face.texCoordIndex[0] = face.texCoordIndex[1] = face.texCoordIndex[2] = -1;
}

// Appends a face with its own three positions and its own copy of the normal (one per corner).
void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3]);

// Unit normal of the triangle by the right-hand rule; the zero vector for a degenerate one.
Vec3 FaceNormal(Vec3 a, Vec3 b, Vec3 c);

// Unit length, or the zero vector when the input has no usable direction.
Vec3 NormalisedOrZero(Vec3 v);

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

struct MeshBounds {
    Vec3 min, max;
    double radius; // farthest position from the origin
};
MeshBounds MeshMeasure(const MeshData& mesh);

// Moves the bounding-box centre to the origin and scales uniformly so that the farthest
// position lies at radius (rounded down where single precision would overshoot).
void MeshFitToRadius(MeshData& mesh, double radius);

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

// Room for count triangles in large pages, kept as the mesh's use says.
inline void MeshReserveTriangles(MeshData& mesh, size_t count)
{
    if (mesh.use == MeshUse::drawn)
        ReserveLarge(mesh.corners, 3 * count);
    else
        ReserveLarge(mesh.faces, count);
}
