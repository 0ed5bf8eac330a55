#include "graphics/GRasterGraphic.h"

#include "graphics/GClip.h"
#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

// ---- GRasterGraphic ----

GRasterGraphic::GRasterGraphic() : GGraphic(nullptr, nullptr) {}

GRasterGraphic::GRasterGraphic(const GBitmap& image, GState* settings, const GRect& source, const GRect& destination,
                               const GBitmap& second)
    : GRasterGraphic(image, source, destination, second, settings, nullptr) {}

GRasterGraphic::GRasterGraphic(const GBitmap& image, const GRect& source, const GRect& destination,
                               const GBitmap& second, GState* settings, const int32_t* id)
    : GGraphic(settings, id), image_(image), source_(source), destination_(destination), second_(second) {}

GRasterGraphic::GRasterGraphic(const GRasterGraphic& other)
    : GGraphic(other),
      image_(other.image_),
      source_(other.source_),
      destination_(other.destination_),
      second_(other.second_) {}

GRasterGraphic::~GRasterGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GRasterGraphic, GGraphic, GRasterGraphicClassId)

int GRasterGraphic::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* raster = dynamic_cast<const GRasterGraphic*>(other);
  if (raster == nullptr || raster->ClassId() != ClassId() || !GGraphic::Matches(other)) return 0;
  return image_.Matches(&raster->image_) && source_.Equals(raster->source_) &&
                 destination_.Equals(raster->destination_) && second_.Matches(&raster->second_)
             ? 1
             : 0;
}

void GRasterGraphic::PinResources() { image_.MakeDataOwned(); }

int16_t GRasterGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawRaster(this) : kNoReceiver;
}

int GRasterGraphic::ClipRects(const GClip* clip, GRect& sourceOut, GRect& destinationOut) const {
  sourceOut = GRect();
  destinationOut = GRect();
  if (source_.IsEmpty() || destination_.IsEmpty()) return 1;
  if (clip == nullptr) {
    sourceOut = source_;
    destinationOut = destination_;
    return 1;
  }
  GRect visible = destination_;
  GRect bounds;
  if (clip->GetBounds(bounds) != 0) visible = bounds.Intersect(destination_);
  if (visible.Equals(destination_) || clip->GetClipRegion() != 0) {
    sourceOut = source_;
    destinationOut = destination_;
    return 1;
  }
  if (visible.IsEmpty()) return 1;

  // Widths and heights are 16-bit differences taken as unsigned; the
  // products are worked out in 64 bits so that no size can overflow them.
  const uint64_t sw = static_cast<uint16_t>(source_.right - source_.left);
  const uint64_t sh = static_cast<uint16_t>(source_.bottom - source_.top);
  const uint64_t dw = static_cast<uint16_t>(destination_.right - destination_.left);
  const uint64_t dh = static_cast<uint16_t>(destination_.bottom - destination_.top);
  auto offset = [](int16_t from, int16_t to) -> uint64_t { return static_cast<uint16_t>(to - from); };
  auto narrow = [](uint64_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); };

  // The source part that covers the visible part, in whole pixels
  // (rounded outwards), relative to the source's own corner.
  GRect cut(narrow(offset(destination_.left, visible.left) * sw / dw),
            narrow(offset(destination_.top, visible.top) * sh / dh),
            narrow((offset(destination_.left, visible.right) * sw + dw - 1) / dw),
            narrow((offset(destination_.top, visible.bottom) * sh + dh - 1) / dh));
  cut = cut.Intersect(GRect(0, 0, narrow(sw), narrow(sh)));

  // Where that part lands on the page.
  const GRect placed(narrow(static_cast<uint64_t>(static_cast<uint16_t>(destination_.left)) +
                            static_cast<uint64_t>(static_cast<uint16_t>(cut.left)) * dw / sw),
                     narrow(static_cast<uint64_t>(static_cast<uint16_t>(destination_.top)) +
                            static_cast<uint64_t>(static_cast<uint16_t>(cut.top)) * dh / sh),
                     narrow(static_cast<uint64_t>(static_cast<uint16_t>(destination_.left)) +
                            static_cast<uint64_t>(static_cast<uint16_t>(cut.right)) * dw / sw),
                     narrow(static_cast<uint64_t>(static_cast<uint16_t>(destination_.top)) +
                            static_cast<uint64_t>(static_cast<uint16_t>(cut.bottom)) * dh / sh));
  destinationOut = placed;
  sourceOut = GRect(static_cast<int16_t>(cut.left + source_.left), static_cast<int16_t>(cut.top + source_.top),
                    static_cast<int16_t>(cut.right + source_.left), static_cast<int16_t>(cut.bottom + source_.top));
  return placed.Equals(visible) ? 1 : 0;
}

// ---- Persistence ----

// The bitmaps are framed objects read into the members; the rectangles are
// taken only when both were read, so a cut body leaves them as they were.
template <typename Archive>
void GRasterGraphic::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive.Embedded(image_);
  if constexpr (Archive::kReading) {
    GRect source, destination;
    archive(source.left, source.top, source.right, source.bottom, destination.left, destination.top,
            destination.right, destination.bottom);
    if (!archive.Ok()) return;
    source_ = source;
    destination_ = destination;
  } else {
    archive(source_.left, source_.top, source_.right, source_.bottom, destination_.left, destination_.top,
            destination_.right, destination_.bottom);
  }
  archive.Embedded(second_);
}

RW_STORED_MEMBERS_DEFINE(GRasterGraphic, GGraphic)

// ---- GPreScaledRasterGraphic ----

GPreScaledRasterGraphic::GPreScaledRasterGraphic() = default;

GPreScaledRasterGraphic::GPreScaledRasterGraphic(const GBitmap& image, const GRect& source, const GRect& destination,
                                                 const GBitmap& second, GState* settings, const int32_t* id)
    : GRasterGraphic(image, source, destination, second, settings, id) {}

GPreScaledRasterGraphic::GPreScaledRasterGraphic(const GPreScaledRasterGraphic& other) = default;
GPreScaledRasterGraphic::~GPreScaledRasterGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GPreScaledRasterGraphic, GRasterGraphic, GPreScaledRasterGraphicClassId)

RWCollectable* GRasterGraphicCreate() { return new GRasterGraphic; }
RWCollectable* GPreScaledRasterGraphicCreate() { return new GPreScaledRasterGraphic; }
