// The record store and the on-disk B-tree beneath it, at 1k, 10k and 100k
// records:
// - a look-up by feature id in an open store (the object is read back, left
//   in the file), and opening plus closing a store of that many records;
// - the B-tree's inserts and look-ups of the store's own keys against
//   SQLite (counter "x_sqlite") and std::map ("x_map") doing the same.
//   SQLite works as our tree does: one file, no syncing to the disk, the
//   inserts in one transaction and the look-ups in another, statements
//   prepared once. It is the peer here and nowhere else.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchFloor.h"
#include "model/GCountedPtr.h"
#include "model/GRecord.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/ModelClasses.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWLibraryClasses.h"
#include "win32/File.h"

namespace {

constexpr int32_t kFirstId = 1000;

std::string WindowsPath(const std::string& name) { return "C:\\Bench\\" + name; }

void MakeFolder() {
  static const bool made = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    return CreateDirectoryW(u"C:\\Bench", nullptr) != FALSE;
  }();
  (void)made;
}

// A closed record file of n values, feature ids kFirstId.., made once per n.
std::string RecordFile(int n) {
  MakeFolder();
  static std::set<int> made;
  const std::string path = WindowsPath("records" + std::to_string(n) + ".dat");
  if (made.insert(n).second) {
    crt::remove(path.c_str());
    GCountedRef store(new MPersistentCompositeOnDiskImp(RWCString(path.c_str()), 0));
    for (int i = 0; i < n; ++i) {
      const int32_t id = kFirstId + i;
      store->AddChildHandle(GCountedRef(new GValueAttribute(static_cast<int16_t>(i), &id)));
    }
  }
  return path;
}

void BM_RecordStoreLookup(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string path = RecordFile(n);
  GCountedRef store(new MPersistentCompositeOnDiskImp(RWCString(path.c_str()), 0));
  if (store->GetEntryCount() != n) {
    state.SkipWithError("the store did not open with its records");
    return;
  }
  // The first search makes the index's search summary; it is not timed.
  GCountedRef first;
  store->HandleById(first, kFirstId);
  std::mt19937 random(7);
  for (auto _ : state) {
    GCountedRef found;
    store->HandleById(found, kFirstId + static_cast<int32_t>(random() % static_cast<uint32_t>(n)));
    if (found.IsEmpty()) state.SkipWithError("a record was not found");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordStoreLookup)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_RecordStoreOpenAndClose(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string path = RecordFile(n);
  const auto start = qvbench::Clock::now();
  for (auto _ : state) {
    GCountedRef store(new MPersistentCompositeOnDiskImp(RWCString(path.c_str()), 0));
    if (store->GetEntryCount() != n) state.SkipWithError("the store did not open with its records");
  }
  state.counters["us_per_record"] =
      qvbench::SecondsSince(start) / static_cast<double>(state.iterations()) / static_cast<double>(n) * 1e6;
}
BENCHMARK(BM_RecordStoreOpenAndClose)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

// ---- The B-tree against its peers ----

// The store's keys: serials in hexadecimal, in a shuffled order.
std::vector<std::string> Keys(int n) {
  std::vector<std::string> keys;
  for (int i = 0; i < n; ++i) keys.push_back(GRecord::KeyOf(static_cast<uint32_t>(0x1000 + i * 7)).Data());
  std::shuffle(keys.begin(), keys.end(), std::mt19937(11));
  return keys;
}

struct Times {
  double insert = 0, find = 0;
  double Total() const { return insert + find; }
};

Times RunTree(const std::vector<std::string>& keys) {
  const std::string path = WindowsPath("tree.dat");
  crt::remove(path.c_str());
  Times t;
  {
    RWFileSpaceManager manager(path.c_str());
    RWDiskBTree tree(&manager, 10, 0, 16, 0, -1, 0, 10, 10);
    char key[17];
    auto start = qvbench::Clock::now();
    int32_t value = 0;
    for (const std::string& k : keys) {
      std::snprintf(key, sizeof key, "%s", k.c_str());
      if (!tree.InsertKey(key, ++value)) std::abort();
    }
    t.insert = qvbench::SecondsSince(start);
    start = qvbench::Clock::now();
    RWCString stored;
    for (const std::string& k : keys) {
      std::snprintf(key, sizeof key, "%s", k.c_str());
      if (!tree.FindKey(key, stored, value)) std::abort();
    }
    t.find = qvbench::SecondsSince(start);
  }
  crt::remove(path.c_str());
  return t;
}

Times RunSqlite(const std::vector<std::string>& keys) {
  const std::string path = (std::filesystem::temp_directory_path() / "qv-bench-peer.sqlite").string();
  std::remove(path.c_str());
  Times t;
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
  sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE TABLE k(key TEXT PRIMARY KEY, value INTEGER) WITHOUT ROWID", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO k VALUES(?, ?)", -1, &insert, nullptr);
  sqlite3_prepare_v2(db, "SELECT value FROM k WHERE key = ?", -1, &find, nullptr);
  auto start = qvbench::Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  int value = 0;
  for (const std::string& k : keys) {
    sqlite3_bind_text(insert, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
    sqlite3_bind_int(insert, 2, ++value);
    if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
    sqlite3_reset(insert);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  t.insert = qvbench::SecondsSince(start);
  start = qvbench::Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (const std::string& k : keys) {
    sqlite3_bind_text(find, 1, k.data(), static_cast<int>(k.size()), SQLITE_STATIC);
    if (sqlite3_step(find) != SQLITE_ROW) std::abort();
    benchmark::DoNotOptimize(sqlite3_column_int(find, 0));
    sqlite3_reset(find);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  t.find = qvbench::SecondsSince(start);
  sqlite3_finalize(insert);
  sqlite3_finalize(find);
  sqlite3_close(db);
  std::remove(path.c_str());
  return t;
}

Times RunMap(const std::vector<std::string>& keys) {
  Times t;
  std::map<std::string, int32_t> map;
  auto start = qvbench::Clock::now();
  int32_t value = 0;
  for (const std::string& k : keys) map.emplace(k, ++value);
  t.insert = qvbench::SecondsSince(start);
  start = qvbench::Clock::now();
  for (const std::string& k : keys) benchmark::DoNotOptimize(map.find(k)->second);
  t.find = qvbench::SecondsSince(start);
  return t;
}

void BM_DiskBTreeAgainstPeers(benchmark::State& state) {
  MakeFolder();
  const std::vector<std::string> keys = Keys(static_cast<int>(state.range(0)));
  Times tree, sqlite, map;
  for (auto _ : state) {
    const Times a = RunTree(keys), b = RunSqlite(keys), c = RunMap(keys);
    tree.insert += a.insert, tree.find += a.find;
    sqlite.insert += b.insert, sqlite.find += b.find;
    map.insert += c.insert, map.find += c.find;
  }
  const double ops = static_cast<double>(state.iterations()) * static_cast<double>(keys.size());
  state.counters["tree_insert_us"] = tree.insert / ops * 1e6;
  state.counters["tree_find_us"] = tree.find / ops * 1e6;
  state.counters["sqlite_insert_us"] = sqlite.insert / ops * 1e6;
  state.counters["sqlite_find_us"] = sqlite.find / ops * 1e6;
  state.counters["x_sqlite"] = tree.Total() / sqlite.Total();
  state.counters["x_sqlite_insert"] = tree.insert / sqlite.insert;
  state.counters["x_sqlite_find"] = tree.find / sqlite.find;
  state.counters["x_map"] = tree.Total() / map.Total();
}
BENCHMARK(BM_DiskBTreeAgainstPeers)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

}  // namespace
