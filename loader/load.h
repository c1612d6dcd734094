// Opening a model file (OBJ, PLY, STL, glTF 2.0) as a mesh that the renderer draws as it draws
// the built-in one: triangles, centred on the bounding box, the farthest position at the radius,
// flat normals or the file's own, equal positions and equal normals stored once. No platform,
// window or GL code: the programs and the mesh compiler all read files through this.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mesh/finish.h"

struct LoadOptions {
    MeshUse use = MeshUse::compiled; // drawn: points, lines and colours too, nothing merged
    bool fileNormals = false;        // keep the file's normals instead of flat face normals
    double radius = kMeshRadius;     // the farthest position ends up this far from the origin; 0:
                                     // positions stay in the file's units (tests, comparisons)
    size_t maxFaces = kMeshMaxFaces; // lowered by tests to reach the limit with small files
};

// Whether a lower-case file extension names a format read (loader/formats.h lists them).
bool LoadFormatKnown(const std::string& extension);

// Reads the file at path (UTF-8, also on Windows) into a finished mesh named after the file. The
// reader is the one of the file's extension, or, where that names no format, the one its content
// names ("scan" holding a GLB). On failure: false, mesh empty, and error holds one line in a
// user's words that names the file (as ShownText shows it) and, for text formats, the line:
// "model.obj:1207: face index 90001 is past the 90000 positions". Side files (glTF buffers) come
// only from the model's folder or below, each read once whatever it is called; where sideFiles
// is given, the paths of those that were read are added to it.
bool LoadModelFile(const std::string& path, const LoadOptions& options, MeshData* mesh,
                   std::string* error, std::vector<std::string>* sideFiles = nullptr);

// The same for bytes in memory; format is the extension (chosen as a file's is), name labels the
// messages. Side files are refused (data URIs are fine).
bool LoadModelMemory(const void* data, size_t size, const std::string& format,
                     const std::string& name, const LoadOptions& options, MeshData* mesh,
                     std::string* error);
