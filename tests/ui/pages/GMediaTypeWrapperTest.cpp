// The paper type list: what it offers with and without form-to-tray
// assignments and reported names, what it selects, and which settings a
// choice writes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "resources/StringTable.h"
#include "support/AttributeBuilders.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/framework/GMediaTypeNames.h"
#include "ui/pages/GMediaTypeWrapper.h"
#include "win32/Dialog.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/Window.h"

namespace {

constexpr char16_t kLibrary[] = u"QVMEDIA.DLL";
constexpr UINT kTemplate = 2000;
constexpr int16_t kCombo = 2018;
const GControlRow kTable[] = {{kCombo, 203}, {0, 0}};

using A = GMediaTypeAccessor;

using qvtest::Text;
using qvtest::Value;
std::string WrapperStr(const RWCString& s) { return std::string(s.Data(), s.Length()); }
std::u16string MediaTypeWrapperWide(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

class MediaTypeListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kLibrary;
    spec.strings = ModuleStringTable();
    spec.dialogs[kTemplate] =
        w32test::DialogSpec{{u"Paper"}, {{kCombo, w32test::ControlKind::kComboBox, u"", false}}};
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kLibrary)), 1);
    const int32_t root = 360;
    settings_ = std::make_unique<GAttributeComposite>(&root);
    settings_->AddChild(Text(GFeatureIds::kMediaType, ""));
    settings_->AddChild(Text(GFeatureIds::kMediaTypeRest, ""));
    settings_->AddChild(Value(GFeatureIds::kPaperSize, 1));
    settings_->AddChild(Value(GFeatureIds::kUseDiffFirstPageChoice, 0));
    settings_->AddChild(Value(GFeatureIds::kFitToOtherSizeChoice, 0));
    settings_->AddChild(Value(GFeatureIds::kTargetSizeChoice, 9));
    settings_->AddChild(Value(GFeatureIds::kPaperPageTab, 0));
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.accessFlags = GUIAccess::kChangesAllowed;
    session_ = std::make_unique<GUISession>(&data_);
  }
  void TearDown() override {
    session_.reset();
    settings_.reset();
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }

  void AddReportedNames(std::initializer_list<const char*> names) {
    const int32_t list = GFeatureIds::kDiscoveredMediaNames;
    auto* group = new GAttributeComposite(&list);
    const int32_t entry = 702;
    for (const char* name : names) group->AddChild(new GStringAttribute(name, &entry));
    settings_->AddChild(group);
  }
  GFormToTrayDatabase* AddFormToTray() {
    auto* database = new GFormToTrayDatabase(&GFeatureIds::kFormToTrayDatabase);
    settings_->AddChild(database);
    return database;
  }
  std::string Stored(int32_t id) {
    RWCString text;
    session_->GetSettingsView().GetNarrowString(&id, &text);
    return WrapperStr(text);
  }
  void SetValue(int32_t id, int16_t value) { session_->GetSettingsView().SetInt(&id, value); }
  void SetText(int32_t id, const char* text) { session_->GetSettingsView().SetNarrowString(&id, RWCString(text)); }

  // Runs the page's dialog with the wrapper attached and calls check.
  void WithList(std::function<void(GMediaTypeWrapper&, HWND)> check) {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(LoadLibraryW(kLibrary));
    ASSERT_NE(module, nullptr);
    int ran = 0;
    w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
      ++ran;
      GMediaTypeWrapper wrapper(new GMediaTypeAccessor(session_.get()), kTable);
      wrapper.Attach(dialog);
      check(wrapper, dialog);
    })});
    DialogBoxParamW(module, MAKEINTRESOURCEW(kTemplate), nullptr, &NoProcedure, 0);
    FreeLibrary(module);
    EXPECT_EQ(ran, 1) << "the dialog did not run";
  }
  static INT_PTR NoProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

  static std::vector<std::u16string> Items(GMediaTypeWrapper& wrapper) {
    std::vector<std::u16string> items;
    for (int16_t i = 0; i < wrapper.GetComboBox().GetCount(); ++i) {
      RWWString text;
      wrapper.GetComboBox().GetItemText(i, &text);
      items.push_back(MediaTypeWrapperWide(text));
    }
    return items;
  }
  static std::u16string Selected(GMediaTypeWrapper& wrapper) {
    RWWString text;
    const int16_t index = wrapper.GetComboBox().GetCurSel();
    if (index < 0) return u"<none>";
    wrapper.GetComboBox().GetItemText(index, &text);
    return MediaTypeWrapperWide(text);
  }
  // Selects the item with that text and sends the selection change.
  static void Choose(GMediaTypeWrapper& wrapper, HWND dialog, const char* text) {
    ASSERT_EQ(wrapper.GetComboBox().SelectByText(RWCString(text)), 1) << text;
    EXPECT_EQ(wrapper.OnMessage(WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                                reinterpret_cast<LPARAM>(GetDlgItem(dialog, kCombo))),
              1);
  }

  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::unique_ptr<GUISession> session_;
};

TEST_F(MediaTypeListTest, OffersTheTableAndAtMostFiveReportedNamesWithTheirIds) {
  AddReportedNames({"Heavy", "Glossy", "Film", "Vellum", "Tab", "Sixth"});
  WithList([&](GMediaTypeWrapper& wrapper, HWND) {
    const std::vector<std::u16string> expected = {
        u"Auto Select", u"Plain",    u"Preprinted", u"Letterhead", u"Transparency", u"Prepunched",
        u"Labels",      u"Bond",     u"Recycled",   u"Color",      u"Cardstock",    u"Rough",
        u"Heavy",       u"Glossy",   u"Film",       u"Vellum",     u"Tab"};
    EXPECT_EQ(Items(wrapper), expected);
    EXPECT_EQ(wrapper.GetComboBox().GetItemData(0), 11101);
    EXPECT_EQ(wrapper.GetComboBox().GetItemData(11), 11112);
    EXPECT_EQ(wrapper.GetComboBox().GetItemData(12), 11144);
    EXPECT_EQ(wrapper.GetComboBox().GetItemData(16), 11148);
  });
}

TEST_F(MediaTypeListTest, AssignmentsLimitTheListToTheTypesOfTheCurrentPaper) {
  AddReportedNames({"Heavy", "Glossy"});
  GFormToTrayDatabase* database = AddFormToTray();
  database->AssignTray(1, 1, 11102);     // Letter, Plain
  database->AssignTray(2, 1, 11107);     // Letter, Labels
  database->AssignTray(3, 1, 11145);     // Letter, the second reported name
  database->AssignTray(4, 9, 11104);     // A4, Letterhead
  WithList([&](GMediaTypeWrapper& wrapper, HWND) {
    EXPECT_EQ(Items(wrapper), (std::vector<std::u16string>{u"Auto Select", u"Plain", u"Labels", u"Glossy"}));
  });
  // Fitting to another size asks for the target paper.
  SetValue(GFeatureIds::kFitToOtherSizeChoice, 1);
  WithList([&](GMediaTypeWrapper& wrapper, HWND) {
    EXPECT_EQ(Items(wrapper), (std::vector<std::u16string>{u"Auto Select", u"Letterhead"}));
  });
}

TEST_F(MediaTypeListTest, SelectsTheStoredTypeByItsShownName) {
  AddReportedNames({"Heavy"});
  struct Case {
    int16_t editsOther;
    const char* first;
    const char* rest;
    std::u16string shown;
  } cases[] = {
      {0, "Card Stock", "Plain", u"Cardstock"},
      {0, "", "Plain", u"Auto Select"},
      {1, "Card Stock", "Heavy", u"Heavy"},
      {1, "Plain", "Bond", u"Bond"},
      {0, "Unknown", "Plain", u"<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    SetValue(GFeatureIds::kPaperPageTab, c.editsOther);
    SetText(GFeatureIds::kMediaType, c.first);
    SetText(GFeatureIds::kMediaTypeRest, c.rest);
    WithList([&](GMediaTypeWrapper& wrapper, HWND) {
      wrapper.SetControlFromFeature(1);
      EXPECT_EQ(Selected(wrapper), c.shown);
    });
  }
}

TEST_F(MediaTypeListTest, AChoiceWritesTheStoredNameOfThePagesBeingEdited) {
  AddReportedNames({"Heavy"});
  struct Case {
    int16_t editsOther;
    int16_t differentFirst;
    const char* choice;
    const char* first;
    const char* rest;
  } cases[] = {
      {0, 0, "Cardstock", "Card Stock", "Card Stock"},  // all pages: both
      {0, 1, "Labels", "Labels", "Bond"},               // first page only
      {1, 1, "Heavy", "Bond", "Heavy"},                 // other pages only
      {0, 0, "Auto Select", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    SetValue(GFeatureIds::kPaperPageTab, c.editsOther);
    SetValue(GFeatureIds::kUseDiffFirstPageChoice, c.differentFirst);
    SetText(GFeatureIds::kMediaType, "Bond");
    SetText(GFeatureIds::kMediaTypeRest, "Bond");
    WithList([&](GMediaTypeWrapper& wrapper, HWND dialog) { Choose(wrapper, dialog, c.choice); });
    EXPECT_EQ(Stored(GFeatureIds::kMediaType), c.first);
    EXPECT_EQ(Stored(GFeatureIds::kMediaTypeRest), c.rest);
  }
}

TEST_F(MediaTypeListTest, CommandsOfOtherControlsAndEmptySelectionsChangeNothing) {
  SetText(GFeatureIds::kMediaType, "Bond");
  SetText(GFeatureIds::kMediaTypeRest, "Bond");
  WithList([&](GMediaTypeWrapper& wrapper, HWND) {
    wrapper.GetComboBox().SelectByText(RWCString("Plain"));
    EXPECT_EQ(wrapper.OnMessage(WM_COMMAND, MAKEWPARAM(2019, CBN_SELCHANGE), 0), 0);
    wrapper.GetComboBox().SetCurSel(-1);
    wrapper.ReadControlIntoFeature();
  });
  EXPECT_EQ(Stored(GFeatureIds::kMediaType), "Bond");
  EXPECT_EQ(Stored(GFeatureIds::kMediaTypeRest), "Bond");
}

TEST_F(MediaTypeListTest, ReportedNamesWalkSkipsForeignMembersAndEndsWithoutAList) {
  GMediaTypeAccessor accessor(session_.get());
  RWWString name;
  accessor.ResetReportedNames();
  EXPECT_EQ(accessor.NextReportedName(name), 0);
  AddReportedNames({"Heavy"});
  const int32_t list = GFeatureIds::kDiscoveredMediaNames;
  auto* names = static_cast<GAttributeComposite*>(settings_->FindById(list));
  names->AddChild(Value(703, 4));
  names->AddChild(new GStringAttribute("Glossy", &list));
  accessor.ResetReportedNames();
  ASSERT_EQ(accessor.NextReportedName(name), 1);
  EXPECT_EQ(MediaTypeWrapperWide(name), u"Heavy");
  ASSERT_EQ(accessor.NextReportedName(name), 1);
  EXPECT_EQ(MediaTypeWrapperWide(name), u"Glossy");
  EXPECT_EQ(accessor.NextReportedName(name), 0);
}

TEST_F(MediaTypeListTest, RefreshIsNeededWhenTheListsInputsChange) {
  AddReportedNames({"Heavy"});
  GMediaTypeAccessor accessor(session_.get());
  struct Case {
    const char* name;
    int32_t id;
    int withAssignments;
    int needed;
  } cases[] = {
      {"tab", GFeatureIds::kPaperPageTab, 0, 1},
      {"first", GFeatureIds::kMediaType, 0, 1},
      {"rest", GFeatureIds::kMediaTypeRest, 0, 1},
      {"different first", GFeatureIds::kUseDiffFirstPageChoice, 0, 1},
      {"paper, no assignments", GFeatureIds::kPaperSize, 0, 0},
      {"paper, assignments", GFeatureIds::kPaperSize, 1, 1},
      {"unrelated", GFeatureIds::kTargetSizeChoice, 1, 0},
  };
  GFormToTrayDatabase* database = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.withAssignments != 0 && database == nullptr) {
      database = AddFormToTray();
      database->AssignTray(1, 1, 11102);
    }
    session_->BeginUpdate(nullptr);
    EXPECT_EQ(accessor.NeedsRefresh(), 0);
    if (c.id == GFeatureIds::kMediaType || c.id == GFeatureIds::kMediaTypeRest) {
      SetText(c.id, "Rough");
    } else {
      int value = 0;
      session_->GetSettingsView().GetInt(&c.id, &value);
      SetValue(c.id, static_cast<int16_t>(value + 1));
    }
    EXPECT_EQ(accessor.NeedsRefresh(), c.needed);
    session_->EndUpdate();
  }
}

}  // namespace
