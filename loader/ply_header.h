// A PLY file's header: which elements the data holds, in which layout, and where it begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "loader/reader.h"

enum class PlyFormat { ascii, littleEndian, bigEndian };
enum class PlyType : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

// The C++ type of each PlyType, in its order: the one list that maps them.
using PlyTypes = std::tuple<int8_t, uint8_t, int16_t, uint16_t, int32_t, uint32_t, float, double>;

// use(T()) for the C++ type T of type.
template <size_t I = 0, typename Use> auto PlyWithType(PlyType type, Use use)
{
    if constexpr (I + 1 < std::tuple_size_v<PlyTypes>)
        if (size_t(type) != I) return PlyWithType<I + 1>(type, use);
    return use(std::tuple_element_t<I, PlyTypes>());
}

template <typename... T> constexpr std::array<uint8_t, sizeof...(T)> PlySizes(std::tuple<T...>)
{
    return {uint8_t(sizeof(T))...};
}

inline size_t PlyTypeSize(PlyType type)
{
    static constexpr auto sizes = PlySizes(PlyTypes());
    return sizes[size_t(type)];
}

// What a property is to us: a vertex coordinate (x y z nx ny nz), the face's index list, or a
// vertex colour's channel (red green blue alpha).
const int kSlotNone = -1, kSlotNormals = 3, kSlotIndices = 6, kSlotColors = 7, kSlotCount = 11;

struct PlyProperty {
    PlyType type = PlyType::int8;      // of the value, or of a list's items
    PlyType countType = PlyType::int8; // of a list's length
    bool list = false;
    int slot = kSlotNone;
};

struct PlyElement {
    std::string name;
    uint64_t count = 0;
    size_t line = 0; // where the header declares it
    std::vector<PlyProperty> properties;
    unsigned slots = 0; // bit per slot that a property fills
};

struct PlyHeader {
    PlyFormat format = PlyFormat::ascii;
    std::vector<PlyElement> elements;
    size_t dataStart = 0; // first byte after end_header's line
    size_t lines = 0;     // lines of the header; text data begins on the next
};

// Reads the header from the start of bytes: elements in file order, names unique, the vertex
// element (if any) with x, y and z. Lines that are not text are refused; other unknown lines are
// notes that some exporters write, and are skipped.
bool ReadPlyHeader(ByteSpan bytes, PlyHeader* header, ReadError* error);

// Refuses counts that the available bytes after the header cannot hold even at the least each
// record takes (binary: its values and list lengths; text: two bytes per value, the last one
// may end the file), so that nothing is allocated for them.
bool CheckPlySizes(const PlyHeader& header, uint64_t available, ReadError* error);
