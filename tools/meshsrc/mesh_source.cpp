#include "tools/meshsrc/mesh_source.h"

#include "tools/output/output_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>

void MeshAddFace(MeshData& mesh, Vec3 a, Vec3 b, Vec3 c, const Vec3 normals[3])
{
    int32_t v = int32_t(mesh.vertices.size());
    int32_t n = int32_t(mesh.normals.size());
    mesh.vertices.insert(mesh.vertices.end(), {a, b, c});
    mesh.normals.insert(mesh.normals.end(), {normals[0], normals[1], normals[2]});
    mesh.faces.push_back(MeshFace{{v, v + 1, v + 2}, {n, n + 1, n + 2}, {-1, -1, -1}});
}

// Sorting indices rather than keying a tree keeps the memory at two int32 per normal, which
// matters for meshes of millions of faces.
void MeshMergeNormals(MeshData& mesh)
{
    auto bits = [](float f) {
        if (f == 0.0f) f = 0.0f; // -0 and +0 are the same normal
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    auto key = [&](size_t i) {
        const Vec3& n = mesh.normals[i];
        return std::make_tuple(bits(n.x), bits(n.y), bits(n.z));
    };
    size_t count = mesh.normals.size();
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = uint32_t(i);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        auto ka = key(a), kb = key(b);
        return ka != kb ? ka < kb : a < b;
    });
    // remap[i]: first use of normal i's value; then, walking in order, its merged index.
    std::vector<uint32_t> remap(count);
    for (size_t g = 0; g < count;) {
        size_t end = g + 1;
        while (end < count && key(order[end]) == key(order[g])) ++end;
        for (size_t k = g; k < end; ++k) remap[order[k]] = order[g];
        g = end;
    }
    order.clear();
    order.shrink_to_fit();
    std::vector<Vec3> merged;
    for (size_t i = 0; i < count; ++i) {
        if (remap[i] == i) {
            remap[i] = uint32_t(merged.size());
            merged.push_back(mesh.normals[i]);
        } else {
            remap[i] = remap[remap[i]];
        }
    }
    for (MeshFace& face : mesh.faces)
        for (int32_t& index : face.normalIndex) index = int32_t(remap[size_t(index)]);
    mesh.normals = std::move(merged);
}

void MeshSetFlatNormals(MeshData& mesh)
{
    mesh.normals.resize(mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        MeshFace& face = mesh.faces[i];
        mesh.normals[i] = FaceNormal(mesh.vertices[size_t(face.vertexIndex[0])],
                                     mesh.vertices[size_t(face.vertexIndex[1])],
                                     mesh.vertices[size_t(face.vertexIndex[2])]);
        face.normalIndex[0] = face.normalIndex[1] = face.normalIndex[2] = int32_t(i);
    }
}

Vec3 NormalisedOrZero(Vec3 v)
{
    double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (!(length > 1e-30) || !std::isfinite(length)) return Vec3{0, 0, 0};
    return Vec3{float(v.x / length), float(v.y / length), float(v.z / length)};
}

Vec3 FaceNormal(Vec3 a, Vec3 b, Vec3 c)
{
    double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 1e-12)) return Vec3{0, 0, 0};
    return Vec3{float(nx / length), float(ny / length), float(nz / length)};
}

MeshBounds MeshMeasure(const MeshData& mesh)
{
    MeshBounds b{{0, 0, 0}, {0, 0, 0}, 0.0};
    if (mesh.vertices.empty()) return b;
    b.min = b.max = mesh.vertices[0];
    for (const Vec3& v : mesh.vertices) {
        b.min = Vec3{std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
        b.max = Vec3{std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
        b.radius = std::max(b.radius,
                            std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
    }
    return b;
}

void MeshFitToRadius(MeshData& mesh, double radius)
{
    MeshBounds b = MeshMeasure(mesh);
    double cx = (double(b.min.x) + b.max.x) / 2, cy = (double(b.min.y) + b.max.y) / 2,
           cz = (double(b.min.z) + b.max.z) / 2;
    double farthest = 0.0;
    for (const Vec3& v : mesh.vertices) {
        double x = v.x - cx, y = v.y - cy, z = v.z - cz;
        farthest = std::max(farthest, std::sqrt(x * x + y * y + z * z));
    }
    double scale = farthest > 0.0 ? radius / farthest : 1.0;
    // Rounding to single precision may push a position a hair past the radius; shrink until not.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::vector<Vec3> placed(mesh.vertices.size());
        double reached = 0.0;
        for (size_t i = 0; i < placed.size(); ++i) {
            const Vec3& v = mesh.vertices[i];
            placed[i] = Vec3{float((v.x - cx) * scale), float((v.y - cy) * scale),
                             float((v.z - cz) * scale)};
            const Vec3& p = placed[i];
            reached = std::max(
                reached, std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
        }
        if (reached <= radius || attempt == 7) {
            mesh.vertices = std::move(placed);
            return;
        }
        scale *= 1.0 - 1e-7;
    }
}

// Shortest text of 6 to 9 significant digits ("%.*g") that reads back as the same float,
// always with a decimal point or exponent. to_chars and from_chars give the same text as
// printf and strtof, many times faster, which counts for meshes of millions of positions.
static void FormatFloat(char* out, size_t size, float f)
{
    if (f == 0.0f) f = 0.0f;
    // No text shorter than the shortest exact one reads back: start the search there.
    char shortest[32];
    char* last =
        std::to_chars(shortest, shortest + sizeof shortest, f, std::chars_format::scientific).ptr;
    int needed = 0;
    for (char* c = shortest; c < last && *c != 'e'; ++c) needed += *c >= '0' && *c <= '9';
    for (int digits = std::max(6, needed); digits <= 9; ++digits) {
        char* end = std::to_chars(out, out + size - 4, f, std::chars_format::general, digits).ptr;
        *end = '\0';
        float back = 0.0f;
        if (std::from_chars(out, end, back).ec != std::errc()) back = std::strtof(out, nullptr);
        if (back == f) break;
    }
    if (!std::strpbrk(out, ".e")) std::strncat(out, ".0", size - std::strlen(out) - 1);
    std::strncat(out, "f", size - std::strlen(out) - 1);
}

// Lines are assembled by hand and written whole: fprintf per value is most of the time of
// writing a mesh of millions of faces.
static char* Append(char* at, const char* text)
{
    size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    return at + length;
}

static char* AppendInt(char* at, int32_t value)
{
    return std::to_chars(at, at + 12, value).ptr;
}

static bool WriteVectors(FILE* out, const char* name, const std::vector<Vec3>& values)
{
    if (values.empty()) return true;
    std::fprintf(out, "static const Vec3 %s[] = {\n", name);
    char x[32], y[32], z[32], line[128];
    for (const Vec3& v : values) {
        FormatFloat(x, sizeof x, v.x);
        FormatFloat(y, sizeof y, v.y);
        FormatFloat(z, sizeof z, v.z);
        char* at = Append(Append(Append(Append(Append(Append(line, "{"), x), ","), y), ","), z);
        at = Append(at, "},\n");
        std::fwrite(line, 1, size_t(at - line), out);
    }
    return std::fprintf(out, "};\n\n") > 0;
}

static void WriteFaces(FILE* out, const std::vector<MeshFace>& faces)
{
    if (faces.empty()) return;
    std::fprintf(out, "static const MeshFace faces[] = {\n");
    char line[128];
    for (const MeshFace& f : faces) {
        char* at = line;
        for (int k = 0; k < 6; ++k) {
            at = Append(at, k == 0 ? "{{" : k == 3 ? "},{" : ",");
            at = AppendInt(at, k < 3 ? f.vertexIndex[k] : f.normalIndex[k - 3]);
        }
        at = Append(at, "},{-1,-1,-1}},\n");
        std::fwrite(line, 1, size_t(at - line), out);
    }
    std::fprintf(out, "};\n\n");
}

// Escapes the name for a C string literal.
static std::string QuotedName(const std::string& name)
{
    std::string quoted = "\"";
    for (unsigned char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\%03o", c);
            quoted += hex;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

bool MeshWriteSource(const MeshData& mesh, const std::string& path, const std::string& origin,
                     const std::string& input, std::string* error)
{
    OutputFile file;
    if (!OutputOpen(path, input, &file, error)) return false;
    FILE* out = file.stream;
    std::fprintf(out, "// Generated from %s; do not edit.\n#include \"model/mesh.h\"\n\n",
                 origin.c_str());
    WriteVectors(out, "vertices", mesh.vertices);
    WriteVectors(out, "normals", mesh.normals);
    WriteFaces(out, mesh.faces);
    auto arrayOrNull = [](bool empty, const char* name) { return empty ? "nullptr" : name; };
    std::fprintf(out, "const MeshModel meshModel = {%s, %s, %zu, %s, %zu, %s, %zu, nullptr, 0};\n",
                 QuotedName(mesh.name).c_str(), arrayOrNull(mesh.faces.empty(), "faces"),
                 mesh.faces.size(), arrayOrNull(mesh.vertices.empty(), "vertices"),
                 mesh.vertices.size(), arrayOrNull(mesh.normals.empty(), "normals"),
                 mesh.normals.size());
    return OutputCommit(&file, error);
}
