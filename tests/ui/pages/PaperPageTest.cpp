// The Paper page built by the UI provider and run as a dialog: its source
// list offers the installed trays, choosing one through the list writes the
// source, and the paper source rule answers the user's choices with its
// conflict messages (scripted message boxes). The paper size list offers
// what the host enumerates through the UI session, switches fitting to
// another size on for papers beyond the printer's limits, and the Custom...
// button's dialog edits, saves and deletes custom papers through the
// session's host operations.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GConfiguration.h"
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
#include "support/PageFixture.h"
#include "support/RecordingPeripheral.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GCustomPaperAccessor.h"
#include "ui/pages/GCustomPaperButtonWrapper.h"
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

constexpr int kPaperList = 2015;
constexpr int kSizeText = 2014;
constexpr int kCustomButton = 2016;
constexpr int kCustomName = 2050;
constexpr int kCustomAction = 2051;
constexpr int kCustomWidth = 11411;
constexpr int kCustomWidthArrows = 11412;
constexpr int kCustomHeight = 11421;
constexpr int kCustomUnit = 2052;
constexpr int kCustomClose = 8;

// The host's paper and form services, kept in memory: the papers it offers
// (11x17 only when papers beyond the printer's limits may be listed), the
// custom papers it files, and "Letter" as its one built-in form name.
class PaperPageHost : public qvtest::TestDriverInstance {
 public:
  RWWString GetResourceModulePath() override { return RWWString(kPaperPageLibrary); }

  int EnumeratePaperNames(void* callback, void* userData, int checkLimits, GAttributeComposite* settings) override {
    enumerationFlags.push_back(checkLimits);
    auto walk = reinterpret_cast<GPaperNameCallback>(callback);
    struct Paper {
      int16_t id;
      const char* name;
    };
    std::vector<Paper> papers = {{1, "Letter"}, {5, "Legal"}};
    if (checkLimits == 0) papers.push_back({21, "11x17"});
    int ordinal = 0;
    for (const Paper& paper : papers) {
      if (walk(++ordinal, paper.id, RWWString(paper.name), userData) != 1) return 1;
    }
    auto* list = dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(settings, kCustomPaperList));
    for (size_t i = 0; list != nullptr && i < static_cast<size_t>(list->GetEntryCount()); ++i) {
      auto* custom = dynamic_cast<GCustomMediaSize*>(list->ChildAt(i));
      if (custom != nullptr && walk(++ordinal, custom->GetPaperId(), RWWString(custom->GetName()), userData) != 1)
        return 1;
    }
    return 1;
  }
  int AddCustomForm(GCustomMediaSize* record, GAttributeComposite* list, int) override {
    if (refuseForms) return 0;
    GCustomMediaSize::Pair size;
    record->GetSizeInUnit(size, GCustomMediaSize::kHundredthInch);
    added.push_back({std::string(record->GetName().Data()), size.width, size.height});
    record->SetPaperId(static_cast<int16_t>(0x4000 + nextForm++));
    list->AddChild(record);
    return 1;
  }
  int DeleteCustomForm(GCustomMediaSize* record, GAttributeComposite* list, int) override {
    deleted.push_back(std::string(record->GetName().Data()));
    delete list->RemoveChild(record);
    return 1;
  }
  int EnumerateBuiltinForms(void* callback, void* userData) override {
    auto walk = reinterpret_cast<GBuiltinFormCallback>(callback);
    for (const char* name : {"Letter", "Legal"}) {
      if (walk(RWWString(name), userData) == 0) return 0;
    }
    return 1;
  }
  int IsBuiltinForm(GCustomMediaSize* record) override { return record->GetName().Compare(RWCString("Letter"), 1) == 0; }

  struct Added {
    std::string name;
    uint32_t width;
    uint32_t height;
    bool operator==(const Added&) const = default;
  };
  std::vector<int> enumerationFlags;
  std::vector<Added> added;
  std::vector<std::string> deleted;
  bool refuseForms = false;
  int nextForm = 0;
};

// A medium of the test printer's pool at 600 dpi, in both orientations.
void AddPaperPageMedium(GMediaPool* pool, int16_t paperId, int16_t width, int16_t height) {
  const int32_t id = kCustomMedia;
  const GShortPoint portrait(width, height);
  const GShortPoint landscape(height, width);
  pool->AddChild(new GMedia("", &portrait, &portrait, nullptr, 0, paperId, 600, 600, &id));
  pool->AddChild(new GMedia("", &landscape, &landscape, nullptr, 90, paperId, 600, 600, &id));
}

GTray* PaperPageTray(const char* name, int16_t number) {
  const int32_t none = 0;
  return new GTray(0, name, number, 0, 0, 100, -1, nullptr, name, nullptr, &none);
}

class PaperPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    pagetest::InstallPageResources(kPaperPageLibrary);

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
    trayOption_ = option;
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
    // Letter, Legal and 11x17; the printer prints from 3 x 5 inches to
    // Legal.
    auto* pool = new GMediaPool(&kPrinterMediaPool);
    AddPaperPageMedium(pool, 1, 5100, 6600);
    AddPaperPageMedium(pool, 5, 5100, 8400);
    AddPaperPageMedium(pool, 21, 6600, 10200);
    AddPaperPageMedium(pool, 17384, 5100, 8400);
    AddPaperPageMedium(pool, 17385, 1800, 3000);
    printer_->GetConfiguration()->AddChild(pool);
    host_.SetDeviceModel(model);

    settings_.reset(Group(360, {Value(kPaperSize, 1), Value(kInputBin, 6), Value(kInputBinRest, 6),
                                Value(kUseDiffFirstPageChoice, 0), Value(kFitToOtherSizeChoice, 0),
                                Value(kTargetSizeChoice, 1), Text(kMediaType, ""), Text(kMediaTypeRest, ""),
                                Text(kOptionalPaperSources, ""), Value(kEnvFeeder, 0), Value(kSourceListChoice, 0),
                                Value(kOrientation, 0), Value(kMeasurementSystem, 1), Value(kNUpChoice, 1),
                                Value(kScaleChoice, 100), Value(kBookletPrintingChoice, 0),
                                Value(kScaleFromLargePaper, 1), Value(kSourceNoticeEnabled, 1),
                                Group(kResolution, {Value(kXResolution, 600), Value(kYResolution, 600)}),
                                new GEnumAttribute(&kCustomPaperList)}));
    data_.size = sizeof(GUIData);
    data_.host = &host_;
    data_.settings = settings_.get();
    data_.printer = model;
    data_.accessFlags = GUIAccess::kChangesAllowed;
    data_.sheetKind = 1;

    const int16_t pages = UIInitialize(&data_, 0);
    ASSERT_GT(pages, kPaperPageIndex);
    ASSERT_EQ(pagetest::LinkAndBuildPages(data_, pages, pages_, links_), pages);
  }
  void TearDown() override {
    UIDestroy(&data_);
    pagetest::FreePageTitles(pages_);
    w32test::Reset();
  }

  // Runs the Paper page as a dialog with the script, as a sheet shows it.
  // Dialogs the page opens take the inner scripts, in order.
  void RunPaperPage(std::vector<w32test::DialogAction> script,
                    std::vector<std::vector<w32test::DialogAction>> inner = {}) {
    PROPSHEETPAGEW record = pages_[kPaperPageIndex];
    ASSERT_EQ(reinterpret_cast<uintptr_t>(record.pszTemplate), 2000u);
    w32test::QueueDialogScript(std::move(script));
    for (auto& dialog : inner) w32test::QueueDialogScript(std::move(dialog));
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

  static std::vector<std::u16string> ListItems(HWND dialog, int id) {
    std::vector<std::u16string> items;
    HWND list = GetDlgItem(dialog, id);
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      WCHAR text[64] = {};
      SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }
  static std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[128] = {};
    GetDlgItemTextW(dialog, id, text, 127);
    return text;
  }
  // The user leaves an edit field of the custom paper dialog.
  static w32test::DialogAction LeaveEdit(int id) {
    return w32test::DialogAction::Message(WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), 0);
  }
  void SetSetting(int32_t id, int16_t value) {
    delete settings_->RemoveChildById(id);
    settings_->AddChild(Value(id, value));
  }
  GCustomMediaSize* SavedPaper(size_t index) {
    auto* list = dynamic_cast<GAttributeComposite*>(settings_->FindById(kCustomPaperList));
    return list != nullptr && index < static_cast<size_t>(list->GetEntryCount())
               ? dynamic_cast<GCustomMediaSize*>(list->ChildAt(index))
               : nullptr;
  }

  PaperPageHost host_;
  GAttributeComposite* trayOption_ = nullptr;
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

// ---- Paper size list ----

TEST_F(PaperPageTest, ThePaperListOffersTheHostsPapersAndWritesTheChoice) {
  std::vector<std::u16string> items;
  std::u16string sizeText;
  SetSetting(kBookletPrintingChoice, 1);
  RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) { items = ListItems(dialog, kPaperList); }),
                w32test::DialogAction::Select(kPaperList, 1),
                w32test::DialogAction::Inspect([&](HWND dialog) { sizeText = ControlText(dialog, kSizeText); }),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(items, (std::vector<std::u16string>{u"Letter", u"Legal", u"11x17"}));
  EXPECT_EQ(Setting(kPaperSize), 5);
  EXPECT_EQ(Setting(kBookletPrintingChoice), 0) << "a paper change turns booklet printing off";
  EXPECT_EQ(Setting(kFitToOtherSizeChoice), 0);
  EXPECT_EQ(sizeText, u"8.5 by 14 inches");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(PaperPageTest, WithoutScalingFromLargePaperOnlyPrintablePapersAreOffered) {
  SetSetting(kScaleFromLargePaper, 0);
  std::vector<std::u16string> items;
  RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) { items = ListItems(dialog, kPaperList); }),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(items, (std::vector<std::u16string>{u"Letter", u"Legal"}));
  ASSERT_FALSE(host_.enumerationFlags.empty());
  EXPECT_EQ(host_.enumerationFlags.back(), 1);
}

TEST_F(PaperPageTest, APaperBeyondThePrintersLimitsFitsToLetterUntilAPrintablePaperIsChosen) {
  SetSetting(kTargetSizeChoice, 5);
  std::u16string sizeText;
  RunPaperPage({w32test::DialogAction::Select(kPaperList, 2),
                w32test::DialogAction::Inspect([&](HWND dialog) { sizeText = ControlText(dialog, kSizeText); }),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kPaperSize), 21);
  EXPECT_EQ(Setting(kFitToOtherSizeChoice), 1);
  EXPECT_EQ(Setting(kTargetSizeChoice), 1);
  EXPECT_EQ(sizeText, u"8.5 by 11 inches") << "the text shows the paper the pages print on";
  EXPECT_TRUE(Shown().empty()) << "nothing conflicts";

  // Back on a printable paper the earlier target and fit flag return.
  RunPaperPage({w32test::DialogAction::Select(kPaperList, 0), w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kPaperSize), 1);
  EXPECT_EQ(Setting(kFitToOtherSizeChoice), 0);
}

TEST_F(PaperPageTest, APaperBeyondTheLimitsAsksBeforeTurningNUpOff) {
  SetSetting(kNUpChoice, 2);
  // Cancel: the update is undone, nothing changed.
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  RunPaperPage({w32test::DialogAction::Select(kPaperList, 2), w32test::DialogAction::Close(IDOK)});
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].caption, "For Your Information");
  EXPECT_EQ(Setting(kPaperSize), 1);
  EXPECT_EQ(Setting(kNUpChoice), 2);
  EXPECT_EQ(Setting(kFitToOtherSizeChoice), 0);

  // OK: n-up goes, the paper fits to Letter.
  w32test::QueueMessageBoxAnswer(IDOK);
  RunPaperPage({w32test::DialogAction::Select(kPaperList, 2), w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(Setting(kPaperSize), 21);
  EXPECT_EQ(Setting(kNUpChoice), 1);
  EXPECT_EQ(Setting(kFitToOtherSizeChoice), 1);
}

TEST_F(PaperPageTest, AClickOnTheSizeTextSwitchesBetweenInchesAndMillimetres) {
  std::u16string before;
  std::u16string after;
  SetSetting(kOrientation, 90);
  RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) {
                  before = ControlText(dialog, kSizeText);
                  RECT place{};
                  GetWindowRect(GetDlgItem(dialog, kSizeText), &place);
                  POINT inside{place.left + 2, place.top + 2};
                  ScreenToClient(dialog, &inside);
                  SendMessageW(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(inside.x, inside.y));
                  after = ControlText(dialog, kSizeText);
                }),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(before, u"11 by 8.5 inches");
  EXPECT_EQ(after, u"279 by 216 mm.");
  EXPECT_EQ(Setting(kMeasurementSystem), 2);
}

// ---- Source notice ----

int RunsOf(UINT templateId) {
  int runs = 0;
  for (const auto& run : w32test::DialogRuns()) runs += run.templateId == templateId && run.finished ? 1 : 0;
  return runs;
}

TEST_F(PaperPageTest, ChoosingTheNoticeSourceShowsTheNoticeUntilTheUserTurnsItOff) {
  trayOption_->AddChild(PaperPageTray("Manual Feed", 18));
  RunPaperPage({w32test::DialogAction::Select(kSourceList, 3), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::SetCheck(11530, true), w32test::DialogAction::Click(IDOK)}});
  EXPECT_EQ(RunsOf(11535), 1);
  EXPECT_EQ(Setting(kInputBin), 18);
  EXPECT_EQ(Setting(kSourceNoticeEnabled), 0);
  // Turned off, choosing the source again shows nothing.
  RunPaperPage({w32test::DialogAction::Select(kSourceList, 0), w32test::DialogAction::Select(kSourceList, 3),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_EQ(RunsOf(11535), 1);
}

// ---- Custom paper sizes ----

TEST_F(PaperPageTest, SizeEntryReadsOnlyUsableNumbers) {
  struct Case {
    const char16_t* text;
    int32_t unit;
    int read;
    uint32_t value;
  };
  const Case cases[] = {
      {u"8.5", GCustomMediaSize::kHundredthInch, 1, 850},
      {u"8,5", GCustomMediaSize::kHundredthInch, 1, 850},  // the locale's separator below is ","
      {u"216", GCustomMediaSize::kMicrometre, 1, 216000},
      {u"215.9", GCustomMediaSize::kMicrometre, 1, 215000},  // whole millimetres
      {u"-3", GCustomMediaSize::kHundredthInch, 0, 0},
      {u"-3", GCustomMediaSize::kMicrometre, 0, 0},
      {u"4294968", GCustomMediaSize::kMicrometre, 0, 0},  // times 1000 is beyond 32 bits: no wrap
      {u"4294967", GCustomMediaSize::kMicrometre, 1, 4294967000u},
      {u"99999999999", GCustomMediaSize::kHundredthInch, 0, 0},
      {u"nan", GCustomMediaSize::kHundredthInch, 0, 0},
      {u"inf", GCustomMediaSize::kMicrometre, 0, 0},
      {u"abc", GCustomMediaSize::kHundredthInch, 0, 0},
      {u"", GCustomMediaSize::kMicrometre, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
    uint32_t value = 0;
    EXPECT_EQ(GCustomPaperSizeWrapper::ParseSize(RWWString(c.text), c.unit, RWWString(u","), &value), c.read);
    if (c.read == 1) {
      EXPECT_EQ(value, c.value);
    }
  }
  EXPECT_TRUE(GCustomPaperSizeWrapper::FormatSize(850, GCustomMediaSize::kHundredthInch, RWWString(u",")) ==
              RWWString(u"8,50"));
  EXPECT_TRUE(GCustomPaperSizeWrapper::FormatSize(215900, GCustomMediaSize::kMicrometre, RWWString(u".")) ==
              RWWString(u"216"));
}

TEST_F(PaperPageTest, TheCustomPaperDialogEditsAndSavesAPaperInPortraitOrder) {
  std::u16string name;
  std::u16string widthShown;
  std::u16string widthAfterBadEntry;
  std::u16string widthStepped;
  std::u16string unitButton;
  RunPaperPage(
      {w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
      {{w32test::DialogAction::Inspect([&](HWND dialog) {
          name = ControlText(dialog, kCustomName);
          widthShown = ControlText(dialog, kCustomWidth);
          unitButton = ControlText(dialog, kCustomUnit);
        }),
        w32test::DialogAction::Type(kCustomWidth, u"-3"), LeaveEdit(kCustomWidth),
        w32test::DialogAction::Inspect([&](HWND dialog) { widthAfterBadEntry = ControlText(dialog, kCustomWidth); }),
        w32test::DialogAction::Type(kCustomWidth, u"7.53"), w32test::DialogAction::Spin(kCustomWidthArrows, 1),
        w32test::DialogAction::Inspect([&](HWND dialog) { widthStepped = ControlText(dialog, kCustomWidth); }),
        // 11 across is beyond the printer's 8.5; with 6 down the paper is
        // saved as 6 x 8.5.
        w32test::DialogAction::Type(kCustomWidth, u"11"), LeaveEdit(kCustomWidth),
        w32test::DialogAction::Type(kCustomHeight, u"6"), LeaveEdit(kCustomHeight),
        w32test::DialogAction::Type(kCustomName, u"  Cheque  "), w32test::DialogAction::Click(kCustomAction),
        w32test::DialogAction::Close(kCustomClose)}});
  EXPECT_EQ(name, u"Untitled") << "opened on a standard paper";
  EXPECT_EQ(widthShown, u"8.50") << "with that paper's size";
  EXPECT_EQ(unitButton, u"&Use Millimeters");
  EXPECT_EQ(widthAfterBadEntry, u"8.50") << "-3 is no size";
  EXPECT_EQ(widthStepped, u"7.60") << "7.53 and a tenth, down to whole tenths";
  EXPECT_EQ(host_.added, (std::vector<PaperPageHost::Added>{{"Cheque", 600, 850}}));
  ASSERT_NE(SavedPaper(0), nullptr);
  EXPECT_EQ(SavedPaper(0)->GetPaperId(), 0x4000);
  // Closing with the saved paper shown chooses it.
  EXPECT_EQ(Setting(kPaperSize), 0x4000);
}

TEST_F(PaperPageTest, SizesStayWithinThePrintersLimitsInMillimetres) {
  SetSetting(kMeasurementSystem, 2);
  std::u16string tooLarge;
  std::u16string mmLabel;
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomHeight, u"5000"), LeaveEdit(kCustomHeight),
                 w32test::DialogAction::Inspect([&](HWND dialog) {
                   tooLarge = ControlText(dialog, kCustomHeight);
                   mmLabel = IsWindowVisible(GetDlgItem(dialog, 11433)) ? u"mm shown" : u"mm hidden";
                 }),
                 w32test::DialogAction::Close(kCustomClose)}});
  EXPECT_EQ(tooLarge, u"356") << "Legal's 14 inches are the largest";
  EXPECT_EQ(mmLabel, u"mm shown");
}

TEST_F(PaperPageTest, SavingUnderABuiltInFormNameOrAnExistingNameIsRefusedOrAsked) {
  // A built-in form's name is refused.
  w32test::QueueMessageBoxAnswer(IDOK);
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"letter"), w32test::DialogAction::Click(kCustomAction),
                 w32test::DialogAction::Close(kCustomClose)}});
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].caption, "Custom Paper Problem");
  EXPECT_TRUE(host_.added.empty());

  // A saved paper's name asks to replace it; No keeps it.
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"Cheque"), w32test::DialogAction::Click(kCustomAction),
                 w32test::DialogAction::Close(kCustomClose)}});
  ASSERT_EQ(host_.added.size(), 1u);
  SetSetting(kPaperSize, 1);
  w32test::QueueMessageBoxAnswer(IDNO);
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"CHEQUE"), w32test::DialogAction::Click(kCustomAction),
                 w32test::DialogAction::Close(kCustomClose)}});
  EXPECT_EQ(w32test::MessageBoxes().back().text,
            "A custom paper already exists with that name.  Do you want to replace the existing item?");
  EXPECT_EQ(host_.added.size(), 1u);
  EXPECT_TRUE(host_.deleted.empty());
}

TEST_F(PaperPageTest, DeletingTheCurrentCustomPaperMakesTheReferencePaperCurrent) {
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"Cheque"), w32test::DialogAction::Click(kCustomAction),
                 w32test::DialogAction::Close(kCustomClose)}});
  ASSERT_EQ(Setting(kPaperSize), 0x4000);
  // Reopened on the custom paper: Delete mode, confirmed.
  std::u16string action;
  w32test::QueueMessageBoxAnswer(IDOK);
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Inspect([&](HWND dialog) { action = ControlText(dialog, kCustomAction); }),
                 w32test::DialogAction::Click(kCustomAction), w32test::DialogAction::Close(kCustomClose)}});
  EXPECT_EQ(action, u"D&elete");
  EXPECT_EQ(w32test::MessageBoxes().back().text, "Are you sure you want to delete the selected item?");
  EXPECT_EQ(host_.deleted, std::vector<std::string>{"Cheque"});
  EXPECT_EQ(SavedPaper(0), nullptr);
  EXPECT_EQ(Setting(kPaperSize), GSettingQuery::ShortOr(host_.GetDocumentSettings(), kPaperSize, 1));
}

TEST_F(PaperPageTest, TheCustomButtonIsDisabledWithoutPermissionToSaveSystemSettings) {
  bool enabled = true;
  // The custom-size rule's availability key.
  settings_->AddChild(Group(kUIState, {Value(0x40000049, 1)}));
  RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) { enabled = IsWindowEnabled(GetDlgItem(dialog, kCustomButton)); }),
                w32test::DialogAction::Close(IDOK)});
  EXPECT_FALSE(enabled);
}

TEST_F(PaperPageTest, TheBuiltInFormNamesComeFromTheHostThroughTheSession) {
  GCustomPaperAccessor papers(UIProviderSession(&data_));
  std::vector<std::u16string> names;
  auto collect = [](const RWWString& name, void* context) {
    static_cast<std::vector<std::u16string>*>(context)->push_back(std::u16string(name.Data(), name.Length()));
    return 1;
  };
  EXPECT_EQ(papers.EnumerateStandardPapers(collect, &names), 1);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Letter", u"Legal"}));
  // A walk the callback ends reports it.
  names.clear();
  EXPECT_EQ(papers.EnumerateStandardPapers([](const RWWString&, void*) { return 0; }, &names), 0);
}

TEST_F(PaperPageTest, OnTheOtherPagesTabThePaperListIsDisabledOrHidden) {
  struct Case {
    int16_t tab;
    int16_t tabbedLayout;
    bool enabled;
    bool visible;
  };
  const Case cases[] = {{0, 0, true, true}, {1, 0, false, true}, {0, 1, true, true}, {1, 1, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << c.tab << " layout " << c.tabbedLayout);
    delete settings_->RemoveChildById(kUIState);
    settings_->AddChild(Group(kUIState, {Value(kPaperPageTab, c.tab)}));
    SetSetting(kTabbedPaperLayout, c.tabbedLayout);
    bool enabled = false;
    bool visible = false;
    RunPaperPage({w32test::DialogAction::Inspect([&](HWND dialog) {
                    enabled = IsWindowEnabled(GetDlgItem(dialog, kPaperList));
                    visible = IsWindowVisible(GetDlgItem(dialog, kPaperList));
                  }),
                  w32test::DialogAction::Close(IDOK)});
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_EQ(visible, c.visible);
  }
}

TEST_F(PaperPageTest, RenamingASavedPaperKeepsOneFormUnderTheNewName) {
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"Cheque"), w32test::DialogAction::Click(kCustomAction),
                 w32test::DialogAction::Close(kCustomClose)}});
  ASSERT_EQ(Setting(kPaperSize), 0x4000);
  RunPaperPage({w32test::DialogAction::Click(kCustomButton), w32test::DialogAction::Close(IDOK)},
               {{w32test::DialogAction::Type(kCustomName, u"Voucher"), w32test::DialogAction::Click(kCustomAction), w32test::DialogAction::Close(kCustomClose)}});
  EXPECT_EQ(host_.deleted, std::vector<std::string>{"Cheque"});
  ASSERT_EQ(host_.added.size(), 2u);
  EXPECT_EQ(host_.added[1].name, "Voucher");
  ASSERT_NE(SavedPaper(0), nullptr);
  EXPECT_EQ(SavedPaper(1), nullptr);
  EXPECT_EQ(std::string(SavedPaper(0)->GetName().Data()), "Voucher");
  EXPECT_EQ(Setting(kPaperSize), SavedPaper(0)->GetPaperId()) << "closing with the renamed paper shown chooses it";
}

}  // namespace
