// The manual two-sided printing instruction sheet, as an application's print
// job meets it through DrvDocumentEvent: at the end of the document the
// printer side asks for it, and the module opens the first UI provider's
// prompt page through the common property-sheet bridge with its own stand-in
// host function, then closes it again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "support/LoadedModule.h"
#include "win32/CompStui.h"
#include "win32/DevMode.h"
#include "win32/DriverUI.h"
#include "win32/File.h"
#include "win32/Gdi.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

#ifdef QV_SAMPLE_MODEL_FILE

namespace {

constexpr const char16_t* kPrinter = u"Quarrin 4700";
constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr size_t kDevModeSize = 1172;
constexpr INT kCreateDcPre = 1, kCreateDcPost = 2, kEndDoc = 8, kDeleteDc = 10;
constexpr int kPromptEscape = 0x303EB8EE;
constexpr INT kPrinterEventInitialize = 3;
constexpr DWORD DM_COPY_MODE = 2, DM_IN_BUFFER_MODE = 8;

using DocumentEventProc = INT (*)(HANDLE, HDC, INT, ULONG, LPVOID, ULONG, LPVOID);
using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using PrinterEventProc = BOOL (*)(LPWSTR, INT, DWORD, LPARAM);

// What the UI provider (the module's entry in the module table) was asked.
std::vector<int16_t> g_starts;
std::vector<int> g_sheetKinds;
int g_destroyed = 0;

int Version() { return 2; }
int16_t Initialize(GUIData* data, int16_t start) {
  g_starts.push_back(start);
  if (data != nullptr) g_sheetKinds.push_back(data->sheetKind);
  return 1;
}
int16_t Destroy(GUIData*) {
  ++g_destroyed;
  return 0;
}
int16_t NoOp(GUIData*) { return 0; }

class PromptSheetExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_starts.clear();
    g_sheetKinds.clear();
    g_destroyed = 0;
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    self.exports["UI_INTERFACEVERSION"] = w32test::Export(&Version);
    self.exports["UI_INITIALIZE"] = w32test::Export(&Initialize);
    self.exports["UI_DESTROY"] = w32test::Export(&Destroy);
    self.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&NoOp);
    self.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&NoOp);
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));

    const std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
    qvtest::AddSamplePrinter(kPrinter, kDirectory, kDataFile);

    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module_, kModulePath));
    events_ = loaded_.Symbol<DocumentEventProc>("DrvDocumentEvent");
    properties_ = loaded_.Symbol<DocumentPropertiesProc>("DrvDocumentProperties");
    printerEvent_ = loaded_.Symbol<PrinterEventProc>("DrvPrinterEvent");
    ASSERT_TRUE(events_ && properties_ && printerEvent_);
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer_, nullptr));
  }

  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  // Sets the printer up as the model named (printer data "Base"). The
  // installed options are stored from the model on the printer's first load
  // of its settings, so this comes before any other call of the module.
  void SetUpPrinterAs(const std::u16string& variant) {
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE admin = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &admin, &all));
    const DWORD bytes = static_cast<DWORD>((variant.size() + 1) * sizeof(char16_t));
    ASSERT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"Base"), REG_SZ,
                              reinterpret_cast<LPBYTE>(const_cast<char16_t*>(variant.c_str())), bytes),
              static_cast<DWORD>(ERROR_SUCCESS));
    ClosePrinter(admin);
    ASSERT_EQ(printerEvent_(const_cast<LPWSTR>(kPrinter), kPrinterEventInitialize, 0, 0), TRUE);
  }

  // A job printed on both sides (dmDuplex 2) to its end: the printer side
  // answers the prompt escape with `answer`.
  void PrintTwoSidedJob(int answer) {
    std::vector<uint8_t> in(kDevModeSize, 0), dm(kDevModeSize, 0);
    ASSERT_EQ(properties_(nullptr, printer_, const_cast<LPWSTR>(kPrinter), reinterpret_cast<DEVMODEW*>(in.data()),
                          nullptr, DM_COPY_MODE),
              1);
    in[94] = 2;  // dmDuplex: DMDUP_VERTICAL
    in[95] = 0;
    in[73] |= 0x10;  // dmFields: DM_DUPLEX (0x1000)
    ASSERT_EQ(properties_(nullptr, printer_, const_cast<LPWSTR>(kPrinter), reinterpret_cast<DEVMODEW*>(dm.data()),
                          reinterpret_cast<DEVMODEW*>(in.data()), DM_COPY_MODE | DM_IN_BUFFER_MODE),
              1);
    HDC dc = w32test::CreateRecordingDC();
    w32test::ScriptEscape(dc, kPromptEscape, answer);
    void* copy = nullptr;
    void* createIn[4] = {nullptr, nullptr, dm.data(), nullptr};
    ASSERT_EQ(events_(printer_, dc, kCreateDcPre, sizeof createIn, createIn, sizeof copy, &copy), 1);
    void* postIn[1] = {copy};
    ASSERT_EQ(events_(printer_, dc, kCreateDcPost, sizeof postIn, postIn, 0, nullptr), 1);
    events_(printer_, dc, kEndDoc, 0, nullptr, 0, nullptr);
    promptAsked_ = false;
    for (const auto& e : w32test::DcEscapes(dc)) promptAsked_ = promptAsked_ || e.code == kPromptEscape;
    dmDuplex_ = dm[94];
    events_(printer_, dc, kDeleteDc, 0, nullptr, 0, nullptr);
    DeleteDC(dc);
  }

  bool promptAsked_ = false;
  int dmDuplex_ = 0;
  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
  DocumentEventProc events_ = nullptr;
  DocumentPropertiesProc properties_ = nullptr;
  PrinterEventProc printerEvent_ = nullptr;
};

// Manual two-sided printing: the printer side asks for the sheet and the
// module opens the provider's prompt page (mode 30874) of a document sheet,
// handing it to its own host function, and closes it again. No page reaches
// a host of the common UI.
TEST_F(PromptSheetExportsTest, ManualTwoSidedJobOpensThePromptPageAndClosesIt) {
  SetUpPrinterAs(u"quarrin 4700m");
  PrintTwoSidedJob(1);
  EXPECT_EQ(dmDuplex_, 2);
  EXPECT_TRUE(promptAsked_) << "the printer side is asked at the end of the document";
  ASSERT_EQ(g_starts, std::vector<int16_t>{GSheetMode::kPromptPage});
  EXPECT_EQ(g_sheetKinds, std::vector<int>{3});
  EXPECT_EQ(g_destroyed, 1) << "the sheet is closed again";
  EXPECT_TRUE(w32test::SheetPages().empty());
}

// No sheet without manual two-sided printing, or when the printer side does
// not ask for it.
TEST_F(PromptSheetExportsTest, NoSheetUnlessManualTwoSidedAndAsked) {
  SetUpPrinterAs(u"quarrin 4700m");
  PrintTwoSidedJob(0);
  EXPECT_TRUE(g_starts.empty());
  EXPECT_TRUE(promptAsked_);
}

TEST_F(PromptSheetExportsTest, NoSheetForAPrinterWithADuplexUnit) {
  SetUpPrinterAs(u"quarrin 4700dn");
  PrintTwoSidedJob(1);
  EXPECT_FALSE(promptAsked_) << "a printer that turns the sheets itself is not asked";
  EXPECT_TRUE(g_starts.empty());
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
