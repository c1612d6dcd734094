// The PLY header: each line is read once, and element names are compared after sorting them by a
// hash, so that a header of hundreds of thousands of elements is checked at once.
#include "loader/ply_header.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace
{

bool FailHeader(ReadError* error, size_t line, const std::string& what)
{
    return ReadFail(error, line, "malformed PLY header: " + what);
}

bool TypeFromName(std::string_view name, PlyType* type)
{
    static const std::pair<std::string_view, PlyType> types[] = {
        {"char", PlyType::int8},      {"int8", PlyType::int8},       {"uchar", PlyType::uint8},
        {"uint8", PlyType::uint8},    {"short", PlyType::int16},     {"int16", PlyType::int16},
        {"ushort", PlyType::uint16},  {"uint16", PlyType::uint16},   {"int", PlyType::int32},
        {"int32", PlyType::int32},    {"uint", PlyType::uint32},     {"uint32", PlyType::uint32},
        {"float", PlyType::float32},  {"float32", PlyType::float32}, {"double", PlyType::float64},
        {"float64", PlyType::float64}};
    for (const auto& known : types)
        if (name == known.first) {
            *type = known.second;
            return true;
        }
    return false;
}

// Splits a header line at blanks; returns the number of words, at most 6 (7: more than that).
size_t SplitWords(std::string_view line, std::string_view words[6])
{
    size_t count = 0, i = 0;
    while (true) {
        while (i < line.size() && TextBlank(line[i])) ++i;
        if (i == line.size()) return count;
        size_t start = i;
        while (i < line.size() && !TextBlank(line[i])) ++i;
        if (count == 6) return 7;
        words[count++] = line.substr(start, i - start);
    }
}

// Which slot a property of this element fills, from its name.
int SlotOf(std::string_view element, std::string_view property)
{
    static const char* const coordinates[] = {"x", "y", "z", "nx", "ny", "nz"};
    static const char* const channels[] = {"red", "green", "blue", "alpha"};
    if (element == "vertex")
        for (int i = 0; i < 6; ++i)
            if (property == coordinates[i]) return i;
    if (element == "vertex")
        for (int i = 0; i < 4; ++i) // some exporters write diffuse_red and so on
            if (property == channels[i] ||
                (property.size() == 8 + std::strlen(channels[i]) &&
                 property.substr(0, 8) == "diffuse_" && property.substr(8) == channels[i]))
                return kSlotColors + i;
    if (element == "face" && (property == "vertex_indices" || property == "vertex_index"))
        return kSlotIndices;
    return kSlotNone;
}

bool ReadPropertyLine(const std::string_view* words, size_t count, size_t line, PlyHeader* header,
                      ReadError* error)
{
    if (header->elements.empty()) return FailHeader(error, line, "a property before any element");
    PlyElement& element = header->elements.back();
    PlyProperty property;
    property.list = count == 5 && words[1] == "list";
    if (count != (property.list ? 5 : 3))
        return FailHeader(error, line, "a property needs a type and a name");
    std::string_view typeName = words[property.list ? 3 : 1];
    if (!TypeFromName(typeName, &property.type))
        return FailHeader(error, line, "unknown type '" + std::string(typeName) + "'");
    if (property.list) {
        if (!TypeFromName(words[2], &property.countType))
            return FailHeader(error, line, "unknown type '" + std::string(words[2]) + "'");
        if (property.countType >= PlyType::float32)
            return FailHeader(error, line, "a list's length must be a whole number type");
    }
    std::string_view name = words[property.list ? 4 : 2];
    property.slot = SlotOf(element.name, name);
    auto where = [&] { return element.name + " property " + std::string(name); };
    if (property.slot != kSlotNone) {
        if (element.slots & (1u << property.slot))
            return FailHeader(error, line, where() + " is given twice");
        element.slots |= 1u << property.slot;
        bool wantsList = element.name == "face";
        if (property.list != wantsList)
            return FailHeader(error, line,
                              where() + (wantsList ? " must be a list" : " is a list"));
        if (wantsList && property.type >= PlyType::float32)
            return FailHeader(error, line, where() + " must hold whole numbers");
    }
    element.properties.push_back(property);
    return true;
}

const char* const kNotText = "bytes that are not text";

// Where the header line from offset ends: at its '\n', or at the first byte that no header line
// may hold, where a binary file or a hole shows itself (nothing past it is looked at); size if
// there is neither.
size_t LineEnd(const char* text, size_t offset, size_t size)
{
    for (size_t i = offset; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c < 0x20 && c != '\t' && c != '\r') || c == 0x7f) return i;
    }
    return size;
}

// One header line after the first; sets *done at end_header.
bool ReadHeaderLine(std::string_view text, size_t line, PlyHeader* header, bool* formatSeen,
                    bool* done, ReadError* error)
{
    std::string_view words[6];
    size_t count = SplitWords(text, words);
    bool comment = count > 0 && (words[0] == "comment" || words[0] == "obj_info");
    for (unsigned char c : text) // comments may hold UTF-8; control bytes mean binary garbage
        if ((c < 0x20 && c != '\t') || c == 0x7f || (c >= 0x80 && !comment))
            return FailHeader(error, line, kNotText);
    if (count == 0 || comment) return true;
    if (words[0] == "end_header") {
        if (count != 1) return FailHeader(error, line, "words after end_header");
        *done = true;
        return true;
    }
    if (words[0] == "format") {
        PlyFormat format = words[1] == "ascii"                  ? PlyFormat::ascii
                           : words[1] == "binary_little_endian" ? PlyFormat::littleEndian
                                                                : PlyFormat::bigEndian;
        if (*formatSeen) return FailHeader(error, line, "a second format line");
        if (count != 3 || words[2] != "1.0" ||
            (format == PlyFormat::bigEndian && words[1] != "binary_big_endian"))
            return FailHeader(error, line,
                              "the format is not ascii, binary_little_endian or "
                              "binary_big_endian 1.0");
        *formatSeen = true;
        header->format = format;
        return true;
    }
    if (words[0] == "element") {
        std::string_view digits = count == 3 ? words[2] : std::string_view();
        if (digits.empty() || digits.size() > 19 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos)
            return FailHeader(error, line, "an element needs a name and a count");
        uint64_t number = 0;
        for (char c : digits) number = number * 10 + uint64_t(c - '0');
        PlyElement element;
        element.name = std::string(words[1]);
        element.count = number;
        element.line = line;
        header->elements.push_back(std::move(element));
        return true;
    }
    if (words[0] == "property") return ReadPropertyLine(words, count, line, header, error);
    return true; // a note some exporters write
}

// Refuses a name given to two elements (names are sorted by a hash first, then by themselves).
bool CheckElementNames(const PlyHeader& header, ReadError* error)
{
    struct Name {
        uint64_t hash = 0;
        const PlyElement* element = nullptr;
    };
    std::vector<Name> names;
    names.reserve(header.elements.size());
    for (const PlyElement& element : header.elements) {
        Name name;
        name.hash = 14695981039346656037u;
        for (char c : element.name) name.hash = (name.hash ^ uint8_t(c)) * 1099511628211u;
        name.element = &element;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) {
        if (a.hash != b.hash) return a.hash < b.hash;
        if (a.element->name != b.element->name) return a.element->name < b.element->name;
        return a.element->line < b.element->line;
    });
    for (size_t i = 1; i < names.size(); ++i)
        if (names[i].hash == names[i - 1].hash &&
            names[i].element->name == names[i - 1].element->name)
            return FailHeader(error, names[i].element->line,
                              "element " + names[i].element->name + " declared twice");
    return true;
}

} // namespace

bool ReadPlyHeader(ByteSpan bytes, PlyHeader* header, ReadError* error)
{
    const char* text = reinterpret_cast<const char*>(bytes.data);
    size_t offset = 0, line = 0;
    bool formatSeen = false, done = false;
    while (!done) {
        size_t end = LineEnd(text, offset, bytes.size);
        if (end == bytes.size) return FailHeader(error, 0, "no end_header line");
        bool ended = text[end] == '\n';
        std::string_view lineText(text + offset, end - offset);
        if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
        offset = end + 1;
        ++line;
        if (line == 1) {
            std::string_view words[6];
            if (!ended || SplitWords(lineText, words) != 1 || words[0] != "ply")
                return FailHeader(error, 1, "the first line is not 'ply'");
        } else if (!ended) {
            return FailHeader(error, line, kNotText);
        } else if (!ReadHeaderLine(lineText, line, header, &formatSeen, &done, error)) {
            return false;
        }
    }
    if (!formatSeen) return FailHeader(error, line, "no format line");
    header->dataStart = offset;
    header->lines = line;
    if (!CheckElementNames(*header, error)) return false;
    for (const PlyElement& element : header->elements)
        if (element.name == "vertex" && (element.slots & 7) != 7)
            return FailHeader(error, element.line, "the vertex element lacks x, y or z");
    return true;
}

bool CheckPlySizes(const PlyHeader& header, uint64_t available, ReadError* error)
{
    bool text = header.format == PlyFormat::ascii;
    uint64_t room = available + (text ? 1 : 0), used = 0;
    for (const PlyElement& element : header.elements) {
        uint64_t least = 0;
        for (const PlyProperty& property : element.properties)
            least += text ? 2 : PlyTypeSize(property.list ? property.countType : property.type);
        if (least == 0) continue;
        if (element.count > (room - used) / least)
            return ReadFail(error, element.line,
                            "the header declares more elements than the file holds (" +
                                std::to_string(element.count) + " " + element.name + ")");
        used += element.count * least;
    }
    return true;
}
