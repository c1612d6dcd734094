// The readers' shared rules that need no inlining: failing, and showing a token from the file.
#include "loader/reader.h"

#include <utility>

#include "loader/shown.h"

bool ReadFail(ReadError* error, size_t line, std::string reason)
{
    error->line = line;
    error->reason = std::move(reason);
    return false;
}

std::string TextCursorToken(const TextCursor& c)
{
    const char* q = c.p;
    while (q < c.end && !TextSpace(*q)) ++q;
    return "'" + ShownText(std::string(c.p, q)) + "'";
}
