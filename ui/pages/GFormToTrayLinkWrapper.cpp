#include "ui/pages/GFormToTrayLinkWrapper.h"

#include <algorithm>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GTray.h"
#include "rw/RWCString.h"
#include "rw/RWOrderedVector.h"
#include "ui/framework/GMediaTypeNames.h"
#include "ui/framework/GPaperSourceAccessor.h"
#include "ui/framework/GPaperSourceRule.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/DisplayStringText.h"
#include "win32/Dialog.h"

namespace {

using namespace GFeatureIds;

// Trays the page never lists: the automatic choice and the paper types.
constexpr int16_t kFormsAutomaticSource = 19;
constexpr int16_t kFormsTypeSource = 18;
constexpr int16_t kFormsFirstType = 11102;
constexpr int16_t kFormsLastType = 11112;
constexpr int16_t kFormsFirstReported = 11144;

bool IsInstalledInput(const GPaperHandlingDevice* device) {
  return device->GetKind() == GPaperHandlingDevice::kInputDevice &&
         (device->IsInstallable() == 0 || device->IsInstalled() != 0);
}

}  // namespace

// ---- GFormToTrayAccessor ----

GFormToTrayAccessor::GFormToTrayAccessor(GUISession* session) : GFeatureAccessor(session) {}

GFormToTrayAccessor::~GFormToTrayAccessor() = default;

GFormToTrayDatabase* GFormToTrayAccessor::Database() const {
  if (session_ == nullptr) return nullptr;
  return dynamic_cast<GFormToTrayDatabase*>(
      session_->GetSettingsView().FindOfClass(&kFormToTrayDatabase, GSettingsView::kFormToTrayClass));
}

void GFormToTrayAccessor::Replace(const GFormToTrayDatabase& copy) {
  GFormToTrayDatabase* current = Database();
  if (current == nullptr) return;
  GSettingsView view = session_->GetSettingsView();
  view.LogChange(current, nullptr);
  view.ReplaceAttribute(&kFormToTrayDatabase, &copy);
}

int GFormToTrayAccessor::ListTrays(std::vector<int16_t>* codes, std::vector<RWWString>* names) {
  codes->clear();
  if (names != nullptr) names->clear();
  MPersistentObject* devices =
      session_ != nullptr ? GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices) : nullptr;
  if (devices == nullptr) return 0;
  GSettingQuery::ForEachChild(devices, [&](MPersistentObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || !IsInstalledInput(device)) return true;
    GSettingQuery::ForEachChild(device, [&](MPersistentObject* item) {
      auto* tray = dynamic_cast<GTray*>(item);
      if (tray == nullptr) return true;
      codes->push_back(tray->GetTrayNumber());
      if (names != nullptr) {
        RWWString name = DisplayStringText(tray->GetDisplayString());
        if (name.Length() == 0) name = UIStringOrEmpty(GPaperSourceAccessor::SourceNameId(tray->GetTrayNumber(), session_));
        names->push_back(name);
      }
      return true;
    });
    return true;
  });
  return 1;
}

void GFormToTrayAccessor::GetAssignment(int16_t tray, int16_t& paper, int16_t& type) {
  paper = kUnspecifiedPaper;
  type = kUnspecifiedType;
  if (GFormToTrayDatabase* database = Database()) {
    // A tray without an entry holds the database's defaults.
    paper = database->GetPaperSizeForTray(tray);
    type = database->GetMediaTypeForTray(tray);
  }
}

void GFormToTrayAccessor::Assign(int16_t tray, int16_t paper, int16_t type) {
  GFormToTrayDatabase* database = Database();
  if (database == nullptr) return;
  GFormToTrayDatabase copy(*database);
  copy.AssignTray(tray, paper, type);
  Replace(copy);
}

void GFormToTrayAccessor::ClearAll() {
  GFormToTrayDatabase* database = Database();
  if (database == nullptr) return;
  GFormToTrayDatabase copy(*database);
  copy.Clear();
  Replace(copy);
}

void GFormToTrayAccessor::PruneAssignments(std::vector<int16_t>* codes) {
  std::vector<int16_t> installed;
  if (codes == nullptr) codes = &installed;
  ListTrays(codes, nullptr);
  GFormToTrayDatabase* database = Database();
  if (database == nullptr) return;
  RWOrderedVector<int16_t> assigned;
  database->GetTrays(assigned);
  std::vector<int16_t> gone;
  for (size_t i = 0; i < assigned.Count(); ++i) {
    const int16_t tray = *assigned.At(i);
    if (std::find(codes->begin(), codes->end(), tray) == codes->end()) gone.push_back(tray);
  }
  for (int16_t tray : gone) {
    while (database->RemoveTray(tray) != 0) {
    }
  }
}

int GFormToTrayAccessor::EnumeratePapers(int (*callback)(int, int16_t, const RWWString&, void*), void* context) {
  if (session_ == nullptr) return 0;
  return session_->EnumerateAllPapers(callback, context, ReadValue(&kScaleFromLargePaper) == 0 ? 1 : 0);
}

int16_t GFormToTrayAccessor::GetDefaultPaper() { return session_ != nullptr ? session_->GetDefaultPaperSize() : 1; }

int16_t GFormToTrayAccessor::GetSelectedTray() { return ReadValue(&kFormToTraySelectedTray); }

void GFormToTrayAccessor::SetSelectedTray(int16_t tray) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&kFormToTraySelectedTray, tray);
}

int GFormToTrayAccessor::TrayRefusesPaper(int16_t paper, int16_t tray) {
  if (paper == kUnspecifiedPaper || session_ == nullptr) return 0;
  GPaperSourceRule sizes(session_);
  return sizes.PaperFitsSource(paper, tray) != 0 ? 0 : 1;
}

int GFormToTrayAccessor::TrayRefusesType(int16_t typeId, int16_t tray) {
  RWCString name;
  MediaTypeStringIdToName(typeId, name);
  return GPaperSourceRule::MediaFitsSource(name, tray) != 0 ? 0 : 1;
}

std::vector<RWWString> GFormToTrayAccessor::ReportedMediaNames() {
  std::vector<RWWString> names;
  if (session_ == nullptr) return names;
  GSettingQuery::ForEachChild(session_->GetSettingsView().FindComposite(&kDiscoveredMediaNames),
                              [&](MPersistentObject* child) {
                                if (auto* name = dynamic_cast<GStringAttribute*>(child)) {
                                  RWWString wide;
                                  ToWideString(name->GetString(), wide);
                                  names.push_back(wide);
                                }
                                return true;
                              });
  return names;
}

// ---- GFormToTrayLinkWrapper ----

GFormToTrayLinkWrapper::GFormToTrayLinkWrapper(GFormToTrayAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GFormToTrayLinkWrapper::~GFormToTrayLinkWrapper() = default;

int GFormToTrayLinkWrapper::MediaNameCallback(int, int16_t paperId, const RWWString& name, void* wrapper) {
  if (wrapper == nullptr) return 0;
  return static_cast<GFormToTrayLinkWrapper*>(wrapper)->AddPaper(paperId, name);
}

int GFormToTrayLinkWrapper::AddPaper(int16_t paperId, const RWWString& name) {
  if (tray_ == GFormToTrayAccessor::kShowEverything || Forms()->TrayRefusesPaper(paperId, tray_) == 0) {
    sizes_.AddStringWithData(name, paperId);
  }
  return 1;
}

int16_t GFormToTrayLinkWrapper::FillTrays() {
  trays_.ResetContent();
  std::vector<int16_t> codes;
  std::vector<RWWString> names;
  Forms()->ListTrays(&codes, &names);
  int16_t selected = Forms()->GetSelectedTray();
  bool present = false;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == kFormsAutomaticSource || codes[i] == kFormsTypeSource) continue;
    trays_.AddStringWithData(names[i], codes[i]);
    present = present || codes[i] == selected;
  }
  if (!present) selected = GFormToTrayAccessor::kShowEverything;
  tray_ = selected;
  return selected;
}

void GFormToTrayLinkWrapper::FillSizes() {
  sizes_.ResetContent();
  RWWString text;
  LoadUIString(GFormToTrayAccessor::kUnspecifiedType, &text);
  sizes_.AddStringWithData(text, GFormToTrayAccessor::kUnspecifiedPaper);
  Forms()->EnumeratePapers(&GFormToTrayLinkWrapper::MediaNameCallback, this);
}

void GFormToTrayLinkWrapper::FillTypes(int16_t tray) {
  types_.ResetContent();
  RWWString text;
  LoadUIString(GFormToTrayAccessor::kUnspecifiedType, &text);
  types_.AddStringWithData(text, GFormToTrayAccessor::kUnspecifiedType);
  for (int16_t id = kFormsFirstType; id <= kFormsLastType; ++id) {
    RWWString name;
    if (LoadUIString(id, &name) == 0 || name.Length() == 0) continue;
    if (tray == GFormToTrayAccessor::kShowEverything || Forms()->TrayRefusesType(id, tray) == 0) {
      types_.AddStringWithData(name, id);
    }
  }
  int16_t id = kFormsFirstReported;
  for (const RWWString& name : Forms()->ReportedMediaNames()) types_.AddStringWithData(name, id++);
}

void GFormToTrayLinkWrapper::OnAttach() {
  trays_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  sizes_.Attach(dialog_, static_cast<int16_t>(GetControlId(1)));
  types_.Attach(dialog_, static_cast<int16_t>(GetControlId(2)));
  if (Forms() == nullptr) return;
  const int16_t tray = FillTrays();
  FillSizes();
  FillTypes(tray);
}

void GFormToTrayLinkWrapper::SetControlFromFeature(int) {
  if (Forms() == nullptr) return;
  const int16_t tray = FillTrays();
  if (Forms()->GetSelectedTray() != tray) Forms()->SetSelectedTray(tray);
  trays_.SelectByItemData(tray);
  int16_t paper = 0;
  int16_t type = 0;
  Forms()->GetAssignment(tray, paper, type);
  FillSizes();
  sizes_.SelectByItemData(paper);
  FillTypes(tray);
  types_.SelectByItemData(type);
}

void GFormToTrayLinkWrapper::ReadControlIntoFeature() {
  if (Forms() == nullptr) return;
  if (trays_.GetCurSel() < 0 || sizes_.GetCurSel() < 0 || types_.GetCurSel() < 0) return;
  Forms()->Assign(static_cast<int16_t>(trays_.GetSelectedItemData()), static_cast<int16_t>(sizes_.GetSelectedItemData()),
                  static_cast<int16_t>(types_.GetSelectedItemData()));
}

int GFormToTrayLinkWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COMMAND || Forms() == nullptr) return GWrapper::OnMessage(message, wParam, lParam);
  if ((Forms()->GetAccess() & 1) != 0) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == GetControlId(0) && code == CBN_SELCHANGE) {
    if (trays_.GetCurSel() >= 0) Forms()->SetSelectedTray(static_cast<int16_t>(trays_.GetSelectedItemData()));
    SetControlFromFeature(1);
    return 1;
  }
  if (id == GetControlId(1) && code == CBN_SELCHANGE) {
    if (sizes_.GetSelectedItemData() == GFormToTrayAccessor::kUnspecifiedPaper &&
        types_.GetSelectedItemData() != GFormToTrayAccessor::kUnspecifiedType) {
      types_.SelectByItemData(GFormToTrayAccessor::kUnspecifiedType);
    }
    ReadControlIntoFeature();
    return 1;
  }
  if (id == GetControlId(2) && code == CBN_SELCHANGE) {
    if (types_.GetSelectedItemData() != GFormToTrayAccessor::kUnspecifiedType &&
        sizes_.GetSelectedItemData() == GFormToTrayAccessor::kUnspecifiedPaper) {
      const int16_t paper = tray_ == GFormToTrayAccessor::kEnvelopeTray ? GFormToTrayAccessor::kEnvelopePaper
                                                                         : Forms()->GetDefaultPaper();
      if (sizes_.SelectByItemData(paper) == 0) {
        // A default the tray's list lacks is still what the tray holds.
        Forms()->Assign(tray_, paper, static_cast<int16_t>(types_.GetSelectedItemData()));
        return 1;
      }
    }
    ReadControlIntoFeature();
    return 1;
  }
  if (id == GetControlId(3) && code == BN_CLICKED) {
    Forms()->ClearAll();
    SetControlFromFeature(1);
    return 1;
  }
  if (OwnsControl(static_cast<int16_t>(id)) != 0) return 0;
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GFormToTrayLinkWrapper::RefreshAvailability() {
  if (Forms() != nullptr) ApplyAvailability(Forms()->GetAvailability());
}
