// What each format's reader is given and gives back, and the small rules every reader shares: one
// way to fail, one read of binary numbers, one cursor over text, one way to show a token and one
// limit on triangles. A reader takes the whole file as a byte range and fills a mesh of indexed
// triangles, or says in one line why it cannot; the loader (load.cpp) then checks, fits and merges
// what every reader gave, in one place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "loader/file.h"
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
    FileIdentity identity;    // which file the bytes are (none for bytes in memory)
    bool fileNormals = false; // keep the file's normals; otherwise the loader makes flat ones
    size_t maxFaces = 0;      // refuse more triangles than this (before allocating for them)
    std::vector<std::string>* sideFiles = nullptr; // where a reader notes the side files it read
};

// Each reader fills mesh.vertices with the file's positions (placed by the file's transforms
// where it has them), triangles on those positions through MeshAppendFace (kept as mesh.use
// says), and, only with fileNormals, mesh.normals with the file's normals and normal indices that
// index them (a corner without a normal is an error then). Without fileNormals, normals stay
// empty and normal indices are left 0. texCoordIndex is -1. On failure: false, error set, mesh
// contents unspecified (the loader clears it). Every count, index, offset and length is checked
// against what the bytes hold before it is used, and no allocation is larger than what the bytes
// could describe. loader/formats.h names the reader of each file extension.
bool ReadObj(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadPly(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadStl(const ReadInput& in, MeshData* mesh, ReadError* error);
bool ReadGltf(const ReadInput& in, MeshData* mesh, ReadError* error); // .gltf: JSON text
bool ReadGlb(const ReadInput& in, MeshData* mesh, ReadError* error);  // .glb: binary container

// Whether bytes hold the format, told by their content alone where a file's name has no
// extension that is read (loader/formats.cpp): an ASCII STL by "solid" and a binary one by its
// size, OBJ by its first statements, a glTF's JSON by its opening brace. Each looks at the first
// few kilobytes at most.
bool ObjRecognised(ByteSpan bytes);
bool StlRecognised(ByteSpan bytes);
bool GltfRecognised(ByteSpan bytes);

// A file that the model names (a glTF buffer), mapped from in.folder or below: absolute paths,
// '..', URIs with a scheme and links that lead out are refused without opening anything outside,
// and so is anything but a regular file. uri is as the model gives it, %-escapes undone by the
// caller. The caller tells the same file under other names by bytes->identity.
bool ReadSideFile(const ReadInput& in, const std::string& uri, FileBytes* bytes, ReadError* error);

// The one way a reader fails: sets the line (0 where lines mean nothing) and the reason, and
// returns false. Out of line, so that the readers' hot loops stay small.
bool ReadFail(ReadError* error, size_t line, std::string reason);

// True while faces triangles are within in.maxFaces; otherwise fails on line.
inline bool ReadFacesAllowed(const ReadInput& in, uint64_t faces, size_t line, ReadError* error)
{
    return faces <= in.maxFaces ||
           ReadFail(error, line, "more than " + std::to_string(in.maxFaces) + " triangles");
}

// --- Binary numbers.

enum class ByteOrder { little, big };

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const ByteOrder kMachineOrder = ByteOrder::big;
#else
const ByteOrder kMachineOrder = ByteOrder::little; // MSVC builds only for little-endian machines
#endif

// The value of type T whose bytes lie at p in the given order (the caller has checked that
// sizeof(T) bytes are there); no alignment is needed. The one read of a file's binary numbers.
template <typename T>
inline T BytesValue(const unsigned char* p, ByteOrder order = ByteOrder::little)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if (order != kMachineOrder) std::reverse(bytes, bytes + sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

// --- Text.

// Text not yet read, from p to end, and the line (1-based) that p is on: the cursor of OBJ, ASCII
// STL and ASCII PLY.
struct TextCursor {
    const char* p = nullptr;
    const char* end = nullptr;
    size_t line = 1;
};

inline TextCursor TextCursorOver(ByteSpan bytes, size_t line = 1)
{
    TextCursor c;
    c.p = reinterpret_cast<const char*>(bytes.data);
    c.end = c.p + bytes.size;
    c.line = line;
    return c;
}

// A blank within a line, and any white space (line ends too).
inline bool TextBlank(char b)
{
    return b == ' ' || b == '\t';
}
inline bool TextSpace(char b)
{
    return TextBlank(b) || b == '\n' || b == '\r' || b == '\v' || b == '\f';
}

// Moves the cursor past a UTF-8 byte order mark, which some writers put before text.
inline void TextSkipMark(TextCursor& c)
{
    if (c.end - c.p >= 3 && std::memcmp(c.p, "\xEF\xBB\xBF", 3) == 0) c.p += 3;
}

// The token at the cursor (up to white space), quoted, as a message shows text from a file.
std::string TextCursorToken(const TextCursor& c);
