// A stand-in for the generated mesh in the fuzzer: the core's state never depends on the mesh,
// and drawing 15 000 counted faces per frame would cut the fuzzer's speed a thousandfold. Two
// faces, one of them degenerate, still run DrawMesh's loop and its index lookups.
#include "model/mesh.h"

static const Vec3 vertices[] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
static const Vec3 normals[] = {{0, 0, 1}, {0, 0, 0}};
static const MeshFace faces[] = {
    {{0, 1, 2}, {0, 0, 0}, {-1, -1, -1}},
    {{0, 1, 1}, {1, 1, 1}, {-1, -1, -1}},
};

const MeshModel meshModel = {"fuzz", faces, 2, vertices, 3, normals, 2, nullptr, 0};
