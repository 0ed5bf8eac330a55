// GPcl5e soft fonts: a face that no printer font serves goes down as a PCL
// soft font, a TrueType face as a TrueType-based soft font (header format
// 15, or 16 with the text-and-font capability) whose glyphs follow one by
// one, a face with bitmaps only, or one whose TrueType header would not fit
// one header command, as a bitmap soft font (format 20, or 16 with a "BR"
// segment). The header goes down with the font's first use, each character
// with the first text that uses it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTextString.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPcl5eDownloadRecord.h"

namespace {

constexpr uint32_t Tag(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8 | static_cast<uint8_t>(d);
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value >> 8);
  out[at + 1] = static_cast<uint8_t>(value);
}

void Append16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void Append32(std::vector<uint8_t>& out, uint32_t value) {
  Append16(out, value >> 16);
  Append16(out, value & 0xFFFF);
}

uint16_t Read16(const GByteBuffer* table, uint32_t at) {
  uint16_t value = 0;
  if (table != nullptr) GTTReadU16(table->GetData(), table->GetLength(), at, value);
  return value;
}

// The stroke weight byte of a font header for a weight class.
uint8_t StrokeWeight(uint16_t weight) {
  switch (weight) {
    case 100: return static_cast<uint8_t>(-5);
    case 200: return static_cast<uint8_t>(-4);
    case 300: return static_cast<uint8_t>(-3);
    case 600: return 1;
    case 700: return 3;
    case 800: return 4;
    case 900: return 5;
    default: return 0;
  }
}

// The face's TrueType reader, locked while the holder lives.
class ReaderAccess {
 public:
  explicit ReaderAccess(GFontFaceHandle* face) : reader_(face != nullptr ? face->GetTrueTypeReader(&source_) : nullptr) {
    if (reader_ != nullptr) reader_->Lock();
  }
  ~ReaderAccess() {
    if (reader_ != nullptr) reader_->Unlock();
  }
  ReaderAccess(const ReaderAccess&) = delete;
  ReaderAccess& operator=(const ReaderAccess&) = delete;

  explicit operator bool() const { return reader_ != nullptr; }
  uint32_t Length(uint32_t tag) { return reader_ != nullptr ? reader_->GetTableLength(source_, tag) : 0; }
  // The whole table, or null.
  std::unique_ptr<GByteBuffer> Table(uint32_t tag) {
    std::unique_ptr<GByteBuffer> out;
    const uint32_t length = Length(tag);
    if (length == 0 || reader_->ReadTable(source_, tag, out, length) != length || out == nullptr ||
        out->GetLength() < length)
      out.reset();
    return out;
  }
  uint32_t GlyphData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) {
    out.reset();
    return reader_ != nullptr ? reader_->GetGlyphData(source_, 0, glyph, out) : 0;
  }
  uint16_t GlyphIndex(uint16_t code, int32_t encoding) {
    return reader_ != nullptr ? reader_->GetGlyphIndex(source_, 0, code, encoding) : 0;
  }
  uint16_t Advance(uint16_t glyph) {
    uint16_t advance = 0;
    int16_t bearing = 0;
    if (reader_ == nullptr || !reader_->GetHorizontalMetrics(source_, glyph, &advance, &bearing)) return 0;
    return advance;
  }

 private:
  uint32_t source_ = 0;
  GTTFontReader* reader_;
};

}  // namespace

uint8_t GPcl5e::ComputeChecksum(const uint8_t* bytes, size_t count) {
  uint32_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum += bytes[i];
  return static_cast<uint8_t>((256 - sum % 256) % 256);
}

void GPcl5e::ReleaseUntilAvailable(uint64_t needed) {
  GDownloadCache* cache = GetDownloadCache();
  while (cache != nullptr && budget_.GetAvailable() < needed) {
    if (cache->ReleaseOne() == 0) break;
  }
}

GPcl5eDownloadHandle* GPcl5e::NewRecord(GFontFaceHandle* face, const char* kindTag, int32_t kind,
                                        int32_t glyphEncoding) {
  auto* record = new GPcl5eDownloadHandle(this);
  const RWCString& faceName = face->GetName();
  const std::string name = std::to_string(fontCounter_++) + kindTag + std::string(faceName.Data(), faceName.Length());
  record->SetName(RWCString(name.c_str()));
  record->SetKind(kind);
  record->SetGlyphEncoding(glyphEncoding);
  face->SetDownloadInfo(record);
  return record;
}

GPcl5eDownloadHandle* GPcl5e::CreateSoftFontRecord(GFontFaceHandle* face, int32_t glyphEncoding, bool bitmapsOnly) {
  if (face == nullptr) return nullptr;
  const int32_t kind = face->GetFaceKind();
  GPcl5eDownloadHandle* record = nullptr;
  bool tooLarge = false;
  if ((kind & 2) != 0 && !bitmapsOnly) {
    std::vector<uint8_t> header;
    const bool built = BuildTrueTypeHeader(face, 0, header, tooLarge);
    // A header that one command cannot carry makes a bitmap soft font of
    // the face instead; the printer would drop a longer one.
    if (built || !tooLarge || (kind & 1) == 0) {
      record = NewRecord(face, "TT", GDownloadRecord::kOutlineFont, glyphEncoding);
      if (SendTrueTypeFontHeader(face, record) != 0) {
        SendInitialTrueTypeCharacters(face, record);
      } else {
        record->SetCapacity(0);
        record->SetUseStamp(NextUseStamp());
      }
    }
  }
  if (record == nullptr) {
    record = NewRecord(face, "BM", GDownloadRecord::kBitmapFont, glyphEncoding);
    GScaledFont scaled(face, scaleX_, scaleY_);
    SendBitmapFontHeader(scaled, record, record->GetFontId());
  }
  if (GetDownloadCache() != nullptr)
    GetDownloadCache()->Add(face->GetMetrics(), face->GetDownloadExtras(), record->Clone());
  return record;
}

// ---- Bitmap soft fonts ----

int GPcl5e::SendBitmapFontHeader(GScaledFont& scaled, GPcl5eDownloadHandle* record, int32_t id) {
  const bool extended = (capabilities_ & kCapText) != 0;
  uint32_t n = static_cast<uint32_t>(std::max(0, scaled.GetLastChar() - scaled.GetFirstChar() + 1));
  n = std::min<uint32_t>(n, 1024);
  record->SetCapacity(static_cast<uint16_t>(n));
  const uint32_t pages = n > 255 ? (n + 255) / 256 : 1;
  const uint32_t extra = n > 255 ? 1 : 0;
  const uint32_t estimate = (budget_.GetOverheadKB() + pages + extra) * 1024;
  ReleaseUntilAvailable(uint64_t{estimate} + 658);

  const GFontMetrics metrics = scaled.GetMetrics();
  std::vector<uint8_t> h(extended ? 90 : 68, 0);
  Put16(h, 0, extended ? 72 : 68);
  h[2] = extended ? 16 : 20;
  h[3] = extended ? 3 : 2;
  Put16(h, 6, static_cast<uint16_t>(metrics.baseline));
  Put16(h, 8, static_cast<uint16_t>(metrics.cellWidth));
  Put16(h, 10, static_cast<uint16_t>(metrics.height + metrics.descent));
  h[13] = 1;
  Put16(h, 14, 21);
  Put16(h, 16, 108);
  const int vertical = metrics.verticalResolution > 0 ? metrics.verticalResolution : 600;
  const int points = (metrics.height * 72 + 72) / vertical;
  Put16(h, 18, static_cast<uint16_t>(points * 1200 / 72));
  h[24] = StrokeWeight(metrics.weight);
  h[25] = static_cast<uint8_t>(id);
  h[26] = 0xF0;
  h[28] = 2;
  h[30] = static_cast<uint8_t>(-7);
  Put16(h, 38, extended ? 65535 : 255);
  const RWCString& name = scaled.GetName();
  std::memcpy(h.data() + 48, name.Data(), std::min<size_t>(name.Length(), 16));
  if (extended) {
    h[70] = 254;
    const uint8_t segment[] = {'B', 'R', 0, 0, 0, 4};
    std::memcpy(h.data() + 72, segment, sizeof segment);
    Put16(h, 78, static_cast<uint16_t>(metrics.horizontalResolution));
    Put16(h, 80, static_cast<uint16_t>(metrics.verticalResolution));
    const uint8_t null[] = {0xFF, 0xFF, 0, 0, 0, 0};
    std::memcpy(h.data() + 82, null, sizeof null);
    h[89] = ComputeChecksum(h.data() + 64, 25);
  } else {
    Put16(h, 64, static_cast<uint16_t>(metrics.horizontalResolution));
    Put16(h, 66, static_cast<uint16_t>(metrics.verticalResolution));
  }
  EnterPclMode(0, false);
  Emit("#1B*c%fA%A0D", id);
  Emit("#1B)s%fA%A0W", static_cast<int32_t>(h.size()));
  EmitRaw(h.data(), static_cast<int32_t>(h.size()));
  record->ChargeMemory(static_cast<uint32_t>(h.size()) + estimate + 650);
  record->SetUseStamp(NextUseStamp());
  return 1;
}

void GPcl5e::AddBitmapCharacters(GScaledFont& scaled, GPcl5eDownloadHandle* record, const GTextString& text,
                                 const GTextString& codes) {
  const uint32_t length = std::min(text.GetLength(), codes.GetLength());
  uint32_t fresh = 0;
  for (uint32_t k = 0; k < length; ++k) fresh += record->HasSentCode(codes.GetChar(k)) ? 0 : 1;
  if (fresh == 0) return;
  if (record->GetGlyphCount() + fresh > record->GetCapacity()) {
    record->Release();
    fresh = length;
  }
  const int32_t height = std::max<int32_t>(scaled.GetHeight(), 0);
  ReleaseUntilAvailable(uint64_t{fresh} * static_cast<uint64_t>(height / 8) * static_cast<uint64_t>(height));
  if (record->GetMemory() == 0) SendBitmapFontHeader(scaled, record, record->GetFontId());

  int32_t assigned = 0;
  uint32_t total = 0;
  for (uint32_t k = 0; k < length; ++k) {
    const uint16_t c = codes.GetChar(k);
    if (record->HasSentCode(c)) continue;
    uint16_t inFont = c;
    const int32_t id = BitmapFontIdOf(record, c, &inFont);
    if (inFont != c && record->IsBlockMarked(c) == 0) {
      SendBitmapFontHeader(scaled, record, id);
      record->MarkBlock(c);
      assigned = id;
    }
    if (id != assigned) {
      EnterPclMode(0, false);
      Emit("#1B*c%fA%A0D", id);
      assigned = id;
    }
    record->AddGlyphCount(1);
    int16_t box[4] = {0, 0, 0, 0};
    GByteBuffer* raw = nullptr;
    const uint32_t size = scaled.GetGlyphBitmap(text.GetChar(k), 0, box, &raw);
    const std::unique_ptr<GByteBuffer> image(raw);
    if (size == 0 || image == nullptr || image->GetLength() < size || box[2] <= 0 || box[3] <= 0) continue;
    // Rows are padded to 32 bits: the character is as wide as its rows.
    const uint32_t rowBytes = size / static_cast<uint32_t>(box[3]);
    if (rowBytes == 0 || rowBytes * 8 > 32767) continue;
    uint8_t descriptor[16] = {4, 0, 14, 1, 0, 0};
    const auto put = [&descriptor](int at, int32_t value) {
      descriptor[at] = static_cast<uint8_t>(value >> 8);
      descriptor[at + 1] = static_cast<uint8_t>(value);
    };
    put(6, box[0]);
    put(8, box[1]);
    put(10, static_cast<int32_t>(rowBytes * 8));
    put(12, box[3]);
    put(14, 4 * box[2]);
    Emit("#1B*c%fA%A0E", inFont);
    const uint32_t t = 16 + size;
    const uint8_t* bytes = image->GetData();
    if (t < 32768) {
      Emit("#1B(s%fA%A0W", static_cast<int32_t>(t));
      EmitRaw(descriptor, 16);
      EmitRaw(bytes, static_cast<int32_t>(size));
    } else {
      Emit("#1B(s%fA%A0W", 16400);
      EmitRaw(descriptor, 16);
      EmitRaw(bytes, 16384);
      const uint8_t continuation[2] = {4, 1};
      for (uint32_t at = 16384; at < size;) {
        const uint32_t r = std::min<uint32_t>(size - at, 16400);
        Emit("#1B(s%fA%A0W", static_cast<int32_t>(r + 2));
        EmitRaw(continuation, 2);
        EmitRaw(bytes + at, static_cast<int32_t>(r));
        at += r;
      }
    }
    record->AddSentCode(c);
    total += t;
  }
  record->ChargeMemory(total);
}

int32_t GPcl5e::BitmapFontIdOf(GPcl5eDownloadHandle* record, uint16_t code, uint16_t* inFont) {
  // A header holds codes 0 to 255 without the text-and-font capability:
  // each further block of 256 codes is a soft font of its own, whose header
  // goes down with its first character.
  const bool ownBlock = (capabilities_ & kCapText) == 0 && code > 255;
  *inFont = ownBlock ? static_cast<uint16_t>(code & 0xFF) : code;
  return ownBlock ? record->GetBlockFontId(code) : record->GetFontId();
}

// ---- TrueType soft fonts ----

bool GPcl5e::BuildTrueTypeHeader(GFontFaceHandle* face, int32_t id, std::vector<uint8_t>& h, bool& tooLarge) {
  tooLarge = false;
  h.clear();
  ReaderAccess reader(face);
  if (!reader) return false;
  const uint32_t kHead = Tag('h', 'e', 'a', 'd'), kHhea = Tag('h', 'h', 'e', 'a'), kHmtx = Tag('h', 'm', 't', 'x'),
                 kMaxp = Tag('m', 'a', 'x', 'p');
  for (uint32_t tag : {kHead, kHhea, kHmtx, kMaxp})
    if (reader.Length(tag) == 0) return false;
  const bool extended = (capabilities_ & kCapText) != 0;

  // The tables of the "GT" segment, in their order; gdir has no bytes.
  struct Entry {
    uint32_t tag;
    std::unique_ptr<GByteBuffer> bytes;
  };
  std::vector<Entry> tables;
  uint64_t dataSize = 0;
  for (uint32_t tag : {Tag('c', 'v', 't', ' '), Tag('f', 'p', 'g', 'm'), Tag('g', 'd', 'i', 'r'), kHead, kHhea, kHmtx,
                       kMaxp, Tag('p', 'r', 'e', 'p'), Tag('v', 'm', 't', 'x'), Tag('v', 'h', 'e', 'a')}) {
    if (tag == Tag('g', 'd', 'i', 'r')) {
      tables.push_back({tag, nullptr});
      continue;
    }
    const uint32_t length = reader.Length(tag);
    if (length == 0) continue;
    // A table longer than a header can be makes the header too large
    // without reading it.
    if (length > kMaxFontHeader) {
      tooLarge = true;
      return false;
    }
    std::unique_ptr<GByteBuffer> bytes = reader.Table(tag);
    if (bytes == nullptr) {
      if (tag == kHead || tag == kHhea || tag == kHmtx || tag == kMaxp) return false;
      continue;
    }
    dataSize += (uint64_t{bytes->GetLength()} + 3) / 4 * 4;
    tables.push_back({tag, std::move(bytes)});
  }
  const uint32_t numTables = static_cast<uint32_t>(tables.size());
  const uint64_t gtSize = 12 + 16ull * numTables + dataSize;
  const std::unique_ptr<GByteBuffer> os2 = reader.Table(Tag('O', 'S', '/', '2'));
  const bool panose = os2 != nullptr && os2->GetLength() >= 42;
  const uint32_t sizeBytes = extended ? 4 : 2;
  uint64_t length = 72;
  if (extended) length += 3 * (2 + sizeBytes) + 8 + 8 + 12;
  if (panose) length += 2 + sizeBytes + 10;
  length += 2 + sizeBytes + gtSize;
  length += 2 + sizeBytes + 2;
  if (length > kMaxFontHeader) {
    tooLarge = true;
    return false;
  }

  const std::unique_ptr<GByteBuffer> head = reader.Table(kHead);
  const std::unique_ptr<GByteBuffer> pclt = reader.Table(Tag('P', 'C', 'L', 'T'));
  const GFontMetrics& metrics = face->GetMetrics();
  h.assign(72, 0);
  Put16(h, 0, 72);
  h[2] = extended ? 16 : 15;
  h[3] = extended ? 3 : 2;
  h[4] = 3;
  Put16(h, 8, static_cast<uint16_t>(static_cast<int16_t>(Read16(head.get(), 40)) -
                                    static_cast<int16_t>(Read16(head.get(), 36))));
  Put16(h, 10, static_cast<uint16_t>(static_cast<int16_t>(Read16(head.get(), 42)) -
                                     static_cast<int16_t>(Read16(head.get(), 38))));
  h[13] = 1;
  h[14] = 0x02;
  h[15] = 0x01;
  uint16_t pitch = Read16(pclt.get(), 8);
  if (pclt == nullptr) pitch = reader.Advance(reader.GlyphIndex(32, metrics.metricInt4 != 0 ? metrics.metricInt4 : 16));
  Put16(h, 16, pitch);
  Put16(h, 20, Read16(pclt.get(), 10));
  h[23] = 0xE0;
  h[24] = StrokeWeight(metrics.weight);
  h[25] = static_cast<uint8_t>(id);
  h[26] = 0xF0;
  h[28] = 2;
  Put16(h, 38, extended ? 65535 : 255);
  Put16(h, 42, Read16(pclt.get(), 16));
  std::memcpy(h.data() + 48, metrics.name.Data(), std::min<size_t>(metrics.name.Length(), 16));
  Put16(h, 64, Read16(head.get(), 18));
  h[70] = 1;

  const auto segment = [&h, extended](char a, char b, uint32_t size) {
    h.push_back(static_cast<uint8_t>(a));
    h.push_back(static_cast<uint8_t>(b));
    if (extended)
      Append32(h, size);
    else
      Append16(h, size);
  };
  if (extended) {
    segment('C', 'E', 8);
    h.insert(h.end(), {0, 0, 0, 2, 0xFF, 0xFF, 0, 0});
    segment('C', 'C', 8);
    h.insert(h.end(), {0, 0, 0xFF, 0xFE, 0, 0, 0xFF, 0xFE});
    segment('G', 'C', 12);
    h.insert(h.end(), {0, 0, 0xFF, 0xFF, 0, 1, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF});
  }
  if (panose) {
    segment('P', 'A', 10);
    h.insert(h.end(), os2->GetData() + 32, os2->GetData() + 42);
  }
  segment('G', 'T', static_cast<uint32_t>(gtSize));
  const size_t gt = h.size();
  Append32(h, 0x00010000);
  Append16(h, numTables);
  uint32_t power = 1, selector = 0;
  while (power * 2 <= numTables) {
    power *= 2;
    ++selector;
  }
  Append16(h, power * 16);
  Append16(h, selector);
  Append16(h, numTables * 16 - power * 16);
  uint32_t offset = 12 + 16 * numTables;
  for (const Entry& entry : tables) {
    Append32(h, entry.tag);
    if (entry.bytes == nullptr) {
      Append32(h, 0);
      Append32(h, 0);
      Append32(h, 0);
      continue;
    }
    const uint32_t n = entry.bytes->GetLength();
    const uint32_t padded = (n + 3) / 4 * 4;
    uint32_t sum = 0;
    for (uint32_t at = 0; at < padded; at += 4) {
      uint32_t word = 0;
      for (uint32_t b = 0; b < 4; ++b) word = word << 8 | (at + b < n ? entry.bytes->GetData()[at + b] : 0);
      sum += word;
    }
    Append32(h, sum);
    Append32(h, offset);
    Append32(h, n);
    offset += padded;
  }
  for (const Entry& entry : tables) {
    if (entry.bytes == nullptr) continue;
    const uint32_t n = entry.bytes->GetLength();
    h.insert(h.end(), entry.bytes->GetData(), entry.bytes->GetData() + n);
    h.insert(h.end(), (n + 3) / 4 * 4 - n, 0);
  }
  static_cast<void>(gt);
  h.insert(h.end(), {0xFF, 0xFF});
  if (extended) h.insert(h.end(), {0, 0});
  h.insert(h.end(), {0, 0});
  h.push_back(0);
  h.push_back(ComputeChecksum(h.data() + 64, h.size() - 64));
  return h.size() == length;
}

int GPcl5e::SendTrueTypeFontHeader(GFontFaceHandle* face, GPcl5eDownloadHandle* record) {
  std::vector<uint8_t> header;
  bool tooLarge = false;
  const int32_t id = record->GetFontId();
  if (!BuildTrueTypeHeader(face, id, header, tooLarge)) return 0;
  ReleaseUntilAvailable(2ull * header.size() + 6);
  EnterPclMode(0, false);
  Emit("#1B*c%fA%A0D", id);
  Emit("#1B)s%fA%A0W", static_cast<int32_t>(header.size()));
  EmitRaw(header.data(), static_cast<int32_t>(header.size()));
  record->ChargeMemory(static_cast<uint32_t>(2 * header.size()));
  record->SetUseStamp(NextUseStamp());
  return 1;
}

void GPcl5e::SendInitialTrueTypeCharacters(GFontFaceHandle* face, GPcl5eDownloadHandle* record) {
  uint32_t total = 0;
  if ((capabilities_ & kCapText) != 0) {
    EnterPclMode(0, false);
    Emit("#1B*c%fA%A0D", record->GetFontId());
    record->AddSentCode(65535);
    total += SendTrueTypeGlyph(face, record, 0, 65535, 0);
  }
  if (face->GetMetrics().metricInt4 == textenc::kShiftJis) {
    const int32_t g = record->GetGlyphEncoding();
    uint16_t code = 0;
    int32_t encoding = 0;
    if (g == textenc::kShiftJis || g == textenc::kGlyphCode) {
      code = 165;
      encoding = textenc::kShiftJis;
    } else if (g == textenc::kUnicode) {
      code = 0xFF65;
      encoding = textenc::kUnicode;
    }
    if (code != 0) {
      record->AddSentCode(code);
      uint16_t glyph = 0;
      {
        ReaderAccess reader(face);
        glyph = reader.GlyphIndex(code, encoding);
      }
      if (glyph != 0) {
        total += SendTrueTypeGlyph(face, record, glyph, code, 0);
        record->AddGlyphCount(1);
      }
    }
  }
  record->ChargeMemory(total);
}

void GPcl5e::AddTrueTypeCharacters(GFontFaceHandle* face, GPcl5eDownloadHandle* record, const GTextString& text,
                                   const GTextString& codes) {
  const uint32_t length = std::min(text.GetLength(), codes.GetLength());
  uint32_t fresh = 0;
  for (uint32_t k = 0; k < length; ++k) fresh += record->HasSentCode(codes.GetChar(k)) ? 0 : 1;
  if (fresh == 0 || record->GetCapacity() == 0) return;
  if (record->GetGlyphCount() + fresh > record->GetCapacity()) {
    record->Release();
    fresh = length;
  }
  ReleaseUntilAvailable(250ull * fresh);
  if (record->GetMemory() == 0) SendTrueTypeFontHeader(face, record);
  const bool extended = (capabilities_ & kCapText) != 0;
  uint32_t total = 0;
  bool first = true;
  for (uint32_t k = 0; k < length; ++k) {
    const uint16_t h = codes.GetChar(k);
    if (record->HasSentCode(h)) continue;
    record->AddGlyphCount(1);
    record->AddSentCode(h);
    uint16_t glyph = 0;
    {
      ReaderAccess reader(face);
      glyph = reader.GlyphIndex(text.GetChar(k), text.GetEncoding());
    }
    if (glyph == 0 && extended) continue;
    if (first) {
      EnterPclMode(0, false);
      Emit("#1B*c%fA%A0D", record->GetFontId());
      first = false;
    }
    total += SendTrueTypeGlyph(face, record, glyph, h, 0);
  }
  record->ChargeMemory(total);
}

uint32_t GPcl5e::SendTrueTypeGlyph(GFontFaceHandle* face, GPcl5eDownloadHandle* record, uint16_t glyph, uint16_t code,
                                   int depth) {
  record->AddSentCode(glyph + 65536u);
  std::unique_ptr<GByteBuffer> data;
  uint32_t n = 0;
  {
    ReaderAccess reader(face);
    n = reader.GlyphData(glyph, data);
  }
  // The data size field is 16-bit and the block must fit one command.
  if (data == nullptr || data->GetLength() < n || n + 10 > kMaxFontHeader) n = 0;
  std::vector<uint8_t> character{15, 0, 2, 15};
  Append16(character, n + 4);
  Append16(character, glyph);
  if (n != 0) character.insert(character.end(), data->GetData(), data->GetData() + n);
  character.push_back(0);
  character.push_back(ComputeChecksum(character.data() + 4, character.size() - 4));
  Emit("#1B*c%fA%A0E", code);
  Emit("#1B(s%fA%A0W", static_cast<int32_t>(character.size()));
  EmitRaw(character.data(), static_cast<int32_t>(character.size()));
  uint32_t written = n;
  if (n >= 10 && static_cast<int16_t>(Read16(data.get(), 0)) < 0 && depth < GTTFontReader::kMaxComponentDepth) {
    // A composite: its components go down as characters of the reserved
    // code, each once per font. The walk stops at the glyph's end.
    GTTFontReader::ForEachComponent(data->GetData(), n, [&](uint16_t component) {
      if (!record->HasSentCode(component + 65536u)) written += SendTrueTypeGlyph(face, record, component, 65535, depth + 1);
      return true;
    });
  }
  return written + 10;
}

void GPcl5e::DeleteSoftFont(int32_t id) {
  EnterPclMode(0, false);
  Emit("#1B*c%fA%A0d2F", id);
  if (id == fontId_) {
    fontSelection_ = "No Font";
    fontId_ = 0;
  }
  primaryFontId_ = -1;
}

int16_t GPcl5e::RemoveDownloadedFont(const RWCString& fontName) {
  char* end = nullptr;
  const long id = std::strtol(fontName.Data(), &end, 10);
  if (end == fontName.Data() || *end != '\0' || id <= 0 || id > GPcl5eDownloadRecord::kLastFontId) return 0;
  DeleteSoftFont(static_cast<int32_t>(id));
  return 0;
}
