#include "rw/RWCString.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "rw/RWBinaryFile.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"
#include "win32/CRuntime.h"

namespace {

// The shared empty block: capacity 0, length 0, its count holding the block's
// own permanent hold, so that a release never finds it at 0 and frees it.
struct EmptyBlock {
  RWCStringBlock header;
  char text[4];
};
constinit EmptyBlock g_empty = {{0, 0, 0}, {0, 0, 0, 0}};

char* EmptyText() { return g_empty.text; }

// Every count change of the narrow string's blocks goes under this lock.
RWModuleLock g_lock;

// The capacity policy.
std::atomic<size_t> g_initialCapacity{15};
std::atomic<size_t> g_resizeIncrement{16};
std::atomic<size_t> g_maxWaste{15};

// Lengths and capacities are stored in 32 bits and RW_NPOS is never a
// length: a larger request cannot be represented in a block and fails as an
// allocation that cannot be satisfied, before anything is changed.
constexpr size_t kMaxLength = RW_NPOS - 1;

void CheckLength(size_t n) {
  if (n > kMaxLength) throw std::bad_alloc();
}

// a + b, failing as above when the sum is too long for a block.
size_t AddLengths(size_t a, size_t b) {
  if (b > kMaxLength || a > kMaxLength - b) throw std::bad_alloc();
  return a + b;
}

RWCStringBlock* BlockOf(char* data) { return reinterpret_cast<RWCStringBlock*>(data) - 1; }

uint32_t Rotl5(uint32_t h) { return (h << 5) | (h >> 27); }

int Lower(char c) { return crt::tolower(static_cast<unsigned char>(c)); }
int Upper(char c) { return crt::toupper(static_cast<unsigned char>(c)); }

// Case-folded characters compare as signed 8-bit values.
signed char LowerSigned(char c) { return static_cast<signed char>(Lower(c)); }

// True when [chars, chars + count) and [text, text + length) do not meet.
bool OutsideText(const char* chars, size_t count, const char* text, size_t length) {
  uintptr_t a = reinterpret_cast<uintptr_t>(chars);
  uintptr_t t = reinterpret_cast<uintptr_t>(text);
  return a + count <= t || a >= t + length;
}

// Written through by a caller of a failed checked access, never read.
thread_local char t_dummy;

char& Dummy() {
  t_dummy = 0;
  return t_dummy;
}

}  // namespace

// ---- Blocks ----

char* RWCString::NewBlock(size_t capacity, size_t length) {
  if (capacity == 0 && length == 0) {
    RWCountedRefIncrement(g_empty.header.refs, g_lock);
    return EmptyText();
  }
  CheckLength(capacity);
  void* memory = ::operator new(capacity + sizeof(RWCStringBlock) + 1);
  RWCStringBlock* block = new (memory) RWCStringBlock{0, static_cast<uint32_t>(capacity),
                                                      static_cast<uint32_t>(length)};
  block->Text()[length] = 0;
  return block->Text();
}

void RWCString::Release(char* data) {
  RWCStringBlock* block = BlockOf(data);
  if (RWCountedRefDecrement(block->refs, g_lock) == 0) {
    // The empty block never gets here: its permanent hold keeps it above 0.
    block->~RWCStringBlock();
    ::operator delete(block);
  }
}

bool RWCString::IsShared() const {
  uint32_t refs = std::atomic_ref<uint32_t>(Block()->refs).load(std::memory_order_acquire);
  return refs + 1u > 1u;
}

// ---- Capacity policy ----

size_t RWCString::RoundCapacity(size_t n) {
  size_t initial = g_initialCapacity.load(std::memory_order_relaxed);
  size_t increment = std::max<size_t>(g_resizeIncrement.load(std::memory_order_relaxed), 1);
  if (n <= initial) return initial;
  size_t steps = (n - initial) / increment + ((n - initial) % increment != 0);
  if (n > kMaxLength || steps > (kMaxLength - initial) / increment) {
    // Near the 32-bit limit the last step is cut to what a block can hold.
    return std::max(n, kMaxLength);
  }
  return initial + increment * steps;
}

size_t RWCString::SetInitialCapacity(size_t n) { return g_initialCapacity.exchange(n); }
size_t RWCString::SetResizeIncrement(size_t n) { return g_resizeIncrement.exchange(n); }
size_t RWCString::SetMaxWaste(size_t n) { return g_maxWaste.exchange(n); }

// ---- Construction, assignment, destruction ----

RWCString::RWCString() : data_(NewBlock(0, 0)) {}

RWCString::RWCString(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  data_ = NewBlock(n, n);
  std::memcpy(data_, text, n);
}

RWCString::RWCString(const char* chars, size_t count) {
  if (!chars) count = 0;
  data_ = NewBlock(count, count);
  if (count) std::memcpy(data_, chars, count);
}

RWCString::RWCString(char c) {
  data_ = NewBlock(std::max<size_t>(g_initialCapacity.load(std::memory_order_relaxed), 1), 1);
  data_[0] = c;
}

RWCString::RWCString(char c, size_t count) {
  data_ = NewBlock(count, count);
  if (count) std::memset(data_, c, count);
}

RWCString::RWCString(size_t capacity) : data_(NewBlock(capacity, 0)) {}

RWCString::RWCString(const RWCSubString& view) {
  if (view.IsNull() || !view.InRange()) {
    data_ = NewBlock(g_initialCapacity.load(std::memory_order_relaxed), 0);
    return;
  }
  size_t n = view.extent_;
  data_ = NewBlock(RoundCapacity(n), n);
  if (n) std::memcpy(data_, view.string_->data_ + view.start_, n);
}

RWCString::RWCString(const char* chars1, size_t count1, const char* chars2, size_t count2) {
  if (!chars1) count1 = 0;
  if (!chars2) count2 = 0;
  size_t n = AddLengths(count1, count2);
  data_ = NewBlock(RoundCapacity(n), n);
  if (count1) std::memcpy(data_, chars1, count1);
  if (count2) std::memcpy(data_ + count1, chars2, count2);
}

RWCString::RWCString(const RWCString& other) : data_(other.data_) {
  RWCountedRefIncrement(Block()->refs, g_lock);
}

RWCString::~RWCString() { Release(data_); }

RWCString& RWCString::Assign(const RWCString& other) {
  if (data_ != other.data_) {
    RWCountedRefIncrement(other.Block()->refs, g_lock);
    Release(data_);
    data_ = other.data_;
  }
  return *this;
}

RWCString& RWCString::AssignText(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0) {
    if (!IsShared()) {
      Block()->length = 0;
      data_[0] = 0;
    } else {
      char* empty = NewBlock(0, 0);
      Release(data_);
      data_ = empty;
    }
    return *this;
  }
  return ReplaceRange(0, Length(), text, n);
}

char RWCString::operator[](size_t i) const {
  if (!CheckIndex(i)) return 0;
  return data_[i];
}

bool operator==(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && std::memcmp(a.Data(), b.Data(), a.Length()) == 0;
}

bool operator==(const RWCString& a, const char* b) { return RWCString::EqualsText(a, b); }

// ---- Reading and searching ----

size_t RWCString::IndexOfChar(char c) const {
  // strchr also finds the terminator when c is NUL; that is not a character.
  const char* p = std::strchr(data_, c);
  return p && static_cast<size_t>(p - data_) < Length() ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWCString::FindChar(char c, size_t) const {
  const void* p = std::memchr(data_, c, Length());
  return p ? static_cast<size_t>(static_cast<const char*>(p) - data_) : RW_NPOS;
}

size_t RWCString::IndexOfAnyCharText(const char* set) const {
  const char* p = std::strpbrk(data_, set);
  return p ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWCString::IndexOfAnyChar(const char* set, size_t n) const {
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    if (n && std::memchr(set, data_[i], n)) return i;
  return RW_NPOS;
}

size_t RWCString::LastIndexOfChar(char c) const {
  const char* p = std::strrchr(data_, c);
  return p && static_cast<size_t>(p - data_) < Length() ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWCString::FindLastChar(char c, size_t) const {
  for (size_t i = Length(); i > 0; --i)
    if (data_[i - 1] == c) return i - 1;
  return RW_NPOS;
}

size_t RWCString::FindPattern(const char* pattern, size_t n, size_t start, int ignoreCase) const {
  size_t length = Length();
  if (start > length || n > length - start) return RW_NPOS;
  if (n == 0) return start;
  const char* text = data_ + start;
  size_t last = length - (start + n);
  for (size_t i = 0; i <= last; ++i) {
    if (!ignoreCase) {
      if (text[i] == pattern[0] && std::memcmp(text + i + 1, pattern + 1, n - 1) == 0) return start + i;
      continue;
    }
    if (Lower(text[i]) != Lower(pattern[0])) continue;
    size_t k = 1;
    while (k < n && Lower(text[i + k]) == Lower(pattern[k])) ++k;
    if (k == n) return start + i;
  }
  return RW_NPOS;
}

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

bool RWCString::EqualsText(const RWCString& s, const char* text) {
  size_t length = s.Length();
  for (size_t i = 0; i < length; ++i)
    if (text[i] == 0 || text[i] != s.data_[i]) return false;
  return text[length] == 0;
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

uint32_t RWCString::HashFoldCase() const {
  size_t length = Length();
  uint32_t h = static_cast<uint32_t>(length);
  for (size_t i = 0; i < length; ++i) h = static_cast<uint32_t>(Upper(data_[i])) ^ Rotl5(h);
  return h;
}

uint32_t RWCString::HashWithCase(int ignoreCase) const { return ignoreCase ? HashFoldCase() : Hash(); }

uint32_t RWCString::HashOf(const RWCString& s) { return s.Hash(); }

bool RWCString::IsAscii() const {
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    if (static_cast<unsigned char>(data_[i]) & 0x80) return false;
  return true;
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

// ---- Writing ----

RWCString& RWCString::ReplaceRange(size_t position, size_t extent, const char* chars, size_t count) {
  size_t length = Length();
  if (position > length) {
    // A position outside the text would move characters outside the block.
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(position, RW_NPOS)), static_cast<uint32_t>(length));
    return *this;
  }
  extent = std::min(extent, length - position);
  if (!chars) count = 0;
  size_t newLength = AddLengths(length - extent, count);
  size_t tail = length - extent - position;
  RWCStringBlock* block = Block();
  size_t capacity = block->capacity;
  bool inPlace = !IsShared() && capacity >= newLength &&
                 (newLength >= length || capacity - newLength <= g_maxWaste.load(std::memory_order_relaxed)) &&
                 (!chars || OutsideText(chars, count, data_, length));
  if (inPlace) {
    if (tail) std::memmove(data_ + position + count, data_ + position + extent, tail);
    if (count) std::memmove(data_ + position, chars, count);
    block->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
    return *this;
  }
  // The new characters may lie in the old text: they are copied before the
  // old block is released.
  char* fresh = NewBlock(RoundCapacity(newLength), newLength);
  if (position) std::memcpy(fresh, data_, position);
  if (count) std::memcpy(fresh + position, chars, count);
  if (tail) std::memcpy(fresh + position + count, data_ + position + extent, tail);
  Release(data_);
  data_ = fresh;
  return *this;
}

RWCString& RWCString::AppendRepeated(char c, size_t n) {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (IsShared() || Capacity() < newLength) {
    char* fresh = NewBlock(newLength, length);
    if (length) std::memcpy(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  if (n) std::memset(data_ + length, c, n);
  if (newLength) {
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  return *this;
}

RWCString& RWCString::PrependRepeated(char c, size_t n) {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (n == 0) {
    MakeUnique();
    return *this;
  }
  if (IsShared() || Capacity() < newLength) {
    char* fresh = NewBlock(RoundCapacity(newLength), newLength);
    if (length) std::memcpy(fresh + n, data_, length);
    Release(data_);
    data_ = fresh;
  } else {
    std::memmove(data_ + n, data_, length);
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  std::memset(data_, c, n);
  return *this;
}

void RWCString::Resize(size_t n) {
  size_t length = Length();
  if (n < length)
    ReplaceRange(n, length - n, nullptr, 0);
  else if (n > length)
    AppendRepeated(' ', n - length);
}

size_t RWCString::SetCapacity(size_t n) {
  size_t length = Length();
  if (n > length && n != Capacity()) {
    char* fresh = NewBlock(n, length);
    if (length) std::memcpy(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  return Capacity();
}

void RWCString::ClearWithCapacity(size_t n) {
  if (!IsShared() && Capacity() >= n) {
    if (Length()) {
      Block()->length = 0;
      data_[0] = 0;
    }
    return;
  }
  char* fresh = NewBlock(n, 0);
  Release(data_);
  data_ = fresh;
}

void RWCString::MakeUnique() {
  if (!IsShared()) return;
  size_t length = Length();
  char* fresh = NewBlock(length, length);
  if (length) std::memcpy(fresh, data_, length);
  Release(data_);
  data_ = fresh;
}

RWCString RWCString::Copy() const { return RWCString(data_, Length()); }

void RWCString::ToLowerInPlace() {
  MakeUnique();
  size_t length = Length();
  for (size_t i = 0; i < length; ++i) data_[i] = static_cast<char>(Lower(data_[i]));
}

void RWCString::ToUpperInPlace() {
  MakeUnique();
  size_t length = Length();
  for (size_t i = 0; i < length; ++i) data_[i] = static_cast<char>(Upper(data_[i]));
}

RWCString RWCString::ToLowerCopy(const RWCString& s) {
  RWCString copy = s.Copy();
  copy.ToLowerInPlace();
  return copy;
}

RWCString RWCString::ToUpperCopy(const RWCString& s) {
  RWCString copy = s.Copy();
  copy.ToUpperInPlace();
  return copy;
}

bool RWCString::CheckIndex(size_t i) const {
  size_t length = Length();
  if (i < length) return true;
  RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(i, RW_NPOS)), static_cast<uint32_t>(length));
  return false;
}

char& RWCString::CharAt(size_t i) {
  if (!CheckIndex(i)) return Dummy();
  MakeUnique();
  return data_[i];
}

// ---- Views ----

RWCSubString RWCString::StripChar(int mode, char c) {
  size_t j = 0, i = Length();
  if (mode & 1)
    while (j < i && data_[j] == c) ++j;
  if (mode & 2)
    while (i > j && data_[i - 1] == c) --i;
  if (j == i) return RWCSubString(*this, RW_NPOS, 0);
  return RWCSubString(*this, j, i - j);
}

RWCSubString RWCString::SubStringView(size_t start, size_t extent) {
  if (start >= RW_NPOS) return RWCSubString(*this, RW_NPOS, 0);
  // Wider values cannot lie within a string; they stay out of range.
  return RWCSubString(*this, start, std::min(extent, RW_NPOS));
}

RWCSubString RWCString::SubStringOfPattern(const char* pattern, size_t start, int ignoreCase) {
  size_t n = std::strlen(pattern);
  size_t at = FindPattern(pattern, n, start, ignoreCase);
  if (at == RW_NPOS) return RWCSubString(*this, RW_NPOS, 0);
  return RWCSubString(*this, at, n);
}

void RWCString::RaiseSubStringError(size_t length, size_t start, size_t extent) {
  RWMessageText text(RWToolsMsg_SUBSTRING(), static_cast<int>(static_cast<uint32_t>(start)),
                     static_cast<unsigned>(extent), static_cast<unsigned>(length));
  RWRaiseIndexError(RWIndexError(text));
}

// ---- Concatenation ----

RWCString RWCString::Concat(const RWCString& a, const RWCString& b) {
  return RWCString(a.data_, a.Length(), b.data_, b.Length());
}

RWCString RWCString::ConcatText(const RWCString& a, const char* b) {
  return RWCString(a.data_, a.Length(), b, b ? std::strlen(b) : 0);
}

RWCString RWCString::ConcatTextFirst(const char* a, const RWCString& b) {
  return RWCString(a, a ? std::strlen(a) : 0, b.data_, b.Length());
}

// ---- RWCSubString ----

bool RWCSubString::InRange() const {
  size_t length = string_->Length();
  if (start_ <= length && extent_ <= length - start_) return true;
  RWCString::RaiseSubStringError(length, start_, extent_);
  return false;
}

char& RWCSubString::CharAt(size_t i) {
  if (i >= extent_) {
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(i, RW_NPOS)), extent_);
    return Dummy();
  }
  if (!InRange()) return Dummy();
  string_->MakeUnique();
  return string_->data_[start_ + i];
}

char& RWCSubString::CharAtUnchecked(size_t i) {
  string_->MakeUnique();
  return string_->data_[start_ + i];
}

RWCSubString& RWCSubString::Replace(const char* chars, size_t count) {
  if (IsNull() || !InRange()) return *this;
  string_->ReplaceRange(start_, extent_, chars, count);
  extent_ = static_cast<uint32_t>(chars ? count : 0);
  return *this;
}

RWCSubString& RWCSubString::Assign(const RWCString& s) { return Replace(s.Data(), s.Length()); }

RWCSubString& RWCSubString::Assign(const RWCSubString& view) {
  if (view.IsNull()) return Replace("", 0);
  if (!view.InRange()) return *this;
  return Replace(view.string_->Data() + view.start_, view.extent_);
}

RWCSubString& RWCSubString::AssignText(const char* text) { return Replace(text, std::strlen(text)); }

bool RWCSubString::Equals(const RWCString& s) const {
  if (IsNull()) return s.IsEmpty();
  if (!InRange()) return false;
  return extent_ == s.Length() && std::memcmp(string_->Data() + start_, s.Data(), extent_) == 0;
}

bool RWCSubString::Equals(const RWCSubString& view) const {
  if (IsNull()) return view.IsNull();
  if (view.IsNull()) return extent_ == 0;
  if (!InRange() || !view.InRange()) return false;
  return extent_ == view.extent_ &&
         std::memcmp(string_->Data() + start_, view.string_->Data() + view.start_, extent_) == 0;
}

bool RWCSubString::EqualsText(const char* text) const {
  if (IsNull()) return text[0] == 0;
  if (!InRange()) return false;
  size_t n = std::strlen(text);
  return n == extent_ && std::memcmp(string_->Data() + start_, text, n) == 0;
}

void RWCSubString::ToLowerInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  char* p = string_->data_ + start_;
  for (uint32_t i = 0; i < extent_; ++i) p[i] = static_cast<char>(crt::tolower(static_cast<unsigned char>(p[i])));
}

void RWCSubString::ToUpperInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  char* p = string_->data_ + start_;
  for (uint32_t i = 0; i < extent_; ++i) p[i] = static_cast<char>(crt::toupper(static_cast<unsigned char>(p[i])));
}

// ---- Persistence ----

namespace {

// Stored bodies are read this many characters at a time.
constexpr size_t kRestoreChunk = 4096;

// Reads a stored body of n characters, a chunk at a time through
// read (chunk, count) -> whole chunk read, into a fresh string whose block
// grows with what has arrived: a damaged length costs at most twice the
// memory of the characters really there. False, with the target unchanged,
// when a chunk cannot be read whole.
template <typename Read>
bool RestoreBody(RWCString& target, size_t n, Read read) {
  char chunk[kRestoreChunk];
  RWCString fresh(std::min(n, kRestoreChunk));
  while (fresh.Length() < n) {
    const size_t have = fresh.Length();
    const size_t want = std::min(n - have, kRestoreChunk);
    if (!read(chunk, want)) return false;
    if (fresh.Capacity() < have + want) fresh.SetCapacity(std::min(n, std::max(have + want, 2 * fresh.Capacity())));
    fresh.ReplaceRange(have, 0, chunk, want);
  }
  target = fresh;
  return true;
}

}  // namespace

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
  return RestoreBody(*this, n, [&file](char* chunk, size_t count) { return file.ReadChars(chunk, count); });
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
    const bool whole = RestoreBody(*this, n, [&stream](char* chunk, size_t count) {
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
