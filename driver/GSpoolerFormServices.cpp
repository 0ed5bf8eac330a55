#include "driver/GSpoolerFormServices.h"

#include <algorithm>
#include <memory>

#include "driver/GSettingValue.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GResourceMappingList.h"
#include "win32/DevMode.h"
#include "win32/Kernel.h"
#include "win32/Spooler.h"

using namespace GFeatureIds;

namespace {

constexpr int16_t kLargestCustomPaperId = 17384;
constexpr int16_t kSmallestCustomPaperId = 17385;

// units * 25400 / resolution, rounded to the nearest; 0 for a resolution
// of 0 or less.
int32_t DotsToMicrometres(int32_t units, int32_t resolution) {
  if (resolution <= 0) return 0;
  const int64_t product = static_cast<int64_t>(units) * 25400;
  const int64_t half = resolution / 2;
  return static_cast<int32_t>(product >= 0 ? (product + half) / resolution : (product - half) / resolution);
}

// A medium's size in micrometres, upright as the spooler's forms give it.
// The media of a turned page (90 or 270 degrees) hold their size across and
// down the turned sheet, so width and length are exchanged back for them.
void MediumSize(const GMedia& medium, int16_t x, int16_t y, int32_t orientation, int32_t* width, int32_t* length) {
  *width = DotsToMicrometres(medium.GetSize()->x, x);
  *length = DotsToMicrometres(medium.GetSize()->y, y);
  if (orientation == 90 || orientation == 270) std::swap(*width, *length);
}

bool SameSize(int32_t w1, int32_t l1, int32_t w2, int32_t l2, int32_t tolerance) {
  return std::abs(w1 - w2) <= tolerance && std::abs(l1 - l2) <= tolerance;
}

// Orientation in degrees from the settings' Orientation: 0 for portrait
// (0 or 180), else 90.
int32_t FormOrientation(MPersistentObject* settings) {
  const int32_t o = GSettingValue::GetOr(settings, kOrientation, 0);
  return (o == 0 || o == 180) ? 0 : 90;
}

void SettingsResolution(MPersistentObject* settings, int16_t* x, int16_t* y) {
  MPersistentObject* scope = GSettingValue::Find(settings, GFeatureIds::kResolution);
  if (scope == nullptr) scope = settings;
  *x = static_cast<int16_t>(GSettingValue::GetOr(scope, GFeatureIds::kXResolution, 0));
  *y = static_cast<int16_t>(GSettingValue::GetOr(scope, GFeatureIds::kYResolution, 0));
}

FORM_INFO_1W FormRecord(const RWWString& name, DWORD flags, uint32_t width, uint32_t length) {
  FORM_INFO_1W form{};
  form.Flags = flags;
  form.pName = const_cast<LPWSTR>(name.Data());
  form.Size.cx = static_cast<LONG>(width);
  form.Size.cy = static_cast<LONG>(length);
  form.ImageableArea.left = 0;
  form.ImageableArea.top = 0;
  form.ImageableArea.right = static_cast<LONG>(width);
  form.ImageableArea.bottom = static_cast<LONG>(length);
  return form;
}

struct MediaSearch {
  int32_t width;
  int32_t length;
  int16_t x;
  int16_t y;
  int32_t orientation;
  GMedia* found;
};

int MatchMediumSize(GMedia* medium, GResourceMapping* /*mapping*/, int /*index*/, void* context, int* found) {
  auto* search = static_cast<MediaSearch*>(context);
  int32_t width = 0;
  int32_t length = 0;
  MediumSize(*medium, search->x, search->y, search->orientation, &width, &length);
  if (!SameSize(width, length, search->width, search->length, GSpoolerFormServices::kSizeTolerance)) return 1;
  search->found = medium;
  *found = 1;
  return 0;
}

}  // namespace

GSpoolerFormList::GSpoolerFormList(HANDLE printer) {
  DWORD needed = 0;
  DWORD returned = 0;
  if (!EnumFormsW(printer, 1, nullptr, 0, &needed, &returned) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
  if (needed == 0) return;
  std::vector<BYTE> buffer(needed);
  if (!EnumFormsW(printer, 1, buffer.data(), needed, &needed, &returned)) return;
  const size_t count = std::min<size_t>(returned, needed / sizeof(FORM_INFO_1W));
  const auto* records = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  forms_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    Form form;
    form.flags = records[i].Flags;
    if (records[i].pName != nullptr) form.name = RWWString(records[i].pName);
    form.width = records[i].Size.cx;
    form.length = records[i].Size.cy;
    forms_.push_back(form);
  }
}

std::shared_ptr<const GSpoolerFormList> GSpoolerFormServices::Forms() {
  HANDLE printer = GetPrinterHandle();
  if (formHolds_ > 0 && heldForms_ != nullptr && heldPrinter_ == printer) return heldForms_;
  auto forms = std::make_shared<const GSpoolerFormList>(printer);
  if (formHolds_ > 0) {
    heldForms_ = forms;
    heldPrinter_ = printer;
  }
  return forms;
}

GSpoolerFormServices::GSpoolerFormServices() = default;
GSpoolerFormServices::~GSpoolerFormServices() = default;

void GSpoolerFormServices::DevModeGeometry(int32_t* orientation, int16_t* x, int16_t* y) {
  MPersistentObject* settings = GetDevModeSettings();
  *orientation = FormOrientation(settings);
  SettingsResolution(settings, x, y);
}

int GSpoolerFormServices::FormFitsCustomLimits(const GSpoolerFormList::Form& form, int16_t x, int16_t y,
                                               int32_t orientation, int check) {
  if (check == 0) return 1;
  GMediaPool* pool = GetMediaPool();
  if (pool == nullptr || x <= 0 || y <= 0) return 1;
  GMedia* smallest = pool->FindMedia(kSmallestCustomPaperId, orientation, static_cast<uint16_t>(x),
                                     static_cast<uint16_t>(y));
  GMedia* largest = pool->FindMedia(kLargestCustomPaperId, orientation, static_cast<uint16_t>(x),
                                    static_cast<uint16_t>(y));
  // A device without custom-size limits takes any form.
  if (smallest == nullptr || largest == nullptr) return 1;
  int32_t minWidth = 0;
  int32_t minLength = 0;
  int32_t maxWidth = 0;
  int32_t maxLength = 0;
  MediumSize(*smallest, x, y, orientation, &minWidth, &minLength);
  MediumSize(*largest, x, y, orientation, &maxWidth, &maxLength);
  return (maxWidth >= form.width && maxLength >= form.length && form.width >= minWidth &&
          form.length >= minLength)
             ? 1
             : 0;
}

int GSpoolerFormServices::IsPaperSupported(const GPaperRequest* request) {
  if (request == nullptr || request->spoolerPaper <= 0) return 0;
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  const size_t index = static_cast<size_t>(request->spoolerPaper);
  if (index > forms.Count()) return 0;
  return FormFitsCustomLimits(forms.At(index - 1), request->resolution[0], request->resolution[1],
                              request->orientation, request->customLimits);
}

int GSpoolerFormServices::DmPaperToPaperId(int16_t spoolerPaper, int16_t* paperId) {
  if (spoolerPaper == DMPAPER_USER) {
    *paperId = kCustomPaperId;
    return 1;
  }
  if (spoolerPaper < 1) return 0;
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  const size_t n = static_cast<size_t>(spoolerPaper);
  if (n > forms.Count()) return 0;
  if (!forms.IsBuiltin(n - 1)) {
    *paperId = static_cast<int16_t>(kFormPaperBase + spoolerPaper);
    return 1;
  }
  GResourceMappingList* mappings = GetPaperMappings();
  GResourceMapping* mapping = mappings != nullptr ? mappings->FindBySystemCode(spoolerPaper) : nullptr;
  if (mapping == nullptr) return 0;
  *paperId = mapping->GetDeviceCode();
  return 1;
}

int GSpoolerFormServices::PaperIdToDmPaper(int16_t paperId, int16_t* spoolerPaper) {
  return PaperIdToSpoolerPaper(paperId, RWWString(), spoolerPaper);
}

GMedia* GSpoolerFormServices::DevModeMedium(int16_t paperId) {
  GMediaPool* pool = GetMediaPool();
  int32_t orientation = 0;
  int16_t x = 0;
  int16_t y = 0;
  DevModeGeometry(&orientation, &x, &y);
  if (pool == nullptr || x <= 0 || y <= 0) return nullptr;
  return pool->FindMedia(paperId, orientation, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
}

int GSpoolerFormServices::PaperIdToSpoolerPaper(int16_t paperId, const RWWString& displayName,
                                                int16_t* spoolerPaper) {
  if (paperId == kCustomPaperId) {
    *spoolerPaper = DMPAPER_USER;
    return 1;
  }
  if (paperId > kCustomPaperId) {
    *spoolerPaper = static_cast<int16_t>(paperId - kFormPaperBase);
    return 1;
  }
  GResourceMappingList* mappings = GetPaperMappings();
  GResourceMapping* mapping = mappings != nullptr ? mappings->FindByDeviceCode(paperId) : nullptr;
  if (mapping != nullptr && mapping->GetSystemCode() != 0) {
    *spoolerPaper = mapping->GetSystemCode();
    return 1;
  }
  // A device paper without a DMPAPER number: the first user or printer form
  // of the same size (or of the paper's name, when one is given).
  GMedia* medium = DevModeMedium(paperId);
  if (medium == nullptr) return 0;
  int16_t x = 0;
  int16_t y = 0;
  int32_t orientation = 0;
  DevModeGeometry(&orientation, &x, &y);
  int32_t width = 0;
  int32_t length = 0;
  MediumSize(*medium, x, y, medium->GetOrientation(), &width, &length);
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  for (size_t i = 0; i < forms.Count(); ++i) {
    if (forms.IsBuiltin(i)) continue;
    if (SameSize(forms.At(i).width, forms.At(i).length, width, length, kSizeTolerance) ||
        (!displayName.IsEmpty() && forms.At(i).name == displayName)) {
      *spoolerPaper = static_cast<int16_t>(i + 1);
      return 1;
    }
  }
  return 0;
}

int16_t GSpoolerFormServices::SpoolerPaperForFormName(const RWWString& formName) {
  if (formName.IsEmpty()) return 0;
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  for (size_t i = 0; i < forms.Count(); ++i)
    if (forms.At(i).name == formName) return static_cast<int16_t>(i + 1);
  for (size_t i = 0; i < forms.Count(); ++i)
    if (forms.At(i).name.Compare(formName, 1) == 0) return static_cast<int16_t>(i + 1);
  return 0;
}

int GSpoolerFormServices::MatchPaperByName(int16_t /*paperId*/, int16_t* /*spoolerPaper*/) { return 0; }

int GSpoolerFormServices::AddFormForMedium(HANDLE printer, GCustomMediaSize* medium, DWORD flags, int update) {
  if (medium == nullptr) return 0;
  heldForms_.reset();  // the forms change
  const RWWString name(medium->GetName());
  GCustomMediaSize::Pair size;
  medium->GetSizeInUnit(size, GCustomMediaSize::kMicrometre);
  FORM_INFO_1W form = FormRecord(name, flags, size.width, size.height);
  DWORD needed = 0;
  GetFormW(printer, name.Data(), 1, nullptr, 0, &needed);
  if (needed != 0) {
    std::vector<BYTE> buffer(needed);
    if (GetFormW(printer, name.Data(), 1, buffer.data(), needed, &needed)) {
      const auto* existing = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
      if (update == 1 && existing->Flags != FORM_BUILTIN) {
        form.Flags = existing->Flags;
        return SetFormW(printer, name.Data(), 1, reinterpret_cast<LPBYTE>(&form)) ? 1 : 0;
      }
      return 0;
    }
  }
  return AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)) ? 1 : 0;
}

int GSpoolerFormServices::AddCustomForm(GCustomMediaSize* medium, GAttributeComposite* list, int /*ignored*/) {
  const int added = AddFormForMedium(GetPrinterHandle(), medium, FORM_USER, 1);
  if (added != 1) return added;
  const RWWString name(medium->GetName());
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  size_t match = 0;  // 1-based; 0 none
  for (size_t i = forms.Count(); i > 0; --i) {
    if (forms.At(i - 1).name == name) {
      match = i;
      break;
    }
  }
  if (match == 0) return 1;
  medium->SetPaperId(static_cast<int16_t>(kFormPaperBase + static_cast<int16_t>(match)));
  if (match > 1 && list != nullptr) {
    for (size_t i = 0; i < static_cast<size_t>(list->GetEntryCount()); ++i) {
      auto* entry = dynamic_cast<GCustomMediaSize*>(list->ChildAt(i));
      if (entry != nullptr && entry != medium && entry->GetName() == medium->GetName()) {
        delete list->RemoveChild(entry);
        break;
      }
    }
    list->AddChild(medium);
  }
  return 1;
}

int GSpoolerFormServices::DeleteCustomForm(GCustomMediaSize* medium, GAttributeComposite* list,
                                           int /*ignored*/) {
  if (medium == nullptr) return 0;
  const RWWString name(medium->GetName());
  heldForms_.reset();  // the forms change
  if (!DeleteFormW(GetPrinterHandle(), name.Data())) return 0;
  FillCustomMediaList(list, StoredDocumentSettings());
  return 1;
}

int GSpoolerFormServices::RebuildCustomMediaList(GAttributeComposite* settings) {
  return FillCustomMediaList(dynamic_cast<GAttributeComposite*>(GSettingValue::Find(settings, kCustomPaperList)),
                             settings);
}

int GSpoolerFormServices::FillCustomMediaList(GAttributeComposite* list, GAttributeComposite* settings) {
  if (list == nullptr) return 0;
  list->RemoveAllChildren();
  int32_t width = 0;
  int32_t length = 0;
  const int32_t entryId = 0;
  if (GSettingValue::Get(settings, kCustomPaperWidth, &width) &&
      GSettingValue::Get(settings, kCustomPaperLength, &length))
    list->AddChild(new GCustomMediaSize(kCustomPaperId, RWCString(), GCustomMediaSize::kMicrometre,
                                        static_cast<uint32_t>(width) * 100, static_cast<uint32_t>(length) * 100,
                                        &entryId));
  int16_t x = 0;
  int16_t y = 0;
  SettingsResolution(settings, &x, &y);
  const int32_t orientation = GSettingValue::GetOr(settings, kOrientation, 0);
  const int checkLimits = GSettingValue::GetOr(GetPrinterConfiguration(), kScaleFromLargePaper, 0) != 0 ? 0 : 1;
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  int added = 0;
  for (size_t i = 0; i < forms.Count(); ++i) {
    const GSpoolerFormList::Form& form = forms.At(i);
    if (forms.IsBuiltin(i) || FormFitsCustomLimits(form, x, y, orientation, checkLimits) == 0) continue;
    list->AddChild(new GCustomMediaSize(static_cast<int16_t>(kCustomPaperId + static_cast<int16_t>(i)),
                                        form.name.NarrowAscii(), GCustomMediaSize::kMicrometre,
                                        static_cast<uint32_t>(std::min(form.width, form.length)),
                                        static_cast<uint32_t>(std::max(form.width, form.length)), &entryId));
    ++added;
  }
  return added;
}

int GSpoolerFormServices::IsPaperOffered(const GSpoolerFormList& forms, size_t index, int16_t x, int16_t y,
                                         int32_t orientation, int checkLimits) {
  if (index >= forms.Count()) return 0;
  auto* database = dynamic_cast<GFormToTrayDatabase*>(
      GSettingValue::Find(GSettingValue::Find(StoredDocumentSettings(), kInstallableOptions), kFormToTrayDatabase));
  const bool filter = database != nullptr && database->HasAssignments() != 0;
  if (FormFitsCustomLimits(forms.At(index), x, y, orientation, checkLimits) == 0) return 0;
  if (forms.IsBuiltin(index)) {
    GResourceMappingList* mappings = GetPaperMappings();
    GResourceMapping* mapping =
        mappings != nullptr ? mappings->FindBySystemCode(static_cast<int16_t>(index + 1)) : nullptr;
    if (mapping == nullptr) return 0;
    return !filter || database->IsPaperSizeAssigned(mapping->GetDeviceCode()) ? 1 : 0;
  }
  return !filter || database->IsPaperSizeAssigned(static_cast<int16_t>(kCustomPaperId + static_cast<int16_t>(index)))
             ? 1
             : 0;
}

int GSpoolerFormServices::EnumeratePapers(GPaperNameCallback callback, void* userData, int checkLimits,
                                          GAttributeComposite* settings, bool filtered) {
  int16_t x = 0;
  int16_t y = 0;
  SettingsResolution(settings, &x, &y);
  const int32_t orientation = GSettingValue::GetOr(settings, kOrientation, 0);
  GFormToTrayDatabase* database = nullptr;
  if (filtered) {
    database = dynamic_cast<GFormToTrayDatabase*>(
        GSettingValue::Find(GSettingValue::Find(settings, kInstallableOptions), kFormToTrayDatabase));
    if (database != nullptr && database->HasAssignments() == 0) database = nullptr;
  }
  GResourceMappingList* mappings = GetPaperMappings();
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  int reported = 0;
  for (size_t i = 0; i < forms.Count(); ++i) {
    if (FormFitsCustomLimits(forms.At(i), x, y, orientation, checkLimits) == 0) continue;
    int16_t paperId = 0;
    if (forms.IsBuiltin(i)) {
      GResourceMapping* mapping =
          mappings != nullptr ? mappings->FindBySystemCode(static_cast<int16_t>(i + 1)) : nullptr;
      if (mapping == nullptr) continue;
      paperId = mapping->GetDeviceCode();
    } else {
      paperId = static_cast<int16_t>(kCustomPaperId + static_cast<int16_t>(i));
    }
    if (database != nullptr && database->IsPaperSizeAssigned(paperId) == 0) continue;
    ++reported;
    if (callback == nullptr || callback(reported, paperId, forms.At(i).name, userData) != 1) break;
  }
  return reported;
}

int GSpoolerFormServices::EnumeratePaperNames(void* callback, void* userData, int checkLimits,
                                              GAttributeComposite* settings) {
  return EnumeratePapers(reinterpret_cast<GPaperNameCallback>(callback), userData, checkLimits, settings, true);
}

int GSpoolerFormServices::EnumerateAllPaperNames(void* callback, void* userData, int checkLimits,
                                                 GAttributeComposite* settings) {
  return EnumeratePapers(reinterpret_cast<GPaperNameCallback>(callback), userData, checkLimits, settings, false);
}

int GSpoolerFormServices::EnumerateBuiltinForms(void* callback, void* userData) {
  auto function = reinterpret_cast<GBuiltinFormCallback>(callback);
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  int result = 1;
  for (size_t i = 0; i < forms.Count() && function != nullptr; ++i) {
    if (!forms.IsBuiltin(i)) continue;
    result = function(forms.At(i).name, userData);
    if (result == 0) break;
  }
  return result;
}

int GSpoolerFormServices::IsBuiltinForm(GCustomMediaSize* medium) {
  if (medium == nullptr) return 0;
  const RWWString name(medium->GetName());
  DWORD needed = 0;
  GetFormW(GetPrinterHandle(), name.Data(), 1, nullptr, 0, &needed);
  if (needed == 0) return 0;
  std::vector<BYTE> buffer(needed);
  if (!GetFormW(GetPrinterHandle(), name.Data(), 1, buffer.data(), needed, &needed)) return 0;
  return reinterpret_cast<const FORM_INFO_1W*>(buffer.data())->Flags == FORM_BUILTIN ? 1 : 0;
}

GMedia* GSpoolerFormServices::MediaForSpoolerPaper(int16_t spoolerPaper, int16_t x, int16_t y, int32_t orientation) {
  const std::shared_ptr<const GSpoolerFormList> formList = Forms();
  const GSpoolerFormList& forms = *formList;
  if (spoolerPaper < 1 || static_cast<size_t>(spoolerPaper) > forms.Count()) return nullptr;
  const GSpoolerFormList::Form& form = forms.At(static_cast<size_t>(spoolerPaper) - 1);
  MediaSearch search{form.width, form.length, x, y, orientation, nullptr};
  const int16_t resolution[2] = {x, y};
  int counter = 0;
  EnumerateMedia(&MatchMediumSize, &search, orientation, resolution, 0, 0, &counter);
  GMedia* result = nullptr;
  if (search.found != nullptr) {
    result = search.found->Clone();
  } else {
    const int32_t id = 0;
    GCustomMediaSize size(kCustomPaperId, form.name.NarrowAscii(), GCustomMediaSize::kMicrometre,
                          static_cast<uint32_t>(std::min(form.width, form.length)),
                          static_cast<uint32_t>(std::max(form.width, form.length)), &id);
    if (x <= 0 || y <= 0) return nullptr;
    result = CreateMediaForCustomSize(size, GetPrinterConfiguration(), static_cast<uint16_t>(x),
                                      static_cast<uint16_t>(y), orientation);
  }
  if (result != nullptr && result->GetPaperId() == kCustomPaperId && spoolerPaper != DMPAPER_USER)
    result->SetPaperId(static_cast<int16_t>(kFormPaperBase + spoolerPaper));
  return result;
}

int16_t GSpoolerFormServices::ResolvePaperId(GAttributeComposite* settings, int16_t paperId) {
  int16_t spoolerPaper = 0;
  if (PaperIdToDmPaper(paperId, &spoolerPaper) == 0) return paperId;
  int16_t x = 0;
  int16_t y = 0;
  SettingsResolution(settings, &x, &y);
  std::unique_ptr<GMedia> medium(MediaForSpoolerPaper(spoolerPaper, x, y, FormOrientation(settings)));
  if (medium != nullptr && medium->GetPaperId() < 4000) return medium->GetPaperId();
  return paperId;
}

int GSpoolerFormServices::CheckPaperId(GAttributeComposite* ignored, int16_t paperId, int32_t orientation,
                                       int16_t xResolution, int16_t yResolution) {
  int16_t spoolerPaper = 0;
  if (PaperIdToDmPaper(paperId, &spoolerPaper) == 0)
    return GDriverInstance::CheckPaperId(ignored, paperId, orientation, xResolution, yResolution);
  std::unique_ptr<GMedia> medium(MediaForSpoolerPaper(spoolerPaper, xResolution, yResolution, orientation));
  if (medium == nullptr) return 0;
  return GDriverInstance::CheckPaperId(ignored, medium->GetPaperId(), orientation, xResolution, yResolution);
}
