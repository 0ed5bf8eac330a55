#include "ui/framework/GPaperSourceAccessor.h"

#include "model/GAttributeComposite.h"
#include "model/GDisplayString.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSettingQuery.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "ui/framework/GMediaTypeNames.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"

namespace {

using namespace GFeatureIds;

constexpr int16_t kFirstTrayId = 1;
constexpr int16_t kLastTrayId = 47;
// Paper types are named by string ids up to this one.
constexpr int16_t kLastMediaTypeId = 11143;

// The trays of a device's selected configuration.
template <class Visit>
void ForEachTray(GPaperHandlingDevice* device, Visit visit) {
  GSettingQuery::ForEachChild(device, [&](MPersistentObject* item) {
    if (auto* tray = dynamic_cast<GTray*>(item)) visit(tray);
    return true;
  });
}

bool IsPresent(const GPaperHandlingDevice* device) {
  return device->GetKind() == GPaperHandlingDevice::kInputDevice &&
         (device->IsInstallable() == 0 || device->IsInstalled() != 0);
}

}  // namespace

GPaperSourceAccessor::GPaperSourceAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kInputBin) {}

GPaperSourceAccessor::~GPaperSourceAccessor() = default;

int16_t GPaperSourceAccessor::Tab() const { return ReadValue(&kPaperPageTab); }

int GPaperSourceAccessor::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

void GPaperSourceAccessor::Write(int32_t id, int16_t value) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&id, value);
}

int16_t GPaperSourceAccessor::GetAvailability() {
  switch (Tab()) {
    case 0:
      return ReadValue(&GRuleKeys::kPaperSource.availability);
    case 1:
      return ReadValue(&GRuleKeys::kPaperSourceRest.availability);
    default: {
      GAttributeComposite* settings = session_ != nullptr ? session_->GetSettings() : nullptr;
      auto* forms = dynamic_cast<GFormToTrayDatabase*>(GSettingQuery::Find(settings, kFormToTrayDatabase));
      const bool assigned = forms != nullptr && forms->HasAssignments() != 0;
      return ReadValue(&kBackCoverChoice) == 2 && !assigned ? 0 : 1;
    }
  }
}

int16_t GPaperSourceAccessor::GetValue() {
  switch (Tab()) {
    case 0:
      return ReadValue(&kInputBin);
    case 1:
      return ReadValue(&kInputBinRest);
    default:
      if (ReadValue(&kBackCoverChoice) == 1 && ReadValue(&kBackCoverTrayChoice) != ReadValue(&kInputBin)) {
        Write(kBackCoverTrayChoice, ReadValue(&kInputBin));
      }
      return ReadValue(&kBackCoverTrayChoice);
  }
}

int GPaperSourceAccessor::SetValue(int16_t value) {
  if (session_ == nullptr) return 0;
  GSettingsView view = session_->GetSettingsView();
  const int16_t tab = Tab();
  const bool differentFirst = ReadValue(&kUseDiffFirstPageChoice) != 0;
  const int16_t backCover = ReadValue(&kBackCoverChoice);
  if (value >= kAutoSelectMediaId && value <= kLastMediaTypeId) {
    // A paper type: stored by name, with the automatic source.
    RWWString name;
    LoadUIString(value, &name);
    if (tab == 0) {
      if (view.Contains(&kTray1Temp2)) Write(kTray1Temp2, value);
      view.SetString(&kMediaType, name);
      Write(kInputBin, kTypeChosen);
      if (!differentFirst) {
        view.SetString(&kMediaTypeRest, name);
        Write(kInputBinRest, kTypeChosen);
      }
    } else {
      view.SetString(&kMediaTypeRest, name);
      Write(tab == 1 ? kInputBinRest : kBackCoverTrayChoice, kTypeChosen);
    }
  } else if (value >= kFirstTrayId && value <= kLastTrayId) {
    if (tab == 0) {
      if (view.Contains(&kTray1Temp2)) Write(kTray1Temp2, value);
      Write(kInputBin, value);
      if (!differentFirst) {
        Write(kInputBinRest, value);
        Write(kBackCoverTrayChoice, value);
      }
    } else if (tab == 1) {
      Write(kInputBinRest, value);
    } else {
      Write(kBackCoverTrayChoice, backCover != 0 && backCover != 1 ? value : GetValue());
    }
  }
  Write(kSourceListChoice, value);
  return 1;
}

int GPaperSourceAccessor::HasChanged() {
  return Changed(kInputBin) || Changed(kInputBinRest) || Changed(kUseDiffFirstPageChoice) ||
                 Changed(kBackCoverChoice) || Changed(kOptionalPaperSources) || Changed(kPaperSourceOption) ||
                 Changed(kPaperPageTab)
             ? 1
             : 0;
}

int GPaperSourceAccessor::EnumerateSources(std::vector<int16_t>* ids, std::vector<RWWString>* names) {
  MPersistentObject* devices = session_ != nullptr ? GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices)
                                                   : nullptr;
  if (devices == nullptr) return 0;
  auto take = [&](GTray* tray) {
    if (ids != nullptr) ids->push_back(tray->GetTrayNumber());
    if (names == nullptr) return;
    RWWString name;
    const GDisplayString& display = tray->GetDisplayString();
    if (display.GetResourceId() != 0) LoadUIString(display.GetResourceId(), &name);
    if (name.Length() == 0 && !display.GetText().IsEmpty()) name = RWWString(display.GetText().Data());
    if (name.Length() == 0) {
      const uint16_t id = SourceNameId(tray->GetTrayNumber(), session_);
      if (id != 0xFFFF) LoadUIString(id, &name);
    }
    names->push_back(name);
  };
  // The model's source order, when it gives one, picks the trays entry by
  // entry; else every tray in the devices' order.
  std::vector<int16_t> order;
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetModel(), kSourceOrder), [&](MPersistentObject* entry) {
    if (auto* value = dynamic_cast<GValueAttribute*>(entry)) order.push_back(value->GetValue());
    return true;
  });
  auto walk = [&](auto keep) {
    GSettingQuery::ForEachChild(devices, [&](MPersistentObject* child) {
      auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
      if (device != nullptr && IsPresent(device)) {
        ForEachTray(device, [&](GTray* tray) {
          if (keep(tray)) take(tray);
        });
      }
      return true;
    });
  };
  if (order.empty()) {
    walk([](GTray*) { return true; });
  } else {
    for (int16_t entry : order) walk([&](GTray* tray) { return tray->GetTrayNumber() == entry; });
  }
  return 1;
}

uint16_t GPaperSourceAccessor::SourceNameId(int16_t code, GUISession* session) {
  GResourceMappingList* list = session != nullptr ? session->GetSourceMappingList() : nullptr;
  GResourceMapping* mapping = list != nullptr ? list->FindByDeviceCode(code) : nullptr;
  return mapping != nullptr ? static_cast<uint16_t>(mapping->GetResourceId()) : 0xFFFF;
}
