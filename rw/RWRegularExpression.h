// RWRegularExpression: a small pattern for searching RWCString text. The
// pattern is compiled once into a fixed program of 256 16-bit codes, which a
// backtracking matcher runs over the text.
//
// Pattern elements: literal characters (with backslash escapes), `.` (any
// character but newline), classes `[...]` and `[^...]`, the closures `*`, `+`
// and `?` after an element, `^` first and `$` last as anchors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"

class RWCString;

class RWRegularExpression {
 public:
  // Compile results.
  enum Status : int32_t {
    kCompiled = 0,
    kIllegalPattern = 1,  // empty, led by a closure, or an empty or unclosed class
    kNoProgram = 2,       // no program buffer to compile into
    kProgramFull = 3,     // too long for the program, or a closure after an anchor or a closure
  };

  // Both compile the pattern; the status tells whether it compiled. A null
  // text is an empty pattern.
  RWRegularExpression(const char* pattern);
  RWRegularExpression(const RWCString& pattern);
  RWRegularExpression(const RWRegularExpression& other);
  ~RWRegularExpression();

  RWRegularExpression& Assign(const RWRegularExpression& other);
  RWRegularExpression& AssignText(const char* pattern);
  RWRegularExpression& AssignText(const RWCString& pattern);
  RWRegularExpression& operator=(const RWRegularExpression& other) { return Assign(other); }
  RWRegularExpression& operator=(const char* pattern) { return AssignText(pattern); }

  // The status of the last compile; reading it resets it to 0. A pattern that
  // failed to compile stays unusable for searching all the same.
  int32_t TakeStatus();

  // Position of the first match at or after start, with its length in
  // length; RW_NPOS and length 0 when nothing matches. A start beyond the
  // text gives RW_NPOS and leaves length alone. Searching with a pattern that
  // did not compile raises BADRE and finds nothing.
  size_t IndexIn(const RWCString& text, size_t& length, size_t start = 0) const;

 private:
  void Compile(const char* pattern, size_t count);

  uint16_t* program_;  // kProgramCodes codes
  int32_t status_;
  bool compiled_;      // the program is complete and may be run
};
