// PNG files of the host, through libpng: WritePng writes a picture of the
// stand-in (8-bit RGB) so that a person can look at what a sheet shows;
// ReadPng reads the images that page files draw. A PNG to be read is
// untrusted: its size, its dimensions and its pixel count are bounded
// before anything is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "w32host/Pictures.h"

// False, with the reason, when the file cannot be written.
bool WritePng(const std::string& path, const w32host::Picture& picture, std::string* why);

// An image read: top-down rows of width x 3 bytes, red, green, blue;
// transparency is laid over white.
struct PngImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// The most a PNG read may take: the file's bytes, either side in pixels
// (what a bitmap's 16-bit bounds hold) and the pixels (an A3 page at 600
// dpi and a little more).
constexpr size_t kMaxPngFileBytes = 64u << 20;
constexpr int32_t kMaxPngSide = 32767;
constexpr uint64_t kMaxPngPixels = 72000000;

// Decodes a PNG held in memory. False, with the reason, for anything that
// is not a whole PNG within the limits.
bool DecodePng(const uint8_t* data, size_t size, PngImage& image, std::string* why);
// Reads a regular file of at most kMaxPngFileBytes and decodes it.
bool ReadPng(const std::string& path, PngImage& image, std::string* why);
