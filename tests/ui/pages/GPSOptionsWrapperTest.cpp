// The PS page run as a dialog: the TrueType format list follows what the
// printer requires, the format and output options write their settings, and
// the Advanced PS dialog writes the job-control options on OK, puts them
// back on Cancel and greys the PJL job commands while the rule says so.
#include "ui/pages/GPSOptionsWrapper.h"

#include "support/PageFixture.h"
#include "model/GConfiguration.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"

namespace {

using namespace GFeatureIds;
using w32test::DialogAction;

constexpr int kFormats = 6514;
constexpr int kSubstitutions = 6515;
constexpr int kOptimize = 6523;
constexpr int kMirror = 6531;
constexpr int kNegative = 6532;
constexpr int kDebugBox = 6525;
constexpr int kAdvanced = 6530;
constexpr int kControlDBefore = 6704;
constexpr int kJobCommands = 6706;
constexpr int kErrorInformation = 6702;

class PSPageTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    pagetest::PageFixture::SetUp();
    printer_->GetConfiguration()->AddChild(qvtest::Value(592, 1));  // the printer speaks PostScript
    for (int32_t id : {kTrueTypeDownloadChoice, kSecondFontChoice, kPsLevel2Fonts, kPsBinaryTransferOff, kPsMirror,
                       kPsNegative, kPsLeadingControlD, kPsTrailingControlD, kPjlJobCommands, kPsAscii85,
                       kPsErrorHandler, kTTAsBitmapSetting, kPsReportAsPsDriver, kPsReturnPassThrough}) {
      SetSetting(id, 0);
    }
    SetSetting(kTrueTypeDownloadChoice, 2);
  }
  void RequireBitmaps() { printer_->GetConfiguration()->AddChild(qvtest::Value(kTrueTypeAsBitmap, 1)); }
  void RunPS(std::vector<DialogAction> script, std::vector<std::vector<DialogAction>> inner = {}) {
    Run(6500, std::move(script), std::move(inner));
  }
};

TEST_F(PSPageTest, TheFormatListOffersOutlinesType42AndBitmapsAndWritesTheBitmapFlag) {
  Open(1);
  std::vector<std::u16string> formats, substitutions;
  int shown = -1;
  bool debugVisible = true;
  RunPS({DialogAction::Inspect([&](HWND d) {
           formats = Items(d, kFormats);
           substitutions = Items(d, kSubstitutions);
           shown = Selected(d, kFormats);
           debugVisible = IsWindowVisible(GetDlgItem(d, kDebugBox)) != 0;
         }),
         DialogAction::Select(kFormats, 2), DialogAction::Close(IDOK)});
  EXPECT_EQ(formats, (std::vector<std::u16string>{u"Outlines (Type 1)", u"TrueType (Type 42)", u"Bitmaps (Type 3)"}));
  EXPECT_EQ(substitutions, (std::vector<std::u16string>{u"This Printer (all Fonts)", u"PS Level 2 (35 fonts)",
                                                        u"No Substitutions"}));
  EXPECT_EQ(shown, 0);
  EXPECT_FALSE(debugVisible);
  EXPECT_EQ(Setting(kTrueTypeDownloadChoice), 1);
  EXPECT_EQ(Setting(kTTAsBitmapSetting), 1);

  RunPS({DialogAction::Select(kFormats, 1), DialogAction::Select(kSubstitutions, 1), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kTrueTypeDownloadChoice), 0);
  EXPECT_EQ(Setting(kTTAsBitmapSetting), 0);
  EXPECT_EQ(Setting(kSecondFontChoice), 2);
}

TEST_F(PSPageTest, APrinterThatRequiresBitmapsOffersOnlyBitmaps) {
  RequireBitmaps();
  Open(1);
  std::vector<std::u16string> formats;
  int shown = -1;
  RunPS({DialogAction::Inspect([&](HWND d) {
           formats = Items(d, kFormats);
           shown = Selected(d, kFormats);
         }),
         DialogAction::Select(kFormats, 0), DialogAction::Close(IDOK)});
  EXPECT_EQ(formats, (std::vector<std::u16string>{u"Bitmaps (Type 3)"}));
  EXPECT_EQ(shown, 0) << "shown as bitmaps whatever is stored";
  EXPECT_EQ(Setting(kTTAsBitmapSetting), 1);
}

TEST_F(PSPageTest, TheOutputOptionsWriteTheirSettings) {
  Open(1);
  RunPS({DialogAction::Select(kOptimize, 1), DialogAction::Click(kMirror), DialogAction::Click(kNegative),
         DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kPsBinaryTransferOff), 1);
  EXPECT_EQ(Setting(kPsMirror), 1);
  EXPECT_EQ(Setting(kPsNegative), 1);
  bool mirror = false;
  RunPS({DialogAction::Inspect([&](HWND d) { mirror = Checked(d, kMirror); }), DialogAction::Close(IDOK)});
  EXPECT_TRUE(mirror);
}

TEST_F(PSPageTest, TheAdvancedDialogWritesOnOkAndPutsBackOnCancel) {
  Open(1);
  RunPS({DialogAction::Click(kAdvanced), DialogAction::Close(IDOK)},
        {{DialogAction::Click(kControlDBefore), DialogAction::Click(kErrorInformation), DialogAction::Close(IDOK)}});
  EXPECT_EQ(Setting(kPsLeadingControlD), 1);
  EXPECT_EQ(Setting(kPsErrorHandler), 1);
  EXPECT_EQ(Setting(kPsTrailingControlD), 0);

  RunPS({DialogAction::Click(kAdvanced), DialogAction::Close(IDOK)},
        {{DialogAction::Click(kControlDBefore), DialogAction::Click(kJobCommands), DialogAction::Close(IDCANCEL)}});
  EXPECT_EQ(Setting(kPsLeadingControlD), 1);
  EXPECT_EQ(Setting(kPjlJobCommands), 0);
}

TEST_F(PSPageTest, TheJobCommandsAreGreyedWhileTheRuleSaysSo) {
  // A printer that needs the job commands for Sparetone, with Sparetone on:
  // the job-commands rule turns them on and greys them.
  printer_->GetConfiguration()->AddChild(qvtest::Value(kPJLJobCommandsNeeded, 1));
  SetSetting(kSparetone, 1);
  Open(1);
  bool jobCommands = true;
  bool others = false;
  RunPS({DialogAction::Click(kAdvanced), DialogAction::Close(IDOK)},
        {{DialogAction::Inspect([&](HWND d) {
            jobCommands = Enabled(d, kJobCommands);
            others = Enabled(d, kControlDBefore) && Enabled(d, kErrorInformation);
          }),
          DialogAction::Close(IDOK)}});
  EXPECT_FALSE(jobCommands);
  EXPECT_TRUE(others);
}

}  // namespace
