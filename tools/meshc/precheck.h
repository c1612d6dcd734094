// Checks made before assimp reads a file, for the hostile inputs on which assimp 5.2 crashes,
// hangs or allocates gigabytes (found by fuzzing): mangled PLY headers and counts, and glTF
// JSON nested deep enough to overflow the stack of its recursive parser.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads up to size bytes at offset into buffer; returns how many it read.
using ByteReader = std::function<size_t(size_t offset, char* buffer, size_t size)>;

// The header (within the first 64 KiB) follows the grammar: format, element, property and
// comment lines, known types, no element twice. Its counts and every list's count fit the
// size of the file: each value takes at least one byte in either encoding.
bool PlyCheck(const ByteReader& read, size_t size, std::string* why);

// The glTF JSON (all of a .gltf, the first chunk of a .glb) nests at most kJsonMaxDepth
// levels (real files need fewer than ten), and a .glb's JSON chunk lies within the file.
const int kJsonMaxDepth = 64;
bool GltfNestingCheck(const ByteReader& read, size_t size, bool binary, std::string* why);
