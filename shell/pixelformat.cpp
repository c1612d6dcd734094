// Win32 pixel format and palette set-up. Lacks: any choice among formats beyond what
// ChoosePixelFormat offers, and palettes for colour-index or deep formats (see palette_ramp.h).
#include "shell/pixelformat.h"

#include <cstddef>
#include <cstdlib>

#include "shell/host.h"
#include "shell/palette_ramp.h"
#include "viewer/state.h"

static_assert(sizeof(PaletteRgb) == sizeof(PALETTEENTRY), "ramp entries fill a LOGPALETTE");
static_assert(offsetof(PaletteRgb, red) == offsetof(PALETTEENTRY, peRed), "same layout");
static_assert(offsetof(PaletteRgb, blue) == offsetof(PALETTEENTRY, peBlue), "same layout");
static_assert(offsetof(PaletteRgb, flags) == offsetof(PALETTEENTRY, peFlags), "same layout");

void SetupPixelFormat(HDC hdc)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 8;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;

    int format = ChoosePixelFormat(hdc, &pfd);
    if (format == 0) ExitWithError(WindowFromDC(hdc), "ChoosePixelFormat failed\n");
    if (SetPixelFormat(hdc, format, &pfd) != TRUE)
        ExitWithError(WindowFromDC(hdc), "SetPixelFormat failed");
}

void SetupPalette(HDC hdc)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    DescribePixelFormat(hdc, GetPixelFormat(hdc), sizeof(PIXELFORMATDESCRIPTOR), &pfd);
    if (!(pfd.dwFlags & PFD_NEED_PALETTE) && pfd.iPixelType != PFD_TYPE_COLORINDEX) return;

    PaletteFormat format = {pfd.cColorBits,  pfd.cRedBits,  pfd.cRedShift, pfd.cGreenBits,
                            pfd.cGreenShift, pfd.cBlueBits, pfd.cBlueShift};
    int count = PaletteRampCount(format);
    if (count == 0) return;

    // The header holds one entry already; one spare keeps the block generous.
    auto* block = static_cast<LOGPALETTE*>(
        std::malloc(sizeof(LOGPALETTE) + size_t(count) * sizeof(PALETTEENTRY)));
    PaletteRgb* entries = block ? reinterpret_cast<PaletteRgb*>(block->palPalEntry) : nullptr;
    if (PaletteRampFill(format, entries, count + 1) == 0) {
        std::free(block);
        return;
    }
    block->palVersion = 0x300;
    block->palNumEntries = WORD(count);
    viewer.hpalette = CreatePalette(block);
    std::free(block);

    if (viewer.hpalette) {
        SelectPalette(hdc, (HPALETTE)viewer.hpalette, FALSE);
        RealizePalette(hdc);
    }
}
