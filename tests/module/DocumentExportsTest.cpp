// The document entry points and the capability queries of the module, as
// applications and the spooler call them: the module is loaded with dlopen
// and attached, a printer of the sample device model is installed in the
// stand-in, and every call goes through the exports.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "support/LoadedModule.h"
#include "win32/DevMode.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

#ifdef QV_SAMPLE_MODEL_FILE

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr const char16_t* kDriver = u"Quarrin 4700";
constexpr size_t kDevModeSize = 1172;

// Capability indexes and DEVMODE modes, as the platform numbers them.
enum : WORD {
  DC_FIELDS = 1,
  DC_PAPERS = 2,
  DC_PAPERSIZE = 3,
  DC_MINEXTENT = 4,
  DC_MAXEXTENT = 5,
  DC_BINS = 6,
  DC_DUPLEX = 7,
  DC_SIZE = 8,
  DC_EXTRA = 9,
  DC_VERSION = 10,
  DC_DRIVER = 11,
  DC_BINNAMES = 12,
  DC_ENUMRESOLUTIONS = 13,
  DC_FILEDEPENDENCIES = 14,
  DC_TRUETYPE = 15,
  DC_PAPERNAMES = 16,
  DC_ORIENTATION = 17,
  DC_COPIES = 18,
  DC_COLLATE = 22,
  DC_PERSONALITY = 25,
  DC_PRINTRATE = 26,
  DC_PRINTRATEUNIT = 27,
  DC_PRINTERMEM = 28,
  DC_MEDIAREADY = 29,
  DC_STAPLE = 30,
  DC_PRINTRATEPPM = 31,
  DC_COLORDEVICE = 32,
  DC_NUP = 33,
  DC_PRIVATE = 22097,
};
constexpr DWORD DM_UPDATE = 1, DM_COPY = 2, DM_IN_BUFFER = 8;
constexpr DWORD CDM_CONVERT = 1, CDM_CONVERT351 = 2, CDM_DRIVER_DEFAULT = 4;

using DeviceCapabilitiesProc = LONG (*)(HANDLE, LPWSTR, WORD, LPVOID, DEVMODEW*);
using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using AdvancedPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*);
using ConvertDevModeProc = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using NonPropPageSheetProc = ULONG (*)(void*, UINT, LPARAM, LPARAM);

uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
int16_t Short(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(Word(b, at)); }
uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(Word(b, at)) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
}
void PutWord(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutDword(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  PutWord(b, at, static_cast<uint16_t>(v));
  PutWord(b, at + 2, static_cast<uint16_t>(v >> 16));
}
DEVMODEW* AsDevMode(std::vector<uint8_t>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

std::u16string WideAt(const std::vector<char16_t>& entries, size_t index, size_t length) {
  std::u16string s;
  for (size_t i = 0; i < length && entries[index * length + i] != 0; ++i) s += entries[index * length + i];
  return s;
}

class DocumentExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    self.strings[10120] = u"Custom Size";
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));

    const std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = kDriver;
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    w32test::AddPrinter(setup);

    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module_, kModulePath));
    capabilities_ = Symbol<DeviceCapabilitiesProc>("DrvDeviceCapabilities");
    properties_ = Symbol<DocumentPropertiesProc>("DrvDocumentProperties");
    advanced_ = Symbol<AdvancedPropertiesProc>("DrvAdvancedDocumentProperties");
    convert_ = Symbol<ConvertDevModeProc>("DrvConvertDevMode");
    ASSERT_TRUE(capabilities_ && properties_ && advanced_ && convert_);
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, nullptr));
  }

  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  template <class Proc>
  Proc Symbol(const char* name) {
    return loaded_.Symbol<Proc>(name);
  }

  LPWSTR Name() { return const_cast<LPWSTR>(kPrinter); }

  LONG Caps(WORD index, void* output = nullptr, DEVMODEW* devMode = nullptr) {
    return capabilities_(printer_, Name(), index, output, devMode);
  }

  // The DEVMODE DrvDocumentProperties hands out with DM_COPY.
  std::vector<uint8_t> DefaultDevMode() {
    std::vector<uint8_t> dm(kDevModeSize, 0xCD);
    EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(dm), nullptr, DM_COPY), 1);
    return dm;
  }

  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
  DeviceCapabilitiesProc capabilities_ = nullptr;
  DocumentPropertiesProc properties_ = nullptr;
  AdvancedPropertiesProc advanced_ = nullptr;
  ConvertDevModeProc convert_ = nullptr;
};

// ---- DrvDocumentProperties ----

TEST_F(DocumentExportsTest, ModeZeroOrNoOutputAsksForTheSize) {
  EXPECT_EQ(properties_(nullptr, printer_, Name(), nullptr, nullptr, 0), 1172);
  std::vector<uint8_t> dm(kDevModeSize, 0);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(dm), nullptr, 0), 1172);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), nullptr, nullptr, DM_COPY), 1172);
  EXPECT_EQ(advanced_(nullptr, printer_, Name(), nullptr, nullptr), 1172);
}

TEST_F(DocumentExportsTest, CopyWritesTheDriversDevMode) {
  const std::vector<uint8_t> dm = DefaultDevMode();
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(dm.data())), kPrinter);
  EXPECT_EQ(Word(dm, 64), 0x0401);  // dmSpecVersion
  EXPECT_EQ(Word(dm, 66), 24);      // dmDriverVersion
  EXPECT_EQ(Word(dm, 68), 220);     // dmSize
  EXPECT_EQ(Word(dm, 70), 952);     // dmDriverExtra
  EXPECT_EQ(Word(dm, 220), 1172);   // private size
  EXPECT_EQ(Word(dm, 222), 46);     // private header size
  EXPECT_EQ(Word(dm, 262), 4);      // format tag
  EXPECT_EQ(Word(dm, 268), 902);    // settings capacity
  EXPECT_GT(Word(dm, 266), 0);      // compressed settings
  EXPECT_LE(Word(dm, 266), 902);
  EXPECT_NE(Dword(dm, 72) & (DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&dm[224])), "Quarrin 4700");
  // Every byte of the buffer was written.
  for (size_t i = 0; i < kDevModeSize; i += 2) ASSERT_FALSE(dm[i] == 0xCD && dm[i + 1] == 0xCD) << i;
}

// An application's DEVMODE asking for A4 (the sample's default is Letter).
std::vector<uint8_t> AskForA4(std::vector<uint8_t> dm) {
  PutWord(dm, 78, DMPAPER_A4);
  PutDword(dm, 72, Dword(dm, 72) | DM_PAPERSIZE);
  return dm;
}

TEST_F(DocumentExportsTest, AnInputBufferIsAppliedBeforeTheCopy) {
  std::vector<uint8_t> in = AskForA4(DefaultDevMode());
  std::vector<uint8_t> out(kDevModeSize, 0);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_COPY | DM_IN_BUFFER), 1);
  EXPECT_EQ(Short(out, 78), DMPAPER_A4);
  // Without DM_IN_BUFFER the input is not looked at.
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_COPY), 1);
  EXPECT_EQ(Short(out, 78), DMPAPER_LETTER);
  // DM_UPDATE alone also hands the DEVMODE out; no copy bit leaves it alone.
  std::vector<uint8_t> untouched(kDevModeSize, 0xEE);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(untouched), AsDevMode(in), DM_IN_BUFFER), 1);
  EXPECT_EQ(untouched, std::vector<uint8_t>(kDevModeSize, 0xEE));
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(untouched), nullptr, DM_UPDATE), 1);
  EXPECT_EQ(Word(untouched, 68), 220);
}

TEST_F(DocumentExportsTest, ADamagedInputDevModeStillGivesAValidOne) {
  std::vector<uint8_t> in = DefaultDevMode();
  // Settings area claims more than its capacity and holds garbage.
  PutWord(in, 266, 0xFFFF);
  for (size_t i = 270; i < kDevModeSize; ++i) in[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> out(kDevModeSize, 0);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_COPY | DM_IN_BUFFER), 1);
  EXPECT_EQ(Word(out, 70), 952);
  EXPECT_LE(Word(out, 266), 902);
}

TEST_F(DocumentExportsTest, HostMarkModeStaysInsideTheDevMode) {
  std::vector<uint8_t> out(kDevModeSize + 16, 0xAB);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), nullptr, 0x100A), 1);
  EXPECT_EQ(Word(out, 68), 220);
  EXPECT_EQ(Word(out, 70), 952);
  EXPECT_EQ(Dword(out, 220), 0x51565156u);
  EXPECT_EQ(Word(out, 224), 152);
  for (size_t i = 226; i < 372; ++i) ASSERT_EQ(out[i], 0) << i;
  // Nothing past the DEVMODE the caller was told about.
  for (size_t i = kDevModeSize; i < out.size(); ++i) ASSERT_EQ(out[i], 0xAB) << i;
}

TEST_F(DocumentExportsTest, AdvancedPropertiesWithoutASheetBridgeAnswerZero) {
  // The advanced sheet needs the property-sheet bridge of the user
  // interface; without one it cannot open and nothing is written.
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  const LONG r = advanced_(nullptr, printer_, Name(), AsDevMode(out), nullptr);
  EXPECT_TRUE(r == 0 || r == 1);
}

// ---- DrvConvertDevMode ----

TEST_F(DocumentExportsTest, ConvertDriverDefaultNeedsTheWholeBuffer) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  LONG size = 1000;
  SetLastError(0);
  EXPECT_EQ(convert_(Name(), nullptr, AsDevMode(out), &size, CDM_DRIVER_DEFAULT), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 1172);
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE)) << "a short buffer is not written";

  size = 1172;
  EXPECT_EQ(convert_(Name(), nullptr, AsDevMode(out), &size, CDM_DRIVER_DEFAULT), TRUE);
  EXPECT_EQ(size, 1172);
  EXPECT_EQ(Word(out, 68), 220);
  EXPECT_EQ(Word(out, 70), 952);
  EXPECT_EQ(Word(out, 268), 902);
  // The printer had no DEVMODE of its own: the defaults became it.
  const std::vector<BYTE> stored = w32test::PrinterDevMode(kPrinter);
  ASSERT_EQ(stored.size(), kDevModeSize);
  EXPECT_EQ(Word(std::vector<uint8_t>(stored.begin(), stored.end()), 70), 952);
  EXPECT_EQ(w32test::OpenPrinterCount(), 1u) << "the conversion closes the printer it opened";
}

TEST_F(DocumentExportsTest, ConvertModeTwoDoesNothingAndKeepsTheCallersError) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  LONG size = 1172;
  SetLastError(1234);
  EXPECT_EQ(convert_(Name(), nullptr, AsDevMode(out), &size, 2), FALSE);
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE));
}

TEST_F(DocumentExportsTest, ConvertChecksBothBuffers) {
  std::vector<uint8_t> in = AskForA4(DefaultDevMode());
  std::vector<uint8_t> out = DefaultDevMode();
  LONG size = 1172;
  EXPECT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(out), &size, CDM_CONVERT), TRUE);
  EXPECT_EQ(Short(out, 78), DMPAPER_A4);
  EXPECT_EQ(size, 1172);

  // A public-only input is not this driver's DEVMODE.
  std::vector<uint8_t> publicOnly(in.begin(), in.begin() + 220);
  PutWord(publicOnly, 70, 0);
  SetLastError(0);
  EXPECT_EQ(convert_(Name(), AsDevMode(publicOnly), AsDevMode(out), &size, CDM_CONVERT), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // Neither is an output whose capacity word is off.
  std::vector<uint8_t> odd = out;
  PutWord(odd, 268, 900);
  SetLastError(0);
  EXPECT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(odd), &size, CDM_CONVERT), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // A short output buffer is refused before it is looked at.
  std::vector<uint8_t> shortOut(300, 0);
  size = 300;
  SetLastError(0);
  EXPECT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(shortOut), &size, CDM_CONVERT), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 1172);
}

TEST_F(DocumentExportsTest, ConvertOtherModesDoNothing) {
  std::vector<uint8_t> out(kDevModeSize, 0xEE);
  LONG size = 1172;
  for (DWORD mode : {CDM_CONVERT351, DWORD{0}, DWORD{3}, DWORD{8}}) {
    EXPECT_EQ(convert_(Name(), nullptr, AsDevMode(out), &size, mode), FALSE) << mode;
  }
  EXPECT_EQ(out, std::vector<uint8_t>(kDevModeSize, 0xEE));
  // An unknown printer cannot be converted for.
  EXPECT_EQ(convert_(const_cast<LPWSTR>(u"Nowhere"), nullptr, AsDevMode(out), &size, CDM_DRIVER_DEFAULT), FALSE);
}

// ---- DrvDeviceCapabilities ----

TEST_F(DocumentExportsTest, DevModeDescriptions) {
  std::vector<uint8_t> dm = DefaultDevMode();
  EXPECT_EQ(Caps(DC_FIELDS, nullptr, AsDevMode(dm)), static_cast<LONG>(Dword(dm, 72)));
  EXPECT_NE(Caps(DC_FIELDS), 0);
  EXPECT_EQ(Caps(DC_SIZE), 220);
  EXPECT_EQ(Caps(DC_EXTRA), 952);
  EXPECT_EQ(Caps(DC_VERSION), 0x0401);
  EXPECT_EQ(Caps(DC_DRIVER), 24);
  EXPECT_EQ(Caps(DC_TRUETYPE), 0);
  EXPECT_EQ(Caps(DC_PRINTRATEUNIT), 1);
  EXPECT_EQ(Caps(1234), -1);
  EXPECT_EQ(Caps(0), -1);
}

TEST_F(DocumentExportsTest, PapersNamesAndSizesAgree) {
  const LONG n = Caps(DC_PAPERS);
  ASSERT_GE(n, 2);
  EXPECT_EQ(Caps(DC_PAPERNAMES), n);
  EXPECT_EQ(Caps(DC_PAPERSIZE), n);

  std::vector<WORD> numbers(n + 1, 0xFFFF);
  std::vector<char16_t> names((n + 1) * 64, u'#');
  std::vector<LONG> sizes((n + 1) * 2, -7);
  EXPECT_EQ(Caps(DC_PAPERS, numbers.data()), n);
  EXPECT_EQ(Caps(DC_PAPERNAMES, names.data()), n);
  EXPECT_EQ(Caps(DC_PAPERSIZE, sizes.data()), n);
  EXPECT_EQ(numbers[n], 0xFFFF) << "one entry too many";
  EXPECT_EQ(names[n * 64], u'#');
  EXPECT_EQ(sizes[2 * n], -7);

  // Letter is offered as spooler paper 1, 215.9 x 279.4 mm; the list ends
  // with the custom size.
  EXPECT_EQ(numbers[0], 1);
  EXPECT_EQ(WideAt(names, 0, 64), u"Letter");
  EXPECT_EQ(sizes[0], 2159);
  EXPECT_EQ(sizes[1], 2794);
  EXPECT_EQ(numbers[n - 1], 256);
  EXPECT_EQ(WideAt(names, n - 1, 64), u"Custom Size");
}

TEST_F(DocumentExportsTest, APaperListThatGrewBetweenCallsIsRebuiltInsideItsRoom) {
  const LONG before = Caps(DC_PAPERS);
  // The spooler gains forms between two calls; the list grows with them and
  // no entry goes past its arrays.
  for (int i = 0; i < 40; ++i) {
    FORM_INFO_1W form{};
    std::u16string name = u"Label " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                          std::u16string(1, static_cast<char16_t>(u'a' + i / 26));
    form.Flags = FORM_USER;
    form.pName = name.data();
    form.Size = {100000, 150000};
    form.ImageableArea = {0, 0, 100000, 150000};
    ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&form)));
  }
  const LONG after = Caps(DC_PAPERS);
  EXPECT_EQ(after, before + 40);
  std::vector<WORD> numbers(after, 0);
  EXPECT_EQ(Caps(DC_PAPERS, numbers.data()), after);
  EXPECT_EQ(numbers.back(), 256);
  // Asked again, the list has the same length.
  EXPECT_EQ(Caps(DC_PAPERSIZE), after);
}

TEST_F(DocumentExportsTest, TraysAndBins) {
  const LONG n = Caps(DC_BINS);
  ASSERT_GE(n, 1);
  EXPECT_EQ(Caps(DC_BINNAMES), n);
  std::vector<WORD> bins(n + 1, 0xFFFF);
  std::vector<char16_t> names((n + 1) * 24, u'#');
  EXPECT_EQ(Caps(DC_BINS, bins.data()), n);
  EXPECT_EQ(Caps(DC_BINNAMES, names.data()), n);
  // Trays 1 and 2 of the sample's standard input device, then its two
  // output bins.
  ASSERT_EQ(n, 4);
  EXPECT_EQ(bins, (std::vector<WORD>{1, 2, 16680, 16681, 0xFFFF}));
  EXPECT_EQ(names[n * 24], u'#');
  for (LONG i = 0; i < 2; ++i) EXPECT_EQ(names[i * 24], u' ') << "tray names begin with a blank";
  for (LONG i = 0; i < n; ++i) EXPECT_EQ(names[i * 24 + 23], 0);
  EXPECT_EQ(std::u16string(&names[0]), u" Tray 1");
  EXPECT_EQ(std::u16string(&names[24]), u" Tray 2");
}

TEST_F(DocumentExportsTest, ResolutionsExtentsAndLimits) {
  const LONG n = Caps(DC_ENUMRESOLUTIONS);
  ASSERT_GE(n, 1);
  std::vector<LONG> pairs(2 * (n + 1), -7);
  EXPECT_EQ(Caps(DC_ENUMRESOLUTIONS, pairs.data()), n);
  EXPECT_EQ(pairs[0], 600);
  EXPECT_EQ(pairs[1], 600);
  EXPECT_EQ(pairs[2 * n], -7);

  // The limits come from the media pool at the DEVMODE's resolution.
  const DWORD smallest = static_cast<DWORD>(Caps(DC_MINEXTENT));
  const DWORD largest = static_cast<DWORD>(Caps(DC_MAXEXTENT));
  EXPECT_LE(smallest & 0xFFFF, largest & 0xFFFF);
  EXPECT_LE(smallest >> 16, largest >> 16);
  // The sample's custom sizes: 3 x 5 to 8.5 x 14 inches.
  EXPECT_EQ(smallest, (1270u << 16) | 762u);
  EXPECT_EQ(largest, (3556u << 16) | 2159u);
}

TEST_F(DocumentExportsTest, FixedAnswers) {
  std::vector<DWORD> nup(6, 0xDEADBEEF);
  EXPECT_EQ(Caps(DC_NUP), 5);
  EXPECT_EQ(Caps(DC_NUP, nup.data()), 5);
  EXPECT_EQ(nup, (std::vector<DWORD>{2, 4, 6, 9, 16, 0xDEADBEEF}));

  std::vector<char16_t> personality(33, u'#');
  EXPECT_EQ(Caps(DC_PERSONALITY), 1);
  EXPECT_EQ(Caps(DC_PERSONALITY, personality.data()), 1);
  EXPECT_EQ(std::u16string(personality.data()), u"PCL 5e");
  EXPECT_EQ(personality[31], 0);
  EXPECT_EQ(personality[32], u'#');

  std::vector<uint8_t> record(1539, 0xCC);
  EXPECT_EQ(Caps(DC_PRIVATE), 1538);
  EXPECT_EQ(Caps(DC_PRIVATE, record.data()), 1538);
  EXPECT_EQ(Word(record, 0), 22098);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[2])), "QVGDI6");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[514])), "syshnts.hlp");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[1026])), "hints_system");
  EXPECT_EQ(record[1538], 0xCC);

  char16_t dependency = u'#';
  EXPECT_EQ(Caps(DC_FILEDEPENDENCIES, &dependency), 0);
  EXPECT_EQ(dependency, 0);
}

TEST_F(DocumentExportsTest, PrinterAbilities) {
  // The sample printer: monochrome, with a duplex unit, a stapler and
  // collation, up to 999 copies, 64 MB of memory, 45 pages a minute.
  EXPECT_EQ(Caps(DC_COLORDEVICE), 0);
  EXPECT_EQ(Caps(DC_DUPLEX), 1);
  EXPECT_EQ(Caps(DC_STAPLE), 1);
  EXPECT_EQ(Caps(DC_COLLATE), 1);
  EXPECT_EQ(Caps(DC_PRINTRATE), 45);
  EXPECT_EQ(Caps(DC_COPIES), 999);
  EXPECT_EQ(Caps(DC_PRINTERMEM), 64);
  EXPECT_EQ(Caps(DC_ORIENTATION), 90);
  EXPECT_GE(Caps(DC_PRINTRATE), 0);
  EXPECT_EQ(Caps(DC_PRINTRATEPPM), Caps(DC_PRINTRATE));
  EXPECT_EQ(Caps(DC_MEDIAREADY), 0) << "no form is assigned to a tray";
}

TEST_F(DocumentExportsTest, EveryIndexAnswersWithAnApplicationsDevMode) {
  // An application's DEVMODE of this driver, and one cut to its public part.
  std::vector<uint8_t> full = AskForA4(DefaultDevMode());
  std::vector<uint8_t> publicOnly(full.begin(), full.begin() + 220);
  PutWord(publicOnly, 70, 0);
  for (std::vector<uint8_t>* dm : {&full, &publicOnly}) {
    for (WORD index : {DC_FIELDS,          DC_PAPERS,
                       DC_PAPERSIZE,       DC_MINEXTENT,
                       DC_MAXEXTENT,       DC_BINS,
                       DC_DUPLEX,          DC_SIZE,
                       DC_EXTRA,           DC_VERSION,
                       DC_DRIVER,          DC_BINNAMES,
                       DC_ENUMRESOLUTIONS, DC_FILEDEPENDENCIES,
                       DC_TRUETYPE,        DC_PAPERNAMES,
                       DC_ORIENTATION,     DC_COPIES,
                       DC_COLLATE,         DC_PERSONALITY,
                       DC_PRINTRATE,       DC_PRINTRATEUNIT,
                       DC_PRINTERMEM,      DC_MEDIAREADY,
                       DC_STAPLE,          DC_PRINTRATEPPM,
                       DC_COLORDEVICE,     DC_NUP,
                       DC_PRIVATE}) {
      const LONG r = Caps(index, nullptr, AsDevMode(*dm));
      EXPECT_GE(r, -1) << index;
    }
    EXPECT_EQ(Caps(DC_SIZE, nullptr, AsDevMode(*dm)), 220);
    const LONG orientation = Caps(DC_ORIENTATION, nullptr, AsDevMode(*dm));
    EXPECT_TRUE(orientation == 0 || orientation == 90 || orientation == 270) << orientation;
  }
}

TEST_F(DocumentExportsTest, NonPropPageSheetAnswersItsThirdArgument) {
  auto sheet = Symbol<NonPropPageSheetProc>("NonPropPageSheet");
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet(nullptr, 8, 3, 99), 3u);
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
