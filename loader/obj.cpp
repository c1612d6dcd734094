// Wavefront OBJ: positions (v, with a colour where six numbers give one), normals (vn), faces
// (f), points (p) and lines (l); every other statement is skipped, and no material file is
// opened. Works on the raw bytes: no copies of lines, nothing allocated per
// line once the buffers have grown. A face may use only positions, normals and texture
// coordinates defined above it, which is what relative indices mean and what exporters write.
#include "loader/reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "loader/polygon.h"
#include "loader/text.h"

namespace
{

// What a face may refer to, and one face line's corners (kept between lines so that a face
// allocates nothing once they have grown).
struct ObjState {
    size_t normals = 0, texCoords = 0; // defined so far (normals counted even when not kept)
    bool colored = false;              // a position has had a colour (the others are white)
    std::vector<int32_t> positionIndex, normalIndex;
    std::vector<uint32_t> triangles;
};

} // namespace

// Skips blanks, stray carriage returns and line continuations (a backslash ending a line).
static void SkipSpace(TextCursor& c)
{
    for (;;) {
        while (c.p < c.end && (TextBlank(*c.p) || *c.p == '\r')) ++c.p;
        if (c.p == c.end || *c.p != '\\') return;
        const char* q = c.p + 1;
        if (q < c.end && *q == '\r') ++q;
        if (q == c.end || *q != '\n') return;
        c.p = q + 1;
        ++c.line;
    }
}

// Moves to the start of the next line, past whatever is left of this one and its continuations.
static void FinishLine(TextCursor& c)
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

static bool AtLineEnd(const TextCursor& c)
{
    return c.p == c.end || *c.p == '\n' || *c.p == '#';
}

static bool ReadNumbers(TextCursor& c, Vec3* v, const char* what, ReadError* error)
{
    float xyz[3];
    for (int k = 0; k < 3; ++k) {
        SkipSpace(c);
        if (AtLineEnd(c))
            return ReadFail(error, c.line, std::string(what) + " needs three numbers");
        NumberStatus status = ParseFloat(c.p, c.end, &xyz[k]);
        if (status == NumberStatus::missing)
            return ReadFail(error, c.line,
                            std::string(what) + ": " + TextCursorToken(c) + " is not a number");
        if (status != NumberStatus::ok) return ReadFail(error, c.line, NumberProblem(status));
    }
    *v = Vec3{xyz[0], xyz[1], xyz[2]};
    return true;
}

// The colour that "v x y z r g b" gives after its position (components from 0 to 1), if the rest
// of the line is three numbers; a fourth number alone is a weight, and is passed over as any
// other rest of the line.
static bool ReadColor(TextCursor& c, MeshColor* color)
{
    float rgb[3];
    TextCursor at = c;
    for (float& channel : rgb) {
        SkipSpace(at);
        if (AtLineEnd(at) || ParseFloat(at.p, at.end, &channel) != NumberStatus::ok) return false;
    }
    SkipSpace(at);
    if (!AtLineEnd(at)) return false;
    auto byte = [](float v) { return uint8_t(std::min(std::max(v, 0.0f), 1.0f) * 255.0f + 0.5f); };
    *color = MeshColor{byte(rgb[0]), byte(rgb[1]), byte(rgb[2]), 255};
    c = at;
    return true;
}

// Reads one index of a face corner and turns it into a 0-based one below defined (1-based
// from the start of the file, or negative: counted back from the last one defined).
static bool FailIndex(const TextCursor& c, NumberStatus status, int64_t value, size_t defined,
                      const char* what, const char* things, ReadError* error);

static bool ReadIndex(TextCursor& c, size_t defined, const char* what, const char* things,
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
static bool FailIndex(const TextCursor& c, NumberStatus status, int64_t value, size_t defined,
                      const char* what, const char* things, ReadError* error)
{
    if (status == NumberStatus::missing)
        return ReadFail(error, c.line,
                        std::string(what) + " " + TextCursorToken(c) + " is not a whole number");
    if (status != NumberStatus::ok) return ReadFail(error, c.line, NumberProblem(status));
    std::string told = std::string(what) + " " + std::to_string(value);
    if (value == 0) return ReadFail(error, c.line, told + " is invalid: indices count from 1");
    if (value > 0)
        return ReadFail(error, c.line,
                        told + " is past the " + std::to_string(defined) + " " + things);
    return ReadFail(error, c.line,
                    told + " reaches back before the first of the " + std::to_string(defined) +
                        " " + things + " above it");
}

// An index field left empty ("1//3", or "1/" at the end of a corner) is no index at all.
static bool FieldEmpty(const TextCursor& c)
{
    return c.p == c.end || TextBlank(*c.p) || *c.p == '/' || *c.p == '\r' || *c.p == '\n' ||
           *c.p == '#' || *c.p == '\\';
}

// Adds a corner to s; its normal index is -1 when it names none.
static bool ReadCorner(TextCursor& c, const MeshData& mesh, ObjState& s, ReadError* error)
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

// Appends the triangle on corners a, b and c of the face line read into s.
static void AppendFace(MeshData* mesh, const ObjState& s, bool keepNormals, uint32_t a, uint32_t b,
                       uint32_t c)
{
    const int32_t *v = s.positionIndex.data(), *n = s.normalIndex.data();
    if (keepNormals)
        MeshAppendFace(*mesh, v[a], v[b], v[c], n[a], n[b], n[c]);
    else
        MeshAppendFace(*mesh, v[a], v[b], v[c], 0, 0, 0);
}

// A face of three or more corners becomes triangles; fewer corners draw nothing and are skipped.
static bool ReadFace(TextCursor& c, const ReadInput& in, MeshData* mesh, ObjState& s,
                     ReadError* error)
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
                return ReadFail(error, c.line,
                                "the file has no normals for this face (a corner without /n)");
    if (!ReadFacesAllowed(in, MeshTriangleCount(*mesh) + (count - 2), c.line, error)) return false;
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

// "p v1 v2 ..." adds points, "l v1 v2 v3 ..." the lines v1 to v2, v2 to v3 and so on; a line's
// corners may name texture coordinates too (v/vt), which are passed over.
static bool ReadPointsOrLine(TextCursor& c, bool line, const ReadInput& in, MeshData* mesh,
                             ObjState& s, ReadError* error)
{
    s.positionIndex.clear();
    for (SkipSpace(c); !AtLineEnd(c); SkipSpace(c)) {
        int32_t index = 0, texCoord = 0;
        if (!ReadIndex(c, mesh->vertices.size(), line ? "line index" : "point index", "positions",
                       &index, error))
            return false;
        if (line && c.p < c.end && *c.p == '/') {
            ++c.p;
            if (!FieldEmpty(c) && !ReadIndex(c, s.texCoords, "texture index", "texture coordinates",
                                             &texCoord, error))
                return false;
        }
        s.positionIndex.push_back(index);
    }
    std::vector<int32_t>& into = line ? mesh->lines : mesh->points;
    size_t adding = line && !s.positionIndex.empty() ? 2 * (s.positionIndex.size() - 1)
                                                     : s.positionIndex.size();
    if (into.size() + adding > in.maxFaces)
        return ReadFail(error, c.line,
                        std::string("more than ") + std::to_string(in.maxFaces) +
                            (line ? " line ends" : " points"));
    for (size_t i = 0; i < s.positionIndex.size(); ++i) {
        if (line && i > 0) into.push_back(s.positionIndex[i - 1]);
        if (!line || i > 0) into.push_back(s.positionIndex[i]);
    }
    return true;
}

// Reserves for the lines that start with v, vn and f, but never more than the bytes could hold
// (a position line takes at least 8 bytes, a real face line at least 16): no number the file
// states is trusted for an allocation, and blank "f" lines cannot make it reserve much.
static void ReserveForLines(const char* p, const char* end, const ReadInput& in, MeshData* mesh)
{
    size_t positions = 0, normals = 0, faces = 0, size = size_t(end - p);
    for (; p < end; ++p) {
        if (p + 1 < end && TextBlank(p[1])) {
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
    MeshReserveTriangles(*mesh, std::min({faces, size / 16, in.maxFaces}));
}

// A statement that starts with a control byte: not OBJ text.
static bool BinaryStart(char k)
{
    return (static_cast<unsigned char>(k) < 0x20 && k != '\r' && k != '\n') || k == 0x7f;
}

static const char* const kNotText = "binary data where OBJ text was expected";

// The statements of OBJ (this reader reads v, vn and f and skips the others), which tell an OBJ
// file by its first lines when its name has no extension.
static const char* const kStatements[] = {
    "v",      "vt",         "vn",        "vp",       "cstype", "deg",    "bmat",   "step",
    "f",      "l",          "p",         "curv",     "curv2",  "surf",   "parm",   "trim",
    "hole",   "scrv",       "sp",        "end",      "con",    "g",      "s",      "mg",
    "o",      "bevel",      "c_interp",  "d_interp", "lod",    "usemtl", "mtllib", "usemap",
    "maplib", "shadow_obj", "trace_obj", "ctech",    "stech",  "call",   "csh"};

bool ObjRecognised(ByteSpan bytes)
{
    TextCursor c = TextCursorOver(ByteSpan{bytes.data, std::min<size_t>(bytes.size, 4096)});
    TextSkipMark(c);
    size_t statements = 0;
    for (SkipSpace(c); c.p < c.end; FinishLine(c), SkipSpace(c)) {
        if (*c.p == '\n' || *c.p == '#') continue;
        const char* word = c.p;
        while (c.p < c.end && !TextSpace(*c.p)) ++c.p;
        if (c.p == c.end) break; // cut off where the look ends: not judged
        if (std::none_of(std::begin(kStatements), std::end(kStatements),
                         [&](const char* statement) {
                             return std::strlen(statement) == size_t(c.p - word) &&
                                    std::memcmp(statement, word, size_t(c.p - word)) == 0;
                         }))
            return false;
        ++statements;
    }
    return statements > 0;
}

bool ReadObj(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    TextCursor c = TextCursorOver(in.bytes);
    TextSkipMark(c);
    // Binary bytes at the start are refused before the whole file is scanned for its lines.
    TextCursor first = c;
    SkipSpace(first);
    if (first.p < first.end && BinaryStart(*first.p)) return ReadFail(error, first.line, kNotText);
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
        if (left > 1 && k[0] == 'v' && TextBlank(k[1])) {
            Vec3 v;
            c.p += 1;
            if (mesh->vertices.size() == size_t(INT32_MAX))
                return ReadFail(error, c.line, "more positions than a mesh can hold");
            if (!ReadNumbers(c, &v, "a position", error)) return false;
            mesh->vertices.push_back(v);
            MeshColor color = kMeshWhite;
            bool colored = ReadColor(c, &color);
            if (colored && !s.colored) mesh->colors.resize(mesh->vertices.size() - 1, kMeshWhite);
            s.colored = s.colored || colored;
            if (s.colored) mesh->colors.push_back(colored ? color : kMeshWhite);
        } else if (left > 2 && k[0] == 'v' && k[1] == 'n' && TextBlank(k[2])) {
            Vec3 n;
            c.p += 2;
            if (s.normals == size_t(INT32_MAX))
                return ReadFail(error, c.line, "more normals than a mesh can hold");
            if (in.fileNormals && !ReadNumbers(c, &n, "a normal", error)) return false;
            if (in.fileNormals) mesh->normals.push_back(n);
            ++s.normals;
        } else if (left > 2 && k[0] == 'v' && k[1] == 't' && TextBlank(k[2])) {
            ++s.texCoords;
        } else if (left > 1 && k[0] == 'f' && TextBlank(k[1])) {
            c.p += 1;
            if (!ReadFace(c, in, mesh, s, error)) return false;
        } else if (left > 1 && (k[0] == 'p' || k[0] == 'l') && TextBlank(k[1])) {
            c.p += 1;
            if (!ReadPointsOrLine(c, k[0] == 'l', in, mesh, s, error)) return false;
        } else if (BinaryStart(*k)) {
            return ReadFail(error, c.line, kNotText);
        }
        FinishLine(c);
    }
    return true;
}
