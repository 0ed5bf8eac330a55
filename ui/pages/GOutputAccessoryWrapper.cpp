#include "ui/pages/GOutputAccessoryWrapper.h"

#include <iterator>
#include <memory>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/DisplayStringText.h"
#include "ui/pages/GFormToTrayLinkWrapper.h"
#include "ui/pages/UIProvider.h"
#include "win32/Dialog.h"

namespace {

using namespace GFeatureIds;

constexpr uint16_t kNoAccessoryName = 0xFFFF;
constexpr int16_t kAccessoryAutomaticSource = 19;
constexpr int16_t kAutoConfigured = 2;
// The rule value the Finishing page's stapling follows; reset with the
// output accessory.
constexpr int32_t kStaplingRuleValue = 0x4000005A;
// Option keys an output device may have.
constexpr int16_t kLastOptionKey = 32;

struct AccessoryName {
  const char* key;
  uint16_t id;
};

uint16_t LookUpName(const AccessoryName* table, size_t count, const RWCString& name) {
  for (size_t i = 0; i < count; ++i) {
    if (name == RWCString(table[i].key)) return table[i].id;
  }
  return kNoAccessoryName;
}

}  // namespace

uint16_t OutputAccessoryNameId(const RWCString& name) {
  static const AccessoryName kNames[] = {
      {"", 11150},      {"K5203", 11151},  {"K5206", 11149},  {"K5207", 11148},
      {"K5204", 11152}, {"K5205", 11153},  {"VXN-62", 11183}, {"2500SHEET OUTPUT TRAY", 11185},
      {"ZORVASTACKER 2000", 11186}, {"ZORVASTACKER 3000", 11187}};
  return LookUpName(kNames, std::size(kNames), name);
}

uint16_t InputAccessoryNameId(const RWCString& name) {
  static const AccessoryName kNames[] = {{"", 11150},
                                         {"K5201", 11160},
                                         {"K5202", 11161},
                                         {"SILOTRAK 3-BIN", 11179},
                                         {"SILOTRAK 4-BIN", 11180},
                                         {"SILOTRAK 6-BIN", 11181},
                                         {"SILOTRAK 7-BIN", 11182}};
  return LookUpName(kNames, std::size(kNames), name);
}

// ---- GAccessoryListAccessor ----

GAccessoryListAccessor::GAccessoryListAccessor(GUISession* session, int32_t kind)
    : GFeatureAccessor(session), kind_(kind) {}

GAccessoryListAccessor::~GAccessoryListAccessor() = default;

RWCString GAccessoryListAccessor::Text(int32_t id) const {
  RWCString text;
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&id, &text);
  return text;
}

void GAccessoryListAccessor::Write(int32_t id, int16_t value) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&id, value);
}

void GAccessoryListAccessor::ListAccessories(std::vector<RWWString>* names, std::vector<RWCString>* keys) {
  names->clear();
  keys->clear();
  names->push_back(UIStringOrEmpty(11150));
  keys->push_back(RWCString());
  if (session_ == nullptr) return;
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices),
                              [&](MPersistentObject* child) {
                                auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
                                if (device == nullptr || device->IsInstallable() == 0 || device->GetKind() != kind_ ||
                                    !Listed(device->GetName())) {
                                  return true;
                                }
                                RWWString name = DisplayStringText(device->GetDisplayString());
                                if (name.Length() == 0) name = RWWString(device->GetName().Data());
                                const RWWString known = UIStringOrEmpty(NameId(device->GetName()));
                                if (known.Length() != 0) name = known;
                                names->push_back(name);
                                keys->push_back(device->GetName());
                                return true;
                              });
}

GPaperHandlingDevice* GAccessoryListAccessor::FindDevice(const RWCString& name) const {
  GPaperHandlingDevice* found = nullptr;
  if (session_ == nullptr) return nullptr;
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices),
                              [&](MPersistentObject* child) {
                                auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
                                if (device != nullptr && device->GetName() == name) found = device;
                                return found == nullptr;
                              });
  return found;
}

// ---- GOutputAccessoryAccessor ----

GOutputAccessoryAccessor::GOutputAccessoryAccessor(GUISession* session)
    : GAccessoryListAccessor(session, GPaperHandlingDevice::kOutputDevice) {}

GOutputAccessoryAccessor::~GOutputAccessoryAccessor() = default;

int16_t GOutputAccessoryAccessor::GetMode() const { return ReadValue(&kOutputAccessoryMode); }

int GOutputAccessoryAccessor::HasOption(int16_t key) const {
  const GPaperHandlingDevice* device = Current();
  return device != nullptr && device->HasOption(key) != 0 ? 1 : 0;
}

void GOutputAccessoryAccessor::GetOptionKeys(std::vector<int16_t>* keys) const {
  keys->clear();
  const GPaperHandlingDevice* device = Current();
  for (int16_t key = 0; device != nullptr && key <= kLastOptionKey; ++key) {
    if (device->HasOption(key) != 0) keys->push_back(key);
  }
}

int GOutputAccessoryAccessor::GetOptionCount() const {
  const GPaperHandlingDevice* device = Current();
  return device != nullptr ? static_cast<int>(device->GetOptionCount()) : 0;
}

void GOutputAccessoryAccessor::ClearMailboxNames() {
  GSettingsView view = session_->GetSettingsView();
  GAttributeComposite* names = view.FindComposite(&kDiscoveredBinNames);
  if (names == nullptr || names->GetEntryCount() == 0) return;
  std::unique_ptr<GAttributeComposite> empty(dynamic_cast<GAttributeComposite*>(names->DeepCopy()));
  if (empty == nullptr) return;
  empty->RemoveAllChildren();
  view.LogChange(names, nullptr);
  view.ReplaceAttribute(&kDiscoveredBinNames, empty.get());
}

void GOutputAccessoryAccessor::SetAccessory(const RWCString& name) {
  if (session_ == nullptr) return;
  const RWCString previous = GetAccessory();
  GSettingsView view = session_->GetSettingsView();
  view.SetNarrowString(&kAccessoryOutputBins, name);
  const GPaperHandlingDevice* device = FindDevice(name);
  Write(kOutputAccessoryMode, device != nullptr ? device->GetSelectedOption() : 0);
  if (!(name == previous)) {
    Write(kOutputBin, 1);
    Write(kStaplerChoice, 0);
    Write(kStaplingRuleValue, 0);
    ClearMailboxNames();
  }
  session_->ApplySettingsToModel();
}

void GOutputAccessoryAccessor::SetMode(int16_t mode) {
  if (session_ == nullptr || HasOption(mode) == 0) return;
  if (mode != GetMode()) {
    Write(kOutputBin, 1);
    Write(kStaplingRuleValue, 0);
  }
  Write(kOutputAccessoryMode, mode);
  session_->ApplySettingsToModel();
}

int GOutputAccessoryAccessor::NeedsRefresh() const {
  if (session_ == nullptr) return 0;
  GSettingsView view = session_->GetSettingsView();
  return view.HasChanged(&kAccessoryOutputBins) != 0 || view.HasChanged(&kOutputAccessoryMode) != 0 ? 1 : 0;
}

// ---- GInputAccessoryAccessor ----

GInputAccessoryAccessor::GInputAccessoryAccessor(GUISession* session)
    : GAccessoryListAccessor(session, GPaperHandlingDevice::kInputDevice) {}

GInputAccessoryAccessor::~GInputAccessoryAccessor() = default;

RWCString GInputAccessoryAccessor::GetAccessory() const { return Text(kOptionalPaperSources); }

bool GInputAccessoryAccessor::Listed(const RWCString& name) const {
  // The envelope feeder has its own check box; the K5208 unit is listed as
  // the K5201 one.
  return !(name == RWCString("K5208")) && !(name == RWCString("K5209"));
}

void GInputAccessoryAccessor::SetAccessory(const RWCString& name) {
  if (session_ == nullptr) return;
  const RWCString previous = GetAccessory();
  session_->GetSettingsView().SetNarrowString(&kOptionalPaperSources, name);
  if (name == previous) return;
  Write(kUseDiffFirstPageChoice, 0);
  Write(kInputBin, kAccessoryAutomaticSource);
  Write(kInputBinRest, kAccessoryAutomaticSource);
  session_->ApplySettingsToModel();
  GFormToTrayAccessor(session_).PruneAssignments(nullptr);
}

int GInputAccessoryAccessor::HasChanged() const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&kOptionalPaperSources) != 0 ? 1 : 0;
}

// ---- GOutputAccessoryWrapper ----

GOutputAccessoryWrapper::GOutputAccessoryWrapper(GOutputAccessoryAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GOutputAccessoryWrapper::~GOutputAccessoryWrapper() = default;

void GOutputAccessoryWrapper::FillModes() {
  modes_.ResetContent();
  std::vector<int16_t> keys;
  Accessories()->GetOptionKeys(&keys);
  if (keys.empty()) keys.push_back(0);
  for (int16_t key : keys) {
    const RWWString name = UIStringOrEmpty(OutputDeviceKindNameId(key));
    if (name.Length() != 0) modes_.AddStringWithData(name, key);
  }
}

void GOutputAccessoryWrapper::OnAttach() {
  accessories_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  modes_.Attach(dialog_, static_cast<int16_t>(GetControlId(2)));
  if (Accessories() == nullptr) return;
  std::vector<RWWString> names;
  Accessories()->ListAccessories(&names, &keys_);
  accessories_.ResetContent();
  for (size_t i = 0; i < names.size(); ++i) accessories_.AddStringWithData(names[i], static_cast<int>(i));
  FillModes();
}

bool GOutputAccessoryWrapper::ModeChangeable() const {
  return Accessories()->HasOption(GOutputAccessoryAccessor::kMailboxMode) != 0 &&
         Accessories()->ReadValue(&kAutoConfigurationState) != kAutoConfigured;
}

void GOutputAccessoryWrapper::SetControlFromFeature(int force) {
  if (Accessories() == nullptr || (force == 0 && Accessories()->NeedsRefresh() == 0)) return;
  const RWCString current = Accessories()->GetAccessory();
  accessories_.SetCurSel(-1);
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == current) accessories_.SetCurSel(static_cast<int16_t>(i));
  }
  FillModes();
  modes_.SelectByItemData(Accessories()->GetMode());
  EnableControl(1, ModeChangeable() ? 1 : 0);
  EnableControl(2, ModeChangeable() && Accessories()->GetAvailability() == 0 &&
                           Accessories()->GetOptionCount() >= 2
                       ? 1
                       : 0);
}

void GOutputAccessoryWrapper::ReadControlIntoFeature() {
  if (Accessories() == nullptr) return;
  const int index = accessories_.GetSelectedItemData();
  Accessories()->SetAccessory(index >= 0 && static_cast<size_t>(index) < keys_.size() ? keys_[index] : RWCString());
}

int GOutputAccessoryWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && Accessories() != nullptr) {
    if (LOWORD(wParam) == GetControlId(0)) {
      ReadControlIntoFeature();
      return 1;
    }
    if (LOWORD(wParam) == GetControlId(2)) {
      const int key = modes_.GetSelectedItemData();
      Accessories()->SetMode(static_cast<int16_t>(key >= 0 ? key : GOutputAccessoryAccessor::kMailboxMode));
      return 1;
    }
  }
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GOutputAccessoryWrapper::RefreshAvailability() {
  if (Accessories() == nullptr) return;
  const int16_t availability = Accessories()->GetAvailability();
  ApplyAvailability(availability);
  if (availability != 0) {
    EnableControl(0, 0);
    EnableControl(2, 0);
  } else if (Accessories()->GetOptionCount() < 2) {
    EnableControl(2, 0);
  }
}

// ---- GInputAccessoryWrapper ----

GInputAccessoryWrapper::GInputAccessoryWrapper(GInputAccessoryAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GInputAccessoryWrapper::~GInputAccessoryWrapper() = default;

void GInputAccessoryWrapper::OnAttach() {
  accessories_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  if (Accessories() == nullptr) return;
  std::vector<RWWString> names;
  Accessories()->ListAccessories(&names, &keys_);
  accessories_.ResetContent();
  for (size_t i = 0; i < names.size(); ++i) accessories_.AddStringWithData(names[i], static_cast<int>(i));
}

void GInputAccessoryWrapper::SetControlFromFeature(int force) {
  if (Accessories() == nullptr || (force == 0 && Accessories()->HasChanged() == 0)) return;
  const RWCString current = Accessories()->GetAccessory();
  accessories_.SetCurSel(-1);
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == current) accessories_.SetCurSel(static_cast<int16_t>(i));
  }
}

void GInputAccessoryWrapper::ReadControlIntoFeature() {
  if (Accessories() == nullptr) return;
  const int index = accessories_.GetSelectedItemData();
  if (index >= 0 && static_cast<size_t>(index) < keys_.size()) Accessories()->SetAccessory(keys_[index]);
}

int GInputAccessoryWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == GetControlId(0)) {
    if (HIWORD(wParam) != CBN_SELCHANGE) return 0;
    ReadControlIntoFeature();
    return 1;
  }
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GInputAccessoryWrapper::RefreshAvailability() {
  if (Accessories() != nullptr) ApplyAvailability(Accessories()->GetAvailability());
}

// ---- Check boxes ----

GEnvelopeFeederAccessor::GEnvelopeFeederAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kEnvFeeder) {}

int GEnvelopeFeederAccessor::SetValue(int16_t value) {
  const int written = GKeyedFeatureAccessor::SetValue(value);
  if (session_ != nullptr) {
    session_->ApplySettingsToModel();
    GFormToTrayAccessor(session_).PruneAssignments(nullptr);
  }
  return written;
}

GPlurexAccessor::GPlurexAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kCollationUnit) {}

void GPlurexAccessor::SetCollate(int16_t value) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&kCollate, value == 1 ? 1 : 0);
}

GAccessoryCheckWrapper::GAccessoryCheckWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

void GAccessoryCheckWrapper::SetControlFromFeature(int force) {
  if (Keyed() == nullptr || (force == 0 && Keyed()->HasChanged() == 0)) return;
  CheckDlgButton(dialog_, GetControlId(0), Keyed()->GetValue() == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void GAccessoryCheckWrapper::ReadControlIntoFeature() {
  if (Keyed() != nullptr) Keyed()->SetValue(IsDlgButtonChecked(dialog_, GetControlId(0)) == BST_CHECKED ? 1 : 0);
}

void GAccessoryCheckWrapper::RefreshAvailability() {
  if (Keyed() != nullptr) ApplyAvailability(Keyed()->GetAvailability());
}

void GPlurexWrapper::ReadControlIntoFeature() {
  GAccessoryCheckWrapper::ReadControlIntoFeature();
  if (Keyed() != nullptr) {
    static_cast<GPlurexAccessor*>(Keyed())->SetCollate(IsDlgButtonChecked(dialog_, GetControlId(0)) == BST_CHECKED ? 1
                                                                                                                   : 0);
  }
}
