// Fuzz target: arbitrary bytes restored as stored object graphs through the
// file form and through each kind of virtual input stream, with a few test
// classes and the library's collections registered. Damaged input must only
// fail the restore: no crash, hang, over-read, unbounded allocation or leak,
// and none of the errors of damaged input may reach the error handler. A
// graph that does restore must save again, to exactly the size its
// StoredByteCount gives.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "support/PersistentTestClasses.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

bool g_inRestore = false;

// Outside a restore (a tagged stream's bad header) errors are ignored, as a
// handler that returns would. Inside one, the errors of damaged input must
// have been taken by the restore; any that arrives here is a finding.
void OnError(const RWLibraryError& error) {
  if (!g_inRestore) return;
  static const char* const kInputErrors[] = {"[MAGIC]", "[REF]", "[NOCREATE]", "[STREAM]", "[SYNSTREAM]"};
  for (const char* prefix : kInputErrors) {
    if (std::strncmp(error.Text(), prefix, std::strlen(prefix)) == 0) __builtin_trap();
  }
}

void Register() {
  RWRegisterLibraryClasses();
  // TestOwner is left out: it owns its child outright, and an input that
  // shares one child between two owners is a misuse of that class, not a
  // fault of the restore.
  RWFactoryAddClass([]() -> RWCollectable* { return new qvtest::TestNode; }, qvtest::TestNode::kId,
                    RWStringID("TestNode"));
  RWFactoryAddClass([]() -> RWCollectable* { return new qvtest::TestLeaf; }, qvtest::TestLeaf::kId,
                    RWStringID("TestLeaf"));
  RWFactoryAddClass([]() -> RWCollectable* { return new qvtest::TestNamed; }, qvtest::TestNamed::Id(),
                    RWStringID("TestNamed"));
}

// Saves a restored graph again: the size computed first must be what the
// write then writes.
void CheckSavesAgain(const RWCollectable* root) {
  const uint32_t expected = root->StoredByteCount();
  {
    RWBinaryFile file("C:\\Fuzz\\again.bin", "wb+");
    root->WriteToFile(file);
  }
  const std::string written = w32test::FileContents(u"C:\\Fuzz\\again.bin").value_or("");
  if (written.size() != expected) __builtin_trap();
}

void Take(RWCollectable* root) {
  if (root == nullptr) return;
  CheckSavesAgain(root);
  qvtest::DeleteGraph(root);
}

std::unique_ptr<RWVirtualInStream> MakeIn(int kind, std::streambuf* buffer) {
  switch (kind) {
    case 0: return std::make_unique<RWPortableInStream>(buffer);
    case 1: return std::make_unique<RWBinaryInStream>(buffer);
    default: return std::make_unique<RWEndianInStream>(buffer);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWSetErrorHandler(&OnError);
    Register();
    return w32test::MakeDirectories(u"C:\\Fuzz");
  }();
  if (!ready) return 0;

  // Several outermost restores in a row from each input, as a reader of
  // consecutive graphs would make; each consumes input or ends the round.
  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = MakeIn(kind, &buffer);
    for (int round = 0; round < 8 && in->Good(); ++round) {
      RWCollectable* root = nullptr;
      g_inRestore = true;
      RWReadObjectPointer(*in, root);
      g_inRestore = false;
      Take(root);
    }
  }

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!w32test::PutFile(u"C:\\Fuzz\\restore.bin", bytes)) return 0;
  RWBinaryFile file("C:\\Fuzz\\restore.bin", "rb");
  for (int round = 0; round < 8 && !file.IsAtEnd() && !file.HasError(); ++round) {
    RWCollectable* root = nullptr;
    g_inRestore = true;
    RWReadObjectPointerFromFile(file, root);
    g_inRestore = false;
    Take(root);
  }
  return 0;
}
