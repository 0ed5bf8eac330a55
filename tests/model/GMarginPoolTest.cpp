#include "model/GMarginPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;

struct Record {
  int32_t values[16];
};

Record MakeRecord(int32_t base) {
  Record r{};
  for (int i = 0; i < 16; ++i) r.values[i] = base + i;
  return r;
}

TEST(GMarginPool, AddCopiesRecordsAndGetIsBounded) {
  GMarginPool pool;
  EXPECT_EQ(pool.FeatureId(), 959);
  EXPECT_EQ(pool.Get(0), nullptr);
  Record a = MakeRecord(100);
  Record b = MakeRecord(-5);
  EXPECT_EQ(pool.Add(a.values), 0);
  EXPECT_EQ(pool.Add(b.values), 1);
  EXPECT_EQ(pool.Add(nullptr), -1);
  EXPECT_EQ(pool.GetCount(), 2u);
  a.values[0] = 0;  // the pool has its own copy
  ASSERT_NE(pool.Get(0), nullptr);
  EXPECT_EQ(pool.Get(0)[0], 100);
  EXPECT_EQ(pool.Get(1)[15], 10);
  EXPECT_EQ(pool.Get(2), nullptr);
  EXPECT_EQ(pool.Get(0xFFFFFFFFu), nullptr);
}

TEST(GMarginPool, CopiesOwnTheirRecords) {
  GMarginPool pool;
  Record a = MakeRecord(1);
  pool.Add(a.values);
  GMarginPool copy(pool);
  GMarginPool assigned(5);
  assigned = pool;
  pool.Add(a.values);
  EXPECT_EQ(copy.GetCount(), 1u);
  EXPECT_EQ(assigned.GetCount(), 1u);
  EXPECT_EQ(assigned.FeatureId(), 959);
  EXPECT_NE(copy.Get(0), pool.Get(0));
  GMarginPool empty;
  GMarginPool fromEmpty(empty);
  EXPECT_EQ(fromEmpty.GetCount(), 0u);
  EXPECT_EQ(fromEmpty.Get(0), nullptr);
}

TEST(GMarginPool, RoundTripsWithItsRecords) {
  GMarginPool pool;
  Record a = MakeRecord(6350);
  Record b = MakeRecord(-7);
  pool.Add(a.values);
  pool.Add(b.values);
  qvtest::ExpectRoundTripsInAllForms(pool);
  qvtest::ExpectStoredByteCountIsWritten(pool);
  EXPECT_EQ(pool.MembersStoreSize(), 12u + 8 + 128);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&pool, form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GMarginPool*>(copy.get());
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->GetCount(), 2u);
    EXPECT_EQ(restored->Get(1)[0], -7);
    EXPECT_EQ(restored->Get(0)[15], 6365);
  }
}

TEST(GMarginPool, RestoreEmptiesThePoolAndAnotherVersionLeavesItEmpty) {
  GMarginPool pool;
  Record a = MakeRecord(1);
  pool.Add(a.values);
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBody().Base(959, 4).U32(2).U32(1).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  pool.RestoreMembersFromFile(file);
  EXPECT_EQ(pool.GetCount(), 0u);
  EXPECT_EQ(pool.Get(0), nullptr);
}

TEST(GMarginPool, DamagedInputFailsCleanly) {
  // A huge count with one record behind it.
  StoredBody bytes;
  bytes.Top(1014).Base(959, 1).U32(1).U32(0xFFFFFFFFu);
  for (int i = 0; i < 16; ++i) bytes.I32(i);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);

  GMarginPool pool;
  Record a = MakeRecord(3);
  pool.Add(a.values);
  pool.Add(a.values);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string stored = qvtest::SaveInForm(&pool, form);
    for (size_t length = 0; length < stored.size(); ++length) {
      qvtest::ModelRead cut = qvtest::RestoreFromForm(stored.substr(0, length), form);
      if (cut.object != nullptr) {
        EXPECT_TRUE(pool.Matches(cut.object));
      }
      delete cut.object;
    }
  }
}

}  // namespace
