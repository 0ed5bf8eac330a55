#include "printpath/GRenderInstance.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "driver/GUpwardServices.h"
#include "driver/drvrsrvr.h"
#include "driver/osfactry.h"
#include "model/GAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GBinaryData.h"
#include "model/GCapabilities.h"
#include "model/GCommand.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPassThroughCommand.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "win32/CodePage.h"

using namespace GFeatureIds;

namespace {

// The media pool's reference medium of the largest paper the printer
// prints.
constexpr int16_t kLargestPrintablePaper = 17384;

// ---- Grey conversion data (process-wide: the last job to select them
// sets them for every instance) ----

std::mutex g_grayMutex;
std::array<uint8_t, 4> g_grayWeights{};
std::array<uint8_t, 1280> g_grayTables{};

int WeightedGray(uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t shift = g_grayWeights[0] % 32u;
  const uint32_t sum = g_grayWeights[1] * r + g_grayWeights[2] * g + g_grayWeights[3] * b;
  return static_cast<int>((sum >> shift) & 0xFFu);
}

int TableGray(uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t* red = g_grayTables.data();
  const uint8_t* green = red + 256;
  const uint8_t* blue = green + 256;
  const uint8_t* output = blue + 256;
  const uint8_t* blend = output + 256;
  const int m = (red[r] + green[g] + blue[b]) % 256;
  const int spread = ((std::abs(r - g) + std::abs(g - b) + std::abs(b - r)) / 2) % 256;
  const int w = blend[spread];
  return ((output[m] * w + (255 - w) * m + 255) >> 8) & 0xFF;
}

// The bytes of the binary entry with that id below root; null when absent
// or shorter than needed.
const uint8_t* BlobAt(MPersistentObject* root, int32_t id, uint32_t needed) {
  auto* blob = dynamic_cast<GBinaryData*>(GSettingQuery::Find(root, id));
  if (blob == nullptr || blob->GetData() == nullptr || blob->GetLength() < needed) return nullptr;
  return blob->GetData();
}

// ---- Settings helpers ----

// A direct child of the group with that id (borrowed), or null.
MPersistentObject* ChildWithId(MPersistentObject* group, int32_t id) {
  MPersistentObject* found = nullptr;
  GSettingQuery::ForEachChild(group, [&](MPersistentObject* child) {
    if (child != nullptr && child->FeatureId() == id) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

int32_t ValueIn(MPersistentObject* group, int32_t id, int32_t fallback) {
  int32_t value = 0;
  return GSettingQuery::Number(ChildWithId(group, id), &value) ? value : fallback;
}

bool HasChild(MPersistentObject* group, int32_t id) { return ChildWithId(group, id) != nullptr; }

// The group's value id := value; a value attribute is set in place, any
// other entry gives way to a new one.
void SetValueIn(MPersistentObject* group, const int32_t& id, int16_t value) {
  if (group == nullptr) return;
  MPersistentObject* existing = ChildWithId(group, id);
  if (auto* attribute = dynamic_cast<GValueAttribute*>(existing)) {
    attribute->SetValue(value);
    return;
  }
  if (existing != nullptr) delete group->RemoveChildById(id);
  group->AddChild(new GValueAttribute(value, &id));
}

// A deep copy of the group's entry with that id added to target.
void CopyInto(GState* target, MPersistentObject* group, int32_t id) {
  MPersistentObject* entry = ChildWithId(group, id);
  if (entry != nullptr && target != nullptr) target->AddChild(entry->DeepCopy());
}

// A new state with the id holding deep copies of the group's entries.
GState* StateFrom(MPersistentObject* group, const int32_t* id) {
  auto* state = new GState(id);
  GSettingQuery::ForEachChild(group, [&](MPersistentObject* child) {
    if (child != nullptr) state->AddChild(child->DeepCopy());
  });
  return state;
}

int HasBit(uint32_t flags, int bit) { return (flags >> bit) & 1u; }

// The capability group's entry as a number (a capability set counts by its
// bits: the low 32 bits are read).
bool CapabilityBits(MPersistentObject* group, int32_t id, uint32_t* bits) {
  MPersistentObject* entry = ChildWithId(group, id);
  if (entry == nullptr) entry = GSettingQuery::Find(group, id);
  if (entry == nullptr) return false;
  if (auto* set = dynamic_cast<GCapabilities*>(entry)) {
    uint32_t value = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
      if (set->Has(bit)) value |= 1u << bit;
    *bits = value;
    return true;
  }
  int32_t value = 0;
  if (!GSettingQuery::Number(entry, &value)) return false;
  *bits = static_cast<uint32_t>(value);
  return true;
}

// The medium's copy with a new feature id (the caller owns it).
GMedia* Renumbered(GMedia* medium, const int32_t& id) {
  if (medium != nullptr) medium->SetFeatureId(id);
  return medium;
}

}  // namespace

// ---- Construction ----

GRenderInstance::GRenderInstance() : grayConversion_(&GRenderInstance::LuminanceGray) { NewFontDatabase(); }

GRenderInstance::~GRenderInstance() {
  DropGraphicsObjects();
  DeleteFontDatabase();
}

int GRenderInstance::LuminanceGray(uint8_t red, uint8_t green, uint8_t blue) {
  return (76 * red + 151 * green + 28 * blue + 255) / 256;
}

GState* GRenderInstance::GetJobState() const { return static_cast<GState*>(jobState_.Pointee()); }

MPersistentObject* GRenderInstance::Group(int32_t id) {
  GAttributeComposite* settings = GetDocumentSettings();
  if (settings == nullptr) return nullptr;
  MPersistentObject* direct = ChildWithId(settings, id);
  return direct != nullptr ? direct : GSettingQuery::Find(settings, id);
}

void GRenderInstance::ResetJobFlags() {
  jobStatus_ = 0;
  documentCount_ = 0;
  frontEndCounter_ = 0;
  documentPending_ = 0;
  documentStarted_ = 0;
}

void GRenderInstance::Rebind(GPrinterKey* key) {
  GDriverInstance::Rebind(key);
  hostFlag_ = 0;
  firstPageOverride_ = 0;
  if (documentRan_ != 0) {
    if (GPeripheral* tree = PeripheralTree()) tree->RebuildCurrentState();
    documentRan_ = 0;
  }
  BeginJob();
  documentPending_ = 0;
  documentStarted_ = 0;
  documentName_ = RWWString();
  destinationName_ = RWWString();
  scalingSupported_ = 0;
  NewFontDatabase();
  colourMode_ = 0;
  pageNeedsScaling_ = 0;
  jobState_ = GCountedPtr();
}

void GRenderInstance::Release() {
  documentPending_ = 0;
  documentStarted_ = 0;
  pagePending_ = 0;
  inPage_ = 0;
  DropGraphicsObjects();
  jobState_ = GCountedPtr();
  DeleteFontDatabase();
}

// ---- The job's font database ----

void GRenderInstance::NewFontDatabase() {
  DeleteFontDatabase();
  const GRenderGraphicsServices services = UpwardServices().renderGraphics;
  if (services.createFontDatabase == nullptr || services.deleteFontDatabase == nullptr) return;
  // The instance has no driver-server handle yet (the server rebinds a
  // cached instance, under its table's lock, before it hands out a handle):
  // the database starts under key 0 and is keyed again when a document
  // starts.
  fontDatabaseKey_ = 0;
  fontDatabase_ = services.createFontDatabase(this, fontDatabaseKey_);
  // The library that made it deletes it, whatever record is installed then.
  deleteFontDatabase_ = services.deleteFontDatabase;
}

void GRenderInstance::DeleteFontDatabase() {
  GFontDatabase* database = fontDatabase_;
  fontDatabase_ = nullptr;
  if (database != nullptr && deleteFontDatabase_ != nullptr) deleteFontDatabase_(database);
  deleteFontDatabase_ = nullptr;
}

void GRenderInstance::KeyFontDatabase() {
  if (fontDatabase_ == nullptr) return;
  int handle = 0;
  GDriverServer* server = GDriverServer::GetInstance();
  if (server == nullptr || !server->GetRenderHandle(&handle, this)) return;
  if (static_cast<uint32_t>(handle) == fontDatabaseKey_) return;
  if (const auto setKey = UpwardServices().renderGraphics.setFontDatabaseKey) {
    fontDatabaseKey_ = static_cast<uint32_t>(handle);
    setKey(fontDatabase_, fontDatabaseKey_);
  }
}

void GRenderInstance::ClearFontDatabase() {
  if (fontDatabase_ == nullptr) return;
  if (const auto clear = UpwardServices().renderGraphics.clearFontDatabase) clear(fontDatabase_);
}

// ---- Graphics state and paths ----

void GRenderInstance::ResetGraphicsValues() {
  lineCap_ = 0;
  lineJoin_ = 1;
  miterLimit_ = 10.0f;
  graphicsWord_ = 1;
  SetColour(255, 255, 255, 255);
}

void GRenderInstance::DropGraphicsObjects() {
  clip_ = GCountedPtr();
  savedStates_.clear();
  path_ = GCountedPtr();
  pathStack_.clear();
  pathDepth_ = 0;
  lastCapGiven_ = -1;
  lastJoinGiven_ = -1;
  lastMiterGiven_ = -1.0f;
}

void GRenderInstance::SetColour(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth) {
  colour_[0] = red;
  colour_[1] = green;
  colour_[2] = blue;
  colour_[3] = fourth;
}

GAttribute* GRenderInstance::GetClip() const { return static_cast<GAttribute*>(clip_.Pointee()); }

GCommand* GRenderInstance::GetOpenPath() const { return static_cast<GCommand*>(path_.Pointee()); }

GGraphicBundle* GRenderInstance::GetGraphicBundle() {
  if (bundle_.IsEmpty()) bundle_ = GCountedPtr(new GGraphicBundle);
  return static_cast<GGraphicBundle*>(bundle_.Pointee());
}

void GRenderInstance::GiveClip(GGraphicBundle* bundle, const GCountedPtr& clip) {
  if (!clip.IsEmpty()) {
    bundle->SetClip(static_cast<GAttribute*>(clip->Clone()));
    return;
  }
  if (const auto page = UpwardServices().renderGraphics.createClipToPage) {
    if (GAttribute* attribute = page()) bundle->SetClip(attribute);
  }
}

void GRenderInstance::SaveGraphicsState() {
  GCountedPtr clip;
  if (!clip_.IsEmpty()) clip = GCountedPtr(clip_->Clone());
  savedStates_.push_back({lineCap_, lineJoin_, miterLimit_, graphicsWord_, clip});
}

void GRenderInstance::RestoreGraphicsState() {
  bundle_ = GCountedPtr(new GGraphicBundle);
  GGraphicBundle* bundle = GetGraphicBundle();
  if (savedStates_.empty()) {
    clip_ = GCountedPtr();
    GiveClip(bundle, clip_);
    return;
  }
  SavedGraphicsState saved = savedStates_.back();
  savedStates_.pop_back();
  lineCap_ = saved.lineCap;
  lineJoin_ = saved.lineJoin;
  miterLimit_ = saved.miterLimit;
  graphicsWord_ = saved.graphicsWord;
  clip_ = saved.clip;
  const GRenderGraphicsServices services = UpwardServices().renderGraphics;
  if (lineCap_ != lastCapGiven_ && services.createLineCap != nullptr) {
    if (GAttribute* cap = services.createLineCap(lineCap_)) {
      bundle->SetLineCap(cap);
      lastCapGiven_ = lineCap_;
    }
  }
  // A non-zero join is a joint of that style; join 0 is a miter joint with
  // the limit.
  const bool joinChanged = lineJoin_ != lastJoinGiven_ || (lineJoin_ == 0 && miterLimit_ != lastMiterGiven_);
  if (joinChanged) {
    GAttribute* joint = nullptr;
    if (lineJoin_ != 0 && services.createLineJoin != nullptr) joint = services.createLineJoin(lineJoin_);
    else if (lineJoin_ == 0 && services.createMiterJoin != nullptr) joint = services.createMiterJoin(miterLimit_);
    if (joint != nullptr) {
      bundle->SetLineJoin(joint);
      lastJoinGiven_ = lineJoin_;
      lastMiterGiven_ = miterLimit_;
    }
  }
  GiveClip(bundle, clip_);
}

int GRenderInstance::BeginPath() {
  if (!path_.IsEmpty() && pathDepth_ == 0) return ++pathDepth_;
  const auto create = UpwardServices().renderGraphics.createPath;
  GCommand* path = create != nullptr ? create() : nullptr;
  if (path == nullptr) return pathDepth_;
  if (!path_.IsEmpty()) pathStack_.push_back(path_);
  path_ = GCountedPtr(path);
  return ++pathDepth_;
}

int GRenderInstance::EndPath(int value) {
  if (pathDepth_ > 0) --pathDepth_;
  if (path_.IsEmpty()) return pathDepth_;
  if (pathDepth_ > 0) {
    EndNestedPath(GetOpenPath(), value);
    if (!pathStack_.empty()) {
      GCountedPtr outer = pathStack_.back();
      pathStack_.pop_back();
      // The nested path joins the outer one, which holds it from now on.
      outer->AddChild(path_.Pointee());
      path_ = outer;
    }
  } else {
    EndOutermostPath(GetOpenPath(), value);
  }
  return pathDepth_;
}

int GRenderInstance::SelectClip(int fillRule, int mode) {
  if (mode == 0) {
    SaveGraphicsState();
    return 1;
  }
  if (mode == 1) {
    RestoreGraphicsState();
    return 1;
  }
  if (mode != 2 && mode != 3) return 0;
  const GRenderGraphicsServices services = UpwardServices().renderGraphics;
  GAttribute* clip = nullptr;
  if (path_.IsEmpty()) {
    clip_ = GCountedPtr();
  } else {
    // Inside with non-zero winding (even-odd for fill rule 1), or outside
    // with even-odd.
    const int32_t region = mode == 2 ? 0 : 1;
    const int32_t rule = mode == 2 && fillRule != 1 ? 1 : 0;
    if (services.createClipToPath != nullptr) clip = services.createClipToPath(GetOpenPath(), region, rule);
    clip_ = clip != nullptr ? GCountedPtr(clip) : GCountedPtr();
    path_ = GCountedPtr();
    pathStack_.clear();
  }
  GiveClip(GetGraphicBundle(), clip_);
  return 1;
}

// ---- BeginJob ----

int16_t GRenderInstance::BeginJob() {
  ResetJobFlags();
  ResetGraphicsValues();
  MPersistentObject* options = Group(kDocumentSettings2);
  GConfiguration* configuration = GetPrinterConfiguration();
  MPersistentObject* capabilities = configuration != nullptr ? GSettingQuery::Find(configuration, kPrinterCapabilityGroup)
                                                             : nullptr;
  const uint32_t hostFlags = GetAppFlags();

  ttAsBitmap_ = ValueIn(options, kTTAsBitmapSetting, 0) == 1 ? 1 : 0;
  textAsBlack_ = ValueIn(options, kTextAsBlack, 0) == 1 ? 1 : 0;

  GPeripheral* printer = FindPrinter();
  MPersistentObject* generator = printer != nullptr ? printer->FindByKind(kGeneratorBase) : nullptr;
  if (generator == printer) generator = nullptr;
  generatorClassId_ = generator != nullptr ? static_cast<uint16_t>(generator->ClassId()) : kGeneratorBase;
  postScript_ = generator != nullptr && generator->DerivesFrom(kPostScriptGenerator) ? 1 : 0;
  passThrough_ = 0;

  if (generator != nullptr && generator->DerivesFrom(kPclXlGenerator)) {
    int32_t mode = 0;
    if (GSettingQuery::NumberAt(configuration, kPassThroughMode, &mode)) {
      DWORD number = 255;
      if (GOSFactory* factory = GOSFactory::GetInstance())
        number = factory->GetPrinterDataDword(this, RWWString(u"PassThrough"), 255);
      if (mode == 0) passThrough_ = number == 1 ? 1 : 0;
      else if (mode == 1) passThrough_ = number != 0 ? 1 : 0;
    }
    auto* protocolClass = dynamic_cast<GValueAttribute*>(GSettingQuery::Find(configuration, kXLProtocolClass));
    auto* revision = dynamic_cast<GValueAttribute*>(GSettingQuery::Find(configuration, kXLProtocolRevision));
    if (passThrough_ != 0 && protocolClass != nullptr && protocolClass->GetValue() <= 3) {
      protocolClass->SetValue(3);
      if (revision != nullptr) revision->SetValue(0);
      if (auto* language = dynamic_cast<GStringAttribute*>(GSettingQuery::Find(configuration, kXLLanguageString)))
        language->SetString(RWCString("PCL XL"));
    } else {
      if (protocolClass != nullptr) protocolClass->SetValue(2);
      if (revision != nullptr) revision->SetValue(1);
    }
  } else {
    uint32_t bits = 0;
    passThrough_ = CapabilityBits(capabilities, kPassThroughCapability, &bits) && (bits & 1u) != 0 ? 0 : 1;
  }

  ttDownloadMode_ = -1;
  secondFontOption_ = 0;
  if (postScript_ != 0) {
    int32_t download = 0;
    if (GSettingQuery::Number(ChildWithId(options, kTrueTypeDownloadChoice), &download)) {
      ttAsBitmap_ = 0;
      ttDownloadMode_ = 2;
      if (download == 0) ttDownloadMode_ = IsTrueTypeBitmapRequired() != 0 ? 1 : 0;
      else if (download == 1) { ttAsBitmap_ = 1; ttDownloadMode_ = 1; }
    }
    const int32_t second = ValueIn(options, kSecondFontChoice, -1);
    if (second >= 0 && second <= 2) secondFontOption_ = static_cast<int16_t>(second);
  }

  const int32_t raster = ValueIn(options, kRasterizationChoice, 0);
  if (raster >= 1 && raster <= 3) rasterMode_ = static_cast<int16_t>(raster);
  else rasterMode_ = HasBit(hostFlags, 21) ? 3 : HasBit(hostFlags, 22) ? 2 : 1;
  if (rasterMode_ != 3) {
    uint32_t bits = 0;
    const bool has136 = CapabilityBits(capabilities, kGeneratorCapabilities, &bits);
    if (HasBit(hostFlags, 26) && has136 && HasBit(bits, 1) == 0) rasterMode_ = 3;
    else if (HasBit(hostFlags, 27) && has136 && HasBit(bits, 2) == 0) rasterMode_ = 3;
  }

  uint32_t printerCapabilities = 0;
  if (CapabilityBits(capabilities, kPrinterCapabilities, &printerCapabilities)) {
    const int bit = rasterMode_ == 1 ? 1 : 4;
    if (HasBit(printerCapabilities, bit)) scalingSupported_ = 0;
    else scalingSupported_ = printer != nullptr ? printer->SupportsScaling() : 0;
  }

  const int32_t gray = ValueIn(options, kPrintColorAsGray, -1);
  colourMode_ = gray == 0 ? 1 : gray == 3 ? 2 : 0;
  uint32_t bits113 = 0, bits120 = 0;
  capabilityOptions_[0] = CapabilityBits(capabilities, kCapabilityOptions113, &bits113) && HasBit(bits113, 1) ? 1 : 0;
  capabilityOptions_[1] = 0;
  if (CapabilityBits(capabilities, kCapabilityOptions120, &bits120) && HasBit(bits120, 9) && IsRasterized(0) == 0 &&
      !(HasBit(hostFlags, 23) && capabilityOptions_[0] == 0)) {
    capabilityOptions_[1] = 1;
  } else {
    capabilityOptions_[0] = 0;
  }
  if (generatorClassId_ == kPclXlGenerator && HasBit(hostFlags, 3)) capabilityOptions_[0] = capabilityOptions_[1] = 0;

  MPersistentObject* job = Group(kDocumentSettings);
  const int32_t nUp = ValueIn(ChildWithId(job, kNUpLayout), kNUpChoice, ValueIn(job, kNUpChoice, 0));
  const int32_t booklet = ValueIn(job, kBookletPrintingChoice, 0);
  psNupOrBooklet_ = HasBit(hostFlags, 17) && postScript_ != 0 && (booklet != 0 || nUp != 0) ? 1 : 0;
  impositionActive_ = nUp > 1 || booklet != 0 ? 1 : 0;

  jobState_ = GCountedPtr();
  DropGraphicsObjects();
  return 0;
}

void GRenderInstance::SelectGrayConversion(uint8_t mode) {
  MPersistentObject* data = GSettingQuery::Find(GetPrinterConfiguration(), kGrayConversionData);
  std::lock_guard<std::mutex> lock(g_grayMutex);
  if (mode == 2 && data != nullptr) {
    if (const uint8_t* weights = BlobAt(data, kGrayWeights, 4)) {
      std::memcpy(g_grayWeights.data(), weights, g_grayWeights.size());
      grayConversion_ = &WeightedGray;
      return;
    }
  }
  if (mode == 1 && data != nullptr) {
    if (const uint8_t* tables = BlobAt(data, kGrayTables, 1280)) {
      std::memcpy(g_grayTables.data(), tables, g_grayTables.size());
      grayConversion_ = &TableGray;
      return;
    }
  }
  grayConversion_ = &GRenderInstance::LuminanceGray;
}

int GRenderInstance::IsRasterized(int flag) const { return rasterMode_ == 3 || (rasterMode_ == 2 && flag == 0) ? 1 : 0; }

// ---- Sending ----

int16_t GRenderInstance::StartDocument() {
  if (documentPending_ == 0) {
    jobStatus_ = kJobFailed;
    return kNoDocumentPending;
  }
  if (documentRan_ != 0) {
    if (GPeripheral* tree = PeripheralTree()) tree->RebuildCurrentState();
  }
  // The faces of the document's spooled pages name the instance by its
  // driver-server handle, which it has by now.
  KeyFontDatabase();
  // A front end that names no destination prints to the printer's port.
  const RWWString& destination = destinationName_.Length() != 0 ? destinationName_ : GetPortName();
  const int16_t status = SendToPrinter(CreateDocumentStart(documentName_, destination));
  documentRan_ = 1;
  // The first document of a job carries 0, each further one the number of
  // documents before it.
  ++documentCount_;
  if (status != 0) jobStatus_ = kJobFailed;
  documentStarted_ = 1;
  documentPending_ = 0;
  return status;
}

int16_t GRenderInstance::EnsurePageStarted() {
  if (pagePending_ == 0) return 0;
  const int16_t status = SendToPrinter(CreatePageStart());
  pagePending_ = 0;
  inPage_ = 1;
  return status;
}

int16_t GRenderInstance::Send(GCommand* command) {
  GCountedPtr held(command);
  int16_t status = EnsureDocumentStarted();
  if (status == 0) status = EnsurePageStarted();
  if (status != 0) return status;
  return SendToPrinter(command);
}

// The device model's root when it is a peripheral (the page filters of the
// stored model stand there before the printer), else the printer.
GPeripheral* GRenderInstance::PeripheralTree() const {
  if (auto* root = dynamic_cast<GPeripheral*>(GetDeviceModel())) return root;
  return FindPrinter();
}

int16_t GRenderInstance::SendToPrinter(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr) return 0;
  // The front end may hold the job back; the command is then not sent.
  if (const int16_t gate = jobGate_.CheckCommand(command); gate != 0) return gate;
  GPeripheral* printer = FindPrinter() != nullptr ? PeripheralTree() : nullptr;
  if (printer == nullptr) {
    // Nothing can print the job: it fails as a missing channel does.
    jobStatus_ = kJobFailed;
    return GStatusNoOutputChannel;
  }
  // The printer is held for the send (a job may replace it); the root is
  // the instance's own and no handle holds it.
  GCountedPtr printerHeld(printer != GetDeviceModel() ? printer : nullptr);
  GCountedPtr result = printer->Send(command);
  MPersistentObject* returned = result.Pointee();
  if (returned == nullptr) return 0;
  // The first error command in the result decides the status; the job
  // is aborted once.
  MPersistentObject* error =
      returned->ClassId() == GErrorCommandClassId ? returned : returned->FindByClass(GErrorCommandClassId);
  auto* first = dynamic_cast<GErrorCommand*>(error);
  if (first == nullptr) return 0;
  int16_t status = static_cast<int16_t>(first->GetStatus());
  if (status == 0) status = 1;
  result = GCountedPtr();
  printer->Send(new GJobAbort);
  jobStatus_ = kJobFailed;
  return status;
}

int16_t GRenderInstance::SendPassThrough(const uint8_t* bytes, uint16_t length, uint16_t targetClassId,
                                         int withSettings, int keep, int direct) {
  auto* command = new GPassThroughCommand(bytes, length, targetClassId, nullptr);
  if (withSettings != 0) {
    auto* bundle = new GGraphicBundle;
    bundle->AddChild(new GValueAttribute(1, &kPassThroughSetting));
    command->SetSettings(bundle);
  }
  if (keep != 0) jobGate_.SetToken(command);
  if (postScript_ == 0 || direct == 0) return Send(command);
  return SendToPrinter(command);
}

int16_t GRenderInstance::ForcePageStart() {
  if (scalingSupported_ == 0 || scaledPage_ == pageNumber_ + (pagePending_ != 0 ? 1 : 0)) return 0;
  return Send(new GNoCommand);
}

// ---- Commands ----

GDocumentStart* GRenderInstance::CreateDocumentStart(const RWWString& documentName, const RWWString& destinationName) {
  pageNumber_ = 0;
  scaledPage_ = 0;
  GState* settings = BuildJobState();
  return new GDocumentStart(documentName, jobText_, destinationName, this, settings);
}

GDocumentEnd* GRenderInstance::CreateDocumentEnd() { return new GDocumentEnd; }

int GRenderInstance::FirstSheetPages(MPersistentObject* job) {
  const int32_t duplex = ValueIn(job, kDuplex, 0);
  const int32_t booklet = ValueIn(job, kBookletPrintingChoice, 0);
  if (duplex == 0 || booklet != 0) return 1;
  int32_t nUp = 0;
  if (GSettingQuery::Number(ChildWithId(ChildWithId(job, kNUpLayout), kNUpChoice), &nUp)) return 2 * nUp;
  return 2;
}

GPageStart* GRenderInstance::CreatePageStart() {
  const int n = ++pageNumber_;
  MPersistentObject* job = Group(kDocumentSettings);
  MPersistentObject* options = Group(kDocumentSettings2);
  GState* settings = StateFrom(Group(kPageSettings), &kPageState);
  CopyInto(settings, job, kOrientation);
  CopyInto(settings, job, kPaperSize);
  CopyInto(settings, job, kResolution);
  CopyInto(settings, job, kDuplex);

  const int first = FirstSheetPages(job);
  if (n <= first || ValueIn(options, kUseDiffFirstPageChoice, 0) != 1 || firstPageOverride_ != 0) {
    CopyInto(settings, options, kInputBin);
  } else if (MPersistentObject* rest = ChildWithId(options, kInputBinRest)) {
    MPersistentObject* copy = rest->DeepCopy();
    copy->SetFeatureId(kInputBin);
    settings->AddChild(copy);
  }
  ApplyPageMedia(settings, n);
  if (ValueIn(Group(kInstallableOptions), kLetterheadDuplex, 0) == 1) ApplyLetterhead(settings);

  if (scalingSupported_ != 0) {
    if (jobState_.Pointee() == nullptr) jobState_ = GCountedPtr(BuildJobState());
    int32_t code = 0;
    GPeripheral* printer = FindPrinter();
    scale_ = printer != nullptr ? printer->GetScale(GetJobState(), settings, n, &code) : GRealPair(1.0f, 1.0f);
    scaledPage_ = n;
    pageNeedsScaling_ = scale_ != GRealPair(1.0f, 1.0f) && scale_ != GRealPair(0.0f, 0.0f) ? 1 : 0;
  }
  return new GPageStart(settings);
}

GPageEnd* GRenderInstance::CreatePageEnd() {
  auto* settings = new GState(&kPageState);
  CopyInto(settings, Group(kPageSettings), kPageCopies);
  if (scalingSupported_ != 0) scaledPage_ = 0;
  return new GPageEnd(settings);
}

int GRenderInstance::IsLocalPort() const {
  const RWWString& port = GetPortName();
  const std::u16string name(port.Data(), port.Length());
  auto at = [&](char16_t c, size_t position) { return name.find(c) == position; };
  return (at(u'L', 0) && at(u'P', 1) && at(u'T', 2)) || (at(u'U', 0) && at(u'S', 1) && at(u'B', 2)) ||
                 (at(u'D', 0) && at(u'O', 1) && at(u'T', 2) && at(u'4', 3))
             ? 1
             : 0;
}

void GRenderInstance::DistributeCopies(MPersistentObject* options, MPersistentObject* job, MPersistentObject* page,
                                       MPersistentObject* installable) {
  if (job == nullptr) return;
  if (MPersistentObject* copies = ChildWithId(options, kCopies)) {
    delete job->RemoveChildById(kCopies);
    job->AddChild(copies->DeepCopy());
  }
  const int16_t copies = static_cast<int16_t>(ValueIn(job, kCopies, 1));
  // Collate is an option of the job; settings made from a DEVMODE keep it
  // with the job's own settings.
  const int32_t collate = ValueIn(options, kCollate, ValueIn(job, kCollate, 0));
  const bool printerCopies = ValueIn(installable, kCollationUnit, 0) == 1 &&
                             (collate == 1 || ValueIn(installable, kIgnoreCollationChoice, 0) == 1);
  SetValueIn(job, kPrinterCopies, printerCopies ? copies : 1);
  SetValueIn(page, kPageCopies, printerCopies ? 1 : copies);
}

int16_t GRenderInstance::SetCopies(int16_t requested, int16_t* out) {
  MPersistentObject* options = Group(kDocumentSettings2);
  const int16_t previous = static_cast<int16_t>(ValueIn(options, kCopies, 1));
  int16_t copies = requested < 1 ? 1 : requested;
  if (auto* limit = dynamic_cast<GRangeAttribute*>(GSettingQuery::Find(GetPrinterConfiguration(), kCopiesRange))) {
    if (copies > limit->GetMax()) copies = limit->GetMax();
  }
  if (out != nullptr) *out = copies;
  SetValueIn(options, kCopies, copies);
  DistributeCopies(options, Group(kDocumentSettings), Group(kPageSettings), Group(kInstallableOptions));
  return previous;
}

GState* GRenderInstance::BuildJobState() {
  MPersistentObject* options = Group(kDocumentSettings2);
  MPersistentObject* job = Group(kDocumentSettings);
  DistributeCopies(options, job, Group(kPageSettings), Group(kInstallableOptions));
  GState* state = StateFrom(job, &kJobSettings);
  if (MPersistentObject* edge = Group(kEdgeToEdge)) state->AddChild(edge->DeepCopy());
  state->AddChild(new GValueAttribute(static_cast<int16_t>(IsLocalPort() != 0 ? 1 : 3), &kPortKind));
  if (ValueIn(options, kScaleFromLargePaper, 0) == 1 && ValueIn(state, kFitToOtherSizeChoice, 0) == 0)
    ApplyLargePaper(state);

  ApplyPageMedia(state, pageNumber_);

  if (ValueIn(state, kFitToOtherSizeChoice, 0) == 1) {
    GCountedPtr target(state->RemoveChildById(kTargetSizeChoice));
    int32_t paper = 0;
    GMedia* medium = GSettingQuery::Number(target.Pointee(), &paper) ? CreateMediaForPaper(static_cast<int16_t>(paper))
                                                                      : nullptr;
    if (medium != nullptr) state->AddChild(Renumbered(medium, kTargetMedia));
    else SetValueIn(state, kFitToOtherSizeChoice, 0);
  }
  const int32_t booklet = ValueIn(state, kBookletPrintingChoice, 0);
  if (booklet == 1 || booklet == 2) {
    GCountedPtr target(state->RemoveChildById(kBookletTargetSize));
    int32_t paper = 0;
    GMedia* medium = nullptr;
    if (psNupOrBooklet_ == 0 && GSettingQuery::Number(target.Pointee(), &paper))
      medium = CreateMediaForPaper(static_cast<int16_t>(paper));
    if (medium != nullptr) state->AddChild(Renumbered(medium, kBookletMedia));
    else SetValueIn(state, kBookletPrintingChoice, 0);
  }

  for (int32_t id : {kTTAsBitmapSetting, kPrintColorAsGray, 297, 405}) CopyInto(state, options, id);
  if (HasChild(options, kTintwrightColorSettings)) {
    CopyInto(state, options, kQVTintwright);
    CopyInto(state, options, kTintwrightColorSettings);
  }
  for (int32_t id : {208, 227}) CopyInto(state, options, id);
  if (MPersistentObject* quality = ChildWithId(options, kQualitySetting910)) {
    state->AddChild(quality->DeepCopy());
    int32_t value = 0;
    GSettingQuery::Number(quality, &value);
    SelectGrayConversion(value == 22 ? 1 : 0);
  }
  CopyInto(state, options, kQualitySetting911);
  if (postScript_ != 0)
    for (int32_t id : {582, 584, 583, kTrueTypeDownloadChoice, kSecondFontChoice, 605, 608}) CopyInto(state, options, id);

  state->AddChild(GetWatermarkSettings());
  state->AddChild(new GValueAttribute(static_cast<int16_t>(documentCount_), &kDocumentCount));
  return state;
}

void GRenderInstance::ApplyLargePaper(GState* jobState) {
  MPersistentObject* resolution = ChildWithId(jobState, kResolution);
  const int32_t x = ValueIn(resolution, kXResolution, 600);
  const int32_t y = ValueIn(resolution, kYResolution, 600);
  const int32_t orientation = ValueIn(jobState, kOrientation, 0);
  const int32_t paper = ValueIn(jobState, kPaperSize, 1);
  // The paper must be known, and larger than the largest paper the printer
  // prints (the media pool's reference medium) in one of its sides.
  GCountedPtr medium(CreateMediaForPaperSize(static_cast<int16_t>(paper), static_cast<uint16_t>(x),
                                             static_cast<uint16_t>(y), orientation));
  GMediaPool* pool = GetMediaPool();
  auto* paperMedium = static_cast<GMedia*>(medium.Pointee());
  if (paperMedium == nullptr || pool == nullptr) return;
  GMedia* largest = pool->FindMedia(kLargestPrintablePaper, orientation, static_cast<uint16_t>(x),
                                    static_cast<uint16_t>(y));
  if (largest == nullptr) return;
  const GShortPoint size = *paperMedium->GetSize();
  const GShortPoint limit = *largest->GetSize();
  if (size.x <= limit.x && size.y <= limit.y) return;
  // The page is printed scaled onto the paper that takes its place.
  const int32_t target = paper == 22 || paper == 39 ? 23 : paper == 44 ? 43 : 1;
  SetValueIn(jobState, kTargetSizeChoice, static_cast<int16_t>(target));
  SetValueIn(jobState, kScalePageChoice, 1);
  SetValueIn(jobState, kFitToOtherSizeChoice, 1);
  SetValueIn(jobState, kNUpChoice, 1);
  SetValueIn(jobState, kScaleChoice, 100);
  SetValueIn(jobState, kBookletPrintingChoice, 0);
  MPersistentObject* capabilities = GSettingQuery::Find(GetPrinterConfiguration(), kPrinterCapabilityGroup);
  uint32_t bits = 0;
  if (!(CapabilityBits(capabilities, kPrinterCapabilities, &bits) && HasBit(bits, 0)))
    SetValueIn(jobState, kTTAsBitmapSetting, 0);
}

void GRenderInstance::ApplyPageMedia(GState* settings, int pageNumber) {
  GCountedPtr paper(settings->RemoveChildById(kPaperSize));
  auto* paperValue = dynamic_cast<GValueAttribute*>(paper.Pointee());
  GMedia* medium = paperValue != nullptr ? CreateMediaForPaper(paperValue->GetValue()) : nullptr;
  if (medium == nullptr) {
    if (paper.Pointee() != nullptr) settings->AddChild(paper.Pointee()->DeepCopy());
    return;
  }
  medium->SetFeatureId(kPageMedia);
  MPersistentObject* job = Group(kDocumentSettings);
  MPersistentObject* options = Group(kDocumentSettings2);
  int firstSheet = 2;
  if (ValueIn(job, kDuplex, 0) != 0 && ValueIn(job, kBookletPrintingChoice, 0) == 0) {
    int32_t nUp = 0;
    firstSheet = GSettingQuery::Number(ChildWithId(ChildWithId(job, kNUpLayout), kNUpChoice), &nUp) ? 2 * nUp + 1 : 3;
  }
  RWCString typeName;
  const bool firstType =
      pageNumber < firstSheet || firstPageOverride_ != 0 || ValueIn(options, kUseDiffFirstPageChoice, 0) != 1;
  if (GSettingQuery::Text(ChildWithId(options, firstType ? kMediaType : kMediaTypeRest), &typeName))
    medium->SetMediaTypeName(typeName);
  // The page's offset (a transform of the imageable origin) is the
  // geometry filters' work; it is not added here.
  settings->AddChild(medium);
}

void GRenderInstance::ApplyLetterhead(GState* pageSettings) {
  MPersistentObject* job = Group(kDocumentSettings);
  if (ValueIn(ChildWithId(job, kNUpLayout), kNUpChoice, 0) != 1) return;
  auto* medium = dynamic_cast<GMedia*>(ChildWithId(pageSettings, kPageMedia));
  if (medium == nullptr) return;
  const RWCString& type = medium->GetMediaTypeName();
  if (type != RWCString("Letterhead") && type != RWCString("Preprinted")) return;
  if (ValueIn(pageSettings, kDuplex, 0) == 0) {
    SetValueIn(pageSettings, kDuplex, 2);
    letterheadBackPending_ = 1;
  }
}

int16_t GRenderInstance::FinishLetterheadPage() {
  if (letterheadBackPending_ == 0) return 0;
  --pageNumber_;
  int16_t status = SendToPrinter(CreatePageStart());
  const int16_t endStatus = SendToPrinter(CreatePageEnd());
  if (status == 0) status = endStatus;
  letterheadBackPending_ = 0;
  return status;
}

// ---- Media ----

GMedia* GRenderInstance::CreateMediaForPaperSize(int16_t paperId, uint16_t xResolution, uint16_t yResolution,
                                                 int32_t orientation) {
  GMedia* medium = nullptr;
  if (paperId >= 0x4000 && paperId <= 0x43E7) {
    MPersistentObject* list = Group(kCustomPaperList);
    GSettingQuery::ForEachChild(list, [&](MPersistentObject* child) {
      auto* size = dynamic_cast<GCustomMediaSize*>(child);
      if (size == nullptr || size->GetPaperId() != paperId) return true;
      medium = CreateMediaForCustomSize(*size, GetPrinterConfiguration(), xResolution, yResolution, orientation);
      return false;
    });
  } else if (GMediaPool* pool = GetMediaPool()) {
    if (GMedia* found = pool->FindMedia(paperId, orientation, xResolution, yResolution))
      medium = static_cast<GMedia*>(found->Clone());
  }
  int32_t edgeToEdge = 0;
  if (medium != nullptr && GSettingQuery::Number(Group(kEdgeToEdge), &edgeToEdge) && edgeToEdge == 1)
    AdjustMediaMargins(medium);
  return medium;
}

GMedia* GRenderInstance::CreateMediaForPaper(int16_t paperId) {
  MPersistentObject* job = Group(kDocumentSettings);
  int32_t orientation = 0, x = 0, y = 0;
  const bool known = GSettingQuery::NumberAt(job, kOrientation, &orientation) &&
                     GSettingQuery::NumberAt(job, kXResolution, &x) && GSettingQuery::NumberAt(job, kYResolution, &y);
  const bool custom = paperId >= 0x4000 && paperId <= 0x43E7;
  if (!known && !custom) return nullptr;
  if (!known) {
    orientation = 0;
    x = y = 600;
  }
  return CreateMediaForPaperSize(paperId, static_cast<uint16_t>(x), static_cast<uint16_t>(y), orientation);
}

void GRenderInstance::AdjustMediaMargins(GMedia* medium) {
  if (medium == nullptr) return;
  GConfiguration* configuration = GetPrinterConfiguration();
  const int32_t marginX = GSettingQuery::NumberOr(configuration, kEdgeToEdgeMarginX, 0);
  const int32_t marginY = GSettingQuery::NumberOr(configuration, kEdgeToEdgeMarginY, 0);
  const int32_t o = NormalizeAngle(medium->GetOrientation());
  const bool turned = o == 90 || o == 270;
  const int32_t mx = medium->GetXResolution() * (turned ? marginY : marginX) / 10000;
  const int32_t my = medium->GetYResolution() * (turned ? marginX : marginY) / 10000;
  const GShortPoint size = *medium->GetSize();
  const GShortPoint origin(static_cast<int16_t>(mx), static_cast<int16_t>(my));
  const GShortPoint extent(static_cast<int16_t>(size.x - 2 * mx), static_cast<int16_t>(size.y - 2 * my));
  const int32_t id = medium->FeatureId();
  GMedia adjusted(medium->GetPaperName().Data(), &size, &extent, &origin, medium->GetOrientation(),
                  medium->GetPaperId(), medium->GetXResolution(), medium->GetYResolution(), &kPageMedia,
                  medium->GetExtraCode(), medium->GetSecondName().Data(), medium->GetMediaTypeName().Data());
  *medium = adjusted;
  medium->SetFeatureId(id);
}

void GRenderInstance::OrientMedium(GMedia* medium, int32_t orientation) {
  if (medium == nullptr || medium->GetOrientation() == orientation) return;
  GMedia* turned = CreateMediaForPaperSize(medium->GetPaperId(), medium->GetXResolution(), medium->GetYResolution(),
                                           orientation);
  if (turned == nullptr) return;
  const int32_t id = medium->FeatureId();
  *medium = *turned;
  medium->SetFeatureId(id);
  delete turned;
}

// ---- Watermarks ----

GAttributeComposite* GRenderInstance::FindWatermark() {
  MPersistentObject* watermarks = ChildWithId(Group(kDocumentSettings2), kWatermarks);
  if (watermarks == nullptr) return nullptr;
  MPersistentObject* firstPageOnly = ChildWithId(watermarks, kWMFirstPageOnly);
  int32_t value = 0;
  if (!GSettingQuery::Number(firstPageOnly, &value) || value == 2) return nullptr;
  if (ValueIn(watermarks, kWatermarkSource, -1) != 0) return nullptr;
  RWCString selected;
  if (!GSettingQuery::Text(ChildWithId(watermarks, kSelectedWatermark), &selected) || selected.Length() == 0) return nullptr;
  MPersistentObject* pool = GSettingQuery::Find(Group(kDriverPreferences), kWatermarkPool);
  GAttributeComposite* copy = nullptr;
  GSettingQuery::ForEachChild(pool, [&](MPersistentObject* record) {
    RWCString name;
    if (!GSettingQuery::TextAt(record, kWatermarkName, &name) || name != selected) return true;
    copy = dynamic_cast<GAttributeComposite*>(record->DeepCopy());
    return false;
  });
  if (copy == nullptr) return nullptr;
  copy->AddChild(firstPageOnly->DeepCopy());
  if (MPersistentObject* source = ChildWithId(watermarks, kWatermarkSource)) copy->AddChild(source->DeepCopy());
  return copy;
}

GAttributeComposite* GRenderInstance::GetWatermarkSettings() {
  if (GAttributeComposite* found = FindWatermark()) {
    found->SetFeatureId(kWatermarks);
    return found;
  }
  auto* none = new GAttributeComposite(&kWatermarks);
  none->AddChild(new GValueAttribute(2, &kWMFirstPageOnly));
  return none;
}

int GRenderInstance::HasWatermark() {
  MPersistentObject* watermarks = ChildWithId(Group(kDocumentSettings2), kWatermarks);
  int32_t value = 0;
  return GSettingQuery::Number(ChildWithId(watermarks, kWMFirstPageOnly), &value) && value != 2 ? 1 : 0;
}

// ---- The job name ----

namespace {

RWWString Widened(const std::string& text) {
  if (text.empty()) return RWWString();
  const UINT codePage = GetACP();
  const int count = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (count <= 0) return RWWString();
  std::u16string wide(static_cast<size_t>(count), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<LPWSTR>(wide.data()),
                      count);
  return RWWString(wide.data(), wide.size());
}

// A character of the printer's table (cmap format 4 layout from the
// language word on: little-endian words).
bool InCharacterTable(const uint8_t* bytes, uint32_t length, char16_t c) {
  auto word = [&](uint32_t index, uint16_t* out) {
    if (2 * index + 1 >= length) return false;
    *out = static_cast<uint16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
    return true;
  };
  uint16_t doubled = 0;
  if (!word(1, &doubled)) return false;
  const uint32_t segments = doubled / 2u;
  for (uint32_t i = 0; i < segments; ++i) {
    uint16_t end = 0, start = 0;
    if (!word(5 + i, &end) || !word(5 + segments + 1 + i, &start)) return false;
    if (end >= c) return start <= c;
  }
  return false;
}

}  // namespace

RWCString GRenderInstance::BuildJobName() {
  MPersistentObject* job = Group(kDocumentSettings);
  std::string stamp;
  if (GOSFactory* factory = GOSFactory::GetInstance()) {
    GDateTime local, shifted;
    int16_t offset = 0;
    if (factory->GetDateTime(&local, &shifted, &offset) != 0) {
      char text[64];
      std::snprintf(text, sizeof text, "%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", local.year, local.month, local.day, local.hour,
                    local.minute, local.second);
      stamp = text;
    }
  }

  // The name is worked on as wide text: a trip through the ANSI code page
  // would lose the characters that the Unicode mode is there to keep.
  std::u16string name;
  if (documentName_.Length() == 0) {
    RWCString fallback;
    if (GSettingQuery::TextAt(job, kDefaultJobName, &fallback) && fallback.Length() != 0) {
      const RWWString wide = Widened(fallback.Data());
      name.assign(wide.Data(), wide.Length());
    } else {
      name.assign(stamp.begin(), stamp.end());
    }
  } else {
    name.assign(documentName_.Data(), documentName_.Length());
    const size_t slash = name.rfind(u'/');
    if (slash != std::u16string::npos) name = name.substr(slash + 1);
    const size_t backslash = name.rfind(u'\\');
    if (backslash != std::u16string::npos) name = name.substr(backslash + 1);
    // The application's name that some programs put before the title. The
    // pattern is ASCII: it is matched on a narrow mask of the name, one
    // byte per character, so positions carry over.
    std::string mask(name.size(), '\x01');
    for (size_t i = 0; i < name.size(); ++i)
      if (name[i] > 0 && name[i] < 0x80) mask[i] = static_cast<char>(name[i]);
    static const std::regex kApplicationPrefix("Microsoft [A-Z,a-z]+ - ");
    std::smatch match;
    if (std::regex_search(mask, match, kApplicationPrefix))
      name = name.substr(static_cast<size_t>(match.position(0) + match.length(0)));
  }

  RWCString storageName;
  if (ValueIn(job, kJobStorageOn, 0) == 1 && GSettingQuery::TextAt(job, kJobStorageId, &storageName) &&
      storageName.Length() != 0) {
    RWWString unique(u"1");
    if (GOSFactory* factory = GOSFactory::GetInstance())
      unique = factory->GetPrinterDataString(this, RWWString(u"JobStorageUniqueID"), RWWString(u"1"));
    name = name.substr(0, 13) + std::u16string(unique.Data(), unique.Length());
  }

  std::u16string wide = name;
  if (const size_t zero = wide.find(u'\0'); zero != std::u16string::npos) wide.resize(zero);
  if (wide.size() > 16) wide.resize(16);

  const bool unicode = ValueIn(job, kUserNameByMap, 0) == 1;
  bool passed = !wide.empty();
  if (unicode) {
    auto* table = dynamic_cast<GBinaryData*>(GSettingQuery::Find(GetPrinterConfiguration(), kDisplayCharMap));
    if (table == nullptr || table->GetData() == nullptr) passed = false;
    for (size_t i = 0; passed && i < wide.size(); ++i)
      passed = InCharacterTable(table->GetData(), table->GetLength(), wide[i]);
  } else {
    // Printable ASCII in upper case. A name that needs no change passes
    // too: an upper-case name is kept rather than replaced by a time stamp.
    for (char16_t& c : wide) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      if (c < 32 || c > 126 || c == u'"') passed = false;
    }
  }
  if (!passed) wide.assign(stamp.begin(), stamp.end());
  jobName_ = RWWString(wide.data(), wide.size());

  if (unicode && passed) {
    // At most 48 bytes, whole characters only.
    size_t count = 0;
    uint16_t used = 0;
    while (count < wide.size()) {
      const size_t step = count + 1 < wide.size() && wide[count] >= 0xD800 && wide[count] <= 0xDBFF &&
                                  wide[count + 1] >= 0xDC00 && wide[count + 1] <= 0xDFFF
                              ? 2
                              : 1;
      const uint16_t next = step == 2 ? 4 : Utf8Length(wide.data() + count, wide.data() + count + 1);
      if (used + next > 48) break;
      used = static_cast<uint16_t>(used + next);
      count += step;
    }
    uint8_t bytes[48] = {};
    EncodeUtf8(wide.data(), wide.data() + count, bytes, bytes + used, 1);
    jobText_ = RWCString(reinterpret_cast<const char*>(bytes), used);
  } else {
    // Printable ASCII (or the digits of the time stamp).
    std::string text(wide.begin(), wide.end());
    jobText_ = RWCString(text.c_str());
  }
  return jobText_;
}

void GRenderInstance::StoreJobName() {
  auto* target = dynamic_cast<GStringAttribute*>(ChildWithId(Group(kDocumentSettings), kJobName));
  if (target == nullptr) {
    jobName_ = RWWString();
    return;
  }
  target->SetString(BuildJobName());
}

uint16_t GRenderInstance::Utf8Length(const char16_t* wide, const char16_t* end) {
  uint32_t count = 0;
  for (const char16_t* p = wide; p != nullptr && p < end; ++p) count += *p < 0x80 ? 1 : *p < 0x800 ? 2 : 3;
  return static_cast<uint16_t>(count);
}

int GRenderInstance::EncodeUtf8(const char16_t* wide, const char16_t* wideEnd, uint8_t* bytes, uint8_t* bytesEnd,
                                int lenient) {
  const char16_t* in = wide;
  uint8_t* out = bytes;
  while (in < wideEnd) {
    uint32_t c = *in++;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (in < wideEnd) {
        const uint32_t low = *in;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++in;
        } else if (lenient == 0) {
          return 3;
        }
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF && lenient == 0) {
      return 3;
    }
    uint8_t encoded[4];
    int n = 0;
    if (c < 0x80) {
      encoded[n++] = static_cast<uint8_t>(c);
    } else if (c < 0x800) {
      encoded[n++] = static_cast<uint8_t>(0xC0 | (c >> 6));
      encoded[n++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      encoded[n++] = static_cast<uint8_t>(0xE0 | (c >> 12));
      encoded[n++] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
      encoded[n++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    } else {
      encoded[n++] = static_cast<uint8_t>(0xF0 | (c >> 18));
      encoded[n++] = static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F));
      encoded[n++] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
      encoded[n++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    }
    if (bytesEnd - out < n) return 2;
    std::memcpy(out, encoded, static_cast<size_t>(n));
    out += n;
    if (c == 0) break;
  }
  return 0;
}
