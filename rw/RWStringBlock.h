// RWStringBlock: the copy-on-write block that RWCString (8-bit characters)
// and RWWString (16-bit characters) are built on, with everything the two
// strings do alike: blocks and their capacity policy, the general edit and
// its forms, searching, views and concatenation. RWStringBlockView is the
// view of a stretch of such a string that RWCSubString and RWWSubString
// build on. What differs between the strings (hashes, comparisons, stored
// forms, conversions) stays in their own classes.
//
// A string is one pointer to the first character of a heap block: a header
// of three 32-bit fields (count, capacity, length), then capacity + 1
// characters, the one after the last used always 0. Copies share the block;
// a holder that writes makes it private first.
//
// Each string instantiates the templates with its traits: its character
// type, its string and view classes and the C-runtime calls for its
// characters. Each instantiation has its own empty block, its own lock for
// the block counts and its own capacity policy: the narrow and the wide
// string share none of them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"

// Header of a string block; the characters come right after it in the same
// allocation of sizeof(header) + (capacity + 1) * sizeof(character) bytes.
template <typename Char>
struct RWStringBlockHeader {
  uint32_t refs;      // holders minus one (0: one holder)
  uint32_t capacity;  // characters the block can hold, without the terminator
  uint32_t length;    // characters in use

  Char* Text() { return reinterpret_cast<Char*>(this + 1); }
};

template <typename Traits>
class RWStringBlockView;

// Traits, as RWCStringTraits and RWWStringTraits give them:
//   Char, String, SubString       the character type, the string, the view
//   TextLength (text)             characters before the terminator; 0 for null
//   Lower (c), Upper (c)          the case mapping of the current C-runtime locale
//   FindFirst (text, c), FindLast (text, c), FindAnyOf (text, set)
//                                 the C runtime's strchr, strrchr and strpbrk
template <typename Traits>
class RWStringBlock {
 public:
  using Char = typename Traits::Char;
  using String = typename Traits::String;
  using SubString = typename Traits::SubString;
  using Header = RWStringBlockHeader<Char>;

  // ---- Construction (the strings take these constructors over) ----
  RWStringBlock();                               // the shared empty block
  RWStringBlock(const Char* text);               // 0-terminated text; capacity = length
  RWStringBlock(const Char* chars, size_t count);  // count characters, 0s included
  explicit RWStringBlock(Char c);                // one character, initial capacity
  RWStringBlock(Char c, size_t count);           // count copies of c
  explicit RWStringBlock(size_t capacity);       // empty text in a block of that capacity
  RWStringBlock(const SubString& view);          // the viewed characters
  // Concatenation: one block of RoundCapacity(count1 + count2) holding both
  // runs; a null pointer counts as no characters.
  RWStringBlock(const Char* chars1, size_t count1, const Char* chars2, size_t count2);
  RWStringBlock(const RWStringBlock& other);     // shares the block

  String& Assign(const String& other);
  // An empty text empties a block held alone in place and otherwise takes
  // the empty block; any other text replaces the whole text.
  String& AssignText(const Char* text);

  // ---- Accessors ----
  size_t Length() const { return Block()->length; }
  size_t Capacity() const { return Block()->capacity; }
  const Char* Data() const { return data_; }
  bool IsEmpty() const { return Block()->length == 0; }
  // Checked read access; an index error gives 0.
  Char operator[](size_t i) const;

  // ---- Reading and searching (RW_NPOS when nothing is found) ----
  size_t IndexOfChar(Char c) const;                  // stops at the first 0
  size_t FindChar(Char c, size_t unused = 1) const;  // all characters
  size_t IndexOfAnyCharText(const Char* set) const;  // stops at the first 0
  size_t IndexOfAnyChar(const Char* set, size_t n) const;
  size_t LastIndexOfChar(Char c) const;              // stops at the first 0
  size_t FindLastChar(Char c, size_t unused = 1) const;
  size_t FindPattern(const Char* pattern, size_t n, size_t start, int ignoreCase) const;
  static bool EqualsText(const String& s, const Char* text);

  // ---- Hashing and classes (the exact Hash is each string's own) ----
  // h = length; for each character h = Upper (character) XOR rotl (h, 5).
  uint32_t HashFoldCase() const;
  uint32_t HashWithCase(int ignoreCase) const;
  static uint32_t HashOf(const String& s);
  bool IsAscii() const;  // no character above 127

  // ---- Writing (each makes the block private first) ----
  // The one general edit: replaces extent characters at position by count
  // characters (null characters: none). A position beyond the length raises
  // the index error and leaves the string as it was. Append, prepend, insert
  // and remove are forms of it.
  String& ReplaceRange(size_t position, size_t extent, const Char* chars, size_t count);
  String& AppendRepeated(Char c, size_t n);
  String& PrependRepeated(Char c, size_t n);
  void Resize(size_t n);  // pads with blanks
  size_t SetCapacity(size_t n);
  void ClearWithCapacity(size_t n);
  void MakeUnique();
  String Copy() const;
  void ToLowerInPlace();
  void ToUpperInPlace();
  static String ToLowerCopy(const String& s);
  static String ToUpperCopy(const String& s);
  // Checked writable access to character i.
  Char& CharAt(size_t i);
  // Passes when i is below the length; otherwise raises the index error
  // (INDEXERR, or NPOSINDEX for RW_NPOS) and returns false.
  bool CheckIndex(size_t i) const;

  // ---- Views ----
  // mode 1: without leading runs of c, 2: without trailing ones, 3: both.
  SubString StripChar(int mode, Char c);
  SubString SubStringView(size_t start, size_t extent);
  SubString SubStringOfPattern(const Char* pattern, size_t start, int ignoreCase);
  static void RaiseSubStringError(size_t length, size_t start, size_t extent);

  // ---- Concatenation ----
  static String Concat(const String& a, const String& b);
  static String ConcatText(const String& a, const Char* b);
  static String ConcatTextFirst(const Char* a, const String& b);

  // ---- Capacity policy (process-wide, one per string type; each setter
  // returns the old value) ----
  static size_t RoundCapacity(size_t n);
  static size_t SetInitialCapacity(size_t n);
  static size_t SetResizeIncrement(size_t n);
  static size_t SetMaxWaste(size_t n);

 protected:
  // Takes over data, a block that NewBlock made.
  struct AdoptBlock {};
  RWStringBlock(AdoptBlock, Char* data) : data_(data) {}
  ~RWStringBlock();
  // The strings assign through Assign; a copy of the bare pointer would not
  // count the new holder.
  RWStringBlock& operator=(const RWStringBlock&) = delete;

  // Lengths and capacities are stored in 32 bits and RW_NPOS is never a
  // length: a larger request cannot be represented in a block and fails as
  // an allocation that cannot be satisfied (std::bad_alloc), before
  // anything is changed.
  static constexpr size_t kMaxLength = RW_NPOS - 1;
  static size_t AddLengths(size_t a, size_t b);
  static size_t ResizeIncrement();
  static size_t MaxWaste();

  Header* Block() const { return reinterpret_cast<Header*>(data_) - 1; }
  bool IsShared() const;
  // The index of p, where a search stopped in the text; RW_NPOS for a null
  // p or one at the terminator or past it.
  size_t PositionOf(const Char* p) const;
  // A block of (capacity, length) with its terminator written; (0, 0) is
  // the shared empty block.
  static Char* NewBlock(size_t capacity, size_t length);
  static void Release(Char* data);
  // Written through by a caller of a failed checked access, never read.
  static Char& Dummy();

  // Stored bodies are read this many characters (4096 bytes) at a time.
  static constexpr size_t kChunk = 4096 / sizeof(Char);

  // Reads a stored body of n characters, a chunk at a time through
  // read (chunk, count) -> whole chunk read, into a fresh string whose
  // block grows with what has arrived: a damaged length costs at most twice
  // the memory of the characters really there. False, with the target
  // unchanged, when a chunk cannot be read whole.
  template <typename Read>
  static bool RestoreInChunks(String& target, size_t n, Read read) {
    Char chunk[kChunk];
    String fresh(std::min(n, kChunk));
    while (fresh.Length() < n) {
      const size_t have = fresh.Length();
      const size_t want = std::min(n - have, kChunk);
      if (!read(chunk, want)) return false;
      if (fresh.Capacity() < have + want)
        fresh.SetCapacity(std::min(n, std::max(have + want, 2 * fresh.Capacity())));
      fresh.ReplaceRange(have, 0, chunk, want);
    }
    target = fresh;
    return true;
  }

  Char* data_;

 private:
  friend class RWStringBlockView<Traits>;
};

// A view {string, start, extent}; a start of RW_NPOS is the null view (no
// match). It neither owns nor shares the block and is valid only while the
// string lives and is not resized by anyone else. Operations that find the
// view no longer within the string raise the SUBSTRING error and do nothing.
template <typename Traits>
class RWStringBlockView {
 public:
  using Char = typename Traits::Char;
  using String = typename Traits::String;
  using SubString = typename Traits::SubString;

  size_t Start() const { return start_; }
  size_t Extent() const { return extent_; }
  bool IsNull() const { return start_ == RW_NPOS; }

  Char& CharAtUnchecked(size_t i);

  // Each replaces the viewed characters, which then are the view's.
  SubString& Assign(const String& s);
  SubString& Assign(const SubString& view);
  SubString& AssignText(const Char* text);

  bool Equals(const String& s) const;
  bool Equals(const SubString& view) const;
  bool EqualsText(const Char* text) const;

  void ToLowerInPlace();
  void ToUpperInPlace();

 protected:
  RWStringBlockView(String& s, size_t start, size_t extent)
      : string_(&s), start_(static_cast<uint32_t>(start)), extent_(static_cast<uint32_t>(extent)) {}
  // True when the view lies within its string; otherwise raises SUBSTRING.
  bool InRange() const;
  SubString& Replace(const Char* chars, size_t count);
  static Char& Dummy();

  String* string_;
  uint32_t start_;
  uint32_t extent_;

 private:
  friend class RWStringBlock<Traits>;
};
