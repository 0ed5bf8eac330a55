#include "ui/framework/QVDrvInterface.h"

#include <cstring>
#include <memory>

#include "driver/GDriverExtension.h"
#include "driver/GDriverInstance.h"
#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"

namespace {

GExtensionUIContext* ContextOf(void* uiContext) {
  return uiContext != nullptr ? *static_cast<GExtensionUIContext**>(uiContext) : nullptr;
}

// The extension id of a record, read within its 40-byte field.
bool IdEquals(const uint8_t* info, const char* id) {
  if (info == nullptr || id == nullptr) return false;
  const char* field = reinterpret_cast<const char*>(info + kExtensionIdOffset);
  size_t length = 0;
  while (length < kExtensionIdLength && field[length] != 0) ++length;
  return std::strlen(id) == length && std::memcmp(field, id, length) == 0;
}

// The index of the last extension with that id, -1 when none.
int LastMatch(const GExtensionUIContext* context, const char* id) {
  int match = -1;
  const int count = context->count < kMaxExtensions ? context->count : kMaxExtensions;
  for (int i = 0; i < count; ++i)
    if (IdEquals(context->info[i], id)) match = i;
  return match;
}

}  // namespace

QV_UI_EXPORT int QVDrv_QueryInterface(int16_t interfaceId, void* table) {
  if (interfaceId != kUIInterfaceId) return kResultUnknownInterface;
  if (table != nullptr) {
    auto* entries = static_cast<QVDrvUITable*>(table);
    entries->getValue = &QVDrv_UIGetValue;
    entries->getExtSettings = &QVDrv_UIGetExtSettings;
    entries->setExtSettings = &QVDrv_UISetExtSettings;
  }
  return kResultDone;
}

QV_UI_EXPORT int16_t QVDrv_UIGetValue(int valueId, int16_t* out, void* uiContext) {
  GExtensionUIContext* context = ContextOf(uiContext);
  if (context == nullptr || out == nullptr || context->data == nullptr || context->data->settings == nullptr) {
    return kResultUnavailable;
  }
  GDriverInstance* host = context->data->host;
  GDriverExtension* extension = host != nullptr ? host->GetDriverExtension() : nullptr;
  if (extension == nullptr) return kResultUnavailable;
  return extension->GetUIValue(valueId, out, context->data->settings);
}

QV_UI_EXPORT int16_t QVDrv_UIGetExtSettings(char* buffer, uint16_t length, const char* extensionId,
                                            void* uiContext) {
  GExtensionUIContext* context = ContextOf(uiContext);
  if (context == nullptr) return kResultUnavailable;
  const int match = LastMatch(context, extensionId);
  if (match < 0 || context->settings[match].Length() == 0) return kResultEmpty;
  const RWCString& text = context->settings[match];
  const size_t size = text.Length();
  if (buffer != nullptr) std::memcpy(buffer, text.Data(), length < size ? length : size);
  if (length < size) return kResultBufferShort;
  if (length > size) return kResultBufferLong;
  return kResultDone;
}

QV_UI_EXPORT int QVDrv_UISetExtSettings(const void* data, uint16_t length, const char* extensionId,
                                        void* uiContext) {
  GExtensionUIContext* context = ContextOf(uiContext);
  if (context == nullptr) return kResultUnavailable;
  if (length > kMaxSettingsLength) return kResultTooLong;
  const RWCString text(data != nullptr ? static_cast<const char*>(data) : "", data != nullptr ? length : 0);
  const int match = LastMatch(context, extensionId);
  const int index = match >= 0 ? match : 100;
  if (context->data == nullptr || context->data->settings == nullptr) return kResultUnavailable;

  MPersistentObject* group = context->data->settings->FindById(GFeatureIds::kExtensionSettingsGroup);
  MPersistentObject* list = group != nullptr ? group->FindById(GFeatureIds::kExtensionSettingsList) : nullptr;
  if (list == nullptr) return kResultUnavailable;
  std::unique_ptr<MPersistentIterator> it(list->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    MPersistentObject* record = it->Current();
    auto* recordIndex =
        dynamic_cast<GValueAttribute*>(record != nullptr ? record->FindById(GFeatureIds::kExtensionIndex) : nullptr);
    if (recordIndex == nullptr || recordIndex->GetValue() != index) continue;
    auto* string = dynamic_cast<GStringAttribute*>(record->FindById(GFeatureIds::kExtensionSettingsText));
    if (string == nullptr) continue;
    string->SetString(text);
    if (index < kMaxExtensions) context->settings[index] = text;
    return kResultDone;
  }
  return kResultUnavailable;
}
