// A PLY file's header: which elements the data holds, in which layout, and where it begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "loader/reader.h"

enum class PlyFormat { ascii, littleEndian, bigEndian };
enum class PlyType : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

// What a property is to us: a vertex coordinate (x y z nx ny nz) or the face's index list.
const int kSlotNone = -1, kSlotNormals = 3, kSlotIndices = 6;

struct PlyProperty {
    PlyType type;      // of the value, or of a list's items
    PlyType countType; // of a list's length
    bool list;
    int slot;
};

struct PlyElement {
    std::string name;
    uint64_t count;
    size_t line; // where the header declares it
    std::vector<PlyProperty> properties;
    unsigned slots = 0; // bit per slot that a property fills
};

struct PlyHeader {
    PlyFormat format = PlyFormat::ascii;
    std::vector<PlyElement> elements;
    size_t dataStart = 0; // first byte after end_header's line
    size_t lines = 0;     // lines of the header; text data begins on the next
};

inline size_t PlyTypeSize(PlyType type)
{
    static const uint8_t sizes[] = {1, 1, 2, 2, 4, 4, 4, 8};
    return sizes[int(type)];
}

inline bool PlyFail(ReadError* error, size_t line, std::string reason)
{
    error->line = line;
    error->reason = std::move(reason);
    return false;
}

// Reads the header from the start of bytes: elements in file order, names unique, the vertex
// element (if any) with x, y and z. Lines that are not text are refused; other unknown lines are
// notes that some exporters write, and are skipped.
bool ReadPlyHeader(ByteSpan bytes, PlyHeader* header, ReadError* error);

// Refuses counts that the available bytes after the header cannot hold even at the least each
// record takes (binary: its values and list lengths; text: two bytes per value, the last one
// may end the file), so that nothing is allocated for them.
bool CheckPlySizes(const PlyHeader& header, uint64_t available, ReadError* error);
