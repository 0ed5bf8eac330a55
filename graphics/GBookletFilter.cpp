#include "graphics/GBookletFilter.h"

#include <vector>

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MStoredMembers.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GDocumentBreak.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GRenderInstance.h"

namespace {

constexpr int kBookletEffects = 62;

// Sets the tray of page settings, adding it when they have none.
void SetInputTray(GState* settings, int16_t tray) {
  if (settings == nullptr || SpoolSettings::SetNumber(settings, GFeatureIds::kInputBin, tray)) return;
  const int32_t id = GFeatureIds::kInputBin;
  settings->AddChild(new GValueAttribute(tray, &id));
}

void SetMediaName(GState* settings, const RWCString& name) {
  if (auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(settings, GFeatureIds::kPageMedia)))
    medium->SetMediaTypeName(name);
}

// Runs change on the settings of the page start of a spooled page (read
// from its page file, written back when change says so, the file closed
// again) or of a blank page kept in memory.
template <typename Change>
void ChangePageStart(MPersistentObject* page, Change change) {
  if (auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(page)) {
    GCountedRef record;
    disk->HandleByClass(record, GPageStartClassId);
    auto* start = dynamic_cast<GCommand*>(record.Pointee());
    if (start != nullptr && change(start->GetSettings())) disk->ReplaceChildHandleByClass(GPageStartClassId, record);
    disk->Close();
    return;
  }
  if (auto* start = dynamic_cast<GCommand*>(page != nullptr ? page->FindByClass(GPageStartClassId) : nullptr))
    change(start->GetSettings());
}

GState* AsState(const GCountedPtr& held) { return dynamic_cast<GState*>(held.Pointee()); }

}  // namespace

GBookletFilter::GBookletFilter(const int32_t* id) : GSpoolingFilter(id) {}
GBookletFilter::GBookletFilter(const GBookletFilter& other) : GSpoolingFilter(other) {}
GBookletFilter& GBookletFilter::operator=(const GBookletFilter& other) {
  if (this != &other) {
    GSpoolingFilter::operator=(other);
    Reset();
    pageCount_ = 0;
    breakSeen_ = 0;
  }
  return *this;
}
GBookletFilter::~GBookletFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GBookletFilter, GSpoolingFilter, GBookletFilterClassId)

template <typename Archive>
void GBookletFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GBookletFilter, GSpoolingFilter)

RWCollectable* GBookletFilterCreate() { return new GBookletFilter; }

void GBookletFilter::Reset() {
  GSpoolingFilter::Reset();
  firstPageSettings_ = GCountedPtr();
  settingsCopy_ = GCountedPtr();
  nup_.reset();
}

void GBookletFilter::RebuildCurrentState() {
  GSpoolingFilter::RebuildCurrentState();
  nup_.reset();
}

GNupFilter* GBookletFilter::GetNupFilter() {
  if (!nup_) {
    const int32_t id = GNupFilterClassId;
    nup_ = std::make_unique<GNupFilter>(RWCString("Booklet::NupFilter"), new GState, new GConfiguration, &id, Instance());
  }
  return nup_.get();
}

GCountedPtr GBookletFilter::Filter(GCommand* command) {
  if (command == nullptr) return GCountedPtr(command);
  const RWClassID id = command->ClassId();
  if (id == GDocumentStartClassId) breakSeen_ = 0;
  // The break carried the booklet; the end of the same document passes.
  if (id == GDocumentEndClassId && breakSeen_ != 0) return GCountedPtr(command);
  GCountedPtr result = GSpoolingFilter::Filter(command);
  if (id == GDocumentBreakClassId) breakSeen_ = 1;
  return result;
}

GRealPair GBookletFilter::GetScale(GState*, GState* pageSettings, int32_t pageNumber, int32_t* code) {
  GState* copy = AsState(settingsCopy_);
  if (code == nullptr || *code == GGeometryFilter::kScaleGiven || copy == nullptr) return GRealPair(0.0f, 0.0f);
  const GRealPair scale = GetNupFilter()->GetScale(copy, pageSettings, pageNumber, code);
  *code = GGeometryFilter::kScaleGiven;
  return scale;
}

// ---- The document ----

int16_t GBookletFilter::DocumentStart(GDocumentStart* command) {
  GDriverInstance* instance = command != nullptr ? command->GetDriverInstance() : nullptr;
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings == nullptr) return 0;
  int32_t choice = 0;
  auto* renderer = dynamic_cast<GRenderInstance*>(instance);
  // Spooling needs the job's instance (its temporary directory); a
  // PostScript printer that imposes booklets itself is left to do so.
  if (!GSettingQuery::NumberAt(settings, GFeatureIds::kBookletPrintingChoice, &choice) || choice == 0 ||
      instance == nullptr || (renderer != nullptr && renderer->GetPostScriptNupOrBooklet() != 0)) {
    Deactivate();
    return 0;
  }
  binding_ = static_cast<int16_t>(choice);
  if (binding_ > 0) effectFlags_ = kBookletEffects;
  int32_t order = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kBookletSheetOrder, &order);
  sheetOrder_ = static_cast<int16_t>(order);
  Activate();
  pageCount_ = 0;
  firstPageSettings_ = GCountedPtr();
  BeginSpool(command, u".pg", u".fnt");

  GState* changed = command->DetachSettings();
  // Two pages a side, right then down, no frames.
  const int32_t layoutId = GFeatureIds::kNUpLayout;
  delete changed->RemoveChildById(layoutId);
  auto* layout = new GAttributeComposite(&layoutId);
  const int32_t nId = GFeatureIds::kNUpChoice, orderId = GFeatureIds::kNUpPageOrderChoice,
                bordersId = GFeatureIds::kNUpBordersChoice;
  layout->AddChild(new GValueAttribute(2, &nId));
  layout->AddChild(new GValueAttribute(0, &orderId));
  layout->AddChild(new GValueAttribute(0, &bordersId));
  changed->AddChild(layout);
  const int32_t duplexId = GFeatureIds::kDuplex;
  changed->AddChild(new GValueAttribute(2, &duplexId));
  int32_t bin = 0;
  if (GSettingQuery::NumberAt(changed, GFeatureIds::kOutputBin, &bin)) outputBin_ = static_cast<int16_t>(bin);
  auto* page = dynamic_cast<GMedia*>(GSettingQuery::Find(changed, GFeatureIds::kPageMedia));
  auto* target = dynamic_cast<GMedia*>(GSettingQuery::Find(changed, GFeatureIds::kBookletMedia));
  if (page != nullptr && target != nullptr) {
    int32_t orientation = 0;
    GSettingQuery::NumberAt(changed, GFeatureIds::kOrientation, &orientation);
    GMedia* sheet = nullptr;
    if (orientation == target->GetOrientation()) {
      sheet = new GMedia(*target);
    } else {
      GShortPoint size = *target->GetSize(), extent = *target->GetImageableExtent(), origin = *target->GetImageableOrigin();
      if ((orientation - target->GetOrientation()) % 180 != 0) {
        std::swap(size.x, size.y);
        std::swap(extent.x, extent.y);
        std::swap(origin.x, origin.y);
      }
      sheet = new GMedia("", &size, &extent, &origin, target->GetOrientation(), target->GetPaperId(),
                         target->GetXResolution(), target->GetYResolution(), nullptr);
    }
    sheet->SetMediaTypeName(page->GetMediaTypeName());
    sheet->SetFeatureId(GFeatureIds::kPageMedia);
    changed->AddChild(sheet);
  }
  settingsCopy_ = GCountedPtr(changed->DeepCopy());
  command->SetSettings(changed);
  return 0;
}

int16_t GBookletFilter::PageStart(GPageStart* command) {
  HoldSpoolLock();
  ++pageCount_;
  GState* settings = command->GetSettings();
  if (settings != nullptr) {
    const int32_t duplexId = GFeatureIds::kDuplex;
    settings->AddChild(new GValueAttribute(2, &duplexId));
    if (pageCount_ == 1) firstPageSettings_ = GCountedPtr(settings->DeepCopy());
  }
  const int16_t status = RecordPageStart(command, pageCount_);
  if (status != 0) ReleaseSpoolLock();
  return status;
}

int16_t GBookletFilter::PageEnd(GPageEnd* command) {
  int16_t status = RecordPageEnd(command);
  if (status == 0 && CurrentPage() != nullptr) {
    AppendEntry(GCountedPtr(CurrentPage()));
    ForgetCurrentPage();
    status = SaveCompanionFonts();
  }
  ReleaseSpoolLock();
  return status;
}

int16_t GBookletFilter::DocumentEnd(GDocumentEnd* command) { return EndOfDocument(command); }
int16_t GBookletFilter::DocumentBreak(GCommand* command) { return EndOfDocument(command); }

int16_t GBookletFilter::JobAbort(GJobAbort*) {
  Reset();
  return 0;
}

int16_t GBookletFilter::EndOfDocument(GCommand* command) {
  if (Holder() == nullptr) return 0;
  while (pageCount_ % 4 != 0) {
    AppendBlankEntry(AsState(firstPageSettings_));
    ++pageCount_;
  }
  firstPageSettings_ = GCountedPtr();
  if (sheetOrder_ == 1) ImposeInnermostFirst();
  else ImposeOutermostFirst();
  AppendToHolder(command);
  GCountedPtr result = GetNupFilter()->Send(Holder());
  nup_.reset();
  if (auto* error = dynamic_cast<GErrorCommand*>(result.Pointee())) return static_cast<int16_t>(error->GetStatus());
  // The stages below print the sides as they come: the layout stays with
  // the booklet.
  if (auto* start = dynamic_cast<GCommand*>(Holder()->FindByClass(GDocumentStartClassId))) {
    GState* settings = start->DetachSettings();
    if (settings != nullptr) {
      delete settings->RemoveChildById(GFeatureIds::kNUpLayout);
      start->SetSettings(settings);
    }
  }
  ForgetInstance();
  Pages().clear();
  return 0;
}

// ---- Imposition ----

std::vector<uint32_t> GBookletFilter::OutermostFirst(uint32_t n, int16_t binding) {
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < n / 2; ++i) {
    const uint32_t front = i + 1, back = n - i;
    const bool backFirst = (i % 2 == 0) != (binding == 2);
    order.push_back(backFirst ? back : front);
    order.push_back(backFirst ? front : back);
  }
  return order;
}

std::vector<uint32_t> GBookletFilter::InnermostFirst(uint32_t n, int16_t binding) {
  std::vector<uint32_t> order;
  for (uint32_t j = 0; j < n / 4; ++j) {
    const uint32_t a = n / 2 - 2 * j, b = n / 2 + 1 + 2 * j, c = n / 2 - 1 - 2 * j, d = n / 2 + 2 + 2 * j;
    const uint32_t sides[4] = {d, c, a, b};
    const uint32_t right[4] = {c, d, b, a};
    for (uint32_t page : binding == 2 ? right : sides) order.push_back(page);
  }
  return order;
}

void GBookletFilter::ImposeOutermostFirst() {
  const uint32_t n = pageCount_;
  const std::vector<uint32_t> order = OutermostFirst(n, binding_);
  std::vector<GCountedPtr>& pages = Pages();
  for (uint32_t i = 0; i < n / 2; ++i) {
    if (i < 3 && !(n == 4 && i == 2)) MatchCoverSheet(static_cast<int>(i), i + 1, n - i);
    AppendToHolder(pages[order[2 * i] - 1]);
    AppendToHolder(pages[order[2 * i + 1] - 1]);
  }
}

void GBookletFilter::ImposeInnermostFirst() {
  const uint32_t n = pageCount_;
  const std::vector<uint32_t> order = InnermostFirst(n, binding_);
  std::vector<GCountedPtr>& pages = Pages();
  const uint32_t sheets = n / 4;
  for (uint32_t j = 0; j < sheets; ++j) {
    if (j + 1 == sheets) {
      MatchCoverSheet(0, 1, n);
      if (MatchCoverSheet(1, 2, n - 1) != 0 && sheets > 1) MatchCoverSheet(2, 3, n - 2);
    }
    for (uint32_t k = 0; k < 4; ++k) AppendToHolder(pages[order[4 * j + k] - 1]);
  }
}

int GBookletFilter::MatchCoverSheet(int step, uint32_t pageA, uint32_t pageB) {
  std::vector<GCountedPtr>& pages = Pages();
  if (pageA == 0 || pageA > pages.size() || pageB == 0 || pageB > pages.size()) return 0;
  int differ = coverTray_ != innerTray_ || coverMedia_ != innerMedia_ ? 1 : 0;
  MPersistentObject* a = pages[pageA - 1].Pointee();
  if (dynamic_cast<GCommandCompositeOnDisk*>(a) != nullptr) {
    ChangePageStart(a, [&](GState* settings) {
      int32_t tray = 0;
      GSettingQuery::NumberAt(settings, GFeatureIds::kInputBin, &tray);
      RWCString name;
      SpoolSettings::Media(settings, &name, nullptr);
      bool changed = false;
      if (step == 0) {
        coverTray_ = innerTray_ = static_cast<int16_t>(tray);
        coverMedia_ = innerMedia_ = name;
      } else if (step == 1) {
        differ = name != coverMedia_ || tray != coverTray_ ? 1 : 0;
        innerTray_ = static_cast<int16_t>(tray);
        innerMedia_ = name;
        if (tray != coverTray_) {
          SetInputTray(settings, coverTray_);
          changed = true;
        }
        if (name != coverMedia_) {
          SetMediaName(settings, coverMedia_);
          changed = true;
        }
      } else if (differ != 0) {
        SetInputTray(settings, innerTray_);
        SetMediaName(settings, innerMedia_);
        changed = true;
      }
      return changed;
    });
  }
  const bool cover = step != 2;
  ChangePageStart(pages[pageB - 1].Pointee(), [&](GState* settings) {
    if (settings == nullptr) return false;
    SetInputTray(settings, cover ? coverTray_ : innerTray_);
    SetMediaName(settings, cover ? coverMedia_ : innerMedia_);
    return true;
  });
  return differ;
}
