#include "win32/Gdi.h"

#include <gtest/gtest.h>

#include "w32test/Testing.h"

namespace {

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(GdiTest, EscapesAreRecordedAndAnsweredFromTheScript) {
  HDC dc = w32test::CreateRecordingDC();
  w32test::ScriptEscape(dc, 0x1234, 5, "answer");
  char out[4] = {};
  EXPECT_EQ(ExtEscape(dc, 0x1234, 3, "abc", sizeof out, out), 5);
  EXPECT_EQ(std::string(out, 4), "answ");  // cut to the output size
  EXPECT_EQ(ExtEscape(dc, 0x99, 0, nullptr, 0, nullptr), 0);
  auto escapes = w32test::DcEscapes(dc);
  ASSERT_EQ(escapes.size(), 2u);
  EXPECT_EQ(escapes[0].code, 0x1234);
  EXPECT_EQ(escapes[0].input, "abc");
  EXPECT_EQ(escapes[0].outSize, 4);
  EXPECT_EQ(escapes[1].input, "");
  EXPECT_EQ(ExtEscape(nullptr, 1, 0, nullptr, 0, nullptr), -1);
}

TEST_F(GdiTest, SaveAndRestoreNestAndBringStateBack) {
  HDC dc = w32test::CreateRecordingDC();
  SetTextColor(dc, RGB(1, 2, 3));
  EXPECT_EQ(SaveDC(dc), 1);
  SetTextColor(dc, RGB(9, 9, 9));
  IntersectClipRect(dc, 10, 10, 20, 20);
  EXPECT_EQ(SaveDC(dc), 2);
  SetMapMode(dc, 2);
  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetMapMode(dc), MM_TEXT);
  EXPECT_EQ(GetTextColor(dc), RGB(9, 9, 9));
  EXPECT_TRUE(RestoreDC(dc, 1));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(w32test::DcSaveDepth(dc), 0);
  EXPECT_FALSE(RestoreDC(dc, -1));
  w32test::FailCall("SaveDC", 8);
  EXPECT_EQ(SaveDC(dc), 0);
}

TEST_F(GdiTest, TextIsRecordedWithFontColourAndClip) {
  HDC dc = w32test::CreateRecordingDC(w32test::DcSetup{4800, 6600, 600, 600});
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 4800);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 6600);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 600);
  LOGFONTW lf{};
  lf.lfHeight = -100;
  lf.lfEscapement = 450;
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc, u"ABCD", 4, &size));
  EXPECT_EQ(size.cx, 240);
  EXPECT_EQ(size.cy, 100);
  SetTextColor(dc, RGB(255, 0, 0));
  IntersectClipRect(dc, 0, 0, 100, 200);
  EXPECT_TRUE(ExtTextOutW(dc, 7, 8, 0, nullptr, u"ABCD", 4, nullptr));
  EXPECT_FALSE(DeleteObject(font));  // still selected
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(w32test::LiveFontCount(), 0);
  auto texts = w32test::DcTexts(dc);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, u"ABCD");
  EXPECT_EQ(texts[0].x, 7);
  EXPECT_EQ(texts[0].font.lfEscapement, 450);
  EXPECT_EQ(texts[0].colour, RGB(255, 0, 0));
  EXPECT_EQ(texts[0].clip.right, 100);
  EXPECT_EQ(texts[0].clip.bottom, 200);
}

}  // namespace
