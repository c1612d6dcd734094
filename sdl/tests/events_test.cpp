// Event translation and motion merging: the faults that would turn a key into two commands, lose
// a release or reorder a drag.
#include <gtest/gtest.h>

#include <cstring>

#include "sdl/events.h"

static SDL_Event Button(Uint32 type, Uint8 button, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    return event;
}

static SDL_Event Motion(int x, int y)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

static SDL_Event Text(const char* text)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof event.text.text - 1);
    return event;
}

static SDL_Event KeyDown(SDL_Keycode key)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

TEST(TranslateEvent, LeftButtonAndMotionKeepSignedWindowCoordinates)
{
    ShellEvent press = TranslateEvent(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 410, 20));
    EXPECT_EQ(press.message, SHELL_PRESS);
    EXPECT_EQ(press.x, 410);
    EXPECT_EQ(press.y, 20);
    // While the button is held, positions left of, above and beyond the window arrive.
    ShellEvent motion = TranslateEvent(Motion(-35, 1200));
    EXPECT_EQ(motion.message, SHELL_MOTION);
    EXPECT_EQ(motion.x, -35);
    EXPECT_EQ(motion.y, 1200);
    ShellEvent release = TranslateEvent(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, -2, -900));
    EXPECT_EQ(release.message, SHELL_RELEASE);
    EXPECT_EQ(release.x, -2);
    EXPECT_EQ(release.y, -900);
    // Only the left button drags.
    EXPECT_EQ(TranslateEvent(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 5)).message,
              SHELL_NONE);
    EXPECT_EQ(TranslateEvent(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 5, 5)).message,
              SHELL_NONE);
}

TEST(TranslateEvent, PrintableKeysComeOnlyFromTextInputEscOnlyFromItsKey)
{
    // 'f' arrives as a key and then as text: acting on both would toggle fog twice.
    EXPECT_EQ(TranslateEvent(KeyDown(SDLK_f)).message, SHELL_NONE);
    EXPECT_EQ(TranslateEvent(KeyDown(SDLK_p)).message, SHELL_NONE);
    ShellEvent f = TranslateEvent(Text("f"));
    ASSERT_EQ(f.message, SHELL_CHARS);
    ASSERT_EQ(f.count, 1);
    EXPECT_EQ(f.codes[0], 102);
    ShellEvent upper = TranslateEvent(Text("F"));
    ASSERT_EQ(upper.count, 1);
    EXPECT_EQ(upper.codes[0], 70); // not a command: the key table ignores it

    ShellEvent esc = TranslateEvent(KeyDown(SDLK_ESCAPE));
    ASSERT_EQ(esc.message, SHELL_CHARS);
    ASSERT_EQ(esc.count, 1);
    EXPECT_EQ(esc.codes[0], 27);
}

TEST(TranslateEvent, TextIsDecodedAsCharactersNotBytes)
{
    // An input method may commit several characters at once; each one counts.
    ShellEvent both = TranslateEvent(Text("fp"));
    ASSERT_EQ(both.count, 2);
    EXPECT_EQ(both.codes[0], 'f');
    EXPECT_EQ(both.codes[1], 'p');

    ShellEvent accented = TranslateEvent(Text("\xC3\xA4\xE2\x82\xAC")); // U+00E4, U+20AC
    ASSERT_EQ(accented.count, 2);
    EXPECT_EQ(accented.codes[0], 0xE4);
    EXPECT_EQ(accented.codes[1], 0x20AC);

    // Stray continuation bytes and a truncated sequence are dropped, what follows survives.
    int codes[8];
    ASSERT_EQ(DecodeText("\xA4p\xE2\x82j", codes, 8), 2);
    EXPECT_EQ(codes[0], 'p');
    EXPECT_EQ(codes[1], 'j');
    EXPECT_EQ(DecodeText("fpjk", codes, 3), 3); // never writes past the room given
}

// The queue calls run on SDL's real event queue; no window is needed for that.
class EventQueue : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SDL_Quit(); }
    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    static ShellEvent Next()
    {
        SDL_Event event;
        EXPECT_TRUE(EventWait(&event));
        return TranslateEvent(event);
    }
};

TEST_F(EventQueue, PendingMotionIsMergedIntoTheLastPositionButNeverAcrossOtherEvents)
{
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 100, 100));
    Push(Motion(110, 100));
    Push(Motion(120, 105));
    Push(Motion(-30, 140));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, -30, 140));
    Push(Motion(-31, 141));
    Push(Text("f"));
    Push(Motion(50, 60));

    EXPECT_EQ(Next().message, SHELL_PRESS);
    ShellEvent merged = Next();
    EXPECT_EQ(merged.message, SHELL_MOTION);
    EXPECT_EQ(merged.x, -30);
    EXPECT_EQ(merged.y, 140);
    EXPECT_EQ(Next().message, SHELL_RELEASE);
    EXPECT_EQ(Next().x, -31);
    EXPECT_EQ(Next().message, SHELL_CHARS);
    EXPECT_EQ(Next().x, 50);
    EXPECT_FALSE(EventWaiting());
}

TEST_F(EventQueue, WaitingIsAPeekThatRemovesNothing)
{
    EXPECT_FALSE(EventWaiting());
    Push(Text("p"));
    EXPECT_TRUE(EventWaiting());
    EXPECT_TRUE(EventWaiting());
    EXPECT_EQ(Next().message, SHELL_CHARS);
    EXPECT_FALSE(EventWaiting());
}
