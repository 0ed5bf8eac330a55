// The font pool and its handles: sharing one reader, reference counts and
// release, the merge of restored copies by stamp, saving for a database
// once per request, and the font database file carrying pooled fonts
// across a save and a load.
#include <gtest/gtest.h>

#include <unistd.h>

#include "graphics/GFontDatabase.h"
#include "graphics/GTTFontPool.h"
#include "graphics/GTTTableCache.h"
#include <sstream>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWVirtualStream.h"
#include "support/TestFontReader.h"
#include "w32test/Testing.h"

namespace {

const char* const kPoolFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A registered pool for the test's life.
class FontPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTTFontPool::RegisterInstance(new GTTFontPool);
    pool_ = GTTFontPool::GetInstance();
    font_ = qvtest::ReadFontFile(kPoolFontPath);
    if (font_.empty()) GTEST_SKIP() << kPoolFontPath << " is not installed";
  }
  void TearDown() override {
    pool_->RemoveAll();
    GTTFontPool::DestroyInstance();
  }
  qvtest::TestFontReader* NewFont(uint32_t key) { return new qvtest::TestFontReader(key, font_); }
  // The bytes of the pool's part saved for a database.
  std::string SavePool(int32_t databaseId) { return SavePoolOf(*pool_, databaseId); }
  static std::string SavePoolOf(GTTFontPool& pool, int32_t databaseId) {
    std::ostringstream bytes;
    {
      RWBinaryOutStream stream(bytes);
      EXPECT_EQ(pool.SaveToStream(stream, databaseId), 1);
    }
    return bytes.str();
  }
  int RestorePool(const std::string& bytes) {
    std::istringstream in(bytes);
    RWBinaryInStream stream(in);
    return pool_->RestoreFromStream(stream);
  }

  GTTFontPool* pool_ = nullptr;
  std::vector<uint8_t> font_;
};

TEST_F(FontPoolTest, HandlesShareOneReaderAndReleaseItToThePool) {
  qvtest::TestFontReader* font = NewFont(pool_->NextKey());
  ASSERT_EQ(pool_->AddFont(font), 1);
  EXPECT_EQ(pool_->AddFont(font), 1);  // already held: no second reference
  EXPECT_EQ(font->GetReferenceCount(), 1);
  std::unique_ptr<GTTFontFile> first(pool_->CreateFileHandle(font));
  std::unique_ptr<GTTFontFile> second(pool_->CreateFileHandle(font));
  EXPECT_EQ(font->GetReferenceCount(), 3);
  uint16_t count = 0;
  ASSERT_EQ(first->GetGlyphCount(0, &count), 1);
  EXPECT_GT(count, 100);
  // What one handle caches the other finds.
  std::unique_ptr<GByteBuffer> data;
  ASSERT_GT(first->GetGlyphData(0, 1, 36, data), 0u);
  EXPECT_EQ(second->FindCachedGlyphData(36, data), 1);
  first.reset();
  second.reset();
  // The last handle gone: the pool still holds the font alone.
  EXPECT_EQ(font->GetReferenceCount(), 1);
  EXPECT_EQ(pool_->ContainsFont(font->GetKey()), 1);
  // FindFont below the minimum stamp takes no reference.
  EXPECT_EQ(pool_->FindFont(font->GetKey(), font->GetStamp() + 1), nullptr);
  EXPECT_EQ(font->GetReferenceCount(), 1);
}

TEST_F(FontPoolTest, ReleasingTheOnlyReferenceOfAnUnpooledFontDeletesIt) {
  qvtest::TestFontReader* font = NewFont(77);
  {
    GTTFontFile handle(pool_, font);
    EXPECT_EQ(font->GetReferenceCount(), 1);
  }
  // Deleted by the handle (the sanitizers would report a leak otherwise).
  EXPECT_EQ(pool_->ContainsFont(77), 0);
}

TEST_F(FontPoolTest, SavesEachRequestedFontOnceAndRestoresByStamp) {
  qvtest::TestFontReader* font = NewFont(5);
  pool_->AddFont(font);
  std::unique_ptr<GTTFontFile> handle(pool_->CreateFileHandle(font));
  uint16_t count = 0;
  handle->GetGlyphCount(0, &count);
  handle->RegisterForSave(7);
  EXPECT_EQ(SavePool(8).size(), 4u);  // another database: just the count 0
  const std::string saved = SavePool(7);
  EXPECT_GT(saved.size(), font_.size());
  EXPECT_EQ(SavePool(7).size(), 4u);  // the request was honoured

  // An older or equal copy changes nothing.
  EXPECT_EQ(RestorePool(saved), 1);
  EXPECT_EQ(pool_->FindFont(5, 0), font);
  pool_->ReleaseFont(nullptr);
  font->Lock();
  pool_->ReleaseFont(font);  // the reference FindFont took
  font->Unlock();

  // A newer copy of a font a handle uses is merged into it.
  qvtest::TestFontReader newer(5, font_);
  newer.SetStamp(font->GetStamp() + 10);
  uint8_t bytes[4];
  newer.ReadTableBytes(0, GTTFontReader::kHhea, 0, 1, bytes, 4);
  newer.AddSaveRequester(1);
  GTTFontPool other;
  other.AddFont(&newer);
  const std::string out = SavePoolOf(other, 1);
  other.TakeFont(5);
  EXPECT_EQ(RestorePool(out), 1);
  EXPECT_EQ(pool_->FindFont(5, 0), font);
  EXPECT_EQ(font->GetStamp(), newer.GetStamp());
  EXPECT_TRUE(font->GetTableCache()->IsPresent(GTTFontReader::kHhea));
  font->Lock();
  pool_->ReleaseFont(font);
  font->Unlock();

  // Without handles the newer copy replaces the held one.
  handle.reset();
  newer.SetStamp(font->GetStamp() + 1);
  newer.AddSaveRequester(1);
  other.AddFont(&newer);
  const std::string again = SavePoolOf(other, 1);
  other.TakeFont(5);
  EXPECT_EQ(RestorePool(again), 1);
  GTTFontReader* replaced = pool_->FindFont(5, newer.GetStamp());
  ASSERT_NE(replaced, nullptr);
  EXPECT_NE(replaced, static_cast<GTTFontReader*>(&newer));
  EXPECT_EQ(replaced->GetReferenceCount(), 2);
  replaced->SetReferenceCount(1);
}

TEST_F(FontPoolTest, StoredHandleResolvesThroughThePool) {
  qvtest::TestFontReader* font = NewFont(9);
  pool_->AddFont(font);
  std::unique_ptr<GTTFontFile> handle(pool_->CreateFileHandle(font));
  std::ostringstream bytes;
  {
    RWBinaryOutStream out(bytes);
    RWWriteObjectPointer(out, handle.get());
  }
  {
    std::istringstream is(bytes.str());
    RWBinaryInStream in(is);
    MPersistentObject* read = nullptr;
    MPersistentObject::ReadPersistentObject(in, read);
    std::unique_ptr<MPersistentObject> owned(read);
    auto* restored = dynamic_cast<GTTFontFile*>(read);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetFont(), font);
    EXPECT_EQ(font->GetReferenceCount(), 3);
    EXPECT_TRUE(restored->Matches(handle.get()));
  }
  EXPECT_EQ(font->GetReferenceCount(), 2);
  EXPECT_EQ(handle->MembersStoreSize(), GTTFontFile().MembersStoreSize());
}

TEST_F(FontPoolTest, DatabaseFileCarriesRequestedFontsAcrossSaveAndLoad) {
  const uint32_t instance = 0x5150;
  w32test::MakeDirectories(u"C:\\Spool");
  const RWWString path(u"C:\\Spool\\page1.fdb");
  qvtest::TestFontReader* font = NewFont(pool_->NextKey());
  pool_->AddFont(font);
  uint32_t key = font->GetKey();
  uint32_t stamp = 0;
  // The writing instance lives on while its pages are played back: its end
  // deletes the files it saved.
  GFontDatabase writer(instance);
  {
    GTTFontFile handle(pool_, font);
    std::unique_ptr<GByteBuffer> data;
    handle.GetGlyphData(0, 1, 40, data);
    handle.RegisterForSave(static_cast<int32_t>(instance));
    stamp = font->GetStamp();
    ASSERT_EQ(writer.SaveToFile(path), 1);
  }
  // Another process step: the pool starts empty.
  pool_->RemoveAll();
  EXPECT_EQ(pool_->ContainsFont(key), 0);
  // The playing instance loads the file, then the page's stored handle
  // resolves the font (a reference of its own) while the database lives.
  GFontDatabase reader(instance + 1);
  ASSERT_EQ(reader.LoadFromFile(path), 1);
  GTTFontReader* restored = pool_->FindFont(key, stamp);
  ASSERT_NE(restored, nullptr);
  GTTFontFile handle(pool_, restored);
  restored->Lock();
  EXPECT_EQ(pool_->ReleaseFont(restored), 0);  // the reference FindFont took
  restored->Unlock();
  EXPECT_EQ(restored->GetReferenceCount(), 2);
  std::unique_ptr<GByteBuffer> data;
  ASSERT_NE(restored->GetGlyphCache(), nullptr);
  ASSERT_NE(restored->GetTableCache(), nullptr);
  EXPECT_EQ(handle.FindCachedGlyphData(40, data), 1);
  EXPECT_EQ(handle.GetGlyphIndex(0, 0, 'A', 16), 36);
}

}  // namespace

namespace {

// A reset (the driver server closed its last print-side instance) empties
// the table: a font only the pool held is deleted there and then (the
// sanitizers would report it leaked otherwise), one a handle still uses
// lives on until its handle goes, and keys start again at 0.
TEST_F(FontPoolTest, ResetDropsThePoolsReferencesAndRestartsTheKeys) {
  qvtest::TestFontReader* alone = NewFont(pool_->NextKey());
  qvtest::TestFontReader* used = NewFont(pool_->NextKey());
  pool_->AddFont(alone);
  pool_->AddFont(used);
  auto handle = std::make_unique<GTTFontFile>(pool_, used);
  ASSERT_EQ(used->GetReferenceCount(), 2);
  pool_->AddEntry(used->GetKey());

  pool_->Reset();
  EXPECT_EQ(pool_->GetFontCount(), 0u);
  EXPECT_EQ(pool_->GetEntryCount(), 0u);
  EXPECT_EQ(pool_->NextKey(), 0u);
  EXPECT_EQ(used->GetReferenceCount(), 1);
  uint16_t glyphs = 0;
  EXPECT_EQ(handle->GetGlyphCount(0, &glyphs), 1);  // still readable
  handle.reset();  // the last reference: deleted with it
  EXPECT_EQ(pool_->ContainsFont(1), 0);
}

}  // namespace
