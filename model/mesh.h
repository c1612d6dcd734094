// The compiled-in mesh, reached through one constant record. The layout is fixed: generated
// sources and the renderer both depend on it, so it is checked at compile time.
#pragma once

#include <cstdint>

#include "model/vec3.h"

struct MeshFace {
    int32_t vertexIndex[3];   // corners in drawing order
    int32_t normalIndex[3];   // one per corner
    int32_t texCoordIndex[3]; // -1: none
};

struct MeshModel {
    const char* name;
    const MeshFace* faces;
    int32_t faceCount;
    const Vec3* vertices;
    int32_t vertexCount;
    const Vec3* normals;
    int32_t normalCount;
    const float* texCoords; // never read; the built-in mesh has none
    int32_t texCoordCount;
};

// The viewing box reaches this far from the origin (the projection's half height), so every
// position lies closer; generated meshes reach out to kMeshRadius unless told otherwise.
constexpr double kViewLimit = 150.5;
constexpr double kMeshRadius = 146.0;

static_assert(sizeof(Vec3) == 12, "a position is three packed floats");
static_assert(sizeof(MeshFace) == 36, "a face is nine packed int32 values");

// The one mesh linked into the program (generated at build time).
extern const MeshModel meshModel;
