#include <cmath>
#include <cstring>
#include <limits>

#include "tests/gl_environment.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

using Rotation = ViewerTest;

using Matrix = double[16];

// Column-major rotation about a unit axis, as glRotate defines it.
static void RotationMatrix(double degrees, double x, double y, double z, double* m)
{
    double n = std::sqrt(x * x + y * y + z * z);
    x /= n, y /= n, z /= n;
    double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    double r[16] = {t * x * x + c,
                    t * x * y + s * z,
                    t * x * z - s * y,
                    0,
                    t * x * y - s * z,
                    t * y * y + c,
                    t * y * z + s * x,
                    0,
                    t * x * z + s * y,
                    t * y * z - s * x,
                    t * z * z + c,
                    0,
                    0,
                    0,
                    0,
                    1};
    std::memcpy(m, r, sizeof r);
}

static void Multiply(const double* a, const double* b, double* out)
{
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * col + k];
            out[4 * col + row] = sum;
        }
}

TEST_F(Rotation, StepIsAppliedAfterTheAccumulatedRotation)
{
    Matrix m, r, expected;
    RotationMatrix(30, 1, 0, 0, m);
    for (int i = 0; i < 16; ++i) viewer.objectXform[i] = float(m[i]);
    viewer.rotAngle = 20.0f;
    viewer.rotAxis = Vec3{0, 0, 0.5f};
    ApplyRotationStep();
    RotationMatrix(20, 0, 0, 1, r);
    Multiply(r, m, expected); // R x M: about an axis fixed to the screen
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(viewer.objectXform[i], expected[i], 1e-6) << i;
}

TEST_F(Rotation, StillAndDegenerateStepsLeaveTheMatrixBitIdentical)
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
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Step {
        float angle;
        Vec3 axis;
    } steps[] = {
        {0.0f, {0, 0, 0}}, {0.0f, {0, 1, 0}},    {180.0f, {1e-7f, 0, 0}}, {179.9f, {0, 0, 3e-7f}},
        {nan, {0, 1, 0}},  {45.0f, {inf, 0, 0}}, {45.0f, {0, nan, 1}},    {inf, {1, 0, 0}},
    };
    for (const Step& step : steps) {
        viewer.rotAngle = step.angle;
        viewer.rotAxis = step.axis;
        RenderFrame();
        EXPECT_EQ(std::memcmp(before, viewer.objectXform, sizeof before), 0)
            << step.angle << " about " << step.axis.x << "," << step.axis.y << "," << step.axis.z;
    }
}

TEST_F(Rotation, RimToRimDragDoesNotFlipTheMesh)
{
    // Both rim points lie on the equator: an angle near 180 with an axis of about 1e-7.
    viewer.winWidth = viewer.winHeight = 800;
    TrackballStart(1, -2000, 400);
    TrackballMotion(3000, 400);
    EXPECT_GT(viewer.rotAngle, 170.0f);
    float before[16];
    std::memcpy(before, viewer.objectXform, sizeof before);
    RenderFrame();
    EXPECT_EQ(std::memcmp(before, viewer.objectXform, sizeof before), 0);
}

TEST_F(Rotation, HostileCoordinatesAndWindowSizesKeepTheMatrixFinite)
{
    const int sizes[][2] = {{1, 1}, {1, 4000}, {0, 0}, {-5, 7}};
    for (auto [w, h] : sizes) {
        viewer.winWidth = w;
        viewer.winHeight = h;
        TrackballStart(1, -32768, 32767);
        TrackballMotion(32767, -32768);
        RenderFrame();
        TrackballMotion(0, 0);
        RenderFrame();
        TrackballStop(1, 5, 5);
        for (float v : viewer.objectXform) ASSERT_TRUE(std::isfinite(v)) << w << "x" << h;
    }
}

// Left spinning for hours, single-precision products would shear and scale the mesh.
TEST_F(Rotation, RigidAfterAMillionObliqueSteps)
{
    viewer.rotAngle = 7.3f;
    viewer.rotAxis = Vec3{0.31f, -0.57f, 0.76f};
    for (int i = 0; i < 1000000; ++i) ApplyRotationStep();
    const float* m = viewer.objectXform;
    for (int a = 0; a < 3; ++a) {
        for (int b = a; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += double(m[4 * a + k]) * m[4 * b + k];
            EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5) << "columns " << a << ", " << b;
        }
    }
    EXPECT_EQ(m[15], 1.0f);
    EXPECT_EQ(m[12], 0.0f);
}
