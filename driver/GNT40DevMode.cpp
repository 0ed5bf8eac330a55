#include "driver/GNT40DevMode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/GSettingValue.h"
#include "driver/GSpoolerFormServices.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GMediaPool.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMappingList.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentIterator.h"

namespace {

using PA = DevmodePrivateArea;
using SV = GSettingValue;

#define DM_OFFSET(field) offsetof(DEVMODEW, field)

uint8_t* NT40Bytes(DEVMODEW* dm) { return reinterpret_cast<uint8_t*>(dm); }
const uint8_t* NT40Bytes(const DEVMODEW* dm) { return reinterpret_cast<const uint8_t*>(dm); }

int16_t Short(const uint8_t* dm, size_t offset) { return PA::GetShort(dm, offset); }
void SetShort(uint8_t* dm, size_t offset, int32_t value) { PA::SetShort(dm, offset, static_cast<int16_t>(value)); }

// DEVMODE versions whose public record has the collation and form-name fields.
bool IsCurrentVersion(int version) { return version == 0x0400 || version == 0x0401; }

// The direct children of an object, borrowed.
std::vector<MPersistentObject*> Children(MPersistentObject* parent) {
  std::vector<MPersistentObject*> out;
  if (parent == nullptr) return out;
  std::unique_ptr<MPersistentIterator> it(parent->CreateIterator());
  if (!it) return out;
  while (it->Advance()) {
    if (it->Current() != nullptr) out.push_back(it->Current());
  }
  return out;
}

// Copies a table member's value into the settings attribute of the same id
// (a value attribute takes the value, a string attribute the text); missing
// or other attributes are left alone.
void CopyMemberIntoSettings(MPersistentObject* member, MPersistentObject* settings) {
  MPersistentObject* target = SV::Find(settings, member->FeatureId());
  int32_t value = 0;
  RWCString text;
  if (auto* v = dynamic_cast<GValueAttribute*>(target)) {
    if (SV::ValueOf(member, &value)) v->SetValue(static_cast<int16_t>(value));
  } else if (auto* s = dynamic_cast<GStringAttribute*>(target)) {
    if (SV::TextOf(member, &text)) s->SetString(text);
  }
}

// Whether a settings attribute (value or string) holds something else than
// the table member; other kinds and missing attributes never differ.
bool SettingDiffersFromMember(MPersistentObject* member, MPersistentObject* settings) {
  MPersistentObject* target = SV::Find(settings, member->FeatureId());
  if (auto* v = dynamic_cast<GValueAttribute*>(target)) {
    int32_t value = 0;
    return !SV::ValueOf(member, &value) || value != v->GetValue();
  }
  if (auto* s = dynamic_cast<GStringAttribute*>(target)) {
    RWCString text;
    return !SV::TextOf(member, &text) || !(text == s->GetString());
  }
  return false;
}

// The media names the printer reported (configuration 701) as mappings:
// system codes from 16690, device codes from 50, in order.
struct DiscoveredMedium {
  int16_t systemCode;
  int16_t deviceCode;
  RWCString name;
};
std::vector<DiscoveredMedium> DiscoveredMedia(MPersistentObject* configuration) {
  std::vector<DiscoveredMedium> out;
  int16_t n = 0;
  for (MPersistentObject* child : Children(SV::Find(configuration, GFeatureIds::kDiscoveredMediaNames))) {
    RWCString name;
    if (!SV::TextOf(child, &name)) continue;
    out.push_back({static_cast<int16_t>(16690 + n), static_cast<int16_t>(50 + n), name});
    ++n;
  }
  return out;
}

// A media size in device dots converted to tenths of a millimetre.
int32_t DotsToTenthsMm(int32_t dots, int32_t resolution) { return resolution > 0 ? dots * 254 / resolution : 0; }

}  // namespace

GNT40DevMode::GNT40DevMode(GDriverInstance* instance) : GDevMode(instance) {}

GNT40DevMode::GNT40DevMode(const GNT40DevMode& other) = default;

GNT40DevMode::~GNT40DevMode() = default;

MPersistentObject* GNT40DevMode::Configuration() {
  return GetInstance() != nullptr ? GetInstance()->GetPrinterConfiguration() : nullptr;
}

MPersistentObject* GNT40DevMode::ResolutionScope(MPersistentObject* settings) {
  MPersistentObject* resolution = SV::Find(settings, GFeatureIds::kResolution);
  return resolution != nullptr ? resolution : settings;
}

bool GNT40DevMode::CustomLimit(int16_t paperId, int16_t x, int16_t y, int16_t* width, int16_t* length) {
  auto* pool = dynamic_cast<GMediaPool*>(SV::Find(Configuration(), GFeatureIds::kPrinterMediaPool));
  if (pool == nullptr || x <= 0 || y <= 0) return false;
  GMedia* medium = pool->FindMedia(paperId, 0, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
  if (medium == nullptr) return false;
  *width = static_cast<int16_t>(DotsToTenthsMm(medium->GetSize()->x, x));
  *length = static_cast<int16_t>(DotsToTenthsMm(medium->GetSize()->y, y));
  return true;
}

int GNT40DevMode::AttachInstance(GDriverInstance* instance) {
  GDevMode::AttachInstance(instance);
  if (instance != nullptr &&
      !PA::WideFieldEquals(Buffer(), DM_OFFSET(dmDeviceName), CCHDEVICENAME, instance->GetPrinterName()))
    PA::SetWideField(Buffer(), DM_OFFSET(dmDeviceName), CCHDEVICENAME, instance->GetPrinterName());
  return 1;
}

RWWString GNT40DevMode::GetDeviceName() { return PA::GetWideField(Buffer(), DM_OFFSET(dmDeviceName), CCHDEVICENAME); }

RWWString GNT40DevMode::GetDriverNameTag() {
  const uint8_t* tag = Buffer() + PA::kDriverTagOffset;
  WCHAR chars[PA::kDriverTagSize];
  size_t n = 0;
  while (n < PA::kDriverTagSize && tag[n] != 0) {
    chars[n] = tag[n];
    ++n;
  }
  return RWWString(chars, n);
}

// ---- Settings -> public fields ----

int GNT40DevMode::SettingsToPublic(GAttributeComposite* settings, DEVMODEW* out) {
  if (settings == nullptr || out == nullptr) return 0;
  uint8_t* dm = NT40Bytes(out);
  GDriverInstance* instance = GetInstance();
  MPersistentObject* configuration = Configuration();
  MPersistentObject* scope = ResolutionScope(settings);
  int32_t value = 0;

  // Orientation.
  if (!SV::Get(settings, GFeatureIds::kOrientation, &value)) {
    PA::ClearFieldBits(dm, DM_ORIENTATION);
  } else {
    if (value == 0 || value == 180) SetShort(dm, DM_OFFSET(dmOrientation), DMORIENT_PORTRAIT);
    if (value == 90 || value == 270) SetShort(dm, DM_OFFSET(dmOrientation), DMORIENT_LANDSCAPE);
    PA::SetFieldBits(dm, DM_ORIENTATION);
  }

  // Paper size, and the custom size or the size of a standard paper.
  int16_t paperId = 0;
  if (!SV::Get16(settings, GFeatureIds::kPaperSize, &paperId)) {
    PA::ClearFieldBits(dm, DM_PAPERSIZE);
  } else {
    int16_t spoolerPaper = 0;
    if (instance != nullptr && instance->PaperIdToDmPaper(paperId, &spoolerPaper) != 0) {
      SetShort(dm, DM_OFFSET(dmPaperSize), spoolerPaper);
      PA::SetFieldBits(dm, DM_PAPERSIZE);
    } else {
      PA::ClearFieldBits(dm, DM_PAPERSIZE);
    }
    if (paperId == kCustomPaperId) {
      if (SV::Get(settings, GFeatureIds::kCustomPaperWidth, &value)) {
        SetShort(dm, DM_OFFSET(dmPaperWidth), value);
        PA::SetFieldBits(dm, DM_PAPERWIDTH);
      }
      if (SV::Get(settings, GFeatureIds::kCustomPaperLength, &value)) {
        SetShort(dm, DM_OFFSET(dmPaperLength), value);
        PA::SetFieldBits(dm, DM_PAPERLENGTH);
      }
    } else if (instance != nullptr && (instance->GetAppFlags() & kAppFlagPaperSizeAlways) != 0) {
      GMediaPool* pool = instance->GetMediaPool();
      const int32_t x = SV::GetOr(scope, GFeatureIds::kXResolution, 0);
      const int32_t y = SV::GetOr(scope, GFeatureIds::kYResolution, 0);
      GMedia* medium = nullptr;
      if (pool != nullptr && x > 0 && y > 0)
        medium = pool->FindMedia(instance->ResolvePaperId(settings, paperId), 0, static_cast<uint16_t>(x),
                                 static_cast<uint16_t>(y));
      if (medium != nullptr) {
        SetShort(dm, DM_OFFSET(dmPaperWidth), DotsToTenthsMm(medium->GetSize()->x, x));
        SetShort(dm, DM_OFFSET(dmPaperLength), DotsToTenthsMm(medium->GetSize()->y, y));
        PA::SetFieldBits(dm, DM_PAPERWIDTH | DM_PAPERLENGTH);
      }
    }
  }

  // Copies.
  if (SV::Get(settings, GFeatureIds::kCopies, &value)) {
    SetShort(dm, DM_OFFSET(dmCopies), value);
    PA::SetFieldBits(dm, DM_COPIES);
  } else {
    PA::ClearFieldBits(dm, DM_COPIES);
  }

  // Paper source: the tray's spooler bin, or the bin of the media type.
  // A tray without a spooler bin leaves the source unset.
  PA::ClearFieldBits(dm, DM_DEFAULTSOURCE);
  if (SV::Get(settings, GFeatureIds::kInputBin, &value)) {
    GResourceMappingList* sources = instance != nullptr ? instance->GetSourceMappings() : nullptr;
    GResourceMapping* mapping = sources != nullptr ? sources->FindByDeviceCode(static_cast<int16_t>(value)) : nullptr;
    if (mapping != nullptr) {
      SetShort(dm, DM_OFFSET(dmDefaultSource), mapping->GetSystemCode());
      PA::SetFieldBits(dm, DM_DEFAULTSOURCE);
    }
  }
  RWCString mediaType;
  int16_t source = 0;
  if (SV::GetText(settings, GFeatureIds::kMediaType, &mediaType) &&
      SourceForMediaType(configuration, mediaType, &source) != 0) {
    SetShort(dm, DM_OFFSET(dmDefaultSource), source);
    PA::SetFieldBits(dm, DM_DEFAULTSOURCE);
  }

  // Resolution or print quality.
  int16_t x = 0;
  int16_t y = 0;
  if (SV::Get16(scope, GFeatureIds::kXResolution, &x) && SV::Get16(scope, GFeatureIds::kYResolution, &y)) {
    int32_t qualityMode = 0;
    if (SV::Get(scope, GFeatureIds::kPrintQualityMode, &qualityMode) && qualityMode <= 0) {
      int16_t quality = 0;
      if (QualityForResolution(settings, x, y, &quality) != 0) {
        SetShort(dm, DM_OFFSET(dmPrintQuality), quality);
        SetShort(dm, DM_OFFSET(dmYResolution), y);
        PA::ClearFieldBits(dm, DM_YRESOLUTION);
        PA::SetFieldBits(dm, DM_PRINTQUALITY);
      }
    } else {
      SetShort(dm, DM_OFFSET(dmPrintQuality), x);
      SetShort(dm, DM_OFFSET(dmYResolution), y);
      PA::SetFieldBits(dm, DM_PRINTQUALITY | DM_YRESOLUTION);
    }
  } else {
    PA::ClearFieldBits(dm, DM_PRINTQUALITY | DM_YRESOLUTION);
  }

  // Colour.
  if (SV::GetOr(settings, GFeatureIds::kColorMode, 0) == 0) {
    SetShort(dm, DM_OFFSET(dmColor), DMCOLOR_COLOR);
    PA::SetFieldBits(dm, DM_COLOR);
  } else if (!SV::Get(settings, GFeatureIds::kPrintColorAsGray, &value)) {
    PA::ClearFieldBits(dm, DM_COLOR);
  } else {
    SetShort(dm, DM_OFFSET(dmColor), (value == 1 || value == 3) ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR);
    const int capability = instance != nullptr ? instance->GetColorCapability() : 0;
    if (capability == 0 || capability == 1)
      PA::SetFieldBits(dm, DM_COLOR);
    else
      PA::ClearFieldBits(dm, DM_COLOR);
  }

  // Image colour management.
  if (!SV::Get(settings, GFeatureIds::kIcmEnable, &value)) {
    PA::ClearFieldBits(dm, DM_ICMMETHOD);
  } else {
    if (value != 1) {
      PA::SetFieldBits(dm, DM_ICMMETHOD);
      PA::SetDword(dm, DM_OFFSET(dmICMMethod), DMICMMETHOD_NONE);
    } else {
      const int32_t method = SV::GetOr(settings, GFeatureIds::kIcmMethod, 0);
      PA::SetFieldBits(dm, DM_ICMMETHOD);
      if (method == 0) {
        PA::SetDword(dm, DM_OFFSET(dmICMMethod), DMICMMETHOD_NONE);
      } else if (method >= 1 && method <= 3) {
        PA::SetDword(dm, DM_OFFSET(dmICMMethod), DMICMMETHOD_SYSTEM);
        PA::SetDword(dm, DM_OFFSET(dmICMIntent), DMICM_CONTRAST);
      } else {
        PA::ClearFieldBits(dm, DM_ICMMETHOD);
      }
    }
    int32_t intent = 0;
    if (!SV::Get(settings, GFeatureIds::kIcmIntent, &intent)) {
      PA::ClearFieldBits(dm, DM_ICMMETHOD);
    } else {
      PA::SetFieldBits(dm, DM_ICMINTENT);
      static constexpr uint32_t kIntents[] = {DMICM_CONTRAST, DMICM_SATURATE, DMICM_COLORIMETRIC,
                                              DMICM_ABS_COLORIMETRIC};
      if (intent >= 0 && intent <= 3)
        PA::SetDword(dm, DM_OFFSET(dmICMIntent), kIntents[intent]);
      else
        PA::ClearFieldBits(dm, DM_ICMMETHOD);
    }
  }

  // Duplex: the binding edge in terms of the page's orientation.
  if (SV::Get(settings, GFeatureIds::kDuplex, &value)) {
    const int16_t orientation = Short(dm, DM_OFFSET(dmOrientation));
    int32_t duplex = DMDUP_SIMPLEX;
    if (value == 1) duplex = orientation == DMORIENT_PORTRAIT ? DMDUP_HORIZONTAL : DMDUP_VERTICAL;
    if (value == 2) duplex = orientation == DMORIENT_LANDSCAPE ? DMDUP_HORIZONTAL : DMDUP_VERTICAL;
    SetShort(dm, DM_OFFSET(dmDuplex), duplex);
    PA::SetFieldBits(dm, DM_DUPLEX);
  } else {
    PA::ClearFieldBits(dm, DM_DUPLEX);
  }

  // Collation, only on a printer that collates.
  if (SV::GetOr(configuration, GFeatureIds::kDiscoveredPlurexMode, 0) != 0) {
    PA::SetFieldBits(dm, DM_COLLATE);
    if (!SV::Get(settings, GFeatureIds::kCollate, &value)) {
      PA::ClearFieldBits(dm, DM_COLLATE);
      SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_FALSE);
    } else {
      SetShort(dm, DM_OFFSET(dmCollate), value == 1 ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
    }
  } else {
    PA::ClearFieldBits(dm, DM_COLLATE);
    SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_FALSE);
  }
  return 1;
}

// ---- Public fields -> settings ----

int GNT40DevMode::PublicToSettings(const DEVMODEW* in, GAttributeComposite* settings) {
  if (in == nullptr || settings == nullptr) return 0;
  const uint8_t* dm = NT40Bytes(in);
  const uint32_t fields = PA::GetFields(dm);
  GDriverInstance* instance = GetInstance();
  MPersistentObject* configuration = Configuration();

  if ((fields & DM_ORIENTATION) != 0) MapOrientationIn(dm, settings, configuration);

  if ((fields & DM_DEFAULTSOURCE) != 0) {
    const int16_t source = Short(dm, DM_OFFSET(dmDefaultSource));
    GResourceMappingList* sources = instance != nullptr ? instance->GetSourceMappings() : nullptr;
    GResourceMapping* mapping = sources != nullptr ? sources->FindBySystemCode(source) : nullptr;
    RWCString mediaType;
    if (mapping != nullptr)
      SV::Set(settings, GFeatureIds::kInputBin, mapping->GetDeviceCode());
    else if (MediaTypeForSource(configuration, source, &mediaType) != 0)
      SV::SetText(settings, GFeatureIds::kMediaType, mediaType);
  }

  const int16_t quality = Short(dm, DM_OFFSET(dmPrintQuality));
  if ((fields & DM_PRINTQUALITY) != 0 && ((fields & DM_YRESOLUTION) != 0 || quality < 0))
    MapResolutionIn(dm, settings, configuration);

  if ((fields & DM_PAPERSIZE) != 0) MapPaperIn(dm, settings);

  if ((fields & DM_COPIES) != 0) {
    int16_t copies = Short(dm, DM_OFFSET(dmCopies));
    if (copies <= 0) copies = 1;
    // More copies than the printer makes in one job (an application's or a
    // damaged DEVMODE) are taken as the most it makes, so that no job and
    // no DEVMODE handed out asks for a count outside the printer's range.
    auto* range = dynamic_cast<GRangeAttribute*>(SV::Find(configuration, GFeatureIds::kCopiesRange));
    if (range != nullptr && range->GetMax() > 0 && copies > range->GetMax()) copies = range->GetMax();
    SV::Set(settings, GFeatureIds::kCopies, copies);
  }

  if ((fields & DM_COLOR) != 0 && SV::GetOr(settings, GFeatureIds::kColorMode, 0) == 1 &&
      SV::Find(settings, GFeatureIds::kPrintColorAsGray) != nullptr) {
    const int capability = instance != nullptr ? instance->GetColorCapability() : 0;
    const int16_t color = Short(dm, DM_OFFSET(dmColor));
    if (color == DMCOLOR_MONOCHROME) SV::Set(settings, GFeatureIds::kPrintColorAsGray, capability == 2 ? 3 : 1);
    if (color == DMCOLOR_COLOR)
      SV::Set(settings, GFeatureIds::kPrintColorAsGray, capability == 1 ? 0 : (capability == 0 ? 1 : 3));
  }

  const bool icm = SV::GetOr(settings, GFeatureIds::kIcmEnable, 0) == 1;
  if ((fields & DM_ICMMETHOD) != 0 && icm && SV::Find(settings, GFeatureIds::kIcmMethod) != nullptr) {
    const uint32_t method = PA::GetDword(dm, DM_OFFSET(dmICMMethod));
    SV::Set(settings, GFeatureIds::kIcmMethod, (method >= 2 && method <= 4) ? 1 : 0);
  }
  if ((fields & DM_ICMINTENT) != 0 && icm && SV::Find(settings, GFeatureIds::kIcmIntent) != nullptr) {
    const uint32_t intent = PA::GetDword(dm, DM_OFFSET(dmICMIntent));
    int16_t mapped = 0;
    if (intent == DMICM_SATURATE) mapped = 1;
    if (intent == DMICM_COLORIMETRIC) mapped = 2;
    if (intent == DMICM_ABS_COLORIMETRIC) mapped = 3;
    SV::Set(settings, GFeatureIds::kIcmIntent, mapped);
  }

  if ((fields & DM_DUPLEX) != 0) {
    const int32_t orientation = SV::GetOr(settings, GFeatureIds::kOrientation, 0);
    const bool upright = orientation == 0 || orientation == 180;
    const bool turned = orientation == 90 || orientation == 270;
    const int16_t duplex = Short(dm, DM_OFFSET(dmDuplex));
    int16_t edge = -1;  // -1: unchanged
    if (duplex == DMDUP_VERTICAL) {
      if (upright) edge = 2;
      if (turned) edge = 1;
    } else if (duplex == DMDUP_HORIZONTAL) {
      if (upright) edge = 1;
      if (turned) edge = 2;
    } else {
      edge = 0;
    }
    if (edge >= 0) {
      SV::Set(settings, GFeatureIds::kDuplex, edge);
      int32_t scaling = 0;
      if (edge != 0 && SV::Get(settings, GFeatureIds::kQVAutoDuplexScaling, &scaling))
        SV::Set(settings, GFeatureIds::kQVSymmetricalMargins, scaling == 1 ? 1 : 0);
    }
  }

  const int16_t collate = Short(dm, DM_OFFSET(dmCollate));
  if ((fields & DM_COLLATE) != 0 && collate == DMCOLLATE_TRUE) {
    SV::Set(settings, GFeatureIds::kCollate,
            SV::GetOr(configuration, GFeatureIds::kDiscoveredPlurexMode, 0) != 0 ? 1 : 0);
  } else if ((fields & DM_COLLATE) == 0 || collate == DMCOLLATE_FALSE) {
    SV::Set(settings, GFeatureIds::kCollate, 0);
  }
  return 1;
}

void GNT40DevMode::MapOrientationIn(const uint8_t* dm, MPersistentObject* settings, MPersistentObject* configuration) {
  const int32_t flipRule = SV::GetOr(configuration, GFeatureIds::kOrientationFlipRule, 0);
  const int32_t current = SV::GetOr(settings, GFeatureIds::kOrientation, 0);
  const int16_t requested = Short(dm, DM_OFFSET(dmOrientation));
  int32_t preferred = 0;
  int32_t fallback = 0;
  const bool rotated = current == 180 || current == 270;
  if (requested == DMORIENT_PORTRAIT) {
    preferred = (rotated || (flipRule != 0 && current == 90)) ? 180 : 0;
    fallback = 0;
  } else if (requested == DMORIENT_LANDSCAPE) {
    preferred = (rotated || (flipRule != 0 && current == 0)) ? 270 : 90;
    fallback = 90;
  } else {
    return;
  }
  bool hasPreferred = false;
  bool hasFallback = false;
  for (MPersistentObject* entry : Children(SV::Find(configuration, GFeatureIds::kSupportedOrientations))) {
    int32_t degrees = 0;
    if (!SV::ValueOf(entry, &degrees)) continue;
    hasPreferred = hasPreferred || degrees == preferred;
    hasFallback = hasFallback || degrees == fallback;
  }
  if (hasPreferred)
    SV::Set(settings, GFeatureIds::kOrientation, static_cast<int16_t>(preferred));
  else if (hasFallback)
    SV::Set(settings, GFeatureIds::kOrientation, static_cast<int16_t>(fallback));
}

void GNT40DevMode::MapResolutionIn(const uint8_t* dm, GAttributeComposite* settings, MPersistentObject* configuration) {
  GDriverInstance* instance = GetInstance();
  MPersistentObject* scope = ResolutionScope(settings);
  MPersistentObject* qualityMember = SV::Find(scope, GFeatureIds::kPrintQualityMode);
  const int16_t currentX = static_cast<int16_t>(SV::GetOr(scope, GFeatureIds::kXResolution, 0));
  const int16_t currentY = static_cast<int16_t>(SV::GetOr(scope, GFeatureIds::kYResolution, 0));
  const int16_t requested = Short(dm, DM_OFFSET(dmPrintQuality));
  int16_t x = currentX;
  int16_t y = currentY;
  if (requested < 0) {
    int16_t bits = 0;
    if (ResolutionForQuality(settings, requested, &x, &y, &bits) == 0) {
      x = currentX;
      y = currentY;
    }
  } else {
    const int16_t requestedY = Short(dm, DM_OFFSET(dmYResolution));
    if (instance != nullptr && instance->IsResolutionSupported(requested, requestedY) != 0) {
      x = requested;
      y = requestedY;
    }
    if (qualityMember != nullptr) {
      int16_t quality = 0;
      if (QualityForResolution(settings, x, y, &quality) == 0) {
        x = currentX;
        y = currentY;
        if (QualityForResolution(settings, x, y, &quality) == 0) quality = requested;
      }
      SV::SetObject(qualityMember, quality);
    }
  }
  SV::Set(scope, GFeatureIds::kXResolution, x);
  SV::Set(scope, GFeatureIds::kYResolution, y);

  // The resolution list decides the bits per pixel and quality that go with
  // the new resolution, unless the current ones are offered with it.
  const int32_t currentBits = SV::GetOr(scope, GFeatureIds::kBitsPerPixel, 1);
  int32_t currentQuality = 0;
  const bool hasQualityMember = SV::ValueOf(qualityMember, &currentQuality);
  bool matched = false;
  bool matchedBits = false;
  bool matchedBitsAndQuality = false;
  bool listHasQualities = false;
  int32_t suppliedBits = 1;
  int32_t suppliedQuality = 0;
  for (MPersistentObject* entry : Children(SV::Find(configuration, GFeatureIds::kResolutionList))) {
    int32_t entryQuality = 0;
    const bool entryHasQuality = SV::Get(entry, GFeatureIds::kPrintQualityMode, &entryQuality);
    listHasQualities = listHasQualities || entryHasQuality;
    if (SV::GetOr(entry, GFeatureIds::kXResolution, -1) != x || SV::GetOr(entry, GFeatureIds::kYResolution, -1) != y)
      continue;
    const int32_t entryBits = SV::GetOr(entry, GFeatureIds::kBitsPerPixel, 1);
    matched = true;
    suppliedBits = entryBits;
    suppliedQuality = entryHasQuality ? entryQuality : 0;
    if (entryBits == currentBits) {
      matchedBits = true;
      if (entryHasQuality && entryQuality == currentQuality) matchedBitsAndQuality = true;
    }
  }
  if (!matchedBits) SV::Set(scope, GFeatureIds::kBitsPerPixel, static_cast<int16_t>(matched ? suppliedBits : 1));
  if (listHasQualities && hasQualityMember && !matchedBitsAndQuality)
    SV::SetObject(qualityMember, static_cast<int16_t>(matched ? suppliedQuality : 0));
}

void GNT40DevMode::MapPaperIn(const uint8_t* dm, GAttributeComposite* settings) {
  GDriverInstance* instance = GetInstance();
  if (instance == nullptr) return;
  int16_t paperId = 0;
  if (instance->DmPaperToPaperId(Short(dm, DM_OFFSET(dmPaperSize)), &paperId) == 0) {
    SV::Set(settings, GFeatureIds::kPaperSize, instance->GetDefaultPaperId());
    return;
  }
  SV::Set(settings, GFeatureIds::kPaperSize, paperId);
  if (paperId != kCustomPaperId) return;

  MPersistentObject* scope = ResolutionScope(settings);
  const int16_t x = static_cast<int16_t>(SV::GetOr(scope, GFeatureIds::kXResolution, 0));
  const int16_t y = static_cast<int16_t>(SV::GetOr(scope, GFeatureIds::kYResolution, 0));
  int32_t width = 0;
  int32_t length = 0;
  const uint32_t fields = PA::GetFields(dm);
  if ((fields & DM_PAPERWIDTH) != 0 && (fields & DM_PAPERLENGTH) != 0) {
    width = Short(dm, DM_OFFSET(dmPaperWidth));
    length = Short(dm, DM_OFFSET(dmPaperLength));
    int16_t limitWidth = 0;
    int16_t limitLength = 0;
    if (CustomLimit(kSmallestCustomPaperId, x, y, &limitWidth, &limitLength)) {
      width = std::max<int32_t>(width, limitWidth);
      length = std::max<int32_t>(length, limitLength);
    }
    if (CustomLimit(kLargestCustomPaperId, x, y, &limitWidth, &limitLength)) {
      width = std::min<int32_t>(width, limitWidth);
      length = std::min<int32_t>(length, limitLength);
    }
  } else {
    // The size of the default paper.
    GMediaPool* pool = instance->GetMediaPool();
    GMedia* medium = nullptr;
    if (pool != nullptr && x > 0 && y > 0)
      medium = pool->FindMedia(instance->ResolvePaperId(settings, instance->GetDefaultPaperId()),
                               SV::GetOr(settings, GFeatureIds::kOrientation, 0), static_cast<uint16_t>(x),
                               static_cast<uint16_t>(y));
    if (medium != nullptr) {
      width = DotsToTenthsMm(medium->GetSize()->x, x);
      length = DotsToTenthsMm(medium->GetSize()->y, y);
    }
  }
  // A custom size that no sheet can have (a side of 0 or less, left so by a
  // printer without custom-size limits or a size that cannot be worked out)
  // gives the default paper instead: no job names an impossible paper.
  if (width <= 0 || length <= 0) {
    SV::Set(settings, GFeatureIds::kPaperSize, instance->GetDefaultPaperId());
    return;
  }
  for (auto [id, size] : {std::pair<int32_t, int32_t>{GFeatureIds::kCustomPaperWidth, width},
                          std::pair<int32_t, int32_t>{GFeatureIds::kCustomPaperLength, length}}) {
    if (!SV::Set(settings, id, static_cast<int16_t>(size)))
      settings->AddChild(new GValueAttribute(static_cast<int16_t>(size), &id));
  }
}

// ---- Quality lookups ----

int GNT40DevMode::ResolutionForQuality(GAttributeComposite* settings, int16_t quality, int16_t* x, int16_t* y,
                                       int16_t* bits) {
  MPersistentObject* configuration = Configuration();
  MPersistentObject* table = SV::Find(configuration, GFeatureIds::kQualityModeTable);
  if (table != nullptr) {
    for (MPersistentObject* entry : Children(table)) {
      int16_t ex = *x;
      int16_t ey = *y;
      int16_t eb = *bits;
      bool comparing = true;
      bool found = false;
      for (MPersistentObject* member : Children(entry)) {
        const int32_t id = member->FeatureId();
        int32_t value = 0;
        // The resolution members give the answer wherever they stand.
        if (id == GFeatureIds::kXResolution || id == GFeatureIds::kYResolution || id == GFeatureIds::kBitsPerPixel) {
          if (SV::ValueOf(member, &value)) {
            int16_t& slot = id == GFeatureIds::kXResolution ? ex : (id == GFeatureIds::kYResolution ? ey : eb);
            slot = static_cast<int16_t>(value);
          }
        } else if (!comparing) {
          CopyMemberIntoSettings(member, settings);
        } else if (id == GFeatureIds::kPrintQualityMode) {
          comparing = false;
          found = SV::ValueOf(member, &value) && value == quality;
          if (!found) break;
        } else {
          MPersistentObject* current = SV::Find(settings, id);
          if (current != nullptr && member->DiffersFrom(current)) break;
        }
      }
      if (found) {
        *x = ex;
        *y = ey;
        *bits = eb;
        return 1;
      }
    }
    return 0;
  }

  if (quality < DMRES_HIGH || quality > DMRES_DRAFT) return 0;
  const std::vector<MPersistentObject*> entries = Children(SV::Find(configuration, GFeatureIds::kResolutionList));
  if (entries.empty()) return 0;
  // DMRES_HIGH (-4) is the first entry, DMRES_DRAFT (-1) the fourth; a
  // shorter list gives its last.
  const size_t position = std::min<size_t>(static_cast<size_t>(quality - DMRES_HIGH), entries.size() - 1);
  MPersistentObject* entry = entries[position];
  SV::Get16(entry, GFeatureIds::kXResolution, x);
  SV::Get16(entry, GFeatureIds::kYResolution, y);
  SV::Get16(entry, GFeatureIds::kBitsPerPixel, bits);
  return 1;
}

int GNT40DevMode::QualityForResolution(GAttributeComposite* settings, int16_t x, int16_t y, int16_t* quality) {
  MPersistentObject* configuration = Configuration();
  MPersistentObject* table = SV::Find(configuration, GFeatureIds::kQualityModeTable);
  if (table != nullptr) {
    MPersistentObject* candidate = nullptr;
    for (MPersistentObject* entry : Children(table)) {
      bool comparing = true;
      bool marked = false;
      bool abandoned = false;
      int16_t entryQuality = 0;
      for (MPersistentObject* member : Children(entry)) {
        const int32_t id = member->FeatureId();
        int32_t value = 0;
        if (comparing) {
          if (id == GFeatureIds::kPrintQualityMode) {
            comparing = false;
            marked = true;
            if (SV::ValueOf(member, &value)) entryQuality = static_cast<int16_t>(value);
          } else if (id != GFeatureIds::kXResolution && id != GFeatureIds::kYResolution &&
                     id != GFeatureIds::kBitsPerPixel) {
            MPersistentObject* current = SV::Find(settings, id);
            if (current != nullptr && member->DiffersFrom(current)) {
              abandoned = true;
              break;
            }
          }
          continue;
        }
        if (!marked) break;
        if (id == GFeatureIds::kXResolution || id == GFeatureIds::kYResolution) {
          if (!SV::ValueOf(member, &value) || value != (id == GFeatureIds::kXResolution ? x : y)) marked = false;
        } else if (id != GFeatureIds::kBitsPerPixel && SettingDiffersFromMember(member, settings)) {
          marked = false;
          candidate = entry;
        }
      }
      if (!abandoned && marked) {
        *quality = entryQuality;
        return 1;
      }
    }
    if (candidate == nullptr) return 0;
    bool afterQuality = false;
    for (MPersistentObject* member : Children(candidate)) {
      const int32_t id = member->FeatureId();
      int32_t value = 0;
      if (id == GFeatureIds::kXResolution || id == GFeatureIds::kYResolution || id == GFeatureIds::kBitsPerPixel)
        continue;
      if (id == GFeatureIds::kPrintQualityMode) {
        afterQuality = true;
        if (SV::ValueOf(member, &value)) *quality = static_cast<int16_t>(value);
        continue;
      }
      if (afterQuality) CopyMemberIntoSettings(member, settings);
    }
    return 1;
  }

  for (MPersistentObject* entry : Children(SV::Find(configuration, GFeatureIds::kResolutionList))) {
    int32_t entryQuality = 0;
    if (SV::GetOr(entry, GFeatureIds::kXResolution, -1) == x && SV::GetOr(entry, GFeatureIds::kYResolution, -1) == y &&
        SV::Get(entry, GFeatureIds::kPrintQualityMode, &entryQuality)) {
      *quality = static_cast<int16_t>(entryQuality);
      return 1;
    }
  }
  return 0;
}

// ---- Media type lookups ----

int GNT40DevMode::SourceForMediaType(MPersistentObject* configuration, const RWCString& mediaType, int16_t* source) {
  for (MPersistentObject* child : Children(SV::Find(configuration, GFeatureIds::kMediaTypeTrayMap))) {
    auto* association = dynamic_cast<MPersistentAssociation*>(child);
    RWCString key;
    int32_t tray = 0;
    if (association == nullptr || !SV::TextOf(association->GetKey(), &key) || !(key == mediaType)) continue;
    if (!SV::ValueOf(association->GetValue(), &tray)) return 0;
    GResourceMappingList* capabilities = GetInstance() != nullptr ? GetInstance()->GetCapabilityMappings() : nullptr;
    GResourceMapping* mapping =
        capabilities != nullptr ? capabilities->FindByDeviceCode(static_cast<int16_t>(tray)) : nullptr;
    if (mapping != nullptr) {
      *source = mapping->GetSystemCode();
      return 1;
    }
    for (const DiscoveredMedium& medium : DiscoveredMedia(configuration)) {
      if (medium.deviceCode == tray) {
        *source = medium.systemCode;
        return 1;
      }
    }
    // The tray has no spooler bin: no source to give.
    return 0;
  }
  return 0;
}

int GNT40DevMode::MediaTypeForSource(MPersistentObject* configuration, int16_t source, RWCString* mediaType) {
  GResourceMappingList* capabilities = GetInstance() != nullptr ? GetInstance()->GetCapabilityMappings() : nullptr;
  GResourceMapping* mapping = capabilities != nullptr ? capabilities->FindBySystemCode(source) : nullptr;
  if (mapping != nullptr) {
    for (MPersistentObject* child : Children(SV::Find(configuration, GFeatureIds::kMediaTypeTrayMap))) {
      auto* association = dynamic_cast<MPersistentAssociation*>(child);
      int32_t tray = 0;
      if (association != nullptr && SV::ValueOf(association->GetValue(), &tray) &&
          tray == mapping->GetDeviceCode() && SV::TextOf(association->GetKey(), mediaType))
        return 1;
    }
    return 0;
  }
  for (const DiscoveredMedium& medium : DiscoveredMedia(configuration)) {
    if (medium.systemCode == source) {
      *mediaType = medium.name;
      return 1;
    }
  }
  return 0;
}

// ---- Defaults and policies ----

void GNT40DevMode::SetDefaults() {
  uint8_t* dm = Buffer();
  GDriverInstance* instance = GetInstance();
  MPersistentObject* configuration = Configuration();
  PA::SetWideField(dm, DM_OFFSET(dmDeviceName), CCHDEVICENAME,
                   instance != nullptr ? instance->GetPrinterName() : RWWString());
  PA::SetWord(dm, DM_OFFSET(dmSpecVersion), static_cast<uint16_t>(GetSpecVersion()));
  PA::SetWord(dm, DM_OFFSET(dmDriverVersion), static_cast<uint16_t>(GetDriverVersion()));
  PA::SetWord(dm, DM_OFFSET(dmSize), static_cast<uint16_t>(GetPublicSize()));
  PA::SetWord(dm, DM_OFFSET(dmDriverExtra), static_cast<uint16_t>(GetSettingsAreaSize() + GetPrivateHeaderSize()));
  PA::SetFields(dm, 0);

  SetShort(dm, DM_OFFSET(dmPaperSize), DMPAPER_LETTER);
  SetShort(dm, DM_OFFSET(dmPaperLength), 0);
  SetShort(dm, DM_OFFSET(dmPaperWidth), 0);
  PA::SetWideField(dm, DM_OFFSET(dmFormName), CCHFORMNAME, RWWString("Letter"));
  PA::SetFieldBits(dm, DM_FORMNAME);
  SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_FALSE);

  PA::SetDword(dm, DM_OFFSET(dmICMMethod), 0);
  PA::SetDword(dm, DM_OFFSET(dmICMIntent), 0);
  if (SV::GetOr(configuration, GFeatureIds::kIcmEnable, 0) == 1) {
    const int32_t method = SV::GetOr(configuration, GFeatureIds::kIcmMethod, 0);
    PA::SetDword(dm, DM_OFFSET(dmICMMethod), (method >= 0 && method <= 3) ? static_cast<uint32_t>(method + 1) : 1);
    PA::SetFieldBits(dm, DM_ICMMETHOD);
    static constexpr uint32_t kIntents[] = {DMICM_CONTRAST, DMICM_SATURATE, DMICM_COLORIMETRIC,
                                            DMICM_ABS_COLORIMETRIC};
    const int32_t intent = SV::GetOr(configuration, GFeatureIds::kIcmIntent, 0);
    PA::SetDword(dm, DM_OFFSET(dmICMIntent), (intent >= 0 && intent <= 3) ? kIntents[intent] : DMICM_CONTRAST);
    PA::SetFieldBits(dm, DM_ICMINTENT);
  }

  SetShort(dm, DM_OFFSET(dmScale), 100);
  SetShort(dm, DM_OFFSET(dmTTOption), 0);
  PA::SetWord(dm, DM_OFFSET(dmLogPixels), 0);
  for (size_t offset : {DM_OFFSET(dmBitsPerPel), DM_OFFSET(dmPelsWidth), DM_OFFSET(dmPelsHeight),
                        DM_OFFSET(dmDisplayFlags), DM_OFFSET(dmDisplayFrequency), DM_OFFSET(dmMediaType),
                        DM_OFFSET(dmDitherType), DM_OFFSET(dmReserved1), DM_OFFSET(dmReserved2),
                        DM_OFFSET(dmPanningWidth), DM_OFFSET(dmPanningHeight)})
    PA::SetDword(dm, offset, 0);

  const int capability = instance != nullptr ? instance->GetColorCapability() : 0;
  if (SV::GetOr(configuration, GFeatureIds::kColorMode, 0) != 0 && capability != 1) {
    PA::ClearFieldBits(dm, DM_COLOR);
    SetShort(dm, DM_OFFSET(dmColor), DMCOLOR_MONOCHROME);
  } else {
    PA::SetFieldBits(dm, DM_COLOR);
    SetShort(dm, DM_OFFSET(dmColor), DMCOLOR_COLOR);
  }

  PA::SetFieldBits(dm, DM_DUPLEX);
  SetShort(dm, DM_OFFSET(dmDuplex), DMDUP_SIMPLEX);

  PA::SetWord(dm, PA::kPrivateSizeOffset, static_cast<uint16_t>(GetTotalSize()));
  PA::SetWord(dm, PA::kHeaderSizeOffset, static_cast<uint16_t>(GetPrivateHeaderSize()));
  PA::SetDword(dm, PA::kJobValueOffset, 0);
  PA::SetWord(dm, PA::kTimeBiasOffset, 0);
  const RWWString driverName = instance != nullptr ? instance->GetDriverName() : RWWString();
  for (size_t i = 0; i < PA::kDriverTagSize; ++i)
    dm[PA::kDriverTagOffset + i] = i < driverName.Length() ? static_cast<uint8_t>(driverName[i] & 0xFF) : 0;
  PA::SetWord(dm, PA::kFormatTagOffset, PA::kFormatTag);
  PA::SetWord(dm, PA::kVersionOffset, PA::kPrivateVersion);
  PA::SetWord(dm, PA::kSettingsCapacityOffset, static_cast<uint16_t>(PA::kSettingsCapacity));
  dm[PA::kSettingsOffset] = 0;

  ApplyColorPolicy();
}

void GNT40DevMode::ApplyColorPolicy() {
  GDriverInstance* instance = GetInstance();
  uint8_t* dm = Buffer();
  if (instance == nullptr || (instance->GetAppFlags() & kAppFlagMonochrome) == 0) return;
  if (Short(dm, DM_OFFSET(dmColor)) != DMCOLOR_COLOR) return;
  const int capability = instance->GetColorCapability();
  if (capability == 0 || capability == 2) {
    SetShort(dm, DM_OFFSET(dmColor), DMCOLOR_MONOCHROME);
    PA::SetFieldBits(dm, DM_COLOR);
  }
}

void GNT40DevMode::ApplyCollatePolicy() {
  uint8_t* dm = Buffer();
  const int version = PA::GetWord(dm, DM_OFFSET(dmSpecVersion));
  if (version < 778 || PA::GetWord(dm, DM_OFFSET(dmSize)) < PA::kPublicSize || !IsCurrentVersion(version)) return;
  if (SV::GetOr(Configuration(), GFeatureIds::kDiscoveredPlurexMode, 0) != 0) {
    if ((PA::GetFields(dm) & DM_COLLATE) != 0) {
      const int16_t collate = Short(dm, DM_OFFSET(dmCollate));
      if (collate != DMCOLLATE_FALSE && collate != DMCOLLATE_TRUE) SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_TRUE);
    } else {
      PA::SetFieldBits(dm, DM_COLLATE);
      SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_TRUE);
    }
  } else {
    PA::ClearFieldBits(dm, DM_COLLATE);
    SetShort(dm, DM_OFFSET(dmCollate), DMCOLLATE_FALSE);
  }
}

// ---- Validation ----

int GNT40DevMode::Validate(void* /*reserved*/, const DEVMODEW* in, int checkAll, uint32_t* badFields) {
  uint32_t scratch = 0;
  uint32_t* bad = badFields != nullptr ? badFields : &scratch;
  *bad = 0;
  if (in == nullptr) return 0;
  const int version = PA::GetWord(in, DM_OFFSET(dmSpecVersion));
  const size_t size = PA::GetWord(in, DM_OFFSET(dmSize));
  if (version < 778 || size < 68) return 0;
  // The checks read a bounded image of the caller's DEVMODE.
  std::vector<uint8_t> image(PA::kTotalSize);
  PA::MakeImage(in, image.data());
  const uint8_t* dm = image.data();
  const uint32_t fields = PA::GetFields(dm);
  GDriverInstance* instance = GetInstance();
  MPersistentObject* configuration = Configuration();
  bool valid = true;
  auto reject = [&](uint32_t bits) {
    *bad |= bits;
    valid = false;
    return checkAll == 0;  // true: stop here
  };

  if ((fields & DM_ORIENTATION) != 0) {
    const int16_t orientation = Short(dm, DM_OFFSET(dmOrientation));
    if (orientation != DMORIENT_PORTRAIT && orientation != DMORIENT_LANDSCAPE && reject(DM_ORIENTATION)) return 0;
  }

  if ((fields & DM_PRINTQUALITY) != 0) {
    const int16_t quality = Short(dm, DM_OFFSET(dmPrintQuality));
    if (quality > 0 && (fields & DM_YRESOLUTION) != 0) {
      const bool supported =
          instance != nullptr && instance->IsResolutionSupported(quality, Short(dm, DM_OFFSET(dmYResolution))) != 0;
      if (!supported && reject(DM_PRINTQUALITY | DM_YRESOLUTION)) return 0;
    } else {
      // The lookup may copy table values into the settings it is given; the
      // check must not change the job's settings, so it works on a copy.
      std::unique_ptr<MPersistentObject> copy(GetSettings() != nullptr ? GetSettings()->DeepCopy() : nullptr);
      int16_t x = 0;
      int16_t y = 0;
      int16_t bits = 0;
      const bool found = ResolutionForQuality(dynamic_cast<GAttributeComposite*>(copy.get()), quality, &x, &y,
                                              &bits) != 0;
      if (!found && reject(fields & (DM_PRINTQUALITY | DM_YRESOLUTION))) return 0;
    }
  }

  if ((fields & (DM_PAPERWIDTH | DM_PAPERLENGTH)) != 0) {
    const int16_t x = GetXResolution();
    const int16_t y = GetYResolution();
    int16_t minWidth = 0;
    int16_t minLength = 0;
    int16_t maxWidth = 0x7FFF;
    int16_t maxLength = 0x7FFF;
    if (!CustomLimit(kSmallestCustomPaperId, x, y, &minWidth, &minLength)) minWidth = minLength = 0;
    if (!CustomLimit(kLargestCustomPaperId, x, y, &maxWidth, &maxLength)) maxWidth = maxLength = 0x7FFF;
    const int16_t width = Short(dm, DM_OFFSET(dmPaperWidth));
    const int16_t length = Short(dm, DM_OFFSET(dmPaperLength));
    if ((width < minWidth || width > maxWidth) && reject(DM_PAPERWIDTH)) return 0;
    if ((length < minLength || length > maxLength) && reject(DM_PAPERLENGTH)) return 0;
  }

  if ((fields & DM_PAPERSIZE) != 0) {
    GPaperRequest request;
    request.orientation = Short(dm, DM_OFFSET(dmOrientation)) == DMORIENT_PORTRAIT ? 0 : 90;
    request.resolution[0] = GetXResolution();
    request.resolution[1] = GetYResolution();
    request.customLimits = 1;
    request.spoolerPaper = Short(dm, DM_OFFSET(dmPaperSize));
    // The custom size is a paper of every printer; its width and length
    // are checked against the printer's range above.
    bool supported = request.spoolerPaper == DMPAPER_USER ||
                     (instance != nullptr && instance->IsPaperSupported(&request) == 1);
    if (!supported && instance != nullptr && SV::GetOr(configuration, GFeatureIds::kScaleFromLargePaper, 0) != 0) {
      request.customLimits = 0;
      supported = instance->IsPaperSupported(&request) == 1;
    }
    if (!supported && reject(DM_PAPERSIZE)) return 0;
  }

  if ((fields & DM_DEFAULTSOURCE) != 0) {
    auto* database = dynamic_cast<GFormToTrayDatabase*>(SV::Find(configuration, GFeatureIds::kFormToTrayDatabase));
    const bool assigned = database != nullptr && database->HasAssignments() == 1;
    const int16_t source = Short(dm, DM_OFFSET(dmDefaultSource));
    bool ok = false;
    if (source == DMBIN_FORMSOURCE)
      ok = assigned;
    else if (!assigned)
      ok = instance != nullptr && (instance->IsSourceSupported(source) != 0 || instance->IsSourceMapped(source) != 0);
    if (!ok && reject(DM_DEFAULTSOURCE)) return 0;
  }

  if ((fields & DM_COPIES) != 0) {
    auto* range = dynamic_cast<GRangeAttribute*>(SV::Find(configuration, GFeatureIds::kCopiesRange));
    if ((range == nullptr || range->Contains(Short(dm, DM_OFFSET(dmCopies))) == 0) && reject(DM_COPIES)) return 0;
  }

  if ((fields & DM_COLOR) != 0) {
    const int16_t color = Short(dm, DM_OFFSET(dmColor));
    if (color != DMCOLOR_MONOCHROME && color != DMCOLOR_COLOR && reject(DM_COLOR)) return 0;
  }

  if ((fields & DM_DUPLEX) != 0) {
    const int16_t duplex = Short(dm, DM_OFFSET(dmDuplex));
    const int16_t ownOrientation = Short(Buffer(), DM_OFFSET(dmOrientation));
    int16_t edge = -1;
    if (duplex == DMDUP_SIMPLEX) edge = 0;
    if (duplex == DMDUP_VERTICAL) edge = ownOrientation == DMORIENT_PORTRAIT ? 2 : 1;
    if (duplex == DMDUP_HORIZONTAL) edge = ownOrientation == DMORIENT_LANDSCAPE ? 2 : 1;
    auto* range = dynamic_cast<GRangeAttribute*>(SV::Find(configuration, GFeatureIds::kDuplexRange));
    const bool ok = edge >= 0 && range != nullptr && range->GetMin() <= edge && edge <= range->GetMax();
    if (!ok && reject(DM_DUPLEX)) return 0;
  }

  if (size >= PA::kPublicSize && IsCurrentVersion(version)) {
    const int16_t collate = Short(dm, DM_OFFSET(dmCollate));
    if ((fields & DM_COLLATE) != 0 && collate != DMCOLLATE_FALSE) {
      const bool ok = collate == DMCOLLATE_TRUE && SV::GetOr(configuration, GFeatureIds::kDiscoveredPlurexMode, 0) != 0;
      if (!ok && reject(DM_COLLATE)) return 0;
    }
    if ((fields & DM_FORMNAME) != 0) {
      int16_t index = 0;
      const RWWString formName = PA::GetWideField(dm, DM_OFFSET(dmFormName), CCHFORMNAME);
      if (IsFormNameAccepted(formName, &index, Short(dm, DM_OFFSET(dmPrintQuality)),
                             Short(dm, DM_OFFSET(dmYResolution)),
                             Short(dm, DM_OFFSET(dmOrientation)) == DMORIENT_PORTRAIT ? 0 : 90) == 0) {
        *bad |= DM_FORMNAME;
        return 0;
      }
    }
  }
  return valid ? 1 : 0;
}

int GNT40DevMode::IsEqual(const DEVMODEW* in) {
  if (in == nullptr) return 0;
  const uint8_t* own = Buffer();
  const uint16_t size = PA::GetWord(own, DM_OFFSET(dmSize));
  const uint16_t extra = PA::GetWord(own, DM_OFFSET(dmDriverExtra));
  if (PA::GetWord(in, DM_OFFSET(dmSize)) != size || PA::GetWord(in, DM_OFFSET(dmDriverExtra)) != extra) return 0;
  // Both span size + extra bytes; the own buffer holds at most 1172.
  const size_t span = static_cast<size_t>(size) + extra;
  if (span > PA::kTotalSize) return 0;
  return std::memcmp(own, in, span) == 0 ? 1 : 0;
}

// A form name is accepted when it names a form of the printer's spooler
// (built-in, added by the driver or by the user); *out receives the
// driver's paper id of that form, 0 when the form has none. An empty name
// names nothing and is passed over. Only a name that names no form is
// refused: applications and the spooler set the form name of every job.
int GNT40DevMode::IsFormNameAccepted(const RWWString& formName, int16_t* out, int16_t /*x*/, int16_t /*y*/,
                                     int16_t /*orientation*/) {
  if (out != nullptr) *out = 0;
  if (formName.IsEmpty()) return 1;
  auto* forms = dynamic_cast<GSpoolerFormServices*>(GetInstance());
  if (forms == nullptr) return 0;
  const int16_t spoolerPaper = forms->SpoolerPaperForFormName(formName);
  if (spoolerPaper == 0) return 0;
  int16_t paperId = 0;
  if (out != nullptr && forms->DmPaperToPaperId(spoolerPaper, &paperId) != 0) *out = paperId;
  return 1;
}

int GNT40DevMode::ReservedQuery(int /*a*/, int /*b*/) { return 0; }
