#include "pdl/GDownloadRecord.h"

#include "graphics/GFontFaceHandle.h"
#include "model/GDeviceFontDescription.h"
#include "pdl/GPdlGenerator.h"

// ---- GDownloadRecord ----

GDownloadRecord::GDownloadRecord(GPdlGenerator* generator) : generator_(generator) {}

GDownloadRecord::~GDownloadRecord() = default;

void GDownloadRecord::ChargeMemory(uint32_t n) {
  memory_ += n;
  if (generator_ != nullptr) generator_->ReserveDeviceMemory(n);
}

void GDownloadRecord::RemoveFromPrinter() {
  if (kind_ != kPrinterFont && generator_ != nullptr) generator_->RemoveDownloadedFont(name_);
}

void GDownloadRecord::Release() {
  if (memory_ == 0) return;
  RemoveFromPrinter();
  if (generator_ != nullptr) generator_->ReleaseDeviceMemory(memory_);
  memory_ = 0;
  glyphCount_ = 0;
  sent_.Clear();
}

// ---- GDownloadHandle ----

GDownloadHandle::GDownloadHandle(GDownloadRecord* record) : record_(record) { ++record_->useCount_; }

GDownloadHandle::~GDownloadHandle() {
  if (--record_->useCount_ <= 0) delete record_;
}

// ---- GDownloadCache ----

GDownloadCache::GDownloadCache() = default;

GDownloadCache::~GDownloadCache() {
  for (auto& entry : entries_) {
    entry->handle->Invalidate();
    entry->handle.reset();
  }
}

uint32_t GDownloadCache::TotalMemory() const {
  uint32_t total = 0;
  for (const auto& entry : entries_) total += entry->handle->GetMemory();
  return total;
}

void GDownloadCache::Add(const GFontMetrics& metrics, const GFontDownloadExtras& extras, GDownloadHandle* handle) {
  if (handle == nullptr) return;
  auto entry = std::make_unique<Entry>();
  entry->metrics = metrics;
  entry->extras = extras;
  entry->handle.reset(handle);
  entries_.push_back(std::move(entry));
}

uint32_t GDownloadCache::ReleaseOne() {
  GDownloadHandle* oldest = nullptr;
  uint32_t oldestStamp = 0xFFFFFFFFu;
  for (const auto& entry : entries_) {
    GDownloadHandle* handle = entry->handle.get();
    const int32_t kind = handle->GetKind();
    if ((kind != GDownloadRecord::kBitmapFont && kind != GDownloadRecord::kOutlineFont) || handle->GetMemory() == 0)
      continue;
    if (handle->GetUseStamp() < oldestStamp) {
      oldest = handle;
      oldestStamp = handle->GetUseStamp();
    }
  }
  if (oldest == nullptr) return 0;
  const uint32_t memory = oldest->GetMemory();
  oldest->Release();
  return memory;
}

void GDownloadCache::ReleaseAll() {
  for (auto& entry : entries_) entry->handle->Release();
}

namespace {

// The size keys of a downloaded bitmap font or a selected printer font.
bool SameSizeKeys(const GFontMetrics& m, const GFontDownloadExtras& e, const GFontMetrics& fm,
                  const GFontDownloadExtras& fe) {
  return m.height == fm.height && e.extrasShort == fe.extrasShort && e.extrasInt1 == fe.extrasInt1 &&
         m.metricInt7 == fm.metricInt7 && e.angle2.GetDegrees() == fe.angle2.GetDegrees() &&
         m.metricReal1 == fm.metricReal1 && m.metricReal2 == fm.metricReal2;
}

}  // namespace

GDownloadHandle* GDownloadCache::FindServing(GFontFaceHandle* face, bool postScriptRule) {
  if (face == nullptr || face->GetFace() == nullptr) return nullptr;
  const GFontMetrics& fm = face->GetMetrics();
  const GFontDownloadExtras& fe = face->GetDownloadExtras();
  const int32_t faceKind = face->GetFaceKind();
  int32_t required = GDownloadRecord::kBitmapFont;
  if ((fe.flags & 2) != 0)
    required = GDownloadRecord::kPrinterFont;
  else if ((faceKind & 2) != 0)
    required = GDownloadRecord::kOutlineFont;
  for (const auto& entry : entries_) {
    const GFontMetrics& m = entry->metrics;
    const GFontDownloadExtras& e = entry->extras;
    GDownloadHandle* handle = entry->handle.get();
    if (!(m.name == fm.name) || m.metricInt1 != fm.metricInt1 || m.weight != fm.weight ||
        m.metricInt4 != fm.metricInt4 || handle->GetKind() != required)
      continue;
    bool match = false;
    if (required == GDownloadRecord::kPrinterFont) {
      GDeviceFontDescription* device = handle->GetDeviceFont();
      match = (device != nullptr && device->GetScalability() == 1) || SameSizeKeys(m, e, fm, fe);
    } else if (required == GDownloadRecord::kOutlineFont) {
      match = m.metricInt7 == fm.metricInt7;
      if (match && postScriptRule) {
        if (e.extrasWord == 2)
          match = e.angle2.GetDegrees() == fe.angle2.GetDegrees() && e.extrasInt1 == fe.extrasInt1 &&
                  e.extrasShort == fe.extrasShort;
        else if (e.extrasWord == 4)
          match = e.extrasInt1 == fe.extrasInt1 && e.extrasShort == fe.extrasShort;
      }
    } else {
      match = (faceKind & 1) != 0 && SameSizeKeys(m, e, fm, fe);
    }
    if (!match) continue;
    GDownloadHandle* clone = handle->Clone();
    face->SetDownloadInfo(clone);
    return clone;
  }
  return nullptr;
}
