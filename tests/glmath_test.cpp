// The counting layer's matrix arithmetic against the driver's: the null platform stands in for
// the driver in the core's tests, fuzzer and benchmark, so its rotations, products and boxes
// must be the driver's, up to rounding.
#include <algorithm>

#include "null/glmath.h"
#include "tests/gl_environment.h"
#include "viewer/gl.h"

static void ExpectSameMatrix(const float* driver, const float* ours, double tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(driver[i], ours[i], tolerance) << "element " << i;
}

using CountedMatrices = ViewerTest;

TEST_F(CountedMatrices, FollowTheDriver)
{
    float ours[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, driver[16], step[16];
    // The start-up step, oblique ones, one near 180 degrees (angle, axis), each applied after
    // what came before, as frames apply them.
    const float steps[][4] = {
        {2.0f, 0, 0.2f, 0}, {37.0f, 0.3f, -0.8f, 0.1f}, {179.9f, 0.01f, 1, 0.5f}, {0.7f, -1, 1, 1}};
    glMatrixMode(GL_MODELVIEW);
    for (const auto& s : steps)
        for (int frame = 0; frame < 3; ++frame) {
            glPushMatrix();
            glLoadIdentity();
            glRotatef(s[0], s[1], s[2], s[3]);
            glMultMatrixf(ours);
            glGetFloatv(GL_MODELVIEW_MATRIX, driver);
            glPopMatrix();
            ASSERT_TRUE(GlMathRotation(s[0], s[1], s[2], s[3], step));
            GlMathMultiply(step, ours);
            std::copy(step, step + 16, ours);
            ExpectSameMatrix(driver, ours, 2e-6);
        }
    EXPECT_FALSE(GlMathRotation(45, 0, 0, 0, step));
    // The projection of a window wider than high.
    float box[16];
    ASSERT_TRUE(GlMathOrtho(-200.0, 200.0, -150.5, 150.5, -160.0, 160.0, box));
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-200.0, 200.0, -150.5, 150.5, -160.0, 160.0);
    glGetFloatv(GL_PROJECTION_MATRIX, driver);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    ExpectSameMatrix(driver, box, 1e-7);
}
