// The watermark pool and the accessor every watermark control goes
// through: default records for an empty pool, selection and its built-in
// index, unique names from texts, commit and delete of the working copy,
// the full-list limit, change detection, the shared edit state of a session
// and undo leaving the stored records alone.
#include "ui/pages/GWatermarkAccessor.h"

#include <gtest/gtest.h>

#include "resources/DialogTemplates.h"
#include "ui/pages/GWatermarkDetails.h"

#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "resources/StringTable.h"
#include "support/AttributeBuilders.h"
#include "support/RecordingPeripheral.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "w32test/Testing.h"

namespace watermark_accessor_test {

using namespace GFeatureIds;
using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

constexpr char16_t kLibrary[] = u"QVWMUI.DLL";

std::string Narrow(const RWWString& text) {
  std::string out;
  for (size_t i = 0; i < text.Length(); ++i) out += static_cast<char>(text.Data()[i]);
  return out;
}

RWWString Wide(const char* text) { return RWWString(text); }

class WatermarkAccessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kLibrary;
    spec.strings = ModuleStringTable();
    size_t count = 0;
    const IMAGE_RESOURCE_DIALOG* templates = DialogTemplateEntries(&count);
    spec.dialogs = w32test::DialogTemplates(templates, count);
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kLibrary)), 1);

    printer_ = new qvtest::RecordingPeripheral;
    printer_->SetFeatureId(kDeviceEntry);
    printer_->GetConfiguration()->AddChild(Value(kColorDevice, 1));
    printer_->GetConfiguration()->AddChild(new GRangeAttribute(10, 300, 1, 80, &kWMFontSizeRange));
    model_.reset(Group(900, {printer_}));

    // The job's selection first, then the preferences with the pool: the
    // records hold ids (WatermarkBuiltIn) the job's group holds as well.
    settings_.reset(Group(360, {Group(kDocumentSettings2, {Group(kWatermarks, {Text(kSelectedWatermark, ""),
                                                                               Value(kWatermarkBuiltIn, 0),
                                                                               Value(kWMFirstPageOnly, 2)})}),
                                Value(kWatermarkEditable, 0), Value(kWMDefaultShade, 200),
                                Group(kDriverPreferences, {Group(kWatermarkPool)})}));
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.printer = model_.get();
    data_.accessFlags = GUIAccess::kChangesAllowed;
    session_ = std::make_unique<GUISession>(&data_);
  }
  void TearDown() override {
    session_.reset();
    settings_.reset();
    model_.reset();
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }

  GAttributeComposite* Pool() { return dynamic_cast<GAttributeComposite*>(settings_->FindById(kWatermarkPool)); }
  std::vector<std::string> PoolNames() {
    std::vector<std::string> names;
    GAttributeComposite* pool = Pool();
    for (int i = 0; i < pool->GetEntryCount(); ++i) {
      RWCString name;
      GSettingQuery::TextAt(pool->ChildAt(static_cast<size_t>(i)), kWatermarkName, &name, GSettingQuery::kString);
      names.push_back(std::string(name.Data(), name.Length()));
    }
    return names;
  }
  int16_t Job(int32_t id) {
    return GSettingQuery::ShortOr(GSettingQuery::Find(settings_.get(), kWatermarks), id, -1);
  }
  std::string Selected() {
    RWWString name;
    GWatermarkAccessor(session_.get()).GetSelectedName(&name);
    return Narrow(name);
  }
  // A new record with the text, committed.
  void AddRecord(GWatermarkAccessor& accessor, const char* text) {
    accessor.SetState(GWatermarkAccessor::kNewRecord);
    accessor.SetText(Wide(text));
    accessor.SetNameFromText();
    accessor.Commit();
  }

  qvtest::RecordingPeripheral* printer_ = nullptr;
  std::unique_ptr<GAttributeComposite> model_;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::unique_ptr<GUISession> session_;
};

TEST_F(WatermarkAccessorTest, AnEmptyPoolGetsTheFourDefaultRecords) {
  GWatermarkAccessor accessor(session_.get());
  ASSERT_EQ(accessor.SelectCurrent(), 1);
  EXPECT_EQ(PoolNames(), (std::vector<std::string>{"", "Confidential", "SAMPLE", "Draft"}));
  struct Expected {
    const char* text;
    int16_t style, size, builtIn;
  };
  const Expected expected[] = {{" (none)", 0, 80, 0}, {"Confidential", 1, 90, 1}, {"SAMPLE", 1, 140, 3},
                               {"Draft", 1, 220, 2}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    MPersistentObject* record = Pool()->ChildAt(static_cast<size_t>(i));
    EXPECT_EQ(record->FeatureId(), kWatermarkEntry);
    RWCString text, face;
    GSettingQuery::TextAt(record, kWatermarkText, &text, GSettingQuery::kString);
    GSettingQuery::TextAt(record, kWMFont, &face, GSettingQuery::kString);
    EXPECT_EQ(std::string(text.Data(), text.Length()), expected[i].text);
    EXPECT_EQ(std::string(face.Data(), face.Length()), "Arial");
    EXPECT_EQ(GSettingQuery::ShortOr(record, kWMFontStyle, -1), expected[i].style);
    EXPECT_EQ(GSettingQuery::ShortOr(record, kWMFontSize, -1), expected[i].size);
    EXPECT_EQ(GSettingQuery::ShortOr(record, kWatermarkBuiltIn, -1), expected[i].builtIn);
    EXPECT_EQ(GSettingQuery::ShortOr(record, kWMFontEscapement, -1), 1);
    for (int32_t id : {kWMShadeLevel, kWMRed, kWMGreen, kWMBlue}) EXPECT_EQ(GSettingQuery::ShortOr(record, id, -1), 200);
    EXPECT_EQ(GSettingQuery::ShortOr(record, kWatermarkOrigin, -1), -1);
  }
  // Nothing selected: the none record is the working copy.
  EXPECT_EQ(accessor.GetState(), GWatermarkAccessor::kNoneSelected);
  RWWString text;
  accessor.GetText(&text);
  EXPECT_EQ(Narrow(text), " (none)");
  // A second selection keeps the pool as it is.
  accessor.SelectCurrent();
  EXPECT_EQ(Pool()->GetEntryCount(), 4);
}

TEST_F(WatermarkAccessorTest, SelectingANameStoresItsBuiltInIndex) {
  GWatermarkAccessor accessor(session_.get());
  const struct {
    const char* name;
    int16_t builtIn;
  } cases[] = {{" (none)", 0}, {"", 0}, {"Draft", 2}, {"Confidential", 1}, {"SAMPLE", 3}, {"draft", 999},
               {"Memo", 999}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    accessor.SelectByName(Wide(c.name));
    EXPECT_EQ(Job(kWatermarkBuiltIn), c.builtIn);
    EXPECT_EQ(Selected(), c.name);
  }
}

TEST_F(WatermarkAccessorTest, ASelectionThatNamesNoRecordFallsBackToNone) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectByName(Wide("Gone"));
  accessor.SelectCurrent();
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(Job(kWatermarkBuiltIn), 0);
  EXPECT_EQ(accessor.GetState(), GWatermarkAccessor::kNoneSelected);

  accessor.SelectByName(Wide("SAMPLE"));
  accessor.SelectCurrent();
  EXPECT_EQ(accessor.GetState(), GWatermarkAccessor::kStoredUnchanged);
  EXPECT_EQ(accessor.GetSize(), 140);
}

TEST_F(WatermarkAccessorTest, RecordsOfTheSameTextGetNumberedNames) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectCurrent();
  AddRecord(accessor, "Draft");
  AddRecord(accessor, "Draft");
  EXPECT_EQ(PoolNames(), (std::vector<std::string>{"", "Confidential", "SAMPLE", "Draft", "Draft #2", "Draft #3"}));
  EXPECT_EQ(Selected(), "Draft #3");
  EXPECT_EQ(Job(kWatermarkBuiltIn), 999);
  EXPECT_EQ(accessor.GetState(), GWatermarkAccessor::kStoredUnchanged);
  // An empty text gives an empty name, which is never committed.
  accessor.SetState(GWatermarkAccessor::kNewRecord);
  accessor.SetText(RWWString());
  accessor.SetNameFromText();
  accessor.Commit();
  EXPECT_EQ(Pool()->GetEntryCount(), 6);
}

TEST_F(WatermarkAccessorTest, ChangingAStoredRecordReplacesItOnCommit) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectCurrent();
  accessor.SelectByName(Wide("SAMPLE"));
  accessor.SelectCurrent();
  accessor.SetSize(150);
  EXPECT_EQ(accessor.GetState(), GWatermarkAccessor::kStoredChanged);
  accessor.SetStyle(11064);
  accessor.SetShade(11091);
  accessor.SetColor(11086);
  EXPECT_EQ(accessor.GetStyleTextId(), 11064);
  EXPECT_EQ(accessor.GetShadeTextId(), 11091);
  EXPECT_EQ(accessor.GetColorTextId(), 11086);
  // The text is unchanged, so the name stays.
  accessor.SetNameFromText();
  accessor.Commit();
  EXPECT_EQ(PoolNames(), (std::vector<std::string>{"", "Confidential", "Draft", "SAMPLE"}));
  GAttributeComposite* stored = accessor.FindByName(RWCString("SAMPLE"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMFontSize, -1), 150);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMFontStyle, -1), 3);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMShadeLevel, -1), 192);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMRed, -1), 0);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMGreen, -1), 255);
  EXPECT_EQ(GSettingQuery::ShortOr(stored, kWMBlue, -1), 255);
  EXPECT_EQ(Selected(), "SAMPLE");
  // The working copy is a copy, not the stored record.
  EXPECT_NE(accessor.WorkingCopy(), stored);

  accessor.DeleteSelected();
  EXPECT_EQ(PoolNames(), (std::vector<std::string>{"", "Confidential", "Draft"}));
  EXPECT_EQ(Selected(), "");
}

TEST_F(WatermarkAccessorTest, TheListIsFullAtThirtyOneRecordsCountingAnUncommittedNewOne) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectCurrent();
  for (int i = 4; i < 30; ++i) AddRecord(accessor, "Memo");
  ASSERT_EQ(Pool()->GetEntryCount(), 30);
  EXPECT_EQ(accessor.IsListFull(), 0);
  EXPECT_EQ(accessor.ReadValue(&GWatermarkAccessor::kNewTipAvailability), 2);
  accessor.SetState(GWatermarkAccessor::kNewRecord);
  EXPECT_EQ(accessor.IsListFull(), 1);
  EXPECT_EQ(accessor.ReadValue(&GWatermarkAccessor::kNewTipAvailability), 1);
  EXPECT_EQ(accessor.ReadValue(&GWatermarkAccessor::kNewTipReason), GWatermarkAccessor::kListFullText);
  accessor.SetText(Wide("Memo"));
  accessor.SetNameFromText();
  accessor.Commit();
  EXPECT_EQ(Pool()->GetEntryCount(), 31);
  EXPECT_EQ(accessor.IsListFull(), 1);
}

TEST_F(WatermarkAccessorTest, AccessorsOfOneSessionShareTheEditStateUntilTheLastGoes) {
  auto first = std::make_unique<GWatermarkAccessor>(session_.get());
  first->SelectCurrent();
  first->SetState(GWatermarkAccessor::kNewTyped);
  {
    GWatermarkAccessor second(session_.get());
    EXPECT_EQ(second.GetState(), GWatermarkAccessor::kNewTyped);
    EXPECT_EQ(second.WorkingCopy(), first->WorkingCopy());
    second.SetState(7);  // refused
    EXPECT_EQ(first->GetState(), GWatermarkAccessor::kNewTyped);
  }
  EXPECT_EQ(first->GetState(), GWatermarkAccessor::kNewTyped);
  EXPECT_NE(first->ReadValue(&GWatermarkAccessor::kStateKeyLow) | first->ReadValue(&GWatermarkAccessor::kStateKeyHigh),
            0);
  first.reset();
  GWatermarkAccessor fresh(session_.get());
  EXPECT_EQ(fresh.GetState(), GWatermarkAccessor::kNoneSelected);
  EXPECT_EQ(fresh.WorkingCopy(), nullptr);
}

TEST_F(WatermarkAccessorTest, EditsAreSeenAsChangesButUndoLeavesTheStoredRecordsAlone) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectCurrent();
  accessor.SelectByName(Wide("Confidential"));
  accessor.SelectCurrent();
  session_->UndoChanges();  // start a clean update cycle
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(accessor.HasChanged(), 0);
  accessor.SetSize(33);
  accessor.SetFont(Wide("Courier New"));
  EXPECT_EQ(accessor.HasChanged(), 1);
  session_->UndoChanges();
  session_->EndUpdate();
  // Every record keeps its size; the first pool record above all.
  EXPECT_EQ(GSettingQuery::ShortOr(Pool()->ChildAt(0), kWMFontSize, -1), 80);
  EXPECT_EQ(GSettingQuery::ShortOr(Pool()->ChildAt(1), kWMFontSize, -1), 90);
  RWCString face;
  GSettingQuery::TextAt(Pool()->ChildAt(0), kWMFont, &face, GSettingQuery::kString);
  EXPECT_EQ(std::string(face.Data(), face.Length()), "Arial");
}

TEST_F(WatermarkAccessorTest, OwnRecordsAreMarkedOnlyWithAccessFlagEight) {
  GWatermarkAccessor accessor(session_.get());
  accessor.SelectCurrent();
  accessor.SelectByName(Wide("Draft"));
  accessor.SelectCurrent();
  EXPECT_EQ(accessor.IsForeign(), 1);
  accessor.MarkOwn();
  EXPECT_EQ(accessor.IsForeign(), 1);
  data_.accessFlags |= GUIAccess::kPerUserNT5;
  accessor.MarkOwn();
  EXPECT_EQ(accessor.IsForeign(), 0);
  accessor.SetState(GWatermarkAccessor::kStoredChanged);
  accessor.Commit();
  accessor.StartWalk();
  RWWString name;
  int flag = -1;
  std::vector<std::pair<std::string, int>> walk;
  while (accessor.NextListEntry(&name, &flag) != 0) walk.emplace_back(Narrow(name), flag);
  EXPECT_EQ(walk, (std::vector<std::pair<std::string, int>>{{"", 1}, {"Confidential", 1}, {"SAMPLE", 1}, {"Draft", 0}}));
}

TEST_F(WatermarkAccessorTest, FirstPageOnlyFollowsTheNameAndTheModelGivesRangeAndColour) {
  GWatermarkAccessor accessor(session_.get());
  int32_t firstPage = kWMFirstPageOnly;
  accessor.SetFirstPageByName(Wide("Draft"));
  EXPECT_EQ(Job(firstPage), 0);
  session_->GetSettingsView().SetInt(&firstPage, 1);
  accessor.SetFirstPageByName(Wide("Draft"));
  EXPECT_EQ(Job(firstPage), 1);
  accessor.SetFirstPageByName(Wide(" (none)"));
  EXPECT_EQ(Job(firstPage), 2);
  accessor.SetEditable(1);
  EXPECT_EQ(GSettingQuery::ShortOr(settings_.get(), kWatermarkEditable, -1), 1);
  EXPECT_EQ(accessor.IsColorDevice(), 1);
  EXPECT_EQ(accessor.GetSizeMinimum(), 10);
  EXPECT_EQ(accessor.GetSizeMaximum(), 300);
}

// ---- The Watermark Details dialog, run from the Effects page's button ----

using w32test::DialogAction;

constexpr int kList = 5002;
constexpr int kNew = 5003;
constexpr int kDelete = 5004;
constexpr int kMessage = 5006;
constexpr int kFontName = 5012;
constexpr int kSize = 5016;
constexpr int kSizeArrows = 5017;
constexpr int kHorizontal = 5009;
constexpr int kAngleChoice = 5021;
constexpr int kAngle = 5022;
constexpr int kDraftLine = 2;  // " (none)", "Confidential", "Draft", "SAMPLE"

class WatermarkDetailsTest : public WatermarkAccessorTest {
 protected:
  int Run(std::vector<DialogAction> script) {
    static const GControlRow kButton[] = {{6013, 502}, {0, 0}};
    GWatermarkEditButtonWrapper button(new GWatermarkAccessor(session_.get()), kButton);
    w32test::QueueDialogScript(std::move(script));
    return button.RunDialog();
  }
  MPersistentObject* Record(const char* name) {
    GWatermarkAccessor accessor(session_.get());
    return accessor.FindByName(RWCString(name));
  }
  static std::string Text(HWND dialog, int id) {
    WCHAR buffer[300] = {};
    GetDlgItemTextW(dialog, id, buffer, 300);
    std::string out;
    for (const WCHAR* c = buffer; *c != 0; ++c) out += static_cast<char>(*c);
    return out;
  }
};

TEST_F(WatermarkDetailsTest, ANewWatermarkIsTypedAndKeptWithOk) {
  std::string shown;
  EXPECT_EQ(Run({DialogAction::Click(kNew), DialogAction::Inspect([&](HWND d) { shown = Text(d, kMessage); }),
                 DialogAction::Type(kMessage, u"Top Secret  "), DialogAction::Close(1)}),
            1);
  EXPECT_EQ(shown, "Untitled");
  EXPECT_EQ(PoolNames(), (std::vector<std::string>{"", "Confidential", "SAMPLE", "Draft", "Top Secret"}));
  EXPECT_EQ(Selected(), "Top Secret");
  EXPECT_EQ(Job(kWatermarkBuiltIn), 999);
  EXPECT_EQ(Job(kWMFirstPageOnly), 0);
}

TEST_F(WatermarkDetailsTest, CancelKeepsWhatASelectionChangeCommitted) {
  Run({DialogAction::Click(kNew), DialogAction::Type(kMessage, u"Memo"), DialogAction::Select(kList, kDraftLine),
       DialogAction::Close(2)});
  EXPECT_NE(Record("Memo"), nullptr);
  // The selection before the dialog (none) comes back.
  EXPECT_EQ(Selected(), "");
}

TEST_F(WatermarkDetailsTest, SizeAndAngleOfAStoredWatermarkChangeItOnOk) {
  Run({DialogAction::Select(kList, kDraftLine), DialogAction::Type(kSize, u"500"),
       DialogAction::Message(WM_COMMAND, MAKEWPARAM(kSize, EN_KILLFOCUS), 0), DialogAction::Spin(kSizeArrows, 1),
       DialogAction::Click(kHorizontal), DialogAction::Close(1)});
  MPersistentObject* draft = Record("Draft");
  ASSERT_NE(draft, nullptr);
  // 500 is beyond the printer's 300 and ignored; the arrow adds one.
  EXPECT_EQ(GSettingQuery::ShortOr(draft, kWMFontSize, -1), 221);
  EXPECT_EQ(GSettingQuery::ShortOr(draft, kWMFontEscapement, -1), 0);
  EXPECT_EQ(Selected(), "Draft");

  Run({DialogAction::Select(kList, kDraftLine), DialogAction::Click(kAngleChoice), DialogAction::Type(kAngle, u"725"),
       DialogAction::Message(WM_COMMAND, MAKEWPARAM(kAngle, EN_KILLFOCUS), 0), DialogAction::Close(1)});
  draft = Record("Draft");
  EXPECT_EQ(GSettingQuery::ShortOr(draft, kWMFontEscapement, -1), 4);
  EXPECT_EQ(GSettingQuery::ShortOr(draft, kWMCustomAngle, -1), 360);
}

TEST_F(WatermarkDetailsTest, DeleteAsksFirstAndNoneCannotBeTyped) {
  w32test::QueueMessageBoxAnswer(IDCANCEL);
  Run({DialogAction::Select(kList, kDraftLine), DialogAction::Click(kDelete), DialogAction::Close(1)});
  EXPECT_NE(Record("Draft"), nullptr);
  Run({DialogAction::Select(kList, kDraftLine), DialogAction::Click(kDelete), DialogAction::Close(1)});
  EXPECT_EQ(Record("Draft"), nullptr);
  EXPECT_EQ(Selected(), "");
  ASSERT_GE(w32test::MessageBoxes().size(), 2u);
  EXPECT_EQ(w32test::MessageBoxes()[0].text, "Are you sure you want to delete the selected item?");

  Run({DialogAction::Select(kList, 1), DialogAction::Type(kMessage, u" (none)"),
       DialogAction::Message(WM_COMMAND, MAKEWPARAM(kMessage, EN_KILLFOCUS), 0), DialogAction::Close(1)});
  GAttributeComposite* confidential = GWatermarkAccessor(session_.get()).FindByName(RWCString("Confidential"));
  ASSERT_NE(confidential, nullptr);
  RWCString text;
  GSettingQuery::TextAt(confidential, kWatermarkText, &text, GSettingQuery::kString);
  EXPECT_EQ(std::string(text.Data(), text.Length()), "Confidential");
  EXPECT_EQ(w32test::MessageBoxes().back().caption, "Warning");
}

TEST_F(WatermarkDetailsTest, AFaceTheSystemLacksBecomesArialAndOnlyTrueTypeFacesAreListed) {
  w32test::SetFontFamilies({{u"Courier New", 0, TRUETYPE_FONTTYPE}, {u"Arial", 238, TRUETYPE_FONTTYPE},
                            {u"Fixedsys", 0, RASTER_FONTTYPE}});
  {
    GWatermarkAccessor accessor(session_.get());
    accessor.SelectCurrent();
    accessor.SelectByName(Wide("SAMPLE"));
    accessor.SelectCurrent();
    accessor.SetFont(Wide("Gone Sans"));
    accessor.SetState(GWatermarkAccessor::kStoredChanged);
    accessor.Commit();
  }
  int faces = 0;
  Run({DialogAction::Inspect([&](HWND d) { faces = static_cast<int>(SendDlgItemMessageW(d, kFontName, CB_GETCOUNT, 0, 0)); }),
       DialogAction::Close(1)});
  EXPECT_EQ(faces, 2);
  GAttributeComposite* sample = GWatermarkAccessor(session_.get()).FindByName(RWCString("SAMPLE"));
  RWCString face;
  GSettingQuery::TextAt(sample, kWMFont, &face, GSettingQuery::kString);
  EXPECT_EQ(std::string(face.Data(), face.Length()), "Arial");
  EXPECT_EQ(GSettingQuery::ShortOr(sample, kWMFontCharSet, -1), 238);
}

TEST(WatermarkDiagonalTest, TheDiagonalOfAPortraitAndALandscapePage) {
  EXPECT_EQ(GWMAngleWrapper::DiagonalAngle(85, 110), 52);
  EXPECT_EQ(GWMAngleWrapper::DiagonalAngle(110, 85), 37);
  EXPECT_EQ(GWMAngleWrapper::DiagonalAngle(0, 110), 0);
}

}  // namespace watermark_accessor_test
