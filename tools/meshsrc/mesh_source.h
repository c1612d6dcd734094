// Writing a mesh as C++ source that defines meshModel, for the build-time mesh tools.
#pragma once

#include <string>
#include <vector>

#include "mesh/mesh_data.h"

// How the arrays reach the compiler. Embedded: in a data file beside the source, which the
// assembler takes in whole (GCC, Clang, MinGW); a million faces build in seconds. Source: as C++
// initializers, for any compiler, slow to compile beyond some 100,000 faces.
enum class MeshForm { embedded, source };

// Writes the source (and its data file) as output files (see tools/output): a failure leaves
// OUT as it was, and neither `input`, the model it was made from, nor any of modelSideFiles, the
// files that model refers to (glTF buffers), is ever written. `origin` goes into the first
// comment, escaped. A descriptor, a device or a pipe gets the source form. The data file of
// OUT.cpp is OUT.cpp.mesh-HASH.bin (HASH: 16 hex digits of its content), a new name created beside
// the source before the source takes its place; the data file the replaced source named then
// goes. So the data file is never a file of the user's, and a source never names missing data.
bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, MeshForm form, std::string* error,
                     const std::vector<std::string>& modelSideFiles = {});
