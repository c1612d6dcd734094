// The loader's one way in: pick the reader by extension, then check, fit and merge what it gave,
// the same for every format, so that no reader's slip reaches the renderer.
#include "loader/load.h"

#include "loader/file.h"
#include "loader/path.h"
#include "loader/reader.h"
#include "mesh/finish.h"

#include <algorithm>
#include <cstdio>
#include <new>

static const char* const kFormats[] = {"obj", "ply", "stl", "gltf", "glb"};

bool LoadFormatKnown(const std::string& extension)
{
    return std::find(std::begin(kFormats), std::end(kFormats), extension) != std::end(kFormats);
}

static bool ReadFormat(const std::string& format, const ReadInput& in, MeshData* mesh,
                       ReadError* error)
{
    if (format == "obj") return ReadObj(in, mesh, error);
    if (format == "ply") return ReadPly(in, mesh, error);
    if (format == "stl") return ReadStl(in, mesh, error);
    if (format == "gltf") return ReadGltf(in, mesh, error);
    return ReadGlb(in, mesh, error);
}

static bool Load(const ByteSpan& bytes, const std::string& format, const std::string& name,
                 const std::string& folder, const LoadOptions& options, MeshData* mesh,
                 std::string* error, std::vector<std::string>* sideFiles = nullptr)
{
    *mesh = MeshData();
    ReadInput in;
    in.sideFiles = sideFiles;
    in.bytes = bytes;
    in.name = name;
    in.folder = folder;
    in.fileNormals = options.fileNormals;
    in.maxFaces = std::min(options.maxFaces, kMeshMaxFaces);
    ReadError read;
    bool loaded = false;
    try {
        if (bytes.size == 0)
            read.reason = "empty file";
        else
            loaded = ReadFormat(format, in, mesh, &read) &&
                     MeshFinish(*mesh, options.fileNormals, options.radius, &read.reason);
    } catch (const std::bad_alloc&) {
        read = {0, "too large for memory"};
        loaded = false;
    }
    if (loaded) {
        mesh->name = name;
        return true;
    }
    *mesh = MeshData();
    *error = name + (read.line ? ":" + std::to_string(read.line) : "") + ": " + read.reason;
    return false;
}

static bool KnownOrSay(const std::string& format, const std::string& name, std::string* error)
{
    if (LoadFormatKnown(format)) return true;
    *error = name + ": unknown format" + (format.empty() ? "" : " '." + format + "'") +
             " (reads .obj, .ply, .stl, .gltf, .glb)";
    return false;
}

bool LoadModelFile(const std::string& path, const LoadOptions& options, MeshData* mesh,
                   std::string* error, std::vector<std::string>* sideFiles)
{
    *mesh = MeshData();
    std::string format = PathExtension(path), reason;
    if (!KnownOrSay(format, path, error)) return false;
    FileBytes file;
    if (!ReadWholeFile(path, &file, &reason)) {
        *error = path + ": cannot open: " + reason;
        return false;
    }
    return Load({file.data.get(), file.size}, format, path, PathFolder(path), options, mesh, error,
                sideFiles);
}

bool LoadModelMemory(const void* data, size_t size, const std::string& format,
                     const std::string& name, const LoadOptions& options, MeshData* mesh,
                     std::string* error)
{
    *mesh = MeshData();
    if (!KnownOrSay(format, name, error)) return false;
    return Load({static_cast<const unsigned char*>(data), size}, format, name, "", options, mesh,
                error);
}
