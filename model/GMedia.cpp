#include "model/GMedia.h"

#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t kDefaultMediaId = GFeatureIds::kCustomMedia;

GShortPoint PointOrZero(const GShortPoint* point) { return point != nullptr ? *point : GShortPoint(); }

RWCString TextOrEmpty(const char* text) { return text != nullptr ? RWCString(text) : RWCString(); }

// The 16-bit sums and differences of the imageable area, wrapping as the
// stored 16-bit values do.
int16_t Add16(int16_t a, int16_t b) { return static_cast<int16_t>(static_cast<uint16_t>(a) + static_cast<uint16_t>(b)); }
int16_t Sub16(int16_t a, int16_t b) { return static_cast<int16_t>(static_cast<uint16_t>(a) - static_cast<uint16_t>(b)); }

}  // namespace

GMedia::GMedia()
    : GAttribute(&kDefaultMediaId),
      orientation_(0),
      xResolution_(600),
      yResolution_(600),
      extraCode_(0),
      paperId_(0) {}

GMedia::GMedia(const char* paperName, const GShortPoint* size, const GShortPoint* extent, const GShortPoint* origin,
               int32_t orientation, int16_t paperId, uint16_t xResolution, uint16_t yResolution, const int32_t* id,
               int16_t extraCode, const char* secondName, const char* mediaTypeName)
    : GAttribute(id),
      paperName_(TextOrEmpty(paperName)),
      size_(PointOrZero(size)),
      extent_(PointOrZero(extent)),
      origin_(PointOrZero(origin)),
      orientation_(orientation),
      xResolution_(xResolution),
      yResolution_(yResolution),
      extraCode_(extraCode),
      secondName_(TextOrEmpty(secondName)),
      mediaTypeName_(TextOrEmpty(mediaTypeName)),
      paperId_(paperId) {}

GMedia::GMedia(const GMedia& other) = default;

GMedia& GMedia::operator=(const GMedia& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    paperName_ = other.paperName_;
    size_ = other.size_;
    extent_ = other.extent_;
    origin_ = other.origin_;
    orientation_ = other.orientation_;
    xResolution_ = other.xResolution_;
    yResolution_ = other.yResolution_;
    extraCode_ = other.extraCode_;
    secondName_ = other.secondName_;
    mediaTypeName_ = other.mediaTypeName_;
    paperId_ = other.paperId_;
  }
  return *this;
}

GMedia::~GMedia() = default;

QV_PERSISTENT_KIND_DEFINE(GMedia, GAttribute, GMediaClassId)

int GMedia::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  const auto* media = dynamic_cast<const GMedia*>(other);
  if (media == nullptr) return 0;
  return paperName_ == media->paperName_ && size_ == media->size_ && extent_ == media->extent_ &&
         origin_ == media->origin_ && orientation_ == media->orientation_ &&
         xResolution_ == media->xResolution_ && yResolution_ == media->yResolution_ &&
         extraCode_ == media->extraCode_ && secondName_ == media->secondName_ &&
         mediaTypeName_ == media->mediaTypeName_ && paperId_ == media->paperId_;
}

int16_t GMedia::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetMedia(this) : 0; }

void GMedia::GetImageableRect(int16_t* left, int16_t* top, int16_t* right, int16_t* bottom) const {
  if (left != nullptr) *left = origin_.x;
  if (top != nullptr) *top = origin_.y;
  if (right != nullptr) *right = Add16(origin_.x, extent_.x);
  if (bottom != nullptr) *bottom = Add16(origin_.y, extent_.y);
}

int16_t GMedia::GetImageableEnd(GShortPoint* out) const {
  const GShortPoint end(Add16(origin_.x, extent_.x), Add16(origin_.y, extent_.y));
  if (out != nullptr) *out = end;
  return end.y;
}

int16_t GMedia::GetOppositeMargins(GShortPoint* out) const {
  const GShortPoint margins(Sub16(Sub16(size_.x, extent_.x), origin_.x), Sub16(Sub16(size_.y, extent_.y), origin_.y));
  if (out != nullptr) *out = margins;
  return margins.y;
}

// ---- Persistence ----

template <typename Archive>
void GMedia::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(paperName_, size_.x, size_.y, extent_.x, extent_.y, origin_.x, origin_.y, orientation_, xResolution_,
          yResolution_, rwm::As<uint16_t>(extraCode_), secondName_, mediaTypeName_, paperId_);
}

RW_STORED_MEMBERS_DEFINE(GMedia, GAttribute)

// ---- Angles ----

int NormalizeAngle(int degrees) {
  // Worked in 64 bits so that the extremes of int do not overflow.
  const int64_t angle = degrees;
  if (angle >= 0) return static_cast<int>(angle % 360);
  return static_cast<int>(359 - ((359 - angle) % 360));
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMedia*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GMedia*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GMediaCreate() { return new GMedia; }
