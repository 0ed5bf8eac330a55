#include "graphics/GFontFaceHandle.h"

#include <cmath>
#include <cstring>
#include <new>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GTextString.h"

namespace {

const GFontMetrics& NoFaceMetrics() {
  static const GFontMetrics metrics;
  return metrics;
}

const GFontDownloadExtras& NoFaceExtras() {
  static const GFontDownloadExtras extras;
  return extras;
}

}  // namespace

// ---- GFontFaceHandle ----

GFontFaceHandle::GFontFaceHandle() = default;

GFontFaceHandle::GFontFaceHandle(GFontFace* face, uint32_t instance) : face_(face), instance_(instance) {
  if (face_ != nullptr) face_->AddUse();
}

GFontFaceHandle::GFontFaceHandle(const GFontFaceHandle& other)
    : MPersistentObject(other), face_(other.face_), instance_(other.instance_) {
  if (face_ != nullptr) face_->AddUse();
}

GFontFaceHandle::~GFontFaceHandle() { ReleaseFace(); }

void GFontFaceHandle::ReleaseFace() {
  GFontFace* face = face_;
  face_ = nullptr;
  if (face == nullptr) return;
  if (face->DropUse() <= 0)
    delete face;
  else
    face->SetSourceValue(0);
}

QV_PERSISTENT_ID_DEFINE(GFontFaceHandle, MPersistentObject, GFontFaceHandleClassId)

int GFontFaceHandle::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* handle = dynamic_cast<const GFontFaceHandle*>(other);
  if (handle == nullptr || !MPersistentObject::Matches(other)) return 0;
  if (face_ == handle->face_) return 1;
  return face_ != nullptr && handle->face_ != nullptr && face_->Matches(handle->face_) ? 1 : 0;
}

// A handle without a face stores (0, 0) as its key and stamp, so that its
// size and its reader agree with every other handle's. No face has key 0
// (GFontDatabase::NextUniqueId never hands it out), so key 0 reads back as
// a handle without a face.
template <typename Archive>
void GFontFaceHandle::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint32_t instance = 0;
    uint32_t key = 0;
    uint32_t stamp = 0;
    archive(instance, key, stamp);
    if (!archive.Ok()) return;
    ReleaseFace();
    instance_ = instance;
    GFontDatabase* database = GFontDatabase::FindForInstance(instance);
    face_ = database != nullptr && key != 0 ? database->FindRecord(key, stamp) : nullptr;
  } else {
    uint32_t key = 0;
    uint32_t stamp = 0;
    if (face_ != nullptr) {
      if constexpr (Archive::kWriting) face_->MarkForSave();
      key = face_->GetKey();
      stamp = face_->GetStamp();
    }
    archive(instance_, key, stamp);
    if constexpr (Archive::kWriting) {
      if (face_ != nullptr) {
        if (GFontDatabase* database = GFontDatabase::FindForInstance(instance_)) database->AddRecord(face_);
      }
    }
  }
}

RW_STORED_MEMBERS_DEFINE(GFontFaceHandle, MPersistentObject)

uint32_t GFontFaceHandle::SetInstance(uint32_t instance) {
  uint32_t previous = instance_;
  instance_ = instance;
  return previous;
}

const GFontMetrics& GFontFaceHandle::GetMetrics() const {
  return face_ != nullptr ? face_->GetMetrics() : NoFaceMetrics();
}

const GFontDownloadExtras& GFontFaceHandle::GetDownloadExtras() const {
  return face_ != nullptr ? face_->GetDownloadExtras() : NoFaceExtras();
}

int GFontFaceHandle::GetWidthsForText(const GTextString* text, int16_t* out) {
  return face_ != nullptr ? face_->GetWidthsForText(text, out) : 0;
}

int GFontFaceHandle::GetWidthRange(uint16_t first, uint16_t last, int16_t* out) {
  return face_ != nullptr ? face_->GetWidthRange(first, last, out) : 0;
}

int32_t GFontFaceHandle::WidthQuery1(int32_t a, int32_t b) { return face_ != nullptr ? face_->WidthQuery1(a, b) : 0; }

int32_t GFontFaceHandle::WidthQuery2(int32_t a, int32_t b) { return face_ != nullptr ? face_->WidthQuery2(a, b) : 0; }

void GFontFaceHandle::SetGeneratorShort(int16_t value) {
  if (face_ != nullptr) face_->SetGeneratorShort(value);
}

void GFontFaceHandle::SetGeneratorLong(int32_t value) {
  if (face_ != nullptr) face_->SetGeneratorLong(value);
}

void GFontFaceHandle::SetFontNumber(int16_t number) {
  if (face_ != nullptr) face_->SetFontNumber(number);
}

void GFontFaceHandle::SetDownloadInfo(GFaceDownloadInfo* info) {
  if (face_ != nullptr) face_->SetDownloadInfo(info);
}

GFaceDownloadInfo* GFontFaceHandle::DetachDownloadInfo() {
  if (face_ == nullptr) return nullptr;
  GFaceDownloadInfo* info = face_->GetDownloadInfo();
  face_->SetDownloadInfo(nullptr);
  return info;
}

uint32_t GFontFaceHandle::AddCharacters(const GTextString* text) {
  return face_ != nullptr ? face_->AddCharacters(text) : 0;
}

int GFontFaceHandle::DownloadPendingCharacters() { return face_ != nullptr ? face_->DownloadPendingCharacters() : 0; }

int GFontFaceHandle::PrepareCharacters(const GTextString* text, int32_t mode) {
  if (face_ == nullptr) return 0;
  if ((face_->GetFlags() & GFontDownloadExtras::kNoPreparation) != 0) return 1;
  if (face_->IsReadyForDownload() != 1) return 0;
  return face_->PrepareCharacters(text, mode);
}

int GFontFaceHandle::PrepareFace(int32_t kind, int32_t mode) {
  if (face_ == nullptr) return 0;
  if ((face_->GetFlags() & GFontDownloadExtras::kNoPreparation) != 0) return 1;
  if (face_->IsReadyForDownload() != 1) return 0;
  return face_->PrepareFace(kind, mode);
}

// ---- GScaledFont ----

namespace {

float ScaleOrOne(float factor) { return factor == 0.0f ? 1.0f : factor; }

// value × factor truncated toward zero, kept within 16 bits.
int16_t ScaledShort(int32_t value, float factor) {
  double product = std::trunc(static_cast<double>(value) * factor);
  if (product > 32767.0) product = 32767.0;
  if (product < -32768.0) product = -32768.0;
  return static_cast<int16_t>(product);
}

// The largest scaled glyph image made (a guard against absurd factors).
constexpr uint64_t kScaledGlyphLimit = 16u << 20;

}  // namespace

GScaledFont::GScaledFont(GFontFaceHandle* handle, float horizontalScale, float verticalScale)
    : handle_(handle), sx_(ScaleOrOne(horizontalScale)), sy_(ScaleOrOne(verticalScale)) {}

GScaledFont::~GScaledFont() = default;

const RWCString& GScaledFont::GetName() const {
  static const RWCString none;
  return handle_ != nullptr ? handle_->GetName() : none;
}

int16_t GScaledFont::GetHeight() const {
  if (handle_ == nullptr) return 0;
  return sy_ == 1.0f ? handle_->GetHeight() : ScaledShort(handle_->GetHeight(), sy_);
}

GFontMetrics GScaledFont::GetMetrics() const {
  if (handle_ == nullptr) return GFontMetrics();
  GFontMetrics metrics = handle_->GetMetrics();
  if (sx_ == 1.0f && sy_ == 1.0f) return metrics;
  metrics.baseline = ScaledShort(metrics.baseline, sy_);
  metrics.descent = ScaledShort(metrics.descent, sy_);
  metrics.verticalMetric3 = ScaledShort(metrics.verticalMetric3, sy_);
  metrics.height = ScaledShort(metrics.height, sy_);
  metrics.horizontalMetric1 = ScaledShort(metrics.horizontalMetric1, sx_);
  metrics.cellWidth = ScaledShort(metrics.cellWidth, sx_);
  return metrics;
}

uint32_t GScaledFont::GetGlyphBitmap(uint16_t code, int32_t value, int16_t box[4], GByteBuffer** out) {
  if (handle_ == nullptr || box == nullptr || out == nullptr) return 0;
  if (sx_ == 1.0f && sy_ == 1.0f) return handle_->GetGlyphBitmap(code, value, box, out);
  if (!(sx_ > 0.0f) || !(sy_ > 0.0f)) return 0;
  GByteBuffer* source = nullptr;
  int16_t sourceBox[4] = {box[0], box[1], box[2], box[3]};
  uint32_t sourceSize = handle_->GetGlyphBitmap(code, value, sourceBox, &source);
  if (source == nullptr) return 0;
  const int32_t width = sourceBox[2] > 0 ? sourceBox[2] : 0;
  const int32_t height = sourceBox[3] > 0 ? sourceBox[3] : 0;
  const uint32_t sourceRow = static_cast<uint32_t>((width + 31) / 32) * 4;
  const double scaledWidth = std::trunc(width * static_cast<double>(sx_));
  const double scaledHeight = std::trunc(height * static_cast<double>(sy_));
  // The source must hold the rows its box claims, and the result must stay
  // within 16-bit boxes and a sane size.
  if (sourceSize < sourceRow * static_cast<uint64_t>(height) || source->GetLength() < sourceSize ||
      scaledWidth > 32767.0 || scaledHeight > 32767.0) {
    delete source;
    return 0;
  }
  const uint32_t dw = static_cast<uint32_t>(scaledWidth);
  const uint32_t dh = static_cast<uint32_t>(scaledHeight);
  const uint32_t row = ((dw + 31) / 32) * 4;
  const uint64_t size = static_cast<uint64_t>(row) * dh;
  if (size > kScaledGlyphLimit) {
    delete source;
    return 0;
  }
  uint8_t* bits = size != 0 ? new (std::nothrow) uint8_t[size]() : nullptr;
  if (size != 0 && bits == nullptr) {
    delete source;
    return 0;
  }
  const uint8_t* from = source->GetData();
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t row0 = static_cast<uint32_t>(std::trunc(y * static_cast<double>(sy_)));
    const uint32_t row1 = static_cast<uint32_t>(std::trunc((y + 1) * static_cast<double>(sy_)));
    for (int32_t x = 0; x < width; ++x) {
      if ((from[y * sourceRow + x / 8] & (0x80 >> (x % 8))) == 0) continue;
      const uint32_t col0 = static_cast<uint32_t>(std::trunc(x * static_cast<double>(sx_)));
      const uint32_t col1 = static_cast<uint32_t>(std::trunc((x + 1) * static_cast<double>(sx_)));
      for (uint32_t r = row0; r < row1 && r < dh; ++r)
        for (uint32_t c = col0; c < col1 && c < dw; ++c) bits[r * row + c / 8] |= static_cast<uint8_t>(0x80 >> (c % 8));
    }
  }
  delete source;
  *out = new GByteBuffer(bits, static_cast<uint32_t>(size), 1);
  box[0] = ScaledShort(sourceBox[0], sx_);
  box[1] = ScaledShort(sourceBox[1], sy_);
  box[2] = static_cast<int16_t>(((dw + 31) / 32) * 32 > 32767 ? 32767 : ((dw + 31) / 32) * 32);
  box[3] = static_cast<int16_t>(dh);
  return static_cast<uint32_t>(size);
}
