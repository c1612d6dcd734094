// File names and shown text: the one separator rule, extensions, UTF-8 and UTF-16 both ways
// (what Windows' names go through) and what a message may show of a name from elsewhere.
#include <gtest/gtest.h>

#include "loader/path.h"
#include "loader/shown.h"

TEST(Path, NamesFoldersAndExtensionsByTheOneSeparatorRule)
{
    EXPECT_EQ(PathBaseName("a/b.c/model.OBJ"), "model.OBJ");
    EXPECT_EQ(PathExtension("a/b.c/model.OBJ"), "obj");
    EXPECT_EQ(PathExtension("a/b.c/model"), ""); // a dot in a folder is no extension
    EXPECT_EQ(PathExtension(".hidden"), "hidden");
    EXPECT_EQ(PathFolder("model.ply"), ".");
    EXPECT_EQ(PathFolder("/model.ply"), "/");
    EXPECT_EQ(PathFolder("x/y/model.ply"), "x/y");
    // A backslash separates folders on Windows only; on Linux it may be part of a name.
#ifdef _WIN32
    EXPECT_EQ(PathBaseName("two words\\m.obj"), "m.obj");
#else
    EXPECT_EQ(PathBaseName("two words\\m.obj"), "two words\\m.obj");
#endif
}

TEST(Path, Utf16RoundTripsEveryCharacterAndReplacesWhatIsNoCharacter)
{
    const std::string text = "m\xC3\xB6"
                             "del \xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.obj";
    std::u16string wide = Utf16FromUtf8(text);
    EXPECT_EQ(wide, u"m\u00f6del \u03a9 \u20ac \U0001F600.obj");
    EXPECT_EQ(Utf8FromUtf16(wide), text);
    // A stray continuation byte, a cut sequence, an overlong '/', an encoded surrogate.
    EXPECT_EQ(Utf16FromUtf8("a\x80"
                            "b\xE2\x82"),
              u"a\ufffdb\ufffd");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\ufffd\ufffd");
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\ufffd");
    EXPECT_EQ(Utf8FromUtf16(u"a\xD800"
                            "b"),
              "a\xEF\xBF\xBD"
              "b"); // a lone surrogate
}

TEST(ShownText, EscapesWhatCouldForgeALineOrTurnTheTextAndShortensTheMiddle)
{
    EXPECT_EQ(ShownText("m\xC3\xB6"
                        "del.obj"),
              "m\xC3\xB6"
              "del.obj");
    EXPECT_EQ(ShownText("a\nFORGED\t\x1b[2J"), "a\\nFORGED\\t\\x1b[2J");
    EXPECT_EQ(ShownText("x\xE2\x80\xAEjbo.exe"), "x\\u202ejbo.exe"); // right-to-left override
    EXPECT_EQ(ShownText("\xC2\x85\xFF"), "\\u0085\xEF\xBF\xBD");     // C1 control, not UTF-8
    std::string shown = ShownText(std::string(150, 'a') + "\n" + std::string(150, 'b') + ".obj");
    EXPECT_EQ(shown.size(), kShownLength);
    EXPECT_EQ(shown.substr(0, 3), "aaa");
    EXPECT_EQ(shown.substr(shown.size() - 7), "bbb.obj");
    EXPECT_NE(shown.find("..."), std::string::npos);
    // A text of megabytes is shown by its ends, each cut where a character starts.
    auto times = [](const std::string& piece, size_t n) {
        std::string text;
        for (size_t i = 0; i < n; ++i) text += piece;
        return text;
    };
    const std::string euro = "\xE2\x82\xAC";
    EXPECT_EQ(ShownText(times(euro, 1 << 20) + "\n" + times(euro, 1 << 20)),
              times(euro, 98) + "..." + times(euro, 99));
    // Right-to-left letters are isolated, so that they cannot turn the text around them.
    const std::string hebrew = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D.obj";
    EXPECT_EQ(ShownText(hebrew), "\xE2\x81\xA8" + hebrew + "\xE2\x81\xA9");
    EXPECT_EQ(ShownEscaped(std::string(300, 'x') + "\n"), std::string(300, 'x') + "\\n");
}
