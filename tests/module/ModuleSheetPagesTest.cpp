// The module as its own UI provider: the printers folder and an application
// open the sheets through the module's exports, the bridge loads the
// provider the sample model names ("QVUI.DLL", the module itself, whose
// UI_* exports are the real ones) and the sheets get the module's pages in
// both passes, with their templates in the UI resource library.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "support/LoadedModule.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Window.h"
#include "win32/DevMode.h"
#include "win32/DriverUI.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

#ifdef QV_SAMPLE_MODEL_FILE

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kResourcePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRS4700.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";

using PrinterPropertiesProc = BOOL (*)(HWND, HANDLE);
using PropertySheetsProc = LONG (*)(PROPSHEETUI_INFO*, LPARAM);

// The module's own provider entries, reached through its exports once it
// is loaded; the entry of the module table forwards to them.
using InitializeProc = SHORT (*)(GUIData*, SHORT);
using DataProc = SHORT (*)(GUIData*);
using VersionProc = int (*)();
VersionProc g_version = nullptr;
InitializeProc g_initialize = nullptr;
DataProc g_destroy = nullptr, g_configToSettings = nullptr, g_settingsToConfig = nullptr;
std::vector<int> g_announced;  // what each first pass answered
int Version() { return g_version(); }
int16_t Initialize(GUIData* data, int16_t start) {
  const int16_t count = g_initialize(data, start);
  if (data->pages == nullptr) g_announced.push_back(count);
  return count;
}
int16_t Destroy(GUIData* data) { return g_destroy(data); }
int16_t ConfigToSettings(GUIData* data) { return g_configToSettings(data); }
int16_t SettingsToConfig(GUIData* data) { return g_settingsToConfig(data); }

class ModuleSheetPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_announced.clear();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    self.exports["UI_INTERFACEVERSION"] = w32test::Export(&Version);
    self.exports["UI_INITIALIZE"] = w32test::Export(&Initialize);
    self.exports["UI_DESTROY"] = w32test::Export(&Destroy);
    self.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&ConfigToSettings);
    self.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&SettingsToConfig);
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    // The UI resource library the configuration names, with the module's
    // texts and the pages' templates.
    w32test::ModuleSpec resources;
    resources.name = kResourcePath;
    resources.strings = ModuleStringTable();
    size_t count = 0;
    const IMAGE_RESOURCE_DIALOG* templates = DialogTemplateEntries(&count);
    resources.dialogs = w32test::DialogTemplates(templates, count);
    w32test::InstallModule(resources);

    const std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = u"Quarrin 4700";
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    w32test::AddPrinter(setup);

    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module_, kModulePath));
    g_version = loaded_.Symbol<VersionProc>("UI_INTERFACEVERSION");
    g_initialize = loaded_.Symbol<InitializeProc>("UI_INITIALIZE");
    g_destroy = loaded_.Symbol<DataProc>("UI_DESTROY");
    g_configToSettings = loaded_.Symbol<DataProc>("UI_CONFIGTOSETTINGS");
    g_settingsToConfig = loaded_.Symbol<DataProc>("UI_SETTINGSTOCONFIG");
    ASSERT_TRUE(g_version && g_initialize && g_destroy && g_configToSettings && g_settingsToConfig);
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, &all));
  }

  void TearDown() override {
    w32host::SetPagePictureSink(nullptr);
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  // Opens the document sheet as an application does, copying the result
  // into out and prompting the user, who answers OK; the bridge's answer.
  LONG OpenDocumentSheet(std::vector<uint8_t>* out) {
    auto sheets = loaded_.Symbol<PropertySheetsProc>("DrvDocumentPropertySheets");
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = printer_;
    header.pszPrinterName = const_cast<LPWSTR>(kPrinter);
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out->data());
    header.cbOut = static_cast<DWORD>(out->size());
    header.fMode = 2 | 4;  // copy the result out, prompt the user
    w32test::QueueSheetResult(CPSUI_OK);
    DWORD result = 0;
    return CommonPropertySheetUIW(nullptr, sheets, reinterpret_cast<LPARAM>(&header), &result);
  }

  static std::vector<uintptr_t> Templates(size_t from) {
    std::vector<uintptr_t> ids;
    const auto& pages = w32test::SheetPages();
    for (size_t i = from; i < pages.size(); ++i) ids.push_back(reinterpret_cast<uintptr_t>(pages[i].record.pszTemplate));
    return ids;
  }

  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
};

TEST_F(ModuleSheetPagesTest, DeviceSheetShowsTheModulesDevicePages) {
  std::vector<w32test::Picture> shown;
  w32host::SetPagePictureSink([&](const w32host::SheetPageRecord&, const w32test::Picture& p) { shown.push_back(p); });
  w32test::QueueSheetResult(CPSUI_OK);
  EXPECT_EQ(loaded_.Symbol<PrinterPropertiesProc>("PrinterProperties")(nullptr, printer_), TRUE);
  EXPECT_EQ(g_announced, std::vector<int>{2});
  EXPECT_EQ(Templates(0), (std::vector<uintptr_t>{12000, 7000}));
  // Both pages ran on their templates from the resource library.
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].width, 360);
  EXPECT_EQ(shown[1].height, 400);
}

TEST_F(ModuleSheetPagesTest, DocumentSheetShowsTheModulesDocumentPagesWithTheirTitles) {
  std::vector<uint8_t> out(4096);
  ASSERT_GT(OpenDocumentSheet(&out), 0);
  EXPECT_EQ(g_announced, std::vector<int>{5});
  EXPECT_EQ(Templates(0), (std::vector<uintptr_t>{3000, 6000, 2000, 4000, 1000}));
  std::vector<std::u16string> titles;
  for (const auto& page : w32test::SheetPages()) titles.push_back(page.title);
  EXPECT_EQ(titles, (std::vector<std::u16string>{u"Finishing", u"Effects", u"Paper", u"Destination", u"Basics"}));
}

// The pages of the running sheet take the user's actions through the
// stand-in; what they set comes back in the DEVMODE the sheet writes.
class ScriptedDocumentSheetTest : public ModuleSheetPagesTest {
 protected:
  // Runs the document sheet with OK; each page of the sheet whose template
  // has a script runs it while the sheet is open. The DEVMODE out.
  std::vector<uint8_t> RunSheet(const std::map<uintptr_t, std::vector<w32test::DialogAction>>& scripts) {
    w32test::SetSheetAction([&](HANDLE) {
      for (const auto& page : w32test::SheetPages()) {
        const auto found = scripts.find(reinterpret_cast<uintptr_t>(page.record.pszTemplate));
        if (found == scripts.end()) continue;
        PROPSHEETPAGEW record = page.record;
        w32test::QueueDialogScript(found->second);
        DialogBoxParamW(record.hInstance, record.pszTemplate, nullptr, record.pfnDlgProc,
                        reinterpret_cast<LPARAM>(&record));
      }
    });
    std::vector<uint8_t> out(8192);
    EXPECT_GT(OpenDocumentSheet(&out), 0);
    w32test::SetSheetAction({});
    return out;
  }
  static int16_t Field(const std::vector<uint8_t>& devmode, size_t offset) {
    return static_cast<int16_t>(devmode[offset] | (devmode[offset + 1] << 8));
  }
  static constexpr size_t kOrientationOffset = 76;
  static constexpr size_t kCopiesOffset = 86;
  static constexpr size_t kDuplexOffset = 94;
};

TEST_F(ScriptedDocumentSheetTest, BasicsPageSetsCopiesAndOrientationIntoTheDevMode) {
  bool labelIsPlural = false;
  bool rotateEnabled = false;
  const std::vector<uint8_t> devmode = RunSheet(
      {{1000,
        {w32test::DialogAction::Type(1021, u"5"),
         w32test::DialogAction::Message(WM_COMMAND, MAKEWPARAM(1021, EN_KILLFOCUS), 0),
         w32test::DialogAction::Click(1032),
         w32test::DialogAction::Inspect([&](HWND page) {
           labelIsPlural = IsWindowVisible(GetDlgItem(page, 1023)) && !IsWindowVisible(GetDlgItem(page, 1024));
           rotateEnabled = IsWindowEnabled(GetDlgItem(page, 1033)) != FALSE;
         })}}});
  EXPECT_TRUE(labelIsPlural);
  EXPECT_TRUE(rotateEnabled);
  EXPECT_EQ(Field(devmode, kCopiesOffset), 5);
  EXPECT_EQ(Field(devmode, kOrientationOffset), 2) << "landscape";
}

TEST_F(ScriptedDocumentSheetTest, CopiesBeyondTheRangeAreClampedAndTextChangesNothing) {
  const std::vector<uint8_t> devmode = RunSheet(
      {{1000,
        {w32test::DialogAction::Type(1021, u"5000"),
         w32test::DialogAction::Message(WM_COMMAND, MAKEWPARAM(1021, EN_KILLFOCUS), 0),
         w32test::DialogAction::Type(1021, u"many"),
         w32test::DialogAction::Message(WM_COMMAND, MAKEWPARAM(1021, EN_KILLFOCUS), 0)}}});
  EXPECT_EQ(Field(devmode, kCopiesOffset), 999) << "the model's copies range ends at 999";
}

TEST_F(ScriptedDocumentSheetTest, FinishingPageDuplexesAndABookletFixesTheBindingUntilDuplexGoesOff) {
  bool flipEnabledWithBooklet = true;
  int bookletSelection = -1;
  bool bookletListEnabledWithoutDuplex = true;
  const std::vector<uint8_t> devmode = RunSheet(
      {{3000,
        {w32test::DialogAction::Click(3011), w32test::DialogAction::Select(3025, 1),
         w32test::DialogAction::Inspect([&](HWND page) {
           flipEnabledWithBooklet = IsWindowEnabled(GetDlgItem(page, 3012)) != FALSE;
         }),
         w32test::DialogAction::Click(3011),
         w32test::DialogAction::Inspect([&](HWND page) {
           bookletSelection = static_cast<int>(SendMessageW(GetDlgItem(page, 3025), CB_GETCURSEL, 0, 0));
           bookletListEnabledWithoutDuplex = IsWindowEnabled(GetDlgItem(page, 3025)) != FALSE;
         }),
         w32test::DialogAction::Click(3011), w32test::DialogAction::Click(3012)}}});
  EXPECT_FALSE(flipEnabledWithBooklet) << "a booklet fixes the binding";
  EXPECT_EQ(bookletSelection, 0) << "duplex off turns the booklet off";
  EXPECT_FALSE(bookletListEnabledWithoutDuplex);
  // "Flip Pages Up" in portrait binds at the short edge.
  EXPECT_EQ(Field(devmode, kDuplexOffset), DMDUP_HORIZONTAL);
}

TEST_F(ScriptedDocumentSheetTest, FinishingPageSnapsPagesPerSheetAndGreysScaling) {
  std::u16string shown;
  bool bordersEnabled = false;
  bool scalingTipShown = false;
  RunSheet({{3000,
             {w32test::DialogAction::Type(3015, u"5"),
              w32test::DialogAction::Message(WM_COMMAND, MAKEWPARAM(3015, EN_KILLFOCUS), 0),
              w32test::DialogAction::Inspect([&](HWND page) {
                WCHAR text[8] = {};
                GetDlgItemTextW(page, 3015, text, 8);
                shown = text;
                bordersEnabled = IsWindowEnabled(GetDlgItem(page, 3019)) != FALSE;
              })}},
            {6000, {w32test::DialogAction::Inspect([&](HWND page) {
               scalingTipShown = IsWindowVisible(GetDlgItem(page, 6025)) != FALSE;
             })}}});
  EXPECT_EQ(shown, u"6");
  EXPECT_TRUE(bordersEnabled);
  EXPECT_TRUE(scalingTipShown) << "% of Normal Size is greyed with its reason";
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
