#include <gtest/gtest.h>

#include <vector>

#include "shell/palette_ramp.h"

namespace
{

const PaletteFormat rgb332 = {8, 3, 0, 3, 3, 2, 6};

void ExpectEntry(const PaletteRgb& entry, int red, int green, int blue)
{
    EXPECT_EQ(entry.red, red);
    EXPECT_EQ(entry.green, green);
    EXPECT_EQ(entry.blue, blue);
    EXPECT_EQ(entry.flags, 0);
}

TEST(PaletteRamp, ThreeThreeTwoFormatIsTheColourCube)
{
    std::vector<PaletteRgb> entries(257);
    ASSERT_EQ(PaletteRampFill(rgb332, entries.data(), 257), 256);
    ExpectEntry(entries[0], 0, 0, 0);
    ExpectEntry(entries[7], 255, 0, 0);
    ExpectEntry(entries[7 << 3], 0, 255, 0);
    ExpectEntry(entries[3 << 6], 0, 0, 255);
    ExpectEntry(entries[255], 255, 255, 255);
    // Each channel is a linear ramp; the division truncates.
    ExpectEntry(entries[1], 36, 0, 0);
    ExpectEntry(entries[2 << 3], 0, 72, 0);
    ExpectEntry(entries[1 << 6], 0, 0, 85);
    for (int i = 0; i < 256; ++i) {
        PaletteRgb expected = PaletteRampEntry(rgb332, i);
        EXPECT_EQ(entries[i].red, expected.red) << i;
        EXPECT_EQ(entries[i].blue, expected.blue) << i;
    }
}

TEST(PaletteRamp, SmallFormatsGetSmallPalettes)
{
    PaletteFormat rgb121 = {4, 1, 0, 2, 1, 1, 3};
    EXPECT_EQ(PaletteRampCount(rgb121), 16);
    ExpectEntry(PaletteRampEntry(rgb121, 0b1111), 255, 255, 255);
    ExpectEntry(PaletteRampEntry(rgb121, 0b0010), 0, 85, 0);
}

TEST(PaletteRamp, FormatsWithoutARampGetNoPalette)
{
    PaletteFormat colourIndex = {8, 0, 0, 0, 0, 0, 0};
    PaletteFormat rgb565 = {16, 5, 11, 6, 5, 5, 0};
    PaletteFormat trueColour = {24, 8, 16, 8, 8, 8, 0};
    PaletteFormat wide = {32, 8, 16, 8, 8, 8, 0};
    PaletteFormat nineBits = {9, 3, 0, 3, 3, 3, 6};
    PaletteFormat noBits = {0, 3, 0, 3, 3, 2, 6};
    for (const PaletteFormat& format : {colourIndex, rgb565, trueColour, wide, nineBits, noBits}) {
        EXPECT_EQ(PaletteRampCount(format), 0) << format.colorBits;
        PaletteRgb sentinel = {1, 2, 3, 4};
        std::vector<PaletteRgb> entries(1024, sentinel);
        EXPECT_EQ(PaletteRampFill(format, entries.data(), 1024), 0);
        EXPECT_EQ(entries[0].red, 1);
        EXPECT_EQ(entries[0].flags, 4);
    }
}

TEST(PaletteRamp, MissingOrShortBlockIsLeftAlone)
{
    EXPECT_EQ(PaletteRampFill(rgb332, nullptr, 257), 0);
    std::vector<PaletteRgb> entries(255, PaletteRgb{9, 9, 9, 9});
    EXPECT_EQ(PaletteRampFill(rgb332, entries.data(), 255), 0);
    EXPECT_EQ(entries[0].red, 9);
}

TEST(PaletteRamp, OddChannelLayoutsStayInRange)
{
    // A channel without bits stays black instead of dividing by zero; shifts and widths beyond
    // the index bits are clamped rather than shifting past the integer.
    PaletteFormat noBlue = {6, 3, 0, 3, 3, 0, 6};
    EXPECT_EQ(PaletteRampCount(noBlue), 64);
    ExpectEntry(PaletteRampEntry(noBlue, 63), 255, 255, 0);

    PaletteFormat odd = {8, 200, 0, 3, 250, 2, -3};
    EXPECT_EQ(PaletteRampCount(odd), 256);
    ExpectEntry(PaletteRampEntry(odd, 255), 255, 0, 0);
    ExpectEntry(PaletteRampEntry(odd, 0x80), 128, 0, 0);
}

} // namespace
