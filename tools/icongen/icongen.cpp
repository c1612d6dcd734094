// Writes the program icon: a 32 x 32 shaded trackball with a spiral groove, as one .ico file
// holding a 16-colour and a 256-colour image. Usage: trackview-icongen OUT.ico
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/icongen/design.h"

namespace
{

const int size = 32;

struct Rgb {
    uint8_t r, g, b;
};

IconSample SampleDesign(int x, int y)
{
    return IconSampleDesign((x + 0.5 - size / 2.0) / 15.0, (size / 2.0 - y - 0.5) / 15.0);
}

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Palettes: index 0 is black; then a purple ramp for the ball and a yellow ramp for the spiral.
std::vector<Rgb> MakePalette(int colours)
{
    std::vector<Rgb> palette(colours, Rgb{0, 0, 0});
    int half = (colours - 1) / 2;
    for (int i = 0; i < half; ++i) {
        double t = (i + 1.0) / half;
        palette[1 + i] = {uint8_t(180 * t), uint8_t(30 * t), uint8_t(200 * t)};
        palette[1 + half + i] = {uint8_t(255 * t), uint8_t(215 * t), uint8_t(40 * t)};
    }
    return palette;
}

int PaletteIndex(const IconSample& s, int colours)
{
    if (!s.inside) return 0;
    int half = (colours - 1) / 2;
    int level = int(s.shade * half + 0.5);
    if (level < 1) level = 1;
    if (level > half) level = half;
    return s.spiral ? half + level : level;
}

// One icon image: BITMAPINFOHEADER (double height for the AND mask), palette, colour rows
// bottom-up, then the 1-bit transparency mask.
std::vector<uint8_t> MakeImage(int bits)
{
    int colours = 1 << bits;
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size * 2);
    Put16(out, 1);
    Put16(out, bits);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (const Rgb& c : MakePalette(colours)) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; x += 8 / bits) {
            uint8_t byte = 0;
            for (int k = 0; k < 8 / bits; ++k)
                byte |=
                    uint8_t(PaletteIndex(SampleDesign(x + k, y), colours) << (8 - bits * (k + 1)));
            out.push_back(byte);
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; x += 8) {
            uint8_t byte = 0;
            for (int k = 0; k < 8; ++k)
                if (!SampleDesign(x + k, y).inside) byte |= uint8_t(0x80 >> k);
            out.push_back(byte);
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: trackview-icongen OUT.ico\n");
        return 2;
    }
    std::vector<uint8_t> images[2] = {MakeImage(4), MakeImage(8)};
    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1); // icon
    Put16(file, 2);
    unsigned offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        file.push_back(size);
        file.push_back(size);
        file.push_back(i == 0 ? 16 : 0); // colour count; 0 means 256 or more
        file.push_back(0);
        Put16(file, 1);
        Put16(file, i == 0 ? 4 : 8);
        Put32(file, unsigned(images[i].size()));
        Put32(file, offset);
        offset += unsigned(images[i].size());
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
