// The writer's drawing primitives (numbers, operators, the device
// transform) and its image data: the framing operators of images and
// patterns, and the data itself as hexadecimal digits, ASCII85 or bytes
// under the tagged binary protocol.
#include <cmath>
#include <cstdio>
#include <string>

#include "pdl/PSLIB.h"

namespace {

// The whole part of a non-negative real in the range of the given integer
// type: larger values (and values no integer holds) take its largest.
template <typename T>
T PsWholePart(float x, T largest) {
  if (!(x >= 0.0f)) return 0;
  const float whole = std::floor(x);
  return whole >= static_cast<float>(largest) ? largest : static_cast<T>(whole);
}

// The four truncated decimals of x after its whole part, computed in
// single precision as the writer's reals are.
int32_t PsFourDecimals(float x, float whole) {
  const float scaled = (x - whole) * 10000.0f;
  const float floored = std::floor(scaled);
  if (!(floored >= 0.0f)) return 0;
  return floored > 9999.0f ? 9999 : static_cast<int32_t>(floored);
}

const char* PsZeroPrefix(int32_t f) { return f < 10 ? "000" : f < 100 ? "00" : f < 1000 ? "0" : ""; }

constexpr uint8_t kPsRunLengthEnd = 128;
constexpr uint32_t kPsAscii85LineLength = 65;

}  // namespace

// ---- Numbers and operators ----

int16_t PSLIB::WriteInteger(int32_t n) { return WriteText(std::to_string(n) + " "); }

int16_t PSLIB::WriteReal(float x) {
  std::string text;
  if (x < 0.0f) {
    text += '-';
    x = -x;
  }
  const int16_t whole = PsWholePart<int16_t>(x, 32767);
  // A value beyond the 16-bit range is written as the largest one.
  const int32_t f = x >= 32768.0f ? 0 : PsFourDecimals(x, static_cast<float>(whole));
  if (whole != 0) text += std::to_string(whole);
  if (f != 0) {
    text += '.';
    text += PsZeroPrefix(f);
    text += std::to_string(f);
  } else if (whole == 0) {
    text += '0';
  }
  text += ' ';
  return WriteText(text);
}

int16_t PSLIB::WriteGReal(float x) {
  char sign = ' ';
  if (x < 0.0f) {
    sign = '-';
    x = -x;
  }
  const int32_t whole = PsWholePart<int32_t>(x, 2147483647);
  const int32_t f = x >= 2147483648.0f ? 0 : PsFourDecimals(x, static_cast<float>(whole));
  char text[48];
  int length = 0;
  if (f == 0) {
    length = std::snprintf(text, sizeof text, "%c%ld ", sign, static_cast<long>(whole));
  } else if (whole == 0) {
    length = std::snprintf(text, sizeof text, "%c.%s%lu ", sign, PsZeroPrefix(f), static_cast<unsigned long>(f));
  } else {
    length = std::snprintf(text, sizeof text, "%c%ld.%s%lu ", sign, static_cast<long>(whole), PsZeroPrefix(f),
                           static_cast<unsigned long>(f));
  }
  if (length <= 0 || length >= static_cast<int>(sizeof text)) {
    WriteText("\r\n%% PSLIB error in converting GReal to asc\r\n");
    return 6;
  }
  return WriteText(text);
}

int16_t PSLIB::WriteOperator(const char* name, bool lineEnd) {
  if (name == nullptr || *name == '\0') return kOk;
  return WriteText(std::string(name) + (lineEnd ? "\r\n" : " "));
}

int16_t PSLIB::WriteIntegerArray(const int16_t* values, uint32_t count) {
  std::string text = "[";
  for (uint32_t i = 0; values != nullptr && i < count; ++i) text += std::to_string(values[i]) + " ";
  text += "]";
  return WriteText(text);
}

int16_t PSLIB::WriteDeviceTransform() {
  WriteOperator("AF", true);
  if (mirror_ != 0) WriteText("[-1 0 0 1 " + std::to_string(pageWidth_) + " 0] concat\r\n");
  int32_t tx = 0;
  int32_t ty = 0;
  float rotation = 0.0f;
  switch (orientation_) {
    case 1:
      if (keepPortrait_ != 0) {
        rotation = 90.0f;
      } else {
        ty = pageHeight_;
      }
      break;
    case 2:
      tx = pageWidth_;
      rotation = 180.0f;
      break;
    case 3:
      if (keepPortrait_ != 0) {
        // The turn by 270 degrees puts the drawing below and left of the
        // origin: moved by the page size it lands on the sheet again.
        tx = pageWidth_;
        ty = pageHeight_;
        rotation = 270.0f;
      } else {
        tx = pageWidth_;
        rotation = 180.0f;
      }
      break;
    default:
      ty = pageHeight_;
      break;
  }
  if (tx != 0 || ty != 0) {
    WriteInteger(tx);
    WriteInteger(ty);
    WriteOperator("AE", true);
  }
  if (rotation != 0.0f) {
    WriteReal(rotation);
    WriteOperator("AD", true);
  }
  const float sx = xResolution_ != 0 ? 72.0f / static_cast<float>(xResolution_) : 0.0f;
  const float sy = yResolution_ != 0 ? -72.0f / static_cast<float>(yResolution_) : 0.0f;
  if (sx != 0.0f || sy != 0.0f) {
    WriteReal(sx);
    WriteReal(sy);
    return WriteOperator("AC", true);
  }
  return kOk;
}

// ---- Image framing ----

int16_t PSLIB::BeginImage(int32_t mapping, int32_t depth, int32_t srcWidth, int32_t srcHeight, int32_t dstWidth,
                          int32_t dstHeight) {
  WriteImageValues(mapping, depth, nullptr, srcWidth, srcHeight, dstWidth, dstHeight);
  return WriteOperator("AP", true);
}

int16_t PSLIB::BeginPatternImage(int32_t mapping, int32_t depth, int32_t transparent, int32_t srcWidth,
                                 int32_t srcHeight, int32_t dstWidth, int32_t dstHeight) {
  WriteImageValues(mapping, depth, &transparent, srcWidth, srcHeight, dstWidth, dstHeight);
  return WriteOperator("AM", true);
}

void PSLIB::WriteImageValues(int32_t mapping, int32_t depth, const int32_t* transparent, int32_t srcWidth,
                             int32_t srcHeight, int32_t dstWidth, int32_t dstHeight) {
  WriteInteger(mapping);
  WriteOperator("h", false);
  WriteInteger(depth);
  WriteOperator("i", false);
  if (transparent != nullptr) {
    WriteInteger(*transparent);
    WriteOperator("m", false);
  }
  WriteInteger(srcWidth);
  WriteOperator("j", false);
  WriteInteger(srcHeight);
  WriteOperator("k", false);
  WriteInteger(dstWidth);
  WriteInteger(dstHeight);
  WriteOperator("g", false);
}

int16_t PSLIB::ImageBlockHeader(int32_t startLine, int32_t blockHeight, int32_t compression) {
  WriteInteger(startLine);
  WriteInteger(blockHeight);
  WriteInteger(compression);
  WriteInteger(DataDecoder());
  WriteOperator("AQ", true);
  WriteInteger(static_cast<int32_t>(pendingDataLength_));
  return WriteOperator("l", binaryTransfer_ != 0);
}

int16_t PSLIB::PatternBlockHeader(int32_t startLine, int32_t blockHeight, int32_t compression) {
  WriteInteger(startLine);
  WriteInteger(blockHeight);
  WriteInteger(compression);
  WriteInteger(DataDecoder());
  WriteOperator("AN", true);
  WriteInteger(static_cast<int32_t>(pendingDataLength_));
  return WriteOperator("l", false);
}

int16_t PSLIB::EndImage() { return WriteOperator("AR", true); }

int16_t PSLIB::EndPatternImage() { return WriteOperator("AO", true); }

int16_t PSLIB::SetImageColourSpace(int32_t kind) {
  WriteInteger(kind);
  return WriteOperator("AK", true);
}

int16_t PSLIB::SetImagePalette(int32_t kind, int32_t depth, const uint8_t* bytes, uint32_t count) {
  WriteInteger(kind);
  WriteInteger(depth);
  WriteHexString(bytes, count);
  return WriteOperator("AL", true);
}

// ---- Image data ----

int16_t PSLIB::BeginData(int32_t, int32_t marker) {
  int16_t status = kOk;
  if (binaryTransfer_ == 0) {
    status = WriteText("\r\n");
    if (marker != 0) status = WriteText(ascii85_ != 0 ? "<~" : "<");
  }
  a85Count_ = 0;
  a85Value_ = 0;
  a85Column_ = 0;
  hexColumn_ = 0;
  inImageData_ = 1;
  return status;
}

int16_t PSLIB::WriteData(const uint8_t* data, uint32_t count) {
  if (data == nullptr || count == 0) return kOk;
  if (binaryTransfer_ != 0) return WriteTbcpBytes(data, count);
  if (ascii85_ == 0) return WriteHexContinued(data, count);
  int16_t status = kOk;
  for (uint32_t i = 0; i < count && status == kOk; ++i) {
    a85Value_ = (a85Value_ << 8) | data[i];
    if (++a85Count_ < 4) continue;
    char group[6];
    int length = 0;
    if (a85Value_ == 0) {
      group[length++] = 'z';
    } else {
      uint32_t value = a85Value_;
      for (int k = 4; k >= 0; --k) {
        group[k] = static_cast<char>(value % 85 + 33);
        value /= 85;
      }
      length = 5;
    }
    status = WriteBytes(group, static_cast<uint32_t>(length));
    a85Column_ += static_cast<uint32_t>(length);
    if (status == kOk && a85Column_ >= kPsAscii85LineLength) {
      a85Column_ = 0;
      status = WriteText("\r\n");
    }
    a85Count_ = 0;
    a85Value_ = 0;
  }
  return status;
}

int16_t PSLIB::EndData(int32_t mode, int32_t final) {
  if (final != 0 && binaryTransfer_ == 0) {
    if (ascii85_ != 0) {
      if (a85Count_ != 0) {
        // The pending bytes as the high bytes of a group, count + 1
        // characters of it.
        uint32_t value = a85Value_ << (8 * (4 - a85Count_));
        char group[5];
        for (int k = 4; k >= 0; --k) {
          group[k] = static_cast<char>(value % 85 + 33);
          value /= 85;
        }
        WriteBytes(group, a85Count_ + 1);
      }
      WriteText("~>");
    } else {
      WriteText(">");
    }
  } else if (final != 0 && mode == 1) {
    const uint8_t end = kPsRunLengthEnd;
    WriteBytes(&end, 1);
  }
  a85Count_ = 0;
  a85Value_ = 0;
  inImageData_ = 0;
  return WriteText("\r\n");
}

int16_t PSLIB::SelectFont(const char* name, float size, float slant, float shear, float xScale, float yScale,
                          float angle) {
  if (!(size > 0.0f)) size = 0.01f;
  if (xScale == 0.0f) xScale = 0.01f;
  if (yScale == 0.0f) yScale = 0.01f;
  const float a = size * xScale;
  const float d = size * yScale;
  WriteText("[ ");
  WriteGReal(a);
  WriteGReal(shear);
  WriteGReal(slant * a);
  WriteGReal(-d);
  WriteText(" 0 0 ] ");
  WriteGReal(-angle);
  WriteText(" ");
  WriteText(name != nullptr ? name : "");
  return WriteText(" DF ");
}

int16_t PSLIB::ShowText(const uint8_t* codes, uint32_t count, const int16_t* xAdvances, const int16_t* yAdvances,
                        int32_t bytesPerCode, int32_t bold) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (bytesPerCode == 2) {
    text += "<";
    uint32_t column = 0;
    for (uint32_t i = 0; i < count; ++i) {
      for (uint32_t b = 0; b < 2; ++b) {
        text += kDigits[codes[2 * i + b] >> 4];
        text += kDigits[codes[2 * i + b] & 15];
      }
      column += 4;
      if (column >= 76 && i + 1 < count) {
        text += "\r\n";
        column = 0;
      }
    }
    text += "> ";
  } else {
    text += "\r\n<";
    for (uint32_t i = 0; i < count; ++i) {
      text += kDigits[codes[i] >> 4];
      text += kDigits[codes[i] & 15];
    }
    text += "> ";
  }
  if ((xAdvances != nullptr || yAdvances != nullptr) && count >= 2) {
    text += "[";
    for (uint32_t i = 0; i < count; ++i) {
      if (xAdvances != nullptr) text += std::to_string(xAdvances[i]) + " ";
      if (yAdvances != nullptr) text += std::to_string(yAdvances[i]) + " ";
    }
    text += "] " + std::to_string(bold) + "  ";
    text += xAdvances != nullptr && yAdvances != nullptr ? "XYS" : xAdvances != nullptr ? "XS" : "YS";
    text += "\r\n";
  } else {
    text += " " + std::to_string(bold) + " SH\r\n";
  }
  return WriteText(text);
}
