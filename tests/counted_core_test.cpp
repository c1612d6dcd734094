// The core on the null platform (a GL layer that counts, a host that records): what a frame
// sends, and what opening and following a file does to the title, the boxes and the progress
// line, the same for both programs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

#include "null/countgl.h"
#include "null/host.h"
#include "tests/torus_mesh.h"
#include "viewer/keys.h"
#include "viewer/model.h"
#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/startup.h"
#include "viewer/host.h"
#include "viewer/state.h"
#include "viewer/watch.h"

static void Start(int width, int height)
{
    ResetViewerState();
    CountGlReset();
    nullHost = NullHostRecord();
    viewer.winWidth = width;
    viewer.winHeight = height;
    InitScene();
    CountGlResetCounters();
}

// Every corner goes out once per frame in a single glBegin/glEnd with a normal and a vertex; the
// rest is a small overhead that does not grow with the mesh.
TEST(CountedCore, FramesSendEveryCornerOnceInOneBeginEnd)
{
    const long long corners = 3LL * meshModel.faceCount;
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(testing::Message() << "fog " << mode / 2 << ", wireframe " << mode % 2);
        Start(640, 480);
        viewer.fogOn = mode / 2;
        viewer.wireframeOn = mode % 2;
        RenderFrame();
        EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
        EXPECT_EQ(CountGlCalls(CGL_BEGIN) + CountGlCalls(CGL_END), 2);
        EXPECT_EQ(CountGlCalls(CGL_NORMAL3F), corners);
        EXPECT_EQ(CountGlCalls(CGL_VERTEX3F), corners);
        EXPECT_LT(CountGlTotal() - 2 * corners, 50);
    }
}

// A model file replaces the mesh drawn, corner for corner, and nothing else: the turn, spin, fog
// and wireframe stay, and a frame is asked for. A file that cannot be read changes nothing.
TEST(CountedCore, AnOpenedFileIsDrawnInsteadAndTheStateStays)
{
    Start(640, 480);
    viewer.fogOn = viewer.wireframeOn = 1;
    viewer.rotAngle = 7.0f;
    viewer.objectXform[1] = 0.5f;
    std::string error, title = kWindowTitleUtf8;
    ASSERT_TRUE(ViewerOpenFile(TEST_MODELS "/cube.ply", &error)) << error;
    EXPECT_FALSE(ViewerOpenFile(TEST_MODELS "/none.obj", &error));
    EXPECT_EQ(error, "cannot open " TEST_MODELS "/none.obj: No such file or directory");
    EXPECT_EQ(ViewerTitle(), "cube.ply -" + title);
    EXPECT_EQ(viewer.fogOn + viewer.wireframeOn + viewer.rotating + viewer.spinning, 4);
    EXPECT_EQ(viewer.rotAngle + viewer.objectXform[1], 7.5f);
    EXPECT_NE(viewer.idleHook, nullptr);
    RenderFrame();
    EXPECT_EQ(CountGlArrayCorners(), 36); // the cube's 12 triangles
    ResetViewerState();
    EXPECT_EQ(ViewerTitle(), title);
}

// At start-up a slow read says so on stderr and a bad file gets its box (the program then ends);
// a drop opens its first file only, names it in the title (after a frame, so that "loading"
// shows), and a bad file dropped gets a box while the mesh and its title stay. A drop that comes
// while that box is open waits until it is answered.
TEST(CountedCore, OpeningAtStartAndByDropSaysWhatHappens)
{
    Start(640, 480);
    const std::string title = kWindowTitleUtf8;
    EXPECT_FALSE(ViewerOpenAtStart(TEST_MODELS "/none.obj"));
    ASSERT_EQ(nullHost.errors.size(), 1u);
    EXPECT_EQ(nullHost.errors[0],
              "cannot open " TEST_MODELS "/none.obj: No such file or directory");
    EXPECT_TRUE(ViewerOpenAtStart(TEST_MODELS "/tetra.obj"));
    EXPECT_EQ(nullHost.progress, (std::vector<std::string>{"trackview: loading none.obj...",
                                                           "trackview: loading tetra.obj..."}));
    EXPECT_EQ(nullHost.progressRunning, 0);

    ViewerDropFile(TEST_MODELS "/cube.ply"); // no rendering context yet: nothing happens
    ViewerDropEnd();
    EXPECT_TRUE(nullHost.titles.empty());
    static int context;
    viewer.hglrc = &context;
    ViewerDropFile(TEST_MODELS "/cube.ply");
    ViewerDropFile(TEST_MODELS "/tetra.obj"); // the same drop's second file
    ViewerDropEnd();
    const std::string cube = "cube.ply -" + title;
    EXPECT_EQ(nullHost.titles, (std::vector<std::string>{"loading cube.ply...", cube}));
    EXPECT_EQ(CountGlCalls(CGL_PRESENT_FRAME), 1);

    nullHost.titles.clear();
    nullHost.whileErrorShows = [] {
        nullHost.whileErrorShows = nullptr;
        ViewerDropFile(TEST_MODELS "/tetra.obj");
        ViewerDropEnd();
        EXPECT_EQ(nullHost.titles.size(), 2u) << "opened while the box is open";
    };
    ViewerDropFile(TEST_MODELS "/../hostile/garbage.obj");
    ViewerDropEnd();
    ASSERT_EQ(nullHost.errors.size(), 2u);
    EXPECT_EQ(nullHost.errors[1].rfind("cannot open " TEST_MODELS "/../hostile/garbage.obj:", 0),
              0u);
    EXPECT_EQ(nullHost.titles,
              (std::vector<std::string>{"loading garbage.obj...", cube, "loading tetra.obj...",
                                        "tetra.obj -" + title}));
}

// A watched file is read again once its stamp has rested for a moment, and only then; the view
// stays; a broken or deleted file keeps the mesh, a broken one says why in the title, not in a
// box; the next change tries again.
TEST(CountedCore, AWatchedFileIsReadAgainOnceItRests)
{
    Start(640, 480);
    std::string dir = testing::TempDir() + "watch_XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);
    const std::string file = dir + "/model.obj", title = kWindowTitleUtf8;
    auto copy = [&](const std::string& from) {
        std::ifstream in(from, std::ios::binary);
        std::ofstream(file, std::ios::binary) << in.rdbuf();
    };
    auto vertexCalls = [] {
        CountGlResetCounters();
        RenderFrame();
        return CountGlArrayCorners();
    };
    copy(TEST_MODELS "/tetra.obj");
    WatchAllow(true);
    std::string error;
    ASSERT_TRUE(ViewerOpenFile(file, &error)) << error;
    EXPECT_EQ(nullHost.watchedFolder, dir);
    viewer.zoom = 2.0f;

    copy(TEST_MODELS "/polygons.obj"); // an exporter writes in place
    WatchChanged("other.obj");
    EXPECT_TRUE(nullHost.later.empty()) << "another file's change";
    WatchChanged("model.obj");
    WatchChanged("");
    EXPECT_EQ(nullHost.later, std::vector<int>{TIMER_WATCH}) << "one look at a time";
    WatchTick(); // changed since the last look: it may still be written
    EXPECT_EQ(nullHost.later.size(), 2u);
    EXPECT_EQ(vertexCalls(), 12);
    WatchTick(); // at rest: read
    EXPECT_NE(vertexCalls(), 12);
    EXPECT_EQ(viewer.zoom, 2.0f);
    EXPECT_EQ(nullHost.title, "model.obj -" + title);

    std::ofstream(file) << "v 0 0 0\nf 1 2 3\n"; // broken
    WatchChanged("model.obj");
    WatchTick();
    WatchTick();
    long long polygons = vertexCalls();
    EXPECT_EQ(nullHost.title.rfind("model.obj (cannot read: line 2: face index 2 is past", 0), 0u)
        << nullHost.title;
    EXPECT_TRUE(nullHost.errors.empty()) << "no box";

    std::remove(file.c_str()); // deleted: the mesh stays, nothing more is asked for
    WatchChanged("model.obj");
    size_t asked = nullHost.later.size();
    WatchTick();
    EXPECT_EQ(nullHost.later.size(), asked);
    EXPECT_EQ(vertexCalls(), polygons);

    copy(TEST_MODELS "/tetra.obj"); // back
    WatchChanged("model.obj");
    WatchTick();
    WatchTick();
    EXPECT_EQ(vertexCalls(), 12);
    EXPECT_EQ(nullHost.title, "model.obj -" + title);
    std::remove(file.c_str());
    rmdir(dir.c_str());
    WatchAllow(false);
}

// Which look a frame of a big model draws, by the times a fake frame clock gives: moving, the
// stand-in until the whole is known to fit, cut smaller when its frames are slow and larger (up to
// half the whole) when they are cheap; still, and when a drag pauses, the whole.
TEST(CountedCore, ABigModelMovesAsItsStandInWhileTheWholeWouldNotFit)
{
    Start(640, 480);
    MeshData torus = TorusMesh(400, 200);
    const long long whole = 3 * (long long)torus.faces.size();
    ASSERT_GT(torus.faces.size(), 100000u);
    ASSERT_TRUE(ViewerShowMesh(&torus, "torus.obj"));
    viewer.spinning = 0; // a drag: frames come from the moves
    viewer.dragging = 1;
    // A frame on a machine where a million corners take perMillion ms: the corners it sent.
    auto frame = [](bool moving, double perMillion) {
        CountGlResetCounters();
        ModelDraw(moving);
        ModelFrameTook(double(CountGlArrayCorners()) * perMillion / 1e6);
        return CountGlArrayCorners();
    };
    long long first = frame(true, 1000);
    EXPECT_LT(first, whole / 4);
    EXPECT_EQ(nullHost.later, std::vector<int>{TIMER_REST});
    long long slow = 0, fast = 0;
    for (int i = 0; i < 12; ++i) slow = frame(true, 1000);
    EXPECT_TRUE(slow > 15000 && slow <= 30000) << slow << " corners: 15 to 30 ms";
    for (int i = 0; i < 12; ++i) fast = frame(true, 100);
    EXPECT_TRUE(fast > 150000 && fast <= whole * 6 / 10) << fast << " corners: up to half";
    EXPECT_EQ(frame(false, 100), whole);
    EXPECT_EQ(frame(true, 100), fast) << "the whole measured too slow";
    EXPECT_EQ(frame(false, 50), whole);
    EXPECT_EQ(frame(true, 50), whole) << "the whole measured fast enough";

    // A move in a drag that turns it by nothing is still a moving frame; the rest timer's frame
    // draws the whole as it stands, without turning it.
    ASSERT_TRUE(ViewerShowMesh(&(torus = TorusMesh(400, 200)), "torus.obj"));
    viewer.rotating = 1;
    viewer.rotAngle = 0;
    CountGlResetCounters();
    RenderFrame();
    EXPECT_LT(CountGlArrayCorners(), whole / 4);
    float turned[16];
    std::memcpy(turned, viewer.objectXform, sizeof turned);
    CountGlResetCounters();
    viewer.idleHook = nullptr; // as the message loop leaves it after that frame
    ViewerTimer(TIMER_REST);
    EXPECT_EQ(CountGlArrayCorners(), whole);
    EXPECT_EQ(std::memcmp(turned, viewer.objectXform, sizeof turned), 0);
}

// Allocations of exactly this size fail while it is set: memory running out at one place. (GCC
// takes free() in a replaced operator delete for a mismatch.)
static size_t failAllocationOf = 0;
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size)
{
    void* p = size == failAllocationOf ? nullptr : std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

// Without memory for a stand-in a big model opens all the same, drawn whole while it moves, and
// stderr says why.
TEST(CountedCore, ABigModelWithoutMemoryForAStandInOpensWhole)
{
    Start(640, 480);
    MeshData torus = TorusMesh(400, 200);
    const long long whole = 3 * (long long)torus.faces.size();
    // The cell of each position, which cutting a stand-in needs.
    failAllocationOf = torus.vertices.size() * sizeof(uint32_t);
    testing::internal::CaptureStderr();
    bool opened = ViewerShowMesh(&torus, "torus.obj");
    failAllocationOf = 0;
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(opened);
    EXPECT_NE(said.find("no memory for a lighter stand-in"), std::string::npos) << said;
    viewer.dragging = 1;
    CountGlResetCounters();
    RenderFrame();
    EXPECT_EQ(CountGlArrayCorners(), whole);
}

// Points and lines go out unlit from arrays of their own, in their colours where the file has
// them; 'c' switches the faces to the file's colours (fronts, then the darker backs, culled
// apart), and does nothing where there are none.
TEST(CountedCore, PointsLinesAndTheFilesColours)
{
    Start(640, 480);
    EXPECT_EQ(KeyCommand('c'), KEY_DEFAULT) << "the built-in mesh has no colours";
    MeshData mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    mesh.colors = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}};
    mesh.normals = {{0, 0, 1}};
    MeshAppendFace(mesh, 0, 1, 2, 0, 0, 0);
    mesh.points = {3, 0};
    mesh.lines = {0, 3, 1, 3, 2, 3};
    ASSERT_TRUE(ViewerShowMesh(&mesh, "coloured.ply"));
    CountGlResetCounters();
    RenderFrame();
    EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
    EXPECT_EQ(CountGlArrayCorners(), 3);
    EXPECT_EQ(CountGlLineEnds(), 6);
    EXPECT_EQ(CountGlPoints(), 2);
    EXPECT_EQ(CountGlCalls(CGL_COLOR_POINTER), 2) << "the lines' and the points' colours";
    EXPECT_FALSE(CountGlIsEnabled(GL_COLOR_MATERIAL));

    EXPECT_EQ(KeyCommand('c'), KEY_CONSUMED);
    EXPECT_EQ(viewer.fileColorsOn, 1);
    CountGlResetCounters();
    RenderFrame();
    EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
    EXPECT_EQ(CountGlArrayCorners(), 6) << "fronts and backs";
    EXPECT_EQ(CountGlCalls(CGL_CULL_FACE), 2);
    EXPECT_FALSE(CountGlIsEnabled(GL_CULL_FACE) || CountGlIsEnabled(GL_COLOR_MATERIAL));
    KeyCommand('p'); // in wireframe every line shows, once
    CountGlResetCounters();
    RenderFrame();
    EXPECT_EQ(CountGlArrayCorners(), 3);
}

// Names from files are shown safely in the error line and the title: a newline cannot forge a
// line, an override cannot turn the program's own words around, and bytes that are not UTF-8
// become replacement characters (SDL would not take the title otherwise).
TEST(CountedCore, FileNamesCannotForgeLinesOrTurnTheTitle)
{
    Start(640, 480);
    std::string dir = testing::TempDir() + "names_XXXXXX";
    ASSERT_NE(mkdtemp(&dir[0]), nullptr);
    EXPECT_FALSE(ViewerOpenAtStart(dir + "/a\nFORGED: all checks passed.obj"));
    ASSERT_EQ(nullHost.errors.size(), 1u);
    EXPECT_EQ(nullHost.errors[0].find('\n'), std::string::npos) << nullHost.errors[0];
    EXPECT_NE(nullHost.errors[0].find("a\\nFORGED"), std::string::npos) << nullHost.errors[0];
    const std::string title = kWindowTitleUtf8;
    const std::pair<std::string, std::string> names[] = {
        {"m\xE2\x80\xAEjbo.obj", "m\\u202ejbo.obj -" + title},
        {"b\xFF.obj", "b\xEF\xBF\xBD.obj -" + title}};
    for (const auto& [name, shown] : names) {
        std::ifstream in(TEST_MODELS "/tetra.obj", std::ios::binary);
        std::ofstream(dir + "/" + name, std::ios::binary) << in.rdbuf();
        std::string error;
        ASSERT_TRUE(ViewerOpenFile(dir + "/" + name, &error)) << error;
        EXPECT_EQ(ViewerTitle(), shown);
        std::remove((dir + "/" + name).c_str());
    }
    rmdir(dir.c_str());
}
