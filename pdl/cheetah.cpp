#include "pdl/cheetah.h"

#include <cstdio>
#include <cstring>

#include "driver/GDriverInstance.h"
#include "graphics/GDitherMatrix.h"
#include "model/GColorAttributes.h"
#include "model/GConfiguration.h"
#include "model/GDriverVersion.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MStoredMembers.h"
#include "pdl/XLOperators.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

using namespace GFeatureIds;
namespace Q = GSettingQuery;

// The notice at the start of the header comment.
constexpr const char kHeaderNotice[] = " QV PCL XL generator";

// The paper ids of custom sizes.
constexpr int16_t kFirstCustomPaper = 16384;
constexpr int16_t kLastCustomPaper = 17383;

// Vendor-unique settings of the job and the page.
constexpr uint32_t kVUPrintQuality = 0x71762002;
constexpr uint32_t kVUDeviceHalftone18 = 0x71762008;
constexpr uint32_t kVUDeviceHalftone22 = 0x71762009;

// The comment of a document break: 120 letters H.
constexpr uint32_t kBreakLetters = 120;

// Class id of the transform attribute.
constexpr RWClassID kCheetahTransformClassId = 103;

// Feature id 0, for the keys of the device model's maps.
const int32_t kNoFeatureId = 0;

// BeginPage's attributes, written one by one ahead of the operator as the
// page's settings decide them.
enum : uint8_t {
  kAttrMediaSize = 0x25,
  kAttrMediaSource = 0x26,
  kAttrMediaType = 0x27,
  kAttrOrientation = 0x28,
  kAttrCustomMediaSize = 0x2F,
  kAttrCustomMediaSizeUnits = 0x30,
  kAttrSimplexPageMode = 0x34,
  kAttrDuplexPageMode = 0x35,
};
constexpr uint8_t kOpBeginPage = 0x43;

void PageByte(XLStream* s, uint8_t value, uint8_t attribute) {
  XLWriteUByte(s, value);
  XLWriteAttributeId(s, attribute);
}

void PageName(XLStream* s, const RWCString& name, uint8_t attribute) {
  XLWriteUByteArray(s, reinterpret_cast<const uint8_t*>(name.Data()), static_cast<uint32_t>(name.Length()));
  XLWriteAttributeId(s, attribute);
}

// CustomMediaSize as a real32 pair in inches, the type the interpreter
// reads for sizes such as 8.5 by 14.
void PageCustomSize(XLStream* s, float width, float height) {
  XLWriteReal32XY(s, width, height);
  XLWriteAttributeId(s, kAttrCustomMediaSize);
  PageByte(s, 0, kAttrCustomMediaSizeUnits);
}

// The medium a page keeps when its settings name none: Letter.
const char kDefaultMediaName[] = "LETTER";

bool ReadShort(MPersistentObject* section, int32_t id, int16_t* out) {
  return Q::ShortAt(section, id, out, Q::kAnyNumber | Q::kEnumSelection);
}

}  // namespace

// ---- Construction ----

GCheetah::GCheetah() { NewStream(); }

GCheetah::GCheetah(const int32_t* id) : GPdlGenerator(id) { NewStream(); }

GCheetah::GCheetah(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
                   int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {
  NewStream();
  NewDownloadState();
}

void GCheetah::NewStream() { stream_.reset(XLStreamCreate(kStreamBufferSize, &sink_, 0)); }

void GCheetah::CopyValues(const GCheetah& other) {
  reservedSetting_ = other.reservedSetting_;
  writeStatus_ = other.writeStatus_;
  writeEnabled_ = other.writeEnabled_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  colourOutput_ = other.colourOutput_;
  currentX_ = other.currentX_;
  currentY_ = other.currentY_;
  patternScaling_ = other.patternScaling_;
  twoBitsPerPixel_ = other.twoBitsPerPixel_;
  renderMode_ = other.renderMode_;
  qualityPreset_ = other.qualityPreset_;
  ditherMatrix_ = other.ditherMatrix_;
  edgeToEdge_ = other.edgeToEdge_;
  pageCopies_ = other.pageCopies_;
  pageCounter_ = other.pageCounter_;
  currentDuplex_ = other.currentDuplex_;
  pageMedia_ = GCountedPtr();
  lastMediaType_ = RWCString();
}

GCheetah::GCheetah(const GCheetah& other) : GPdlGenerator(other) {
  CopyValues(other);
  NewStream();
  NewDownloadState();
}

GCheetah& GCheetah::operator=(const GCheetah& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPdlGenerator::operator=(other);
  NewStream();
  NewDownloadState();
  CopyValues(other);
  if (OwnsOutputChannel()) DropOutputChannel();
  return *this;
}

GCheetah::~GCheetah() = default;

QV_PERSISTENT_KIND_DEFINE(GCheetah, GPdlGenerator, GCheetahClassId)

int GCheetah::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* generator = dynamic_cast<const GCheetah*>(other);
  return generator != nullptr && GPdlGenerator::Matches(other) && reservedSetting_ == generator->reservedSetting_ &&
         colourOutput_ == generator->colourOutput_ && currentX_ == generator->currentX_ &&
         currentY_ == generator->currentY_;
}

int16_t GCheetah::ApplyTo(GPeripheral* target) {
  return target != nullptr ? target->UsePclXlGenerator(this) : 0;
}

// The output block.
template <typename Archive>
void GCheetah::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  OutputBlock block = Output();
  if (!OutputBlockMembers(archive, ClassVersion(), block)) return;
  if constexpr (Archive::kReading) {
    NewStream();
    NewDownloadState();
    TakeOutput(block);
  }
}

QV_PERIPHERAL_MEMBERS_DEFINE(GCheetah, GPdlGenerator)

GPdlGenerator::OutputBlock GCheetah::Output() const {
  return {reservedSetting_, writeStatus_, writeEnabled_, xResolution_, yResolution_, colourOutput_};
}

void GCheetah::TakeOutput(const OutputBlock& block) {
  reservedSetting_ = block.setting;
  writeStatus_ = block.sinkStatus;
  writeEnabled_ = block.sinkEnabled;
  xResolution_ = block.xResolution;
  yResolution_ = block.yResolution;
  colourOutput_ = block.colour;
}

GMedia* GCheetah::GetPageMedia() const { return static_cast<GMedia*>(pageMedia_.Pointee()); }

GDitherMatrix* GCheetah::GetDitherMatrix() const { return static_cast<GDitherMatrix*>(ditherMatrix_.Pointee()); }

// ---- Passing commands ----

GCountedPtr GCheetah::Send(GCommand* command) { return SendThroughChildren(command); }

void GCheetah::RebuildCurrentState() {
  GPdlGenerator::RebuildCurrentState();
  NewDownloadState();
  pageCounter_ = -1;
  currentDuplex_ = -1;
}

// ---- Output ----

int16_t GCheetah::StreamSink::Flush(void* stream, uint32_t, const uint8_t* data, int32_t length) {
  if (length <= 0) return 0;
  GOutputChannel* channel = owner_->GetOutputChannel();
  // A channel that is open but not in a document (one this generator opened
  // itself, or one whose document a page or a break ended) begins one, as
  // the channel's own text writer does; otherwise the bytes would be refused.
  if (owner_->writeEnabled_ != 0 && channel != nullptr && channel->GetState() == GOutputChannel::kOpen)
    static_cast<void>(channel->BeginDocument());
  GOutputSink::Deliver(channel, owner_->GetProgressFlag(),
                       {owner_->writeEnabled_, owner_->writeStatus_, owner_->lastTick_}, data,
                       static_cast<uint32_t>(length));
  auto* s = static_cast<XLStream*>(stream);
  if (s != nullptr) {
    s->room = s->size;
    s->writePointer = s->buffer;
  }
  return static_cast<int16_t>(owner_->writeStatus_);
}

int16_t GCheetah::TakeWriteStatus() {
  const int16_t status = static_cast<int16_t>(writeStatus_);
  writeStatus_ = 0;
  return status;
}

void GCheetah::FlushStream() {
  if (S() != nullptr) XLStreamFlush(S());
}

void GCheetah::WriteToChannel(const uint8_t* data, uint32_t length) { sink_.Flush(nullptr, 0, data, static_cast<int32_t>(length)); }

// ---- Header and protocol ----

void GCheetah::GetProtocolVersion(uint16_t* protocolClass, uint16_t* revision) {
  uint16_t c = 2;
  uint16_t r = 0;
  int32_t configuredClass = 0;
  int32_t configuredRevision = 0;
  const bool basic = driverInstance_ != nullptr && (driverInstance_->GetAppFlags() & 0x2000u) != 0;
  if (!basic && Q::NumberAt(GetConfiguration(), kXLProtocolClass, &configuredClass) &&
      Q::NumberAt(GetConfiguration(), kXLProtocolRevision, &configuredRevision)) {
    c = static_cast<uint16_t>(configuredClass);
    r = static_cast<uint16_t>(configuredRevision);
  }
  if (protocolClass != nullptr) *protocolClass = c;
  if (revision != nullptr) *revision = r;
}

bool GCheetah::SupportsProtocol(uint16_t protocolClass, uint16_t revision) {
  uint16_t c = 0;
  uint16_t r = 0;
  GetProtocolVersion(&c, &r);
  return c > protocolClass || (c == protocolClass && r >= revision);
}

void GCheetah::EnsureStreamStarted(int32_t flag) {
  uint16_t protocolClass = 2;
  uint16_t revision = 0;
  GetProtocolVersion(&protocolClass, &revision);
  std::string comment;
  if (flag == 0) {
    comment = kHeaderNotice;
    RWCString model;
    if (Q::TextAt(GetStateSection(kJobSettings), kProductModelNumber, &model)) {
      const std::string text(model.Data(), model.Length());
      const size_t semicolon = text.rfind(';');
      if (semicolon != std::string::npos) comment += " " + text.substr(semicolon);
    } else {
      int high = 0;
      int low = 0;
      GetDriverVersion(high, low);
      char version[64];
      std::snprintf(version, sizeof version, " Version %d.%d.%d.%d", (high >> 16) & 0xFFFF, high & 0xFFFF,
                    (low >> 16) & 0xFFFF, low & 0xFFFF);
      comment += version;
    }
  }
  // The header is one line: a control character from the job's text (a line
  // feed above all) would end it early and put text where the binary
  // stream begins.
  std::string line;
  for (char c : comment)
    if (static_cast<unsigned char>(c) >= 0x20) line += c;
  XLWriteStreamHeader(S(), protocolClass, revision, line.data(), static_cast<uint32_t>(line.size()));
}

int32_t GCheetah::CheckEscapeText(const RWCString& text) {
  const std::string value(text.Data(), text.Length());
  if (Q::NumberOr(GetConfiguration(), kTextEscapeCheck, 0) == 1) {
    if (!SupportsProtocol(3, 0)) return 0;
    return value.find('!') != std::string::npos || value.find('\x1b') != std::string::npos ? 1 : 0;
  }
  return value.find('!') != std::string::npos ? 1 : 0;
}

// ---- Job ----

void GCheetah::WriteRawInserts() {
  MPersistentObject* inserts = Q::Find(GetStateSection(kJobSettings), kExtensionPdlData);
  if (inserts == nullptr) return;
  FlushStream();
  auto write = [this](MPersistentObject* item) {
    RWCString text;
    if (Q::Text(item, &text) && text.Length() > 0)
      WriteToChannel(reinterpret_cast<const uint8_t*>(text.Data()), static_cast<uint32_t>(text.Length()));
  };
  RWCString single;
  if (Q::Text(inserts, &single)) {
    write(inserts);
    return;
  }
  Q::ForEachChild(inserts, write);
}

int16_t GCheetah::DocumentStart(GDocumentStart* command) {
  const int16_t status = GPdlGenerator::DocumentStart(command);
  if (status != 0) return status;
  EnsureStreamStarted(0);

  GState* job = GetStateSection(kJobSettings);
  int16_t value = 0;
  if (ReadShort(job, kPrintColorAsGray, &value)) colourOutput_ = value == 0 ? 1 : 0;
  if (ReadShort(job, kEdgeToEdge, &value)) edgeToEdge_ = value == 1 ? 1 : 0;
  xResolution_ = 600;
  yResolution_ = 600;
  if (MPersistentObject* resolution = Q::Find(job, kResolution)) {
    int16_t x = 0;
    int16_t y = 0;
    if (ReadShort(resolution, kXResolution, &x) && ReadShort(resolution, kYResolution, &y) && x > 0 && y > 0) {
      xResolution_ = static_cast<uint16_t>(x);
      yResolution_ = static_cast<uint16_t>(y);
    }
  }
  if (ReadShort(job, kPatternScalingChoice, &value)) patternScaling_ = value == 1 ? 1 : 0;
  int16_t bitsPerPixel = 0;
  const bool hasBits = ReadShort(job, kBitsPerPixel, &bitsPerPixel);
  twoBitsPerPixel_ = hasBits && bitsPerPixel == 2 ? 1 : 0;
  if (ReadShort(job, kXLRenderMode, &value)) renderMode_ = value;
  currentDuplex_ = ReadShort(job, kDuplex, &value) ? value : 0;

  int16_t preset = 0;
  if (ReadShort(job, kQualitySetting405, &preset)) {
    qualityPreset_ = preset;
    int16_t mode = 3;
    ReadShort(job, kPortKind, &mode);
    if (preset == 1) {
      GConfiguration* printer = command != nullptr && command->GetDriverInstance() != nullptr
                                    ? command->GetDriverInstance()->GetPrinterConfiguration()
                                    : nullptr;
      renderMode_ = Q::Find(printer, kQualityOverride1023) != nullptr ? 0 : 4;
    } else if (preset == 0) {
      if (mode == 1 || mode == 2) renderMode_ = 512;
      else if (mode == 3) renderMode_ = 4;
    } else if (preset == 2) {
      renderMode_ = 512;
    }
  }

  // The dither matrix for the resolution and the halftone choice.
  ditherMatrix_ = GCountedPtr();
  if (MPersistentObject* list = Q::Find(GetConfiguration(), kDitherMatrixList)) {
    GCountedPtrVector matrices;
    Q::ForEachChild(list, [&matrices](MPersistentObject* item) { matrices.Append(GCountedPtr(item)); });
    int16_t kind = 0;
    int16_t matrixId = 0;
    ReadShort(job, kQualitySetting910, &kind);
    ReadShort(job, kQualitySetting911, &matrixId);
    const int deviceOnly = Q::NumberOr(job, kDeviceDitherAvailable, 0) == 1 && Q::NumberOr(job, kSparetone, 0) == 1;
    ditherMatrix_ = FindDitherMatrix(xResolution_, yResolution_, static_cast<uint8_t>(bitsPerPixel),
                                     static_cast<uint8_t>(kind), matrixId, matrices, -1, deviceOnly);
  }

  XLBeginSession(S(), xResolution_, yResolution_, 0, 3);
  XLOpenDataSource(S(), 0, 1);
  lastMediaSource_ = -1;
  lastMediaType_ = RWCString();
  if (ReadShort(job, kPclPrintQuality, &value)) {
    XLVendorUniqueByte(S(), static_cast<uint8_t>(value));
  }
  if (ReadShort(job, kDownloadOverheadKB, &value)) budget_.SetOverheadKB(static_cast<uint16_t>(value));
  pageCounter_ = 0;
  if (job != nullptr) job->MarkAllUnchanged();
  EnterDocument();
  WriteRawInserts();
  return TakeWriteStatus();
}

int16_t GCheetah::DocumentEnd(GDocumentEnd*) {
  WriteRawInserts();
  EnterIdle();
  NewDownloadState();
  XLCloseDataSource(S());
  XLEndSession(S());
  ResetTextState();
  FlushStream();
  inDocument_ = 0;
  const int16_t status = TakeWriteStatus();
  if (OwnsOutputChannel() && GetOutputChannel() != nullptr) {
    const int16_t closed = GetOutputChannel()->Close();
    if (closed != 0) return closed;
  }
  return status;
}

int16_t GCheetah::DocumentBreak(GCommand*) {
  uint8_t letters[kBreakLetters];
  std::memset(letters, 'H', sizeof letters);
  const uint8_t head[] = {0xC8, 0xC0, static_cast<uint8_t>(kBreakLetters)};
  const uint8_t tail[] = {0xF8, 0x81, 0x47};
  XLWriteRawBytes(S(), head, sizeof head);
  XLWriteRawBytes(S(), letters, sizeof letters);
  XLWriteRawBytes(S(), tail, sizeof tail);
  FlushStream();
  const int16_t status = TakeWriteStatus();
  if (status != 0) return status;
  return GetOutputChannel() != nullptr ? GetOutputChannel()->EndDocument() : 0;
}

int16_t GCheetah::JobAbort(GJobAbort* command) {
  EnterIdle();
  if (GetInDocumentFlag() != 0) {
    NewDownloadState();
    XLCloseDataSource(S());
    XLEndSession(S());
    FlushStream();
    inDocument_ = 0;
    secondJob_ = 0;
    fontCounter_ = 0;
    useStampCounter_ = 0;
    ResetTextState();
  }
  const int16_t status = GPdlGenerator::JobAbort(command);
  const int16_t written = TakeWriteStatus();
  return written != 0 ? written : status;
}

int16_t GCheetah::PassThrough(GPassThroughCommand* command) {
  if (command == nullptr || command->GetTargetClassId() != GCheetahClassId) return 0;
  FlushStream();
  XLPassThrough(S(), command->GetData(), command->GetLength());
  return 0;
}

int16_t GCheetah::ClearChangedMark(GAttribute* attribute) {
  if (attribute != nullptr) attribute->changed = 0;
  return TakeWriteStatus();
}

int16_t GCheetah::SetValue(GValueAttribute* value) { return ClearChangedMark(value); }
int16_t GCheetah::SetString(GStringAttribute* text) { return ClearChangedMark(text); }
int16_t GCheetah::SetEnum(GEnumAttribute* enumeration) { return ClearChangedMark(enumeration); }
int16_t GCheetah::SetRange(GRangeAttribute* range) { return ClearChangedMark(range); }

// ---- Page ----

void GCheetah::ResetGraphicsState() {
  GState* current = GetCurrentState();
  GState* defaults = GetDefaultState();
  MPersistentObject* graphics = defaults != nullptr ? Q::Find(defaults, kGraphicsState) : nullptr;
  if (graphics != nullptr && current != nullptr) {
    if (current->ReplaceChildById(kGraphicsState, graphics) == 0) {
      current->AddChild(graphics->DeepCopy());
    }
    // The section cache still holds the old graphics section.
    SetCurrentState(current);
    OnPeripheralChanged(this);
  }
  GState* page = GetStateSection(kPageState);
  auto* transform = page != nullptr ? dynamic_cast<GAttribute*>(page->FindByClass(kCheetahTransformClassId)) : nullptr;
  if (transform != nullptr) {
    auto* copy = static_cast<GAttribute*>(transform->Clone());
    copy->changed = 1;
    GState* graphicsSection = GetStateSection(kGraphicsState);
    // Held across the merge: a state that already has an equal transform
    // keeps its own and lets go of the one offered.
    GCountedPtr drop(copy);
    graphicsSection->Merge(copy);
  }
}

void GCheetah::WriteDuplex(int16_t value) {
  if (value == 1) {
    PageByte(S(), 0, kAttrDuplexPageMode);
  } else if (value == 2) {
    PageByte(S(), 1, kAttrDuplexPageMode);
  } else {
    PageByte(S(), 0, kAttrSimplexPageMode);
  }
}

void GCheetah::WriteMedia(GState* page, int16_t orientation) {
  auto* media = dynamic_cast<GMedia*>(Q::Find(page, kPageMedia));
  auto* sizes = dynamic_cast<MAssociationList*>(Q::Find(GetConfiguration(), kPaperList));
  if (media == nullptr || media->ClassId() != GMediaClassId || sizes == nullptr) {
    // A page always has a medium: Letter when the page names none or the
    // device model cannot name the medium's size.
    pageMedia_ = GCountedPtr(media);
    ++pageCounter_;
    if (media == nullptr) {
      PageName(S(), RWCString(kDefaultMediaName), kAttrMediaSize);
      return;
    }
    const float width = media->GetXResolution() != 0 ? static_cast<float>(media->GetSize()->x) / media->GetXResolution() : 8.5f;
    const float height = media->GetYResolution() != 0 ? static_cast<float>(media->GetSize()->y) / media->GetYResolution() : 11.0f;
    const bool turned = orientation == 1 || orientation == 3;
    if (width > 0 && height > 0) {
      PageCustomSize(S(), turned ? height : width, turned ? width : height);
    } else {
      PageName(S(), RWCString(kDefaultMediaName), kAttrMediaSize);
    }
    return;
  }
  pageMedia_ = GCountedPtr(media);
  const RWCString& type = media->GetMediaTypeName();
  if (type.Length() > 0 && !(type == lastMediaType_)) {
    PageName(S(), type, kAttrMediaType);
    lastMediaType_ = type;
  }
  ++pageCounter_;
  int16_t paperId = media->GetPaperId();
  if (paperId > kFirstCustomPaper && paperId <= kLastCustomPaper) paperId = kFirstCustomPaper;
  GValueAttribute key(paperId, &kNoFeatureId);
  RWCString name;
  if (Q::Text(sizes->GetValueFor(&key), &name) && name.Length() > 0) {
    PageName(S(), name, kAttrMediaSize);
    return;
  }
  float width = media->GetXResolution() != 0 ? static_cast<float>(media->GetSize()->x) / media->GetXResolution() : 0;
  float height = media->GetYResolution() != 0 ? static_cast<float>(media->GetSize()->y) / media->GetYResolution() : 0;
  if (orientation == 1 || orientation == 3) std::swap(width, height);
  PageCustomSize(S(), width, height);
  if (currentDuplex_ != 0 && pageCounter_ % 2 == 0) ++pageCounter_;
}

template <class Setting>
uint8_t GCheetah::DeviceValueOf(uint8_t code) {
  Setting setting(code, &kNoFeatureId);
  return static_cast<uint8_t>(setting.GetDeviceValue(GCountedPtr(GetConfiguration())));
}

// The per-object colour controls of the page: neutral axis, halftone,
// adaptive halftoning and trapping, colour treatment, each code turned into
// the device's value through the device model's mapping lists.
void GCheetah::WriteColourTreatment(GState* page) {
  if (page == nullptr) return;
  constexpr int kAllObjects = 3;
  // Both forms start with the neutral axis and the halftone of text,
  // vector and raster objects (kinds 0 and 1 in both).
  auto axisAndHalftone = [this](auto code) {
    XLSetNeutralAxisObjects(S(), DeviceValueOf<GNeutralGrays>(code(0, 0)), DeviceValueOf<GNeutralGrays>(code(1, 0)),
                            DeviceValueOf<GNeutralGrays>(code(2, 0)));
    XLSetHalftoneMethodObjects(S(), DeviceValueOf<GHalftoneEnhanced>(code(0, 1)),
                               DeviceValueOf<GHalftoneEnhanced>(code(1, 1)),
                               DeviceValueOf<GHalftoneEnhanced>(code(2, 1)));
  };
  auto* enhanced = dynamic_cast<GTintwrightEnhancedAttribute*>(page->FindByClass(GTintwrightEnhancedAttributeClassId));
  if (enhanced != nullptr && enhanced->ClassId() == GTintwrightEnhancedAttributeClassId) {
    auto code = [enhanced](int objectType, int selector) {
      unsigned char value = 0;
      enhanced->GetEnhancedSetting(objectType, selector, &value);
      return static_cast<uint8_t>(value);
    };
    using E = GTintwrightEnhancedAttribute;
    static_assert(E::kNeutralGrays == 0 && E::kHalftone == 1);
    axisAndHalftone(code);
    const uint8_t edge = DeviceValueOf<GEdgeControl>(code(kAllObjects, E::kEdgeControl));
    const uint8_t adaptive = edge != 0 ? 1 : 0;
    XLSetAdaptiveHalftoningObjects(S(), adaptive, adaptive, adaptive);
    XLSetColorTrapping(S(), edge);
    XLSetColorTreatment(S(), DeviceValueOf<GSRGBColor>(code(kAllObjects, E::kRGBColor)));
  }
  auto* second = dynamic_cast<GTintwrightEnhancedAttributeVer2*>(
      page->FindByClass(GTintwrightEnhancedAttributeVer2ClassId));
  if (second != nullptr) {
    auto code = [second](int objectType, int kind) {
      unsigned char value = 0;
      second->GetCode(objectType, kind, &value);
      return static_cast<uint8_t>(value);
    };
    using V = GTintwrightEnhancedAttributeVer2;
    static_assert(V::kNeutralGrays == 0 && V::kHalftone == 1);
    axisAndHalftone(code);
    XLSetColorTreatmentObjects(S(), DeviceValueOf<GSRGBExtension>(code(0, V::kSRGBColor)),
                               DeviceValueOf<GSRGBExtension>(code(1, V::kSRGBColor)),
                               DeviceValueOf<GSRGBExtension>(code(2, V::kSRGBColor)));
    const uint8_t edge = DeviceValueOf<GEdgeControl>(code(kAllObjects, V::kEdgeControl));
    XLSetAdaptiveHalftoningAll(S(), edge != 0 ? 1 : 0);
    XLSetColorTrapping(S(), edge);
  }
}

int16_t GCheetah::PageStart(GPageStart* command) {
  GPdlGenerator::PageStart(command);
  if (GOutputChannel* channel = GetOutputChannel()) {
    if (pageCounter_ != 0) {
      const int16_t ended = channel->EndDocument();
      if (ended != 0) return ended;
    }
    const int16_t begun = channel->BeginDocument();
    if (begun != 0) return begun;
  }
  ResetGraphicsState();
  ResetTextState();

  if (auto* matrix = GetDitherMatrix()) {
    if (matrix->GetMatrixId() == -1 && matrix->GetDepth() == 2 && matrix->GetResolution() == 600) {
      if (matrix->GetKind() == 18) XLVendorUnique(S(), kVUDeviceHalftone18);
      else if (matrix->GetKind() == 22) XLVendorUnique(S(), kVUDeviceHalftone22);
    }
  }

  GState* page = GetStateSection(kPageState);
  int16_t value = 0;
  if (ReadShort(page, kPageCopies, &value)) pageCopies_ = value;
  int16_t orientation = 0;
  if (ReadShort(page, kOrientation, &value)) {
    orientation = value == 90 ? 1 : value == 180 ? 2 : value == 270 ? 3 : 0;
  }
  PageByte(S(), static_cast<uint8_t>(orientation), kAttrOrientation);

  if (currentDuplex_ == 0 && pageCounter_ % 2 != 0) ++pageCounter_;
  int16_t duplex = 0;
  int16_t manual = 0;
  const bool manualDuplex =
      driverInstance_ != nullptr && ReadShort(driverInstance_->GetPrinterConfiguration(), kManualDuplex, &manual) &&
      manual != 0;
  if (duplexSwitching_ != 0 && !manualDuplex && ReadShort(page, kDuplex, &duplex) && duplex != currentDuplex_) {
    if (duplex == 0 || pageCounter_ % 2 == 0) {
      currentDuplex_ = duplex;
      WriteDuplex(duplex);
    }
  }

  auto* media = dynamic_cast<GMedia*>(Q::Find(page, kPageMedia));
  const bool custom =
      media != nullptr && media->GetPaperId() >= kFirstCustomPaper && media->GetPaperId() <= kLastCustomPaper;
  int16_t bin = 0;
  const bool hasBin = ReadShort(page, kInputBin, &bin);
  if ((hasBin && bin != lastMediaSource_) || custom) {
    lastMediaSource_ = bin;
    int16_t code = 0;
    if (auto* sources = dynamic_cast<MAssociationList*>(Q::Find(GetConfiguration(), kPdlTrayMap))) {
      GValueAttribute key(bin, &kNoFeatureId);
      Q::Short(sources->GetValueFor(&key), &code);
    }
    PageByte(S(), static_cast<uint8_t>(code), kAttrMediaSource);
  }
  WriteMedia(page, orientation);
  XLWriteOperator(S(), kOpBeginPage);
  WriteColourTreatment(page);

  if (auto* matrix = GetDitherMatrix()) {
    if (matrix->GetMatrixId() != -1 && matrix->GetWidth() > 0 && matrix->GetHeight() > 0) {
      std::vector<uint8_t> thresholds(static_cast<size_t>(matrix->GetWidth()) * matrix->GetHeight());
      const uint32_t copied = matrix->CopyAll(thresholds.data(), matrix->GetWidth(), matrix->GetHeight());
      XLSetHalftoneMethodMatrix(S(), matrix->GetWidth(), matrix->GetHeight(), 2, 0);
      XLWriteEmbeddedBytes(S(), thresholds.data(), copied);
    }
  }
  XLSetClipMode(S(), 0);
  if (page != nullptr) page->MarkAllUnchanged();
  EnterPage();
  return TakeWriteStatus();
}

int16_t GCheetah::PageEnd(GPageEnd*) {
  EnterDocument();
  int16_t copies = 1;
  ReadShort(GetStateSection(kPageState), kPageCopies, &copies);
  XLEndPageCopies(S(), static_cast<uint16_t>(copies));
  FlushStream();
  pathDepth_ = 0;
  clipPath_ = 0;
  pageMedia_ = GCountedPtr();
  return TakeWriteStatus();
}

RWCollectable* GCheetahCreate() { return new GCheetah; }
