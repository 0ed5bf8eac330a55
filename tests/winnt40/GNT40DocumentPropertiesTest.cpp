// The driver object's document operations on the sample device model: the
// document sheet run by the stand-in's common property-sheet UI with a
// scripted bridge in place of the user interface, DEVMODEs in and out, the
// host mark and the conversions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GSettingValue.h"
#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GValueAttribute.h"
#include "support/NT40DriverFixture.h"
#include "support/ScopedUpwardServices.h"
#include "w32test/Testing.h"
#include "win32/CompStui.h"
#include "win32/Kernel.h"
#include "winnt40/GNT40PrinterDevMode.h"

namespace qvtest {
namespace {

constexpr DWORD DM_UPDATE = 1, DM_COPY = 2, DM_PROMPT = 4, DM_IN_BUFFER = 8, DM_USER_DEFAULT = 0x40;

// The bridge the user interface would give: it records what the driver
// object hands it and answers a page count.
class ScriptedBridge : public GSheetBridge {
 public:
  static inline int opened = 0;
  static inline int closed = 0;
  static inline int16_t pages = 1;
  static inline SheetRequest seen;
  static inline int32_t providerFlag = -1;

  int16_t OpenSheet(SheetRequest* request, int16_t) override {
    ++opened;
    seen = *request;
    providerFlag = GSettingValue::GetOr(request->settings, 313, -1);
    return pages;
  }
  int16_t CloseSheet(SheetRequest*) override {
    ++closed;
    return 0;
  }
  int16_t ConfigToSettings(GUIData*) override { return 0; }
};

class GNT40DocumentPropertiesTest : public NT40DriverTest {
 protected:
  void SetUp() override {
    NT40DriverTest::SetUp();
    ScriptedBridge::opened = 0;
    ScriptedBridge::closed = 0;
    ScriptedBridge::pages = 1;
    ScriptedBridge::seen = SheetRequest();
    ScriptedBridge::providerFlag = -1;
    GUIServices services;
    services.createSheetBridge = []() -> GSheetBridge* { return new ScriptedBridge; };
    services_.Change([&](GUpwardServices& s) { s.ui = services; });
  }
  void TearDown() override {
    SetProcessAppFlags(0);
    NT40DriverTest::TearDown();
  }

  std::vector<uint8_t> Copy() {
    std::vector<uint8_t> dm(kDevModeSize, 0xCD);
    EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(dm), nullptr, DM_COPY), 1);
    return dm;
  }
  static std::vector<uint8_t> AskForA4(std::vector<uint8_t> dm) {
    PutWord(dm, 78, DMPAPER_A4);
    PutWord(dm, 72, static_cast<uint16_t>(Word(dm, 72) | DM_PAPERSIZE));
    return dm;
  }
  // The host process asks for public-only DEVMODEs.
  void BecomePublicOnlyHost() {
    SetProcessAppFlags(0x100);
    w32test::SetProcessImagePath(u"C:\\Apps\\OLDAPP.EXE");
    driver_->RefreshAppFlags();
  }
  bool Stored(const char16_t* name) { return w32test::ReadPrinterData(kPrinter, name).has_value(); }
};

TEST_F(GNT40DocumentPropertiesTest, ThePromptRunsTheSheetAndOkHandsTheDevModeOut) {
  const std::vector<uint8_t> in = AskForA4(Copy());
  std::vector<uint8_t> dmIn = in;
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(dmIn),
                                        DM_PROMPT | DM_COPY | DM_IN_BUFFER),
            1);
  EXPECT_EQ(w32test::SheetReasons(), (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER,
                                                        PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(ScriptedBridge::opened, 1);
  EXPECT_EQ(ScriptedBridge::closed, 1);
  EXPECT_EQ(ScriptedBridge::seen.size, static_cast<int>(sizeof(SheetRequest)));
  EXPECT_EQ(ScriptedBridge::seen.host, static_cast<GDriverInstance*>(driver_));
  EXPECT_EQ(ScriptedBridge::seen.sheetKind, 3);
  EXPECT_EQ(ScriptedBridge::seen.accessFlags & 3, 0) << "the printer's data may be written";
  EXPECT_NE(ScriptedBridge::seen.hostCallback, nullptr);
  EXPECT_EQ(ScriptedBridge::providerFlag, -1) << "the sample settings have no attribute 313";
  EXPECT_EQ(driver_->GetSheetRequest(), nullptr) << "the request went with the sheet";

  EXPECT_EQ(Short(out, 78), DMPAPER_A4);
  EXPECT_EQ(Word(out, 70), 952);
  // The sheet marked the printer's data and stored the setting groups.
  const auto exportPrinting = w32test::ReadPrinterData(kPrinter, u"ExportPrinting");
  ASSERT_TRUE(exportPrinting.has_value());
  EXPECT_EQ(exportPrinting->data[0], 1);
  EXPECT_TRUE(Stored(u"365"));
  EXPECT_TRUE(Stored(u"366"));
  EXPECT_TRUE(Stored(u"368"));
}

TEST_F(GNT40DocumentPropertiesTest, CancelLeavesTheOutputAlone) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  w32test::QueueSheetResult(CPSUI_CANCEL);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_PROMPT | DM_COPY), 2);
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE));
  EXPECT_EQ(ScriptedBridge::closed, 1);
}

TEST_F(GNT40DocumentPropertiesTest, WithoutABridgeTheSheetCannotOpen) {
  services_.Change([](GUpwardServices& s) { s.ui = GUIServices(); });
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_LT(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_PROMPT | DM_COPY), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE));
  EXPECT_EQ(driver_->GetSheetRequest(), nullptr);
}

TEST_F(GNT40DocumentPropertiesTest, ASheetWithoutPagesFails) {
  ScriptedBridge::pages = 0;
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_LT(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_PROMPT | DM_COPY), 0);
  EXPECT_EQ(ScriptedBridge::closed, 1) << "the sheet that opened is closed again";
  EXPECT_EQ(driver_->GetSheetRequest(), nullptr);
}

TEST_F(GNT40DocumentPropertiesTest, AdvancedPropertiesAskForTheAdvancedSheet) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_EQ(driver_->AdvancedDocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr), 1);
  // DM_ADVANCED keeps the printer's own settings out of the sheet's reach.
  EXPECT_EQ(ScriptedBridge::seen.accessFlags & 3, 2);
  EXPECT_EQ(Word(out, 68), 220);
  w32test::QueueSheetResult(CPSUI_CANCEL);
  EXPECT_EQ(driver_->AdvancedDocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr), 0);
}

TEST_F(GNT40DocumentPropertiesTest, ConfigurationProvidersAreCountedIntoTheSettings) {
  GNT40DocumentServices services;
  services.countProviders = [](unsigned services) { return services == 0x10000 ? 1 : 0; };
  services_.Change([&](GUpwardServices& s) { s.documents = services; });
  SheetRequest* request = driver_->CreateSheetRequest();
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(request->sheetKind, 3);
  EXPECT_NE(request->settings, nullptr);
  // The sample settings have no attribute 313 to set: nothing is added.
  EXPECT_EQ(GSettingValue::GetOr(request->settings, 313, -1), -1);
  const int32_t id = 313;
  request->settings->AddChild(new GValueAttribute(0, &id));
  driver_->FreeSheetRequest(request);
  driver_->FreeSheetRequest(nullptr);
}

TEST_F(GNT40DocumentPropertiesTest, SheetInfoHeader) {
  for (DWORD mode : {DWORD{0}, DM_USER_DEFAULT}) {
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = printer_;
    header.pszPrinterName = Name();
    header.fMode = mode;
    PROPSHEETUI_INFO info{};
    info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    info.lParamInit = reinterpret_cast<LPARAM>(&header);
    PROPSHEETUI_INFO_HEADER sheetHeader{};
    EXPECT_EQ(driver_->DocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&sheetHeader)), 1);
    EXPECT_EQ(sheetHeader.Flags, mode == 0 ? 6 : 22);
    EXPECT_EQ(sheetHeader.pTitle, Name());
    EXPECT_EQ(sheetHeader.hInst, module_);
    EXPECT_EQ(sheetHeader.IconID, 0u);

    info.Reason = 7;
    EXPECT_EQ(driver_->DocumentPropertySheets(&info, 0), 0) << "an unknown reason";
  }
  EXPECT_EQ(driver_->DocumentPropertySheets(nullptr, 0), -1) << "no header";
  PROPSHEETUI_INFO empty{};
  EXPECT_EQ(driver_->DocumentPropertySheets(&empty, 0), -1);
}

TEST_F(GNT40DocumentPropertiesTest, AHeaderAloneRunsTheWorker) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  std::vector<uint8_t> in = AskForA4(Copy());
  DOCUMENTPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer_;
  header.pszPrinterName = Name();
  header.pdmIn = AsDevMode(in);
  header.pdmOut = AsDevMode(out);
  // DM_IN_PROMPT alone also takes the input.
  header.fMode = DM_PROMPT | DM_COPY;
  EXPECT_EQ(driver_->DocumentPropertiesWorker(&header), 1);
  EXPECT_EQ(Short(out, 78), DMPAPER_A4);
  header.fMode = DM_COPY | DM_IN_BUFFER;
  EXPECT_EQ(driver_->DocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);
  EXPECT_EQ(driver_->GetAdminPrinterHandle(), nullptr);
  header.fMode = 0;
  EXPECT_EQ(driver_->DocumentPropertiesWorker(&header), 1172);
  EXPECT_EQ(driver_->DocumentPropertiesWorker(nullptr), -1);
}

TEST_F(GNT40DocumentPropertiesTest, HostMarkOnlyWhereTheDevModeWasWritten) {
  // A whole DEVMODE: the mark takes 152 bytes after the public part.
  std::vector<uint8_t> out(kDevModeSize, 0xAB);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, 0x100A), 1);
  EXPECT_EQ(Word(out, 70), 952);
  EXPECT_EQ(Dword(out, 220), 0x51565156u);
  EXPECT_EQ(Word(out, 224), 152);

  // A host that takes public DEVMODEs only was told 220 bytes: nothing may
  // go past them, so the mark is not made.
  BecomePublicOnlyHost();
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), nullptr, nullptr, 0), 220);
  std::vector<uint8_t> small(220 + 160, 0xAB);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(small), nullptr, 0x100A), 1);
  EXPECT_EQ(Word(small, 68), 220);
  EXPECT_EQ(Word(small, 70), 0);
  for (size_t i = 220; i < small.size(); ++i) ASSERT_EQ(small[i], 0xAB) << i;
}

TEST_F(GNT40DocumentPropertiesTest, UpdateOrCopyAndTheSizeQuery) {
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), nullptr, nullptr, DM_COPY), 1172);
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_UPDATE), 1);
  EXPECT_EQ(Word(out, 70), 952);
  std::vector<uint8_t> untouched(kDevModeSize, 0xEE);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(untouched), nullptr, DM_IN_BUFFER), 1);
  EXPECT_EQ(untouched, std::vector<uint8_t>(kDevModeSize, 0xEE));
}

TEST_F(GNT40DocumentPropertiesTest, ConversionModesAndErrors) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  LONG size = 1172;
  SetLastError(4321);
  EXPECT_EQ(driver_->ConvertDevMode(Name(), nullptr, AsDevMode(out), &size, 2), FALSE);
  EXPECT_EQ(GetLastError(), 4321u) << "mode 2 sets no error";
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE));

  SetLastError(0);
  EXPECT_EQ(driver_->ConvertDevMode(Name(), nullptr, AsDevMode(out), nullptr, 4), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  std::vector<uint8_t> in = Copy();
  SetLastError(0);
  EXPECT_EQ(driver_->ConvertDevMode(Name(), AsDevMode(in), AsDevMode(out), nullptr, 1), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // The conversion leaves the object on no printer handle of its own.
  EXPECT_EQ(driver_->ConvertDevMode(Name(), nullptr, AsDevMode(out), &size, 4), TRUE);
  EXPECT_EQ(driver_->GetCreationPrinterHandle(), nullptr);
  EXPECT_EQ(Word(out, 70), 952);
}

TEST_F(GNT40DocumentPropertiesTest, ConversionOfAPrinterWithoutADevModeStoresTheDefaults) {
  EXPECT_TRUE(w32test::PrinterDevMode(kPrinter).empty());
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  LONG size = 1172;
  EXPECT_EQ(driver_->ConvertDevMode(Name(), nullptr, AsDevMode(out), &size, 4), TRUE);
  const std::vector<BYTE> stored = w32test::PrinterDevMode(kPrinter);
  ASSERT_EQ(stored.size(), kDevModeSize);
  EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.end()), out)
      << "the DEVMODE handed out is the one the printer now keeps";
}

// A user who may not change the printer: the sheet opens without the right
// to store the printer's settings, and OK hands the DEVMODE out only.
class WithoutPrinterRightsTest : public GNT40DocumentPropertiesTest {
 protected:
  void PrinterInstalled() override {
    userHandle_ = true;
    w32test::RefuseAccess(kPrinter);
  }
};

TEST_F(WithoutPrinterRightsTest, TheSheetStoresNothingForTheUser) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_PROMPT | DM_COPY), 1);
  EXPECT_EQ(ScriptedBridge::opened, 1);
  EXPECT_EQ(ScriptedBridge::seen.accessFlags & 2, 2) << "the printer's data may not be written";
  EXPECT_EQ(Word(out, 70), 952);
  EXPECT_FALSE(Stored(u"365"));
  EXPECT_EQ(driver_->GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(driver_->GetPerUserFlag(), 0) << "the per-user mode ended with the sheet";
}

}  // namespace
}  // namespace qvtest
