#include "driver/NumberedValueStore.h"

#include <cstdio>

#include "driver/osfactry.h"

GValueStore::~GValueStore() = default;

NumberedValueStore::NumberedValueStore(GDriverInstance* instance)
    : instance_(instance), factory_(GOSFactory::GetInstance()) {}

NumberedValueStore::~NumberedValueStore() = default;

RWWString NumberedValueStore::NumberName(int number) {
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%d", number);
  return RWWString(text, n > 0 ? static_cast<size_t>(n) : 0);
}

int NumberedValueStore::SetDword(const RWWString& name, DWORD value) {
  return factory_ != nullptr ? factory_->SetPrinterDataDword(instance_, name, value) : 0;
}

int NumberedValueStore::SetString(const RWWString& name, const RWWString& text) {
  return factory_ != nullptr ? factory_->SetPrinterDataString(instance_, name, text) : 0;
}

int NumberedValueStore::WriteBlob(const RWWString& name, const void* data, DWORD size) {
  return factory_ != nullptr ? factory_->WriteBlob(instance_, name, data, size) : 0;
}

int NumberedValueStore::StoreObject(const RWWString& name, const MPersistentObject* object) {
  return factory_ != nullptr ? factory_->StoreObject(instance_, name, object) : 0;
}

int NumberedValueStore::StoreObjectByNumber(const int* number, const MPersistentObject* object) {
  if (number == nullptr) return 0;
  return StoreObject(NumberName(*number), object);
}

DWORD NumberedValueStore::GetDword(const RWWString& name, DWORD defaultValue) {
  return factory_ != nullptr ? factory_->GetPrinterDataDword(instance_, name, defaultValue) : defaultValue;
}

void NumberedValueStore::GetString(RWWString* out, const RWWString& name, const RWWString& defaultText) {
  if (out == nullptr) return;
  *out = factory_ != nullptr ? factory_->GetPrinterDataString(instance_, name, defaultText) : defaultText;
}

int NumberedValueStore::ReadBlob(const RWWString& name, void* buffer, DWORD capacity, DWORD* size) {
  return factory_ != nullptr ? factory_->ReadBlob(instance_, name, buffer, capacity, size) : 0;
}

MPersistentObject* NumberedValueStore::LoadObject(const RWWString& name, int portable) {
  return factory_ != nullptr ? factory_->LoadObject(instance_, name, portable) : nullptr;
}

MPersistentObject* NumberedValueStore::LoadObjectByNumber(const int* number, int portable) {
  if (number == nullptr) return nullptr;
  return LoadObject(NumberName(*number), portable);
}
