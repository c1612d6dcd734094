// Shown text: each character becomes its own piece (itself, or an escape), then the pieces are
// cut in the middle, so that an escape is never split.
#include "loader/shown.h"

#include <cstdio>
#include <vector>

#include "loader/path.h"

// A character that could end the line or move the cursor, and one that could reorder the text
// around it.
static bool Control(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
static bool Bidirectional(char32_t c)
{
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// The piece that shows the character at wide[*i] (a surrogate pair is one), moving *i past it.
static std::string Piece(const std::u16string& wide, size_t* i, bool bidirectional)
{
    char32_t c = wide[*i];
    size_t units = c >= 0xD800 && c <= 0xDBFF && *i + 1 < wide.size() ? 2 : 1;
    std::u16string character = wide.substr(*i, units);
    *i += units;
    if (c == '\n') return "\\n";
    if (c == '\t') return "\\t";
    if (c == '\r') return "\\r";
    if (!Control(c) && !(bidirectional && Bidirectional(c))) return Utf8FromUtf16(character);
    char escape[8];
    std::snprintf(escape, sizeof escape, c < 0x80 ? "\\x%02x" : "\\u%04x", unsigned(c));
    return escape;
}

// A letter that is written right to left: the blocks of Hebrew, Arabic, Syriac, Thaana, N'Ko,
// Samaritan, Mandaic and their presentation forms, and the right-to-left planes' blocks.
static bool RightToLeft(char32_t c)
{
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFF) || (c >= 0x10800 && c <= 0x10FFF) ||
           (c >= 0x1E800 && c <= 0x1EFFF);
}

// The pieces of text, each character's own, and whether any is a right-to-left letter.
static std::vector<std::string> Pieces(const std::string& text, bool bidirectional,
                                       bool* rightToLeft)
{
    std::u16string wide = Utf16FromUtf8(text);
    std::vector<std::string> pieces;
    *rightToLeft = false;
    for (size_t i = 0; i < wide.size();) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
        *rightToLeft = *rightToLeft || RightToLeft(c);
        pieces.push_back(Piece(wide, &i, bidirectional));
    }
    return pieces;
}

std::string ShownEscaped(const std::string& text)
{
    bool rightToLeft;
    std::string shown;
    for (const std::string& piece : Pieces(text, false, &rightToLeft)) shown += piece;
    return shown;
}

std::string ShownText(const std::string& text)
{
    // A long text is shown from its two ends alone, each cut at a character's start: a token of
    // a gigabyte then costs what one of a few kilobytes does. Each end holds kShownLength
    // characters or more, so the middle cut below falls in the part left out.
    const size_t end = 4 * kShownLength;
    if (text.size() > 2 * end) {
        size_t head = end, tail = text.size() - end;
        while (head > 0 && (static_cast<unsigned char>(text[head]) & 0xC0) == 0x80) --head;
        while (tail < text.size() && (static_cast<unsigned char>(text[tail]) & 0xC0) == 0x80)
            ++tail;
        return ShownText(text.substr(0, head) + text.substr(tail));
    }
    bool rightToLeft;
    std::vector<std::string> pieces = Pieces(text, true, &rightToLeft);
    size_t head = pieces.size(), tail = 0;
    if (pieces.size() > kShownLength) {
        head = (kShownLength - 3) / 2;
        tail = kShownLength - 3 - head;
    }
    std::string shown = rightToLeft ? "\xE2\x81\xA8" : ""; // U+2068, first strong isolate
    for (size_t i = 0; i < head; ++i) shown += pieces[i];
    if (tail > 0) shown += "...";
    for (size_t i = pieces.size() - tail; i < pieces.size(); ++i) shown += pieces[i];
    return rightToLeft ? shown + "\xE2\x81\xA9" : shown; // U+2069, pop directional isolate
}
