// The mesh compiler on small models that the tests write in every format it reads, on hostile
// files, and as a command (exit codes, no output left behind, same bytes for the same input).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/meshc/model_files.h"
#include "tools/meshc/load.h"

namespace
{

std::string& TempDirPath()
{
    static std::string dir;
    return dir;
}

// One directory for the files of this run, removed at the end.
std::string TempDir()
{
    std::string& dir = TempDirPath();
    if (dir.empty()) {
        std::string pattern = testing::TempDir() + "meshc_test_XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        dir = pattern;
    }
    return dir;
}

struct TempDirCleanup : testing::Environment {
    void TearDown() override
    {
        if (!TempDirPath().empty()) std::system(("rm -rf '" + TempDirPath() + "'").c_str());
    }
};
const testing::Environment* const kCleanup = testing::AddGlobalTestEnvironment(new TempDirCleanup);

std::string WriteModel(const std::string& name, const std::string& bytes)
{
    std::string path = TempDir() + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

double Length(Vec3 v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

Vec3 Centroid(const MeshData& mesh, size_t face)
{
    Vec3 c{0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const Vec3& p = mesh.vertices[size_t(mesh.faces[face].vertexIndex[k])];
        c = Vec3{c.x + p.x / 3, c.y + p.y / 3, c.z + p.z / 3};
    }
    return c;
}

double Dot(Vec3 a, Vec3 b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// For a convex closed part (faces first to first + count - 1): every flat normal points away
// from the part's mean corner, that is, the right-hand rule gives the outside.
void ExpectNormalsOutward(const MeshData& mesh, size_t first, size_t count)
{
    Vec3 centre{0, 0, 0};
    float share = 1.0f / float(3 * count);
    for (size_t i = 3 * first; i < 3 * (first + count); ++i) {
        const Vec3& p = mesh.vertices[i];
        centre = Vec3{centre.x + p.x * share, centre.y + p.y * share, centre.z + p.z * share};
    }
    for (size_t i = first; i < first + count; ++i) {
        Vec3 c = Centroid(mesh, i), n = mesh.normals[size_t(mesh.faces[i].normalIndex[0])];
        EXPECT_GT(Dot(n, Vec3{c.x - centre.x, c.y - centre.y, c.z - centre.z}), 0.0)
            << "face " << i;
    }
}

// What every compiled mesh must be: positions not shared, indices in range, no texture
// coordinates, normals unit or zero, fitted to the radius around the bounding-box centre.
void ExpectCompiledLayout(const MeshData& mesh, double radius)
{
    ASSERT_EQ(mesh.vertices.size(), 3 * mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const MeshFace& f = mesh.faces[i];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(f.vertexIndex[k], int32_t(3 * i + size_t(k)));
            ASSERT_GE(f.normalIndex[k], 0);
            ASSERT_LT(size_t(f.normalIndex[k]), mesh.normals.size());
            EXPECT_EQ(f.texCoordIndex[k], -1);
        }
    }
    for (const Vec3& n : mesh.normals) {
        double length = Length(n);
        EXPECT_TRUE(length == 0.0 || std::fabs(length - 1.0) < 1e-6) << length;
    }
    MeshBounds b = MeshMeasure(mesh);
    EXPECT_LE(b.radius, radius);
    EXPECT_GT(b.radius, radius * (1 - 1e-6));
    EXPECT_NEAR(double(b.min.x) + b.max.x, 0.0, radius * 1e-6);
    EXPECT_NEAR(double(b.min.y) + b.max.y, 0.0, radius * 1e-6);
    EXPECT_NEAR(double(b.min.z) + b.max.z, 0.0, radius * 1e-6);
}

MeshData Compile(const std::string& path, double radius = 146.0, bool fileNormals = false)
{
    MeshLoadOptions options;
    options.fileNormals = fileNormals;
    MeshData mesh;
    std::string error;
    EXPECT_TRUE(MeshLoadFile(path, options, &mesh, &error)) << error;
    EXPECT_TRUE(MeshFinish(mesh, radius, !fileNormals, &error)) << error;
    return mesh;
}

struct Format {
    const char* extension;
    std::function<std::string(const TestModel&)> write;
};

const Format kFormats[] = {
    {"obj", ModelObj},       {"ply", ModelPlyAscii},
    {"ply", ModelPlyBinary}, {"stl", ModelStlAscii},
    {"stl", ModelStlBinary}, {"gltf", [](const TestModel& m) { return ModelGltf(m); }},
    {"glb", ModelGlb},
};

TEST(MeshCompiler, EveryFormatGivesTheSameFittedFlatMesh)
{
    struct Case {
        const char* name;
        TestModel model;
        size_t normals;
        bool closed;
    };
    const Case cases[] = {{"tetrahedron", ModelTetrahedron(), 4, true},
                          {"cube", ModelCube(), 6, true},
                          {"quad", ModelOpenQuad(), 1, false}};
    int file = 0;
    for (const Case& c : cases) {
        for (const Format& format : kFormats) {
            std::string path =
                WriteModel(std::string(c.name) + std::to_string(file++) + "." + format.extension,
                           format.write(c.model));
            SCOPED_TRACE(path);
            MeshData mesh = Compile(path, 146.0);
            ASSERT_EQ(mesh.faces.size(), c.model.indices.size() / 3);
            ExpectCompiledLayout(mesh, 146.0);
            EXPECT_EQ(mesh.normals.size(), c.normals);
            for (size_t i = 0; i < mesh.faces.size(); ++i) {
                const MeshFace& f = mesh.faces[i];
                EXPECT_EQ(f.normalIndex[0], f.normalIndex[1]);
                EXPECT_EQ(f.normalIndex[0], f.normalIndex[2]);
                // The open quad keeps its one side, facing +z, whichever side it is seen from.
                if (!c.closed) {
                    EXPECT_NEAR(mesh.normals[size_t(f.normalIndex[0])].z, 1.0, 1e-6);
                }
            }
            if (c.closed) ExpectNormalsOutward(mesh, 0, mesh.faces.size());
        }
    }
}

TEST(MeshCompiler, NodeTransformsPlaceEachInstanceAndMirrorsKeepTheOutside)
{
    std::string path = WriteModel(
        "instances.gltf",
        ModelGltf(ModelTetrahedron(),
                  {"{\"mesh\":0}", "{\"mesh\":0,\"translation\":[3,0,0],\"scale\":[-1,2,1]}"}));
    MeshData mesh = Compile(path);
    ASSERT_EQ(mesh.faces.size(), 8u);
    ExpectCompiledLayout(mesh, 146.0);
    ExpectNormalsOutward(mesh, 0, 4);
    ExpectNormalsOutward(mesh, 4, 4);
    // The mirrored copy lies at x from 2 to 3 before fitting, right of the plain one.
    float plainRight = -1e30f, mirroredLeft = 1e30f;
    for (size_t i = 0; i < 12; ++i) plainRight = std::max(plainRight, mesh.vertices[i].x);
    for (size_t i = 12; i < 24; ++i) mirroredLeft = std::min(mirroredLeft, mesh.vertices[i].x);
    EXPECT_GT(mirroredLeft, plainRight);
}

TEST(MeshCompiler, FileNormalsAreNormalisedAndZeroStaysZero)
{
    std::string path = WriteModel("normals.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                 "vn 0 0 2\nvn 0 0 0\nvn 3 4 0\n"
                                                 "f 1//1 2//2 3//3\nf 1//3 3//1 2//1\n");
    MeshData mesh = Compile(path, 146.0, true);
    ASSERT_EQ(mesh.faces.size(), 2u);
    ExpectCompiledLayout(mesh, 146.0);
    ASSERT_EQ(mesh.normals.size(), 3u); // deduplicated across corners, first use first
    const Vec3* n = mesh.normals.data();
    EXPECT_FLOAT_EQ(n[0].z, 1.0f);
    EXPECT_EQ(Length(n[1]), 0.0);
    EXPECT_FLOAT_EQ(n[2].x, 0.6f);
    EXPECT_FLOAT_EQ(n[2].y, 0.8f);
    const MeshFace& second = mesh.faces[1];
    EXPECT_EQ(second.normalIndex[0], 2);
    EXPECT_EQ(second.normalIndex[1], 0);
    EXPECT_EQ(second.normalIndex[2], 0);

    MeshLoadOptions options;
    options.fileNormals = true;
    MeshData none;
    std::string error;
    EXPECT_FALSE(
        MeshLoadFile(WriteModel("plain.ply", ModelPlyAscii(ModelCube())), options, &none, &error));
    EXPECT_NE(error.find("no normals"), std::string::npos) << error;
}

TEST(MeshCompiler, RadiusIsMetAfterRoundingForAnyScale)
{
    std::string path = WriteModel("awkward.obj", "v 0.1 0.2 0.3\nv 1e6 -3.7 0.333\n"
                                                 "v -7 1e-3 2.5e5\nf 1 2 3\n");
    for (double radius : {146.0, 150.49999, 1.0, 1e-3}) {
        SCOPED_TRACE(radius);
        MeshData mesh = Compile(path, radius);
        ExpectCompiledLayout(mesh, radius);
    }
}

TEST(MeshCompiler, RefusesMoreFacesThanTheCountsHold)
{
    std::string path = WriteModel("limit.stl", ModelStlBinary(ModelCube()));
    MeshLoadOptions options;
    options.maxFaces = 11;
    MeshData mesh;
    std::string error;
    EXPECT_FALSE(MeshLoadFile(path, options, &mesh, &error));
    EXPECT_NE(error.find("too many triangles"), std::string::npos) << error;
    EXPECT_TRUE(mesh.faces.empty());
    options.maxFaces = 12;
    EXPECT_TRUE(MeshLoadFile(path, options, &mesh, &error)) << error;
}

TEST(MeshCompiler, MergedNormalsKeepFirstUseOrder)
{
    MeshData mesh;
    const Vec3 a{0, 0, 1}, b{0, 1, 0}, bSigned{-0.0f, 1, -0.0f};
    const Vec3 first[3] = {b, a, b}, second[3] = {a, bSigned, a};
    MeshAddFace(mesh, a, a, a, first);
    MeshAddFace(mesh, a, a, a, second);
    MeshMergeNormals(mesh);
    ASSERT_EQ(mesh.normals.size(), 2u);
    EXPECT_EQ(mesh.normals[0].y, 1.0f);
    const int32_t expected[2][3] = {{0, 1, 0}, {1, 0, 1}};
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh.faces[size_t(f)].normalIndex[k], expected[f][k]);
}

// Runs the command; returns its exit code, with stdout and stderr in the strings.
int RunMeshc(const std::string& args, std::string* out, std::string* err,
             const std::string& shellPrefix = "")
{
    std::string outPath = TempDir() + "/run.out", errPath = TempDir() + "/run.err";
    int status = std::system(
        (shellPrefix + MESHC_PATH + " " + args + " >" + outPath + " 2>" + errPath).c_str());
    *out = ReadFileBytes(outPath);
    *err = ReadFileBytes(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MeshCompilerCommand, WritesTheSameBytesForTheSameInputAndSumsUp)
{
    std::string in = WriteModel("same.ply", ModelPlyBinary(ModelCube()));
    std::string a = TempDir() + "/same_a.cpp", b = TempDir() + "/same_b.cpp";
    std::string out, err;
    ASSERT_EQ(RunMeshc(in + " -o " + a + " --name box --radius 100", &out, &err), 0) << err;
    ASSERT_EQ(RunMeshc(in + " -o " + b + " --radius 100 --name box", &out, &err), 0) << err;
    std::string source = ReadFileBytes(b); // names its own data file, same_b.bin
    for (size_t at; (at = source.find("same_b.bin")) != std::string::npos;) source[at + 5] = 'a';
    EXPECT_EQ(ReadFileBytes(a), source);
    EXPECT_EQ(ReadFileBytes(MeshBlobPath(a)), ReadFileBytes(MeshBlobPath(b)));
    EXPECT_FALSE(Exists(a + ".tmp"));
    EXPECT_NE(ReadFileBytes(a).find("{\"box\", faces, 12, vertices, 8, normals, 6, nullptr, 0}"),
              std::string::npos);
    EXPECT_NE(out.find("12 faces, 8 positions, 6 normals"), std::string::npos) << out;
    EXPECT_NE(out.find("radius 100"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;

    ASSERT_EQ(RunMeshc(in + " -o " + a, &out, &err), 0) << err;
    EXPECT_NE(ReadFileBytes(a).find("{\"same\", faces"), std::string::npos); // base name
}

TEST(MeshCompilerCommand, BadArgumentsAreUsageErrors)
{
    std::string in = WriteModel("args.obj", ModelObj(ModelTetrahedron()));
    std::string out, err, target = TempDir() + "/args.cpp";
    for (const char* bad : {"--radius 150.5", "--radius 0", "--radius -3", "--radius nan",
                            "--radius inf", "--radius 12x", "--normals smooth", "--bogus", "-o"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(RunMeshc(in + " -o " + target + " " + bad, &out, &err), 2);
        EXPECT_FALSE(Exists(target));
    }
    EXPECT_EQ(RunMeshc(in, &out, &err), 2);
}

std::string BinaryStlHeader(uint32_t count)
{
    std::string s(80, 'x');
    s.append(reinterpret_cast<const char*>(&count), 4);
    return s;
}

TEST(MeshCompilerCommand, HostileFilesGiveOneLineAndLeaveNoOutput)
{
    std::string stl = ModelStlBinary(ModelTetrahedron());
    std::string nanStl = stl;
    float nan = std::nanf("");
    nanStl.replace(84 + 12, 4, reinterpret_cast<const char*>(&nan), 4);
    std::string glb = ModelGlb(ModelTetrahedron());
    std::string plyHead = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                          "property float y\nproperty float z\nelement face 1\n"
                          "property list uchar int vertex_indices\nend_header\n";
    struct Case {
        std::string name, bytes, reason;
    };
    const Case cases[] = {
        {"garbage.obj", std::string("\x7f\x01garbage\0\xff", 11), "cannot read"},
        {"garbage.glb", "glTF\x02\0\0\0\xff\xff\xff\x7fJSON{{{{", "cannot read"},
        {"truncated.stl", stl.substr(0, stl.size() - 30), "cannot read"},
        {"truncated.glb", glb.substr(0, glb.size() / 2), "past the end"},
        {"truncated.gltf", ModelGltf(ModelCube()).substr(0, 300), "cannot read"},
        {"empty.ply", "", "empty file"},
        {"hugecount.stl", BinaryStlHeader(0xffffffffu) + stl.substr(84), "cannot read"},
        {"hugecount.ply",
         "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
         "property float y\nproperty float z\nelement face 1\nproperty list uchar int "
         "vertex_indices\nend_header\n" +
             std::string(40, '\0'),
         "declares more elements"},
        // Passes assimp's validation, then its triangulation aborts unless guarded.
        {"emptyfaces.ply",
         std::string(plyHead).replace(plyHead.find("face 1"), 6, "face 2") +
             "0 0 0\n1 0 0\n0 1 0\n0\n0\n",
         "no triangles"},
        // Assimp 5.2's JSON parser recurses per level and overflows the stack on these.
        {"deep.gltf",
         "{\"asset\":{\"version\":\"2.0\"},\"x\":" + std::string(1000000, '[') +
             std::string(1000000, ']') + "}",
         "nested deeper"},
        {"longchunk.glb", glb.substr(0, 12) + "\xd4\0\xff\xf6" + glb.substr(16), "past the end"},
        {"deep.glb", std::string("glTF\2\0\0\0\0\0\0\0\x46\0\0\0JSON", 20) + std::string(70, '{'),
         "nested deeper"},
        // A mangled header on which assimp 5.2's PLY reader reads out of bounds.
        {"crashing.ply",
         std::string("ply\nformat binary_little_endian 2.0\nelement vertexrty floaend_headert x\n"
                     "property; float y\nproperty float z\neloat z\nelement mat binary_little_en"
                     "\xb7"
                     "dian 2.0\nelemedt vertexrty float x\nproperty; float y\nproperty float z\n"
                     "eloat z\n\xe9"
                     "element \0\0\0",
                     234),
         "PLY header"},
        {"bare.ply", "ply\nformat ascii 1.0\nelement\nend_header\n", "malformed PLY header"},
        {"mangled.ply",
         plyHead.substr(0, 40) + "\x01" + plyHead.substr(41) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         "malformed PLY header"},
        // Assimp sizes a list by its count before reading it: this one took 15 GB.
        {"hugelist.ply", plyHead + "0 0 0\n1 0 0\n0 1 0\n3888888888 0 1 2\n",
         "list longer than the file"},
        {"hugelist_binary.ply",
         "ply\nformat binary_big_endian 1.0\nelement face 1\nproperty list int int idx\n"
         "end_header\n\x7f\xff\xff\xff" +
             std::string(16, '\0'),
         "list longer than the file"},
        // A repeated element made assimp free memory it never allocated.
        {"twice.ply", plyHead.substr(0, plyHead.find("element face")) + plyHead.substr(21),
         "malformed PLY header"},
        {"nan.ply", plyHead + "0 0 0\nnan 1 0\n0 1 0\n3 0 1 2\n", "non-finite"},
        {"nan.stl", nanStl, "non-finite"},
        {"overflow.obj", "v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n", "non-finite"},
        {"index.ply", plyHead + "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n", "out of range"},
        {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -9\n", "out of range"},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\np 1\n", "no triangles"},
        {"model.3ds", ModelObj(ModelTetrahedron()), "unknown format"},
        {"folder.obj/", "", "not a regular file"},
        {"missing.stl", "", "cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string in = TempDir() + "/" + c.name;
        if (c.name == "folder.obj/")
            mkdir(in.c_str(), 0700);
        else if (c.name != "missing.stl")
            WriteModel(c.name, c.bytes);
        std::string target = TempDir() + "/hostile.cpp";
        WriteFileBytes(target, "// an earlier mesh that must not survive a failed run\n");
        std::string out, err;
        EXPECT_EQ(RunMeshc(in + " -o " + target, &out, &err), 1) << out;
        EXPECT_EQ(err.rfind("trackview-meshc: " + in, 0), 0u) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_TRUE(out.empty()) << out;
        EXPECT_FALSE(Exists(target));
        EXPECT_FALSE(Exists(target + ".tmp"));
    }
}

// Twenty thousand placements of one 1000-triangle mesh in a 240 KB glTF: 20 million faces
// would need gigabytes, more than the converting process may take for a file of that size.
TEST(MeshCompilerCommand, InstancingBombHitsTheMemoryLimit)
{
    TestModel grid;
    for (int i = 0; i <= 50; ++i)
        for (int j = 0; j <= 10; ++j)
            grid.positions.insert(grid.positions.end(), {float(i), float(j), 0});
    for (uint32_t i = 0; i < 50; ++i)
        for (uint32_t j = 0; j < 10; ++j) {
            uint32_t a = i * 11 + j;
            grid.indices.insert(grid.indices.end(), {a, a + 11, a + 12, a, a + 12, a + 1});
        }
    std::string in =
        WriteModel("bomb.gltf", ModelGltf(grid, std::vector<std::string>(20000, "{\"mesh\":0}")));
    std::string out, err, target = TempDir() + "/bomb.cpp";
    EXPECT_EQ(RunMeshc(in + " -o " + target, &out, &err), 1);
    EXPECT_NE(err.find(in + ": too large for memory"), std::string::npos) << err;
    EXPECT_FALSE(Exists(target));
}

// Whatever kills the conversion (here the file size limit, while it writes; in the field a
// crash inside assimp) ends in a one-line error and no output, not in a half-written file.
TEST(MeshCompilerCommand, ConversionKilledBySignalLeavesNothing)
{
    std::string in = WriteModel("killed.ply", ModelPlyAscii(ModelCube()));
    std::string out, err, target = TempDir() + "/killed.cpp";
    EXPECT_EQ(RunMeshc(in + " -o " + target, &out, &err, "ulimit -f 1; "), 1);
    EXPECT_NE(err.find(in + ": conversion crashed"), std::string::npos) << err;
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".tmp"));
}

TEST(MeshCompilerCommand, UnwritableOutputFailsCleanly)
{
    std::string in = WriteModel("fine.obj", ModelObj(ModelTetrahedron()));
    std::string out, err, target = TempDir() + "/no/such/dir/mesh.cpp";
    EXPECT_EQ(RunMeshc(in + " -o " + target, &out, &err), 1);
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_FALSE(Exists(target + ".tmp"));
}

} // namespace
