#include "rw/RWStringBlock.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "rw/RWCString.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWWString.h"

namespace {

// The per-type state. Each is a variable template over the character type,
// so the narrow and the wide string each have their own.

// The shared empty block: capacity 0, length 0, its count holding the
// block's own permanent hold, so that a release never finds it at 0 and
// frees it.
template <typename Char>
struct EmptyBlock {
  RWStringBlockHeader<Char> header;
  Char text[4 / sizeof(Char)];
};
template <typename Char>
constinit EmptyBlock<Char> g_empty = {{0, 0, 0}, {}};
static_assert(offsetof(EmptyBlock<char>, text) == sizeof(RWStringBlockHeader<char>), "characters follow the header");
static_assert(offsetof(EmptyBlock<WCHAR>, text) == sizeof(RWStringBlockHeader<WCHAR>), "characters follow the header");

// Every count change of one string type's blocks goes under its lock.
template <typename Char>
RWModuleLock g_lock;

// The capacity policy.
template <typename Char>
std::atomic<size_t> g_initialCapacity{15};
template <typename Char>
std::atomic<size_t> g_resizeIncrement{16};
template <typename Char>
std::atomic<size_t> g_maxWaste{15};

template <typename Char>
void CopyChars(Char* to, const Char* from, size_t n) {
  if (n) std::memcpy(to, from, n * sizeof(Char));
}

template <typename Char>
void MoveChars(Char* to, const Char* from, size_t n) {
  if (n) std::memmove(to, from, n * sizeof(Char));
}

template <typename Char>
bool SameChars(const Char* a, const Char* b, size_t n) {
  return n == 0 || std::memcmp(a, b, n * sizeof(Char)) == 0;
}

// Replaces each of n characters by map (character): a case mapping.
template <typename Char, typename Map>
void MapChars(Char* p, size_t n, Map map) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<Char>(map(p[i]));
}

uint32_t BlockRotl5(uint32_t h) { return (h << 5) | (h >> 27); }

// True when [chars, chars + count) and [text, text + length) do not meet.
template <typename Char>
bool OutsideText(const Char* chars, size_t count, const Char* text, size_t length) {
  uintptr_t a = reinterpret_cast<uintptr_t>(chars);
  uintptr_t t = reinterpret_cast<uintptr_t>(text);
  return a + count * sizeof(Char) <= t || a >= t + length * sizeof(Char);
}

}  // namespace

// ---- Blocks ----

template <typename Traits>
auto RWStringBlock<Traits>::NewBlock(size_t capacity, size_t length) -> Char* {
  if (capacity == 0 && length == 0) {
    RWCountedRefIncrement(g_empty<Char>.header.refs, g_lock<Char>);
    return g_empty<Char>.text;
  }
  if (capacity > kMaxLength) throw std::bad_alloc();
  void* memory = ::operator new(sizeof(Header) + (capacity + 1) * sizeof(Char));
  Header* block = new (memory) Header{0, static_cast<uint32_t>(capacity), static_cast<uint32_t>(length)};
  block->Text()[length] = 0;
  return block->Text();
}

template <typename Traits>
void RWStringBlock<Traits>::Release(Char* data) {
  Header* block = reinterpret_cast<Header*>(data) - 1;
  if (RWCountedRefDecrement(block->refs, g_lock<Char>) == 0) {
    // The empty block never gets here: its permanent hold keeps it above 0.
    block->~Header();
    ::operator delete(block);
  }
}

template <typename Traits>
bool RWStringBlock<Traits>::IsShared() const {
  uint32_t refs = std::atomic_ref<uint32_t>(Block()->refs).load(std::memory_order_acquire);
  return refs + 1u > 1u;
}

template <typename Traits>
size_t RWStringBlock<Traits>::AddLengths(size_t a, size_t b) {
  if (b > kMaxLength || a > kMaxLength - b) throw std::bad_alloc();
  return a + b;
}

template <typename Traits>
auto RWStringBlock<Traits>::Dummy() -> Char& {
  thread_local Char dummy;
  dummy = 0;
  return dummy;
}

// ---- Capacity policy ----

template <typename Traits>
size_t RWStringBlock<Traits>::RoundCapacity(size_t n) {
  size_t initial = g_initialCapacity<Char>.load(std::memory_order_relaxed);
  size_t increment = std::max<size_t>(g_resizeIncrement<Char>.load(std::memory_order_relaxed), 1);
  if (n <= initial) return initial;
  size_t steps = (n - initial) / increment + ((n - initial) % increment != 0);
  if (n > kMaxLength || steps > (kMaxLength - initial) / increment) {
    // Near the 32-bit limit the last step is cut to what a block can hold.
    return std::max(n, kMaxLength);
  }
  return initial + increment * steps;
}

template <typename Traits>
size_t RWStringBlock<Traits>::SetInitialCapacity(size_t n) {
  return g_initialCapacity<Char>.exchange(n);
}

template <typename Traits>
size_t RWStringBlock<Traits>::SetResizeIncrement(size_t n) {
  return g_resizeIncrement<Char>.exchange(n);
}

template <typename Traits>
size_t RWStringBlock<Traits>::SetMaxWaste(size_t n) {
  return g_maxWaste<Char>.exchange(n);
}

template <typename Traits>
size_t RWStringBlock<Traits>::ResizeIncrement() {
  return g_resizeIncrement<Char>.load(std::memory_order_relaxed);
}

template <typename Traits>
size_t RWStringBlock<Traits>::MaxWaste() {
  return g_maxWaste<Char>.load(std::memory_order_relaxed);
}

// ---- Construction, assignment, destruction ----

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock() : data_(NewBlock(0, 0)) {}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(const Char* text) {
  size_t n = Traits::TextLength(text);
  data_ = NewBlock(n, n);
  CopyChars(data_, text, n);
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(const Char* chars, size_t count) {
  if (!chars) count = 0;
  data_ = NewBlock(count, count);
  CopyChars(data_, chars, count);
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(Char c) {
  data_ = NewBlock(std::max<size_t>(g_initialCapacity<Char>.load(std::memory_order_relaxed), 1), 1);
  data_[0] = c;
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(Char c, size_t count) {
  data_ = NewBlock(count, count);
  std::fill_n(data_, count, c);
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(size_t capacity) : data_(NewBlock(capacity, 0)) {}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(const SubString& view) {
  if (view.IsNull() || !view.InRange()) {
    data_ = NewBlock(g_initialCapacity<Char>.load(std::memory_order_relaxed), 0);
    return;
  }
  size_t n = view.extent_;
  data_ = NewBlock(RoundCapacity(n), n);
  CopyChars(data_, view.string_->data_ + view.start_, n);
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(const Char* chars1, size_t count1, const Char* chars2, size_t count2) {
  if (!chars1) count1 = 0;
  if (!chars2) count2 = 0;
  size_t n = AddLengths(count1, count2);
  data_ = NewBlock(RoundCapacity(n), n);
  CopyChars(data_, chars1, count1);
  CopyChars(data_ + count1, chars2, count2);
}

template <typename Traits>
RWStringBlock<Traits>::RWStringBlock(const RWStringBlock& other) : data_(other.data_) {
  RWCountedRefIncrement(Block()->refs, g_lock<Char>);
}

template <typename Traits>
RWStringBlock<Traits>::~RWStringBlock() {
  Release(data_);
}

template <typename Traits>
auto RWStringBlock<Traits>::Assign(const String& other) -> String& {
  if (data_ != other.data_) {
    RWCountedRefIncrement(other.Block()->refs, g_lock<Char>);
    Release(data_);
    data_ = other.data_;
  }
  return static_cast<String&>(*this);
}

template <typename Traits>
auto RWStringBlock<Traits>::AssignText(const Char* text) -> String& {
  size_t n = Traits::TextLength(text);
  if (n == 0) {
    if (!IsShared()) {
      // One holder: the block stays, emptied in place.
      Block()->length = 0;
      data_[0] = 0;
    } else {
      Char* empty = NewBlock(0, 0);
      Release(data_);
      data_ = empty;
    }
    return static_cast<String&>(*this);
  }
  return ReplaceRange(0, Length(), text, n);
}

template <typename Traits>
auto RWStringBlock<Traits>::operator[](size_t i) const -> Char {
  if (!CheckIndex(i)) return 0;
  return data_[i];
}

// ---- Reading and searching ----

template <typename Traits>
size_t RWStringBlock<Traits>::PositionOf(const Char* p) const {
  return p && p < data_ + Length() ? static_cast<size_t>(p - data_) : RW_NPOS;
}

template <typename Traits>
size_t RWStringBlock<Traits>::IndexOfChar(Char c) const {
  // strchr also finds the terminator when c is 0; that is not a character.
  return PositionOf(Traits::FindFirst(data_, c));
}

template <typename Traits>
size_t RWStringBlock<Traits>::FindChar(Char c, size_t) const {
  return PositionOf(std::find(Data(), Data() + Length(), c));
}

template <typename Traits>
size_t RWStringBlock<Traits>::IndexOfAnyCharText(const Char* set) const {
  return PositionOf(Traits::FindAnyOf(data_, set));
}

template <typename Traits>
size_t RWStringBlock<Traits>::IndexOfAnyChar(const Char* set, size_t n) const {
  return PositionOf(std::find_first_of(Data(), Data() + Length(), set, set + n));
}

template <typename Traits>
size_t RWStringBlock<Traits>::LastIndexOfChar(Char c) const {
  return PositionOf(Traits::FindLast(data_, c));
}

template <typename Traits>
size_t RWStringBlock<Traits>::FindLastChar(Char c, size_t) const {
  for (size_t i = Length(); i > 0; --i)
    if (data_[i - 1] == c) return i - 1;
  return RW_NPOS;
}

template <typename Traits>
size_t RWStringBlock<Traits>::FindPattern(const Char* pattern, size_t n, size_t start, int ignoreCase) const {
  size_t length = Length();
  if (start > length || n > length - start) return RW_NPOS;
  if (n == 0) return start;
  const Char* text = data_ + start;
  size_t last = length - (start + n);
  for (size_t i = 0; i <= last; ++i) {
    if (!ignoreCase) {
      if (text[i] == pattern[0] && SameChars(text + i + 1, pattern + 1, n - 1)) return start + i;
      continue;
    }
    if (Traits::Lower(text[i]) != Traits::Lower(pattern[0])) continue;
    size_t k = 1;
    while (k < n && Traits::Lower(text[i + k]) == Traits::Lower(pattern[k])) ++k;
    if (k == n) return start + i;
  }
  return RW_NPOS;
}

template <typename Traits>
bool RWStringBlock<Traits>::EqualsText(const String& s, const Char* text) {
  size_t length = s.Length();
  for (size_t i = 0; i < length; ++i)
    if (text[i] == 0 || text[i] != s.data_[i]) return false;
  return text[length] == 0;
}

// ---- Hashing and classes ----

template <typename Traits>
uint32_t RWStringBlock<Traits>::HashFoldCase() const {
  size_t length = Length();
  uint32_t h = static_cast<uint32_t>(length);
  for (size_t i = 0; i < length; ++i) h = static_cast<uint32_t>(Traits::Upper(data_[i])) ^ BlockRotl5(h);
  return h;
}

template <typename Traits>
uint32_t RWStringBlock<Traits>::HashWithCase(int ignoreCase) const {
  return ignoreCase ? HashFoldCase() : static_cast<const String&>(*this).Hash();
}

template <typename Traits>
uint32_t RWStringBlock<Traits>::HashOf(const String& s) {
  return s.Hash();
}

template <typename Traits>
bool RWStringBlock<Traits>::IsAscii() const {
  using Unsigned = std::make_unsigned_t<Char>;
  size_t length = Length();
  for (size_t i = 0; i < length; ++i)
    if (static_cast<Unsigned>(data_[i]) > 127) return false;
  return true;
}

// ---- Writing ----

template <typename Traits>
auto RWStringBlock<Traits>::ReplaceRange(size_t position, size_t extent, const Char* chars, size_t count)
    -> String& {
  String& self = static_cast<String&>(*this);
  size_t length = Length();
  if (position > length) {
    // A position outside the text would move characters outside the block.
    RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(position, RW_NPOS)), static_cast<uint32_t>(length));
    return self;
  }
  extent = std::min(extent, length - position);
  if (!chars) count = 0;
  size_t newLength = AddLengths(length - extent, count);
  size_t tail = length - extent - position;
  Header* block = Block();
  size_t capacity = block->capacity;
  bool inPlace = !IsShared() && capacity >= newLength &&
                 (newLength >= length || capacity - newLength <= MaxWaste()) &&
                 (!chars || OutsideText(chars, count, data_, length));
  if (inPlace) {
    MoveChars(data_ + position + count, data_ + position + extent, tail);
    MoveChars(data_ + position, chars, count);
    block->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
    return self;
  }
  // The new characters may lie in the old text: they are copied before the
  // old block is released.
  Char* fresh = NewBlock(RoundCapacity(newLength), newLength);
  CopyChars(fresh, data_, position);
  CopyChars(fresh + position, chars, count);
  CopyChars(fresh + position + count, data_ + position + extent, tail);
  Release(data_);
  data_ = fresh;
  return self;
}

template <typename Traits>
auto RWStringBlock<Traits>::AppendRepeated(Char c, size_t n) -> String& {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (IsShared() || Capacity() < newLength) {
    Char* fresh = NewBlock(newLength, length);
    CopyChars(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  std::fill_n(data_ + length, n, c);
  if (newLength) {  // the empty block is never written
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  return static_cast<String&>(*this);
}

template <typename Traits>
auto RWStringBlock<Traits>::PrependRepeated(Char c, size_t n) -> String& {
  size_t length = Length();
  size_t newLength = AddLengths(length, n);
  if (n == 0) {
    MakeUnique();
    return static_cast<String&>(*this);
  }
  if (IsShared() || Capacity() < newLength) {
    Char* fresh = NewBlock(RoundCapacity(newLength), newLength);
    CopyChars(fresh + n, data_, length);
    Release(data_);
    data_ = fresh;
  } else {
    MoveChars(data_ + n, data_, length);
    Block()->length = static_cast<uint32_t>(newLength);
    data_[newLength] = 0;
  }
  std::fill_n(data_, n, c);
  return static_cast<String&>(*this);
}

template <typename Traits>
void RWStringBlock<Traits>::Resize(size_t n) {
  size_t length = Length();
  if (n < length)
    ReplaceRange(n, length - n, nullptr, 0);
  else if (n > length)
    AppendRepeated(Char(' '), n - length);
}

template <typename Traits>
size_t RWStringBlock<Traits>::SetCapacity(size_t n) {
  size_t length = Length();
  if (n > length && n != Capacity()) {
    Char* fresh = NewBlock(n, length);
    CopyChars(fresh, data_, length);
    Release(data_);
    data_ = fresh;
  }
  return Capacity();
}

template <typename Traits>
void RWStringBlock<Traits>::ClearWithCapacity(size_t n) {
  if (!IsShared() && Capacity() >= n) {
    if (Length()) {
      Block()->length = 0;
      data_[0] = 0;
    }
    return;
  }
  Char* fresh = NewBlock(n, 0);
  Release(data_);
  data_ = fresh;
}

template <typename Traits>
void RWStringBlock<Traits>::MakeUnique() {
  if (!IsShared()) return;
  size_t length = Length();
  Char* fresh = NewBlock(length, length);
  CopyChars(fresh, data_, length);
  Release(data_);
  data_ = fresh;
}

template <typename Traits>
auto RWStringBlock<Traits>::Copy() const -> String {
  return String(data_, Length());
}

template <typename Traits>
void RWStringBlock<Traits>::ToLowerInPlace() {
  MakeUnique();
  MapChars(data_, Length(), Traits::Lower);
}

template <typename Traits>
void RWStringBlock<Traits>::ToUpperInPlace() {
  MakeUnique();
  MapChars(data_, Length(), Traits::Upper);
}

template <typename Traits>
auto RWStringBlock<Traits>::ToLowerCopy(const String& s) -> String {
  String copy = s.Copy();
  copy.ToLowerInPlace();
  return copy;
}

template <typename Traits>
auto RWStringBlock<Traits>::ToUpperCopy(const String& s) -> String {
  String copy = s.Copy();
  copy.ToUpperInPlace();
  return copy;
}

template <typename Traits>
bool RWStringBlock<Traits>::CheckIndex(size_t i) const {
  size_t length = Length();
  if (i < length) return true;
  RWRaiseIndexOutOfRange(static_cast<uint32_t>(std::min(i, RW_NPOS)), static_cast<uint32_t>(length));
  return false;
}

template <typename Traits>
auto RWStringBlock<Traits>::CharAt(size_t i) -> Char& {
  if (!CheckIndex(i)) return Dummy();
  MakeUnique();
  return data_[i];
}

// ---- Views ----

template <typename Traits>
auto RWStringBlock<Traits>::StripChar(int mode, Char c) -> SubString {
  String& self = static_cast<String&>(*this);
  size_t j = 0, i = Length();
  if (mode & 1)
    while (j < i && data_[j] == c) ++j;
  if (mode & 2)
    while (i > j && data_[i - 1] == c) --i;
  if (j == i) return SubString(self, RW_NPOS, 0);
  return SubString(self, j, i - j);
}

template <typename Traits>
auto RWStringBlock<Traits>::SubStringView(size_t start, size_t extent) -> SubString {
  String& self = static_cast<String&>(*this);
  if (start >= RW_NPOS) return SubString(self, RW_NPOS, 0);
  // Wider values cannot lie within a string; they stay out of range.
  return SubString(self, start, std::min(extent, RW_NPOS));
}

template <typename Traits>
auto RWStringBlock<Traits>::SubStringOfPattern(const Char* pattern, size_t start, int ignoreCase) -> SubString {
  String& self = static_cast<String&>(*this);
  size_t n = Traits::TextLength(pattern);
  size_t at = FindPattern(pattern, n, start, ignoreCase);
  if (at == RW_NPOS) return SubString(self, RW_NPOS, 0);
  return SubString(self, at, n);
}

template <typename Traits>
void RWStringBlock<Traits>::RaiseSubStringError(size_t length, size_t start, size_t extent) {
  RWMessageText text(RWToolsMsg_SUBSTRING(), static_cast<int>(static_cast<uint32_t>(start)),
                     static_cast<unsigned>(extent), static_cast<unsigned>(length));
  RWRaiseIndexError(RWIndexError(text));
}

// ---- Concatenation ----

template <typename Traits>
auto RWStringBlock<Traits>::Concat(const String& a, const String& b) -> String {
  return String(a.data_, a.Length(), b.data_, b.Length());
}

template <typename Traits>
auto RWStringBlock<Traits>::ConcatText(const String& a, const Char* b) -> String {
  return String(a.data_, a.Length(), b, Traits::TextLength(b));
}

template <typename Traits>
auto RWStringBlock<Traits>::ConcatTextFirst(const Char* a, const String& b) -> String {
  return String(a, Traits::TextLength(a), b.data_, b.Length());
}

// ---- RWStringBlockView ----

template <typename Traits>
bool RWStringBlockView<Traits>::InRange() const {
  size_t length = string_->Length();
  if (start_ <= length && extent_ <= length - start_) return true;
  String::RaiseSubStringError(length, start_, extent_);
  return false;
}

template <typename Traits>
auto RWStringBlockView<Traits>::Dummy() -> Char& {
  return RWStringBlock<Traits>::Dummy();
}

template <typename Traits>
auto RWStringBlockView<Traits>::CharAtUnchecked(size_t i) -> Char& {
  string_->MakeUnique();
  return string_->data_[start_ + i];
}

template <typename Traits>
auto RWStringBlockView<Traits>::Replace(const Char* chars, size_t count) -> SubString& {
  SubString& self = static_cast<SubString&>(*this);
  if (IsNull() || !InRange()) return self;
  string_->ReplaceRange(start_, extent_, chars, count);
  extent_ = static_cast<uint32_t>(chars ? count : 0);
  return self;
}

template <typename Traits>
auto RWStringBlockView<Traits>::Assign(const String& s) -> SubString& {
  return Replace(s.Data(), s.Length());
}

template <typename Traits>
auto RWStringBlockView<Traits>::Assign(const SubString& view) -> SubString& {
  // The null view stands for no characters.
  static constexpr Char kNone[1] = {0};
  if (view.IsNull()) return Replace(kNone, 0);
  if (!view.InRange()) return static_cast<SubString&>(*this);
  return Replace(view.string_->Data() + view.start_, view.extent_);
}

template <typename Traits>
auto RWStringBlockView<Traits>::AssignText(const Char* text) -> SubString& {
  return Replace(text, Traits::TextLength(text));
}

template <typename Traits>
bool RWStringBlockView<Traits>::Equals(const String& s) const {
  if (IsNull()) return s.IsEmpty();
  if (!InRange()) return false;
  return extent_ == s.Length() && SameChars(string_->Data() + start_, s.Data(), extent_);
}

template <typename Traits>
bool RWStringBlockView<Traits>::Equals(const SubString& view) const {
  if (IsNull()) return view.IsNull();
  if (view.IsNull()) return extent_ == 0;
  if (!InRange() || !view.InRange()) return false;
  return extent_ == view.extent_ && SameChars(string_->Data() + start_, view.string_->Data() + view.start_, extent_);
}

template <typename Traits>
bool RWStringBlockView<Traits>::EqualsText(const Char* text) const {
  size_t n = Traits::TextLength(text);
  if (IsNull()) return n == 0;
  if (!InRange()) return false;
  return n == extent_ && SameChars(string_->Data() + start_, text, n);
}

template <typename Traits>
void RWStringBlockView<Traits>::ToLowerInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  MapChars(string_->data_ + start_, extent_, Traits::Lower);
}

template <typename Traits>
void RWStringBlockView<Traits>::ToUpperInPlace() {
  if (IsNull() || !InRange()) return;
  string_->MakeUnique();
  MapChars(string_->data_ + start_, extent_, Traits::Upper);
}

// The two strings.
template class RWStringBlock<RWCStringTraits>;
template class RWStringBlockView<RWCStringTraits>;
template class RWStringBlock<RWWStringTraits>;
template class RWStringBlockView<RWWStringTraits>;
