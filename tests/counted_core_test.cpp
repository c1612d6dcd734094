// The counting GL layer stands in for the driver in the fuzzer, the core-cost benchmark and the
// call counts below, so its matrix arithmetic must be the driver's: the same core runs here on
// the headless Mesa context and, renamed, on the counting layer.
#include <gtest/gtest.h>

#include <string>

#include "headless/headless.h"
#include "null/counted_core.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/startup.h"

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

// A model file replaces the mesh drawn, corner for corner, and nothing else: the turn, spin, fog
// and wireframe stay, and a frame is asked for. A file that cannot be read changes nothing.
TEST(CountedCore, AnOpenedFileIsDrawnInsteadAndTheStateStays)
{
    StartCounted(640, 480);
    CountedViewer.fogOn = CountedViewer.wireframeOn = 1;
    CountedViewer.rotAngle = 7.0f;
    CountedViewer.objectXform[1] = 0.5f;
    std::string error, title = kWindowTitleUtf8;
    ASSERT_TRUE(CountedViewerOpenFile(TEST_MODELS "/cube.ply", &error)) << error;
    EXPECT_FALSE(CountedViewerOpenFile(TEST_MODELS "/none.obj", &error));
    EXPECT_EQ(error, "cannot open " TEST_MODELS "/none.obj: No such file or directory");
    EXPECT_EQ(CountedViewerTitle(), "cube.ply -" + title);
    const ViewerState& v = CountedViewer;
    EXPECT_EQ(v.fogOn + v.wireframeOn + v.rotating + v.spinning, 4);
    EXPECT_EQ(v.rotAngle + v.objectXform[1], 7.5f);
    EXPECT_NE(v.idleHook, nullptr);
    CountedRenderFrame();
    EXPECT_EQ(CountGlCalls(CGL_VERTEX3F), 36); // the cube's 12 triangles
    CountedResetViewerState();
    EXPECT_EQ(CountedViewerTitle(), title);
}
