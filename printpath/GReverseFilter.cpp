#include "printpath/GReverseFilter.h"

#include "driver/GDriverInstance.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

GReverseFilter::GReverseFilter(const int32_t* id) : GSpoolingFilter(id) {}
GReverseFilter::GReverseFilter(const GReverseFilter& other) : GSpoolingFilter(other) {}
GReverseFilter& GReverseFilter::operator=(const GReverseFilter& other) {
  if (this != &other) {
    GSpoolingFilter::operator=(other);
    pageCount_ = 0;
    inDocument_ = 0;
    letterhead_ = 0;
    firstPageSettings_ = GCountedPtr();
    insertBlank_ = 0;
  }
  return *this;
}
GReverseFilter::~GReverseFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GReverseFilter, GPeripheral, GReverseFilterClassId)

template <typename Archive>
void GReverseFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GReverseFilter, GPeripheral)

RWCollectable* GReverseFilterCreate() { return new GReverseFilter; }

void GReverseFilter::Reset() {
  GSpoolingFilter::Reset();
  firstPageSettings_ = GCountedPtr();
}

int16_t GReverseFilter::DocumentStart(GDocumentStart* command) {
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings == nullptr) return 0;
  int32_t order = 0;
  const bool hasOrder = GSettingQuery::NumberAt(settings, GFeatureIds::kPageOrder, &order);
  int32_t flag = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kReverseDuplexFlag, &flag);
  int32_t duplex = 0;
  if (flag != 0) GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &duplex);
  bool acts = false;
  if (flag != 0)
    acts = (duplex != 0 && hasOrder && order == 0) || (hasOrder && order == 1 && duplex == 0);
  else
    acts = hasOrder && order == 1;
  if (!acts) {
    Deactivate();
    return 0;
  }
  Activate();
  inDocument_ = 1;
  GDriverInstance* instance = command->GetDriverInstance();
  RWCString mediaName;
  int32_t unit = 0;
  int32_t straight = 0;
  int32_t docDuplex = 0;
  if (instance != nullptr && GSettingQuery::NumberAt(instance->GetPrinterConfiguration(), GFeatureIds::kDuplexUnit, &unit) &&
      unit != 0 && SpoolSettings::Media(settings, &mediaName, nullptr) && mediaName == RWCString("Letterhead") &&
      GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &docDuplex) && docDuplex != 0 &&
      (!GSettingQuery::NumberAt(settings, GFeatureIds::kStraightPaperPath, &straight) || straight == 0))
    letterhead_ = 1;
  pageCount_ = 0;
  insertBlank_ = 0;
  hasLastTray_ = 0;
  lastMediaName_ = RWCString();
  firstPageSettings_ = GCountedPtr();
  BeginSpool(command, u".rpg", u".rft");
  return 0;
}

int16_t GReverseFilter::PageStart(GPageStart* command) {
  HoldSpoolLock();
  GState* settings = command->GetSettings();
  const bool secondSide = (pageCount_ % 2) == 1 && letterhead_ != 0;
  if (letterhead_ != 0 && pageCount_ == 0 && settings != nullptr)
    firstPageSettings_ = GCountedPtr(settings->DeepCopy());
  RWCString mediaName;
  if (SpoolSettings::Media(settings, &mediaName, nullptr) && !mediaName.IsEmpty()) {
    if (secondSide && mediaName != RWCString("Letterhead") && mediaName != lastMediaName_) insertBlank_ = 1;
    lastMediaName_ = mediaName;
  }
  int32_t tray = 0;
  if (GSettingQuery::NumberAt(settings, GFeatureIds::kInputBin, &tray)) {
    if (secondSide && hasLastTray_ != 0 && static_cast<int16_t>(tray) != lastTray_) insertBlank_ = 1;
    lastTray_ = static_cast<int16_t>(tray);
    hasLastTray_ = 1;
  }
  ++pageCount_;
  return RecordPageStart(command, pageCount_);
}

int16_t GReverseFilter::PageEnd(GPageEnd* command) {
  int16_t status = RecordPageEnd(command);
  if (status == 0 && CurrentPage() != nullptr) {
    if (insertBlank_ != 0) {
      // The blank goes before the page, which so starts a new sheet.
      AppendBlankEntry(dynamic_cast<GState*>(firstPageSettings_.Pointee()));
      ++pageCount_;
    }
    AppendEntry(GCountedPtr(CurrentPage()));
    status = SaveCompanionFonts();
    ForgetCurrentPage();
  }
  insertBlank_ = 0;
  ReleaseSpoolLock();
  return status;
}

int16_t GReverseFilter::EndOfDocument(GCommand* command) {
  if (Holder() != nullptr) {
    auto* first = dynamic_cast<GState*>(firstPageSettings_.Pointee());
    if (letterhead_ != 0 && first != nullptr && (pageCount_ % 2) == 1) {
      int32_t tray = 0;
      if (hasLastTray_ != 0 && GSettingQuery::NumberAt(first, GFeatureIds::kInputBin, &tray) && tray != lastTray_)
        SpoolSettings::SetNumber(first, GFeatureIds::kInputBin, lastTray_);
      if (auto* media = dynamic_cast<GMedia*>(GSettingQuery::Find(first, GFeatureIds::kPageMedia))) {
        if (media->GetMediaTypeName() == RWCString("Letterhead") && !lastMediaName_.IsEmpty() &&
            media->GetMediaTypeName() != lastMediaName_)
          media->SetMediaTypeName(lastMediaName_);
      }
      AppendBlankEntry(first);
      ++pageCount_;
    }
    firstPageSettings_ = GCountedPtr();
    std::vector<GCountedPtr>& pages = Pages();
    for (size_t i = pages.size(); i > 0; --i) AppendToHolder(pages[i - 1]);
    AppendToHolder(command);
    ForgetInstance();
    pages.clear();
    inDocument_ = 0;
  }
  insertBlank_ = 0;
  return 0;
}

int16_t GReverseFilter::DocumentEnd(GDocumentEnd* command) { return EndOfDocument(command); }
int16_t GReverseFilter::DocumentBreak(GCommand* command) { return EndOfDocument(command); }

int16_t GReverseFilter::JobAbort(GJobAbort*) {
  Reset();
  inDocument_ = 0;
  insertBlank_ = 0;
  return 0;
}

int GReverseFilter::UnpackNested(GCommand*, GCommand* member, GCountedPtr&) {
  // A part that holds no page start where no page is pending: the walk
  // cannot place it, and the filter lets the job through unfiltered.
  if (member->FindByClass(GPageStartClassId) == nullptr && member->FindByClass(GPageEndClassId) == nullptr) {
    Deactivate();
    return 0;
  }
  return 0;
}

int GReverseFilter::PrepareUnpackedStart(GCommand* pageStart) {
  if (letterhead_ != 0 && pageCount_ == 0 && pageStart != nullptr && pageStart->GetSettings() != nullptr &&
      firstPageSettings_.Pointee() == nullptr)
    firstPageSettings_ = GCountedPtr(pageStart->GetSettings()->DeepCopy());
  return 0;
}

void GReverseFilter::TakeUnpackedPage(const GCountedPtr& page, int) {
  AppendEntry(page);
  ++pageCount_;
}
