#include "rw/RWPortableStream.h"

#include <charconv>
#include <locale>
#include <type_traits>

#include "rw/RWError.h"

namespace {

// The longest line a run of characters and strings makes.
constexpr int32_t kLineWidth = 80;

}  // namespace

// ---- RWPortableOutStream ----

RWPortableOutStream::RWPortableOutStream(std::ostream& stream) : RWPortableOutStream(stream.rdbuf()) {}

RWPortableOutStream::RWPortableOutStream(std::streambuf* buffer) : stream_(buffer) {
  // Numbers are formatted here in the classic forms whatever the process
  // locale is; the stream is set up the same way for anything else.
  stream_.imbue(std::locale::classic());
  stream_.setf(std::ios_base::scientific, std::ios_base::floatfield);
  stream_.setf(std::ios_base::dec, std::ios_base::basefield);
  stream_.precision(16);
}

RWPortableOutStream::~RWPortableOutStream() = default;

int32_t RWPortableOutStream::ReadState() const { return RWStreamBitsFromIos(stream_.rdstate()); }
void RWPortableOutStream::Clear(int32_t bits) { stream_.clear(RWIosFromStreamBits(bits)); }

void RWPortableOutStream::PutText(const char* text, size_t count) {
  stream_.write(text, static_cast<std::streamsize>(count));
}

template <typename T>
void RWPortableOutStream::PutNumber(T value) {
  char text[64];
  std::to_chars_result result;
  if constexpr (std::is_same_v<T, float>) {
    result = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::scientific, 6);
  } else if constexpr (std::is_same_v<T, double>) {
    result = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::scientific, 15);
  } else {
    result = std::to_chars(text, text + sizeof text - 1, value);
  }
  *result.ptr++ = '\n';
  PutText(text, static_cast<size_t>(result.ptr - text));
}

void RWPortableOutStream::PutEscaped(unsigned char c) {
  static const char kHex[] = "0123456789abcdef";
  char escape[4];
  int32_t length = 2;
  escape[0] = '\\';
  switch (c) {
    case 0x08: escape[1] = 'b'; break;
    case 0x09: escape[1] = 't'; break;
    case 0x0A: escape[1] = 'n'; break;
    case 0x0C: escape[1] = 'f'; break;
    case 0x0D: escape[1] = 'r'; break;
    case '"': escape[1] = '"'; break;
    case '\\': escape[1] = '\\'; break;
    case '{': escape[1] = '['; break;
    case '}': escape[1] = ']'; break;
    default:
      if (c >= 0x21 && c <= 0x7E) {
        escape[0] = static_cast<char>(c);
        length = 1;
      } else {
        escape[1] = 'x';
        escape[2] = kHex[c >> 4];
        escape[3] = kHex[c & 0x0F];
        length = 4;
      }
      break;
  }
  PutInLine(escape, length);
}

void RWPortableOutStream::PutInLine(const char* text, int32_t length) {
  if (column_ + length > kLineWidth) {
    PutText("\n", 1);
    column_ = length;
  } else {
    column_ += length;
  }
  PutText(text, static_cast<size_t>(length));
}

RWVirtualOutStream& RWPortableOutStream::PutString(const char* text, unsigned count) {
  // The quotes are written as they are and count in the line like the
  // characters between them.
  PutInLine("\"", 1);
  for (unsigned i = 0; i < count; ++i) PutEscaped(static_cast<unsigned char>(text[i]));
  PutInLine("\"", 1);
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::PutUShort(uint16_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutShort(int16_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutULong(uint32_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutLong(int32_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutUInt(uint32_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutInt(int32_t value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutFloat(float value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutDouble(double value) { PutNumber(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutUCharText(unsigned char value) { PutEscaped(value); return *this; }
RWVirtualOutStream& RWPortableOutStream::PutCharText(char value) {
  PutEscaped(static_cast<unsigned char>(value));
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::Flush() {
  stream_.flush();
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::PutDoubles(const double* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutFloats(const float* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutULongs(const uint32_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutLongs(const int32_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutUInts(const uint32_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutInts(const int32_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutUShorts(const uint16_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutShorts(const int16_t* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(v[i]);
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutUChars(const unsigned char* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(static_cast<unsigned>(v[i]));
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutUChar(unsigned char value) {
  PutNumber(static_cast<unsigned>(value));
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutChars(const char* v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) PutNumber(static_cast<int>(v[i]));
  return *this;
}
RWVirtualOutStream& RWPortableOutStream::PutChar(char value) {
  PutNumber(static_cast<int>(value));
  return *this;
}

// ---- RWPortableInStream ----

RWPortableInStream::RWPortableInStream(std::istream& stream) : RWPortableInStream(stream.rdbuf()) {}

RWPortableInStream::RWPortableInStream(std::streambuf* buffer) : stream_(buffer) {
  stream_.imbue(std::locale::classic());
  stream_.setf(std::ios_base::dec, std::ios_base::basefield);
}

RWPortableInStream::~RWPortableInStream() = default;

int32_t RWPortableInStream::ReadState() const { return RWStreamBitsFromIos(stream_.rdstate()); }
void RWPortableInStream::Clear(int32_t bits) { stream_.clear(RWIosFromStreamBits(bits)); }

template <typename T>
bool RWPortableInStream::Extract(T& value) {
  // The stream library stores 0 or a limit on failure; the caller's value
  // is kept instead.
  T read{};
  stream_ >> read;
  if (stream_.fail()) return false;
  value = read;
  return true;
}

template <typename T>
RWVirtualInStream& RWPortableInStream::ExtractAll(T* values, unsigned count) {
  if (count == 0 && !stream_.good()) stream_.setstate(std::ios_base::failbit);
  for (unsigned i = 0; i < count; ++i) {
    if (!Extract(values[i])) break;
  }
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetULongs(uint32_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetUInts(uint32_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetUShorts(uint16_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetShorts(int16_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetLongs(int32_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetInts(int32_t* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetFloats(float* v, unsigned n) { return ExtractAll(v, n); }
RWVirtualInStream& RWPortableInStream::GetDoubles(double* v, unsigned n) { return ExtractAll(v, n); }

RWVirtualInStream& RWPortableInStream::GetUChars(unsigned char* v, unsigned n) {
  if (n == 0 && !stream_.good()) stream_.setstate(std::ios_base::failbit);
  for (unsigned i = 0; i < n && GetUChar(v[i]).Good(); ++i) {
  }
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetChars(char* v, unsigned n) {
  if (n == 0 && !stream_.good()) stream_.setstate(std::ios_base::failbit);
  for (unsigned i = 0; i < n && GetChar(v[i]).Good(); ++i) {
  }
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetUChar(unsigned char& value) {
  int number;
  if (Extract(number)) value = static_cast<unsigned char>(number & 0xFF);
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetChar(char& value) {
  int number;
  if (Extract(number)) value = static_cast<char>(static_cast<unsigned char>(number & 0xFF));
  return *this;
}

int RWPortableInStream::Get() {
  int number = 0;
  stream_ >> number;
  return stream_.eof() ? -1 : number;
}

bool RWPortableInStream::GetEscaped(char& value) {
  int c;
  do {
    c = stream_.get();
  } while (c == '\n');
  if (c == std::char_traits<char>::eof()) return false;
  if (c != '\\') {
    value = static_cast<char>(c);
    return true;
  }
  c = stream_.get();
  if (c == std::char_traits<char>::eof()) return false;
  switch (c) {
    case '"': value = '"'; break;
    case '[': value = '{'; break;
    case '\\': value = '\\'; break;
    case ']': value = '}'; break;
    case 'b': value = '\b'; break;
    case 'f': value = '\f'; break;
    case 'n': value = '\n'; break;
    case 'r': value = '\r'; break;
    case 't': value = '\t'; break;
    case 'x': {
      // Up to two hexadecimal digits; a newline or any other character ends
      // the number and is left in the stream.
      unsigned number = 0;
      for (int i = 0; i < 2; ++i) {
        const int d = stream_.peek();
        unsigned digit;
        if (d >= '0' && d <= '9') {
          digit = static_cast<unsigned>(d - '0');
        } else if (d >= 'a' && d <= 'f') {
          digit = static_cast<unsigned>(d - 'a' + 10);
        } else if (d >= 'A' && d <= 'F') {
          digit = static_cast<unsigned>(d - 'A' + 10);
        } else {
          break;
        }
        stream_.get();
        number = number * 16 + digit;
      }
      value = static_cast<char>(static_cast<unsigned char>(number));
      break;
    }
    default:
      value = static_cast<char>(c);
      break;
  }
  return true;
}

RWVirtualInStream& RWPortableInStream::GetCharText(char& value) {
  stream_ >> std::ws;
  char c;
  if (GetEscaped(c)) value = c;
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetUCharText(unsigned char& value) {
  stream_ >> std::ws;
  char c;
  if (GetEscaped(c)) value = static_cast<unsigned char>(c);
  return *this;
}

void RWPortableInStream::SkipRestOfString() {
  // An escaped quote inside the string does not end it.
  for (;;) {
    const int c = stream_.get();
    if (c == std::char_traits<char>::eof() || c == '"') return;
    if (c == '\\' && stream_.get() == std::char_traits<char>::eof()) return;
  }
}

RWVirtualInStream& RWPortableInStream::GetString(char* buffer, unsigned size) {
  if (size > 0) buffer[0] = '\0';
  stream_ >> std::ws;
  const int first = stream_.get();
  if (!stream_.good()) return *this;
  if (first != '"') {
    stream_.unget();
    stream_.setstate(std::ios_base::failbit);
    const char got[2] = {static_cast<char>(first), '\0'};
    RWMessageText text(RWCoreMsg_SYNSTREAM(), "\"", got);
    RWRaiseExternalDataError(RWExternalDataError(text));
    return *this;
  }
  unsigned stored = 0;
  for (;;) {
    const int c = stream_.get();
    if (c == std::char_traits<char>::eof()) break;  // ended inside the string: failed
    if (c == '\n') continue;
    if (c == '"') break;
    stream_.unget();
    if (stored + 1 >= size) {
      // No room left: consume the rest so the stream stays in step, and
      // report the truncation.
      SkipRestOfString();
      stream_.setstate(std::ios_base::failbit);
      break;
    }
    char value;
    if (!GetEscaped(value)) break;
    buffer[stored++] = value;
  }
  if (size > 0) buffer[stored] = '\0';
  return *this;
}

RWVirtualInStream& RWPortableInStream::GetULong(uint32_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetUInt(uint32_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetUShort(uint16_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetShort(int16_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetLong(int32_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetInt(int32_t& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetFloat(float& value) { Extract(value); return *this; }
RWVirtualInStream& RWPortableInStream::GetDouble(double& value) { Extract(value); return *this; }
