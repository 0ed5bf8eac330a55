// Settings larger than a first guess at their size through the module's
// exports: a device model whose document settings serialise to several
// times the sample's (which still fit the private area once compressed)
// gives DEVMODEs that carry them, through DrvConvertDevMode and
// DrvDocumentProperties alike; settings that cannot fit the area even
// compressed are refused. Stock zlib reads the private area the module
// wrote.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/DriverClasses.h"
#include "driver/GSettingValue.h"
#include "graphics/GraphicsClasses.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWPersistence.h"
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

constexpr size_t kTotalSize = 1172;
constexpr size_t kSettingsOffset = 270;
constexpr size_t kSettingsCapacity = 902;
constexpr DWORD DM_COPY = 2, DM_IN_BUFFER = 8;
constexpr DWORD CDM_CONVERT = 1, CDM_DRIVER_DEFAULT = 4;
// Feature ids no part of the driver reads, for the added settings.
constexpr int32_t kFirstExtraId = 31000;

using Bytes = std::vector<uint8_t>;
using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using ConvertDevModeProc = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);

uint16_t Word(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
DEVMODEW* AsDevMode(Bytes& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

// The settings bytes of a DEVMODE's private area, inflated by zlib; empty
// when the area holds none or zlib refuses them.
Bytes InflatedSettings(const Bytes& dm) {
  const size_t length = Word(dm, 266);
  if (length == 0 || length > kSettingsCapacity) return {};
  Bytes plain(1 << 16);
  uLongf size = plain.size();
  if (uncompress(plain.data(), &size, dm.data() + kSettingsOffset, length) != Z_OK) return {};
  plain.resize(size);
  return plain;
}

// The sample model with `count` more settings in the configuration group
// that the document settings are made from: values that repeat (they pack
// well) or random ones (they do not).
std::string ModelWithExtraSettings(int count, bool random) {
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
  const std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
  std::stringbuf in(model, std::ios_base::in | std::ios_base::binary);
  RWBinaryInStream reader(&in);
  MPersistentObject* root = nullptr;
  MPersistentObject::ReadPersistentObject(reader, root);
  if (root == nullptr) return {};
  std::unique_ptr<MPersistentObject> owned(root);
  // The printer (76) of the device model (353) holds the configuration, and
  // its group 359 becomes the root of the document settings.
  auto* printer = dynamic_cast<GPeripheral*>(GSettingValue::Find(GSettingValue::Find(root, 353), 76));
  GConfiguration* configuration = printer != nullptr ? printer->GetConfiguration() : nullptr;
  auto* group = dynamic_cast<GAttributeComposite*>(GSettingValue::Find(configuration, 359));
  if (group == nullptr) return {};
  std::mt19937 generator(5);
  for (int i = 0; i < count; ++i) {
    const int32_t id = kFirstExtraId + (random ? static_cast<int32_t>(generator() % 30000) * 32 + i % 32 : i);
    const int16_t value = random ? static_cast<int16_t>(generator()) : static_cast<int16_t>(i % 4);
    group->AddChild(new GValueAttribute(value, &id));
  }
  std::stringbuf out(std::ios_base::out | std::ios_base::binary);
  RWBinaryOutStream writer(&out);
  RWWriteObjectPointer(writer, root);
  writer.Flush();
  return writer.Good() ? out.str() : std::string();
}

class LargeSettingsDevModeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  // Loads the module on the model and opens the printer.
  void Load(const std::string& model) {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    ASSERT_GT(model.size(), 100u);
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = kDriver;
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    w32test::AddPrinter(setup);
    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module, kModulePath));
    properties_ = loaded_.Symbol<DocumentPropertiesProc>("DrvDocumentProperties");
    convert_ = loaded_.Symbol<ConvertDevModeProc>("DrvConvertDevMode");
    ASSERT_TRUE(properties_ && convert_);
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, nullptr));
  }

  LPWSTR Name() { return const_cast<LPWSTR>(kPrinter); }

  qvtest::LoadedModule loaded_;
  HANDLE printer_ = nullptr;
  DocumentPropertiesProc properties_ = nullptr;
  ConvertDevModeProc convert_ = nullptr;
};

// Ten times the sample's settings, well past the first 4 KB of staging, and
// still a few hundred bytes compressed.
TEST_F(LargeSettingsDevModeTest, SettingsLargerThanTheFirstStagingComeThroughEveryExport) {
  ASSERT_NO_FATAL_FAILURE(Load(ModelWithExtraSettings(130, false)));

  Bytes defaults(kTotalSize, 0);
  LONG size = static_cast<LONG>(defaults.size());
  ASSERT_EQ(convert_(Name(), nullptr, AsDevMode(defaults), &size, CDM_DRIVER_DEFAULT), TRUE);
  EXPECT_EQ(size, static_cast<LONG>(kTotalSize));
  const Bytes settings = InflatedSettings(defaults);
  ASSERT_GT(settings.size(), 4096u) << "the settings do not exceed the first staging";

  // The document settings as an application gets them, and again from the
  // DEVMODE it passes back: the same settings bytes each time.
  Bytes copied(kTotalSize, 0);
  ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(copied), nullptr, DM_COPY), 1);
  EXPECT_EQ(InflatedSettings(copied), settings);
  Bytes again(kTotalSize, 0);
  ASSERT_EQ(properties_(nullptr, printer_, Name(), AsDevMode(again), AsDevMode(copied), DM_IN_BUFFER | DM_COPY), 1);
  EXPECT_EQ(InflatedSettings(again), settings);

  Bytes converted = defaults;
  size = static_cast<LONG>(converted.size());
  ASSERT_EQ(convert_(Name(), AsDevMode(copied), AsDevMode(converted), &size, CDM_CONVERT), TRUE);
  // The conversion applies the public fields to the settings again, which
  // may change a setting (the quality mode): all of the settings, and
  // converted once more, the same bytes.
  const Bytes convertedSettings = InflatedSettings(converted);
  EXPECT_GT(convertedSettings.size(), 4096u);
  Bytes twice = defaults;
  size = static_cast<LONG>(twice.size());
  ASSERT_EQ(convert_(Name(), AsDevMode(converted), AsDevMode(twice), &size, CDM_CONVERT), TRUE);
  EXPECT_EQ(twice, converted);
}

// Settings that do not pack into the private area even compressed are
// refused: the conversion to the driver's defaults answers FALSE rather
// than a DEVMODE without them, and so does the copy an application asks
// for; each says why in the last error and leaves the caller's buffer alone.
TEST_F(LargeSettingsDevModeTest, SettingsThatCannotFitTheAreaCompressedAreRefused) {
  ASSERT_NO_FATAL_FAILURE(Load(ModelWithExtraSettings(400, true)));
  const Bytes untouched(kTotalSize, 0x5A);
  Bytes defaults = untouched;
  LONG size = static_cast<LONG>(defaults.size());
  SetLastError(0);
  EXPECT_EQ(convert_(Name(), nullptr, AsDevMode(defaults), &size, CDM_DRIVER_DEFAULT), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(defaults, untouched);

  Bytes copied = untouched;
  SetLastError(0);
  EXPECT_LT(properties_(nullptr, printer_, Name(), AsDevMode(copied), nullptr, DM_COPY), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(copied, untouched);
  // Asked again, the answer is the same: the refusal leaves nothing behind
  // that a later call would hand out.
  EXPECT_LT(properties_(nullptr, printer_, Name(), AsDevMode(copied), nullptr, DM_COPY), 0);
  EXPECT_EQ(copied, untouched);
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
