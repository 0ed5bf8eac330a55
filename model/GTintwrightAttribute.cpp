#include "model/GTintwrightAttribute.h"

#include <cstddef>
#include <initializer_list>

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Every code is stored as a 16-bit value and read back into its byte.
void PutCodes(RWVirtualOutStream& stream, std::initializer_list<unsigned char> codes) {
  for (unsigned char code : codes) stream.PutShort(code);
}

void WriteCodes(RWBinaryFile& file, std::initializer_list<unsigned char> codes) {
  for (unsigned char code : codes) file.WriteShort(code);
}

// The codes change only when all of them were read.
constexpr size_t kMaxCodes = 10;

void GetCodes(RWVirtualInStream& stream, std::initializer_list<unsigned char*> codes) {
  int16_t values[kMaxCodes] = {};
  if (codes.size() > kMaxCodes) return;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (!stream.GetShort(values[i]).Good()) return;
  }
  size_t i = 0;
  for (unsigned char* code : codes) *code = static_cast<unsigned char>(values[i++]);
}

void ReadCodes(RWBinaryFile& file, std::initializer_list<unsigned char*> codes) {
  int16_t values[kMaxCodes] = {};
  if (codes.size() > kMaxCodes || !file.ReadShorts(values, codes.size())) return;
  size_t i = 0;
  for (unsigned char* code : codes) *code = static_cast<unsigned char>(values[i++]);
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
  const unsigned char shift = FeatureId() == GTintwrightShiftedFeatureId ? 1 : 0;
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

uint32_t GTintwrightAttribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 4 + 6 * 2; }

void GTintwrightAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  PutCodes(stream, {settingA_[0], settingB_[0], settingA_[1], settingB_[1], settingA_[2], settingB_[2]});
}

void GTintwrightAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  WriteCodes(file, {settingA_[0], settingB_[0], settingA_[1], settingB_[1], settingA_[2], settingB_[2]});
}

void GTintwrightAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  if (!stream.Good() || !stream.GetULong(version).Good() || version != ClassVersion()) return;
  GetCodes(stream, {&settingA_[0], &settingB_[0], &settingA_[1], &settingB_[1], &settingA_[2], &settingB_[2]});
}

void GTintwrightAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ReadCodes(file, {&settingA_[0], &settingB_[0], &settingA_[1], &settingB_[1], &settingA_[2], &settingB_[2]});
}

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

GTintwrightEnhancedAttribute* GTintwrightEnhancedAttribute::CreateSameKind() const {
  return new GTintwrightEnhancedAttribute;
}
GTintwrightEnhancedAttribute* GTintwrightEnhancedAttribute::Clone() const {
  return new GTintwrightEnhancedAttribute(*this);
}
RWClassID GTintwrightEnhancedAttribute::ClassId() const { return GTintwrightEnhancedAttributeClassId; }

// The form answers its own id and the attribute's, not the first form's.
int GTintwrightEnhancedAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GTintwrightEnhancedAttributeClassId || GAttribute::DerivesFrom(classId);
}

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

uint32_t GTintwrightEnhancedAttribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 4 + 8 * 2; }

// The inherited settingA/settingB are not part of this form's body.
void GTintwrightEnhancedAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  PutCodes(stream, {neutralGrays_[0], halftone_[0], neutralGrays_[1], halftone_[1], neutralGrays_[2], halftone_[2],
                    edgeControl_, rgbColor_});
}

void GTintwrightEnhancedAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  WriteCodes(file, {neutralGrays_[0], halftone_[0], neutralGrays_[1], halftone_[1], neutralGrays_[2], halftone_[2],
                    edgeControl_, rgbColor_});
}

void GTintwrightEnhancedAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  if (!stream.Good() || !stream.GetULong(version).Good() || version != ClassVersion()) return;
  GetCodes(stream, {&neutralGrays_[0], &halftone_[0], &neutralGrays_[1], &halftone_[1], &neutralGrays_[2],
                    &halftone_[2], &edgeControl_, &rgbColor_});
}

void GTintwrightEnhancedAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ReadCodes(file, {&neutralGrays_[0], &halftone_[0], &neutralGrays_[1], &halftone_[1], &neutralGrays_[2],
                   &halftone_[2], &edgeControl_, &rgbColor_});
}

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

GTintwrightEnhancedAttributeVer2* GTintwrightEnhancedAttributeVer2::CreateSameKind() const {
  return new GTintwrightEnhancedAttributeVer2;
}
GTintwrightEnhancedAttributeVer2* GTintwrightEnhancedAttributeVer2::Clone() const {
  return new GTintwrightEnhancedAttributeVer2(*this);
}
RWClassID GTintwrightEnhancedAttributeVer2::ClassId() const { return GTintwrightEnhancedAttributeVer2ClassId; }

int GTintwrightEnhancedAttributeVer2::DerivesFrom(RWClassID classId) const {
  return classId == GTintwrightEnhancedAttributeVer2ClassId || GAttribute::DerivesFrom(classId);
}

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

uint32_t GTintwrightEnhancedAttributeVer2::MembersStoreSize() const {
  return GAttribute::MembersStoreSize() + 4 + 10 * 2;
}

void GTintwrightEnhancedAttributeVer2::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  PutCodes(stream, {neutralGrays_[0], halftone_[0], srgbColor_[0], neutralGrays_[1], halftone_[1], srgbColor_[1],
                    neutralGrays_[2], halftone_[2], srgbColor_[2], edgeControl_});
}

void GTintwrightEnhancedAttributeVer2::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  WriteCodes(file, {neutralGrays_[0], halftone_[0], srgbColor_[0], neutralGrays_[1], halftone_[1], srgbColor_[1],
                    neutralGrays_[2], halftone_[2], srgbColor_[2], edgeControl_});
}

void GTintwrightEnhancedAttributeVer2::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  if (!stream.Good() || !stream.GetULong(version).Good() || version != ClassVersion()) return;
  GetCodes(stream, {&neutralGrays_[0], &halftone_[0], &srgbColor_[0], &neutralGrays_[1], &halftone_[1],
                    &srgbColor_[1], &neutralGrays_[2], &halftone_[2], &srgbColor_[2], &edgeControl_});
}

void GTintwrightEnhancedAttributeVer2::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ReadCodes(file, {&neutralGrays_[0], &halftone_[0], &srgbColor_[0], &neutralGrays_[1], &halftone_[1],
                   &srgbColor_[1], &neutralGrays_[2], &halftone_[2], &srgbColor_[2], &edgeControl_});
}

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
