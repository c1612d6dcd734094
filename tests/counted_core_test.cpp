// The counting GL layer stands in for the driver in the fuzzer, the core-cost benchmark and the
// call counts below, so its matrix arithmetic must be the driver's: the same core runs here on
// the headless Mesa context and, renamed, on the counting layer.
#include <gtest/gtest.h>

#include <string>

#include "headless/headless.h"
#include "null/counted_core.h"
#include "viewer/render.h"
#include "viewer/scene.h"

static void StartCounted(int width, int height)
{
    CountedResetViewerState();
    CountGlReset();
    CountedViewer.winWidth = width;
    CountedViewer.winHeight = height;
    CountedInitScene();
    CountGlResetCounters();
}

static void ExpectSameMatrix(const float* driver, const float* counted, double tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(driver[i], counted[i], tolerance) << "element " << i;
}

TEST(CountedCore, MatricesFollowTheDriver)
{
    const int width = 640, height = 480;
    std::string error;
    ASSERT_TRUE(HeadlessOpen(width, height, &error)) << error;
    ResetViewerState();
    viewer.winWidth = width;
    viewer.winHeight = height;
    InitScene();
    StartCounted(width, height);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    ExpectSameMatrix(projection, CountGlTopMatrix(GL_PROJECTION), 1e-7);
    EXPECT_FLOAT_EQ(projection[5] / projection[0], 640.0f / 480.0f); // the mesh keeps its shape
    // The start-up step, oblique ones, one near 180 degrees (angle, axis), three frames each.
    const float steps[][4] = {
        {2.0f, 0, 0.2f, 0}, {37.0f, 0.3f, -0.8f, 0.1f}, {179.9f, 0.01f, 1, 0.5f}, {0.7f, -1, 1, 1}};
    for (const auto& s : steps)
        for (int frame = 0; frame < 3; ++frame) {
            viewer.rotAngle = CountedViewer.rotAngle = s[0];
            viewer.rotAxis = CountedViewer.rotAxis = Vec3{s[1], s[2], s[3]};
            RenderFrame();
            CountedRenderFrame();
            ExpectSameMatrix(viewer.objectXform, CountedViewer.objectXform, 2e-6);
        }
    EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
    HeadlessClose();
}

// Every corner goes out once per frame in a single glBegin/glEnd with a normal and a vertex; the
// rest is a small overhead that does not grow with the mesh.
TEST(CountedCore, FramesSendEveryCornerOnceInOneBeginEnd)
{
    const long long corners = 3LL * meshModel.faceCount;
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(testing::Message() << "fog " << mode / 2 << ", wireframe " << mode % 2);
        StartCounted(640, 480);
        CountedViewer.fogOn = mode / 2;
        CountedViewer.wireframeOn = mode % 2;
        CountedRenderFrame();
        EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
        EXPECT_EQ(CountGlCalls(CGL_BEGIN) + CountGlCalls(CGL_END), 2);
        EXPECT_EQ(CountGlCalls(CGL_NORMAL3F), corners);
        EXPECT_EQ(CountGlCalls(CGL_VERTEX3F), corners);
        EXPECT_LT(CountGlTotal() - 2 * corners, 50);
    }
}
