// libFuzzer target for one format of the model loader (FUZZ_FORMAT: the extension of a row of
// loader/formats.cpp), read as that format and as a file named without an extension (its
// content then chooses the reader): whatever the loader accepts must keep every promise that
// the renderer relies on, and anything else must be one error line and no mesh.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "loader/load.h"
#include "tests/mesh_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int pass = 0; pass < 3; ++pass) {
        std::string format = pass < 2 ? FUZZ_FORMAT : "";
        bool fileNormals = pass == 1;
        LoadOptions options;
        options.fileNormals = fileNormals;
        options.maxFaces = 1 << 20; // keeps one run's memory small; the limit path is the same
        MeshData mesh;
        std::string error;
        if (!LoadModelMemory(data, size, format, "fuzz." + format, options, &mesh, &error)) {
            if (error.rfind("fuzz.", 0) != 0 || error.find_first_of("\r\n") != std::string::npos ||
                !mesh.faces.empty() || !mesh.vertices.empty())
                std::abort();
            continue;
        }
        if (!MeshLayoutFault(MeshView(mesh), kMeshRadius).empty()) std::abort();
    }
    return 0;
}
