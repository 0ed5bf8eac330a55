// RWCString: the library's string of 8-bit characters. One pointer wide;
// copies share a reference-counted heap block and the text is copied only
// when a holder writes. RWCSubString is a short-lived view of a stretch of an
// RWCString through which that stretch is read, compared or replaced.
//
// The block, its capacity policy, the general edit and its forms, searching,
// views and concatenation are those of RWStringBlock (rw/RWStringBlock.h),
// which the wide string shares; what is the narrow string's own is declared
// here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"
#include "rw/RWStringBlock.h"

class RWBinaryFile;
class RWCString;
class RWCSubString;
class RWRegularExpression;
class RWVirtualInStream;
class RWVirtualOutStream;

// The narrow string's block: the NUL after the last used character lets the
// characters be handed to C functions.
using RWCStringBlock = RWStringBlockHeader<char>;
static_assert(sizeof(RWCStringBlock) == 12, "the block header is three 32-bit fields");

// What the shared block machinery uses of the narrow string: its types and
// the C runtime's calls for 8-bit text under the current locale.
struct RWCStringTraits {
  using Char = char;
  using String = RWCString;
  using SubString = RWCSubString;
  static size_t TextLength(const char* text);  // strlen; 0 for null
  static int Lower(char c);                    // tolower of the unsigned byte
  static int Upper(char c);                    // toupper of the unsigned byte
  static const char* FindFirst(const char* text, char c);
  static const char* FindLast(const char* text, char c);
  static const char* FindAnyOf(const char* text, const char* set);
};

class RWCString : public RWStringBlock<RWCStringTraits> {
 public:
  // ---- Construction, assignment, destruction ----
  // The constructors of RWStringBlock: default (the shared empty block),
  // NUL-terminated text, (characters, count), one character, (character,
  // count), a capacity, a view, the concatenation of two runs.
  using RWStringBlock::RWStringBlock;
  RWCString() = default;
  RWCString(const RWCString& other) = default;  // shares the block

  RWCString& operator=(const RWCString& other) { return Assign(other); }
  RWCString& operator=(const char* text) { return AssignText(text); }

  // ---- Reading and searching (RW_NPOS when nothing is found) ----
  // The first match of a regular expression at or after start, as
  // RWRegularExpression::IndexIn (defined with the expression).
  size_t IndexOfRegex(const RWRegularExpression& re, size_t& length, size_t start) const;

  int Compare(const RWCString& other, int ignoreCase) const;
  int CompareText(const char* text, int ignoreCase) const;

  // The text as little-endian 32-bit words, then the rest bytes packed as
  // signed values.
  uint32_t Hash() const;

  // Multibyte characters under the current C-runtime locale, or RW_NPOS when
  // the text is not a valid multibyte sequence.
  size_t MultibyteLength() const;
  int Collate(const char* text) const;
  static RWCString CollationKey(const RWCString& s);

  // ---- Views ----
  // The view of the first match of re at or after start; the null view when
  // nothing matches (defined with the expression).
  RWCSubString SubStringOfRegex(const RWRegularExpression& re, size_t start = 0);

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
};

bool operator==(const RWCString& a, const RWCString& b);
bool operator==(const RWCString& a, const char* b);

// The view of RWStringBlockView over an RWCString.
class RWCSubString : public RWStringBlockView<RWCStringTraits> {
 public:
  // Checked writable access to character i of the view: an index at or past
  // the extent raises INDEXERR (NPOSINDEX for RW_NPOS).
  char& CharAt(size_t i);

 private:
  friend class RWCString;
  friend class RWStringBlock<RWCStringTraits>;
  RWCSubString(RWCString& s, size_t start, size_t extent) : RWStringBlockView(s, start, extent) {}
};
