// A strict look at a PLY header before assimp reads the file. Assimp 5.2's PLY reader crashes,
// hangs or allocates gigabytes on mangled headers, so only well-formed ones reach it.
#pragma once

#include <cstddef>
#include <string>

// head: the first bytes of the file (the header must end within them); size: the whole file.
// Checks the grammar (format, element, property and comment lines, known types) and that the
// declared counts fit the data: every value takes at least one byte in either encoding.
bool PlyHeaderCheck(const std::string& head, size_t size, std::string* why);
