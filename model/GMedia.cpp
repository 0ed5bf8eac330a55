#include "model/GMedia.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t kDefaultMediaId = GMediaDefaultFeatureId;

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

GMedia* GMedia::CreateSameKind() const { return new GMedia; }
GMedia* GMedia::Clone() const { return new GMedia(*this); }
RWClassID GMedia::ClassId() const { return GMediaClassId; }

int GMedia::DerivesFrom(RWClassID classId) const {
  return classId == GMediaClassId || GAttribute::DerivesFrom(classId);
}

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

uint32_t GMedia::MembersStoreSize() const {
  // Version, six shorts, orientation, three 16-bit values, paper id and
  // three 32-bit string lengths: 40 bytes beside the names' characters.
  return GAttribute::MembersStoreSize() + 40 + static_cast<uint32_t>(paperName_.Length()) +
         static_cast<uint32_t>(secondName_.Length()) + static_cast<uint32_t>(mediaTypeName_.Length());
}

void GMedia::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  paperName_.SaveTo(stream);
  stream.PutShort(size_.x);
  stream.PutShort(size_.y);
  stream.PutShort(extent_.x);
  stream.PutShort(extent_.y);
  stream.PutShort(origin_.x);
  stream.PutShort(origin_.y);
  stream.PutLong(orientation_);
  stream.PutUShort(xResolution_);
  stream.PutUShort(yResolution_);
  stream.PutUShort(static_cast<uint16_t>(extraCode_));
  secondName_.SaveTo(stream);
  mediaTypeName_.SaveTo(stream);
  stream.PutShort(paperId_);
}

void GMedia::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  paperName_.SaveToFile(file);
  file.WriteShort(size_.x);
  file.WriteShort(size_.y);
  file.WriteShort(extent_.x);
  file.WriteShort(extent_.y);
  file.WriteShort(origin_.x);
  file.WriteShort(origin_.y);
  file.WriteLong(orientation_);
  file.WriteUShort(xResolution_);
  file.WriteUShort(yResolution_);
  file.WriteUShort(static_cast<uint16_t>(extraCode_));
  secondName_.SaveToFile(file);
  mediaTypeName_.SaveToFile(file);
  file.WriteShort(paperId_);
}

// Each value is read only while the input is still good, so a body cut
// short keeps the values read so far and the rest as they were.
void GMedia::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  paperName_.RestoreFrom(stream);
  int16_t shorts[6] = {size_.x, size_.y, extent_.x, extent_.y, origin_.x, origin_.y};
  for (int16_t& value : shorts) {
    if (stream.Good()) stream.GetShort(value);
  }
  if (!stream.Good()) return;
  size_ = GShortPoint(shorts[0], shorts[1]);
  extent_ = GShortPoint(shorts[2], shorts[3]);
  origin_ = GShortPoint(shorts[4], shorts[5]);
  stream.GetLong(orientation_);
  if (stream.Good()) stream.GetUShort(xResolution_);
  if (stream.Good()) stream.GetUShort(yResolution_);
  uint16_t extra = 0;
  if (stream.Good()) stream.GetUShort(extra);
  if (!stream.Good()) return;
  extraCode_ = static_cast<int16_t>(extra);
  secondName_.RestoreFrom(stream);
  if (stream.Good()) mediaTypeName_.RestoreFrom(stream);
  if (stream.Good()) stream.GetShort(paperId_);
}

void GMedia::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (!paperName_.RestoreFromFile(file)) return;
  int16_t shorts[6];
  if (!file.ReadShorts(shorts, 6)) return;
  size_ = GShortPoint(shorts[0], shorts[1]);
  extent_ = GShortPoint(shorts[2], shorts[3]);
  origin_ = GShortPoint(shorts[4], shorts[5]);
  uint16_t extra = 0;
  if (!file.ReadLong(orientation_) || !file.ReadUShort(xResolution_) || !file.ReadUShort(yResolution_) ||
      !file.ReadUShort(extra))
    return;
  extraCode_ = static_cast<int16_t>(extra);
  if (!secondName_.RestoreFromFile(file) || !mediaTypeName_.RestoreFromFile(file)) return;
  file.ReadShort(paperId_);
}

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
