// Runs the trackview-snapshot program itself: exit codes, messages and files left behind.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/tool_run.h"

static const std::string kSnapshot = SNAPSHOT_TOOL;

TEST(SnapshotTool, WritesAPngAndTheStateAfterTheScript)
{
    Scratch s;
    ToolRun run = s.Run(kSnapshot + " --state -o out.png");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(s / "out.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_NE(run.out.find("\"rotating\":1,\"spinning\":1,\"dragging\":0"), std::string::npos);
    EXPECT_NE(run.out.find("\"idleHook\":true,\"frames\":1}"), std::string::npos) << run.out;
    // Three spinning frames, one pending frame after the click, then nothing.
    run = s.Run(kSnapshot + " --state --events 'idle 3; press 5 5; release 5 5; idle 4'");
    EXPECT_NE(run.out.find("\"idleHook\":false,\"frames\":4}"), std::string::npos) << run.out;
    ToolRun help = s.Run(kSnapshot + " --help"), version = s.Run(kSnapshot + " --version");
    EXPECT_EQ(help.out.rfind("usage: trackview-snapshot", 0) + help.status + version.status, 0u);
    EXPECT_EQ(version.out, "trackview-snapshot " TRACKVIEW_VERSION "\n");
    EXPECT_EQ(s.Listing(), "out.png");
}

// Usage errors exit 2, failed writes 1 (the state included: a lost result is a failure), each
// with one line; a device is written through, and a run ended by a signal leaves nothing.
TEST(SnapshotTool, FailuresExitWithTheirCodeAndLeaveNothing)
{
    Scratch s;
    const std::pair<const char*, int> cases[] = {
        {"--events 'wiggle 1 2' -o out.png", 2},
        {"--events 'idle 100001' -o out.png", 2},
        {"--size 0x10 -o out.png", 2},
        {"--bogus -o out.png", 2},
        {"-o", 2},
        {"--events 'press 1 1' -o out.png", 2}, // presents no frame
        {"-o no/such/folder/out.png", 1},
        {"--state >/dev/full", 1},
    };
    for (const auto& c : cases) {
        ToolRun run = s.Run(kSnapshot + " " + c.first);
        EXPECT_EQ(run.status, c.second) << c.first;
        EXPECT_EQ(run.err.rfind("trackview-snapshot: ", 0), 0u) << c.first;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << c.first << ": " << run.err;
    }
    EXPECT_EQ(s.Listing(), "");
    EXPECT_EQ(s.Run(kSnapshot + " -o /dev/null").status, 0);
    struct stat null;
    EXPECT_TRUE(stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode));
    // /dev/stdout into a pipe: a link to a pipe, which has no path to resolve.
    EXPECT_EQ(s.Run(kSnapshot + " -o /dev/stdout | head -c 4 | tail -c 3 | grep -qx PNG").status,
              0);
    ToolRun stopped = s.Run(kSnapshot + " --size 32x32 --events 'idle 100000' -o out.png & " +
                            "p=$!; sleep 0.5; kill -TERM $p; wait $p");
    EXPECT_EQ(stopped.status, 143) << stopped.err; // ended by SIGTERM
    EXPECT_EQ(s.Listing(), "");
}
