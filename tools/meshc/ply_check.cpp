#include "tools/meshc/precheck.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <vector>

namespace
{

struct PlyProperty {
    bool list;
    int countSize, itemSize; // bytes in the binary encodings (countSize 0 for a scalar)
};

struct PlyElement {
    std::string name;
    double count;
    std::vector<PlyProperty> properties;
};

struct PlyHeader {
    std::string format;
    std::vector<PlyElement> elements;
    size_t dataStart = 0;
};

// Bytes of a PLY type, 0 if unknown.
int PlyTypeSize(const std::string& type)
{
    static const char* const types[][2] = {
        {"char", "1"},  {"uchar", "1"},   {"int8", "1"},   {"uint8", "1"},
        {"short", "2"}, {"ushort", "2"},  {"int16", "2"},  {"uint16", "2"},
        {"int", "4"},   {"uint", "4"},    {"int32", "4"},  {"uint32", "4"},
        {"float", "4"}, {"float32", "4"}, {"double", "8"}, {"float64", "8"}};
    for (const auto& t : types)
        if (type == t[0]) return t[1][0] - '0';
    return 0;
}

bool Digits(const std::string& text)
{
    return !text.empty() && text.size() <= 19 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether one header line (without its end) is well formed; adds what it declares. Lines that
// are not format, element or property (comments, notes of some exporters, blank ones) are
// skipped, as assimp skips them, as long as they hold printable text.
bool PlyLineValid(const std::string& line, PlyHeader* header)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    const std::string key = words.empty() ? "" : words[0];
    if (key == "comment" || key == "obj_info") return true;
    bool printable = std::all_of(line.begin(), line.end(), [](char c) {
        return (c >= 0x20 && c < 0x7f) || c == '\t' || c == '\r';
    });
    if (!printable) return false;
    std::vector<PlyElement>& elements = header->elements;
    if (key == "format") {
        bool known = words.size() == 3 &&
                     (words[1] == "ascii" || words[1] == "binary_little_endian" ||
                      words[1] == "binary_big_endian") &&
                     words[2] == "1.0";
        if (!known || !header->format.empty() || !elements.empty()) return false;
        header->format = words[1];
        return true;
    }
    if (key == "element") { // assimp mishandles a repeated element
        if (words.size() != 3 || !Digits(words[2]) || header->format.empty()) return false;
        if (std::any_of(elements.begin(), elements.end(),
                        [&](const PlyElement& e) { return e.name == words[1]; }))
            return false;
        elements.push_back({words[1], std::stod(words[2]), {}});
        return true;
    }
    if (key == "property") {
        if (elements.empty()) return false;
        std::vector<PlyProperty>& properties = elements.back().properties;
        if (words.size() == 3 && PlyTypeSize(words[1]))
            properties.push_back({false, 0, PlyTypeSize(words[1])});
        else if (words.size() == 5 && words[1] == "list" && PlyTypeSize(words[2]) &&
                 PlyTypeSize(words[3]))
            properties.push_back({true, PlyTypeSize(words[2]), PlyTypeSize(words[3])});
        else
            return false;
        return true;
    }
    return true;
}

bool PlyHeaderParse(const std::string& head, PlyHeader* header, std::string* why)
{
    size_t end = head.find("\nend_header");
    size_t dataStart = end == std::string::npos ? end : head.find('\n', end + 1);
    if (head.compare(0, 4, "ply\n") != 0 && head.compare(0, 5, "ply\r\n") != 0) {
        *why = "not a PLY file (no 'ply' line first)";
        return false;
    }
    std::string last =
        dataStart == std::string::npos ? "" : head.substr(end + 1, dataStart - end - 1);
    if (dataStart == std::string::npos || (last != "end_header" && last != "end_header\r")) {
        *why = "no complete PLY header";
        return false;
    }
    std::istringstream lines(head.substr(0, end + 1));
    std::string line;
    std::getline(lines, line); // "ply"
    for (int number = 2; std::getline(lines, line); ++number) {
        if (!PlyLineValid(line, header)) {
            *why = "malformed PLY header (line " + std::to_string(number) + ")";
            return false;
        }
    }
    if (header->format.empty()) {
        *why = "malformed PLY header (no format line)";
        return false;
    }
    header->dataStart = dataStart + 1;
    return true;
}

// Reads the data after the header in blocks, front to back.
struct ByteStream {
    const ByteReader* read;
    size_t offset; // of the next block
    std::vector<char> block;
    size_t at = 0, filled = 0;
};

int StreamNext(ByteStream& s)
{
    if (s.at == s.filled) {
        s.filled = (*s.read)(s.offset, s.block.data(), s.block.size());
        s.offset += s.filled;
        s.at = 0;
        if (s.filled == 0) return -1;
    }
    return (unsigned char)s.block[s.at++];
}

bool LineEnd(int c)
{
    return c == '\n' || c == '\r' || c == '\0' || c == '\f';
}

// The next line of ASCII data as assimp's reader cuts it: up to the first of \n \r \0 \f,
// and a line that starts on such a character first skips to the next \n. False at the end.
bool StreamLine(ByteStream& s, std::string* line)
{
    line->clear();
    int c = StreamNext(s);
    if (c >= 0 && LineEnd(c))
        while (c >= 0 && c != '\n') c = StreamNext(s);
    if (c == '\n') c = StreamNext(s);
    if (c < 0) return false;
    for (; c >= 0 && !LineEnd(c); c = StreamNext(s)) line->push_back(char(c));
    return true;
}

// The count of a list in binary data, or -1 at the end of the data.
double BinaryCount(ByteStream& s, const PlyProperty& property, bool bigEndian)
{
    unsigned char bytes[8];
    for (int i = 0; i < property.countSize; ++i) {
        int c = StreamNext(s);
        if (c < 0) return -1;
        bytes[i] = (unsigned char)c;
    }
    if (bigEndian) std::reverse(bytes, bytes + property.countSize);
    double count = 0;
    for (int i = property.countSize; i-- > 0;) count = count * 256 + bytes[i];
    return count; // signed count types read as unsigned: a negative one is refused as huge
}

// Whether the lists of one ASCII instance fit; the line holds the instance.
bool AsciiListsFit(const std::string& line, const PlyElement& element, size_t size)
{
    std::istringstream words(line);
    std::string word;
    for (const PlyProperty& property : element.properties) {
        if (!(words >> word)) return true;
        if (!property.list) continue;
        double count = std::strtod(word.c_str(), nullptr);
        if (!(count <= double(size))) return false;
        for (double k = 0; k < count; ++k)
            if (!(words >> word)) return true;
    }
    return true;
}

} // namespace

// Assimp sizes each list by its count before reading it, so a count of billions in a small
// file costs gigabytes: every list must fit in the file.
static bool PlyListsFit(const ByteReader& read, size_t size, const PlyHeader& header,
                        std::string* why)
{
    ByteStream s{&read, header.dataStart, std::vector<char>(1 << 16)};
    bool ascii = header.format == "ascii", bigEndian = header.format == "binary_big_endian";
    std::string line;
    for (const PlyElement& element : header.elements) {
        for (double i = 0; i < element.count; ++i) {
            bool fits = true;
            if (ascii) {
                if (!StreamLine(s, &line)) return true; // short: assimp reports it
                fits = AsciiListsFit(line, element, size);
            }
            for (size_t p = 0; !ascii && fits && p < element.properties.size(); ++p) {
                const PlyProperty& property = element.properties[p];
                double count = property.list ? BinaryCount(s, property, bigEndian) : 1;
                if (count < 0) return true;
                fits = count * property.itemSize <= double(size);
                for (double skip = fits ? count * property.itemSize : 0; skip > 0; --skip)
                    if (StreamNext(s) < 0) return true;
            }
            if (!fits) {
                *why = "PLY list longer than the file (" + element.name + " " +
                       std::to_string(size_t(i)) + ")";
                return false;
            }
        }
    }
    return true;
}

bool PlyCheck(const ByteReader& read, size_t size, std::string* why)
{
    // The header up to the end of its last line, read in blocks: long comments are fine.
    std::string head;
    size_t end = std::string::npos;
    while (head.size() < size) {
        size_t at = head.size();
        head.resize(at + std::min(size - at, size_t(1) << 16));
        head.resize(at + read(at, &head[at], head.size() - at));
        if (head.size() == at) break;
        if (end == std::string::npos) end = head.find("\nend_header", at < 16 ? 0 : at - 16);
        if (end != std::string::npos && head.find('\n', std::max(end + 1, at)) != std::string::npos)
            break;
    }
    PlyHeader header;
    if (!PlyHeaderParse(head, &header, why)) return false;
    // Every value takes at least one byte in either encoding.
    double needed = 0;
    for (const PlyElement& e : header.elements)
        needed += e.count * std::max<double>(1.0, double(e.properties.size()));
    if (needed > double(size - header.dataStart)) {
        *why = "PLY header declares more elements than the file holds";
        return false;
    }
    if (header.format == "ascii" && !LongNumberCheck(read, header.dataStart, size, why))
        return false;
    return PlyListsFit(read, size, header, why);
}
