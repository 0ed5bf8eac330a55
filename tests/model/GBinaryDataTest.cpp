// The byte blob: ownership of its bytes, copies, matching, and stored forms
// including damaged lengths.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "model/GBinaryData.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

unsigned char* NewBytes(const char* text) {
  const size_t n = std::strlen(text);
  auto* bytes = new unsigned char[n];
  std::memcpy(bytes, text, n);
  return bytes;
}

TEST(GBinaryDataTest, ACloneHoldsItsOwnCopyUnderIdZero) {
  const int32_t id = 9;
  auto source = std::make_unique<GBinaryData>(NewBytes("abc"), 3, 1, id);
  std::unique_ptr<GBinaryData> clone(source->Clone());
  EXPECT_EQ(clone->FeatureId(), 0);
  EXPECT_NE(clone->GetSerial(), source->GetSerial());
  EXPECT_NE(clone->GetData(), source->GetData());
  EXPECT_EQ(clone->IsOwner(), 1);
  source.reset();
  ASSERT_EQ(clone->GetLength(), 3u);
  EXPECT_EQ(std::memcmp(clone->GetData(), "abc", 3), 0);

  GBinaryData empty;
  std::unique_ptr<GBinaryData> emptyClone(empty.Clone());
  EXPECT_EQ(emptyClone->GetData(), nullptr);
  EXPECT_EQ(emptyClone->GetLength(), 0u);
}

TEST(GBinaryDataTest, TheOwnerFlagDecidesWhoFreesTheBytes) {
  unsigned char borrowed[4] = {1, 2, 3, 4};
  {
    // Not owned: the object must leave the caller's bytes alone.
    GBinaryData blob(borrowed, 4, 0, 0);
    blob.SetData(NewBytes("xy"), 2, 1);  // the borrowed bytes are not freed
    unsigned char* taken = blob.Detach();
    EXPECT_EQ(blob.GetData(), nullptr);
    EXPECT_EQ(blob.GetLength(), 0u);
    EXPECT_EQ(blob.IsOwner(), 0);
    delete[] taken;
    blob.SetData(NewBytes("z"), 1, 1);
    blob.Clear();
    EXPECT_EQ(blob.GetData(), nullptr);
  }
  EXPECT_EQ(borrowed[3], 4);
}

TEST(GBinaryDataTest, MatchesComparesIdLengthAndBytes) {
  unsigned char a[3] = {1, 2, 3};
  unsigned char b[3] = {1, 2, 3};
  unsigned char c[3] = {1, 2, 4};
  GBinaryData blob(a, 3, 0, 5);
  EXPECT_TRUE(blob.Matches(&blob));
  EXPECT_TRUE(blob.Matches(std::make_unique<GBinaryData>(b, 3, 0, 5).get()));
  EXPECT_FALSE(blob.Matches(std::make_unique<GBinaryData>(c, 3, 0, 5).get()));
  EXPECT_FALSE(blob.Matches(std::make_unique<GBinaryData>(b, 2, 0, 5).get()));
  EXPECT_FALSE(blob.Matches(std::make_unique<GBinaryData>(b, 3, 0, 6).get()));
  EXPECT_TRUE(blob.DerivesFrom(GBinaryDataClassId));
  EXPECT_TRUE(blob.DerivesFrom(MPersistentObjectClassId));
}

TEST(GBinaryDataTest, EveryByteValueRoundTripsInEveryForm) {
  auto* bytes = new unsigned char[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  const int32_t id = 3;
  GBinaryData blob(bytes, 256, 1, id);
  qvtest::ExpectRoundTripsInAllForms(blob);
  qvtest::ExpectStoredByteCountIsWritten(blob);
  GBinaryData empty;
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  EXPECT_EQ(blob.MembersStoreSize(), 12u + 12u + 256u);
  // A length without bytes stores that many zeros.
  GBinaryData hollow(nullptr, 3, 0, id);
  qvtest::ExpectStoredByteCountIsWritten(hollow);
}

TEST(GBinaryDataTest, ARestoredBlobOwnsItsBytesWhateverFlagWasStored) {
  // Stored with flag 0; the buffer the restore makes is still freed with
  // the object (the leak checker would tell otherwise).
  unsigned char borrowed[2] = {7, 8};
  GBinaryData blob(borrowed, 2, 0, 1);
  blob.SetSerial(4);
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(GBinaryDataClassId)
                                .Base(1, 4)
                                .U32(1)
                                .U32(2)
                                .U32(0)
                                .U16(0x0807)
                                .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&blob, ModelForm::kFile), bytes);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  std::unique_ptr<MPersistentObject> restored(read.object);
  auto* copy = static_cast<GBinaryData*>(restored.get());
  EXPECT_EQ(copy->IsOwner(), 1);
  EXPECT_TRUE(copy->Matches(&blob));
}

TEST(GBinaryDataTest, AClaimedLengthBeyondTheInputFailsWithoutReservingIt) {
  // Near 4 GiB claimed, three bytes present: an up-front buffer of the
  // claimed size would be refused by the sanitizer's allocator.
  for (uint32_t length : {0xFFFFFFF0u, 0x10000001u, 4u}) {
    SCOPED_TRACE(length);
    const std::string bytes =
        StoredBytes().Marker().U16(GBinaryDataClassId).Base(1, 4).U32(1).U32(length).U32(1).U16(0x0201).Bytes() +
        std::string(1, '\x03');
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
  }
  // The same through a stream.
  GBinaryData big(new unsigned char[100](), 100, 1, 0);
  for (ModelForm form : {ModelForm::kNativeBinary, ModelForm::kPortableText, ModelForm::kByteOrderTagged}) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    std::string saved = qvtest::SaveInForm(&big, form);
    qvtest::ModelRead read = qvtest::RestoreFromForm(saved.substr(0, saved.size() / 2), form);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
  }
}

TEST(GBinaryDataTest, AnUnknownVersionKeepsTheBytes) {
  GBinaryData blob(new unsigned char[2]{5, 6}, 2, 1, 0);
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBytes().Base(1, 8).U32(2).U32(0).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  blob.RestoreMembersFromFile(file);
  EXPECT_EQ(blob.GetLength(), 2u);
  EXPECT_EQ(blob.GetData()[1], 6);
}

}  // namespace
