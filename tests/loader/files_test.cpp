// The loader on what a file system holds: each kind of file that is not a regular one, names that
// could forge a line, files named without an extension, holes of gigabytes, files cut short while
// they are read, one buffer file under many names, and a polygon that walks a few corners
// millions of times. Peaks of memory are measured in a child process, as generous bounds only.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

#include "loader/file.h"
#include "loader/formats.h"
#include "loader/load.h"
#include "loader/shown.h"
#include "tests/loader/expectations.h"
#include "tests/tool_run.h"

namespace
{

const std::string kData = LOADER_DATA;

// AddressSanitizer keeps freed memory aside for a while: its peaks say little.
#if defined(__SANITIZE_ADDRESS__)
const bool kPeaksCount = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool kPeaksCount = false;
#else
const bool kPeaksCount = true;
#endif
#else
const bool kPeaksCount = true;
#endif

// What the loader makes of a file as the viewer reads it: "N triangles, N points, N lines", or
// its one error line.
std::string Said(const std::string& path, std::vector<std::string>* sideFiles = nullptr)
{
    MeshData mesh;
    std::string error;
    LoadOptions drawn;
    drawn.use = MeshUse::drawn;
    return LoadModelFile(path, drawn, &mesh, &error, sideFiles)
               ? std::to_string(MeshTriangleCount(mesh)) + " triangles, " +
                     std::to_string(mesh.points.size()) + " points, " +
                     std::to_string(mesh.lines.size() / 2) + " lines"
               : error;
}

struct ChildLoad {
    std::string said;
    double peakBytes = 0; // the most the load added to what the process held
};

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atof(line.c_str() + field.size() + 1) * 1024;
    return 0;
}

// The file loaded in a child process of its own. The child starts with the pages of the test
// process (more or fewer by the tests run before), so its peak is taken from the fork on.
ChildLoad LoadInChild(const std::string& path)
{
    int out[2];
    if (pipe(out) != 0) return {"no pipe"};
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        double start = StatusBytes("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        std::string said = Said(path);
        double grown = StatusBytes("VmHWM") - start;
        bool sent = write(out[1], &grown, sizeof grown) == ssize_t(sizeof grown) &&
                    write(out[1], said.data(), said.size()) == ssize_t(said.size());
        _exit(sent ? 0 : 1);
    }
    close(out[1]);
    ChildLoad load;
    if (read(out[0], &load.peakBytes, sizeof load.peakBytes) != ssize_t(sizeof load.peakBytes))
        load.peakBytes = 1e300;
    char buffer[4096];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
        load.said.append(buffer, size_t(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return load;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

// As the model or as a buffer it refers to, each kind of file that is not a regular one is refused
// at once (a FIFO would otherwise be waited on for ever), with a reason of its own.
TEST(LoaderFiles, EachKindOfFileThatIsNotRegularIsRefusedWithItsOwnReason)
{
    Scratch s;
    ASSERT_EQ(mkfifo((s / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (s / "device").c_str()), 0);
    ASSERT_EQ(mkdir((s / "folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink("loop", (s / "loop").c_str()), 0);
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    ASSERT_LT((s / "socket").size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, (s / "socket").c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string gltf = ReadFile(kData + "/models/external.gltf");
    const std::pair<std::string, std::string> kinds[] = {
        {"fifo", "is a FIFO"},
        {"device", "is a device"},
        {"folder", "is a folder"},
        {"loop", "is a link that leads to itself (a loop)"},
        {"socket", "is a socket"}};
    for (const auto& [name, reason] : kinds) {
        EXPECT_EQ(Said(s / name), ShownText(s / name) + ": cannot open: " + reason);
        if (name == "device") continue; // a link to one leads out of the folder, which says so
        std::string refers = gltf;
        refers.replace(refers.find("tetra_buffer.bin"), 16, name);
        WriteFile(s / (name + ".gltf"), refers);
        EXPECT_EQ(Said(s / (name + ".gltf")), ShownText(s / (name + ".gltf")) +
                                                  ": buffer 0: cannot read '" + name +
                                                  "', which it refers to: " + reason);
    }
    close(listener);
}

// A name holding a line end or an escape is shown escaped: the one error line can neither forge
// another nor reach the terminal, and still names the file.
TEST(LoaderFiles, ANameCannotForgeALineOrReachTheTerminal)
{
    Scratch s;
    for (std::string name : {"bad\nFORGED: all checks passed.obj", "bad\x1b[2J.obj"}) {
        WriteFile(s / name, "v 0 0 0\nf 1 2 3\n");
        std::string said = Said(s / name);
        EXPECT_EQ(said.rfind(ShownText(s / name) + ":2: ", 0), 0u) << said;
        EXPECT_TRUE(std::none_of(said.begin(), said.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        })) << said;
        EXPECT_NE(said.find(name.substr(name.size() - 7)), std::string::npos) << said;
    }
}

// A model saved without an extension ("scan") is read as its content says, as under its own
// name; what nothing recognises is still of an unknown format.
TEST(LoaderFiles, AFileNamedWithoutAnExtensionIsReadByItsContent)
{
    Scratch s;
    ASSERT_EQ(s.Run("cp -R '" + kData + "/models/.' .").status, 0); // the buffers they name too
    for (const std::string& line : ExpectationLines(kData + "/models")) {
        std::string name = line.substr(0, line.find(' '));
        WriteFile(s / "scan", ReadFile(s / name));
        EXPECT_EQ(Said(s / "scan"), Said(s / name)) << name;
    }
    WriteFile(s / "notes", "Models to look at: the tetrahedron, the cube.\n");
    EXPECT_NE(Said(s / "notes").find(": unknown format (reads"), std::string::npos);
}

// A hole of 2 GiB is refused on what its size and first bytes say, whatever format its name
// gives: the file is mapped, and no reader goes through the whole of it before that.
TEST(LoaderFiles, AHugeHoleIsRefusedWithoutBeingRead)
{
    Scratch s;
    for (size_t i = 0; i < ModelFormatCount(); ++i) {
        std::string path = s / (std::string("x.") + ModelFormats()[i].extension);
        WriteFile(path, "");
        ASSERT_EQ(truncate(path.c_str(), off_t(2) << 30), 0);
        ChildLoad load = LoadInChild(path);
        EXPECT_EQ(load.said.rfind(ShownText(path) + ":", 0), 0u) << load.said;
        EXPECT_LT(load.peakBytes, 256e6) << load.said;
    }
}

// Another program cutting a file short while it is mapped: the pages past its new end read as
// zeros instead of ending the program, and the cut is counted, so that the loader refuses what
// it read.
TEST(LoaderFiles, AFileCutShortWhileMappedDoesNotEndTheProgram)
{
    Scratch s;
    WriteFile(s / "cut.obj", std::string(1 << 18, 'v'));
    FileBytes bytes;
    std::string reason;
    ASSERT_TRUE(FileMap(s / "cut.obj", &bytes, &reason)) << reason;
    uint64_t cuts = FileCutShortCount();
    ASSERT_EQ(truncate((s / "cut.obj").c_str(), 0), 0);
    volatile unsigned char last = bytes.data[bytes.size - 1];
    EXPECT_EQ(last, 0);
    EXPECT_GT(FileCutShortCount(), cuts);
}

// A buffer file named in many ways ("b.bin", ".//b.bin", "./b.bin", ...) is read and counted
// once: its names cannot multiply the bytes by which the work a file may ask for is bounded.
TEST(LoaderFiles, ABufferFileIsReadAndCountedOnceWhateverItIsCalled)
{
    Scratch s;
    std::string buffer = ReadFile(kData + "/models/tetra_buffer.bin");
    buffer.resize(1 << 18);
    WriteFile(s / "b.bin", buffer);
    // 2^20 tetrahedra: more triangles than the file and its 256 KB allow, fewer than 16 times.
    std::string nodes, buffers;
    for (int i = 0; i < 20; ++i)
        nodes += "{\"children\":[" + std::to_string(i + 1) + "," + std::to_string(i + 1) + "]},";
    for (int k = 0; k < 16; ++k) {
        std::string name = k % 2 ? ".//b.bin" : "b.bin";
        for (int up = 0; up < k / 2; ++up) name = "./" + name;
        buffers += std::string(k ? "," : "") + "{\"byteLength\":96,\"uri\":\"" + name + "\"}";
    }
    std::string gltf =
        "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[" +
        nodes +
        "{\"mesh\":0}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},"
        "\"indices\":1}]}],\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":4,"
        "\"type\":\"VEC3\"},{\"bufferView\":1,\"componentType\":5125,\"count\":12,\"type\":"
        "\"SCALAR\"}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":48},{\"buffer\":15,"
        "\"byteOffset\":48,\"byteLength\":48}],\"buffers\":[" +
        buffers + "]}";
    WriteFile(s / "many.gltf", gltf);
    EXPECT_NE(Said(s / "many.gltf")
                  .find("triangles after instancing, the most that a file of " +
                        std::to_string(gltf.size() + buffer.size()) + " bytes may give"),
              std::string::npos);
    gltf.replace(gltf.find("\"nodes\":[0]"), 11, "\"nodes\":[20]");
    WriteFile(s / "once.gltf", gltf);
    std::vector<std::string> read;
    EXPECT_EQ(Said(s / "once.gltf", &read), "4 triangles, 0 points, 0 lines");
    EXPECT_EQ(read.size(), 1u);
}

// One concave polygon of ten million corners in a 10 MB binary PLY (one-byte indices) that walks
// a star of 16 corners again and again: cut as the star it walks, and within a small multiple
// of the file's size.
TEST(LoaderFiles, APolygonWalkingAFewCornersMillionsOfTimesCostsLittle)
{
    Scratch s;
    std::string ply = "ply\nformat binary_little_endian 1.0\nelement vertex 16\nproperty float "
                      "x\nproperty float y\nproperty float z\nelement face 1\nproperty list "
                      "uint uchar vertex_indices\nend_header\n";
    for (int i = 0; i < 16; ++i) {
        float radius = i % 2 ? 1.0f : 3.0f, angle = float(i) * 6.2831853f / 16;
        const float xyz[3] = {radius * std::cos(angle), radius * std::sin(angle), 0};
        ply.append(reinterpret_cast<const char*>(xyz), sizeof xyz);
    }
    const uint32_t corners = 10000000;
    ply.append(reinterpret_cast<const char*>(&corners), 4);
    for (uint32_t i = 0; i < corners; ++i) ply += char(i / 3 % 16); // each corner thrice running
    WriteFile(s / "walk.ply", ply);
    ChildLoad load = LoadInChild(s / "walk.ply");
    EXPECT_EQ(load.said, "14 triangles, 0 points, 0 lines");
    if (kPeaksCount) {
        EXPECT_LT(load.peakBytes, 20.0 * double(ply.size()));
    }
}

// A word of 32 MB where a number should be: the error line shows its two ends, and the message
// costs a small multiple of the file (each of its characters once made a string of its own).
TEST(LoaderFiles, AHugeBadWordCostsLittleToShow)
{
    Scratch s;
    const std::string word(32 << 20, 'x');
    WriteFile(s / "word.obj", "v 0 0 " + word + "\n");
    ChildLoad load = LoadInChild(s / "word.obj");
    EXPECT_NE(load.said.find(":1: "), std::string::npos) << load.said.substr(0, 300);
    EXPECT_NE(load.said.find("xxx...xxx"), std::string::npos) << load.said.substr(0, 300);
    EXPECT_LT(load.said.size(), 400u);
    if (kPeaksCount) {
        EXPECT_LT(load.peakBytes, 4.0 * double(word.size()));
    }
}
