#include "graphics/GFontFace.h"

#include <cmath>

#include "driver/osfactry.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GTextString.h"
#include "model/MStoredMembers.h"

bool GFontMetrics::operator==(const GFontMetrics& o) const {
  return verticalResolution == o.verticalResolution && horizontalResolution == o.horizontalResolution &&
         baseline == o.baseline && descent == o.descent && verticalMetric3 == o.verticalMetric3 &&
         metricInt1 == o.metricInt1 && metricInt2 == o.metricInt2 && metricInt3 == o.metricInt3 &&
         weight == o.weight && metricInt4 == o.metricInt4 && metricReal1 == o.metricReal1 &&
         metricReal2 == o.metricReal2 && height == o.height && metricInt5 == o.metricInt5 &&
         metricInt6 == o.metricInt6 && horizontalMetric1 == o.horizontalMetric1 && cellWidth == o.cellWidth &&
         firstChar == o.firstChar && lastChar == o.lastChar && defaultChar == o.defaultChar &&
         metricWord == o.metricWord && name == o.name && metricInt7 == o.metricInt7 && fontNumber == o.fontNumber;
}

// ---- GCharWidthSource ----

GCharWidthSource::GCharWidthSource() = default;
GCharWidthSource::GCharWidthSource(const GCharWidthSource& other) = default;
GCharWidthSource::~GCharWidthSource() = default;

QV_PERSISTENT_ID_DEFINE(GCharWidthSource, MPersistentObject, GCharWidthSourceClassId)

template <typename Archive>
void GCharWidthSource::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GCharWidthSource, MPersistentObject)

GFaceDownloadInfo::~GFaceDownloadInfo() = default;

// ---- GFontFace ----

namespace {

// The platform's width source for a new face: the factory's font source is
// a GCharWidthSource; the platform factories of this module offer none.
GCharWidthSource* NewFaceWidthSource() {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr ? static_cast<GCharWidthSource*>(factory->CreateFontSource()) : nullptr;
}

// Angles are stored in whole degrees; the fraction is dropped.
int32_t FaceAngleToStored(const GAngle& angle) { return static_cast<int32_t>(angle.GetDegrees()); }

}  // namespace

GFontFace::GFontFace() : key_(GFontDatabase::NextUniqueId()) {}

GFontFace::GFontFace(int32_t sourceValue, const GFontMetrics& metrics, const GFontDownloadExtras& extras)
    : sourceValue_(sourceValue),
      key_(GFontDatabase::NextUniqueId()),
      metrics_(metrics),
      extras_(extras),
      widthSource_(NewFaceWidthSource()) {}

GCharWidthSource* GFontFace::GetWidthSource() const {
  return dynamic_cast<GCharWidthSource*>(widthSource_.Pointee());
}

GFontFace::GFontFace(const GFontFace& other)
    : MPersistentObject(other),
      sourceValue_(other.sourceValue_),
      stamp_(other.stamp_),
      key_(other.key_),
      metrics_(other.metrics_),
      extras_(other.extras_),
      widthSource_(other.GetWidthSource() != nullptr ? other.GetWidthSource()->Clone() : nullptr),
      generatorShort_(other.generatorShort_),
      generatorLong_(other.generatorLong_) {}

GFontFace::~GFontFace() { delete downloadInfo_; }

QV_PERSISTENT_ID_DEFINE(GFontFace, MPersistentObject, GFontFaceClassId)

int GFontFace::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* face = dynamic_cast<const GFontFace*>(other);
  if (face == nullptr || !MPersistentObject::Matches(other)) return 0;
  const GFontDownloadExtras& a = extras_;
  const GFontDownloadExtras& b = face->extras_;
  if (!(metrics_ == face->metrics_) || a.angle1.GetDegrees() != b.angle1.GetDegrees() ||
      a.angle2.GetDegrees() != b.angle2.GetDegrees() || a.extrasShort != b.extrasShort ||
      a.extrasInt1 != b.extrasInt1 || a.extrasInt2 != b.extrasInt2 || a.extrasInt3 != b.extrasInt3 ||
      a.encoding != b.encoding || a.extrasWord != b.extrasWord)
    return 0;
  const GCharWidthSource* mine = GetWidthSource();
  const GCharWidthSource* theirs = face->GetWidthSource();
  if (mine == theirs) return 1;
  return mine != nullptr && theirs != nullptr && mine->Matches(theirs) ? 1 : 0;
}

void GFontFace::IncrementStamp() {
  if (stamp_ != 0xFFFFFFFFu) ++stamp_;
}

void GFontFace::MarkForSave() { saveFlag_ = 1; }

void GFontFace::AssignFrom(const GFontFace&) {}

int GFontFace::IsReadyForDownload() const { return 1; }

void GFontFace::SetWidthSource(GCharWidthSource* source) {
  if (source != GetWidthSource()) widthSource_ = GCountedRef(source);
}

bool GFontFace::DefaultWidth(int16_t* out) {
  GCharWidthSource* source = GetWidthSource();
  return source != nullptr && source->GetCharWidth(sourceValue_, metrics_.defaultChar, out) != 0;
}

// Every position written lies in out[0 .. last - first]: the part of the
// range outside the face's characters gets the default width, the part
// inside is asked of the width source at its own offset.
int GFontFace::GetWidthRange(uint16_t first, uint16_t last, int16_t* out) {
  GCharWidthSource* source = GetWidthSource();
  if (source == nullptr || out == nullptr || first > last) return 0;
  const uint16_t lo = metrics_.firstChar;
  const uint16_t hi = metrics_.lastChar;
  uint32_t start = first;
  uint32_t end = last;
  int16_t fallback = 0;
  bool haveFallback = false;
  if (first < lo || last > hi) {
    if (!DefaultWidth(&fallback)) return 0;
    haveFallback = true;
    // Entirely outside the face's characters (below or above): defaults.
    if (last < lo || first > hi || lo > hi) {
      for (uint32_t c = first; c <= last; ++c) out[c - first] = fallback;
      return 1;
    }
    for (; start < lo; ++start) out[start - first] = fallback;
    for (; end > hi; --end) out[end - first] = fallback;
  }
  if (source->GetWidthRange(sourceValue_, static_cast<uint16_t>(start), static_cast<uint16_t>(end),
                                  out + (start - first)) != 0)
    return 1;
  if (!haveFallback && !DefaultWidth(&fallback)) return 0;
  for (uint32_t c = start; c <= end; ++c) {
    int16_t width = 0;
    out[c - first] = source->GetCharWidth(sourceValue_, static_cast<uint16_t>(c), &width) != 0 ? width : fallback;
  }
  return 1;
}

int GFontFace::GetWidthsForText(const GTextString* text, int16_t* out) {
  GCharWidthSource* source = GetWidthSource();
  if (source == nullptr || text == nullptr || (out == nullptr && text->GetLength() != 0)) return 0;
  int16_t fallback = 0;
  bool haveFallback = false;
  for (uint32_t i = 0; i < text->GetLength(); ++i) {
    int16_t width = 0;
    if (source->GetCharWidth(sourceValue_, text->GetChar(i), &width) == 0) {
      if (!haveFallback) {
        if (!DefaultWidth(&fallback)) return 0;
        haveFallback = true;
      }
      width = fallback;
    }
    out[i] = width;
  }
  return 1;
}

int32_t GFontFace::WidthQuery1(int32_t a, int32_t b) {
  GCharWidthSource* source = GetWidthSource();
  if (source == nullptr) return 0;
  return source->WidthQuery1(sourceValue_, static_cast<int16_t>(metrics_.height + metrics_.descent), a, b);
}

int32_t GFontFace::WidthQuery2(int32_t a, int32_t b) {
  GCharWidthSource* source = GetWidthSource();
  if (source == nullptr) return 0;
  return source->WidthQuery2(sourceValue_, static_cast<int16_t>(metrics_.height + metrics_.descent), a, b);
}

uint32_t GFontFace::AddCharacters(const GTextString* text) {
  if (text == nullptr) return 0;
  for (uint32_t i = 0; i < text->GetLength(); ++i) downloaded_.Add(text->GetChar(i));
  return text->GetLength();
}

namespace {
struct FacePendingWalk {
  GFontFace* face;
  int32_t value;
};
int FaceDownloadOne(uint32_t code, void* data) {
  auto* walk = static_cast<FacePendingWalk*>(data);
  return walk->face->DownloadCharacter(static_cast<uint16_t>(code), walk->value);
}
}  // namespace

int GFontFace::DownloadPendingCharacters() {
  FacePendingWalk walk{this, metrics_.metricInt4};
  // A copy, so that a concrete face that adds characters while it
  // downloads does not change the walk under it.
  GCodeSet pending(downloaded_);
  if (pending.ForEach(&FaceDownloadOne, &walk) == 0) return 0;
  return IsReadyForDownload();
}

template <typename Archive>
void GFontFace::Members(Archive& archive) {
  archive.Version(ClassVersion());
  GFontMetrics& m = metrics_;
  archive(m.verticalResolution, m.horizontalResolution, m.baseline, m.descent, m.verticalMetric3, m.metricInt1,
          m.metricInt2, m.metricInt3, m.weight, m.metricInt4, m.metricReal1, m.metricReal2, m.height, m.metricInt5,
          m.metricInt6, m.horizontalMetric1, m.cellWidth, m.firstChar, m.lastChar, m.defaultChar, m.metricWord,
          m.name, m.metricInt7, m.fontNumber);
  GFontDownloadExtras& e = extras_;
  int32_t angle1 = FaceAngleToStored(e.angle1);
  int32_t angle2 = FaceAngleToStored(e.angle2);
  int32_t angle3 = FaceAngleToStored(e.angle3);
  archive(angle1, angle2, e.extrasShort, e.extrasInt1, e.extrasInt2, e.extrasInt3, e.flags, angle3, e.encoding,
          e.extrasWord);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    e.angle1.SetDegrees(static_cast<float>(angle1));
    e.angle2.SetDegrees(static_cast<float>(angle2));
    e.angle3.SetDegrees(static_cast<float>(angle3));
    sourceValue_ = 0;
  }
  MStored::TypedRef<GCharWidthSource>(archive, widthSource_);
  archive(key_, stamp_);
}

RW_STORED_MEMBERS_DEFINE(GFontFace, MPersistentObject)
