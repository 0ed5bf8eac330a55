#include "model/GTintwrightAttribute.h"

#include <cstddef>

#include "model/GFeatureIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Every code is stored as a 16-bit value and read back into its byte; the
// codes change only when all of them were read.
template <typename Archive, size_t N>
void Codes(Archive& archive, unsigned char* const (&codes)[N]) {
  unsigned char values[N];
  for (size_t i = 0; i < N; ++i) values[i] = *codes[i];
  for (size_t i = 0; i < N; ++i) archive(rwm::As<int16_t>(values[i]));
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    for (size_t i = 0; i < N; ++i) *codes[i] = values[i];
  }
}

bool ValidType(int objectType) { return objectType >= 0 && objectType <= 2; }

const unsigned char kNeutralGraysDefaults[3] = {70, 80, 91};
const unsigned char kHalftoneDefaults[3] = {41, 51, 61};
const unsigned char kSRGBColorDefaults[3] = {100, 103, 106};
constexpr unsigned char kEdgeControlDefault = 95;
constexpr unsigned char kRGBColorDefault = 98;

void CopyThree(unsigned char* to, const unsigned char* from) {
  for (int i = 0; i < 3; ++i) to[i] = from[i];
}

bool SameThree(const unsigned char* a, const unsigned char* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

// ---- GTintwrightAttribute ----

GTintwrightAttribute::GTintwrightAttribute() : settingA_{0, 0, 0}, settingB_{0, 0, 0} {}

GTintwrightAttribute::GTintwrightAttribute(const int32_t* id, unsigned char a0, unsigned char b0, unsigned char a1,
                                           unsigned char b1, unsigned char a2, unsigned char b2)
    : GAttribute(id), settingA_{a0, a1, a2}, settingB_{b0, b1, b2} {}

GTintwrightAttribute::GTintwrightAttribute(const int32_t* id) : GAttribute(id), settingB_{40, 50, 62} {
  const unsigned char shift = FeatureId() == GFeatureIds::kTintwrightShifted ? 1 : 0;
  settingA_[0] = static_cast<unsigned char>(15 + shift);
  settingA_[1] = static_cast<unsigned char>(21 + shift);
  settingA_[2] = static_cast<unsigned char>(31 + shift);
}

GTintwrightAttribute::GTintwrightAttribute(const GTintwrightAttribute& other) = default;

GTintwrightAttribute& GTintwrightAttribute::operator=(const GTintwrightAttribute& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    CopyThree(settingA_, other.settingA_);
    CopyThree(settingB_, other.settingB_);
  }
  return *this;
}

GTintwrightAttribute::~GTintwrightAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GTintwrightAttribute, GAttribute, GTintwrightAttributeClassId)

int GTintwrightAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || !GAttribute::Matches(other)) return 0;
  const auto* attribute = dynamic_cast<const GTintwrightAttribute*>(other);
  return attribute != nullptr && SameSettings(*attribute);
}

int GTintwrightAttribute::SameSettings(const GTintwrightAttribute& other) const {
  if (&other == this) return 1;
  return other.ClassId() == ClassId() && SameThree(settingA_, other.settingA_) && SameThree(settingB_, other.settingB_);
}

void GTintwrightAttribute::CopySettings(const GTintwrightAttribute& other) {
  if (&other == this) return;
  CopyThree(settingA_, other.settingA_);
  CopyThree(settingB_, other.settingB_);
}

int16_t GTintwrightAttribute::ApplyTo(GPeripheral*) { return 0; }

int GTintwrightAttribute::GetSetting(int objectType, int which, unsigned char* out) const {
  if (!ValidType(objectType) || which < 0 || which > 1) return 0;
  if (out != nullptr) *out = which == 0 ? settingA_[objectType] : settingB_[objectType];
  return 1;
}

int GTintwrightAttribute::SetSetting(int objectType, int which, unsigned char value) {
  if (!ValidType(objectType) || which < 0 || which > 1) return 0;
  (which == 0 ? settingA_ : settingB_)[objectType] = value;
  return 1;
}

template <typename Archive>
void GTintwrightAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  Codes(archive, {&settingA_[0], &settingB_[0], &settingA_[1], &settingB_[1], &settingA_[2], &settingB_[2]});
}

RW_STORED_MEMBERS_DEFINE(GTintwrightAttribute, GAttribute)

// ---- GTintwrightEnhancedAttribute ----

namespace {
const int32_t kNoTintwrightFeature = 0;
}  // namespace

GTintwrightEnhancedAttribute::GTintwrightEnhancedAttribute() : GTintwrightEnhancedAttribute(&kNoTintwrightFeature) {}

GTintwrightEnhancedAttribute::GTintwrightEnhancedAttribute(const int32_t* id)
    : GTintwrightAttribute(id), edgeControl_(kEdgeControlDefault), rgbColor_(kRGBColorDefault) {
  CopyThree(neutralGrays_, kNeutralGraysDefaults);
  CopyThree(halftone_, kHalftoneDefaults);
}

GTintwrightEnhancedAttribute::GTintwrightEnhancedAttribute(const int32_t* id, unsigned char neutralGrays0,
                                                           unsigned char halftone0, unsigned char neutralGrays1,
                                                           unsigned char halftone1, unsigned char neutralGrays2,
                                                           unsigned char halftone2, unsigned char edgeControl,
                                                           unsigned char rgbColor)
    : GTintwrightAttribute(id),
      neutralGrays_{neutralGrays0, neutralGrays1, neutralGrays2},
      halftone_{halftone0, halftone1, halftone2},
      edgeControl_(edgeControl),
      rgbColor_(rgbColor) {}

GTintwrightEnhancedAttribute::GTintwrightEnhancedAttribute(const GTintwrightEnhancedAttribute& other) = default;

GTintwrightEnhancedAttribute& GTintwrightEnhancedAttribute::operator=(const GTintwrightEnhancedAttribute& other) {
  if (this != &other) {
    // The inherited codes are not this form's: only the attribute part and
    // the eight codes are taken over.
    GAttribute::operator=(other);
    CopyCodes(other);
  }
  return *this;
}

GTintwrightEnhancedAttribute::~GTintwrightEnhancedAttribute() = default;

// The form answers its own id and the attribute's, not the first form's.
QV_PERSISTENT_KIND_DEFINE(GTintwrightEnhancedAttribute, GAttribute, GTintwrightEnhancedAttributeClassId)

void GTintwrightEnhancedAttribute::CopyCodes(const GTintwrightEnhancedAttribute& other) {
  CopyThree(neutralGrays_, other.neutralGrays_);
  CopyThree(halftone_, other.halftone_);
  edgeControl_ = other.edgeControl_;
  rgbColor_ = other.rgbColor_;
}

bool GTintwrightEnhancedAttribute::SameCodes(const GTintwrightEnhancedAttribute& other) const {
  return SameThree(neutralGrays_, other.neutralGrays_) && SameThree(halftone_, other.halftone_) &&
         edgeControl_ == other.edgeControl_ && rgbColor_ == other.rgbColor_;
}

int GTintwrightEnhancedAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || !GAttribute::Matches(other)) return 0;
  const auto* attribute = dynamic_cast<const GTintwrightAttribute*>(other);
  return attribute != nullptr && SameSettings(*attribute);
}

int GTintwrightEnhancedAttribute::SameSettings(const GTintwrightAttribute& other) const {
  if (&other == this) return 1;
  if (other.ClassId() != ClassId()) return 0;
  const auto* enhanced = dynamic_cast<const GTintwrightEnhancedAttribute*>(&other);
  return enhanced != nullptr && SameCodes(*enhanced);
}

void GTintwrightEnhancedAttribute::CopySettings(const GTintwrightAttribute& other) {
  const auto* enhanced = dynamic_cast<const GTintwrightEnhancedAttribute*>(&other);
  if (enhanced != nullptr && enhanced != this) CopyCodes(*enhanced);
}

int16_t GTintwrightEnhancedAttribute::ApplyTo(GPeripheral*) { return 0; }

unsigned char* GTintwrightEnhancedAttribute::Code(int objectType, int selector) {
  if (objectType < 0 || objectType > 3) return nullptr;
  switch (selector) {
    case kNeutralGrays: return objectType < 3 ? &neutralGrays_[objectType] : nullptr;
    case kHalftone: return objectType < 3 ? &halftone_[objectType] : nullptr;
    case kEdgeControl: return &edgeControl_;
    case kRGBColor: return &rgbColor_;
    default: return nullptr;
  }
}

int GTintwrightEnhancedAttribute::GetEnhancedSetting(int objectType, int selector, unsigned char* out) const {
  const unsigned char* code = const_cast<GTintwrightEnhancedAttribute*>(this)->Code(objectType, selector);
  if (code == nullptr) return 0;
  if (out != nullptr) *out = *code;
  return 1;
}

int GTintwrightEnhancedAttribute::SetEnhancedSetting(int objectType, int selector, unsigned char value) {
  unsigned char* code = Code(objectType, selector);
  if (code == nullptr) return 0;
  *code = value;
  return 1;
}

// The inherited settingA/settingB are not part of this form's body.
template <typename Archive>
void GTintwrightEnhancedAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  Codes(archive, {&neutralGrays_[0], &halftone_[0], &neutralGrays_[1], &halftone_[1], &neutralGrays_[2], &halftone_[2],
                  &edgeControl_, &rgbColor_});
}

RW_STORED_MEMBERS_DEFINE(GTintwrightEnhancedAttribute, GAttribute)

// ---- GTintwrightEnhancedAttributeVer2 ----

GTintwrightEnhancedAttributeVer2::GTintwrightEnhancedAttributeVer2()
    : GTintwrightEnhancedAttributeVer2(&kNoTintwrightFeature) {}

GTintwrightEnhancedAttributeVer2::GTintwrightEnhancedAttributeVer2(const int32_t* id)
    : GTintwrightAttribute(id), edgeControl_(kEdgeControlDefault) {
  CopyThree(neutralGrays_, kNeutralGraysDefaults);
  CopyThree(halftone_, kHalftoneDefaults);
  CopyThree(srgbColor_, kSRGBColorDefaults);
}

GTintwrightEnhancedAttributeVer2::GTintwrightEnhancedAttributeVer2(
    const int32_t* id, unsigned char neutralGrays0, unsigned char halftone0, unsigned char srgbColor0,
    unsigned char neutralGrays1, unsigned char halftone1, unsigned char srgbColor1, unsigned char neutralGrays2,
    unsigned char halftone2, unsigned char srgbColor2, unsigned char edgeControl)
    : GTintwrightAttribute(id),
      neutralGrays_{neutralGrays0, neutralGrays1, neutralGrays2},
      halftone_{halftone0, halftone1, halftone2},
      srgbColor_{srgbColor0, srgbColor1, srgbColor2},
      edgeControl_(edgeControl) {}

GTintwrightEnhancedAttributeVer2::GTintwrightEnhancedAttributeVer2(const GTintwrightEnhancedAttributeVer2& other) =
    default;

GTintwrightEnhancedAttributeVer2& GTintwrightEnhancedAttributeVer2::operator=(
    const GTintwrightEnhancedAttributeVer2& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    CopyCodes(other);
  }
  return *this;
}

GTintwrightEnhancedAttributeVer2::~GTintwrightEnhancedAttributeVer2() = default;

QV_PERSISTENT_KIND_DEFINE(GTintwrightEnhancedAttributeVer2, GAttribute, GTintwrightEnhancedAttributeVer2ClassId)

void GTintwrightEnhancedAttributeVer2::CopyCodes(const GTintwrightEnhancedAttributeVer2& other) {
  CopyThree(neutralGrays_, other.neutralGrays_);
  CopyThree(halftone_, other.halftone_);
  CopyThree(srgbColor_, other.srgbColor_);
  edgeControl_ = other.edgeControl_;
}

bool GTintwrightEnhancedAttributeVer2::SameCodes(const GTintwrightEnhancedAttributeVer2& other) const {
  return SameThree(neutralGrays_, other.neutralGrays_) && SameThree(halftone_, other.halftone_) &&
         SameThree(srgbColor_, other.srgbColor_) && edgeControl_ == other.edgeControl_;
}

int GTintwrightEnhancedAttributeVer2::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || !GAttribute::Matches(other)) return 0;
  const auto* attribute = dynamic_cast<const GTintwrightAttribute*>(other);
  return attribute != nullptr && SameSettings(*attribute);
}

int GTintwrightEnhancedAttributeVer2::SameSettings(const GTintwrightAttribute& other) const {
  if (&other == this) return 1;
  if (other.ClassId() != ClassId()) return 0;
  const auto* ver2 = dynamic_cast<const GTintwrightEnhancedAttributeVer2*>(&other);
  return ver2 != nullptr && SameCodes(*ver2);
}

void GTintwrightEnhancedAttributeVer2::CopySettings(const GTintwrightAttribute& other) {
  const auto* ver2 = dynamic_cast<const GTintwrightEnhancedAttributeVer2*>(&other);
  if (ver2 != nullptr && ver2 != this) CopyCodes(*ver2);
}

int16_t GTintwrightEnhancedAttributeVer2::ApplyTo(GPeripheral*) { return 0; }

unsigned char* GTintwrightEnhancedAttributeVer2::Code(int objectType, int kind) {
  if (objectType < 0 || objectType > 3) return nullptr;
  switch (kind) {
    case kNeutralGrays: return objectType < 3 ? &neutralGrays_[objectType] : nullptr;
    case kHalftone: return objectType < 3 ? &halftone_[objectType] : nullptr;
    case kSRGBColor: return objectType < 3 ? &srgbColor_[objectType] : nullptr;
    case kEdgeControl: return &edgeControl_;
    default: return nullptr;
  }
}

int GTintwrightEnhancedAttributeVer2::GetCode(int objectType, int kind, unsigned char* out) const {
  const unsigned char* code = const_cast<GTintwrightEnhancedAttributeVer2*>(this)->Code(objectType, kind);
  if (code == nullptr) return 0;
  if (out != nullptr) *out = *code;
  return 1;
}

int GTintwrightEnhancedAttributeVer2::SetCode(int objectType, int kind, unsigned char value) {
  unsigned char* code = Code(objectType, kind);
  if (code == nullptr) return 0;
  *code = value;
  return 1;
}

template <typename Archive>
void GTintwrightEnhancedAttributeVer2::Members(Archive& archive) {
  archive.Version(ClassVersion());
  Codes(archive, {&neutralGrays_[0], &halftone_[0], &srgbColor_[0], &neutralGrays_[1], &halftone_[1], &srgbColor_[1],
                  &neutralGrays_[2], &halftone_[2], &srgbColor_[2], &edgeControl_});
}

RW_STORED_MEMBERS_DEFINE(GTintwrightEnhancedAttributeVer2, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTintwrightAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GTintwrightAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GTintwrightAttributeCreate() { return new GTintwrightAttribute; }
RWCollectable* GTintwrightEnhancedAttributeCreate() { return new GTintwrightEnhancedAttribute; }
RWCollectable* GTintwrightEnhancedAttributeVer2Create() { return new GTintwrightEnhancedAttributeVer2; }
