#include "config/GWatermarkHandlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/GDMCHandlerFactory.h"
#include "config/GDMCLibrary.h"
#include "support/ConfigTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::SetDMCFeature;
using qvtest::ValuesOf;

constexpr const char16_t* kSelectionPath = u"printing/Watermarks";
constexpr const char16_t* kColorPath = u"printing/Watermarks/WMColor";
constexpr const char16_t* kFontPath = u"printing/Watermarks/WMFont";
constexpr const char16_t* kEscapementPath = u"printing/Watermarks/WMFontEscapement";
constexpr const char16_t* kAnglePath = u"printing/Watermarks/WMFontEscapement/WMCustomAngle";
constexpr const char16_t* kFirstPagePath = u"printing/Watermarks/WMFirstPageOnly";
constexpr const char16_t* kStylePath = u"printing/Watermarks/WMFontStyle";
constexpr const char16_t* kShadePath = u"printing/Watermarks/WMShadeLevel";

constexpr int16_t kWatermarkHandlersUntouched = 12345;

using Maker = std::function<GConfigFeatureHandler*(GDMCLibrary*)>;
template <class H>
Maker WatermarkHandlersMake() {
  return [](GDMCLibrary* library) { return new H(library); };
}

// A pool record as the watermark editor keeps it.
struct RecordDef {
  const char* name;
  int16_t builtIn;
};

class WatermarkHandlersTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
    settings = std::make_unique<GAttributeComposite>();
    auto* job2 = MakeGroup(364);
    current = MakeGroup(379, {{1112, 0}, {382, 0}, {387, 0}, {388, 0}, {390, 100}, {393, 1},
                              {398, 224}, {399, 224}, {400, 224}, {403, 224}});
    AddString(current, 383, "");
    AddString(current, 386, "Arial");
    job2->AddChild(current);
    settings->AddChild(job2);
    auto* preferences = MakeGroup(366);
    pool = MakeGroup(378);
    for (const RecordDef& r : {RecordDef{"", 0}, RecordDef{"Confidential", 1}, RecordDef{"SAMPLE", 3},
                               RecordDef{"Draft", 2}}) {
      pool->AddChild(MakeRecord(r.name, r.builtIn));
    }
    preferences->AddChild(pool);
    settings->AddChild(preferences);
  }
  static GAttributeComposite* MakeRecord(const char* name, int16_t builtIn) {
    auto* record = MakeGroup(380, {{387, 0}, {388, 1}, {390, 140}, {393, 1}, {394, 0}, {398, 224}, {399, 224},
                                   {400, 224}, {403, 224}, {1112, builtIn}});
    AddString(record, 384, name);
    AddString(record, 385, name);
    AddString(record, 386, "Times New Roman");
    return record;
  }
  static void AddString(GAttributeComposite* group, int32_t id, const char* text) {
    group->AddChild(new GStringAttribute(text, &id));
  }
  static int16_t ValueOf(MPersistentObject* object, int32_t id) {
    auto* v = dynamic_cast<GValueAttribute*>(object->FindById(id));
    return v != nullptr ? v->GetValue() : int16_t(-32768);
  }
  static std::string TextOf(MPersistentObject* object, int32_t id) {
    auto* s = dynamic_cast<GStringAttribute*>(object->FindById(id));
    return s != nullptr ? std::string(s->GetString().Data(), s->GetString().Length()) : "<missing>";
  }
  static void Set(MPersistentObject* object, int32_t id, int16_t value) {
    dynamic_cast<GValueAttribute*>(object->FindById(id))->SetValue(value);
  }
  GAttributeComposite* Record(size_t index) { return dynamic_cast<GAttributeComposite*>(pool->ChildAt(index)); }
  std::vector<int32_t> ChangedIds() {
    std::vector<int32_t> ids;
    for (int i = 0; i < changes->GetEntryCount(); ++i) ids.push_back(changes->ChildAt(i)->FeatureId());
    return ids;
  }
  void ClearRecords() {
    changes->RemoveAllChildren();
    FakeDMC().exports.clear();
    FakeDMC().calls.clear();
    FakeDMC().buffers.clear();
  }
  long Count(const std::string& entry) { return std::count(FakeDMC().calls.begin(), FakeDMC().calls.end(), entry); }

  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> changes;
  std::unique_ptr<GAttributeComposite> settings;
  GAttributeComposite* current = nullptr;  // 364/379
  GAttributeComposite* pool = nullptr;     // 366/378
};

// ---- Detail handlers with one value ----

struct ValueDetailCase {
  const char* name;
  Maker make;
  std::u16string path;
  int32_t id;
  std::vector<std::pair<std::u16string, int16_t>> options;
  int16_t defaultValue;
  bool exportsFromRoot;  // reads 364/379 of the settings root it is given
};

const std::vector<ValueDetailCase>& ValueDetailCases() {
  static const std::vector<ValueDetailCase> cases = {
      {"FirstPageOnly", WatermarkHandlersMake<GWMFirstPageOnlyHandler>(), kFirstPagePath, 382,
       {{u"NoPages", 2}, {u"AllPages", 0}, {u"FirstPageOnly", 1}}, 2, true},
      {"FontStyle", WatermarkHandlersMake<GWMFontStyleHandler>(), kStylePath, 388,
       {{u"Regular", 0}, {u"Bold", 1}, {u"Italic", 2}, {u"BoldItalic", 3}, {u"Underline", 4}, {u"Strikeout", 8}}, 0,
       false},
      {"ShadeLevel", WatermarkHandlersMake<GWMShadeLevelHandler>(), kShadePath, 403,
       {{u"Lightest Color", 232}, {u"Lightest", 255}, {u"VeryLight", 224}, {u"Light", 192}, {u"MediumLight", 160},
        {u"Medium", 128}, {u"MediumDark", 96}, {u"Dark", 64}, {u"VeryDark", 32}, {u"Darkest", 0}},
       224, false},
      {"FontEscapement", WatermarkHandlersMake<GWMFontEscapementHandler>(), kEscapementPath, 393,
       {{u"Horizontal", 0}, {u"Diagonal", 1}, {u"Vertical", 2}, {u"TopDiagonal", 3}}, 1, false},
  };
  return cases;
}

TEST_F(WatermarkHandlersTest, EveryDetailOptionImportsItsValueAndExportsBack) {
  for (const ValueDetailCase& c : ValueDetailCases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GConfigFeatureHandler> handler(c.make(library.get()));
    for (const auto& [text, value] : c.options) {
      SCOPED_TRACE(std::string(text.begin(), text.end()));
      ClearRecords();
      Set(current, c.id, kWatermarkHandlersUntouched);
      SetDMCFeature(c.path, text);
      EXPECT_EQ(handler->Import(settings.get(), changes.get()), 1);
      EXPECT_EQ(ValueOf(current, c.id), value);
      EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{c.id, value}}));
      EXPECT_NE(changes->ChildAt(0), current->FindById(c.id));
      EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 255u);

      FakeDMC().exports.clear();
      GAttributeComposite* object = c.exportsFromRoot ? settings.get() : current;
      EXPECT_EQ(handler->Export(object), 1);
      EXPECT_EQ(Exports(), std::vector<std::u16string>{c.path + u"=" + text});
    }
    // An unknown option changes nothing; a value without a row is not
    // exported.
    ClearRecords();
    Set(current, c.id, kWatermarkHandlersUntouched);
    SetDMCFeature(c.path, u"bold");
    EXPECT_EQ(handler->Import(settings.get(), changes.get()), 0);
    EXPECT_EQ(ValueOf(current, c.id), kWatermarkHandlersUntouched);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    EXPECT_EQ(handler->Export(c.exportsFromRoot ? settings.get() : current), 0);
    EXPECT_TRUE(FakeDMC().exports.empty());
  }
}

TEST_F(WatermarkHandlersTest, MissingDetailAttributesAreCreatedWithTheirDefaults) {
  struct Case {
    const char* name;
    Maker make;
    std::vector<std::pair<int32_t, int16_t>> created;
  };
  const std::vector<Case> cases = {
      {"Color", WatermarkHandlersMake<GWMColorHandler>(), {{398, 224}, {399, 224}, {400, 224}}},
      {"Font", WatermarkHandlersMake<GWMFontHandler>(), {{387, 0}}},
      {"FontEscapement", WatermarkHandlersMake<GWMFontEscapementHandler>(), {{393, 1}}},
      {"FirstPageOnly", WatermarkHandlersMake<GWMFirstPageOnlyHandler>(), {{382, 2}}},
      {"FontStyle", WatermarkHandlersMake<GWMFontStyleHandler>(), {{388, 0}}},
      {"ShadeLevel", WatermarkHandlersMake<GWMShadeLevelHandler>(), {{403, 224}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    current->RemoveAllChildren();
    changes->RemoveAllChildren();
    std::unique_ptr<GConfigFeatureHandler> handler(c.make(library.get()));
    // The detail is unknown to the library: the import fails, the
    // attributes exist all the same, and nothing is recorded.
    EXPECT_EQ(handler->Import(settings.get(), changes.get()), 0);
    EXPECT_EQ(ValuesOf(current), c.created);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    // A second import adds nothing.
    EXPECT_EQ(handler->Import(settings.get(), changes.get()), 0);
    EXPECT_EQ(ValuesOf(current).size(), c.created.size());
  }
  // The font name is created as "Arial" before the option is compared.
  current->RemoveAllChildren();
  SetDMCFeature(kFontPath, u"Wingdings");
  EXPECT_EQ(GWMFontHandler(library.get()).Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(TextOf(current, 386), "Arial");
  EXPECT_EQ(ValueOf(current, 387), 0);
  // The custom angle is created only for a custom escapement.
  SetDMCFeature(kEscapementPath, u"Diagonal");
  EXPECT_EQ(GWMFontEscapementHandler(library.get()).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(current->FindById(394), nullptr);
}

TEST_F(WatermarkHandlersTest, DetailsNeedTheCurrentWatermarkOfTheSecondDocumentGroup) {
  GAttributeComposite noWatermark;
  noWatermark.AddChild(MakeGroup(364));
  // A watermark group outside 364 is not the job's.
  noWatermark.AddChild(MakeGroup(362, {{379, 0}}));
  SetDMCFeature(kShadePath, u"Dark");
  SetDMCFeature(kSelectionPath, u"Draft");
  std::vector<std::unique_ptr<GConfigFeatureHandler>> handlers;
  handlers.emplace_back(new GWMColorHandler(library.get()));
  handlers.emplace_back(new GWMFontHandler(library.get()));
  handlers.emplace_back(new GWMFontEscapementHandler(library.get()));
  handlers.emplace_back(new GWMFirstPageOnlyHandler(library.get()));
  handlers.emplace_back(new GWMFontStyleHandler(library.get()));
  handlers.emplace_back(new GWMShadeLevelHandler(library.get()));
  handlers.emplace_back(new GWatermarksHandler(library.get()));
  for (auto& handler : handlers) {
    EXPECT_EQ(handler->Import(&noWatermark, changes.get()), 0);
    EXPECT_EQ(handler->Export(&noWatermark), 0);
  }
  EXPECT_EQ(dynamic_cast<GAttributeComposite*>(noWatermark.FindById(364))->GetEntryCount(), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
}

// ---- Colour ----

TEST_F(WatermarkHandlersTest, EveryColourImportsItsComponentsAndExportsBack) {
  struct Case {
    std::u16string option;
    int16_t red, green, blue;
  };
  const Case cases[] = {{u"Gray", 255, 255, 255}, {u"Red", 255, 0, 0},     {u"Yellow", 255, 255, 0},
                        {u"Blue", 0, 0, 255},     {u"Green", 0, 255, 0},   {u"Cyan", 0, 255, 255},
                        {u"Magenta", 255, 0, 255}};
  GWMColorHandler handler(library.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option.begin(), c.option.end()));
    ClearRecords();
    SetDMCFeature(kColorPath, c.option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(ValuesOf(changes.get()),
              (std::vector<std::pair<int32_t, int16_t>>{{398, c.red}, {399, c.green}, {400, c.blue}}));
    EXPECT_EQ(ValueOf(current, 398), c.red);
    EXPECT_EQ(ValueOf(current, 399), c.green);
    EXPECT_EQ(ValueOf(current, 400), c.blue);
    EXPECT_EQ(handler.Export(current), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kColorPath) + u"=" + c.option});
  }
}

TEST_F(WatermarkHandlersTest, ColourExportCountsMissingComponentsAsZero) {
  GWMColorHandler handler(library.get());
  // Only red: 255, 0, 0.
  GAttributeComposite onlyRed;
  onlyRed.AddChild(MakeGroup(379, {{398, 255}}));
  EXPECT_EQ(handler.Export(&onlyRed), 1);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kColorPath) + u"=Red"});
  // No component at all, the default 224 grey, and components outside a
  // byte have no row.
  FakeDMC().exports.clear();
  GAttributeComposite none;
  EXPECT_EQ(handler.Export(&none), 0);
  EXPECT_EQ(handler.Export(current), 0);
  Set(current, 398, 255 + 256);
  Set(current, 399, 0);
  Set(current, 400, 0);
  EXPECT_EQ(handler.Export(current), 0);
  Set(current, 398, -1);
  EXPECT_EQ(handler.Export(current), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
}

// ---- Font ----

TEST_F(WatermarkHandlersTest, EveryFontImportsItsNameAndExportsBack) {
  GWMFontHandler handler(library.get());
  for (const char16_t* font : {u"Times New Roman", u"Courier New", u"Helvetica", u"Arial"}) {
    const std::u16string option = font;
    SCOPED_TRACE(std::string(option.begin(), option.end()));
    ClearRecords();
    SetDMCFeature(kFontPath, option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(TextOf(current, 386), std::string(option.begin(), option.end()));
    EXPECT_EQ(ChangedIds(), std::vector<int32_t>{386});
    EXPECT_EQ(handler.Export(current), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kFontPath) + u"=" + option});
  }
  // Names are compared exactly, and a long name is compared by its start
  // only as far as the compare reads.
  for (const std::string& name : {std::string("arial"), std::string("Arial "), std::string("Aria"),
                                  std::string("Arial") + std::string(300, 'x'), std::string()}) {
    dynamic_cast<GStringAttribute*>(current->FindById(386))->SetString(name.c_str());
    FakeDMC().exports.clear();
    EXPECT_EQ(handler.Export(current), 0);
    EXPECT_TRUE(FakeDMC().exports.empty());
  }
  // A font attribute of another kind is left alone.
  GAttributeComposite wrongKind;
  auto* job2 = MakeGroup(364);
  job2->AddChild(MakeGroup(379, {{386, 1}}));
  wrongKind.AddChild(job2);
  EXPECT_EQ(handler.Import(&wrongKind, changes.get()), 0);
  EXPECT_EQ(handler.Export(&wrongKind), 0);
}

// ---- Escapement and custom angle ----

TEST_F(WatermarkHandlersTest, CustomEscapementTakesItsAngle) {
  struct Case {
    const char* name;
    bool anglePath;
    std::u16string angle;
    int result;
    int16_t storedAngle;
  };
  const Case cases[] = {
      {"45", true, u"45", 1, 45},
      {"blanks and sign", true, u"  -90", 1, -90},
      {"digits then text", true, u"30deg", 1, 30},
      {"zero", true, u"0", 0, 7},
      {"no digits", true, u"abc", 0, 7},
      {"low bits zero", true, u"65536", 0, 7},
      {"huge", true, u"99999999999999999999", 1, -1},
      {"no path", false, u"", 0, 7},
  };
  GWMFontEscapementHandler handler(library.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDMC().features.clear();
    changes->RemoveAllChildren();
    delete current->RemoveChildById(394);
    const int32_t angleId = 394;
    current->AddChild(new GValueAttribute(7, &angleId));
    SetDMCFeature(kEscapementPath, u"Custom");
    if (c.anglePath) SetDMCFeature(kAnglePath, c.angle);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), c.result);
    EXPECT_EQ(ValueOf(current, 393), 4);
    EXPECT_EQ(ValueOf(current, 394), c.storedAngle);
    if (c.result == 1) {
      EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{393, 4}, {394, c.storedAngle}}));
    } else {
      EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{393, 4}}));
    }
  }
  // The custom angle is created with 0 when it is missing.
  delete current->RemoveChildById(394);
  SetDMCFeature(kAnglePath, u"0");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(ValueOf(current, 394), 0);
}

TEST_F(WatermarkHandlersTest, AngleBuffersAreBoundedAgainstTheLibrary) {
  GWMFontEscapementHandler handler(library.get());
  SetDMCFeature(kEscapementPath, u"Custom");
  SetDMCFeature(kAnglePath, u"123" + std::u16string(400, u'4'));
  FakeDMC().buffers.clear();
  // A number of more than 63 digits saturates; nothing is read past the
  // buffers.
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  std::vector<std::pair<std::string, size_t>> seen;
  for (const auto& b : FakeDMC().buffers) seen.emplace_back(b.entry, b.capacityUnits);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, size_t>>{
                      {"DMCGet", 255}, {"DMCGet", 64}, {"DMCWideToChar", 64}}));
  // Texts without terminators are cut at the buffers' ends.
  FakeDMC().noTerminators = true;
  SetDMCFeature(kEscapementPath, u"Custom");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);  // "CustomXXX..." is no option
  FakeDMC().noTerminators = false;
  SetDMCFeature(kEscapementPath, u"Custom");
  SetDMCFeature(kAnglePath, u"15");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(ValueOf(current, 394), 15);
}

TEST_F(WatermarkHandlersTest, CustomEscapementExportsItsAngle) {
  GWMFontEscapementHandler handler(library.get());
  const int32_t angleId = 394;
  current->AddChild(new GValueAttribute(45, &angleId));
  Set(current, 393, 4);
  EXPECT_EQ(handler.Export(current), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{std::u16string(kEscapementPath) + u"=Custom",
                                                    std::u16string(kAnglePath) + u"=45"}));
  // The angle goes out as an unsigned 16-bit decimal; the result is the
  // library's answer.
  FakeDMC().exports.clear();
  Set(current, 394, -90);
  FakeDMC().refusedExports = {std::u16string(kAnglePath) + u"=65446"};
  EXPECT_EQ(handler.Export(current), 0);
  EXPECT_EQ(Exports().back(), std::u16string(kAnglePath) + u"=65446");
  // Without the angle: 0 after the escapement was written.
  FakeDMC().exports.clear();
  delete current->RemoveChildById(394);
  EXPECT_EQ(handler.Export(current), 0);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kEscapementPath) + u"=Custom"});
  // Another escapement writes no angle.
  FakeDMC().exports.clear();
  Set(current, 393, 3);
  EXPECT_EQ(handler.Export(current), 1);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kEscapementPath) + u"=TopDiagonal"});
}

// ---- Watermark selection ----

void SetLookFeatures() {
  SetDMCFeature(kShadePath, u"Dark");
  SetDMCFeature(kStylePath, u"BoldItalic");
  SetDMCFeature(kFirstPagePath, u"FirstPageOnly");
  SetDMCFeature(kEscapementPath, u"Custom");
  SetDMCFeature(kAnglePath, u"45");
  SetDMCFeature(kFontPath, u"Courier New");
  SetDMCFeature(kColorPath, u"Red");
}

TEST_F(WatermarkHandlersTest, ASelectedWatermarkTakesTheImportedLook) {
  SetDMCFeature(kSelectionPath, u"Draft");
  SetLookFeatures();
  GWatermarksHandler handler(library.get());
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(TextOf(current, 383), "Draft");
  EXPECT_EQ(ValueOf(current, 1112), 2);
  // Selection first, then the details in their order.
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{383, 1112, 403, 388, 382, 393, 394, 386, 398, 399, 400}));
  EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 128u);

  GAttributeComposite* draft = Record(3);
  EXPECT_EQ(TextOf(draft, 386), "Courier New");
  for (const auto& [id, value] : std::vector<std::pair<int32_t, int16_t>>{{403, 64},
                                                                          {388, 3},
                                                                          {393, 4},
                                                                          {394, 45},
                                                                          {398, 255},
                                                                          {399, 0},
                                                                          {400, 0},
                                                                          {390, 100},
                                                                          {1112, 2},
                                                                          {387, 0}}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(ValueOf(draft, id), value);
    EXPECT_EQ(ValueOf(current, id), value);
  }
  // The record has no first-page value of its own and gains none; the
  // other records keep their look.
  EXPECT_EQ(draft->FindById(382), nullptr);
  EXPECT_EQ(ValueOf(current, 382), 1);
  for (size_t i : {0u, 1u, 2u}) {
    EXPECT_EQ(ValueOf(Record(i), 403), 224);
    EXPECT_EQ(TextOf(Record(i), 386), "Times New Roman");
  }

  // Export writes the selection and the record's look.
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{
                           std::u16string(kSelectionPath) + u"=Draft",
                           std::u16string(kFontPath) + u"=Courier New",
                           std::u16string(kShadePath) + u"=Dark",
                           std::u16string(kColorPath) + u"=Red",
                           std::u16string(kFirstPagePath) + u"=FirstPageOnly",
                           std::u16string(kStylePath) + u"=BoldItalic",
                           std::u16string(kEscapementPath) + u"=Custom",
                           std::u16string(kAnglePath) + u"=45",
                       }));
}

TEST_F(WatermarkHandlersTest, WithoutARecordTheDetailsStillImportAndThePoolStays) {
  delete pool->RemoveChild(Record(3));  // no "Draft" record
  dynamic_cast<GStringAttribute*>(current->FindById(383))->SetString("SAMPLE");
  Set(current, 1112, 3);
  SetDMCFeature(kSelectionPath, u"Draft");
  SetLookFeatures();
  EXPECT_EQ(GWatermarksHandler(library.get()).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(TextOf(current, 383), "SAMPLE");
  EXPECT_EQ(ValueOf(current, 1112), 3);
  EXPECT_EQ(ValueOf(current, 403), 64);
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{403, 388, 382, 393, 394, 386, 398, 399, 400}));
  for (size_t i : {0u, 1u, 2u}) EXPECT_EQ(ValueOf(Record(i), 403), 224);

  // A record of the number without a name is not selected either.
  ClearRecords();
  const int32_t nameId = 384;
  delete Record(2)->RemoveChildById(nameId);
  SetDMCFeature(kSelectionPath, u"Sample");
  EXPECT_EQ(GWatermarksHandler(library.get()).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(ValueOf(Record(2), 403), 224);
  EXPECT_EQ(ValueOf(Record(2), 1112), 3);
}

TEST_F(WatermarkHandlersTest, SelectionFailuresReadNoDetails) {
  GWatermarksHandler handler(library.get());
  SetLookFeatures();
  // The selection is unknown to the library, or its option to the table.
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  SetDMCFeature(kSelectionPath, u"DRAFT");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  EXPECT_EQ(ValueOf(current, 403), 224);
  // Without a pool the selection is recognised and nothing else happens.
  ClearRecords();
  SetDMCFeature(kSelectionPath, u"Draft");
  GAttributeComposite* preferences = dynamic_cast<GAttributeComposite*>(settings->FindById(366));
  std::unique_ptr<GAttribute> removed(preferences->RemoveChild(pool));
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Count("DMCSetContext"), 1);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  EXPECT_EQ(TextOf(current, 383), "");
  // The selection's own attributes must exist.
  for (int32_t id : {383, 1112}) {
    GAttributeComposite missing;
    auto* job2 = MakeGroup(364);
    auto* watermark = MakeGroup(379, {{1112, 0}});
    AddString(watermark, 383, "");
    delete watermark->RemoveChildById(id);
    job2->AddChild(watermark);
    missing.AddChild(job2);
    EXPECT_EQ(handler.Import(&missing, changes.get()), 0);
  }
}

TEST_F(WatermarkHandlersTest, SelectionExportStopsWhereTheSelectionEnds) {
  GWatermarksHandler handler(library.get());
  struct Case {
    const char* name;
    int16_t builtIn;
    const char* selected;
    bool keepPool;
    int result;
    std::vector<std::u16string> exports;
  };
  const std::u16string draft = std::u16string(kSelectionPath) + u"=Draft";
  const std::vector<Case> cases = {
      {"none", 0, "", true, 1, {std::u16string(kSelectionPath) + u"=None"}},
      {"name in no record", 2, "Drafts", true, 1, {draft}},
      {"name is a prefix", 2, "Dra", true, 1, {draft}},
      {"no pool", 2, "Draft", false, 0, {draft}},
      {"no row", 9, "Draft", true, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDMC().exports.clear();
    Set(current, 1112, c.builtIn);
    dynamic_cast<GStringAttribute*>(current->FindById(383))->SetString(c.selected);
    std::unique_ptr<GAttribute> removed;
    GAttributeComposite* preferences = dynamic_cast<GAttributeComposite*>(settings->FindById(366));
    if (!c.keepPool) removed.reset(preferences->RemoveChild(pool));
    EXPECT_EQ(handler.Export(settings.get()), c.result);
    EXPECT_EQ(Exports(), c.exports);
    if (removed) preferences->AddChild(removed.release());
  }
  // A refused selection is no selection: nothing more is written.
  FakeDMC().exports.clear();
  Set(current, 1112, 2);
  dynamic_cast<GStringAttribute*>(current->FindById(383))->SetString("Draft");
  FakeDMC().refusedExports = {draft};
  EXPECT_EQ(handler.Export(settings.get()), 0);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{draft});
  // Without 383 the selection is written and the result is 0.
  FakeDMC().refusedExports.clear();
  FakeDMC().exports.clear();
  delete current->RemoveChildById(383);
  EXPECT_EQ(handler.Export(settings.get()), 0);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{draft});
}

TEST_F(WatermarkHandlersTest, TheCreatorMakesTheSelectionHandler) {
  const GConfigHandlerCreator creator = &CreateWatermarksHandler;
  std::unique_ptr<GConfigFeatureHandler> handler(creator(library.get(), nullptr));
  ASSERT_NE(dynamic_cast<GWatermarksHandler*>(handler.get()), nullptr);
  EXPECT_EQ(handler->GetLibrary(), library.get());
  // Without a library every handler does nothing.
  GWatermarksHandler bare;
  GWMFontEscapementHandler escapement;
  SetDMCFeature(kSelectionPath, u"Draft");
  EXPECT_EQ(bare.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(bare.Export(settings.get()), 0);
  EXPECT_EQ(escapement.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(escapement.Export(current), 0);
}

}  // namespace
