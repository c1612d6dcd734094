// The counting GL layer stands in for the driver in the fuzzer, the core-cost benchmark and the
// call-count tests, so its matrix arithmetic must be the driver's. The same core runs twice in
// this process, once on the headless Mesa context and once (renamed, see
// null/counted_names.h) on the counting layer, fed the same events; the object matrix
// and the projection must agree after every frame.
#include <gtest/gtest.h>

#include <string>

#include "headless/headless.h"
#include "null/countgl.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

// The renamed copy of the core.
extern ViewerState countedViewer;
void CountedResetViewerState();
void CountedInitScene();
void CountedIdleRedraw();
void CountedRequestRedraw();
void CountedTrackballStart(int button, int x, int y);
void CountedTrackballMotion(int x, int y);
void CountedTrackballStop(int button, int x, int y);

namespace
{

struct Step {
    char op; // p press, m move, r release, i idle
    int x, y;
};

void Play(const Step& s)
{
    switch (s.op) {
    case 'p':
        TrackballStart(1, s.x, s.y);
        CountedTrackballStart(1, s.x, s.y);
        break;
    case 'm':
        TrackballMotion(s.x, s.y);
        CountedTrackballMotion(s.x, s.y);
        break;
    case 'r':
        TrackballStop(1, s.x, s.y);
        CountedTrackballStop(1, s.x, s.y);
        break;
    default:
        if (viewer.idleHook) viewer.idleHook();
        if (countedViewer.idleHook) countedViewer.idleHook();
        break;
    }
}

void ExpectSameMatrix(const float* driver, const float* counted, double tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(driver[i], counted[i], tolerance) << "element " << i;
}

} // namespace

TEST(CountedCore, MatricesFollowTheDriver)
{
    const int sizes[2][2] = {{819, 819}, {640, 480}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
        std::string error;
        ASSERT_TRUE(HeadlessOpen(size[0], size[1], &error)) << error;
        ResetViewerState();
        CountedResetViewerState();
        CountGlReset();
        viewer.winWidth = countedViewer.winWidth = size[0];
        viewer.winHeight = countedViewer.winHeight = size[1];
        InitScene();
        CountedInitScene();
        RequestRedraw();
        CountedRequestRedraw();

        float projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        ExpectSameMatrix(projection, CountGlTopMatrix(GL_PROJECTION), 1e-7);

        // Start-up spin, an oblique drag that leaves it spinning, one beyond the rim, a click.
        const Step steps[] = {{'i', 0, 0},     {'i', 0, 0},     {'p', 400, 400}, {'m', 460, 430},
                              {'i', 0, 0},     {'m', 530, 300}, {'i', 0, 0},     {'r', 540, 290},
                              {'i', 0, 0},     {'i', 0, 0},     {'i', 0, 0},     {'p', 10, 700},
                              {'m', -200, 40}, {'i', 0, 0},     {'m', 900, 900}, {'i', 0, 0},
                              {'r', 910, 905}, {'i', 0, 0},     {'i', 0, 0},     {'p', 50, 50},
                              {'r', 50, 50},   {'i', 0, 0}};
        for (const Step& s : steps) {
            Play(s);
            ExpectSameMatrix(viewer.objectXform, countedViewer.objectXform, 2e-6);
        }
        EXPECT_GE(HeadlessFramesPresented(), 12);
        EXPECT_EQ(CountGlCalls(CGL_PRESENT_FRAME), HeadlessFramesPresented());
        EXPECT_EQ(CountGlMisuses(), 0) << CountGlFirstMisuse();
        HeadlessClose();
    }
}
