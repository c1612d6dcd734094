// Generators of the load benchmark's models. The torus is the same surface in every format, so
// the formats' figures compare; the PLY of big polygons is the worst case of triangulation.
#include "bench/loadmodels.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace
{

const double kPi = 3.14159265358979323846;

struct Torus {
    std::vector<float> positions, normals; // three per point
    std::vector<uint32_t> triangles;       // three per triangle
};

// ring x tube quads, two triangles each: 1000 x 500 is 1,000,000 triangles, 2500 x 2000 ten
// million.
Torus MakeTorus(uint32_t ring, uint32_t tube)
{
    Torus t;
    for (uint32_t i = 0; i < ring; ++i)
        for (uint32_t j = 0; j < tube; ++j) {
            double u = 2 * kPi * i / ring, v = 2 * kPi * j / tube, r = 3 + std::cos(v);
            t.positions.insert(t.positions.end(), {float(r * std::cos(u)), float(r * std::sin(u)),
                                                   float(std::sin(v))});
            t.normals.insert(t.normals.end(),
                             {float(std::cos(v) * std::cos(u)), float(std::cos(v) * std::sin(u)),
                              float(std::sin(v))});
        }
    for (uint32_t i = 0; i < ring; ++i)
        for (uint32_t j = 0; j < tube; ++j) {
            uint32_t a = i * tube + j, b = (i + 1) % ring * tube + j,
                     c = (i + 1) % ring * tube + (j + 1) % tube, d = i * tube + (j + 1) % tube;
            t.triangles.insert(t.triangles.end(), {a, b, c, a, c, d});
        }
    return t;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

void WriteObj(const Torus& t, FILE* out)
{
    for (size_t i = 0; i < t.positions.size(); i += 3)
        std::fprintf(out, "v %.6f %.6f %.6f\n", t.positions[i], t.positions[i + 1],
                     t.positions[i + 2]);
    for (size_t i = 0; i < t.normals.size(); i += 3)
        std::fprintf(out, "vn %.4f %.4f %.4f\n", t.normals[i], t.normals[i + 1], t.normals[i + 2]);
    for (size_t i = 0; i < t.triangles.size(); i += 3) {
        uint32_t a = t.triangles[i] + 1, b = t.triangles[i + 1] + 1, c = t.triangles[i + 2] + 1;
        std::fprintf(out, "f %u//%u %u//%u %u//%u\n", a, a, b, b, c, c);
    }
}

void WritePly(const Torus& t, FILE* out)
{
    std::fprintf(out,
                 "ply\nformat binary_little_endian 1.0\nelement vertex %zu\n"
                 "property float x\nproperty float y\nproperty float z\nelement face %zu\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 t.positions.size() / 3, t.triangles.size() / 3);
    std::fwrite(t.positions.data(), 4, t.positions.size(), out);
    for (size_t i = 0; i < t.triangles.size(); i += 3) {
        std::fputc(3, out);
        std::fwrite(&t.triangles[i], 4, 3, out);
    }
}

void WriteStl(const Torus& t, FILE* out)
{
    char header[80] = "solid torus (binary, whatever this word says)";
    uint32_t count = uint32_t(t.triangles.size() / 3);
    std::fwrite(header, 1, 80, out);
    std::fwrite(&count, 4, 1, out);
    for (size_t i = 0; i < t.triangles.size(); i += 3) {
        float record[12] = {};
        for (int k = 0; k < 3; ++k)
            std::memcpy(&record[3 + 3 * k], &t.positions[3 * size_t(t.triangles[i + k])], 12);
        std::fwrite(record, 4, 12, out);
        std::fwrite("\0", 1, 2, out);
    }
}

void WriteGlb(const Torus& t, FILE* out)
{
    size_t positionBytes = t.positions.size() * 4, indexBytes = t.triangles.size() * 4;
    char json[1024];
    int length = std::snprintf(
        json, sizeof json,
        "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
        "\"nodes\":[{\"mesh\":0}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},"
        "\"indices\":1}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":%zu,"
        "\"type\":\"VEC3\",\"min\":[-4,-4,-1],\"max\":[4,4,1]},{\"bufferView\":1,"
        "\"componentType\":5125,\"count\":%zu,\"type\":\"SCALAR\"}],\"bufferViews\":["
        "{\"buffer\":0,\"byteLength\":%zu},{\"buffer\":0,\"byteOffset\":%zu,\"byteLength\":%zu}],"
        "\"buffers\":[{\"byteLength\":%zu}]}",
        t.positions.size() / 3, t.triangles.size(), positionBytes, positionBytes, indexBytes,
        positionBytes + indexBytes);
    while (length % 4) json[length++] = ' ';
    uint32_t binLength = uint32_t(positionBytes + indexBytes);
    uint32_t head[5] = {0x46546C67, 2, uint32_t(12 + 8 + length + 8 + binLength), uint32_t(length),
                        0x4E4F534A};
    std::fwrite(head, 4, 5, out);
    std::fwrite(json, 1, size_t(length), out);
    uint32_t binHead[2] = {binLength, 0x004E4942};
    std::fwrite(binHead, 4, 2, out);
    std::fwrite(t.positions.data(), 4, t.positions.size(), out);
    std::fwrite(t.triangles.data(), 4, t.triangles.size(), out);
}

// 400 rings of 1000 points on a sphere; each polygon takes 50 points of one ring in order, so it
// is convex, and 104,167 of them give 5,000,016 triangles.
void WritePolygons(FILE* out)
{
    const int rings = 400, points = 1000, corners = 50, polygons = 104167;
    std::fprintf(out,
                 "ply\nformat binary_little_endian 1.0\nelement vertex %d\nproperty float x\n"
                 "property float y\nproperty float z\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 rings * points, polygons);
    for (int r = 0; r < rings; ++r) {
        double lat = kPi * (r + 0.5) / rings - kPi / 2, tilt = r * 0.37;
        for (int p = 0; p < points; ++p) {
            double lon = 2 * kPi * p / points, x = std::cos(lat) * std::cos(lon),
                   y = std::cos(lat) * std::sin(lon), z = std::sin(lat);
            float xyz[3] = {float(x), float(y * std::cos(tilt) - z * std::sin(tilt)),
                            float(y * std::sin(tilt) + z * std::cos(tilt))};
            std::fwrite(xyz, 4, 3, out);
        }
    }
    for (int f = 0; f < polygons; ++f) {
        int ring = f % rings, step = 10 + f / rings % 11, start = f * 37 % points;
        std::fputc(corners, out);
        for (int k = 0; k < corners; ++k) {
            int32_t index = ring * points + (start + k * step) % points;
            std::fwrite(&index, 4, 1, out);
        }
    }
}

} // namespace

std::vector<BenchModel> WriteBenchModels(const std::string& folder)
{
    mkdir(folder.c_str(), 0755);
    struct Written {
        BenchModel model;
        void (*write)(const Torus&, FILE*); // null: the polygons
        bool big;                           // the ten-million-triangle torus
    };
    const Written written[] = {
        {{folder + "/torus_1m.obj", "1M triangles, OBJ, f a//n"}, WriteObj, false},
        {{folder + "/torus_1m.ply", "1M triangles, binary PLY"}, WritePly, false},
        {{folder + "/torus_1m.stl", "1M triangles, binary STL"}, WriteStl, false},
        {{folder + "/torus_1m.glb", "1M triangles, GLB"}, WriteGlb, false},
        {{folder + "/polygons_5m.ply", "5M triangles, binary PLY, 50-gons"}, nullptr, false},
        {{folder + "/torus_10m.ply", "10M triangles, binary PLY"}, WritePly, true},
        {{folder + "/torus_10m.stl", "10M triangles, binary STL"}, WriteStl, true}};
    std::vector<BenchModel> models;
    Torus torus[2];
    for (const Written& w : written) {
        models.push_back(w.model);
        if (Exists(w.model.path)) continue;
        std::string part = w.model.path + ".part";
        FILE* out = std::fopen(part.c_str(), "wb");
        if (!out) continue;
        Torus& t = torus[w.big];
        if (w.write && t.positions.empty())
            t = w.big ? MakeTorus(2500, 2000) : MakeTorus(1000, 500);
        if (w.write)
            w.write(t, out);
        else
            WritePolygons(out);
        if (std::fclose(out) == 0) std::rename(part.c_str(), w.model.path.c_str());
    }
    return models;
}
