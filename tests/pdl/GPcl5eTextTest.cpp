// The PCL 5e generator's text: printer-resident fonts selected by their
// command text, TrueType faces downloaded as soft fonts glyph by glyph,
// bitmap soft fonts, GL/2 labels for characters the page edge cuts, and the
// handling answers. Rendered pages are judged by the independent PCL
// interpreter; the soft fonts' bytes by fontTools where a font file can say
// what a glyph is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPcl5eDownloadRecord.h"
#include "support/FontTestClasses.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"
#include "support/TestFontReader.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

constexpr const char* kSansPath = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr int kTextDpi = 150;

// A face handle whose face has TrueType outlines read by a test reader over
// a font file, and the test handle's pattern bitmaps.
class TrueTypeTextHandle : public qvtest::TestFaceHandle {
 public:
  TrueTypeTextHandle(GFontFace* face, std::shared_ptr<qvtest::TestFontReader> reader)
      : TestFaceHandle(face, 0), reader_(std::move(reader)) {}
  TrueTypeTextHandle(const TrueTypeTextHandle&) = default;
  TrueTypeTextHandle* Clone() const override { return new TrueTypeTextHandle(*this); }
  GTTFontReader* GetTrueTypeReader(uint32_t* source) const override {
    if (source != nullptr) *source = 0;
    return reader_.get();
  }

 private:
  std::shared_ptr<qvtest::TestFontReader> reader_;
};

GFontMetrics TextMetrics(const char* name, int16_t height, int32_t encoding) {
  GFontMetrics m;
  m.verticalResolution = m.horizontalResolution = 600;
  m.height = height;
  m.baseline = static_cast<int16_t>(height * 9 / 10);
  m.descent = static_cast<int16_t>(height / 4);
  m.cellWidth = height;
  m.weight = 400;
  m.metricInt4 = encoding;
  m.metricReal1 = m.metricReal2 = 1.0f;
  m.firstChar = 32;
  m.lastChar = 255;
  m.defaultChar = 32;
  m.name = name;
  return m;
}

// A TrueType face (kind 2) of the font file at the height given in dots.
struct TrueTypeFace {
  explicit TrueTypeFace(std::vector<uint8_t> file, int16_t height = 100, const char* name = "Liberation Sans")
      : reader(std::make_shared<qvtest::TestFontReader>(1, std::move(file))) {
    auto* face = new qvtest::TestFontFace(TextMetrics(name, height, textenc::kUnicode), GFontDownloadExtras());
    face->kind = 2;
    handle = std::make_unique<TrueTypeTextHandle>(face, reader);
  }
  // Advances of the text's characters in dots at the face's height.
  std::vector<int16_t> Advances(const std::u16string& text) {
    std::vector<int16_t> out;
    for (char16_t c : text) {
      const uint16_t glyph = reader->GetGlyphIndex(0, 0, c, 16);
      uint16_t advance = 0;
      int16_t bearing = 0;
      reader->GetHorizontalMetrics(0, glyph, &advance, &bearing);
      out.push_back(static_cast<int16_t>(advance * handle->GetHeight() / 2048));
    }
    return out;
  }
  std::shared_ptr<qvtest::TestFontReader> reader;
  std::unique_ptr<TrueTypeTextHandle> handle;
};

// A text graphic of 16-bit codes at the origin with the advances given; it
// holds a new handle on the face.
struct TextGraphic {
  TextGraphic(const GFontFaceHandle& face, const std::u16string& text, std::vector<int16_t> advances,
              GShortPoint origin, int32_t encoding = textenc::kUnicode, int32_t options = 0)
      : codes(text.begin(), text.end()), steps(std::move(advances)) {
    graphic = std::make_unique<GTextStringGraphic>(static_cast<GFontFaceHandle*>(face.Clone()), encoding,
                                                   codes.data(), steps.empty() ? nullptr : steps.data(), options,
                                                   static_cast<uint16_t>(codes.size()), origin, nullptr, nullptr);
  }
  std::vector<uint16_t> codes;
  std::vector<int16_t> steps;
  std::unique_ptr<GTextStringGraphic> graphic;
};

// How often the needle occurs in the haystack.
size_t CountOf(const std::string& haystack, const std::string& needle) {
  size_t count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
  return count;
}

// The dark pixels' box of a rendered page within a window (dots at 600
// dpi from the imageable origin), and their count.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  size_t count = 0;
};

InkBox InkIn(const qvtest::GrayPage& page, int x0, int y0, int x1, int y1) {
  const GShortPoint origin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);
  InkBox box;
  for (int y = (y0 + origin.y) * kTextDpi / 600; y < (y1 + origin.y) * kTextDpi / 600; ++y)
    for (int x = (x0 + origin.x) * kTextDpi / 600; x < (x1 + origin.x) * kTextDpi / 600; ++x) {
      if (!page.Dark(x, y)) continue;
      ++box.count;
      const int dx = x * 600 / kTextDpi - origin.x, dy = y * 600 / kTextDpi - origin.y;
      box.left = std::min(box.left, dx);
      box.right = std::max(box.right, dx);
      box.top = std::min(box.top, dy);
      box.bottom = std::max(box.bottom, dy);
    }
  return box;
}

// The job's pages as rendered by the interpreter (none, after a failed
// expectation, without it).
std::vector<qvtest::GrayPage> Render(const Pcl5JobDriver& job, const std::string& name) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return {};
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, kTextDpi);
  EXPECT_EQ(rendered.errors, "");
  return std::move(rendered.pages);
}

bool HaveSans() { return std::ifstream(kSansPath).good(); }

}  // namespace

// ---- TrueType soft fonts ----

TEST(GPcl5eTrueTypeText, TextRendersInItsAreaAndEachGlyphGoesDownOncePerJob) {
  if (!HaveSans()) GTEST_SKIP() << "Liberation Sans is not installed";
  TrueTypeFace sans(qvtest::ReadFontFile(kSansPath));
  Pcl5JobDriver job;
  ASSERT_EQ(job.StartDocument(), 0);
  const std::u16string first = u"Hello", second = u"Hollow";
  for (int page = 0; page < 2; ++page) {
    ASSERT_EQ(job.StartPage(Pcl5PageSpec()), 0);
    TextGraphic a(*sans.handle, first, sans.Advances(first), GShortPoint(600, 600));
    ASSERT_EQ(job.generator->DrawText(a.graphic.get()), 0);
    TextGraphic b(*sans.handle, second, sans.Advances(second), GShortPoint(600, 1200));
    ASSERT_EQ(job.generator->DrawText(b.graphic.get()), 0);
    ASSERT_EQ(job.EndPage(), 0);
  }
  ASSERT_EQ(job.EndDocument(), 0);
  const std::string& bytes = job.Bytes();
  // One header; each character code defined once: H e l o w.
  EXPECT_EQ(CountOf(bytes, "\x1B)s"), 1u);
  for (char c : std::string("Helow"))
    EXPECT_EQ(CountOf(bytes, "\x1B*c" + std::to_string(static_cast<int>(c)) + "E"), 1u) << c;

  const std::vector<qvtest::GrayPage> pages = Render(job, "pcl5e-tt-text");
  ASSERT_EQ(pages.size(), 2u);
  for (const qvtest::GrayPage& page : pages) {
    int width = 0;
    for (int16_t a : sans.Advances(first)) width += a;
    const InkBox ink = InkIn(page, 400, 400, 2400, 800);
    EXPECT_GT(ink.count, 100u);
    // From the origin's left to the advances' end, cap height above the
    // baseline (12 points: about 72 dots) and nothing below it.
    EXPECT_NEAR(ink.left, 600, 24);
    EXPECT_NEAR(ink.right, 600 + width, 40);
    EXPECT_NEAR(ink.top, 600 - 72, 16);
    EXPECT_NEAR(ink.bottom, 600, 12);
    const InkBox second = InkIn(page, 400, 1000, 2400, 1400);
    EXPECT_GT(second.count, 100u);
    EXPECT_NEAR(second.left, 600, 24);
    // Nothing elsewhere on the page.
    EXPECT_EQ(InkIn(page, 0, 1500, 4700, 6300).count, 0u);
  }
}
