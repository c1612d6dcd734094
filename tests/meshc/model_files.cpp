#include "tests/meshc/model_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

TestModel ModelTetrahedron()
{
    return {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3}};
}

TestModel ModelCube()
{
    TestModel m;
    for (int i = 0; i < 8; ++i)
        m.positions.insert(m.positions.end(), {float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)});
    m.indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                 2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};
    return m;
}

TestModel ModelOpenQuad()
{
    return {{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}, {0, 1, 2, 0, 2, 3}};
}

static size_t VertexCount(const TestModel& m)
{
    return m.positions.size() / 3;
}

std::string ModelObj(const TestModel& m)
{
    std::ostringstream out;
    out << "# test model\n";
    for (size_t i = 0; i < VertexCount(m); ++i)
        out << "v " << m.positions[3 * i] << ' ' << m.positions[3 * i + 1] << ' '
            << m.positions[3 * i + 2] << '\n';
    for (size_t t = 0; t < m.indices.size(); t += 3)
        out << "f " << m.indices[t] + 1 << ' ' << m.indices[t + 1] + 1 << ' '
            << m.indices[t + 2] + 1 << '\n';
    return out.str();
}

static std::string PlyHeader(const TestModel& m, const char* format)
{
    std::ostringstream out;
    out << "ply\nformat " << format << " 1.0\nelement vertex " << VertexCount(m)
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face "
        << m.indices.size() / 3 << "\nproperty list uchar int vertex_indices\nend_header\n";
    return out.str();
}

std::string ModelPlyAscii(const TestModel& m)
{
    std::ostringstream out;
    out << PlyHeader(m, "ascii");
    for (size_t i = 0; i < VertexCount(m); ++i)
        out << m.positions[3 * i] << ' ' << m.positions[3 * i + 1] << ' ' << m.positions[3 * i + 2]
            << '\n';
    for (size_t t = 0; t < m.indices.size(); t += 3)
        out << "3 " << m.indices[t] << ' ' << m.indices[t + 1] << ' ' << m.indices[t + 2] << '\n';
    return out.str();
}

template <typename T> static void Put(std::string& out, T value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value); // little-endian machine
    out.append(bytes, sizeof value);
}

std::string ModelPlyBinary(const TestModel& m)
{
    std::string out = PlyHeader(m, "binary_little_endian");
    for (float f : m.positions) Put(out, f);
    for (size_t t = 0; t < m.indices.size(); t += 3) {
        Put(out, uint8_t(3));
        for (int k = 0; k < 3; ++k) Put(out, int32_t(m.indices[t + k]));
    }
    return out;
}

std::string ModelStlAscii(const TestModel& m)
{
    std::ostringstream out;
    out << "solid test\n";
    for (size_t t = 0; t < m.indices.size(); t += 3) {
        out << "facet normal 0 0 0\nouter loop\n";
        for (int k = 0; k < 3; ++k) {
            const float* p = &m.positions[3 * m.indices[t + k]];
            out << "vertex " << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
        }
        out << "endloop\nendfacet\n";
    }
    out << "endsolid test\n";
    return out.str();
}

std::string ModelStlBinary(const TestModel& m)
{
    std::string out(80, ' ');
    out.replace(0, 11, "binary test");
    Put(out, uint32_t(m.indices.size() / 3));
    for (size_t t = 0; t < m.indices.size(); t += 3) {
        for (int k = 0; k < 3; ++k) Put(out, 0.0f);
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c) Put(out, m.positions[3 * m.indices[t + k] + c]);
        Put(out, uint16_t(0));
    }
    return out;
}

static std::string Base64(const std::string& bytes)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) n |= uint8_t(bytes[i + 2]);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

// Positions then indices, and the JSON that describes them as buffer 0.
static std::string GltfBuffer(const TestModel& m, std::string* json, bool embedded,
                              const std::vector<std::string>& nodes)
{
    std::string bin;
    for (float f : m.positions) Put(bin, f);
    size_t positionBytes = bin.size();
    for (uint32_t i : m.indices) Put(bin, i);
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < m.positions.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], m.positions[i]);
        hi[i % 3] = std::max(hi[i % 3], m.positions[i]);
    }
    std::ostringstream out;
    out << "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[";
    for (size_t n = 0; n < nodes.size(); ++n) out << (n ? "," : "") << n;
    out << "]}],\"nodes\":[";
    for (size_t n = 0; n < nodes.size(); ++n) out << (n ? "," : "") << nodes[n];
    out << "],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1,"
           "\"mode\":4}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":"
        << VertexCount(m) << ",\"type\":\"VEC3\",\"min\":[" << lo[0] << ',' << lo[1] << ',' << lo[2]
        << "],\"max\":[" << hi[0] << ',' << hi[1] << ',' << hi[2]
        << "]},{\"bufferView\":1,\"componentType\":5125,\"count\":" << m.indices.size()
        << ",\"type\":\"SCALAR\"}],\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,"
           "\"byteLength\":"
        << positionBytes << "},{\"buffer\":0,\"byteOffset\":" << positionBytes
        << ",\"byteLength\":" << bin.size() - positionBytes
        << "}],\"buffers\":[{\"byteLength\":" << bin.size();
    if (embedded) out << ",\"uri\":\"data:application/octet-stream;base64," << Base64(bin) << '"';
    out << "}]}";
    *json = out.str();
    return bin;
}

std::string ModelGltf(const TestModel& m, const std::vector<std::string>& nodes)
{
    std::string json;
    GltfBuffer(m, &json, true, nodes);
    return json;
}

std::string ModelGlb(const TestModel& m)
{
    std::string json;
    std::string bin = GltfBuffer(m, &json, false, {"{\"mesh\":0}"});
    while (json.size() % 4) json += ' ';
    while (bin.size() % 4) bin += '\0';
    std::string out = "glTF";
    Put(out, uint32_t(2));
    Put(out, uint32_t(12 + 8 + json.size() + 8 + bin.size()));
    Put(out, uint32_t(json.size()));
    out += "JSON";
    out += json;
    Put(out, uint32_t(bin.size()));
    out += std::string("BIN\0", 4);
    out += bin;
    return out;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
