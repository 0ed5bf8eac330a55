// The PCL XL generator's font download: a face's outlines as a TrueType
// soft font (its offset table, "head", "maxp" and the hinting tables in the
// header, each glyph as a character with its metrics), or its glyph images
// as a bitmap soft font at the page resolution. Every character and every
// glyph goes once per download; fonts used longest ago leave the printer
// when its memory runs short.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTextString.h"
#include "pdl/GCheetahDownloadRecord.h"
#include "pdl/PclSymbolSets.h"
#include "pdl/XLOperators.h"
#include "pdl/cheetah.h"

namespace {

using Tag = GTTFontReader::TagIndex;
constexpr uint32_t kCvt = 9;
constexpr uint32_t kFpgm = 13;
constexpr uint32_t kPrep = 23;

constexpr uint8_t kTechnologyTrueType = 1;
constexpr uint8_t kTechnologyBitmap = 254;
constexpr uint32_t kSentGlyph = 65536;  // glyph indexes are entered as sent above the codes
constexpr uint16_t kNoCharacter = 0xFFFF;
constexpr uint32_t kMaxPiece = 65535;

// Face kind flags.
constexpr int32_t kFaceBitmaps = 1;
constexpr int32_t kFaceOutlines = 2;
// The last download-extras word asks for bitmaps scaled by the page scale.
constexpr uint32_t kScaleBitmapsByPage = 0x10000;

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  PutU16(out, static_cast<uint16_t>(value >> 16));
  PutU16(out, static_cast<uint16_t>(value));
}

// A header segment: its two tag bytes and the length of what follows.
void PutSegmentHead(std::vector<uint8_t>& out, char a, char b, uint32_t length) {
  out.push_back(static_cast<uint8_t>(a));
  out.push_back(static_cast<uint8_t>(b));
  PutU32(out, length);
}

// The number of characters a header declares: 1024 at most.
uint16_t DeclaredCharacters(uint16_t first, uint16_t last) {
  if (last == 0xFFFF) return 1024;
  const uint16_t n = static_cast<uint16_t>(last - first + 1);
  return n >= 1024 ? uint16_t{1024} : n;
}

// Pages of 256 characters and the extra flag of a font of n characters.
void MemoryUnits(uint32_t n, uint32_t* pages, uint32_t* extra) {
  if (n < 256) {
    *pages = 1;
    *extra = 0;
  } else {
    *pages = (n + 255) / 256;
    *extra = 1;
  }
}

std::vector<uint8_t> Descriptor(uint16_t symbolSet, uint8_t technology, uint16_t characters) {
  std::vector<uint8_t> out{0, 0};
  PutU16(out, symbolSet);
  out.push_back(technology);
  out.push_back(0);
  PutU16(out, characters);
  return out;
}

uint32_t Padded(uint32_t length) { return (length + 3) & ~3u; }

struct CodeRange {
  uint16_t first;
  uint16_t last;
};

// The vertical substitution ranges of a face encoding and a text encoding.
std::vector<CodeRange> VerticalRanges(int32_t faceEncoding, int32_t textEncoding) {
  static const CodeRange kAscii[] = {{0x0000, 0x007F}};
  static const CodeRange kUnicodeWide[] = {{0x0000, 0x00FF}, {0x20A9, 0x20A9}, {0xFF60, 0xFFDF}, {0xFFE7, 0xFFFF}};
  static const CodeRange kShiftJisUnicode[] = {
      {0x0000, 0x00A6}, {0x00A9, 0x00AF}, {0x00B2, 0x00B3}, {0x00B5, 0x00B5}, {0x00B7, 0x00F6}, {0x00F8, 0x00FF},
      {0x20A9, 0x20A9}, {0x2195, 0x2195}, {0x21B5, 0x21B5}, {0x22A0, 0x22A0}, {0x2550, 0x2551}, {0x2554, 0x2554},
      {0x2557, 0x2557}, {0x255A, 0x255A}, {0x255D, 0x255D}, {0x2560, 0x2560}, {0x2563, 0x2563}, {0x2566, 0x2566},
      {0x2569, 0x2569}, {0x256C, 0x256C}, {0x2591, 0x2592}, {0xFF60, 0xFFDF}, {0xFFE7, 0xFFFF}};
  static const CodeRange k23Unicode[] = {{0x0000, 0x00A1}, {0x00A4, 0x00A4}, {0x00A6, 0x00A6}, {0x00A9, 0x00AF},
                                         {0x00B2, 0x00B3}, {0x00B6, 0x00B6}, {0x00B9, 0x00D6}, {0x00D8, 0x00F6},
                                         {0x00F8, 0x00FF}, {0x20A9, 0x20A9}, {0xFF60, 0xFFDF}, {0xFFE7, 0xFFFF}};
  static const CodeRange k18Unicode[] = {{0x0000, 0x00A6}, {0x00A9, 0x00AF}, {0x00B2, 0x00DF}, {0x00E2, 0x00E7},
                                         {0x00EB, 0x00EB}, {0x00EE, 0x00F1}, {0x00F4, 0x00F6}, {0x00F8, 0x00F8},
                                         {0x00FB, 0x00FB}, {0x00FD, 0x00FF}, {0x20A9, 0x20A9}, {0xFF60, 0xFFDF},
                                         {0xFFE7, 0xFFFF}};
  auto of = [](const auto& table) { return std::vector<CodeRange>(std::begin(table), std::end(table)); };
  const int32_t u = faceEncoding;
  const int32_t t = textEncoding;
  if (u == 17) {
    if (t == 17) return {{0x0000, 0x00FF}};
    if (t == 16) return of(kShiftJisUnicode);
    return {};
  }
  if (u == 23) {
    if (t == 23) return of(kAscii);
    if (t == 16) return of(k23Unicode);
    return {};
  }
  if (u == 18 || u == 19) {
    if (t == 18 || t == 19) return of(kAscii);
    if (t == 16) return of(k18Unicode);
    return {};
  }
  if (u >= 20 && u <= 22) {
    if (t >= 20 && t <= 22) return of(kAscii);
    if (t == 16) return of(kUnicodeWide);
    return {};
  }
  if (u == 16) return of(kUnicodeWide);
  return of(kAscii);
}

GCheetahDownloadHandle* RecordOf(GFontFaceHandle* face) {
  return face != nullptr ? dynamic_cast<GCheetahDownloadHandle*>(face->GetDownloadInfo()) : nullptr;
}

GCheetahDownloadHandle* RecordOf(GScaledFont& face) {
  return dynamic_cast<GCheetahDownloadHandle*>(face.GetDownloadInfo());
}

// How many characters of the text to send: those not yet sent; when they
// would exceed the characters the header declared, the font is released
// (it is sent again with this text's characters only) and all of them.
uint32_t CharactersToSend(GCheetahDownloadHandle* record, const GTextString& sent) {
  const uint16_t n = sent.GetLength();
  uint32_t m = 0;
  for (uint32_t k = 0; k < n; ++k)
    if (record->HasSentCode(sent.GetChar(k)) == 0) ++m;
  if (m == 0) return 0;
  if (static_cast<uint32_t>(static_cast<uint16_t>(record->GetGlyphCount())) + m > record->GetCapacity()) {
    record->Release();
    m = n;
  }
  return m;
}

void BeginChars(XLStream* s, const RWCString& name) {
  XLBeginChar(s, reinterpret_cast<const uint8_t*>(name.Data()), static_cast<uint32_t>(name.Length()));
}

}  // namespace

// ---- Encodings ----

uint16_t GCheetah::GetSymbolSet(int32_t encoding) { return PclSymbolSetForEncoding(encoding); }

int32_t GCheetah::GetDownloadEncoding(int32_t encoding) {
  return encoding == textenc::kGlyphIndex || (encoding >= 16 && encoding <= 23) ? textenc::kGlyphCode : encoding;
}

// ---- Memory ----

void GCheetah::MakeRoom(uint32_t bytes) {
  GDownloadCache* cache = GetDownloadCache();
  if (cache == nullptr) return;
  while (budget_.GetAvailable() < bytes) {
    if (cache->ReleaseOne() == 0) break;
  }
}

void GCheetah::NewDownloadState() {
  if (GDownloadCache* cache = GetDownloadCache()) budget_.Release(cache->TotalMemory());
  SetDownloadCache(new GCheetahDownloadCache);
  SetGlyphCodeAllocator(new GCheetahGlyphCodeAllocator);
}

// ---- Faces ----

RWCString GCheetah::NextFontName(const char* kind, const RWCString& faceName) {
  const std::string name = std::to_string(static_cast<uint32_t>(fontCounter_++)) + kind +
                           std::string(faceName.Data(), faceName.Length());
  return RWCString(name.data(), name.size());
}

GDownloadHandle* GCheetah::DownloadFont(GFontFaceHandle* face, int32_t glyphEncoding, int32_t textEncoding) {
  if (face == nullptr) return nullptr;
  const int32_t kind = face->GetFaceKind();
  GCheetahDownloadHandle* handle = nullptr;
  if ((kind & kFaceOutlines) != 0) {
    handle = new GCheetahDownloadHandle(this);
    handle->SetKind(GDownloadRecord::kOutlineFont);
    handle->SetName(NextFontName("TT", face->GetName()));
    handle->SetGlyphEncoding(glyphEncoding);
    face->SetDownloadInfo(handle);
    if (DownloadTrueTypeHeader(face, textEncoding) == 1) {
      DownloadInitialGlyphs(face);
    } else {
      handle->SetCapacity(0);
      handle->SetUseStamp(NextUseStamp());
    }
  } else if ((kind & kFaceBitmaps) != 0) {
    handle = new GCheetahDownloadHandle(this);
    handle->SetKind(GDownloadRecord::kBitmapFont);
    handle->SetName(NextFontName("BM", face->GetName()));
    handle->SetGlyphEncoding(glyphEncoding);
    face->SetDownloadInfo(handle);
    float sx = 1.0f;
    float sy = 1.0f;
    if ((face->GetDownloadExtras().extrasWord & kScaleBitmapsByPage) != 0) GetPageScale(&sx, &sy);
    GScaledFont scaled(face, sx, sy);
    DownloadBitmapHeader(scaled);
  } else {
    return nullptr;
  }
  if (GDownloadCache* cache = GetDownloadCache())
    cache->Add(face->GetMetrics(), face->GetDownloadExtras(), handle->Clone());
  return handle;
}

// ---- Headers ----

void GCheetah::WriteFontHeaderData(const uint8_t* bytes, uint32_t length, bool pad) {
  static const uint8_t kZeros[3] = {0, 0, 0};
  const uint32_t padding = pad && length != 0 ? 3 - ((length - 1) % 4) : 0;
  uint32_t at = 0;
  while (at < length) {
    const uint32_t rest = length - at;
    if (rest > kMaxPiece) {
      XLReadFontHeader(S(), static_cast<uint16_t>(kMaxPiece));
      XLWriteEmbeddedBytes(S(), bytes + at, kMaxPiece);
      at += kMaxPiece;
    } else if (rest + padding > kMaxPiece) {
      XLReadFontHeader(S(), static_cast<uint16_t>(rest));
      XLWriteEmbeddedBytes(S(), bytes + at, rest);
      if (padding != 0) {
        XLReadFontHeader(S(), static_cast<uint16_t>(padding));
        XLWriteEmbeddedBytes(S(), kZeros, padding);
      }
      at = length;
    } else {
      XLReadFontHeader(S(), static_cast<uint16_t>(rest + padding));
      XLWriteEmbeddedLength(S(), rest + padding);
      XLWriteRawBytes(S(), bytes + at, rest);
      XLWriteRawBytes(S(), kZeros, padding);
      at = length;
    }
  }
}

void GCheetah::WriteTrueTypeTable(GTTFontReader* reader, uint32_t source, uint32_t tagIndex, uint32_t length) {
  if (length == 0) return;
  std::unique_ptr<GByteBuffer> table;
  const uint32_t got = reader->GetTable(source, tagIndex, 0, table);
  // The directory announced length bytes: a table that comes back shorter
  // is completed with zeros, so that the header holds what it declares.
  std::vector<uint8_t> bytes(length, 0);
  if (table != nullptr && table->GetData() != nullptr)
    std::memcpy(bytes.data(), table->GetData(), std::min({got, length, table->GetLength()}));
  table.reset();
  WriteFontHeaderData(bytes.data(), length, true);
}

void GCheetah::DownloadBitmapHeader(GScaledFont& face) {
  GCheetahDownloadHandle* record = RecordOf(face);
  if (record == nullptr) return;
  const uint16_t n = DeclaredCharacters(face.GetFirstChar(), face.GetLastChar());
  record->SetCapacity(n);
  uint32_t pages = 0, extra = 0;
  MemoryUnits(n, &pages, &extra);
  const uint32_t estimate = (budget_.GetOverheadKB() + pages + extra) * 1024;
  MakeRoom(estimate + 658);

  const RWCString& name = record->GetName();
  XLBeginFontHeader(S(), reinterpret_cast<const uint8_t*>(name.Data()), static_cast<uint32_t>(name.Length()), 0);
  const std::vector<uint8_t> descriptor =
      Descriptor(GetSymbolSet(record->GetGlyphEncoding()), kTechnologyBitmap, n);
  WriteFontHeaderData(descriptor.data(), static_cast<uint32_t>(descriptor.size()), false);
  std::vector<uint8_t> resolution;
  PutSegmentHead(resolution, 'B', 'R', 4);
  PutU16(resolution, xResolution_);
  PutU16(resolution, yResolution_);
  WriteFontHeaderData(resolution.data(), static_cast<uint32_t>(resolution.size()), false);
  std::vector<uint8_t> end;
  PutSegmentHead(end, '\xFF', '\xFF', 0);
  WriteFontHeaderData(end.data(), static_cast<uint32_t>(end.size()), false);
  XLEndFontHeader(S());

  record->ChargeMemory(24);
  record->ChargeMemory(estimate + 650);
  record->SetUseStamp(NextUseStamp());
}

int GCheetah::DownloadTrueTypeHeader(GFontFaceHandle* face, int32_t textEncoding) {
  GCheetahDownloadHandle* record = RecordOf(face);
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  if (record == nullptr || reader == nullptr) return 0;
  const int32_t glyphEncoding = record->GetGlyphEncoding();
  const int32_t faceEncoding = face->GetMetrics().metricInt4;
  const bool vertical = face->GetMetrics().metricInt7 == 1;

  const uint32_t head = reader->GetTableSize(source, Tag::kHead);
  const uint32_t maxp = reader->GetTableSize(source, Tag::kMaxp);
  if (head == 0 || maxp == 0 || reader->GetTableSize(source, Tag::kHhea) == 0 ||
      reader->GetTableSize(source, Tag::kHmtx) == 0)
    return 0;
  uint16_t glyphs = 0;
  if (reader->GetGlyphCount(source, &glyphs) == 0) return 0;
  int16_t descender = 0;
  if (vertical) {
    if (reader->GetTypoDescender(source, &descender) == 0) return 0;
    if (reader->GetTableSize(source, Tag::kVhea) != 0 && reader->GetTableSize(source, Tag::kVmtx) != 0)
      record->SetVerticalMetrics(1);
  }
  const uint32_t cvt = reader->GetTableSize(source, kCvt);
  const uint32_t fpgm = reader->GetTableSize(source, kFpgm);
  const uint32_t prep = reader->GetTableSize(source, kPrep);
  const uint16_t tables = static_cast<uint16_t>(3 + (cvt != 0) + (fpgm != 0) + (prep != 0));
  const uint32_t dataLength =
      12 + 16u * tables + Padded(head) + Padded(maxp) + Padded(cvt) + Padded(fpgm) + Padded(prep);

  const uint16_t n = DeclaredCharacters(face->GetFirstChar(), face->GetLastChar());
  record->SetCapacity(n);
  uint32_t pages = 0, extra = 0;
  MemoryUnits(n, &pages, &extra);
  const uint32_t estimate = ((budget_.GetOverheadKB() + pages + extra) * 256 + glyphs) * 4;
  MakeRoom(dataLength + estimate + 682);

  const RWCString& name = record->GetName();
  XLBeginFontHeader(S(), reinterpret_cast<const uint8_t*>(name.Data()), static_cast<uint32_t>(name.Length()), 0);
  const std::vector<uint8_t> descriptor = Descriptor(GetSymbolSet(glyphEncoding), kTechnologyTrueType, n);
  WriteFontHeaderData(descriptor.data(), static_cast<uint32_t>(descriptor.size()), false);
  std::vector<uint8_t> segment;
  PutSegmentHead(segment, 'G', 'T', dataLength);
  WriteFontHeaderData(segment.data(), static_cast<uint32_t>(segment.size()), false);

  uint16_t power = 0;
  while ((2u << power) <= tables) ++power;
  const uint16_t searchRange = static_cast<uint16_t>(16u << power);
  std::vector<uint8_t> offsetTable{0, 1, 0, 0};
  PutU16(offsetTable, tables);
  PutU16(offsetTable, searchRange);
  PutU16(offsetTable, power);
  PutU16(offsetTable, static_cast<uint16_t>(16u * tables - searchRange));
  WriteFontHeaderData(offsetTable.data(), static_cast<uint32_t>(offsetTable.size()), false);

  struct Entry {
    const char* tag;
    uint32_t index;
    uint32_t length;
  };
  const Entry entries[] = {{"cvt ", kCvt, cvt},  {"fpgm", kFpgm, fpgm}, {"gdir", 0, 0},
                           {"head", Tag::kHead, head}, {"maxp", Tag::kMaxp, maxp}, {"prep", kPrep, prep}};
  std::vector<uint8_t> directory;
  uint32_t offset = 12 + 16u * tables;
  for (const Entry& e : entries) {
    const bool gdir = std::strcmp(e.tag, "gdir") == 0;
    if (!gdir && e.length == 0) continue;
    directory.insert(directory.end(), e.tag, e.tag + 4);
    PutU32(directory, 0);
    PutU32(directory, gdir ? 0 : offset);
    PutU32(directory, Padded(e.length));
    offset += Padded(e.length);
  }
  WriteFontHeaderData(directory.data(), static_cast<uint32_t>(directory.size()), false);
  for (const Entry& e : entries)
    if (e.length != 0) WriteTrueTypeTable(reader, source, e.index, e.length);

  uint32_t segments = 0;
  std::vector<uint8_t> characters;
  if (faceEncoding != 17) {
    PutSegmentHead(characters, 'G', 'C', 6);
    PutU16(characters, 0);
    PutU16(characters, 0xFFFF);
    PutU16(characters, 0);
  } else if (glyphEncoding == 17 || glyphEncoding == textenc::kGlyphCode) {
    PutSegmentHead(characters, 'G', 'C', 12);
    for (uint16_t v : {0, 0xFFFF, 1, 0x0000, 0x00FF, 0x00A5}) PutU16(characters, v);
  } else if (glyphEncoding == textenc::kUnicode) {
    PutSegmentHead(characters, 'G', 'C', 24);
    for (uint16_t v : {0, 0xFFFF, 3, 0x0020, 0x007D, 0xFF65, 0x203E, 0x203E, 0xFF65, 0xFF61, 0xFF9F, 0xFF65})
      PutU16(characters, v);
  }
  if (!characters.empty()) {
    WriteFontHeaderData(characters.data(), static_cast<uint32_t>(characters.size()), false);
    segments += static_cast<uint32_t>(characters.size());
  }
  if (vertical) {
    const std::vector<CodeRange> ranges = VerticalRanges(faceEncoding, textEncoding);
    if (!ranges.empty()) {
      std::vector<uint8_t> ve;
      PutSegmentHead(ve, 'V', 'E', 2 + 4 * static_cast<uint32_t>(ranges.size()));
      PutU16(ve, static_cast<uint16_t>(ranges.size()));
      for (const CodeRange& r : ranges) {
        PutU16(ve, r.first);
        PutU16(ve, r.last);
      }
      WriteFontHeaderData(ve.data(), static_cast<uint32_t>(ve.size()), false);
      segments += static_cast<uint32_t>(ve.size());
    }
    if (descender != -36) {
      std::vector<uint8_t> vr;
      PutSegmentHead(vr, 'V', 'R', 4);
      PutU16(vr, 0);
      PutU16(vr, static_cast<uint16_t>(descender));
      WriteFontHeaderData(vr.data(), static_cast<uint32_t>(vr.size()), false);
      segments += static_cast<uint32_t>(vr.size());
    }
  }
  std::vector<uint8_t> end;
  PutSegmentHead(end, '\xFF', '\xFF', 0);
  WriteFontHeaderData(end.data(), static_cast<uint32_t>(end.size()), false);
  XLEndFontHeader(S());

  record->ChargeMemory(8 + dataLength + segments + 6);
  record->ChargeMemory(estimate + 650);
  record->SetUseStamp(NextUseStamp());
  return 1;
}

// ---- Characters ----

void GCheetah::DownloadInitialGlyphs(GFontFaceHandle* face) {
  GCheetahDownloadHandle* record = RecordOf(face);
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  if (record == nullptr || reader == nullptr) return;
  const int32_t glyphEncoding = record->GetGlyphEncoding();
  BeginChars(S(), record->GetName());
  record->AddSentCode(kNoCharacter);
  uint32_t written = DownloadGlyph(face, record, 0, kNoCharacter);
  if (face->GetMetrics().metricInt4 == 17) {
    uint16_t code = 0;
    int32_t lookup = 0;
    if (glyphEncoding == 17 || glyphEncoding == textenc::kGlyphCode) {
      code = 0xA5;
      lookup = 17;
    } else if (glyphEncoding == textenc::kUnicode) {
      code = 0xFF65;
      lookup = textenc::kUnicode;
    }
    if (code != 0) {
      record->AddSentCode(code);
      const uint16_t glyph = reader->GetGlyphIndex(source, 0, code, lookup);
      if (glyph != 0) {
        written += DownloadGlyph(face, record, glyph, code);
        record->AddGlyphCount(1);
      }
    }
  }
  XLEndChar(S());
  record->ChargeMemory(written);
}

void GCheetah::DownloadTrueTypeChars(GFontFaceHandle* face, const GTextString& source, const GTextString& sent) {
  GCheetahDownloadHandle* record = RecordOf(face);
  uint32_t fontSource = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&fontSource);
  if (record == nullptr || reader == nullptr) return;
  if (record->GetCapacity() == 0) return;
  const uint32_t m = CharactersToSend(record, sent);
  if (m == 0) return;
  MakeRoom(250 * m);
  if (record->GetMemory() == 0 && DownloadTrueTypeHeader(face, source.GetEncoding()) == 1)
    DownloadInitialGlyphs(face);

  bool begun = false;
  uint32_t written = 0;
  for (uint32_t k = 0; k < sent.GetLength(); ++k) {
    const uint16_t c = sent.GetChar(k);
    if (record->HasSentCode(c) != 0) continue;
    record->AddGlyphCount(1);
    record->AddSentCode(c);
    const uint16_t glyph = reader->GetGlyphIndex(fontSource, 0, source.GetChar(k), source.GetEncoding());
    if (glyph == 0) continue;
    if (!begun) {
      BeginChars(S(), record->GetName());
      begun = true;
    }
    written += DownloadGlyph(face, record, glyph, c);
  }
  if (begun) XLEndChar(S());
  record->ChargeMemory(written);
}

uint32_t GCheetah::DownloadGlyph(GFontFaceHandle* face, GCheetahDownloadHandle* record, uint16_t glyph,
                                 uint16_t code, int depth) {
  uint32_t source = 0;
  GTTFontReader* reader = face->GetTrueTypeReader(&source);
  if (reader == nullptr || record == nullptr) return 0;
  record->AddSentCode(glyph + kSentGlyph);
  std::unique_ptr<GByteBuffer> data;
  uint32_t length = reader->GetGlyphData(source, 0, glyph, data);
  if (data == nullptr || data->GetData() == nullptr) length = 0;
  length = std::min<uint32_t>({length, data != nullptr ? data->GetLength() : 0, 0xFFFF - 12});
  uint16_t advance = 0;
  int16_t sideBearing = 0;
  // Without its metrics a glyph goes without outline: the character then
  // announces only the bytes that follow.
  if (reader->GetHorizontalMetrics(source, glyph, &advance, &sideBearing) == 0) length = 0;
  const bool classTwo = face->GetMetrics().metricInt7 == 1 && record->HasVerticalMetrics() != 0;
  uint16_t verticalAdvance = 0;
  int16_t topBearing = 0;
  if (classTwo && reader->GetVerticalMetrics(source, glyph, &verticalAdvance, &topBearing) != 1) length = 0;

  std::vector<uint8_t> head{1, static_cast<uint8_t>(classTwo ? 2 : 1)};
  PutU16(head, static_cast<uint16_t>(length + (classTwo ? 10 : 8)));
  PutU16(head, static_cast<uint16_t>(sideBearing));
  PutU16(head, advance);
  if (classTwo) PutU16(head, static_cast<uint16_t>(topBearing));
  PutU16(head, glyph);
  const uint32_t size = static_cast<uint32_t>(head.size()) + length;
  XLReadChar(S(), code, size);
  XLWriteEmbeddedLength(S(), size);
  XLWriteRawBytes(S(), head.data(), static_cast<uint32_t>(head.size()));
  if (length != 0) XLWriteRawBytes(S(), data->GetData(), length);
  uint32_t written = size;

  // A composite glyph: its components not yet sent go too, under no
  // character code. The walk reads only inside the glyph's bytes and goes
  // no deeper than the reader follows nested composites.
  const uint8_t* bytes = length != 0 ? data->GetData() : nullptr;
  uint16_t contours = 0;
  if (bytes != nullptr && GTTReadU16(bytes, length, 0, contours) && static_cast<int16_t>(contours) < 0 &&
      depth < GTTFontReader::kMaxComponentDepth) {
    GTTFontReader::ForEachComponent(bytes, length, [&](uint16_t component) {
      if (record->HasSentCode(component + kSentGlyph) == 0)
        written += DownloadGlyph(face, record, component, kNoCharacter, depth + 1);
      return true;
    });
  }
  return written;
}

void GCheetah::DownloadBitmapChars(GScaledFont& face, const GTextString& source, const GTextString& sent) {
  GCheetahDownloadHandle* record = RecordOf(face);
  if (record == nullptr) return;
  const uint32_t m = CharactersToSend(record, sent);
  if (m == 0) return;
  const int16_t height = face.GetHeight();
  MakeRoom(static_cast<uint32_t>(static_cast<int32_t>(m) * (height / 8) * height));
  if (record->GetMemory() == 0) DownloadBitmapHeader(face);

  bool begun = false;
  uint32_t written = 0;
  for (uint32_t k = 0; k < sent.GetLength(); ++k) {
    const uint16_t c = sent.GetChar(k);
    if (record->HasSentCode(c) != 0) continue;
    record->AddGlyphCount(1);
    int16_t box[4] = {0, 0, 0, 0};
    GByteBuffer* raw = nullptr;
    const uint32_t size = face.GetGlyphBitmap(source.GetChar(k), 0, box, &raw);
    std::unique_ptr<GByteBuffer> image(raw);
    // The face's rows are padded to 32 bits; the printer reads rows padded
    // to whole bytes. An image shorter than its box claims is not sent.
    const uint32_t width = box[2] > 0 ? static_cast<uint32_t>(box[2]) : 0;
    const uint32_t rows = box[3] > 0 ? static_cast<uint32_t>(box[3]) : 0;
    const uint32_t faceRow = (width + 31) / 32 * 4;
    const uint32_t printerRow = (width + 7) / 8;
    const uint32_t have = image != nullptr && image->GetData() != nullptr ? std::min(size, image->GetLength()) : 0;
    const uint32_t length = printerRow * rows;
    if (length == 0 || length > 0xFFFF - 10 || static_cast<uint64_t>(faceRow) * rows > have) continue;
    std::vector<uint8_t> packed(length);
    for (uint32_t y = 0; y < rows; ++y)
      std::memcpy(packed.data() + y * printerRow, image->GetData() + y * faceRow, printerRow);
    if (!begun) {
      BeginChars(S(), record->GetName());
      begun = true;
    }
    std::vector<uint8_t> head{0, 0};
    for (int16_t v : box) PutU16(head, static_cast<uint16_t>(v));
    XLReadChar(S(), c, length + 10);
    XLWriteEmbeddedLength(S(), length + 10);
    XLWriteRawBytes(S(), head.data(), static_cast<uint32_t>(head.size()));
    XLWriteRawBytes(S(), packed.data(), length);
    written += length + 10;
    record->AddSentCode(c);
  }
  if (begun) XLEndChar(S());
  record->ChargeMemory(written);
}
