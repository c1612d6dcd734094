// The core on the headless driver: the trackball's sphere and gestures, the rotation steps that
// frames apply, redraw scheduling, the keys and the pixels of a frame.
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "tests/gl_environment.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

static void ExpectNear(Vec3 got, double x, double y, double z)
{
    EXPECT_NEAR(got.x, x, 1e-6);
    EXPECT_NEAR(got.y, y, 1e-6);
    EXPECT_NEAR(got.z, z, 1e-6);
}

TEST(TrackballPoint, MapsCentreCornersAndBeyondTheRimOntoTheUnitSphere)
{
    const double h = std::sqrt(0.5);
    ExpectNear(TrackballPoint(400, 300, 800, 600), 0, 0, 1);
    ExpectNear(TrackballPoint(0, 0, 800, 600), -h, h, 0);
    ExpectNear(TrackballPoint(1600, -600, 800, 600), h, h, 0); // the same diagonal, further out
    // Halfway to the rim the cosine profile gives cos(pi/4), not the sphere's sqrt(3)/2.
    ExpectNear(TrackballPoint(600, 300, 800, 600), 0.5 / std::sqrt(0.75), 0, h / std::sqrt(0.75));
}

using Trackball = ViewerTest;

TEST_F(Trackball, DragsTurnAndClicksStop)
{
    viewer.winWidth = viewer.winHeight = 800;
    TrackballStart(1, 400, 400);
    EXPECT_EQ(viewer.spinning, 0);
    EXPECT_EQ(viewer.idleHook, nullptr); // a press asks for no frame
    TrackballMotion(500, 400);           // to the right: about the screen's vertical axis
    EXPECT_GT(viewer.rotAngle, 10.0f);
    EXPECT_NEAR(viewer.rotAxis.x, 0.0, 1e-7);
    EXPECT_GT(viewer.rotAxis.y, 0.0f);
    TrackballStop(1, 500, 400); // away from the press point: it spins on
    EXPECT_EQ(RunIdle(3), 3);
    float angle = viewer.rotAngle;
    TrackballMotion(600, 100); // no longer dragging
    EXPECT_EQ(viewer.rotAngle, angle);

    TrackballStart(1, 100, 200); // back to the press point: a click, whatever came between
    TrackballMotion(300, 250);
    TrackballMotion(100, 200);
    TrackballMotion(100, 200); // on the same point: a zero step
    ExpectNear(viewer.rotAxis, 0, 0, 0);
    TrackballStop(1, 100, 200);
    EXPECT_EQ(viewer.rotating + viewer.spinning + viewer.dragging, 0);
    EXPECT_EQ(viewer.rotAngle, 0.0f);
    EXPECT_EQ(RunIdle(5), 1); // the requests since the last frame give one, then the hook leaves
}

using Rotation = ViewerTest;

TEST_F(Rotation, StepIsAppliedAfterTheAccumulatedRotation)
{
    // 90 degrees about x so far, then 90 about z (an axis not of unit length): R x M sends x to
    // y, y to z and z to x, where M x R would send x to z.
    const float m[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    const float expected[16] = {0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    std::memcpy(viewer.objectXform, m, sizeof m);
    viewer.rotAngle = 90.0f;
    viewer.rotAxis = Vec3{0, 0, 0.5f};
    ApplyRotationStep();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(viewer.objectXform[i], expected[i], 1e-6) << i;
}

TEST_F(Rotation, StillFramesAndDegenerateStepsLeaveTheMatrixBitIdentical)
{
    viewer.rotAngle = 33.0f;
    viewer.rotAxis = Vec3{0.3f, -0.2f, 0.9f};
    ApplyRotationStep();
    float before[16];
    std::memcpy(before, viewer.objectXform, sizeof before);
    viewer.rotating = 0;
    for (int i = 0; i < 3; ++i) RenderFrame();
    EXPECT_EQ(std::memcmp(before, viewer.objectXform, sizeof before), 0);

    viewer.rotating = 1;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    const std::pair<float, Vec3> steps[] = {
        {0.0f, {0, 0, 0}}, {0.0f, {0, 1, 0}},    {180.0f, {1e-7f, 0, 0}}, {179.9f, {0, 0, 3e-7f}},
        {nan, {0, 1, 0}},  {45.0f, {inf, 0, 0}}, {45.0f, {0, nan, 1}},    {inf, {1, 0, 0}},
    };
    for (auto [angle, axis] : steps) {
        viewer.rotAngle = angle;
        viewer.rotAxis = axis;
        RenderFrame();
        EXPECT_EQ(std::memcmp(before, viewer.objectXform, sizeof before), 0)
            << angle << " about " << axis.x << "," << axis.y << "," << axis.z;
    }
    // A drag from rim to rim along the equator: near 180 degrees about an axis of about 1e-7,
    // which a driver may turn into a flip about a coordinate axis.
    viewer.winWidth = viewer.winHeight = 800;
    TrackballStart(1, -2000, 400);
    TrackballMotion(3000, 400);
    EXPECT_GT(viewer.rotAngle, 170.0f);
    RenderFrame();
    EXPECT_EQ(std::memcmp(before, viewer.objectXform, sizeof before), 0);
}

// Left spinning for hours, single-precision products would shear and scale the mesh.
TEST_F(Rotation, RigidAfterAMillionObliqueSteps)
{
    viewer.rotAngle = 7.3f;
    viewer.rotAxis = Vec3{0.31f, -0.57f, 0.76f};
    for (int i = 0; i < 1000000; ++i) ApplyRotationStep();
    const float* m = viewer.objectXform;
    for (int a = 0; a < 3; ++a)
        for (int b = a; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += double(m[4 * a + k]) * m[4 * b + k];
            EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5) << "columns " << a << ", " << b;
        }
}

using Render = ViewerTest;

TEST_F(Render, KeysToggleFogAndWireframeStepTheLevelAndEscCloses)
{
    for (int code : {70, 80, 74, 75, 113, 32, 0, 13, 255, -1}) // F P J K q space ...
        EXPECT_EQ(KeyCommand(code), KEY_DEFAULT) << code;
    EXPECT_EQ(KeyCommand(27), KEY_CLOSE);
    EXPECT_EQ(viewer.idleHook, nullptr); // neither asks for a frame
    for (int code : {'f', 'p', 'f'}) EXPECT_EQ(KeyCommand(code), KEY_CONSUMED);
    EXPECT_EQ(viewer.fogOn + 2 * viewer.wireframeOn, 2);
    EXPECT_EQ(viewer.idleHook, IdleRedraw);
    // 'j' and 'k' step by 0.05 and stop exactly at their bounds.
    for (int i = 0; i < 30; ++i) EXPECT_EQ(KeyCommand('j'), KEY_CONSUMED);
    EXPECT_EQ(viewer.keyLevel, 1.05f);
    for (int i = 0; i < 40; ++i) KeyCommand('k');
    EXPECT_EQ(viewer.keyLevel, 0.01f);
    KeyCommand('j');
    EXPECT_NEAR(viewer.keyLevel, 0.06f, 1e-7);
}

// Pixels of a that differ from b (a frame, or one colour for every pixel) by more than rounding.
static int Differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    int differing = 0;
    for (size_t i = 0; i < a.size(); i += 3) {
        bool differs = false;
        for (size_t k = i; k < i + 3; ++k)
            differs = differs || std::abs(a[k] - b[k % b.size()]) > 1;
        differing += differs;
    }
    return differing;
}

TEST_F(Render, PixelsShowBackgroundMeshWireframeAndFog)
{
    const int pixels = kTestSize * kTestSize;
    viewer.rotating = 0;
    RenderFrame();
    auto filled = ReadFrame();
    int mesh = Differing(filled, {102, 51, 13}); // the rest is background
    EXPECT_GT(mesh, pixels / 10);
    EXPECT_LT(mesh, pixels / 2);

    KeyCommand('p');
    RenderFrame();
    EXPECT_GT(Differing(filled, ReadFrame()), 1000);
    KeyCommand('p');
    RenderFrame();
    EXPECT_EQ(Differing(filled, ReadFrame()), 0); // filled again, as before

    KeyCommand('f');
    RenderFrame();
    auto fogged = ReadFrame();
    EXPECT_NEAR(Differing(fogged, {128, 64, 64}), mesh, mesh / 10); // on a fog-coloured background
    // The mesh lies far from the eye's plane: fog changes nearly all of it.
    EXPECT_GT(Differing(fogged, filled), pixels - mesh / 10);
}
