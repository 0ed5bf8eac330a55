#include "ui/framework/GSettingsView.h"

#include <cstring>

#include "model/GAttributeComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "ui/framework/GUISession.h"

using namespace GFeatureIds;

GSettingsView::GSettingsView(MPersistentObject* composite, GUISession* session, int readOnly)
    : composite_(composite), session_(session), readOnly_(readOnly != 0 ? 1 : 0) {}

GAttribute* GSettingsView::Find(const int32_t* id) const {
  if (composite_ == nullptr || id == nullptr) return nullptr;
  return dynamic_cast<GAttribute*>(composite_->FindById(*id));
}

int GSettingsView::Contains(const int32_t* id) const { return Find(id) != nullptr ? 1 : 0; }

GAttribute* GSettingsView::FindOfClass(const int32_t* id, int16_t classId) const {
  GAttribute* attribute = Find(id);
  if (attribute == nullptr || attribute->ClassId() != static_cast<RWClassID>(classId)) return nullptr;
  return attribute;
}

int GSettingsView::IsOfClass(const int32_t* id, int16_t classId) const {
  return FindOfClass(id, classId) != nullptr ? 1 : 0;
}

GValueAttribute* GSettingsView::FindValueAttribute(const int32_t* id) const {
  return dynamic_cast<GValueAttribute*>(FindOfClass(id, kValueClass));
}

GStringAttribute* GSettingsView::FindStringAttribute(const int32_t* id) const {
  return dynamic_cast<GStringAttribute*>(FindOfClass(id, kStringClass));
}

GRangeAttribute* GSettingsView::FindRangeAttribute(const int32_t* id) const {
  return dynamic_cast<GRangeAttribute*>(FindOfClass(id, kRangeClass));
}

GEnumAttribute* GSettingsView::FindEnumAttribute(const int32_t* id) const {
  return dynamic_cast<GEnumAttribute*>(FindOfClass(id, kEnumClass));
}

GAttributeComposite* GSettingsView::FindComposite(const int32_t* id) const {
  GAttribute* attribute = Find(id);
  if (attribute == nullptr) return nullptr;
  const RWClassID classId = attribute->ClassId();
  if (classId != kCompositeClass && classId != kEnumClass) return nullptr;
  return dynamic_cast<GAttributeComposite*>(attribute);
}

int GSettingsView::Descend(const int32_t* id) {
  GAttributeComposite* composite = FindComposite(id);
  if (composite == nullptr) return 0;
  composite_ = composite;
  return 1;
}

GEnumAttribute* GSettingsView::FindCustomPaperList() const { return FindEnumAttribute(&kCustomPaperList); }

GAttribute* GSettingsView::FindLockedList() const { return Find(&kModelEntryList); }

GAttribute* GSettingsView::CloneAttribute(const int32_t* id) const {
  GAttribute* attribute = Find(id);
  return attribute != nullptr ? dynamic_cast<GAttribute*>(attribute->DeepCopy()) : nullptr;
}

int GSettingsView::ReplaceAttribute(const int32_t* id, const GAttribute* attribute) {
  if (readOnly_ != 0 || composite_ == nullptr || id == nullptr || attribute == nullptr) return 0;
  return composite_->ReplaceChildById(*id, attribute) != 0 ? 1 : 0;
}

// ---- Reading ----

int GSettingsView::GetInt(const int32_t* id, int* out) const {
  GValueAttribute* attribute = FindValueAttribute(id);
  if (out != nullptr) *out = attribute != nullptr ? attribute->GetValue() : 0;
  return attribute != nullptr ? 1 : 0;
}

int GSettingsView::HasChanged(const int32_t* id) const {
  return session_ != nullptr ? session_->IsChangeLogged(id, nullptr) : 0;
}

int GSettingsView::GetString(const int32_t* id, RWWString* out) const {
  GStringAttribute* attribute = FindStringAttribute(id);
  if (out != nullptr) {
    *out = RWWString();
    if (attribute != nullptr) ToWideString(attribute->GetString(), *out);
  }
  return attribute != nullptr ? 1 : 0;
}

int GSettingsView::GetNarrowString(const int32_t* id, RWCString* out) const {
  GStringAttribute* attribute = FindStringAttribute(id);
  if (out != nullptr) *out = attribute != nullptr ? attribute->GetString() : RWCString();
  return attribute != nullptr ? 1 : 0;
}

GRangeAttribute* GSettingsView::RangeFor(const int32_t* id, int16_t* out) const {
  GRangeAttribute* range = FindRangeAttribute(id);
  if (out != nullptr) *out = 0;
  return out != nullptr ? range : nullptr;
}

int GSettingsView::GetRangeMaximum(const int32_t* id, int16_t* out) const {
  GRangeAttribute* range = RangeFor(id, out);
  if (range == nullptr) return 0;
  *out = range->GetMax();
  return 1;
}

int GSettingsView::GetRangeMinimum(const int32_t* id, int16_t* out) const {
  GRangeAttribute* range = RangeFor(id, out);
  if (range == nullptr) return 0;
  *out = range->GetMin();
  return 1;
}

int GSettingsView::GetRangeStep(const int32_t* id, int16_t* out) const {
  GRangeAttribute* range = RangeFor(id, out);
  if (range == nullptr) return 0;
  *out = range->GetStep();
  return 1;
}

int GSettingsView::GetRangeValue(const int32_t* id, int16_t* out) const {
  GRangeAttribute* range = RangeFor(id, out);
  if (range == nullptr) return 0;
  *out = range->GetValue();
  return 1;
}

// ---- Writing ----

void GSettingsView::LogAndReplace(GAttribute* current, const GAttribute& replacement) {
  const int32_t id = current->FeatureId();
  // The old value is copied into the log before anything changes: after
  // the replacement current is gone.
  if (session_ != nullptr) session_->LogChange(current, std::unique_ptr<GChangePath>());
  composite_->ReplaceChildById(id, &replacement);
}

int GSettingsView::SetInt(const int32_t* id, int16_t value) {
  if (readOnly_ != 0 || composite_ == nullptr || id == nullptr) return 0;
  // A UI-state key comes into being with its first value; that is no
  // change of the user's.
  if (composite_->FeatureId() == kUIState && Find(id) == nullptr) {
    composite_->AddChild(new GValueAttribute(value, id));
    return Find(id) != nullptr ? 1 : 0;
  }
  GValueAttribute* attribute = FindValueAttribute(id);
  if (attribute == nullptr) return 0;
  if (attribute->GetValue() == value) return 1;
  GValueAttribute replacement(*attribute);
  replacement.SetValue(value);
  LogAndReplace(attribute, replacement);
  return 1;
}

int GSettingsView::SetNarrowString(const int32_t* id, const RWCString& text) {
  if (readOnly_ != 0 || composite_ == nullptr || id == nullptr) return 0;
  GStringAttribute* attribute = FindStringAttribute(id);
  if (attribute == nullptr) return 0;
  const RWCString& stored = attribute->GetString();
  const bool same =
      stored.Length() == text.Length() && std::memcmp(stored.Data(), text.Data(), text.Length()) == 0;
  if (!same) LogAndReplace(attribute, GStringAttribute(text, id));
  return 1;
}

int GSettingsView::SetString(const int32_t* id, const RWWString& text) {
  if (readOnly_ != 0 || composite_ == nullptr || id == nullptr) return 0;
  if (FindStringAttribute(id) == nullptr) return 0;
  RWCString narrow;
  ToNarrowString(text, narrow);
  // A character the code page cannot hold empties the whole conversion:
  // the stored text is kept rather than lost to an empty one.
  if (narrow.Length() == 0 && text.Length() != 0) return 0;
  return SetNarrowString(id, narrow);
}

int GSettingsView::AddIntIfMissing(int16_t value, const int32_t* id) {
  if (readOnly_ != 0 || composite_ == nullptr || id == nullptr) return 0;
  if (Find(id) != nullptr) return 1;
  composite_->AddChild(new GValueAttribute(value, id));
  return 1;
}

int GSettingsView::LogChange(const GAttribute* attribute, std::unique_ptr<GChangePath> path) {
  if (session_ != nullptr) session_->LogChange(attribute, std::move(path));
  return 1;
}

// ---- Media ----

GMedia* GSettingsView::FindMedia(int16_t paperId, int16_t orientation, int16_t xResolution,
                                 int16_t yResolution) const {
  int16_t poolPaper = paperId;
  if (paperId >= kFirstCustomPaper && paperId <= kLastCustomPaper) {
    if (session_ != nullptr) {
      if (GMedia* custom = session_->MakeCustomMedia(paperId, xResolution, yResolution)) return custom;
    }
    poolPaper = kLetter;
  }
  auto* pool = dynamic_cast<GMediaPool*>(FindOfClass(&kPrinterMediaPool, kMediaPoolClass));
  if (pool == nullptr) return nullptr;
  return pool->FindMedia(poolPaper, orientation, static_cast<uint16_t>(xResolution),
                         static_cast<uint16_t>(yResolution));
}

GMedia* GSettingsView::FindMediaForResolution(int16_t paperId, int16_t orientation, int16_t resolution) const {
  return FindMedia(paperId, orientation, resolution, resolution);
}
