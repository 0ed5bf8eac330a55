#include "model/GMediaPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/MediaTestSupport.h"

namespace {

using GFeatureIds::kPrinterMediaPool;
using GFeatureIds::kPageMedia;
const int32_t kOther = 5;

GMedia* NewMedium(const char* name, int16_t paperId, int16_t width, int16_t height, int32_t orientation,
                  uint16_t xResolution, uint16_t yResolution) {
  const GShortPoint size(width, height);
  const GShortPoint extent(static_cast<int16_t>(width - 200), static_cast<int16_t>(height - 200));
  const GShortPoint origin(100, 100);
  return new GMedia(name, &size, &extent, &origin, orientation, paperId, xResolution, yResolution, &kPageMedia);
}

// Letter (1), Legal (6) and A4 (23) at 600 dpi in both orientations, Letter
// at 300 dpi, and Legal at 600 x 1200.
class GMediaPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Add(NewMedium("Letter", 1, 5100, 6600, 0, 600, 600));
    Add(NewMedium("Letter", 1, 6600, 5100, 90, 600, 600));
    Add(NewMedium("Legal", 6, 5100, 8400, 0, 600, 600));
    Add(NewMedium("A4", 23, 4960, 7014, 0, 600, 600));
    Add(NewMedium("Letter", 1, 2550, 3300, 0, 300, 300));
    Add(NewMedium("Legal", 6, 5100, 16800, 0, 600, 1200));
  }
  void Add(GMedia* medium) {
    media_.push_back(medium);
    pool_.AddChild(medium);
  }
  std::vector<GMedia*> Query(int32_t orientation, uint16_t x, uint16_t y, GShortPoint minimum, GShortPoint maximum) {
    std::vector<GMedia*> found;
    std::unique_ptr<GMediaQueryIterator> query(pool_.CreateMediaQuery(orientation, x, y, minimum, maximum));
    while (query->Advance()) found.push_back(query->CurrentMedia());
    return found;
  }

  GMediaPool pool_{&kPrinterMediaPool};
  std::vector<GMedia*> media_;
};

TEST_F(GMediaPoolTest, FindMediaLooksUpPaperIdOrientationAndResolution) {
  ASSERT_EQ(pool_.GetEntryCount(), 6);
  const struct {
    int16_t paperId;
    int32_t orientation;
    uint16_t x, y;
    int expected;  // index into media_, -1 for none
  } cases[] = {
      {1, 0, 600, 600, 0},   {1, 90, 600, 600, 1}, {6, 0, 600, 600, 2},    {23, 0, 600, 600, 3},
      {1, 0, 300, 300, 4},   {6, 0, 600, 1200, 5}, {23, 90, 600, 600, -1}, {23, 0, 300, 300, -1},
      {6, 0, 1200, 600, -1}, {2, 0, 600, 600, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.paperId << " " << c.orientation << " " << c.x << "x" << c.y);
    GMedia* found = pool_.FindMedia(c.paperId, c.orientation, c.x, c.y);
    EXPECT_EQ(found, c.expected < 0 ? nullptr : media_[c.expected]);
  }
  EXPECT_EQ(pool_.FindMediaAtResolution(1, 0, 300), media_[4]);
  EXPECT_EQ(pool_.FindMediaAtResolution(6, 0, 1200), nullptr);
}

TEST_F(GMediaPoolTest, QueriesKeepTheMediaWithinTheSizeBoundsBothEndsIncluded) {
  using M = std::vector<GMedia*>;
  const GShortPoint letter(5100, 6600);
  EXPECT_EQ(Query(0, 600, 600, letter, letter), (M{media_[0]}));
  EXPECT_EQ(Query(0, 600, 600, GShortPoint(0, 0), GShortPoint(32767, 32767)), (M{media_[0], media_[2], media_[3]}));
  EXPECT_EQ(Query(0, 600, 600, GShortPoint(4960, 6600), GShortPoint(5100, 7014)), (M{media_[0], media_[3]}));
  EXPECT_EQ(Query(0, 600, 600, GShortPoint(5101, 0), GShortPoint(32767, 32767)), M{});
  EXPECT_EQ(Query(90, 600, 600, GShortPoint(0, 0), GShortPoint(6600, 5100)), (M{media_[1]}));
  // The bounds compare as signed values: a negative minimum lets all in.
  EXPECT_EQ(Query(0, 300, 300, GShortPoint(-5, -5), GShortPoint(2550, 3300)), (M{media_[4]}));
}

TEST_F(GMediaPoolTest, AQueryAtItsEndStartsOverOnTheNextAdvance) {
  std::unique_ptr<GMediaQueryIterator> query(
      pool_.CreateMediaQuery(0, 300, 300, GShortPoint(0, 0), GShortPoint(32767, 32767)));
  ASSERT_EQ(query->Advance(), 1);
  EXPECT_EQ(query->CurrentMedia(), media_[4]);
  EXPECT_EQ(query->Advance(), 0);
  EXPECT_EQ(query->Advance(), 1);
  EXPECT_EQ(query->CurrentMedia(), media_[4]);
}

TEST_F(GMediaPoolTest, ChildrenThatAreNotMediaArePassedOverAlsoAfterARestore) {
  // The enumeration refuses such children; a damaged stored pool can still
  // bring them, since a restore appends what it reads.
  GMediaPool pool(&kPrinterMediaPool);
  pool.AddChild(NewMedium("A4", 23, 4960, 7014, 0, 600, 600));
  pool.Children().Append(GCountedPtr(new GValueAttribute(23, &kOther)));
  pool.Children().Append(GCountedPtr());
  pool.AddChild(NewMedium("Letter", 1, 5100, 6600, 0, 600, 600));
  ASSERT_EQ(pool.GetEntryCount(), 4);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&pool, form), form);
    std::unique_ptr<MPersistentObject> object(read.object);
    auto* restored = dynamic_cast<GMediaPool*>(object.get());
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->GetEntryCount(), 4);
    GMedia* letter = restored->FindMedia(1, 0, 600, 600);
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->GetPaperName(), "Letter");
    EXPECT_EQ(restored->FindMedia(23, 0, 600, 600)->GetPaperName(), "A4");
  }
}

TEST_F(GMediaPoolTest, RoundTripsWithItsSelectionInEveryForm) {
  pool_.Select(media_[3]);
  qvtest::ExpectRoundTripsInAllForms(pool_);
  qvtest::ExpectStoredByteCountIsWritten(pool_);
  qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&pool_, qvtest::ModelForm::kFile),
                                                   qvtest::ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GMediaPool*>(object.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetSelected(), restored->FindMedia(23, 0, 600, 600));
}

TEST_F(GMediaPoolTest, IsAnEnumerationToTheCodecAndToReceivers) {
  EXPECT_EQ(pool_.GetTypeId(), 764);
  for (RWClassID id : {1006, 764, 757, 753, 751}) EXPECT_TRUE(pool_.DerivesFrom(id)) << id;
  EXPECT_FALSE(pool_.DerivesFrom(1002));

  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetEnum", 3);
  EXPECT_EQ(pool_.changed, 1);
  EXPECT_EQ(pool_.ApplyTo(&receiver), 3);
  ASSERT_EQ(receiver.Calls().size(), 1u);
  EXPECT_EQ(receiver.Calls()[0].operation, "SetEnum");
  EXPECT_EQ(receiver.Calls()[0].argument, static_cast<GEnumAttribute*>(&pool_));
  EXPECT_EQ(pool_.changed, 0);
}

TEST_F(GMediaPoolTest, MatchesAnotherPoolOnlyWithMatchingMediaAndSelection) {
  GMediaPool copy(pool_);
  EXPECT_TRUE(pool_.Matches(&copy));
  copy.SelectNext();
  EXPECT_FALSE(pool_.Matches(&copy));

  GEnumAttribute plain(&kPrinterMediaPool);
  for (GMedia* medium : media_) plain.AddChild(new GMedia(*medium));
  EXPECT_FALSE(pool_.Matches(&plain));
}

}  // namespace
