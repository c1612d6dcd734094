// The loader's one way in: pick the reader by extension, then check, fit and merge what it gave,
// the same for every format, so that no reader's slip reaches the renderer.
#include "loader/load.h"
#include "loader/file.h"
#include "loader/reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

static const char* const kFormats[] = {"obj", "ply", "stl", "gltf", "glb"};

bool LoadFormatKnown(const std::string& extension)
{
    return std::find(std::begin(kFormats), std::end(kFormats), extension) != std::end(kFormats);
}

static std::string LowerExtension(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return extension;
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

static bool Finite(Vec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// What every reader's result must be before the renderer may index it unchecked.
static bool CheckRead(const MeshData& mesh, bool fileNormals, std::string* reason)
{
    if (mesh.faces.empty()) {
        *reason = "no triangles";
        return false;
    }
    size_t positions = mesh.vertices.size(), normals = mesh.normals.size();
    for (size_t f = 0; f < mesh.faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            int32_t v = mesh.faces[f].vertexIndex[k], n = mesh.faces[f].normalIndex[k];
            if (v < 0 || size_t(v) >= positions ||
                (fileNormals && (n < 0 || size_t(n) >= normals))) {
                *reason = "triangle " + std::to_string(f) + " has a corner outside its arrays";
                return false;
            }
        }
    for (size_t i = 0; i < positions; ++i)
        if (!Finite(mesh.vertices[i])) {
            *reason = "position " + std::to_string(i + 1) + " has a non-finite coordinate";
            return false;
        }
    return true;
}

static bool AllPositionsEqual(const std::vector<Vec3>& v)
{
    return std::all_of(v.begin(), v.end(), [&](const Vec3& p) {
        return p.x == v[0].x && p.y == v[0].y && p.z == v[0].z;
    });
}

// Where the file repeats its positions (an STL file stores each about six times), identical
// ones are merged first, so that fitting and flat normals work on each once. Fitting may round
// two positions to the same floats, so the merge of equal ones comes after it.
static bool Finish(MeshData& mesh, const LoadOptions& options, std::string* reason)
{
    if (!CheckRead(mesh, options.fileNormals, reason)) return false;
    if (mesh.vertices.size() > mesh.faces.size()) MeshMergeIdenticalPositions(mesh);
    // A point draws nothing: the viewer would show only its background.
    if (AllPositionsEqual(mesh.vertices)) {
        *reason = "the model has no extent (all its corners are equal)";
        return false;
    }
    if (options.radius > 0) MeshFitToRadius(mesh, options.radius);
    if (!options.fileNormals) MeshSetFlatNormals(mesh);
    MeshMergePositions(mesh);
    if (mesh.vertices.size() == 1) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", options.radius);
        *reason = std::string("at radius ") + text + " the model shrinks to a point";
        return false;
    }
    if (options.fileNormals) {
        for (Vec3& n : mesh.normals) n = NormalisedOrZero(n);
        MeshMergeNormals(mesh);
    }
    return true;
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
            loaded = ReadFormat(format, in, mesh, &read) && Finish(*mesh, options, &read.reason);
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
    std::string format = LowerExtension(path), reason;
    if (!KnownOrSay(format, path, error)) return false;
    FileBytes file;
    if (!ReadWholeFile(path, &file, &reason)) {
        *error = path + ": cannot open: " + reason;
        return false;
    }
    return Load({file.data.get(), file.size}, format, path, ModelFolder(path), options, mesh, error,
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
