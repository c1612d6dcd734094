// The mesh compiler as a command: the loader's hostile files each fail with one line, and it never
// loses, replaces or leaves behind anything the user did not ask for.
#include <regex>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/loader/expectations.h"
#include "tests/tool_run.h"

namespace
{

const std::string kData = LOADER_DATA, kMeshc = MESHC_PATH;

// Each hostile file fails with one line naming it and the reason; what OUT held stays, and no
// temporary file is left beside it.
TEST(MeshCompilerCommand, HostileFilesFailWithOneLineAndLeaveOutAsItWas)
{
    Scratch scratch;
    for (const std::string& line : ExpectationLines(kData + "/hostile")) {
        std::string name, reason;
        bool fileNormals = false;
        SplitHostileLine(line, &name, &fileNormals, &reason);
        std::string options = fileNormals ? " --normals file" : "";
        SCOPED_TRACE(line);
        std::ofstream(scratch / "out.cpp") << "// the user's own file\n";
        ToolRun run = scratch.Run("cd '" + kData + "/hostile' && " + kMeshc + " '" + name + "'" +
                                  options + " -o '" + (scratch / "out.cpp") + "'");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.find("trackview-meshc: " + name), 0u) << run.err;
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
    ASSERT_EQ(symlink("victim", (s / "out.cpp.tmp").c_str()), 0);
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
    EXPECT_NE(NamedData(s / "tetra_buffer.cpp"), s / "tetra_buffer.bin");
    EXPECT_EQ(ReadFile(NamedData(s / "tetra_buffer.cpp")).size(),
              4u * (36 + 12 + 12)); // faces, positions, normals

    // Appended to, as the shell opened them, in the source form: no data file comes with them.
    std::string before = s.Listing();
    ToolRun run = s.Run(kMeshc + " model.obj -o /dev/stdout >>victim && " + kMeshc +
                        " model.obj -o /dev/fd/3 3>>out.bin && " + kMeshc +
                        " model.obj -o /proc/self/fd/1 >/dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* file : {"victim", "out.bin"})
        EXPECT_EQ(ReadFile(s / file).rfind("kept// Generated from \"model.obj by", 0), 0u) << file;
    std::string appended = ReadFile(s / "victim");
    EXPECT_NE(appended.find("static const Vec3 vertices[]"), std::string::npos);
    // The summary line goes elsewhere when the source goes to stdout: the source ends the file.
    EXPECT_EQ(appended.compare(appended.rfind('\n', appended.size() - 2) + 1, 26,
                               "const MeshModel meshModel "),
              0);
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
    EXPECT_EQ(s.Run("ls out.cpp.mesh-*").out, data.substr(s.dir.size() + 1) + "\n");
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

// Every output names data of its own, "x" beside "x.cpp" too, and two long names that differ only
// past their first 200 bytes: converting another model into one leaves the other buildable.
TEST(MeshCompilerCommand, OutputsNeverShareADataFile)
{
    Scratch s;
    std::ofstream(s / "model.obj") << ReadFile(kData + "/models/tetra.obj");
    std::ofstream(s / "other.obj") << ReadFile(kData + "/models/concave.obj");
    const std::string longName(210, 'n');
    const std::pair<std::string, std::string> pairs[] = {{"x", "x.cpp"},
                                                         {longName + "1", longName + "2"}};
    for (const auto& [first, second] : pairs) {
        ASSERT_EQ(s.Run(kMeshc + " model.obj -o " + first + " && " + kMeshc + " model.obj -o " +
                        second + " && " + kMeshc + " other.obj -o " + first)
                      .status,
                  0);
        std::string data = NamedData(s / second);
        EXPECT_NE(data, NamedData(s / first));
        EXPECT_FALSE(ReadFile(data).empty()) << second << " names " << data;
    }
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
    // The summary line of a conversion, too: the output is written, and the loss said.
    std::ofstream(s / "in.obj") << ReadFile(kData + "/models/tetra.obj");
    ToolRun lost = s.Run(kMeshc + " in.obj -o out.cpp >/dev/full");
    EXPECT_EQ(lost.status, 1);
    EXPECT_EQ(lost.err, "trackview-meshc: cannot write the summary line to stdout: No space left "
                        "on device\n");
    s.Run("rm in.obj out.cpp*");
    for (const char* bad :
         {"--radius 150.5", "--radius nan", "--radius 0.5", "--normals smooth", "-o", ""}) {
        ToolRun run = s.Run(kMeshc + " in.obj " + (*bad ? "-o out.cpp " : "") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(s.Listing(), "");
}

} // namespace
