// Runs the trackview-snapshot program itself: exit codes, messages and files left behind.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

struct ToolRun {
    int status;
    std::string out, err;
};

static std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

static bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

class SnapshotTool : public ::testing::Test
{
  protected:
    std::string dir;
    void SetUp() override
    {
        char pattern[] = "/tmp/trackview-snapshot-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    ToolRun Snapshot(const std::string& args)
    {
        std::string command = std::string(SNAPSHOT_TOOL) + " " + args + " >'" + dir +
                              "/stdout' 2>'" + dir + "/stderr'";
        int status = std::system(command.c_str());
        return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir + "/stdout"),
                       Slurp(dir + "/stderr")};
    }
};

TEST_F(SnapshotTool, WritesAPngAndTheStateOfOneFrame)
{
    ToolRun run = Snapshot("--state -o " + dir + "/out.png");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Slurp(dir + "/out.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_FALSE(Exists(dir + "/out.png.tmp"));
    EXPECT_NE(run.out.find("\"frames\":1}"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"idleHook\":true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"rotating\":1,\"spinning\":1,\"dragging\":0"), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST_F(SnapshotTool, AClickStopsTheSpinAndTheHookLeaves)
{
    ToolRun run = Snapshot("--state --events 'idle 3; press 5 5; release 5 5; idle 4'");
    ASSERT_EQ(run.status, 0) << run.err;
    // Three spinning frames, one pending frame after the click, then nothing.
    EXPECT_NE(run.out.find("\"idleHook\":false,\"frames\":4}"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"rotAngle\":0,"), std::string::npos) << run.out;
}

TEST_F(SnapshotTool, BadUsageFailsWithOneLineAndLeavesNoFile)
{
    const std::string out = dir + "/out.png";
    const char* bad[] = {
        "--events 'wiggle 1 2' -o OUT",
        "--events 'press 1 two' -o OUT",
        "--size 0x10 -o OUT",
        "--size 819 -o OUT",
        "--bogus -o OUT",
        "-o",
        "--events 'press 1 1' -o OUT", // presents no frame
    };
    for (std::string args : bad) {
        size_t at = args.find("OUT");
        if (at != std::string::npos) args.replace(at, 3, out);
        ToolRun run = Snapshot(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.err.find("trackview-snapshot: "), 0u) << args;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << args << ": " << run.err;
        EXPECT_FALSE(Exists(out)) << args;
        EXPECT_FALSE(Exists(out + ".tmp")) << args;
    }
    ToolRun unwritable = Snapshot("-o " + dir + "/no/such/dir/out.png");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
}
