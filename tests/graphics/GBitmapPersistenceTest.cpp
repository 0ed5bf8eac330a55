// The stored forms of bitmaps and their bodies: a body held by several
// bitmaps of one graph is read back once and shared, an empty bitmap stays
// empty, and cut or damaged stored bodies fail the restore without reading
// past the input or reserving what it does not hold.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "graphics/GBitmap.h"
#include "graphics/GPaletteTable.h"
#include "model/MPersistentComposite.h"
#include "support/ModelRoundTrip.h"

namespace {

GBitmap SmallBitmap() {
  GBitmapDescription d;
  d.data = new uint8_t[3]{1, 2, 3};
  d.dataLength = 3;
  d.bounds = GRect(0, 0, 3, 1);
  d.bitsPerPixel = 8;
  d.palette = new GPaletteTable;
  return GBitmap(d);
}

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

void PutU32At(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(GBitmapPersistenceTest, ABodyHeldByTwoBitmapsIsReadBackShared) {
  GBitmap first = SmallBitmap();
  MPersistentComposite root(3);
  root.AddChild(new GBitmap(first));
  root.AddChild(new GBitmap(first));
  root.AddChild(new GBitmap());
  qvtest::ExpectStoredByteCountIsWritten(root);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&root, form), form);
    ASSERT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* composite = read.object->AsComposite();
    ASSERT_NE(composite, nullptr);
    ASSERT_EQ(composite->GetEntryCount(), 3);
    auto* a = dynamic_cast<GBitmap*>(composite->Children().Data()[0].Pointee());
    auto* b = dynamic_cast<GBitmap*>(composite->Children().Data()[1].Pointee());
    auto* c = dynamic_cast<GBitmap*>(composite->Children().Data()[2].Pointee());
    ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
    EXPECT_EQ(a->GetBody(), b->GetBody());
    EXPECT_EQ(a->GetShareCount(), 2);
    EXPECT_EQ(c->IsEmpty(), 1);
    uint8_t row[3] = {};
    EXPECT_EQ(b->GetRow(row, 0, 3, 0, 2), 3u);
    EXPECT_EQ(row[2], 3);
    EXPECT_TRUE(a->Matches(&first));
  }
}

TEST(GBitmapPersistenceTest, EveryCutOfAStoredBitmapFailsCleanly) {
  GBitmap bitmap = SmallBitmap();
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string whole = qvtest::SaveInForm(&bitmap, form);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(whole.substr(0, cut), form);
      std::unique_ptr<MPersistentObject> owned(read.object);
      auto* restored = dynamic_cast<GBitmap*>(read.object);
      // Whatever was read is whole: never a body with part of its data.
      if (restored != nullptr && !restored->IsEmpty()) {
        EXPECT_EQ(restored->GetDataSize(), 3u) << "cut at " << cut;
        EXPECT_NE(restored->GetBits(), nullptr);
      }
    }
  }
}

// Offsets in the file form of a body stored alone: 6 bytes of framing, the
// 12-byte persistent base, then the body's own fields.
constexpr size_t kVersionAt = 18;
constexpr size_t kLengthAt = 26;

TEST(GBitmapPersistenceTest, ALengthBeyondTheInputFailsWithoutReservingIt) {
  GBitmap bitmap = SmallBitmap();
  std::string bytes = qvtest::SaveInForm(bitmap.GetBody(), qvtest::ModelForm::kFile);
  ASSERT_EQ(U32At(bytes, kVersionAt), 2u);
  ASSERT_EQ(U32At(bytes, kLengthAt), 3u);
  for (uint32_t length : {4u, 0x10000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    SCOPED_TRACE(length);
    PutU32At(bytes, kLengthAt, length);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* body = dynamic_cast<GBitmapImp*>(read.object);
    if (body != nullptr) {
      EXPECT_EQ(body->GetDataLength(), 0u);
    }
  }
}

TEST(GBitmapPersistenceTest, AnotherVersionLeavesTheBodyAsItWas) {
  GBitmap bitmap = SmallBitmap();
  std::string bytes = qvtest::SaveInForm(bitmap.GetBody(), qvtest::ModelForm::kFile);
  PutU32At(bytes, kVersionAt, 1);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  if (auto* body = dynamic_cast<GBitmapImp*>(read.object)) {
    EXPECT_EQ(body->GetDataLength(), 0u);
    EXPECT_EQ(body->GetBitsPerPixel(), 0);
    EXPECT_EQ(body->GetPalette(), nullptr);
  }
}

TEST(GBitmapPersistenceTest, AStoredCompressedBodyIsKeptButReadsNoRows) {
  // Construction always decodes; only a stored form can hold a compressed
  // body, and its bytes are not pixels.
  GBitmap bitmap = SmallBitmap();
  std::string bytes = qvtest::SaveInForm(bitmap.GetBody(), qvtest::ModelForm::kFile);
  // Compression follows owns data, length, bounds (8), depth and planes
  // (2) and the component order (4).
  const size_t compressionAt = kLengthAt + 4 + 8 + 2 + 4;
  ASSERT_EQ(U32At(bytes, compressionAt), 0u);
  PutU32At(bytes, compressionAt, 2);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  ASSERT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* body = dynamic_cast<GBitmapImp*>(read.object);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->GetCompression(), 2);
  EXPECT_EQ(body->GetDecodedSize(), 6u);  // twice the data while compressed
  uint8_t row[3] = {};
  EXPECT_EQ(body->GetRow(row, 0, 3, 0, 2), 0u);
}

}  // namespace

// The stride and the packed row size follow the length field by the
// bounds, depth, planes, four 32-bit fields, alignment, rows per segment,
// reserved value, segment step, decoded size and its flag.
constexpr size_t kStrideAt = kLengthAt + 4 + 8 + 2 + 4 + 4 + 4 + 1 + 2 + 4 + 2 + 4 + 4;

TEST(GBitmapPersistenceTest, AStoredLayoutThatDisagreesWithTheBoundsIsRefused) {
  // Three 8-bit pixels: packed and stride 3. A damaged stride would let
  // rows be read from where the image does not put them.
  GBitmap bitmap = SmallBitmap();
  const std::string whole = qvtest::SaveInForm(bitmap.GetBody(), qvtest::ModelForm::kFile);
  ASSERT_EQ(U32At(whole, kStrideAt), 3u);
  ASSERT_EQ(U32At(whole, kStrideAt + 4), 3u);
  {
    qvtest::ModelRead read = qvtest::RestoreFromForm(whole, qvtest::ModelForm::kFile);
    std::unique_ptr<MPersistentObject> owned(read.object);
    EXPECT_FALSE(read.failed);
  }
  struct Case {
    size_t at;
    uint32_t value;
  } cases[] = {{kStrideAt, 0x40000000u}, {kStrideAt, 2}, {kStrideAt + 4, 4}, {kStrideAt + 4, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    std::string bytes = whole;
    PutU32At(bytes, c.at, c.value);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* body = dynamic_cast<GBitmapImp*>(read.object);
    if (body == nullptr) continue;
    // Nothing of the damaged body was taken.
    EXPECT_EQ(body->GetDataLength(), 0u);
    EXPECT_EQ(body->GetBitsPerPixel(), 0);
    EXPECT_EQ(body->GetStride(), 0u);
  }
}

TEST(GBitmapPersistenceTest, AKeptDecodedSizeMustAgreeWithTheData) {
  GBitmap bitmap = SmallBitmap();
  bitmap.GetDecodedSize();  // worked out and kept: 3
  const std::string whole = qvtest::SaveInForm(bitmap.GetBody(), qvtest::ModelForm::kFile);
  const size_t decodedAt = kStrideAt - 8;
  ASSERT_EQ(U32At(whole, decodedAt), 3u);
  ASSERT_EQ(U32At(whole, decodedAt + 4), 1u);
  std::string bytes = whole;
  PutU32At(bytes, decodedAt, 0xFFFFFF00u);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  if (auto* body = dynamic_cast<GBitmapImp*>(read.object)) {
    EXPECT_EQ(body->GetDataLength(), 0u);
    EXPECT_NE(body->GetDecodedSize(), 0xFFFFFF00u);
  }
}
