#include "printpath/GLetterheadFilter.h"

#include "driver/GDriverInstance.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GSpoolingFilter.h"

GLetterheadFilter::GLetterheadFilter(const int32_t* id) : GPeripheral(id) {}
GLetterheadFilter::GLetterheadFilter(const GLetterheadFilter& other) = default;
GLetterheadFilter& GLetterheadFilter::operator=(const GLetterheadFilter& other) {
  GPeripheral::operator=(other);
  return *this;
}
GLetterheadFilter::~GLetterheadFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GLetterheadFilter, GPeripheral, GLetterheadFilterClassId)

template <typename Archive>
void GLetterheadFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GLetterheadFilter, GPeripheral)

RWCollectable* GLetterheadFilterCreate() { return new GLetterheadFilter; }

GCountedPtr GLetterheadFilter::Filter(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr) return held;
  if (command->ClassId() == GDocumentStartClassId) {
    DecideJob(static_cast<GDocumentStart*>(command));
  } else if (command->ClassId() == GPageStartClassId) {
    GState* settings = command->DetachSettings();
    TurnPage(settings);
    if (settings != nullptr) command->SetSettings(settings);
  }
  return held;
}

void GLetterheadFilter::DecideJob(GDocumentStart* start) {
  GState* settings = start->DetachSettings();
  GDriverInstance* instance = start->GetDriverInstance();
  int32_t unit = 0;
  bool letterhead = false;
  if (instance != nullptr &&
      GSettingQuery::NumberAt(instance->GetPrinterConfiguration(), GFeatureIds::kDuplexUnit, &unit) && unit != 0) {
    RWCString media;
    int32_t duplex = 0;
    int32_t straight = 0;
    letterhead = SpoolSettings::Media(settings, &media, nullptr) && media == RWCString("Letterhead") &&
                 GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &duplex) && duplex != 0;
    if (GSettingQuery::NumberAt(settings, GFeatureIds::kStraightPaperPath, &straight) && straight != 0)
      letterhead = false;
  }
  int32_t order = 0;
  if (letterhead && GSettingQuery::NumberAt(settings, GFeatureIds::kPageOrder, &order) && order != 1) {
    SpoolSettings::SetNumber(settings, GFeatureIds::kPageOrder, 1);
    Activate();
  } else {
    Deactivate();
  }
  if (settings != nullptr) start->SetSettings(settings);
}

void GLetterheadFilter::TurnPage(GState* settings) { SpoolSettings::TurnOrientation(settings); }
