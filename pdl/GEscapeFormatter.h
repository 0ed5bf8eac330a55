// GEscapeFormatter: writes PCL escape sequences and GL/2 instructions from
// templates. A template (PclTemplate) is a NUL-terminated text whose bytes
// stand as themselves or as "#" and two hex digits, and whose numbers are
// computed from eight integer argument cells A to H by short postfix
// formulas and printed in one of six number formats. A run interprets the
// template afresh and writes its bytes into the PCL output stream or into a
// caller's buffer.
//
// Template elements:
//   #hh              the byte with hex value hh
//   %%  %0           "%" and a zero byte
//   %f<formula>%Fn   the formula's result in format F with parameter n
//   %i<formula>%Fn   the same, then: a result that truncates to 0 skips to
//                    the matching %e
//   %e  %E           else (skips to the matching %E) and end of conditional
//   %X%Fn            direct value: X is a cell letter or a decimal integer
//   anything else    written unchanged
// Formula characters: A-H push a cell, digits push a literal (at most seven
// digits and one point), + - * / < = > pop two and push the result, "!"
// negates and "i" truncates the top; anything else is a separator.
// Formats: A decimal (n = minimum width), F fixed point (n decimals), G GL/2
// polyline-encoded (scaled by 2^n), I big-endian bytes, s silent (formulas
// only, no parameter), any other letter little-endian bytes.
//
// Templates are the program's own constants, but the cells carry job values,
// so a run never leaves its template, the cells, the value stack or the
// caller's buffer: a formula that would overflow or underflow the stack,
// divide by zero or yield no finite number writes nothing, and a value too
// large for 32 bits is printed at the nearest 32-bit limit.
#pragma once

#include <cstdint>

#include "pdl/PclStream.h"

class GEscapeFormatter {
 public:
  static constexpr int kCellCount = 8;
  static constexpr int kStackSize = 100;

  // No template, no stream, cells zero, base 64 for polyline numbers.
  GEscapeFormatter();
  // The owner makes a new formatter for a copy of itself; it never shares
  // the stream or the cells.
  GEscapeFormatter(const GEscapeFormatter&) = delete;
  GEscapeFormatter& operator=(const GEscapeFormatter&) = delete;

  void SetTemplate(const char* text) { position_ = text; }
  const char* GetTemplate() const { return position_; }
  void SetStream(PclStream* stream) { stream_ = stream; }
  PclStream* GetStream() const { return stream_; }

  // Cells A to H are indices 0 to 7; other indices are ignored (read as 0).
  void SetCell(int index, int32_t value);
  int32_t GetCell(int index) const;

  // 1 selects base 32 for polyline-encoded numbers, 0 base 64.
  void SetBase32(int32_t flag) { base32_ = flag != 0; }

  // Runs the template into the stream; returns the number of bytes
  // produced. Without a stream or a template nothing is produced.
  uint32_t RunToStream();
  // Runs the template into buffer, which holds size bytes; returns the
  // number of bytes stored there. Output that does not fit is dropped and
  // LastRunOverflowed() is then true. No terminator is written.
  uint32_t RunToBuffer(uint8_t* buffer, uint32_t size);
  // True when the last buffer-mode run had more output than room.
  bool LastRunOverflowed() const { return overflowed_; }

 private:
  uint32_t Run();
  void Put(uint8_t byte);
  void PutText(const char* text);
  // Evaluates the formula from position_ to its closing "%" (left on it);
  // false when it is malformed or has no finite result.
  // Evaluates the formula from the cursor to its closing "%" and leaves the
  // cursor on that "%"; false when the template ends first. *valid is false
  // when the formula is malformed or has no finite result.
  bool Evaluate(float* result, bool* valid);
  bool Push(float value);
  // Prints value (nothing when !valid) in the format whose letter is at the
  // cursor, with the parameter after it unless allowSilent and the letter is
  // "s"; moves past them. False when the template ends inside the format.
  bool PrintFormat(double value, bool valid, bool allowSilent);
  void PrintDecimal(int32_t value, int width);
  void PrintFixed(double value, int decimals);
  void PrintPolyline(double value, int fractionBits);
  void PrintBytes(int32_t value, int count, bool bigEndian);
  // Moves the cursor past the matching "%" target ('e' or 'E'); false when
  // the template ends first.
  bool Skip(char target);

  const char* position_;  // the template's start, kept across runs
  const char* at_;        // the cursor of the current run
  PclStream* stream_;
  uint8_t* buffer_;
  uint32_t bufferSize_;
  uint32_t count_;
  bool streamMode_;
  bool overflowed_;
  int32_t cells_[kCellCount];
  float stack_[kStackSize];
  int depth_;
  bool base32_;
};
