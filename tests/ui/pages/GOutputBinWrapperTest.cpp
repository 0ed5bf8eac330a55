// The Destination page's output bin group run as a dialog: the bin list
// follows the installed output accessory and its mode, named mailboxes come
// last with the names the printer reported, and the stackers' offsetting
// option writes its PJL line.
#include "ui/pages/GOutputBinWrapper.h"

#include "support/PageFixture.h"

namespace {

using namespace GFeatureIds;
using pagetest::AddOption;
using w32test::DialogAction;

constexpr int kBinList = 4022;
constexpr int kOptionList = 4024;
constexpr char kOn[] = "@PJL SET OUTBINPROCESS =0 \r\n";
constexpr char kOff[] = "@PJL SET OUTBINPROCESS =1 \r\n";

class OutputBinTest : public pagetest::PageFixture {
 protected:
  // The printer's top and left bins, a five-bin mailbox (mailbox mode has
  // option 2) and a stacker; the accessory named is installed.
  void Build(const char* accessory, int16_t mode, std::vector<const char*> mailboxNames = {}) {
    auto* printer = pagetest::Device("Bins", GPaperHandlingDevice::kOutputDevice, 0, 1);
    AddOption(printer, 1, {pagetest::Bin("", 1), pagetest::Bin("", 2)});
    devices_->AddChild(printer);
    auto* mailbox = pagetest::Device("K5205", GPaperHandlingDevice::kOutputDevice, 1,
                           std::string(accessory) == "K5205" ? 1 : 0);
    AddOption(mailbox, 1, {pagetest::Bin("", 20)}, mode != 2);
    AddOption(mailbox, 2, {pagetest::Bin("", 4), pagetest::Bin("", 5), pagetest::Bin("", 6)}, mode == 2);
    devices_->AddChild(mailbox);
    auto* stacker = pagetest::Device("ZORVASTACKER 2000", GPaperHandlingDevice::kOutputDevice, 1,
                           std::string(accessory) == "ZORVASTACKER 2000" ? 1 : 0);
    AddOption(stacker, 4, {pagetest::Bin("", 21)});
    devices_->AddChild(stacker);

    SetText(kAccessoryOutputBins, accessory);
    SetSetting(kOutputAccessoryMode, mode);
    SetSetting(kOutputBin, 1);
    SetSetting(kPaperSize, 1);  // Letter, which every bin takes
    SetText(kCustomPJLCommands, "");
    auto* names = qvtest::Group(kDiscoveredBinNames);
    for (const char* name : mailboxNames) names->AddChild(qvtest::Text(0, name));
    settings_->AddChild(names);
    Open(1);
  }
  std::vector<std::u16string> Bins() {
    std::vector<std::u16string> items;
    Run(4000, {DialogAction::Inspect([&](HWND d) { items = Items(d, kBinList); }), DialogAction::Close(IDOK)});
    return items;
  }
};

TEST_F(OutputBinTest, WithoutAnAccessoryThePrintersTwoBinsAreListed) {
  Build("", 1);
  EXPECT_EQ(Bins(), (std::vector<std::u16string>{u"Top Bin (Face-Down)", u"Left Bin (Face-Down)"}));
}

TEST_F(OutputBinTest, AnInstalledAccessoryHidesThePrintersLeftBinAndAddsItsOwn) {
  Build("K5205", 1);
  EXPECT_EQ(Bins(), (std::vector<std::u16string>{u"Top Bin (Face-Down)", u"Job Separator Bin"}));
}

TEST_F(OutputBinTest, InMailboxModeTheReportedNamesNameTheFirstMailboxesWhichComeLast) {
  Build("K5205", 2, {"Anna", "Ben"});
  EXPECT_EQ(Bins(), (std::vector<std::u16string>{u"Top Bin (Face-Down)", u"Anna", u"Ben", u"Mailbox 3"}));
}

TEST_F(OutputBinTest, ChoosingABinWritesItsCode) {
  Build("K5205", 2);
  Run(4000, {DialogAction::Select(kBinList, 2), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kOutputBin), 17);  // the second mailbox (type 5)
}

TEST_F(OutputBinTest, ABinNoDeviceOffersBecomesTheTopBin) {
  Build("", 1);
  SetSetting(kOutputBin, 19);
  int selected = -1;
  Run(4000, {DialogAction::Inspect([&](HWND d) { selected = Selected(d, kBinList); }), DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kOutputBin), 1);
  EXPECT_EQ(selected, 0);
}

TEST_F(OutputBinTest, AStackerOffersOffsettingAndWritesItsPJLLines) {
  Build("ZORVASTACKER 2000", 4);
  std::vector<std::u16string> options;
  bool enabledOnTop = true;
  bool enabledOnStacker = false;
  Run(4000, {DialogAction::Inspect([&](HWND d) { enabledOnTop = Enabled(d, kOptionList); }),
             DialogAction::Select(kBinList, 1),
             DialogAction::Inspect([&](HWND d) {
               options = Items(d, kOptionList);
               enabledOnStacker = Enabled(d, kOptionList);
             }),
             DialogAction::Select(kOptionList, 1), DialogAction::Close(IDOK)});
  EXPECT_FALSE(enabledOnTop) << "no offsetting for the top bin";
  EXPECT_TRUE(enabledOnStacker);
  EXPECT_EQ(options, (std::vector<std::u16string>{u"(None)", u"Offsetting"}));
  EXPECT_EQ(Setting(kOutputBin), 4);
  EXPECT_EQ(TextSetting(kCustomPJLCommands), kOn);

  // Reopened, the option shows as chosen; back to the top bin turns it off.
  int option = -1;
  Run(4000, {DialogAction::Inspect([&](HWND d) { option = Selected(d, kOptionList); }),
             DialogAction::Select(kBinList, 0),
             DialogAction::Inspect([&](HWND d) { enabledOnTop = Enabled(d, kOptionList); }),
             DialogAction::Close(IDOK)});
  EXPECT_EQ(option, 1);
  EXPECT_EQ(Setting(kOutputBin), 1);
  EXPECT_EQ(TextSetting(kCustomPJLCommands), kOff);
  EXPECT_FALSE(enabledOnTop);
}

TEST(OutputBinCodes, BinTypesMapToOutputBinCodes) {
  GOutputBinAccessor bins(nullptr);
  const struct {
    int16_t type, code;
  } cases[] = {{1, 1}, {2, 2}, {3, 2}, {4, 16}, {5, 17}, {19, 31}, {20, 4}, {22, 4}, {23, -1}, {24, 3}, {39, 3},
               {40, -1}, {0, -1}};
  for (const auto& c : cases) EXPECT_EQ(bins.BinCodeForType(c.type), c.code) << c.type;
  EXPECT_EQ(IsOutputBinChoiceAllowed(7, RWCString("K5203"), 1), 1);
}

}  // namespace
