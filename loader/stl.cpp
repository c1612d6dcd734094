// STL, binary and ASCII. A binary file is known by its size alone (an 80-byte header, a count,
// 50 bytes a triangle), since many start with "solid" as ASCII ones do. STL keeps the corners
// of every facet apart, so each facet adds three positions of its own (the loader merges equal
// ones) and, when kept, its one normal.
#include "loader/reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "loader/text.h"

namespace
{

// The bytes not yet read, and the line (1-based) that p is on.
struct Cursor {
    const char* p;
    const char* end;
    size_t line;
};

} // namespace

static bool Fail(ReadError* error, size_t line, const std::string& reason)
{
    error->line = line;
    error->reason = reason;
    return false;
}

static bool TooMany(const ReadInput& in, size_t faces, ReadError* error, size_t line)
{
    if (faces <= in.maxFaces) return false;
    Fail(error, line, "more than " + std::to_string(in.maxFaces) + " triangles");
    return true;
}

static void AppendFacet(MeshData* mesh, bool keepNormal, Vec3 normal, const Vec3 corner[3])
{
    int32_t v = int32_t(mesh->vertices.size()), n = 0;
    if (keepNormal) {
        n = int32_t(mesh->normals.size());
        mesh->normals.push_back(NormalisedOrZero(normal));
    }
    for (int k = 0; k < 3; ++k) mesh->vertices.push_back(corner[k]);
    // Filled where it lies: a face built aside and copied in stalled on the copy.
    mesh->faces.emplace_back();
    MeshFace& face = mesh->faces.back();
    for (int k = 0; k < 3; ++k) {
        face.vertexIndex[k] = v + k;
        face.normalIndex[k] = n;
        face.texCoordIndex[k] = -1;
    }
}

static uint32_t Uint32At(const unsigned char* b)
{
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

static Vec3 Vec3At(const unsigned char* b)
{
    float f[3];
    for (int k = 0; k < 3; ++k) {
        uint32_t bits = Uint32At(b + 4 * k);
        std::memcpy(&f[k], &bits, sizeof bits);
    }
    return Vec3{f[0], f[1], f[2]};
}

static bool Finite(const Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Triangles of 50 bytes after the header and count: a normal, three corners, two spare bytes.
static bool ReadBinaryStl(const ReadInput& in, size_t count, MeshData* mesh, ReadError* error)
{
    if (TooMany(in, count, error, 0)) return false;
    ReserveLarge(mesh->vertices, 3 * count);
    ReserveLarge(mesh->faces, count);
    if (in.fileNormals) ReserveLarge(mesh->normals, count);
    const unsigned char* facet = in.bytes.data + 84;
    for (size_t i = 0; i < count; ++i, facet += 50) {
        Vec3 corner[3] = {Vec3At(facet + 12), Vec3At(facet + 24), Vec3At(facet + 36)};
        if (!Finite(corner[0]) || !Finite(corner[1]) || !Finite(corner[2]))
            return Fail(error, 0,
                        "triangle " + std::to_string(i + 1) + " has a non-finite coordinate");
        AppendFacet(mesh, in.fileNormals, Vec3At(facet), corner);
    }
    return true;
}

static bool IsSpace(char b)
{
    return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '\v' || b == '\f';
}

static void SkipSpace(Cursor& c)
{
    for (; c.p < c.end && IsSpace(*c.p); ++c.p) c.line += *c.p == '\n';
}

static void SkipLine(Cursor& c)
{
    const char* newline = static_cast<const char*>(std::memchr(c.p, '\n', size_t(c.end - c.p)));
    c.p = newline ? newline + 1 : c.end;
    c.line += newline != nullptr;
}

// Takes word (lower case) at p, in any case, when a space or the end follows it.
static bool TakeWord(Cursor& c, const char* word)
{
    size_t n = std::strlen(word);
    if (size_t(c.end - c.p) < n) return false;
    for (size_t k = 0; k < n; ++k)
        if ((c.p[k] | 0x20) != word[k]) return false;
    if (c.p + n < c.end && !IsSpace(c.p[n])) return false;
    c.p += n;
    return true;
}

static std::string Token(const Cursor& c)
{
    const char* q = c.p;
    while (q < c.end && q - c.p < 24 && !IsSpace(*q)) ++q;
    return "'" + std::string(c.p, q) + "'";
}

static bool Expect(Cursor& c, const char* word, ReadError* error)
{
    SkipSpace(c);
    if (c.p == c.end)
        return Fail(error, c.line,
                    std::string("the file ends inside a facet, before '") + word + "'");
    if (TakeWord(c, word)) return true;
    return Fail(error, c.line, std::string("expected '") + word + "', found " + Token(c));
}

// Three numbers; a normal that is not finite counts as none (some exporters write nan for the
// normals of degenerate facets), a corner that is not finite is refused.
static bool ReadNumbers(Cursor& c, bool isNormal, Vec3* v, ReadError* error)
{
    float xyz[3];
    for (int k = 0; k < 3; ++k) {
        SkipSpace(c);
        if (c.p == c.end) return Fail(error, c.line, "the file ends inside a facet");
        const char* start = c.p;
        NumberStatus status = ParseFloat(c.p, c.end, &xyz[k]);
        if (status == NumberStatus::nonFinite && isNormal) {
            while (c.p < c.end && !IsSpace(*c.p)) ++c.p;
            xyz[k] = NAN;
        } else if (status != NumberStatus::ok && status != NumberStatus::missing) {
            return Fail(error, c.line, NumberProblem(status));
        } else if (status == NumberStatus::missing || (c.p < c.end && !IsSpace(*c.p))) {
            c.p = start;
            return Fail(error, c.line, Token(c) + " is not a number");
        }
    }
    *v = Vec3{xyz[0], xyz[1], xyz[2]};
    return true;
}

static bool ReadFacet(Cursor& c, const ReadInput& in, MeshData* mesh, ReadError* error)
{
    Vec3 normal, corner[3];
    if (!Expect(c, "normal", error) || !ReadNumbers(c, true, &normal, error) ||
        !Expect(c, "outer", error) || !Expect(c, "loop", error))
        return false;
    for (Vec3& v : corner)
        if (!Expect(c, "vertex", error) || !ReadNumbers(c, false, &v, error)) return false;
    if (!Expect(c, "endloop", error) || !Expect(c, "endfacet", error)) return false;
    if (TooMany(in, mesh->faces.size() + 1, error, c.line)) return false;
    AppendFacet(mesh, in.fileNormals, normal, corner);
    return true;
}

// solid NAME, facets, endsolid NAME; as many solids as the file holds.
static bool ReadAsciiStl(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    Cursor c{reinterpret_cast<const char*>(in.bytes.data), nullptr, 1};
    c.end = c.p + in.bytes.size;
    for (SkipSpace(c); c.p < c.end; SkipSpace(c)) {
        if (!TakeWord(c, "solid"))
            return Fail(error, c.line, "expected 'solid' or the end, found " + Token(c));
        SkipLine(c);
        for (;;) {
            SkipSpace(c);
            if (c.p == c.end) return Fail(error, c.line, "the file ends before 'endsolid'");
            if (TakeWord(c, "endsolid")) break;
            if (!TakeWord(c, "facet"))
                return Fail(error, c.line, "expected 'facet' or 'endsolid', found " + Token(c));
            if (!ReadFacet(c, in, mesh, error)) return false;
        }
        SkipLine(c);
    }
    return true;
}

// Starts with "solid" and holds no control bytes in its first few hundred bytes.
static bool LooksLikeText(ByteSpan bytes)
{
    Cursor c{reinterpret_cast<const char*>(bytes.data), nullptr, 1};
    c.end = c.p + bytes.size;
    size_t look = bytes.size < 512 ? bytes.size : 512;
    for (size_t i = 0; i < look; ++i)
        if (bytes.data[i] < 0x20 && !IsSpace(char(bytes.data[i]))) return false;
    SkipSpace(c);
    return TakeWord(c, "solid");
}

bool ReadStl(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    size_t size = in.bytes.size;
    uint64_t count = size >= 84 ? Uint32At(in.bytes.data + 80) : 0;
    if (size >= 84 && 84 + 50 * count == size) return ReadBinaryStl(in, size_t(count), mesh, error);
    if (LooksLikeText(in.bytes)) return ReadAsciiStl(in, mesh, error);
    if (size < 84)
        return Fail(error, 0,
                    "neither ASCII STL nor binary STL: " + std::to_string(size) +
                        " bytes are fewer than a binary STL's 84-byte header");
    return Fail(error, 0,
                "neither ASCII STL nor a binary STL of the size its count gives (" +
                    std::to_string(count) + " triangles need " + std::to_string(84 + 50 * count) +
                    " bytes, the file has " + std::to_string(size) + ")");
}
