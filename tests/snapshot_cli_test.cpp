// Runs the trackview-snapshot program itself: exit codes, messages and files left behind.
#include <sys/stat.h>
#include <unistd.h>

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

// A model's colours, the wheel and the right button reach the viewer through the script; 'r'
// takes the view back, and 'c' means nothing for a model without colours.
TEST(SnapshotTool, ColoursZoomAndPanFromTheScript)
{
    Scratch s;
    const std::string models = TEST_MODELS "/";
    const std::string closer = " -o out.png --events 'key c; wheel 3 100 100; rpress 400 400; "
                               "move 500 400; rrelease 500 400";
    ToolRun run =
        s.Run(kSnapshot + " --state --model " + models + "colored.ply" + closer + "; idle 1'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"zoom\":1.953125,"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("\"position\":[0,0]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"fileColorsOn\":1"), std::string::npos) << run.out;
    run =
        s.Run(kSnapshot + " --state --model " + models + "tetra.obj" + closer + "; key r; idle 1'");
    EXPECT_NE(run.out.find("\"zoom\":1,\"position\":[0,0]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"fileColorsOn\":0"), std::string::npos) << run.out;
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
        {"--help >/dev/full", 1},
        {"--version >/dev/full", 1},
        {"--events 'press 1\n2 3' -o out.png", 2}, // the script's newline is not echoed
        {"--model", 2},
        {"--model no.obj -o out.png", 1},
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
    // Any signal that ends the tool removes its temporary file (a background job would ignore
    // QUIT: it gets the default back).
    for (const char* sig : {"TERM", "QUIT", "HUP", "USR1"}) {
        ToolRun stopped = s.Run("ulimit -c 0; env --default-signal=QUIT " + kSnapshot +
                                " --size 32x32 --events 'idle 100000' -o out.png & p=$!; "
                                "until [ -n \"$(ls -A)\" ]; do sleep 0.01; done; kill -" +
                                sig + " $p; wait $p");
        EXPECT_GT(stopped.status, 128) << sig << stopped.err; // ended by the signal
        EXPECT_EQ(s.Listing(), "") << sig;
    }
    ToolRun full = s.RunOnSmallDisk("4k", "cd small && " + kSnapshot +
                                              " -o out.png; echo $? >../status; ls -A >../after");
    if (full.status == 77) GTEST_SKIP() << "no small file system here (needs root)";
    EXPECT_EQ(ReadFile(s / "status") + ReadFile(s / "after"), "1\n");
    EXPECT_EQ(full.err, "trackview-snapshot: cannot write 'out.png': No space left on device\n");
}

// A descriptor named as OUT is written through as the shell opened it; a link named as OUT is
// followed, its target replaced, except another user's link in a shared sticky folder (/tmp),
// which could otherwise make root replace any file.
TEST(SnapshotTool, WritesThroughDescriptorsAndOnlyTrustedLinks)
{
    Scratch s;
    std::ofstream(s / "keep.txt") << "kept";
    std::ofstream(s / "target") << "old";
    ASSERT_EQ(symlink("target", (s / "link.png").c_str()), 0);
    std::string run = kSnapshot + " --size 8x8 -o ";
    ASSERT_EQ(s.Run(run + "/dev/stdout >>keep.txt && " + run + "link.png").status, 0);
    EXPECT_EQ(ReadFile(s / "keep.txt").substr(0, 8), "kept\x89PNG");
    EXPECT_EQ(ReadFile(s / "target").substr(0, 4), "\x89PNG");
    EXPECT_EQ(s.Listing(), "keep.txt link.png target");
    if (geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
    ASSERT_EQ(mkdir((s / "shared").c_str(), 0777) | chmod((s / "shared").c_str(), 01777), 0);
    ASSERT_EQ(symlink("../keep.txt", (s / "shared/out.png").c_str()), 0);
    ASSERT_EQ(lchown((s / "shared/out.png").c_str(), 65534, 65534), 0);
    ToolRun refused = s.Run(run + "shared/out.png");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("another user's link in a shared folder"), std::string::npos);
    EXPECT_EQ(ReadFile(s / "keep.txt").substr(0, 8), "kept\x89PNG");
    EXPECT_EQ(s.Run("ls -A shared").out, "out.png\n");
}

// The thumbnailer's Exec line, run as a file manager runs it (%i quoted, %s and %o substituted):
// each format gives a PNG of the size asked for; a file that cannot be read gives exit 1, one
// line naming it, and no file.
TEST(SnapshotTool, ThumbnailerRendersEachFormatAndNothingForABadFile)
{
    std::string entry = ReadFile(THUMBNAILER);
    const std::string key = "\nExec=trackview-snapshot";
    size_t at = entry.find(key);
    ASSERT_NE(at, std::string::npos);
    at += key.size();
    std::string exec = kSnapshot + entry.substr(at, entry.find('\n', at) - at);
    Scratch s;
    s.Run("printf 'v 0 0 0\\nf 1 2 3\\n' >'bad model.obj'");
    const std::string models = TEST_MODELS "/";
    for (std::string model : {models + "tetra.obj", models + "cube_binary.ply", models + "quad.stl",
                              models + "tetra.gltf", models + "tetra.glb", s / "bad model.obj"}) {
        std::string line = exec;
        for (size_t p; (p = line.find('%')) != std::string::npos;)
            line.replace(p, 2,
                         line[p + 1] == 'i'   ? "'" + model + "'"
                         : line[p + 1] == 's' ? "48"
                                              : "t.png");
        ToolRun run = s.Run(line);
        bool bad = model.find("bad") != std::string::npos;
        EXPECT_EQ(run.status, bad ? 1 : 0) << model << ": " << run.err;
        if (bad) {
            EXPECT_EQ(run.err.rfind("trackview-snapshot: cannot open " + model + ":2: ", 0), 0u);
            EXPECT_EQ(s.Listing(), "bad model.obj");
        } else {
            // The PNG's header: width and height, big-endian, at bytes 16 and 20.
            std::string png = ReadFile(s / "t.png");
            png.resize(24);
            EXPECT_EQ(png.substr(16), std::string("\0\0\0\x30\0\0\0\x30", 8)) << model;
            s.Run("rm t.png");
        }
    }
}
