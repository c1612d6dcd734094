// The mesh compiler on the models of models/ and the broken or hostile files of hostile/ (each
// folder's expect.txt says what must come out), and as a command that never loses, replaces or
// leaves behind anything the user did not ask for.
#include <regex>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/mesh_layout.h"
#include "tests/tool_run.h"
#include "tools/meshc/load.h"

namespace
{

const std::string kData = MESHC_DATA, kMeshc = MESHC_PATH;

std::vector<std::string> Expectations(const std::string& folder)
{
    std::ifstream in(kData + "/" + folder + "/expect.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

TEST(MeshCompiler, EveryModelComesOutCentredFittedAndFacingOutwards)
{
    for (const std::string& line : Expectations("models")) {
        std::istringstream words(line);
        std::string name, mode;
        size_t faces = 0, normals = 0, parts = 0;
        words >> name >> faces >> normals >> parts >> mode;
        for (double radius : {kMeshRadius, 150.49999, 1e-3}) {
            SCOPED_TRACE(name + " at radius " + std::to_string(radius));
            MeshLoadOptions options;
            options.fileNormals = mode == "file";
            MeshData mesh;
            std::string error;
            ASSERT_TRUE(MeshLoadFile(kData + "/models/" + name, options, &mesh, &error)) << error;
            ASSERT_TRUE(MeshFinish(mesh, radius, !options.fileNormals, &error)) << error;
            ASSERT_EQ(MeshLayoutFault(MeshView(mesh), radius), "");
            EXPECT_EQ(mesh.faces.size(), faces);
            EXPECT_EQ(mesh.normals.size(), normals);
            MeshBounds b = MeshMeasure(mesh);
            EXPECT_GT(b.radius, radius * (1 - 1e-6));
            EXPECT_NEAR(std::fabs(b.min.x + b.max.x) + std::fabs(b.min.y + b.max.y) +
                            std::fabs(b.min.z + b.max.z),
                        0.0, radius * 1e-6);
            // Each closed convex part: its flat normals point away from its mean corner.
            for (size_t f = 0, size = parts ? faces / parts : 0; f < size * parts; ++f) {
                const Vec3* part = &mesh.vertices[3 * (f - f % size)];
                Vec3 d = mesh.normals[size_t(mesh.faces[f].normalIndex[0])], c{0, 0, 0};
                for (size_t i = 0; i < 3 * size; ++i)
                    c = {c.x + part[i].x / (3 * size), c.y + part[i].y / (3 * size),
                         c.z + part[i].z / (3 * size)};
                Vec3 p = mesh.vertices[3 * f];
                EXPECT_GT(d.x * (p.x - c.x) + d.y * (p.y - c.y) + d.z * (p.z - c.z), 0) << f;
            }
        }
    }
}

// Each hostile file fails with one line naming it and the reason; what OUT held stays, and no
// temporary file is left beside it.
TEST(MeshCompilerCommand, HostileFilesFailWithOneLineAndLeaveOutAsItWas)
{
    Scratch scratch;
    for (const std::string& line : Expectations("hostile")) {
        std::string command = line.substr(0, line.find(" | ")),
                    reason = line.substr(line.find(" | ") + 3);
        SCOPED_TRACE(command);
        std::ofstream(scratch / "out.cpp") << "// the user's own file\n";
        ToolRun run = scratch.Run("cd '" + kData + "/hostile' && " + kMeshc + " " + command +
                                  " -o '" + (scratch / "out.cpp") + "'");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.find("trackview-meshc: " + command.substr(0, command.find(' '))), 0u);
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(ReadFile(scratch / "out.cpp"), "// the user's own file\n");
        EXPECT_EQ(scratch.Listing(), "out.cpp");
    }
}

// The data file that a source names, beside it ("" for none).
std::string NamedData(const std::string& source)
{
    std::smatch match;
    std::string text = ReadFile(source);
    if (!std::regex_search(text, match, std::regex("[^/]*\\.mesh-[0-9a-f]{16}\\.bin"))) return "";
    return source.substr(0, source.find_last_of('/') + 1) + match.str();
}

// Mistakes that once cost the user a file: swapped arguments, OUT naming the model itself or
// a folder, a link waiting at the temporary name, OUT.bin being the model's own buffer or a file
// of the user's. Devices and descriptors are written through, not replaced.
TEST(MeshCompilerCommand, RefusesToOverwriteWhatIsNotItsOutput)
{
    Scratch s;
    std::string model = ReadFile(kData + "/models/tetra.obj");
    std::string buffer = ReadFile(kData + "/models/tetra_buffer.bin");
    std::ofstream(s / "model.obj") << model;
    std::ofstream(s / "victim") << "kept";
    std::ofstream(s / "out.bin") << "kept";
    std::ofstream(s / "tetra_buffer.bin") << buffer;
    std::ofstream(s / "external.gltf") << ReadFile(kData + "/models/external.gltf");
    mkdir((s / "folder").c_str(), 0755);
    symlink("victim", (s / "out.cpp.tmp").c_str());
    EXPECT_EQ(s.Run(kMeshc + " out.cpp -o model.obj").status, 1);
    EXPECT_NE(s.Run(kMeshc + " model.obj -o ./model.obj").err.find("is the input"),
              std::string::npos);
    EXPECT_EQ(s.Run(kMeshc + " model.obj -o folder").status, 1);
    EXPECT_EQ(ReadFile(s / "model.obj"), model);
    EXPECT_EQ(
        s.Run(kMeshc + " model.obj -o out.cpp && " + kMeshc + " model.obj -o /dev/null").status, 0);
    EXPECT_EQ(s.Run(kMeshc + " external.gltf -o tetra_buffer.cpp").status, 0);
    EXPECT_EQ(ReadFile(s / "tetra_buffer.bin"), buffer);
    EXPECT_EQ(ReadFile(s / "victim") + ReadFile(s / "out.bin"), "keptkept");
    EXPECT_EQ(ReadFile(NamedData(s / "out.cpp")), ReadFile(NamedData(s / "tetra_buffer.cpp")));

    // Appended to, as the shell opened them, in the source form: no data file comes with them.
    std::string before = s.Listing();
    ToolRun run = s.Run(kMeshc + " model.obj -o /dev/stdout >>victim && " + kMeshc +
                        " model.obj -o /dev/fd/3 3>>out.bin && " + kMeshc +
                        " model.obj -o /proc/self/fd/1 >/dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* file : {"victim", "out.bin"})
        EXPECT_EQ(ReadFile(s / file).rfind("kept// Generated from \"model.obj by", 0), 0u) << file;
    EXPECT_NE(ReadFile(s / "victim").find("static const Vec3 vertices[]"), std::string::npos);
    EXPECT_EQ(s.Listing(), before);
}

// A model big enough that converting takes a while, for runs that overlap or get stopped.
std::string BigModel(int faces, const char* file)
{
    return "awk 'BEGIN { for (i = 0; i < " + std::to_string(faces) +
           "; i++) { print \"v\", i, 0, 0; print \"v\", i, 1, 0; print \"v\", i, 0, 1; "
           "print \"f\", 3 * i + 1, 3 * i + 2, 3 * i + 3 } }' >" +
           file;
}

// OUT.cpp and the data it names are one result: overlapping runs of two models leave the pair of
// one of them, and the other's data goes; stopped runs leave nothing.
TEST(MeshCompilerCommand, OverlappingRunsLeaveOneWholePairAndStoppedOnesNothing)
{
    Scratch s;
    ASSERT_EQ(s.Run(BigModel(200000, "big.obj") + " && " + BigModel(150000, "other.obj")).status,
              0);
    ASSERT_EQ(s.Run(kMeshc + " big.obj -o big.cpp && " + kMeshc + " other.obj -o other.cpp").status,
              0);
    std::string a = kMeshc + " big.obj -o out.cpp", b = kMeshc + " other.obj -o out.cpp";
    ASSERT_EQ(s.Run(a + " & a=$!; " + b + " & b=$!; wait $a && wait $b").status, 0);
    std::string data = NamedData(s / "out.cpp"), text = ReadFile(s / "out.cpp");
    std::string model = text.find("\"big\"") != std::string::npos ? "big" : "other";
    EXPECT_TRUE(ReadFile(data) == ReadFile(NamedData(s / (model + ".cpp")))) << model;
    EXPECT_EQ(s.Run("ls out.mesh-*").out, data.substr(s.dir.size() + 1) + "\n");
    std::string listing = s.Listing();

    // SIGTERM to the command while its child converts (the child held still meanwhile): the
    // child dies with it and writes nothing.
    ToolRun stopped = s.Run(kMeshc + " big.obj -o stopped.cpp & p=$!; "
                                     "until c=$(pgrep -P $p); do sleep 0.01; done; "
                                     "kill -STOP $c; kill -TERM $p; wait $p; kill -CONT $c; "
                                     "for i in $(seq 300); do ps -o stat= -p $c | grep -qv Z || "
                                     "break; sleep 0.1; done");
    EXPECT_EQ(s.Listing(), listing) << stopped.err;
    // Killed while writing (the file size limit; in the field a crash): no temporary file.
    ToolRun killed = s.Run("ulimit -f 100; " + kMeshc + " big.obj -o killed.cpp");
    EXPECT_EQ(killed.status, 1);
    EXPECT_NE(killed.err.find("conversion crashed"), std::string::npos) << killed.err;
    EXPECT_EQ(s.Listing(), listing);
}

// A full disk: the real cause in one line, and the earlier pair stays whole.
TEST(MeshCompilerCommand, FullDiskKeepsTheEarlierPair)
{
    Scratch s;
    std::ofstream(s / "model.obj") << ReadFile(kData + "/models/tetra.obj");
    ASSERT_EQ(s.Run(BigModel(824, "big.obj")).status, 0);
    ToolRun run = s.RunOnSmallDisk(
        "64k", kMeshc +
                   " model.obj -o small/out.cpp >/dev/null && cd small && ls >../before && "
                   "cat * >../held && " +
                   kMeshc +
                   " ../big.obj -o out.cpp; echo $? >../status; ls -A >../after; "
                   "cat * >../after_held");
    if (run.status == 77) GTEST_SKIP() << "no small file system here (needs root)";
    EXPECT_EQ(ReadFile(s / "status"), "1\n");
    EXPECT_EQ(run.err, "trackview-meshc: cannot write 'out.cpp': No space left on device\n");
    EXPECT_EQ(ReadFile(s / "before"), ReadFile(s / "after"));
    EXPECT_TRUE(ReadFile(s / "held") == ReadFile(s / "after_held"));
}

TEST(MeshCompilerCommand, HelpVersionAndUsageErrors)
{
    Scratch s;
    ToolRun help = s.Run(kMeshc + " --help"), version = s.Run(kMeshc + " --version");
    EXPECT_EQ(help.out.rfind("usage: trackview-meshc", 0) + help.status + version.status, 0u);
    EXPECT_EQ(version.out, "trackview-meshc " TRACKVIEW_VERSION "\n");
    for (const char* lost : {" --help", " --version"}) {
        ToolRun run = s.Run(kMeshc + lost + " >/dev/full");
        EXPECT_EQ(run.status, 1) << lost;
        EXPECT_EQ(run.err, "trackview-meshc: cannot write to stdout: No space left on device\n");
    }
    for (const char* bad : {"--radius 150.5", "--radius nan", "--normals smooth", "-o", ""}) {
        ToolRun run = s.Run(kMeshc + " in.obj " + (*bad ? "-o out.cpp " : "") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(s.Listing(), "");
}

} // namespace
