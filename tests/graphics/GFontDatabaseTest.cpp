// The keyed cache and the font database: use counts of the records, the
// save that writes each marked face once, the merge of a stored face with
// the one held, loading the current file, and the companion files a
// database deletes when it is cleared.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "graphics/GFontDatabase.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GKeyedCache.h"
#include "rw/RWBinaryStream.h"
#include "support/FontTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::SampleFaceExtras;
using qvtest::SampleFaceMetrics;
using qvtest::TestFaceHandle;
using qvtest::TestFontFace;

TestFontFace* NewDatabaseFace() { return new TestFontFace(SampleFaceMetrics(), SampleFaceExtras()); }

RWWString SpoolPath(const char16_t* name) {
  w32test::MakeDirectories(u"C:\\Spool");
  return RWWString((std::u16string(u"C:\\Spool\\") + name).c_str());
}

// ---- Keyed cache ----

int g_cacheEvents[6] = {};
int CountingEvent(MPersistentObject*, MPersistentObject*, int event) {
  ++g_cacheEvents[event];
  return event == GKeyedCache::kPurgeQuery ? 1 : 0;
}

TEST(GKeyedCacheTest, KeysAreUniqueOrderedAndRemovedWithoutDeletingTheValue) {
  GKeyedCache cache;
  auto* a = NewDatabaseFace();
  auto* b = NewDatabaseFace();
  EXPECT_EQ(cache.Insert(9, a), 1);
  EXPECT_EQ(cache.Insert(3, b), 1);
  EXPECT_EQ(cache.Insert(9, b), 0);
  EXPECT_EQ(cache.Find(9), a);
  uint32_t* keys = nullptr;
  ASSERT_EQ(cache.GetKeys(&keys), 2u);
  EXPECT_EQ(keys[0], 3u);
  EXPECT_EQ(keys[1], 9u);
  delete[] keys;
  EXPECT_EQ(cache.Remove(9), a);
  EXPECT_EQ(cache.Contains(9), 0);
  EXPECT_EQ(cache.Remove(9), nullptr);
  delete a;
  delete cache.Remove(3);
}

TEST(GKeyedCacheTest, AStoredEntryMeetingAHeldOneKeepsTheHeldUnlessTheCallbackSaysReplace) {
  GKeyedCache source;
  auto* stored = NewDatabaseFace();
  source.Insert(5, stored);
  std::stringstream bytes;
  {
    RWBinaryOutStream out(bytes);
    ASSERT_EQ(source.SaveToStream(out, nullptr, nullptr), 1);
  }
  const std::string saved = bytes.str();
  delete source.Remove(5);

  std::fill(std::begin(g_cacheEvents), std::end(g_cacheEvents), 0);
  GKeyedCache kept(&CountingEvent);
  auto* held = NewDatabaseFace();
  kept.Insert(5, held);
  std::istringstream in1(saved);
  RWBinaryInStream stream1(in1);
  ASSERT_EQ(kept.RestoreFromStream(stream1), 1);
  EXPECT_EQ(kept.Find(5), held);
  EXPECT_EQ(g_cacheEvents[GKeyedCache::kConflict], 1);

  GKeyedCache replaced;  // no callback: the stored entry wins
  const int before = TestFontFace::live;
  replaced.Insert(5, NewDatabaseFace());
  std::istringstream in2(saved);
  RWBinaryInStream stream2(in2);
  ASSERT_EQ(replaced.RestoreFromStream(stream2), 1);
  EXPECT_EQ(TestFontFace::live, before + 1);
  delete replaced.Remove(5);

  kept.Purge();  // the callback answers 1: removed and deleted
  EXPECT_EQ(kept.GetCount(), 0u);
}

TEST(GKeyedCacheTest, ADamagedCountFailsTheRestoreWithoutReservingForIt) {
  std::string bytes("\xff\xff\xff\x7f", 4);
  std::istringstream in(bytes);
  RWBinaryInStream stream(in);
  GKeyedCache cache;
  EXPECT_EQ(cache.RestoreFromStream(stream), 0);
  EXPECT_EQ(cache.GetCount(), 0u);
}

// ---- Records and counts ----

TEST(GFontDatabaseTest, RecordsCountOneUseAndReleaseDropsIt) {
  GFontDatabase database(101);
  auto* face = NewDatabaseFace();
  ASSERT_EQ(database.AddRecord(face), 1);
  EXPECT_EQ(face->GetUseCount(), 1);
  EXPECT_EQ(database.AddRecord(face), 1);  // already held: no second use
  EXPECT_EQ(face->GetUseCount(), 1);

  EXPECT_EQ(database.FindRecord(face->GetKey(), 1), nullptr);  // stamp 0 is below 1
  EXPECT_EQ(face->GetUseCount(), 1);
  ASSERT_EQ(database.FindRecord(face->GetKey(), 0), face);
  face->AddUse();  // three uses in all
  EXPECT_EQ(face->GetUseCount(), 3);
  EXPECT_EQ(database.ReleaseRecord(face->GetKey()), 1);
  EXPECT_EQ(face->GetUseCount(), 2);
  EXPECT_EQ(database.ContainsRecord(face->GetKey()), 0);
  EXPECT_EQ(database.ReleaseRecord(face->GetKey()), 0);
  delete face;

  const int before = TestFontFace::live;
  auto* single = NewDatabaseFace();
  database.AddRecord(single);
  EXPECT_EQ(database.ReleaseRecord(single->GetKey()), 1);
  EXPECT_EQ(TestFontFace::live, before);
}

TEST(GFontDatabaseTest, FaceKeysAreNeverZero) {
  for (int i = 0; i < 3; ++i) EXPECT_NE(GFontDatabase::NextUniqueId(), 0u);
}

// ---- Saving and loading ----

TEST(GFontDatabaseTest, ASecondSaveWritesOnlyFacesMarkedAgain) {
  GFontDatabase database(102);
  auto* face = NewDatabaseFace();
  TestFaceHandle handle(face, 102);
  database.AddRecord(face);
  face->MarkForSave();
  const RWWString first = SpoolPath(u"first.fdb");
  const RWWString second = SpoolPath(u"second.fdb");
  ASSERT_EQ(database.SaveToFile(first), 1);
  ASSERT_EQ(database.SaveToFile(second), 1);

  for (const RWWString* path : {&first, &second}) {
    GFontDatabase reader(103);
    ASSERT_EQ(reader.LoadFromFile(*path), 1);
    EXPECT_EQ(reader.GetRecordCount(), path == &first ? 1u : 0u);
  }
  EXPECT_EQ(database.GetSavedFiles().size(), 2u);
}

TEST(GFontDatabaseTest, ASaveDropsFacesThatOnlyTheDatabaseHolds) {
  const int before = TestFontFace::live;
  GFontDatabase database(104);
  auto* face = NewDatabaseFace();
  database.AddRecord(face);
  face->MarkForSave();
  ASSERT_EQ(database.SaveToFile(SpoolPath(u"purge.fdb")), 1);
  EXPECT_EQ(database.GetRecordCount(), 0u);
  EXPECT_EQ(TestFontFace::live, before);
}

// Writes a database file holding one copy of the face with the given stamp.
RWWString FileWithNewerCopy(const TestFontFace& face, uint32_t stamp, const char16_t* name) {
  GFontDatabase writer(105);
  auto* copy = new TestFontFace(face);
  while (copy->GetStamp() < stamp) copy->IncrementStamp();
  TestFaceHandle keep(copy, 105);
  writer.AddRecord(copy);
  copy->MarkForSave();
  const RWWString path = SpoolPath(name);
  EXPECT_EQ(writer.SaveToFile(path), 1);
  // The file must outlive the writer, which deletes what it saved.
  const std::string bytes = w32test::FileContents(path.Data()).value_or(std::string());
  writer.Clear();
  w32test::PutFile(path.Data(), bytes);
  return path;
}

TEST(GFontDatabaseTest, ANewerStoredFaceMergesIntoAHeldFaceInUseAndReplacesAnUnusedOne) {
  // In use by a handle: the held face stays and takes the newer stamp.
  {
    GFontDatabase database(106);
    auto* held = NewDatabaseFace();
    TestFaceHandle handle(held, 106);
    database.AddRecord(held);
    const RWWString path = FileWithNewerCopy(*held, 4, u"newer.fdb");
    ASSERT_EQ(database.LoadFromFile(path), 1);
    EXPECT_EQ(database.FindRecord(held->GetKey(), 0), held);
    held->DropUse();
    EXPECT_EQ(held->GetStamp(), 4u);
    EXPECT_EQ(held->merges, 1);
  }
  // Held by the database alone: the stored face takes its place.
  {
    GFontDatabase database(107);
    auto* held = NewDatabaseFace();
    database.AddRecord(held);
    const uint32_t key = held->GetKey();
    const RWWString path = FileWithNewerCopy(*held, 2, u"replace.fdb");
    const int before = TestFontFace::live;
    ASSERT_EQ(database.LoadFromFile(path), 1);
    EXPECT_EQ(TestFontFace::live, before);  // one deleted, one restored
    GFontFace* now = database.FindRecord(key, 2);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->GetUseCount(), 2);
    now->DropUse();
  }
  // An older or equal copy is dropped.
  {
    GFontDatabase database(108);
    auto* held = NewDatabaseFace();
    held->IncrementStamp();
    held->IncrementStamp();
    TestFaceHandle handle(held, 108);
    database.AddRecord(held);
    const RWWString path = FileWithNewerCopy(*held, 2, u"older.fdb");
    ASSERT_EQ(database.LoadFromFile(path), 1);
    EXPECT_EQ(held->merges, 0);
    EXPECT_EQ(held->GetStamp(), 2u);
  }
}

TEST(GFontDatabaseTest, LoadingTheCurrentFileReadsNothingAndAFailedLoadTriesAgain) {
  GFontDatabase database(109);
  auto* face = NewDatabaseFace();
  TestFaceHandle handle(face, 109);
  const RWWString path = FileWithNewerCopy(*face, 1, u"current.fdb");
  ASSERT_EQ(database.LoadFromFile(path), 1);
  EXPECT_TRUE(database.GetCurrentFile() == path);
  // Gone from the disk, yet current: nothing is read.
  DeleteFileW(path.Data());
  EXPECT_EQ(database.LoadFromFile(path), 1);

  const RWWString missing = SpoolPath(u"missing.fdb");
  EXPECT_EQ(database.LoadFromFile(missing), 0);
  EXPECT_EQ(database.GetCurrentFile().Length(), 0u);
  // A damaged file fails the same way.
  w32test::PutFile(missing.Data(), std::string("\x05\x00\x00\x00\x01", 5));
  EXPECT_EQ(database.LoadFromFile(missing), 0);
  EXPECT_EQ(database.GetCurrentFile().Length(), 0u);
}

TEST(GFontDatabaseTest, ClearDeletesEveryCompanionFileItWrote) {
  GFontDatabase database(110);
  const RWWString a = SpoolPath(u"clear-a.fdb");
  const RWWString b = SpoolPath(u"clear-b.fdb");
  ASSERT_EQ(database.SaveToFile(a), 1);
  ASSERT_EQ(database.SaveToFile(b), 1);
  EXPECT_TRUE(w32test::FileContents(a.Data()).has_value());
  database.Clear();
  EXPECT_FALSE(w32test::FileContents(a.Data()).has_value());
  EXPECT_FALSE(w32test::FileContents(b.Data()).has_value());
  EXPECT_TRUE(database.GetSavedFiles().empty());
}

TEST(GFontDatabaseTest, AFileThatCannotBeOpenedFailsTheSave) {
  GFontDatabase database(111);
  EXPECT_EQ(database.SaveToFile(RWWString(u"Q:\\no\\such\\folder\\x.fdb")), 0);
  EXPECT_EQ(database.SaveToFile(RWWString()), 0);
}

TEST(GFontDatabaseTest, TheDatabaseIsFoundByItsInstanceWhileItLives) {
  auto database = std::make_unique<GFontDatabase>(112);
  EXPECT_EQ(GFontDatabase::FindForInstance(112), database.get());
  database.reset();
  EXPECT_EQ(GFontDatabase::FindForInstance(112), nullptr);
}

// Two instances without a driver-server handle share key 0 until each gets
// its handle: the newer database is found, the older one again once the
// newer goes or moves to its handle.
TEST(GFontDatabaseTest, AKeySharedByTwoDatabasesNamesTheNewerAndThenTheOlderAgain) {
  auto older = std::make_unique<GFontDatabase>(113);
  auto newer = std::make_unique<GFontDatabase>(113);
  EXPECT_EQ(GFontDatabase::FindForInstance(113), newer.get());
  newer->SetInstance(114);
  EXPECT_EQ(GFontDatabase::FindForInstance(113), older.get());
  EXPECT_EQ(GFontDatabase::FindForInstance(114), newer.get());
  newer->SetInstance(113);
  EXPECT_EQ(GFontDatabase::FindForInstance(113), newer.get());
  newer.reset();
  EXPECT_EQ(GFontDatabase::FindForInstance(113), older.get());
  EXPECT_EQ(GFontDatabase::FindForInstance(114), nullptr);
}

}  // namespace
