// The page preview drawn on a recording context: where the sheet, the pages
// of n-up and booklet layouts and the staple marks fall, read from the
// drawing calls, and how clicks and a damaged setting are handled.
#include "ui/pages/GStaplePreviewWrapper.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "support/PageFixture.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GShortPoint.h"
#include "host/PngFile.h"

#include <string>

namespace {

using namespace GFeatureIds;
using w32test::DialogAction;
using w32test::ShapeRecord;

constexpr int kPreview = 1070;
constexpr int kPaperPage = 2000;

void AddMedium(GMediaPool* pool, int16_t paperId, int16_t width, int16_t height) {
  const int32_t id = kCustomMedia;
  const GShortPoint portrait(width, height);
  const GShortPoint landscape(height, width);
  pool->AddChild(new GMedia("", &portrait, &portrait, nullptr, 0, paperId, 600, 600, &id));
  pool->AddChild(new GMedia("", &landscape, &landscape, nullptr, 90, paperId, 600, 600, &id));
}

class PreviewTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    pagetest::PageFixture::SetUp();
    auto* pool = new GMediaPool(&kPrinterMediaPool);
    AddMedium(pool, 1, 5100, 6600);
    AddMedium(pool, 21, 6600, 10200);
    printer_->GetConfiguration()->AddChild(pool);
    for (auto [id, value] : std::initializer_list<std::pair<int32_t, int16_t>>{
             {kPaperSize, 1}, {kOrientation, 0}, {kNUpChoice, 1}, {kNUpBordersChoice, 0}, {kNUpPageOrderChoice, 0},
             {kScaleChoice, 100}, {kBookletPrintingChoice, 0}, {kBookletTargetSize, 21}, {kFitToOtherSizeChoice, 0},
             {kTargetSizeChoice, 1}, {kStaplerChoice, 0}, {kStapling, 1}, {kMeasurementSystem, 1},
             {kXResolution, 600}, {kYResolution, 600}, {kInputBin, 6}}) {
      SetSetting(id, value);
    }
    SetText(kAccessoryOutputBins, "");
  }
  // A booklet job the booklet rule keeps: a duplex unit, two-sided printing.
  void TurnBookletOn() {
    SetSetting(kDuplexUnit, 1);
    SetSetting(kDuplex, 1);
    SetSetting(kBookletPrintingChoice, 1);
  }
  // Draws the preview of the Paper page on a recording context of 94 x 126
  // pixels; the shapes it drew.
  std::vector<ShapeRecord> Draw(RECT itemRect = RECT{0, 0, 94, 126}) {
    if (!opened_) Open(1);
    HDC dc = w32test::CreateRecordingDC();
    Run(kPaperPage, {DialogAction::Inspect([&](HWND d) {
                       DRAWITEMSTRUCT item{};
                       item.CtlID = kPreview;
                       item.itemAction = ODA_DRAWENTIRE;
                       item.hDC = dc;
                       item.rcItem = itemRect;
                       SendMessageW(d, WM_DRAWITEM, kPreview, reinterpret_cast<LPARAM>(&item));
                     }),
                     DialogAction::Close(IDOK)});
    return w32test::DcShapes(dc);
  }
  // The white pages: the filled rectangles after the sheet that overlap no
  // earlier page.
  static std::vector<RECT> Pages(const std::vector<ShapeRecord>& shapes) {
    std::vector<RECT> pages;
    bool sheet = true;
    for (const ShapeRecord& s : shapes) {
      if (s.kind != ShapeRecord::kRectangle || s.brush != RGB(255, 255, 255)) continue;
      if (sheet) {
        sheet = false;
        continue;
      }
      const RECT r{s.points[0].x, s.points[0].y, s.points[1].x, s.points[1].y};
      // The emblem's and the chart's white grounds lie on a page (and may
      // reach past a small one's edge).
      const bool onAPage = std::any_of(pages.begin(), pages.end(), [&](const RECT& p) {
        return r.left < p.right && r.right > p.left && r.top < p.bottom && r.bottom > p.top;
      });
      if (!onAPage) pages.push_back(r);
    }
    return pages;
  }
};

TEST_F(PreviewTest, OnePortraitLetterPageFillsTheSheet) {
  const auto shapes = Draw();
  const auto pages = Pages(shapes);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].right - pages[0].left, 5100);
  EXPECT_EQ(pages[0].bottom - pages[0].top, 6600);
}

TEST_F(PreviewTest, FourUpShowsFourPortraitPagesInTheChosenOrder) {
  SetSetting(kNUpChoice, 4);
  SetSetting(kNUpPageOrderChoice, 1);  // columns first
  const auto pages = Pages(Draw());
  ASSERT_EQ(pages.size(), 4u);
  for (const RECT& p : pages) EXPECT_LT(p.right - p.left, p.bottom - p.top) << "portrait pages";
  // Page 2 is below page 1, page 3 right of page 1.
  EXPECT_EQ(pages[1].left, pages[0].left);
  EXPECT_GT(pages[1].top, pages[0].bottom);
  EXPECT_EQ(pages[2].top, pages[0].top);
  EXPECT_GT(pages[2].left, pages[0].right);
}

TEST_F(PreviewTest, TwoUpShowsTwoLandscapePagesSideBySideOnALandscapeArea) {
  SetSetting(kNUpChoice, 2);
  const auto pages = Pages(Draw());
  ASSERT_EQ(pages.size(), 2u);
  for (const RECT& p : pages) EXPECT_GT(p.right - p.left, p.bottom - p.top);
  EXPECT_EQ(pages[0].top, pages[1].top) << "side by side on the turned area";
  EXPECT_GT(pages[1].left, pages[0].right);
}

TEST_F(PreviewTest, ABookletOnElevenBySeventeenShowsTwoHalfSheetsWithoutSpacing) {
  SetSetting(kPaperSize, 1);
  TurnBookletOn();
  const auto pages = Pages(Draw());
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].right, pages[1].left) << "the pages meet at the fold";
  for (const RECT& p : pages) {
    EXPECT_EQ(p.right - p.left, 5100) << "half of 17 inches";
    EXPECT_EQ(p.bottom - p.top, 6600);
  }
}

TEST_F(PreviewTest, LandscapeTurnsTheSheetAndAClickTurnsItBack) {
  SetSetting(kOrientation, 90);
  const auto pages = Pages(Draw());
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].right - pages[0].left, 6600);
  Run(kPaperPage, {DialogAction::Message(WM_COMMAND, MAKEWPARAM(kPreview, BN_CLICKED), 0), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kOrientation), 0);
}

TEST_F(PreviewTest, TheStaplerStacksPatternStaplesAlongTheLeftEdge) {
  SetText(kAccessoryOutputBins, "K5206");
  SetSetting(kStaplerChoice, 1);
  SetSetting(kStapling, 3);  // two staples
  const auto shapes = Draw();
  ASSERT_FALSE(shapes.empty());
  std::vector<ShapeRecord> black;
  for (const ShapeRecord& s : shapes)
    if (s.kind == ShapeRecord::kLine && s.pen == 0) black.push_back(s);
  ASSERT_EQ(black.size(), 2u);
  for (const ShapeRecord& s : black) {
    EXPECT_EQ(s.points[0].x, s.points[1].x) << "vertical";
    EXPECT_LT(s.points[0].x, Pages(shapes)[0].left + 600) << "by the left edge";
  }
  EXPECT_LT(black[0].points[0].y, black[1].points[0].y);
}

TEST_F(PreviewTest, TheBookletMakerDrawsTwoSaddleStitchesOnTheFold) {
  SetText(kAccessoryOutputBins, "VXN-62");
  TurnBookletOn();
  SetSetting(kStapling, 5);  // ignored by the saddle stitch
  const auto shapes = Draw();
  std::vector<ShapeRecord> black;
  for (const ShapeRecord& s : shapes)
    if (s.kind == ShapeRecord::kLine && s.pen == 0) black.push_back(s);
  ASSERT_EQ(black.size(), 2u);
  const auto pages = Pages(shapes);
  ASSERT_EQ(pages.size(), 2u);
  for (const ShapeRecord& s : black) {
    EXPECT_EQ(s.points[0].x, s.points[1].x);
    EXPECT_EQ(s.points[0].x, pages[0].right) << "on the fold";
  }
}

TEST_F(PreviewTest, TheMailboxStaplerDrawsThePreviewsOwnStapleAndNoAccessoryNothing) {
  SetSetting(kStaplerChoice, 1);
  SetText(kAccessoryOutputBins, "K5203");
  auto shapes = Draw();
  int black = 0;
  for (const ShapeRecord& s : shapes) black += s.kind == ShapeRecord::kLine && s.pen == 0 ? 1 : 0;
  EXPECT_EQ(black, 1);
}

TEST_F(PreviewTest, ATinyItemOrAPaperWithoutAMediumDrawsNothingAndDoesNotFail) {
  SetSetting(kPaperSize, 77);  // no medium: Letter's is drawn
  EXPECT_EQ(Pages(Draw()).size(), 1u);
  EXPECT_TRUE(Draw(RECT{0, 0, 15, 200}).empty());
}

}  // namespace

namespace {

TEST_F(PreviewTest, APrinterWithoutMediaGetsNoSheetAndNoCaption) {
  delete printer_->GetConfiguration()->RemoveChildById(kPrinterMediaPool);
  EXPECT_TRUE(Draw().empty());
}

}  // namespace

namespace {

bool HasFill(const std::vector<ShapeRecord>& shapes, COLORREF colour) {
  return std::any_of(shapes.begin(), shapes.end(), [&](const ShapeRecord& s) {
    return (s.kind == ShapeRecord::kRectangle || s.kind == ShapeRecord::kPolygon) && s.brush == colour;
  });
}

TEST_F(PreviewTest, TheChartIsInColourOrInGreysAndTheEmblemFollows) {
  SetSetting(kPrintColorAsGray, 0);
  auto shapes = Draw();
  EXPECT_TRUE(HasFill(shapes, RGB(255, 0, 0)));
  EXPECT_TRUE(HasFill(shapes, RGB(0, 0, 255))) << "the blue bar and emblem";
  EXPECT_FALSE(HasFill(shapes, RGB(117, 117, 117)));
  SetSetting(kPrintColorAsGray, 1);
  shapes = Draw();
  EXPECT_FALSE(HasFill(shapes, RGB(255, 0, 0)));
  for (int grey : {117, 243, 204, 64}) EXPECT_TRUE(HasFill(shapes, RGB(grey, grey, grey))) << grey;
}

TEST_F(PreviewTest, NegativeImageInvertsThePageButNotTheSheetAndTonerSavingLightens) {
  SetSetting(kPsNegative, 1);
  auto shapes = Draw();
  ASSERT_FALSE(shapes.empty());
  EXPECT_EQ(shapes[0].brush, RGB(255, 255, 255)) << "the sheet";
  EXPECT_TRUE(HasFill(shapes, RGB(0, 0, 0))) << "the page";
  EXPECT_TRUE(HasFill(shapes, RGB(0, 255, 255))) << "the red bar inverted";
  SetSetting(kPsNegative, 0);
  SetSetting(kSparetone, 1);
  shapes = Draw();
  EXPECT_TRUE(HasFill(shapes, RGB(255, 128, 128))) << "red halfway to white";
  EXPECT_TRUE(HasFill(shapes, RGB(255, 255, 255)));
}

}  // namespace

namespace {

// The Paper page with a 4-up, stapled preview, drawn as the user sees it and
// written as a PNG to look at; the preview's box shows the white sheet and
// the black staples.
TEST_F(PreviewTest, TheFourUpStapledPreviewIsShownOnThePage) {
  SetSetting(kNUpChoice, 4);
  SetSetting(kNUpBordersChoice, 1);
  SetText(kAccessoryOutputBins, "K5206");
  SetSetting(kStaplerChoice, 1);
  SetSetting(kStapling, 3);
  Open(1);
  w32test::Picture picture;
  Run(kPaperPage, {DialogAction::Inspect([&](HWND d) { picture = w32test::DrawDialog(d); }), DialogAction::Close(IDOK)});
  ASSERT_EQ(picture.width, 360);
  // Left in place for a person to open; each run writes it again.
  const std::string path = ::testing::TempDir() + "qv_preview_4up.png";
  std::string why;
  EXPECT_TRUE(WritePng(path, picture, &why)) << why;
  // The preview control: 258, 236, 94 x 126.
  int white = 0, black = 0, blue = 0;
  for (int y = 236; y < 236 + 126; ++y) {
    for (int x = 258; x < 258 + 94; ++x) {
      const COLORREF c = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      white += c == RGB(255, 255, 255) ? 1 : 0;
      black += c == 0 ? 1 : 0;
      blue += c == RGB(0, 0, 255) ? 1 : 0;
    }
  }
  EXPECT_GT(white, 500) << "the sheet and its pages";
  EXPECT_GT(black, 20) << "frames and staples";
  EXPECT_GT(blue, 0) << "the emblem on page 1";
}

}  // namespace

namespace {

TEST_F(PreviewTest, ChangingOnlyTheStaplingPatternRefreshesTheStaplePreview) {
  Open(1);
  GUISession* session = UIProviderSession(&data_);
  ASSERT_NE(session, nullptr);
  GPreviewModel plain(session);
  GStaplePreviewModel staples(session);
  session->BeginUpdate(nullptr);
  EXPECT_EQ(staples.HasChanged(), 0);
  session->GetSettingsView().SetInt(&kStapling, 4);
  EXPECT_EQ(staples.HasChanged(), 1);
  EXPECT_EQ(plain.HasChanged(), 0) << "the plain preview draws no pattern";
  session->EndUpdate();
}

}  // namespace
