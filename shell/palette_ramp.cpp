// The ramp palette, computed without any platform call (see palette_ramp.h).
#include "shell/palette_ramp.h"

// The ramp never has more than 256 entries, so bits at or above 8 never reach an index; clamping
// there keeps every shift well defined for whatever a driver reports.
static int ChannelLevel(int index, int bits, int shift)
{
    if (bits <= 0 || shift < 0 || shift >= 8) return 0;
    if (bits > 8) bits = 8;
    int mask = (1 << bits) - 1;
    return ((index >> shift) & mask) * 255 / mask;
}

int PaletteRampCount(const PaletteFormat& format)
{
    if (format.colorBits < 1 || format.colorBits > 8) return 0;
    if (format.redBits <= 0 && format.greenBits <= 0 && format.blueBits <= 0) return 0;
    return 1 << format.colorBits;
}

PaletteRgb PaletteRampEntry(const PaletteFormat& format, int index)
{
    PaletteRgb entry;
    entry.red = (unsigned char)ChannelLevel(index, format.redBits, format.redShift);
    entry.green = (unsigned char)ChannelLevel(index, format.greenBits, format.greenShift);
    entry.blue = (unsigned char)ChannelLevel(index, format.blueBits, format.blueShift);
    entry.flags = 0;
    return entry;
}

int PaletteRampFill(const PaletteFormat& format, PaletteRgb* entries, int capacity)
{
    int count = PaletteRampCount(format);
    if (count == 0 || !entries || capacity < count) return 0;
    for (int i = 0; i < count; ++i) entries[i] = PaletteRampEntry(format, i);
    return count;
}
