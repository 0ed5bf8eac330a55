#include "ui/pages/GOutputBinWrapper.h"

#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/DisplayStringText.h"
#include "ui/pages/GOutputAccessoryWrapper.h"
#include "win32/Dialog.h"

namespace {

using namespace GFeatureIds;

constexpr int16_t kBinListMailboxMode = 2;
constexpr int16_t kBinListFirstMailbox = 4;
constexpr int16_t kBinListLastMailbox = 19;
constexpr uint16_t kBinNoString = 0xFFFF;
constexpr int kBinNoneOption = 11150;
constexpr int kBinOffsettingOption = 11203;

bool IsPresentOutputDevice(const GPaperHandlingDevice* device) {
  return device->GetKind() == GPaperHandlingDevice::kOutputDevice &&
         (device->IsInstallable() == 0 || device->IsInstalled() != 0);
}

template <class Visit>
void ForEachBin(GPaperHandlingDevice* device, Visit visit) {
  GSettingQuery::ForEachChild(device, [&](MPersistentObject* item) {
    if (auto* bin = dynamic_cast<GBin*>(item)) visit(bin);
    return true;
  });
}

}  // namespace

// ---- GOutputBinAccessor ----

GOutputBinAccessor::GOutputBinAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kOutputBin) {}

GOutputBinAccessor::~GOutputBinAccessor() = default;

int16_t GOutputBinAccessor::GetAvailability() { return ReadValue(&GRuleKeys::kOutputBin.availability); }

int GOutputBinAccessor::HasChanged() {
  if (session_ == nullptr) return 0;
  GSettingsView view = session_->GetSettingsView();
  return GKeyedFeatureAccessor::HasChanged() != 0 || view.HasChanged(&kAccessoryOutputBins) != 0 ||
                 view.HasChanged(&kOutputAccessoryMode) != 0
             ? 1
             : 0;
}

RWCString GOutputBinAccessor::GetAccessory() const {
  RWCString text;
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&kAccessoryOutputBins, &text);
  return text;
}

bool GOutputBinAccessor::IsStacker() const {
  const RWCString accessory = GetAccessory();
  return accessory == RWCString("ZORVASTACKER 2000") || accessory == RWCString("ZORVASTACKER 3000") ||
         accessory == RWCString("2500SHEET OUTPUT TRAY");
}

int16_t GOutputBinAccessor::BinCodeForType(int16_t type) {
  if (type == 1) return 1;
  if (type == 2 || type == 3) return 2;
  if (type == 4) return GetAccessory() == RWCString("VXN-62") ? 4 : 16;
  if (type >= 5 && type <= 19) return static_cast<int16_t>(type + 12);
  if (type >= 20 && type <= 22) return 4;
  if (type >= 24 && type <= 39) return 3;
  return kNoCode;
}

uint16_t GOutputBinAccessor::BinNameId(int16_t code) {
  const int16_t mode = ReadValue(&kOutputAccessoryMode);
  switch (code) {
    case 1: return 11200;
    case 2: return mode == 1 ? 11190 : 11201;
    case 3: return 11202;
    case 4: {
      if (GetAccessory() == RWCString("VXN-62")) return 11184;
      GPaperHandlingDevice* device = GOutputAccessoryAccessor(session_).FindDevice(GetAccessory());
      if (device == nullptr) return kBinNoString;
      bool stacker = false, collator = false, separator = false;
      ForEachBin(device, [&](GBin* bin) {
        stacker = stacker || bin->GetBinType() == 21;
        collator = collator || bin->GetBinType() == 22;
        separator = separator || bin->GetBinType() == 20;
      });
      if (stacker) return 11162;
      if (collator) return 11163;
      if (separator) return 11164;
      return kBinNoString;
    }
    case 16: return mode == kBinListMailboxMode ? 11167 : 11190;
    default:
      if (code >= 17 && code <= 27) return static_cast<uint16_t>(11168 + (code - 17));
      return kBinNoString;
  }
}

void GOutputBinAccessor::ListBins(std::vector<int16_t>* codes, std::vector<RWWString>* names) {
  codes->clear();
  names->clear();
  if (session_ == nullptr) return;
  const bool noAccessory = GetAccessory().IsEmpty();
  // Named mailboxes come after every other bin.
  std::vector<int16_t> laterCodes;
  std::vector<RWWString> laterNames;
  std::vector<RWCString> mailboxNames;
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetSettings(), kDiscoveredBinNames),
                              [&](MPersistentObject* entry) {
                                if (auto* name = dynamic_cast<GStringAttribute*>(entry))
                                  mailboxNames.push_back(name->GetString());
                                return true;
                              });
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices), [&](MPersistentObject*
                                                                                                        child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || !IsPresentOutputDevice(device)) return true;
    const bool mailboxMode = device->GetSelectedOption() == kBinListMailboxMode;
    const bool named = mailboxMode && !mailboxNames.empty();
    size_t nextName = 0;
    ForEachBin(device, [&](GBin* bin) {
      const int16_t type = bin->GetBinType();
      const int16_t code = BinCodeForType(type);
      if (code == kNoCode) return;
      if (device->IsInstallable() == 0 && type == 2 && !noAccessory) return;
      const bool mailboxType = type >= kBinListFirstMailbox && type <= kBinListLastMailbox;
      RWWString name;
      if (named && mailboxType) {
        if (nextName < mailboxNames.size()) name = RWWString(mailboxNames[nextName].Data());
        ++nextName;
      }
      if (name.Length() == 0) name = DisplayStringText(bin->GetDisplayString());
      if (name.Length() == 0) name = UIStringOrEmpty(BinNameId(code));
      if (!mailboxMode || !mailboxType) {
        codes->push_back(code);
        names->push_back(name);
      } else {
        laterCodes.push_back(code);
        laterNames.push_back(name);
      }
    });
    return true;
  });
  codes->insert(codes->end(), laterCodes.begin(), laterCodes.end());
  names->insert(names->end(), laterNames.begin(), laterNames.end());
}

void GOutputBinAccessor::SetPJLLine(const RWCString& line) {
  if (session_ != nullptr) session_->GetSettingsView().SetNarrowString(&kCustomPJLCommands, line);
}

void GOutputBinAccessor::GetPJLLine(RWCString& out) {
  out = RWCString();
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&kCustomPJLCommands, &out);
}

int IsOutputBinChoiceAllowed(int16_t, const RWCString&, int) { return 1; }

// ---- GOutputBinWrapper ----

GOutputBinWrapper::GOutputBinWrapper(GOutputBinAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GOutputBinWrapper::~GOutputBinWrapper() = default;

void GOutputBinWrapper::FillBins() {
  bins_.ResetContent();
  std::vector<int16_t> codes;
  std::vector<RWWString> names;
  Bins()->ListBins(&codes, &names);
  for (size_t i = 0; i < codes.size(); ++i) bins_.AddStringWithData(names[i], codes[i]);
}

void GOutputBinWrapper::FillOptions() {
  options_.ResetContent();
  RWWString text;
  LoadUIString(kBinNoneOption, &text);
  options_.AddStringWithData(text, 0);
  if (Bins()->IsStacker() && Bins()->GetValue() != GOutputBinAccessor::kTopBin) {
    LoadUIString(kBinOffsettingOption, &text);
    options_.AddStringWithData(text, 1);
  }
}

void GOutputBinWrapper::OnAttach() {
  bins_.Attach(dialog_, static_cast<int16_t>(GetControlId(2)));
  options_.Attach(dialog_, static_cast<int16_t>(GetControlId(4)));
  if (Bins() == nullptr) return;
  FillBins();
  FillOptions();
}

void GOutputBinWrapper::SetControlFromFeature(int force) {
  if (Bins() == nullptr || (force == 0 && Bins()->HasChanged() == 0)) return;
  FillBins();
  if (bins_.SelectByItemData(Bins()->GetValue()) == 0) {
    // A bin no device offers any more falls back to the top bin.
    Bins()->SetValue(GOutputBinAccessor::kTopBin);
    bins_.SelectByItemData(GOutputBinAccessor::kTopBin);
  }
  FillOptions();
  RWCString line;
  Bins()->GetPJLLine(line);
  options_.SetCurSel(Bins()->IsStacker() && line == RWCString(GOutputBinAccessor::kOffsettingOn) ? 1 : 0);
}

void GOutputBinWrapper::ReadControlIntoFeature() {
  if (Bins() == nullptr) return;
  const int16_t index = bins_.GetCurSel();
  const int16_t code = index >= 0 ? static_cast<int16_t>(bins_.GetItemData(index)) : GOutputBinAccessor::kTopBin;
  Bins()->SetValue(code);
  if (code == GOutputBinAccessor::kTopBin) Bins()->SetPJLLine(RWCString(GOutputBinAccessor::kOffsettingOff));
}

void GOutputBinWrapper::ApplyOption() {
  if (Bins() == nullptr || !Bins()->IsStacker()) return;
  Bins()->SetPJLLine(RWCString(options_.GetCurSel() > 0 ? GOutputBinAccessor::kOffsettingOn
                                                        : GOutputBinAccessor::kOffsettingOff));
}

int GOutputBinWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    if (id == GetControlId(2) || id == GetControlId(4)) {
      if (HIWORD(wParam) != CBN_SELCHANGE) return 0;
      if (id == GetControlId(2)) {
        ReadControlIntoFeature();
      } else {
        ApplyOption();
      }
      return 1;
    }
  }
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GOutputBinWrapper::RefreshAvailability() {
  if (Bins() == nullptr) return;
  ApplyAvailability(Bins()->GetAvailability());
  EnableControl(4, Bins()->IsStacker() && Bins()->GetValue() != GOutputBinAccessor::kTopBin ? 1 : 0);
}
