// Fuzz target: arbitrary bytes as a record file, opened and walked with the
// file-space manager and the disk B-tree, then changed through both. A
// damaged file must only ever raise and fail the operation: no crash, hang,
// over-read or unbounded allocation.
//
// An input whose first byte is even is the whole file. One whose first byte
// is odd patches a sound file of three tree levels and a free list of two
// nodes: each following group of three bytes is (offset low, offset high,
// value), so small inputs reach the nodes deep inside a large file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "rw/RWDiskBTree.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char kPath[] = "C:\\Fuzz\\records.dat";
const char16_t kWidePath[] = u"C:\\Fuzz\\records.dat";

// Damaged files raise; a handler that returns lets each operation stop.
void IgnoreError(const RWLibraryError&) {}

std::string Key(int i) { return "key" + std::to_string(i); }

const std::string& SoundFile() {
  static const std::string bytes = [] {
    {
      RWFileSpaceManager heap(kPath);
      RWDiskBTree tree(&heap);
      for (int i = 0; i < 300; ++i) tree.InsertKey(Key(i).c_str(), i * 3);
      int32_t blocks[80];
      for (int32_t& b : blocks) b = heap.Allocate(8);
      for (int i = 0; i < 80; i += 2) heap.Release(blocks[i]);
      RWCString stored;
      int32_t value;
      for (int i = 0; i < 300; i += 5) tree.RemoveKey(Key(i).c_str(), stored, value);
    }
    return w32test::FileContents(kWidePath).value_or(std::string());
  }();
  return bytes;
}

void CountKey(const char*, int32_t, void* count) { ++*static_cast<uint32_t*>(count); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    RWSetErrorHandler(&IgnoreError);
    w32test::MakeDirectories(u"C:\\Fuzz");
    return true;
  }();
  (void)ready;

  std::string file;
  if (size > 0 && (data[0] & 1)) {
    file = SoundFile();
    for (size_t i = 1; i + 2 < size && !file.empty(); i += 3) {
      const size_t at = (data[i] | data[i + 1] << 8) % file.size();
      file[at] = static_cast<char>(data[i + 2]);
    }
  } else {
    file.assign(reinterpret_cast<const char*>(data), size);
  }
  if (!w32test::PutFile(kWidePath, file)) return 0;

  auto heap = std::make_unique<RWFileSpaceManager>(kPath);
  {
    RWDiskBTree tree(heap.get());
    RWCString stored;
    int32_t value = 0;
    uint32_t count = 0;
    tree.EntryCount();
    tree.Height();
    tree.Apply(&CountKey, &count);
    for (int i = 0; i < 300; i += 37) tree.FindKey(Key(i).c_str(), stored, value);
    for (int i = 0; i < 30; ++i) tree.InsertKey(("new" + std::to_string(i)).c_str(), i);
    for (int i = 1; i < 300; i += 11) tree.RemoveKey(Key(i).c_str(), stored, value);
    int32_t old = 0;
    tree.ReplaceValue(Key(2).c_str(), 7, old);
    const int32_t a = heap->Allocate(100);
    const int32_t b = heap->Allocate(5000);
    heap->Release(a);
    heap->Release(b);
    tree.Clear();
  }
  heap.reset();
  return 0;
}
