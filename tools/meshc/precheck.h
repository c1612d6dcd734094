// Checks made before assimp reads a file, for the hostile inputs on which assimp 5.2 crashes,
// hangs or allocates gigabytes (found by fuzzing): mangled PLY headers and counts, and glTF
// JSON nested deep enough to overflow the stack of its recursive parser; and for numbers that
// it would silently read wrong.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads up to size bytes at offset into buffer; returns how many it read.
using ByteReader = std::function<size_t(size_t offset, char* buffer, size_t size)>;

// The header's format, element and property lines are well formed, with known types and no
// element twice; other lines of printable text are skipped, as assimp skips them. Its counts and
// every list's count fit the size of the file: each value takes at least one byte in either
// encoding. ASCII data holds no number too long for LongNumberCheck.
bool PlyCheck(const ByteReader& read, size_t size, std::string* why);

// The glTF JSON (all of a .gltf, the first chunk of a .glb) nests at most kJsonMaxDepth
// levels (real files need fewer than ten), and a .glb's JSON chunk lies within the file.
const int kJsonMaxDepth = 64;
bool GltfNestingCheck(const ByteReader& read, size_t size, bool binary, std::string* why);

// No token from begin on starts with a whole number of 20 or more digits (leading zeros aside);
// text after '#' up to the line's end is a comment.
bool LongNumberCheck(const ByteReader& read, size_t begin, size_t size, std::string* why);
