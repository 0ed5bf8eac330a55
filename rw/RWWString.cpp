#include "rw/RWWString.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <memory>
#include <ostream>

#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWError.h"
#include "rw/RWGrowCapacity.h"
#include "rw/RWVirtualStream.h"
#include "win32/CRuntime.h"

namespace {

// The multibyte conversion works in a local area for texts below this many
// bytes and in a heap area of count + 1 characters otherwise.
constexpr size_t kLocalWorkArea = 64;

uint32_t WideRotl5(uint32_t h) { return (h << 5) | (h >> 27); }

size_t TextLength(const WCHAR* text) { return RWWStringTraits::TextLength(text); }

}  // namespace

// ---- What the shared block machinery uses ----

size_t RWWStringTraits::TextLength(const WCHAR* text) { return text ? crt::wcslen(text) : 0; }
WCHAR RWWStringTraits::Lower(WCHAR c) { return crt::towlower(c); }
WCHAR RWWStringTraits::Upper(WCHAR c) { return crt::towupper(c); }
const WCHAR* RWWStringTraits::FindFirst(const WCHAR* text, WCHAR c) { return crt::wcschr(text, c); }
const WCHAR* RWWStringTraits::FindLast(const WCHAR* text, WCHAR c) { return crt::wcsrchr(text, c); }
const WCHAR* RWWStringTraits::FindAnyOf(const WCHAR* text, const WCHAR* set) { return crt::wcspbrk(text, set); }

// ---- Construction from narrow text ----

WCHAR* RWWString::Widen(const char* chars, size_t count) {
  if (!chars) count = 0;
  WCHAR* data = NewBlock(count, count);
  for (size_t i = 0; i < count; ++i) data[i] = static_cast<unsigned char>(chars[i]);
  return data;
}

WCHAR* RWWString::FromMultibyte(const char* chars, size_t count) {
  if (!chars) count = 0;
  // The work area holds one 16-bit character per byte and the terminator's
  // room: no code page gives more characters than bytes.
  WCHAR local[kLocalWorkArea];
  std::unique_ptr<WCHAR[]> heap;
  WCHAR* work = local;
  size_t room = kLocalWorkArea;
  if (count >= kLocalWorkArea) {
    room = AddLengths(count, 1);
    heap.reset(new WCHAR[room]);
    work = heap.get();
  }
  // Bounded by the bytes read, not by the characters written: a count below
  // the text's length stops the conversion there.
  size_t m = count ? crt::mbstowcs_n(work, room, chars, count) : 0;
  if (m == static_cast<size_t>(-1)) m = 0;  // not a valid multibyte text
  WCHAR* data = NewBlock(m, m);
  if (m) std::memcpy(data, work, m * sizeof(WCHAR));
  return data;
}

RWWString::RWWString(const char* text) : RWStringBlock(AdoptBlock(), Widen(text, text ? std::strlen(text) : 0)) {}
RWWString::RWWString(const char* chars, size_t count) : RWStringBlock(AdoptBlock(), Widen(chars, count)) {}
RWWString::RWWString(char c) : RWStringBlock(AdoptBlock(), Widen(&c, 1)) {}
RWWString::RWWString(const RWCString& s) : RWStringBlock(AdoptBlock(), Widen(s.Data(), s.Length())) {}

RWWString::RWWString(const char* text, RWMultibyteTag)
    : RWStringBlock(AdoptBlock(), FromMultibyte(text, text ? std::strlen(text) : 0)) {}
RWWString::RWWString(const char* chars, size_t count, RWMultibyteTag)
    : RWStringBlock(AdoptBlock(), FromMultibyte(chars, count)) {}
RWWString::RWWString(const RWCString& s, RWMultibyteTag)
    : RWStringBlock(AdoptBlock(), FromMultibyte(s.Data(), s.Length())) {}

bool operator==(const RWWString& a, const RWWString& b) {
  const size_t n = a.Length();
  return n == b.Length() && (n == 0 || std::memcmp(a.Data(), b.Data(), n * sizeof(WCHAR)) == 0);
}

bool operator==(const RWWString& a, const WCHAR* b) { return RWWString::EqualsText(a, b); }

// ---- Reading and searching ----

size_t RWWString::FindPatternText(const WCHAR* pattern, size_t start, int ignoreCase) const {
  return FindPattern(pattern, TextLength(pattern), start, ignoreCase);
}

bool RWWString::Contains(const WCHAR* pattern, int ignoreCase) const {
  return FindPattern(pattern, TextLength(pattern), 0, ignoreCase) != RW_NPOS;
}

int RWWString::Compare(const RWWString& other, int ignoreCase) const {
  size_t mine = Length(), theirs = other.Length();
  size_t n = std::min(mine, theirs);
  for (size_t i = 0; i < n; ++i) {
    WCHAR a = data_[i], b = other.data_[i];
    if (a == b) continue;
    if (ignoreCase) {
      a = crt::towlower(a);
      b = crt::towlower(b);
      if (a != b) return a > b ? 1 : -1;
      continue;
    }
    // The byte images are compared as memcmp would: low byte first.
    int lowA = a & 0xFF, lowB = b & 0xFF;
    if (lowA != lowB) return lowA - lowB;
    return (a >> 8) - (b >> 8);
  }
  return mine == theirs ? 0 : (mine > theirs ? 1 : -1);
}

int RWWString::CompareText(const WCHAR* text, int ignoreCase) const {
  size_t length = Length();
  size_t i = 0;
  for (; text[i]; ++i) {
    if (i >= length) return -1;
    WCHAR a = ignoreCase ? crt::towlower(data_[i]) : data_[i];
    WCHAR b = ignoreCase ? crt::towlower(text[i]) : text[i];
    if (a != b) return a > b ? 1 : -1;
  }
  return i < length ? 1 : 0;
}

uint32_t RWWString::Hash() const {
  size_t length = Length();
  uint32_t h = static_cast<uint32_t>(length);
  // Pairs of characters as little-endian 32-bit words, the first in the low half.
  size_t words = length / 2;
  for (size_t w = 0; w < words; ++w)
    h = WideRotl5(h) ^ (uint32_t(data_[2 * w]) | uint32_t(data_[2 * w + 1]) << 16);
  if (length % 2) h = WideRotl5(h) ^ uint32_t(data_[length - 1]);
  return h;
}

int RWWString::Collate(const WCHAR* text) const { return crt::wcscoll(data_, text); }

RWWString RWWString::CollationKey(const RWWString& s) {
  size_t k = AddLengths(crt::wcsxfrm(nullptr, s.data_, 0), 1);
  RWWString key(WCHAR(0), k);
  size_t n = crt::wcsxfrm(key.data_, s.data_, k);
  if (n < k) return key;
  return RWWString();
}

// ---- Conversion to narrow text ----

RWCString RWWString::ToMultibyte() const {
  size_t size = AddLengths(Length() * static_cast<size_t>(std::max(crt::mb_cur_max(), 1)), 1);
  std::unique_ptr<char[]> buffer(new char[size]);
  size_t n = crt::wcstombs(buffer.get(), data_, size);
  buffer[n < size ? n : 0] = 0;  // (size_t)-1: no multibyte form, an empty text
  return RWCString(buffer.get());
}

RWCString RWWString::NarrowAscii() const {
  size_t length = Length();
  std::unique_ptr<char[]> buffer(new char[length + 1]);
  for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<char>(data_[i] & 0xFF);
  return RWCString(buffer.get(), length);
}

// ---- Writing ----

RWWString& RWWString::AppendText(const WCHAR* text) { return ReplaceRange(Length(), 0, text, TextLength(text)); }

RWWString& RWWString::PrependText(const WCHAR* text) { return ReplaceRange(0, 0, text, TextLength(text)); }

RWWString& RWWString::InsertText(size_t position, const WCHAR* text) {
  return ReplaceRange(position, 0, text, TextLength(text));
}

RWWString& RWWString::ReplaceText(size_t position, size_t extent, const WCHAR* text) {
  return ReplaceRange(std::min(position, Length()), extent, text, TextLength(text));
}

// ---- Case-insensitive comparison of wide C texts ----

int RWWideCompareFoldCase(const WCHAR* a, const WCHAR* b) {
  for (; *a && *b; ++a, ++b) {
    WCHAR ua = crt::towupper(*a), ub = crt::towupper(*b);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return 0;
}

int RWWideCompareFoldCaseN(const WCHAR* a, const WCHAR* b, size_t n) {
  for (size_t i = 0; i < n && a[i] && b[i]; ++i) {
    WCHAR ua = crt::towupper(a[i]), ub = crt::towupper(b[i]);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return 0;
}

// ---- RWWSubString ----

bool RWWSubString::CheckIndex(size_t i) const {
  if (i < extent_) return true;
  RWMessageText text(RWToolsMsg_INDEX(), static_cast<unsigned>(std::min(i, RW_NPOS)),
                     static_cast<unsigned>(extent_));
  RWRaiseIndexError(RWIndexError(text));
  return false;
}

WCHAR& RWWSubString::CharAt(size_t i) {
  if (!CheckIndex(i) || !InRange()) return Dummy();
  return CharAtUnchecked(i);
}

// ---- Persistence ----

bool RWWString::SaveToFile(RWBinaryFile& file) const {
  const size_t length = Length();
  if (!file.WriteUInt(static_cast<uint32_t>(length))) return false;
  int16_t chunk[kChunk];
  for (size_t done = 0; done < length;) {
    const size_t now = std::min(length - done, kChunk);
    for (size_t i = 0; i < now; ++i) chunk[i] = static_cast<int16_t>(data_[done + i]);
    if (!file.WriteShorts(chunk, now)) return false;
    done += now;
  }
  return true;
}

void RWWString::SaveTo(RWVirtualOutStream& stream) const {
  const size_t length = Length();
  stream.PutUInt(static_cast<uint32_t>(length));
  uint16_t chunk[kChunk];
  for (size_t done = 0; done < length;) {
    const size_t now = std::min(length - done, kChunk);
    for (size_t i = 0; i < now; ++i) chunk[i] = data_[done + i];
    stream.PutUShorts(chunk, static_cast<unsigned>(now));
    done += now;
  }
}

bool RWWString::RestoreFromFile(RWBinaryFile& file) {
  uint32_t n;
  if (!file.ReadUInt(n)) return false;
  return RestoreInChunks(*this, n, [&file](WCHAR* chunk, size_t count) {
    int16_t stored[kChunk];
    if (!file.ReadShorts(stored, count)) return false;
    for (size_t i = 0; i < count; ++i) chunk[i] = static_cast<WCHAR>(static_cast<uint16_t>(stored[i]));
    return true;
  });
}

void RWWString::RestoreFrom(RWVirtualInStream& stream) {
  // A restore that does not complete leaves the stream failed as well as
  // the string unchanged: a text stream cut inside a number is only at its
  // end, yet what was read of the number is not the stored value.
  uint32_t n = 0;
  stream.GetUInt(n);
  const bool whole = stream.Good() && RestoreInChunks(*this, n, [&stream](WCHAR* chunk, size_t count) {
    uint16_t stored[kChunk];
    stream.GetUShorts(stored, static_cast<unsigned>(count));
    if (!stream.Good()) return false;
    for (size_t i = 0; i < count; ++i) chunk[i] = stored[i];
    return true;
  });
  if (!whole) stream.SetState(RW_STREAM_FAIL);
}

// ---- Text on the classic streams ----

namespace {

// One character: two bytes, low byte first. A stream whose state is not
// good gives nothing; fewer than two bytes set the fail bit.
bool GetWideChar(std::istream& stream, WCHAR& c) {
  if (!stream.good()) return false;
  std::streambuf* buffer = stream.rdbuf();
  if (!buffer) {
    stream.setstate(std::ios_base::badbit);
    return false;
  }
  char bytes[2];
  if (buffer->sgetn(bytes, 2) != 2) {
    stream.setstate(std::ios_base::failbit);
    return false;
  }
  c = static_cast<WCHAR>(static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8);
  return true;
}

// The first character that is not wide white space.
bool SkipWideWhite(std::istream& stream, WCHAR& c) {
  while (GetWideChar(stream, c))
    if (!crt::iswspace(c)) return true;
  return false;
}

bool PutWideChar(std::ostream& stream, WCHAR c) {
  if (!stream.good()) return false;
  const char bytes[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  if (stream.rdbuf()->sputn(bytes, 2) != 2) {
    stream.setstate(std::ios_base::failbit);
    return false;
  }
  return true;
}

// The line, string and whole-stream readers' growth: 16 characters below 16,
// else double.
size_t GrowDoubling(size_t capacity) {
  return RWGrowCapacity(static_cast<uint32_t>(capacity), sizeof(WCHAR));
}

}  // namespace

bool RWWString::AppendRead(WCHAR c, size_t (*grow)(size_t)) {
  const size_t length = Length();
  if (length == Capacity()) {
    const size_t capacity = grow(Capacity());
    if (capacity <= length) return false;
    SetCapacity(capacity);
  }
  data_[length] = c;
  data_[length + 1] = 0;
  Block()->length = static_cast<uint32_t>(length + 1);
  return true;
}

void RWWString::FinishRead() {
  data_[Length()] = 0;
  if (Capacity() - Length() > MaxWaste()) SetCapacity(RoundCapacity(Length()));
}

size_t RWWString::GrowByIncrement(size_t capacity) {
  const size_t increment = std::max<size_t>(ResizeIncrement(), 1);
  return capacity <= kMaxLength - increment ? capacity + increment : kMaxLength;
}

std::istream& RWWString::ReadToDelimiter(std::istream& stream, WCHAR delimiter, bool skipWhite) {
  ClearWithCapacity(15);
  WCHAR c = 0;
  bool got = skipWhite ? SkipWideWhite(stream, c) : GetWideChar(stream, c);
  while (got && c != delimiter) {
    if (!AppendRead(c, GrowDoubling)) {
      stream.setstate(std::ios_base::failbit);
      break;
    }
    got = GetWideChar(stream, c);
  }
  FinishRead();
  return stream;
}

std::istream& RWWString::ReadLine(std::istream& stream, bool skipWhite) {
  return ReadToDelimiter(stream, 0x000A, skipWhite);
}

std::istream& RWWString::ReadString(std::istream& stream) { return ReadToDelimiter(stream, 0, false); }

std::istream& RWWString::ReadToken(std::istream& stream) {
  ClearWithCapacity(15);
  WCHAR c = 0;
  bool got = SkipWideWhite(stream, c);
  const std::streamsize width = stream.width(0);
  const size_t limit = width > 0 ? static_cast<size_t>(width) : 0;
  while (got && !crt::iswspace(c)) {
    if (!AppendRead(c, GrowByIncrement)) {
      stream.setstate(std::ios_base::failbit);
      break;
    }
    if (limit && Length() >= limit) break;
    got = GetWideChar(stream, c);
  }
  FinishRead();
  return stream;
}

std::istream& RWWString::ReadAll(std::istream& stream) {
  ClearWithCapacity(15);
  WCHAR c = 0;
  while (GetWideChar(stream, c)) {
    if (!AppendRead(c, GrowDoubling)) {
      stream.setstate(std::ios_base::failbit);
      break;
    }
  }
  FinishRead();
  return stream;
}

std::ostream& RWWString::WriteTo(std::ostream& stream) const {
  const std::ostream::sentry ready(stream);
  if (!ready) return stream;
  const std::streamsize width = stream.width(0);
  const size_t length = Length();
  const size_t pad = width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
  const WCHAR fill = static_cast<WCHAR>(static_cast<int16_t>(static_cast<signed char>(stream.fill())));
  const bool left = (stream.flags() & std::ios_base::left) != 0;
  auto padding = [&] {
    for (size_t i = 0; i < pad && PutWideChar(stream, fill); ++i) {
    }
  };
  if (!left) padding();
  for (size_t i = 0; i < length && PutWideChar(stream, data_[i]); ++i) {
  }
  if (left) padding();
  return stream;
}
