// Dither matrices: threshold access, cyclic row reading, block copies, the
// search by resolution, depth, kind and id, and the stored form in its
// versions, with damaged sizes.
#include "graphics/GDitherMatrix.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GColor.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kId = 330;

// The 4 x 2 matrix with rows (1, 2, 3, 4) and (5, 6, 7, 8) at 600 dpi.
GDitherMatrix FourByTwo() {
  const uint8_t t[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  return GDitherMatrix(4, 2, t, 600, &kId);
}

std::vector<uint8_t> Row(GDitherMatrix& m, uint8_t column, uint8_t row) {
  std::vector<uint8_t> out(m.GetWidth() + 1, 0xEE);
  m.CopyRow(out.data(), column, row);
  return out;
}

TEST(GDitherMatrixTest, IsRegisteredWithEverythingZero) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GDitherMatrixClassId));
  auto* m = dynamic_cast<GDitherMatrix*>(made.get());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetWidth(), 0);
  EXPECT_EQ(m->GetHeight(), 0);
  EXPECT_EQ(m->GetResolution(), 0);
  EXPECT_EQ(m->GetYResolution(), 0);
  EXPECT_EQ(m->GetFlag(), 0);
  EXPECT_EQ(m->GetMatrixId(), 0);
  for (RWClassID id : {774, 751}) EXPECT_TRUE(m->DerivesFrom(id)) << id;
  EXPECT_EQ(m->GetTypeId(), 774);
}

TEST(GDitherMatrixTest, ConstructorsStoreTheirValues) {
  GDitherMatrix m = FourByTwo();
  EXPECT_EQ(m.FeatureId(), kId);
  EXPECT_EQ(m.GetWidth(), 4);
  EXPECT_EQ(m.GetHeight(), 2);
  EXPECT_EQ(m.GetResolution(), 600);
  EXPECT_EQ(m.GetYResolution(), 600);
  EXPECT_EQ(m.GetDepth(), 0);
  EXPECT_EQ(m.GetKind(), 0);
  EXPECT_EQ(m.GetMatrixId(), 0);

  const uint8_t t[2] = {9, 10};
  GDitherMatrix full(2, 1, t, 300, 1200, 2, 5, -1, nullptr);
  EXPECT_EQ(full.FeatureId(), 0);
  EXPECT_EQ(full.GetResolution(), 300);
  EXPECT_EQ(full.GetYResolution(), 1200);
  EXPECT_EQ(full.GetDepth(), 2);
  EXPECT_EQ(full.GetKind(), 5);
  EXPECT_EQ(full.GetMatrixId(), -1);
  EXPECT_EQ(full.GetFlag(), 0);
  EXPECT_EQ(full.GetThreshold(0, 1), 10);

  // No thresholds given: a block of zeros of the given size.
  GDitherMatrix zeros(3, 3, nullptr, 600, nullptr);
  EXPECT_EQ(zeros.GetThreshold(2, 2), 0);
  zeros.SetThreshold(2, 2, 77);
  EXPECT_EQ(zeros.GetThreshold(2, 2), 77);
}

TEST(GDitherMatrixTest, ThresholdsOutsideTheMatrixReadAsZeroAndAreNotWritten) {
  GDitherMatrix m = FourByTwo();
  struct Case {
    uint8_t row, column, want;
  };
  for (Case c : {Case{1, 2, 7}, Case{0, 0, 1}, Case{1, 3, 8}, Case{2, 0, 0}, Case{0, 4, 0}, Case{255, 255, 0}})
    EXPECT_EQ(m.GetThreshold(c.row, c.column), c.want) << int(c.row) << "," << int(c.column);
  m.SetThreshold(2, 0, 99);
  m.SetThreshold(0, 4, 99);
  m.SetThreshold(1, 0, 50);
  const GDitherMatrix original = FourByTwo();
  EXPECT_EQ(m.GetThreshold(1, 0), 50);
  m.SetThreshold(1, 0, 5);
  EXPECT_TRUE(m.Matches(&original));
}

TEST(GDitherMatrixTest, RowsAreReadCyclicallyFromTheStartColumn) {
  GDitherMatrix m = FourByTwo();
  m.StartRow(3, 0);
  std::vector<int> got;
  for (int i = 0; i < 6; ++i) got.push_back(m.NextThreshold());
  EXPECT_EQ(got, (std::vector<int>{4, 1, 2, 3, 4, 1}));

  struct Case {
    uint8_t column, row;
    std::vector<uint8_t> want;  // width bytes, then the untouched guard byte
  };
  const Case cases[] = {
      {1, 1, {6, 7, 8, 5, 0xEE}},
      {0, 0, {1, 2, 3, 4, 0xEE}},
      {3, 1, {8, 5, 6, 7, 0xEE}},
      // A start outside the matrix reads zeros, never past the block.
      {0, 2, {0, 0, 0, 0, 0xEE}},
      {4, 0, {0, 0, 0, 0, 0xEE}},
  };
  for (const Case& c : cases) EXPECT_EQ(Row(m, c.column, c.row), c.want) << int(c.column) << "," << int(c.row);

  // An empty matrix has no row to read.
  GDitherMatrix empty;
  empty.StartRow(0, 0);
  EXPECT_EQ(empty.NextThreshold(), 0);
  uint8_t guard = 0xEE;
  empty.CopyRow(&guard, 0, 0);
  EXPECT_EQ(guard, 0xEE);
  GDitherMatrix flat(5, 0, nullptr, 600, nullptr);
  EXPECT_EQ(Row(flat, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0xEE}));
}

TEST(GDitherMatrixTest, CopyAllCopiesTheBlockFromItsStartAndZerosWhatLiesBeyond) {
  GDitherMatrix m = FourByTwo();
  std::vector<uint8_t> out(20, 0xEE);
  EXPECT_EQ(m.CopyAll(out.data(), 4, 2), 8u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 9), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0xEE}));
  std::fill(out.begin(), out.end(), 0xEE);
  EXPECT_EQ(m.CopyAll(out.data(), 3, 1), 3u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 4), (std::vector<uint8_t>{1, 2, 3, 0xEE}));
  std::fill(out.begin(), out.end(), 0xEE);
  EXPECT_EQ(m.CopyAll(out.data(), 5, 2), 10u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 11),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0xEE}));
  EXPECT_EQ(m.CopyAll(nullptr, 4, 2), 0u);
}

TEST(GDitherMatrixTest, CopiesTakeThresholdsOfTheirOwnAndMatchingComparesEveryField) {
  GDitherMatrix m = FourByTwo();
  m.SetFlag(3);
  GDitherMatrix copy(m);
  EXPECT_TRUE(copy.Matches(&m));
  copy.SetThreshold(0, 0, 200);
  EXPECT_EQ(m.GetThreshold(0, 0), 1);
  EXPECT_FALSE(copy.Matches(&m));

  GDitherMatrix assigned;
  assigned = m;
  EXPECT_TRUE(assigned.Matches(&m));
  assigned = GDitherMatrix();
  EXPECT_EQ(assigned.GetWidth(), 0);
  EXPECT_EQ(assigned.GetThreshold(0, 0), 0);

  const uint8_t t[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const GDitherMatrix variants[] = {
      GDitherMatrix(4, 2, t, 600, 600, 0, 0, 0, nullptr),   // another feature id
      GDitherMatrix(2, 4, t, 600, 600, 0, 0, 0, &kId),      // other sizes
      GDitherMatrix(4, 2, t, 300, 600, 0, 0, 0, &kId),      // x resolution
      GDitherMatrix(4, 2, t, 600, 1200, 0, 0, 0, &kId),     // y resolution
      GDitherMatrix(4, 2, t, 600, 600, 1, 0, 0, &kId),      // depth
      GDitherMatrix(4, 2, t, 600, 600, 0, 1, 0, &kId),      // kind
      GDitherMatrix(4, 2, t, 600, 600, 0, 0, -1, &kId),     // matrix id
  };
  const GDitherMatrix plain = FourByTwo();
  for (const GDitherMatrix& v : variants) EXPECT_FALSE(v.Matches(&plain));
  GDitherMatrix flagged = FourByTwo();
  flagged.SetFlag(1);
  EXPECT_FALSE(flagged.Matches(&plain));
  GRGBColor color;
  EXPECT_FALSE(plain.Matches(&color));
}

// ---- Search ----

class FindDitherMatrixTest : public ::testing::Test {
 protected:
  void Add(uint16_t x, uint16_t y, uint8_t depth, uint8_t kind, int16_t id) {
    const uint8_t t[1] = {static_cast<uint8_t>(list_.Count())};
    list_.Append(GCountedPtr(new GDitherMatrix(1, 1, t, x, y, depth, kind, id, nullptr)));
  }
  // The position of the matrix found, or -1.
  int Find(uint16_t x, uint16_t y, uint8_t depth, uint8_t kind, int16_t id, int32_t after, int deviceOnly) {
    GCountedPtr found = FindDitherMatrix(x, y, depth, kind, id, list_, after, deviceOnly);
    if (found.IsEmpty()) return -1;
    return static_cast<GDitherMatrix*>(found.Pointee())->GetThreshold(0, 0);
  }
  GCountedPtrVector list_{64};
};

TEST_F(FindDitherMatrixTest, FindsTheFirstMatchAfterTheIndex) {
  Add(300, 300, 1, 1, 0);    // 0
  Add(600, 600, 1, 2, 5);    // 1
  Add(600, 1200, 0, 0, 0);   // 2
  Add(600, 600, 0, 0, -1);   // 3
  Add(600, 600, 2, 3, 7);    // 4
  list_.Append(GCountedPtr(new GRGBColor(1, 1, 1, 255)));  // 5: not a matrix
  Add(600, 600, 0, 0, 0);    // 6

  struct Case {
    uint16_t x, y;
    uint8_t depth, kind;
    int16_t id;
    int32_t after;
    int deviceOnly;
    int want;
  };
  const Case cases[] = {
      // Any depth, kind and id: the first 600 x 600 matrix after the index.
      {600, 600, 0, 0, 0, -1, 0, 1},
      {600, 600, 0, 0, 0, 1, 0, 3},
      {600, 600, 0, 0, 0, 4, 0, 6},
      {600, 600, 0, 0, 0, 6, 0, -1},
      {600, 600, 0, 0, 0, 100, 0, -1},
      {600, 600, 0, 0, 0, -50, 0, 1},
      // Both resolutions must be equal.
      {600, 1200, 0, 0, 0, -1, 0, 2},
      {1200, 600, 0, 0, 0, -1, 0, -1},
      // Depth, kind and id equal or 0 on either side.
      {600, 600, 2, 0, 0, -1, 0, 3},
      {600, 600, 1, 2, 5, -1, 0, 1},
      {600, 600, 1, 3, 0, -1, 0, 3},
      {600, 600, 2, 3, 7, -1, 0, 4},  // the device-only matrix (-1) is not "any"
      {600, 600, 2, 3, 7, 3, 0, 4},
      {600, 600, 2, 3, 8, 3, 0, 6},
      {300, 300, 2, 0, 0, -1, 0, -1},
      // Device-only: the matrix id must be -1 whatever was asked.
      {600, 600, 0, 0, 0, -1, 1, 3},
      {600, 600, 0, 0, 5, -1, 1, 3},
      {600, 600, 0, 0, 0, 3, 1, -1},
      {300, 300, 0, 0, 0, -1, 1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Find(c.x, c.y, c.depth, c.kind, c.id, c.after, c.deviceOnly), c.want)
        << c.x << "x" << c.y << " depth " << int(c.depth) << " kind " << int(c.kind) << " id " << c.id << " after "
        << c.after << " device " << c.deviceOnly;
  }
}

TEST_F(FindDitherMatrixTest, TheHandleFoundKeepsTheMatrixAlive) {
  Add(600, 600, 0, 0, 0);
  GCountedPtr found = FindDitherMatrix(600, 600, 0, 0, 0, list_, -1, 0);
  ASSERT_FALSE(found.IsEmpty());
  list_ = GCountedPtrVector(64);
  EXPECT_EQ(static_cast<GDitherMatrix*>(found.Pointee())->GetResolution(), 600);
  EXPECT_TRUE(FindDitherMatrix(600, 600, 0, 0, 0, list_, -1, 0).IsEmpty());
}

// ---- Stored form ----

TEST(GDitherMatrixTest, StoredFormIsVersionThreeWithEveryField) {
  const uint8_t t[6] = {10, 20, 30, 40, 50, 60};
  GDitherMatrix m(3, 2, t, 600, 1200, 2, 4, -1, &kId);
  m.SetFlag(-7);
  qvtest::ExpectRoundTripsInAllForms(m);
  qvtest::ExpectStoredByteCountIsWritten(m);
  EXPECT_EQ(m.MembersStoreSize(), 12u + 6u + 22u);

  const std::string bytes = qvtest::SaveInForm(&m, ModelForm::kFile);
  const std::string want = StoredBytes().Marker().U16(GDitherMatrixClassId).Base(kId, m.GetSerial()).U32(3).U16(3).U16(2).Bytes() +
                           std::string("\x0A\x14\x1E\x28\x32\x3C", 6) +
                           StoredBytes().U16(600).U32(static_cast<uint32_t>(-7)).U16(1200).U16(2).U16(4).U16(0xFFFF).Bytes();
  EXPECT_EQ(bytes, want);

  GDitherMatrix empty;
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  GDitherMatrix largest(255, 255, nullptr, 600, &kId);
  largest.SetThreshold(254, 254, 9);
  qvtest::ExpectRoundTripsInAllForms(largest);
  qvtest::ExpectStoredByteCountIsWritten(largest);
}

// A stored matrix of the given version: 2 x 1, thresholds (7, 9), x
// resolution 300, then what the version adds.
std::string StoredMatrix(uint32_t version) {
  StoredBytes b;
  b.Marker().U16(GDitherMatrixClassId).Base(kId, 5).U32(version);
  if (version >= 1) b.U16(2).U16(1).U16(0x0907).U16(300);
  if (version >= 2) b.U32(4);
  if (version >= 3) b.U16(150).U16(1).U16(2).U16(3);
  return b.Bytes();
}

TEST(GDitherMatrixTest, OlderVersionsAreReadWithWhatTheyHold) {
  struct Case {
    uint32_t version;
    int width, x, y, flag, depth, kind, id;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 0},
      {1, 2, 300, 300, 0, 0, 0, 0},
      {2, 2, 300, 300, 4, 0, 0, 0},
      {3, 2, 300, 150, 4, 1, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    qvtest::ModelRead read = qvtest::RestoreFromForm(StoredMatrix(c.version), ModelForm::kFile);
    EXPECT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* m = dynamic_cast<GDitherMatrix*>(read.object);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->FeatureId(), kId);
    EXPECT_EQ(m->GetWidth(), c.width);
    EXPECT_EQ(m->GetThreshold(0, 1), c.width != 0 ? 9 : 0);
    EXPECT_EQ(m->GetResolution(), c.x);
    EXPECT_EQ(m->GetYResolution(), c.y);
    EXPECT_EQ(m->GetFlag(), c.flag);
    EXPECT_EQ(m->GetDepth(), c.depth);
    EXPECT_EQ(m->GetKind(), c.kind);
    EXPECT_EQ(m->GetMatrixId(), c.id);
    // Stored again, it is a version 3 matrix.
    qvtest::ExpectRoundTripsInAllForms(*m);
  }
}

TEST(GDitherMatrixTest, SizesNoMatrixCanHaveOrACutBlockFailTheRestore) {
  auto withSizes = [](uint16_t width, uint16_t height, uint32_t blockBytes) {
    StoredBytes b;
    b.Marker().U16(GDitherMatrixClassId).Base(kId, 5).U32(3).U16(width).U16(height);
    std::string bytes = b.Bytes() + std::string(blockBytes, '\x11');
    return bytes + StoredBytes().U16(600).U32(0).U16(600).U16(0).U16(0).U16(0).Bytes();
  };
  const std::string cases[] = {
      withSizes(0xFFFF, 1, 0),       // negative width
      withSizes(1, 0x8000, 0),       // negative height
      withSizes(256, 1, 256),        // wider than a byte
      withSizes(32767, 32767, 100),  // a gigabyte claimed, a hundred bytes there
      withSizes(255, 255, 1000),     // a full-size block cut short
  };
  for (const std::string& bytes : cases) {
    for (ModelForm form : {ModelForm::kFile}) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
      EXPECT_TRUE(read.failed);
      EXPECT_EQ(read.object, nullptr);
      delete read.object;
    }
  }
  // Width 0 with a height is an empty matrix, and reads back as one.
  qvtest::ModelRead read = qvtest::RestoreFromForm(withSizes(0, 9, 0), ModelForm::kFile);
  EXPECT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* m = dynamic_cast<GDitherMatrix*>(read.object);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetHeight(), 9);
  EXPECT_EQ(m->GetThreshold(0, 0), 0);
  EXPECT_EQ(Row(*m, 0, 0), (std::vector<uint8_t>{0xEE}));
}

}  // namespace
