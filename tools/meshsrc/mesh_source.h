// Writing a mesh as C++ source that defines meshModel, for the build-time mesh tools.
#pragma once

#include <string>

#include "loader/mesh_data.h"

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
