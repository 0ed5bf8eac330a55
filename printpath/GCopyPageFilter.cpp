#include "printpath/GCopyPageFilter.h"

#include "driver/GDriverInstance.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MStoredMembers.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/SpoolLock.h"

GCopyPageFilter::GCopyPageFilter(const int32_t* id) : GSpoolingFilter(id) {}
GCopyPageFilter::GCopyPageFilter(const GCopyPageFilter& other) : GSpoolingFilter(other) {}
GCopyPageFilter& GCopyPageFilter::operator=(const GCopyPageFilter& other) {
  if (this != &other) {
    GSpoolingFilter::operator=(other);
    ClearJob();
    copying_ = 0;
    pageCounter_ = 0;
  }
  return *this;
}
GCopyPageFilter::~GCopyPageFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GCopyPageFilter, GPeripheral, GCopyPageFilterClassId)

template <typename Archive>
void GCopyPageFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GCopyPageFilter, GPeripheral)

RWCollectable* GCopyPageFilterCreate() { return new GCopyPageFilter; }

void GCopyPageFilter::ClearJob() {
  breakSeen_ = 0;
  unpackedBreak_ = 0;
  flushed_ = 0;
  copyCount_ = 1;
}

void GCopyPageFilter::Reset() {
  GSpoolingFilter::Reset();
  ClearJob();
}

uint16_t GCopyPageFilter::TakePageCopies(GCommand* command) {
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  int32_t value = 0;
  if (settings == nullptr || !GSettingQuery::NumberAt(settings, GFeatureIds::kPageCopies, &value)) return copyCount_;
  const auto count = static_cast<uint16_t>(value);
  if (count > 1) SpoolSettings::SetNumber(settings, GFeatureIds::kPageCopies, 1);
  return count;
}

int16_t GCopyPageFilter::DocumentStart(GDocumentStart* command) {
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings == nullptr) return 0;
  GDriverInstance* instance = command->GetDriverInstance();
  bool acts = false;
  int32_t index = 0;
  int32_t copies = 0;
  int32_t printerCopies = 0;
  if (instance != nullptr && GSettingQuery::NumberAt(settings, GFeatureIds::kCopyQualifierIndex, &index)) {
    auto* list =
        dynamic_cast<MAssociationList*>(GSettingQuery::Find(instance->GetPrinterConfiguration(), GFeatureIds::kCopyQualifierList));
    if (list != nullptr) {
      GValueAttribute key(static_cast<int16_t>(index), nullptr);
      RWCString text;
      acts = GSettingQuery::Text(list->GetValueFor(&key), &text) && text == RWCString("LOW");
    }
  }
  acts = acts && GSettingQuery::NumberAt(settings, GFeatureIds::kCopies, &copies) &&
         GSettingQuery::NumberAt(settings, GFeatureIds::kPrinterCopies, &printerCopies) &&
         static_cast<uint16_t>(copies) > 1 && copies != printerCopies;
  if (!acts) {
    Deactivate();
    return 0;
  }
  copyCount_ = static_cast<uint16_t>(copies);
  SpoolSettings::SetNumber(settings, GFeatureIds::kCopies, 1);
  SpoolSettings::SetNumber(settings, GFeatureIds::kPageCopies, 1);
  Activate();
  copying_ = 1;
  pageCounter_ = 0;
  breakSeen_ = 0;
  flushed_ = 0;
  BeginSpool(command, u".cpg", u".cft");
  return 0;
}

int16_t GCopyPageFilter::PageStart(GPageStart* command) {
  SpoolLock::Scope lock;
  ++pageCounter_;
  if (GState* settings = command->GetSettings()) {
    int32_t value = 0;
    if (GSettingQuery::NumberAt(settings, GFeatureIds::kPageCopies, &value)) {
      delete settings->RemoveChildById(GFeatureIds::kPageCopies);
      if (static_cast<uint16_t>(value) > 1) {
        copyCount_ = static_cast<uint16_t>(value);
        const int32_t id = GFeatureIds::kPageCopies;
        settings->AddChild(new GValueAttribute(1, &id));
      }
    }
  }
  return RecordPageStart(command, pageCounter_);
}

int16_t GCopyPageFilter::PageEnd(GPageEnd* command) {
  SpoolLock::Scope lock;
  const uint16_t copies = TakePageCopies(command);
  if (const int16_t status = RecordPageEnd(command); status != 0) return status;
  GCountedPtr page(CurrentPage());
  if (page.Pointee() == nullptr) return 0;
  AppendEntry(page);
  const int16_t status = SaveCompanionFonts();
  if (status == 0)
    for (uint16_t i = 1; i < copies; ++i) AppendEntry(DuplicatePage(page, i));
  ForgetCurrentPage();
  return status;
}

void GCopyPageFilter::Flush() {
  // Every entry after those a document break already sent, once: the
  // pages of the second part whatever the sizes of the two parts.
  std::vector<GCountedPtr>& pages = Pages();
  for (size_t i = flushed_; i < pages.size(); ++i) AppendToHolder(pages[i]);
  flushed_ = pages.size();
}

int16_t GCopyPageFilter::DocumentBreak(GCommand* command) {
  if (Holder() == nullptr) return 0;
  Flush();
  AppendToHolder(command);
  breakSeen_ = 1;
  return 0;
}

int16_t GCopyPageFilter::DocumentEnd(GDocumentEnd* command) {
  if (breakSeen_ != 0) NewEmptyHolder();
  if (Holder() != nullptr) {
    Flush();
    AppendToHolder(command);
    ForgetInstance();
    Pages().clear();
    copying_ = 0;
  }
  ClearJob();
  return 0;
}

int16_t GCopyPageFilter::JobAbort(GJobAbort*) {
  Reset();
  copying_ = 0;
  return 0;
}

bool GCopyPageFilter::UnpacksComposite(GCommand*) { return copying_ == 0 || unpackedBreak_ != 0; }

int GCopyPageFilter::UnpackNested(GCommand*, GCommand* member, GCountedPtr& result) {
  if (copying_ != 0) return 0;
  result = SendComposite(member);
  return 1;
}

void GCopyPageFilter::TakeUnpackedPage(const GCountedPtr& page, int whole) {
  uint16_t copies = 1;
  auto* command = dynamic_cast<GCommand*>(page.Pointee());
  const bool onDisk = command != nullptr && command->ClassId() == GCommandCompositeOnDiskClassId;
  if (whole != 0 && (copying_ != 0 || onDisk) && command != nullptr) {
    auto take = [&](RWClassID classId) {
      if (auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(command)) {
        GCountedRef record;
        disk->HandleByClass(record, classId);
        auto* found = dynamic_cast<GCommand*>(record.Pointee());
        const uint16_t n = TakePageCopies(found);
        if (found != nullptr) disk->ReplaceChildHandleByClass(classId, record);
        return n;
      }
      return TakePageCopies(dynamic_cast<GCommand*>(command->FindByClass(classId)));
    };
    take(GPageStartClassId);
    copies = take(GPageEndClassId);
  }
  ++pageCounter_;
  AppendEntry(page);
  for (uint16_t i = 1; i < copies; ++i) AppendEntry(DuplicatePage(page, i));
}
