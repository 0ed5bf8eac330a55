// Helpers for the record store's tests: a second leaf class (so searches by
// class have something to tell apart), file paths under the stand-in's file
// tree, and a read-only look into a record file's keys with the file-space
// manager and the disk B-tree.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "model/GCountedPtr.h"
#include "model/MPersistentComposite.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"
#include "support/ModelTestClasses.h"
#include "win32/File.h"
#include "w32test/Testing.h"

constexpr RWClassID TestOtherLeafClassId = 1992;

// A leaf of another class with the same fields.
class TestOtherLeaf : public TestLeaf {
 public:
  TestOtherLeaf() = default;
  TestOtherLeaf(int32_t value, const int32_t& id) : TestLeaf(value, id) {}
  TestOtherLeaf* CreateSameKind() const override { return new TestOtherLeaf; }
  TestOtherLeaf* Clone() const override { return new TestOtherLeaf(*this); }
  RWClassID ClassId() const override { return TestOtherLeafClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestOtherLeafClassId || TestLeaf::DerivesFrom(id); }
};

inline RWCollectable* TestOtherLeafCreate() { return new TestOtherLeaf; }

namespace recordtest {

// A Windows path under C:\Records and the same as wide text.
inline std::string Path(const std::string& name) { return "C:\\Records\\" + name; }
inline std::u16string WidePath(const std::string& name) {
  const std::string narrow = Path(name);
  return std::u16string(narrow.begin(), narrow.end());
}
inline RWWString WideName(const std::string& name) { return RWWString(WidePath(name).c_str()); }

inline void MakeRecordsFolder() { w32test::MakeDirectories(u"C:\\Records"); }

inline bool FileExists(const std::string& name) { return w32test::FileContents(WidePath(name).c_str()).has_value(); }
inline std::string Contents(const std::string& name) {
  return w32test::FileContents(WidePath(name).c_str()).value_or(std::string());
}

// A new leaf held by a handle.
inline GCountedRef Leaf(int32_t value, int32_t id = 0) { return GCountedRef(new TestLeaf(value, id)); }
inline GCountedRef OtherLeaf(int32_t value, int32_t id = 0) { return GCountedRef(new TestOtherLeaf(value, id)); }

inline int32_t ValueOf(const GCountedRef& handle) {
  auto* leaf = dynamic_cast<TestLeaf*>(handle.Pointee());
  return leaf != nullptr ? leaf->Value() : -1;
}

// The keys of a closed record file, read without changing it.
class RecordFileKeys {
 public:
  explicit RecordFileKeys(const std::string& name)
      : manager_(Path(name).c_str(), "rb"), tree_(&manager_, 10, 0, 16, 0, -1, 0, 10, 10) {}

  // The key's block offset, or nothing.
  std::optional<int32_t> Find(const char* key) {
    RWCString stored;
    int32_t value = -1;
    if (!tree_.FindKey(key, stored, value)) return std::nullopt;
    return value;
  }
  uint32_t Count() { return tree_.EntryCount(); }
  int32_t FirstBlock() const { return manager_.FirstBlock(); }

 private:
  RWFileSpaceManager manager_;
  RWDiskBTree tree_;
};

}  // namespace recordtest
