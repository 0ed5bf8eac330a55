#include "driver/ExtensionValues.h"

#include "driver/GDriverExtension.h"
#include "model/GAttributeComposite.h"
#include "model/GCommand.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"

using namespace GFeatureIds;

using namespace ExtensionValueAnswer;

namespace {

// Classes of the job commands, which choose the source at print time.
constexpr RWClassID kDocumentStartClass = 705;
constexpr RWClassID kPageStartClass = 709;
constexpr RWClassID kPageEndClass = 710;
constexpr RWClassID kPclXlGeneratorClass = 767;
constexpr RWClassID kPcl5eGeneratorClass = 788;

enum Phase { kNoPhase = -1, kDocumentStart = 0, kPageStart = 1, kPageEnd = 2 };

struct Request {
  GAttributeComposite* settings;
  GExtensionInfoBlock* block;
  Phase phase;
};

Phase PhaseOf(const GExtensionInfoBlock* block) {
  if (block->command == nullptr) return kNoPhase;
  switch (block->command->ClassId()) {
    case kDocumentStartClass:
      return kDocumentStart;
    case kPageStartClass:
      return kPageStart;
    case kPageEndClass:
      return kPageEnd;
    default:
      return kNoPhase;
  }
}

// Where a value is read: the settings given, else by the job phase the
// command's settings ('c') or the document settings ('d'), as the three
// letters say for document start, page start and page end.
MPersistentObject* Source(const Request& request, const char* sources) {
  if (request.settings != nullptr) return request.settings;
  if (request.phase == kNoPhase) return nullptr;
  if (sources[request.phase] == 'c') return request.block->command->GetSettings();
  return request.block->documentSettings;
}

// The installable options of the settings given or of the document settings.
MPersistentObject* Options(const Request& request) {
  MPersistentObject* base = request.settings;
  if (base == nullptr) {
    if (request.phase == kNoPhase) return nullptr;
    base = request.block->documentSettings;
  }
  return base != nullptr ? base->FindById(kInstallableOptions) : nullptr;
}

// ---- Code maps ----

int16_t Same(int16_t v) { return v; }
int16_t OneOrZero(int16_t v) { return v == 1 ? 1 : 0; }

int16_t OrientationCode(int32_t degrees) {
  switch (degrees) {
    case 0:
      return 71;
    case 90:
      return 72;
    case 180:
      return 73;
    case 270:
      return 74;
    default:
      return static_cast<int16_t>(degrees);
  }
}

int16_t DuplexCode(int16_t v) { return v == 1 ? 152 : v == 2 ? 153 : v; }
int16_t BookletCode(int16_t v) { return v == 1 ? 161 : v == 2 ? 162 : v; }

int16_t NUpCode(int16_t v) {
  switch (v) {
    case 1:
      return 0;
    case 2:
      return 172;
    case 4:
      return 173;
    case 6:
      return 174;
    case 9:
      return 175;
    case 16:
      return 176;
    default:
      return v;
  }
}

int16_t NUpOrderCode(int16_t v) { return v >= 0 && v <= 3 ? static_cast<int16_t>(181 + v) : v; }
int16_t StaplingCode(int16_t v) { return v >= 0 && v <= 7 ? static_cast<int16_t>(192 + v) : v; }

// ---- Providers ----

typedef int16_t (*CodeMap)(int16_t);

int16_t Number(MPersistentObject* source, int32_t id, CodeMap map, int16_t* out) {
  int16_t value = 0;
  if (!GSettingQuery::ShortAt(source, id, &value, GSettingQuery::kChoice)) return kMissing;
  *out = map(value);
  return kStored;
}

int16_t Media(MPersistentObject* source, int32_t id, int16_t* out) {
  RWCString name;
  if (!GSettingQuery::TextAt(source, id, &name, GSettingQuery::kAnyText | GSettingQuery::kEnumSelection))
    return kMissing;
  *out = ExtensionMediaCode(name);
  return kStored;
}

GMedia* PageMedia(MPersistentObject* source) { return dynamic_cast<GMedia*>(GSettingQuery::Find(source, kPageMedia)); }

bool AtStartCommand(const Request& request) {
  return request.settings == nullptr && (request.phase == kDocumentStart || request.phase == kPageStart);
}

int16_t GeneratorType(const Request& request, int16_t* out) {
  const MPersistentObject* generator = request.block->generator;
  if (generator == nullptr) return kMissing;
  if (generator->ClassId() == kPclXlGeneratorClass) {
    *out = 12;
  } else if (generator->ClassId() == kPcl5eGeneratorClass) {
    *out = 11;
  } else {
    return kMissing;
  }
  return kStored;
}

int16_t PaperValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "ccd");
  if (source == nullptr) return kMissing;
  if (AtStartCommand(request)) {
    GMedia* media = PageMedia(source);
    if (media == nullptr) return kMissing;
    *out = ExtensionPaperCode(media->GetPaperId());
    return kStored;
  }
  return Number(source, kPaperSize, ExtensionPaperCode, out);
}

int16_t Geometry(const Request& request, uint16_t valueId, int16_t* out) {
  if (request.settings != nullptr) return kNoGeometry;
  GMedia* media = PageMedia(Source(request, "ccd"));
  if (media == nullptr) return kMissing;
  const GShortPoint* size = media->GetSize();
  const GShortPoint* extent = media->GetImageableExtent();
  const GShortPoint* origin = media->GetImageableOrigin();
  GShortPoint opposite;
  media->GetOppositeMargins(&opposite);
  switch (valueId) {
    case 60:
      *out = size->x;
      break;
    case 61:
      *out = size->y;
      break;
    case 62:
      *out = extent->x;
      break;
    case 63:
      *out = extent->y;
      break;
    case 64:
      *out = origin->y;
      break;
    case 65:
      *out = opposite.y;
      break;
    case 66:
      *out = origin->x;
      break;
    default:
      *out = opposite.x;
      break;
  }
  return kStored;
}

int16_t OrientationValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "ccd");
  if (source == nullptr) return kMissing;
  if (AtStartCommand(request)) {
    GMedia* media = PageMedia(source);
    if (media == nullptr) return kMissing;
    *out = OrientationCode(media->GetOrientation());
    return kStored;
  }
  int16_t degrees = 0;
  if (!GSettingQuery::ShortAt(source, kOrientation, &degrees, GSettingQuery::kChoice)) return kMissing;
  *out = OrientationCode(degrees);
  return kStored;
}

int16_t MediaTypeValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "ccd");
  if (source == nullptr) return kMissing;
  if (AtStartCommand(request)) {
    GMedia* media = PageMedia(source);
    if (media == nullptr) return kMissing;
    *out = ExtensionMediaCode(media->GetMediaTypeName());
    return kStored;
  }
  return Media(source, kMediaType, out);
}

int16_t NUpValue(const Request& request, int32_t id, CodeMap map, int16_t* out) {
  return Number(GSettingQuery::Find(Source(request, "cdd"), kNUpLayout), id, map, out);
}

int16_t StaplingValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "cdd");
  if (GSettingQuery::Find(source, kStaplerChoice) == nullptr) return kMissing;
  return Number(source, kStapling, StaplingCode, out);
}

int16_t ResolutionValue(const Request& request, int16_t* out) {
  MPersistentObject* resolution = GSettingQuery::Find(Source(request, "ccd"), kResolution);
  // An enumeration of resolutions: its selected option.
  if (auto* enumeration = dynamic_cast<GEnumAttribute*>(resolution)) resolution = enumeration->GetSelected();
  int16_t x = 0;
  int16_t y = 0;
  if (!GSettingQuery::ShortAt(resolution, kXResolution, &x, GSettingQuery::kChoice) ||
      !GSettingQuery::ShortAt(resolution, kYResolution, &y, GSettingQuery::kChoice))
    return kMissing;
  int16_t bits = 0;
  const bool withBits = GSettingQuery::ShortAt(resolution, kBitsPerPixel, &bits, GSettingQuery::kChoice);
  if (x == 300 && y == 300 && withBits && bits == 1) {
    *out = 201;
  } else if (x == 600 && y == 600 && withBits && bits == 1) {
    *out = 202;
  } else if (x == 600 && y == 600 && withBits && bits == 2) {
    *out = 204;
  } else if (x == 1200 && y == 1200) {
    *out = 203;
  } else {
    *out = x;
  }
  return kStored;
}

int16_t EdgeToEdgeValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "cdd");
  if (source == nullptr) return kMissing;
  int16_t capability = -1;
  if (!GSettingQuery::ShortAt(Options(request), kEdgeToEdgeCapability, &capability, GSettingQuery::kChoice) ||
      capability == -1) {
    *out = 211;
    return kStored;
  }
  int16_t value = 0;
  if (!GSettingQuery::ShortAt(source, kEdgeToEdge, &value, GSettingQuery::kChoice)) return kMissing;
  *out = value == -1 ? 211 : value;
  return kStored;
}

int16_t CollateValue(const Request& request, int16_t* out) {
  MPersistentObject* source = Source(request, "ddd");
  if (source == nullptr) return kMissing;
  int16_t value = 0;
  if (request.settings != nullptr) {
    *out = GSettingQuery::ShortAt(source, kCollate, &value, GSettingQuery::kChoice) && value == 1 ? 1 : 0;
  } else {
    *out = GSettingQuery::ShortAt(source, kPrinterCopies, &value, GSettingQuery::kChoice) && value > 1 ? 1 : 0;
  }
  return kStored;
}

}  // namespace

int16_t ExtensionPaperCode(int16_t paperId) {
  switch (paperId) {
    case 1:
      return 31;
    case 6:
      return 32;
    case 8:
      return 40;
    case 13:
      return 42;
    case 14:
      return 43;
    case 15:
      return 41;
    case 16:
      return 44;
    case 17:
      return 34;
    case 21:
      return 35;
    case 22:
      return 36;
    case 23:
      return 33;
    case 27:
      return 37;
    case 39:
      return 38;
    case 40:
      return 39;
    case 41:
      return 47;
    case 42:
      return 48;
    case 43:
      return 50;
    case 44:
      return 49;
    case 55:
      return 46;
    default:
      return 59;
  }
}

int16_t ExtensionMediaCode(const RWCString& name) {
  static const struct {
    const char* name;
    int16_t code;
  } kMedia[] = {
      {"Bond", 84},         {"Card Stock", 85},  {"Color", 86},        {"Labels", 87},       {"Letterhead", 88},
      {"Plain", 89},        {"Preprinted", 90},  {"Prepunched", 91},   {"Recycled", 92},     {"Rough", 93},
      {"Transparency", 94}, {"Vellum", 95},      {"Heavy", 96},        {"Glossy", 97},       {"Gloss", 97},
      {"28lb Type1", 98},   {"28 lb Type1", 98}, {"28lb Type2", 99},   {"28 lb Type2", 99},  {"Envelope", 100},
  };
  for (const auto& media : kMedia) {
    if (name == media.name) return media.code;
  }
  return 83;
}

int16_t ExtensionTrayCode(int16_t trayId) {
  switch (trayId) {
    case 1:
      return 116;
    case 2:
      return 126;
    case 3:
      return 117;
    case 4:
      return 127;
    case 5:
      return 128;
    case 6:
      return 115;
    case 13:
      return 118;
    case 18:
      return 114;
    case 19:
      return 113;
    case 20:
      return 119;
    default:
      if (trayId >= 21 && trayId <= 26) return static_cast<int16_t>(120 + trayId - 21);
      return trayId;
  }
}

int16_t ExtensionBinCode(int16_t outputBin) {
  switch (outputBin) {
    case 0:
      return 131;
    case 1:
      return 132;
    case 2:
      return 133;
    case 3:
      return 134;
    case 4:
      return 149;
    case 5:
      return 135;
    case 6:
      return 136;
    default:
      if (outputBin >= 16 && outputBin <= 27) return static_cast<int16_t>(137 + outputBin - 16);
      return outputBin;
  }
}

int16_t GetExtensionValue(uint16_t valueId, int16_t* out, GAttributeComposite* settings,
                          GDriverExtension* context) {
  GExtensionInfoBlock* block = context != nullptr ? context->GetInfoBlock() : nullptr;
  if (block == nullptr || out == nullptr) return kMissing;
  const Request request{settings, block, PhaseOf(block)};

  if (valueId >= 60 && valueId <= 67) return Geometry(request, valueId, out);
  switch (valueId) {
    case 10:
      return GeneratorType(request, out);
    case 30:
      return PaperValue(request, out);
    case 70:
      return OrientationValue(request, out);
    case 80:
      return MediaTypeValue(request, out);
    case 81:
      return Media(Source(request, "ddd"), kMediaTypeRest, out);
    case 82:
      return Media(Source(request, "ddd"), kBackCoverMediaTypeSetting, out);
    case 110:
      return Number(Source(request, "dcd"), kInputBin, ExtensionTrayCode, out);
    case 111:
      return Number(Source(request, "ddd"), kInputBinRest, ExtensionTrayCode, out);
    case 112:
      return Number(Source(request, "ddd"), kBackCoverTrayChoice, ExtensionTrayCode, out);
    case 130:
      return Number(Source(request, "cdd"), kOutputBin, ExtensionBinCode, out);
    case 150:
      return Number(Source(request, "ccd"), kDuplex, DuplexCode, out);
    case 160:
      return Number(Source(request, "cdd"), kBookletPrintingChoice, BookletCode, out);
    case 165:
      return Number(Source(request, "ddd"), kBookletTargetSize, ExtensionPaperCode, out);
    case 170:
      return NUpValue(request, kNUpChoice, NUpCode, out);
    case 180:
      return NUpValue(request, kNUpPageOrderChoice, NUpOrderCode, out);
    case 190:
      return Number(Source(request, "cdd"), kStaplerChoice, Same, out);
    case 191:
      return StaplingValue(request, out);
    case 200:
      return ResolutionValue(request, out);
    case 210:
      return EdgeToEdgeValue(request, out);
    case 220:
      return Number(Source(request, "cdd"), kFitToOtherSizeChoice, OneOrZero, out);
    case 224:
      return Number(Source(request, "cdd"), kScalePageChoice, OneOrZero, out);
    case 230:
      return Number(Source(request, "cdd"), kScaleChoice, Same, out);
    case 240:
      return Number(Source(request, "cdd"), kCopies, Same, out);
    case 245:
      return CollateValue(request, out);
    case 250:
      return Number(Source(request, "ddd"), kTargetSizeChoice, ExtensionPaperCode, out);
    case 260:
      return Number(Options(request), kPrinterHardDisk, OneOrZero, out);
    case 261:
      return Number(Options(request), kDuplexUnit, OneOrZero, out);
    case 262:
      return Number(Options(request), kMemory, Same, out);
    case 263:
      return Number(Options(request), kDriverWorkSpace, Same, out);
    case 264:
      return Number(Options(request), kCollationUnit, OneOrZero, out);
    case 265:
      return Number(Source(request, "cdd"), kSparetone, Same, out);
    default:
      return kNotHandled;
  }
}
