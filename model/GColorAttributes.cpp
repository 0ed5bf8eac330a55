#include "model/GColorAttributes.h"

#include "model/GColorSettingGetters.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

using namespace GFeatureIds;

// ---- GColorCodeAttribute ----

GColorCodeAttribute::GColorCodeAttribute(int32_t value, const int32_t* id) : GColorAttribute(id), value_(value) {}

GColorCodeAttribute::GColorCodeAttribute(const GColorCodeAttribute& other) = default;

GColorCodeAttribute& GColorCodeAttribute::operator=(const GColorCodeAttribute& other) {
  if (this != &other) {
    GColorAttribute::operator=(other);
    value_ = other.value_;
  }
  return *this;
}

GColorCodeAttribute::~GColorCodeAttribute() = default;

template <typename Archive>
void GColorCodeAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(value_);
}

RW_STORED_MEMBERS_DEFINE(GColorCodeAttribute, GColorAttribute)

int GColorCodeAttribute::DerivesFrom(RWClassID classId) const {
  return classId == ClassId() || GColorAttribute::DerivesFrom(classId);
}

int GColorCodeAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  const auto* color = dynamic_cast<const GColorCodeAttribute*>(other);
  return color != nullptr && color->value_ == value_;
}

int16_t GColorCodeAttribute::GetDeviceValue(const GCountedPtr& holder) const {
  return MapFeatureValue(MappingListId(), holder, GetValue());
}

// ---- The seven classes ----

namespace {

const int32_t kNoFeature = 0;

}  // namespace

#define QV_COLOR_CODE_CLASS(Name, classId, defaultValue, receiverOperation, listId)                 \
  Name::Name() : GColorCodeAttribute(defaultValue, &kNoFeature) {}                                 \
  Name::Name(int32_t value, const int32_t* id) : GColorCodeAttribute(value, id) {}                 \
  Name::Name(const Name& other) = default;                                                         \
  Name& Name::operator=(const Name& other) {                                                       \
    GColorCodeAttribute::operator=(other);                                                         \
    return *this;                                                                                  \
  }                                                                                                \
  Name::~Name() = default;                                                                         \
  RWClassID Name::StaticClassId() { return classId; }                                              \
  QV_PERSISTENT_KIND_DEFINE(Name, GColorCodeAttribute, classId)                                    \
  const int32_t* Name::MappingListId() const { return &listId; }                                   \
  int16_t Name::ApplyTo(GPeripheral* receiver) {                                                   \
    return receiver != nullptr ? receiver->receiverOperation(this) : 0;                            \
  }                                                                                                \
  RWVirtualInStream& operator>>(RWVirtualInStream& stream, Name*& out) {                           \
    GReadTypedObject(stream, out);                                                                 \
    return stream;                                                                                 \
  }                                                                                                \
  RWBinaryFile& operator>>(RWBinaryFile& file, Name*& out) {                                       \
    GReadTypedObject(file, out);                                                                   \
    return file;                                                                                   \
  }                                                                                                \
  RWCollectable* Name##Create() { return new Name; }

QV_COLOR_CODE_CLASS(GSRGBExtension, GSRGBExtensionClassId, 100, SetSRGBExtension, kSRGBCodes)
QV_COLOR_CODE_CLASS(GEdgeControl, GEdgeControlClassId, 93, SetEdgeControl, kEdgeControlCodes)
QV_COLOR_CODE_CLASS(GSRGBColor, GSRGBColorClassId, 98, SetSRGBColor, kSRGBCodes)
QV_COLOR_CODE_CLASS(GHalftoneEnhanced, GHalftoneEnhancedClassId, 40, SetHalftoneEnhanced, kHalftoneCodes)
QV_COLOR_CODE_CLASS(GHalftone, GHalftoneClassId, 40, SetHalftone, kHalftoneCodes)
QV_COLOR_CODE_CLASS(GNeutralGrays, GNeutralGraysClassId, 70, SetNeutralGrays, kNeutralGraysCodes)
QV_COLOR_CODE_CLASS(GColorMap, GColorMapClassId, 15, SetColorMap, kColorMapCodes)

#undef QV_COLOR_CODE_CLASS
