#include "pdl/GPcl5e.h"

#include <cstring>
#include <iterator>

#include "graphics/GDitherMatrix.h"
#include "graphics/GTransformAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GCapabilities.h"
#include "model/GColorSettingGetters.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MStoredMembers.h"
#include "printpath/GRenderInstance.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

using namespace GFeatureIds;

// Paper ids of custom sizes: everything from 16384 to 17383 is one custom
// size, written again on every page.
constexpr int16_t kCustomPaperId = 16384;
constexpr int16_t kCustomPaperIdLast = 17383;
constexpr int16_t kReferenceSheetId = 17384;

// A value setting of a section, or null.
GValueAttribute* Pcl5eValue(MPersistentObject* section, int32_t id) {
  return section != nullptr ? dynamic_cast<GValueAttribute*>(section->FindById(id)) : nullptr;
}

// The members of a list setting, whichever kind of composite holds them;
// null when the object is no composite.
const GCountedPtrVector* Pcl5eMembers(MPersistentObject* list) {
  if (auto* attributes = dynamic_cast<GAttributeComposite*>(list)) return &attributes->Children();
  if (auto* objects = dynamic_cast<MPersistentComposite*>(list)) return &objects->Children();
  return nullptr;
}

// The default ordered-dither matrix of a job whose configuration has none:
// an 8 x 8 Bayer matrix spread over 0 to 255.
const uint8_t kPcl5eBayer8[64] = {
    0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
    6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
    49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

}  // namespace

// ---- Construction ----

GPcl5e::GPcl5e() {
  CreateStream();
  ReadCapabilities();
}

GPcl5e::GPcl5e(const int32_t* id) : GPdlGenerator(id) {
  CreateStream();
  ReadCapabilities();
}

GPcl5e::GPcl5e(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
               int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {
  CreateStream();
  palette_ = std::make_unique<GPenPalette>();
  ReadCapabilities();
}

void GPcl5e::CreateStream() {
  if (stream_ != nullptr) PclStreamDestroy(stream_);
  stream_ = PclStreamCreate(kStreamSize, &sink_, 0);
  formatter_.SetStream(stream_);
}

void GPcl5e::CopyValues(const GPcl5e& other) {
  patternId_ = other.patternId_;
  outputStatus_ = other.outputStatus_;
  outputOk_ = other.outputOk_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  colourMode_ = other.colourMode_;
  colourTreatmentMode_ = other.colourTreatmentMode_;
  cursorX_ = other.cursorX_;
  cursorY_ = other.cursorY_;
  forceX_ = other.forceX_;
  forceY_ = other.forceY_;
  inGl2_ = other.inGl2_;
  gl2SetUp_ = other.gl2SetUp_;
  pendingPcl_ = other.pendingPcl_;
  pendingGl2_ = other.pendingGl2_;
  rasterOperation_ = other.rasterOperation_;
  patternTransparency_ = other.patternTransparency_;
  sourceTransparency_ = other.sourceTransparency_;
  clipKind_ = other.clipKind_;
  clipKindSent_ = other.clipKindSent_;
  clipLeft_ = other.clipLeft_;
  clipTop_ = other.clipTop_;
  clipRight_ = other.clipRight_;
  clipBottom_ = other.clipBottom_;
  clipRects_ = other.clipRects_;
  clipOutside_ = other.clipOutside_;
  paletteSelected_ = other.paletteSelected_;
  for (size_t i = 0; i < std::size(imagePalettes_); ++i)
    imagePalettes_[i] = other.imagePalettes_[i] != nullptr ? std::make_unique<GPaletteTable>(*other.imagePalettes_[i])
                                                           : nullptr;
  patternScaling_ = other.patternScaling_;
  twoBits_ = other.twoBits_;
  imageMode_ = other.imageMode_;
  edgeToEdge_ = other.edgeToEdge_;
  duplexSent_ = other.duplexSent_;
  sideCounter_ = other.sideCounter_;
  binSent_ = other.binSent_;
  paperSent_ = other.paperSent_;
  mediaTypeSent_ = other.mediaTypeSent_;
  ditherMatrix_ = other.ditherMatrix_;
  scaleX_ = other.scaleX_;
  scaleY_ = other.scaleY_;
  transformOffsetX_ = other.transformOffsetX_;
  transformOffsetY_ = other.transformOffsetY_;
  transformRotation_ = other.transformRotation_;
  orientationSent_ = other.orientationSent_;
  copies_ = other.copies_;
}

GPcl5e::GPcl5e(const GPcl5e& other) : GPdlGenerator(other) {
  CopyValues(other);
  CreateStream();
  palette_ = std::make_unique<GPenPalette>();
  ReadCapabilities();
}

GPcl5e& GPcl5e::operator=(const GPcl5e& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPdlGenerator::operator=(other);
  CopyValues(other);
  palette_ = std::make_unique<GPenPalette>();
  ReadCapabilities();
  return *this;
}

GPcl5e::~GPcl5e() {
  formatter_.SetStream(nullptr);
  PclStreamDestroy(stream_);
}

QV_PERSISTENT_KIND_DEFINE(GPcl5e, GPdlGenerator, GPcl5eClassId)

int GPcl5e::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* generator = dynamic_cast<const GPcl5e*>(other);
  return generator != nullptr && GPdlGenerator::Matches(other) && patternId_ == generator->patternId_ &&
         colourMode_ == generator->colourMode_ && colourTreatmentMode_ == generator->colourTreatmentMode_ &&
         cursorX_ == generator->cursorX_ && cursorY_ == generator->cursorY_ && forceX_ == generator->forceX_ &&
         forceY_ == generator->forceY_;
}

int16_t GPcl5e::ApplyTo(GPeripheral* target) { return target != nullptr ? target->UsePcl5eGenerator(this) : 0; }

void GPcl5e::ResetJobMemories() {
  outputOk_ = 1;
  outputStatus_ = 0;
  duplexSent_ = -1;
  paperSent_ = -1;
  binSent_ = 0;
  mediaTypeSent_ = RWCString();
  cursorX_ = cursorY_ = 0;
  forceX_ = forceY_ = 1;
  inGl2_ = 0;
  gl2SetUp_ = 0;
  scalingSent_ = 0;
  pendingPcl_ = pendingGl2_ = 0;
  rasterOperation_ = 240;
  patternTransparency_ = sourceTransparency_ = 1;
  clipKind_ = clipKindSent_ = 0;
  clipLeft_ = clipTop_ = clipRight_ = clipBottom_ = 0;
  clipRects_.clear();
  clipOutside_ = 0;
  paletteSelected_ = 10;
  drawingFlags_ = 1;
  fillRule_ = 0;
  penKind_ = brushKind_ = 3;
  forceBlack_ = 0;
  lineTypeSet_ = 0;
  ResetPageDrawingState();
  ResetBrushColor();
}

void GPcl5e::RebuildCurrentState() {
  GPdlGenerator::RebuildCurrentState();
  ResetJobMemories();
  rasterPresentation_ = -1;
  palette_ = std::make_unique<GPenPalette>();
  ResetPathState();
  budget_.SetOverheadKB(GMemoryBudget::kDefaultOverheadKB);
}

// ---- Stored body ----

// The output block and, after it, the colour treatment mode.
template <typename Archive>
void GPcl5e::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  OutputBlock block = Output();
  int32_t treatment = colourTreatmentMode_;
  if (!OutputBlockMembers(archive, ClassVersion(), block, &treatment)) return;
  if constexpr (Archive::kReading) {
    TakeOutput(block);
    colourTreatmentMode_ = treatment;
    // A restored generator starts its output afresh.
    CreateStream();
    palette_ = std::make_unique<GPenPalette>();
    ReadCapabilities();
  }
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPcl5e, GPdlGenerator)

GPdlGenerator::OutputBlock GPcl5e::Output() const {
  return {patternId_, outputStatus_, outputOk_, xResolution_, yResolution_, colourMode_};
}

void GPcl5e::TakeOutput(const OutputBlock& block) {
  patternId_ = block.setting;
  outputStatus_ = block.sinkStatus;
  outputOk_ = block.sinkEnabled;
  xResolution_ = block.xResolution;
  yResolution_ = block.yResolution;
  colourMode_ = block.colour;
}

void GPcl5e::ReadCapabilities() {
  GConfiguration* configuration = GetConfiguration();
  if (configuration == nullptr) return;
  MPersistentObject* group = configuration->FindById(kPrinterCapabilityGroup);
  auto* set = group != nullptr ? dynamic_cast<GCapabilities*>(group->FindById(kGeneratorCapabilities)) : nullptr;
  if (set == nullptr) return;
  uint32_t flags = 0;
  for (uint32_t bit : {0u, 1u, 2u, 3u, 4u, 8u, 9u, 10u, 11u}) {
    if (set->Has(bit)) flags |= 1u << bit;
  }
  capabilities_ = flags;
}

// ---- Output ----

int16_t GPcl5e::Sink::Flush(PclStream* stream, uint32_t, const uint8_t* data, int32_t length) {
  if (length > 0) {
    GOutputSink::Deliver(owner_->GetOutputChannel(), owner_->progress_,
                         {owner_->outputOk_, owner_->outputStatus_, owner_->lastTick_}, data,
                         static_cast<uint32_t>(length));
  }
  PclStreamRewind(stream);
  return static_cast<int16_t>(owner_->outputStatus_);
}

uint32_t GPcl5e::Emit(const char* text, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f,
                      int32_t g, int32_t h) {
  const int32_t cells[8] = {a, b, c, d, e, f, g, h};
  for (int i = 0; i < 8; ++i) formatter_.SetCell(i, cells[i]);
  formatter_.SetTemplate(text);
  return formatter_.RunToStream();
}

void GPcl5e::EmitRaw(const void* data, int32_t length) {
  if (stream_ != nullptr) PclStreamWrite(stream_, data, length);
}

int16_t GPcl5e::FlushStream() { return stream_ != nullptr ? PclStreamFlush(stream_) : 0; }

int16_t GPcl5e::TakeOutputStatus() {
  const int16_t status = static_cast<int16_t>(outputStatus_);
  outputStatus_ = 0;
  return status;
}

// ---- Modes ----

void GPcl5e::EnterPclMode(uint32_t pending, bool reset) {
  if (reset) gl2SetUp_ = 0;
  if (inGl2_ != 0) {
    Emit("#1B%%0A");
    inGl2_ = 0;
    forceX_ = forceY_ = 1;
  }
  const uint32_t send = pending & pendingPcl_;
  if ((send & kPclRasterOperation) != 0 && (capabilities_ & kCapRasterOperations) != 0)
    Emit("#1B*l%fA%A0O", rasterOperation_);
  if ((send & kPclSourceTransparency) != 0) Emit("#1B*v%f1B-%A0N", 0, sourceTransparency_);
  if ((send & kPclPatternTransparency) != 0) Emit("#1B*v%f1C-%A0O", 0, 0, patternTransparency_);
  pendingPcl_ &= ~send;
}

void GPcl5e::EnterGl2Mode(uint32_t pending) {
  if ((pending & kGl2SourceTransparency) != 0) SetSourceTransparency(sourceTransparency_);
  if (inGl2_ == 0) {
    if (gl2SetUp_ == 0) {
      ResetPathState();
      SelectPalette(2);
    }
    Emit("#1B%%B");
    inGl2_ = 1;
    if (gl2SetUp_ == 0) {
      if (scalingSent_ == 0) {
        Emit("SC0,%f1016A/1 10000/+%F6,0,-%f1016B/1 10000/+%F6,2", xResolution_, yResolution_);
        rotationSent_ = 0;
        Emit("RO%fA%A0", 0);
        Emit("IR0,100,0,100");
      }
      const int width = DitherWidth();
      const int x0 = PageMedia().GetImageableOrigin()->x;
      const int c = width - (((x0 - 4) % width) + width) % width;
      if ((capabilities_ & kCapPixelPlacement) != 0)
        Emit("WUAC%fC%A0,%fD%A0SP1PP1PW0TD1IW", 0, 0, c, 4);
      else
        Emit("WUAC%fC%A0,%fD%A0SP1PW0TD1IW", 0, 0, c, 4);
      penSelected_ = 1;
      // "PW0" is no width the pens write: the next pen sends its own.
      penWidthSent_ = -1;
      fillTypeSent_ = 0;
      fillSelectedGl2_ = 0;
      lastPenPalette_ = 10;
      gl2SetUp_ = 1;
    }
  }
  const uint32_t send = pending & pendingGl2_;
  if ((send & kGl2MergeControl) != 0 && (capabilities_ & kCapRasterOperations) != 0)
    Emit("MC1,%fA%A0", rasterOperation_);
  if ((send & kGl2Transparency) != 0) Emit("TR%fB%A0", 0, patternTransparency_);
  if ((send & kGl2InputWindow) != 0) {
    if (clipKind_ == 1) {
      int16_t right = clipRight_;
      const GMedia& media = PageMedia();
      const int x0 = media.GetImageableOrigin()->x;
      const int e = media.GetImageableExtent()->x;
      if (edgeToEdge_ != 0 && e <= right && right <= x0 + e && x0 + e <= media.GetSize()->x - x0)
        right = static_cast<int16_t>(x0 + e);
      Emit("IW%fC1-%A0,%fD1-%A0,%fE%A0,%fF%A0", 0, 0, clipLeft_, clipTop_, right, clipBottom_);
    } else {
      Emit("IW");
    }
    clipKindSent_ = clipKind_;
  }
  pendingGl2_ &= ~send;
}

void GPcl5e::SetMode(int gl2) {
  if (gl2 != 0 && inGl2_ == 0) EnterGl2Mode(0);
  if (gl2 == 0 && inGl2_ != 0) EnterPclMode(0, false);
}

void GPcl5e::SelectPalette(int id) {
  if ((colourMode_ != 0 && colourMode_ != 1) || id == paletteSelected_) return;
  const int wasGl2 = inGl2_;
  if (wasGl2 != 0) EnterPclMode(0, false);
  paletteSelected_ = id;
  Emit("#1B&p%fE%A0S", 0, 0, 0, 0, id);
  if (wasGl2 != 0) EnterGl2Mode(0);
  if (id != 2) penSelected_ = 10;
}

void GPcl5e::MoveCursor(int16_t x, int16_t y, bool forceX, bool forceY) {
  EnterPclMode(0, false);
  if (forceX || forceX_ != 0) {
    forceX_ = 0;
    cursorX_ = static_cast<int16_t>(~x);
  }
  if (forceY || forceY_ != 0) {
    forceY_ = 0;
    cursorY_ = static_cast<int16_t>(~y);
  }
  const bool changeX = x != cursorX_;
  const bool changeY = y != cursorY_;
  if (changeX && changeY)
    Emit("#1B*p%fA%A0x%fB%A0Y", x, y);
  else if (changeX)
    Emit("#1B*p%fA%A0X", x);
  else if (changeY)
    Emit("#1B*p%fA%A0Y", 0, y);
  cursorX_ = x;
  cursorY_ = y;
}

void GPcl5e::SetOrientation(int code) {
  if (code == orientationSent_) return;
  Emit("#1B&l%fA%A0O", code);
  orientationSent_ = code;
}

const GMedia& GPcl5e::PageMedia() const {
  static const GMedia* const kDefault = new GMedia;  // 600 x 600 dpi
  auto* media = dynamic_cast<GMedia*>(pageMedia_.Pointee());
  return media != nullptr ? *media : *kDefault;
}

int GPcl5e::DitherWidth() const {
  auto* matrix = dynamic_cast<GDitherMatrix*>(ditherMatrix_.Pointee());
  return matrix != nullptr && matrix->GetWidth() > 0 ? matrix->GetWidth() : 8;
}

void GPcl5e::ChooseDitherMatrix(GState* job) {
  GCountedPtr found;
  GConfiguration* configuration = GetConfiguration();
  const GCountedPtrVector* matrices =
      configuration != nullptr ? Pcl5eMembers(configuration->FindById(kDitherMatrixList)) : nullptr;
  if (matrices != nullptr) {
    GValueAttribute* kind = Pcl5eValue(job, kQualitySetting910);
    GValueAttribute* depth = Pcl5eValue(job, kBitsPerPixel);
    GValueAttribute* id = Pcl5eValue(job, kQualitySetting911);
    GValueAttribute* alternative = Pcl5eValue(job, kDeviceDitherAvailable);
    GValueAttribute* sparetone = Pcl5eValue(job, kSparetone);
    const int deviceOnly = alternative != nullptr && sparetone != nullptr && alternative->GetValue() == 1 &&
                           sparetone->GetValue() == 1;
    found = FindDitherMatrix(xResolution_, yResolution_, depth != nullptr ? depth->GetValue() : 0,
                             kind != nullptr ? kind->GetValue() : 0, id != nullptr ? id->GetValue() : 0,
                             *matrices, -1, deviceOnly);
  }
  auto* chosen = dynamic_cast<GDitherMatrix*>(found.Pointee());
  // A job's own copy: the inversion below must not change the configuration.
  auto* matrix = chosen != nullptr ? new GDitherMatrix(*chosen)
                                   : new GDitherMatrix(8, 8, kPcl5eBayer8, static_cast<int16_t>(xResolution_), nullptr);
  if (chosen == nullptr) {
    // Spread the 64 levels over 0 to 255.
    for (uint8_t row = 0; row < 8; ++row)
      for (uint8_t column = 0; column < 8; ++column)
        matrix->SetThreshold(row, column, static_cast<uint8_t>(kPcl5eBayer8[row * 8 + column] * 4 + 2));
  }
  GValueAttribute* asGray = Pcl5eValue(job, kPrintColorAsGray);
  if (asGray != nullptr && asGray->GetValue() == 3) {
    for (uint8_t row = 0; row < matrix->GetHeight(); ++row)
      for (uint8_t column = 0; column < matrix->GetWidth(); ++column)
        matrix->SetThreshold(row, column, static_cast<uint8_t>(-matrix->GetThreshold(row, column)));
  }
  ditherMatrix_ = GCountedPtr(matrix);
}

// ---- Job ----

void GPcl5e::WriteJobStrings(GState* job) {
  const GCountedPtrVector* strings = Pcl5eMembers(job->FindById(kExtensionPdlData));
  if (strings == nullptr) return;
  FlushStream();
  GOutputChannel* channel = GetOutputChannel();
  for (size_t i = 0; channel != nullptr && i < strings->Count(); ++i) {
    if (auto* text = dynamic_cast<GStringAttribute*>(strings->Data()[i].Pointee())) {
      const RWCString& bytes = text->GetString();
      // Each string is written with a 16-bit length.
      const uint32_t length = bytes.Length() > 0xFFFF ? 0xFFFF : static_cast<uint32_t>(bytes.Length());
      GOutputSink::Deliver(channel, 0, {outputOk_, outputStatus_, lastTick_},
                           reinterpret_cast<const uint8_t*>(bytes.Data()), length);
    }
  }
}

int16_t GPcl5e::DocumentStart(GDocumentStart* command) {
  const int16_t status = GPdlGenerator::DocumentStart(command);
  if (status != 0) return status;
  GState* job = GetStateSection(kJobSettings);
  xResolution_ = yResolution_ = 600;
  MPersistentObject* resolution = job->FindById(kResolution);
  GValueAttribute* x = Pcl5eValue(resolution, kXResolution);
  GValueAttribute* y = Pcl5eValue(resolution, kYResolution);
  if (x != nullptr && y != nullptr && x->GetValue() > 0 && y->GetValue() > 0) {
    xResolution_ = static_cast<uint16_t>(x->GetValue());
    yResolution_ = static_cast<uint16_t>(y->GetValue());
  }
  GValueAttribute* value = Pcl5eValue(job, kPatternScalingChoice);
  patternScaling_ = value != nullptr && value->GetValue() == 1;
  value = Pcl5eValue(job, kBitsPerPixel);
  twoBits_ = value != nullptr && value->GetValue() == 2;
  if ((value = Pcl5eValue(job, kXLRenderMode)) != nullptr) imageMode_ = value->GetValue();
  value = Pcl5eValue(job, kDuplex);
  duplexSent_ = value != nullptr ? value->GetValue() : 0;
  ChooseDitherMatrix(job);
  value = Pcl5eValue(job, kEdgeToEdge);
  edgeToEdge_ = value != nullptr && value->GetValue() == 1;

  if ((capabilities_ & kCapPixelPlacement) != 0)
    Emit("#1BE#1B*l1R#1B&u%fA%A0D#1B*t%fA%A0R", yResolution_);
  else
    Emit("#1BE#1B&u%fA%A0D#1B*t%fA%A0R", yResolution_);
  if ((value = Pcl5eValue(job, kPrintQuality)) != nullptr) Emit("#1B*o%fA%A0M", value->GetValue());
  if ((value = Pcl5eValue(job, kPclPrintQuality)) != nullptr) Emit("#1B&b%fA%A0F", value->GetValue());
  if ((value = Pcl5eValue(job, kDownloadOverheadKB)) != nullptr)
    budget_.SetOverheadKB(static_cast<uint16_t>(value->GetValue() > 0 ? value->GetValue() : 0));

  binSent_ = -1;
  mediaTypeSent_ = RWCString();
  sideCounter_ = 0;
  ColourSetup();
  EnterDocument();
  WriteJobStrings(job);
  return TakeOutputStatus();
}

int16_t GPcl5e::DocumentEnd(GDocumentEnd* command) {
  GState* job = GetStateSection(kJobSettings);
  WriteJobStrings(job);
  static_cast<void>(command);
  EnterIdle();
  FlushStream();
  inDocument_ = 0;
  // The printer forgets the job's soft fonts; so do the records.
  DropDownloadState();
  ResetTextState();
  const int16_t status = TakeOutputStatus();
  if (OwnsOutputChannel() != 0 && GetOutputChannel() != nullptr) {
    const int16_t closed = GetOutputChannel()->Close();
    if (closed != 0) return closed;
  }
  return status;
}

int16_t GPcl5e::DocumentBreak(GCommand*) {
  static const uint8_t kZeros[200] = {};
  EmitRaw(kZeros, sizeof kZeros);
  FlushStream();
  const int16_t status = TakeOutputStatus();
  if (status != 0) return status;
  return GetOutputChannel() != nullptr ? GetOutputChannel()->EndDocument() : 0;
}

int16_t GPcl5e::JobAbort(GJobAbort* command) {
  EnterIdle();
  if (inDocument_ != 0) {
    FlushStream();
    inDocument_ = 0;
    fontCounter_ = 0;
    useStampCounter_ = 0;
  }
  DropDownloadState();
  const int16_t status = GPdlGenerator::JobAbort(command);
  const int16_t output = TakeOutputStatus();
  return output != 0 ? output : status;
}

int16_t GPcl5e::PassThrough(GPassThroughCommand* command) {
  if (command == nullptr || command->GetTargetClassId() != GPcl5eClassId) return 0;
  FlushStream();
  if (command->GetLength() > 0 && command->GetData() != nullptr)
    GOutputSink::Deliver(GetOutputChannel(), 0, {outputOk_, outputStatus_, lastTick_}, command->GetData(),
                         command->GetLength());
  return TakeOutputStatus();
}

// ---- Page ----

int16_t GPcl5e::PageStart(GPageStart* command) {
  int16_t status = GPdlGenerator::PageStart(command);
  if (status != 0) return status;
  if (GOutputChannel* channel = GetOutputChannel()) {
    if (sideCounter_ > 0 && (status = channel->EndDocument()) != 0) return status;
    if ((status = channel->BeginDocument()) != 0) return status;
  }
  EnterPclMode(0, true);
  GState* page = GetStateSection(kPageState);
  GValueAttribute* value = Pcl5eValue(page, kPageCopies);
  if (value != nullptr) copies_ = value->GetValue();
  ResetGraphicsState(page);
  ResetPageDrawingState();
  ResetTextState();
  forceX_ = forceY_ = 1;
  paletteSelected_ = 10;
  ResetPathState();

  // Orientation, always written on every page.
  int m = 0;
  if ((value = Pcl5eValue(page, kOrientation)) != nullptr) {
    switch (value->GetValue()) {
      case 90: m = 1; break;
      case 180: m = 2; break;
      case 270: m = 3; break;
      default: m = 0; break;
    }
  }
  orientationSent_ = ~m;
  SetOrientation(m);

  if (duplexSent_ == 0 && (sideCounter_ & 1) != 0) ++sideCounter_;
  GConfiguration* configuration = GetConfiguration();
  GValueAttribute* manual = configuration != nullptr ? Pcl5eValue(configuration, kManualDuplex) : nullptr;
  if ((capabilities_ & kCapNoDuplex) == 0 && (manual == nullptr || manual->GetValue() == 0)) {
    if ((value = Pcl5eValue(page, kDuplex)) != nullptr && value->GetValue() != duplexSent_ &&
        (value->GetValue() == 0 || (sideCounter_ & 1) == 0)) {
      duplexSent_ = value->GetValue();
      Emit("#1B&l%fA%A0S", duplexSent_ == 1 ? 2 : duplexSent_ == 2 ? 1 : 0);
    }
  }
  if ((value = Pcl5eValue(page, kInputBin)) != nullptr && value->GetValue() != binSent_) {
    binSent_ = value->GetValue();
    int code = 7;
    auto* trays = configuration != nullptr ? dynamic_cast<MAssociationList*>(configuration->FindById(kPdlTrayMap))
                                           : nullptr;
    if (trays != nullptr) {
      const int32_t keyId = 0;
      GValueAttribute key(binSent_, &keyId);
      if (auto* found = dynamic_cast<GValueAttribute*>(trays->GetValueFor(&key))) code = found->GetValue();
    }
    Emit("#1B&l%fA%A0H", code);
  }

  // Every page has a medium: the page state's, else the default one.
  auto* media = dynamic_cast<GMedia*>(page->FindById(kPageMedia));
  pageMedia_ = GCountedPtr(media != nullptr ? static_cast<MPersistentObject*>(new GMedia(*media))
                                            : static_cast<MPersistentObject*>(new GMedia(PageMedia())));
  auto* papers = configuration != nullptr ? dynamic_cast<MAssociationList*>(configuration->FindById(kPaperList))
                                          : nullptr;
  bool custom = true;
  int16_t paper = PageMedia().GetPaperId();
  if (paper > kCustomPaperId && paper <= kCustomPaperIdLast) paper = kCustomPaperId;
  GSelectionString* entry = nullptr;
  if (papers != nullptr) {
    const int32_t keyId = 0;
    GValueAttribute key(paper, &keyId);
    entry = dynamic_cast<GSelectionString*>(papers->GetValueFor(&key));
    custom = entry == nullptr || entry->GetValue() >= kCustomPaperId;
    if ((capabilities_ & kCapCustomCode101) != 0 && custom && m == 3) {
      m = 1;
      SetOrientation(m);
    }
    const int degrees = m * 90;
    GRenderInstance* instance = RenderInstance();
    if (PageMedia().GetOrientation() != degrees && instance != nullptr) {
      // The print side knows the turned sheet: its size and margins.
      instance->OrientMedium(static_cast<GMedia*>(pageMedia_.Pointee()), degrees);
    }
    if (PageMedia().GetOrientation() != degrees) {
      // No print side, or one that does not know the turned sheet: the
      // sheet is turned here, its sides and margins with it, so that the
      // page's frame is the turned imageable area.
      const GMedia& upright = PageMedia();
      const int turn = ((degrees - upright.GetOrientation()) % 360 + 360) % 360;
      const GShortPoint size = *upright.GetSize();
      const GShortPoint extent = *upright.GetImageableExtent();
      const GShortPoint origin = *upright.GetImageableOrigin();
      // The margins beyond the imageable area (right and bottom).
      const auto farX = static_cast<int16_t>(size.x - origin.x - extent.x);
      const auto farY = static_cast<int16_t>(size.y - origin.y - extent.y);
      GShortPoint turnedSize = size;
      GShortPoint turnedExtent = extent;
      GShortPoint turnedOrigin = origin;
      switch (turn) {
        case 90:  // counter-clockwise: the right margin comes to the top
          turnedSize = GShortPoint(size.y, size.x);
          turnedExtent = GShortPoint(extent.y, extent.x);
          turnedOrigin = GShortPoint(origin.y, farX);
          break;
        case 180:
          turnedOrigin = GShortPoint(farX, farY);
          break;
        case 270:
          turnedSize = GShortPoint(size.y, size.x);
          turnedExtent = GShortPoint(extent.y, extent.x);
          turnedOrigin = GShortPoint(farY, origin.x);
          break;
        default:
          break;
      }
      const int32_t featureId = upright.FeatureId();
      pageMedia_ = GCountedPtr(new GMedia(upright.GetPaperName().Data(), &turnedSize, &turnedExtent, &turnedOrigin,
                                          degrees, upright.GetPaperId(), upright.GetXResolution(),
                                          upright.GetYResolution(), &featureId, upright.GetExtraCode(),
                                          upright.GetSecondName().Data(), upright.GetMediaTypeName().Data()));
    }

    // Media type.
    const RWCString typeName = PageMedia().GetMediaTypeName();
    if (typeName.Length() == 0) ColourSetup();
    if (typeName.Length() != 0 && !(typeName == mediaTypeSent_)) {
      ColourSetup();
      if (auto* types = dynamic_cast<MAssociationList*>(configuration->FindById(kMediaTypeCodes))) {
        for (size_t i = 0; i < types->Children().Count(); ++i) {
          auto* association = dynamic_cast<MPersistentAssociation*>(types->Children().Data()[i].Pointee());
          MPersistentObject* key = association != nullptr ? association->GetKey() : nullptr;
          auto* name = dynamic_cast<GStringAttribute*>(key);
          auto* selection = dynamic_cast<GSelectionString*>(key);
          auto* code = association != nullptr ? dynamic_cast<GValueAttribute*>(association->GetValue()) : nullptr;
          const bool same = (name != nullptr && name->GetString() == typeName) ||
                            (selection != nullptr && selection->GetText() == typeName);
          if (same && code != nullptr) {
            Emit("#1B&l%fA%A0M", code->GetValue());
            break;
          }
        }
      } else {
        // The name goes out as it is: "#" and "%" in it are its own bytes.
        const size_t length = typeName.Length() > 0xFFFE ? 0xFFFE : typeName.Length();
        Emit("#1B&n%fA%A0Wd", static_cast<int32_t>(length + 1));
        EmitRaw(typeName.Data(), static_cast<int32_t>(length));
      }
      mediaTypeSent_ = typeName;
    }
  }
  ++sideCounter_;
  Emit("#1B&a0P");

  const uint16_t xr = PageMedia().GetXResolution() != 0 ? PageMedia().GetXResolution() : xResolution_;
  const uint16_t yr = PageMedia().GetYResolution() != 0 ? PageMedia().GetYResolution() : yResolution_;
  const GShortPoint size = *PageMedia().GetSize();
  const GShortPoint extent = *PageMedia().GetImageableExtent();
  const GShortPoint origin = *PageMedia().GetImageableOrigin();
  const bool code101 = (capabilities_ & kCapCustomCode101) != 0;
  const bool decipoints = (capabilities_ & kCapCustomDecipoints) != 0;
  if (papers != nullptr) {
    if (paper == paperSent_ && paper != kCustomPaperId) {
      if (code101 && custom) Emit("#1B&l101A");
    } else {
      paperSent_ = paper;
      if (custom && !code101 && decipoints) {
        const bool turned = m == 1 || m == 3;
        Emit("#1B&f%fA720*C+1-C/%A0i%fB720*D+1-D/%A0J", turned ? size.y : size.x, turned ? size.x : size.y, xr,
             yr);
      }
      if (entry != nullptr)
        Emit(entry->GetText().Data());
      else
        Emit("#1B&l101A");
      if (duplexSent_ != 0 && (sideCounter_ & 1) == 0) ++sideCounter_;
    }
    if (custom && !code101 && decipoints) {
      const int expected = (m == 1 || m == 3) ? xr / 5 : xr / 4;
      GShortPoint opposite;
      PageMedia().GetOppositeMargins(&opposite);
      if (!(origin.x == expected && opposite.x == expected)) {
        uint8_t frame[16] = {0x1B, '&', 'a', '1', '0', 'W'};
        const int left = origin.x * 720 / xr;
        const int width = extent.x * 720 / xr;
        const int height = size.y * 720 / yr;
        frame[6] = static_cast<uint8_t>(left >> 8);
        frame[7] = static_cast<uint8_t>(left);
        frame[10] = static_cast<uint8_t>(m);
        frame[12] = static_cast<uint8_t>(width >> 8);
        frame[13] = static_cast<uint8_t>(width);
        frame[14] = static_cast<uint8_t>(height >> 8);
        frame[15] = static_cast<uint8_t>(height);
        EmitRaw(frame, sizeof frame);
      }
    }
    if (custom && !code101 && !decipoints) WriteCustomSizeRegistration(PageMedia(), m * 90, (sideCounter_ & 1) != 0);
    if (!custom && !code101 && !decipoints) Emit("#1B&l0u0Z");
  }

  Emit("#1B&l0E");
  const int w = DitherWidth();
  MoveCursor(static_cast<int16_t>(w - (((origin.x - 1) % w) + w) % w), 14, true, true);
  Emit("#1B*pR");
  if (edgeToEdge_ != 0)
    Emit("#1B&a10W%fF720*D/%I2%fG%I2%fA%I1#00%fB720*D/%I2%fC720*E/%I2#1B&l0E#1B&a0L", m, extent.x, extent.y, xr,
         yr, origin.x, 0);
  if (code101 && custom) {
    Emit("#1B*c%fA720*C+1-C/%A0x%fB720*D+1-D/%A0Y", size.x - xr / 2, size.y - yr / 2, xr, yr);
    if (m == 1) Emit("#1B*c0T#1B&l1C#1B&l17E");
  } else {
    Emit("#1B*c%fA720*C+1-C/%A0x%fB720*D+1-D/%A0Y", extent.x, extent.y, xr, yr);
  }
  MoveCursor(0, origin.y, true, true);
  Emit("#1B*c0T");
  const bool landscape = m == 1 || m == 3;
  if ((landscape && (capabilities_ & ((1u << 5) | (1u << 6))) != 0) ||
      (!landscape && (capabilities_ & ((1u << 5) | (1u << 7))) != 0)) {
    GShortPoint opposite;
    PageMedia().GetOppositeMargins(&opposite);
    Emit("#1B&l-%fA%A0Z", landscape ? opposite.x * 720 / xr : origin.y * 720 / yr);
  }
  EnterPage();
  return TakeOutputStatus();
}

void GPcl5e::WriteCustomSizeRegistration(const GMedia& media, int degrees, bool front) {
  const int xr = media.GetXResolution() != 0 ? media.GetXResolution() : xResolution_;
  const int yr = media.GetYResolution() != 0 ? media.GetYResolution() : yResolution_;
  const int W = media.GetSize()->x, H = media.GetSize()->y;
  const int EW = media.GetImageableExtent()->x, EH = media.GetImageableExtent()->y;
  const int Pw = W * 720 / xr, Ph = H * 720 / yr, Pw6 = (W + xr / 6) * 720 / xr;
  const int Ew = EW * 720 / xr, Eh = EH * 720 / yr;
  int Rw = Pw, Rh = Ph;
  GConfiguration* configuration = GetConfiguration();
  if (const GCountedPtrVector* pool =
          configuration != nullptr ? Pcl5eMembers(configuration->FindById(kPrinterMediaPool)) : nullptr) {
    for (size_t i = 0; i < pool->Count(); ++i) {
      auto* sheet = dynamic_cast<GMedia*>(pool->Data()[i].Pointee());
      if (sheet != nullptr && sheet->GetPaperId() == kReferenceSheetId && sheet->GetOrientation() == media.GetOrientation() &&
          sheet->GetXResolution() == media.GetXResolution() && sheet->GetYResolution() == media.GetYResolution()) {
        Rw = sheet->GetSize()->x * 720 / xr;
        Rh = sheet->GetSize()->y * 720 / yr;
        break;
      }
    }
  }
  int o = degrees;
  if ((capabilities_ & kCapSwapRotatedSizes) != 0) o = o == 90 ? 270 : o == 270 ? 90 : o;
  const bool q = (capabilities_ & kCapAlignToEdge) != 0;
  GValueAttribute* manual = configuration != nullptr ? Pcl5eValue(configuration, kManualDuplex) : nullptr;
  const bool t = manual != nullptr && manual->GetValue() != 0 && duplexSent_ != 0;
  auto half = [](int v) { return static_cast<int16_t>(v) / 2; };
  int A = 0, B = 0, C = 0, D = 0;
  switch (o) {
    case 90:
      A = Ph; B = Ew;
      if (front) { C = q ? Ph - Rh : half(Ph - Rh); D = 0; }
      else { C = q ? 0 : t ? half(Ph - Rh) : half(Rh - Ph); D = t ? 0 : Rw - Pw; }
      break;
    case 180:
      A = Pw; B = Eh;
      if (front) { C = q ? Rw - Pw6 : half(Pw6 - Rw); D = Ph - Rh; }
      else { C = q ? 0 : t ? half(Pw6 - Rw) : half(Rw - Pw6); D = t ? Ph - Rh : 0; }
      break;
    case 270:
      A = Ph; B = Ew;
      if (front) { C = q ? 0 : half(Rh - Ph); D = Pw - Rw; }
      else { C = q ? Ph - Rh : t ? half(Rh - Ph) : half(Ph - Rh); D = t ? Pw - Rw : 0; }
      break;
    default:
      A = Pw; B = Eh;
      if (front) { C = q ? 0 : half(Rw - Pw6); D = 0; }
      else { C = q ? Pw6 - Rw : t ? half(Rw - Pw6) : half(Pw6 - Rw); D = t ? 0 : Rh - Ph; }
      break;
  }
  Emit("#1B&f%fB%A0f%fA%A0G#1B&l%fC%A0u%fD%A0Z", A, B, C, D);
}

int16_t GPcl5e::PageEnd(GPageEnd*) {
  EnterPclMode(0, false);
  EnterDocument();
  GValueAttribute* value = Pcl5eValue(GetStateSection(kPageState), kPageCopies);
  copies_ = value != nullptr ? value->GetValue() : 1;
  Emit("#1B&l%fA%A0X#0C", copies_);
  FlushStream();
  pageMedia_ = GCountedPtr();
  return TakeOutputStatus();
}

void GPcl5e::ResetGraphicsState(GState* page) {
  GState* current = GetCurrentState();
  GState* defaults = GetDefaultState();
  MPersistentObject* graphics = defaults != nullptr ? defaults->FindById(kGraphicsState) : nullptr;
  if (graphics != nullptr && current != nullptr) {
    // The page starts from the default pens, brushes and clip, whatever
    // the last page left.
    if (current->ReplaceChildById(kGraphicsState, graphics) == 0) current->AddChild(graphics->DeepCopy());
    // The brush of the replaced state goes with it. Without default graphics
    // the last page's brush stays in the state, and its colour here: a page
    // that draws with the same brush does not set it again.
    ResetBrushColor();
    // The section cache still holds the old graphics section.
    SetCurrentState(current);
    OnPeripheralChanged(this);
  }
  // The page's transform is applied before the page's first drawing.
  if (auto* transform = dynamic_cast<GTransformAttribute*>(page->FindByClass(GTransformAttributeClassId))) {
    GState* section = GetStateSection(kGraphicsState);
    auto* copy = new GTransformAttribute(*transform);
    copy->changed = 1;
    // Held across the merge: a state that already has an equal transform
    // keeps its own and lets go of the one offered.
    GCountedPtr drop(copy);
    section->Merge(copy);
  }
}

GRenderInstance* GPcl5e::RenderInstance() const { return dynamic_cast<GRenderInstance*>(GetDriverInstance()); }

uint8_t GPcl5e::GrayOf(const uint8_t rgb[3]) const {
  GRenderInstance* instance = RenderInstance();
  const GGrayConversion convert = instance != nullptr ? instance->GetGrayConversion() : nullptr;
  if (convert == nullptr || convert == &GRenderInstance::LuminanceGray)
    return static_cast<uint8_t>((rgb[0] * 30 + rgb[1] * 59 + rgb[2] * 11) / 100);
  const int gray = convert(rgb[0], rgb[1], rgb[2]);
  return static_cast<uint8_t>(gray < 0 ? 0 : gray > 255 ? 255 : gray);
}

void GPcl5e::ColourSetup() {
  // The print side says how colour is treated (the printer configuration's
  // colour device value); without one the stored mode stands.
  if (GDriverInstance* instance = GetDriverInstance()) colourTreatmentMode_ = instance->GetColorCapability();
  GState* job = GetStateSection(kJobSettings);
  GValueAttribute* asGray = Pcl5eValue(job, kPrintColorAsGray);
  if (asGray != nullptr) {
    switch (asGray->GetValue()) {
      case 0: colourMode_ = 1; break;
      case 1:
        if (colourTreatmentMode_ == 1) {
          colourMode_ = 0;
          Emit("#1B&b1M");
        } else {
          colourMode_ = colourTreatmentMode_ == 0 ? 0 : 2;
        }
        break;
      case 3: colourMode_ = 2; break;
      default: break;
    }
  }
  if (colourMode_ != 0 && colourMode_ != 1) return;

  // The colour-treatment attribute: the first of the three forms the job
  // holds, or the side's settings in its place.
  MPersistentObject* attribute = nullptr;
  int variant = 0;
  GValueAttribute* treatment = Pcl5eValue(job, kQVTintwright);
  if (treatment != nullptr && job != nullptr) {
    const RWClassID forms[3] = {GTintwrightAttributeClassId, GTintwrightEnhancedAttributeClassId,
                                GTintwrightEnhancedAttributeVer2ClassId};
    for (variant = 0; variant < 3; ++variant) {
      attribute = job->FindByClass(forms[variant]);
      if (attribute != nullptr) break;
    }
    if (attribute == nullptr) variant = 0;
    const int v = treatment->GetValue();
    if ((sideCounter_ <= 0 && v == 10) || (sideCounter_ > 0 && v == 9)) attribute = job->FindById(kTintwrightSideSettings);
  }
  // The settings' codes of an object type (0 text, 1 vector graphics, 2
  // raster images, 3 all objects) in the attribute's form; -1 when the
  // attribute is of another form or has no such code.
  auto code = [&](int type, int which) -> int16_t {
    unsigned char out = 0;
    int found = 0;
    if (variant == 0) {
      const auto* form = dynamic_cast<const GTintwrightAttribute*>(attribute);
      // The enhanced forms derive from the plain one: only the plain one
      // answers in variant 0.
      if (form != nullptr && form->ClassId() == GTintwrightAttributeClassId) found = form->GetSetting(type, which, &out);
    } else if (variant == 1) {
      if (const auto* form = dynamic_cast<const GTintwrightEnhancedAttribute*>(attribute))
        found = form->GetEnhancedSetting(type, which, &out);
    } else if (const auto* form = dynamic_cast<const GTintwrightEnhancedAttributeVer2*>(attribute)) {
      found = form->GetCode(type, which, &out);
    }
    return found != 0 ? static_cast<int16_t>(out) : static_cast<int16_t>(-1);
  };
  const GCountedPtr configuration(GetConfiguration());
  auto mapped = [&](int32_t list, int type, int which) -> int32_t {
    const int16_t value = code(type, which);
    return value < 0 ? 0 : MapFeatureValue(&list, configuration, value);
  };
  int32_t first[3] = {};
  int32_t second[3] = {};
  int32_t colour[4] = {};  // variant 2: per type; variant 1: [3], all objects
  int32_t all = 0;
  if (attribute != nullptr) {
    for (int type = 0; type < 3; ++type) {
      first[type] = mapped(variant == 0 ? kColorMapCodes : kNeutralGraysCodes, type, 0);
      second[type] = mapped(kHalftoneCodes, type, 1);
      if (variant == 2) colour[type] = mapped(kSRGBCodes, type, 3);
    }
    if (variant != 0) all = mapped(kEdgeControlCodes, 3, 2);
    if (variant == 1) colour[3] = mapped(kSRGBCodes, 3, 3);
    solidPrint_ = first[0] == first[1] && second[0] == second[1] ? 1 : 0;
  } else {
    // Without a colour-treatment attribute every object prints alike.
    solidPrint_ = 1;
  }

  static const char* const kDirect = "#1B&p%fA%A0i6c%fA%A0S#1B*v6W%fB%I1#03#08#08#08#08";
  static const char* const kIndexed[3] = {"#1B&p%fA%A0i6c%fA%A0S#1B*v6W%fB%I1#01#01#08#08#08",
                                          "#1B&p%fA%A0i6c%fA%A0S#1B*v6W%fB%I1#01#04#08#08#08",
                                          "#1B&p%fA%A0i6c%fA%A0S#1B*v6W%fB%I1#01#08#08#08#08"};
  static const char* const kRendering = "#1B*o3W#06#04%fC%I1#1B*t%fD%A0J";
  EnterPclMode(0, false);
  for (int id = 1; id <= 9; ++id) {
    Emit(id <= 3 ? kDirect : kIndexed[(id - 4) % 3], id, 2);
    if (attribute == nullptr || variant != 0) continue;
    // Palettes 1 to 3 render text, vector graphics and raster images;
    // 4 to 6 raster images; 7 to 9 vector graphics.
    const int type = id <= 3 ? id - 1 : id <= 6 ? 2 : 1;
    Emit(kRendering, 0, 0, first[type], second[type]);
  }
  if (attribute != nullptr && variant != 0) {
    static const char* const kAdjustment = "#1B*o4W#09%fC%I1%fD%I1%fE%I1";
    for (int type = 0; type < 3; ++type) {
      Emit(kAdjustment, 0, 0, 4, type, first[type]);
      if (variant == 2) Emit(kAdjustment, 0, 0, 1, type, colour[type]);
      Emit(kAdjustment, 0, 0, 0, type, second[type]);
    }
    Emit(kAdjustment, 0, 0, 2, 3, all != 0 ? 1 : 0);
    Emit(kAdjustment, 0, 0, 3, 3, all);
    if (variant == 1) Emit(kAdjustment, 0, 0, 1, 3, colour[3]);
  }
  paletteSelected_ = 10;
  SelectPalette(1);
  ForgetImagePalettes();
}

RWCollectable* GPcl5eCreate() { return new GPcl5e; }
