// The model's setting query: which classes each accepted set reads a number
// or a text from, the 16-bit form, enumerations standing for their
// selection, paths of ids, and missing or foreign nodes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"

namespace {

namespace Q = GSettingQuery;

constexpr int32_t kSettingQueryId = GFeatureIds::kPaperSize;

std::unique_ptr<MPersistentObject> MakeValue() { return std::make_unique<GValueAttribute>(11, &kSettingQueryId); }
std::unique_ptr<MPersistentObject> MakeRange() { return std::make_unique<GRangeAttribute>(0, 50, 1, 22, &kSettingQueryId); }
std::unique_ptr<MPersistentObject> MakeValue32() { return std::make_unique<GValue32Attribute>(70000, &kSettingQueryId); }
std::unique_ptr<MPersistentObject> MakeLong() {
  auto number = std::make_unique<GPersistableLong>(-44);
  number->SetFeatureId(kSettingQueryId);
  return number;
}
std::unique_ptr<MPersistentObject> MakeSelection() { return std::make_unique<GSelectionString>("Upper", 55, kSettingQueryId); }
std::unique_ptr<MPersistentObject> MakeString() { return std::make_unique<GStringAttribute>("Plain", &kSettingQueryId); }
// An enumeration whose selection (its first option) holds 66.
std::unique_ptr<MPersistentObject> MakeEnum() {
  auto enumeration = std::make_unique<GEnumAttribute>(&kSettingQueryId);
  enumeration->AddChild(new GValueAttribute(66, &kSettingQueryId));
  enumeration->AddChild(new GValueAttribute(67, &kSettingQueryId));
  return enumeration;
}

struct NumberCase {
  const char* name;
  std::function<std::unique_ptr<MPersistentObject>()> make;
  int32_t value;
  // Whether each set reads it: kAnyNumber, kValueOrRange, kNumberNoRange,
  // kAttributeNumber, kChoice.
  std::vector<bool> read;
};

TEST(GSettingQueryTest, EachSetReadsANumberFromItsClassesOnly) {
  const std::vector<Q::Classes> sets = {Q::kAnyNumber, Q::kValueOrRange, Q::kNumberNoRange, Q::kAttributeNumber,
                                        Q::kChoice};
  const std::vector<NumberCase> cases = {
      {"value", MakeValue, 11, {true, true, true, true, true}},
      {"range", MakeRange, 22, {true, true, false, true, true}},
      {"32-bit value", MakeValue32, 70000, {true, false, true, true, true}},
      {"persistable long", MakeLong, -44, {true, false, true, false, false}},
      {"selection string", MakeSelection, 55, {false, false, false, false, true}},
      {"string", MakeString, 0, {false, false, false, false, false}},
      {"enumeration", MakeEnum, 66, {false, false, false, false, true}},
  };
  for (const NumberCase& c : cases) {
    std::unique_ptr<MPersistentObject> object = c.make();
    for (size_t s = 0; s < sets.size(); ++s) {
      SCOPED_TRACE(std::string(c.name) + ", set " + std::to_string(s));
      int32_t out = 12345;
      EXPECT_EQ(Q::Number(object.get(), &out, sets[s]), c.read[s]);
      // A refused read leaves the output alone.
      EXPECT_EQ(out, c.read[s] ? c.value : 12345);
    }
  }
}

TEST(GSettingQueryTest, TheDefaultSetIsEveryPlainNumberClass) {
  for (auto make : {MakeValue, MakeRange, MakeValue32, MakeLong}) {
    int32_t out = 0;
    EXPECT_TRUE(Q::Number(make().get(), &out));
  }
  int32_t out = 0;
  EXPECT_FALSE(Q::Number(MakeSelection().get(), &out));
  EXPECT_FALSE(Q::Number(MakeEnum().get(), &out));
  EXPECT_FALSE(Q::Number(nullptr, &out));
}

TEST(GSettingQueryTest, AShortKeepsTheLow16BitsOfA32BitValue) {
  GAttributeComposite root;
  root.AddChild(new GValue32Attribute(70000, &kSettingQueryId));
  int16_t out = 0;
  ASSERT_TRUE(Q::ShortAt(&root, kSettingQueryId, &out));
  EXPECT_EQ(out, static_cast<int16_t>(70000));
  int32_t whole = 0;
  ASSERT_TRUE(Q::NumberAt(&root, kSettingQueryId, &whole));
  EXPECT_EQ(whole, 70000);
  EXPECT_EQ(Q::ShortOr(&root, GFeatureIds::kDuplex, -3), -3);
  // A class outside the set gives the fallback too.
  EXPECT_EQ(Q::ShortOr(&root, kSettingQueryId, -3, Q::kValueOrRange), -3);
}

TEST(GSettingQueryTest, TextsComeFromStringsAndSelectionsAsTheSetSays) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<MPersistentObject>()> make;
    Q::Classes accepted;
    const char* text;  // null: nothing read
  };
  const std::vector<Case> cases = {
      {"string, any text", MakeString, Q::kAnyText, "Plain"},
      {"selection, any text", MakeSelection, Q::kAnyText, "Upper"},
      {"selection, strings only", MakeSelection, Q::kString, nullptr},
      {"string, selections only", MakeString, Q::kSelection, nullptr},
      {"value, any text", MakeValue, Q::kAnyText, nullptr},
      {"enumeration, any text", MakeEnum, Q::kAnyText, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RWCString out("untouched");
    EXPECT_EQ(Q::Text(c.make().get(), &out, c.accepted), c.text != nullptr);
    EXPECT_STREQ(out.Data(), c.text != nullptr ? c.text : "untouched");
  }
  // An enumeration of strings stands for its selected text when asked to.
  GEnumAttribute names(&kSettingQueryId);
  names.AddChild(new GStringAttribute("Envelope", &kSettingQueryId));
  RWCString out;
  ASSERT_TRUE(Q::Text(&names, &out, Q::kAnyText | Q::kEnumSelection));
  EXPECT_STREQ(out.Data(), "Envelope");
}

// A chain of enumerations, each selecting the next, ending in a value.
std::unique_ptr<GEnumAttribute> Chain(int enumerations) {
  std::unique_ptr<GAttribute> inner = std::make_unique<GValueAttribute>(9, &kSettingQueryId);
  for (int i = 0; i < enumerations; ++i) {
    auto outer = std::make_unique<GEnumAttribute>(&kSettingQueryId);
    outer->AddChild(inner.release());
    inner = std::move(outer);
  }
  return std::unique_ptr<GEnumAttribute>(static_cast<GEnumAttribute*>(inner.release()));
}

TEST(GSettingQueryTest, EnumerationsAreFollowedToALimitedDepth) {
  for (int depth = 1; depth <= Q::kEnumDepth + 1; ++depth) {
    SCOPED_TRACE(depth);
    std::unique_ptr<GEnumAttribute> chain = Chain(depth);
    int32_t out = -1;
    EXPECT_EQ(Q::Number(chain.get(), &out, Q::kChoice), depth <= Q::kEnumDepth);
  }
  // An enumeration without options has no selection to read.
  GEnumAttribute empty(&kSettingQueryId);
  int32_t out = -1;
  EXPECT_FALSE(Q::Number(&empty, &out, Q::kChoice));
  EXPECT_EQ(out, -1);
}

class GSettingQueryTreeTest : public ::testing::Test {
 protected:
  // settings 362 { resolution 249 { x 323 = 600 } }, x 323 = 300 at the top
  // level after it, and a document group 364 { copies 291 = 4 }.
  void SetUp() override {
    auto* resolution = new GAttributeComposite(&GFeatureIds::kResolution);
    resolution->AddChild(new GValueAttribute(600, &GFeatureIds::kXResolution));
    auto* settings = new GAttributeComposite(&GFeatureIds::kDocumentSettings);
    settings->AddChild(resolution);
    root_.AddChild(settings);
    root_.AddChild(new GValueAttribute(300, &GFeatureIds::kXResolution));
    auto* options = new GAttributeComposite(&GFeatureIds::kDocumentSettings2);
    options->AddChild(new GValueAttribute(4, &GFeatureIds::kCopies));
    root_.AddChild(options);
  }
  GAttributeComposite root_;
};

TEST_F(GSettingQueryTreeTest, FindSearchesDepthFirstAndToleratesNull) {
  int32_t x = 0;
  // The nested x comes first in a depth-first walk.
  ASSERT_TRUE(Q::NumberAt(&root_, GFeatureIds::kXResolution, &x));
  EXPECT_EQ(x, 600);
  EXPECT_EQ(Q::Find(nullptr, GFeatureIds::kXResolution), nullptr);
  EXPECT_EQ(Q::Find(&root_, GFeatureIds::kDuplex), nullptr);
  EXPECT_EQ(Q::NumberOr(nullptr, GFeatureIds::kXResolution, 7), 7);
  EXPECT_EQ(Q::NumberOr(&root_, GFeatureIds::kDuplex, 7), 7);
  RWCString text("kept");
  EXPECT_FALSE(Q::TextAt(&root_, GFeatureIds::kXResolution, &text));
  EXPECT_STREQ(text.Data(), "kept");
}

TEST_F(GSettingQueryTreeTest, APathFindsEachStepBelowTheOneBefore) {
  int32_t copies = 0;
  ASSERT_TRUE(Q::Number(Q::FindPath(&root_, {GFeatureIds::kDocumentSettings2, GFeatureIds::kCopies}), &copies));
  EXPECT_EQ(copies, 4);
  int32_t x = 0;
  ASSERT_TRUE(Q::Number(
      Q::FindPath(&root_, {GFeatureIds::kDocumentSettings, GFeatureIds::kResolution, GFeatureIds::kXResolution}), &x));
  EXPECT_EQ(x, 600);
  // The copies are not below the first settings group.
  EXPECT_EQ(Q::FindPath(&root_, {GFeatureIds::kDocumentSettings, GFeatureIds::kCopies}), nullptr);
  // A missing step ends the path; an empty path is the root itself.
  EXPECT_EQ(Q::FindPath(&root_, {GFeatureIds::kDuplex, GFeatureIds::kXResolution}), nullptr);
  EXPECT_EQ(Q::FindPath(&root_, {}), &root_);
  EXPECT_EQ(Q::FindPath(nullptr, {GFeatureIds::kDocumentSettings}), nullptr);
}

}  // namespace
