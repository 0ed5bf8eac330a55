// The Paper page built by the UI provider and run as a dialog: its source
// list offers the installed trays, choosing one through the list writes the
// source, and the paper source rule answers the user's choices with its
// conflict messages (scripted message boxes).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GSettingQuery.h"
#include "model/GTray.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "support/AttributeBuilders.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/RecordingPeripheral.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/UIProvider.h"
#include "w32test/Testing.h"
#include "win32/Dialog.h"

namespace {

using namespace GFeatureIds;
using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

constexpr char16_t kPaperPageLibrary[] = u"QVPAPERUI.DLL";
constexpr int kSourceList = 2020;
constexpr int kPaperPageIndex = 2;  // Finishing, Effects, Paper

class PaperPageHost : public qvtest::TestDriverInstance {
 public:
  RWWString GetResourceModulePath() override { return RWWString(kPaperPageLibrary); }
};

GTray* PaperPageTray(const char* name, int16_t number) {
  const int32_t none = 0;
  return new GTray(0, name, number, 0, 0, 100, -1, nullptr, name, nullptr, &none);
}

class PaperPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kPaperPageLibrary;
    spec.strings = ModuleStringTable();
    size_t count = 0;
    const IMAGE_RESOURCE_DIALOG* templates = DialogTemplateEntries(&count);
    spec.dialogs = w32test::DialogTemplates(templates, count);
    w32test::InstallModule(spec);

    // The printer's trays: Tray 1 (6) and the upper and lower trays (1, 3)
    // built in, the envelope feeder (5) an accessory that is not installed.
    auto* model = Group(900);
    printer_ = new qvtest::RecordingPeripheral;
    printer_->SetFeatureId(kDeviceEntry);
    model->AddChild(printer_);
    const int32_t none = 0;
    auto* devices = Group(kPaperHandlingDevices);
    auto* trays = new GPaperHandlingDevice(RWCString("Trays"), GPaperHandlingDevice::kInputDevice, 0, 1, 0, 0, &none);
    auto* option = Group(0);
    option->AddChild(PaperPageTray("Tray 1", 6));
    option->AddChild(PaperPageTray("Upper Tray", 1));
    option->AddChild(PaperPageTray("Lower Tray", 3));
    trays->SetOption(1, GCountedPtr(option));
    trays->SelectOption(1);
    devices->AddChild(trays);
    auto* feeder = new GPaperHandlingDevice(RWCString("K5209"), GPaperHandlingDevice::kInputDevice, 1, 0, 0, 0, &none);
    auto* feederOption = Group(0);
    feederOption->AddChild(PaperPageTray("Envelope Feeder", 5));
    feeder->SetOption(1, GCountedPtr(feederOption));
    feeder->SelectOption(1);
    devices->AddChild(feeder);
    printer_->GetConfiguration()->AddChild(devices);
    host_.SetDeviceModel(model);

    settings_.reset(Group(360, {Value(kPaperSize, 1), Value(kInputBin, 6), Value(kInputBinRest, 6),
                                Value(kUseDiffFirstPageChoice, 0), Value(kFitToOtherSizeChoice, 0),
                                Value(kTargetSizeChoice, 1), Text(kMediaType, ""), Text(kMediaTypeRest, ""),
                                Text(kOptionalPaperSources, ""), Value(kEnvFeeder, 0), Value(kSourceListChoice, 0)}));
    data_.size = sizeof(GUIData);
    data_.host = &host_;
    data_.settings = settings_.get();
    data_.printer = model;
    data_.accessFlags = GUIAccess::kChangesAllowed;
    data_.sheetKind = 1;

    const int16_t pages = UIInitialize(&data_, 0);
    ASSERT_GT(pages, kPaperPageIndex);
    pages_.assign(pages, PROPSHEETPAGEW{});
    links_.assign(pages, PageLink{});
    for (int16_t i = 0; i < pages; ++i) {
      pages_[i].dwSize = sizeof(PROPSHEETPAGEW);
      links_[i].size = sizeof(PageLink);
      links_[i].data = &data_;
      pages_[i].lParam = reinterpret_cast<LPARAM>(&links_[i]);
    }
    data_.pages = pages_.data();
    data_.pageCount = pages;
    ASSERT_EQ(UIInitialize(&data_, 0), pages);
  }
  void TearDown() override {
    UIDestroy(&data_);
    for (PROPSHEETPAGEW& page : pages_) {
      if (page.pszTitle != nullptr && !IS_INTRESOURCE(page.pszTitle)) delete[] page.pszTitle;
    }
    w32test::Reset();
  }

  // Runs the Paper page as a dialog with the script, as a sheet shows it.
  void RunPaperPage(std::vector<w32test::DialogAction> script) {
    PROPSHEETPAGEW record = pages_[kPaperPageIndex];
    ASSERT_EQ(reinterpret_cast<uintptr_t>(record.pszTemplate), 2000u);
    w32test::QueueDialogScript(std::move(script));
    DialogBoxParamW(record.hInstance, record.pszTemplate, nullptr, record.pfnDlgProc,
                    reinterpret_cast<LPARAM>(&record));
  }
  int16_t Setting(int32_t id) { return GSettingQuery::ShortOr(settings_.get(), id, -1); }
  std::vector<std::string> Shown() {
    std::vector<std::string> texts;
    for (const auto& box : w32test::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  static std::vector<std::u16string> Items(HWND dialog) {
    std::vector<std::u16string> items;
    HWND list = GetDlgItem(dialog, kSourceList);
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      WCHAR text[64] = {};
      SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }

  PaperPageHost host_;
  GPeripheral* printer_ = nullptr;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::vector<PROPSHEETPAGEW> pages_;
  std::vector<PageLink> links_;
};

TEST_F(PaperPageTest, TheSourceListOffersTheInstalledTraysAndWritesTheChoice) {
  std::vector<std::u16string> items;
  RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) { items = Items(dialog); }),
                w32test::DialogAction::Select(kSourceList, 2), w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(items, (std::vector<std::u16string>{u"Tray 1", u"Upper Tray", u"Lower Tray"}));
  EXPECT_EQ(Setting(kInputBin), 3);
  EXPECT_EQ(Setting(kInputBinRest), 3) << "the other pages follow without a different first page";
  EXPECT_EQ(Setting(kSourceListChoice), 3);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(PaperPageTest, ASourceTheTraysDoNotOfferBecomesAutomaticWhenThePageOpens) {
  delete settings_->RemoveChildById(kInputBin);
  settings_->AddChild(Value(kInputBin, 5));  // the feeder is not installed
  RunPaperPage({w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kInputBin), 19);
}

TEST_F(PaperPageTest, ChoosingATrayThatRefusesThePaperTypeIsRefusedWithANotice) {
  delete settings_->RemoveChildById(kMediaType);
  settings_->AddChild(Text(kMediaType, "Labels"));
  w32test::QueueMessageBoxAnswer(IDOK);
  RunPaperPage({w32test::DialogAction::Select(kSourceList, 1), w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Shown(), std::vector<std::string>{"The selected tray cannot be used with the current paper type."});
  EXPECT_EQ(Setting(kInputBin), 6);
}

TEST_F(PaperPageTest, ChoosingATrayThatRefusesThePaperSizeIsRefusedWithANotice) {
  delete settings_->RemoveChildById(kPaperSize);
  settings_->AddChild(Value(kPaperSize, 21));  // 11x17: only Tray 1 and the lower tray take it
  w32test::QueueMessageBoxAnswer(IDOK);
  RunPaperPage({w32test::DialogAction::Select(kSourceList, 1), w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Shown(), std::vector<std::string>{"The selected tray cannot be used with the current paper size."});
  EXPECT_EQ(Setting(kInputBin), 6);
  EXPECT_EQ(Setting(kInputBinRest), 6);
}

}  // namespace
