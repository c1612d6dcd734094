// Event scripts of the snapshot tool: every event kind read, bad ones refused with a reason, and
// Esc ending the play as closing the window would.
#include "tests/gl_environment.h"
#include "tools/snapshot/script.h"
#include "viewer/render.h"
#include "viewer/state.h"

TEST(ScriptParse, ReadsEveryEventKindAndRefusesBadOnesWithAReason)
{
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ScriptParse(" press -3 32767; move 1 2 ;release 4 5;key f;key esc;paint;idle 0;"
                            "rpress 1 2; rrelease 3 4; wheel -100 5 6",
                            &events, &error))
        << error;
    EXPECT_EQ(events.size(), 10u);
    const char* bad[] = {
        "jump 1 2",      "press 1",   "press 1 2 3", "move 1 2x",   "press 40000 0",
        "idle -1",       "key ff",    "paint 3",     "idle 100001", "idle 99999999999999",
        "wheel 101 0 0", "wheel 1 2", "rpress 1"};
    for (const char* script : bad) {
        EXPECT_FALSE(ScriptParse(script, &events, &error)) << script;
        EXPECT_FALSE(error.empty()) << script;
        EXPECT_EQ(error.find('\n'), std::string::npos) << script;
    }
}

using ScriptPlayback = ViewerTest;

TEST_F(ScriptPlayback, EscapeEndsThePlayAsClosingTheWindowWould)
{
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ScriptParse("paint; key esc; key f; idle 5", &events, &error));
    EXPECT_TRUE(ScriptPlay(events));
    EXPECT_EQ(viewer.idleHook, nullptr);
    EXPECT_EQ(viewer.fogOn, 0);
}
