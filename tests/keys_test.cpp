#include "tests/gl_environment.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"

using Keys = ViewerTest;

TEST_F(Keys, FogAndWireframeToggleAndRequestARedraw)
{
    EXPECT_EQ(KeyCommand('f'), KEY_CONSUMED);
    EXPECT_EQ(viewer.fogOn, 1);
    EXPECT_EQ(viewer.idleHook, IdleRedraw);
    EXPECT_EQ(KeyCommand('f'), KEY_CONSUMED);
    EXPECT_EQ(viewer.fogOn, 0);
    EXPECT_EQ(KeyCommand('p'), KEY_CONSUMED);
    EXPECT_EQ(viewer.wireframeOn, 1);
}

TEST_F(Keys, UpperCaseAndOtherKeysAreNotCommands)
{
    for (int code : {70, 80, 74, 75, 113, 32, 0, 13, 255, -1}) { // F P J K q space ...
        EXPECT_EQ(KeyCommand(code), KEY_DEFAULT) << code;
    }
    EXPECT_EQ(viewer.fogOn, 0);
    EXPECT_EQ(viewer.wireframeOn, 0);
    EXPECT_EQ(viewer.idleHook, nullptr);
}

TEST_F(Keys, EscapeClosesWithoutARedraw)
{
    EXPECT_EQ(KeyCommand(27), KEY_CLOSE);
    EXPECT_EQ(viewer.idleHook, nullptr);
}

TEST_F(Keys, JAndKStepWithinTheirBounds)
{
    EXPECT_EQ(KeyCommand('j'), KEY_CONSUMED);
    EXPECT_FLOAT_EQ(viewer.keyLevel, 0.6f);
    for (int i = 0; i < 30; ++i) KeyCommand('j');
    EXPECT_EQ(viewer.keyLevel, 1.05f);
    for (int i = 0; i < 40; ++i) KeyCommand('k');
    EXPECT_EQ(viewer.keyLevel, 0.01f);
    EXPECT_EQ(KeyCommand('k'), KEY_CONSUMED);
    EXPECT_EQ(viewer.keyLevel, 0.01f);
    KeyCommand('j');
    EXPECT_NEAR(viewer.keyLevel, 0.06f, 1e-7);
}
