#include "model/GCustomMediaSize.h"

#include <new>

#include "model/GFeatureIds.h"
#include "model/GMarginPool.h"
#include "model/GMedia.h"
#include "model/GValueAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

bool IsKnownUnit(int32_t unit) { return unit >= 0 && unit <= 3; }

// n / d, plus 1 when the remainder is at least half of d (64 for 127), so
// halves go up.
uint64_t Nearest(uint64_t n, uint64_t d) { return n / d + (n % d >= (d + 1) / 2 ? 1 : 0); }

uint32_t Clamp32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

}  // namespace

// ---- Construction ----

GCustomMediaSize::GCustomMediaSize() = default;

GCustomMediaSize::GCustomMediaSize(int16_t paperId, const RWCString& name, int32_t unit, uint32_t width,
                                   uint32_t height, const int32_t* id)
    : GAttribute(id), paperId_(paperId), name_(name), unit_(unit), width_(width), height_(height) {}

GCustomMediaSize::GCustomMediaSize(int16_t paperId, const RWCString& name, uint32_t xDpi, uint32_t yDpi,
                                   int32_t unit, uint32_t pixelWidth, uint32_t pixelHeight, const int32_t* id)
    : GAttribute(id), paperId_(paperId), name_(name), unit_(kHundredthInch) {
  // A resolution of 0 has no size in inches: the size is 0 rather than a
  // division by zero.
  width_ = xDpi != 0 ? Clamp32(static_cast<uint64_t>(pixelWidth) * 100 / xDpi) : 0;
  height_ = yDpi != 0 ? Clamp32(static_cast<uint64_t>(pixelHeight) * 100 / yDpi) : 0;
  ConvertToUnit(unit);
}

GCustomMediaSize::GCustomMediaSize(const GCustomMediaSize& other)
    : GAttribute(other),
      paperId_(other.paperId_),
      name_(other.name_),
      unit_(other.unit_),
      width_(other.width_),
      height_(other.height_) {}

GCustomMediaSize& GCustomMediaSize::operator=(const GCustomMediaSize& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    paperId_ = other.paperId_;
    name_ = other.name_;
    unit_ = other.unit_;
    width_ = other.width_;
    height_ = other.height_;
  }
  return *this;
}

GCustomMediaSize::~GCustomMediaSize() = default;

QV_PERSISTENT_KIND_DEFINE(GCustomMediaSize, GAttribute, GCustomMediaSizeClassId)

int16_t GCustomMediaSize::ApplyTo(GPeripheral*) { return 0; }

// ---- Sizes and units ----

uint32_t GCustomMediaSize::ConvertValue(uint32_t value, int32_t from, int32_t to) {
  if (from == to || !IsKnownUnit(from) || !IsKnownUnit(to)) return value;
  // The products are formed in 64 bits, so no size overflows on the way.
  const uint64_t v = value;
  switch (from * 4 + to) {
    case kHundredthInch * 4 + kMillimetre: return Clamp32(Nearest(v * 12700, 50000));
    case kHundredthInch * 4 + kTenThousandthInch: return Clamp32(v * 100);
    case kHundredthInch * 4 + kMicrometre: return Clamp32(Nearest(v * 12700, 50));
    case kMillimetre * 4 + kHundredthInch: return Clamp32(Nearest(v * 50000, 12700));
    case kMillimetre * 4 + kTenThousandthInch: return Clamp32(Nearest(v * 50000, 127));
    case kMillimetre * 4 + kMicrometre: return Clamp32(v * 1000);
    case kTenThousandthInch * 4 + kHundredthInch: return Clamp32(Nearest(v, 100));
    case kTenThousandthInch * 4 + kMillimetre: return Clamp32(Nearest(v * 127, 50000));
    case kTenThousandthInch * 4 + kMicrometre: return Clamp32(Nearest(v * 127, 50));
    case kMicrometre * 4 + kHundredthInch: return Clamp32(Nearest(v * 50, 12700));
    case kMicrometre * 4 + kMillimetre: return Clamp32(Nearest(v, 1000));
    case kMicrometre * 4 + kTenThousandthInch: return Clamp32(Nearest(v * 50, 127));
    default: return value;
  }
}

uint32_t GCustomMediaSize::TenThousandthsToPixels(uint32_t value, uint32_t dpi) {
  return Clamp32(static_cast<uint64_t>(value) * dpi / 10000);
}

void GCustomMediaSize::GetSize(uint32_t& width, uint32_t& height) const {
  width = width_;
  height = height_;
}

void GCustomMediaSize::SetSize(uint32_t width, uint32_t height) {
  width_ = width;
  height_ = height;
}

void GCustomMediaSize::SetSizeInUnit(int32_t unit, uint32_t width, uint32_t height) {
  unit_ = unit;
  width_ = width;
  height_ = height;
}

void GCustomMediaSize::GetSizeInUnit(Pair& out, int32_t unit) const {
  out.width = ConvertValue(width_, unit_, unit);
  out.height = ConvertValue(height_, unit_, unit);
}

void GCustomMediaSize::ConvertToUnit(int32_t unit) {
  // Taking an unknown unit as the stored unit would leave the values in the
  // old unit under the new code, and every later conversion would be wrong.
  if (!IsKnownUnit(unit)) return;
  Pair converted;
  GetSizeInUnit(converted, unit);
  SetSizeInUnit(unit, converted.width, converted.height);
}

void GCustomMediaSize::GetSizeInPixels(Pair& out, uint32_t xDpi, uint32_t yDpi) const {
  Pair inches;
  GetSizeInUnit(inches, kTenThousandthInch);
  out.width = TenThousandthsToPixels(inches.width, xDpi);
  out.height = TenThousandthsToPixels(inches.height, yDpi);
}

int GCustomMediaSize::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* size = dynamic_cast<const GCustomMediaSize*>(other);
  if (size == nullptr || size->paperId_ != paperId_ || !(size->name_ == name_)) return 0;
  if (size->unit_ == unit_) return size->width_ == width_ && size->height_ == height_;
  Pair mine;
  Pair theirs;
  GetSizeInUnit(mine, kMicrometre);
  size->GetSizeInUnit(theirs, kMicrometre);
  return mine.width == theirs.width && mine.height == theirs.height;
}

// ---- Persistence ----

template <typename Archive>
void GCustomMediaSize::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(paperId_, name_, unit_, width_, height_);
}

RW_STORED_MEMBERS_DEFINE(GCustomMediaSize, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GCustomMediaSize*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GCustomMediaSize*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GCustomMediaSizeCreate() { return new GCustomMediaSize; }

// ---- Media for custom sizes ----

namespace {

// The 16-bit value attribute under id in object, or null.
GValueAttribute* FindValue(MPersistentObject* object, int32_t id) {
  if (object == nullptr) return nullptr;
  return dynamic_cast<GValueAttribute*>(object->FindById(id));
}

struct Margins {
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t right = 0;
  uint32_t bottom = 0;  // all in 1/10000 inch
};

// The margins for the orientation: record 0 of the configuration's margin
// pool (micrometres), else the four margin settings (1/10000 inch), else 0.
Margins MarginsFor(MPersistentObject* configuration, int32_t orientation) {
  Margins m;
  if (configuration == nullptr) return m;
  if (auto* pool = dynamic_cast<GMarginPool*>(configuration->FindById(GFeatureIds::kMarginTable))) {
    const int32_t* record = pool->Get(0);
    int group = -1;
    switch (orientation) {
      case 0: group = 0; break;
      case 90: group = 1; break;
      case 180: group = 2; break;
      case 270: group = 3; break;
      default: break;
    }
    if (record == nullptr || group < 0) return m;
    const int32_t* values = record + 4 * group;
    auto toInches = [](int32_t micrometres) {
      return GCustomMediaSize::ConvertValue(static_cast<uint32_t>(micrometres), GCustomMediaSize::kMicrometre,
                                            GCustomMediaSize::kTenThousandthInch);
    };
    m.left = toInches(values[0]);
    m.top = toInches(values[1]);
    m.right = toInches(values[2]);
    m.bottom = toInches(values[3]);
    return m;
  }
  MPersistentObject* settings = configuration->FindById(GFeatureIds::kCustomSizeMargins);
  GValueAttribute* left = FindValue(settings, GFeatureIds::kCustomSizeMarginLeft);
  GValueAttribute* top = FindValue(settings, GFeatureIds::kCustomSizeMarginTop);
  GValueAttribute* right = FindValue(settings, GFeatureIds::kCustomSizeMarginRight);
  GValueAttribute* bottom = FindValue(settings, GFeatureIds::kCustomSizeMarginBottom);
  if (left == nullptr || top == nullptr || right == nullptr || bottom == nullptr) return m;
  m.left = static_cast<uint16_t>(left->GetValue());
  m.top = static_cast<uint16_t>(top->GetValue());
  m.right = static_cast<uint16_t>(right->GetValue());
  m.bottom = static_cast<uint16_t>(bottom->GetValue());
  return m;
}

}  // namespace

GMedia* CreateMediaForCustomSize(const GCustomMediaSize& size, MPersistentObject* printerConfiguration,
                                 uint16_t xDpi, uint16_t yDpi, int32_t orientation) {
  const Margins margins = MarginsFor(printerConfiguration, orientation);
  GCustomMediaSize::Pair sheet;
  size.GetSizeInPixels(sheet, xDpi, yDpi);
  if (orientation == 90 || orientation == 270) {
    const uint32_t width = sheet.width;
    sheet.width = sheet.height;
    sheet.height = width;
  }
  const auto left = static_cast<int16_t>(GCustomMediaSize::TenThousandthsToPixels(margins.left, xDpi));
  const auto right = static_cast<int16_t>(GCustomMediaSize::TenThousandthsToPixels(margins.right, xDpi));
  const auto top = static_cast<int16_t>(GCustomMediaSize::TenThousandthsToPixels(margins.top, yDpi));
  const auto bottom = static_cast<int16_t>(GCustomMediaSize::TenThousandthsToPixels(margins.bottom, yDpi));
  const GShortPoint sheetSize(static_cast<int16_t>(sheet.width), static_cast<int16_t>(sheet.height));
  const GShortPoint origin(left, top);
  const GShortPoint extent(static_cast<int16_t>(sheetSize.x - right - left),
                           static_cast<int16_t>(sheetSize.y - bottom - top));
  return new (std::nothrow) GMedia(size.GetName().Data(), &sheetSize, &extent, &origin, orientation, size.GetPaperId(),
                                   xDpi, yDpi, &GFeatureIds::kCustomMedia, 0, nullptr, nullptr);
}

GMedia* CreateMediaFromSettings(const GCustomMediaSize& size, MPersistentObject* settings,
                                MPersistentObject* printerConfiguration) {
  if (settings == nullptr) return nullptr;
  MPersistentObject* resolution = settings->FindById(GFeatureIds::kResolution);
  GValueAttribute* x = FindValue(resolution, GFeatureIds::kXResolution);
  GValueAttribute* y = FindValue(resolution, GFeatureIds::kYResolution);
  GValueAttribute* orientation = FindValue(settings, GFeatureIds::kOrientation);
  if (x == nullptr || y == nullptr || orientation == nullptr) return nullptr;
  return CreateMediaForCustomSize(size, printerConfiguration, static_cast<uint16_t>(x->GetValue()),
                                  static_cast<uint16_t>(y->GetValue()), orientation->GetValue());
}

GMedia* CreateMediaFromSettingsAtResolution(const GCustomMediaSize& size, MPersistentObject* settings,
                                            MPersistentObject* printerConfiguration, uint16_t xDpi, uint16_t yDpi) {
  GValueAttribute* orientation = FindValue(settings, GFeatureIds::kOrientation);
  if (orientation == nullptr) return nullptr;
  return CreateMediaForCustomSize(size, printerConfiguration, xDpi, yDpi, orientation->GetValue());
}
