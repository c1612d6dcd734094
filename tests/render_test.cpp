#include "tests/gl_environment.h"
#include "viewer/gl.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"

using Render = ViewerTest;

TEST_F(Render, RequestsBeforeAnIdlePassGiveOneFrameAndTheHookLeavesWhenStill)
{
    viewer.spinning = 0;
    RequestRedraw();
    RequestRedraw();
    EXPECT_EQ(RunIdle(10), 1);
    EXPECT_EQ(viewer.idleHook, nullptr);

    // While spinning the hook stays installed and frames follow one another.
    viewer.spinning = 1;
    RequestRedraw();
    EXPECT_EQ(RunIdle(3), 3);
    EXPECT_EQ(viewer.idleHook, IdleRedraw);
}

TEST_F(Render, FrameLeavesLightingDepthAndLineModeOff)
{
    viewer.wireframeOn = 1;
    viewer.fogOn = 1;
    RenderFrame();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);
    for (GLenum capability : {GL_NORMALIZE, GL_CULL_FACE, GL_BLEND, GL_TEXTURE_2D})
        EXPECT_FALSE(glIsEnabled(capability)) << capability;

    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.5f);
    EXPECT_FLOAT_EQ(clear[1], 0.25f);
    EXPECT_FLOAT_EQ(clear[2], 0.25f);

    viewer.fogOn = 0;
    RenderFrame();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.4f);
    EXPECT_FLOAT_EQ(clear[1], 0.2f);
    EXPECT_FLOAT_EQ(clear[2], 0.05f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Render, EmptyMeshDrawsNothingAndLeavesNoError)
{
    const MeshModel empty = {"empty", nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0};
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawMesh(empty);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    auto frame = ReadFrame();
    EXPECT_EQ(PixelAt(frame, 409, 409).r, 0);
}

static bool IsBackground(Rgb p, Rgb background)
{
    return std::abs(p.r - background.r) <= 1 && std::abs(p.g - background.g) <= 1 &&
           std::abs(p.b - background.b) <= 1;
}

// Share of the central square that the mesh covers.
static double MeshCoverage(const std::vector<unsigned char>& frame, Rgb background)
{
    int covered = 0, total = 0;
    for (int y = 250; y < 570; y += 4)
        for (int x = 250; x < 570; x += 4, ++total)
            if (!IsBackground(PixelAt(frame, x, y), background)) ++covered;
    return double(covered) / total;
}

static int DifferingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    int differing = 0;
    for (size_t i = 0; i < a.size(); i += 3)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ++differing;
    return differing;
}

TEST_F(Render, PixelsShowBackgroundMeshWireframeAndFog)
{
    const Rgb plain = {102, 51, 13}, foggy = {128, 64, 64};
    viewer.rotating = 0;
    RenderFrame();
    auto filled = ReadFrame();
    for (auto [x, y] : {std::pair{0, 0}, {818, 0}, {0, 818}, {818, 818}})
        EXPECT_TRUE(IsBackground(PixelAt(filled, x, y), plain)) << x << "," << y;
    EXPECT_GT(MeshCoverage(filled, plain), 0.3);

    KeyCommand('p');
    RenderFrame();
    auto wire = ReadFrame();
    EXPECT_GT(DifferingPixels(filled, wire), 1000);
    KeyCommand('p');
    RenderFrame();
    EXPECT_EQ(DifferingPixels(filled, ReadFrame()), 0); // filled again, exactly as before

    KeyCommand('f');
    RenderFrame();
    auto fogged = ReadFrame();
    EXPECT_TRUE(IsBackground(PixelAt(fogged, 0, 0), foggy));
    // Most of the mesh lies far from the eye's plane and turns to the fog colour.
    EXPECT_GT(DifferingPixels(filled, fogged), 100000);
    EXPECT_GT(MeshCoverage(fogged, foggy), 0.3);
}
