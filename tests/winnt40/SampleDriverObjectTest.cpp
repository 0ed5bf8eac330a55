// The driver object on the sample device model: it opens on the driver's
// data file as the driver server fills it, and its document settings go
// into the DEVMODE and come back out of it.
#include <gtest/gtest.h>

#ifdef QV_SAMPLE_MODEL_FILE

#include <fstream>
#include <iterator>

#include "graphics/GraphicsClasses.h"
#include "model/GFeatureIds.h"
#include "model/GPersistInStream.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "support/DriverObjectTestSupport.h"
#include "winnt40/GNT40PrinterDevMode.h"

namespace qvdrv {
namespace {

class SampleDriverObjectTest : public DriverObjectTest {
 protected:
  static void SetUpTestSuite() {
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
  }
  static void TearDownTestSuite() {
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
  }

  // A driver object filled from the data file as the driver server fills it.
  GNT40Driver* OpenOnSample(const char16_t* driverName = u"Quarrin 4700 Series") {
    std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_GT(bytes.size(), 100u);
    GPersistInStream in(bytes.data(), bytes.size(), 1);
    MPersistentObject* root = nullptr;
    if (in.GetStream() != nullptr) MPersistentObject::ReadPersistentObject(*in.GetStream(), root);
    EXPECT_NE(root, nullptr);
    if (root == nullptr) return nullptr;
    auto* driver = new GNT40Driver(Open(kPrinter, true), RWWString(kPrinter), RWWString(driverName),
                                   RWWString(u"LPT1:"));
    driver->SetDeviceModel(root->RemoveChildById(353));
    driver->SetPaperMappings(root->RemoveChildById(191));
    driver->SetSourceMappings(root->RemoveChildById(84));
    driver->SetCapabilityMappings(root->RemoveChildById(194));
    delete root;
    return driver;
  }
};

TEST_F(SampleDriverObjectTest, SettingsGoThroughTheDevModeAndComeBack) {
  driver_.reset(OpenOnSample());
  ASSERT_NE(driver_, nullptr);
  ASSERT_NE(driver_->GetPrinterConfiguration(), nullptr);
  PutDword(u"DuplexUnitInstalled", 1);  // bound to option 308 by the model

  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  std::unique_ptr<GAttributeComposite> settings(driver_->GetDocumentSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(Get(Child(settings.get(), GFeatureIds::kInstallableOptions), 308), 1);
  EXPECT_EQ(Get(Child(settings.get(), GFeatureIds::kDocumentSettings), GFeatureIds::kPaperSize), 1);
  ASSERT_TRUE(GSettingValue::Set(settings.get(), 291, 3));
  ASSERT_EQ(driver_->SaveSettings(settings.get(), 1), 1);

  // The DEVMODE an application would keep.
  std::vector<BYTE> image(GNT40DriverSettings::kFullDevModeSize);
  ASSERT_EQ(driver_->GetDevModeObject()->CopyTo(reinterpret_cast<DEVMODEW*>(image.data())), 1);
  EXPECT_EQ(reinterpret_cast<DEVMODEW*>(image.data())->dmCopies, 3);

  // Another driver object for the printer takes it back.
  std::unique_ptr<GNT40Driver> other(OpenOnSample());
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->LoadDevMode(reinterpret_cast<DEVMODEW*>(image.data())), 1);
  std::unique_ptr<GAttributeComposite> read(other->GetDocumentSettings());
  EXPECT_EQ(Get(read.get(), 291), 3);
  EXPECT_EQ(Get(Child(read.get(), GFeatureIds::kInstallableOptions), 308), 1);

  RWWString help;
  other->GetHelpFileName(help);
  EXPECT_EQ(Text16(help), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVHLP470.HLP");
}

}  // namespace
}  // namespace qvdrv

#endif  // QV_SAMPLE_MODEL_FILE
