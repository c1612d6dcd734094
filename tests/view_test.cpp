// Coming closer on the headless driver: the wheel zooms about the point under the pointer, a
// right drag moves the picture with the pointer, the zoom keeps to its limits, and 'r' gives back
// the very picture the viewer starts with.
#include <cmath>

#include "tests/gl_environment.h"
#include "viewer/gl.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"
#include "viewer/view.h"

using View = ViewerTest;

// Where the projection puts eye point (x, y) in the window (pixels, origin top left).
static void WindowPoint(double x, double y, double* wx, double* wy)
{
    double p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    *wx = (p[0] * x + p[12] + 1) / 2 * kTestSize;
    *wy = (1 - (p[5] * y + p[13])) / 2 * kTestSize;
}

TEST_F(View, TheWheelKeepsThePointUnderThePointerWhereItIs)
{
    viewer.rotating = 0;
    RenderFrame();
    // The eye point under window point (200, 600): the centre of that pixel.
    double p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    double x = ((200.5 / kTestSize) * 2 - 1 - p[12]) / p[0];
    double y = ((1 - 600.5 / kTestSize * 2) - p[13]) / p[5];
    for (int notches : {3, 2, -4}) {
        ViewWheel(float(notches), 200, 600);
        RenderFrame();
        double wx, wy;
        WindowPoint(x, y, &wx, &wy);
        EXPECT_NEAR(wx, 200.5, 1e-3) << notches;
        EXPECT_NEAR(wy, 600.5, 1e-3) << notches;
    }
    EXPECT_NEAR(viewer.zoom, std::pow(1.25, 1.0), 1e-5);
    ViewWheel(100, 10, 10);
    EXPECT_EQ(viewer.zoom, kZoomMax);
    ViewWheel(-100, 10, 10);
    EXPECT_EQ(viewer.zoom, kZoomMin);
    ViewWheel(std::nanf(""), 10, 10); // a broken wheel event changes nothing
    EXPECT_EQ(viewer.zoom, kZoomMin);
}

TEST_F(View, ARightDragMovesThePictureByTheDrag)
{
    viewer.rotating = 0;
    ViewZoomKey(1); // the same holds zoomed in
    RenderFrame();
    auto before = ReadFrame();
    ViewPanStart(300, 300);
    ViewPanMotion(330, 310);
    ViewPanMotion(350, 320); // 50 right and 20 down in all
    ViewPanStop();
    ViewPanMotion(600, 600); // no longer dragging
    RenderFrame();
    auto after = ReadFrame();
    int same = 0, compared = 0;
    for (int y = 100; y < 700; y += 3)
        for (int x = 100; x < 700; x += 3, ++compared) {
            Rgb a = PixelAt(before, x, y), b = PixelAt(after, x + 50, y + 20);
            same += a.r == b.r && a.g == b.g && a.b == b.b;
        }
    EXPECT_GT(same, compared * 99 / 100);
}

TEST_F(View, ResetGivesBackTheStartingPicture)
{
    RequestRedraw(); // the first paint
    EXPECT_EQ(RunIdle(3), 3);
    auto start = ReadFrame(); // the third frame of a fresh start
    viewer.idleHook = nullptr;
    ViewWheel(2, 100, 100);
    ViewPanStart(10, 10);
    ViewPanMotion(40, 90);
    TrackballStart(1, 400, 400);
    TrackballMotion(470, 380);
    TrackballStop(1, 400, 400); // stopped
    RunIdle(2);
    EXPECT_EQ(KeyCommand('r'), KEY_CONSUMED);
    const ViewerState fresh;
    EXPECT_EQ(viewer.zoom, fresh.zoom);
    EXPECT_EQ(viewer.viewX + viewer.viewY, 0.0f);
    EXPECT_EQ(viewer.spinning + viewer.rotating, 2);
    EXPECT_EQ(viewer.panning, 0);
    EXPECT_EQ(viewer.rotAngle, fresh.rotAngle);
    EXPECT_EQ(RunIdle(3), 3); // it spins again, from the start
    auto again = ReadFrame();
    EXPECT_TRUE(again == start);
}
