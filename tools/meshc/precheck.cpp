#include "tools/meshc/precheck.h"

#include <algorithm>
#include <sstream>
#include <vector>

static bool PlyTypeKnown(const std::string& type)
{
    static const char* const types[] = {"char",  "uchar",  "short",   "ushort", "int",   "uint",
                                        "float", "double", "int8",    "uint8",  "int16", "uint16",
                                        "int32", "uint32", "float32", "float64"};
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

static bool Digits(const std::string& text)
{
    return !text.empty() && text.size() <= 19 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct PlyTally {
    bool formatSeen = false;
    std::vector<std::string> names; // of the elements; assimp mishandles a repeated one
    std::vector<double> counts, properties;
};

// Whether one header line (without its end) is well formed; updates the tally.
static bool PlyLineValid(const std::string& line, PlyTally* tally)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty()) return false;
    const std::string& key = words[0];
    if (key == "comment" || key == "obj_info") return true;
    bool printable = std::all_of(line.begin(), line.end(), [](char c) {
        return (c >= 0x20 && c < 0x7f) || c == '\t' || c == '\r';
    });
    if (!printable) return false;
    if (key == "format") {
        bool known = words.size() == 3 &&
                     (words[1] == "ascii" || words[1] == "binary_little_endian" ||
                      words[1] == "binary_big_endian") &&
                     words[2] == "1.0";
        if (!known || tally->formatSeen || !tally->counts.empty()) return false;
        tally->formatSeen = true;
        return true;
    }
    if (key == "element") {
        std::vector<std::string>& names = tally->names;
        if (words.size() != 3 || !Digits(words[2]) || !tally->formatSeen ||
            std::find(names.begin(), names.end(), words[1]) != names.end())
            return false;
        names.push_back(words[1]);
        tally->counts.push_back(std::stod(words[2]));
        tally->properties.push_back(0);
        return true;
    }
    if (key == "property") {
        bool scalar = words.size() == 3 && PlyTypeKnown(words[1]);
        bool list = words.size() == 5 && words[1] == "list" && PlyTypeKnown(words[2]) &&
                    PlyTypeKnown(words[3]);
        if ((!scalar && !list) || tally->counts.empty()) return false;
        ++tally->properties.back();
        return true;
    }
    return false;
}

bool PlyHeaderCheck(const std::string& head, size_t size, std::string* why)
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
        *why = "no complete PLY header in the first " + std::to_string(head.size()) + " bytes";
        return false;
    }
    PlyTally tally;
    std::istringstream lines(head.substr(0, end + 1));
    std::string line;
    std::getline(lines, line); // "ply"
    for (int number = 2; std::getline(lines, line); ++number) {
        if (!PlyLineValid(line, &tally)) {
            *why = "malformed PLY header (line " + std::to_string(number) + ")";
            return false;
        }
    }
    if (!tally.formatSeen) {
        *why = "malformed PLY header (no format line)";
        return false;
    }
    double needed = 0;
    for (size_t i = 0; i < tally.counts.size(); ++i)
        needed += tally.counts[i] * std::max(1.0, tally.properties[i]);
    if (needed > double(size - dataStart - 1)) {
        *why = "PLY header declares more elements than the file holds";
        return false;
    }
    return true;
}

bool GltfNestingCheck(const ByteReader& read, size_t size, bool binary, std::string* why)
{
    size_t begin = 0, end = size;
    if (binary) { // magic, version, length, then the JSON chunk's length and type
        unsigned char header[20] = {};
        if (read(0, reinterpret_cast<char*>(header), 20) < 20) return true; // assimp refuses it
        size_t length = header[12] | header[13] << 8 | header[14] << 16 | size_t(header[15]) << 24;
        begin = 20;
        end = begin + length;
        if (end > size) { // assimp would allocate the claimed length first
            *why = "GLB JSON chunk runs past the end of the file";
            return false;
        }
    }
    int depth = 0;
    bool inString = false, escaped = false;
    char block[1 << 16];
    for (size_t offset = begin; offset < end;) {
        size_t got = read(offset, block, std::min(sizeof block, end - offset));
        if (got == 0) break;
        for (size_t i = 0; i < got; ++i) {
            char c = block[i];
            if (inString) {
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == '[' || c == '{') {
                if (++depth > kJsonMaxDepth) {
                    *why =
                        "glTF JSON nested deeper than " + std::to_string(kJsonMaxDepth) + " levels";
                    return false;
                }
            } else if (c == ']' || c == '}') {
                --depth;
            }
        }
        offset += got;
    }
    return true;
}
