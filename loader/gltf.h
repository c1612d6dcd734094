// The glTF reader's parts, shared by its source files: JSON read without exceptions, the file's
// buffers and buffer views, and accessors checked against them. Nothing here is used outside
// the gltf*.cpp files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "loader/reader.h"
#include "loader/shown.h"

using Json = nlohmann::json;

// No count or offset that a file can back with bytes comes near this; larger ones are refused,
// which keeps every sum and product of them within 64 bits.
const uint64_t kGltfMaxWhole = uint64_t(1) << 48;

// Work allowed beyond one unit a byte read (see GltfWorkLimit), so that a small file may still
// place a mesh many times.
const uint64_t kGltfWorkAllowance = uint64_t(1) << 20;

struct GltfView {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t stride = 0; // 0: the elements are packed
};

// What the reader has read of a file.
struct GltfFile {
    Json root;
    std::vector<std::vector<unsigned char>> owned; // decoded data URIs
    std::vector<FileBytes> mapped;                 // side files, each once
    std::vector<ByteSpan> buffers;
    std::vector<GltfView> views;
    uint64_t bytes = 0;   // read: the file and its side files, each once
    uint64_t decoded = 0; // vector values decoded so far
};

// The bound of all work: triangles after instancing, nodes placed and values decoded are each
// refused beyond it.
inline uint64_t GltfWorkLimit(const GltfFile& file)
{
    return file.bytes + kGltfWorkAllowance;
}

// An accessor whose every element, sparse index and sparse value lies within its views.
struct GltfAccessor {
    size_t index;
    int componentType;
    size_t componentSize, components;
    bool normalized;
    size_t count;
    const unsigned char* data; // nullptr: all zeros (before the sparse values)
    size_t stride;
    size_t sparseCount;
    const unsigned char* sparseIndices;
    size_t sparseIndexSize;
    const unsigned char* sparseValues;
};

// JSON (gltf_json.cpp). Every getter checks the type before reading, so none throws; a failed
// one sets error to a line that starts with where.
bool GltfParseJson(ByteSpan text, bool countLines, Json* root, ReadError* error);
const Json* JsonFind(const Json& object, const char* key);
// A whole number from 0 to kGltfMaxWhole, written as an integer or as a float without fraction.
bool JsonWholeValue(const Json& value, uint64_t* out);
bool JsonWhole(const Json& object, const char* key, const std::string& where, uint64_t* out,
               ReadError* error);
bool JsonWholeOr(const Json& object, const char* key, uint64_t fallback, const std::string& where,
                 uint64_t* out, ReadError* error);
// object[key] as a list; an absent one is empty.
bool JsonList(const Json& object, const char* key, const std::string& where, const Json** list,
              ReadError* error);
// Item index of the root's list key (named one by one as what: "accessor"), as an object.
const Json* JsonItem(const Json& root, const char* key, uint64_t index, const char* what,
                     const std::string& where, ReadError* error);
// Exactly count numbers; *found is false when the key is absent.
bool JsonNumbers(const Json& object, const char* key, size_t count, const std::string& where,
                 double* out, bool* found, ReadError* error);
// index is below count, the items that the file has; otherwise fails with "REFERS INDEX, but the
// file has COUNT", where refers says who refers to what ("node 2 refers to mesh").
bool GltfIndexWithin(uint64_t index, size_t count, const std::string& refers, ReadError* error);

// Buffers and views (gltf_buffer.cpp). bin is a .glb's binary chunk (hasBin false for .gltf).
bool GltfReadBuffers(const ReadInput& in, ByteSpan bin, bool hasBin, GltfFile* file,
                     ReadError* error);
bool GltfReadViews(GltfFile* file, ReadError* error);

// Accessors (gltf_accessor.cpp). use names what the accessor is read as ("POSITION", "NORMAL",
// "indices"); an accessor of another type, or of component types that use does not allow, is
// refused.
bool GltfReadAccessor(const GltfFile& file, uint64_t index, const char* use,
                      const std::string& where, GltfAccessor* out, ReadError* error);
// Decoded vectors count against GltfWorkLimit (indices need not: triangles bound them).
bool GltfDecodeVec3(GltfFile* file, const GltfAccessor& a, std::vector<Vec3>* out,
                    ReadError* error);
bool GltfDecodeIndices(const GltfAccessor& a, std::vector<uint32_t>* out, ReadError* error);
// COLOR_0's colours (VEC3 or VEC4; floats, or normalized bytes or shorts) times factor, the
// material's baseColorFactor; they count against GltfWorkLimit as vectors do.
bool GltfDecodeColors(GltfFile* file, const GltfAccessor& a, const double factor[4],
                      std::vector<MeshColor>* out, ReadError* error);

// The scene: nodes with their meshes, read only as far as the scene reaches.
using GltfMatrix = std::array<double, 16>; // row r, column c at [4 * c + r], as glTF writes it

// The modes of a primitive: 0 points, 1 lines, 2 a line loop, 3 a line strip, 4 triangles, 5 a
// strip, 6 a fan; and the corners of one of what each draws.
const uint64_t kGltfLines = 1, kGltfTriangles = 4;
inline int GltfCornersOf(uint64_t mode)
{
    return mode >= kGltfTriangles ? 3 : mode >= kGltfLines ? 2 : 1;
}

struct GltfPrimitive {
    std::string where; // "mesh 2 primitive 0", for messages
    uint64_t mode = kGltfTriangles;
    uint64_t elements = 0; // the triangles, lines or points it draws
    bool indexed = false, hasNormals = false, hasColors = false;
    bool colored = false;                    // COLOR_0, or a material's colour
    double factor[4] = {1.0, 1.0, 1.0, 1.0}; // its material's baseColorFactor
    GltfAccessor positions, normals, indices, colors;
};

// A primitive ready to place: the positions (and normals and colours) it uses, and indexing them
// in drawing order three corners a triangle, two ends a line, or the points.
struct GltfPart {
    std::vector<Vec3> positions, normals;
    std::vector<MeshColor> colors; // one a position, where the primitive is colored
    std::vector<uint32_t> corners, lineEnds, points;
};

struct GltfMesh {
    bool read = false;
    uint64_t elements = 0;                 // at most kGltfMaxWhole
    std::vector<GltfPrimitive> primitives; // those that draw anything
    std::vector<GltfPart> parts;
};

struct GltfNode {
    bool read = false;
    uint64_t mesh = UINT64_MAX;
    std::vector<size_t> children;
    GltfMatrix local{};
};

struct GltfScene {
    std::vector<size_t> roots;
    bool loose = false; // no nodes at all: each mesh is drawn once, untransformed
    std::vector<GltfNode> nodes;
    std::vector<GltfMesh> meshes;
    std::vector<size_t> order;    // the nodes reached, every one after all below it
    std::vector<uint64_t> placed; // how often the scene places each node (capped past the limit)
    uint64_t elements = 0;        // triangles, lines and points after instancing
    bool colored = false;         // a primitive is: every position placed gets a colour
};

// Scene (gltf_scene.cpp): reads the nodes and meshes the scene reaches, refuses a cycle, and
// counts the elements and nodes that instancing gives against in.maxFaces and GltfWorkLimit
// before anything is decoded; then places every part of every instance.
bool GltfPlanScene(const GltfFile& file, const ReadInput& in, GltfScene* scene, ReadError* error);
bool GltfPlaceScene(const GltfScene& scene, bool fileNormals, MeshData* mesh, ReadError* error);

// Meshes (gltf_mesh.cpp): a mesh's primitives checked and counted, then decoded into parts.
bool GltfReadMesh(const GltfFile& file, size_t index, bool fileNormals, GltfMesh* mesh,
                  ReadError* error);
bool GltfBuildParts(GltfFile* file, GltfScene* scene, ReadError* error);
