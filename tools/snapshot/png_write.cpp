// PNG output through libpng, its errors turned into one line.
#include "tools/snapshot/png_write.h"

#include <png.h>

// libpng's own handlers print to stderr: the tool reports a failure in one line of its own.
static void PngFailed(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

static void PngWarned(png_structp, png_const_charp) {}

bool PngWrite(FILE* out, int width, int height, const std::vector<unsigned char>& rgb,
              std::string* error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, PngFailed, PngWarned);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "out of memory for the PNG writer";
        return false;
    }
    // libpng reports errors by longjmp; nothing here owns resources that it would skip.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *error = "PNG: " + *error;
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgb[size_t(y) * size_t(width) * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
