#include "ui/framework/GBuiltInExtensionManager.h"

#include <cstring>
#include <new>
#include <type_traits>

#include "driver/GUIServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "win32/Module.h"

namespace {

using namespace GFeatureIds;

typedef int (*ExtensionQueryProc)(int16_t interfaceId, void* table);

using GSettingQuery::ForEachChild;

// Copies the record's text of id into a field, cut to leave room for its
// terminator.
template <size_t N>
void PutText(char (&field)[N], MPersistentObject* record, int32_t id) {
  RWCString text;
  GSettingQuery::TextAt(record, id, &text);
  const size_t length = text.Length() < N - 1 ? text.Length() : N - 1;
  std::memcpy(field, text.Data(), length);
  field[length] = 0;
}

// The slot (995) of a record, -1 without one.
int SlotOf(MPersistentObject* record) {
  int16_t slot = -1;
  if (!GSettingQuery::ShortAt(record, kExtensionIndex, &slot)) return -1;
  return slot;
}

bool IsDocumentSheet(const GUIData* data) { return (data->sheetKind & 3) != 0; }
bool IsDeviceSheet(const GUIData* data) { return (data->sheetKind & 4) != 0; }

}  // namespace

GBuiltInExtensionManager::GBuiltInExtensionManager()
    : context_(new GExtensionUIContext), tables_{}, modules_{}, info_{},
      queryInterface_(reinterpret_cast<void*>(&QVDrv_QueryInterface)), count_(0) {
  static_assert(std::is_standard_layout_v<GBuiltInExtensionManager>,
                "extension pages read the context through the manager's first field");
  static_assert(offsetof(GBuiltInExtensionManager, context_) == 0);
}

GBuiltInExtensionManager::~GBuiltInExtensionManager() {
  for (int i = 0; i < kMaxExtensions; ++i) Release(i);
  delete context_;
}

void GBuiltInExtensionManager::Release(int index) {
  delete tables_[index];
  tables_[index] = nullptr;
  delete info_[index];
  info_[index] = nullptr;
  context_->info[index] = nullptr;
  if (modules_[index] != nullptr) FreeLibrary(modules_[index]);
  modules_[index] = nullptr;
}

void GBuiltInExtensionManager::ReadExtensions(GUIData* data) {
  for (int i = 0; i < kMaxExtensions; ++i) Release(i);
  count_ = 0;
  MPersistentObject* registry = GSettingQuery::FindPath(data->settings, {kExtensionRegistryGroup, 987});
  ForEachChild(registry, [&](MPersistentObject* record) {
    const int slot = SlotOf(record);
    if (slot < 0 || slot >= kMaxExtensions) return;
    auto* info = new ExtensionInfoRecord();
    PutText(info->text0, record, kExtensionVendor);
    PutText(info->extensionId, record, kExtensionId);
    PutText(info->text80, record, kExtensionVersion);
    int16_t flags = 0;
    GSettingQuery::ShortAt(record, kExtensionFlags, &flags);
    info->flags = static_cast<uint16_t>(flags);
    // The extension's UI module, in the driver directory.
    PutText(info->text116, record, kExtensionText116);
    PutText(info->moduleName, record, kExtensionModuleName);
    PutText(info->text176, record, kExtensionSupport);
    PutText(info->text216, record, kExtensionNote);
    // A slot given twice keeps the later record.
    if (info_[slot] == nullptr) ++count_;
    delete info_[slot];
    info_[slot] = info;
    context_->info[slot] = reinterpret_cast<const uint8_t*>(info);
  });
  context_->count = count_;

  ForEachChild(GSettingQuery::FindPath(data->settings, {kExtensionSettingsGroup, kExtensionSettingsList}),
               [&](MPersistentObject* record) {
                 const int slot = SlotOf(record);
                 if (slot < 0 || slot >= kMaxExtensions) return;
                 RWCString text;
                 GSettingQuery::TextAt(record, kExtensionSettingsText, &text);
                 context_->settings[slot] = text;
               });
}

void GBuiltInExtensionManager::LoadExtension(int index) {
  ExtensionInfoRecord* info = info_[index];
  tables_[index] = new ExtensionPageTable{nullptr, nullptr};
  if (info == nullptr || (info->flags & kExtensionHasPages) == 0) return;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  RWWString path = factory->GetDriverDirectory();
  path.AppendText(u"\\");
  path.AppendText(RWWString(info->text116).Data());
  modules_[index] = LoadLibraryW(path.Data());
  if (modules_[index] == nullptr) return;
  auto query = reinterpret_cast<ExtensionQueryProc>(GetProcAddress(modules_[index], "QVExt_QueryInterface"));
  if (query == nullptr || query(kExtensionPageInterface, tables_[index]) != 0) *tables_[index] = {nullptr, nullptr};
}

int16_t GBuiltInExtensionManager::Initialize(GUIData* data, int16_t start) {
  if (data == nullptr) return 0;
  context_->data = data;
  if (IsDeviceSheet(data) || !IsDocumentSheet(data)) return 0;

  int total = 0;
  if (data->pages == nullptr) {
    ReadExtensions(data);
    for (int i = 0; i < kMaxExtensions; ++i) {
      if (info_[i] == nullptr) continue;
      LoadExtension(i);
      uint16_t n = 0;
      if (tables_[i]->pages != nullptr && tables_[i]->pages(&n, nullptr, nullptr, this) == 0) total += n;
    }
    return static_cast<int16_t>(total);
  }

  for (int i = 0; i < kMaxExtensions; ++i) {
    if (info_[i] == nullptr || (info_[i]->flags & kExtensionHasPages) == 0 || tables_[i] == nullptr ||
        tables_[i]->pages == nullptr) {
      continue;
    }
    uint16_t n = 0;
    if (tables_[i]->pages(&n, nullptr, nullptr, this) != 0) continue;
    total += n;
    if (n == 0) continue;
    auto* records = new (std::nothrow) ExtensionPageRecord[n]();
    if (records == nullptr) continue;
    uint16_t filled = n;
    if (tables_[i]->pages(&filled, records, queryInterface_, this) == 0) {
      // The extension may not hand out more than it announced.
      const uint16_t copy = filled < n ? filled : n;
      for (uint16_t k = 0; k < copy && start >= 0 && start < data->pageCount; ++k, ++start) {
        PROPSHEETPAGEW& page = data->pages[start];
        page.dwFlags = records[k].dwFlags;
        page.hInstance = modules_[i];
        page.pszTemplate = records[k].pszTemplate;
        page.pfnDlgProc = records[k].pfnDlgProc;
      }
    }
    delete[] records;
  }
  return static_cast<int16_t>(total);
}

int16_t GBuiltInExtensionManager::Destroy(GUIData*) {
  int16_t result = 1;
  for (int i = 0; i < kMaxExtensions; ++i) {
    if (tables_[i] != nullptr && tables_[i]->release != nullptr) result = static_cast<int16_t>(tables_[i]->release(this));
    Release(i);
  }
  count_ = 0;
  context_->count = 0;
  return result;
}

void GBuiltInExtensionManager::SetExtensionSettings(int16_t index, const RWCString& settings) {
  if (index >= 0 && index < kMaxExtensions) context_->settings[index] = settings;
}
