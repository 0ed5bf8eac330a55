#include "pdl/GPjlLineWriter.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>

#include "win32/CodePage.h"

const char* const PjlStringTable[kPjlStringCount] = {
    "\x1b%-12345X",
    "\r\n",
    "@PJL ",
    "@PJL COMMENT ",
    "@PJL ENTER LANGUAGE=",
    "EOJ NAME=\"",
    "JOB NAME=\"",
    "SET ",
    "\"",
    "@PJL SET JOBATTR=",
    "@PJL USAGE",
    "@PJL SET STRINGCODESET=",
    "UTF8",
    "@PJL SET PRINTQUALITY=",
    "DMINFO ASCIIHEX=",
    "0400040101020D10100115",
};

// ---- Values ----

bool GPjlLineWriter::IsQuotable(const RWCString& text) {
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if ((byte < 32 && byte != 9) || byte == '"') return false;
  }
  return true;
}

RWCString GPjlLineWriter::QuotedValue(const RWCString& text) {
  if (!IsQuotable(text)) return RWCString();
  if (text.Length() <= kMaxQuotedLength) return text;
  return RWCString(text.Data(), kMaxQuotedLength);
}

bool GPjlLineWriter::IsPrintableLine(const RWCString& text) {
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if ((byte < 32 && byte != 9) || byte == 127 || byte == '"') return false;
  }
  return true;
}

bool GPjlLineWriter::IsLanguageName(const RWCString& text) {
  if (text.Length() == 0) return false;
  for (size_t i = 0; i < text.Length(); ++i) {
    const auto byte = static_cast<unsigned char>(text.Data()[i]);
    if (byte <= 32 || byte >= 127 || byte == '"' || byte == '=') return false;
  }
  return true;
}

uint16_t GPjlLineWriter::Crc16(const RWCString& text) {
  uint16_t crc = 0;
  const size_t count = text.Length() < 99 ? text.Length() : 99;
  for (size_t i = 0; i < count; ++i) {
    crc ^= static_cast<unsigned char>(text.Data()[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc == 0 ? 0xFFFF : crc;
}

RWCString GPjlLineWriter::HexDigits(const RWCString& text) {
  RWCString out;
  GPjlLineWriter writer(out);
  char digits[4];
  for (size_t i = 0; i < text.Length(); ++i) {
    const unsigned low = static_cast<unsigned char>(text.Data()[i]) & 0x7Fu;
    std::snprintf(digits, sizeof digits, "%x", low);
    writer.Append(digits);
  }
  return out;
}

namespace {
// The bytes ToUtf8 reads: enough for its characters in any code page (a
// character takes at most four bytes), however long the text.
constexpr size_t kReadBytes = GPjlLineWriter::kMaxUtf8Characters * 4;
}  // namespace

RWCString GPjlLineWriter::ToUtf8(const RWCString& text) {
  // The text is read in the ANSI code page (1252 unless the machine says
  // otherwise), as every other narrow text of a job: byte 0x80 is the euro
  // sign there, not the control character of the same value.
  std::u16string wide;
  const int length = static_cast<int>(text.Length() < kReadBytes ? text.Length() : kReadBytes);
  if (length > 0) {
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.Data(), length, nullptr, 0);
    if (needed > 0) {
      wide.resize(static_cast<size_t>(needed));
      const int written = MultiByteToWideChar(CP_ACP, 0, text.Data(), length, wide.data(), needed);
      wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
    }
  }
  RWCString out;
  size_t characters = 0;
  for (size_t i = 0; i < wide.size() && characters < kMaxUtf8Characters; ++i, ++characters) {
    uint32_t c = static_cast<uint16_t>(wide[i]);
    // A surrogate pair is one character of four bytes; a lone surrogate
    // has no UTF-8 form and becomes U+FFFD.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(wide[++i]) - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    char bytes[4];
    size_t n = 0;
    if (c < 0x80) {
      bytes[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
      bytes[n++] = static_cast<char>(0xC0 | (c >> 6));
      bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      bytes[n++] = static_cast<char>(0xE0 | (c >> 12));
      bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes[n++] = static_cast<char>(0xF0 | (c >> 18));
      bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.ReplaceRange(out.Length(), 0, bytes, n);
  }
  return out;
}

// ---- Lines ----

void GPjlLineWriter::Append(const char* text) { text_.ReplaceRange(text_.Length(), 0, text, std::strlen(text)); }

void GPjlLineWriter::Append(const RWCString& text) { text_.ReplaceRange(text_.Length(), 0, text.Data(), text.Length()); }

void GPjlLineWriter::AppendUel() { Append(PjlStringTable[kPjlUel]); }

void GPjlLineWriter::AppendJobLine(const RWCString& jobName) { AppendNameLine(kPjlJobName, jobName); }

void GPjlLineWriter::AppendEojLine(const RWCString& jobName) { AppendNameLine(kPjlEojName, jobName); }

void GPjlLineWriter::AppendSetLine(const char* text) {
  AppendSetStart();
  Append(text);
  Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineWriter::AppendSetWord(const char* key, const char* word) {
  AppendSetStart();
  Append(key);
  AppendQuotedEnd(RWCString(word));
}

void GPjlLineWriter::AppendSetQuoted(const char* key, const RWCString& value) {
  AppendSetStart();
  Append(key);
  AppendQuotedEnd(QuotedValue(value));
}

void GPjlLineWriter::AppendQuotedLine(const char* prefix, const RWCString& value) {
  Append(prefix);
  AppendQuotedEnd(QuotedValue(value));
}

void GPjlLineWriter::AppendJobAttribute(const char* key, const RWCString& value) {
  RWCString attribute(key);
  GPjlLineWriter(attribute).Append(QuotedValue(value));
  Append(PjlStringTable[kPjlSetJobAttr]);
  AppendQuotedEnd(attribute);
}

void GPjlLineWriter::AppendPrintableLine(const RWCString& text) {
  if (!IsPrintableLine(text)) return;
  Append(text);
  Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineWriter::AppendEnterLanguage(const RWCString& language) {
  if (!IsLanguageName(language)) return;
  Append(PjlStringTable[kPjlEnterLanguage]);
  Append(language);
  Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineWriter::AppendSetStart() {
  Append(PjlStringTable[kPjlPrefix]);
  Append(PjlStringTable[kPjlSet]);
}

void GPjlLineWriter::AppendQuotedEnd(const RWCString& text) {
  Append(PjlStringTable[kPjlQuote]);
  Append(text);
  Append(PjlStringTable[kPjlQuote]);
  Append(PjlStringTable[kPjlNewLine]);
}

void GPjlLineWriter::AppendNameLine(GPjlString keyword, const RWCString& name) {
  // The keyword ends with the opening quote.
  Append(PjlStringTable[kPjlPrefix]);
  Append(PjlStringTable[keyword]);
  Append(QuotedValue(name));
  Append(PjlStringTable[kPjlQuote]);
  Append(PjlStringTable[kPjlNewLine]);
}
