// libFuzzer target for one format of the model loader (FUZZ_FORMAT: the extension of a row of
// loader/formats.cpp), read as that format (as the mesh compiler and as the viewer read it) and
// as a file named without an extension (its content then chooses the reader): whatever the
// loader accepts must keep every promise that the renderer relies on, and anything else must be
// one error line and no mesh.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "loader/load.h"
#include "mesh/arrays.h"
#include "mesh/simplify.h"
#include "tests/mesh_layout.h"

// Whether a mesh read as the viewer reads it keeps its indices within its positions and its
// positions within the radius; its arrays and a stand-in are made from it, so that the
// sanitizers see every read the renderer's data path makes. No memory for them is no fault.
static bool DrawnIntact(MeshData* mesh)
{
    MeshShape shape, standIn;
    MeshArrays arrays;
    if (!MeshShapeTake(mesh, &shape)) return true;
    const size_t positions = shape.vertices.size();
    for (const std::vector<int32_t>* list : {&shape.corners, &shape.points, &shape.lines})
        for (int32_t v : *list)
            if (v < 0 || size_t(v) >= positions) return false;
    if (shape.corners.size() % 3 || (!shape.colors.empty() && shape.colors.size() != positions))
        return false;
    for (const Vec3& p : shape.vertices)
        if (!(MeshLength(p) <= kMeshRadius)) return false;
    if (!MeshArraysReserve(shape, &arrays)) return true;
    for (const DrawList* list : {&arrays.triangles, &arrays.points, &arrays.lines})
        MeshArraysWrite(shape, *list, 0, list->count, list->data.get());
    MeshStandIn(shape, 1000, &standIn);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // As the format (the mesh compiler's flat and file normals, then as the viewer draws it),
    // then as a file without an extension.
    for (int pass = 0; pass < 4; ++pass) {
        std::string format = pass < 3 ? FUZZ_FORMAT : "";
        bool fileNormals = pass == 1;
        LoadOptions options;
        options.use = pass == 2 ? MeshUse::drawn : MeshUse::compiled;
        options.fileNormals = fileNormals;
        options.maxFaces = 1 << 20; // keeps one run's memory small; the limit path is the same
        MeshData mesh;
        std::string error;
        if (!LoadModelMemory(data, size, format, "fuzz." + format, options, &mesh, &error)) {
            if (error.rfind("fuzz.", 0) != 0 || error.find_first_of("\r\n") != std::string::npos ||
                !mesh.faces.empty() || !mesh.corners.empty() || !mesh.vertices.empty())
                std::abort();
            continue;
        }
        if (pass == 2) {
            if (!DrawnIntact(&mesh)) std::abort();
            continue;
        }
        if (!MeshLayoutFault(MeshView(mesh), kMeshRadius).empty()) std::abort();
    }
    return 0;
}
