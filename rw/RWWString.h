// RWWString: the library's string of 16-bit characters (UTF-16 units, as the
// platform's wide interfaces take them), the twin of RWCString: one pointer
// wide, copies share a reference-counted block, the text is copied only when
// a holder writes. It also converts between narrow and wide text, by
// widening bytes or through the C runtime's multibyte conversion.
// RWWSubString is a short-lived view of a stretch of an RWWString.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWDefs.h"
#include "win32/Types.h"

class RWBinaryFile;
class RWCString;
class RWVirtualInStream;
class RWVirtualOutStream;
class RWWSubString;

// Selects the constructors that convert multibyte text under the current
// C-runtime locale, as opposed to the ones that widen each byte as it is.
enum RWMultibyteTag { RWMultibyte };

// Header of a wide string block; capacity + 1 16-bit characters (the last
// used one followed by a 0) come right after it in the same allocation of
// 2 * capacity + 14 bytes.
struct RWWStringBlock {
  uint32_t refs;      // holders minus one (0: one holder)
  uint32_t capacity;  // characters the block can hold, without the terminator
  uint32_t length;    // characters in use

  WCHAR* Text() { return reinterpret_cast<WCHAR*>(this + 1); }
};
static_assert(sizeof(RWWStringBlock) == 12, "the block header is three 32-bit fields");

class RWWString {
 public:
  // ---- Construction, assignment, destruction ----
  RWWString();                                   // the shared empty block
  RWWString(const WCHAR* text);                  // 0-terminated text; capacity = length
  RWWString(const WCHAR* chars, size_t count);   // count characters, 0s included
  explicit RWWString(WCHAR c);                   // one character, initial capacity
  RWWString(WCHAR c, size_t count);              // count copies of c
  explicit RWWString(size_t capacity);           // empty text in a block of that capacity
  RWWString(const RWWSubString& view);           // the viewed characters
  // Concatenation: one block of RoundCapacity(count1 + count2) holding both
  // runs; a null pointer counts as no characters.
  RWWString(const WCHAR* chars1, size_t count1, const WCHAR* chars2, size_t count2);
  RWWString(const RWWString& other);             // shares the block
  ~RWWString();

  // Widening: each byte becomes the character of the same value; no code
  // page is involved. A null text counts as no characters.
  explicit RWWString(const char* text);
  RWWString(const char* chars, size_t count);
  explicit RWWString(char c);
  explicit RWWString(const RWCString& s);

  // Multibyte text converted under the current C-runtime locale, reading at
  // most strlen(text), count or s.Length() bytes (a NUL ends it earlier). Text
  // that is not a valid multibyte sequence gives an empty string.
  RWWString(const char* text, RWMultibyteTag);
  RWWString(const char* chars, size_t count, RWMultibyteTag);
  RWWString(const RWCString& s, RWMultibyteTag);

  RWWString& Assign(const RWWString& other);
  RWWString& AssignText(const WCHAR* text);
  RWWString& operator=(const RWWString& other) { return Assign(other); }
  RWWString& operator=(const WCHAR* text) { return AssignText(text); }

  // ---- Accessors ----
  size_t Length() const { return Block()->length; }
  size_t Capacity() const { return Block()->capacity; }
  const WCHAR* Data() const { return data_; }
  bool IsEmpty() const { return Block()->length == 0; }
  // Checked read access; an index error gives 0.
  WCHAR operator[](size_t i) const;

  // ---- Reading and searching (RW_NPOS when nothing is found) ----
  size_t IndexOfChar(WCHAR c) const;                  // stops at the first 0
  size_t FindChar(WCHAR c, size_t unused = 1) const;  // all characters
  size_t IndexOfAnyCharText(const WCHAR* set) const;  // stops at the first 0
  size_t IndexOfAnyChar(const WCHAR* set, size_t n) const;
  size_t LastIndexOfChar(WCHAR c) const;              // stops at the first 0
  size_t FindLastChar(WCHAR c, size_t unused = 1) const;
  size_t FindPattern(const WCHAR* pattern, size_t n, size_t start, int ignoreCase) const;
  size_t FindPatternText(const WCHAR* pattern, size_t start, int ignoreCase) const;
  bool Contains(const WCHAR* pattern, int ignoreCase) const;

  // Exact: the order of the little-endian byte images; ignoring case: the
  // lowered characters as unsigned 16-bit values.
  int Compare(const RWWString& other, int ignoreCase) const;
  int CompareText(const WCHAR* text, int ignoreCase) const;
  static bool EqualsText(const RWWString& s, const WCHAR* text);

  uint32_t Hash() const;
  uint32_t HashFoldCase() const;
  uint32_t HashWithCase(int ignoreCase) const;
  static uint32_t HashOf(const RWWString& s);

  bool IsAscii() const;  // no character above 127
  int Collate(const WCHAR* text) const;
  static RWWString CollationKey(const RWWString& s);

  // ---- Conversion to narrow text ----
  // The text converted under the current C-runtime locale, up to its first
  // 0; empty when a character has no multibyte form.
  RWCString ToMultibyte() const;
  // The low 8 bits of every character, same length.
  RWCString NarrowAscii() const;

  // ---- Writing (each makes the block private first) ----
  // The one general edit: replaces extent characters at position by count
  // characters (null characters: none). A position beyond the length raises
  // the index error and leaves the string as it was.
  RWWString& ReplaceRange(size_t position, size_t extent, const WCHAR* chars, size_t count);
  RWWString& AppendText(const WCHAR* text);
  RWWString& PrependText(const WCHAR* text);
  RWWString& InsertText(size_t position, const WCHAR* text);
  // The position is clamped to the length first.
  RWWString& ReplaceText(size_t position, size_t extent, const WCHAR* text);
  RWWString& AppendRepeated(WCHAR c, size_t n);
  RWWString& PrependRepeated(WCHAR c, size_t n);
  void Resize(size_t n);  // pads with blanks (0x0020)
  size_t SetCapacity(size_t n);
  void ClearWithCapacity(size_t n);
  void MakeUnique();
  RWWString Copy() const;
  void ToLowerInPlace();
  void ToUpperInPlace();
  static RWWString ToLowerCopy(const RWWString& s);
  static RWWString ToUpperCopy(const RWWString& s);
  // Checked writable access to character i.
  WCHAR& CharAt(size_t i);
  // Passes when i is below the length; otherwise raises the index error
  // (INDEXERR, or NPOSINDEX for RW_NPOS) and returns false.
  bool CheckIndex(size_t i) const;

  // ---- Views ----
  // mode 1: without leading runs of c, 2: without trailing ones, 3: both.
  RWWSubString StripChar(int mode, WCHAR c);
  RWWSubString SubStringView(size_t start, size_t extent);
  RWWSubString SubStringOfPattern(const WCHAR* pattern, size_t start, int ignoreCase);
  static void RaiseSubStringError(size_t length, size_t start, size_t extent);

  // ---- Concatenation ----
  static RWWString Concat(const RWWString& a, const RWWString& b);
  static RWWString ConcatText(const RWWString& a, const WCHAR* b);
  static RWWString ConcatTextFirst(const WCHAR* a, const RWWString& b);

  // ---- Persistence ----
  // Stored form: a 32-bit length in characters, then the characters as
  // 16-bit values, no terminator. SaveToFile answers whether every write
  // succeeded.
  bool SaveToFile(RWBinaryFile& file) const;
  void SaveTo(RWVirtualOutStream& stream) const;
  // A restore either reads the whole stored string or leaves this string as
  // it was (the file's indicators or the stream's state tell the caller);
  // RestoreFromFile answers whether the whole string was read. Memory is
  // taken as the characters arrive, never on the word of the stored length.
  bool RestoreFromFile(RWBinaryFile& file);
  void RestoreFrom(RWVirtualInStream& stream);

  // ---- Text on the classic streams ----
  // A character travels as two bytes, low byte first. Reading stops as soon
  // as the stream's state is not good; a character cut short sets the fail
  // bit. The string keeps what was read before a failure. Each reader
  // replaces the text and returns the stream.
  //
  // Characters up to the delimiter, which is consumed and not stored;
  // leading white space is skipped first when skipWhite is set.
  std::istream& ReadToDelimiter(std::istream& stream, WCHAR delimiter, bool skipWhite);
  std::istream& ReadLine(std::istream& stream, bool skipWhite);  // delimiter 0x000A
  std::istream& ReadString(std::istream& stream);                // delimiter 0, no skipping
  // After white space, characters up to the next white space (consumed), or
  // up to the stream's width when it is set; the width is reset to 0.
  std::istream& ReadToken(std::istream& stream);
  // Every character until the stream fails.
  std::istream& ReadAll(std::istream& stream);
  // The text, padded with the stream's fill byte (sign-extended) to its
  // width, before the text or, with the left-adjust flag, after it; the
  // width is reset to 0. A short write sets the fail bit.
  std::ostream& WriteTo(std::ostream& stream) const;

  // ---- Capacity policy (process-wide, separate from the narrow string's;
  // each setter returns the old value) ----
  static size_t RoundCapacity(size_t n);
  static size_t SetInitialCapacity(size_t n);
  static size_t SetResizeIncrement(size_t n);
  static size_t SetMaxWaste(size_t n);

 private:
  friend class RWWSubString;
  RWWStringBlock* Block() const { return reinterpret_cast<RWWStringBlock*>(data_) - 1; }
  bool IsShared() const;
  // A block of (capacity, length) with its terminator written; (0, 0) is the
  // shared empty block.
  static WCHAR* NewBlock(size_t capacity, size_t length);
  static void Release(WCHAR* data);
  static WCHAR* Widen(const char* chars, size_t count);
  // The classic-stream readers' append: when the block is full its capacity
  // becomes grow (capacity) first; false when that gives no room.
  bool AppendRead(WCHAR c, size_t (*grow)(size_t));
  // Writes the terminator and gives back room beyond the maximum waste.
  void FinishRead();
  static WCHAR* FromMultibyte(const char* chars, size_t count);

  WCHAR* data_;
};

bool operator==(const RWWString& a, const RWWString& b);
bool operator==(const RWWString& a, const WCHAR* b);

// Case-insensitive comparison of two 0-terminated wide texts (the N form
// looks at most n characters): characters are upper-cased and compared as
// unsigned 16-bit values, giving -1 or 1 at the first difference. The walk
// stops, giving 0, as soon as either text ends (or n is used up), so a text
// compares equal to any text it starts.
int RWWideCompareFoldCase(const WCHAR* a, const WCHAR* b);
int RWWideCompareFoldCaseN(const WCHAR* a, const WCHAR* b, size_t n);

// A view {string, start, extent}; a start of RW_NPOS is the null view (no
// match). It neither owns nor shares the block and is valid only while the
// string lives and is not resized by anyone else. Operations that find the
// view no longer within the string raise the SUBSTRING error and do nothing.
class RWWSubString {
 public:
  size_t Start() const { return start_; }
  size_t Extent() const { return extent_; }
  bool IsNull() const { return start_ == RW_NPOS; }

  // Passes when i is below the extent; otherwise raises the INDEX error and
  // returns false.
  bool CheckIndex(size_t i) const;
  WCHAR& CharAt(size_t i);
  WCHAR& CharAtUnchecked(size_t i);

  RWWSubString& Assign(const RWWString& s);
  RWWSubString& Assign(const RWWSubString& view);
  RWWSubString& AssignText(const WCHAR* text);

  bool Equals(const RWWString& s) const;
  bool Equals(const RWWSubString& view) const;
  bool EqualsText(const WCHAR* text) const;

  void ToLowerInPlace();
  void ToUpperInPlace();

 private:
  friend class RWWString;
  RWWSubString(RWWString& s, size_t start, size_t extent)
      : string_(&s), start_(static_cast<uint32_t>(start)), extent_(static_cast<uint32_t>(extent)) {}
  // True when the view lies within its string; otherwise raises SUBSTRING.
  bool InRange() const;
  RWWSubString& Replace(const WCHAR* chars, size_t count);

  RWWString* string_;
  uint32_t start_;
  uint32_t extent_;
};
