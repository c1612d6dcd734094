// Numbers of the text formats. std::from_chars reads them without a locale and many times faster
// than strtod; what it cannot say (a too long whole number, nan, overflow) is told apart here.
#include "loader/text.h"

#include <cfloat>
#include <charconv>
#include <cmath>

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

NumberStatus ParseFloat(const char*& p, const char* end, float* value)
{
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

NumberStatus ParseInteger(const char*& p, const char* end, int64_t* value)
{
    bool plus = p < end && *p == '+';
    const char* start = plus ? p + 1 : p;
    if (plus && start < end && *start == '-') return NumberStatus::missing;
    int digits = 0;
    for (const char* d = start + (start < end && *start == '-'); d < end && *d >= '0' && *d <= '9';
         ++d)
        if (digits > 0 || *d != '0') ++digits;
    if (digits >= 20) return NumberStatus::tooLong;
    int64_t n = 0;
    auto read = std::from_chars(start, end, n);
    if (read.ec == std::errc::result_out_of_range) return NumberStatus::outOfRange;
    if (read.ec != std::errc() || !NumberEndsAt(read.ptr, end)) return NumberStatus::missing;
    *value = n;
    p = read.ptr;
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
