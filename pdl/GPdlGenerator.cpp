#include "pdl/GPdlGenerator.h"

#include "driver/osfactry.h"
#include "graphics/GGlyphCodeAllocator.h"
#include "model/GConfiguration.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GRangeAttribute.h"
#include "model/MStoredMembers.h"
#include "pdl/GDownloadRecord.h"
#include "model/GErrorCommand.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GOutputChannelSource.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// DriverWorkSpaceSetting counts hundredths of a megabyte.
constexpr uint32_t kBytesPerWorkSpaceUnit = 10485;  // 1048576 / 100

constexpr int16_t kStyleCodes[16] = {0, 5, 10, 15, 80, 85, 90, 95, 160, 165, 170, 175, 240, 245, 252, 255};

}  // namespace

GPdlGenerator::GPdlGenerator()
    : inDocument_(0),
      secondJob_(0),
      fontCounter_(0),
      useStampCounter_(0),
      pathDepth_(0),
      clipPath_(0),
      progress_(1),
      driverInstance_(nullptr) {
  BindDeviceFontList();
}

GPdlGenerator::GPdlGenerator(const int32_t* id)
    : GPeripheralComposite(id),
      inDocument_(0),
      secondJob_(0),
      fontCounter_(0),
      useStampCounter_(0),
      pathDepth_(0),
      clipPath_(0),
      progress_(1),
      driverInstance_(nullptr) {
  BindDeviceFontList();
}

GPdlGenerator::GPdlGenerator(const RWCString& name, GState* defaultState, GConfiguration* configuration,
                             const int32_t* id, int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPeripheralComposite(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode),
      inDocument_(0),
      secondJob_(0),
      fontCounter_(0),
      useStampCounter_(0),
      pathDepth_(0),
      clipPath_(0),
      progress_(1),
      driverInstance_(nullptr) {
  BindDeviceFontList();
}

GPdlGenerator::GPdlGenerator(const GPdlGenerator& other)
    : GPeripheralComposite(other),
      inDocument_(other.inDocument_),
      secondJob_(other.secondJob_),
      fontCounter_(0),
      useStampCounter_(0),
      pathDepth_(other.pathDepth_),
      clipPath_(other.clipPath_),
      progress_(other.progress_),
      driverInstance_(nullptr) {
  BindDeviceFontList();
}

GPdlGenerator& GPdlGenerator::operator=(const GPdlGenerator& other) {
  if (&other == this) return *this;
  GPeripheralComposite::operator=(other);
  inDocument_ = other.inDocument_;
  secondJob_ = other.secondJob_;
  pathDepth_ = other.pathDepth_;
  clipPath_ = other.clipPath_;
  progress_ = other.progress_;
  fontCounter_ = 0;
  useStampCounter_ = 0;
  driverInstance_ = nullptr;
  DropDownloadState();
  BindDeviceFontList();
  return *this;
}

GPdlGenerator::~GPdlGenerator() = default;

int GPdlGenerator::DerivesFrom(RWClassID classId) const {
  return classId == GPdlGeneratorClassId || GPeripheralComposite::DerivesFrom(classId);
}

int GPdlGenerator::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* generator = dynamic_cast<const GPdlGenerator*>(other);
  return generator != nullptr && GPeripheralComposite::Matches(other) && inDocument_ == generator->inDocument_ &&
         secondJob_ == generator->secondJob_ && pathDepth_ == generator->pathDepth_ &&
         clipPath_ == generator->clipPath_ && progress_ == generator->progress_;
}

// The version, the document and second-job flags, the path depth and the
// clip path flag; taken only when all were read, and the device font list
// is bound again then.
template <typename Archive>
void GPdlGenerator::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  [[maybe_unused]] const uint32_t version = archive.Version(ClassVersion());
  // A body of this version starts a new download state.
  if constexpr (Archive::kReading) {
    if (version == ClassVersion()) DropDownloadState();
  }
  int32_t inDocument = inDocument_;
  int32_t secondJob = secondJob_;
  int16_t pathDepth = pathDepth_;
  int32_t clipPath = clipPath_;
  archive(inDocument, secondJob, pathDepth, clipPath);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    inDocument_ = inDocument;
    secondJob_ = secondJob;
    pathDepth_ = pathDepth;
    clipPath_ = clipPath;
    BindDeviceFontList();
  }
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPdlGenerator, GPeripheralComposite)

// ---- Downloaded-font cache and glyph-code allocator ----

void GPdlGenerator::SetDownloadCache(GDownloadCache* cache) {
  if (cache != downloadCache_.get()) downloadCache_.reset(cache);
}

void GPdlGenerator::SetGlyphCodeAllocator(GGlyphCodeAllocator* allocator) {
  if (allocator != glyphCodes_.get()) glyphCodes_.reset(allocator);
}

void GPdlGenerator::DropDownloadState() {
  downloadCache_.reset();
  glyphCodes_.reset();
}

// ---- Device fonts ----

void GPdlGenerator::BindDeviceFontList() {
  MPersistentObject* found = nullptr;
  if (GConfiguration* configuration = GetConfiguration()) found = configuration->FindById(GDeviceFontListId);
  if (dynamic_cast<GDeviceFontListComposite*>(found) != nullptr) {
    deviceFontList_ = GCountedPtr(found);
  } else {
    deviceFontList_ = GCountedPtr(new GDeviceFontListComposite);
  }
}

GDeviceFontListComposite* GPdlGenerator::GetDeviceFontList() const {
  return static_cast<GDeviceFontListComposite*>(deviceFontList_.Pointee());
}

// ---- Job operations ----

GCountedPtr GPdlGenerator::Send(GCommand* command) { return GPeripheral::Send(command); }

GCountedPtr GPdlGenerator::SendThroughChildren(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr || ChildCount() == 0) return GPdlGenerator::Send(command);
  auto isError = [](GCommand* c) { return c == nullptr || c->ClassId() == GErrorCommandClassId; };
  auto throughChildren = [this, &isError](GCountedPtr current) {
    for (size_t i = 0; i < ChildCount(); ++i) {
      GPeripheral* child = ChildAt(i);
      if (isError(CommandOf(current))) break;
      if (child == nullptr || child->IsActive() == 0) continue;
      current = child->Send(CommandOf(current));
    }
    return current;
  };
  const RWClassID classId = command->ClassId();
  if (classId == GDocumentEndClassId || classId == GPageEndClassId) {
    GCountedPtr passed = throughChildren(held);
    if (isError(CommandOf(passed))) return passed;
    return GPdlGenerator::Send(CommandOf(passed));
  }
  GCountedPtr result = GPdlGenerator::Send(command);
  if (isError(CommandOf(result))) return result;
  return throughChildren(result);
}

int16_t GPdlGenerator::DocumentStart(GDocumentStart* command) {
  inDocument_ = 1;
  if (GOSFactory* factory = GOSFactory::GetInstance()) {
    if (factory->SuppressesProgress() != 0) progress_ = 0;
  }
  driverInstance_ = command != nullptr ? command->GetDriverInstance() : nullptr;
  const int16_t status = TakeOrOpenJobChannel(this, command, driverInstance_);
  if (status != 0) return status;
  // The budget is re-armed for every job.
  MPersistentObject* found = nullptr;
  if (GConfiguration* configuration = GetConfiguration()) found = configuration->FindById(GDriverWorkSpaceSettingId);
  if (auto* workSpace = dynamic_cast<GRangeAttribute*>(found)) {
    // A negative setting counts as none: no memory for downloads.
    const int16_t value = workSpace->GetValue();
    budget_.Reset(value > 0 ? static_cast<uint32_t>(value) * kBytesPerWorkSpaceUnit : 0);
  } else {
    budget_.ResetUsage();
  }
  return 0;
}

int16_t GPdlGenerator::PageStart(GPageStart*) { return 0; }
int16_t GPdlGenerator::SetString(GStringAttribute*) { return 0; }

// ---- Generator section ----

uint32_t GPdlGenerator::ReleaseDeviceMemory(uint32_t bytes) { return budget_.Release(bytes); }
uint32_t GPdlGenerator::ReserveDeviceMemory(uint32_t bytes) { return budget_.Reserve(bytes); }
int32_t GPdlGenerator::QueryFontHandling(GFontFace*) { return 1; }

int32_t GPdlGenerator::QueryTextHandling(const GFontMetrics*, int32_t, int32_t, const char** outText, int32_t,
                                         int32_t, GDeviceFontDescription**) {
  if (outText != nullptr) *outText = nullptr;
  return 1;
}

int16_t GPdlGenerator::LookupStyleCode(int16_t n) {
  // The low four bits of n - 1: (n - 1) modulo 16 for negative n as well.
  return kStyleCodes[static_cast<uint16_t>(n - 1) & 0x0F];
}

int32_t GPdlGenerator::CheckEscapeText(const RWCString&) { return 0; }
