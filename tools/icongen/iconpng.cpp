// Writes the program icon as antialiased RGBA PNGs for desktops, in the freedesktop.org icon
// theme layout: DIR/NxN/apps/trackview.png for each size. Usage: trackview-iconpng DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <png.h>

#include "tools/icongen/design.h"

namespace
{

const int sizes[] = {16, 32, 48, 64, 128, 256};
const int grid = 4; // samples per pixel along each axis

// One pixel: the average of grid x grid samples; alpha is the covered fraction.
void ShadePixel(int x, int y, int size, unsigned char* rgba)
{
    double sum[3] = {0, 0, 0};
    int covered = 0;
    for (int j = 0; j < grid; ++j)
        for (int i = 0; i < grid; ++i) {
            double px = x + (i + 0.5) / grid, py = y + (j + 0.5) / grid;
            double scale = 2 * iconHalfWidth / size;
            IconSample s = IconSampleDesign((px - size / 2.0) * scale, (size / 2.0 - py) * scale);
            if (!s.inside) continue;
            ++covered;
            const double purple[3] = {180, 30, 200}, yellow[3] = {255, 215, 40};
            for (int c = 0; c < 3; ++c) sum[c] += s.shade * (s.spiral ? yellow[c] : purple[c]);
        }
    for (int c = 0; c < 3; ++c) rgba[c] = covered ? (unsigned char)(sum[c] / covered + 0.5) : 0;
    rgba[3] = (unsigned char)(255.0 * covered / (grid * grid) + 0.5);
}

bool WritePng(const std::string& path, int size)
{
    std::vector<unsigned char> rows(size_t(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) ShadePixel(x, y, size, &rows[(size_t(y) * size + x) * 4]);

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, out);
        png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < size; ++y) png_write_row(png, &rows[size_t(y) * size * 4]);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: trackview-iconpng DIR\n");
        return 2;
    }
    for (int size : sizes) {
        std::string dir = std::string(argv[1]) + "/" + std::to_string(size) + "x" +
                          std::to_string(size) + "/apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        std::string path = dir + "/trackview.png";
        if (error || !WritePng(path, size)) {
            std::fprintf(stderr, "trackview-iconpng: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
