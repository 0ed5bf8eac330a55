// The driver upgrade as the spooler runs it: DrvUpgradePrinter of the loaded
// module over a printer of the sample device model whose stored state an
// older driver left in the portable form. Stored objects are read and
// written as the module keeps them in printer data: a count, then chunks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GraphicsClasses.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "model/GFeatureIds.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GStringAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GValueAttribute.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"
#include "support/LoadedModule.h"
#include "win32/DriverUI.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

#ifdef QV_SAMPLE_MODEL_FILE

namespace {

using namespace GFeatureIds;

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";
// The bytes of one printer-data chunk of a stored object.
constexpr size_t kChunk = 248;
constexpr int kPortable = 0, kBinary = 1;

using UpgradePrinterProc = BOOL (*)(DWORD, DRIVER_UPGRADE_INFO_1*);

GValueAttribute* Value(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }
GStringAttribute* Text(int32_t id, const char* text) { return new GStringAttribute(text, &id); }
GAttributeComposite* Group(int32_t id, std::initializer_list<GAttribute*> children) {
  auto* group = new GAttributeComposite(&id);
  for (GAttribute* child : children) group->AddChild(child);
  return group;
}

class UpgradeExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    ASSERT_NO_FATAL_FAILURE(InstallModelWithQuickSetTemplate());
    qvtest::AddSamplePrinter(kPrinter, kDirectory, kDataFile);
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer_, &all));
    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module_, kModulePath));
    upgrade_ = loaded_.Symbol<UpgradePrinterProc>("DrvUpgradePrinter");
    ASSERT_NE(upgrade_, nullptr);
  }

  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  // The sample device model, its configuration's template 375 made a
  // quick-set template as a model with quick sets has it (the settings a
  // quick set restores: PaperSize, Duplex and Orientation), written
  // as the driver's data file.
  void InstallModelWithQuickSetTemplate() {
    const std::string file = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(file.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    MPersistentObject* restored = nullptr;
    {
      GPersistInStream in(file.data(), file.size(), kBinary);
      ASSERT_NE(in.GetStream(), nullptr);
      MPersistentObject::ReadPersistentObject(*in.GetStream(), restored);
    }
    std::unique_ptr<MPersistentObject> model(restored);
    ASSERT_NE(model, nullptr);
    auto* printer = dynamic_cast<GPeripheral*>(GSettingQuery::FindPath(model.get(), {kDeviceModelRoot, kDeviceEntry}));
    ASSERT_NE(printer, nullptr);
    GConfiguration* configuration = printer->GetConfiguration();
    ASSERT_NE(configuration, nullptr);
    std::unique_ptr<GAttributeComposite> quickSetTemplate(
        Group(kModelEntryList, {Value(kPaperSize, 1), Value(kDuplex, 0), Value(kOrientation, 90)}));
    ASSERT_TRUE(configuration->ReplaceChildById(kModelEntryList, quickSetTemplate.get()));
    std::vector<unsigned char> buffer(file.size() * 2);
    GPersistOutStream out(buffer.data(), buffer.size(), kBinary);
    RWWriteObjectPointer(*out.GetStream(), model.get());
    out.GetStream()->Flush();
    ASSERT_TRUE(out.GetStream()->Good());
    ASSERT_TRUE(w32test::PutFile(kDataFile, std::string(buffer.begin(), buffer.begin() + out.Tell())));
  }

  // Stores object under name as an older driver did: the portable form.
  void StorePortable(const std::u16string& name, const MPersistentObject& object) {
    std::vector<unsigned char> buffer(8192);
    GPersistOutStream out(buffer.data(), buffer.size(), kPortable);
    RWWriteObjectPointer(*out.GetStream(), &object);
    out.GetStream()->Flush();
    ASSERT_TRUE(out.GetStream()->Good());
    const size_t size = static_cast<size_t>(out.Tell());
    DWORD count = 0;
    for (size_t at = 0; at < size || count == 0; at += kChunk, ++count) {
      const std::u16string chunk = name + u":" + std::u16string(1, static_cast<char16_t>(u'0' + count));
      const DWORD n = static_cast<DWORD>(std::min(kChunk, size - at));
      ASSERT_LT(count, 10u);
      ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(chunk.c_str()), REG_BINARY, buffer.data() + at, n),
                static_cast<DWORD>(ERROR_SUCCESS));
    }
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(name.c_str()), REG_DWORD, reinterpret_cast<BYTE*>(&count),
                              sizeof count),
              static_cast<DWORD>(ERROR_SUCCESS));
  }

  // The object stored under name, read back through the framing (the sample
  // model stores its objects that way); null when missing or unreadable.
  std::unique_ptr<MPersistentObject> Stored(const std::u16string& name) {
    DWORD type = 0, count = 0, needed = 0;
    if (GetPrinterDataW(printer_, const_cast<LPWSTR>(name.c_str()), &type, reinterpret_cast<BYTE*>(&count),
                        sizeof count, &needed) != ERROR_SUCCESS ||
        count == 0 || count > 100) {
      ADD_FAILURE() << "no stored count";
      return nullptr;
    }
    std::vector<unsigned char> bytes;
    for (DWORD i = 0; i < count; ++i) {
      const std::u16string chunk = name + u":" + std::u16string(1, static_cast<char16_t>(u'0' + i));
      std::vector<unsigned char> part(kChunk);
      if (i >= 10 || GetPrinterDataW(printer_, const_cast<LPWSTR>(chunk.c_str()), &type, part.data(),
                                     static_cast<DWORD>(part.size()), &needed) != ERROR_SUCCESS) {
        ADD_FAILURE() << "chunk " << i << " missing";
        return nullptr;
      }
      bytes.insert(bytes.end(), part.begin(), part.begin() + needed);
    }
    GPersistInStream in(bytes.data(), bytes.size(), kBinary);
    MPersistentObject* object = nullptr;
    if (in.GetStream() != nullptr) MPersistentObject::ReadPersistentObject(*in.GetStream(), object);
    return std::unique_ptr<MPersistentObject>(object);
  }

  BOOL Upgrade() {
    std::u16string name(kPrinter), old(u"C:\\OLD");
    DRIVER_UPGRADE_INFO_1 info{name.data(), old.data()};
    return upgrade_(1, &info);
  }

  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
  UpgradePrinterProc upgrade_ = nullptr;
};

int16_t ValueOf(MPersistentObject* group, int32_t id) {
  auto* value = dynamic_cast<GValueAttribute*>(group != nullptr ? group->FindById(id) : nullptr);
  return value != nullptr ? value->GetValue() : int16_t{-1};
}

// The upgrade re-encodes the stored installable options and rebuilds the
// shared quick-set pool over the model's template: every user's quick set
// is still there afterwards, in its order, with its own id, its name, its
// owner mark and its values.
TEST_F(UpgradeExportsTest, UsersQuickSetsSurviveTheUpgrade) {
  std::unique_ptr<GAttributeComposite> options(Group(kInstallableOptions, {Value(kDuplexUnit, 1)}));
  StorePortable(u"365", *options);
  struct QuickSet {
    const char* name;
    int16_t paper, duplex, owner;
  } const quickSets[] = {{"Letterhead", 5, 1, 1}, {"Envelopes", 9, 0, 0}, {"Board minutes", 1, 2, 1}};
  std::unique_ptr<GAttributeComposite> pool(Group(kQuickSetPool, {}));
  for (const QuickSet& q : quickSets) {
    pool->AddChild(Group(0, {Value(kPaperSize, q.paper), Value(kDuplex, q.duplex), Text(kModelEntryName, q.name),
                             Value(kQuickSetValue, q.owner)}));
  }
  StorePortable(u"QuicksetPool", *pool);

  // Only the options are stored, so the upgrade does not count as migrated
  // (its answer); the quick-set pool is re-encoded all the same.
  Upgrade();

  std::unique_ptr<MPersistentObject> stored = Stored(u"QuicksetPool");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->FeatureId(), kQuickSetPool);
  auto* converted = dynamic_cast<GAttributeComposite*>(stored.get());
  ASSERT_NE(converted, nullptr);
  ASSERT_EQ(converted->GetEntryCount(), 3) << "a quick set was dropped";
  for (size_t index = 0; index < std::size(quickSets); ++index) {
    const QuickSet& q = quickSets[index];
    SCOPED_TRACE(q.name);
    GAttribute* quickSet = converted->ChildAt(index);
    ASSERT_NE(quickSet, nullptr);
    EXPECT_EQ(quickSet->FeatureId(), 0);
    // The name, owner mark and values are the quick set's own children, not
    // something found deeper in what the template brought.
    auto* label = dynamic_cast<GStringAttribute*>(quickSet->FindById(kModelEntryName));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetString(), RWCString(q.name));
    EXPECT_EQ(ValueOf(quickSet, kQuickSetValue), q.owner);
    EXPECT_EQ(ValueOf(quickSet, kPaperSize), q.paper);
    EXPECT_EQ(ValueOf(quickSet, kDuplex), q.duplex);
    EXPECT_EQ(ValueOf(quickSet, kOrientation), 90) << "what the quick set lacked comes from the template";
  }
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
