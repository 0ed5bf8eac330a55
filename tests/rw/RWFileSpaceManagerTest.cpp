#include "rw/RWFileSpaceManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/ErrorCapture.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char kFileSpaceManagerPath[] = "C:\\Temp\\heap.dat";
const char16_t kFileSpaceManagerWidePath[] = u"C:\\Temp\\heap.dat";

int32_t FileSpaceManagerWordAt(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return static_cast<int32_t>(v);
}

void FileSpaceManagerPutWordAt(std::string& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}

// The holes of the free-list node of 268 bytes at the offset, as
// (offset, size) pairs.
std::vector<std::pair<int32_t, int32_t>> HolesAt(const std::string& bytes, size_t node) {
  std::vector<std::pair<int32_t, int32_t>> holes;
  const int32_t count = FileSpaceManagerWordAt(bytes, node + 260);
  for (int32_t i = 0; i < count; ++i)
    holes.emplace_back(FileSpaceManagerWordAt(bytes, node + 4 + 4 * i), FileSpaceManagerWordAt(bytes, node + 132 + 4 * i));
  return holes;
}

class RWFileSpaceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Temp"));
  }
  void TearDown() override { w32test::Reset(); }

  // The file's bytes as they stand once the manager's buffer is flushed.
  static std::string Bytes(RWFileSpaceManager& heap) {
    heap.Flush();
    return w32test::FileContents(kFileSpaceManagerWidePath).value_or(std::string());
  }
  static std::string Bytes() { return w32test::FileContents(kFileSpaceManagerWidePath).value_or(std::string()); }
};

TEST_F(RWFileSpaceManagerTest, NewFileHasTheHeaderAndAnEmptyFirstNode) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  EXPECT_STREQ(heap.GetMode(), "wb+");
  const std::string bytes = Bytes(heap);
  ASSERT_EQ(bytes.size(), 280u);
  const unsigned char header[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x18, 0x01, 0x00, 0x00, 0x0C, 0x01, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(bytes.data(), header, sizeof header));
  EXPECT_EQ(static_cast<unsigned char>(bytes[12]), 0x35);  // magic 0x1235
  EXPECT_EQ(static_cast<unsigned char>(bytes[13]), 0x12);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 12 + 260), 0);   // no holes
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 12 + 264), 12);  // a ring of one node
  EXPECT_EQ(heap.FirstBlock(), -1);
  EXPECT_EQ(RWFileSpaceManager::HeaderSize(), 12);
}

TEST_F(RWFileSpaceManagerTest, FirstAllocationIsAtTheEndOfTheFirstNodeAndBecomesTheFirstBlock) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  EXPECT_EQ(heap.Allocate(8), 284);
  EXPECT_EQ(heap.FirstBlock(), 284);
  const std::string bytes = Bytes(heap);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 0), 284);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 4), 292);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 280), 12);  // the block's size word
  EXPECT_EQ(heap.Allocate(8), 296);
  EXPECT_EQ(heap.FirstBlock(), 284);
}

TEST_F(RWFileSpaceManagerTest, BlockSizeIsTheRequestPlusTheSizeWordRoundedUpToFour) {
  const struct {
    uint32_t request;
    int32_t block;
  } cases[] = {{0, 4}, {1, 8}, {4, 8}, {5, 12}, {8, 12}, {9, 16}, {100, 104}};
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  int32_t previous = heap.Allocate(0);
  for (const auto& c : cases) {
    const int32_t next = heap.Allocate(c.request);
    SCOPED_TRACE(c.request);
    EXPECT_EQ(FileSpaceManagerWordAt(Bytes(heap), static_cast<size_t>(next - 4)), c.block);
    // The blocks follow each other from the end of space.
    EXPECT_EQ(next - previous, FileSpaceManagerWordAt(Bytes(heap), static_cast<size_t>(previous - 4)));
    previous = next;
  }
}

TEST_F(RWFileSpaceManagerTest, ReleasingTheLastBlockMovesTheEndBack) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  heap.Allocate(8);
  const int32_t a = heap.Allocate(20);
  const int32_t b = heap.Allocate(20);
  heap.Release(b);
  std::string bytes = Bytes(heap);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 4), b - 4);
  EXPECT_TRUE(HolesAt(bytes, 12).empty());
  heap.Release(a);
  bytes = Bytes(heap);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 4), a - 4);
  EXPECT_TRUE(HolesAt(bytes, 12).empty());
}

TEST_F(RWFileSpaceManagerTest, ReleasingTheFirstBlockHasNoEffect) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  const int32_t first = heap.Allocate(40);
  heap.Allocate(8);
  const std::string before = Bytes(heap);
  heap.Release(first);
  heap.Release(-1);
  EXPECT_EQ(Bytes(heap), before);
}

// Neighbouring holes become one hole whatever the order of release; a block
// released between two holes joins both.
TEST_F(RWFileSpaceManagerTest, NeighbouringHolesMergeInEitherOrder) {
  const std::vector<std::vector<int>> orders = {{0, 1}, {1, 0}, {0, 2, 1}, {2, 0, 1}, {1, 2, 0}, {2, 1, 0}};
  for (const auto& order : orders) {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Temp"));
    RWFileSpaceManager heap(kFileSpaceManagerPath);
    heap.Allocate(40);
    int32_t blocks[3];
    for (int32_t& b : blocks) b = heap.Allocate(16);  // 20-byte blocks
    heap.Allocate(16);                                // keeps the end of space where it is
    for (int i : order) heap.Release(blocks[i]);
    const bool all = order.size() == 3;
    const auto holes = HolesAt(Bytes(heap), 12);
    ASSERT_EQ(holes.size(), 1u) << "order size " << order.size();
    EXPECT_EQ(holes[0].first, blocks[0] - 4);
    EXPECT_EQ(holes[0].second, all ? 60 : 40);
  }
}

TEST_F(RWFileSpaceManagerTest, AHoleIsSplitWhenLargerByMoreThanSevenAndUsedWholeOtherwise) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  heap.Allocate(40);
  const int32_t big = heap.Allocate(60);    // a 64-byte block
  const int32_t small = heap.Allocate(16);  // a 20-byte block
  heap.Allocate(16);
  heap.Release(big);
  heap.Release(small);  // one hole of 84 bytes
  // 16 bytes taken from the start of the hole: 68 remain.
  EXPECT_EQ(heap.Allocate(12), big);
  auto holes = HolesAt(Bytes(heap), 12);
  ASSERT_EQ(holes.size(), 1u);
  EXPECT_EQ(holes[0], std::make_pair(big - 4 + 16, 68));
  // A 68-byte hole serving a 64-byte block is used whole.
  const int32_t whole = heap.Allocate(60);
  EXPECT_EQ(whole, big + 16);
  const std::string bytes = Bytes(heap);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, static_cast<size_t>(whole - 4)), 68);
  EXPECT_TRUE(HolesAt(bytes, 12).empty());
}

TEST_F(RWFileSpaceManagerTest, TwentyByteHoleServesASixteenByteBlockWhole) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  heap.Allocate(40);
  const int32_t a = heap.Allocate(16);
  heap.Allocate(16);
  heap.Release(a);
  EXPECT_EQ(heap.Allocate(12), a);
  EXPECT_EQ(FileSpaceManagerWordAt(Bytes(heap), static_cast<size_t>(a - 4)), 20);
}

TEST_F(RWFileSpaceManagerTest, HolesSurviveReopening) {
  int32_t a, b;
  {
    RWFileSpaceManager heap(kFileSpaceManagerPath);
    heap.Allocate(40);
    a = heap.Allocate(100);
    b = heap.Allocate(8);
    heap.Release(a);
  }
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  EXPECT_STREQ(heap.GetMode(), "rb+");
  EXPECT_EQ(heap.FirstBlock(), 284);
  EXPECT_EQ(heap.Allocate(100), a);
  EXPECT_EQ(heap.Allocate(8), b + 12);
}

// More holes than one node holds: further nodes join the ring, and when
// their holes are used up they leave it again and their blocks become holes.
TEST_F(RWFileSpaceManagerTest, RingGrowsAndShrinksAcrossReopening) {
  std::vector<int32_t> blocks;
  {
    RWFileSpaceManager heap(kFileSpaceManagerPath);
    heap.Allocate(40);
    for (int i = 0; i < 100; ++i) blocks.push_back(heap.Allocate(8));
    for (size_t i = 0; i < blocks.size(); i += 2) heap.Release(blocks[i]);  // 50 separate holes
    const std::string bytes = Bytes(heap);
    const int32_t second = FileSpaceManagerWordAt(bytes, 12 + 264);
    ASSERT_NE(second, 12);
    EXPECT_EQ(FileSpaceManagerWordAt(bytes, static_cast<size_t>(second) + 264), 12);
    EXPECT_EQ(HolesAt(bytes, 12).size() + HolesAt(bytes, static_cast<size_t>(second)).size(), 50u);
  }
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  std::vector<int32_t> again;
  for (int i = 0; i < 50; ++i) again.push_back(heap.Allocate(8));
  std::sort(again.begin(), again.end());
  std::vector<int32_t> released;
  for (size_t i = 0; i < blocks.size(); i += 2) released.push_back(blocks[i]);
  // Every hole of the old blocks is reused; the node block freed when its
  // node emptied serves the rest.
  size_t reused = 0;
  for (int32_t r : released) reused += std::binary_search(again.begin(), again.end(), r);
  EXPECT_EQ(reused, 50u);
  const std::string bytes = Bytes(heap);
  EXPECT_EQ(FileSpaceManagerWordAt(bytes, 12 + 264), 12);  // back to a ring of one node
}

// Random allocations and releases with reopening in between: live blocks
// never overlap and keep the bytes written into them.
TEST_F(RWFileSpaceManagerTest, RandomUseKeepsLiveBlocksApartAndIntact) {
  std::mt19937 random(12345);
  std::map<int32_t, std::string> live;
  auto heap = std::make_unique<RWFileSpaceManager>(kFileSpaceManagerPath);
  heap->Allocate(40);
  for (int step = 0; step < 4000; ++step) {
    if (step % 500 == 499) heap = std::make_unique<RWFileSpaceManager>(kFileSpaceManagerPath);
    if (live.empty() || random() % 5 < 3) {
      const uint32_t n = random() % 300;
      const int32_t at = heap->Allocate(n);
      ASSERT_GT(at, 0);
      std::string fill(n, static_cast<char>('a' + step % 26));
      ASSERT_TRUE(heap->SeekTo(at));
      ASSERT_TRUE(heap->WriteChars(fill.data(), fill.size()));
      auto next = live.lower_bound(at);
      if (next != live.end()) {
        ASSERT_LE(at + static_cast<int32_t>(n), next->first - 4) << "overlaps the block after";
      }
      if (next != live.begin()) {
        auto before = std::prev(next);
        ASSERT_LE(before->first + static_cast<int32_t>(before->second.size()), at - 4) << "overlaps the block before";
      }
      live[at] = fill;
    } else {
      auto it = live.begin();
      std::advance(it, random() % live.size());
      heap->Release(it->first);
      live.erase(it);
    }
  }
  for (const auto& [at, fill] : live) {
    std::string read(fill.size(), '\0');
    ASSERT_TRUE(heap->SeekTo(at));
    ASSERT_TRUE(heap->ReadChars(read.data(), read.size()));
    EXPECT_EQ(read, fill) << "block " << at;
  }
}

TEST_F(RWFileSpaceManagerTest, OlderFilesWithNinetyTwoByteNodesAreUsed) {
  // Header -1, 104, 92 and an empty node of the older kind at 12.
  std::string file(104, '\0');
  FileSpaceManagerPutWordAt(file, 0, -1);
  FileSpaceManagerPutWordAt(file, 4, 104);
  FileSpaceManagerPutWordAt(file, 8, 92);
  file[12] = 0x34;
  file[13] = 0x12;
  FileSpaceManagerPutWordAt(file, 12 + 88, 12);
  ASSERT_TRUE(w32test::PutFile(kFileSpaceManagerWidePath, file));
  std::vector<int32_t> blocks;
  {
    RWFileSpaceManager heap(kFileSpaceManagerPath);
    EXPECT_EQ(heap.Allocate(8), 108);
    for (int i = 0; i < 30; ++i) blocks.push_back(heap.Allocate(8));
    for (size_t i = 0; i < blocks.size(); i += 2) heap.Release(blocks[i]);  // 15 holes: two nodes
    const std::string bytes = Bytes(heap);
    EXPECT_EQ(FileSpaceManagerWordAt(bytes, 12 + 84), 10);  // the first node is full
    EXPECT_NE(FileSpaceManagerWordAt(bytes, 12 + 88), 12);
  }
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  EXPECT_EQ(heap.FirstBlock(), 108);
  EXPECT_EQ(heap.Allocate(8), blocks[0]);
}

// ---- Damaged files ----

TEST_F(RWFileSpaceManagerTest, WrongNodeSizeRaisesFlist) {
  std::string file(280, '\0');
  FileSpaceManagerPutWordAt(file, 0, -1);
  FileSpaceManagerPutWordAt(file, 4, 280);
  FileSpaceManagerPutWordAt(file, 8, 100);
  ASSERT_TRUE(w32test::PutFile(kFileSpaceManagerWidePath, file));
  EXPECT_EQ(qvtest::RaisedText([] { RWFileSpaceManager heap(kFileSpaceManagerPath); }),
            "[FLIST] Free list size error: expected 268, got 100");
  // When the handler returns, the manager has no free list and hands out
  // nothing.
  qvtest::ScopedErrorCapture capture;
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  EXPECT_EQ(heap.Allocate(8), -1);
  heap.Release(300);
  EXPECT_EQ(capture.Texts().size(), 1u);
}

TEST_F(RWFileSpaceManagerTest, WrongNodeMagicRaisesMagic) {
  { RWFileSpaceManager heap(kFileSpaceManagerPath); }
  std::string file = Bytes();
  file[12] = static_cast<char>(0x99);
  file[13] = static_cast<char>(0x99);
  ASSERT_TRUE(w32test::PutFile(kFileSpaceManagerWidePath, file));
  EXPECT_EQ(qvtest::RaisedText([] { RWFileSpaceManager heap(kFileSpaceManagerPath); }),
            "[MAGIC] Bad magic number: 39321 (should be 4661)");
}

struct DamageCase {
  const char* what;
  void (*damage)(std::string& file, int32_t second);
};

// A file with a ring of two nodes and a live block after the holes, damaged
// in one place each time. Opening or using it raises READERR and the
// operation stops: nothing is handed out, nothing hangs.
TEST_F(RWFileSpaceManagerTest, DamagedFreeListFailsCleanly) {
  const DamageCase cases[] = {
      {"truncated header", [](std::string& f, int32_t) { f.resize(10); }},
      {"truncated first node", [](std::string& f, int32_t) { f.resize(100); }},
      {"end before the first node", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 4, 200); }},
      {"first block outside the heap", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 0, 0x7FFFFF00); }},
      {"hole count beyond the node", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 260, 1000); }},
      {"negative hole count", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 260, -5); }},
      {"hole past the end of space", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 132, 0x40000000); }},
      {"holes out of order", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 8, 300); }},
      {"next pointer into the header", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 264, 40); }},
      {"next pointer past the end", [](std::string& f, int32_t) { FileSpaceManagerPutWordAt(f, 12 + 264, 0x7FFFFFF0); }},
      {"second node loops on itself", [](std::string& f, int32_t s) { FileSpaceManagerPutWordAt(f, static_cast<size_t>(s) + 264, s); }},
      {"second node with bad magic", [](std::string& f, int32_t s) { f[static_cast<size_t>(s)] = 0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Temp"));
    int32_t second;
    std::vector<int32_t> blocks;
    {
      RWFileSpaceManager heap(kFileSpaceManagerPath);
      heap.Allocate(40);
      for (int i = 0; i < 80; ++i) blocks.push_back(heap.Allocate(8));
      for (size_t i = 0; i < blocks.size(); i += 2) heap.Release(blocks[i]);
      second = FileSpaceManagerWordAt(Bytes(heap), 12 + 264);
      ASSERT_NE(second, 12);
    }
    std::string file = Bytes();
    c.damage(file, second);
    ASSERT_TRUE(w32test::PutFile(kFileSpaceManagerWidePath, file));

    qvtest::ScopedErrorCapture capture;
    RWFileSpaceManager heap(kFileSpaceManagerPath);
    // A request no hole can serve walks the whole ring; a release of a
    // block in use adds a hole.
    const int32_t big = heap.Allocate(5000);
    heap.Release(blocks[1]);
    heap.Allocate(8);
    ASSERT_FALSE(capture.Texts().empty());
    const std::string& first = capture.Texts().front();
    EXPECT_TRUE(first == "[READERR] Read error" || first.rfind("[MAGIC]", 0) == 0) << first;
    if (std::string(c.what).find("loops") != std::string::npos) {
      EXPECT_EQ(big, -1);
    }
  }
}

TEST_F(RWFileSpaceManagerTest, ReleaseOfAnOffsetOutsideTheHeapOrTwiceIsRefused) {
  RWFileSpaceManager heap(kFileSpaceManagerPath);
  heap.Allocate(40);
  const int32_t a = heap.Allocate(8);
  heap.Allocate(8);
  EXPECT_EQ(qvtest::RaisedText([&] { heap.Release(100000); }), "[READERR] Read error");
  EXPECT_EQ(qvtest::RaisedText([&] { heap.Release(20); }), "[READERR] Read error");
  heap.Release(a);
  const std::string before = Bytes(heap);
  EXPECT_EQ(qvtest::RaisedText([&] { heap.Release(a); }), "[READERR] Read error");
  EXPECT_EQ(Bytes(heap), before);
}

}  // namespace
