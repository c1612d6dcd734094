// The table of model formats. Its rows stand one a line in this shape, since CMake reads the
// extensions from these lines (file(STRINGS ... REGEX) in loader/CMakeLists.txt) to make one fuzzer
// a format; adding a format is a row here, its reader and its test models.
#include "loader/formats.h"

#include <cstring>
#include <iterator>

static const ModelFormat kFormats[] = {
    {"obj", "Wavefront OBJ", "model/obj", "", ReadObj, ObjRecognised},
    {"ply", "PLY", "model/x-ply", "ply", ReadPly, nullptr},
    {"stl", "STL", "model/stl", "", ReadStl, StlRecognised},
    {"gltf", "glTF 2.0", "model/gltf+json", "", ReadGltf, GltfRecognised},
    {"glb", "glTF 2.0 binary", "model/gltf-binary", "glTF", ReadGlb, nullptr},
};

const ModelFormat* ModelFormats()
{
    return kFormats;
}

size_t ModelFormatCount()
{
    return std::size(kFormats);
}

const ModelFormat* ModelFormatFind(const std::string& extension)
{
    for (const ModelFormat& format : kFormats)
        if (extension == format.extension) return &format;
    return nullptr;
}

const ModelFormat* ModelFormatChoose(const std::string& extension, ByteSpan bytes)
{
    if (const ModelFormat* named = ModelFormatFind(extension)) return named;
    for (const ModelFormat& format : kFormats)
        if (ModelFormatSigned(format.extension, bytes)) return &format;
    for (const ModelFormat& format : kFormats)
        if (format.recognise && format.recognise(bytes)) return &format;
    return nullptr;
}

bool ModelFormatSigned(const char* extension, ByteSpan bytes)
{
    const ModelFormat* format = ModelFormatFind(extension);
    size_t length = format ? std::strlen(format->signature) : 0;
    return length > 0 && bytes.size >= length &&
           std::memcmp(bytes.data, format->signature, length) == 0;
}

std::string ModelFormatList()
{
    std::string list;
    for (const ModelFormat& format : kFormats)
        list += std::string(list.empty() ? "." : ", .") + format.extension;
    return list;
}
