#include "ui/framework/GUIRule.h"

#include <memory>

#include "model/GAttributeComposite.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"

GUIRule::~GUIRule() = default;

void GUIRule::Init() {}

int GUIRule::Reserved() { return 0; }

void GUIRule::RaiseValue(const int32_t* id, int16_t level) {
  if (session_ == nullptr || id == nullptr) return;
  GSettingsView view = session_->GetUIStateView();
  int current = 0;
  if (view.GetInt(id, &current) != 0 && level <= current) return;
  view.SetInt(id, level);
}

void GUIRule::ClearValue(const int32_t* id) {
  if (session_ == nullptr || id == nullptr) return;
  GSettingsView view = session_->GetUIStateView();
  view.SetInt(id, 0);
}

int GUIRule::IsFeatureLocked(const int32_t* featureId) {
  if (session_ == nullptr || featureId == nullptr) return 0;
  GSettingsView view = session_->GetSettingsView();
  GAttributeComposite* locked = view.FindComposite(&kLockedFeatures);
  if (locked == nullptr) return 0;
  std::unique_ptr<MPersistentIterator> it(locked->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    auto* entry = dynamic_cast<GValueAttribute*>(it->Current());
    if (entry != nullptr && entry->GetValue() == *featureId) return 1;
  }
  return 0;
}

int GUIRule::ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags) {
  return UIMessageBox(owner, text, caption, flags);
}
