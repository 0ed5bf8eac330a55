// The table cache: tables added and found by tag index (owned buffers
// taken over, views copied, missing tables recorded), the counter, merging,
// matching, the stored form and damaged stored caches.
#include "graphics/GTTTableCache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

// A block of the given bytes that a buffer can own (delete[]).
uint8_t* TTTableCacheBlock(const std::string& bytes) {
  auto* block = new uint8_t[bytes.size()];
  std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

GByteBuffer* TTTableCacheOwning(const std::string& bytes) {
  return new GByteBuffer(TTTableCacheBlock(bytes), static_cast<uint32_t>(bytes.size()), 1);
}

// The cached bytes of a tag index, or "<absent>" / "<missing>".
std::string Cached(const GTTTableCache& cache, uint32_t tag) {
  std::unique_ptr<GByteBuffer> found(cache.FindTable(tag));
  if (found == nullptr) return "<absent>";
  if (found->GetLength() == 0) return "<missing>";
  return std::string(reinterpret_cast<const char*>(found->GetData()), found->GetLength());
}

TEST(GTTTableCacheTest, IsRegisteredAndEmpty) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GTTTableCacheClassId));
  auto* cache = dynamic_cast<GTTTableCache*>(made.get());
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->GetEntryCount(), 0);
  EXPECT_EQ(cache->FeatureId(), 0);
  EXPECT_TRUE(cache->DerivesFrom(GTTTableCacheClassId));
  EXPECT_TRUE(cache->DerivesFrom(751));
  for (uint32_t tag = 0; tag < GTTTableCache::kEntryCount; ++tag) EXPECT_EQ(cache->FindTable(tag), nullptr);
}

TEST(GTTTableCacheTest, AnOwnedBlockIsTakenOverAndABorrowedOneCopied) {
  GTTTableCache cache;
  uint8_t* block = TTTableCacheBlock("cmap-bytes");
  auto* owning = new GByteBuffer(block, 10, 1);
  EXPECT_EQ(cache.AddTable(0, owning), 1);  // the cache deletes the buffer, not the block
  std::unique_ptr<GByteBuffer> view(cache.FindTable(0));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetData(), block);
  EXPECT_EQ(view->OwnsData(), 0);
  EXPECT_EQ(view->GetLength(), 10u);

  uint8_t borrowed[4] = {'h', 'e', 'a', 'd'};
  cache.AddTable(1, new GByteBuffer(borrowed, 4, 0));
  borrowed[0] = 'X';  // the cache has bytes of its own
  EXPECT_EQ(Cached(cache, 1), "head");
  EXPECT_EQ(cache.GetEntryCount(), 2);
}

TEST(GTTTableCacheTest, AMissingTableIsRecordedAndFoundAsAnEmptyOwningBuffer) {
  GTTTableCache cache;
  cache.AddTable(5, new GByteBuffer(nullptr, 0, 1));
  cache.AddTable(6, nullptr);
  for (uint32_t tag : {5u, 6u}) {
    std::unique_ptr<GByteBuffer> found(cache.FindTable(tag));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetLength(), 0u);
    EXPECT_EQ(found->OwnsData(), 1);
    EXPECT_TRUE(cache.IsPresent(tag));
  }
  EXPECT_EQ(Cached(cache, 7), "<absent>");
}

TEST(GTTTableCacheTest, EveryAddCountsAndAReplacementTakesTheNewBytes) {
  GTTTableCache cache;
  cache.AddTable(3, TTTableCacheOwning("old"));
  cache.AddTable(3, TTTableCacheOwning("newer"));
  cache.AddTable(3, nullptr);
  cache.AddTable(3, TTTableCacheOwning("last"));
  EXPECT_EQ(Cached(cache, 3), "last");
  EXPECT_EQ(cache.GetEntryCount(), 4);
}

TEST(GTTTableCacheTest, ATagIndexBeyondTheTableIsRefused) {
  GTTTableCache cache;
  // The buffer is still deleted, and its owned block with it (the
  // sanitizer checks for a leak).
  EXPECT_EQ(cache.AddTable(26, TTTableCacheOwning("x")), 0);
  EXPECT_EQ(cache.AddTable(0xFFFFFFFFu, TTTableCacheOwning("y")), 0);
  EXPECT_EQ(cache.GetEntryCount(), 0);
  EXPECT_EQ(cache.FindTable(26), nullptr);
  EXPECT_FALSE(cache.IsPresent(26));
  EXPECT_EQ(cache.GetLength(1000), 0u);
  // Index 25, the end of the tag table, is still an entry.
  EXPECT_EQ(cache.AddTable(25, TTTableCacheOwning("z")), 1);
}

TEST(GTTTableCacheTest, MergingMovesTheEntriesThisCacheLacks) {
  GTTTableCache mine;
  GTTTableCache theirs;
  mine.AddTable(0, TTTableCacheOwning("my cmap"));
  theirs.AddTable(0, TTTableCacheOwning("their cmap"));
  uint8_t* glyf = TTTableCacheBlock("glyf data");
  theirs.AddTable(2, new GByteBuffer(glyf, 9, 1));
  theirs.AddTable(8, nullptr);

  mine.AssignFrom(theirs);
  EXPECT_EQ(Cached(mine, 0), "my cmap");  // present in both: stays
  EXPECT_EQ(Cached(theirs, 0), "their cmap");
  std::unique_ptr<GByteBuffer> moved(mine.FindTable(2));
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->GetData(), glyf);  // the bytes moved, not copied
  EXPECT_EQ(Cached(theirs, 2), "<absent>");
  EXPECT_EQ(theirs.GetLength(2), 0u);
  EXPECT_EQ(Cached(mine, 8), "<missing>");
  EXPECT_EQ(Cached(theirs, 8), "<absent>");
  // The counters stay.
  EXPECT_EQ(mine.GetEntryCount(), 1);
  EXPECT_EQ(theirs.GetEntryCount(), 3);

  mine.AssignFrom(mine);
  EXPECT_EQ(Cached(mine, 2), "glyf data");
}

TEST(GTTTableCacheTest, MatchingComparesPresenceLengthsAndBytes) {
  auto make = [](const char* cmap, bool missingName) {
    auto cache = std::make_unique<GTTTableCache>();
    if (cmap != nullptr) cache->AddTable(0, TTTableCacheOwning(cmap));
    if (missingName) cache->AddTable(6, nullptr);
    return cache;
  };
  EXPECT_TRUE(make("abc", true)->Matches(make("abc", true).get()));
  EXPECT_FALSE(make("abc", true)->Matches(make("abd", true).get()));
  EXPECT_FALSE(make("abc", true)->Matches(make("abcd", true).get()));
  EXPECT_FALSE(make("abc", true)->Matches(make("abc", false).get()));
  EXPECT_FALSE(make(nullptr, false)->Matches(make("", false).get()));  // absent vs. recorded missing
  // The counter is not compared.
  auto counted = make("abc", true);
  counted->AddTable(0, TTTableCacheOwning("abc"));
  EXPECT_TRUE(counted->Matches(make("abc", true).get()));
  const int32_t id = 4;
  auto other = make("abc", true);
  other->SetFeatureId(id);
  EXPECT_FALSE(other->Matches(make("abc", true).get()));
}

TEST(GTTTableCacheTest, CopiesHaveBytesOfTheirOwn) {
  GTTTableCache cache;
  cache.AddTable(4, TTTableCacheOwning("maxp"));
  std::unique_ptr<GTTTableCache> copy(cache.Clone());
  EXPECT_TRUE(copy->Matches(&cache));
  EXPECT_EQ(copy->GetEntryCount(), 1);
  std::unique_ptr<GByteBuffer> a(cache.FindTable(4));
  std::unique_ptr<GByteBuffer> b(copy->FindTable(4));
  EXPECT_NE(a->GetData(), b->GetData());
}

std::string CacheHead(uint8_t count, uint32_t counter) {
  return StoredBytes().Marker().U16(GTTTableCacheClassId).Base(0, 1).U32(1).Bytes() +
         std::string(1, static_cast<char>(count)) + StoredBytes().U32(counter).Bytes();
}

TEST(GTTTableCacheTest, StoredFormHoldsEveryEntry) {
  GTTTableCache cache;
  cache.AddTable(1, TTTableCacheOwning("hd"));
  cache.AddTable(3, nullptr);
  const std::string bytes = qvtest::SaveInForm(&cache, ModelForm::kFile);
  // Marker, tag, base, version, count 26 (one byte), counter, then each
  // entry: 0, or 1 with the length and the bytes.
  std::string want = StoredBytes().Marker().U16(GTTTableCacheClassId).Base(0, cache.GetSerial()).U32(1).Bytes() +
                     std::string(1, '\x1A') + StoredBytes().U32(2).Bytes();
  for (uint32_t tag = 0; tag < 26; ++tag) {
    if (tag == 1) {
      want += StoredBytes().U32(1).U32(2).Bytes() + "hd";
    } else if (tag == 3) {
      want += StoredBytes().U32(1).U32(0).Bytes();
    } else {
      want += StoredBytes().U32(0).Bytes();
    }
  }
  EXPECT_EQ(bytes, want);
  qvtest::ExpectStoredByteCountIsWritten(cache);
  qvtest::ExpectRoundTripsInAllForms(cache);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* restored = dynamic_cast<GTTTableCache*>(read.object);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetEntryCount(), 2);
  EXPECT_EQ(Cached(*restored, 1), "hd");
  EXPECT_EQ(Cached(*restored, 3), "<missing>");
}

TEST(GTTTableCacheTest, AShorterEntryListLeavesTheRestAbsent) {
  const std::string bytes = CacheHead(2, 7) + StoredBytes().U32(0).U32(1).U32(3).Bytes() + "abc";
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* cache = dynamic_cast<GTTTableCache*>(read.object);
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(Cached(*cache, 1), "abc");
  EXPECT_EQ(Cached(*cache, 2), "<absent>");
  EXPECT_EQ(cache->GetEntryCount(), 7);
}

TEST(GTTTableCacheTest, ADamagedStoredCacheFailsTheRestore) {
  std::string all;
  for (int i = 0; i < 26; ++i) all += StoredBytes().U32(0).Bytes();
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"more entries than tag indexes", CacheHead(27, 0) + all + StoredBytes().U32(0).Bytes()},
      {"a present flag other than 0 or 1", CacheHead(26, 0) + StoredBytes().U32(2).U32(0).Bytes() + all},
      {"a negative present flag", CacheHead(26, 0) + StoredBytes().U32(0xFFFFFFFFu).Bytes() + all},
      // Four thousand million bytes claimed, three stored: nothing near that
      // size may be reserved (the sanitizer would report it).
      {"a length beyond the input", CacheHead(26, 0) + StoredBytes().U32(1).U32(0xFFFFFFF0u).Bytes() + "abc"},
      {"a cut entry list", CacheHead(26, 0) + StoredBytes().U32(0).U32(1).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qvtest::ModelRead read = qvtest::RestoreFromForm(c.bytes, ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

TEST(GTTTableCacheTest, AnotherVersionSkipsTheRestOfTheBody) {
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(),
                   StoredBytes().Base(0, 1).U32(2).Bytes() + std::string(1, '\x1A') + StoredBytes().U32(9).Bytes());
  GTTTableCache cache;
  cache.AddTable(0, TTTableCacheOwning("kept"));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    cache.RestoreMembersFromFile(file);
  }
  EXPECT_EQ(Cached(cache, 0), "kept");
  EXPECT_EQ(cache.GetEntryCount(), 1);
}

}  // namespace
