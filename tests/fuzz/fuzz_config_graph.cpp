// Fuzz target: arbitrary bytes restored as graphs of the configuration
// exchange's objects (the bidirectional provider with its lists of watched
// objects, the watched-object descriptors, and the model's attributes they
// hold) through the file form and each kind of virtual input stream, as a
// stored settings graph is read. Damaged input must only fail the restore: no crash, hang, over-read, unbounded allocation or leak, and no
// error of damaged input may reach the error handler. A graph that does
// restore must save to exactly the size its StoredByteCount gives, and read
// back from that save to the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "config/ConfigClasses.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "rw/RWReadTable.h"
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

std::string SaveToFile(const MPersistentObject* root, const char* path, const char16_t* widePath) {
  {
    RWBinaryFile file(path, "wb+");
    root->WriteToFile(file);
  }
  return w32test::FileContents(widePath).value_or("");
}

// The size computed first must be what the write writes, and the saved
// graph must read back and save to the same bytes.
void CheckSavesAgain(const MPersistentObject* root) {
  const uint32_t expected = root->StoredByteCount();
  const std::string first = SaveToFile(root, "C:\\FuzzConfig\\again.bin", u"C:\\FuzzConfig\\again.bin");
  if (first.size() != expected) __builtin_trap();
  MPersistentObject* copy = nullptr;
  {
    RWBinaryFile file("C:\\FuzzConfig\\again.bin", "rb");
    MPersistentObject::ReadPersistentObject(file, copy);
  }
  if (copy == nullptr) __builtin_trap();
  const std::string second = SaveToFile(copy, "C:\\FuzzConfig\\third.bin", u"C:\\FuzzConfig\\third.bin");
  delete copy;
  if (second != first) __builtin_trap();
}

void Take(MPersistentObject* root) {
  if (root == nullptr) return;
  CheckSavesAgain(root);
  delete root;
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
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterConfigClasses();
    return w32test::MakeDirectories(u"C:\\FuzzConfig");
  }();
  if (!ready) return 0;

  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = MakeIn(kind, &buffer);
    MPersistentObject* root = nullptr;
    g_inRestore = true;
    MPersistentObject::ReadPersistentObject(*in, root);
    g_inRestore = false;
    Take(root);
  }

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!w32test::PutFile(u"C:\\FuzzConfig\\restore.bin", bytes)) return 0;
  RWBinaryFile file("C:\\FuzzConfig\\restore.bin", "rb");
  MPersistentObject* root = nullptr;
  g_inRestore = true;
  MPersistentObject::ReadPersistentObject(file, root);
  g_inRestore = false;
  Take(root);
  return 0;
}
