// The PostScript generator's downloaded fonts: the numbering of downloaded
// fonts and the table of sub-fonts defined in the printer, Type 3 fonts of
// 1-bit glyph images for faces with bitmaps only, and Type 42 fonts that
// carry a TrueType face's own tables. Fonts go down in sub-fonts of 256
// codes (the high byte of a 16-bit code) and glyph by glyph, the first time
// a text needs them.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/GCodePageConverter.h"
#include "graphics/GByteBuffer.h"
#include "graphics/GDownloadFace.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTextString.h"
#include "pdl/GPostScript.h"
#include "pdl/GPostScriptDownloadRecord.h"
#include "pdl/PSFontProcSets.h"

namespace {

constexpr int32_t kMaxRecordedFonts = 512;
constexpr uint32_t kSubFontTableBytes = kMaxRecordedFonts * 32;
constexpr int32_t kType3ProcSetFlag = 1;
constexpr int32_t kType42ProcSetFlag = 2;

// TrueType tables by the reader's tag index.
constexpr uint32_t kCvt = 9;
constexpr uint32_t kFpgm = 13;
constexpr uint32_t kPrep = 23;
// A PostScript string holds at most this many bytes.
constexpr uint32_t kMaxString = 65535;
constexpr size_t kMaxPieces = 256;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return n <= 0 ? std::string() : std::string(line, static_cast<size_t>(n < 256 ? n : 255));
}

// Windows code page 1252 to Unicode for codes 0 to 255; 0 for the control
// codes, 127 and the five codes the code page leaves undefined. Explicit
// downloads look glyphs up by it; keepNbsp keeps 160.
uint16_t Cp1252ToUnicode(uint16_t c, bool keepNbsp) {
  static const uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (c < 32 || c == 127 || c > 255) return 0;
  if (c >= 128 && c < 160) return kHigh[c - 128];
  if (c == 160 && !keepNbsp) return 0;
  return c;
}

uint16_t ReadU16(const std::vector<uint8_t>& b, size_t at) {
  uint16_t value = 0;
  GTTReadU16(b.data(), static_cast<uint32_t>(b.size()), at, value);
  return value;
}
uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? (static_cast<uint32_t>(ReadU16(b, at)) << 16) | ReadU16(b, at + 2) : 0;
}
void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  PutU16(b, at, v >> 16);
  PutU16(b, at + 2, v & 0xFFFF);
}

std::vector<uint8_t> TableBytes(GTTFontReader* reader, uint32_t source, uint32_t index) {
  std::unique_ptr<GByteBuffer> buffer;
  const uint32_t n = reader->GetTable(source, index, 1, buffer);
  if (n == 0 || buffer == nullptr || buffer->GetData() == nullptr) return {};
  return std::vector<uint8_t>(buffer->GetData(), buffer->GetData() + std::min(n, buffer->GetLength()));
}

}  // namespace

// One Type 42 sub-font's glyph map and the pieces its glyph data is cut
// into (each a string of the sfnts array).
struct PsType42Face {
  struct Entry {
    uint16_t code = 0;
    uint16_t length = 0;
    uint32_t offset = 0;
    uint16_t glyph = 0;
  };
  struct Piece {
    uint32_t length = 0;
    uint32_t start = 0;
    uint32_t end = 0;
  };
  Entry entries[256];
  std::vector<Piece> pieces;
  std::vector<uint32_t> loca;  // byte offsets, numGlyphs + 1 of them
  int32_t subFont = -1;

  // The string of the sfnts array that holds the bytes [offset, offset +
  // length) and the start of its piece.
  void StringOf(uint32_t offset, uint32_t length, int32_t& number, uint32_t& start) const {
    number = 1;
    start = 0;
    for (size_t k = 0; k < pieces.size(); ++k)
      if (pieces[k].end >= offset + length) {
        number = static_cast<int32_t>(k) + 1;
        start = pieces[k].start;
        return;
      }
  }
};

namespace {

// The glyph map of sub-font s and the pieces of the glyph data; false when
// the face lacks loca or cmap or a usable cmap subtable.
bool BuildGlyphMap(GTTFontReader* reader, uint32_t source, int32_t faceEncoding, int32_t s, bool explicitDownload,
                   PsType42Face& map) {
  map = PsType42Face();
  const std::vector<uint8_t> loca = TableBytes(reader, source, GTTFontReader::kLoca);
  const std::vector<uint8_t> cmap = TableBytes(reader, source, GTTFontReader::kCmap);
  if (loca.empty() || cmap.empty()) return false;
  const uint16_t tables = ReadU16(cmap, 2);
  uint32_t subtable = 0;
  bool found = false;
  for (int pass = 0; pass < 2 && !found; ++pass) {
    for (uint32_t i = 0; i < tables && !found; ++i) {
      const uint16_t platform = ReadU16(cmap, 4 + 8 * i);
      const uint16_t encoding = ReadU16(cmap, 6 + 8 * i);
      if ((pass == 0 && platform == 3 && encoding == 1) || (pass == 1 && platform == 1 && encoding == 0)) {
        subtable = ReadU32(cmap, 8 + 8 * i);
        found = subtable < cmap.size();
      }
    }
  }
  if (!found) return false;
  const std::vector<uint8_t> head = TableBytes(reader, source, GTTFontReader::kHead);
  const std::vector<uint8_t> maxp = TableBytes(reader, source, GTTFontReader::kMaxp);
  const bool longOffsets = ReadU16(head, 50) != 0;
  const uint32_t glyphs = ReadU16(maxp, 4);
  const uint32_t glyfLength = reader->GetTableSize(source, GTTFontReader::kGlyf);
  // Entries past the table's end count as the last one read; offsets past
  // the glyph data as its end.
  uint32_t last = 0;
  for (uint32_t g = 0; g <= glyphs; ++g) {
    const size_t at = longOffsets ? 4u * g : 2u * g;
    if (at + (longOffsets ? 4 : 2) <= loca.size()) last = longOffsets ? ReadU32(loca, at) : 2u * ReadU16(loca, at);
    map.loca.push_back(std::min(last, glyfLength));
  }
  // Pieces of at most 65535 bytes, each starting at a glyph's start.
  uint32_t d = 0;
  uint32_t largest = 0;
  for (uint32_t g = 0; g < glyphs; ++g) {
    const uint32_t start = map.loca[g];
    const uint32_t end = map.loca[g + 1];
    if (end > d && end - d > kMaxString && start > d) {
      map.pieces.push_back({start - d, d, start});
      d = start;
    }
    if (end > largest) largest = end;
  }
  map.pieces.push_back({largest - d, d, largest});
  if (map.pieces.size() > kMaxPieces) return false;

  const uint16_t format = ReadU16(cmap, subtable);
  GCodePageConverter* converter = GetCodePageConverter();
  const int32_t first = s == 0 ? 32 : 0;
  for (int32_t i = first; i < 256; ++i) {
    const uint32_t c = 256u * static_cast<uint32_t>(s) + static_cast<uint32_t>(i);
    uint32_t lookup = 0;
    if (format == 4)
      lookup = explicitDownload ? Cp1252ToUnicode(static_cast<uint16_t>(c), true) : c;
    else if (format == 0)
      lookup = static_cast<uint32_t>(i);
    if (lookup == 0) continue;
    if (faceEncoding != textenc::kUnicode && !explicitDownload && converter != nullptr)
      lookup = converter->ToUnicode(lookup, faceEncoding);
    uint32_t glyph = 0;
    if (format == 4) {
      const uint32_t segments = ReadU16(cmap, subtable + 6) / 2u;
      const uint32_t ends = subtable + 14;
      const uint32_t starts = ends + 2 * segments + 2;
      const uint32_t deltas = starts + 2 * segments;
      const uint32_t ranges = deltas + 2 * segments;
      for (uint32_t k = 0; k < segments; ++k) {
        if (ReadU16(cmap, ends + 2 * k) < lookup) continue;
        const uint16_t startCode = ReadU16(cmap, starts + 2 * k);
        if (startCode > lookup) break;
        const uint16_t delta = ReadU16(cmap, deltas + 2 * k);
        const uint16_t range = ReadU16(cmap, ranges + 2 * k);
        if (range == 0) {
          glyph = (lookup + delta) & 0xFFFF;
        } else {
          const uint32_t at = ranges + 2 * k + range + 2 * (lookup - startCode);
          glyph = ReadU16(cmap, at);
          if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
        }
        break;
      }
    } else if (format == 0) {
      glyph = lookup < 256 && subtable + 6 + lookup < cmap.size() ? cmap[subtable + 6 + lookup] : 0;
    }
    if (glyph >= glyphs) glyph = 0;
    PsType42Face::Entry& e = map.entries[i];
    e.code = static_cast<uint16_t>(lookup == 0 ? 0 : c);
    e.glyph = static_cast<uint16_t>(glyph);
    e.offset = map.loca[glyph];
    e.length = static_cast<uint16_t>(map.loca[glyph + 1] > map.loca[glyph] ? map.loca[glyph + 1] - map.loca[glyph] : 0);
  }
  map.subFont = s;
  return true;
}

// The tables string 0 carries, in the order of its directory; glyf last.
struct SfntTable {
  uint32_t index;
  const char* tag;
  bool always;
};
constexpr SfntTable kSfntTables[] = {
    {kCvt, "cvt ", false},
    {kFpgm, "fpgm", false},
    {GTTFontReader::kHead, "head", true},
    {GTTFontReader::kHhea, "hhea", true},
    {GTTFontReader::kHmtx, "hmtx", true},
    {GTTFontReader::kMaxp, "maxp", true},
    {kPrep, "prep", false},
    {GTTFontReader::kLoca, "loca", false},
    {GTTFontReader::kVmtx, "vmtx", false},
    {GTTFontReader::kVhea, "vhea", false},
    {GTTFontReader::kGlyf, "glyf", true},
};

uint32_t Padded(uint32_t n) { return (n + 3) & ~3u; }

// The size of string 0 (offset table, directory and every table but glyf).
uint32_t SfntHeaderSize(GTTFontReader* reader, uint32_t source, uint32_t* tableCount) {
  uint32_t count = 0;
  uint32_t data = 0;
  for (const SfntTable& t : kSfntTables) {
    const uint32_t length = reader->GetTableSize(source, t.index);
    if (length == 0 && !t.always) continue;
    ++count;
    if (t.index != GTTFontReader::kGlyf) data += Padded(length);
  }
  if (tableCount != nullptr) *tableCount = count;
  return 12 + 16 * count + data;
}

uint32_t Checksum(const std::vector<uint8_t>& bytes) {
  uint32_t sum = 0;
  for (size_t at = 0; at < bytes.size(); at += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = (word << 8) | (at + k < bytes.size() ? bytes[at + k] : 0);
    sum += word;
  }
  return sum;
}

}  // namespace

// ---- Font numbers and the sub-font table ----

int32_t GPostScript::FontNumberOf(const RWCString& name) {
  const char* text = name.Data();
  int32_t value = 0;
  for (int i = 0; i < 31 && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 99999999) break;
  }
  return value;
}

void GPostScript::EnsureSubFontTable() {
  if (subFontTable_ != nullptr) return;
  subFontTable_.reset(new (std::nothrow) uint8_t[kSubFontTableBytes]());
  highestMarkedFont_ = -1;
}

void GPostScript::ReleaseSubFontTable() {
  subFontTable_.reset();
  highestMarkedFont_ = -1;
}

bool GPostScript::IsSubFontDefined(int32_t font, int32_t subFont) const {
  if (subFontTable_ == nullptr || font < 0 || font >= kMaxRecordedFonts || subFont < 0 || subFont > 255) return false;
  return (subFontTable_[32 * font + subFont / 8] & (1u << (subFont % 8))) != 0;
}

void GPostScript::MarkSubFontDefined(int32_t font, int32_t subFont) {
  if (subFontTable_ == nullptr || font < 0 || font >= kMaxRecordedFonts || subFont < 0 || subFont > 255) return;
  subFontTable_[32 * font + subFont / 8] |= static_cast<uint8_t>(1u << (subFont % 8));
  if (font >= highestMarkedFont_) highestMarkedFont_ = font;
}

void GPostScript::ClearFontSubFonts(int32_t font) {
  if (subFontTable_ == nullptr || font < 0 || font >= kMaxRecordedFonts) return;
  std::memset(&subFontTable_[32 * font], 0, 32);
}

void GPostScript::DeleteDownloadedFont(int32_t font, int32_t kind) {
  for (int32_t s = 0; s < 256; ++s) {
    if (!IsSubFontDefined(font, s)) continue;
    if (kind == GDownloadRecord::kBitmapFont)
      writer_->WriteText(Format("%d %d %d %d DefineNewFont /F%03d%03d /DDL%03d%03d t3mF %%Font Delete \r\n\r\n", font,
                                s, 100, 100, font, s, font, s));
    else if (kind == GDownloadRecord::kType42Font)
      writer_->WriteText(Format("/F%03d%03d t42newfontname t42mF %%Font Delete \r\n\r\n", font, s));
    else
      writer_->WriteText(Format("/F%03d%03d /DDL%03d%03d t1mF %%Font Delete \r\n\r\n", font, s, font, s));
  }
  ClearFontSubFonts(font);
}

// ---- Download state ----

void GPostScript::EnsureDownloadState() {
  if (GetDownloadCache() == nullptr) SetDownloadCache(new GPostScriptDownloadCache);
  if (GetGlyphCodeAllocator() == nullptr) SetGlyphCodeAllocator(new GPostScriptGlyphCodeAllocator);
  EnsureSubFontTable();
}

int32_t GPostScript::WriteFontProcSet(int32_t which) {
  const std::string& text = which == kType3ProcSetFlag ? psfonts::Type3ProcSet() : psfonts::Type42ProcSet();
  writer_->WriteText(text);
  fontProcSetsWritten_ |= which;
  return static_cast<int32_t>(text.size());
}

void GPostScript::WriteFontProcSetsInStandardDictionary(bool withMappings) {
  if ((fontProcSetsWritten_ & (kType3ProcSetFlag | kType42ProcSetFlag)) == (kType3ProcSetFlag | kType42ProcSetFlag))
    return;
  RWCString name;
  PSLIB::GetProcSetName(PSLIB::kStandardProcSet, name);
  writer_->WriteString(name);
  writer_->WriteText(" begin\r\n");
  writer_->WriteText(psfonts::Type3ProcSet());
  writer_->WriteText(psfonts::Type42ProcSet());
  if (withMappings)
    for (int32_t mapping = 0; mapping <= 5; ++mapping) writer_->WriteText(psfonts::GlyphMapping(mapping) + "\r\n");
  writer_->WriteText("\r\n end\r\n");
  fontProcSetsWritten_ |= kType3ProcSetFlag | kType42ProcSetFlag;
}

void GPostScript::FreeSpace(uint32_t need) {
  GDownloadCache* cache = GetDownloadCache();
  while (cache != nullptr && GetMemoryBudget().GetAvailable() < need)
    if (cache->ReleaseOne() == 0) break;
}

GDownloadHandle* GPostScript::ChooseFontFormat(GFontFaceHandle* face, int32_t glyphEncoding) {
  int32_t flags = face->GetFaceKind();
  if (forceBitmapFonts_ != 0) flags = 1;
  if ((flags & 2) != 0) {
    // Type 42 unless the job asks for Type 1; a face whose tables besides
    // glyf do not fit one string, or whose glyph data needs more than 256
    // strings, goes down as Type 1.
    uint32_t source = 0;
    GTTFontReader* reader = face->GetTrueTypeReader(&source);
    const bool fits = reader != nullptr && SfntHeaderSize(reader, source, nullptr) <= kMaxString &&
                      reader->GetTableSize(source, GTTFontReader::kGlyf) / 32768u < kMaxPieces;
    if (trueTypeDownloadKind_ == 1) trueTypeDownloadKind_ = 2;
    const RWCString name(Format("%dTT%s", fontCounter_++, face->GetName().Data()).c_str());
    return NewRecord(face, name,
                     trueTypeDownloadKind_ == 8 && fits ? GDownloadRecord::kType42Font : GDownloadRecord::kOutlineFont,
                     glyphEncoding);
  }
  if ((flags & 1) != 0) {
    const RWCString name(Format("%dBM%s", fontCounter_++, face->GetName().Data()).c_str());
    return NewRecord(face, name, GDownloadRecord::kBitmapFont, glyphEncoding);
  }
  return nullptr;
}

// ---- Type 3 ----

namespace {

// The size of a Type 3 font: the face's height, at least 1 (its font
// matrix divides by it, and a division by zero would end the job in the
// printer).
int32_t Type3Size(const GFontFaceHandle* face) { return face->GetHeight() > 0 ? face->GetHeight() : 1; }

}  // namespace

uint32_t GPostScript::WriteBitmapGlyph(GFontFaceHandle* face, int32_t font, uint16_t lookup, uint16_t code,
                                       int32_t subFont, bool standard) {
  int16_t box[4] = {0, 0, 0, 0};
  GByteBuffer* raw = nullptr;
  const uint32_t size = face->GetGlyphBitmap(lookup, 0, box, &raw);
  std::unique_ptr<GByteBuffer> image(raw);
  int16_t advance = 0;
  if (face->GetWidthRange(lookup, lookup, &advance) == 0) advance = box[2];
  const int32_t width = box[2] > 0 ? box[2] : 0;
  const int32_t height = box[3] > 0 ? box[3] : 0;
  const uint32_t stride = width > 0 ? 4u * ((static_cast<uint32_t>(width) - 1) / 32 + 1) : 0;
  const uint32_t rowBytes = (static_cast<uint32_t>(width) + 7) / 8;
  const bool hasImage = size != 0 && image != nullptr && image->GetData() != nullptr && width > 0 && height > 0 &&
                        uint64_t{stride} * static_cast<uint32_t>(height) <= image->GetLength();
  const char* op = standard ? "AddImgStd" : "AddImg";
  const int32_t last = standard ? 0 : subFont;
  if (!hasImage) {
    const std::string line = Format("[%d %d %d 0 %d %d %d %d %d] %s \r\n\r\n", font, code & 255, advance, box[0],
                                    -box[1], 0, 0, last, op);
    writer_->WriteText(line);
    return static_cast<uint32_t>(line.size());
  }
  const std::string line = Format("[%d %d %d 0 %d %d %d %d %d] %s\r\n", font, code & 255, advance, box[0], -box[1],
                                  width, height, last, op);
  writer_->WriteText(line);
  static const char kDigits[] = "0123456789ABCDEF";
  std::string rows;
  rows.reserve((rowBytes * 2 + 2) * static_cast<uint32_t>(height) + 2);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = image->GetData() + static_cast<size_t>(y) * stride;
    for (uint32_t b = 0; b < rowBytes; ++b) {
      rows += kDigits[row[b] >> 4];
      rows += kDigits[row[b] & 15];
    }
    rows += "\r\n";
  }
  rows += "\r\n";
  writer_->WriteText(rows);
  return static_cast<uint32_t>(line.size() + rows.size() - 2);
}

void GPostScript::DefineBitmapSubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont) {
  const int32_t size = Type3Size(face);
  int32_t procset = 0;
  if ((fontProcSetsWritten_ & kType3ProcSetFlag) == 0) procset = WriteFontProcSet(kType3ProcSetFlag);
  const int32_t f = FontNumberOf(record->GetName());
  if (IsSubFontDefined(f, subFont)) return;
  MarkSubFontDefined(f, subFont);
  const std::string line = Format("%d %d %d %d DefineNewFont /F%03d%03d /DDL%03d%03d t3mF \r\n\r\n", f, subFont,
                                  size, size, f, subFont, f, subFont);
  writer_->WriteText(line);
  record->ChargeMemory(2u * (static_cast<uint32_t>(line.size()) + static_cast<uint32_t>(procset)));
  record->SetUseStamp(NextUseStamp());
}

void GPostScript::AddBitmapGlyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* text,
                                  const uint16_t* codes, uint32_t count) {
  uint32_t fresh = 0;
  {
    GCodeSet seen;
    for (uint32_t k = 0; k < count; ++k)
      if (record->HasSentCode(codes[k]) == 0 && seen.Contains(codes[k]) == 0) {
        seen.Add(codes[k]);
        ++fresh;
      }
  }
  if (fresh == 0) return;
  if (static_cast<uint32_t>(record->GetGlyphCount()) + fresh > record->GetCapacity()) record->Release();
  const uint32_t h = face->GetHeight() > 0 ? static_cast<uint32_t>(face->GetHeight()) : 0;
  FreeSpace(h * (h / 8) * fresh);
  const int32_t f = FontNumberOf(record->GetName());
  uint32_t total = 0;
  for (uint32_t k = 0; k < count; ++k) {
    const uint16_t c = codes[k];
    const int32_t s = c >> 8;
    DefineBitmapSubFont(face, record, s);
    if (record->HasSentCode(c) != 0) continue;
    record->AddGlyphCount(1);
    total += WriteBitmapGlyph(face, f, text[k], c, s, false);
    record->AddSentCode(c);
  }
  record->ChargeMemory(total);
}

int16_t GPostScript::DownloadFace(GDownloadFace* command) {
  GFontFaceHandle* face = command != nullptr ? command->GetFace() : nullptr;
  if (face == nullptr || face->GetFace() == nullptr) return static_cast<int16_t>(TakeStatus());
  const int32_t encoding = face->GetDownloadExtras().encoding;
  const int32_t glyphEncoding = MapGlyphEncoding(encoding);
  const int32_t flags = face->GetFaceKind();
  if ((flags & 3) == 0) return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  const int32_t id = face->GetGeneratorShort();
  const int32_t kind = (flags & 2) != 0 ? GDownloadRecord::kType42Font : GDownloadRecord::kBitmapFont;
  auto* record = dynamic_cast<GDownloadHandle*>(face->GetDownloadInfo());
  if (record == nullptr || record->IsValid() == 0 || record->GetRecord()->GetGenerator() != this)
    record = NewRecord(face, RWCString(Format("%dTT%s", id, face->GetName().Data()).c_str()), kind, glyphEncoding);
  EnsureSubFontTable();
  if (kind == GDownloadRecord::kType42Font) {
    DefineType42SubFont(face, record, 0, true);
    return static_cast<int16_t>(TakeStatus());
  }
  const int32_t size = Type3Size(face);
  int32_t procset = 0;
  if ((fontProcSetsWritten_ & kType3ProcSetFlag) == 0 && applicationMode_ == 0)
    procset = WriteFontProcSet(kType3ProcSetFlag);
  if (!IsSubFontDefined(id, 0)) {
    MarkSubFontDefined(id, 0);
    const std::string line =
        Format("%d 0 %d %d DefineNewFont /F%03d000 /DDL%03d000 t3mF \r\n\r\n", id, size, size, id, id);
    writer_->WriteText(line);
    const uint32_t n = static_cast<uint32_t>(line.size()) + static_cast<uint32_t>(procset);
    record->ChargeMemory(n);
    record->ChargeMemory(2 * n);
    record->SetUseStamp(NextUseStamp());
  }
  if (static_cast<uint32_t>(record->GetGlyphCount()) + 256 > record->GetCapacity()) record->Release();
  uint32_t rows = 0;
  for (uint16_t i = 0; i < 256; ++i) {
    const uint16_t lookup = encoding == textenc::kUnicode ? Cp1252ToUnicode(i, false) : i;
    record->AddGlyphCount(1);
    rows += WriteBitmapGlyph(face, id, lookup, i, 0, true);
  }
  record->ChargeMemory(rows);
  return static_cast<int16_t>(TakeStatus());
}

// ---- Type 42 ----

bool GPostScript::DefineType42SubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont,
                                      bool explicitDownload) {
  if ((fontProcSetsWritten_ & kType42ProcSetFlag) == 0 && (!explicitDownload || applicationMode_ == 0))
    WriteFontProcSet(kType42ProcSetFlag);
  const int32_t f = FontNumberOf(record->GetName());
  if (IsSubFontDefined(f, subFont)) return true;
  MarkSubFontDefined(f, subFont);
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  if (reader == nullptr) return false;
  PsType42Face map;
  if (!BuildGlyphMap(reader, source, face->GetDownloadExtras().encoding, subFont, explicitDownload, map)) return false;

  // String 0: offset table, directory, and every table but glyf.
  uint32_t numTables = 0;
  const uint32_t headerSize = SfntHeaderSize(reader, source, &numTables);
  const std::vector<uint8_t> glyf = TableBytes(reader, source, GTTFontReader::kGlyf);
  const uint32_t glyfLength = static_cast<uint32_t>(glyf.size());
  FreeSpace(headerSize + Padded(glyfLength));
  std::vector<uint8_t> string0(headerSize, 0);
  uint32_t k = 0;
  while ((2u << k) <= numTables) ++k;
  const uint32_t searchRange = 16u << k;
  PutU32(string0, 0, 0x00010000);
  PutU16(string0, 4, numTables);
  PutU16(string0, 6, searchRange);
  PutU16(string0, 8, k);
  PutU16(string0, 10, 16 * numTables - searchRange);
  uint32_t entry = 12;
  uint32_t offset = 12 + 16 * numTables;
  for (const SfntTable& t : kSfntTables) {
    const bool isGlyf = t.index == GTTFontReader::kGlyf;
    std::vector<uint8_t> bytes = isGlyf ? glyf : TableBytes(reader, source, t.index);
    if (bytes.empty() && !t.always) continue;
    // A reader whose lengths disagree with its tables gets no more entries
    // than the directory has room for.
    if (entry + 16 > 12 + 16 * numTables) break;
    std::memcpy(&string0[entry], t.tag, 4);
    PutU32(string0, entry + 4, Checksum(bytes));
    PutU32(string0, entry + 8, offset);
    PutU32(string0, entry + 12, static_cast<uint32_t>(bytes.size()));
    entry += 16;
    if (!isGlyf && offset + bytes.size() <= string0.size())
      std::memcpy(&string0[offset], bytes.data(), bytes.size());
    offset += Padded(static_cast<uint32_t>(bytes.size()));
  }
  writer_->WriteText(Format("/fontstring%03d%03d [<", f, subFont));
  writer_->WriteText("\r\n");
  writer_->WriteHex(string0.data(), static_cast<uint32_t>(string0.size()));
  const bool split = glyfLength > kMaxString - 1;
  if (split && explicitDownload) {
    writer_->WriteText(">\r\n");
    for (const auto& piece : map.pieces) {
      if (piece.length == 0) continue;
      // The pieces come from loca: a damaged one may reach past the glyph
      // data, which is written only as far as it goes.
      const uint32_t start = std::min(piece.start, glyfLength);
      writer_->WriteText("<\r\n");
      writer_->WriteHex(glyf.data() + start, std::min(piece.length, glyfLength - start));
      writer_->WriteText(">\r\n");
    }
    writer_->WriteText(" ] def\r\n\r\n");
  } else if (split) {
    writer_->WriteText("> ");
    for (const auto& piece : map.pieces)
      if (piece.length != 0) writer_->WriteText(Format("%ld string ", static_cast<long>(piece.length)));
    writer_->WriteText("] def\r\n\r\n");
  } else if (explicitDownload) {
    writer_->WriteText(">\r\n<\r\n");
    writer_->WriteHex(glyf.data(), glyfLength);
    writer_->WriteText("> ] def\r\n\r\n");
  } else {
    writer_->WriteText(Format("> %ld string] def\r\n\r\n", static_cast<long>(glyfLength)));
  }
  record->ChargeMemory(headerSize + Padded(glyfLength));

  writer_->WriteText(Format("%d %d initFont\r\n", f, subFont));
  writer_->WriteText("25 dict begin\r\n/FontName t42newfontname def\r\n");
  int32_t mapped = 0;
  for (const auto& e : map.entries)
    if (e.glyph != 0) ++mapped;
  writer_->WriteText(Format("t42CSB %d t42BBC\r\n", mapped));
  std::string pairs;
  int32_t onLine = 0;
  for (int32_t i = 0; i < 256; ++i) {
    if (map.entries[i].glyph == 0) continue;
    pairs += Format("/G%d %d ", i, map.entries[i].glyph);
    if (++onLine == 10) {
      pairs += "\r\n";
      onLine = 0;
    }
  }
  if (onLine != 0) pairs += "\r\n";
  writer_->WriteText(pairs);
  writer_->WriteText("t42EBC\r\n");
  writer_->WriteText("Type42Encoding\r\n");
  writer_->WriteText(Format("Type42DictBegin fontstring%03d%03d def\r\n", f, subFont));
  writer_->WriteText("currentdict dup\r\n/FontName get exch definefont pop end\r\n");
  writer_->WriteText(Format("/F%03d%03d t42newfontname t42mF\r\n", f, subFont));
  record->SetUseStamp(NextUseStamp());
  return true;
}

void GPostScript::AddType42Glyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* codes,
                                  uint32_t count, int32_t encoding) {
  bool any = false;
  for (uint32_t k = 0; k < count && !any; ++k) any = record->HasSentCode(codes[k]) == 0;
  if (!any) return;
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  if (reader == nullptr) return;
  const int32_t f = FontNumberOf(record->GetName());
  PsType42Face map;
  bool built = false;
  // Writes one glyph's bytes into the string of the sfnts array that holds
  // its place in the glyph data.
  auto put = [&](uint16_t glyph, uint32_t offset) -> std::vector<uint8_t> {
    std::unique_ptr<GByteBuffer> data;
    const uint32_t n = reader->GetGlyphData(source, 1, glyph, data);
    if (n == 0 || data == nullptr || data->GetData() == nullptr) return {};
    std::vector<uint8_t> bytes(data->GetData(), data->GetData() + std::min(n, data->GetLength()));
    int32_t number = 1;
    uint32_t start = 0;
    map.StringOf(offset, static_cast<uint32_t>(bytes.size()), number, start);
    writer_->WriteText(Format("\r\n fontstring%03d%03d %d get<\r\n", f, map.subFont, number));
    writer_->WriteHex(bytes.data(), static_cast<uint32_t>(bytes.size()));
    writer_->WriteText(Format("> %ld exch putinterval \r\n", static_cast<long>(offset - start)));
    return bytes;
  };
  for (uint32_t k = 0; k < count; ++k) {
    const uint16_t g = codes[k];
    if (record->HasSentCode(g) != 0) continue;
    const int32_t s = g >> 8;
    if (!built || map.subFont != s) {
      built = BuildGlyphMap(reader, source, face->GetDownloadExtras().encoding, s, false, map);
      DefineType42SubFont(face, record, s, false);
      if (!built) continue;
    }
    record->AddGlyphCount(1);
    const PsType42Face::Entry* entry = nullptr;
    for (const auto& e : map.entries)
      if ((encoding == textenc::kGlyphIndex ? e.glyph == g : e.code == g) && e.code != 0) {
        entry = &e;
        break;
      }
    if (entry == nullptr) continue;
    // The data of the glyph the map put at this place: a different glyph's
    // bytes at this offset would corrupt the neighbouring glyphs.
    if (entry->glyph != 0) {
      const std::vector<uint8_t> bytes = put(entry->glyph, entry->offset);
      if (bytes.size() >= 10 && static_cast<int16_t>(ReadU16(bytes, 0)) < 0) {
        // A composite: its components go down with it; the walk stays
        // inside the glyph's bytes.
        size_t at = 10;
        for (;;) {
          if (at + 4 > bytes.size()) break;
          const uint16_t flags = ReadU16(bytes, at);
          const uint16_t component = ReadU16(bytes, at + 2);
          if (component + 1u < map.loca.size() && map.loca[component + 1] > map.loca[component])
            put(component, map.loca[component]);
          at += (flags & 1) != 0 ? 8 : 6;
          if ((flags & 8) != 0)
            at += 2;
          else if ((flags & 0x40) != 0)
            at += 4;
          else if ((flags & 0x80) != 0)
            at += 8;
          if ((flags & 0x20) == 0) break;
        }
      }
    }
    record->AddSentCode(g);
  }
}

// ---- Type 1 ----

namespace {

constexpr uint16_t kEexecKey = 55665;
constexpr uint16_t kCharstringKey = 4330;
constexpr uint32_t kBatchLimit = 31500;
const char kLeadingBytes[] = "\x47\x24\xB5\xCA";
constexpr int32_t kType1ProcSetFlag = 4;

// Little-endian reads inside the outline; false past its end.
bool OutlineU16(const uint8_t* b, uint32_t size, uint32_t at, uint16_t& out) {
  if (uint64_t{at} + 2 > size) return false;
  out = static_cast<uint16_t>(b[at] | b[at + 1] << 8);
  return true;
}
bool OutlineU32(const uint8_t* b, uint32_t size, uint32_t at, uint32_t& out) {
  uint16_t low = 0;
  uint16_t high = 0;
  if (!OutlineU16(b, size, at, low) || !OutlineU16(b, size, at + 2, high)) return false;
  out = static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 16;
  return true;
}
// The integer part of a fixed value (fraction first, then the part).
bool OutlineFixed(const uint8_t* b, uint32_t size, uint32_t at, int32_t& out) {
  uint16_t whole = 0;
  if (!OutlineU16(b, size, at + 2, whole)) return false;
  out = static_cast<int16_t>(whole);
  return true;
}

// Writes numbers and commands of one charstring and keeps the current
// point.
struct CharstringWriter {
  std::string text;
  int32_t x = 0;
  int32_t y = 0;

  void Number(int32_t v) { text += GPostScript::EncodeCharstringNumber(v); }
  void Command(uint8_t c) { text += static_cast<char>(c); }
  // A move or line to (px, py) by the shortest of its three forms.
  void To(int32_t px, int32_t py, uint8_t vertical, uint8_t horizontal, uint8_t both) {
    if (px == x) {
      Number(py - y);
      Command(vertical);
    } else if (py == y) {
      Number(px - x);
      Command(horizontal);
    } else {
      Number(px - x);
      Number(py - y);
      Command(both);
    }
    x = px;
    y = py;
  }
  void Curve(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
    Number(x1 - x);
    Number(y1 - y);
    Number(x2 - x1);
    Number(y2 - y1);
    Number(x3 - x2);
    Number(y3 - y2);
    Command(8);
    x = x3;
    y = y3;
  }
};

}  // namespace

std::string GPostScript::EncodeCharstringNumber(int32_t v) {
  std::string out;
  if (v >= -107 && v <= 107) {
    out += static_cast<char>(v + 139);
  } else if (v >= 108 && v <= 1131) {
    out += static_cast<char>((v - 108) / 256 + 247);
    out += static_cast<char>((v - 108) % 256);
  } else if (v >= -1131 && v <= -108) {
    out += static_cast<char>((-v - 108) / 256 + 251);
    out += static_cast<char>((-v - 108) % 256);
  } else {
    const uint32_t u = static_cast<uint32_t>(v);
    out += static_cast<char>(255);
    out += static_cast<char>(u >> 24);
    out += static_cast<char>(u >> 16);
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u);
  }
  return out;
}

std::string GPostScript::Type1Encrypt(const std::string& plain, uint16_t key) {
  std::string out(plain.size(), '\0');
  uint16_t r = key;
  for (size_t i = 0; i < plain.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(static_cast<uint8_t>(plain[i]) ^ (r >> 8));
    r = static_cast<uint16_t>((c + r) * 52845u + 22719u);
    out[i] = static_cast<char>(c);
  }
  return out;
}

bool GPostScript::BuildCharstring(const uint8_t* b, uint32_t size, std::string& plain) {
  uint16_t sbx = 0;
  uint16_t advance = 0;
  uint16_t sby = 0;
  if (b == nullptr || !OutlineU16(b, size, 2, sbx) || !OutlineU16(b, size, 4, advance) ||
      !OutlineU16(b, size, 8, sby) || size <= 10)
    return false;
  CharstringWriter w;
  w.text.assign(kLeadingBytes, 4);
  w.Number(static_cast<int16_t>(sbx));
  w.Number(static_cast<int16_t>(sby));
  w.Number(static_cast<int16_t>(advance));
  w.Number(0);
  w.Command(12);
  w.Command(7);
  w.x = static_cast<int16_t>(sbx);
  w.y = static_cast<int16_t>(sby);
  uint32_t at = 10;
  while (at < size) {
    uint32_t length = 0;
    int32_t sx = 0;
    int32_t sy = 0;
    if (!OutlineU32(b, size, at, length) || length < 16 || uint64_t{at} + length > size ||
        !OutlineFixed(b, size, at + 8, sx) || !OutlineFixed(b, size, at + 12, sy))
      return false;
    const uint32_t end = at + length;
    w.To(sx, sy, 4, 22, 21);
    uint32_t r = at + 16;
    while (r + 4 <= end) {
      uint16_t type = 0;
      uint16_t count = 0;
      OutlineU16(b, size, r, type);
      OutlineU16(b, size, r + 2, count);
      if (uint64_t{r} + 4 + 8u * count > end) return false;
      std::vector<std::pair<int32_t, int32_t>> points(count);
      for (uint16_t k = 0; k < count; ++k) {
        OutlineFixed(b, size, r + 4 + 8u * k, points[k].first);
        OutlineFixed(b, size, r + 8 + 8u * k, points[k].second);
      }
      if (type == 1) {
        for (const auto& p : points) w.To(p.first, p.second, 7, 6, 5);
      } else if ((type & 0x80) != 0) {
        size_t k = 0;
        for (; k + 3 <= points.size(); k += 3)
          w.Curve(points[k].first, points[k].second, points[k + 1].first, points[k + 1].second, points[k + 2].first,
                  points[k + 2].second);
        if (points.size() - k == 2)
          w.Curve(w.x, w.y, points[k].first, points[k].second, points[k + 1].first, points[k + 1].second);
      } else {
        // Consecutive off-curve points imply an on-curve point midway;
        // each quadratic piece becomes the cubic with the same curve.
        const size_t n = points.size();
        for (size_t i = 0; i + 1 < n; ++i) {
          const int32_t bx = points[i].first;
          const int32_t by = points[i].second;
          int32_t ex = points[n - 1].first;
          int32_t ey = points[n - 1].second;
          if (i + 2 < n) {
            ex = (points[i].first + points[i + 1].first) >> 1;
            ey = (points[i].second + points[i + 1].second) >> 1;
          }
          const int32_t c1x = (2 * bx + w.x) / 3;
          const int32_t c1y = (2 * by + w.y) / 3;
          const int32_t c2x = (2 * bx + ex) / 3;
          const int32_t c2y = (2 * by + ey) / 3;
          w.Curve(c1x, c1y, c2x, c2y, ex, ey);
        }
      }
      r += 4 + 8u * count;
    }
    w.Command(9);
    at = end;
  }
  w.Command(14);
  plain = w.text;
  return true;
}

void GPostScript::WriteEexecSection(const std::string& plain, bool withHeader) {
  static const char kDigits[] = "0123456789ABCDEF";
  const std::string cipher = Type1Encrypt(plain, kEexecKey);
  std::string text = withHeader ? "currentfile eexec\r\n" : "";
  size_t column = 0;
  for (unsigned char c : cipher) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
    column += 2;
    if (column == 64) {
      text += "\r\n";
      column = 0;
    }
  }
  if (column != 0) text += "\r\n";
  for (int i = 0; i < 8; ++i) text += std::string(64, '0') + "\r\n";
  text += "cleartomark\r\n";
  writer_->WriteText(text);
}

void GPostScript::DefineType1SubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont) {
  if ((fontProcSetsWritten_ & kType1ProcSetFlag) == 0) {
    writer_->WriteText(psfonts::Type1ProcSet());
    fontProcSetsWritten_ |= kType1ProcSetFlag;
  }
  const int32_t f = FontNumberOf(record->GetName());
  if (IsSubFontDefined(f, subFont)) return;
  MarkSubFontDefined(f, subFont);
  // The private section with the .notdef charstring (stored encrypted).
  std::string plain(kLeadingBytes, 4);
  plain += "dup/Private 8 dict dup begin/RD{string currentfile exch readstring pop}def/ND{\r\n";
  plain += "def}def/NP{put}def/BlueValues[-250 0 2200 2200]def/MinFeature{16 16}def\r\n";
  plain += "/password 5839 def/Subrs 43 array def 2 index/CharStrings 256 dict dup begin\r\n";
  plain += "/.notdef 8 RD ";
  plain += std::string("\x57\xDB\x2D\x3A\x54\xCF\x70\x11", 8);
  plain += " ND end end put put dup/FontName get exch definefont pop mark currentfile\r\n";
  plain += "closefile ";
  const uint32_t hexLength = static_cast<uint32_t>(plain.size()) * 2;
  FreeSpace(hexLength + 768);
  // The outline units per em scale the font: the face's TrueType head
  // gives them, 2048 without one.
  int32_t unitsPerEm = 2048;
  uint32_t source = 0;
  if (GTTFontReader* reader = face->GetTrueTypeReader(&source)) {
    const std::vector<uint8_t> head = TableBytes(reader, source, GTTFontReader::kHead);
    if (ReadU16(head, 18) != 0) unitsPerEm = ReadU16(head, 18);
  }
  writer_->WriteText("\r\n\r\n");
  writer_->WriteText(Format("%d %d %d %d DefineNewType1Font\r\n", face->GetFontNumber(), unitsPerEm, subFont, f));
  WriteEexecSection(plain, false);
  writer_->WriteText(Format("/F%03d%03d /DDL%03d%03d t1mF \r\n", f, subFont, f, subFont));
  record->ChargeMemory(hexLength + 768);
  record->SetUseStamp(NextUseStamp());
}

void GPostScript::AddType1Glyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* text,
                                 const uint16_t* codes, uint32_t count, int32_t encoding) {
  // The new glyphs, grouped by sub-font in the order the sub-fonts occur.
  std::vector<std::pair<uint16_t, uint16_t>> pairs;
  for (uint32_t k = 0; k < count; ++k) {
    if (record->HasSentCode(codes[k]) != 0) continue;
    record->AddSentCode(codes[k]);
    record->AddGlyphCount(1);
    if (codes[k] != 0) pairs.emplace_back(codes[k], text[k]);
  }
  if (pairs.empty()) return;
  std::stable_sort(pairs.begin(), pairs.end(), [&pairs](const auto& a, const auto& b) {
    auto firstOf = [&pairs](int s) {
      for (size_t i = 0; i < pairs.size(); ++i)
        if ((pairs[i].first >> 8) == s) return i;
      return pairs.size();
    };
    return firstOf(a.first >> 8) < firstOf(b.first >> 8);
  });
  const int32_t f = FontNumberOf(record->GetName());
  const bool byGlyph = encoding == textenc::kGlyphIndex || (encoding >= 16 && encoding <= 23);
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  size_t i = 0;
  while (i < pairs.size()) {
    const int32_t s = pairs[i].first >> 8;
    DefineType1SubFont(face, record, s);
    std::string batch;
    auto send = [&]() {
      if (batch.empty()) return;
      batch += "end end mark currentfile closefile ";
      WriteEexecSection(batch, true);
      batch.clear();
    };
    for (; i < pairs.size() && (pairs[i].first >> 8) == s; ++i) {
      uint16_t lookup = pairs[i].second;
      if (byGlyph && encoding != textenc::kGlyphIndex)
        lookup = reader != nullptr ? reader->GetGlyphIndex(source, 0, pairs[i].second, encoding) : 0;
      GByteBuffer* raw = nullptr;
      const uint32_t size = face->GetGlyphOutline(lookup, byGlyph ? 1 : 0, &raw);
      std::unique_ptr<GByteBuffer> outline(raw);
      std::string plain;
      if (size == 0 || outline == nullptr ||
          !BuildCharstring(outline->GetData(), std::min(size, outline->GetLength()), plain))
        continue;
      const std::string cipher = Type1Encrypt(plain, kCharstringKey);
      if (batch.empty()) {
        batch.assign(kLeadingBytes, 4);
        batch += Format("/DDL%03d%03d findfont dup /Private get begin /CharStrings get begin", f, s);
      }
      batch += Format("/G%02X %d RD ", pairs[i].first & 0xFF, static_cast<int>(cipher.size()));
      batch += cipher;
      batch += " ND ";
      if (batch.size() > kBatchLimit) send();
    }
    send();
  }
}
