// A sheet of the UI provider run page by page as dialogs: the test builds the
// printer's paper-handling devices and the settings, the fixture installs
// the resource module, fills the pages through UIInitialize and runs one page
// with a dialog script, as a property sheet shows it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GSettingQuery.h"
#include "model/GTray.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "support/AttributeBuilders.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/RecordingPeripheral.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GUISession.h"
#include "ui/pages/UIProvider.h"
#include "w32test/Testing.h"
#include "win32/Dialog.h"

namespace pagetest {

constexpr char16_t kLibrary[] = u"QVPAGESUI.DLL";

class Host : public qvtest::TestDriverInstance {
 public:
  RWWString GetResourceModulePath() override { return RWWString(kLibrary); }
  int EnumeratePaperNames(void* callback, void* userData, int, GAttributeComposite*) override {
    auto walk = reinterpret_cast<GPaperNameCallback>(callback);
    int ordinal = 0;
    for (const auto& paper : papers) {
      if (walk(++ordinal, paper.first, RWWString(paper.second.c_str()), userData) != 1) return 1;
    }
    return 1;
  }
  int EnumerateAllPaperNames(void* callback, void* userData, int checkLimits, GAttributeComposite* settings) override {
    return EnumeratePaperNames(callback, userData, checkLimits, settings);
  }
  int ApplyDocumentSettings(GAttributeComposite* settings) override {
    ++applied;
    return qvtest::TestDriverInstance::ApplyDocumentSettings(settings);
  }
  std::vector<std::pair<int16_t, std::string>> papers;
  int applied = 0;
};

inline GPaperHandlingDevice* Device(const char* name, int32_t kind, int32_t installable, int32_t installed) {
  const int32_t none = 0;
  return new GPaperHandlingDevice(RWCString(name), kind, installable, installed, 0, 0, &none);
}
inline GBin* Bin(const char* name, int16_t type) {
  const int32_t none = 0;
  return new GBin(RWCString(name), type, &none);
}
inline GTray* Tray(const char* name, int16_t number) {
  const int32_t none = 0;
  return new GTray(0, name, number, 0, 0, 100, -1, nullptr, name, nullptr, &none);
}
// Gives the device an option of these items (bins or trays) under the key.
inline void AddOption(GPaperHandlingDevice* device, int16_t key, std::vector<MPersistentObject*> items,
                      bool select = true) {
  auto* option = qvtest::Group(0);
  for (MPersistentObject* item : items) option->AddChild(item);
  device->SetOption(key, GCountedPtr(option));
  if (select) device->SelectOption(key);
}

// Installs the resource module under that name with the module's strings
// and dialog templates.
inline void InstallPageResources(const char16_t* name) {
  w32test::ModuleSpec spec;
  spec.name = name;
  spec.strings = ModuleStringTable();
  size_t count = 0;
  const IMAGE_RESOURCE_DIALOG* templates = DialogTemplateEntries(&count);
  spec.dialogs = w32test::DialogTemplates(templates, count);
  w32test::InstallModule(spec);
}

// Gives each of the sheet's pages its link to the UI data, then has the
// provider build them; the page count the provider answered.
inline int16_t LinkAndBuildPages(GUIData& data, int16_t pages, std::vector<PROPSHEETPAGEW>& records,
                                 std::vector<PageLink>& links) {
  records.assign(pages, PROPSHEETPAGEW{});
  links.assign(pages, PageLink{});
  for (int16_t i = 0; i < pages; ++i) {
    records[i].dwSize = sizeof(PROPSHEETPAGEW);
    links[i].size = sizeof(PageLink);
    links[i].data = &data;
    records[i].lParam = reinterpret_cast<LPARAM>(&links[i]);
  }
  data.pages = records.data();
  data.pageCount = pages;
  return UIInitialize(&data, 0);
}

// Frees the titles the provider gave the pages.
inline void FreePageTitles(std::vector<PROPSHEETPAGEW>& records) {
  for (PROPSHEETPAGEW& page : records) {
    if (page.pszTitle != nullptr && !IS_INTRESOURCE(page.pszTitle)) delete[] page.pszTitle;
  }
}

class PageFixture : public ::testing::Test {
 protected:
  // The test fills devices_ and settings_ before calling Open.
  void SetUp() override {
    w32test::Reset();
    InstallPageResources(kLibrary);
    model_ = qvtest::Group(900);
    printer_ = new qvtest::RecordingPeripheral;
    printer_->SetFeatureId(GFeatureIds::kDeviceEntry);
    model_->AddChild(printer_);
    devices_ = qvtest::Group(GFeatureIds::kPaperHandlingDevices);
    printer_->GetConfiguration()->AddChild(devices_);
    settings_.reset(qvtest::Group(360));
  }
  void TearDown() override {
    if (opened_) UIDestroy(&data_);
    FreePageTitles(pages_);
    w32test::Reset();
  }

  // Builds the pages of the sheet kind (1 document, 4 device).
  void Open(int sheetKind) {
    host_.SetDeviceModel(model_);
    data_.size = sizeof(GUIData);
    data_.host = &host_;
    data_.settings = settings_.get();
    data_.printer = model_;
    data_.accessFlags = GUIAccess::kChangesAllowed;
    data_.sheetKind = sheetKind;
    const int16_t pages = UIInitialize(&data_, 0);
    ASSERT_GT(pages, 0);
    ASSERT_EQ(LinkAndBuildPages(data_, pages, pages_, links_), pages);
    opened_ = true;
  }

  // Runs the page built over that dialog with the script.
  void Run(int dialogId, std::vector<w32test::DialogAction> script,
           std::vector<std::vector<w32test::DialogAction>> inner = {}) {
    const PROPSHEETPAGEW* record = nullptr;
    for (const PROPSHEETPAGEW& page : pages_) {
      if (reinterpret_cast<uintptr_t>(page.pszTemplate) == static_cast<uintptr_t>(dialogId)) record = &page;
    }
    ASSERT_NE(record, nullptr) << "no page over dialog " << dialogId;
    PROPSHEETPAGEW copy = *record;
    w32test::QueueDialogScript(std::move(script));
    for (auto& dialog : inner) w32test::QueueDialogScript(std::move(dialog));
    DialogBoxParamW(copy.hInstance, copy.pszTemplate, nullptr, copy.pfnDlgProc, reinterpret_cast<LPARAM>(&copy));
  }

  int16_t Setting(int32_t id) { return GSettingQuery::ShortOr(settings_.get(), id, -1); }
  std::string TextSetting(int32_t id) {
    RWCString text;
    GSettingQuery::TextAt(settings_.get(), id, &text);
    return std::string(text.Data());
  }
  void SetSetting(int32_t id, int16_t value) {
    delete settings_->RemoveChildById(id);
    settings_->AddChild(qvtest::Value(id, value));
  }
  void SetText(int32_t id, const char* text) {
    delete settings_->RemoveChildById(id);
    settings_->AddChild(qvtest::Text(id, text));
  }

  static std::vector<std::u16string> Items(HWND dialog, int id) {
    std::vector<std::u16string> items;
    HWND list = GetDlgItem(dialog, id);
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      WCHAR text[96] = {};
      SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }
  static int Selected(HWND dialog, int id) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
  }
  static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
  static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

  Host host_;
  GAttributeComposite* model_ = nullptr;
  GPeripheral* printer_ = nullptr;
  GAttributeComposite* devices_ = nullptr;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_{};
  std::vector<PROPSHEETPAGEW> pages_;
  std::vector<PageLink> links_;
  bool opened_ = false;
};

}  // namespace pagetest
