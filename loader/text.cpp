// Numbers of the text formats. std::from_chars reads them without a locale and many times faster
// than strtod; what it cannot say (a too long whole number, nan, overflow) is told apart here.
#include "loader/text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

// A byte that may follow a number: anything but what could have continued it.
static bool NumberEndsAt(const char* p, const char* end)
{
    if (p == end) return true;
    unsigned char c = static_cast<unsigned char>(*p);
    bool word = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return !word && c != '.' && c != '+' && c != '-';
}

static bool StartsWithWord(const char* p, const char* end, const char* word)
{
    for (; *word; ++word, ++p)
        if (p == end || (*p | 0x20) != *word) return false;
    return true;
}

// Most numbers in model files are short decimals ("-0.512345"). A whole number of up to 24 bits
// over a power of ten up to 10^10 is a division of two exact floats, which rounds correctly: the
// very float from_chars gives (it takes the same shortcut). Longer numbers, exponents and
// anything unusual are left to the full reading.
static bool ParseShortDecimal([[maybe_unused]] const char*& p, [[maybe_unused]] const char* end,
                              [[maybe_unused]] float* value)
{
#if FLT_EVAL_METHOD == 0
    static const float kTens[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const uint32_t kExact = uint32_t(1) << 24;
    const char* q = p;
    bool negative = q < end && *q == '-';
    if (q < end && (*q == '-' || *q == '+')) ++q;
    const char* whole = q;
    uint32_t m = 0;
    for (; q < end && static_cast<unsigned char>(*q - '0') <= 9; ++q)
        if ((m = m * 10 + unsigned(*q - '0')) > kExact) return false;
    if (q == whole) return false;
    size_t fraction = 0;
    if (q < end && *q == '.') {
        const char* first = ++q;
        for (; q < end && static_cast<unsigned char>(*q - '0') <= 9; ++q)
            if ((m = m * 10 + unsigned(*q - '0')) > kExact) return false;
        fraction = size_t(q - first);
        if (fraction == 0 || fraction > 10) return false;
    }
    if (!NumberEndsAt(q, end)) return false;
    float f = float(m) / kTens[fraction];
    *value = negative ? -f : f;
    p = q;
    return true;
#else
    return false;
#endif
}

NumberStatus ParseFloat(const char*& p, const char* end, float* value)
{
    if (ParseShortDecimal(p, end, value)) return NumberStatus::ok;
    const char* q = p;
    if (q < end && (*q == '+' || *q == '-')) ++q;
    if (StartsWithWord(q, end, "nan") || StartsWithWord(q, end, "inf"))
        return NumberStatus::nonFinite;
    // Whole-number digits, leading zeros aside: 20 or more were once read as 0 by the import
    // library that models were compiled with, and files written for it may rely on the refusal.
    int digits = 0;
    for (const char* d = q; d < end && *d >= '0' && *d <= '9'; ++d)
        if (digits > 0 || *d != '0') ++digits;
    if (digits >= 20) return NumberStatus::tooLong;
    // from_chars takes no '+'; the sign is put back afterwards.
    bool plus = p < end && *p == '+';
    const char* start = plus ? p + 1 : p;
    if (plus && start < end && *start == '-') return NumberStatus::missing;
    bool negative = start < end && *start == '-';
    float f = 0.0f;
    auto read = std::from_chars(start, end, f, std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range) {
        // Too large or too small for a float: a double tells which.
        double d = 0.0;
        auto wide = std::from_chars(start, end, d, std::chars_format::general);
        if (wide.ec == std::errc() && std::fabs(d) <= FLT_MAX) {
            f = float(d);
        } else if (wide.ec == std::errc() || wide.ec != std::errc::result_out_of_range) {
            return NumberStatus::nonFinite;
        } else {
            // Beyond a double too: an underflow only when the exponent is negative.
            const char* e = start;
            while (e < wide.ptr && *e != 'e' && *e != 'E') ++e;
            if (!(e + 1 < wide.ptr && e[1] == '-')) return NumberStatus::nonFinite;
            f = negative ? -0.0f : 0.0f;
        }
        read.ptr = wide.ptr;
    } else if (read.ec != std::errc()) {
        return NumberStatus::missing;
    }
    if (!NumberEndsAt(read.ptr, end)) return NumberStatus::missing;
    if (!std::isfinite(f)) return NumberStatus::nonFinite;
    *value = f;
    p = read.ptr;
    return NumberStatus::ok;
}

// The value of the digits at q when fewer than 8 of them start the 8 bytes there (little-endian
// only): how many in *count, found and added up without a branch per digit. 0 digits or 8 (which
// may be part of a longer number) are left to the loop below.
static bool ReadFewDigits([[maybe_unused]] const char* q, [[maybe_unused]] const char* end,
                          [[maybe_unused]] int* count, [[maybe_unused]] uint64_t* value)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (end - q < 8) return false;
    uint64_t w;
    std::memcpy(&w, q, sizeof w);
    const uint64_t high = 0xF0F0F0F0F0F0F0F0ull, zeros = 0x3030303030303030ull;
    // A digit byte is 0x30..0x39: high nibble 3, and still 3 after adding 6. A carry out of a
    // byte only spoils the bytes after it, past the first that is not a digit.
    uint64_t other = ((w & high) ^ zeros) | (((w + 0x0606060606060606ull) & high) ^ zeros);
    int n = other ? __builtin_ctzll(other) / 8 : 8;
    if (n == 0 || n == 8) return false;
    // The n digits moved to the top, zero bytes before them, added up in three steps of pairs.
    uint64_t v = (w - zeros) << (8 * (8 - n));
    v = v * 10 + (v >> 8);
    const uint64_t mask = 0x000000FF000000FFull;
    v = ((v & mask) * (100 + (uint64_t(1000000) << 32)) +
         ((v >> 16) & mask) * (1 + (uint64_t(10000) << 32))) >>
        32;
    *value = uint32_t(v);
    *count = n;
    return true;
#else
    return false;
#endif
}

// One pass over the digits: counts them (leading zeros aside) and adds them up. Up to 19 digits
// fit in 64 unsigned bits, so only the sign's limit is left to check at the end.
NumberStatus ParseInteger(const char*& p, const char* end, int64_t* value)
{
    const char* q = p;
    if (q < end && *q == '+' && ++q < end && *q == '-') return NumberStatus::missing;
    bool negative = q < end && *q == '-';
    if (negative) ++q;
    const char* digits = q;
    int significant = 0;
    uint64_t n = 0;
    int few = 0;
    if (ReadFewDigits(q, end, &few, &n)) {
        q += few; // 7 digits at most: neither too long nor too large
    } else {
        for (; q < end && static_cast<unsigned char>(*q - '0') <= 9; ++q) {
            n = n * 10 + unsigned(*q - '0');
            if ((significant > 0 || n != 0) && ++significant >= 20) return NumberStatus::tooLong;
        }
    }
    if (q == digits) return NumberStatus::missing;
    if (n > uint64_t(INT64_MAX) + (negative ? 1 : 0)) return NumberStatus::outOfRange;
    if (!NumberEndsAt(q, end)) return NumberStatus::missing;
    *value = negative ? int64_t(0 - n) : int64_t(n);
    p = q;
    return NumberStatus::ok;
}

std::string NumberProblem(NumberStatus status)
{
    switch (status) {
    case NumberStatus::ok:
        return "no problem";
    case NumberStatus::missing:
        return "a number was expected";
    case NumberStatus::tooLong:
        return "a whole number of 20 or more digits (write it with an exponent, like 1e20)";
    case NumberStatus::nonFinite:
        return "a non-finite number (nan, inf, or beyond a float)";
    case NumberStatus::outOfRange:
        return "a whole number too large to be an index";
    }
    return "a bad number";
}
