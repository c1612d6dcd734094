// The model formats trackview reads, one row each: the one list that the loader's dispatch, its
// messages, the usage texts, the fuzzers and the desktop files are checked against or built from.
#pragma once

#include <cstddef>
#include <string>

#include "loader/reader.h"

using ModelReader = bool (*)(const ReadInput& in, MeshData* mesh, ReadError* error);
using ModelRecogniser = bool (*)(ByteSpan bytes);

struct ModelFormat {
    const char* extension; // lower case, without its dot
    const char* name;      // as users know it
    const char* mimeType;
    const char* signature; // the first bytes of every such file; "" where no bytes tell it
    ModelReader read;
    ModelRecogniser recognise; // tells a file without a signature by its content; or nullptr
};

// The rows, and how many there are.
const ModelFormat* ModelFormats();
size_t ModelFormatCount();

// The row of a lower-case extension, or nullptr for one that is not read.
const ModelFormat* ModelFormatFind(const std::string& extension);

// The row that reads a file: the row of its extension where that is read, otherwise the row that
// its content names (a signature first, then the looser rules of formats without one), or
// nullptr: a GLB or PLY saved as "scan" is still read, as a file manager types it.
const ModelFormat* ModelFormatChoose(const std::string& extension, ByteSpan bytes);

// The bytes start with the signature of the row of extension (false where it has none).
bool ModelFormatSigned(const char* extension, ByteSpan bytes);

// The extensions as usage texts and messages list them: ".obj, .ply, .stl, .gltf, .glb".
std::string ModelFormatList();
