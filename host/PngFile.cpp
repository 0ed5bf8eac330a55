#include "host/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

bool WritePng(const std::string& path, const w32host::Picture& picture, std::string* why) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height) {
    *why = "the picture is empty";
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) {
    *why = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    *why = "libpng cannot start";
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(picture.width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    *why = "cannot write " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const COLORREF colour = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      row[x * 3] = static_cast<png_byte>(colour & 0xFF);
      row[x * 3 + 1] = static_cast<png_byte>((colour >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<png_byte>((colour >> 16) & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
