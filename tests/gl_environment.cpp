// The one headless context of a test program, and each test's fresh viewer on it.
#include "tests/gl_environment.h"

#include <string>

#include "headless/headless.h"
#include "viewer/gl.h"
#include "viewer/scene.h"
#include "viewer/state.h"

namespace
{
// The context is opened once; its fresh state is saved on the attribute stack right away and
// given back to every test, so that no test sees what an earlier one left enabled.
struct HeadlessEnvironment : ::testing::Environment {
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(HeadlessOpen(kTestSize, kTestSize, &error)) << error;
        glPushAttrib(GL_ALL_ATTRIB_BITS);
    }
    void TearDown() override { HeadlessClose(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new HeadlessEnvironment);
} // namespace

void ViewerTest::SetUp()
{
    glPopAttrib();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    ResetViewerState();
    viewer.winWidth = kTestSize;
    viewer.winHeight = kTestSize;
    InitScene();
}

std::vector<unsigned char> ReadFrame()
{
    return HeadlessReadPixels(kTestSize, kTestSize);
}

Rgb PixelAt(const std::vector<unsigned char>& frame, int x, int y)
{
    const unsigned char* p = &frame[(size_t(y) * kTestSize + size_t(x)) * 3];
    return Rgb{p[0], p[1], p[2]};
}

int RunIdle(int passes)
{
    int before = HeadlessFramesPresented();
    for (int i = 0; i < passes && viewer.idleHook; ++i) viewer.idleHook();
    return HeadlessFramesPresented() - before;
}
