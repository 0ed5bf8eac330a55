#include "graphics/GTextString.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "driver/GCodePageConverter.h"
#include "graphics/GGlyphCodeAllocator.h"

bool IsLeadByte(int32_t encoding, uint8_t byte) {
  switch (encoding) {
    case 17:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 18:
    case 20:
      return byte >= 0xA1 && byte <= 0xFE;
    case 19:
    case 21:
    case 23:
      return byte >= 0x81 && byte <= 0xFE;
    case 22:
      return byte >= 0x84 && byte <= 0xF9;
    default:
      return false;
  }
}

int GetEncodingClass(int32_t encoding) {
  if (encoding == textenc::kGlyphIndex || encoding == textenc::kUnicode) return 1;
  if (encoding >= 17 && encoding <= 23) return 2;
  return 0;
}

// ---- GTextString ----

GTextString::GTextString() = default;

GTextString::GTextString(GArrayHolder<uint8_t>* bytes, uint16_t length, int32_t encoding)
    : bytes_(bytes), charSize_(1), encoding_(encoding) {
  length_ = bytes_ != nullptr ? static_cast<uint16_t>(std::min<uint32_t>(length, bytes_->Count())) : 0;
}

GTextString::GTextString(GArrayHolder<uint16_t>* codes, uint16_t length, int32_t encoding)
    : codes_(codes), charSize_(2), encoding_(encoding) {
  length_ = codes_ != nullptr ? static_cast<uint16_t>(std::min<uint32_t>(length, codes_->Count())) : 0;
}

GTextString::GTextString(const GTextString& other)
    : MPersistentObject(other), length_(other.length_), charSize_(other.charSize_), encoding_(other.encoding_) {
  if (charSize_ == 1 && other.bytes_ != nullptr) {
    bytes_ = std::make_unique<GArrayHolder<uint8_t>>();
    if (!bytes_->CopyFrom(*other.bytes_)) bytes_->BorrowFrom(*other.bytes_);
  } else if (charSize_ == 2 && other.codes_ != nullptr) {
    codes_ = std::make_unique<GArrayHolder<uint16_t>>();
    if (!codes_->CopyFrom(*other.codes_)) codes_->BorrowFrom(*other.codes_);
  } else {
    length_ = charSize_ == 1 || charSize_ == 2 ? 0 : length_;
  }
}

void GTextString::SetBytes(uint8_t* bytes, uint16_t length) {
  bytes_ = std::make_unique<GArrayHolder<uint8_t>>(bytes, length, true);
  codes_.reset();
  charSize_ = 1;
  length_ = static_cast<uint16_t>(bytes_->Count());
}

void GTextString::SetCodes(uint16_t* codes, uint16_t length) {
  codes_ = std::make_unique<GArrayHolder<uint16_t>>(codes, length, true);
  bytes_.reset();
  charSize_ = 2;
  length_ = static_cast<uint16_t>(codes_->Count());
}

// The first rule that matches decides; every result is owned. Without a
// code-page converter the rules that need one give characters 0, as a
// conversion without a rule does.
GTextString::GTextString(const GTextString& source, int32_t target, GGlyphCodeAllocator* allocator)
    : MPersistentObject(), encoding_(target) {
  const uint16_t n = source.length_;
  const int32_t from = source.encoding_;
  GCodePageConverter* converter = nullptr;
  auto needConverter = [&converter]() {
    if (converter == nullptr) converter = GetCodePageConverter();
    return converter;
  };
  if (target == from || (target == textenc::kGlyphCode && source.charSize_ != 2)) {
    // Rules 1 and 2 (bytes): an unchanged copy.
    if (source.charSize_ == 1) {
      SetBytes(n != 0 ? new uint8_t[n] : nullptr, n);
      for (uint16_t i = 0; i < n; ++i) bytes_->Data()[i] = static_cast<uint8_t>(source.GetChar(i));
    } else if (source.charSize_ == 2) {
      SetCodes(n != 0 ? new uint16_t[n] : nullptr, n);
      for (uint16_t i = 0; i < n; ++i) codes_->Data()[i] = source.GetChar(i);
    } else {
      charSize_ = source.charSize_;
    }
    if (charSize_ == 1 || charSize_ == 2) length_ = n;
    return;
  }
  if (target == textenc::kGlyphCode) {
    SetCodes(n != 0 ? new uint16_t[n] : nullptr, n);
    for (uint16_t i = 0; i < n; ++i) codes_->Data()[i] = allocator != nullptr ? allocator->Map(source.GetChar(i)) : 0;
    return;
  }
  if (from == textenc::kGlyphIndex || from == textenc::kGlyphCode || target == textenc::kGlyphIndex) {
    SetBytes(n != 0 ? new uint8_t[n]() : nullptr, n);
    return;
  }
  if (from == textenc::kUnicode && IsSingleByteEncoding(target)) {
    SetBytes(n != 0 ? new uint8_t[n]() : nullptr, n);
    if (needConverter() != nullptr)
      for (uint16_t i = 0; i < n; ++i)
        bytes_->Data()[i] = static_cast<uint8_t>(converter->FromUnicode(source.GetChar(i), target) & 0xFF);
    return;
  }
  SetCodes(n != 0 ? new uint16_t[n]() : nullptr, n);
  if (needConverter() == nullptr) return;
  for (uint16_t i = 0; i < n; ++i) {
    const uint32_t code = target == textenc::kUnicode ? converter->ToUnicode(source.GetChar(i), from)
                                                      : converter->FromUnicode(source.GetChar(i), target);
    codes_->Data()[i] = static_cast<uint16_t>(code);
  }
}

GTextString::~GTextString() = default;

QV_PERSISTENT_KIND_DEFINE(GTextString, MPersistentObject, GTextStringClassId)

bool GTextString::IsSingleByteEncoding(int32_t encoding) {
  return (encoding >= 3 && encoding <= 12) || encoding == 14 || encoding == 15 || (encoding >= 24 && encoding <= 52);
}

uint16_t GTextString::GetChar(uint32_t index) const {
  if (index >= length_) return 0;
  if (charSize_ == 1 && bytes_ != nullptr && index < bytes_->Count()) return bytes_->Data()[index];
  if (charSize_ == 2 && codes_ != nullptr && index < codes_->Count()) return codes_->Data()[index];
  return 0;
}

void GTextString::MakeOwned() {
  if (bytes_ != nullptr) bytes_->MakeOwned();
  if (codes_ != nullptr) codes_->MakeOwned();
}

int GTextString::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* text = dynamic_cast<const GTextString*>(other);
  if (text == nullptr || text->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  if (text->length_ != length_ || text->charSize_ != charSize_ || text->encoding_ != encoding_) return 0;
  const bool mine = GetBytes() != nullptr || GetWideChars() != nullptr;
  const bool theirs = text->GetBytes() != nullptr || text->GetWideChars() != nullptr;
  if (mine != theirs) return 0;
  for (uint32_t i = 0; i < length_; ++i)
    if (GetChar(i) != text->GetChar(i)) return 0;
  return 1;
}

// The characters are read one by one, so a damaged length reserves no more
// than the input holds; the string changes only when the whole part was
// read.
template <typename Archive>
void GTextString::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint16_t length = 0;
    int32_t size = 0;
    int32_t encoding = 0;
    archive(length, size, encoding);
    std::vector<uint16_t> read;
    if (size == 1 || size == 2) {
      for (uint32_t i = 0; i < length && archive.Ok(); ++i) {
        uint16_t code = 0;
        if (size == 1) {
          unsigned char byte = 0;
          archive(byte);
          code = byte;
        } else {
          archive(code);
        }
        if (archive.Ok()) read.push_back(code);
      }
    }
    if (!archive.Ok()) return;
    encoding_ = encoding;
    if (size == 1) {
      SetBytes(length != 0 ? new uint8_t[length] : nullptr, length);
      for (uint16_t i = 0; i < length; ++i) bytes_->Data()[i] = static_cast<uint8_t>(read[i]);
    } else if (size == 2) {
      SetCodes(length != 0 ? new uint16_t[length] : nullptr, length);
      std::copy(read.begin(), read.end(), codes_->Data());
    } else {
      // Without characters: nothing to index, whatever length was stored.
      bytes_.reset();
      codes_.reset();
      charSize_ = size;
      length_ = 0;
    }
  } else {
    uint16_t length = length_;
    archive(length, charSize_, encoding_);
    for (uint32_t i = 0; i < length_; ++i) {
      if (charSize_ == 1) {
        unsigned char byte = static_cast<unsigned char>(GetChar(i));
        archive(byte);
      } else if (charSize_ == 2) {
        uint16_t code = GetChar(i);
        archive(code);
      }
    }
  }
}

RW_STORED_MEMBERS_DEFINE(GTextString, MPersistentObject)

// ---- GTextEscapements ----

namespace {

std::unique_ptr<GArrayHolder<int16_t>> CopyAdvances(const std::unique_ptr<GArrayHolder<int16_t>>& from) {
  if (from == nullptr) return nullptr;
  auto copy = std::make_unique<GArrayHolder<int16_t>>();
  if (!copy->CopyFrom(*from)) copy->BorrowFrom(*from);
  return copy;
}

void NegateAdvances(GArrayHolder<int16_t>& axis) {
  axis.MakeOwned();
  if (axis.Owns() == 0) return;
  for (uint32_t i = 0; i < axis.Count(); ++i) axis.Data()[i] = static_cast<int16_t>(-axis.Data()[i]);
}

}  // namespace

GTextEscapements::GTextEscapements() = default;

GTextEscapements::GTextEscapements(GArrayHolder<int16_t>* x, GArrayHolder<int16_t>* y, uint16_t count)
    : x_(x), y_(y), count_(count) {}

// 0, 90, 180 and 270 degrees put the advances on one axis (y grows down);
// any other angle rounds the running positions, not the advances, so that
// the rounding errors do not add up along the text.
GTextEscapements::GTextEscapements(const GAngle& angle, GArrayHolder<int16_t>* advances)
    : count_(advances != nullptr ? static_cast<uint16_t>(std::min<uint32_t>(advances->Count(), 0xFFFF)) : 0) {
  std::unique_ptr<GArrayHolder<int16_t>> held(advances);
  const float a = angle.GetDegrees();
  if (held == nullptr) return;
  if (a == 0.0f) {
    x_ = std::move(held);
  } else if (a == 90.0f) {
    NegateAdvances(*held);
    y_ = std::move(held);
  } else if (a == 180.0f) {
    NegateAdvances(*held);
    x_ = std::move(held);
  } else if (a == 270.0f) {
    y_ = std::move(held);
  } else {
    held->MakeOwned();
    const uint32_t n = held->Count();
    auto* ys = n != 0 ? new int16_t[n]() : nullptr;
    const double c = angle.Cos();
    const double s = angle.Sin();
    int32_t sum = 0;
    int32_t x0 = 0;
    int32_t y0 = 0;
    for (uint32_t i = 0; i < n; ++i) {
      sum += held->Data()[i];
      const int32_t px = static_cast<int32_t>(sum * c + 0.5);
      const int32_t py = static_cast<int32_t>(-(sum * s + 0.5));
      held->Data()[i] = static_cast<int16_t>(px - x0);
      ys[i] = static_cast<int16_t>(py - y0);
      x0 = px;
      y0 = py;
    }
    x_ = std::move(held);
    y_ = std::make_unique<GArrayHolder<int16_t>>(ys, n, true);
  }
}

GTextEscapements::GTextEscapements(const GTextEscapements& other)
    : MPersistentObject(other), x_(CopyAdvances(other.x_)), y_(CopyAdvances(other.y_)), count_(other.count_) {}

GTextEscapements::~GTextEscapements() = default;

QV_PERSISTENT_KIND_DEFINE(GTextEscapements, MPersistentObject, GTextEscapementsClassId)

void GTextEscapements::Set(std::unique_ptr<GArrayHolder<int16_t>>& axis, uint32_t index, int16_t value) {
  if (axis == nullptr) {
    if (value == 0) return;
    axis = std::make_unique<GArrayHolder<int16_t>>(count_ != 0 ? new int16_t[count_]() : nullptr, count_, true);
  }
  axis->MakeOwned();
  if (index < axis->Count() && axis->Owns() != 0) axis->Data()[index] = value;
}

int GTextEscapements::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* esc = dynamic_cast<const GTextEscapements*>(other);
  if (esc == nullptr || esc->ClassId() != ClassId() || !MPersistentObject::Matches(other) || esc->count_ != count_)
    return 0;
  auto same = [](const GArrayHolder<int16_t>* a, const GArrayHolder<int16_t>* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->Count() == b->Count() && std::equal(a->Data(), a->Data() + a->Count(), b->Data());
  };
  return same(x_.get(), esc->x_.get()) && same(y_.get(), esc->y_.get()) ? 1 : 0;
}

template <typename Archive>
void GTextEscapements::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint16_t count = 0;
    archive(count);
    std::unique_ptr<GArrayHolder<int16_t>> axes[2];
    for (auto& axis : axes) {
      int32_t present = 0;
      archive(present);
      if (!archive.Ok()) return;
      if (present != 1) continue;
      std::vector<int16_t> read;
      for (uint32_t i = 0; i < count && archive.Ok(); ++i) {
        int16_t value = 0;
        archive(value);
        if (archive.Ok()) read.push_back(value);
      }
      if (!archive.Ok()) return;
      auto* values = count != 0 ? new int16_t[count] : nullptr;
      std::copy(read.begin(), read.end(), values);
      axis = std::make_unique<GArrayHolder<int16_t>>(values, count, true);
    }
    count_ = count;
    x_ = std::move(axes[0]);
    y_ = std::move(axes[1]);
  } else {
    archive(count_);
    for (const GArrayHolder<int16_t>* axis : {x_.get(), y_.get()}) {
      int32_t present = axis != nullptr ? 1 : 0;
      archive(present);
      for (uint32_t i = 0; present == 1 && i < count_; ++i) {
        int16_t value = Get(axis, i);
        archive(value);
      }
    }
  }
}

RW_STORED_MEMBERS_DEFINE(GTextEscapements, MPersistentObject)

RWCollectable* GTextStringCreate() { return new GTextString; }
RWCollectable* GTextEscapementsCreate() { return new GTextEscapements; }
