// Pages for `qvhost print`: a small text format with one drawing call a
// line (page size and orientation, pen, brush and colour, rectangle,
// ellipse, polyline, polygon, Bezier, clip, text, image), turned into the
// graphics library's objects in device coordinates at the job's resolution.
// The print command sends each page's graphics, in order, through the
// printer peripheral. The format is described in docs/PAGE-FORMAT.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/GCountedPtr.h"

namespace qvhost {

struct PageDescriptionOptions {
  // Dots per inch of the job: the page file's units become device dots.
  int32_t xResolution = 600;
  int32_t yResolution = 600;
  // Where relative image file names are looked up.
  std::string baseDirectory;
};

// A text run as the page file gives it; the page's graphics hold it as a
// text graphic in drawing order too.
struct PageText {
  int32_t x = 0;
  int32_t y = 0;
  std::string font;
  double points = 0;
  std::string utf8;
};

struct DescribedPage {
  // Paper name as the page file gives it ("Letter", "A4"); empty: the job's.
  std::string paper;
  // 0: the job's orientation, 1 portrait, 2 landscape.
  int orientation = 0;
  // The page's graphics in drawing order, each a GGraphic held by a handle.
  std::vector<GCountedPtr> graphics;
  std::vector<PageText> texts;
};

// Parses a page file's text. On failure returns false, leaves `pages` empty
// and sets `error` to a message that names the line ("line N: ...").
bool ParsePageDescription(std::string_view text, const PageDescriptionOptions& options,
                          std::vector<DescribedPage>& pages, std::string& error);

// Reads and parses a page file; image names are looked up beside it unless
// options.baseDirectory says otherwise.
bool LoadPageDescriptionFile(const std::string& path, const PageDescriptionOptions& options,
                             std::vector<DescribedPage>& pages, std::string& error);

// The built-in reference page of `--sample`: text, vectors and a
// photo-like image at the job's resolution.
std::vector<DescribedPage> SamplePages(const PageDescriptionOptions& options);

}  // namespace qvhost
