// Reading numbers out of text formats (OBJ, ASCII PLY, ASCII STL): locale-free, fast, and with
// the same refusals everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class NumberStatus {
    ok,
    missing,    // no number at p (p is left where it was)
    tooLong,    // a plain whole number of 20 or more digits (leading zeros aside)
    nonFinite,  // nan, inf, or beyond the range of a float
    outOfRange, // an integer that does not fit int64
};

// Reads a decimal number (optional sign, digits, fraction, exponent; also nan and inf, which are
// refused) at p, which must not be past end; advances p past it on success. Leading blanks are
// not skipped, and the number must end at end or before a byte that cannot continue it.
NumberStatus ParseFloat(const char*& p, const char* end, float* value);
NumberStatus ParseInteger(const char*& p, const char* end, int64_t* value);

// The reason to give for a status other than ok, in a user's words.
std::string NumberProblem(NumberStatus status);
