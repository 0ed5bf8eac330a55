// RWWString: the library's string of 16-bit characters (UTF-16 units, as the
// platform's wide interfaces take them), the twin of RWCString: one pointer
// wide, copies share a reference-counted block, the text is copied only when
// a holder writes. It also converts between narrow and wide text, by
// widening bytes or through the C runtime's multibyte conversion.
// RWWSubString is a short-lived view of a stretch of an RWWString.
//
// The block, its capacity policy, the general edit and its forms, searching,
// views and concatenation are those of RWStringBlock (rw/RWStringBlock.h),
// which the narrow string shares; what is the wide string's own is declared
// here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWDefs.h"
#include "rw/RWStringBlock.h"
#include "win32/Types.h"

class RWBinaryFile;
class RWCString;
class RWVirtualInStream;
class RWVirtualOutStream;
class RWWString;
class RWWSubString;

// Selects the constructors that convert multibyte text under the current
// C-runtime locale, as opposed to the ones that widen each byte as it is.
enum RWMultibyteTag { RWMultibyte };

// The wide string's block: a block of capacity c is one allocation of
// 2 * c + 14 bytes.
using RWWStringBlock = RWStringBlockHeader<WCHAR>;
static_assert(sizeof(RWWStringBlock) == 12, "the block header is three 32-bit fields");

// What the shared block machinery uses of the wide string: its types and the
// C runtime's calls for 16-bit text.
struct RWWStringTraits {
  using Char = WCHAR;
  using String = RWWString;
  using SubString = RWWSubString;
  static size_t TextLength(const WCHAR* text);  // wcslen; 0 for null
  static WCHAR Lower(WCHAR c);                   // towlower
  static WCHAR Upper(WCHAR c);                   // towupper
  static const WCHAR* FindFirst(const WCHAR* text, WCHAR c);
  static const WCHAR* FindLast(const WCHAR* text, WCHAR c);
  static const WCHAR* FindAnyOf(const WCHAR* text, const WCHAR* set);
};

class RWWString : public RWStringBlock<RWWStringTraits> {
 public:
  // ---- Construction, assignment, destruction ----
  // The constructors of RWStringBlock: default (the shared empty block),
  // 0-terminated text, (characters, count), one character, (character,
  // count), a capacity, a view, the concatenation of two runs.
  using RWStringBlock::RWStringBlock;
  RWWString() = default;
  RWWString(const RWWString& other) = default;  // shares the block

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

  RWWString& operator=(const RWWString& other) { return Assign(other); }
  RWWString& operator=(const WCHAR* text) { return AssignText(text); }

  // ---- Reading and searching (RW_NPOS when nothing is found) ----
  size_t FindPatternText(const WCHAR* pattern, size_t start, int ignoreCase) const;
  bool Contains(const WCHAR* pattern, int ignoreCase) const;

  // Exact: the order of the little-endian byte images; ignoring case: the
  // lowered characters as unsigned 16-bit values.
  int Compare(const RWWString& other, int ignoreCase) const;
  int CompareText(const WCHAR* text, int ignoreCase) const;

  // Pairs of characters as little-endian 32-bit words, then an odd last
  // character on its own.
  uint32_t Hash() const;

  int Collate(const WCHAR* text) const;
  static RWWString CollationKey(const RWWString& s);

  // ---- Conversion to narrow text ----
  // The text converted under the current C-runtime locale, up to its first
  // 0; empty when a character has no multibyte form.
  RWCString ToMultibyte() const;
  // The low 8 bits of every character, same length.
  RWCString NarrowAscii() const;

  // ---- Writing (each makes the block private first) ----
  // Forms of ReplaceRange with 0-terminated text.
  RWWString& AppendText(const WCHAR* text);
  RWWString& PrependText(const WCHAR* text);
  RWWString& InsertText(size_t position, const WCHAR* text);
  // The position is clamped to the length first.
  RWWString& ReplaceText(size_t position, size_t extent, const WCHAR* text);

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

 private:
  static WCHAR* Widen(const char* chars, size_t count);
  // The classic-stream readers' append: when the block is full its capacity
  // becomes grow (capacity) first; false when that gives no room.
  bool AppendRead(WCHAR c, size_t (*grow)(size_t));
  // The token reader's growth: the capacity plus the resize increment.
  static size_t GrowByIncrement(size_t capacity);
  // Writes the terminator and gives back room beyond the maximum waste.
  void FinishRead();
  static WCHAR* FromMultibyte(const char* chars, size_t count);
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

// The view of RWStringBlockView over an RWWString.
class RWWSubString : public RWStringBlockView<RWWStringTraits> {
 public:
  // Passes when i is below the extent; otherwise raises the INDEX error and
  // returns false.
  bool CheckIndex(size_t i) const;
  // Checked writable access to character i of the view.
  WCHAR& CharAt(size_t i);

 private:
  friend class RWStringBlock<RWWStringTraits>;
  RWWSubString(RWWString& s, size_t start, size_t extent) : RWStringBlockView(s, start, extent) {}
};
