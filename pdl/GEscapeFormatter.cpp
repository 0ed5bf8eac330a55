#include "pdl/GEscapeFormatter.h"

#include <cmath>
#include <cstring>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsCell(char c) { return c >= 'A' && c <= 'H'; }

// Truncates toward zero; values beyond the 32-bit range give the nearest
// limit instead of an undefined conversion.
int32_t TruncateToInt32(double value) {
  if (value >= 2147483648.0) return INT32_MAX;
  if (value <= -2147483649.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

constexpr int kMaxLiteralDigits = 7;
constexpr int kFixedDigits = 4;

}  // namespace

GEscapeFormatter::GEscapeFormatter()
    : position_(nullptr),
      at_(nullptr),
      stream_(nullptr),
      buffer_(nullptr),
      bufferSize_(0),
      count_(0),
      streamMode_(true),
      overflowed_(false),
      cells_{},
      stack_{},
      depth_(0),
      base32_(false) {}

void GEscapeFormatter::SetCell(int index, int32_t value) {
  if (index >= 0 && index < kCellCount) cells_[index] = value;
}

int32_t GEscapeFormatter::GetCell(int index) const {
  return index >= 0 && index < kCellCount ? cells_[index] : 0;
}

uint32_t GEscapeFormatter::RunToStream() {
  streamMode_ = true;
  overflowed_ = false;
  if (!stream_) return 0;
  return Run();
}

uint32_t GEscapeFormatter::RunToBuffer(uint8_t* buffer, uint32_t size) {
  streamMode_ = false;
  buffer_ = buffer;
  bufferSize_ = buffer ? size : 0;
  overflowed_ = false;
  return Run();
}

void GEscapeFormatter::Put(uint8_t byte) {
  if (streamMode_) {
    PclStreamPutByte(stream_, byte);
  } else {
    if (count_ >= bufferSize_) {
      overflowed_ = true;
      return;
    }
    buffer_[count_] = byte;
  }
  ++count_;
}

void GEscapeFormatter::PutText(const char* text) {
  for (; *text; ++text) Put(static_cast<uint8_t>(*text));
}

uint32_t GEscapeFormatter::Run() {
  count_ = 0;
  depth_ = 0;
  if (!position_) return 0;
  at_ = position_;
  // Every branch either moves on or leaves the loop; a template that ends
  // inside an element ends the run there.
  while (*at_) {
    char c = *at_;
    if (c == '#') {
      if (!at_[1] || !at_[2]) break;
      Put(static_cast<uint8_t>(HexDigit(at_[1]) << 4 | HexDigit(at_[2])));
      at_ += 3;
      continue;
    }
    if (c != '%') {
      Put(static_cast<uint8_t>(c));
      ++at_;
      continue;
    }
    char kind = at_[1];
    if (kind == '\0') break;
    if (kind == '%' || kind == '0') {
      Put(kind == '%' ? '%' : 0);
      at_ += 2;
    } else if (kind == 'E') {
      at_ += 2;
    } else if (kind == 'e') {
      at_ += 2;
      if (!Skip('E')) break;
    } else if (kind == 'f' || kind == 'i') {
      at_ += 2;
      float result = 0;
      bool valid = false;
      if (!Evaluate(&result, &valid)) break;
      ++at_;  // the closing "%"
      if (!PrintFormat(result, valid, true)) break;
      if (kind == 'i' && (!valid || std::trunc(result) == 0) && !Skip('e')) break;
    } else {
      // A direct value: a cell letter or a decimal integer up to the next "%".
      const char* text = at_ + 1;
      const char* close = std::strchr(text, '%');
      if (!close) break;
      size_t length = static_cast<size_t>(close - text);
      double value = 0;
      bool valid = false;
      if (length == 1 && IsCell(text[0])) {
        value = cells_[text[0] - 'A'];
        valid = true;
      } else if (length >= 1 && length <= 10 && text[0] >= '1' && text[0] <= '9') {
        int64_t number = 0;
        valid = true;
        for (size_t i = 0; i < length && valid; ++i) {
          if (!IsDigit(text[i])) valid = false;
          else number = number * 10 + (text[i] - '0');
        }
        if (number > INT32_MAX) valid = false;
        value = static_cast<double>(number);
      }
      at_ = close + 1;
      if (!PrintFormat(value, valid, false)) break;
    }
  }
  at_ = nullptr;
  return count_;
}

bool GEscapeFormatter::Push(float value) {
  if (depth_ >= kStackSize) return false;
  stack_[depth_++] = value;
  return true;
}

bool GEscapeFormatter::Evaluate(float* result, bool* valid) {
  bool ok = true;
  // After a fault the rest of the formula is only stepped over.
  while (*at_ && *at_ != '%') {
    char c = *at_;
    if (!ok) {
      ++at_;
      continue;
    }
    if (IsCell(c)) {
      ok = Push(static_cast<float>(cells_[c - 'A']));
      ++at_;
    } else if (IsDigit(c)) {
      int64_t digits = 0;
      int digitCount = 0;
      int decimals = 0;
      bool point = false;
      while (IsDigit(*at_) || *at_ == '.') {
        if (*at_ == '.') {
          if (point) ok = false;
          point = true;
        } else {
          if (++digitCount > kMaxLiteralDigits) ok = false;
          digits = digits * 10 + (*at_ - '0');
          if (point) ++decimals;
        }
        ++at_;
        if (!ok) break;
      }
      // Seven digits and 10^6 are exact in a float, so one float division
      // gives the correctly rounded value.
      static const float kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
      if (ok) ok = Push(static_cast<float>(digits) / kPowersOfTen[decimals]);
    } else if (std::strchr("+-*/<=>", c)) {
      if (depth_ < 2) {
        ok = false;
      } else {
        float b = stack_[--depth_];
        float a = stack_[--depth_];
        float value = 0;
        switch (c) {
          case '+': value = a + b; break;
          case '-': value = a - b; break;
          case '*': value = a * b; break;
          case '/':
            if (b == 0) ok = false;
            else value = a / b;
            break;
          case '<': value = a < b ? 1.0f : 0.0f; break;
          case '=': value = a == b ? 1.0f : 0.0f; break;
          default: value = a > b ? 1.0f : 0.0f; break;
        }
        if (ok) stack_[depth_++] = value;
      }
      ++at_;
    } else if (c == '!' || c == 'i') {
      if (depth_ < 1) {
        ok = false;
      } else {
        float& top = stack_[depth_ - 1];
        top = c == '!' ? (top == 0 ? 1.0f : 0.0f) : std::trunc(top);
      }
      ++at_;
    } else {
      ++at_;
    }
  }
  if (!*at_) return false;
  if (ok && depth_ >= 1) {
    *result = stack_[--depth_];
    ok = std::isfinite(*result);
  } else {
    ok = false;
  }
  // A faulty formula leaves the stack in no defined state: start afresh.
  if (!ok) depth_ = 0;
  *valid = ok;
  return true;
}

bool GEscapeFormatter::PrintFormat(double value, bool valid, bool allowSilent) {
  char letter = at_[0];
  if (!letter) return false;
  if (allowSilent && letter == 's') {
    ++at_;
    return true;
  }
  char parameter = at_[1];
  if (!parameter) return false;
  at_ += 2;
  if (!valid) return true;
  switch (letter) {
    case 'A':
      if (parameter >= '0' && parameter <= '7') PrintDecimal(TruncateToInt32(value), parameter - '0');
      break;
    case 'F':
      if (IsDigit(parameter)) PrintFixed(value, parameter - '0');
      break;
    case 'G':
      if (IsDigit(parameter)) PrintPolyline(value, parameter - '0');
      break;
    default: {
      int count = 0;
      if (parameter >= '1' && parameter <= '3') count = parameter - '0';
      else if (parameter == '4' || parameter == '0') count = 4;
      if (count) PrintBytes(TruncateToInt32(value), count, letter == 'I');
      break;
    }
  }
  return true;
}

void GEscapeFormatter::PrintDecimal(int32_t value, int width) {
  // Digits of the magnitude, least significant first; 64-bit so that the
  // most negative value has a magnitude.
  int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  // A negative value keeps its sign in front of the padding.
  int length = count + (value < 0 ? 1 : 0);
  if (value < 0) Put('-');
  for (; length < width; ++length) Put('0');
  while (count > 0) Put(static_cast<uint8_t>(digits[--count]));
}

void GEscapeFormatter::PrintFixed(double value, int decimals) {
  int32_t whole = TruncateToInt32(value);
  // The fraction is taken from the value itself, so that a value beyond the
  // 32-bit range (which has no fractional digits anyway) gives 0000.
  int fraction = static_cast<int>(std::fabs((value - std::trunc(value)) * 10000.0));
  if (fraction > 9999) fraction = 9999;
  if (value < 0 && whole == 0) Put('-');
  PrintDecimal(whole, 0);
  Put('.');
  char digits[kFixedDigits + 1];
  for (int i = kFixedDigits - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  digits[kFixedDigits] = '\0';
  if (decimals < kFixedDigits) digits[decimals] = '\0';
  PutText(digits);
}

void GEscapeFormatter::PrintPolyline(double value, int fractionBits) {
  int32_t w = TruncateToInt32(std::ldexp(value, fractionBits));
  // Sign in the lowest bit; 64-bit so that the most negative value fits.
  uint64_t z = w >= 0 ? 2 * static_cast<uint64_t>(w) : 2 * static_cast<uint64_t>(-static_cast<int64_t>(w)) + 1;
  const uint64_t base = base32_ ? 32 : 64;
  const uint64_t last = base32_ ? 95 : 191;
  while (z >= base) {
    Put(static_cast<uint8_t>(z % base + 63));
    z /= base;
  }
  Put(static_cast<uint8_t>(z + last));
}

void GEscapeFormatter::PrintBytes(int32_t value, int count, bool bigEndian) {
  uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < count; ++i) {
    int shift = bigEndian ? 8 * (count - 1 - i) : 8 * i;
    Put(static_cast<uint8_t>(bits >> shift));
  }
}

bool GEscapeFormatter::Skip(char target) {
  int level = 0;
  while (*at_) {
    if (at_[0] != '%') {
      ++at_;
      continue;
    }
    char next = at_[1];
    if (next == '\0') return false;
    if (next == '%') {
      at_ += 2;
    } else if (next == 'i') {
      ++level;
      at_ += 2;
    } else if (level > 0) {
      if (next == 'E') {
        --level;
        at_ += 2;
      } else {
        ++at_;
      }
    } else if (next == target) {
      at_ += 2;
      return true;
    } else if (next == 'E') {
      at_ += 2;
    } else {
      ++at_;
    }
  }
  return false;
}
