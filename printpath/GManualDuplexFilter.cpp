#include "printpath/GManualDuplexFilter.h"

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "model/MStoredMembers.h"
#include "printpath/GCommandCompositeOnDisk.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/SpoolLock.h"

namespace {

constexpr int16_t kManualFeedTray = 18;
constexpr int16_t kTray6 = 6;
constexpr int16_t kAutomaticTray = 19;

// InputBin of the settings set to the tray (added when the settings have none).
void SetInputBin(GState* settings, int16_t tray) {
  if (settings == nullptr) return;
  if (SpoolSettings::SetNumber(settings, GFeatureIds::kInputBin, tray)) return;
  const int32_t id = GFeatureIds::kInputBin;
  settings->AddChild(new GValueAttribute(tray, &id));
}

// Each installed paper-handling device of the kind, until visit answers false.
template <typename Visit>
void ForEachInstalledDevice(GDriverInstance* instance, int32_t kind, Visit&& visit) {
  if (instance == nullptr) return;
  MPersistentObject* devices = GSettingQuery::Find(instance->GetPrinterConfiguration(), GFeatureIds::kPaperHandlingDevices);
  GSettingQuery::ForEachChild(devices, [&](MPersistentObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || device->IsInstalled() == 0 || device->GetKind() != kind) return true;
    return visit(device);
  });
}

}  // namespace

GManualDuplexFilter::GManualDuplexFilter(const int32_t* id) : GSpoolingFilter(id) {}
GManualDuplexFilter::GManualDuplexFilter(const GManualDuplexFilter& other)
    : GSpoolingFilter(other), fixedTray_(other.fixedTray_) {}
GManualDuplexFilter& GManualDuplexFilter::operator=(const GManualDuplexFilter& other) {
  if (this != &other) {
    GSpoolingFilter::operator=(other);
    fixedTray_ = other.fixedTray_;
    savedSettings_ = GCountedPtr();
    pageCount_ = countAtBreak_ = 0;
    final_ = inDocument_ = 0;
    copies_ = 1;
  }
  return *this;
}
GManualDuplexFilter::~GManualDuplexFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GManualDuplexFilter, GPeripheral, GManualDuplexFilterClassId)

template <typename Archive>
void GManualDuplexFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(fixedTray_);
}

RW_STORED_MEMBERS_DEFINE(GManualDuplexFilter, GPeripheral)

RWCollectable* GManualDuplexFilterCreate() { return new GManualDuplexFilter; }

// ---- The decision ----

int16_t GManualDuplexFilter::DocumentStart(GDocumentStart* command) {
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings == nullptr) return 0;
  int32_t duplex = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &duplex);
  duplex_ = static_cast<int16_t>(duplex);
  if (duplex == 0) {
    Deactivate();
    return 0;
  }
  GDriverInstance* instance = command->GetDriverInstance();
  bool active = false;
  if (instance != nullptr) {
    GConfiguration* configuration = instance->GetPrinterConfiguration();
    int32_t unit = 1;
    GSettingQuery::NumberAt(configuration, GFeatureIds::kDiscoveredDuplexUnit, &unit);
    int32_t mode = 0;
    GSettingQuery::NumberAt(configuration, GFeatureIds::kManualDuplex, &mode);
    mode_ = mode;
    RWCString mediaName;
    int16_t paper = 0;
    SpoolSettings::Media(settings, &mediaName, &paper);
    const bool plain = mediaName != RWCString("Transparency") && mediaName != RWCString("Labels");
    int32_t straight = 0;
    GSettingQuery::NumberAt(settings, GFeatureIds::kStraightPaperPath, &straight);
    const bool forced = instance->IsMediaTypeAllowed(mediaName) == 0 || straight != 0;
    MPersistentObject* sizes = GSettingQuery::Find(configuration, GFeatureIds::kDuplexUnitPaperSizes);
    if (mode != 0 && unit != 0) {
      active = forced;
      if (!forced) {
        GSettingQuery::ForEachChild(sizes, [&](MPersistentObject* entry) {
          int32_t id = 0;
          if (!GSettingQuery::Number(entry, &id)) return true;
          if (static_cast<int16_t>(id) == paper) {
            if (plain) active = false;
            return false;
          }
          if (plain) active = true;
          return true;
        });
        if (paper >= 0x4000)
          active = instance->IsMediaSizeWithinLimits(paper, settings) == 0;
      }
      if (active || !plain) {
        SpoolSettings::SetNumber(settings, GFeatureIds::kDuplex, 0);
        SpoolSettings::SetNumber(settings, GFeatureIds::kManualDuplexPending, 1);
      }
    } else if (mode != 0) {
      active = plain;
    } else if (unit != 1 || (forced && sizes != nullptr)) {
      SpoolSettings::SetNumber(settings, GFeatureIds::kDuplex, 0);
    }
  }
  if (!active) {
    Deactivate();
    return 0;
  }
  Activate();
  pageCount_ = 0;
  countAtBreak_ = 0;
  final_ = 0;
  inDocument_ = 1;
  savedSettings_ = GCountedPtr();
  int32_t bin = 0;
  if (GSettingQuery::NumberAt(settings, GFeatureIds::kOutputBin, &bin)) outputBin_ = static_cast<int16_t>(bin);
  BeginSpool(command, u".dpg", u".dft");
  int32_t copies = 0;
  if (GSettingQuery::NumberAt(settings, GFeatureIds::kPrinterCopies, &copies)) copies_ = copies;
  SpoolSettings::SetNumber(settings, GFeatureIds::kManualDuplexPending, 1);
  return 0;
}

// ---- Pages as they arrive ----

void GManualDuplexFilter::PreparePage(GState* settings, uint32_t index) {
  int32_t tray = 0;
  const bool hasTray = GSettingQuery::NumberAt(settings, GFeatureIds::kInputBin, &tray);
  if (index == 2 && hasTray) thirdPageTray_ = static_cast<int16_t>(tray);
  if (index == 0) {
    savedSettings_ = settings != nullptr ? GCountedPtr(settings->DeepCopy()) : GCountedPtr();
    if (hasTray) firstPageTray_ = thirdPageTray_ = static_cast<int16_t>(tray);
    refeedTray_ = workingTray_ = fixedTray_ != 0 ? fixedTray_ : firstPageTray_;
    ChoosePasses();
  }
  if (index == 2 && settings != nullptr) savedSettings_ = GCountedPtr(settings->DeepCopy());
  if (countAtBreak_ == 1 || static_cast<uint32_t>(secondKind_ / 2) == index % 2) {
    if (!(countAtBreak_ != 0 && countAtBreak_ == index)) SetInputBin(settings, workingTray_);
    return;
  }
  if (hasTray && tray == kManualFeedTray) SetInputBin(settings, HasTray6() ? kTray6 : kAutomaticTray);
  if (duplex_ != 1) SpoolSettings::TurnOrientation(settings);
}

int GManualDuplexFilter::FindInputTray(int16_t tray) {
  int found = 0;
  ForEachInstalledDevice(Instance(), GPaperHandlingDevice::kInputDevice, [&](GPaperHandlingDevice* device) {
    GSettingQuery::ForEachChild(device, [&](MPersistentObject* child) {
      auto* candidate = dynamic_cast<GTray*>(child);
      if (candidate == nullptr || candidate->GetTrayNumber() != tray) return true;
      found = 1;
      trayCapacity_ = candidate->GetCapacity();
      return false;
    });
    return found == 0;
  });
  return found;
}

int GManualDuplexFilter::HasTray6() {
  const int capacity = trayCapacity_;
  const int found = FindInputTray(kTray6);
  trayCapacity_ = capacity;
  return found;
}

// The bin's page-order flag is the first of its model values.
int GManualDuplexFilter::FindOutputBin(int16_t bin) {
  int found = 0;
  ForEachInstalledDevice(Instance(), GPaperHandlingDevice::kOutputDevice, [&](GPaperHandlingDevice* device) {
    GSettingQuery::ForEachChild(device, [&](MPersistentObject* child) {
      auto* candidate = dynamic_cast<GBin*>(child);
      if (candidate == nullptr || candidate->GetBinType() != bin) return true;
      found = candidate->GetParameter1() == 1 ? 1 : 2;
      return false;
    });
    return found == 0;
  });
  return found;
}

void GManualDuplexFilter::ChoosePasses() {
  const int a = FindInputTray(workingTray_);
  const int b = FindOutputBin(outputBin_);
  if (mode_ == 3) mode_ = b;
  if (mode_ == b)
    secondKind_ = b == 1 ? 1 : 0;
  else
    secondKind_ = b == 1 ? 2 : 3;
  firstKind_ = a == b ? (secondKind_ ^ 2) : (secondKind_ ^ 3);
}

int16_t GManualDuplexFilter::PageStart(GPageStart* command) {
  SpoolLock::Scope lock;
  PreparePage(command->GetSettings(), pageCount_);
  return RecordPageStart(command, pageCount_);
}

int16_t GManualDuplexFilter::PageEnd(GPageEnd* command) {
  SpoolLock::Scope lock;
  if (const int16_t status = RecordPageEnd(command); status != 0) return status;
  if (CurrentPage() == nullptr) return 0;
  AppendEntry(GCountedPtr(CurrentPage()));
  ++pageCount_;
  const int16_t status = SaveCompanionFonts();
  ForgetCurrentPage();
  return status;
}

// ---- Emitting the passes ----

void GManualDuplexFilter::SetPageTray(GCommand* page) {
  if (auto* disk = dynamic_cast<GCommandCompositeOnDisk*>(page)) {
    GCountedRef record;
    disk->HandleByClass(record, GPageStartClassId);
    auto* start = dynamic_cast<GCommand*>(record.Pointee());
    if (start == nullptr) return;
    SetInputBin(start->GetSettings(), workingTray_);
    disk->ReplaceChildHandleByClass(GPageStartClassId, record);
    disk->Close();
    return;
  }
  if (page == nullptr) return;
  auto* start = dynamic_cast<GCommand*>(page->FindByClass(GPageStartClassId));
  if (start != nullptr) {
    SetInputBin(start->GetSettings(), workingTray_);
    return;
  }
  GSettingQuery::ForEachChild(page, [&](MPersistentObject* child) {
    auto* member = dynamic_cast<GCommand*>(child);
    if (member == nullptr || (member->ClassId() != GCommandCompositeOnDiskClassId &&
                              member->ClassId() != GCommandCompositeClassId))
      return true;
    SetPageTray(member);
    return false;
  });
}

void GManualDuplexFilter::PrepareEmittedPage(GCommand* page, int kind, uint32_t position) {
  const bool forward = kind == 0 || kind == 2;
  if (kind == firstKind_) {
    const bool firstSheet = forward ? (position == 1 || position == 2)
                                    : (position == countAtBreak_ || position + 1 == countAtBreak_);
    workingTray_ = firstSheet ? firstPageTray_ : thirdPageTray_;
  }
  if (trayCapacity_ == 1 && kind == secondKind_) {
    const uint32_t opening = kind < 2 ? 1 : 2;
    if (position != opening) workingTray_ = firstPageTray_;
    SetPageTray(page);
  }
  if (countAtBreak_ == 1 && final_ == 0 && page != nullptr && page->ClassId() == GCommandCompositeOnDiskClassId)
    SetPageTray(page);
}

void GManualDuplexFilter::EmitPage(uint32_t entry, int kind, uint32_t position) {
  std::vector<GCountedPtr>& pages = Pages();
  if (entry == 0 || entry > pages.size()) return;
  GCountedPtr page = pages[entry - 1];
  PrepareEmittedPage(dynamic_cast<GCommand*>(page.Pointee()), kind, position);
  AppendToHolder(page);
}

void GManualDuplexFilter::EmitPass(int kind) {
  const uint32_t count = pageCount_;
  uint32_t position = kind < 2 ? 1 : 2;
  switch (kind) {
    case 0:
      if (countAtBreak_ == 1) {
        if (Pages().size() == 2) EmitPage(2, kind, position);
        break;
      }
      for (uint32_t entry = 1; position <= count; entry += 2, position += 2) EmitPage(entry, kind, position);
      break;
    case 1:
      for (uint32_t entry = (count - 1) | 1; entry >= 1 && count > 0; entry -= 2, position += 2) {
        EmitPage(entry, kind, position);
        if (entry < 2) break;
      }
      break;
    case 2:
      for (uint32_t entry = 2; entry <= count; entry += 2, position += 2) EmitPage(entry, kind, position);
      break;
    default:
      if (count == 1) {
        EmitPage(1, kind, 2);
        break;
      }
      for (uint32_t entry = count & ~1u; entry >= 2; entry -= 2, position += 2) EmitPage(entry, kind, position);
      break;
  }
}

void GManualDuplexFilter::EmitFirstPass() {
  if (pageCount_ % 2 == 1 && pageCount_ != 1) {
    AppendBlankEntry(dynamic_cast<GState*>(savedSettings_.Pointee()));
    ++pageCount_;
  }
  savedSettings_ = GCountedPtr();
  if (pageCount_ == 1 && Instance() != nullptr)
    SpoolSettings::SetNumber(Instance()->GetPrinterConfiguration(), GFeatureIds::kManualDuplexPrompt, 0);
  countAtBreak_ = pageCount_;
  for (int i = 0; i < (copies_ < 1 ? 1 : copies_); ++i) EmitPass(firstKind_);
  workingTray_ = refeedTray_;
}

int16_t GManualDuplexFilter::DocumentBreak(GCommand* command) {
  if (Holder() == nullptr) return 0;
  EmitFirstPass();
  if (pageCount_ != 1) AppendToHolder(command);
  return 0;
}

int16_t GManualDuplexFilter::DocumentEnd(GDocumentEnd* command) {
  if (inDocument_ == 0) return 0;
  if (countAtBreak_ == 0 && Holder() != nullptr) {
    // No break came: both passes go on with the document start in one
    // holder, so nothing of the document is lost.
    EmitFirstPass();
  } else {
    NewEmptyHolder();
  }
  final_ = 1;
  for (int i = 0; i < (copies_ < 1 ? 1 : copies_); ++i) EmitPass(secondKind_);
  if (fixedTray_ == 0) {
    if (GState* settings = command->GetSettings()) {
      const int32_t kindId = GFeatureIds::kDisplayMessageKind;
      const int32_t textId = GFeatureIds::kDisplayMessageText;
      settings->AddChild(new GValueAttribute(1, &kindId));
      settings->AddChild(new GStringAttribute(RWCString("test"), &textId));
    }
  }
  AppendToHolder(command);
  ForgetInstance();
  Pages().clear();
  inDocument_ = 0;
  return 0;
}

int16_t GManualDuplexFilter::JobAbort(GJobAbort*) {
  Reset();
  savedSettings_ = GCountedPtr();
  inDocument_ = 0;
  return 0;
}

// ---- Whole-job composites ----

int GManualDuplexFilter::UnpackNested(GCommand* whole, GCommand*, GCountedPtr& result) {
  if (inDocument_ != 0) return 0;
  result = SendComposite(whole);
  return 1;
}

int GManualDuplexFilter::PrepareUnpackedStart(GCommand* pageStart) {
  if (inDocument_ == 0 || pageStart == nullptr) return 0;
  PreparePage(pageStart->GetSettings(), pageCount_);
  return 1;
}

void GManualDuplexFilter::TakeUnpackedPage(const GCountedPtr& page, int) {
  AppendEntry(page);
  ++pageCount_;
}
