// A concrete TrueType reader for tests and fuzz targets: the module's
// concrete reader comes from the platform's print side, which it does not
// carry. TestFontReader reads an sfnt font file held in memory: the table
// directory is looked up bounded by the file's length, a table that lies
// outside the file counts as missing. It counts its raw reads, lets a test
// forbid caching, and "renders" a glyph as the four bytes of its two codes.
// Stored, it carries the font file's bytes after the reader's own body, so
// a restored copy can go on reading.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "graphics/GTTFontReader.h"
#include "model/MPersistentKind.h"
#include "model/MStoredMembers.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace qvtest {

constexpr RWClassID TestFontReaderClassId = 1995;

// The table's offset and length in an sfnt file; false when the file has
// no such table or the table does not lie wholly inside the file.
inline bool FindSfntTable(const std::vector<uint8_t>& file, uint32_t tag, uint32_t& offset, uint32_t& length) {
  const uint32_t size = static_cast<uint32_t>(file.size());
  uint16_t count = 0;
  if (!GTTReadU16(file.data(), size, 4, count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t record = 12 + 16u * i;
    uint32_t t = 0, o = 0, l = 0;
    if (!GTTReadU32(file.data(), size, record, t) || !GTTReadU32(file.data(), size, record + 8, o) ||
        !GTTReadU32(file.data(), size, record + 12, l))
      return false;
    if (t != tag) continue;
    if (uint64_t{o} + l > size) return false;
    offset = o;
    length = l;
    return true;
  }
  return false;
}

inline std::vector<uint8_t> ReadFontFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TestFontReader : public GTTFontReader {
 public:
  TestFontReader() = default;
  TestFontReader(uint32_t key, std::vector<uint8_t> file) : GTTFontReader(key), file_(std::move(file)) {}

  RWClassID ClassId() const override { return TestFontReaderClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestFontReaderClassId || GTTFontReader::DerivesFrom(id); }
  TestFontReader* CreateSameKind() const override { return new TestFontReader; }
  TestFontReader* Clone() const override {
    auto* copy = new TestFontReader(GetKey(), file_);
    copy->AssignFrom(const_cast<TestFontReader&>(*this));
    return copy;
  }

  uint32_t SourceOperation1(uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
  uint32_t SourceOperation2(uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
  uint32_t ReadTable(uint32_t, uint32_t tag, std::unique_ptr<GByteBuffer>& out, uint32_t) override {
    ++wholeReads;
    out.reset();
    uint32_t offset = 0, length = 0;
    if (!FindSfntTable(file_, tag, offset, length) || length == 0) return 0;
    auto* bytes = new uint8_t[length];
    std::memcpy(bytes, file_.data() + offset, length);
    out = std::make_unique<GByteBuffer>(bytes, length, 1);
    return length;
  }
  uint32_t ReadTablePart(uint32_t, uint32_t tag, uint32_t at, uint8_t* destination, uint32_t count) override {
    ++partReads;
    uint32_t offset = 0, length = 0;
    if (!FindSfntTable(file_, tag, offset, length) || uint64_t{at} + count > length) return 0;
    std::memcpy(destination, file_.data() + offset + at, count);
    return count;
  }
  uint32_t GetTableLength(uint32_t, uint32_t tag) override {
    ++lengthQueries;
    uint32_t offset = 0, length = 0;
    return FindSfntTable(file_, tag, offset, length) ? length : 0;
  }
  int CanCacheTables() override { return canCache ? 1 : 0; }
  int RenderGlyph(uint32_t, int32_t, uint16_t glyphOrCode, uint16_t code, std::unique_ptr<GByteBuffer>& out, int32_t,
                  int32_t, const GFontMetrics&) override {
    ++renders;
    renderedGlyphs.push_back(glyphOrCode);
    auto* bytes = new uint8_t[4]{static_cast<uint8_t>(glyphOrCode >> 8), static_cast<uint8_t>(glyphOrCode),
                                 static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
    out = std::make_unique<GByteBuffer>(bytes, 4, 1);
    return 1;
  }
  int32_t SourceOperation3(uint32_t, uint16_t, int16_t, int32_t, const GFontMetrics&) override { return 0; }

  // The font file after the reader's body: its length and bytes.
  uint32_t MembersStoreSize() const override {
    RWStoreTableGuard guard;
    return GTTFontReader::MembersStoreSize() + rwm::SizeOf(*this);
  }
  void SaveMembers(RWVirtualOutStream& stream) const override {
    GTTFontReader::SaveMembers(stream);
    rwm::Save(*this, stream);
  }
  void SaveMembersToFile(RWBinaryFile& file) const override {
    GTTFontReader::SaveMembersToFile(file);
    rwm::Save(*this, file);
  }
  void RestoreMembers(RWVirtualInStream& stream) override {
    GTTFontReader::RestoreMembers(stream);
    rwm::Restore(*this, stream);
  }
  void RestoreMembersFromFile(RWBinaryFile& file) override {
    GTTFontReader::RestoreMembersFromFile(file);
    rwm::Restore(*this, file);
  }
  template <typename Archive>
  void Members(Archive& archive) {
    archive.Version(1);
    uint32_t count = static_cast<uint32_t>(file_.size());
    archive(count);
    if constexpr (Archive::kReading) {
      if (!archive.Ok()) return;
      // Read in pieces: a damaged count reserves no more than arrives.
      std::vector<uint8_t> bytes;
      while (bytes.size() < count) {
        const size_t piece = std::min<size_t>(count - bytes.size(), 65536);
        const size_t at = bytes.size();
        bytes.resize(at + piece);
        if (!archive.TextPiece(bytes.data() + at, piece)) {
          archive.Fail();
          return;
        }
      }
      file_ = std::move(bytes);
    } else {
      archive.TextBytes(file_.data(), count);
    }
  }

  const std::vector<uint8_t>& File() const { return file_; }

  bool canCache = true;
  int wholeReads = 0;
  int partReads = 0;
  int lengthQueries = 0;
  int renders = 0;
  std::vector<uint16_t> renderedGlyphs;

 private:
  std::vector<uint8_t> file_;
};

inline RWCollectable* TestFontReaderCreate() { return new TestFontReader; }

inline void RegisterTestFontReader() {
  RWFactoryAddClass(&TestFontReaderCreate, TestFontReaderClassId, RWStringID("TestFontReader"));
}
inline void UnregisterTestFontReader() {
  RWFactoryRemoveClassId(TestFontReaderClassId);
  RWFactoryRemoveStringId(RWStringID("TestFontReader"));
}

}  // namespace qvtest

namespace qvtest {

// Big-endian pieces of hand-made font tables.
inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}
constexpr uint32_t SfntTag(const char (&t)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(t[0])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(t[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(t[2])) << 8 | static_cast<uint8_t>(t[3]);
}

// A format 4 subtable of the given segments (start, end, delta), with
// idRangeOffset 0, and no final 0xFFFF segment unless one is given.
inline std::vector<uint8_t> CmapFormat4(const std::vector<std::array<uint16_t, 3>>& segments) {
  std::vector<uint8_t> sub;
  const uint32_t n = static_cast<uint32_t>(segments.size());
  PutU16(sub, 4);
  PutU16(sub, 16 + 8 * n);
  PutU16(sub, 0);
  PutU16(sub, 2 * n);
  PutU16(sub, 0);
  PutU16(sub, 0);
  PutU16(sub, 0);
  for (const auto& s : segments) PutU16(sub, s[1]);
  PutU16(sub, 0);
  for (const auto& s : segments) PutU16(sub, s[0]);
  for (const auto& s : segments) PutU16(sub, s[2]);
  for (uint32_t i = 0; i < n; ++i) PutU16(sub, 0);
  return sub;
}

// A cmap of (platform, encoding, subtable) records.
inline std::vector<uint8_t> CmapTable(const std::vector<std::tuple<uint16_t, uint16_t, std::vector<uint8_t>>>& subtables,
                             uint16_t claimedCount = 0) {
  std::vector<uint8_t> cmap;
  PutU16(cmap, 0);
  PutU16(cmap, claimedCount != 0 ? claimedCount : static_cast<uint32_t>(subtables.size()));
  uint32_t offset = 4 + 8 * static_cast<uint32_t>(subtables.size());
  for (const auto& [platform, encoding, bytes] : subtables) {
    PutU16(cmap, platform);
    PutU16(cmap, encoding);
    PutU32(cmap, offset);
    offset += static_cast<uint32_t>(bytes.size());
  }
  for (const auto& entry : subtables) cmap.insert(cmap.end(), std::get<2>(entry).begin(), std::get<2>(entry).end());
  return cmap;
}

// An sfnt file of the given tables (in the order given, 4-byte aligned).
inline std::vector<uint8_t> BuildSfnt(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& tables) {
  std::vector<uint8_t> out;
  PutU32(out, 0x00010000);
  PutU16(out, static_cast<uint32_t>(tables.size()));
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, 0);
  uint32_t offset = 12 + 16 * static_cast<uint32_t>(tables.size());
  for (const auto& [tag, bytes] : tables) {
    PutU32(out, tag);
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, static_cast<uint32_t>(bytes.size()));
    offset += (static_cast<uint32_t>(bytes.size()) + 3) & ~3u;
  }
  for (const auto& entry : tables) {
    out.insert(out.end(), entry.second.begin(), entry.second.end());
    while (out.size() % 4 != 0) out.push_back(0);
  }
  return out;
}

}  // namespace qvtest
