// RWCString: the library's string of 8-bit characters. One pointer wide;
// copies share a reference-counted heap block and the text is copied only
// when a holder writes. RWCSubString is a short-lived view of a stretch of an
// RWCString through which that stretch is read, compared or replaced.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"

class RWBinaryFile;
class RWCSubString;
class RWRegularExpression;
class RWVirtualInStream;
class RWVirtualOutStream;

// Header of a string block; the characters (capacity + 1 bytes, the last used
// one followed by a NUL) come right after it in the same allocation.
struct RWCStringBlock {
  uint32_t refs;      // holders minus one (0: one holder)
  uint32_t capacity;  // characters the block can hold, without the NUL
  uint32_t length;    // characters in use

  char* Text() { return reinterpret_cast<char*>(this + 1); }
};
static_assert(sizeof(RWCStringBlock) == 12, "the block header is three 32-bit fields");

class RWCString {
 public:
  // ---- Construction, assignment, destruction ----
  RWCString();                               // the shared empty block
  RWCString(const char* text);               // NUL-terminated text; capacity = length
  RWCString(const char* chars, size_t count);  // count characters, NULs included
  explicit RWCString(char c);                // one character, initial capacity
  RWCString(char c, size_t count);           // count copies of c
  explicit RWCString(size_t capacity);       // empty text in a block of that capacity
  RWCString(const RWCSubString& view);       // the viewed characters
  // Concatenation: one block of RoundCapacity(count1 + count2) holding both
  // runs; a null pointer counts as no characters.
  RWCString(const char* chars1, size_t count1, const char* chars2, size_t count2);
  RWCString(const RWCString& other);         // shares the block
  ~RWCString();

  RWCString& Assign(const RWCString& other);
  RWCString& AssignText(const char* text);
  RWCString& operator=(const RWCString& other) { return Assign(other); }
  RWCString& operator=(const char* text) { return AssignText(text); }

  // ---- Accessors ----
  size_t Length() const { return Block()->length; }
  size_t Capacity() const { return Block()->capacity; }
  const char* Data() const { return data_; }
  bool IsEmpty() const { return Block()->length == 0; }
  // Checked read access; an index error gives NUL.
  char operator[](size_t i) const;

  // ---- Reading and searching (RW_NPOS when nothing is found) ----
  size_t IndexOfChar(char c) const;                  // stops at the first NUL
  size_t FindChar(char c, size_t unused = 1) const;  // all characters
  size_t IndexOfAnyCharText(const char* set) const;  // stops at the first NUL
  size_t IndexOfAnyChar(const char* set, size_t n) const;
  size_t LastIndexOfChar(char c) const;              // stops at the first NUL
  size_t FindLastChar(char c, size_t unused = 1) const;
  size_t FindPattern(const char* pattern, size_t n, size_t start, int ignoreCase) const;
  // The first match of a regular expression at or after start, as
  // RWRegularExpression::IndexIn (defined with the expression).
  size_t IndexOfRegex(const RWRegularExpression& re, size_t& length, size_t start) const;

  int Compare(const RWCString& other, int ignoreCase) const;
  int CompareText(const char* text, int ignoreCase) const;
  static bool EqualsText(const RWCString& s, const char* text);

  uint32_t Hash() const;
  uint32_t HashFoldCase() const;
  uint32_t HashWithCase(int ignoreCase) const;
  static uint32_t HashOf(const RWCString& s);

  bool IsAscii() const;
  // Multibyte characters under the current C-runtime locale, or RW_NPOS when
  // the text is not a valid multibyte sequence.
  size_t MultibyteLength() const;
  int Collate(const char* text) const;
  static RWCString CollationKey(const RWCString& s);

  // ---- Writing (each makes the block private first) ----
  // The one general edit: replaces extent characters at position by count
  // characters (null characters: none). Append, prepend, insert and remove
  // are forms of it.
  RWCString& ReplaceRange(size_t position, size_t extent, const char* chars, size_t count);
  RWCString& AppendRepeated(char c, size_t n);
  RWCString& PrependRepeated(char c, size_t n);
  void Resize(size_t n);
  size_t SetCapacity(size_t n);
  void ClearWithCapacity(size_t n);
  void MakeUnique();
  RWCString Copy() const;
  void ToLowerInPlace();
  void ToUpperInPlace();
  static RWCString ToLowerCopy(const RWCString& s);
  static RWCString ToUpperCopy(const RWCString& s);
  // Checked writable access to character i.
  char& CharAt(size_t i);
  // Passes when i is below the length; otherwise raises the index error and
  // returns false.
  bool CheckIndex(size_t i) const;

  // ---- Views ----
  // mode 1: without leading runs of c, 2: without trailing ones, 3: both.
  RWCSubString StripChar(int mode, char c);
  RWCSubString SubStringView(size_t start, size_t extent);
  RWCSubString SubStringOfPattern(const char* pattern, size_t start, int ignoreCase);
  // The view of the first match of re at or after start; the null view when
  // nothing matches (defined with the expression).
  RWCSubString SubStringOfRegex(const RWRegularExpression& re, size_t start = 0);
  static void RaiseSubStringError(size_t length, size_t start, size_t extent);

  // ---- Concatenation ----
  static RWCString Concat(const RWCString& a, const RWCString& b);
  static RWCString ConcatText(const RWCString& a, const char* b);
  static RWCString ConcatTextFirst(const char* a, const RWCString& b);

  // ---- Persistence ----
  // Stored form: a 32-bit length, then the characters, no terminator. On a
  // file the characters follow the length directly; on a virtual stream they
  // are written as a stream string (which carries its own length again).
  // SaveToFile answers whether both writes succeeded.
  bool SaveToFile(RWBinaryFile& file) const;
  void SaveTo(RWVirtualOutStream& stream) const;
  // A restore either reads the whole stored string or leaves this string as
  // it was: a length that cannot be read, a body cut short, or a stream
  // string whose length differs from the stored one changes nothing, and the
  // file's indicators or the stream's state tell the caller. RestoreFromFile
  // answers whether the whole string was read. Memory is taken as the
  // characters arrive, never on the word of the stored length alone; on a
  // virtual stream a stored length above kMaxStreamStringLength is refused
  // (fail bit) without reading further.
  bool RestoreFromFile(RWBinaryFile& file);
  void RestoreFrom(RWVirtualInStream& stream);
  static constexpr size_t kMaxStreamStringLength = 0x1000000;

  // ---- Capacity policy (process-wide; each setter returns the old value) ----
  static size_t RoundCapacity(size_t n);
  static size_t SetInitialCapacity(size_t n);
  static size_t SetResizeIncrement(size_t n);
  static size_t SetMaxWaste(size_t n);

 private:
  friend class RWCSubString;
  RWCStringBlock* Block() const { return reinterpret_cast<RWCStringBlock*>(data_) - 1; }
  bool IsShared() const;
  // A block of (capacity, length) with its NUL written; (0, 0) is the shared
  // empty block.
  static char* NewBlock(size_t capacity, size_t length);
  static void Release(char* data);

  char* data_;
};

bool operator==(const RWCString& a, const RWCString& b);
bool operator==(const RWCString& a, const char* b);

// A view {string, start, extent}; a start of RW_NPOS is the null view (no
// match). It neither owns nor shares the block and is valid only while the
// string lives and is not resized by anyone else. Operations that find the
// view no longer within the string raise the SUBSTRING error and do nothing.
class RWCSubString {
 public:
  size_t Start() const { return start_; }
  size_t Extent() const { return extent_; }
  bool IsNull() const { return start_ == RW_NPOS; }

  char& CharAt(size_t i);
  char& CharAtUnchecked(size_t i);

  RWCSubString& Assign(const RWCString& s);
  RWCSubString& Assign(const RWCSubString& view);
  RWCSubString& AssignText(const char* text);

  bool Equals(const RWCString& s) const;
  bool Equals(const RWCSubString& view) const;
  bool EqualsText(const char* text) const;

  void ToLowerInPlace();
  void ToUpperInPlace();

 private:
  friend class RWCString;
  RWCSubString(RWCString& s, size_t start, size_t extent)
      : string_(&s), start_(static_cast<uint32_t>(start)), extent_(static_cast<uint32_t>(extent)) {}
  // True when the view lies within its string; otherwise raises SUBSTRING.
  bool InRange() const;
  RWCSubString& Replace(const char* chars, size_t count);

  RWCString* string_;
  uint32_t start_;
  uint32_t extent_;
};
