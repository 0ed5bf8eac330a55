#include "driver/GPageWatermark.h"

#include <gtest/gtest.h>

#include "model/GAttributeComposite.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/DriverInstanceTestSupport.h"
#include "w32test/Testing.h"

namespace {

const int32_t kPageWatermarkJobOptions = 364, kSelection = 379, kOff = 381, kFirstPage = 382, kSelected = 383, kBlack = 585;
const int32_t kPrefs = 366, kPool = 378, kName = 384, kText = 385, kFace = 386, kStyle = 388, kSize = 390;
const int32_t kEsc = 393, kRed = 398, kGreen = 399, kBlue = 400, kShade = 403;

struct RecordSpec {
  const char* name = "Draft";
  int16_t shade = 100;
  int16_t red = 0, green = 0, blue = 0;
  int16_t escapement = 0;
  int16_t style = 0;
};

class WatermarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    dc = w32test::CreateRecordingDC(w32test::DcSetup{4800, 6600, 600, 600});
  }
  void TearDown() override { w32test::Reset(); }

  // Document settings choosing "selected" on pages by firstPage, with one
  // record in the pool.
  void Install(int16_t firstPage, const char* selected, const RecordSpec& spec, int16_t black = 0) {
    auto* settings = new GAttributeComposite();
    auto* options = new GAttributeComposite(&kPageWatermarkJobOptions);
    auto* selection = new GAttributeComposite(&kSelection);
    selection->AddChild(new GValueAttribute(0, &kOff));
    selection->AddChild(new GValueAttribute(firstPage, &kFirstPage));
    selection->AddChild(new GStringAttribute(selected, &kSelected));
    options->AddChild(selection);
    options->AddChild(new GValueAttribute(black, &kBlack));
    settings->AddChild(options);
    auto* prefs = new GAttributeComposite(&kPrefs);
    auto* pool = new GAttributeComposite(&kPool);
    auto* record = new GAttributeComposite();
    record->AddChild(new GStringAttribute(spec.name, &kName));
    record->AddChild(new GStringAttribute("SECRET", &kText));
    record->AddChild(new GStringAttribute("Arial", &kFace));
    record->AddChild(new GValueAttribute(spec.style, &kStyle));
    record->AddChild(new GValueAttribute(72, &kSize));
    record->AddChild(new GValueAttribute(spec.escapement, &kEsc));
    record->AddChild(new GValueAttribute(spec.red, &kRed));
    record->AddChild(new GValueAttribute(spec.green, &kGreen));
    record->AddChild(new GValueAttribute(spec.blue, &kBlue));
    record->AddChild(new GValueAttribute(spec.shade, &kShade));
    pool->AddChild(record);
    prefs->AddChild(pool);
    settings->AddChild(prefs);
    instance.InstallSettings(settings);
  }

  qvtest::TestDriverInstance instance;
  GPageWatermark watermark;
  HDC dc = nullptr;
};

std::string Bracket(uint32_t phase, COLORREF colour) {
  std::string b;
  for (uint32_t w : {0xCFC14712u, phase, static_cast<uint32_t>(colour)})
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
  return b;
}

TEST_F(WatermarkTest, EveryPageGetsTheTextBetweenTheBracketEscapes) {
  Install(0, "Draft", RecordSpec{"Draft", 100, 0, 0, 0, 0, 3});
  watermark.StartDocWatermark(instance.GetDocumentSettings());
  EXPECT_EQ(watermark.GetMode(), 2);
  EXPECT_EQ(watermark.EndPageWatermark(dc, 1), 1);
  EXPECT_EQ(watermark.EndPageWatermark(dc, 2), 1);
  const auto& events = w32test::DcEvents(dc);
  ASSERT_EQ(events.size(), 6u);
  const COLORREF gray = RGB(100, 100, 100);
  EXPECT_EQ(events[0].escape.code, GPageWatermark::kBracketEscape);
  EXPECT_EQ(events[0].escape.input, Bracket(1, gray));
  ASSERT_EQ(events[1].kind, w32test::DcEvent::kText);
  const auto& t = events[1].text;
  EXPECT_EQ(t.text, u"SECRET");
  EXPECT_EQ(t.colour, gray);
  EXPECT_EQ(t.bkMode, TRANSPARENT);
  EXPECT_EQ(t.font.lfHeight, -600);  // 72 points at 600 dpi
  EXPECT_EQ(t.font.lfWeight, FW_BOLD);
  EXPECT_EQ(t.font.lfItalic, 1);
  EXPECT_EQ(std::u16string(t.font.lfFaceName), u"Arial");
  EXPECT_EQ(t.clip.right, 4800);
  EXPECT_EQ(t.saveDepth, 2);  // the page's save and the clip's
  // Horizontal: centred; 6 characters of 360 units, 600 high.
  EXPECT_EQ(t.x, 2400 - 1080);
  EXPECT_EQ(t.y, 3300 - 300);
  EXPECT_EQ(events[2].escape.input, Bracket(0, gray));
  // The context is left as it was.
  EXPECT_EQ(w32test::DcSaveDepth(dc), 0);
  EXPECT_EQ(w32test::DcBkMode(dc), OPAQUE);
  EXPECT_EQ(w32test::LiveFontCount(), 0);
}

TEST_F(WatermarkTest, FirstPageOnlyDrawsOnPageOneOnly) {
  Install(1, "Draft", RecordSpec{});
  watermark.StartDocWatermark(instance.GetDocumentSettings());
  watermark.EndPageWatermark(dc, 1);
  watermark.EndPageWatermark(dc, 2);
  EXPECT_EQ(w32test::DcTexts(dc).size(), 1u);
}

TEST_F(WatermarkTest, NothingIsDrawnWithoutAValidSelection) {
  struct Case {
    int16_t firstPage;
    const char* selected;
  } cases[] = {{2, "Draft"}, {0, "Missing"}, {0, ""}, {0, "Draf"}};
  for (const Case& c : cases) {
    Install(c.firstPage, c.selected, RecordSpec{});
    watermark.StartDocWatermark(instance.GetDocumentSettings());
    EXPECT_EQ(watermark.GetMode(), 0) << c.selected;
    EXPECT_EQ(watermark.EndPageWatermark(dc, 1), 1);
  }
  instance.InstallSettings(nullptr);
  watermark.StartDocWatermark(instance.GetDocumentSettings());
  EXPECT_EQ(watermark.GetMode(), 0);
  EXPECT_TRUE(w32test::DcEvents(dc).empty());
}

TEST_F(WatermarkTest, ColourFollowsTheSwitchesAndTheShade) {
  struct Case {
    int16_t r, g, b, shade, black;
    COLORREF expected;
  } cases[] = {
      {1, 0, 0, 50, 0, RGB(255, 50, 50)},    {1, 1, 0, 50, 0, RGB(255, 255, 50)},
      {0, 1, 0, 50, 0, RGB(50, 255, 50)},    {0, 1, 1, 50, 0, RGB(50, 255, 255)},
      {0, 0, 1, 50, 0, RGB(50, 50, 255)},    {1, 0, 1, 50, 0, RGB(255, 50, 255)},
      {1, 1, 1, 50, 0, RGB(50, 50, 50)},     {0, 0, 0, 255, 0, RGB(232, 232, 232)},
      {1, 0, 0, 50, 1, RGB(50, 50, 50)},
  };
  for (const Case& c : cases) {
    RecordSpec spec;
    spec.red = c.r;
    spec.green = c.g;
    spec.blue = c.b;
    spec.shade = c.shade;
    Install(0, "Draft", spec, c.black);
    watermark.StartDocWatermark(instance.GetDocumentSettings());
    ASSERT_NE(watermark.GetDrawingRecord(), nullptr);
    EXPECT_EQ(watermark.GetDrawingRecord()->colour, c.expected) << c.r << c.g << c.b << " " << c.shade;
  }
}

TEST_F(WatermarkTest, AngleByEscapementMode) {
  EXPECT_EQ(GPageWatermark::AngleFor(0, 0, 4800, 6600), 0);
  EXPECT_EQ(GPageWatermark::AngleFor(2, 0, 4800, 6600), 90);
  EXPECT_EQ(GPageWatermark::AngleFor(4, 33, 4800, 6600), 33);
  EXPECT_EQ(GPageWatermark::AngleFor(4, -30, 4800, 6600), 330);
  EXPECT_EQ(GPageWatermark::AngleFor(1, 0, 4800, 6600), 53);
  EXPECT_EQ(GPageWatermark::AngleFor(3, 0, 4800, 6600), 306);
  EXPECT_EQ(GPageWatermark::AngleFor(7, 45, 4800, 6600), 0);
  EXPECT_EQ(GPageWatermark::AngleFor(1, 0, 0, 6600), 90);  // a page without width divides by nothing
}

TEST_F(WatermarkTest, TopDiagonalOnAPortraitPageEscapesAt3060) {
  RecordSpec spec;
  spec.escapement = 3;
  Install(0, "Draft", spec);
  watermark.StartDocWatermark(instance.GetDocumentSettings());
  watermark.EndPageWatermark(dc, 1);
  auto texts = w32test::DcTexts(dc);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].font.lfEscapement, 3060);
  EXPECT_EQ(texts[0].font.lfOrientation, 3060);
}

TEST_F(WatermarkTest, AFailedSaveDrawsNothing) {
  Install(0, "Draft", RecordSpec{});
  watermark.StartDocWatermark(instance.GetDocumentSettings());
  w32test::FailCall("SaveDC", 8);
  EXPECT_EQ(watermark.EndPageWatermark(dc, 1), 1);
  EXPECT_TRUE(w32test::DcEvents(dc).empty());
  GPageWatermark fresh;
  EXPECT_EQ(fresh.DrawWatermark(dc), 0);
}

}  // namespace
