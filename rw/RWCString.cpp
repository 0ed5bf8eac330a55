#include "rw/RWCString.h"

#include <algorithm>
#include <cstring>

#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"
#include "win32/CRuntime.h"

namespace {

uint32_t Rotl5(uint32_t h) { return (h << 5) | (h >> 27); }

// Case-folded characters compare as signed 8-bit values.
signed char LowerSigned(char c) { return static_cast<signed char>(RWCStringTraits::Lower(c)); }

}  // namespace

// ---- What the shared block machinery uses ----

size_t RWCStringTraits::TextLength(const char* text) { return text ? std::strlen(text) : 0; }
int RWCStringTraits::Lower(char c) { return crt::tolower(static_cast<unsigned char>(c)); }
int RWCStringTraits::Upper(char c) { return crt::toupper(static_cast<unsigned char>(c)); }
const char* RWCStringTraits::FindFirst(const char* text, char c) { return std::strchr(text, c); }
const char* RWCStringTraits::FindLast(const char* text, char c) { return std::strrchr(text, c); }
const char* RWCStringTraits::FindAnyOf(const char* text, const char* set) { return std::strpbrk(text, set); }

bool operator==(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && std::memcmp(a.Data(), b.Data(), a.Length()) == 0;
}

bool operator==(const RWCString& a, const char* b) { return RWCString::EqualsText(a, b); }

// ---- Comparing, hashing, collation ----

int RWCString::Compare(const RWCString& other, int ignoreCase) const {
  size_t mine = Length(), theirs = other.Length();
  size_t n = std::min(mine, theirs);
  if (!ignoreCase) {
    int r = n ? std::memcmp(data_, other.data_, n) : 0;
    if (r != 0) return r;
  } else {
    for (size_t i = 0; i < n; ++i) {
      signed char a = LowerSigned(data_[i]), b = LowerSigned(other.data_[i]);
      if (a != b) return a > b ? 1 : -1;
    }
  }
  return mine == theirs ? 0 : (mine > theirs ? 1 : -1);
}

int RWCString::CompareText(const char* text, int ignoreCase) const {
  size_t length = Length();
  size_t i = 0;
  for (; text[i]; ++i) {
    if (i >= length) return -1;
    signed char a = ignoreCase ? LowerSigned(data_[i]) : static_cast<signed char>(data_[i]);
    signed char b = ignoreCase ? LowerSigned(text[i]) : static_cast<signed char>(text[i]);
    if (a != b) return a > b ? 1 : -1;
  }
  return i < length ? 1 : 0;
}

uint32_t RWCString::Hash() const {
  size_t length = Length();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data_);
  uint32_t h = static_cast<uint32_t>(length);
  size_t words = length / 4;
  for (size_t w = 0; w < words; ++w, p += 4) {
    uint32_t word = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    h = Rotl5(h) ^ word;
  }
  size_t rest = length % 4;
  if (rest == 0) return h;
  uint32_t t = 0;
  for (size_t i = 0; i < rest; ++i) {
    // Each rest character is widened as a signed byte, so 0x80 and above set
    // every higher bit of the packed value.
    uint32_t c = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(p[i])));
    t = (t << 8) | c;
  }
  return Rotl5(h) ^ t;
}

size_t RWCString::MultibyteLength() const {
  size_t length = Length();
  crt::mblen(nullptr, 0);
  size_t max = static_cast<size_t>(std::max(crt::mb_cur_max(), 1));
  size_t count = 0, i = 0;
  while (i < length && data_[i] != 0) {
    // Never look past the text: a character cut off by its end is invalid.
    int n = crt::mblen(data_ + i, std::min(max, length - i));
    if (n <= 0) return RW_NPOS;
    ++count;
    i += static_cast<size_t>(n);
  }
  return i > length ? RW_NPOS : count;
}

int RWCString::Collate(const char* text) const { return crt::strcoll(data_, text); }

RWCString RWCString::CollationKey(const RWCString& s) {
  size_t k = AddLengths(crt::strxfrm(nullptr, s.data_, 0), 1);
  RWCString key('\0', k);
  size_t n = crt::strxfrm(key.data_, s.data_, k);
  if (n < k) return key;
  return RWCString();
}

// ---- RWCSubString ----

char& RWCSubString::CharAt(size_t i) {
  if (i >= extent_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(i, RW_NPOS)), extent_);
    return Dummy();
  }
  if (!InRange()) return Dummy();
  return CharAtUnchecked(i);
}

// ---- Persistence ----

bool RWCString::SaveToFile(RWBinaryFile& file) const {
  const uint32_t length = static_cast<uint32_t>(Length());
  if (!file.WriteUInt(length)) return false;
  return file.WriteChars(data_, length);
}

void RWCString::SaveTo(RWVirtualOutStream& stream) const {
  const unsigned length = static_cast<unsigned>(Length());
  stream.PutUInt(length);
  if (stream.StringForm())
    stream.PutString(data_, length);
  else
    stream.PutChars(data_, length);
}

bool RWCString::RestoreFromFile(RWBinaryFile& file) {
  uint32_t n;
  if (!file.ReadUInt(n)) return false;
  return RestoreInChunks(*this, n, [&file](char* chunk, size_t count) { return file.ReadChars(chunk, count); });
}

void RWCString::RestoreFrom(RWVirtualInStream& stream) {
  // A restore that does not complete leaves the stream failed as well as
  // the string unchanged: a text stream cut inside a number is only at its
  // end, yet what was read of the number is not the stored value.
  uint32_t n = 0;
  stream.GetUInt(n);
  if (!stream.Good()) {
    stream.SetState(RW_STREAM_FAIL);
    return;
  }
  if (!stream.StringForm()) {
    const bool whole = RestoreInChunks(*this, n, [&stream](char* chunk, size_t count) {
      stream.GetChars(chunk, static_cast<unsigned>(count));
      return stream.Good();
    });
    if (!whole) stream.SetState(RW_STREAM_FAIL);
    return;
  }
  // A stream string is read whole into a buffer of n + 1 characters, so n
  // must be believed before the characters arrive: beyond the limit it is
  // refused rather than trusted.
  if (n > kMaxStreamStringLength) {
    stream.SetState(RW_STREAM_FAIL);
    return;
  }
  RWCString fresh(static_cast<size_t>(n));
  char empty[1];
  char* buffer = n ? fresh.data_ : empty;
  // The reader writes its terminator right after the characters it stored:
  // a mark at index n that survives shows a stream string shorter than n.
  buffer[n] = 1;
  stream.GetString(buffer, n + 1);
  if (!stream.Good() || buffer[n] != '\0') {
    stream.SetState(RW_STREAM_FAIL);
    return;
  }
  if (n) fresh.Block()->length = n;
  *this = fresh;
}
