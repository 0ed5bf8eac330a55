// GBuiltInExtensionManager: the built-in UI provider that hosts the pages of
// the driver extensions registered for the printer (at most four). It reads
// the extension records and their settings strings from the sheet's
// settings, loads each extension that has pages from the driver directory,
// asks it through "QVExt_QueryInterface" for its page table, and copies the
// pages it hands out into the sheet. Extension pages receive the manager as
// their UI context; its first field leads to the GExtensionUIContext that
// the QVDrv_UI* exports read.
#pragma once

#include <cstdint>

#include "driver/GDriverExtension.h"
#include "rw/RWCString.h"
#include "ui/framework/QVDrvInterface.h"
#include "win32/CompStui.h"
#include "win32/Module.h"
#include "win32/Types.h"

struct GUIData;

// The page record an extension's page function fills, in its natural
// layout.
struct ExtensionPageRecord {
  DWORD dwFlags;
  void* unused;
  LPCWSTR pszTemplate;
  DLGPROC pfnDlgProc;
};

// Interface 1 of "QVExt_QueryInterface": the extension's page table.
struct ExtensionPageTable {
  // Pass 1 (records null): *count := the number of pages; pass 2 fills
  // count records. 0 on success.
  int (*pages)(uint16_t* count, ExtensionPageRecord* records, void* queryInterface, void* uiContext);
  // Releases what the pages built; its result.
  int (*release)(void* uiContext);
};
constexpr int16_t kExtensionPageInterface = 1;
// The flag of an extension record that says it has pages.
constexpr uint16_t kExtensionHasPages = 4;

class GBuiltInExtensionManager {
 public:
  GBuiltInExtensionManager();
  GBuiltInExtensionManager(const GBuiltInExtensionManager&) = delete;
  GBuiltInExtensionManager& operator=(const GBuiltInExtensionManager&) = delete;
  // Unloads the extensions still loaded.
  ~GBuiltInExtensionManager();

  // Pass 1 (no page array): loads the extensions and answers how many
  // pages they have. Pass 2: copies their pages into the sheet from start
  // on, as far as the page array reaches, and answers the total they
  // announced. A device sheet, or a sheet of neither kind, gets none.
  int16_t Initialize(GUIData* data, int16_t start);
  // Calls each extension's release function, frees its table and record
  // and unloads it: the last release result, 1 when none was called.
  int16_t Destroy(GUIData* data);
  int16_t ConfigToSettings(GUIData*) { return 0; }
  void SetExtensionSettings(int16_t index, const RWCString& settings);

  const GExtensionUIContext* GetContext() const { return context_; }
  int16_t GetCount() const { return count_; }

 private:
  void ReadExtensions(GUIData* data);
  void LoadExtension(int index);
  void Release(int index);

  // First member: an extension page's UI context leads here.
  GExtensionUIContext* context_;
  ExtensionPageTable* tables_[kMaxExtensions];
  HMODULE modules_[kMaxExtensions];
  ExtensionInfoRecord* info_[kMaxExtensions];
  void* queryInterface_;
  int16_t count_;
};
