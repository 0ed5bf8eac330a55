#include "rw/RWDiskBTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "rw/RWFileSpaceManager.h"
#include "support/ErrorCapture.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char kDiskBTreePath[] = "C:\\Temp\\tree.dat";
const char16_t kDiskBTreeWidePath[] = u"C:\\Temp\\tree.dat";
constexpr size_t kNodeSize = 488;  // key length 16, order 10

int32_t WordAt(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return static_cast<int32_t>(v);
}

void PutWordAt(std::string& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}

std::string Key(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", i);
  return text;
}

void Collect(const char* field, int32_t value, void* data) {
  auto* out = static_cast<std::vector<std::pair<std::string, int32_t>>*>(data);
  out->emplace_back(std::string(field, strnlen(field, 16)), value);
}

// A record file as the record store opens it: a manager without a mode and
// a tree with the store's parameters, its header in the first block.
struct TreeFile {
  TreeFile() : heap(std::make_unique<RWFileSpaceManager>(kDiskBTreePath)), tree(std::make_unique<RWDiskBTree>(heap.get())) {}
  ~TreeFile() { Close(); }
  void Close() {
    tree.reset();
    heap.reset();
  }
  void Reopen() {
    Close();
    heap = std::make_unique<RWFileSpaceManager>(kDiskBTreePath);
    tree = std::make_unique<RWDiskBTree>(heap.get());
  }
  std::vector<std::pair<std::string, int32_t>> Contents() {
    std::vector<std::pair<std::string, int32_t>> out;
    tree->Apply(&Collect, &out);
    return out;
  }
  std::unique_ptr<RWFileSpaceManager> heap;
  std::unique_ptr<RWDiskBTree> tree;
};

RWDiskBTreeNode NodeAt(const std::string& file, int32_t offset) {
  RWDiskBTreeNode node(10, 16);
  node.Decode(reinterpret_cast<const unsigned char*>(file.data()) + offset);
  return node;
}

class RWDiskBTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Temp"));
  }
  void TearDown() override { w32test::Reset(); }
  static std::string Bytes() { return w32test::FileContents(kDiskBTreeWidePath).value_or(std::string()); }
};

TEST_F(RWDiskBTreeTest, NewRecordFileHoldsTheTreeHeaderInTheFirstBlock) {
  { TreeFile f; }
  const std::string file = Bytes();
  EXPECT_EQ(WordAt(file, 0), 284);  // first block
  EXPECT_EQ(WordAt(file, 4), 324);  // end of space after the 44-byte block
  const int32_t header[10] = {-1, -1, 512, 0, 16, 10, 10, -1, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(WordAt(file, 284 + 4 * i), header[i]) << "field " << i;
}

TEST_F(RWDiskBTreeTest, TwentyKeysFillOneLeafAndTheTwentyFirstSplitsIt) {
  TreeFile f;
  for (int i = 1; i <= 20; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i * 100));
  EXPECT_EQ(f.tree->Height(), 1u);
  EXPECT_EQ(f.tree->EntryCount(), 20u);
  ASSERT_TRUE(f.tree->InsertKey(Key(21).c_str(), 2100));
  EXPECT_EQ(f.tree->Height(), 2u);
  f.heap->Flush();
  const std::string file = Bytes();
  const int32_t rootOffset = WordAt(file, 284);
  const RWDiskBTreeNode root = NodeAt(file, rootOffset);
  ASSERT_EQ(root.count, 1);
  EXPECT_STREQ(root.Key(0), "11");
  EXPECT_EQ(root.values[0], 1100);
  const RWDiskBTreeNode left = NodeAt(file, root.children[0]);
  const RWDiskBTreeNode right = NodeAt(file, root.children[1]);
  EXPECT_EQ(left.count, 10);
  EXPECT_EQ(right.count, 10);
  EXPECT_STREQ(left.Key(9), "10");
  EXPECT_STREQ(right.Key(0), "12");
  EXPECT_TRUE(left.IsLeaf());
}

TEST_F(RWDiskBTreeTest, NodesAreStoredInTheirFixedLayout) {
  TreeFile f;
  ASSERT_TRUE(f.tree->InsertKey("IndexOfRecords", 0x01020304));
  f.heap->Flush();
  const std::string file = Bytes();
  const int32_t root = WordAt(file, 284);
  EXPECT_EQ(root, 328);  // the block after the header's
  EXPECT_EQ(WordAt(file, 324), 492);  // its size word: 488 + 4
  EXPECT_EQ(WordAt(file, 328), 1);      // one key
  EXPECT_EQ(WordAt(file, 328 + 4), -1);  // a leaf
  EXPECT_EQ(WordAt(file, 328 + 88), 0x01020304);
  EXPECT_EQ(file.substr(328 + 168, 16), std::string("IndexOfRecords\0\0", 16));
}

TEST_F(RWDiskBTreeTest, FindReturnsTheValueAndStoredKey) {
  TreeFile f;
  ASSERT_TRUE(f.tree->InsertKey("IndexOfRecords", 4242));
  ASSERT_TRUE(f.tree->InsertKey("2a", 500));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->FindKey("IndexOfRecords", stored, value));
  EXPECT_EQ(value, 4242);
  EXPECT_STREQ(stored.Data(), "IndexOfRecords");
  EXPECT_FALSE(f.tree->FindKey("2b", stored, value));
  EXPECT_EQ(value, -1);
}

TEST_F(RWDiskBTreeTest, DuplicateInsertChangesNothing) {
  TreeFile f;
  ASSERT_TRUE(f.tree->InsertKey("a", 1));
  EXPECT_FALSE(f.tree->InsertKey("a", 2));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->FindKey("a", stored, value));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(f.tree->EntryCount(), 1u);
}

TEST_F(RWDiskBTreeTest, LongTextKeysAreCutToTheKeyField) {
  TreeFile f;
  ASSERT_TRUE(f.tree->InsertKey("0123456789abcdefXYZ", 7));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->FindKey("0123456789abcdef", stored, value));
  EXPECT_EQ(stored.Length(), 16u);
  EXPECT_EQ(value, 7);
}

TEST_F(RWDiskBTreeTest, ReplaceValueKeepsTheKey) {
  TreeFile f;
  for (int i = 1; i <= 30; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  int32_t old = 0;
  ASSERT_TRUE(f.tree->ReplaceValue("11", 999, old));  // in the root
  EXPECT_EQ(old, 11);
  ASSERT_TRUE(f.tree->ReplaceValue("29", 2929, old));  // in a leaf
  EXPECT_FALSE(f.tree->ReplaceValue("31", 1, old));
  f.Reopen();
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->FindKey("11", stored, value));
  EXPECT_EQ(value, 999);
  ASSERT_TRUE(f.tree->FindKey("29", stored, value));
  EXPECT_EQ(value, 2929);
}

TEST_F(RWDiskBTreeTest, RemovingFromALeafThatKeepsEnoughKeysChangesOnlyThatLeaf) {
  TreeFile f;
  for (int i = 1; i <= 22; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  f.heap->Flush();
  const std::string before = Bytes();
  const int32_t rootOffset = WordAt(before, 284);
  const RWDiskBTreeNode root = NodeAt(before, rootOffset);
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->RemoveKey("22", stored, value));  // the right leaf had 11 keys
  EXPECT_EQ(value, 22);
  f.heap->Flush();
  const std::string after = Bytes();
  ASSERT_EQ(before.size(), after.size());
  const size_t leaf = static_cast<size_t>(root.children[1]);
  for (size_t i = 0; i < before.size(); ++i) {
    if (i >= leaf && i < leaf + kNodeSize) continue;
    ASSERT_EQ(before[i], after[i]) << "byte " << i << " outside the leaf changed";
  }
  EXPECT_EQ(NodeAt(after, static_cast<int32_t>(leaf)).count, 10);
}

TEST_F(RWDiskBTreeTest, UnderflowMergesTwoLeavesAndTheMergedLeafBecomesTheRoot) {
  TreeFile f;
  for (int i = 1; i <= 21; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  f.heap->Flush();
  const std::string before = Bytes();
  const RWDiskBTreeNode root = NodeAt(before, WordAt(before, 284));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->RemoveKey("05", stored, value));
  EXPECT_EQ(f.tree->Height(), 1u);
  EXPECT_EQ(f.tree->EntryCount(), 20u);
  f.heap->Flush();
  const std::string after = Bytes();
  EXPECT_EQ(WordAt(after, 284), root.children[0]);
  EXPECT_EQ(NodeAt(after, root.children[0]).count, 20);
  // The right leaf's block is a hole again and the next split's new node
  // goes there.
  EXPECT_EQ(WordAt(after, 12 + 260), 1);
  ASSERT_TRUE(f.tree->InsertKey("22", 22));
  f.heap->Flush();
  const std::string split = Bytes();
  EXPECT_EQ(NodeAt(split, WordAt(split, 284)).children[1], root.children[1]);
  EXPECT_EQ(WordAt(split, 12 + 260), 0);
}

TEST_F(RWDiskBTreeTest, BorrowingFromASiblingMovesOneKeyThroughTheSeparator) {
  TreeFile f;
  for (int i = 1; i <= 22; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->RemoveKey("03", stored, value));  // left leaf 9 keys, right 11
  f.heap->Flush();
  const std::string file = Bytes();
  const RWDiskBTreeNode root = NodeAt(file, WordAt(file, 284));
  ASSERT_EQ(root.count, 1);
  EXPECT_STREQ(root.Key(0), "12");
  EXPECT_EQ(NodeAt(file, root.children[0]).count, 10);
  EXPECT_STREQ(NodeAt(file, root.children[0]).Key(9), "11");
  EXPECT_EQ(NodeAt(file, root.children[1]).count, 10);
}

// A key removed from an inner node is replaced there by its successor; that
// node must reach the file even when no rebalancing follows.
TEST_F(RWDiskBTreeTest, RemovingAnInnerKeyIsKeptAfterReopening) {
  TreeFile f;
  for (int i = 1; i <= 22; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i * 10));
  RWCString stored;
  int32_t value = 0;
  ASSERT_TRUE(f.tree->RemoveKey("11", stored, value));
  EXPECT_STREQ(stored.Data(), "11");
  EXPECT_EQ(value, 110);
  f.Reopen();
  EXPECT_FALSE(f.tree->FindKey("11", stored, value));
  ASSERT_TRUE(f.tree->FindKey("12", stored, value));
  EXPECT_EQ(value, 120);
  EXPECT_EQ(f.Contents().size(), 21u);
}

TEST_F(RWDiskBTreeTest, RemovingAnAbsentKeyChangesNothing) {
  TreeFile f;
  for (int i = 1; i <= 25; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  f.heap->Flush();
  const std::string before = Bytes();
  RWCString stored;
  int32_t value = 0;
  EXPECT_FALSE(f.tree->RemoveKey("99", stored, value));
  EXPECT_FALSE(f.tree->RemoveKey("", stored, value));
  f.heap->Flush();
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(f.tree->EntryCount(), 25u);
}

// Thousands of random inserts and removes, with the file closed and opened
// again between rounds, agree with a std::map.
TEST_F(RWDiskBTreeTest, RandomOperationsAgreeWithAMapAcrossReopening) {
  std::mt19937 random(2024);
  std::map<std::string, int32_t> model;
  TreeFile f;
  for (int round = 0; round < 16; ++round) {
    for (int step = 0; step < 500; ++step) {
      const std::string key = "k" + std::to_string(random() % 2000);
      RWCString stored;
      int32_t value = 0;
      switch (random() % 4) {
        case 0:
        case 1: {
          const int32_t v = static_cast<int32_t>(random() % 100000);
          const bool inserted = f.tree->InsertKey(key.c_str(), v);
          ASSERT_EQ(inserted, model.count(key) == 0) << key;
          if (inserted) model[key] = v;
          break;
        }
        case 2: {
          const bool removed = f.tree->RemoveKey(key.c_str(), stored, value);
          ASSERT_EQ(removed, model.count(key) == 1) << key;
          if (removed) {
            EXPECT_EQ(value, model[key]);
            EXPECT_EQ(std::string(stored.Data()), key);
            model.erase(key);
          }
          break;
        }
        default: {
          const bool found = f.tree->FindKey(key.c_str(), stored, value);
          ASSERT_EQ(found, model.count(key) == 1) << key;
          if (found) {
            EXPECT_EQ(value, model[key]);
          }
        }
      }
    }
    f.Reopen();
    const auto contents = f.Contents();
    ASSERT_EQ(contents.size(), model.size());
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), model.begin(),
                           [](const auto& a, const auto& b) { return a.first == b.first && a.second == b.second; }));
    EXPECT_EQ(f.tree->EntryCount(), model.size());
  }
  // Removing everything leaves an empty tree whose blocks are all free.
  for (const auto& [key, value] : std::map<std::string, int32_t>(model)) {
    RWCString stored;
    int32_t v = 0;
    ASSERT_TRUE(f.tree->RemoveKey(key.c_str(), stored, v));
  }
  EXPECT_EQ(f.tree->Height(), 0u);
  EXPECT_EQ(f.tree->EntryCount(), 0u);
}

// A file reopened for update ("rb+") gets its key count written back at
// closing even when the root did not change; one opened read-only is left
// untouched.
TEST_F(RWDiskBTreeTest, KeyCountIsKeptWhenAnExistingFileIsClosed) {
  { TreeFile f; ASSERT_TRUE(f.tree->InsertKey("a", 1)); }
  {
    TreeFile f;
    EXPECT_STREQ(f.heap->GetMode(), "rb+");
    for (const char* key : {"b", "c", "d"}) ASSERT_TRUE(f.tree->InsertKey(key, 2));
  }
  const std::string before = Bytes();
  EXPECT_EQ(WordAt(before, 284 + 12), 4);
  {
    RWFileSpaceManager heap(kDiskBTreePath, "rb");
    RWDiskBTree tree(&heap);
    EXPECT_EQ(tree.EntryCount(), 4u);
    RWCString stored;
    int32_t value = 0;
    EXPECT_TRUE(tree.FindKey("c", stored, value));
  }
  EXPECT_EQ(Bytes(), before);
}

TEST_F(RWDiskBTreeTest, ClearReleasesEveryNodeForReuse) {
  TreeFile f;
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(f.tree->InsertKey(("key" + std::to_string(i)).c_str(), i));
  f.heap->Flush();
  const int32_t end = WordAt(Bytes(), 4);
  f.tree->Clear();
  EXPECT_EQ(f.tree->EntryCount(), 0u);
  EXPECT_EQ(f.tree->Height(), 0u);
  f.heap->Flush();
  EXPECT_EQ(WordAt(Bytes(), 284), -1);
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(f.tree->InsertKey(("key" + std::to_string(i)).c_str(), i));
  f.heap->Flush();
  EXPECT_LE(WordAt(Bytes(), 4), end);
  f.Reopen();
  EXPECT_EQ(f.tree->EntryCount(), 300u);
}

TEST_F(RWDiskBTreeTest, BinaryKeysCompareAsBytes) {
  {
    RWFileSpaceManager heap(kDiskBTreePath);
    RWDiskBTree tree(&heap, 10, 0, 4, 1);
    const char a[4] = {0, 0, 0, 2};
    const char b[4] = {0, 0, 0, 1};
    ASSERT_TRUE(tree.InsertKey(a, 2));
    ASSERT_TRUE(tree.InsertKey(b, 1));
    RWCString stored;
    int32_t value = 0;
    ASSERT_TRUE(tree.FindKey(b, stored, value));
    EXPECT_EQ(stored.Length(), 4u);
    EXPECT_EQ(value, 1);
  }
  const std::string file = Bytes();
  EXPECT_EQ(WordAt(file, 284 + 16), 4);  // key length
  EXPECT_EQ(WordAt(file, 284 + 36), 1);  // binary-keys flag
  RWFileSpaceManager heap(kDiskBTreePath);
  RWDiskBTree tree(&heap);  // the stored parameters win
  const char b[4] = {0, 0, 0, 1};
  RWCString stored;
  int32_t value = 0;
  EXPECT_TRUE(tree.FindKey(b, stored, value));
}

TEST_F(RWDiskBTreeTest, SetCompareReplacesTheOrder) {
  TreeFile f;
  struct Reverse {
    static int Compare(const char* stored, const char* key, size_t length) { return -std::strncmp(stored, key, length); }
  };
  const RWDiskBTreeCompare previous = f.tree->SetCompare(&Reverse::Compare);
  EXPECT_NE(previous, nullptr);
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(f.tree->InsertKey(Key(i).c_str(), i));
  const auto contents = f.Contents();
  ASSERT_EQ(contents.size(), 5u);
  EXPECT_EQ(contents.front().first, "05");
  EXPECT_EQ(f.tree->SetCompare(previous), &Reverse::Compare);
}

TEST_F(RWDiskBTreeTest, CompatibleFormStoresOnlyTheRootOffset) {
  {
    RWFileSpaceManager heap(kDiskBTreePath);
    RWDiskBTree tree(&heap, 10, 0, 16, 0, -1, 1);
    for (int i = 1; i <= 40; ++i) ASSERT_TRUE(tree.InsertKey(Key(i).c_str(), i));
  }
  const std::string file = Bytes();
  EXPECT_EQ(WordAt(file, 280), 8);  // a 4-byte first block
  // Opened without the flag, the missing version selects the same form.
  TreeFile f;
  EXPECT_EQ(f.tree->EntryCount(), 40u);
  RWCString stored;
  int32_t value = 0;
  EXPECT_TRUE(f.tree->FindKey("33", stored, value));
  EXPECT_EQ(value, 33);
}

TEST_F(RWDiskBTreeTest, EmptyCompatibleTreeAtTheEndOfTheFileReopens) {
  {
    RWFileSpaceManager heap(kDiskBTreePath);
    RWDiskBTree tree(&heap, 10, 0, 16, 0, -1, 1);
  }
  qvtest::ScopedErrorCapture capture;
  TreeFile f;
  EXPECT_TRUE(capture.Texts().empty());
  EXPECT_TRUE(f.tree->InsertKey("a", 1));
}

TEST_F(RWDiskBTreeTest, SetCacheSizeReturnsThePreviousSize) {
  TreeFile f;
  EXPECT_EQ(f.tree->SetCacheSize(3), 10u);
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(f.tree->InsertKey(("k" + std::to_string(i)).c_str(), i));
  EXPECT_EQ(f.tree->SetCacheSize(3), 3u);
  EXPECT_EQ(f.Contents().size(), 200u);
}

// ---- Damaged files ----

class RWDiskBTreeDamageTest : public RWDiskBTreeTest {
 protected:
  // A tree of three levels; returns the file's bytes.
  std::string MakeTree() {
    {
      TreeFile f;
      for (int i = 0; i < 400; ++i) EXPECT_TRUE(f.tree->InsertKey(("key" + std::to_string(i)).c_str(), i));
      EXPECT_EQ(f.tree->Height(), 3u);
    }
    return Bytes();
  }
  // Opens the damaged file and runs every operation with a handler that
  // returns: each fails cleanly or works, and at least one error is raised.
  void Exercise(const std::string& file) {
    ASSERT_TRUE(w32test::PutFile(kDiskBTreeWidePath, file));
    qvtest::ScopedErrorCapture capture;
    {
      TreeFile f;
      RWCString stored;
      int32_t value = 0;
      f.tree->FindKey("key250", stored, value);
      f.tree->EntryCount();
      f.tree->Height();
      f.Contents();
      for (int i = 0; i < 50; ++i) f.tree->InsertKey(("new" + std::to_string(i)).c_str(), i);
      for (int i = 0; i < 400; i += 7) f.tree->RemoveKey(("key" + std::to_string(i)).c_str(), stored, value);
      int32_t old = 0;
      f.tree->ReplaceValue("key3", 1, old);
      f.tree->Clear();
    }
    EXPECT_FALSE(capture.Texts().empty());
    for (const auto& text : capture.Texts())
      EXPECT_TRUE(text == "[READERR] Read error" || text.rfind("[MAGIC]", 0) == 0 || text.rfind("[FLIST]", 0) == 0)
          << text;
  }
};

TEST_F(RWDiskBTreeDamageTest, ImpossibleHeaderParametersLeaveTheTreeUnusable) {
  const struct {
    size_t field;
    int32_t value;
  } cases[] = {{16, 0}, {16, -1}, {16, 0x10000}, {20, 0}, {20, 100000}, {24, 0}, {24, 11}};
  const std::string good = MakeTree();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "field " << c.field << " = " << c.value);
    std::string file = good;
    PutWordAt(file, 284 + c.field, c.value);
    ASSERT_TRUE(w32test::PutFile(kDiskBTreeWidePath, file));
    EXPECT_EQ(qvtest::RaisedText([] { TreeFile f; }), "[READERR] Read error");
    qvtest::ScopedErrorCapture capture;
    TreeFile f;
    RWCString stored;
    int32_t value = 0;
    EXPECT_FALSE(f.tree->FindKey("key1", stored, value));
    EXPECT_FALSE(f.tree->InsertKey("x", 1));
    EXPECT_EQ(f.tree->EntryCount(), 0u);
    f.Close();
    EXPECT_EQ(Bytes(), file) << "an unusable tree writes nothing";
  }
}

TEST_F(RWDiskBTreeDamageTest, DamagedNodesFailCleanly) {
  const std::string good = MakeTree();
  const int32_t root = WordAt(good, 284);
  const RWDiskBTreeNode rootNode = NodeAt(good, root);
  const int32_t inner = rootNode.children[0];
  const RWDiskBTreeNode innerNode = NodeAt(good, inner);
  const int32_t leaf = innerNode.children[0];
  const struct {
    const char* what;
    int32_t at;
    int32_t value;
  } cases[] = {
      {"root key count beyond the node", root, 21},
      {"negative key count", inner, -3},
      {"leaf key count beyond the node", leaf, 1000},
      {"root outside the file", 284, 0x7FFF0000},
      {"root is the header", 284, 284},
      {"child loops back to the root", inner + 4, root},
      {"child points to itself", inner + 8, inner},
      {"child points into the heap header", root + 4, 12},
      {"missing child in an inner node", inner + 12, -1},
      {"child beyond the file", root + 8, 0x7FFFFFF0},
      {"leaf with a child", leaf + 4, inner},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = good;
    PutWordAt(file, static_cast<size_t>(c.at), c.value);
    Exercise(file);
  }
}

TEST_F(RWDiskBTreeDamageTest, TruncatedFilesFailCleanly) {
  const std::string good = MakeTree();
  for (size_t length : {size_t{5}, size_t{12}, size_t{200}, size_t{290}, size_t{300}, good.size() / 2,
                        good.size() - 100}) {
    SCOPED_TRACE(length);
    Exercise(good.substr(0, length));
  }
}

TEST_F(RWDiskBTreeDamageTest, SharedChildrenAreNotReleasedTwice) {
  std::string file = MakeTree();
  const int32_t root = WordAt(file, 284);
  // Every child of the root points to the first one.
  const RWDiskBTreeNode rootNode = NodeAt(file, root);
  for (int32_t i = 1; i <= rootNode.count; ++i) PutWordAt(file, static_cast<size_t>(root + 4 + 4 * i), rootNode.children[0]);
  ASSERT_TRUE(w32test::PutFile(kDiskBTreeWidePath, file));
  qvtest::ScopedErrorCapture capture;
  TreeFile f;
  f.tree->Clear();
  EXPECT_EQ(capture.Texts(), std::vector<std::string>{"[READERR] Read error"});
  RWCString stored;
  int32_t value = 0;
  EXPECT_TRUE(f.tree->FindKey("key1", stored, value));  // the tree was left as it was
}

}  // namespace
