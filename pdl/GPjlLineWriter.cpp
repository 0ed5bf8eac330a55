#include "pdl/GPjlLineWriter.h"

#include <cstdio>
#include <cstring>

#include "model/GStringConversion.h"

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

RWCString GPjlLineWriter::ToUtf8(const RWCString& text) {
  RWWString wide;
  ToWideString(text, wide);
  RWCString out;
  const size_t count = wide.Length() < kMaxUtf8Characters ? wide.Length() : kMaxUtf8Characters;
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<uint16_t>(wide.Data()[i]);
    char bytes[3];
    size_t length = 0;
    if (c < 0x80) {
      bytes[length++] = static_cast<char>(c);
    } else if (c < 0x800) {
      bytes[length++] = static_cast<char>(0xC0 | (c >> 6));
      bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes[length++] = static_cast<char>(0xE0 | (c >> 12));
      bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.ReplaceRange(out.Length(), 0, bytes, length);
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
