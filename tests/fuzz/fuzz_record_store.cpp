// Fuzz target: arbitrary bytes opened as a record store file, every record
// read (peeked through the store's iterator, then looked for and taken),
// and the store changed and closed again. A damaged file must only ever make
// the store fail or give nothing: no crash, hang, over-read, unbounded
// allocation, and no error reaching the error handler (whose default ends
// the process, which the fuzzer reports).
//
// An input whose first byte is even is the whole file. One whose first byte
// is odd patches a sound store file (leaves, nested composites, and an
// on-disk composite kept in a second file): each following group of three
// bytes is (offset low, offset high, value).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "model/GCountedPtr.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/MPersistentIterator.h"
#include "model/ModelClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWStringID.h"
#include "support/ModelTestClasses.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char16_t kStorePath[] = u"C:\\Fuzz\\store.dat";
const char16_t kInnerPath[] = u"C:\\Fuzz\\inner.dat";

GCountedRef Leaf(int32_t value, int32_t id) { return GCountedRef(new TestLeaf(value, id)); }

struct SoundFiles {
  std::string store;
  std::string inner;
};

const SoundFiles& Sound() {
  static const SoundFiles files = [] {
    {
      MPersistentCompositeOnDisk store{RWWString(kStorePath), 0, 1};
      auto* inner = new MPersistentCompositeOnDisk(RWWString(kInnerPath), 0, 2);
      GCountedRef innerHandle(inner);
      inner->AddChildHandle(Leaf(1, 21));
      inner->AddChildHandle(Leaf(2, 22));
      for (int i = 0; i < 12; ++i) store.AddChildHandle(Leaf(i, 100 + i));
      auto* group = new MPersistentComposite(3);
      auto* nested = new MPersistentComposite(4);
      nested->AddChild(new TestLeaf(5, 50));
      nested->AddChild(new TestLeaf(6, 60));
      group->AddChild(nested);
      group->AddChild(new TestLeaf(7, 70));
      group->AddChild(inner->Clone());
      store.AddChildHandle(GCountedRef(group));
      store.AddChildHandle(innerHandle);
    }
    SoundFiles made;
    made.store = w32test::FileContents(kStorePath).value_or(std::string());
    made.inner = w32test::FileContents(kInnerPath).value_or(std::string());
    return made;
  }();
  return files;
}

void ReadEverything() {
  MPersistentCompositeOnDisk store{RWWString(kStorePath), 0, 1};
  store.HasError();
  store.GetEntryCount();
  {
    std::unique_ptr<MPersistentIterator> it(store.CreateIterator());
    auto* handles = dynamic_cast<MPersistentHandleIterator*>(it.get());
    while (handles != nullptr && handles->AdvanceHandle()) {
      GCountedRef object;
      handles->CurrentHandle(object);
    }
  }
  GCountedRef out;
  store.HandleById(out, 60);
  store.HandleByClass(out, TestLeafClassId);
  store.HandleMatching(out, out.Pointee());
  store.RemoveChildHandleById(out, 21);
  store.ReplaceChildHandleById(103, Leaf(7, 7));
  store.ReplaceChildHandleByClass(MPersistentCompositeClassId, Leaf(8, 8));
  store.AddChildHandle(Leaf(9, 9));
  store.RemoveChildHandleById(out, 50);
  store.RemoveChildHandleByClass(out, MPersistentCompositeClassId);
  {
    std::unique_ptr<MPersistentIterator> it(store.CreateIterator());
    auto* handles = dynamic_cast<MPersistentHandleIterator*>(it.get());
    while (handles != nullptr && handles->AdvanceHandle()) handles->RemoveCurrent();
  }
  store.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RWFactoryAddClass(&TestLeafCreate, TestLeafClassId, RWStringID("TestLeaf"));
    w32test::MakeDirectories(u"C:\\Fuzz");
    Sound();
    return true;
  }();
  (void)ready;

  const SoundFiles& sound = Sound();
  std::string file;
  if (size > 0 && (data[0] & 1)) {
    file = sound.store;
    for (size_t i = 1; i + 2 < size && !file.empty(); i += 3) {
      const size_t at = (data[i] | data[i + 1] << 8) % file.size();
      file[at] = static_cast<char>(data[i + 2]);
    }
  } else {
    file.assign(reinterpret_cast<const char*>(data), size);
  }
  if (!w32test::PutFile(kStorePath, file) || !w32test::PutFile(kInnerPath, sound.inner)) return 0;
  ReadEverything();
  // Once more on what the first pass left behind.
  ReadEverything();
  return 0;
}
