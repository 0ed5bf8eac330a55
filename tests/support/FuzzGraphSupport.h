// FuzzGraphSupport: the shared body of the fuzz targets that restore graphs
// of model objects from arbitrary bytes through the file form and each kind
// of virtual input stream. Damaged input must only fail the restore: no
// crash, hang, over-read, unbounded allocation or leak, and no error of
// damaged input may reach the error handler. A graph that does restore must
// save to exactly the size its StoredByteCount gives, and read back from
// that save to the same bytes again. Each target registers its classes,
// installs OnGraphRestoreError and makes its work folder, then hands every
// input to RestoreGraphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace qvfuzz {

inline bool g_inRestore = false;

// Outside a restore (a tagged stream's bad header) errors are ignored, as a
// handler that returns would. Inside one, the errors of damaged input must
// have been taken by the restore; any that arrives here is a finding.
inline void OnGraphRestoreError(const RWLibraryError& error) {
  if (!g_inRestore) return;
  static const char* const kInputErrors[] = {"[MAGIC]", "[REF]", "[NOCREATE]", "[STREAM]", "[SYNSTREAM]"};
  for (const char* prefix : kInputErrors) {
    if (std::strncmp(error.Text(), prefix, std::strlen(prefix)) == 0) __builtin_trap();
  }
}

// The stand-in's file calls take wide paths; the work paths are plain ASCII.
inline std::u16string WidePath(const std::string& path) { return std::u16string(path.begin(), path.end()); }

inline std::string SaveToFile(const MPersistentObject* root, const std::string& path) {
  {
    RWBinaryFile file(path.c_str(), "wb+");
    root->WriteToFile(file);
  }
  return w32test::FileContents(WidePath(path).c_str()).value_or("");
}

// The size computed first must be what the write writes, and the saved
// graph must read back and save to the same bytes.
inline void CheckSavesAgain(const MPersistentObject* root, const std::string& folder) {
  const uint32_t expected = root->StoredByteCount();
  const std::string first = SaveToFile(root, folder + "\\again.bin");
  if (first.size() != expected) __builtin_trap();
  MPersistentObject* copy = nullptr;
  {
    RWBinaryFile file((folder + "\\again.bin").c_str(), "rb");
    MPersistentObject::ReadPersistentObject(file, copy);
  }
  if (copy == nullptr) __builtin_trap();
  const std::string second = SaveToFile(copy, folder + "\\third.bin");
  delete copy;
  if (second != first) __builtin_trap();
}

inline void Take(MPersistentObject* root, const std::string& folder) {
  if (root == nullptr) return;
  CheckSavesAgain(root, folder);
  delete root;
}

inline std::unique_ptr<RWVirtualInStream> MakeIn(int kind, std::streambuf* buffer) {
  switch (kind) {
    case 0: return std::make_unique<RWPortableInStream>(buffer);
    case 1: return std::make_unique<RWBinaryInStream>(buffer);
    default: return std::make_unique<RWEndianInStream>(buffer);
  }
}

// Restores the bytes through each kind of virtual input stream and then
// through the file form (written to folder\restore.bin), checking each graph
// that restores.
inline void RestoreGraphs(const uint8_t* data, size_t size, const std::string& folder) {
  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = MakeIn(kind, &buffer);
    MPersistentObject* root = nullptr;
    g_inRestore = true;
    MPersistentObject::ReadPersistentObject(*in, root);
    g_inRestore = false;
    Take(root, folder);
  }

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string path = folder + "\\restore.bin";
  if (!w32test::PutFile(WidePath(path).c_str(), bytes)) return;
  RWBinaryFile file(path.c_str(), "rb");
  MPersistentObject* root = nullptr;
  g_inRestore = true;
  MPersistentObject::ReadPersistentObject(file, root);
  g_inRestore = false;
  Take(root, folder);
}

}  // namespace qvfuzz
