// Helpers for the sorted collection tests: a persistent key ordered by its
// number (with a count of live objects), a checker of the B-tree's
// structure, and saving and restoring one object graph in each stored form
// (file, portable text, native binary, byte-order tagged).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace qvtest {

// A persistent number, compared, hashed and tested for equality by value.
class SortKey : public RWCollectable {
 public:
  static constexpr RWClassID kId = 791;
  SortKey() { ++Live(); }
  explicit SortKey(int32_t v) : value(v) { ++Live(); }
  SortKey(const SortKey& other) : RWCollectable(), value(other.value) { ++Live(); }
  ~SortKey() override { --Live(); }

  static int& Live() {
    static int live = 0;
    return live;
  }

  RWCollectable* CreateSameKind() const override { return new SortKey; }
  RWCollectable* Clone() const override { return new SortKey(*this); }
  RWClassID ClassId() const override { return kId; }
  uint32_t MembersStoreSize() const override { return 4; }
  int CompareTo(const RWCollectable* other) const override {
    const auto* key = dynamic_cast<const SortKey*>(other);
    if (key == nullptr) return RWCollectable::CompareTo(other);
    return value == key->value ? 0 : (value < key->value ? -1 : 1);
  }
  uint32_t Hash() const override { return static_cast<uint32_t>(value); }
  bool IsEqual(const RWCollectable* other) const override {
    const auto* key = dynamic_cast<const SortKey*>(other);
    return key != nullptr && key->value == value;
  }
  void SaveMembers(RWVirtualOutStream& s) const override { s.PutInt(value); }
  void SaveMembersToFile(RWBinaryFile& f) const override { f.WriteInt(value); }
  void RestoreMembers(RWVirtualInStream& s) override { s.GetInt(value); }
  void RestoreMembersFromFile(RWBinaryFile& f) override { f.ReadInt(value); }

  int32_t value = 0;
};

// Registers the library's classes and SortKey. The factory is left as it
// was found: when it did not exist before, UnregisterSortedTestClasses
// removes every class again.
inline bool RegisterSortedTestClasses() {
  const bool existed = RWFactoryExists();
  RWRegisterLibraryClasses();
  RWFactoryAddClass([]() -> RWCollectable* { return new SortKey; }, SortKey::kId, RWStringID("SortKey"));
  return existed;
}

inline void UnregisterSortedTestClasses(bool factoryExisted) {
  RWFactoryRemoveClassId(SortKey::kId);
  RWFactoryRemoveStringId(RWStringID("SortKey"));
  if (!factoryExisted) RWUnregisterLibraryClasses();
}

inline int KeyValue(const RWCollectable* c) {
  const auto* key = dynamic_cast<const SortKey*>(c);
  return key == nullptr ? -1 : key->value;
}

// The values of a collection's elements (keys for associations are read by
// the caller) in ApplyToEach order.
inline std::vector<int> KeyValues(const RWObjectCollection& collection) {
  std::vector<int> values;
  collection.ApplyToEach(
      [](RWCollectable* e, void* out) { static_cast<std::vector<int>*>(out)->push_back(KeyValue(e)); }, &values);
  return values;
}

// Checks every invariant of the tree's nodes: leaves all at one depth, 1 to
// 100 elements in the root and 50 to 100 in every other node, no null
// element, children present exactly in inner nodes, every slot past the
// count cleared, and as many elements as the tree counts. When ordered is
// set, the in-order walk must also ascend strictly by CompareTo.
inline void ExpectValidTree(const RWBTree& tree, bool ordered = true) {
  const RWBTreeNode* root = tree.Root();
  if (root == nullptr) {
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(tree.Height(), 0u);
    return;
  }
  uint32_t total = 0;
  int leafDepth = -1;
  std::vector<const RWCollectable*> order;
  struct Walker {
    uint32_t& total;
    int& leafDepth;
    std::vector<const RWCollectable*>& order;
    const RWBTreeNode* root;
    void Visit(const RWBTreeNode* node, int depth) {
      const uint32_t k = node->count;
      ASSERT_LE(k, RWBTreeNodeCapacity);
      if (node == root) {
        ASSERT_GE(k, 1u);
      } else {
        ASSERT_GE(k, RWBTreeOrder);
      }
      total += k;
      for (uint32_t i = 0; i < k; ++i) ASSERT_NE(node->elements[i], nullptr);
      for (uint32_t i = k; i < RWBTreeNodeCapacity; ++i) ASSERT_EQ(node->elements[i], nullptr);
      for (uint32_t i = k + 1; i <= RWBTreeNodeCapacity; ++i) ASSERT_EQ(node->children[i], nullptr);
      if (node->IsLeaf()) {
        for (uint32_t i = 0; i <= k; ++i) ASSERT_EQ(node->children[i], nullptr);
        if (leafDepth < 0) leafDepth = depth;
        ASSERT_EQ(depth, leafDepth);
        for (uint32_t i = 0; i < k; ++i) order.push_back(node->elements[i]);
        return;
      }
      for (uint32_t i = 0; i <= k; ++i) {
        ASSERT_NE(node->children[i], nullptr);
        Visit(node->children[i], depth + 1);
        if (i < k) order.push_back(node->elements[i]);
      }
    }
  } walker{total, leafDepth, order, root};
  walker.Visit(root, 1);
  EXPECT_EQ(total, tree.Count());
  EXPECT_EQ(static_cast<uint32_t>(leafDepth), tree.Height());
  if (ordered) {
    for (size_t i = 1; i < order.size(); ++i) {
      ASSERT_LT(order[i - 1]->CompareTo(order[i]), 0) << "at " << i;
    }
  }
}

// ---- Stored forms ----

enum class Form { File, Portable, Binary, Endian };
inline const Form kAllForms[] = {Form::File, Form::Portable, Form::Binary, Form::Endian};

inline const char* FormName(Form form) {
  switch (form) {
    case Form::File: return "file";
    case Form::Portable: return "portable";
    case Form::Binary: return "binary";
    default: return "endian";
  }
}

inline const char* const kSortedPath = "C:\\Sorted\\Graph.dat";
inline const char16_t* const kSortedWidePath = u"C:\\Sorted\\Graph.dat";

// Prepares the stand-in's file system and the factory for the stored-form
// tests.
class StoredFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Sorted"));
    factoryExisted_ = RegisterSortedTestClasses();
  }
  void TearDown() override {
    UnregisterSortedTestClasses(factoryExisted_);
    w32test::Reset();
  }

 private:
  bool factoryExisted_ = false;
};

// Writes the graph from root as one outermost save in the given form.
inline std::string SaveGraph(Form form, const RWCollectable* root) {
  if (form == Form::File) {
    {
      RWBinaryFile file(kSortedPath, "wb+");
      RWWriteObjectPointerToFile(file, root);
    }
    return w32test::FileContents(kSortedWidePath).value_or("<missing>");
  }
  std::stringbuf buffer;
  std::unique_ptr<RWVirtualOutStream> out;
  switch (form) {
    case Form::Portable: out = std::make_unique<RWPortableOutStream>(&buffer); break;
    case Form::Binary: out = std::make_unique<RWBinaryOutStream>(&buffer); break;
    default: out = std::make_unique<RWEndianOutStream>(&buffer, RWEndianOutStream::LittleEndian); break;
  }
  RWWriteObjectPointer(*out, root);
  EXPECT_TRUE(out->Good());
  out.reset();
  return buffer.str();
}

struct RestoredGraph {
  RWCollectable* object = nullptr;
  std::string failure;       // empty unless the restore failed
  bool inputFailed = false;  // the stream's fail bit, or the file's indicators
};

inline RestoredGraph RestoreGraph(Form form, const std::string& bytes) {
  RestoredGraph r;
  if (form == Form::File) {
    EXPECT_TRUE(w32test::PutFile(kSortedWidePath, bytes));
    RWBinaryFile file(kSortedPath, "rb");
    RWReadObjectPointerFromFile(file, r.object);
    r.inputFailed = file.IsAtEnd() || file.HasError();
  } else {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
    std::unique_ptr<RWVirtualInStream> in;
    switch (form) {
      case Form::Portable: in = std::make_unique<RWPortableInStream>(&buffer); break;
      case Form::Binary: in = std::make_unique<RWBinaryInStream>(&buffer); break;
      default: in = std::make_unique<RWEndianInStream>(&buffer); break;
    }
    RWReadObjectPointer(*in, r.object);
    r.inputFailed = in->Fail();
  }
  r.failure = RWReadTableGuard::LastFailureText();
  return r;
}

// Little-endian bytes of the file form.
inline std::string Bytes(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline std::string Int32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return Bytes({u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF, u >> 24});
}

}  // namespace qvtest
