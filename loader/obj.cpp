// Wavefront OBJ: positions (v), normals (vn) and faces (f); every other statement is skipped, and
// no material file is opened. Works on the raw bytes: no copies of lines, nothing allocated per
// line once the buffers have grown. A face may use only positions, normals and texture
// coordinates defined above it, which is what relative indices mean and what exporters write.
#include "loader/reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "loader/polygon.h"
#include "loader/text.h"

namespace
{

// The bytes not yet read, and the line (1-based) that p is on.
struct Cursor {
    const char* p;
    const char* end;
    size_t line;
};

// What a face may refer to, and one face line's corners (kept between lines so that a face
// allocates nothing once they have grown).
struct ObjState {
    size_t normals = 0, texCoords = 0; // defined so far (normals counted even when not kept)
    std::vector<int32_t> positionIndex, normalIndex;
    std::vector<uint32_t> triangles;
};

} // namespace

static bool Fail(const Cursor& c, ReadError* error, const std::string& reason)
{
    error->line = c.line;
    error->reason = reason;
    return false;
}

static bool IsBlank(char b)
{
    return b == ' ' || b == '\t';
}

// Skips blanks, stray carriage returns and line continuations (a backslash ending a line).
static void SkipSpace(Cursor& c)
{
    for (;;) {
        while (c.p < c.end && (*c.p == ' ' || *c.p == '\t' || *c.p == '\r')) ++c.p;
        if (c.p == c.end || *c.p != '\\') return;
        const char* q = c.p + 1;
        if (q < c.end && *q == '\r') ++q;
        if (q == c.end || *q != '\n') return;
        c.p = q + 1;
        ++c.line;
    }
}

// Moves to the start of the next line, past whatever is left of this one and its continuations.
static void FinishLine(Cursor& c)
{
    if (c.p < c.end && *c.p == '\n') { // where a statement read to its end: no search
        ++c.p;
        ++c.line;
        return;
    }
    for (;;) {
        const char* newline = static_cast<const char*>(std::memchr(c.p, '\n', size_t(c.end - c.p)));
        if (!newline) {
            c.p = c.end;
            return;
        }
        const char* last = newline;
        if (last > c.p && last[-1] == '\r') --last;
        bool continued = last > c.p && last[-1] == '\\';
        c.p = newline + 1;
        ++c.line;
        if (!continued) return;
    }
}

static bool AtLineEnd(const Cursor& c)
{
    return c.p == c.end || *c.p == '\n' || *c.p == '#';
}

// The token at p, shortened, to show in a message.
static std::string Token(const Cursor& c)
{
    const char* q = c.p;
    while (q < c.end && q - c.p < 24 && !IsBlank(*q) && *q != '\r' && *q != '\n') ++q;
    return "'" + std::string(c.p, q) + "'";
}

static bool ReadNumbers(Cursor& c, Vec3* v, const char* what, ReadError* error)
{
    float xyz[3];
    for (int k = 0; k < 3; ++k) {
        SkipSpace(c);
        if (AtLineEnd(c)) return Fail(c, error, std::string(what) + " needs three numbers");
        NumberStatus status = ParseFloat(c.p, c.end, &xyz[k]);
        if (status == NumberStatus::missing)
            return Fail(c, error, std::string(what) + ": " + Token(c) + " is not a number");
        if (status != NumberStatus::ok) return Fail(c, error, NumberProblem(status));
    }
    *v = Vec3{xyz[0], xyz[1], xyz[2]};
    return true;
}

// Reads one index of a face corner and turns it into a 0-based one below defined (1-based
// from the start of the file, or negative: counted back from the last one defined).
static bool FailIndex(const Cursor& c, NumberStatus status, int64_t value, size_t defined,
                      const char* what, const char* things, ReadError* error);

static bool ReadIndex(Cursor& c, size_t defined, const char* what, const char* things,
                      int32_t* index, ReadError* error)
{
    int64_t value = 0;
    NumberStatus status = ParseInteger(c.p, c.end, &value);
    if (status == NumberStatus::ok && value != 0 && value <= int64_t(defined) &&
        value >= -int64_t(defined)) {
        *index = int32_t(value > 0 ? value - 1 : int64_t(defined) + value);
        return true;
    }
    return FailIndex(c, status, value, defined, what, things, error);
}

// Apart from ReadIndex, which then stays small enough to be inlined where corners are read.
static bool FailIndex(const Cursor& c, NumberStatus status, int64_t value, size_t defined,
                      const char* what, const char* things, ReadError* error)
{
    if (status == NumberStatus::missing)
        return Fail(c, error, std::string(what) + " " + Token(c) + " is not a whole number");
    if (status != NumberStatus::ok) return Fail(c, error, NumberProblem(status));
    std::string told = std::string(what) + " " + std::to_string(value);
    if (value == 0) return Fail(c, error, told + " is invalid: indices count from 1");
    if (value > 0)
        return Fail(c, error, told + " is past the " + std::to_string(defined) + " " + things);
    return Fail(c, error,
                told + " reaches back before the first of the " + std::to_string(defined) + " " +
                    things + " above it");
}

// An index field left empty ("1//3", or "1/" at the end of a corner) is no index at all.
static bool FieldEmpty(const Cursor& c)
{
    return c.p == c.end || IsBlank(*c.p) || *c.p == '/' || *c.p == '\r' || *c.p == '\n' ||
           *c.p == '#' || *c.p == '\\';
}

// Adds a corner to s; its normal index is -1 when it names none.
static bool ReadCorner(Cursor& c, const MeshData& mesh, ObjState& s, ReadError* error)
{
    int32_t position = 0, normal = 0, texCoord = 0;
    bool hasNormal = false;
    if (!ReadIndex(c, mesh.vertices.size(), "face index", "positions", &position, error))
        return false;
    if (c.p < c.end && *c.p == '/') {
        ++c.p;
        if (!FieldEmpty(c) &&
            !ReadIndex(c, s.texCoords, "texture index", "texture coordinates", &texCoord, error))
            return false;
        if (c.p < c.end && *c.p == '/') {
            ++c.p;
            hasNormal = !FieldEmpty(c);
            if (hasNormal && !ReadIndex(c, s.normals, "normal index", "normals", &normal, error))
                return false;
        }
    }
    s.positionIndex.push_back(position);
    s.normalIndex.push_back(hasNormal ? normal : -1);
    return true;
}

static void AppendFace(MeshData* mesh, const ObjState& s, bool keepNormals, uint32_t a, uint32_t b,
                       uint32_t c)
{
    const std::vector<int32_t>& n = s.normalIndex;
    // Filled where it lies: a face built aside and copied in stalled on the copy.
    mesh->faces.emplace_back();
    MeshFace& face = mesh->faces.back();
    const uint32_t corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        face.vertexIndex[k] = s.positionIndex[corners[k]];
        face.normalIndex[k] = keepNormals ? n[corners[k]] : 0;
        face.texCoordIndex[k] = -1;
    }
}

// A face of three or more corners becomes triangles; fewer corners draw nothing and are skipped.
static bool ReadFace(Cursor& c, const ReadInput& in, MeshData* mesh, ObjState& s, ReadError* error)
{
    s.positionIndex.clear();
    s.normalIndex.clear();
    for (SkipSpace(c); !AtLineEnd(c); SkipSpace(c))
        if (!ReadCorner(c, *mesh, s, error)) return false;
    size_t count = s.positionIndex.size();
    if (count < 3) return true;
    if (in.fileNormals)
        for (int32_t normal : s.normalIndex)
            if (normal < 0)
                return Fail(c, error,
                            "the file has no normals for this face (a corner without /n)");
    if (mesh->faces.size() + (count - 2) > in.maxFaces)
        return Fail(c, error, "more than " + std::to_string(in.maxFaces) + " triangles");
    if (count == 3) {
        AppendFace(mesh, s, in.fileNormals, 0, 1, 2);
        return true;
    }
    s.triangles.clear();
    TriangulatePolygon(mesh->vertices.data(), s.positionIndex.data(), count, &s.triangles);
    for (size_t t = 0; t + 2 < s.triangles.size(); t += 3)
        AppendFace(mesh, s, in.fileNormals, s.triangles[t], s.triangles[t + 1], s.triangles[t + 2]);
    return true;
}

// Reserves for the lines that start with v, vn and f, but never more than the bytes could hold
// (a position line takes at least 8 bytes, a real face line at least 16): no number the file
// states is trusted for an allocation, and blank "f" lines cannot make it reserve much.
static void ReserveForLines(const char* p, const char* end, const ReadInput& in, MeshData* mesh)
{
    size_t positions = 0, normals = 0, faces = 0, size = size_t(end - p);
    for (; p < end; ++p) {
        if (p + 1 < end && IsBlank(p[1])) {
            positions += *p == 'v';
            faces += *p == 'f';
        } else if (p + 2 < end && p[0] == 'v' && p[1] == 'n') {
            ++normals;
        }
        p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!p) break;
    }
    ReserveLarge(mesh->vertices, std::min(positions, size / 8));
    if (in.fileNormals) ReserveLarge(mesh->normals, std::min(normals, size / 8));
    ReserveLarge(mesh->faces, std::min({faces, size / 16, in.maxFaces}));
}

bool ReadObj(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    Cursor c{reinterpret_cast<const char*>(in.bytes.data), nullptr, 1};
    c.end = c.p + in.bytes.size;
    if (in.bytes.size >= 3 && std::memcmp(c.p, "\xEF\xBB\xBF", 3) == 0) c.p += 3;
    ReserveForLines(c.p, c.end, in, mesh);
    ObjState s;
    while (c.p < c.end) {
        SkipSpace(c);
        if (c.p == c.end) break;
        const char* k = c.p;
        size_t left = size_t(c.end - k);
        if (*k == '\n') {
            ++c.p;
            ++c.line;
            continue;
        }
        if (left > 1 && k[0] == 'v' && IsBlank(k[1])) {
            Vec3 v;
            c.p += 1;
            if (mesh->vertices.size() == size_t(INT32_MAX))
                return Fail(c, error, "more positions than a mesh can hold");
            if (!ReadNumbers(c, &v, "a position", error)) return false;
            mesh->vertices.push_back(v);
        } else if (left > 2 && k[0] == 'v' && k[1] == 'n' && IsBlank(k[2])) {
            Vec3 n;
            c.p += 2;
            if (s.normals == size_t(INT32_MAX))
                return Fail(c, error, "more normals than a mesh can hold");
            if (in.fileNormals && !ReadNumbers(c, &n, "a normal", error)) return false;
            if (in.fileNormals) mesh->normals.push_back(n);
            ++s.normals;
        } else if (left > 2 && k[0] == 'v' && k[1] == 't' && IsBlank(k[2])) {
            ++s.texCoords;
        } else if (left > 1 && k[0] == 'f' && IsBlank(k[1])) {
            c.p += 1;
            if (!ReadFace(c, in, mesh, s, error)) return false;
        } else if ((static_cast<unsigned char>(*k) < 0x20 && *k != '\r') || *k == 0x7f) {
            return Fail(c, error, "binary data where OBJ text was expected");
        }
        FinishLine(c);
    }
    return true;
}
