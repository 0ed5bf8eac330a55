#include "printpath/GSpoolingFilter.h"

#include <atomic>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "driver/GDriverInstance.h"
#include "driver/GSettingValue.h"
#include "driver/GUpwardServices.h"
#include "driver/drvrsrvr.h"
#include "driver/osfactry.h"
#include "model/GCommandComposite.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GValue32Attribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/MPersistentIterator.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/SpoolLock.h"
#include "win32/File.h"
#include "win32/Kernel.h"

namespace {

constexpr RWClassID kGraphicClass = 602;
constexpr RWClassID kPassThroughClass = 608;
constexpr RWClassID kDownloadHeaderClass = 610;

// Documents spooled in this process, numbered from 1.
std::atomic<uint32_t> g_spooledDocuments{0};

RWWString Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return RWWString(RWCString(text));
}

RWCString HexText(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return RWCString(text);
}

RWWString Join(std::initializer_list<const RWWString*> parts) {
  RWWString out;
  for (const RWWString* part : parts) out.AppendText(part->Data());
  return out;
}

void DeleteIfThere(const RWWString& path) {
  // A file that is not there is no error.
  DeleteFileW(path.Data());
}

bool IsPageContent(const MPersistentObject* command) {
  const RWClassID id = command->ClassId();
  return command->DerivesFrom(kGraphicClass) || id == GNullCommandClassId || id == kPassThroughClass ||
         id == kDownloadHeaderClass;
}

bool IsPlainComposite(const MPersistentObject* command) {
  return command != nullptr && command->ClassId() == GCommandCompositeClassId;
}

// A page start or page end among the records of an on-disk member (a read
// copy held by the handle).
GCountedRef RecordOfClass(GCommandCompositeOnDisk* page, RWClassID classId) {
  GCountedRef record;
  page->HandleByClass(record, classId);
  return record;
}

}  // namespace

namespace SpoolSettings {

bool SetNumber(MPersistentObject* root, int32_t id, int32_t value) {
  MPersistentObject* held = GSettingQuery::Find(root, id);
  if (GSettingValue::SetObject(held, static_cast<int16_t>(value))) return true;
  if (auto* wide = dynamic_cast<GValue32Attribute*>(held)) {
    wide->SetValue(value);
    return true;
  }
  return false;
}

bool Media(MPersistentObject* root, RWCString* typeName, int16_t* paperId) {
  auto* media = dynamic_cast<GMedia*>(GSettingQuery::Find(root, GFeatureIds::kPageMedia));
  if (media == nullptr) return false;
  if (typeName != nullptr) *typeName = media->GetMediaTypeName();
  if (paperId != nullptr) *paperId = media->GetPaperId();
  return true;
}

int TurnOrientation(MPersistentObject* root) {
  int32_t orientation = 0;
  if (!GSettingQuery::NumberAt(root, GFeatureIds::kOrientation, &orientation)) return 0;
  switch (orientation) {
    case 0: orientation = 180; break;
    case 90: orientation = 270; break;
    case 180: orientation = 0; break;
    case 270: orientation = 90; break;
    default: return 1;
  }
  SetNumber(root, GFeatureIds::kOrientation, orientation);
  return 1;
}

}  // namespace SpoolSettings

GSpoolingFilter::GSpoolingFilter(const int32_t* id) : GPeripheral(id) {}

GSpoolingFilter::GSpoolingFilter(const GSpoolingFilter& other) : GPeripheral(other) {}

GSpoolingFilter& GSpoolingFilter::operator=(const GSpoolingFilter& other) {
  if (this != &other) {
    GPeripheral::operator=(other);
    ClearRuntime();
  }
  return *this;
}

GSpoolingFilter::~GSpoolingFilter() { ClearRuntime(); }

void GSpoolingFilter::ClearRuntime() {
  pages_.clear();
  holder_ = GCountedPtr();
  current_ = GCountedPtr();
  instance_ = nullptr;
  ReleaseSpoolLock();
}

RWWString GSpoolingFilter::BaseName(uint32_t handle, uint32_t document, uint32_t counter) {
  RWWString name = Hex(static_cast<uint32_t>(GetCurrentProcessId()));
  for (uint32_t part : {handle, document, counter}) {
    name.AppendText(u"-");
    name.AppendText(Hex(part).Data());
  }
  return name;
}

int GSpoolingFilter::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GPeripheral::Matches(other);
}

void GSpoolingFilter::AppendBlankEntry(GState* settings) {
  auto* blank = new GCommandComposite;
  GCountedPtr held(blank);
  blank->AddChild(new GPageStart(settings != nullptr ? dynamic_cast<GState*>(settings->DeepCopy()) : nullptr));
  blank->AddChild(new GPageEnd);
  pages_.push_back(held);
}

GCommandComposite* GSpoolingFilter::Holder() const { return dynamic_cast<GCommandComposite*>(holder_.Pointee()); }

GCommandCompositeOnDisk* GSpoolingFilter::CurrentPage() const {
  return dynamic_cast<GCommandCompositeOnDisk*>(current_.Pointee());
}

void GSpoolingFilter::NewEmptyHolder() { holder_ = GCountedPtr(new GCommandComposite); }

void GSpoolingFilter::AppendToHolder(const GCountedPtr& command) { AppendToHolder(dynamic_cast<GCommand*>(command.Pointee())); }

void GSpoolingFilter::AppendToHolder(GCommand* command) {
  GCommandComposite* holder = Holder();
  if (holder == nullptr || command == nullptr) return;
  holder->AddChild(command);
}

void GSpoolingFilter::HoldSpoolLock() {
  if (holdsLock_ != 0) return;
  SpoolLock::Enter();
  holdsLock_ = 1;
}

void GSpoolingFilter::ReleaseSpoolLock() {
  if (holdsLock_ == 0) return;
  holdsLock_ = 0;
  SpoolLock::Leave();
}

void GSpoolingFilter::Reset() {
  pages_.clear();
  holder_ = GCountedPtr();
  current_ = GCountedPtr();
  Deactivate();
  ReleaseSpoolLock();
}

// ---- Recording ----

void GSpoolingFilter::BeginSpool(GDocumentStart* start, const char16_t* pageExtension,
                                 const char16_t* companionExtension) {
  pages_.clear();
  current_ = GCountedPtr();
  instance_ = start != nullptr ? start->GetDriverInstance() : nullptr;
  handle_ = 0;
  if (GDriverServer* server = GDriverServer::GetInstance(); server != nullptr && instance_ != nullptr) {
    int handle = 0;
    if (server->GetRenderHandle(&handle, instance_)) handle_ = static_cast<uint32_t>(handle);
  }
  document_ = ++g_spooledDocuments;
  directory_ = RWWString();
  if (GOSFactory* factory = GOSFactory::GetInstance(); factory != nullptr && instance_ != nullptr)
    directory_ = factory->GetTempDirectory(instance_);
  separator_ = RWWString(u"\\");
  pageExtension_ = RWWString(pageExtension);
  companionExtension_ = RWWString(companionExtension);
  holder_ = GCountedPtr(new GCommandComposite);
  AppendToHolder(start);
}

int16_t GSpoolingFilter::RecordPageStart(GPageStart* start, uint32_t counter) {
  baseName_ = BaseName(handle_, document_, counter);
  pagePath_ = Join({&directory_, &separator_, &baseName_, &pageExtension_});
  DeleteIfThere(pagePath_);
  auto* page = new GCommandCompositeOnDisk(pagePath_, 1, nullptr);
  current_ = GCountedPtr(page);
  fontPath_ = Join({&directory_, &separator_, &baseName_, &companionExtension_});
  DeleteIfThere(fontPath_);

  auto* settings = new GGraphicBundle;
  const int32_t pathId = GFeatureIds::kSpoolCompanionFilePath;
  const int32_t handleId = GFeatureIds::kSpoolInstanceHandle;
  settings->AddChild(new GStringAttribute(fontPath_.NarrowAscii(), &pathId));
  settings->AddChild(new GStringAttribute(HexText(handle_), &handleId));
  if (page->GetStoreError() == 0) {
    page->SetSettings(settings);
  } else {
    delete settings;
  }
  if (page->GetStoreError() == 0) page->AddChildHandle(GCountedRef(start));
  if (page->GetStoreError() == 0) page->AddChildHandle(GCountedRef(new GNullCommand));
  if (page->GetStoreError() != 0) {
    Reset();
    return kSpoolFailed;
  }
  return 0;
}

int16_t GSpoolingFilter::RecordPageEnd(GPageEnd* end) {
  GCommandCompositeOnDisk* page = CurrentPage();
  if (page == nullptr) return 0;
  if (page->GetStoreError() == 0) {
    page->AddChildHandle(GCountedRef(end));
    page->Close();
  }
  if (page->GetStoreError() != 0) {
    Reset();
    return kSpoolFailed;
  }
  return 0;
}

int16_t GSpoolingFilter::SaveCompanionFonts() {
  const auto save = UpwardServices().spoolFonts.save;
  if (save == nullptr || instance_ == nullptr) return 0;
  return save(instance_, fontPath_) != 0 ? 0 : kSpoolFailed;
}

GCountedPtr GSpoolingFilter::DuplicatePage(const GCountedPtr& page, uint32_t copy) {
  auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(page.Pointee());
  if (disk == nullptr || disk->GetStoreError() != 0) return page;
  disk->Close();
  const RWCString name = disk->Store().StoredFileName();
  if (name.IsEmpty()) return page;
  // The copy number goes before the extension: "<page>-<copy><ext>".
  const std::string text(name.Data(), name.Length());
  const size_t dot = text.find_last_of('.');
  const size_t slash = text.find_last_of("\\/");
  const size_t cut = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : text.size();
  const RWWString source(name);
  const RWWString target(RWCString((text.substr(0, cut) + "-" + HexText(copy).Data() + text.substr(cut)).c_str()));
  if (CopyFileW(source.Data(), target.Data(), FALSE) == FALSE) return page;
  auto* duplicate = new GCommandCompositeOnDisk(target, 1, nullptr);
  GCountedPtr held(duplicate);
  if (duplicate->GetStoreError() != 0) return page;
  duplicate->Close();
  return held;
}

// ---- The filter operation ----

GCountedPtr GSpoolingFilter::Filter(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr) return held;
  if (IsPageContent(command)) {
    if (GCommandCompositeOnDisk* page = CurrentPage(); page != nullptr && page->GetStoreError() == 0) {
      page->AddChildHandle(GCountedRef(command));
      if (page->GetStoreError() != 0) {
        Reset();
        return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(kSpoolFailed), command));
      }
    } else if (IsActive() && current_.Pointee() == nullptr && Holder() != nullptr &&
               command->ClassId() != GNullCommandClassId && !command->DerivesFrom(kGraphicClass)) {
      // Printer data between pages (pass-through bytes, header requests)
      // goes on with the document rather than being lost: it follows the
      // document start in the holder.
      AppendToHolder(command);
    }
  } else {
    const int16_t status = command->Dispatch(this);
    if (status != 0) return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(status), command));
  }
  if (!IsActive()) return held;
  const RWClassID id = command->ClassId();
  if (id == GDocumentEndClassId || id == GDocumentBreakClassId) {
    if (holder_.Pointee() == nullptr) return held;
    GCountedPtr holder = holder_;
    holder_ = GCountedPtr();
    return holder;
  }
  return GCountedPtr(new GNoCommand);
}

// ---- Whole-job composites ----

GCountedPtr GSpoolingFilter::Send(GCommand* command) {
  if (command != nullptr && IsActive() && IsPlainComposite(command) && UnpacksComposite(command))
    return Unpack(command);
  return GPeripheral::Send(command);
}

int GSpoolingFilter::UnpackNested(GCommand*, GCommand*, GCountedPtr&) { return 0; }
int GSpoolingFilter::PrepareUnpackedStart(GCommand*) { return 0; }
void GSpoolingFilter::TakeUnpackedPage(const GCountedPtr& page, int) { pages_.push_back(page); }

GCountedPtr GSpoolingFilter::Unpack(GCommand* composite) {
  GCountedPtr held(composite);
  GCountedPtr result;
  GCountedPtr pending;
  MPersistentIterator* it = composite->CreateIterator();
  if (it == nullptr) return held;
  while (IsActive() && it->Advance()) {
    auto* member = dynamic_cast<GCommand*>(it->Current());
    if (member == nullptr) continue;
    GCountedPtr heldMember(member);
    const RWClassID id = member->ClassId();
    if (id == GCommandCompositeClassId || id == GCommandCompositeOnDiskClassId) {
      bool hasStart = false;
      bool hasEnd = false;
      if (id == GCommandCompositeClassId) {
        GCountedPtr stop;
        if (UnpackNested(composite, member, stop) != 0) {
          result = stop;
          break;
        }
        MPersistentObject* start = member->FindByClass(GPageStartClassId);
        hasStart = start != nullptr;
        hasEnd = member->FindByClass(GPageEndClassId) != nullptr;
        if (start != nullptr) PrepareUnpackedStart(dynamic_cast<GCommand*>(start));
      } else {
        auto* page = static_cast<GCommandCompositeOnDisk*>(member);
        GCountedRef start = RecordOfClass(page, GPageStartClassId);
        hasStart = start.Pointee() != nullptr;
        hasEnd = RecordOfClass(page, GPageEndClassId).Pointee() != nullptr;
        if (hasStart && PrepareUnpackedStart(dynamic_cast<GCommand*>(start.Pointee())) != 0)
          page->ReplaceChildHandleByClass(GPageStartClassId, start);
        if (ClosesUnpackedStore()) page->Close();
      }
      if (hasStart && hasEnd) {
        TakeUnpackedPage(heldMember, 1);
      } else if (hasStart) {
        auto* assembled = new GCommandComposite;
        pending = GCountedPtr(assembled);
        assembled->AddChild(member);
      } else if (auto* assembled = dynamic_cast<GCommandComposite*>(pending.Pointee())) {
        assembled->AddChild(member);
        if (hasEnd) {
          TakeUnpackedPage(pending, 0);
          pending = GCountedPtr();
        }
      }
    } else if (id == GDocumentStartClassId) {
      Filter(member);
    } else if (id == GDocumentEndClassId || id == GJobAbortClassId || id == GDocumentBreakClassId) {
      result = Filter(member);
      if (id == GDocumentBreakClassId) OnUnpackedBreak();
    }
  }
  delete it;
  return result.Pointee() != nullptr ? result : held;
}
