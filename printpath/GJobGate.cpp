#include "printpath/GJobGate.h"

GJobGate::~GJobGate() { delete hook_; }

int32_t GJobGate::Forward(int32_t value) { return hook_ != nullptr ? hook_->Forward(value) : 0; }

int32_t GJobGate::Forward(int32_t first, int32_t second, int32_t third, int32_t fourth) {
  return hook_ != nullptr ? hook_->Forward(first, second, third, fourth) : 0;
}

void GJobGate::Attach(GJobGateHook* hook, int32_t value) {
  if (hook == hook_) return;
  delete hook_;
  hook_ = hook;
  if (hook_ != nullptr) hook_->Register(this, value);
}

int16_t GJobGate::CheckCommand(const GCommand* command) {
  if (token_ != nullptr) {
    if (command == token_) token_ = nullptr;
    return 0;
  }
  return HookStatus();
}

int16_t GJobGate::HookStatus() { return hook_ != nullptr ? hook_->Status() : 0; }

int GJobGate::Poll(int32_t value) {
  if (hook_ == nullptr) return 2;
  if (hook_->Accepts(value) != 0) return 1;
  GJobGateHook* hook = hook_;
  hook_ = nullptr;
  hook->Detached();
  delete hook;
  return 2;
}

GJobGateHook* GJobGate::FindHook(int32_t value) {
  return hook_ != nullptr && hook_->Accepts(value) != 0 ? hook_ : nullptr;
}
