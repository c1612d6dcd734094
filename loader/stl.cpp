// STL, binary and ASCII. A binary file is known by its size alone (an 80-byte header, a count,
// 50 bytes a triangle), since many start with "solid" as ASCII ones do. STL keeps the corners
// of every facet apart, so each facet adds three positions of its own (the loader merges equal
// ones) and, when kept, its one normal.
#include "loader/reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "loader/text.h"

static void AppendFacet(MeshData* mesh, bool keepNormal, Vec3 normal, const Vec3 corner[3])
{
    int32_t v = int32_t(mesh->vertices.size()), n = 0;
    if (keepNormal) {
        n = int32_t(mesh->normals.size());
        mesh->normals.push_back(NormalisedOrZero(normal));
    }
    for (int k = 0; k < 3; ++k) mesh->vertices.push_back(corner[k]);
    MeshAppendFace(*mesh, v, v + 1, v + 2, n, n, n);
}

static Vec3 Vec3At(const unsigned char* b)
{
    return Vec3{BytesValue<float>(b), BytesValue<float>(b + 4), BytesValue<float>(b + 8)};
}

// Triangles of 50 bytes after the header and count: a normal, three corners, two spare bytes.
static bool ReadBinaryStl(const ReadInput& in, size_t count, MeshData* mesh, ReadError* error)
{
    if (!ReadFacesAllowed(in, count, 0, error)) return false;
    ReserveLarge(mesh->vertices, 3 * count);
    MeshReserveTriangles(*mesh, count);
    if (in.fileNormals) ReserveLarge(mesh->normals, count);
    const unsigned char* facet = in.bytes.data + 84;
    for (size_t i = 0; i < count; ++i, facet += 50) {
        Vec3 corner[3] = {Vec3At(facet + 12), Vec3At(facet + 24), Vec3At(facet + 36)};
        if (!Finite(corner[0]) || !Finite(corner[1]) || !Finite(corner[2]))
            return ReadFail(error, 0,
                            "triangle " + std::to_string(i + 1) + " has a non-finite coordinate");
        AppendFacet(mesh, in.fileNormals, Vec3At(facet), corner);
    }
    return true;
}

static void SkipSpace(TextCursor& c)
{
    for (; c.p < c.end && TextSpace(*c.p); ++c.p) c.line += *c.p == '\n';
}

static void SkipLine(TextCursor& c)
{
    const char* newline = static_cast<const char*>(std::memchr(c.p, '\n', size_t(c.end - c.p)));
    c.p = newline ? newline + 1 : c.end;
    c.line += newline != nullptr;
}

// Takes word (lower case) at p, in any case, when a space or the end follows it.
static bool TakeWord(TextCursor& c, const char* word)
{
    size_t n = std::strlen(word);
    if (size_t(c.end - c.p) < n) return false;
    for (size_t k = 0; k < n; ++k)
        if ((c.p[k] | 0x20) != word[k]) return false;
    if (c.p + n < c.end && !TextSpace(c.p[n])) return false;
    c.p += n;
    return true;
}

static bool Expect(TextCursor& c, const char* word, ReadError* error)
{
    SkipSpace(c);
    if (c.p == c.end)
        return ReadFail(error, c.line,
                        std::string("the file ends inside a facet, before '") + word + "'");
    if (TakeWord(c, word)) return true;
    return ReadFail(error, c.line,
                    std::string("expected '") + word + "', found " + TextCursorToken(c));
}

// Three numbers; a normal that is not finite counts as none (some exporters write nan for the
// normals of degenerate facets), a corner that is not finite is refused.
static bool ReadNumbers(TextCursor& c, bool isNormal, Vec3* v, ReadError* error)
{
    float xyz[3];
    for (int k = 0; k < 3; ++k) {
        SkipSpace(c);
        if (c.p == c.end) return ReadFail(error, c.line, "the file ends inside a facet");
        const char* start = c.p;
        NumberStatus status = ParseFloat(c.p, c.end, &xyz[k]);
        if (status == NumberStatus::nonFinite && isNormal) {
            while (c.p < c.end && !TextSpace(*c.p)) ++c.p;
            xyz[k] = NAN;
        } else if (status != NumberStatus::ok && status != NumberStatus::missing) {
            return ReadFail(error, c.line, NumberProblem(status));
        } else if (status == NumberStatus::missing || (c.p < c.end && !TextSpace(*c.p))) {
            c.p = start;
            return ReadFail(error, c.line, TextCursorToken(c) + " is not a number");
        }
    }
    *v = Vec3{xyz[0], xyz[1], xyz[2]};
    return true;
}

static bool ReadFacet(TextCursor& c, const ReadInput& in, MeshData* mesh, ReadError* error)
{
    Vec3 normal, corner[3];
    if (!Expect(c, "normal", error) || !ReadNumbers(c, true, &normal, error) ||
        !Expect(c, "outer", error) || !Expect(c, "loop", error))
        return false;
    for (Vec3& v : corner)
        if (!Expect(c, "vertex", error) || !ReadNumbers(c, false, &v, error)) return false;
    if (!Expect(c, "endloop", error) || !Expect(c, "endfacet", error)) return false;
    if (!ReadFacesAllowed(in, MeshTriangleCount(*mesh) + 1, c.line, error)) return false;
    AppendFacet(mesh, in.fileNormals, normal, corner);
    return true;
}

// solid NAME, facets, endsolid NAME; as many solids as the file holds.
static bool ReadAsciiStl(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    TextCursor c = TextCursorOver(in.bytes);
    for (SkipSpace(c); c.p < c.end; SkipSpace(c)) {
        if (!TakeWord(c, "solid"))
            return ReadFail(error, c.line,
                            "expected 'solid' or the end, found " + TextCursorToken(c));
        SkipLine(c);
        for (;;) {
            SkipSpace(c);
            if (c.p == c.end) return ReadFail(error, c.line, "the file ends before 'endsolid'");
            if (TakeWord(c, "endsolid")) break;
            if (!TakeWord(c, "facet"))
                return ReadFail(error, c.line,
                                "expected 'facet' or 'endsolid', found " + TextCursorToken(c));
            if (!ReadFacet(c, in, mesh, error)) return false;
        }
        SkipLine(c);
    }
    return true;
}

// Starts with "solid" and holds no control bytes in its first few hundred bytes.
static bool LooksLikeText(ByteSpan bytes)
{
    TextCursor c = TextCursorOver(bytes);
    size_t look = bytes.size < 512 ? bytes.size : 512;
    for (size_t i = 0; i < look; ++i)
        if (bytes.data[i] < 0x20 && !TextSpace(char(bytes.data[i]))) return false;
    SkipSpace(c);
    return TakeWord(c, "solid");
}

// The count of a binary STL (0 for a file too short to hold one); true when the file's size is
// exactly what that count gives.
static bool BinarySized(ByteSpan bytes, uint64_t* count)
{
    *count = bytes.size >= 84 ? BytesValue<uint32_t>(bytes.data + 80) : 0;
    return bytes.size >= 84 && 84 + 50 * *count == bytes.size;
}

bool StlRecognised(ByteSpan bytes)
{
    uint64_t count;
    return BinarySized(bytes, &count) || LooksLikeText(bytes);
}

bool ReadStl(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    size_t size = in.bytes.size;
    uint64_t count;
    if (BinarySized(in.bytes, &count)) return ReadBinaryStl(in, size_t(count), mesh, error);
    if (LooksLikeText(in.bytes)) return ReadAsciiStl(in, mesh, error);
    if (size < 84)
        return ReadFail(error, 0,
                        "neither ASCII STL nor binary STL: " + std::to_string(size) +
                            " bytes are fewer than a binary STL's 84-byte header");
    return ReadFail(error, 0,
                    "neither ASCII STL nor a binary STL of the size its count gives (" +
                        std::to_string(count) + " triangles need " +
                        std::to_string(84 + 50 * count) + " bytes, the file has " +
                        std::to_string(size) + ")");
}
