// The check for whole numbers too long for assimp's text readers: they read a plain integer of
// 20 or more digits (even with a fraction after it) as 0, while 1e20 is read right.
#include "tools/meshc/precheck.h"

#include <string>

bool LongNumberCheck(const ByteReader& read, size_t begin, size_t size, std::string* why)
{
    char block[1 << 16];
    bool tokenStart = true, comment = false, inNumber = false;
    int digits = 0; // of the integer part, leading zeros left out
    size_t line = 1;
    for (size_t offset = begin; offset < size;) {
        size_t got = read(offset, block, std::min(sizeof block, size - offset));
        if (got == 0) break;
        for (size_t i = 0; i < got; ++i) {
            char c = block[i];
            bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
            if (c == '\n') {
                ++line;
                comment = false;
            }
            if (comment) continue;
            if (inNumber && c >= '0' && c <= '9') {
                if (digits > 0 || c != '0') ++digits;
                if (digits >= 20) {
                    *why = "line " + std::to_string(line) +
                           ": a whole number of 20 or more digits, which would be read as 0 "
                           "(write it with an exponent, like 1e20)";
                    return false;
                }
                continue;
            }
            inNumber = tokenStart && (c == '-' || c == '+' || (c >= '0' && c <= '9'));
            if (inNumber) digits = c >= '1' && c <= '9';
            comment = tokenStart && c == '#';
            tokenStart = space;
        }
        offset += got;
    }
    return true;
}
