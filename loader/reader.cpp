// The readers' shared rules that need no inlining: failing, showing a token from the file, and
// reading a file that the model names.
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

// Why a name from a model may not be looked up at all: it names something outside the model's
// folder by its very text.
static const char* OutsideByName(const std::string& uri)
{
    if (uri.empty()) return "an empty name";
    if (uri.find('\0') != std::string::npos) return "a name with a zero byte";
    if (uri[0] == '/' || uri[0] == '\\') return "an absolute path";
    size_t colon = uri.find(':');
    if (colon != std::string::npos && uri.find_first_of("/\\") > colon)
        return "a URI or drive that is not a file in the model's folder";
    for (size_t start = 0; start <= uri.size();) {
        size_t stop = uri.find_first_of("/\\", start);
        if (stop == std::string::npos) stop = uri.size();
        if (uri.compare(start, stop - start, "..") == 0) return "a path that leads out ('..')";
        start = stop + 1;
    }
    return nullptr;
}

bool ReadSideFile(const ReadInput& in, const std::string& uri, FileBytes* bytes, ReadError* error)
{
    std::string shown = "'" + ShownText(uri) + "'";
    if (in.folder.empty())
        return ReadFail(error, 0,
                        "refers to the file " + shown + ", but has no folder to read it from");
    if (const char* why = OutsideByName(uri))
        return ReadFail(error, 0,
                        "refers to " + shown + ", " + why +
                            ": only files in the model's folder or below are read");
    std::string reason;
    if (!FileMapBeneath(in.folder, uri, bytes, &reason))
        return ReadFail(error, 0, "cannot read " + shown + ", which it refers to: " + reason);
    return true;
}
