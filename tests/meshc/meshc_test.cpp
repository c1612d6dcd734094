// The mesh compiler as a command: the loader's hostile files each fail with one line, and it never
// loses, replaces or leaves behind anything the user did not ask for.
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

// Mistakes that once cost the user a file: swapped arguments, OUT naming the model itself or
// a folder, a link waiting at the temporary name. Devices are written through, not replaced.
TEST(MeshCompilerCommand, RefusesToOverwriteWhatIsNotItsOutput)
{
    Scratch s;
    std::string model = ReadFile(kData + "/models/tetra.obj");
    std::ofstream(s / "model.obj") << model;
    std::ofstream(s / "victim") << "kept";
    mkdir((s / "folder").c_str(), 0755);
    symlink("victim", (s / "out.cpp.tmp").c_str());
    EXPECT_EQ(s.Run(kMeshc + " out.cpp -o model.obj").status, 1);
    EXPECT_NE(s.Run(kMeshc + " model.obj -o ./model.obj").err.find("is the input"),
              std::string::npos);
    EXPECT_EQ(s.Run(kMeshc + " model.obj -o folder").status, 1);
    EXPECT_EQ(ReadFile(s / "model.obj"), model);
    EXPECT_EQ(s.Listing(), "folder model.obj out.cpp.tmp victim");
    EXPECT_EQ(
        s.Run(kMeshc + " model.obj -o out.cpp && " + kMeshc + " model.obj -o /dev/null").status, 0);
    EXPECT_EQ(ReadFile(s / "victim"), "kept");
}

// A model big enough that converting takes a while, for runs that overlap or get stopped.
const char* kBigModel = "awk 'BEGIN { for (i = 0; i < 200000; i++) { print \"v\", i, 0, 0; "
                        "print \"v\", i, 1, 0; print \"v\", i, 0, 1; "
                        "print \"f\", 3 * i + 1, 3 * i + 2, 3 * i + 3 } }' >big.obj";

TEST(MeshCompilerCommand, OverlappingRunsEachLeaveAWholeFileAndStoppedOnesNothing)
{
    Scratch s;
    ASSERT_EQ(s.Run(kBigModel).status, 0);
    std::string run = kMeshc + " big.obj -o out.cpp";
    ASSERT_EQ(s.Run(run + " & a=$!; " + run + " & b=$!; wait $a && wait $b").status, 0);
    ASSERT_EQ(s.Run(kMeshc + " big.obj -o alone.cpp").status, 0);
    EXPECT_TRUE(ReadFile(s / "out.bin") == ReadFile(s / "alone.bin"));
    EXPECT_EQ(s.Listing(), "alone.bin alone.cpp big.obj out.bin out.cpp");

    // SIGTERM to the command while its child converts (the child held still meanwhile): the
    // child dies with it and writes nothing.
    ToolRun stopped = s.Run(kMeshc + " big.obj -o stopped.cpp & p=$!; "
                                     "until c=$(pgrep -P $p); do sleep 0.01; done; "
                                     "kill -STOP $c; kill -TERM $p; wait $p; kill -CONT $c; "
                                     "for i in $(seq 300); do ps -o stat= -p $c | grep -qv Z || "
                                     "break; sleep 0.1; done");
    EXPECT_EQ(s.Listing(), "alone.bin alone.cpp big.obj out.bin out.cpp") << stopped.err;
    // Killed while writing (the file size limit; in the field a crash): no temporary file.
    ToolRun killed = s.Run("ulimit -f 100; " + kMeshc + " big.obj -o killed.cpp");
    EXPECT_EQ(killed.status, 1);
    EXPECT_NE(killed.err.find("conversion crashed"), std::string::npos) << killed.err;
    EXPECT_EQ(s.Listing(), "alone.bin alone.cpp big.obj out.bin out.cpp");
}

TEST(MeshCompilerCommand, HelpVersionAndUsageErrors)
{
    Scratch s;
    ToolRun help = s.Run(kMeshc + " --help"), version = s.Run(kMeshc + " --version");
    EXPECT_EQ(help.out.rfind("usage: trackview-meshc", 0) + help.status + version.status, 0u);
    EXPECT_EQ(version.out, "trackview-meshc " TRACKVIEW_VERSION "\n");
    for (const char* bad :
         {"--radius 150.5", "--radius nan", "--radius 0.5", "--normals smooth", "-o", ""}) {
        ToolRun run = s.Run(kMeshc + " in.obj " + (*bad ? "-o out.cpp " : "") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(s.Listing(), "");
}

} // namespace
