// The colour ramp of the logical palette that palette displays get: pure arithmetic on the
// channel layout of a pixel format, free of any platform header so that it can be tested anywhere.
#pragma once

// The parts of a pixel-format descriptor that the ramp reads.
struct PaletteFormat {
    int colorBits;
    int redBits, redShift;
    int greenBits, greenShift;
    int blueBits, blueShift;
};

// One palette entry; the same four bytes in the same order as a Win32 PALETTEENTRY.
struct PaletteRgb {
    unsigned char red, green, blue, flags;
};

// Entries in the ramp of this format: 2^colorBits for 1 to 8 colour bits with at least one
// colour channel; 0 (no palette) otherwise. A colour-index format has no channel bits to ramp,
// and formats with more bits need more entries than a palette can sensibly hold.
int PaletteRampCount(const PaletteFormat& format);

// Entry `index` of the ramp: each channel a linear ramp from 0 to 255 over its bits; a channel
// without bits stays 0.
PaletteRgb PaletteRampEntry(const PaletteFormat& format, int index);

// Writes the whole ramp to entries and returns its count. Writes nothing and returns 0 when the
// format gets no palette, when entries is null (its block could not be allocated) or when
// capacity is too small.
int PaletteRampFill(const PaletteFormat& format, PaletteRgb* entries, int capacity);
