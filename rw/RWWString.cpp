#include "rw/RWWString.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <istream>
#include <memory>
#include <new>
#include <ostream>

#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWGrowCapacity.h"
#include "rw/RWVirtualStream.h"
#include "win32/CRuntime.h"

namespace {

// The wide string's shared empty block: capacity 0, length 0, its count
// holding the block's own permanent hold, so a release never frees it.
struct EmptyBlock {
  RWWStringBlock header;
  WCHAR text[2];
};
constinit EmptyBlock g_empty = {{0, 0, 0}, {0, 0}};
static_assert(offsetof(EmptyBlock, text) == sizeof(RWWStringBlock), "characters follow the header");

WCHAR* EmptyText() { return g_empty.text; }

// Every count change of the wide string's blocks goes under this lock, which
// is not the narrow string's.
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

size_t AddLengths(size_t a, size_t b) {
  if (b > kMaxLength || a > kMaxLength - b) throw std::bad_alloc();
  return a + b;
}

// The multibyte conversion works in a local area for texts below this many
// bytes and in a heap area of count + 1 characters otherwise.
constexpr size_t kLocalWorkArea = 64;

RWWStringBlock* BlockOf(WCHAR* data) { return reinterpret_cast<RWWStringBlock*>(data) - 1; }

uint32_t Rotl5(uint32_t h) { return (h << 5) | (h >> 27); }

size_t TextLength(const WCHAR* text) { return text ? crt::wcslen(text) : 0; }

void CopyChars(WCHAR* to, const WCHAR* from, size_t n) {
  if (n) std::memcpy(to, from, n * sizeof(WCHAR));
}

void MoveChars(WCHAR* to, const WCHAR* from, size_t n) {
  if (n) std::memmove(to, from, n * sizeof(WCHAR));
}

void FillChars(WCHAR* to, WCHAR c, size_t n) { std::fill(to, to + n, c); }

bool SameChars(const WCHAR* a, const WCHAR* b, size_t n) { return n == 0 || std::memcmp(a, b, n * sizeof(WCHAR)) == 0; }

// True when [chars, chars + count) and [text, text + length) do not meet.
bool OutsideText(const WCHAR* chars, size_t count, const WCHAR* text, size_t length) {
  uintptr_t a = reinterpret_cast<uintptr_t>(chars);
  uintptr_t t = reinterpret_cast<uintptr_t>(text);
  return a + count * sizeof(WCHAR) <= t || a >= t + length * sizeof(WCHAR);
}

// Written through by a caller of a failed checked access, never read.
thread_local WCHAR t_dummy;

WCHAR& Dummy() {
  t_dummy = 0;
  return t_dummy;
}

}  // namespace

// ---- Blocks ----

WCHAR* RWWString::NewBlock(size_t capacity, size_t length) {
  if (capacity == 0 && length == 0) {
    RWCountedRefIncrement(g_empty.header.refs, g_lock);
    return EmptyText();
  }
  CheckLength(capacity);
  void* memory = ::operator new(2 * capacity + sizeof(RWWStringBlock) + 2);
  RWWStringBlock* block = new (memory) RWWStringBlock{0, static_cast<uint32_t>(capacity),
                                                      static_cast<uint32_t>(length)};
  block->Text()[length] = 0;
  return block->Text();
}

void RWWString::Release(WCHAR* data) {
  RWWStringBlock* block = BlockOf(data);
  if (RWCountedRefDecrement(block->refs, g_lock) == 0) {
    // The empty block never gets here: its permanent hold keeps it above 0.
    block->~RWWStringBlock();
    ::operator delete(block);
  }
}

bool RWWString::IsShared() const {
  uint32_t refs = std::atomic_ref<uint32_t>(Block()->refs).load(std::memory_order_acquire);
  return refs + 1u > 1u;
}

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
  CopyChars(data, work, m);
  return data;
}

// ---- Capacity policy ----

size_t RWWString::RoundCapacity(size_t n) {
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

size_t RWWString::SetInitialCapacity(size_t n) { return g_initialCapacity.exchange(n); }
size_t RWWString::SetResizeIncrement(size_t n) { return g_resizeIncrement.exchange(n); }
size_t RWWString::SetMaxWaste(size_t n) { return g_maxWaste.exchange(n); }

// ---- Construction, assignment, destruction ----

RWWString::RWWString() : data_(NewBlock(0, 0)) {}

RWWString::RWWString(const WCHAR* text) {
  size_t n = TextLength(text);
  data_ = NewBlock(n, n);
  CopyChars(data_, text, n);
}

RWWString::RWWString(const WCHAR* chars, size_t count) {
  if (!chars) count = 0;
  data_ = NewBlock(count, count);
  CopyChars(data_, chars, count);
}

RWWString::RWWString(WCHAR c) {
  data_ = NewBlock(std::max<size_t>(g_initialCapacity.load(std::memory_order_relaxed), 1), 1);
  data_[0] = c;
}

RWWString::RWWString(WCHAR c, size_t count) {
  data_ = NewBlock(count, count);
  FillChars(data_, c, count);
}

RWWString::RWWString(size_t capacity) : data_(NewBlock(capacity, 0)) {}

RWWString::RWWString(const RWWSubString& view) {
  if (view.IsNull() || !view.InRange()) {
    data_ = NewBlock(g_initialCapacity.load(std::memory_order_relaxed), 0);
    return;
  }
  size_t n = view.extent_;
  data_ = NewBlock(RoundCapacity(n), n);
  CopyChars(data_, view.string_->data_ + view.start_, n);
}

RWWString::RWWString(const WCHAR* chars1, size_t count1, const WCHAR* chars2, size_t count2) {
  if (!chars1) count1 = 0;
  if (!chars2) count2 = 0;
  size_t n = AddLengths(count1, count2);
  data_ = NewBlock(RoundCapacity(n), n);
  CopyChars(data_, chars1, count1);
  CopyChars(data_ + count1, chars2, count2);
}

RWWString::RWWString(const RWWString& other) : data_(other.data_) {
  RWCountedRefIncrement(Block()->refs, g_lock);
}

RWWString::~RWWString() { Release(data_); }

RWWString::RWWString(const char* text) : data_(Widen(text, text ? std::strlen(text) : 0)) {}
RWWString::RWWString(const char* chars, size_t count) : data_(Widen(chars, count)) {}
RWWString::RWWString(char c) : data_(Widen(&c, 1)) {}
RWWString::RWWString(const RWCString& s) : data_(Widen(s.Data(), s.Length())) {}

RWWString::RWWString(const char* text, RWMultibyteTag)
    : data_(FromMultibyte(text, text ? std::strlen(text) : 0)) {}
RWWString::RWWString(const char* chars, size_t count, RWMultibyteTag) : data_(FromMultibyte(chars, count)) {}
RWWString::RWWString(const RWCString& s, RWMultibyteTag) : data_(FromMultibyte(s.Data(), s.Length())) {}

RWWString& RWWString::Assign(const RWWString& other) {
  if (data_ != other.data_) {
    RWCountedRefIncrement(other.Block()->refs, g_lock);
    Release(data_);
    data_ = other.data_;
  }
  return *this;
}

RWWString& RWWString::AssignText(const WCHAR* text) {
  size_t n = TextLength(text);
  if (n == 0) {
    if (!IsShared()) {
      // One holder: the block stays, emptied in place.
      Block()->length = 0;
      data_[0] = 0;
    } else {
      WCHAR* empty = NewBlock(0, 0);
      Release(data_);
      data_ = empty;
    }
    return *this;
  }
  return ReplaceRange(0, Length(), text, n);
}

WCHAR RWWString::operator[](size_t i) const {
  if (!CheckIndex(i)) return 0;
  return data_[i];
}

bool operator==(const RWWString& a, const RWWString& b) {
  return a.Length() == b.Length() && SameChars(a.Data(), b.Data(), a.Length());
}

bool operator==(const RWWString& a, const WCHAR* b) { return RWWString::EqualsText(a, b); }

// ---- Reading and searching ----

size_t RWWString::IndexOfChar(WCHAR c) const {
  // wcschr also finds the terminator when c is 0; that is not a character.
  const WCHAR* p = crt::wcschr(data_, c);
  return p && static_cast<size_t>(p - data_) < Length() ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWWString::FindChar(WCHAR c, size_t) const {
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    if (data_[i] == c) return i;
  return RW_NPOS;
}

size_t RWWString::IndexOfAnyCharText(const WCHAR* set) const {
  const WCHAR* p = crt::wcspbrk(data_, set);
  return p ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWWString::IndexOfAnyChar(const WCHAR* set, size_t n) const {
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    for (size_t k = 0; k < n; ++k)
      if (set[k] == data_[i]) return i;
  return RW_NPOS;
}

size_t RWWString::LastIndexOfChar(WCHAR c) const {
  const WCHAR* p = crt::wcsrchr(data_, c);
  return p && static_cast<size_t>(p - data_) < Length() ? static_cast<size_t>(p - data_) : RW_NPOS;
}

size_t RWWString::FindLastChar(WCHAR c, size_t) const {
  for (size_t i = Length(); i > 0; --i)
    if (data_[i - 1] == c) return i - 1;
  return RW_NPOS;
}

size_t RWWString::FindPattern(const WCHAR* pattern, size_t n, size_t start, int ignoreCase) const {
  size_t length = Length();
  if (start > length || n > length - start) return RW_NPOS;
  if (n == 0) return start;
  const WCHAR* text = data_ + start;
  size_t last = length - (start + n);
  for (size_t i = 0; i <= last; ++i) {
    if (!ignoreCase) {
      if (text[i] == pattern[0] && SameChars(text + i + 1, pattern + 1, n - 1)) return start + i;
      continue;
    }
    if (crt::towlower(text[i]) != crt::towlower(pattern[0])) continue;
    size_t k = 1;
    while (k < n && crt::towlower(text[i + k]) == crt::towlower(pattern[k])) ++k;
    if (k == n) return start + i;
  }
  return RW_NPOS;
}

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

bool RWWString::EqualsText(const RWWString& s, const WCHAR* text) {
  size_t length = s.Length();
  for (size_t i = 0; i < length; ++i)
    if (text[i] == 0 || text[i] != s.data_[i]) return false;
  return text[length] == 0;
}

uint32_t RWWString::Hash() const {
  size_t length = Length();
  uint32_t h = static_cast<uint32_t>(length);
  // Pairs of characters as little-endian 32-bit words, the first in the low half.
  size_t words = length / 2;
  for (size_t w = 0; w < words; ++w)
    h = Rotl5(h) ^ (uint32_t(data_[2 * w]) | uint32_t(data_[2 * w + 1]) << 16);
  if (length % 2) h = Rotl5(h) ^ uint32_t(data_[length - 1]);
  return h;
}

uint32_t RWWString::HashFoldCase() const {
  size_t length = Length();
  uint32_t h = static_cast<uint32_t>(length);
  for (size_t i = 0; i < length; ++i) h = uint32_t(crt::towupper(data_[i])) ^ Rotl5(h);
  return h;
}

uint32_t RWWString::HashWithCase(int ignoreCase) const { return ignoreCase ? HashFoldCase() : Hash(); }

uint32_t RWWString::HashOf(const RWWString& s) { return s.Hash(); }

bool RWWString::IsAscii() const {
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    if (data_[i] > 127) return false;
  return true;
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

RWWString& RWWString::ReplaceRange(size_t position, size_t extent, const WCHAR* chars, size_t count) {
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
  RWWStringBlock* block = Block();
  size_t capacity = block->capacity;
  bool inPlace = !IsShared() && capacity >= newLength &&
                 (newLength >= length || capacity - newLength <= g_maxWaste.load(std::memory_order_relaxed)) &&
                 (!chars || OutsideText(chars, count, data_, length));
  if (inPlace) {
    MoveChars(data_ + position + count, data_ + position + extent, tail);
    MoveChars(data_ + position, chars, count);
    block->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
    return *this;
  }
  // The new characters may lie in the old text: they are copied before the
  // old block is released.
  WCHAR* fresh = NewBlock(RoundCapacity(newLength), newLength);
  CopyChars(fresh, data_, position);
  CopyChars(fresh + position, chars, count);
  CopyChars(fresh + position + count, data_ + position + extent, tail);
  Release(data_);
  data_ = fresh;
  return *this;
}

RWWString& RWWString::AppendText(const WCHAR* text) { return ReplaceRange(Length(), 0, text, TextLength(text)); }

RWWString& RWWString::PrependText(const WCHAR* text) { return ReplaceRange(0, 0, text, TextLength(text)); }

RWWString& RWWString::InsertText(size_t position, const WCHAR* text) {
  return ReplaceRange(position, 0, text, TextLength(text));
}

RWWString& RWWString::ReplaceText(size_t position, size_t extent, const WCHAR* text) {
  return ReplaceRange(std::min(position, Length()), extent, text, TextLength(text));
}

RWWString& RWWString::AppendRepeated(WCHAR c, size_t n) {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (IsShared() || Capacity() < newLength) {
    WCHAR* fresh = NewBlock(newLength, length);
    CopyChars(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  FillChars(data_ + length, c, n);
  if (newLength) {  // the empty block is never written
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  return *this;
}

RWWString& RWWString::PrependRepeated(WCHAR c, size_t n) {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (n == 0) {
    MakeUnique();
    return *this;
  }
  if (IsShared() || Capacity() < newLength) {
    WCHAR* fresh = NewBlock(RoundCapacity(newLength), newLength);
    CopyChars(fresh + n, data_, length);
    Release(data_);
    data_ = fresh;
  } else {
    MoveChars(data_ + n, data_, length);
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  FillChars(data_, c, n);
  return *this;
}

void RWWString::Resize(size_t n) {
  size_t length = Length();
  if (n < length)
    ReplaceRange(n, length - n, nullptr, 0);
  else if (n > length)
    AppendRepeated(u' ', n - length);
}

size_t RWWString::SetCapacity(size_t n) {
  size_t length = Length();
  if (n > length && n != Capacity()) {
    WCHAR* fresh = NewBlock(n, length);
    CopyChars(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  return Capacity();
}

void RWWString::ClearWithCapacity(size_t n) {
  if (!IsShared() && Capacity() >= n) {
    if (Length()) {
      Block()->length = 0;
      data_[0] = 0;
    }
    return;
  }
  WCHAR* fresh = NewBlock(n, 0);
  Release(data_);
  data_ = fresh;
}

void RWWString::MakeUnique() {
  if (!IsShared()) return;
  size_t length = Length();
  WCHAR* fresh = NewBlock(length, length);
  CopyChars(fresh, data_, length);
  Release(data_);
  data_ = fresh;
}

RWWString RWWString::Copy() const { return RWWString(data_, Length()); }

void RWWString::ToLowerInPlace() {
  MakeUnique();
  size_t length = Length();
  for (size_t i = 0; i < length; ++i) data_[i] = crt::towlower(data_[i]);
}

void RWWString::ToUpperInPlace() {
  MakeUnique();
  size_t length = Length();
  for (size_t i = 0; i < length; ++i) data_[i] = crt::towupper(data_[i]);
}

RWWString RWWString::ToLowerCopy(const RWWString& s) {
  RWWString copy = s.Copy();
  copy.ToLowerInPlace();
  return copy;
}

RWWString RWWString::ToUpperCopy(const RWWString& s) {
  RWWString copy = s.Copy();
  copy.ToUpperInPlace();
  return copy;
}

bool RWWString::CheckIndex(size_t i) const {
  size_t length = Length();
  if (i < length) return true;
  RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(i, RW_NPOS)), static_cast<uint32_t>(length));
  return false;
}

WCHAR& RWWString::CharAt(size_t i) {
  if (!CheckIndex(i)) return Dummy();
  MakeUnique();
  return data_[i];
}

// ---- Views ----

RWWSubString RWWString::StripChar(int mode, WCHAR c) {
  size_t j = 0, i = Length();
  if (mode & 1)
    while (j < i && data_[j] == c) ++j;
  if (mode & 2)
    while (i > j && data_[i - 1] == c) --i;
  if (j == i) return RWWSubString(*this, RW_NPOS, 0);
  return RWWSubString(*this, j, i - j);
}

RWWSubString RWWString::SubStringView(size_t start, size_t extent) {
  if (start >= RW_NPOS) return RWWSubString(*this, RW_NPOS, 0);
  // Wider values cannot lie within a string; they stay out of range.
  return RWWSubString(*this, start, std::min(extent, RW_NPOS));
}

RWWSubString RWWString::SubStringOfPattern(const WCHAR* pattern, size_t start, int ignoreCase) {
  size_t n = TextLength(pattern);
  size_t at = FindPattern(pattern, n, start, ignoreCase);
  if (at == RW_NPOS) return RWWSubString(*this, RW_NPOS, 0);
  return RWWSubString(*this, at, n);
}

void RWWString::RaiseSubStringError(size_t length, size_t start, size_t extent) {
  RWMessageText text(RWToolsMsg_SUBSTRING(), static_cast<int>(static_cast<uint32_t>(start)),
                     static_cast<unsigned>(extent), static_cast<unsigned>(length));
  RWRaiseIndexError(RWIndexError(text));
}

// ---- Concatenation ----

RWWString RWWString::Concat(const RWWString& a, const RWWString& b) {
  return RWWString(a.data_, a.Length(), b.data_, b.Length());
}

RWWString RWWString::ConcatText(const RWWString& a, const WCHAR* b) {
  return RWWString(a.data_, a.Length(), b, TextLength(b));
}

RWWString RWWString::ConcatTextFirst(const WCHAR* a, const RWWString& b) {
  return RWWString(a, TextLength(a), b.data_, b.Length());
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

bool RWWSubString::InRange() const {
  size_t length = string_->Length();
  if (start_ <= length && extent_ <= length - start_) return true;
  RWWString::RaiseSubStringError(length, start_, extent_);
  return false;
}

bool RWWSubString::CheckIndex(size_t i) const {
  if (i < extent_) return true;
  RWMessageText text(RWToolsMsg_INDEX(), static_cast<unsigned>(std::min(i, RW_NPOS)),
                     static_cast<unsigned>(extent_));
  RWRaiseIndexError(RWIndexError(text));
  return false;
}

WCHAR& RWWSubString::CharAt(size_t i) {
  if (!CheckIndex(i) || !InRange()) return Dummy();
  string_->MakeUnique();
  return string_->data_[start_ + i];
}

WCHAR& RWWSubString::CharAtUnchecked(size_t i) {
  string_->MakeUnique();
  return string_->data_[start_ + i];
}

RWWSubString& RWWSubString::Replace(const WCHAR* chars, size_t count) {
  if (IsNull() || !InRange()) return *this;
  string_->ReplaceRange(start_, extent_, chars, count);
  extent_ = static_cast<uint32_t>(chars ? count : 0);
  return *this;
}

RWWSubString& RWWSubString::Assign(const RWWString& s) { return Replace(s.Data(), s.Length()); }

RWWSubString& RWWSubString::Assign(const RWWSubString& view) {
  if (view.IsNull()) return Replace(u"", 0);
  if (!view.InRange()) return *this;
  return Replace(view.string_->Data() + view.start_, view.extent_);
}

RWWSubString& RWWSubString::AssignText(const WCHAR* text) { return Replace(text, TextLength(text)); }

bool RWWSubString::Equals(const RWWString& s) const {
  if (IsNull()) return s.IsEmpty();
  if (!InRange()) return false;
  return extent_ == s.Length() && SameChars(string_->Data() + start_, s.Data(), extent_);
}

bool RWWSubString::Equals(const RWWSubString& view) const {
  if (IsNull()) return view.IsNull();
  if (view.IsNull()) return extent_ == 0;
  if (!InRange() || !view.InRange()) return false;
  return extent_ == view.extent_ && SameChars(string_->Data() + start_, view.string_->Data() + view.start_, extent_);
}

bool RWWSubString::EqualsText(const WCHAR* text) const {
  size_t n = TextLength(text);
  if (IsNull()) return n == 0;
  if (!InRange()) return false;
  return n == extent_ && SameChars(string_->Data() + start_, text, n);
}

void RWWSubString::ToLowerInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  WCHAR* p = string_->data_ + start_;
  for (uint32_t i = 0; i < extent_; ++i) p[i] = crt::towlower(p[i]);
}

void RWWSubString::ToUpperInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  WCHAR* p = string_->data_ + start_;
  for (uint32_t i = 0; i < extent_; ++i) p[i] = crt::towupper(p[i]);
}

// ---- Persistence ----

namespace {

// Stored bodies travel this many characters at a time.
constexpr size_t kWideChunk = 2048;

// Reads a stored body of n characters, a chunk at a time through
// read (chunk, count) -> whole chunk read, into a fresh string whose block
// grows with what has arrived: a damaged length costs at most twice the
// memory of the characters really there. False, with the target unchanged,
// when a chunk cannot be read whole.
template <typename Read>
bool RestoreWideBody(RWWString& target, size_t n, Read read) {
  WCHAR chunk[kWideChunk];
  RWWString fresh(std::min(n, kWideChunk));
  while (fresh.Length() < n) {
    const size_t have = fresh.Length();
    const size_t want = std::min(n - have, kWideChunk);
    if (!read(chunk, want)) return false;
    if (fresh.Capacity() < have + want) fresh.SetCapacity(std::min(n, std::max(have + want, 2 * fresh.Capacity())));
    fresh.ReplaceRange(have, 0, chunk, want);
  }
  target = fresh;
  return true;
}

}  // namespace

bool RWWString::SaveToFile(RWBinaryFile& file) const {
  const size_t length = Length();
  if (!file.WriteUInt(static_cast<uint32_t>(length))) return false;
  int16_t chunk[kWideChunk];
  for (size_t done = 0; done < length;) {
    const size_t now = std::min(length - done, kWideChunk);
    for (size_t i = 0; i < now; ++i) chunk[i] = static_cast<int16_t>(data_[done + i]);
    if (!file.WriteShorts(chunk, now)) return false;
    done += now;
  }
  return true;
}

void RWWString::SaveTo(RWVirtualOutStream& stream) const {
  const size_t length = Length();
  stream.PutUInt(static_cast<uint32_t>(length));
  uint16_t chunk[kWideChunk];
  for (size_t done = 0; done < length;) {
    const size_t now = std::min(length - done, kWideChunk);
    for (size_t i = 0; i < now; ++i) chunk[i] = data_[done + i];
    stream.PutUShorts(chunk, static_cast<unsigned>(now));
    done += now;
  }
}

bool RWWString::RestoreFromFile(RWBinaryFile& file) {
  uint32_t n;
  if (!file.ReadUInt(n)) return false;
  return RestoreWideBody(*this, n, [&file](WCHAR* chunk, size_t count) {
    int16_t stored[kWideChunk];
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
  const bool whole = stream.Good() && RestoreWideBody(*this, n, [&stream](WCHAR* chunk, size_t count) {
    uint16_t stored[kWideChunk];
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
  if (Capacity() - Length() > g_maxWaste.load(std::memory_order_relaxed)) SetCapacity(RoundCapacity(Length()));
}

namespace {

size_t GrowDoubling(size_t capacity) {
  return RWGrowCapacity(static_cast<uint32_t>(capacity), sizeof(WCHAR));
}

size_t GrowByIncrement(size_t capacity) {
  const size_t increment = std::max<size_t>(g_resizeIncrement.load(std::memory_order_relaxed), 1);
  return capacity <= kMaxLength - increment ? capacity + increment : kMaxLength;
}

}  // namespace

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
