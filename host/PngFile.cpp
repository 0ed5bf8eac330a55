#include "host/PngFile.h"

#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdint>
#include <string>
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

bool DecodePng(const uint8_t* data, size_t size, PngImage& image, std::string* why) {
  image = PngImage();
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    *why = "not a PNG file";
    return false;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, data, size) == 0) {
    *why = std::string("damaged PNG: ") + png.message;
    png_image_free(&png);
    return false;
  }
  const uint64_t pixels = static_cast<uint64_t>(png.width) * png.height;
  if (png.width == 0 || png.height == 0 || png.width > static_cast<uint32_t>(kMaxPngSide) ||
      png.height > static_cast<uint32_t>(kMaxPngSide) || pixels > kMaxPngPixels) {
    *why = "PNG of " + std::to_string(png.width) + " x " + std::to_string(png.height) +
           " pixels is larger than the host reads (" + std::to_string(kMaxPngSide) + " a side, " +
           std::to_string(kMaxPngPixels) + " pixels)";
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(static_cast<size_t>(pixels) * 3);
  png_color white{255, 255, 255};
  // The read frees libpng's state whether it succeeds or not.
  if (png_image_finish_read(&png, &white, rgb.data(), 0, nullptr) == 0) {
    *why = std::string("damaged PNG: ") + png.message;
    png_image_free(&png);
    return false;
  }
  image.width = static_cast<int32_t>(png.width);
  image.height = static_cast<int32_t>(png.height);
  image.rgb = std::move(rgb);
  return true;
}

bool ReadPng(const std::string& path, PngImage& image, std::string* why) {
  image = PngImage();
  const std::string tooLarge = path + " is larger than " + std::to_string(kMaxPngFileBytes >> 20) + " MB";
  // Only a regular file: a device or a pipe could give endless bytes or
  // none at all.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    *why = "cannot read " + path;
    return false;
  }
  if (static_cast<uint64_t>(status.st_size) > kMaxPngFileBytes) {
    *why = tooLarge;
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    *why = "cannot read " + path;
    return false;
  }
  // Read up to one byte more than the limit, so a file that grew since is
  // seen as too large rather than cut.
  std::vector<uint8_t> bytes(static_cast<size_t>(status.st_size) + 1);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (got > kMaxPngFileBytes) {
    *why = tooLarge;
    return false;
  }
  if (!DecodePng(bytes.data(), got, image, why)) {
    *why = path + ": " + *why;
    return false;
  }
  return true;
}
