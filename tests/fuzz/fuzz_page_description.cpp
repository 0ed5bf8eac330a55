// Fuzz target: the page files of `qvhost print` and the PNG images they
// draw. An input that starts with the PNG signature is decoded as an image;
// anything else is read as a page file. A page file that reads gives at
// least one page of graphics objects; one that does not gives no page and
// a fault that names its line (or the resolution).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GGraphic.h"
#include "host/PageDescription.h"
#include "host/PngFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(data, kSignature, 8) == 0) {
    PngImage image;
    std::string why;
    if (DecodePng(data, size, image, &why)) {
      if (image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) __builtin_trap();
    } else if (why.empty() || !image.rgb.empty()) {
      __builtin_trap();
    }
    return 0;
  }
  qvhost::PageDescriptionOptions options;
  // Relative image names lead nowhere.
  options.baseDirectory = "/nonexistent-page-images";
  // Resolutions from the input's length, so that units change with it.
  options.xResolution = size % 3 == 0 ? 600 : size % 3 == 1 ? 300 : 1200;
  options.yResolution = size % 2 == 0 ? 600 : 72;
  std::vector<qvhost::DescribedPage> pages;
  std::string error;
  const bool read =
      qvhost::ParsePageDescription(std::string_view(reinterpret_cast<const char*>(data), size), options, pages, error);
  if (read) {
    if (pages.empty() || !error.empty()) __builtin_trap();
    for (const qvhost::DescribedPage& page : pages)
      for (const GCountedPtr& handle : page.graphics)
        if (dynamic_cast<GGraphic*>(handle.Pointee()) == nullptr) __builtin_trap();
  } else if (!pages.empty() || error.rfind("line ", 0) != 0) {
    __builtin_trap();
  }
  return 0;
}
