#include <cmath>

#include "tests/gl_environment.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

static double Length(Vec3 v)
{
    return std::sqrt(double(v.x) * v.x + v.y * v.y + v.z * v.z);
}

static void ExpectNear(Vec3 got, double x, double y, double z, double tolerance = 1e-6)
{
    EXPECT_NEAR(got.x, x, tolerance);
    EXPECT_NEAR(got.y, y, tolerance);
    EXPECT_NEAR(got.z, z, tolerance);
}

TEST(TrackballPoint, MapsCentreCornersAndBeyondTheRim)
{
    const double h = 1.0 / std::sqrt(2.0);
    ExpectNear(TrackballPoint(400, 300, 800, 600), 0, 0, 1);
    ExpectNear(TrackballPoint(800, 0, 800, 600), h, h, 0, 1e-6);
    ExpectNear(TrackballPoint(1600, -600, 800, 600), h, h, 0, 1e-6); // same diagonal, further out
    ExpectNear(TrackballPoint(0, 0, 800, 600), -h, h, 0, 1e-6);
    // On or beyond the circle the height is cos of the single-precision pi/2: just below zero.
    EXPECT_LT(TrackballPoint(0, 300, 800, 600).z, 0.0f);
    EXPECT_GT(TrackballPoint(0, 300, 800, 600).z, -1e-7f);
    // Halfway to the rim the cosine profile gives cos(pi/4), not the sphere's sqrt(3)/2.
    Vec3 half = TrackballPoint(600, 300, 800, 600);
    ExpectNear(half, 0.5 / std::sqrt(0.25 + 0.5), 0, std::sqrt(0.5) / std::sqrt(0.75), 1e-6);
}

TEST(TrackballPoint, NegativeAndExtremeCoordinatesGiveUnitVectorsOnTheRim)
{
    const int coordinates[] = {-32768, -1, 0, 1, 409, 818, 819, 32767};
    for (int x : coordinates) {
        for (int y : coordinates) {
            Vec3 p = TrackballPoint(x, y, 819, 819);
            EXPECT_NEAR(Length(p), 1.0, 1e-6) << x << "," << y;
        }
    }
    Vec3 outside = TrackballPoint(-100, 409, 819, 819);
    EXPECT_NEAR(outside.z, 0.0, 1e-6);
    EXPECT_LT(outside.x, -0.99f);
}

using Trackball = ViewerTest;

static void ExpectMode(int rotating, int spinning, int dragging)
{
    EXPECT_EQ(viewer.rotating, rotating);
    EXPECT_EQ(viewer.spinning, spinning);
    EXPECT_EQ(viewer.dragging, dragging);
}

TEST_F(Trackball, DragSetsTheStepAndReleaseAwayKeepsSpinning)
{
    viewer.winWidth = viewer.winHeight = 800;
    TrackballStart(1, 400, 400);
    ExpectMode(1, 0, 1);
    EXPECT_EQ(viewer.rotAngle, 2.0f); // the old step stays until the first motion
    ExpectNear(viewer.lastPos, 0, 0, 1);
    EXPECT_EQ(viewer.idleHook, nullptr); // a press asks for no frame

    TrackballMotion(500, 400);
    Vec3 cur = TrackballPoint(500, 400, 800, 800);
    double chord = std::sqrt((cur.x - 0.0) * (cur.x - 0.0) + (cur.z - 1.0) * (cur.z - 1.0));
    EXPECT_NEAR(viewer.rotAngle, 90.0 * chord, 1e-4);
    // Dragging right turns the mesh about the screen's vertical axis: last x cur points up.
    EXPECT_NEAR(viewer.rotAxis.x, 0.0, 1e-7);
    EXPECT_GT(viewer.rotAxis.y, 0.0f);
    EXPECT_EQ(viewer.idleHook, IdleRedraw);

    TrackballStop(1, 500, 400);
    ExpectMode(1, 1, 0);
    EXPECT_GT(viewer.rotAngle, 0.0f);
}

TEST_F(Trackball, ClickStopsAndDragBackToThePressPointStopsToo)
{
    TrackballStart(1, 100, 200);
    TrackballStop(1, 100, 200);
    ExpectMode(0, 0, 0);
    EXPECT_EQ(viewer.rotAngle, 0.0f);
    EXPECT_EQ(viewer.idleHook, IdleRedraw); // one more frame, then the hook leaves

    TrackballStart(1, 100, 200);
    TrackballMotion(300, 250);
    TrackballMotion(100, 200);
    TrackballStop(1, 100, 200);
    ExpectMode(0, 0, 0);
    EXPECT_EQ(viewer.rotAngle, 0.0f);
}

TEST_F(Trackball, ReleaseWithoutMotionKeepsThePreviousStep)
{
    TrackballStart(1, 10, 10);
    TrackballStop(1, 20, 20);
    EXPECT_EQ(viewer.spinning, 1);
    EXPECT_EQ(viewer.rotAngle, 2.0f);

    // From still, the same gesture spins with angle 0: frames follow, nothing turns.
    TrackballStart(1, 10, 10);
    TrackballStop(1, 10, 10);
    TrackballStart(1, 10, 10);
    TrackballStop(1, 30, 30);
    EXPECT_EQ(viewer.spinning, 1);
    EXPECT_EQ(viewer.rotAngle, 0.0f);
}

TEST_F(Trackball, MotionIsIgnoredUnlessDraggingAndOtherButtonsAreIgnored)
{
    ViewerState before = viewer;
    TrackballMotion(600, 100);
    TrackballStart(2, 5, 5);
    EXPECT_EQ(viewer.rotAngle, before.rotAngle);
    ExpectMode(1, 1, 0);
    EXPECT_EQ(viewer.idleHook, nullptr);

    // A release that was not pressed here stops a spin only at the last press point.
    viewer.dragStartX = 50;
    viewer.dragStartY = 60;
    TrackballStop(1, 51, 60);
    EXPECT_EQ(viewer.spinning, 1);
    TrackballStop(1, 50, 60);
    EXPECT_EQ(viewer.rotating, 0);
    // Once still, a stray release changes nothing.
    viewer.idleHook = nullptr;
    TrackballStop(1, 1, 1);
    EXPECT_EQ(viewer.idleHook, nullptr);
}

TEST_F(Trackball, MotionOnTheSamePointGivesAZeroStep)
{
    TrackballStart(1, 300, 300);
    TrackballMotion(300, 300);
    EXPECT_EQ(viewer.rotAngle, 0.0f);
    ExpectNear(viewer.rotAxis, 0, 0, 0, 0);
}
