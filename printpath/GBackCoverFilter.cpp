#include "printpath/GBackCoverFilter.h"

#include "driver/GDriverInstance.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GPageCommand.h"

GBackCoverFilter::GBackCoverFilter(const int32_t* id) : GPeripheral(id) {}
GBackCoverFilter::GBackCoverFilter(const GBackCoverFilter& other) : GPeripheral(other) {}
GBackCoverFilter& GBackCoverFilter::operator=(const GBackCoverFilter& other) {
  if (this != &other) {
    GPeripheral::operator=(other);
    kept_ = GCountedPtr();
    coverMedia_ = lastMedia_ = RWCString();
  }
  return *this;
}
GBackCoverFilter::~GBackCoverFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GBackCoverFilter, GPeripheral, GBackCoverFilterClassId)

template <typename Archive>
void GBackCoverFilter::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GBackCoverFilter, GPeripheral)

RWCollectable* GBackCoverFilterCreate() { return new GBackCoverFilter; }

int GBackCoverFilter::Matches(const MPersistentObject* other) const {
  return other != nullptr && other->ClassId() == ClassId() && GPeripheral::Matches(other);
}

int16_t GBackCoverFilter::DocumentStart(GDocumentStart* command) {
  GDriverInstance* instance = command != nullptr ? command->GetDriverInstance() : nullptr;
  if (GConfiguration* configuration = instance != nullptr ? instance->GetPrinterConfiguration() : nullptr) {
    int32_t manual = 0;
    manualDuplex_ = GSettingQuery::NumberAt(configuration, GFeatureIds::kManualDuplex, &manual) && manual != 0 &&
                            GSettingQuery::Find(configuration, GFeatureIds::kManualDuplexPrompt) != nullptr
                        ? 1
                        : 0;
  }
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings == nullptr) {
    Deactivate();
    return 0;
  }
  int32_t mode = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kBackCoverChoice, &mode);
  if (mode == 2) {
    int32_t tray = 0;
    RWCString media;
    if (GSettingQuery::NumberAt(settings, GFeatureIds::kBackCoverTrayChoice, &tray) &&
        GSettingQuery::Text(GSettingQuery::Find(settings, GFeatureIds::kBackCoverMediaTypeSetting), &media)) {
      coverTray_ = static_cast<int16_t>(tray);
      coverMedia_ = media;
    } else {
      mode = 0;
    }
  }
  mode_ = static_cast<int16_t>(mode);
  if (mode_ == 0) {
    Deactivate();
    return 0;
  }
  int32_t duplex = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &duplex);
  duplex_ = static_cast<int16_t>(duplex);
  lastPaper_ = 0;
  sides_ = 0;
  lastTray_ = 0;
  lastMedia_ = RWCString();
  kept_ = GCountedPtr();
  Activate();
  return 0;
}

GCountedPtr GBackCoverFilter::Filter(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr) return held;
  const RWClassID id = command->ClassId();
  if (id == GDocumentStartClassId) {
    command->Dispatch(this);
    return held;
  }
  if (!IsActive()) return held;
  if (id == GPageStartClassId) FollowPage(command);
  else if (id == GDocumentEndClassId) return EndDocument(command);
  else if (id == GJobAbortClassId) kept_ = GCountedPtr();
  return held;
}

void GBackCoverFilter::FollowPage(GCommand* pageStart) {
  ++sides_;
  GState* settings = pageStart->GetSettings();
  kept_ = GCountedPtr(settings);
  // Without settings the page cannot be placed on a sheet; it is counted.
  if (settings == nullptr) return;
  auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(settings, GFeatureIds::kPageMedia));
  int32_t tray = 0;
  const bool hasTray = GSettingQuery::NumberAt(settings, GFeatureIds::kInputBin, &tray);
  if (sides_ == 1 && mode_ == 1) {
    if (hasTray) coverTray_ = static_cast<int16_t>(tray);
    if (medium != nullptr) coverMedia_ = medium->GetMediaTypeName();
  }
  // Another paper, media type or tray starts a new sheet: the page is a
  // front side.
  const int16_t paper = medium != nullptr ? medium->GetPaperId() : 0;
  if (paper != lastPaper_) {
    sides_ |= 1;
    lastPaper_ = paper;
  }
  if (medium != nullptr && medium->GetMediaTypeName() != lastMedia_) {
    lastMedia_ = medium->GetMediaTypeName();
    sides_ |= 1;
  }
  if (hasTray && static_cast<int16_t>(tray) != lastTray_) {
    sides_ |= 1;
    lastTray_ = static_cast<int16_t>(tray);
  }
}

GCountedPtr GBackCoverFilter::EndDocument(GCommand* end) {
  GCountedPtr held(end);
  auto* kept = dynamic_cast<GState*>(kept_.Pointee());
  // A document without a page has no paper to take the cover's from: it
  // ends without a back cover.
  if (kept == nullptr) return held;
  auto* composite = new GCommandComposite;
  GCountedPtr result(composite);
  if ((sides_ & 1) != 0 && duplex_ != 0 && manualDuplex_ == 0) {
    composite->AddChild(new GPageStart(static_cast<GState*>(kept->DeepCopy())));
    composite->AddChild(new GPageEnd);
  }
  auto* cover = static_cast<GState*>(kept->DeepCopy());
  if (auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(cover, GFeatureIds::kPageMedia)))
    medium->SetMediaTypeName(coverMedia_);
  const int32_t trayId = GFeatureIds::kInputBin;
  delete cover->RemoveChildById(trayId);
  cover->AddChild(new GValueAttribute(coverTray_, &trayId));
  composite->AddChild(new GPageStart(cover));
  composite->AddChild(new GPageEnd);
  end->PinResources();
  composite->AddChild(end);
  kept_ = GCountedPtr();
  return result;
}
