// What each format's reader is given and gives back. A reader takes the whole file as a byte
// range and fills a mesh of indexed triangles, or says in one line why it cannot; the loader
// (load.cpp) then checks, fits and merges what every reader gave, in one place.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mesh/mesh_data.h"

struct ByteSpan {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

struct ReadError {
    size_t line = 0; // 1-based line of a text file, 0 where lines mean nothing
    std::string reason;
};

struct ReadInput {
    ByteSpan bytes;           // the whole file
    std::string name;         // the file's name as the user gave it (for messages)
    std::string folder;       // where side files may come from; empty: none may be read
    bool fileNormals = false; // keep the file's normals; otherwise the loader makes flat ones
    size_t maxFaces = 0;      // refuse more triangles than this (before allocating for them)
    std::vector<std::string>* sideFiles = nullptr; // where ReadSideFile notes the files it read
};

// Each reader fills mesh.vertices with the file's positions (placed by the file's transforms
// where it has them), mesh.faces with triangles whose vertexIndex entries index those positions,
// and, only with fileNormals, mesh.normals with the file's normals and normalIndex entries that
// index them (a corner without a normal is an error then). Without fileNormals, normals stay
// empty and normalIndex is left 0. texCoordIndex is -1. On failure: false, error set, mesh
// contents unspecified (the loader clears it). Every count, index, offset and length is checked
// against what the bytes hold before it is used, and no allocation is larger than what the bytes
// could describe.
bool ReadObj(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadPly(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadStl(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadGltf(const ReadInput& in, MeshData* mesh, ReadError* error); // .gltf: JSON text
bool ReadGlb(const ReadInput& in, MeshData* mesh, ReadError* error);  // .glb: binary container

// A file that the model names (a glTF buffer), read whole from in.folder or below: absolute
// paths, '..', URIs with a scheme and links that lead out are refused without opening anything
// outside, and so is anything but a regular file. uri is as the model gives it, %-escapes
// undone by the caller.
bool ReadSideFile(const ReadInput& in, const std::string& uri, std::vector<unsigned char>* bytes,
                  ReadError* error);
