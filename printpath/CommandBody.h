// Reading and writing the small fixed parts of the job and page commands'
// stored bodies (class versions, 32-bit flags) on both kinds of input, so
// that each class states its body once.
#pragma once

#include <cstdint>

#include "rw/RWBinaryFile.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"
#include "rw/RWWString.h"

namespace printpath_body {

inline bool Good(const RWVirtualInStream& stream) { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }
inline bool Good(const RWBinaryFile& file) {
  return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed();
}

inline bool ReadULong(RWVirtualInStream& stream, uint32_t& value) { return stream.GetULong(value).Good(); }
inline bool ReadULong(RWBinaryFile& file, uint32_t& value) { return file.ReadULong(value); }
inline bool ReadLong(RWVirtualInStream& stream, int32_t& value) { return stream.GetLong(value).Good(); }
inline bool ReadLong(RWBinaryFile& file, int32_t& value) { return file.ReadLong(value); }

inline bool ReadString(RWVirtualInStream& stream, RWWString& text) {
  text.RestoreFrom(stream);
  return stream.Good();
}
inline bool ReadString(RWBinaryFile& file, RWWString& text) { return text.RestoreFromFile(file); }

inline void WriteULong(RWVirtualOutStream& stream, uint32_t value) { stream.PutULong(value); }
inline void WriteULong(RWBinaryFile& file, uint32_t value) { file.WriteULong(value); }
inline void WriteLong(RWVirtualOutStream& stream, int32_t value) { stream.PutLong(value); }
inline void WriteLong(RWBinaryFile& file, int32_t value) { file.WriteLong(value); }
inline void WriteString(RWVirtualOutStream& stream, const RWWString& text) { text.SaveTo(stream); }
inline void WriteString(RWBinaryFile& file, const RWWString& text) { text.SaveToFile(file); }

// Reads a class version; true when it is the one this reader knows (the
// rest of the class's part is read only then).
template <typename Input>
bool ReadVersion(Input& input, uint32_t known) {
  uint32_t version = 0;
  return ReadULong(input, version) && version == known;
}

// A stored wide string: its 32-bit length and 16-bit characters.
inline uint32_t StringSize(const RWWString& text) { return 4 + 2 * static_cast<uint32_t>(text.Length()); }

// The stored members of a command part that holds only its version: the
// version is written and read, any stored version is accepted, and nothing
// is read once the restore has failed.
template <typename Archive>
void VersionOnlyMembers(Archive& archive, uint32_t version) {
  if constexpr (Archive::kReading) {
    if (RWReadTableGuard::RestoreFailed()) archive.Stop();
  }
  archive.AnyVersion(version);
}

}  // namespace printpath_body
