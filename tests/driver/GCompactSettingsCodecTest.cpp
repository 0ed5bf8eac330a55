#include "driver/GCompactSettingsCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/GDriverInstanceAccess.h"
#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentIterator.h"
#include "model/ModelClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/ScopedUpwardServices.h"
#include "support/AttributeBuilders.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Building trees ----

using qvtest::Group;
using qvtest::Value;
using qvtest::Text;

// Direct child of a composite with the id, or null.
MPersistentObject* Child(MPersistentObject* parent, int32_t id) {
  std::unique_ptr<MPersistentIterator> it(parent->CreateIterator());
  while (it->Advance())
    if (it->Current()->FeatureId() == id) return it->Current();
  return nullptr;
}
int16_t ValueOf(MPersistentObject* parent, int32_t id) {
  auto* value = dynamic_cast<GValueAttribute*>(Child(parent, id));
  return value != nullptr ? value->GetValue() : int16_t{-999};
}
std::vector<int32_t> ChildIds(MPersistentObject* parent) {
  std::vector<int32_t> ids;
  std::unique_ptr<MPersistentIterator> it(parent->CreateIterator());
  while (it->Advance()) ids.push_back(it->Current()->FeatureId());
  return ids;
}

// The document settings defaults of the test device: a few groups with
// every kind of attribute the codec writes.
MPersistentObject* MakeDefaults() {
  const int32_t rangeId = 307;
  const int32_t displayId = 440;
  const int32_t tintId = 295;
  const int32_t enhancedId = 296;
  const int32_t ver2Id = 297;
  const int32_t enumId = 249;
  const int32_t stateId = 246;
  const int32_t ftId = 510;
  auto* resolution = new GEnumAttribute(&enumId);
  resolution->AddChild(Value(323, 600));
  resolution->AddChild(Value(323, 1200));
  auto* job = new GState(&stateId);
  job->AddChild(Value(260, 1));
  job->AddChild(Value(265, 0));
  return Group(360, {
      Group(362, {Value(266, 1), Value(267, 0), Text(270, "Document"), resolution, job}),
      Group(365, {Value(308, 0), new GRangeAttribute(0, 512, 8, 64, &rangeId)}),
      Group(366, {Value(940, 1)}),
      Group(368, {}),
      Group(283, {Value(284, 3)}),
      Group(276, {}),
      Group(378, {}),
      Group(701, {}),
      Group(63, {Value(64, 1)}),
      new GDisplayStringAttribute(&displayId, 0, "Label", ""),
      new GTintwrightAttribute(&tintId, 1, 2, 3, 4, 5, 6),
      new GTintwrightEnhancedAttribute(&enhancedId),
      new GTintwrightEnhancedAttributeVer2(&ver2Id),
      new GFormToTrayDatabase(&ftId),
  });
}

// A driver instance stands for a pair of trees here.
struct FakeInstance {
  std::unique_ptr<MPersistentObject> defaults;
  std::unique_ptr<MPersistentObject> configuration;
};
GDriverInstance* AsInstance(FakeInstance& fake) { return reinterpret_cast<GDriverInstance*>(&fake); }
FakeInstance& FromInstance(GDriverInstance* instance) { return *reinterpret_cast<FakeInstance*>(instance); }

// ---- Streams ----

Bytes Encode(GCompactSettingsCodec& codec, const MPersistentObject* root, int16_t selector, int* result = nullptr,
             size_t capacity = 4096) {
  Bytes buffer(capacity);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  const int r = codec.Encode(root, holder.GetStream(), &holder, selector);
  if (result != nullptr) *result = r;
  buffer.resize(static_cast<size_t>(holder.Tell() < 0 ? 0 : holder.Tell()));
  return buffer;
}

std::unique_ptr<MPersistentObject> Decode(GCompactSettingsCodec& codec, const Bytes& bytes, FakeInstance& instance,
                                          int16_t selector) {
  GPersistInStream holder(bytes.data(), bytes.size(), 1);
  return std::unique_ptr<MPersistentObject>(codec.Decode(holder.GetStream(), &holder, AsInstance(instance), selector));
}

Bytes Header() { return Bytes(20, 0x73); }
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class CompactCodecTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Registration ignores a second registration, so this may run beside
    // the program's own environment.
    RWRegisterLibraryClasses();
    RegisterModelClasses();
  }

  void SetUp() override {
    services_.Change([](GUpwardServices& s) {
      s.instance.createDefaultSettings = [](GDriverInstance* instance) -> MPersistentObject* {
        FakeInstance& fake = FromInstance(instance);
        return fake.defaults ? fake.defaults->DeepCopy() : nullptr;
      };
      s.instance.printerConfiguration = [](GDriverInstance* instance) -> MPersistentObject* {
        return FromInstance(instance).configuration.get();
      };
    });
    instance_.defaults.reset(MakeDefaults());
  }

  // Encodes with one codec and decodes with another over the defaults.
  std::unique_ptr<MPersistentObject> RoundTrip(const MPersistentObject* root, int16_t selector) {
    int result = 0;
    const Bytes bytes = Encode(writer_, root, selector, &result);
    EXPECT_EQ(result, 1);
    return Decode(reader_, bytes, instance_, selector);
  }

  qvtest::ScopedUpwardServices services_;
  FakeInstance instance_;
  GCompactSettingsCodec writer_;
  GCompactSettingsCodec reader_;
};

// ---- Golden bytes ----

TEST_F(CompactCodecTest, EmptySettingsRootHasTheGoldenBytesInBothModes) {
  std::unique_ptr<MPersistentObject> root(Group(360));
  EXPECT_EQ(Encode(writer_, root.get(), 0), Cat(Header(), {0x01, 0x01, 0x00, 0x68, 0x01, 0x04, 0x00, 0x00}));
  EXPECT_EQ(writer_.Mode(), 1);
  EXPECT_EQ(Encode(writer_, root.get(), 1),
            Cat(Header(), {0x01, 0x01, 0x00, 0x00, 0x00, 0x68, 0x01, 0x00, 0x00, 0x04, 0x00, 0x00}));
  EXPECT_EQ(writer_.Mode(), 0);
}

TEST_F(CompactCodecTest, LeafRecordsHaveTheirFixedForms) {
  const int32_t rangeId = 7;
  const int32_t tintId = 8;
  struct Case {
    const char* name;
    std::function<MPersistentObject*()> make;
    Bytes record;
  } cases[] = {
      {"value 0 folds into the tag", [] { return Value(5, 0); }, {110, 5, 0}},
      {"value 20 folds into the tag", [] { return Value(5, 20); }, {130, 5, 0}},
      {"value 21 takes tag 3", [] { return Value(5, 21); }, {3, 5, 0, 21, 0}},
      {"value -1 is its 16-bit pattern", [] { return Value(5, -1); }, {3, 5, 0, 0xFF, 0xFF}},
      {"empty string", [] { return Text(6, ""); }, {7, 6, 0, 1, 0, 0}},
      {"string", [] { return Text(6, "ab"); }, {7, 6, 0, 3, 0, 'a', 'b', 0}},
      {"range: max, min, step, value",
       [&] { return new GRangeAttribute(25, 400, 1, 100, &rangeId); },
       {5, 1, 0, 7, 0, 0x90, 0x01, 25, 0, 1, 0, 100, 0}},
      {"tintwright codes in pairs", [&] { return new GTintwrightAttribute(&tintId, 1, 2, 3, 4, 5, 6); },
       {4, 1, 0, 8, 0, 1, 2, 3, 4, 5, 6}},
      {"enhanced tintwright", [&] { return new GTintwrightEnhancedAttribute(&tintId); },
       {19, 1, 0, 8, 0, 70, 41, 80, 51, 91, 61, 95, 98}},
      {"tintwright version 2", [&] { return new GTintwrightEnhancedAttributeVer2(&tintId); },
       {20, 1, 0, 8, 0, 70, 41, 100, 80, 51, 103, 91, 61, 106, 95}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<MPersistentObject> root(Group(1, {c.make()}));
    const Bytes bytes = Encode(writer_, root.get(), 0);
    const uint16_t length = static_cast<uint16_t>(4 + c.record.size());
    Bytes expected = Cat(Header(), {1, 1, 0, 1, 0, static_cast<uint8_t>(length), 0});
    expected = Cat(Cat(expected, c.record), {0});
    EXPECT_EQ(bytes, expected);
  }
}

TEST_F(CompactCodecTest, NullRootWritesTheHeaderAloneAndBadArgumentsFail) {
  int result = 0;
  EXPECT_EQ(Encode(writer_, nullptr, 0, &result), Header());
  EXPECT_EQ(result, 1);
  std::unique_ptr<MPersistentObject> root(Group(360));
  Encode(writer_, root.get(), 2, &result);
  EXPECT_EQ(result, 0);
  // A root that is not a composite kind.
  std::unique_ptr<MPersistentObject> leaf(Value(1, 1));
  Encode(writer_, leaf.get(), 0, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(writer_.Encode(root.get(), nullptr, nullptr, 0), 0);
  // Without a holder the lengths cannot be patched in.
  Bytes buffer(64);
  GPersistOutStream holder(buffer.data(), buffer.size(), 1);
  EXPECT_EQ(writer_.Encode(root.get(), holder.GetStream(), nullptr, 0), 0);
}

TEST_F(CompactCodecTest, IdentifierConversionsFollowTheMode) {
  GCompactSettingsCodec codec;
  EXPECT_EQ(codec.Mode(), 1);
  EXPECT_EQ(codec.MapIdForWrite(0x4000005C), 0x5C);
  EXPECT_EQ(codec.MapIdForRead(0xFFFF), 0xFFFF);
  EXPECT_EQ(codec.MapVersionForWrite(0x10003u), 3u);
  Encode(codec, nullptr, 1);
  EXPECT_EQ(codec.MapIdForWrite(0x4000005C), 0x4000005C);
  EXPECT_EQ(codec.MapVersionForRead(0x10003u), 0x10003u);
  // Another selector leaves the mode alone.
  Encode(codec, nullptr, 5);
  EXPECT_EQ(codec.Mode(), 0);
}

// ---- Failures of the writer ----

TEST_F(CompactCodecTest, ChildWithoutRecordFailsButKeepsTheFramesReadable) {
  const int32_t id32 = 12;
  std::unique_ptr<MPersistentObject> root(
      Group(360, {Group(362, {Value(266, 2), new GValue32Attribute(5, &id32), Value(267, 1)}), Value(308, 1)}));
  int result = 1;
  const Bytes bytes = Encode(writer_, root.get(), 0, &result);
  EXPECT_EQ(result, 0);
  // 360 { 362 { 266 } } : the remaining children of both are not written,
  // and both frames are closed.
  const Bytes expected = Cat(Header(), {1, 1, 0, 0x68, 1, 15, 0,          // 360
                                        1, 1, 0, 0x6A, 1, 7, 0,            // 362
                                        112, 0x0A, 1,                      // 266 = 2
                                        0, 0});
  EXPECT_EQ(bytes, expected);
}

TEST_F(CompactCodecTest, RecordsTooLongForTheirLengthFieldFail) {
  std::string longText(70000, 'x');
  std::unique_ptr<MPersistentObject> text(Group(1, {Text(2, longText.c_str())}));
  int result = 1;
  Encode(writer_, text.get(), 0, &result, 200000);
  EXPECT_EQ(result, 0);

  // Many small children: the composite's length would wrap past 0xFFFF.
  auto* group = Group(1);
  for (int i = 0; i < 10000; ++i) group->AddChild(Value(3, 1000));
  std::unique_ptr<MPersistentObject> wide(group);
  Encode(writer_, wide.get(), 1, &result, 200000);
  EXPECT_EQ(result, 0);
}

TEST_F(CompactCodecTest, FullOutputBufferFails) {
  std::unique_ptr<MPersistentObject> root(MakeDefaults());
  int result = 1;
  Encode(writer_, root.get(), 0, &result, 30);
  EXPECT_EQ(result, 0);
}

// ---- Round trips ----

// The defaults with other values everywhere.
MPersistentObject* MakeChangedSettings() {
  const int32_t rangeId = 307;
  const int32_t displayId = 440;
  const int32_t tintId = 295;
  const int32_t enhancedId = 296;
  const int32_t ver2Id = 297;
  const int32_t enumId = 249;
  const int32_t stateId = 246;
  const int32_t ftId = 510;
  auto* resolution = new GEnumAttribute(&enumId);
  resolution->AddChild(Value(323, 300));
  resolution->AddChild(Value(323, 600));
  auto* job = new GState(&stateId);
  job->AddChild(Value(260, -5));
  job->AddChild(Value(265, 20));
  auto* trays = new GFormToTrayDatabase(&ftId);
  trays->AssignTray(2, 1, 11102);
  trays->AssignTray(3, 9, 11104);
  return Group(360, {
      Group(362, {Value(266, 21), Value(267, 32767), Text(270, "Quarterly report"), resolution, job}),
      Group(365, {Value(308, 1), new GRangeAttribute(0, 512, 8, 128, &rangeId)}),
      Group(366, {Value(940, 1)}),
      Group(368, {}),
      Group(283, {Value(284, 3)}),
      Group(276, {}),
      Group(378, {}),
      Group(701, {}),
      Group(63, {Value(64, 1)}),
      new GDisplayStringAttribute(&displayId, 1234, "Other", "module.dll"),
      new GTintwrightAttribute(&tintId, 9, 8, 7, 6, 5, 4),
      new GTintwrightEnhancedAttribute(&enhancedId, 1, 2, 3, 4, 5, 6, 7, 8),
      new GTintwrightEnhancedAttributeVer2(&ver2Id, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10),
      trays,
  });
}

TEST_F(CompactCodecTest, SettingsTreeRoundTripsInThirtyTwoBitMode) {
  std::unique_ptr<MPersistentObject> settings(MakeChangedSettings());
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 1);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Matches(settings.get()), 1);
  // The database is rebuilt from its trays.
  auto* trays = dynamic_cast<GFormToTrayDatabase*>(Child(decoded.get(), 510));
  ASSERT_NE(trays, nullptr);
  EXPECT_EQ(trays->GetMediaTypeForTray(3), 11104);
  EXPECT_EQ(trays->GetPaperSizeForTray(2), 1);
}

TEST_F(CompactCodecTest, SixteenBitModeKeepsProtectedGroupsFromTheDefaults) {
  std::unique_ptr<MPersistentObject> settings(MakeChangedSettings());
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 0);
  ASSERT_NE(decoded, nullptr);
  // The document group comes from the stream ...
  EXPECT_EQ(Child(decoded.get(), 362)->Matches(Child(settings.get(), 362)), 1);
  EXPECT_EQ(Child(decoded.get(), 510)->Matches(Child(settings.get(), 510)), 1);
  // ... the installable options from the defaults, whatever the stream held.
  MPersistentObject* options = Child(decoded.get(), 365);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(ValueOf(options, 308), 0);
  EXPECT_EQ(options->Matches(Child(instance_.defaults.get(), 365)), 1);
  // In the 32-bit form the stream's options are taken.
  std::unique_ptr<MPersistentObject> wide = RoundTrip(settings.get(), 1);
  EXPECT_EQ(ValueOf(Child(wide.get(), 365), 308), 1);
}

TEST_F(CompactCodecTest, RangeAndDisplayStringComeBackUnchanged) {
  const int32_t rangeId = 307;
  const int32_t displayId = 440;
  instance_.defaults.reset(Group(360, {new GRangeAttribute(0, 0, 1, 0, &rangeId),
                                       new GDisplayStringAttribute(&displayId, 0, "", "")}));
  std::unique_ptr<MPersistentObject> settings(Group(360, {new GRangeAttribute(25, 400, 1, 100, &rangeId),
                                                          new GDisplayStringAttribute(&displayId, -3, "T", "m")}));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 0);
  ASSERT_NE(decoded, nullptr);
  auto* range = dynamic_cast<GRangeAttribute*>(Child(decoded.get(), rangeId));
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->GetMin(), 25);
  EXPECT_EQ(range->GetMax(), 400);
  EXPECT_EQ(range->GetStep(), 1);
  EXPECT_EQ(range->GetValue(), 100);
  EXPECT_EQ(decoded->Matches(settings.get()), 1);
}

TEST_F(CompactCodecTest, CustomSizesAreReadOverTheTemplate) {
  const int32_t sizeId = 0x40000019;
  instance_.defaults.reset(Group(360, {Group(276, {})}));
  std::unique_ptr<MPersistentObject> settings(
      Group(360, {Group(276, {new GCustomMediaSize(16385, RWCString("Card"), 1, 100, 150, &sizeId),
                              new GCustomMediaSize(16386, RWCString(""), 3, 0xFFFFFFFFu, 7, &sizeId)})}));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 1);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Matches(settings.get()), 1);
  // The template itself is never added to the result.
  std::unique_ptr<MPersistentObject> none(Group(360, {Group(276, {})}));
  std::unique_ptr<MPersistentObject> empty = RoundTrip(none.get(), 1);
  EXPECT_EQ(Child(empty.get(), 276)->GetEntryCount(), 0);
  // In the 16-bit form the template's UI key does not survive: the sizes
  // are refused.
  std::unique_ptr<MPersistentObject> narrow = RoundTrip(settings.get(), 0);
  EXPECT_EQ(Child(narrow.get(), 276)->GetEntryCount(), 0);
}

// ---- The reader's rules ----

TEST_F(CompactCodecTest, UnknownChildrenAreDroppedAndMissingDefaultsRestoredAsCopies) {
  std::unique_ptr<MPersistentObject> settings(
      Group(360, {Group(362, {Value(999, 4), Value(267, 9), Text(266, "wrong kind")})}));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 1);
  ASSERT_NE(decoded, nullptr);
  MPersistentObject* document = Child(decoded.get(), 362);
  ASSERT_NE(document, nullptr);
  // 999 is unknown and 266 has the wrong kind: both dropped; 267 taken; the
  // rest of the defaults follow, in their order.
  EXPECT_EQ(ChildIds(document), (std::vector<int32_t>{267, 266, 270, 249, 246}));
  EXPECT_EQ(ValueOf(document, 267), 9);
  EXPECT_EQ(ValueOf(document, 266), 1);
  // Restored defaults are copies, not shared with the tree of defaults.
  MPersistentObject* defaults = Child(const_cast<MPersistentObject*>(reader_.DefaultTree()), 360);
  ASSERT_NE(defaults, nullptr);
  EXPECT_NE(Child(document, 270), Child(Child(defaults, 362), 270));
  EXPECT_EQ(Child(decoded.get(), 365)->Matches(Child(defaults, 365)), 1);
}

TEST_F(CompactCodecTest, GroupsWithSpecialRules) {
  const int32_t groupId = 1101;
  std::unique_ptr<MPersistentObject> settings(Group(360, {
      Group(701, {Text(9, "tray A"), Text(10, "tray B"), Value(11, 1)}),
      Group(63, {Value(64, 5), Value(65, 1)}),
  }));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 1);
  ASSERT_NE(decoded, nullptr);
  // 701 takes any string attribute, nothing else that it lacks.
  EXPECT_EQ(ChildIds(Child(decoded.get(), 701)), (std::vector<int32_t>{9, 10}));
  // 63 takes nothing from the stream: its defaults only.
  EXPECT_EQ(ChildIds(Child(decoded.get(), 63)), (std::vector<int32_t>{64}));
  EXPECT_EQ(ValueOf(Child(decoded.get(), 63), 64), 1);

  // The group 1101 (a root of its own) takes anything.
  std::unique_ptr<MPersistentObject> open(Group(groupId, {Value(1, 1), Text(2, "x"), Value(1101, 3)}));
  std::unique_ptr<MPersistentObject> back = RoundTrip(open.get(), 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Matches(open.get()), 1);
}

TEST_F(CompactCodecTest, WatermarkRecordsComeOnlyFromTheStream) {
  auto record = [](const char* name, int16_t angle) {
    return Group(380, {Text(384, name), Text(385, "CONFIDENTIAL"), Text(386, "Arial"), Value(390, angle)});
  };
  std::unique_ptr<MPersistentObject> settings(Group(360, {Group(378, {record("a", 45), record("b", 90)})}));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(settings.get(), 0);
  ASSERT_NE(decoded, nullptr);
  MPersistentObject* pool = Child(decoded.get(), 378);
  ASSERT_EQ(pool->GetEntryCount(), 2);
  // Each record is completed from the default record.
  std::unique_ptr<MPersistentIterator> it(pool->CreateIterator());
  ASSERT_TRUE(it->Advance());
  EXPECT_EQ(ValueOf(it->Current(), 390), 45);
  EXPECT_EQ(ValueOf(it->Current(), 1112), 0);
  EXPECT_EQ(it->Current()->GetEntryCount(), 17);
  // A stream without records gives an empty pool.
  std::unique_ptr<MPersistentObject> none(Group(360, {Group(378, {})}));
  EXPECT_EQ(Child(RoundTrip(none.get(), 0).get(), 378)->GetEntryCount(), 0);
}

TEST_F(CompactCodecTest, DefaultTreeIsBuiltOnceFromTheFirstInstance) {
  const int32_t templId = 375;
  instance_.configuration.reset(Group(359, {Group(templId, {Value(500, 2)})}));
  std::unique_ptr<MPersistentObject> settings(Group(360));
  RoundTrip(settings.get(), 0);
  const MPersistentObject* tree = reader_.DefaultTree();
  ASSERT_NE(tree, nullptr);
  auto* root = const_cast<MPersistentObject*>(tree);
  EXPECT_EQ(ChildIds(root), (std::vector<int32_t>{360, 1101, 0x4000005C}));
  MPersistentObject* pool = Child(root, 0x4000005C);
  MPersistentObject* entry = Child(pool, 0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(ChildIds(entry), (std::vector<int32_t>{500, 376, 1124}));
  ASSERT_NE(root->FindById(380), nullptr);
  EXPECT_EQ(root->FindById(380)->GetEntryCount(), 17);
  auto* templateSize = dynamic_cast<GCustomMediaSize*>(root->FindById(0x40000019));
  ASSERT_NE(templateSize, nullptr);

  // A later decode with another instance keeps the first tree.
  FakeInstance other;
  other.defaults.reset(Group(360, {Value(1, 1)}));
  GPersistInStream holder(nullptr, 0, 1);
  reader_.Decode(holder.GetStream(), &holder, AsInstance(other), 0);
  EXPECT_EQ(reader_.DefaultTree(), tree);
}

TEST_F(CompactCodecTest, QuickSetEntriesRoundTripInThirtyTwoBitMode) {
  const int32_t templId = 375;
  instance_.configuration.reset(Group(359, {Group(templId, {Value(500, 2)})}));
  std::unique_ptr<MPersistentObject> quickSets(Group(0x4000005C, {
      Group(0, {Value(500, 7), Text(376, "Draft"), Value(1124, 1)}),
      Group(0, {Value(500, 8), Text(376, "Final"), Value(1124, 2)}),
  }));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(quickSets.get(), 1);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Matches(quickSets.get()), 1);
}

// ---- Root lists ----

TEST_F(CompactCodecTest, AssociationListRoundTrips) {
  const int32_t listId = 951;
  const int32_t assocId = 4;
  const int32_t noId = 0;
  auto list = std::make_unique<MAssociationList>(listId);
  list->Add(new MPersistentAssociation(Value(0, 1), Text(0, "Tray 1"), assocId));
  list->Add(new MPersistentAssociation(Value(0, 2), Value(0, -7), assocId));
  list->Add(new MPersistentAssociation(Value(0, 3), new GSelectionString(RWCString("Bin"), 3, noId), assocId));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(list.get(), 0);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->ClassId(), list->ClassId());
  EXPECT_EQ(decoded->Matches(list.get()), 1);
}

TEST_F(CompactCodecTest, AssociationWithFramedValueEndsTheList) {
  const int32_t listId = 951;
  auto list = std::make_unique<MAssociationList>(listId);
  list->Add(new MPersistentAssociation(Value(0, 1), Text(0, "kept"), 0));
  list->Add(new MPersistentAssociation(Value(0, 2), new GPersistableLong(5), 0));
  list->Add(new MPersistentAssociation(Value(0, 3), Text(0, "after"), 0));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(list.get(), 0);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->GetEntryCount(), 1);
}

TEST_F(CompactCodecTest, ResourceMappingListRoundTripsThroughAddIfNew) {
  const int32_t listId = 84;
  auto list = std::make_unique<GResourceMappingList>(listId);
  list->AddIfNew(new GResourceMapping(11001, 257, 28, 0));
  list->AddIfNew(new GResourceMapping(11002, -2, 29, 0));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(list.get(), 1);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Matches(list.get()), 1);
}

TEST_F(CompactCodecTest, FontListsRoundTripThroughTheFraming) {
  auto lists = std::make_unique<GDeviceFontListComposite>();
  auto* first = new GDeviceFontList(416);
  first->SetStamp(77);
  lists->Add(first);
  lists->Add(new GDeviceFontList(417));
  std::unique_ptr<MPersistentObject> decoded = RoundTrip(lists.get(), 0);
  ASSERT_NE(decoded, nullptr);
  auto* back = dynamic_cast<GDeviceFontListComposite*>(decoded.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Matches(lists.get()), 1);
  auto* list = dynamic_cast<GDeviceFontList*>(back->FindListById(416));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetStamp(), 77u);
}

// ---- Damaged input ----

TEST_F(CompactCodecTest, BadHeaderOrSelectorGivesNull) {
  std::unique_ptr<MPersistentObject> settings(Group(360));
  Bytes bytes = Encode(writer_, settings.get(), 0);
  ASSERT_NE(Decode(reader_, bytes, instance_, 0), nullptr);
  EXPECT_EQ(Decode(reader_, bytes, instance_, 3), nullptr);
  bytes[19] = 0x74;
  EXPECT_EQ(Decode(reader_, bytes, instance_, 0), nullptr);
  // A root that the defaults lack, and a root tag of no composite.
  std::unique_ptr<MPersistentObject> stranger(Group(361));
  EXPECT_EQ(Decode(reader_, Encode(writer_, stranger.get(), 0), instance_, 0), nullptr);
  EXPECT_EQ(Decode(reader_, Cat(Header(), {3, 0x68, 1, 9, 0}), instance_, 0), nullptr);
}

// Every default child id of every group is in the decoded tree.
void ExpectDefaultsPresent(MPersistentObject* decoded, MPersistentObject* defaults) {
  std::unique_ptr<MPersistentIterator> it(defaults->CreateIterator());
  while (it->Advance()) {
    MPersistentObject* child = it->Current();
    if (child->FeatureId() == 380 || child->FeatureId() == 0x40000019) continue;
    MPersistentObject* found = Child(decoded, child->FeatureId());
    ASSERT_NE(found, nullptr) << "default " << child->FeatureId() << " missing";
  }
}

TEST_F(CompactCodecTest, TruncatedStreamsDecodeToTheDefaults) {
  std::unique_ptr<MPersistentObject> settings(MakeChangedSettings());
  const Bytes bytes = Encode(writer_, settings.get(), 0);
  for (size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    const Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    std::unique_ptr<MPersistentObject> decoded = Decode(reader_, cut, instance_, 0);
    if (size < 27) {
      // The header and the root's frame are needed.
      EXPECT_EQ(decoded, nullptr);
      continue;
    }
    ASSERT_NE(decoded, nullptr);
    ExpectDefaultsPresent(decoded.get(), instance_.defaults.get());
  }
}

TEST_F(CompactCodecTest, DamagedBytesNeverBreakTheReader) {
  std::unique_ptr<MPersistentObject> settings(MakeChangedSettings());
  const Bytes bytes = Encode(writer_, settings.get(), 0);
  for (size_t at = 20; at < bytes.size(); ++at) {
    for (uint8_t pattern : {0xFF, 0x01, 0x80}) {
      Bytes damaged = bytes;
      damaged[at] ^= pattern;
      std::unique_ptr<MPersistentObject> decoded = Decode(reader_, damaged, instance_, 0);
      if (decoded != nullptr && decoded->FeatureId() == 360)
        ExpectDefaultsPresent(decoded.get(), instance_.defaults.get());
    }
  }
}

TEST_F(CompactCodecTest, LengthsOutsideTheirRecordAreRefused) {
  // 360 (length 12) holds 362 whose length (200) reaches past 360's end,
  // then a value that must not be read as part of 360.
  const Bytes stream = Cat(Header(), {1, 1, 0, 0x68, 1, 12, 0,   // 360
                                      1, 1, 0, 0x6A, 1, 200, 0,  // 362, length past its parent
                                      112, 0x0A, 1,              // 266 = 2
                                      0, 0});
  std::unique_ptr<MPersistentObject> decoded = Decode(reader_, stream, instance_, 0);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(Child(decoded.get(), 362)->Matches(Child(instance_.defaults.get(), 362)), 1);

  // A string whose length reaches past its record: the string is refused,
  // the rest of 362 skipped, 362 completed from the defaults, and the
  // records after 362 read as usual.
  const Bytes text = Cat(Header(), {1, 1, 0, 0x68, 1, 40, 0,            // 360
                                    1, 1, 0, 0x6A, 1, 14, 0,            // 362
                                    7, 0x0E, 1, 0xF0, 0xFF, 'a', 'b',   // 270, n = 65520
                                    113, 0x0B, 1,                       // 267 = 3 (skipped)
                                    0,                                  // end of 362
                                    1, 1, 0, 0xBD, 2, 11, 0,            // 701
                                    7, 9, 0, 2, 0, 'z', 0,              // 9 = "z"
                                    0,                                  // end of 701
                                    113, 0x6C, 1,                       // 364 unknown: dropped
                                    0});
  decoded = Decode(reader_, text, instance_, 0);
  ASSERT_NE(decoded, nullptr);
  MPersistentObject* document = Child(decoded.get(), 362);
  EXPECT_EQ(ValueOf(document, 267), 0);
  EXPECT_EQ(document->Matches(Child(instance_.defaults.get(), 362)), 1);
  auto* after = dynamic_cast<GStringAttribute*>(Child(Child(decoded.get(), 701), 9));
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->GetString(), RWCString("z"));
  EXPECT_EQ(Child(decoded.get(), 364), nullptr);
}

TEST_F(CompactCodecTest, DeepNestingIsBounded) {
  // A composite record under a default leaf finds that leaf again at every
  // level; the reader must stop descending long before the stack does. The
  // lengths shrink level by level so that each record lies inside its parent.
  instance_.defaults.reset(Group(360, {Value(5, 1)}));
  Bytes stream = Header();
  stream.insert(stream.end(), {1, 1, 0, 0x68, 1, 0xFF, 0xFF});
  const int levels = 9000;
  for (int i = 1; i <= levels; ++i) {
    const uint16_t length = static_cast<uint16_t>(0xFFFF - 7 * i);
    stream.insert(stream.end(), {1, 1, 0, 5, 0, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)});
  }
  std::unique_ptr<MPersistentObject> decoded = Decode(reader_, stream, instance_, 0);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(ValueOf(decoded.get(), 5), 1);

  // Without positions no length bounds the nesting at all.
  for (int i = 0; i < 20000; ++i) stream.insert(stream.end(), {1, 1, 0, 5, 0, 0xFF, 0xFF});
  GPersistInStream holder(stream.data(), stream.size(), 1);
  decoded.reset(reader_.Decode(holder.GetStream(), nullptr, AsInstance(instance_), 0));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(ValueOf(decoded.get(), 5), 1);
}

TEST_F(CompactCodecTest, ReaderWithoutPositionsStillReads) {
  std::unique_ptr<MPersistentObject> settings(MakeChangedSettings());
  const Bytes bytes = Encode(writer_, settings.get(), 1);
  GPersistInStream holder(bytes.data(), bytes.size(), 1);
  std::unique_ptr<MPersistentObject> decoded(
      reader_.Decode(holder.GetStream(), nullptr, AsInstance(instance_), 1));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Matches(settings.get()), 1);
}

}  // namespace
