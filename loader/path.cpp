// File names and their encodings, without any platform call, so that both systems' rules are
// tested on either.
#include "loader/path.h"

size_t PathNameStart(const std::string& path)
{
#ifdef _WIN32
    size_t slash = path.find_last_of("/\\");
#else
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? 0 : slash + 1;
}

std::string PathBaseName(const std::string& path)
{
    return path.substr(PathNameStart(path));
}

std::string PathFolder(const std::string& path)
{
    size_t start = PathNameStart(path);
    if (start == 0) return ".";
    return start == 1 ? path.substr(0, 1) : path.substr(0, start - 1);
}

std::string PathExtension(const std::string& path)
{
    size_t start = PathNameStart(path), dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return extension;
}

// The code point whose UTF-8 encoding starts at text[*i], moving *i past it; U+FFFD (and one
// byte) for a byte that starts no well-formed sequence.
static char32_t NextCodePoint(const std::string& text, size_t* i)
{
    const unsigned char first = static_cast<unsigned char>(text[(*i)++]);
    if (first < 0x80) return first;
    int more = first >= 0xC2 && first <= 0xDF   ? 1
               : first >= 0xE0 && first <= 0xEF ? 2
               : first >= 0xF0 && first <= 0xF4 ? 3
                                                : 0;
    if (more == 0) return 0xFFFD;
    char32_t c = first & (0x3F >> more);
    for (int k = 0; k < more; ++k, ++*i) {
        if (*i == text.size() || (static_cast<unsigned char>(text[*i]) & 0xC0) != 0x80)
            return 0xFFFD; // the sequence so far is one bad character
        c = c << 6 | (static_cast<unsigned char>(text[*i]) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF encode no character.
    static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0xFFFD;
    return c;
}

std::u16string Utf16FromUtf8(const std::string& text)
{
    std::u16string wide;
    wide.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = NextCodePoint(text, &i);
        if (c < 0x10000) {
            wide.push_back(char16_t(c));
        } else {
            wide.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return wide;
}

std::string Utf8FromUtf16(const std::u16string& wide)
{
    std::string text;
    text.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            text.push_back(char(c));
        } else if (c < 0x800) {
            text.push_back(char(0xC0 | c >> 6));
            text.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            text.push_back(char(0xE0 | c >> 12));
            text.push_back(char(0x80 | (c >> 6 & 0x3F)));
            text.push_back(char(0x80 | (c & 0x3F)));
        } else {
            text.push_back(char(0xF0 | c >> 18));
            text.push_back(char(0x80 | (c >> 12 & 0x3F)));
            text.push_back(char(0x80 | (c >> 6 & 0x3F)));
            text.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return text;
}

bool PathSameName(const std::string& a, const std::string& b)
{
#ifdef _WIN32
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
#else
    return a == b;
#endif
}

bool PathDeviceName(const std::string& name)
{
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}
