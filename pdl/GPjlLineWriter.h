// GPjlLineWriter: appends Printer Job Language lines to a job's header or
// footer text. It knows the line formats (the exit sequence, the JOB and EOJ
// lines, SET lines, JOBATTR lines, comments, ENTER LANGUAGE) and is the one
// place that decides whether a text from outside may go into a line: quoted
// texts are written only when they cannot end their quotes or their line
// (IsQuotable) and are cut to kMaxQuotedLength bytes; texts written as they
// are stored must be one line of printable text (IsPrintableLine), and a
// language name one PJL word, else they are left out. It also holds the
// value helpers some lines are made with: the CRC-16 checksum, the
// seven-bit hexadecimal digits and the cut UTF-8 form of a name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWCString.h"

// The texts the header and the footer are built from.
enum GPjlString : int {
  kPjlUel = 0,             // ESC "%-12345X"
  kPjlNewLine = 1,         // CR LF
  kPjlPrefix = 2,          // "@PJL "
  kPjlComment = 3,         // "@PJL COMMENT "
  kPjlEnterLanguage = 4,   // "@PJL ENTER LANGUAGE="
  kPjlEojName = 5,         // "EOJ NAME=" and a double quote
  kPjlJobName = 6,         // "JOB NAME=" and a double quote
  kPjlSet = 7,             // "SET "
  kPjlQuote = 8,           // a double quote
  kPjlSetJobAttr = 9,      // "@PJL SET JOBATTR="
  kPjlUsage = 10,          // "@PJL USAGE"
  kPjlSetStringCodeSet = 11,
  kPjlUtf8 = 12,
  kPjlSetPrintQuality = 13,
  kPjlDmInfo = 14,         // "DMINFO ASCIIHEX="
  kPjlDmInfoPrefix = 15,
  kPjlStringCount = 16,
};
extern const char* const PjlStringTable[kPjlStringCount];

class GPjlLineWriter {
 public:
  // Appends to the text; the text must outlive the writer.
  explicit GPjlLineWriter(RWCString& text) : text_(text) {}

  // ---- Values ----
  // The most bytes of a text written between quotes.
  static constexpr uint32_t kMaxQuotedLength = 80;
  // The most characters of a name sent in UTF-8.
  static constexpr size_t kMaxUtf8Characters = 16;
  // True when no byte of the text is below 32 (the tab aside) or a double
  // quote; bytes from 128 are allowed; the empty text is quotable.
  static bool IsQuotable(const RWCString& text);
  // The text as it may stand between quotes: itself cut to
  // kMaxQuotedLength bytes when quotable, else empty.
  static RWCString QuotedValue(const RWCString& text);
  // A text written without quotes must stay one line of printable text: no
  // control byte but the tab (an escape would leave the PJL context, CR or
  // LF would start a command of its own), no DEL and no double quote.
  static bool IsPrintableLine(const RWCString& text);
  // A language name is one PJL word: printable, no blank, quote or "=".
  static bool IsLanguageName(const RWCString& text);
  // CRC-16 (polynomial 0xA001, reflected, initial 0) of the first 99 bytes;
  // 0 becomes 0xFFFF.
  static uint16_t Crc16(const RWCString& text);
  // Each byte's low seven bits as lower-case hexadecimal digits.
  static RWCString HexDigits(const RWCString& text);
  // The first kMaxUtf8Characters characters of the text, read in the
  // current code page, in UTF-8.
  static RWCString ToUtf8(const RWCString& text);

  // ---- Lines ----
  // The bytes as they are.
  void Append(const char* text);
  void Append(const RWCString& text);
  // The universal exit language sequence.
  void AppendUel();
  // "@PJL JOB NAME=" and "@PJL EOJ NAME=" with the quoted job name.
  void AppendJobLine(const RWCString& jobName);
  void AppendEojLine(const RWCString& jobName);
  // "@PJL SET " + text + CR LF.
  void AppendSetLine(const char* text);
  // "@PJL SET " + key + the word between quotes + CR LF; the word is the
  // program's own.
  void AppendSetWord(const char* key, const char* word);
  // "@PJL SET " + key + the quoted value + CR LF.
  void AppendSetQuoted(const char* key, const RWCString& value);
  // The prefix, the quoted value and CR LF ("@PJL COMMENT " lines).
  void AppendQuotedLine(const char* prefix, const RWCString& value);
  // "@PJL SET JOBATTR=" + a quote + key + the value when quotable + a quote.
  void AppendJobAttribute(const char* key, const RWCString& value);
  // The text and CR LF when it is one printable line; nothing otherwise.
  void AppendPrintableLine(const RWCString& text);
  // "@PJL ENTER LANGUAGE=" + the name + CR LF when it is a language name.
  void AppendEnterLanguage(const RWCString& language);

 private:
  // "@PJL SET ".
  void AppendSetStart();
  // A quote, the text, a quote and CR LF; the text is checked by the caller.
  void AppendQuotedEnd(const RWCString& text);
  // "@PJL ", the keyword with its opening quote, the quoted name, CR LF.
  void AppendNameLine(GPjlString keyword, const RWCString& name);

  RWCString& text_;
};
