// Damaged DEVMODEs through the module's exports, as a certification run
// feeds them: random bytes in the public and private parts, buffers cut
// short, size words that are wrong (zero, small, odd, huge, past the data),
// a valid head over garbage, and the driver's own DEVMODEs with single bytes
// changed. The module is dlopen'd on the sample data file. Whatever comes in,
// no call may crash, hang, over-read or end the process; a call that must
// refuse its input says so (FALSE and an error code, -1) rather than
// succeeding; and every DEVMODE the module hands back is a valid one that the
// module takes again with the same fields.
//
// Each test runs twice: with the settings in the private area in the framing
// form (the sample model's choice) and, on a share of the cases, in the
// compact codec's form.
//
// The cases come from a seeded generator, so every run feeds the same bytes;
// a failure names the case that caused it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/DriverClasses.h"
#include "driver/GSettingValue.h"
#include "graphics/GraphicsClasses.h"
#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWPersistence.h"
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

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr const char16_t* kDriver = u"Quarrin 4700";

// The driver's DEVMODE: the 220-byte public record and a 952-byte private
// area (46-byte header, 906-byte settings area of which 902 hold data).
constexpr size_t kPublicSize = 220;
constexpr size_t kDriverExtra = 952;
constexpr size_t kTotalSize = kPublicSize + kDriverExtra;
constexpr size_t kSettingsOffset = 270;
// The dmFields bits the driver handles.
constexpr uint32_t kHandledFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES |
                                    DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION |
                                    DM_COLLATE | DM_FORMNAME | DM_ICMMETHOD | DM_ICMINTENT;
constexpr size_t kSettingsCapacity = 902;
// Every DEVMODE reaches at least through dmFields: the module reads that far
// before it knows anything else about a caller's buffer.
constexpr size_t kHeadSize = 76;

// Capability indexes, modes and document events, as the platform numbers them.
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
  DC_PAPERNAMES = 16,
  DC_ORIENTATION = 17,
  DC_COPIES = 18,
  DC_COLLATE = 22,
  DC_MEDIAREADY = 29,
  DC_NUP = 33,
  DC_PRIVATE = 22097,
};
constexpr DWORD DM_UPDATE = 1, DM_COPY = 2, DM_PROMPT = 4, DM_IN_BUFFER = 8, DM_HOST_MARK = 0x100A;
constexpr DWORD CDM_CONVERT = 1, CDM_CONVERT351 = 2, CDM_DRIVER_DEFAULT = 4;
constexpr INT kCreateDcPre = 1, kCreateDcPost = 2, kResetDcPre = 3, kResetDcPost = 4, kDeleteDc = 10;

using DeviceCapabilitiesProc = LONG (*)(HANDLE, LPWSTR, WORD, LPVOID, DEVMODEW*);
using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using AdvancedPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*);
using ConvertDevModeProc = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using DocumentEventProc = INT (*)(HANDLE, HDC, INT, ULONG, LPVOID, ULONG, LPVOID);
using DevQueryPrintExProc = BOOL (*)(DEVQUERYPRINT_INFO*);

using Bytes = std::vector<uint8_t>;

// The messages of the DevQueryPrintEx refusals.
const std::map<UINT, std::u16string> kMessages = {
    {12001, u"Invalid settings."},           {12002, u"Invalid resolution."},
    {12003, u"Paper size not supported."},   {12004, u"Tray not installed."},
    {12005, u"Duplex unit not installed."},  {12006, u"Collation not enabled."},
};

uint16_t Word(const uint8_t* b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint16_t Word(const Bytes& b, size_t at) { return Word(b.data(), at); }
int16_t Short(const Bytes& b, size_t at) { return static_cast<int16_t>(Word(b, at)); }
uint32_t Dword(const Bytes& b, size_t at) {
  return static_cast<uint32_t>(Word(b, at)) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
}
void PutWord(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutDword(Bytes& b, size_t at, uint32_t v) {
  PutWord(b, at, static_cast<uint16_t>(v));
  PutWord(b, at + 2, static_cast<uint16_t>(v >> 16));
}
DEVMODEW* AsDevMode(Bytes& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }
size_t Extent(const Bytes& b) { return static_cast<size_t>(Word(b, 68)) + Word(b, 70); }

// Rewrites the driver data file with the DEVMODE codec preference (feature
// 940 in the driver preferences 366 of the printer's configuration) set to
// the mode.
bool SelectCodecMode(std::string* model, int mode) {
  static const bool registered = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    return true;
  }();
  (void)registered;
  std::stringbuf in(*model, std::ios_base::in | std::ios_base::binary);
  RWBinaryInStream reader(&in);
  MPersistentObject* root = nullptr;
  MPersistentObject::ReadPersistentObject(reader, root);
  if (root == nullptr) return false;
  std::unique_ptr<MPersistentObject> owned(root);
  // The printer (76) of the device model (353) holds the configuration.
  auto* printer = dynamic_cast<GPeripheral*>(GSettingValue::Find(GSettingValue::Find(root, 353), 76));
  GConfiguration* configuration = printer != nullptr ? printer->GetConfiguration() : nullptr;
  if (!GSettingValue::Set(GSettingValue::Find(configuration, 366), 940, static_cast<int16_t>(mode))) return false;
  std::stringbuf out(std::ios_base::out | std::ios_base::binary);
  RWBinaryOutStream writer(&out);
  RWWriteObjectPointer(writer, root);
  writer.Flush();
  if (!writer.Good()) return false;
  *model = out.str();
  return true;
}

// ---- The damaged DEVMODEs ----

struct DamagedCase {
  std::string what;  // how it was made, for failure messages
  Bytes bytes;       // exactly as long as the DEVMODE says it is (at least the head)
};

// Size words worth trying besides random ones.
constexpr uint16_t kSizes[] = {0, 1, 2, 68, 72, 75, 76, 77, 100, 147, 148, 155, 156, 188, 219, 220, 221, 222, 256, 1172, 0xFFFF};
constexpr uint16_t kExtras[] = {0, 1, 2, 3, 44, 45, 46, 47, 49, 50, 51, 100, 901, 950, 951, 952, 953, 1000, 4096, 0xFFFF};

// Makes the kinds of damage in turn from a seeded generator. The real
// DEVMODEs are ones the module wrote.
class DamageMaker {
 public:
  DamageMaker(uint32_t seed, std::vector<Bytes> reals)
      : random_(seed), reals_(std::move(reals)), start_(seed * 131u % kDriverExtra) {}

  std::vector<DamagedCase> Make(size_t count) {
    std::vector<DamagedCase> cases;
    cases.reserve(count);
    for (size_t i = 0; i < count; ++i) cases.push_back(MakeOne(i));
    return cases;
  }

 private:
  uint32_t Next() { return static_cast<uint32_t>(random_()); }
  uint32_t Below(uint32_t n) { return Next() % n; }
  uint8_t Byte() { return static_cast<uint8_t>(Next()); }
  const Bytes& Real() { return reals_[Below(static_cast<uint32_t>(reals_.size()))]; }
  void Fill(Bytes& b, size_t from, size_t to) {
    for (size_t i = from; i < to && i < b.size(); ++i) b[i] = Byte();
  }
  uint16_t SizeWord(const uint16_t* table, size_t n) {
    return Below(3) == 0 ? static_cast<uint16_t>(Next()) : table[Below(static_cast<uint32_t>(n))];
  }

  // A buffer of the DEVMODE's own extent (never less than the head), the
  // first bytes taken from source and the rest random.
  Bytes Sized(const Bytes& source, uint16_t size, uint16_t extra) {
    Bytes b(std::max(kHeadSize, static_cast<size_t>(size) + extra));
    std::memcpy(b.data(), source.data(), std::min(b.size(), source.size()));
    Fill(b, source.size(), b.size());
    PutWord(b, 68, size);
    PutWord(b, 70, extra);
    return b;
  }

  DamagedCase MakeOne(size_t i) {
    char what[96];
    switch (i % 9) {
      case 0: {  // random bytes throughout, random size words
        Bytes head(kHeadSize);
        Fill(head, 0, head.size());
        const uint16_t size = SizeWord(kSizes, std::size(kSizes));
        const uint16_t extra = SizeWord(kExtras, std::size(kExtras));
        std::snprintf(what, sizeof what, "random bytes, dmSize %u dmDriverExtra %u", size, extra);
        return {what, Sized(head, size, extra)};
      }
      case 1: {  // the driver's head and size words over garbage
        Bytes b = Real();
        const size_t keep = Below(2) == 0 ? kPublicSize : (Below(2) == 0 ? kHeadSize : kSettingsOffset);
        Fill(b, keep, b.size());
        std::snprintf(what, sizeof what, "valid first %zu bytes over garbage", keep);
        return {what, b};
      }
      case 2: {  // a real DEVMODE under wrong size words
        const uint16_t size = SizeWord(kSizes, std::size(kSizes));
        const uint16_t extra = SizeWord(kExtras, std::size(kExtras));
        std::snprintf(what, sizeof what, "real DEVMODE, dmSize %u dmDriverExtra %u", size, extra);
        return {what, Sized(Real(), size, extra)};
      }
      case 3: {  // a real DEVMODE cut short, its size words telling the truth
        const size_t n = kHeadSize + Below(static_cast<uint32_t>(kTotalSize - kHeadSize));
        const Bytes& real = Real();
        Bytes b(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(n));
        if (n >= kPublicSize) {
          PutWord(b, 68, static_cast<uint16_t>(kPublicSize));
          PutWord(b, 70, static_cast<uint16_t>(n - kPublicSize));
        } else {
          PutWord(b, 68, static_cast<uint16_t>(n));
          PutWord(b, 70, 0);
        }
        std::snprintf(what, sizeof what, "real DEVMODE cut to %zu bytes", n);
        return {what, b};
      }
      case 4: {  // a few bytes of a real DEVMODE flipped anywhere
        Bytes b = Real();
        std::string where;
        const uint32_t flips = 1 + Below(3);
        for (uint32_t f = 0; f < flips; ++f) {
          const size_t at = Below(static_cast<uint32_t>(b.size()));
          b[at] ^= static_cast<uint8_t>(1 + Below(255));
          where += " " + std::to_string(at);
        }
        if (Extent(b) > b.size()) b.resize(Extent(b), 0x5A);  // a flipped size word: the buffer follows it
        std::snprintf(what, sizeof what, "real DEVMODE, bytes flipped at%s", where.c_str());
        return {what, b};
      }
      case 5: {  // the bytes of the private area in turn, set to a telling value
        Bytes b = Real();
        const size_t step = i / 9;
        // A stride prime to the area's size visits every byte once per round.
        const size_t at = kPublicSize + (start_ + step * 337) % kDriverExtra;
        static constexpr uint8_t kValues[] = {0x00, 0xFF, 0x80, 0x7F};
        const size_t round = step / kDriverExtra;
        b[at] = round < std::size(kValues) ? kValues[round] : static_cast<uint8_t>(b[at] ^ (1u << (round % 8)));
        std::snprintf(what, sizeof what, "real DEVMODE, private byte %zu set to %u", at, b[at]);
        return {what, b};
      }
      case 6: {  // random public fields, all marked present, over a real private area
        Bytes b = Real();
        Fill(b, 64, kPublicSize);
        PutWord(b, 64, 0x0401);
        PutWord(b, 68, static_cast<uint16_t>(kPublicSize));
        PutWord(b, 70, static_cast<uint16_t>(kDriverExtra));
        if (Below(2) == 0) PutDword(b, 72, 0xFFFFFFFFu);
        Fill(b, 0, Below(2) == 0 ? 64 : 0);  // sometimes a garbage device name as well
        std::snprintf(what, sizeof what, "random public fields, dmFields %08x", Dword(b, 72));
        return {what, b};
      }
      case 7: {  // bits of the compressed settings flipped, or their length word changed
        Bytes b = Real();
        const size_t length = std::max<size_t>(1, Word(b, 266));
        if (Below(4) == 0) {
          const uint16_t word = static_cast<uint16_t>(Below(4) == 0 ? Next() : length + Below(9) - 4);
          PutWord(b, 266, word);
          std::snprintf(what, sizeof what, "real DEVMODE, settings length %u (was %zu)", word, length);
        } else {
          const size_t at = kSettingsOffset + Below(static_cast<uint32_t>(length));
          b[at] ^= static_cast<uint8_t>(1u << Below(8));
          std::snprintf(what, sizeof what, "real DEVMODE, settings bit flipped at %zu", at);
        }
        return {what, b};
      }
      default: {  // the private header's words changed one at a time
        Bytes b = Real();
        static constexpr size_t kWords[] = {220, 222, 256, 258, 260, 262, 264, 266, 268};
        const size_t at = kWords[Below(std::size(kWords))];
        const uint16_t word = static_cast<uint16_t>(Below(2) == 0 ? Next() : Word(b, at) + Below(5) - 2);
        PutWord(b, at, word);
        std::snprintf(what, sizeof what, "real DEVMODE, header word at %zu set to %u", at, word);
        return {what, b};
      }
    }
  }

  std::mt19937 random_;
  std::vector<Bytes> reals_;
  size_t start_;  // where the walk over the private area begins
};

// A real DEVMODE with each byte of its private area in turn (every stride-th
// one) inverted.
std::vector<DamagedCase> PrivateSweep(const Bytes& real, size_t stride) {
  std::vector<DamagedCase> cases;
  for (size_t at = kPublicSize; at < kTotalSize; at += stride) {
    Bytes b = real;
    b[at] = static_cast<uint8_t>(~b[at]);
    cases.push_back({"real DEVMODE, private byte " + std::to_string(at) + " inverted", b});
  }
  return cases;
}

// A process exit in the middle of a case (the container library's fatal
// error handler ends the process) names the case on the way out.
const char* volatile g_currentCase = nullptr;
void ReportExitDuringCase() {
  if (const char* what = g_currentCase) std::fprintf(stderr, "process exit during damaged DEVMODE case: %s\n", what);
}

// The two forms of the settings in the private area: the framing (the sample
// model's choice) and the compact codec, which the test selects by rewriting
// the sample model's preference before the module reads it. The compact run
// takes a share of the cases.
struct CodecVariant {
  int codecMode;
  int percent;  // of each test's number of cases
};

void PrintTo(const CodecVariant& v, std::ostream* os) { *os << (v.codecMode == 1 ? "compact" : "framing"); }

// Whether the settings area of a DEVMODE holds the compact stream: inflated,
// it begins with the codec's 20 header bytes.
bool HoldsCompactSettings(const Bytes& dm) {
  std::vector<Bytef> plain(4096);
  uLongf length = plain.size();
  if (uncompress(plain.data(), &length, dm.data() + kSettingsOffset, Word(dm, 266)) != Z_OK || length < 20) return false;
  return std::all_of(plain.begin(), plain.begin() + 20, [](Bytef b) { return b == 0x73; });
}

class DamagedDevModeTest : public ::testing::TestWithParam<CodecVariant> {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = std::atexit(&ReportExitDuringCase) == 0;
    (void)registered;
  }

  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    self.strings[10120] = u"Custom Size";
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    // The printer's resource module, with the messages of DevQueryPrintEx.
    w32test::ModuleSpec resources;
    resources.name = u"QVRS4700.DLL";
    resources.path = std::u16string(kDirectory) + u"\\QVRS4700.DLL";
    resources.strings = kMessages;
    w32test::InstallModule(resources);

    std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    if (GetParam().codecMode != 0) {
      ASSERT_TRUE(SelectCodecMode(&model, GetParam().codecMode));
    }
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
    convert_ = Symbol<ConvertDevModeProc>("DrvConvertDevMode");
    event_ = Symbol<DocumentEventProc>("DrvDocumentEvent");
    advanced_ = Symbol<AdvancedPropertiesProc>("DrvAdvancedDocumentProperties");
    query_ = Symbol<DevQueryPrintExProc>("DevQueryPrintEx");
    ASSERT_TRUE(capabilities_ && properties_ && convert_ && event_ && advanced_ && query_);
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, nullptr));
    ASSERT_NO_FATAL_FAILURE(MakeReals());
  }

  void TearDown() override {
    g_currentCase = nullptr;
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
    // Nothing was shown to a user: no fatal error box, no other message.
    for (const auto& box : w32test::MessageBoxes()) ADD_FAILURE() << "message box: " << box.caption << ": " << box.text;
  }

  template <class Proc>
  Proc Symbol(const char* name) {
    return loaded_.Symbol<Proc>(name);
  }

  LPWSTR Name() { return const_cast<LPWSTR>(kPrinter); }

  // DEVMODEs the module wrote: its defaults and a few documents' choices.
  void MakeReals() {
    Bytes defaults(kTotalSize, 0);
    ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(defaults), nullptr, DM_COPY), 1);
    ASSERT_TRUE(IsValid(defaults));
    ASSERT_EQ(HoldsCompactSettings(defaults), GetParam().codecMode == 1);
    reals_.push_back(defaults);
    struct Choice {
      size_t offset;
      uint16_t value;
      uint32_t field;
    } choices[] = {{78, DMPAPER_A4, DM_PAPERSIZE}, {76, DMORIENT_LANDSCAPE, DM_ORIENTATION}, {86, 7, DM_COPIES}};
    for (const Choice& c : choices) {
      Bytes in = defaults;
      PutWord(in, c.offset, c.value);
      PutDword(in, 72, Dword(in, 72) | c.field);
      Bytes out(kTotalSize, 0);
      ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_COPY | DM_IN_BUFFER), 1);
      ASSERT_TRUE(IsValid(out));
      EXPECT_EQ(Word(out, c.offset), c.value) << c.offset;
      reals_.push_back(out);
    }
  }

  size_t Count(size_t cases) const { return cases * static_cast<size_t>(GetParam().percent) / 100; }
  std::vector<DamagedCase> Cases(uint32_t seed, size_t count) { return DamageMaker(seed, reals_).Make(Count(count)); }

  // A valid DEVMODE of this driver: the sizes and versions it writes, the
  // printer's name, its private header, and public fields within the ranges
  // the platform documents.
  ::testing::AssertionResult IsValid(const Bytes& dm, bool mayHaveNoSettings = false) {
    auto fail = [&](const char* what, long value) {
      return ::testing::AssertionFailure() << what << " is " << value;
    };
    if (dm.size() < kTotalSize) return fail("buffer size", static_cast<long>(dm.size()));
    if (Word(dm, 68) != kPublicSize) return fail("dmSize", Word(dm, 68));
    if (Word(dm, 70) != kDriverExtra) return fail("dmDriverExtra", Word(dm, 70));
    if (Word(dm, 64) != 0x0401) return fail("dmSpecVersion", Word(dm, 64));
    if (Word(dm, 66) != 24) return fail("dmDriverVersion", Word(dm, 66));
    if (std::u16string(reinterpret_cast<const char16_t*>(dm.data())) != kPrinter)
      return ::testing::AssertionFailure() << "dmDeviceName is not the printer's";
    if (Word(dm, 220) != kTotalSize) return fail("private size", Word(dm, 220));
    if (Word(dm, 222) != 46) return fail("private header size", Word(dm, 222));
    if (Word(dm, 262) != 4) return fail("format tag", Word(dm, 262));
    if (Word(dm, 268) != kSettingsCapacity) return fail("settings capacity", Word(dm, 268));
    if ((Word(dm, 266) == 0 && !mayHaveNoSettings) || Word(dm, 266) > kSettingsCapacity)
      return fail("settings length", Word(dm, 266));
    if (std::memcmp(&dm[224], "Quarrin 4700\0", 13) != 0)
      return ::testing::AssertionFailure() << "driver tag is not the driver's name";

    const uint32_t fields = Dword(dm, 72);
    if ((fields & DM_ORIENTATION) && Short(dm, 76) != DMORIENT_PORTRAIT && Short(dm, 76) != DMORIENT_LANDSCAPE)
      return fail("dmOrientation", Short(dm, 76));
    if ((fields & DM_PAPERSIZE) && Short(dm, 78) <= 0) return fail("dmPaperSize", Short(dm, 78));
    if ((fields & DM_PAPERLENGTH) && Short(dm, 80) <= 0) return fail("dmPaperLength", Short(dm, 80));
    if ((fields & DM_PAPERWIDTH) && Short(dm, 82) <= 0) return fail("dmPaperWidth", Short(dm, 82));
    if ((fields & DM_SCALE) && Short(dm, 84) <= 0) return fail("dmScale", Short(dm, 84));
    if ((fields & DM_COPIES) && (Short(dm, 86) < 1 || Short(dm, 86) > 999)) return fail("dmCopies", Short(dm, 86));
    if ((fields & DM_DEFAULTSOURCE) && Short(dm, 88) <= 0) return fail("dmDefaultSource", Short(dm, 88));
    if ((fields & DM_PRINTQUALITY) && (Short(dm, 90) == 0 || Short(dm, 90) < -4))
      return fail("dmPrintQuality", Short(dm, 90));
    if ((fields & DM_COLOR) && Short(dm, 92) != 1 && Short(dm, 92) != 2) return fail("dmColor", Short(dm, 92));
    if ((fields & DM_DUPLEX) && (Short(dm, 94) < 1 || Short(dm, 94) > 3)) return fail("dmDuplex", Short(dm, 94));
    if ((fields & DM_YRESOLUTION) && Short(dm, 96) <= 0) return fail("dmYResolution", Short(dm, 96));
    if ((fields & DM_TTOPTION) && (Short(dm, 98) < 1 || Short(dm, 98) > 4)) return fail("dmTTOption", Short(dm, 98));
    if ((fields & DM_COLLATE) && Short(dm, 100) != 0 && Short(dm, 100) != 1) return fail("dmCollate", Short(dm, 100));
    return ::testing::AssertionSuccess();
  }

  // Valid, and taken again: converted once more (and taken as the input of
  // DrvDocumentProperties) it keeps every public field and private header
  // word, and after that conversion it stays the same byte for byte. (The
  // first restore may give the settings' objects serial numbers where the
  // driver's defaults hold none, which changes the compressed bytes but not
  // the settings.) Each distinct DEVMODE is checked once.
  ::testing::AssertionResult IsValidAndStable(const Bytes& dm, bool mayHaveNoSettings = false) {
    ::testing::AssertionResult valid = IsValid(dm, mayHaveNoSettings);
    if (!valid) return valid;
    Bytes own(dm.begin(), dm.begin() + kTotalSize);
    if (!stable_.insert(own).second) return ::testing::AssertionSuccess();
    Bytes again = reals_.front();
    if (!Reconvert(own, again)) return ::testing::AssertionFailure() << "the module refuses its own DEVMODE";
    if (!SameFields(own, again)) return ::testing::AssertionFailure() << "converted again, the fields change" << Difference(own, again);
    if (!IsValid(again, mayHaveNoSettings))
      return ::testing::AssertionFailure() << "converted again: " << IsValid(again, mayHaveNoSettings).message();
    // (Without settings, the first conversion gives the defaults, which
    // their own first restore may renumber in turn.)
    Bytes third = reals_.front();
    if (!Reconvert(again, third) || !SameFields(again, third) || (!mayHaveNoSettings && third != again))
      return ::testing::AssertionFailure() << "converted twice, the DEVMODE still changes" << Difference(again, third);
    std::u16string error;
    if (!Printable(own, &error)) return ::testing::AssertionFailure() << "the spooler's check refuses it: " << w32test::Utf16ToUtf8(error.data(), error.size());
    Bytes viaProperties(kTotalSize, 0);
    if (properties_(nullptr, printer_, Name(), AsDevMode(viaProperties), AsDevMode(own), DM_COPY | DM_IN_BUFFER) != 1)
      return ::testing::AssertionFailure() << "DrvDocumentProperties refuses the module's own DEVMODE";
    if (!SameFields(own, viaProperties))
      return ::testing::AssertionFailure() << "taken as input, the fields change" << Difference(own, viaProperties);
    return ::testing::AssertionSuccess();
  }

  // DevQueryPrintEx: whether a job with the DEVMODE can print; the reason
  // when not.
  bool Printable(Bytes& dm, std::u16string* reason) {
    std::vector<char16_t> text(257, u'#');
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    info.Level = 1;
    info.hPrinter = printer_;
    info.pDevMode = AsDevMode(dm);
    info.pszErrorStr = text.data();
    info.cchErrorStr = 256;
    const BOOL ok = query_(&info);
    if (!ok) *reason = std::u16string(text.data(), std::find(text.begin(), text.end(), u'\0') - text.begin());
    return ok == TRUE;
  }

  bool Reconvert(Bytes& in, Bytes& out) {
    LONG size = kTotalSize;
    return convert_(Name(), AsDevMode(in), AsDevMode(out), &size, CDM_CONVERT) == TRUE && size == kTotalSize;
  }

  // The same public part and private header, but for the settings' length
  // and the version of their form (an older one is written in the current
  // form).
  static bool SameFields(const Bytes& a, const Bytes& b) {
    return std::equal(a.begin(), a.begin() + 264, b.begin()) && std::equal(a.begin() + 268, a.begin() + 270, b.begin() + 268);
  }

  // Where two DEVMODEs of the driver's size first differ.
  static std::string Difference(const Bytes& a, const Bytes& b) {
    for (size_t i = 0; i < kTotalSize; ++i) {
      if (a[i] != b[i])
        return " (first at byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " became " + std::to_string(b[i]) + ")";
    }
    return "";
  }

  // Whether the module takes the DEVMODE as one of its own layout.
  static bool HasDriverLayout(const Bytes& dm) {
    return dm.size() >= kTotalSize && Word(dm, 64) == 0x0401 && Word(dm, 68) == kPublicSize &&
           Word(dm, 70) == kDriverExtra && Word(dm, 220) == kTotalSize && Word(dm, 222) == 46 &&
           Word(dm, 262) == 4 && Word(dm, 268) == kSettingsCapacity;
  }

  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
  DeviceCapabilitiesProc capabilities_ = nullptr;
  DocumentPropertiesProc properties_ = nullptr;
  ConvertDevModeProc convert_ = nullptr;
  DocumentEventProc event_ = nullptr;
  AdvancedPropertiesProc advanced_ = nullptr;
  DevQueryPrintExProc query_ = nullptr;
  std::vector<Bytes> reals_;
  std::set<Bytes> stable_;
};

// Runs each case with its description at hand for failure messages and a
// process exit; stops after a handful of failing cases.
template <class Body>
void ForEachCase(const std::vector<DamagedCase>& cases, Body body) {
  int failing = 0;
  for (const DamagedCase& c : cases) {
    g_currentCase = c.what.c_str();
    SCOPED_TRACE(c.what);
    const int before = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    body(c);
    if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() != before &&
        ++failing >= 5) {
      break;
    }
  }
  g_currentCase = nullptr;
}

constexpr Bytes::value_type kFill = 0xE7;

// ---- DrvConvertDevMode ----

// CDM_CONVERT takes a damaged input only when it has this driver's layout;
// otherwise it fails with ERROR_INVALID_PARAMETER and leaves the output
// alone. What it writes is valid. Besides the generated cases, every byte
// of the private area of a real DEVMODE is inverted in turn.
TEST_P(DamagedDevModeTest, ConvertTakesOnlyItsOwnLayoutAndWritesValidDevModes) {
  std::vector<DamagedCase> cases = Cases(1, 1500);
  for (DamagedCase& c : PrivateSweep(reals_[3], 100 / static_cast<size_t>(GetParam().percent))) cases.push_back(std::move(c));
  ForEachCase(cases, [&](const DamagedCase& c) {
    Bytes in = c.bytes;
    Bytes out = reals_.front();
    LONG size = kTotalSize;
    SetLastError(0);
    const BOOL ok = convert_(Name(), AsDevMode(in), AsDevMode(out), &size, CDM_CONVERT);
    EXPECT_EQ(in, c.bytes) << "the input is not written";
    if (HasDriverLayout(c.bytes)) {
      ASSERT_EQ(ok, TRUE) << GetLastError();
      EXPECT_EQ(size, static_cast<LONG>(kTotalSize));
      EXPECT_TRUE(IsValidAndStable(out));
    } else {
      ASSERT_EQ(ok, FALSE);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
      EXPECT_EQ(out, reals_.front()) << "a refused conversion writes nothing";
    }
  });
}

// A damaged output buffer: CDM_CONVERT refuses one without the driver's
// layout before writing, CDM_DRIVER_DEFAULT does not look at it and fills it
// with the defaults, and the modes that are not served touch nothing.
TEST_P(DamagedDevModeTest, ConvertIntoDamagedOutputBuffers) {
  ForEachCase(Cases(2, 600), [&](const DamagedCase& c) {
    // The caller's size is what the buffer holds, but never less than the
    // whole DEVMODE (a short size is refused before the buffer is seen).
    Bytes out = c.bytes;
    out.resize(std::max(out.size(), kTotalSize), kFill);
    const Bytes before = out;
    Bytes in = reals_[1];
    LONG size = static_cast<LONG>(out.size());
    SetLastError(0);
    const BOOL converted = convert_(Name(), AsDevMode(in), AsDevMode(out), &size, CDM_CONVERT);
    if (HasDriverLayout(before)) {
      ASSERT_EQ(converted, TRUE);
      EXPECT_TRUE(IsValidAndStable(out));
      EXPECT_EQ(Short(out, 78), DMPAPER_A4) << "the input's paper";
    } else {
      ASSERT_EQ(converted, FALSE);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
      EXPECT_EQ(out, before);
    }
    EXPECT_TRUE(std::equal(out.begin() + kTotalSize, out.end(), before.begin() + kTotalSize))
        << "nothing is written past the DEVMODE";

    for (DWORD mode : {CDM_CONVERT351, DWORD{0}, DWORD{3}, DWORD{0x80000000u}}) {
      Bytes untouched = before;
      LONG s = static_cast<LONG>(untouched.size());
      EXPECT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(untouched), &s, mode), FALSE) << mode;
      EXPECT_EQ(untouched, before) << mode;
    }

    Bytes defaults = before;
    size = static_cast<LONG>(defaults.size());
    ASSERT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(defaults), &size, CDM_DRIVER_DEFAULT), TRUE);
    EXPECT_EQ(size, static_cast<LONG>(kTotalSize));
    EXPECT_TRUE(IsValid(defaults));
    EXPECT_TRUE(std::equal(defaults.begin() + kTotalSize, defaults.end(), before.begin() + kTotalSize));
  });
}

// Sizes too small for the DEVMODE are refused with the size needed, and the
// buffer is not written; null arguments are refused.
TEST_P(DamagedDevModeTest, ConvertRefusesShortSizesAndMissingBuffers) {
  Bytes in = reals_[2];
  for (LONG given : {LONG{-1}, LONG{0}, LONG{1}, LONG{75}, LONG{220}, LONG{1171}, LONG{INT32_MIN}}) {
    for (DWORD mode : {CDM_CONVERT, CDM_DRIVER_DEFAULT}) {
      Bytes out(kTotalSize, kFill);
      LONG size = given;
      SetLastError(0);
      EXPECT_EQ(convert_(Name(), AsDevMode(in), AsDevMode(out), &size, mode), FALSE) << given;
      EXPECT_EQ(size, static_cast<LONG>(kTotalSize)) << given;
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << given;
      EXPECT_EQ(out, Bytes(kTotalSize, kFill)) << given;
    }
  }
  Bytes out = reals_.front();
  LONG size = kTotalSize;
  for (int missing = 0; missing < 3; ++missing) {
    SetLastError(0);
    EXPECT_EQ(convert_(Name(), missing == 0 ? nullptr : AsDevMode(in), missing == 1 ? nullptr : AsDevMode(out),
                       missing == 2 ? nullptr : &size, CDM_CONVERT),
              FALSE)
        << missing;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << missing;
  }
  EXPECT_EQ(convert_(Name(), nullptr, nullptr, nullptr, CDM_DRIVER_DEFAULT), FALSE);
  EXPECT_EQ(out, reals_.front());
}

// ---- DrvDocumentProperties ----

// Whatever the input, the copy modes hand out a valid DEVMODE within the
// size the caller was told, and the modes without a copy bit write nothing.
TEST_P(DamagedDevModeTest, DocumentPropertiesHandsOutValidDevModes) {
  const DWORD modes[] = {DM_IN_BUFFER | DM_COPY, DM_IN_BUFFER | DM_UPDATE, DM_IN_BUFFER | DM_COPY | DM_UPDATE,
                         DM_IN_BUFFER, DM_COPY, DM_IN_BUFFER | DM_COPY | 0x40, DM_HOST_MARK};
  size_t i = 0;
  ForEachCase(Cases(3, 2200), [&](const DamagedCase& c) {
    const DWORD mode = modes[i++ % std::size(modes)];
    SCOPED_TRACE(::testing::Message() << "mode " << mode);
    Bytes in = c.bytes;
    Bytes out(kTotalSize + 32, kFill);
    ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), mode), 1);
    EXPECT_EQ(in, c.bytes) << "the input is not written";
    EXPECT_TRUE(std::all_of(out.begin() + kTotalSize, out.end(), [](uint8_t b) { return b == kFill; }))
        << "nothing is written past the size the caller was told";
    if ((mode & (DM_COPY | DM_UPDATE)) == 0) {
      EXPECT_EQ(out, Bytes(kTotalSize + 32, kFill));
    } else if (mode == DM_HOST_MARK) {
      EXPECT_EQ(Word(out, 68), kPublicSize);
      EXPECT_EQ(Word(out, 70), kDriverExtra);
    } else {
      out.resize(kTotalSize);
      EXPECT_TRUE(IsValidAndStable(out));
    }
  });
}

// An input the module takes as its own keeps its document choices: the
// output asks for what the input asked for where the input was not damaged
// in its public fields.
TEST_P(DamagedDevModeTest, DocumentPropertiesKeepsTheChoicesOfAnUndamagedPublicPart) {
  DamageMaker maker(4, {reals_[1], reals_[2]});
  ForEachCase(maker.Make(Count(600)), [&](const DamagedCase& c) {
    Bytes in = c.bytes;
    Bytes out(kTotalSize, kFill);
    ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_IN_BUFFER | DM_COPY), 1);
    ASSERT_TRUE(IsValidAndStable(out));
    // The public part (through dmCollate) came through unchanged: the paper
    // and orientation asked for are kept, whatever the private area holds.
    if (in.size() >= kPublicSize && Word(in, 68) == kPublicSize &&
        (std::equal(in.begin() + 64, in.begin() + 102, reals_[1].begin() + 64) ||
         std::equal(in.begin() + 64, in.begin() + 102, reals_[2].begin() + 64))) {
      EXPECT_EQ(Short(out, 78), Short(in, 78));
      EXPECT_EQ(Short(out, 76), Short(in, 76));
    }
  });
}

// The document sheet asked for over a damaged DEVMODE (the user presses OK
// or cancels; the advanced sheet): a sheet that ends with OK hands out a
// valid DEVMODE; one that is cancelled, or cannot open (the property-sheet
// bridge of the user interface is not there), says so and writes nothing.
TEST_P(DamagedDevModeTest, ThePromptedSheetHandsOutValidDevModesOrNothing) {
  size_t i = 0;
  ForEachCase(Cases(7, 240), [&](const DamagedCase& c) {
    const size_t kind = i++ % 3;
    Bytes in = c.bytes;
    Bytes out(kTotalSize, kFill);
    LONG r = 0;
    if (kind == 2) {
      SCOPED_TRACE("advanced");
      r = advanced_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in));
      EXPECT_TRUE(r == 0 || r == 1) << r;
    } else {
      const bool cancel = kind == 1;
      SCOPED_TRACE(cancel ? "cancelled" : "OK");
      if (cancel) w32test::QueueSheetResult(CPSUI_CANCEL);
      r = properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_PROMPT | DM_IN_BUFFER | DM_COPY);
      // IDOK, IDCANCEL, or the sheet's failure.
      EXPECT_TRUE(r == 1 || r == 2 || r < 0) << r;
      if (cancel) {
        EXPECT_NE(r, 1);
      }
    }
    EXPECT_EQ(in, c.bytes) << "the input is not written";
    if (r == 1) {
      EXPECT_TRUE(IsValidAndStable(out));
    } else {
      EXPECT_EQ(out, Bytes(kTotalSize, kFill)) << "a sheet that did not end with OK writes nothing";
    }
  });
}

// ---- The printer's own DEVMODE ----

// The DEVMODE the spooler keeps for the printer comes from the registry and
// may be damaged like any other. One of another layout is not taken; one of
// the driver's layout is taken with the words of its layout, its tag and
// the printer's name put back, and with an emptied settings area when its
// settings cannot be read (whoever reads it takes the defaults). The
// module's DEVMODE, the driver's defaults and the paper list still come out
// valid, and the module takes what it hands out again. (The public fields of
// a taken DEVMODE stay as stored; where those were damaged, the layout of
// what comes out is checked.)
TEST_P(DamagedDevModeTest, ADamagedPrinterDevModeStillGivesValidDevModes) {
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE admin = nullptr;
  ASSERT_TRUE(OpenPrinterW(kPrinter, &admin, &all));
  const LONG papers = capabilities_(printer_, Name(), DC_PAPERS, nullptr, nullptr);
  ForEachCase(Cases(9, 400), [&](const DamagedCase& c) {
    Bytes stored = c.bytes;
    if (Word(stored, 68) < 72) PutWord(stored, 68, 72);  // the spooler keeps no shorter one
    stored.resize(std::max(stored.size(), Extent(stored)), 0x3C);
    PRINTER_INFO_2W info{};
    info.pDevMode = AsDevMode(stored);
    ASSERT_TRUE(SetPrinterW(admin, 2, reinterpret_cast<LPBYTE>(&info), 0));
    // Whether the module takes it (its layout) with public fields it wrote.
    bool ownFields = false;
    for (const Bytes& real : reals_) {
      ownFields = ownFields || (stored.size() >= kPublicSize && std::equal(real.begin(), real.begin() + 68, stored.begin()) &&
                                std::equal(real.begin() + 72, real.begin() + kPublicSize, stored.begin() + 72));
    }
    const bool taken = HasDriverLayout(stored);
    // Settings the module cannot read are not handed on: the area comes out
    // empty. Only an intact settings area must come out with settings.
    bool settingsIntact = false;
    for (const Bytes& real : reals_) {
      const size_t end = kSettingsOffset + Word(real, 266);
      settingsIntact = settingsIntact || (stored.size() >= end && Word(stored, 266) == Word(real, 266) &&
                                          std::equal(real.begin() + 262, real.begin() + static_cast<std::ptrdiff_t>(end),
                                                     stored.begin() + 262));
    }

    // Twice: the first load and the fresh object of a second one.
    for (int call = 0; call < 2; ++call) {
      SCOPED_TRACE(call == 0 ? "first load" : "second load");
      Bytes out(kTotalSize, kFill);
      ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_COPY), 1);
      if (!taken || ownFields) {
        EXPECT_TRUE(IsValidAndStable(out, !settingsIntact));
      } else {
        EXPECT_TRUE(HasDriverLayout(out));
        Bytes again = reals_.front();
        EXPECT_TRUE(Reconvert(out, again));
        EXPECT_TRUE(HasDriverLayout(again));
      }
    }
    EXPECT_EQ(capabilities_(printer_, Name(), DC_PAPERS, nullptr, nullptr), papers);
    Bytes defaults(kTotalSize, kFill);
    LONG size = kTotalSize;
    ASSERT_EQ(convert_(Name(), nullptr, AsDevMode(defaults), &size, CDM_DRIVER_DEFAULT), TRUE);
    if (!taken || ownFields) {
      EXPECT_TRUE(IsValid(defaults, !settingsIntact));
    } else {
      EXPECT_TRUE(HasDriverLayout(defaults));
    }
  });
  ClosePrinter(admin);
}

// ---- DevQueryPrintEx ----

// A job's damaged DEVMODE either passes the check or is refused with one of
// the driver's messages, cut to the caller's buffer and terminated there;
// nothing is written past the buffer, and the size needed is given.
TEST_P(DamagedDevModeTest, DevQueryPrintExRefusesWithAMessageInsideTheBuffer) {
  constexpr DWORD kCapacities[] = {256, 8, 1, 0};
  size_t i = 0;
  size_t refused = 0;
  ForEachCase(Cases(8, 1000), [&](const DamagedCase& c) {
    const DWORD capacity = kCapacities[i++ % std::size(kCapacities)];
    SCOPED_TRACE(::testing::Message() << "capacity " << capacity);
    Bytes dm = c.bytes;
    std::vector<char16_t> text(capacity + 4, u'#');
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    info.Level = 1;
    info.hPrinter = printer_;
    info.pDevMode = AsDevMode(dm);
    info.pszErrorStr = text.data();
    info.cchErrorStr = capacity;
    const BOOL ok = query_(&info);
    ASSERT_TRUE(ok == TRUE || ok == FALSE) << ok;
    EXPECT_EQ(dm, c.bytes) << "the DEVMODE is not written";
    EXPECT_TRUE(std::all_of(text.begin() + capacity, text.end(), [](char16_t ch) { return ch == u'#'; }))
        << "written past the caller's buffer";
    if (ok == TRUE) return;
    ++refused;
    bool known = false;
    for (const auto& [id, message] : kMessages) known = known || info.cchNeeded == message.size() + 1;
    EXPECT_TRUE(known) << "needed " << info.cchNeeded;
    if (capacity == 0) return;
    const auto end = std::find(text.begin(), text.begin() + capacity, u'\0');
    ASSERT_NE(end, text.begin() + capacity) << "the message is not terminated inside the buffer";
    const std::u16string shown(text.begin(), end);
    bool prefix = false;
    for (const auto& [id, message] : kMessages) prefix = prefix || message.compare(0, shown.size(), shown) == 0;
    EXPECT_TRUE(prefix) << w32test::Utf16ToUtf8(shown.data(), shown.size());
    EXPECT_EQ(shown.size(), std::min<size_t>(info.cchNeeded - 1, capacity - 1));
  });
  EXPECT_GT(refused, Count(1000) / 8) << "damaged DEVMODEs are refused";
}

// ---- DrvDeviceCapabilities ----

struct ListCapability {
  WORD index;
  size_t entrySize;  // bytes per entry
};
constexpr ListCapability kLists[] = {
    {DC_PAPERS, 2}, {DC_PAPERSIZE, 8}, {DC_BINS, 2}, {DC_BINNAMES, 48}, {DC_ENUMRESOLUTIONS, 8},
    {DC_PAPERNAMES, 128}, {DC_NUP, 4}, {DC_MEDIAREADY, 128},
};
constexpr WORD kScalars[] = {DC_FIELDS, DC_MINEXTENT, DC_MAXEXTENT, DC_DUPLEX, DC_SIZE,   DC_EXTRA,
                             DC_VERSION, DC_DRIVER,  DC_ORIENTATION, DC_COPIES, DC_COLLATE};

// Lists are counted and filled alike and never run past the count; the
// description of the DEVMODE the module holds after a damaged one stays
// that of its own DEVMODE; the private record keeps its size.
TEST_P(DamagedDevModeTest, DeviceCapabilitiesAnswerWithinTheirListsWhateverTheDevMode) {
  const LONG papers = capabilities_(printer_, Name(), DC_PAPERS, nullptr, nullptr);
  ASSERT_GT(papers, 0);
  size_t i = 0;
  ForEachCase(Cases(5, 700), [&](const DamagedCase& c) {
    Bytes dm = c.bytes;
    const ListCapability& list = kLists[i % std::size(kLists)];
    const WORD scalar = kScalars[i % std::size(kScalars)];
    ++i;

    const LONG count = capabilities_(printer_, Name(), list.index, nullptr, AsDevMode(dm));
    ASSERT_GE(count, 0) << list.index;
    ASSERT_LT(count, 4096) << list.index;
    Bytes output((static_cast<size_t>(count) + 1) * list.entrySize, kFill);
    EXPECT_EQ(capabilities_(printer_, Name(), list.index, output.data(), AsDevMode(dm)), count) << list.index;
    EXPECT_TRUE(std::all_of(output.end() - static_cast<std::ptrdiff_t>(list.entrySize), output.end(),
                            [](uint8_t b) { return b == kFill; }))
        << "capability " << list.index << " wrote past its " << count << " entries";
    if (list.index == DC_PAPERS) {
      EXPECT_EQ(count, papers);
    }

    const LONG answer = capabilities_(printer_, Name(), scalar, nullptr, AsDevMode(dm));
    switch (scalar) {
      case DC_SIZE: EXPECT_EQ(answer, static_cast<LONG>(kPublicSize)); break;
      case DC_EXTRA: EXPECT_EQ(answer, static_cast<LONG>(kDriverExtra)); break;
      case DC_VERSION: EXPECT_EQ(answer, 0x0401); break;
      case DC_DRIVER: EXPECT_EQ(answer, 24); break;
      case DC_COPIES: EXPECT_EQ(answer, 999); break;
      case DC_ORIENTATION: EXPECT_TRUE(answer == 0 || answer == 90 || answer == 270) << answer; break;
      case DC_DUPLEX:
      case DC_COLLATE: EXPECT_TRUE(answer == 0 || answer == 1) << answer; break;
      case DC_MINEXTENT:
      case DC_MAXEXTENT: {
        // The smallest custom size is not larger than the largest (both
        // are 0 where the settings carry no resolution).
        const auto smallest = static_cast<uint32_t>(capabilities_(printer_, Name(), DC_MINEXTENT, nullptr, AsDevMode(dm)));
        const auto largest = static_cast<uint32_t>(capabilities_(printer_, Name(), DC_MAXEXTENT, nullptr, AsDevMode(dm)));
        EXPECT_LE(smallest & 0xFFFF, largest & 0xFFFF);
        EXPECT_LE(smallest >> 16, largest >> 16);
        break;
      }
      default: EXPECT_GE(answer, -1) << scalar; break;
    }
    if (i % 16 == 0) {
      Bytes record(1539, kFill);
      EXPECT_EQ(capabilities_(printer_, Name(), DC_PRIVATE, record.data(), AsDevMode(dm)), 1538);
      EXPECT_EQ(record[1538], kFill);
    }
    EXPECT_EQ(dm, c.bytes) << "the DEVMODE is not written";
  });
}

// ---- DrvDocumentEvent ----

// Create-DC and reset-DC with a damaged DEVMODE: the copy handed to the
// graphics engine spans exactly what the DEVMODE says (no byte more is read)
// and differs only by the stamp; the post events and delete-DC answer, and
// later events still reach the driver object.
TEST_P(DamagedDevModeTest, DocumentEventsCopyDamagedDevModesWithinTheirExtent) {
  HDC dc = w32test::CreateRecordingDC();
  size_t i = 0;
  ForEachCase(Cases(6, 800), [&](const DamagedCase& c) {
    Bytes dm = c.bytes;
    const bool informationContext = i++ % 3 == 0;
    void* createIn[4] = {nullptr, nullptr, dm.data(), informationContext ? dc : nullptr};
    void* copy = nullptr;
    ASSERT_EQ(event_(printer_, dc, kCreateDcPre, sizeof createIn, createIn, sizeof copy, &copy), 1);
    ASSERT_NE(copy, nullptr);
    const size_t extent = Extent(dm);
    const auto* copied = static_cast<const uint8_t*>(copy);
    for (size_t b = 0; b < extent; ++b) {
      const bool stamped = !informationContext && b >= 256 && b < 262;
      if (!stamped && copied[b] != dm[b]) {
        ADD_FAILURE() << "the copy differs at " << b;
        break;
      }
    }
    void* postIn[1] = {copy};
    const INT post = event_(printer_, dc, kCreateDcPost, sizeof postIn, postIn, 0, nullptr);
    EXPECT_TRUE(post == 1 || post == -1) << post;

    void* resetIn[1] = {dm.data()};
    copy = nullptr;
    ASSERT_EQ(event_(printer_, dc, kResetDcPre, sizeof resetIn, resetIn, sizeof copy, &copy), 1);
    ASSERT_NE(copy, nullptr);
    void* resetPostIn[1] = {copy};
    const INT resetPost = event_(printer_, dc, kResetDcPost, sizeof resetPostIn, resetPostIn, 0, nullptr);
    EXPECT_TRUE(resetPost == 1 || resetPost == -1) << resetPost;
    EXPECT_EQ(event_(printer_, dc, kDeleteDc, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(dm, c.bytes) << "the DEVMODE is not written";
  });
  // The driver object still serves the printer as before.
  Bytes out(kTotalSize, 0);
  EXPECT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_COPY), 1);
  EXPECT_TRUE(IsValid(out));
  EXPECT_EQ(w32test::OpenPrinterCount(), 1u) << "only the test's own printer handle is open";
}

// ---- Form names, custom sizes and the printer's DEVMODE ----

// Applications and the spooler name the form of every job: a name of a form
// the spooler knows (built-in or added) passes DevQueryPrintEx; only a name
// that names no form is refused, with the paper message.
TEST_P(DamagedDevModeTest, DevQueryPrintExTakesTheNamesOfTheSpoolersForms) {
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE admin = nullptr;
  ASSERT_TRUE(OpenPrinterW(kPrinter, &admin, &all));
  FORM_INFO_1W form{};
  std::u16string added = u"Index Card 4x6";
  form.Flags = FORM_USER;
  form.pName = added.data();
  form.Size = {101600, 152400};
  form.ImageableArea = {0, 0, 101600, 152400};
  ASSERT_TRUE(AddFormW(admin, 1, reinterpret_cast<LPBYTE>(&form)));
  ClosePrinter(admin);
  struct Case {
    const char16_t* name;
    bool printable;
  } cases[] = {{u"Letter", true}, {u"A4", true}, {u"legal", true}, {u"Index Card 4x6", true},
               {u"No Such Form", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(w32test::Utf16ToUtf8(c.name, std::char_traits<char16_t>::length(c.name)));
    Bytes dm = reals_.front();
    std::fill(dm.begin() + 102, dm.begin() + 166, 0);
    std::copy(c.name, c.name + std::char_traits<char16_t>::length(c.name), reinterpret_cast<char16_t*>(&dm[102]));
    PutDword(dm, 72, Dword(dm, 72) | DM_FORMNAME);
    std::u16string reason;
    EXPECT_EQ(Printable(dm, &reason), c.printable);
    if (!c.printable) EXPECT_EQ(reason, kMessages.at(12003));
  }
}

// A custom paper size outside the printer's custom-size range, or without a
// width and length, never comes out as such: the size is brought into the
// range, or the default paper is given.
TEST_P(DamagedDevModeTest, CustomSizesComeOutInsideTheRange) {
  struct Case {
    const char* name;
    int16_t width;
    int16_t length;
    bool sized;  // DM_PAPERWIDTH and DM_PAPERLENGTH set
  } cases[] = {{"negative width", -5, 1500, true},  {"zero size", 0, 0, true},     {"no size", 0, 0, false},
               {"too large", 9000, 9000, true},     {"too small", 10, 10, true},   {"in range", 1500, 2500, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes in = reals_.front();
    PutWord(in, 78, DMPAPER_USER);
    PutWord(in, 82, static_cast<uint16_t>(c.width));
    PutWord(in, 80, static_cast<uint16_t>(c.length));
    uint32_t fields = (Dword(in, 72) | DM_PAPERSIZE) & ~static_cast<uint32_t>(DM_PAPERWIDTH | DM_PAPERLENGTH | DM_FORMNAME);
    if (c.sized) fields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    PutDword(in, 72, fields);
    for (const bool convert : {false, true}) {
      Bytes out(kTotalSize, 0);
      if (convert) {
        out = reals_.front();
        ASSERT_TRUE(Reconvert(in, out));
      } else {
        ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), AsDevMode(in), DM_COPY | DM_IN_BUFFER), 1);
      }
      EXPECT_TRUE(IsValidAndStable(out));
      if (Short(out, 78) == DMPAPER_USER) {
        EXPECT_EQ(Dword(out, 72) & (DM_PAPERWIDTH | DM_PAPERLENGTH), static_cast<uint32_t>(DM_PAPERWIDTH | DM_PAPERLENGTH));
        // The sample's range: 3 x 5 to 8.5 x 14 inches, in tenths of a millimetre.
        EXPECT_GE(Short(out, 82), 762);
        EXPECT_LE(Short(out, 82), 2159);
        EXPECT_GE(Short(out, 80), 1270);
        EXPECT_LE(Short(out, 80), 3556);
        if (std::string(c.name) == "in range") {
          EXPECT_EQ(Short(out, 82), 1500);
          EXPECT_EQ(Short(out, 80), 2500);
        }
      } else {
        EXPECT_EQ(Short(out, 78), DMPAPER_LETTER) << "the default paper";
      }
      std::u16string reason;
      EXPECT_TRUE(Printable(out, &reason)) << w32test::Utf16ToUtf8(reason.data(), reason.size());
    }
  }
}

// The printer's DEVMODE is handed out as every job's default: one whose
// settings length is wrong, whose dmCopies is 0 or which sets fields the
// driver does not handle is not handed on. The module falls back, repairs
// the printer's copy, and what it hands out is valid, a fixed point of
// conversion, with dmCopies as its settings say.
TEST_P(DamagedDevModeTest, ADamagedPrinterDevModeIsRepairedNotHandedOn) {
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE admin = nullptr;
  ASSERT_TRUE(OpenPrinterW(kPrinter, &admin, &all));
  const Bytes good = reals_[3];  // 7 copies
  ASSERT_EQ(Short(good, 86), 7);
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"settings length past its stream", [](Bytes& b) { PutWord(b, 266, static_cast<uint16_t>(Word(b, 266) + 100)); }},
      {"settings length short of its stream", [](Bytes& b) { PutWord(b, 266, static_cast<uint16_t>(Word(b, 266) - 10)); }},
      {"copies 0", [](Bytes& b) { PutWord(b, 86, 0); }},
      {"undefined fields", [](Bytes& b) { PutDword(b, 72, Dword(b, 72) | 0x00000010 | 0x40000000); }},
      {"copies 0 and undefined fields", [](Bytes& b) { PutWord(b, 86, 0); PutDword(b, 72, Dword(b, 72) | 0x00200000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stored = good;
    c.damage(stored);
    PRINTER_INFO_2W info{};
    info.pDevMode = AsDevMode(stored);
    ASSERT_TRUE(SetPrinterW(admin, 2, reinterpret_cast<LPBYTE>(&info), 0));
    Bytes out(kTotalSize, kFill);
    ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(out), nullptr, DM_COPY), 1);
    EXPECT_TRUE(IsValidAndStable(out));
    EXPECT_EQ(Dword(out, 72) & ~kHandledFields, 0u) << "only the fields the driver handles";
    if (Dword(out, 72) & DM_COPIES) EXPECT_GE(Short(out, 86), 1);
    // The settings area is one whole zlib stream of its stored length.
    std::vector<uint8_t> inflated(4096);
    uLongf size = static_cast<uLongf>(inflated.size());
    EXPECT_EQ(uncompress(inflated.data(), &size, &out[kSettingsOffset], Word(out, 266)), Z_OK);
    // CDM_DRIVER_DEFAULT hands out the same.
    Bytes defaults(kTotalSize, kFill);
    LONG needed = kTotalSize;
    ASSERT_EQ(convert_(Name(), nullptr, AsDevMode(defaults), &needed, CDM_DRIVER_DEFAULT), TRUE);
    EXPECT_TRUE(IsValidAndStable(defaults));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 262, defaults.begin()));
    // The printer keeps the repaired copy.
    const Bytes kept = w32test::PrinterDevMode(kPrinter);
    ASSERT_GE(kept.size(), kTotalSize);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 262, kept.begin()));
  }
  ClosePrinter(admin);
}

INSTANTIATE_TEST_SUITE_P(Framing, DamagedDevModeTest, ::testing::Values(CodecVariant{0, 100}));
INSTANTIATE_TEST_SUITE_P(Compact, DamagedDevModeTest, ::testing::Values(CodecVariant{1, 25}));

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
