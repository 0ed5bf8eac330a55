// The PostScript generator's job operations: the job and page settings go
// into the writer, which frames the job (header at the first page, a page
// setup and a page end per page, the trailer at the end); raw PostScript
// from the application goes through as it is.
#include <cmath>
#include <cstdio>
#include <string>

#include "driver/GDriverInstance.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GTransformAttribute.h"
#include "model/GColorSettingGetters.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GPassThroughCommand.h"
#include "model/GDownloadHeaderCommand.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringConversion.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "pdl/GPostScript.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GRenderInstance.h"

namespace {

// The host-application flags of the driver instance.
constexpr uint32_t kPsWrapApplicationDataFlag = 1u << 0;
constexpr uint32_t kPsForceBitmapFontsFlag = 1u << 30;

// Media positions of the input-bin map with a meaning of their own.
constexpr int16_t kPsManualFeedPosition = 253;
constexpr int16_t kPsManualFeedTray = 3;

// The download header kind that asks for procset 0 again.
constexpr int32_t kPsForcedHeaderKind = 19;

// Without a medium a page is Letter.
constexpr int16_t kPsDefaultPageWidth = 612;
constexpr int16_t kPsDefaultPageHeight = 792;

// The colour-control attribute the page takes instead of feature 295 when
// the colour mode (feature 304) asks for it.
constexpr int32_t kPsAlternateColourControl = 208;
constexpr int32_t kPsAlternateForLaterPages = 9;
constexpr int32_t kPsAlternateForFirstPage = 10;

// Paper ids in this range share one entry of the paper list.
constexpr int32_t kPsCustomPaperFirst = 0x4000;
constexpr int32_t kPsCustomPaperLast = 0x43E7;

// The value an association list of the configuration pairs with the key
// GValueAttribute(key, 0); false when the list or the key is missing.
bool PsMappedNumber(GConfiguration* configuration, int32_t listId, int16_t key, int32_t* out) {
  if (configuration == nullptr) return false;
  auto* list = dynamic_cast<MAssociationList*>(configuration->FindById(listId));
  if (list == nullptr) return false;
  const int32_t keyId = 0;
  const GValueAttribute keyValue(key, &keyId);
  return GSettingQuery::Number(list->GetValueFor(&keyValue), out);
}

// Pixels at a resolution as whole points, rounded; 0 for a size that is
// not positive, and at most the largest 16-bit value, however small the
// resolution a damaged medium gives.
int16_t PsPoints(int16_t pixels, uint16_t dpi) {
  if (pixels <= 0 || dpi == 0) return 0;
  const double points = std::floor(static_cast<double>(pixels) / dpi * 72.0 + 0.5);
  return points > 32767.0 ? int16_t{32767} : static_cast<int16_t>(points);
}

// A number for the scale and translate operands: integers plain, others
// with up to six decimals.
std::string PsNumber(double value) {
  char text[48];
  if (value == std::floor(value) && std::fabs(value) < 1e9) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    return s;
  }
  return text;
}

// The section's settings count as applied.
void PsClearChangedMarks(GState* section) {
  GSettingQuery::ForEachChild(section, [](MPersistentObject* item) {
    if (auto* attribute = dynamic_cast<GAttribute*>(item)) attribute->changed = 0;
  });
}

}  // namespace

uint16_t GPostScript::TakeStatus() {
  const uint16_t status = sinkStatus_;
  sinkStatus_ = 0;
  return status;
}

int16_t GPostScript::Write(const uint8_t* data, uint32_t length) {
  return static_cast<int16_t>(
      GOutputSink::Deliver(GetOutputChannel(), progress_, {sinkEnabled_, sinkStatus_, progressMark_}, data, length));
}

GCountedPtr GPostScript::Send(GCommand* command) { return SendThroughChildren(command); }

void GPostScript::ChooseDitherMatrix() {
  GConfiguration* configuration = GetConfiguration();
  MPersistentObject* list = configuration != nullptr ? configuration->FindById(GFeatureIds::kDitherMatrixList) : nullptr;
  GDitherMatrix* match = nullptr;
  GDitherMatrix* last = nullptr;
  GSettingQuery::ForEachChild(list, [&](MPersistentObject* item) {
    auto* matrix = dynamic_cast<GDitherMatrix*>(item);
    if (matrix == nullptr) return;
    last = matrix;
    if (match == nullptr && matrix->GetResolution() == xResolution_) match = matrix;
  });
  if (match != nullptr) {
    ditherMatrix_ = GCountedPtr(match);
  } else if (ditherMatrix_.Pointee() == nullptr && last != nullptr) {
    // An earlier job's matrix stays; only without one the last listed
    // serves.
    ditherMatrix_ = GCountedPtr(last);
  }
}

void GPostScript::ResetGraphicsState() {
  GState* current = GetCurrentState();
  GState* defaults = GetDefaultState();
  MPersistentObject* graphics = defaults != nullptr ? GSettingQuery::Find(defaults, GFeatureIds::kGraphicsState) : nullptr;
  if (graphics != nullptr && current != nullptr) {
    if (current->ReplaceChildById(GFeatureIds::kGraphicsState, graphics) == 0) current->AddChild(graphics->DeepCopy());
    // The section cache still holds the old graphics section.
    SetCurrentState(current);
    OnPeripheralChanged(this);
  }
  GState* page = GetStateSection(GFeatureIds::kPageState);
  auto* transform =
      page != nullptr ? dynamic_cast<GAttribute*>(page->FindByClass(GTransformAttributeClassId)) : nullptr;
  if (transform != nullptr) {
    auto* copy = static_cast<GAttribute*>(transform->Clone());
    copy->changed = 1;
    // Held across the merge: a state that already has an equal transform
    // keeps its own and lets go of the one offered.
    GCountedPtr drop(copy);
    GetStateSection(GFeatureIds::kGraphicsState)->Merge(copy);
  }
}

void GPostScript::RebuildCurrentState() {
  GPdlGenerator::RebuildCurrentState();
  writer_->Reset();
  applicationMode_ = 0;
  streamMode_ = 0;
  applicationDataFirst_ = 0;
  wrapApplicationData_ = 0;
  forceBitmapFonts_ = 0;
}

// ---- Document start ----

int16_t GPostScript::DocumentStart(GDocumentStart* command) {
  const int16_t status = GPdlGenerator::DocumentStart(command);
  if (status != 0) return status;
  // Every document is a job of its own on the printer, which forgets the
  // procsets and settings of the one before: the writer starts afresh.
  writer_->Reset();
  GState* job = GetStateSection(GFeatureIds::kJobSettings);
  const uint32_t appFlags = driverInstance_ != nullptr ? driverInstance_->GetAppFlags() : 0;
  wrapApplicationData_ = (appFlags & kPsWrapApplicationDataFlag) != 0 ? 1 : 0;
  forceBitmapFonts_ = (appFlags & kPsForceBitmapFontsFlag) != 0 ? 1 : 0;
  applicationMode_ = GSettingQuery::NumberOr(job, GFeatureIds::kDocumentCount, 0);
  if (applicationMode_ == 0) {
    RWCString title;
    if (command != nullptr) ToNarrowString(command->GetDocumentName(), title);
    writer_->SetTitle(title);
    writer_->SetDeferredMediaSelection(1);
  }
  ReadJobSettings(job);
  ChooseDitherMatrix();
  lastInputBin_ = -1;
  lastMediaType_ = RWCString();
  firstPagePending_ = 1;
  fontProcSetsWritten_ = 0;
  PsClearChangedMarks(job);
  EnterDocument();
  return static_cast<int16_t>(TakeStatus());
}

void GPostScript::ReadJobSettings(GState* job) {
  using namespace GFeatureIds;
  PSLIB& w = *writer_;
  int32_t value = 0;
  if (GSettingQuery::NumberAt(job, kPsErrorHandler, &value)) w.SetErrorHandler(value == 1 ? 1 : 0);
  if (GSettingQuery::NumberAt(job, kPrintColorAsGray, &value)) {
    colourMode_ = value != 0 ? 0 : 1;
    w.SetCmykProcessColour(colourMode_);
  }
  GCountedPtr configuration(GetConfiguration());
  int16_t code = 0;
  if (GSettingQuery::ShortAt(job, kPsSetupText1, &code)) {
    RWCString text;
    GetMappedFeatureString(&text, &kPsSetupText1Strings, configuration, code);
    w.SetSetupString1(text);
  }
  if (GSettingQuery::ShortAt(job, kPsSetupText2, &code)) {
    RWCString text;
    GetMappedFeatureString(&text, &kPsSetupText2Strings, configuration, code);
    w.SetSetupString2(text);
  }
  if (GSettingQuery::NumberAt(job, kPsMirror, &value)) w.SetMirror(value == 1 ? 1 : 0);
  if (GSettingQuery::NumberAt(job, kPsNegative, &value)) {
    w.SetNegative(value == 1 ? 1 : 0);
    if (value == 1) {
      w.SetSetupString1("<< /CMYKInkSet 0 >> setpagedevice\r\n");
      w.SetSetupString2("<< /SpotColorMatching false >> setpagedevice\r\n");
      w.SetCmykProcessColour(0);
      colourMode_ = 0;
    }
  }
  if (GSettingQuery::NumberAt(job, kPsBinaryTransferOff, &value))
    w.SetBinaryTransfer(value == 0 && applicationMode_ == 0 ? 1 : 0);
  if (GSettingQuery::NumberAt(job, kPsAscii85, &value)) {
    w.SetAscii85(value == 1 ? 1 : 0);
    compressImages_ = value != 0 ? 1 : 0;
  }
  if (GSettingQuery::NumberAt(job, kQualitySetting582, &value)) {
    if (value == 1) {
      w.SetHalftone(0);  // the printer's own screen
    } else {
      w.SetHalftone(1);
      int32_t tenths = 0;
      if (GSettingQuery::NumberAt(job, kQualitySetting583, &tenths))
        w.SetScreenFrequency(static_cast<uint16_t>(tenths));
      if (GSettingQuery::NumberAt(job, kQualitySetting584, &tenths)) w.SetScreenAngle(static_cast<uint16_t>(tenths));
    }
  }
  if (forceBitmapFonts_ != 0) {
    trueTypeDownloadKind_ = 1;
  } else if (GSettingQuery::NumberAt(job, kTrueTypeDownloadChoice, &value)) {
    trueTypeDownloadKind_ = value == 0 ? 8 : value == 2 ? 2 : 1;
  }
  if (GSettingQuery::NumberAt(job, kSecondFontChoice, &value)) fontOption571_ = static_cast<int16_t>(value);

  // Resolution: both axes or neither.
  int32_t x = 0;
  int32_t y = 0;
  MPersistentObject* resolution = GSettingQuery::Find(job, kResolution);
  if (resolution != nullptr && GSettingQuery::NumberAt(resolution, kXResolution, &x) &&
      GSettingQuery::NumberAt(resolution, kYResolution, &y) && x > 0 && y > 0) {
    xResolution_ = static_cast<uint16_t>(x);
    yResolution_ = static_cast<uint16_t>(y);
  } else {
    xResolution_ = 600;
    yResolution_ = 600;
  }
  w.SetResolution(static_cast<int16_t>(xResolution_), static_cast<int16_t>(yResolution_));
  const int32_t bits = GSettingQuery::NumberOr(job, kBitsPerPixel, 0);
  twoBitRaster_ = bits == 2 ? 1 : 0;
  w.SetPreRenderingEnhance(bits == 2 ? 2 : 1);
  w.SetSparetone(GSettingQuery::ShortOr(job, kSparetone, 0));
  if (auto* render = dynamic_cast<GRenderInstance*>(driverInstance_)) {
    if (render->IsImpositionActive() != 0) w.SetTumbleFlag();
  }
  w.SetDuplex(GSettingQuery::ShortOr(job, kDuplex, 0));
  w.SetOutputBin(GSettingQuery::ShortOr(job, kOutputBin, 1),
                 GSettingQuery::ShortOr(GetCurrentState(), kOutputAccessoryMode, 2));
  w.SetPostRenderingEnhance(GSettingQuery::ShortOr(job, kZepChoice, 4));
  const int16_t copies = GSettingQuery::ShortOr(job, kPrinterCopies, 1);
  w.SetCopyCount(copies);
  w.SetCollate(copies > 1 ? 1 : 0);
  scalePatterns_ = GSettingQuery::NumberOr(job, kPatternScalingChoice, 0) == 1 ? 1 : 0;
}

// ---- Pages ----

void GPostScript::TakeMedia(GState* page, GState* job) {
  auto* media = dynamic_cast<GMedia*>(GSettingQuery::Find(page, GFeatureIds::kPageMedia));
  if (media == nullptr) media = dynamic_cast<GMedia*>(GSettingQuery::Find(job, GFeatureIds::kPageMedia));
  currentMedia_ = media;
  int16_t width = kPsDefaultPageWidth;
  int16_t height = kPsDefaultPageHeight;
  if (media != nullptr) {
    const uint16_t xDpi = media->GetXResolution() != 0 ? media->GetXResolution() : xResolution_;
    const uint16_t yDpi = media->GetYResolution() != 0 ? media->GetYResolution() : yResolution_;
    const int16_t w = PsPoints(media->GetSize()->x, xDpi);
    const int16_t h = PsPoints(media->GetSize()->y, yDpi);
    // A medium without a size keeps the default page.
    if (w > 0 && h > 0) {
      width = w;
      height = h;
    }
    const RWCString& type = media->GetMediaTypeName();
    if (type.Length() != 0 && !(type == lastMediaType_)) {
      if (applicationMode_ == 0) writer_->SetMediaType(type);
      lastMediaType_ = type;
    }
  }
  if (applicationMode_ != 0) return;
  int32_t keep = 0;
  if (GSettingQuery::NumberAt(job, GFeatureIds::kPsKeepPortrait, &keep) && keep != 0) {
    int32_t paper = media != nullptr ? media->GetPaperId() : 0;
    if (paper > kPsCustomPaperFirst && paper <= kPsCustomPaperLast) paper = kPsCustomPaperFirst;
    int32_t entry = 0;
    const bool listed =
        PsMappedNumber(GetConfiguration(), GFeatureIds::kPaperList, static_cast<int16_t>(paper), &entry);
    if ((!listed || entry >= kPsCustomPaperFirst) && streamMode_ != 2) writer_->SetKeepPortrait(keep);
  }
  writer_->SetPageSize(width, height);
}

void GPostScript::TakeColourControl(GState* job) {
  int32_t feature = GFeatureIds::kTintwrightColorSettings;
  int32_t mode = 0;
  if (GSettingQuery::NumberAt(job, GFeatureIds::kQVTintwright, &mode) &&
      ((pageCount_ > 0 && mode == kPsAlternateForLaterPages) || (pageCount_ == 0 && mode == kPsAlternateForFirstPage)))
    feature = kPsAlternateColourControl;
  const auto* control = dynamic_cast<const GTintwrightAttribute*>(GSettingQuery::Find(job, feature));
  if (control == nullptr) return;
  GCountedPtr configuration(GetConfiguration());
  RWCString texts[6];
  for (int kind = 0; kind < 3; ++kind) {
    for (int setting = 0; setting < 2; ++setting) {
      unsigned char code = 0;
      control->GetSetting(kind, setting, &code);
      const int32_t* list = setting == 0 ? &GFeatureIds::kColorMapCodes : &GFeatureIds::kHalftoneCodes;
      GetMappedFeatureString(&texts[kind * 2 + setting], list, configuration, code);
    }
  }
  writer_->SetColourStrings(texts);
}

void GPostScript::ReadPageSettings(GState* page, GState* job) {
  using namespace GFeatureIds;
  if (applicationMode_ == 0) {
    PSLIB& w = *writer_;
    int16_t copies = 0;
    if (GSettingQuery::ShortAt(page, kPageCopies, &copies) && copies > 1) {
      w.SetCopyCount(copies);
      w.SetCollate(0);
    }
    const int32_t orientation = GSettingQuery::NumberOr(page, kOrientation, 0);
    w.SetOrientation(orientation == 90 ? 1 : orientation == 180 ? 2 : orientation == 270 ? 3 : 0);
    int16_t bin = 0;
    if (GSettingQuery::ShortAt(page, kInputBin, &bin) && bin != lastInputBin_) {
      lastInputBin_ = bin;
      int32_t position = 0;
      if (PsMappedNumber(GetConfiguration(), kPdlTrayMap, bin, &position)) {
        if (position == kPsManualFeedPosition) {
          w.SetMediaPosition(kPsManualFeedTray);
          w.SetManualFeed(1);
        } else if (position != 254 && position != 255) {
          w.SetManualFeed(0);
          w.SetMediaPosition(static_cast<int16_t>(position));
        }
      }
    }
  }
  TakeMedia(page, job);
}

int16_t GPostScript::PageStart(GPageStart* command) {
  int16_t status = GPdlGenerator::PageStart(command);
  if (status != 0) return status;
  if (GOutputChannel* channel = GetOutputChannel()) {
    if (pageCount_ != 0) {
      status = channel->EndDocument();
      if (status != 0) return status;
    }
    status = channel->BeginDocument();
    if (status != 0) return status;
  }
  ResetGraphicsState();
  GState* job = GetStateSection(GFeatureIds::kJobSettings);
  GState* page = GetStateSection(GFeatureIds::kPageState);
  ReadPageSettings(page, job);
  if (colourMode_ == 0 || colourMode_ == 1) TakeColourControl(job);
  ++pageCount_;
  if (firstPagePending_ != 0) {
    if (applicationMode_ == 0) {
      int32_t edge = 0;
      if (GSettingQuery::NumberAt(job, GFeatureIds::kEdgeToEdge, &edge) && edge >= 0)
        writer_->SetExtendedPrintArea(edge != 0 ? 1 : 0);
      writer_->WriteJobHeader(GSettingQuery::NumberOr(job, GFeatureIds::kPsLeadingControlD, 0) == 1 ? 1 : 0);
      streamMode_ = 1;
    } else {
      streamMode_ = 2;
    }
    firstPagePending_ = 0;
    fontProcSetsWritten_ = 0;
  }
  if (applicationMode_ == 0) writer_->WritePageSetup();
  PsClearChangedMarks(page);
  EnterPage();
  if (applicationMode_ == 0) {
    auto* transform =
        page != nullptr ? dynamic_cast<GTransformAttribute*>(page->FindByClass(GTransformAttributeClassId)) : nullptr;
    if (transform != nullptr) {
      SetTransform(transform);
    } else {
      // The drawing is in device pixels from the top left corner: without a
      // page transform of its own the page still gets the device transform
      // before its first drawing, or every drawing would land in points,
      // far off the sheet.
      deviceTransformPending_ = 1;
    }
  }
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::PageEnd(GPageEnd*) {
  EnterDocument();
  if (applicationMode_ == 0) {
    writer_->WritePageEnd();
    writer_->Flush();
  }
  pathDepth_ = 0;
  clipPath_ = 0;
  currentMedia_ = nullptr;
  deviceTransformPending_ = 0;
  return static_cast<int16_t>(TakeStatus());
}

int16_t GPostScript::DocumentEnd(GDocumentEnd*) {
  EnterIdle();
  GState* job = GetStateSection(GFeatureIds::kJobSettings);
  if (applicationMode_ == 0)
    writer_->WriteTrailer(GSettingQuery::NumberOr(job, GFeatureIds::kPsTrailingControlD, 0) == 1 ? 1 : 0);
  fontProcSetsWritten_ = 0;
  writer_->Flush();
  inDocument_ = 0;
  int16_t status = static_cast<int16_t>(TakeStatus());
  if (OwnsOutputChannel() != 0 && GetOutputChannel() != nullptr) {
    const int16_t closed = GetOutputChannel()->Close();
    if (closed != 0) status = closed;
  }
  streamMode_ = 0;
  return status;
}

int16_t GPostScript::JobAbort(GJobAbort* command) {
  EnterIdle();
  if (inDocument_ != 0) {
    writer_->Flush();
    pathDepth_ = 0;
    inDocument_ = 0;
    clipPath_ = 0;
    fontCounter_ = 0;
    useStampCounter_ = 0;
  }
  const int16_t aborted = GPeripheral::JobAbort(command);
  const int16_t status = static_cast<int16_t>(TakeStatus());
  return status != 0 ? status : aborted;
}

// ---- Application data ----

void GPostScript::EnsureStreamStarted(int32_t mode) {
  if (mode != streamMode_) SwitchStreamMode(mode);
  if (mode == 1 && deviceTransformPending_ != 0 && IsInPage()) {
    deviceTransformPending_ = 0;
    writer_->WriteDeviceTransform();
  }
}

void GPostScript::SwitchStreamMode(int32_t mode) {
  PSLIB& w = *writer_;
  const GMedia* media = currentMedia_;
  const double originX = media != nullptr ? media->GetImageableOrigin()->x : 0;
  const double originY = media != nullptr ? media->GetImageableOrigin()->y : 0;
  const double pageHeight = media != nullptr ? media->GetSize()->y : 0;
  const double xDpi = xResolution_ != 0 ? xResolution_ : 600;
  const double yDpi = yResolution_ != 0 ? yResolution_ : 600;
  if (mode == 1 && streamMode_ == 2) {
    if (applicationMode_ != 0) w.BeginProcSet(PSLIB::kStandardProcSet);
    if (wrapApplicationData_ != 0) {
      w.WriteText("grestore\r");
    } else if (applicationMode_ != 2 && applicationDataFirst_ != 0) {
      w.WriteText(PsNumber(72.0 / xDpi) + " " + PsNumber(-72.0 / yDpi) + " AC\r\n");
      w.WriteText(PsNumber(originX) + " " + PsNumber(originY - pageHeight) + " AE\r\n");
    }
  } else if (mode == 2 && streamMode_ == 0) {
    applicationDataFirst_ = 1;
  } else if (mode == 2 && streamMode_ == 1) {
    if (wrapApplicationData_ != 0) w.WriteText("gsave\rY\r\n");
    if (applicationMode_ != 2 && applicationDataFirst_ != 0) {
      w.WriteText(PsNumber(-originX) + " " + PsNumber(pageHeight - originY) + " AE\r\n");
      w.WriteText(PsNumber(xDpi / 72.0) + " " + PsNumber(-yDpi / 72.0) + " AC\r\n");
    }
    if (applicationMode_ != 0) w.EndProcSet(PSLIB::kStandardProcSet);
  }
  streamMode_ = mode;
}

int16_t GPostScript::PassThrough(GPassThroughCommand* command) {
  if (command == nullptr || command->GetTargetClassId() != GPostScriptClassId) return 0;
  EnsureStreamStarted(2);
  writer_->Flush();
  int16_t status = 0;
  if (applicationMode_ == 0) {
    writer_->WritePassThrough(command->GetData(), command->GetLength());
  } else if (GOutputChannel* channel = GetOutputChannel()) {
    uint32_t written = 0;
    status = channel->Write(command->GetData(), command->GetLength(), &written);
    // The application's PostScript has changed the device state.
    GetStateSection(GFeatureIds::kGraphicsState)->RemoveAllChildren();
  }
  const int16_t taken = static_cast<int16_t>(TakeStatus());
  return status != 0 ? status : taken;
}

int16_t GPostScript::DownloadHeader(GDownloadHeaderCommand* command) {
  const bool forced = command != nullptr && command->GetHeaderKind() == kPsForcedHeaderKind;
  writer_->WriteProcSet(forced ? PSLIB::kForcedStandardProcSet : PSLIB::kStandardProcSet);
  return 0;
}
