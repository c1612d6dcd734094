// Shown text: each character becomes its own piece (itself, or an escape), then the pieces are
// cut in the middle, so that an escape is never split.
#include "loader/shown.h"

#include <cstdio>
#include <vector>

#include "loader/path.h"

// A character that could end the line, move the cursor or reorder the text around it.
static bool Escaped(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The piece that shows the character at wide[*i] (a surrogate pair is one), moving *i past it.
static std::string Piece(const std::u16string& wide, size_t* i)
{
    char32_t c = wide[*i];
    size_t units = c >= 0xD800 && c <= 0xDBFF && *i + 1 < wide.size() ? 2 : 1;
    std::u16string character = wide.substr(*i, units);
    *i += units;
    if (c == '\n') return "\\n";
    if (c == '\t') return "\\t";
    if (c == '\r') return "\\r";
    if (!Escaped(c)) return Utf8FromUtf16(character);
    char escape[8];
    std::snprintf(escape, sizeof escape, c < 0x80 ? "\\x%02x" : "\\u%04x", unsigned(c));
    return escape;
}

std::string ShownText(const std::string& text)
{
    std::u16string wide = Utf16FromUtf8(text);
    std::vector<std::string> pieces;
    for (size_t i = 0; i < wide.size();) pieces.push_back(Piece(wide, &i));
    size_t head = pieces.size(), tail = 0;
    if (pieces.size() > kShownLength) {
        head = (kShownLength - 3) / 2;
        tail = kShownLength - 3 - head;
    }
    std::string shown;
    for (size_t i = 0; i < head; ++i) shown += pieces[i];
    if (tail == 0) return shown;
    shown += "...";
    for (size_t i = pieces.size() - tail; i < pieces.size(); ++i) shown += pieces[i];
    return shown;
}
