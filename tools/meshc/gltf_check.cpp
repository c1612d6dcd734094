#include "tools/meshc/precheck.h"

#include <algorithm>

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
