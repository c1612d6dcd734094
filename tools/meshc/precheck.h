// Checks made before assimp reads a file, for the hostile inputs on which assimp 5.2 crashes,
// hangs or allocates gigabytes: mangled PLY headers, and JSON nested deep enough to overflow
// the stack of its recursive parser. Only files that pass reach assimp.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads up to size bytes at offset into buffer; returns how many it read.
using ByteReader = std::function<size_t(size_t offset, char* buffer, size_t size)>;

// head: the first bytes of the file (the header must end within them); size: the whole file.
// Checks the grammar (format, element, property and comment lines, known types) and that the
// declared counts fit the data: every value takes at least one byte in either encoding.
bool PlyHeaderCheck(const std::string& head, size_t size, std::string* why);

// The glTF JSON (all of a .gltf, the first chunk of a .glb) nests at most kJsonMaxDepth
// levels (real files need fewer than ten), and a .glb's JSON chunk lies within the file.
const int kJsonMaxDepth = 64;
bool GltfNestingCheck(const ByteReader& read, size_t size, bool binary, std::string* why);
