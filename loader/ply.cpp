// PLY: a text header that declares elements and their properties, then the data as text or as
// binary of either byte order. Positions (and colours) come from the vertex element and polygons
// from the face element's index list, or without faces every vertex is a point; everything else is
// stepped over by its declared layout. The header's counts are checked against the bytes after it
// before anything is allocated, every list length against the bytes left where it is read, and
// every index against the declared vertex count.
#include "loader/reader.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <type_traits>
#include <vector>

#include "loader/ply_header.h"
#include "loader/polygon.h"
#include "loader/text.h"

namespace
{

// A polygon of four or more corners in PlyRead::corners; the corners between two are triangles.
struct PlyPolygon {
    size_t first;
    uint32_t count;
};

// What the data gives, with the polygons kept until every position is known (faces may come
// first), their indices checked against the declared vertex count as they are read.
struct PlyRead {
    const ReadInput* in = nullptr;
    MeshData* mesh = nullptr;
    ReadError* error = nullptr;
    uint64_t vertexCount = 0;
    std::vector<int32_t> corners;     // polygons of three or more corners, one after another
    std::vector<PlyPolygon> polygons; // those of four or more (most files have none)
    size_t triangles = 0;
    bool colored = false;      // the vertices have red, green and blue
    bool alpha = false;        // and alpha
    double colorScale[4] = {}; // each channel's values to the bytes 0 to 255, by its type
};

// Whether a vertex property's value is read: the position always, the normal where the file's
// are kept, a colour's channels where there is a colour.
bool Wanted(const PlyRead& r, int slot)
{
    return (slot >= 0 && slot < kSlotNormals) ||
           (slot >= kSlotNormals && slot < kSlotIndices && r.in->fileNormals) ||
           (slot >= kSlotColors && r.colored);
}

// A channel's values to bytes: whole numbers of a type span it (an unsigned byte as it is, an
// unsigned short by 257 to one), fractions run from 0 to 1.
double ColorScale(PlyType type)
{
    switch (type) {
    case PlyType::int8:
        return 255.0 / 127.0;
    case PlyType::uint8:
        return 1.0;
    case PlyType::int16:
        return 255.0 / 32767.0;
    case PlyType::uint16:
        return 255.0 / 65535.0;
    case PlyType::int32:
        return 255.0 / 2147483647.0;
    case PlyType::uint32:
        return 255.0 / 4294967295.0;
    default:
        return 255.0;
    }
}

uint8_t ColorByte(double value, double scale)
{
    double byte = value * scale;
    return uint8_t(!(byte > 0.0) ? 0.0 : byte >= 255.0 ? 255.0 : byte + 0.5);
}

std::string RecordName(const PlyElement& element, uint64_t record)
{
    return element.name + " " + std::to_string(record);
}

bool FailIndex(PlyRead& r, size_t line, uint64_t face, int64_t index)
{
    std::string name = "face " + std::to_string(face);
    if (index < 0)
        return ReadFail(r.error, line,
                        name + " uses a negative vertex index (" + std::to_string(index) + ")");
    return ReadFail(r.error, line,
                    name + " uses vertex " + std::to_string(index) + " of " +
                        std::to_string(r.vertexCount));
}

// Keeps the polygon whose corners end r.corners, given n of them (fewer than 3 give nothing).
bool EndPolygon(PlyRead& r, uint64_t n, size_t line, uint64_t face)
{
    if (n < 3) {
        r.corners.resize(r.corners.size() - n);
        return true;
    }
    if (n > UINT32_MAX)
        return ReadFail(r.error, line, "face " + std::to_string(face) + " has too many corners");
    if (n > 3) r.polygons.push_back(PlyPolygon{r.corners.size() - size_t(n), uint32_t(n)});
    r.triangles += n - 2;
    return ReadFacesAllowed(*r.in, r.triangles, line, r.error);
}

// Stores vertex `record` from its slots (normals only where kept, the colour where there is one).
bool StoreVertex(PlyRead& r, uint64_t record, const double* values, size_t line)
{
    for (int i = 0; i < 6; ++i)
        if (!(std::fabs(values[i]) <= FLT_MAX))
            return ReadFail(r.error, line,
                            "vertex " + std::to_string(record) + " has a non-finite " +
                                (i < kSlotNormals ? "coordinate" : "normal"));
    r.mesh->vertices[record] = Vec3{float(values[0]), float(values[1]), float(values[2])};
    if (r.in->fileNormals)
        r.mesh->normals[record] =
            NormalisedOrZero(Vec3{float(values[3]), float(values[4]), float(values[5])});
    if (r.colored) {
        const double* c = values + kSlotColors;
        r.mesh->colors[record] =
            MeshColor{ColorByte(c[0], r.colorScale[0]), ColorByte(c[1], r.colorScale[1]),
                      ColorByte(c[2], r.colorScale[2]),
                      r.alpha ? ColorByte(c[3], r.colorScale[3]) : uint8_t(255)};
    }
    return true;
}

// --- Text data: values separated by blanks and line ends, read through loader/text.h.

// Steps to the next value; false (error set) if the file ends first.
bool NextValue(TextCursor& c, const PlyElement& element, uint64_t record, ReadError* error)
{
    for (; c.p < c.end; ++c.p) {
        if (*c.p == '\n')
            ++c.line;
        else if (!TextBlank(*c.p) && *c.p != '\r')
            return true;
    }
    return ReadFail(error, c.line,
                    "the file ends before its data does (in " + RecordName(element, record) + ")");
}

bool EndsValue(const TextCursor& c)
{
    return c.p == c.end || TextBlank(*c.p) || *c.p == '\r' || *c.p == '\n';
}

bool ReadTextFloat(TextCursor& c, const PlyElement& element, uint64_t record, double* value,
                   ReadError* error)
{
    if (!NextValue(c, element, record, error)) return false;
    float number = 0;
    NumberStatus status = ParseFloat(c.p, c.end, &number);
    if (status == NumberStatus::ok && !EndsValue(c)) status = NumberStatus::missing;
    if (status != NumberStatus::ok)
        return ReadFail(error, c.line, RecordName(element, record) + ": " + NumberProblem(status));
    *value = number;
    return true;
}

bool ReadTextInteger(TextCursor& c, const PlyElement& element, uint64_t record, int64_t* value,
                     ReadError* error)
{
    if (!NextValue(c, element, record, error)) return false;
    NumberStatus status = ParseInteger(c.p, c.end, value);
    if (status == NumberStatus::ok && !EndsValue(c))
        return ReadFail(error, c.line, RecordName(element, record) + ": expected a whole number");
    if (status != NumberStatus::ok)
        return ReadFail(error, c.line, RecordName(element, record) + ": " + NumberProblem(status));
    return true;
}

bool SkipTextValue(TextCursor& c, const PlyElement& element, uint64_t record, ReadError* error)
{
    if (!NextValue(c, element, record, error)) return false;
    while (!EndsValue(c)) ++c.p;
    return true;
}

bool ReadTextList(PlyRead& r, TextCursor& c, const PlyElement& element, uint64_t record,
                  const PlyProperty& property)
{
    int64_t length = 0;
    if (!ReadTextInteger(c, element, record, &length, r.error)) return false;
    if (length < 0)
        return ReadFail(r.error, c.line,
                        RecordName(element, record) + " has a negative list length");
    if (uint64_t(length) > uint64_t(c.end - c.p + 1) / 2)
        return ReadFail(r.error, c.line,
                        RecordName(element, record) + " has a list longer than the file");
    if (property.slot != kSlotIndices) {
        for (int64_t i = 0; i < length; ++i)
            if (!SkipTextValue(c, element, record, r.error)) return false;
        return true;
    }
    for (int64_t i = 0; i < length; ++i) {
        int64_t index = 0;
        if (!ReadTextInteger(c, element, record, &index, r.error)) return false;
        if (index < 0 || uint64_t(index) >= r.vertexCount)
            return FailIndex(r, c.line, record, index);
        r.corners.push_back(int32_t(index));
    }
    return EndPolygon(r, uint64_t(length), c.line, record);
}

bool ReadTextElement(PlyRead& r, TextCursor& c, const PlyElement& element)
{
    bool vertex = element.name == "vertex";
    if (element.properties.empty()) return true;
    for (uint64_t record = 0; record < element.count; ++record) {
        double values[kSlotCount] = {};
        size_t line = 0;
        for (const PlyProperty& property : element.properties) {
            if (property.list) {
                if (!ReadTextList(r, c, element, record, property)) return false;
            } else if (vertex && Wanted(r, property.slot)) {
                if (!ReadTextFloat(c, element, record, &values[property.slot], r.error))
                    return false;
                line = c.line;
            } else if (!SkipTextValue(c, element, record, r.error)) {
                return false;
            }
        }
        if (vertex && !StoreVertex(r, record, values, line)) return false;
    }
    return true;
}

// --- Binary data.

struct BinaryCursor {
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    ByteOrder order = ByteOrder::little;
};

double LoadNumber(const unsigned char* p, PlyType type, ByteOrder order)
{
    return PlyWithType(
        type, [p, order](auto zero) { return double(BytesValue<decltype(zero)>(p, order)); });
}

// Copies n indices of type into out; false if one is negative or past the vertices (or the type
// is not a whole number one, which the header refuses).
bool LoadIndices(PlyType type, const unsigned char* p, size_t n, ByteOrder order,
                 uint64_t vertexCount, int32_t* out)
{
    return PlyWithType(type, [=](auto zero) {
        using T = decltype(zero);
        bool fine = std::is_integral_v<T>;
        if constexpr (std::is_integral_v<T>)
            for (size_t i = 0; i < n; ++i) {
                int64_t index = int64_t(BytesValue<T>(p + i * sizeof(T), order));
                fine &= uint64_t(index) < vertexCount;
                out[i] = int32_t(index);
            }
        return fine;
    });
}

bool EndsEarly(const PlyElement& element, uint64_t record, ReadError* error)
{
    return ReadFail(error, 0,
                    "the file ends before its data does (in " + RecordName(element, record) + ")");
}

bool ReadBinaryList(PlyRead& r, BinaryCursor& c, const PlyElement& element, uint64_t record,
                    const PlyProperty& property)
{
    size_t countSize = PlyTypeSize(property.countType), itemSize = PlyTypeSize(property.type);
    if (size_t(c.end - c.p) < countSize) return EndsEarly(element, record, r.error);
    int64_t length = int64_t(LoadNumber(c.p, property.countType, c.order)); // 32 bits at most
    c.p += countSize;
    if (length < 0)
        return ReadFail(r.error, 0, RecordName(element, record) + " has a negative list length");
    if (uint64_t(length) > size_t(c.end - c.p) / itemSize)
        return ReadFail(r.error, 0,
                        RecordName(element, record) + " has a list longer than the file");
    size_t n = size_t(length);
    if (property.slot == kSlotIndices) {
        size_t start = r.corners.size();
        r.corners.resize(start + n);
        if (!LoadIndices(property.type, c.p, n, c.order, r.vertexCount, r.corners.data() + start))
            for (size_t i = 0; i < n; ++i) {
                int64_t index = int64_t(LoadNumber(c.p + i * itemSize, property.type, c.order));
                if (index < 0 || uint64_t(index) >= r.vertexCount)
                    return FailIndex(r, 0, record, index);
            }
        if (!EndPolygon(r, n, 0, record)) return false;
    }
    c.p += n * itemSize;
    return true;
}

// The usual face layout (the index list alone, a one-byte length, 32-bit indices in this
// machine's byte order) is read without the general path's dispatch on every value.
bool UsualFaces(const PlyElement& element, ByteOrder order)
{
    if (element.properties.size() != 1 || order != kMachineOrder) return false;
    const PlyProperty& list = element.properties[0];
    return list.slot == kSlotIndices && list.countType == PlyType::uint8 &&
           (list.type == PlyType::int32 || list.type == PlyType::uint32);
}

bool ReadUsualFaces(PlyRead& r, BinaryCursor& c, const PlyElement& element)
{
    int32_t corners[255];
    for (uint64_t record = 0; record < element.count; ++record) {
        if (c.p == c.end) return EndsEarly(element, record, r.error);
        size_t n = *c.p++;
        if (n * 4 > size_t(c.end - c.p))
            return ReadFail(r.error, 0,
                            RecordName(element, record) + " has a list longer than the file");
        memcpy(corners, c.p, n * 4); // in this machine's order: BytesValue would do no more
        c.p += n * 4;
        bool fine = true;
        for (size_t i = 0; i < n; ++i) fine &= uint32_t(corners[i]) < r.vertexCount;
        for (size_t i = 0; !fine && i < n; ++i)
            if (uint32_t(corners[i]) >= r.vertexCount)
                return FailIndex(r, 0, record,
                                 element.properties[0].type == PlyType::int32
                                     ? int64_t(corners[i])
                                     : int64_t(uint32_t(corners[i])));
        if (n < 3) continue;
        r.corners.insert(r.corners.end(), corners, corners + n);
        if (!EndPolygon(r, n, 0, record)) return false;
    }
    return true;
}

bool ReadBinaryElement(PlyRead& r, BinaryCursor& c, const PlyElement& element)
{
    if (UsualFaces(element, c.order)) return ReadUsualFaces(r, c, element);
    bool vertex = element.name == "vertex";
    size_t fixed = 0; // bytes of a record without lists
    bool lists = false;
    if (element.properties.empty()) return true;
    for (const PlyProperty& property : element.properties) {
        lists |= property.list;
        fixed += PlyTypeSize(property.type);
    }
    if (!vertex && !lists) { // stepped over at once
        uint64_t fit = uint64_t(c.end - c.p) / fixed;
        if (fit < element.count) return EndsEarly(element, fit, r.error);
        c.p += element.count * fixed;
        return true;
    }
    for (uint64_t record = 0; record < element.count; ++record) {
        double values[kSlotCount] = {};
        for (const PlyProperty& property : element.properties) {
            if (property.list) {
                if (!ReadBinaryList(r, c, element, record, property)) return false;
                continue;
            }
            size_t size = PlyTypeSize(property.type);
            if (size_t(c.end - c.p) < size) return EndsEarly(element, record, r.error);
            if (vertex && Wanted(r, property.slot))
                values[property.slot] = LoadNumber(c.p, property.type, c.order);
            c.p += size;
        }
        if (vertex && !StoreVertex(r, record, values, 0)) return false;
    }
    return true;
}

// Room for every index that the rest of the file could hold, so that the face element is read
// without moving what came before; memory that is not used is not touched.
void ReserveCorners(PlyRead& r, const PlyElement& element, size_t bytesLeft, bool text)
{
    if (!(element.slots & (1u << kSlotIndices))) return;
    for (const PlyProperty& property : element.properties)
        if (property.slot == kSlotIndices)
            ReserveLarge(r.corners,
                         r.corners.size() + bytesLeft / (text ? 2 : PlyTypeSize(property.type)));
}

// Appends the triangle on corners a, b and c of a polygon; a vertex's normal has its index.
void AddFace(MeshData& mesh, const int32_t* corners, uint32_t a, uint32_t b, uint32_t c,
             bool normals)
{
    int32_t va = corners[a], vb = corners[b], vc = corners[c];
    if (normals)
        MeshAppendFace(mesh, va, vb, vc, va, vb, vc);
    else
        MeshAppendFace(mesh, va, vb, vc, 0, 0, 0);
}

// Cuts the polygons into triangles now that every position is known. A drawn mesh of triangles
// alone takes the corners as they were read.
void BuildFaces(PlyRead& r)
{
    MeshData& mesh = *r.mesh;
    if (mesh.use == MeshUse::drawn && r.polygons.empty()) {
        mesh.corners = std::move(r.corners);
        return;
    }
    MeshReserveTriangles(mesh, r.triangles);
    std::vector<uint32_t> cuts;
    const int32_t* corners = r.corners.data();
    bool normals = r.in->fileNormals;
    size_t at = 0;
    auto trianglesUntil = [&](size_t end) {
        for (; at < end; at += 3) AddFace(mesh, corners + at, 0, 1, 2, normals);
    };
    for (const PlyPolygon& polygon : r.polygons) {
        trianglesUntil(polygon.first);
        cuts.clear();
        TriangulatePolygon(mesh.vertices.data(), corners + at, polygon.count, &cuts);
        for (size_t i = 0; i + 2 < cuts.size(); i += 3)
            AddFace(mesh, corners + at, cuts[i], cuts[i + 1], cuts[i + 2], normals);
        at += polygon.count;
    }
    trianglesUntil(r.corners.size());
}

} // namespace

bool ReadPly(const ReadInput& in, MeshData* mesh, ReadError* error)
{
    if (in.bytes.size == 0) return ReadFail(error, 0, "empty file");
    PlyHeader header;
    if (!ReadPlyHeader(in.bytes, &header, error)) return false;
    if (!CheckPlySizes(header, in.bytes.size - header.dataStart, error)) return false;
    PlyRead r;
    r.in = &in;
    r.mesh = mesh;
    r.error = error;
    bool normals = false;
    for (const PlyElement& element : header.elements) {
        if (element.name != "vertex") continue;
        normals = (element.slots & 070) == 070;
        if (element.count > uint64_t(INT32_MAX))
            return ReadFail(error, element.line, "more vertices than a mesh can hold");
        r.vertexCount = element.count;
        ReserveLarge(mesh->vertices, size_t(element.count));
        mesh->vertices.resize(element.count);
        unsigned rgb = 7u << kSlotColors;
        r.colored = (element.slots & rgb) == rgb;
        r.alpha = r.colored && (element.slots & (1u << (kSlotColors + 3)));
        for (const PlyProperty& property : element.properties)
            if (property.slot >= kSlotColors)
                r.colorScale[property.slot - kSlotColors] = ColorScale(property.type);
        if (r.colored) mesh->colors.resize(element.count);
        if (in.fileNormals) ReserveLarge(mesh->normals, size_t(element.count));
        if (in.fileNormals) mesh->normals.resize(element.count);
    }
    if (in.fileNormals && !normals) return ReadFail(error, 0, "the file has no normals");
    const unsigned char* data = in.bytes.data + header.dataStart;
    const unsigned char* end = in.bytes.data + in.bytes.size;
    if (header.format == PlyFormat::ascii) {
        TextCursor c = TextCursorOver(ByteSpan{data, size_t(end - data)}, header.lines + 1);
        for (const PlyElement& element : header.elements) {
            ReserveCorners(r, element, size_t(c.end - c.p), true);
            if (!ReadTextElement(r, c, element)) return false;
        }
    } else {
        BinaryCursor c;
        c.p = data;
        c.end = end;
        c.order = header.format == PlyFormat::bigEndian ? ByteOrder::big : ByteOrder::little;
        for (const PlyElement& element : header.elements) {
            ReserveCorners(r, element, size_t(c.end - c.p), false);
            if (!ReadBinaryElement(r, c, element)) return false;
        }
    }
    BuildFaces(r);
    // Vertices and no faces: a scan's point cloud, every vertex a point.
    if (MeshTriangleCount(*mesh) == 0) {
        mesh->points.resize(size_t(r.vertexCount));
        std::iota(mesh->points.begin(), mesh->points.end(), 0);
    }
    return true;
}
