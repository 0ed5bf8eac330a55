// The render-attribute base: its kind answers, matching by feature id at
// this level, and a stored version word whose value is ignored.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GRenderAttribute.h"
#include "rw/RWBinaryFile.h"
#include "support/ModelRoundTrip.h"
#include "support/AttributeTestClasses.h"
#include "w32test/Testing.h"

namespace {

const int32_t kPen = 160;

// A second drawing attribute class for the base's matching.
class TestBrush : public GRenderAttribute {
 public:
  explicit TestBrush(const int32_t* id) : GRenderAttribute(id) {}
  TestBrush* CreateSameKind() const override { return new TestBrush(nullptr); }
  TestBrush* Clone() const override { return new TestBrush(*this); }
  RWClassID ClassId() const override { return 1996; }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
};

TEST(GRenderAttributeTest, KindsAndBaseMatching) {
  TestPen pen(1, &kPen);
  TestBrush brush(&kPen);
  EXPECT_TRUE(pen.DerivesFrom(754));
  EXPECT_TRUE(pen.DerivesFrom(753));
  EXPECT_TRUE(pen.DerivesFrom(751));
  EXPECT_FALSE(pen.DerivesFrom(757));
  // At this level only the feature ids count.
  EXPECT_TRUE(pen.GRenderAttribute::Matches(&brush));
  EXPECT_TRUE(brush.Matches(&pen));
  TestBrush other(nullptr);
  EXPECT_FALSE(brush.Matches(&other));
  EXPECT_EQ(pen.MembersStoreSize(), 12u + 8u + 4u);
}

TEST(GRenderAttributeTest, AnyStoredVersionIsReadAsOne) {
  for (uint32_t version : {1u, 7u}) {
    SCOPED_TRACE(version);
    const std::string body = qvtest::StoredBytes().Base(kPen, 4).U32(1).U32(0).U32(version).U32(0xAABBCCDD).Bytes();
    w32test::PutFile(qvtest::ModelTestFilePathW(), body);
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    TestPen pen(1, nullptr);
    pen.RestoreMembersFromFile(file);
    EXPECT_EQ(pen.FeatureId(), kPen);
    EXPECT_EQ(pen.changed, 0);
    // Exactly the version word was consumed.
    uint32_t next = 0;
    ASSERT_TRUE(file.ReadULong(next));
    EXPECT_EQ(next, 0xAABBCCDDu);
  }
}

}  // namespace
