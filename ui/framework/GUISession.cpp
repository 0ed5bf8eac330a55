#include "ui/framework/GUISession.h"

#include <memory>
#include <utility>

#include "driver/GDriverInstance.h"
#include "driver/GExternalModule.h"
#include "driver/GUIServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOSVersionInfo.h"
#include "model/GPeripheral.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GUIRule.h"
#include "win32/Module.h"
#include "win32/Process.h"

using namespace GFeatureIds;

namespace {

constexpr DWORD kPathChars = 260;

// The direct child of root with that id, or null.
GAttribute* DirectChild(MPersistentObject* root, int32_t id) {
  if (root == nullptr) return nullptr;
  std::unique_ptr<MPersistentIterator> it(root->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    MPersistentObject* child = it->Current();
    if (child != nullptr && child->FeatureId() == id) return dynamic_cast<GAttribute*>(child);
  }
  return nullptr;
}

// The printer configuration that the record names: its printer peripheral's
// configuration, or the printer entry's of a device model root, or the
// host's.
MPersistentObject* ModelOf(GUIData* data) {
  if (data == nullptr) return nullptr;
  auto* printer = dynamic_cast<GPeripheral*>(data->printer);
  if (printer == nullptr && data->printer != nullptr) {
    printer = dynamic_cast<GPeripheral*>(data->printer->FindById(GFeatureIds::kDeviceEntry));
  }
  if (printer != nullptr && printer->GetConfiguration() != nullptr) return printer->GetConfiguration();
  return data->host != nullptr ? data->host->GetPrinterConfiguration() : nullptr;
}

RWWString WideOf(const WCHAR* text) { return text != nullptr ? RWWString(text) : RWWString(); }

std::unique_ptr<GChangePath> CopyPath(const GChangePath* path) {
  return path != nullptr ? std::make_unique<GChangePath>(*path) : std::unique_ptr<GChangePath>();
}

}  // namespace

// ---- GChangeRecord ----

GChangeRecord::GChangeRecord(GAttribute* oldValue, std::unique_ptr<GChangePath> path)
    : oldValue_(oldValue), path_(std::move(path)) {}

GChangeRecord::~GChangeRecord() { delete oldValue_; }

int32_t GChangeRecord::GetFeatureId() const { return oldValue_ != nullptr ? oldValue_->FeatureId() : 0; }

bool GChangeRecord::SamePath(const GChangePath* a, const GChangePath* b) {
  if (a == nullptr || b == nullptr) return a == b;
  // Every entry counts: two paths that part after the first composite lead
  // to different attributes.
  return *a == *b;
}

bool GChangeRecord::Equals(const GChangeRecord& other) const {
  return GetFeatureId() == other.GetFeatureId() && SamePath(path_.get(), other.path_.get());
}

// ---- Construction ----

GUISession::GUISession(GUIData* data) : data_(data) {
  if (data == nullptr) return;
  model_ = ModelOf(data);
  settings_ = data->settings;
  if (data->host != nullptr) {
    paperMappings_ = data->host->GetPaperMappings();
    sourceMappings_ = data->host->GetSourceMappings();
  }
  if (settings_ != nullptr) {
    // Settings saved with an earlier sheet bring their UI state along; the
    // session starts from an empty one (the rules fill it at the first page
    // message), and there is only ever one.
    if (GAttribute* saved = DirectChild(settings_, kUIState)) delete settings_->RemoveChild(saved);
    settings_->AddChild(new GAttributeComposite(&kUIState));
  }
  if (data->host != nullptr) referenceSettings_ = data->host->CreateDefaultSettings();
}

GUISession::~GUISession() {
  for (GUIRule* rule : rules_) delete rule;
  rules_.clear();
  ClearChangeLog();
  delete referenceSettings_;
  referenceSettings_ = nullptr;
  if (quickSetPool_ != nullptr) {
    SaveQuickSetPool();
    delete quickSetPool_;
    quickSetPool_ = nullptr;
  }
  for (GChangeList& level : undoLevels_) DeleteRecords(level);
  undoLevels_.clear();
  retiredMedia_.clear();
}

void GUISession::DeleteRecords(GChangeList& list) {
  for (GChangeRecord* record : list) delete record;
  list.clear();
}

void GUISession::ClearChangeLog() {
  DeleteRecords(changeLog_);
  changedIds_.clear();
}

// ---- Views ----

GSettingsView GUISession::GetSettingsView() { return GSettingsView::Writable(settings_, this); }
GSettingsView GUISession::GetModelView() { return GSettingsView(model_, this); }
GSettingsView GUISession::GetUIStateView() { return GSettingsView::Writable(GetUIState(), this); }
GSettingsView GUISession::GetReferenceSettingsView() { return GSettingsView(referenceSettings_, this); }

GAttributeComposite* GUISession::GetUIState() const {
  return dynamic_cast<GAttributeComposite*>(DirectChild(settings_, kUIState));
}

// ---- Change recording and update cycles ----

void GUISession::BeginUpdate(HWND window) {
  if (updateNesting_++ == 0) {
    updateContext_ = window;
    ClearChangeLog();
  }
}

int16_t GUISession::EndUpdate() {
  // An unmatched EndUpdate leaves the count at 0: a negative count would
  // make the next BeginUpdate keep the old cycle's log.
  if (updateNesting_ > 0) --updateNesting_;
  if (updateNesting_ == 0) updateContext_ = nullptr;
  return updateNesting_;
}

void GUISession::LogChange(const GAttribute* attribute, std::unique_ptr<GChangePath> path) {
  if (attribute == nullptr) return;
  auto* copy = dynamic_cast<GAttribute*>(attribute->DeepCopy());
  if (copy == nullptr) return;
  const int32_t id = attribute->FeatureId();
  // Each open level keeps the oldest value of every feature changed since it
  // was opened.
  for (GChangeList& level : undoLevels_) {
    bool held = false;
    for (GChangeRecord* record : level) {
      if (record->GetFeatureId() == id) {
        held = true;
        break;
      }
    }
    if (held) continue;
    auto* levelCopy = dynamic_cast<GAttribute*>(attribute->DeepCopy());
    if (levelCopy != nullptr) level.push_front(new GChangeRecord(levelCopy, CopyPath(path.get())));
  }
  changeLog_.push_front(new GChangeRecord(copy, std::move(path)));
  changedIds_.push_front(id);
}

int GUISession::IsChangeLogged(const int32_t* id, const GChangePath* path) const {
  if (id == nullptr) return 0;
  for (const GChangeRecord* record : changeLog_) {
    if (record->GetFeatureId() == *id && GChangeRecord::SamePath(record->GetPath(), path)) return 1;
  }
  return 0;
}

void GUISession::UndoChanges() {
  ApplyAttributeList(changeLog_);
  ClearChangeLog();
}

void GUISession::PushUndoLevel() { undoLevels_.emplace_front(); }

void GUISession::PopUndoLevel(int restore) {
  if (undoLevels_.empty()) return;
  GChangeList level = std::move(undoLevels_.front());
  undoLevels_.pop_front();
  if (restore == 1) ApplyAttributeList(level);
  DeleteRecords(level);
}

int GUISession::ApplyAttributeList(const GChangeList& list) {
  const GSettingsView settings = GetSettingsView();
  for (const GChangeRecord* record : list) {
    GAttribute* old = record->GetOldValue();
    if (old == nullptr) continue;
    const int32_t id = old->FeatureId();
    // The custom papers are spooler forms: their list is not rolled back.
    if (id == kCustomPaperList) continue;
    if (id == GFeatureIds::kQuickSetPool) {
      // The pool goes back whole; the session keeps a copy of its own, the
      // record keeps the logged one.
      delete quickSetPool_;
      quickSetPool_ = dynamic_cast<GAttributeComposite*>(old->DeepCopy());
      continue;
    }
    GSettingsView view = settings;
    if (const GChangePath* path = record->GetPath()) {
      for (int32_t step : *path) view.Descend(&step);
    }
    view.ReplaceAttribute(&id, old);
  }
  return SetRefreshNeeded(1);
}

// ---- Rules ----

void GUISession::AddRule(GUIRule* rule) {
  if (rule != nullptr) rules_.push_back(rule);
}

void GUISession::Revalidate(int force) {
  // A rule's own writes may end up here again: they are picked up by the
  // loop that is already running.
  if (revalidating_ != 0) return;
  revalidating_ = 1;
  rulePromptAnswers_.clear();
  std::list<int32_t> changed;
  changed.swap(changedIds_);
  bool first = true;
  int iterations = 0;
  while (!changed.empty() || (force != 0 && first)) {
    if (first) {
      // By index: a rule may register another while it runs.
      for (size_t i = 0; i < rules_.size(); ++i) rules_[i]->Init();
      first = false;
    }
    for (size_t i = 0; i < rules_.size(); ++i) rules_[i]->OnChange(changed, force);
    changed.clear();
    changed.swap(changedIds_);
    // Rules that keep changing each other's settings never settle: stop
    // after a bounded number of rounds and keep what they left.
    if (++iterations > kRevalidateLimit) {
      changed.clear();
      break;
    }
  }
  rulePromptAnswers_.clear();
  revalidating_ = 0;
}

int GUISession::FindRulePromptAnswer(int textId) const {
  for (const auto& [text, answer] : rulePromptAnswers_) {
    if (text == textId) return answer;
  }
  return 0;
}

void GUISession::RememberRulePromptAnswer(int textId, int answer) {
  if (answer == 0 || FindRulePromptAnswer(textId) != 0) return;
  rulePromptAnswers_.emplace_back(textId, answer);
}

// ---- Messages and refresh ----

void GUISession::OnPageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (firstMessageDone_ == 0) {
    const bool borrowed = updateContext_ == nullptr;
    if (borrowed) updateContext_ = window;
    Revalidate(1);
    if (borrowed) updateContext_ = nullptr;
    firstMessageDone_ = 1;
  }
  if (data_ != nullptr && data_->dialogHook != nullptr) data_->dialogHook(window, message, wParam, lParam, data_);
}

int GUISession::SetRefreshNeeded(int needed) {
  refreshNeeded_ = needed;
  return 1;
}

int GUISession::GetRefreshNeeded() { return updateNesting_ < 2 ? refreshNeeded_ : 0; }

HWND GUISession::GetUpdateContext() { return updateContext_; }

// ---- Access ----

int GUISession::GetAccessFlags() { return data_ != nullptr ? (data_->accessFlags & 3) : 0; }
int GUISession::IsPerUserMode() { return data_ != nullptr ? (data_->accessFlags & GUIAccess::kPerUser) : 0; }
int GUISession::IsFlag8Set() { return data_ != nullptr ? (data_->accessFlags & GUIAccess::kPerUserNT5) : 0; }

int GUISession::GetEffectiveAccess() {
  int flags = GetAccessFlags();
  if (IsPerUserMode() != 0) flags &= ~GUIAccess::kNoPrinterChanges;
  return flags;
}

// ---- Host and model ----

GDriverInstance* GUISession::GetHost() const { return data_ != nullptr ? data_->host : nullptr; }

GResourceMappingList* GUISession::GetPaperMappingList() { return paperMappings_; }
GResourceMappingList* GUISession::GetSourceMappingList() { return sourceMappings_; }

int GUISession::ApplySettingsToModel() {
  GDriverInstance* host = GetHost();
  const int result = host != nullptr ? host->ApplyDocumentSettings(settings_) : 0;
  SetRefreshNeeded(1);
  return result;
}

void GUISession::ReadSettingsResolution(int16_t* x, int16_t* y, int32_t* orientation) {
  const GSettingsView view(settings_);
  int value = 0;
  view.GetInt(&GFeatureIds::kXResolution, &value);
  *x = static_cast<int16_t>(value);
  view.GetInt(&GFeatureIds::kYResolution, &value);
  *y = static_cast<int16_t>(value);
  view.GetInt(&GFeatureIds::kOrientation, &value);
  *orientation = value;
}

int GUISession::QueryHost(int16_t code) {
  GDriverInstance* host = GetHost();
  if (host == nullptr) return 0;
  int16_t x = 0;
  int16_t y = 0;
  int32_t orientation = 0;
  ReadSettingsResolution(&x, &y, &orientation);
  const int answer = host->CheckPaperId(settings_, code, orientation, x, y);
  return answer == 1 || answer == 2 ? answer : 0;
}

int GUISession::ReloadSettings() {
  GDriverInstance* host = GetHost();
  if (host == nullptr || settings_ == nullptr) return 0;
  GAttributeComposite* fresh = host->CreateDefaultSettings();
  if (fresh == nullptr) return 0;
  // The sheet's own groups stay what the user made them; what the fresh
  // group has and the current one lacks is brought in. (Merging the fresh
  // group into the current one would either append a second copy of every
  // member or let the fresh values replace the user's.)
  for (const int32_t id : {GFeatureIds::kExtensionSettingsGroup, kDriverPreferences}) {
    GAttribute* held = DirectChild(settings_, id);
    if (held == nullptr) continue;
    GAttribute* current = settings_->RemoveChild(held);
    if (current == nullptr) continue;
    if (GAttribute* replaced = DirectChild(fresh, id)) {
      std::unique_ptr<MPersistentIterator> it(replaced->CreateIterator());
      while (it != nullptr && it->Advance() != 0) {
        MPersistentObject* member = it->Current();
        if (member != nullptr && DirectChild(current, member->FeatureId()) == nullptr)
          current->AddChild(member->DeepCopy());
      }
      fresh->ReplaceChild(replaced, current);
      delete current;
    } else {
      fresh->AddChild(current);
    }
  }
  if (GAttribute* state = DirectChild(settings_, kUIState)) {
    if (GAttribute* stale = DirectChild(fresh, kUIState)) delete fresh->RemoveChild(stale);
    fresh->AddChild(settings_->RemoveChild(state));
  }
  delete settings_;
  settings_ = fresh;
  if (data_ != nullptr) data_->settings = fresh;
  SetRefreshNeeded(1);
  return 1;
}

int GUISession::UpdateFromPrinter() {
  GOSFactory* factory = GOSFactory::GetInstance();
  GDriverInstance* host = GetHost();
  const int family = factory != nullptr ? factory->GetOSVersion().GetFamilyCode() : 0;
  const RWWString printerName = WideOf(data_ != nullptr ? data_->printerName : nullptr);

  // 1. The status program, started and left to run.
  if (family != 2 && factory != nullptr) {
    RWWString command = factory->GetDriverDirectory();
    command.AppendText(u"\\QVBSnwLt.exe  /G /P \"");
    command = RWWString::Concat(command, printerName);
    command.AppendText(u"\" /D \"");
    command = RWWString::Concat(command, WideOf(data_ != nullptr ? data_->portName : nullptr));
    command.AppendText(u"\"");
    RWCString narrow;
    ToNarrowString(command, narrow);
    WinExec(narrow.Data(), SW_HIDE);
  }

  int16_t result = 0;
  const GSettingsView model = GetModelView();
  int bidirectional = 0;
  model.GetInt(&kBidiUpdateAvailable, &bidirectional);
  if (bidirectional != 0) {
    // 2. Through the agent: its installer must be running for the update.
    GSettingsView group = model;
    const bool requested = group.Descend(&kDocumentSettings2) != 0 && group.Contains(&kAgentUpdate) != 0;
    if (requested && factory != nullptr && host != nullptr) {
      factory->SetPrinterDataDword(host, RWWString(u"QvrdbUpdateRequest"), 1);
      std::unique_ptr<GExternalModule> launcher(
          factory->CreateMiniInstallerLauncher(printerName, nullptr, family == 3 ? host : nullptr));
      if (launcher != nullptr && launcher->IsLoaded() != 0) result = host->RunAutoConfiguration(1);
      factory->SetPrinterDataDword(host, RWWString(u"QvrdbUpdateRequest"), 0);
    }
  } else if (host != nullptr) {
    // 3. Straight from the printer.
    result = host->RunAutoConfiguration(1);
  }

  // 4. The configuration into the settings.
  const auto configToSettings = UpwardServices().uiSession.configToSettings;
  if (configToSettings != nullptr && data_ != nullptr) configToSettings(data_);
  SetRefreshNeeded(1);
  return static_cast<uint16_t>(result);
}

void GUISession::GetHelpFilePath(RWCString* out) {
  if (out == nullptr) return;
  RWCString name;
  GetModelView().GetNarrowString(&kHelpFileName, &name);
  RWCString directory;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory != nullptr) {
    WCHAR path[kPathChars + 1] = {};
    const DWORD length = GetModuleFileNameW(factory->GetModuleHandle(), path, kPathChars);
    if (length > 0 && length < kPathChars) {
      const RWWString full(path);
      size_t cut = 0;
      for (size_t i = 0; i < full.Length(); ++i)
        if (full.Data()[i] == u'\\') cut = i + 1;
      if (cut > 0) ToNarrowString(RWWString(full.Data(), cut), directory);
    }
  }
  *out = RWCString::Concat(directory, name);
}

int16_t GUISession::GetUniformResolution() {
  const GSettingsView model = GetModelView();
  GAttributeComposite* list = model.FindComposite(&GFeatureIds::kResolutionList);
  if (list == nullptr) return 0x7FFF;
  std::unique_ptr<MPersistentIterator> it(list->CreateIterator());
  if (it == nullptr || it->Advance() == 0 || it->Current() == nullptr) return 0x7FFF;
  const GSettingsView entry(it->Current());
  int x = 0;
  int y = 0;
  if (entry.GetInt(&GFeatureIds::kXResolution, &x) == 0 || entry.GetInt(&GFeatureIds::kYResolution, &y) == 0)
    return 0x7FFF;
  return x == y ? static_cast<int16_t>(x) : 0x7FFF;
}

int16_t GUISession::GetAutoConfigurationState() {
  GSettingsView model = GetModelView();
  if (model.Descend(&GFeatureIds::kAutoConfiguration) == 0) return 0;
  int state = 0;
  model.GetInt(&kAutoConfigurationState, &state);
  return static_cast<int16_t>(state);
}

GAttribute* GUISession::FindWatermarkList() {
  const int32_t id = 378;
  return settings_ != nullptr ? settings_->FindById(id) : nullptr;
}

GAttribute* GUISession::FindAvailableMediaNames() {
  const int32_t id = 701;
  return settings_ != nullptr ? settings_->FindById(id) : nullptr;
}

GAttribute* GUISession::FindAttribute314() {
  const int32_t id = 314;
  return settings_ != nullptr ? settings_->FindById(id) : nullptr;
}

// ---- UI state ----

void GUISession::AddUIStateAttribute(GAttribute* attribute) {
  if (attribute == nullptr) return;
  GAttributeComposite* state = GetUIState();
  if (state == nullptr) {
    delete attribute;
    return;
  }
  state->AddChild(attribute);
}

GAttribute* GUISession::TakeUIStateAttribute(int32_t id) {
  GAttributeComposite* state = GetUIState();
  return state != nullptr ? state->RemoveChildById(id) : nullptr;
}

GAttribute* GUISession::FindUIStateAttribute(int32_t id) {
  GAttributeComposite* state = GetUIState();
  return state != nullptr ? state->FindById(id) : nullptr;
}

// ---- Media and papers ----

GMedia* GUISession::MakeCustomMedia(int16_t paperId, int16_t xResolution, int16_t yResolution) {
  GSettingsView settings = GetSettingsView();
  GEnumAttribute* list = settings.FindCustomPaperList();
  if (list == nullptr) return nullptr;
  GCustomMediaSize* size = nullptr;
  std::unique_ptr<MPersistentIterator> it(list->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    auto* entry = dynamic_cast<GCustomMediaSize*>(it->Current());
    if (entry != nullptr && entry->GetPaperId() == paperId) {
      size = entry;
      break;
    }
  }
  if (size == nullptr) {
    // The custom size is gone (deleted in another sheet): fall back to
    // Letter, as a change the user can see and undo.
    settings.SetInt(&kPaperSize, GSettingsView::kLetter);
    return nullptr;
  }
  GMedia* medium = CreateMediaFromSettingsAtResolution(*size, settings_, model_, static_cast<uint16_t>(xResolution),
                                                       static_cast<uint16_t>(yResolution));
  if (medium == nullptr) return nullptr;
  GAttributeComposite* state = GetUIState();
  if (state == nullptr) {
    delete medium;
    return nullptr;
  }
  medium->SetFeatureId(GFeatureIds::kCustomPaperMedium);
  // Callers keep the medium they were given while they work with it: one
  // that is replaced is retired, not deleted, until the session ends. An
  // equal medium is simply kept.
  if (auto* previous = dynamic_cast<GMedia*>(DirectChild(state, GFeatureIds::kCustomPaperMedium))) {
    if (previous->Matches(medium) != 0) {
      delete medium;
      return previous;
    }
    retiredMedia_.emplace_back(dynamic_cast<GMedia*>(state->RemoveChild(previous)));
  } else {
    delete state->RemoveChildById(GFeatureIds::kCustomPaperMedium);
  }
  state->AddChild(medium);
  return medium;
}

int GUISession::EnumeratePapers(GPaperNameCallback callback, void* context, int flag) {
  GDriverInstance* host = GetHost();
  if (host == nullptr || callback == nullptr) return 0;
  return host->EnumeratePaperNames(reinterpret_cast<void*>(callback), context, flag,
                                   settings_);
}

int GUISession::EnumerateAllPapers(GPaperNameCallback callback, void* context, int flag) {
  GDriverInstance* host = GetHost();
  if (host == nullptr || callback == nullptr) return 0;
  return host->EnumerateAllPaperNames(reinterpret_cast<void*>(callback), context, flag,
                                      settings_);
}

int GUISession::EnumerateForms(GBuiltinFormCallback callback, void* context, int) {
  GDriverInstance* host = GetHost();
  if (host == nullptr || callback == nullptr) return 1;
  return host->EnumerateBuiltinForms(reinterpret_cast<void*>(callback), context);
}

int16_t GUISession::GetDefaultPaperSize() {
  GDriverInstance* host = GetHost();
  return host != nullptr ? host->GetDefaultPaperId() : GSettingsView::kLetter;
}

int GUISession::AddCustomPaper(GCustomMediaSize* record, GAttributeComposite* list) {
  GDriverInstance* host = GetHost();
  return host != nullptr ? host->AddCustomForm(record, list, 0) : 0;
}

int GUISession::DeleteCustomPaper(GCustomMediaSize* record, GAttributeComposite* list) {
  GDriverInstance* host = GetHost();
  return host != nullptr ? host->DeleteCustomForm(record, list, 0) : 0;
}

int GUISession::IsBuiltInFormName(GCustomMediaSize* record) {
  GDriverInstance* host = GetHost();
  return host != nullptr ? host->IsBuiltinForm(record) : 0;
}

// ---- Quick sets ----

MPersistentObject* GUISession::LoadAdminQuickSets() {
  GOSFactory* factory = GOSFactory::GetInstance();
  GDriverInstance* host = GetHost();
  if (factory == nullptr || host == nullptr) return nullptr;
  return factory->LoadObject(host, RWWString(u"DMCQuickset"), 0);
}

GAttributeComposite* GUISession::GetQuickSetPool(GQuickSetAccessor* accessor, int* out) {
  if (out != nullptr) *out = 1;
  const auto loadQuickSetPool = UpwardServices().uiSession.loadQuickSetPool;
  if (quickSetPool_ == nullptr && accessor != nullptr && loadQuickSetPool != nullptr) {
    quickSetPool_ = loadQuickSetPool(accessor, out);
  }
  return quickSetPool_;
}

int GUISession::SaveQuickSetPool() {
  const auto saveQuickSetPool = UpwardServices().uiSession.saveQuickSetPool;
  if (quickSetPool_ == nullptr || saveQuickSetPool == nullptr) return 0;
  return saveQuickSetPool(quickSetPool_, IsPerUserMode() != 0 ? 1 : 0, GetHost());
}
