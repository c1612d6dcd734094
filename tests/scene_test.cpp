#include <cmath>
#include <cstdint>
#include <cstring>

#include "tests/gl_environment.h"
#include "viewer/gl.h"
#include "viewer/scene.h"
#include "viewer/state.h"

using Scene = ViewerTest;

TEST_F(Scene, FogIsExp2WithTheExactDensityAndStaysOff)
{
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP2);
    float density = 0;
    glGetFloatv(GL_FOG_DENSITY, &density);
    uint32_t bits;
    std::memcpy(&bits, &density, sizeof bits);
    EXPECT_EQ(bits, 0x3E78D4FFu);
    float color[4];
    glGetFloatv(GL_FOG_COLOR, color);
    EXPECT_FLOAT_EQ(color[0], 0.4f);
    EXPECT_FLOAT_EQ(color[2], 0.5f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(Scene, ProjectionIsOrthographicAndScalesWithTheAspect)
{
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], float(1.0 / 150.5));
    EXPECT_FLOAT_EQ(m[5], float(1.0 / 150.5));
    EXPECT_FLOAT_EQ(m[10], float(-1.0 / 160.0));
    EXPECT_FLOAT_EQ(m[15], 1.0f);
    EXPECT_EQ(m[11], 0.0f); // no perspective
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);

    viewer.winWidth = 800;
    viewer.winHeight = 400;
    SetProjection();
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], float(1.0 / 301.0)); // horizontal extent doubled
    EXPECT_FLOAT_EQ(m[5], float(1.0 / 150.5));

    viewer.winHeight = 0; // never from a real window, but must not poison the matrix
    SetProjection();
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (float v : m) EXPECT_TRUE(std::isfinite(v));
}

TEST_F(Scene, SevenLightsTwoSidedWithLightTwoLeftForTheFrame)
{
    GLint twoSided = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    EXPECT_EQ(twoSided, 1);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(bool(glIsEnabled(GL_LIGHT0 + i)), i != 2) << "light " << i;

    // Positions are taken in eye coordinates: the modelview matrix is the identity here.
    float position[4];
    glGetLightfv(GL_LIGHT6, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[0], -20.0f);
    EXPECT_FLOAT_EQ(position[3], 0.0f);
}

TEST_F(Scene, ObjectMatrixStartsAsTheIdentityWhateverItHeld)
{
    for (float& v : viewer.objectXform) v = 7.0f;
    InitScene();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(viewer.objectXform[i], i % 5 == 0 ? 1.0f : 0.0f);
}
