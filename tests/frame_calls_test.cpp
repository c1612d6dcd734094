// What one frame asks of OpenGL, counted by the counting GL layer: the mesh goes out once per
// frame in a single glBegin/glEnd with a normal and a vertex per corner, the rest is a small
// fixed overhead, and a frame leaves no GL state behind for whatever is drawn next.
#include <gtest/gtest.h>

#include <cmath>

#include "null/countgl.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

namespace
{

void StartCounted(int width, int height)
{
    ResetViewerState();
    CountGlReset();
    viewer.winWidth = width;
    viewer.winHeight = height;
    InitScene();
    CountGlResetCounters();
}

long long CornerCalls()
{
    return CountGlCalls(CGL_NORMAL3F) + CountGlCalls(CGL_VERTEX3F);
}

} // namespace

TEST(FrameCalls, EachModeSendsEveryCornerOnceInOneBeginEnd)
{
    const long long corners = 3LL * meshModel.faceCount;
    long long overhead[3] = {};
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode == 0 ? "filled" : mode == 1 ? "wireframe" : "fog");
        StartCounted(819, 819);
        viewer.wireframeOn = mode == 1;
        viewer.fogOn = mode == 2;
        RenderFrame();
        EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
        EXPECT_EQ(CountGlCalls(CGL_BEGIN), 1);
        EXPECT_EQ(CountGlCalls(CGL_END), 1);
        EXPECT_EQ(CountGlCalls(CGL_NORMAL3F), corners);
        EXPECT_EQ(CountGlCalls(CGL_VERTEX3F), corners);
        EXPECT_EQ(CountGlCalls(CGL_CLEAR), 1);
        EXPECT_EQ(CountGlCalls(CGL_FLUSH), 1);
        EXPECT_EQ(CountGlCalls(CGL_PRESENT_FRAME), 1);
        overhead[mode] = CountGlTotal() - CornerCalls();
    }
    // Everything else is a small constant that does not grow with the mesh; wireframe costs
    // one extra polygon-mode switch.
    EXPECT_LT(overhead[0], 50);
    EXPECT_EQ(overhead[1], overhead[0] + 1);
    EXPECT_EQ(overhead[2], overhead[0]);
}

TEST(FrameCalls, StillFramesSkipTheRotationRoundTrip)
{
    StartCounted(819, 819);
    RenderFrame();
    EXPECT_EQ(CountGlCalls(CGL_ROTATEF), 1);
    EXPECT_EQ(CountGlCalls(CGL_GET_FLOATV), 1);

    CountGlResetCounters();
    viewer.rotating = 0;
    RenderFrame();
    EXPECT_EQ(CountGlCalls(CGL_ROTATEF), 0);
    EXPECT_EQ(CountGlCalls(CGL_GET_FLOATV), 0);
    EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
}

TEST(FrameCalls, FrameLeavesNoStateBehind)
{
    for (int fog = 0; fog < 2; ++fog)
        for (int wireframe = 0; wireframe < 2; ++wireframe) {
            SCOPED_TRACE(testing::Message() << "fog " << fog << " wireframe " << wireframe);
            StartCounted(640, 480);
            viewer.fogOn = fog;
            viewer.wireframeOn = wireframe;
            RenderFrame();
            RenderFrame();
            EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
            EXPECT_FALSE(CountGlInsideBegin());
            EXPECT_EQ(CountGlPolygonMode(), GLenum(GL_FILL));
            EXPECT_FALSE(CountGlIsEnabled(GL_LIGHTING));
            EXPECT_FALSE(CountGlIsEnabled(GL_DEPTH_TEST));
            EXPECT_EQ(CountGlIsEnabled(GL_FOG), fog == 1);
            EXPECT_EQ(CountGlMatrixMode(), GLenum(GL_MODELVIEW));
            EXPECT_EQ(CountGlStackDepth(GL_MODELVIEW), 1);
            EXPECT_EQ(CountGlStackDepth(GL_PROJECTION), 1);
            // The lights stay fixed to the viewer only while the modelview matrix is the identity.
            const float* m = CountGlTopMatrix(GL_MODELVIEW);
            for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
            for (int light = 0; light < 7; ++light)
                EXPECT_TRUE(CountGlIsEnabled(GL_LIGHT0 + light)) << "light " << light;
        }
}
