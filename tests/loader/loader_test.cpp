// The loader on the models of models/ and the broken or hostile files of hostile/: the lines of
// each folder's expect*.txt say what every file must give.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "loader/load.h"
#include "loader/shown.h"
#include "tests/loader/expectations.h"
#include "tests/mesh_layout.h"

namespace
{

const std::string kData = LOADER_DATA;

std::vector<std::string> Expectations(const std::string& folder)
{
    std::vector<std::string> lines = ExpectationLines(kData + "/" + folder);
    EXPECT_FALSE(lines.empty()) << folder;
    return lines;
}

struct Expected {
    std::string name;
    size_t faces = 0;
    Vec3 min{}, max{};
    bool normals = false; // the file's own normals are read too
    size_t parts = 0;     // closed convex pieces of equal size whose faces must face outwards
    size_t points = 0, lineEnds = 0; // drawn besides the triangles
    bool colors = false;             // the file's colours
};

Expected ParseExpected(const std::string& line)
{
    Expected e;
    std::istringstream words(line);
    words >> e.name >> e.faces >> e.min.x >> e.min.y >> e.min.z >> e.max.x >> e.max.y >> e.max.z;
    for (std::string word; words >> word;) {
        if (word == "normals") e.normals = true;
        if (word.rfind("parts=", 0) == 0) e.parts = std::stoul(word.substr(6));
        if (word.rfind("points=", 0) == 0) e.points = std::stoul(word.substr(7));
        if (word.rfind("lines=", 0) == 0) e.lineEnds = std::stoul(word.substr(6));
        if (word == "colors") e.colors = true;
    }
    return e;
}

// Each closed convex part: its flat normals point away from its mean corner.
void ExpectFacingOutwards(const MeshData& mesh, size_t parts)
{
    size_t size = mesh.faces.size() / parts;
    for (size_t p = 0; p < parts; ++p) {
        double c[3] = {0, 0, 0};
        for (size_t f = p * size; f < (p + 1) * size; ++f)
            for (int32_t v : mesh.faces[f].vertexIndex) {
                const Vec3& q = mesh.vertices[size_t(v)];
                c[0] += q.x, c[1] += q.y, c[2] += q.z;
            }
        for (double& x : c) x /= 3.0 * double(size);
        for (size_t f = p * size; f < (p + 1) * size; ++f) {
            const Vec3& n = mesh.normals[size_t(mesh.faces[f].normalIndex[0])];
            const Vec3& q = mesh.vertices[size_t(mesh.faces[f].vertexIndex[0])];
            EXPECT_GT(n.x * (q.x - c[0]) + n.y * (q.y - c[1]) + n.z * (q.z - c[2]), 0)
                << "face " << f;
        }
    }
}

TEST(Loader, EveryModelGivesItsTrianglesAndBoxAndComesOutFitted)
{
    for (const std::string& line : Expectations("models")) {
        Expected e = ParseExpected(line);
        SCOPED_TRACE(line);
        // As drawn: points, lines and colours too, in the same box.
        LoadOptions drawn;
        drawn.use = MeshUse::drawn;
        drawn.radius = 0;
        MeshData seen;
        std::string error;
        ASSERT_TRUE(LoadModelFile(kData + "/models/" + e.name, drawn, &seen, &error)) << error;
        EXPECT_EQ(MeshTriangleCount(seen), e.faces);
        EXPECT_EQ(seen.points.size(), e.points);
        EXPECT_EQ(seen.lines.size(), e.lineEnds);
        EXPECT_EQ(seen.colors.size(), e.colors ? seen.vertices.size() : 0u);
        if (e.faces == 0) { // nothing the mesh compiler could take
            EXPECT_FALSE(LoadModelFile(kData + "/models/" + e.name, LoadOptions(), &seen, &error));
            EXPECT_NE(error.find("no triangles"), std::string::npos) << error;
            continue;
        }
        for (bool fileNormals : {false, true}) {
            if (fileNormals && !e.normals) continue;
            LoadOptions raw;
            raw.radius = 0;
            raw.fileNormals = fileNormals;
            MeshData mesh;
            ASSERT_TRUE(LoadModelFile(kData + "/models/" + e.name, raw, &mesh, &error)) << error;
            EXPECT_EQ(mesh.faces.size(), e.faces);
            // The viewer's corners are the compiler's triangles, corner for corner.
            for (size_t f = 0; f < mesh.faces.size() && f < MeshTriangleCount(seen); ++f)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(std::memcmp(&mesh.vertices[size_t(mesh.faces[f].vertexIndex[k])],
                                          &seen.vertices[size_t(MeshTriangle(seen, f)[k])],
                                          sizeof(Vec3)),
                              0)
                        << "triangle " << f;
            MeshBounds b = MeshMeasure(e.points + e.lineEnds ? seen : mesh);
            double size = std::max({e.max.x - e.min.x, e.max.y - e.min.y, e.max.z - e.min.z});
            for (auto [got, want] : {std::pair{b.min.x, e.min.x},
                                     {b.min.y, e.min.y},
                                     {b.min.z, e.min.z},
                                     {b.max.x, e.max.x},
                                     {b.max.y, e.max.y},
                                     {b.max.z, e.max.z}})
                EXPECT_NEAR(got, want, size * 1e-5);

            LoadOptions fitted;
            fitted.fileNormals = fileNormals;
            ASSERT_TRUE(LoadModelFile(kData + "/models/" + e.name, fitted, &mesh, &error));
            EXPECT_EQ(MeshLayoutFault(MeshView(mesh), kMeshRadius), "");
            EXPECT_TRUE(MeshValuesUnique(mesh.vertices.data(), int32_t(mesh.vertices.size())));
            b = MeshMeasure(mesh);
            EXPECT_GT(b.radius, kMeshRadius * (1 - 1e-6));
            EXPECT_NEAR(std::fabs(b.min.x + b.max.x) + std::fabs(b.min.y + b.max.y) +
                            std::fabs(b.min.z + b.max.z),
                        0.0, kMeshRadius * 1e-6);
            if (e.parts && !fileNormals) ExpectFacingOutwards(mesh, e.parts);
        }
    }
}

// A file that colours some of its positions leaves the others white, before the first coloured
// one as after it.
TEST(Loader, PositionsWithoutAColourAreWhite)
{
    const std::string obj = "v 0 0 0\nv 1 0 0 1 0 0\nv 0 1 0\nf 1 2 3\n";
    LoadOptions drawn;
    drawn.use = MeshUse::drawn;
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(LoadModelMemory(obj.data(), obj.size(), "obj", "some.obj", drawn, &mesh, &error))
        << error;
    ASSERT_EQ(mesh.colors.size(), 3u);
    const uint8_t want[3][4] = {{255, 255, 255, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(&mesh.colors[size_t(i)], want[i], 4), 0) << "position " << i;
}

// Forty glTF parts of one point each that share 100,000 coloured positions: the colours are read
// once, not once a part, which would count four million values against a file of 1.7 MB.
TEST(Loader, PartsSharingColouredPositionsReadTheirColoursOnce)
{
    const uint32_t count = 100000, parts = 40;
    std::string bin(count * 16 + parts * 4, '\0'); // positions, colours, each part's one index
    for (uint32_t i = 0; i < count; ++i) {
        const float xyz[3] = {float(i % 100), float(i / 100 % 100), float(i / 10000)};
        std::memcpy(&bin[i * 12], xyz, sizeof xyz);
        const uint8_t rgba[4] = {255, uint8_t(i), 0, 255};
        std::memcpy(&bin[count * 12 + i * 4], rgba, sizeof rgba);
    }
    std::string primitives, indices;
    for (uint32_t i = 0; i < parts; ++i) {
        const uint32_t index = i * (count / parts);
        std::memcpy(&bin[count * 16 + i * 4], &index, 4);
        const std::string comma = i ? "," : "";
        primitives += comma + R"({"attributes":{"POSITION":0,"COLOR_0":1},"indices":)" +
                      std::to_string(2 + i) + R"(,"mode":0})";
        indices += R"(,{"bufferView":2,"byteOffset":)" + std::to_string(i * 4) +
                   R"(,"componentType":5125,"count":1,"type":"SCALAR"})";
    }
    const std::string n = std::to_string(count);
    std::string json =
        R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":)" + std::to_string(bin.size()) +
        R"(}],"bufferViews":[{"buffer":0,"byteLength":)" + std::to_string(count * 12) +
        R"(},{"buffer":0,"byteOffset":)" + std::to_string(count * 12) + R"(,"byteLength":)" +
        std::to_string(count * 4) + R"(},{"buffer":0,"byteOffset":)" + std::to_string(count * 16) +
        R"(,"byteLength":)" + std::to_string(parts * 4) +
        R"(}],"accessors":[{"bufferView":0,"componentType":5126,"count":)" + n +
        R"(,"type":"VEC3","min":[0,0,0],"max":[99,99,9]},{"bufferView":1,"componentType":5121,)"
        R"("normalized":true,"count":)" +
        n + R"(,"type":"VEC4"})" + indices + R"(],"meshes":[{"primitives":[)" + primitives + "]}]}";
    json.resize((json.size() + 3) / 4 * 4, ' ');
    auto word = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    std::string glb = "glTF" + word(2) + word(uint32_t(28 + json.size() + bin.size())) +
                      word(uint32_t(json.size())) + "JSON" + json + word(uint32_t(bin.size())) +
                      std::string("BIN\0", 4) + bin;
    LoadOptions drawn;
    drawn.use = MeshUse::drawn;
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(LoadModelMemory(glb.data(), glb.size(), "glb", "shared.glb", drawn, &mesh, &error))
        << error;
    EXPECT_EQ(mesh.points.size(), parts);
    ASSERT_EQ(mesh.colors.size(), mesh.vertices.size());
    for (uint32_t i = 0; i < parts; ++i)
        EXPECT_EQ(mesh.colors[size_t(mesh.points[i])].g, uint8_t(i * (count / parts))) << i;
}

// Every refusal is one line that names the file, and leaves no mesh behind.
TEST(Loader, HostileFilesFailWithOneLineNamingTheFile)
{
    for (const std::string& line : Expectations("hostile")) {
        SCOPED_TRACE(line);
        std::string name, reason;
        LoadOptions options;
        SplitHostileLine(line, &name, &options.fileNormals, &reason);
        std::string path = kData + "/hostile/" + name, error;
        MeshData mesh;
        mesh.faces.resize(1);
        EXPECT_FALSE(LoadModelFile(path, options, &mesh, &error));
        EXPECT_EQ(error.rfind(ShownText(path), 0), 0u) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
        EXPECT_TRUE(mesh.faces.empty() && mesh.vertices.empty());
    }
}

} // namespace

// A header of 200,000 elements is read in linear time (a check that compared every element
// with every other took a minute); without faces it has no triangles.
TEST(LoaderFiles, AHugePlyHeaderIsCheckedInOnePass)
{
    std::string ply = "ply\nformat ascii 1.0\n";
    for (int i = 0; i < 200000; ++i) ply += "element e" + std::to_string(i) + " 0\n";
    ply += "end_header\n";
    MeshData mesh;
    std::string error;
    EXPECT_FALSE(
        LoadModelMemory(ply.data(), ply.size(), "ply", "huge.ply", LoadOptions(), &mesh, &error));
    EXPECT_EQ(error, "huge.ply: no triangles");
}
