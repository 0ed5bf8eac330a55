// The printer peripheral: its defaults, its look-up of the PJL and generator
// children, and its stored body.
#include "printpath/GPrinter.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::ModelFormName;

using GFeatureIds::kDeviceEntry;
const int32_t kOther = 700;

TEST(GPrinterTest, IsRegisteredWithItsDefaults) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(761));
  auto* printer = dynamic_cast<GPrinter*>(made.get());
  ASSERT_NE(printer, nullptr);
  for (RWClassID id : {761, 770, 760, 753, 751}) EXPECT_TRUE(printer->DerivesFrom(id)) << id;
  EXPECT_EQ(printer->GetPrinterMode(), 2);
  EXPECT_EQ(printer->GetPjlChild(), nullptr);
  EXPECT_EQ(printer->GetGeneratorChild(), nullptr);

  GPrinter full("Printer", nullptr, nullptr, &kDeviceEntry);
  EXPECT_EQ(full.FeatureId(), kDeviceEntry);
  EXPECT_EQ(full.GetAddOnListId(), 0);
  EXPECT_EQ(full.GetAddOnKind(), 6);
  EXPECT_EQ(full.GetAddOnMode(), 2);
  EXPECT_EQ(full.GetPrinterMode(), 2);
}

TEST(GPrinterTest, FindsItsChildrenByFeatureIdAfterEveryChange) {
  GPrinter printer(&kDeviceEntry);
  auto* pjl = new GPeripheralComposite(&GFeatureIds::kPjlPeripheral);
  auto* generator = new GPeripheralComposite(&GFeatureIds::kGeneratorPeripheral);
  printer.AddChild(new GPeripheralComposite(&kOther));
  printer.AddChild(pjl);
  printer.AddChild(generator);
  EXPECT_EQ(printer.GetPjlChild(), pjl);
  EXPECT_EQ(printer.GetGeneratorChild(), generator);
  delete printer.RemoveChildById(GFeatureIds::kGeneratorPeripheral);
  EXPECT_EQ(printer.GetGeneratorChild(), nullptr);
  EXPECT_EQ(printer.GetPjlChild(), pjl);
  // A change made past the printer, on its list, is seen too.
  delete printer.AsComposite()->RemoveChildById(GFeatureIds::kPjlPeripheral);
  EXPECT_EQ(printer.GetPjlChild(), nullptr);
}

TEST(GPrinterTest, MatchesComparesThePeripheralPartAndThePrinterMode) {
  GPrinter a(&kDeviceEntry);
  GPrinter b(&kDeviceEntry);
  EXPECT_TRUE(a.Matches(&b));
  b.SetPrinterMode(1);
  EXPECT_FALSE(a.Matches(&b));
  GPeripheralComposite composite(&kDeviceEntry);
  EXPECT_FALSE(a.Matches(&composite));
  EXPECT_FALSE(composite.Matches(&a));
}

TEST(GPrinterTest, RoundTripsWithItsModeAndChildren) {
  GPrinter printer("Printer", nullptr, nullptr, &kDeviceEntry);
  printer.SetPrinterMode(7);
  printer.AddChild(new GPeripheralComposite(&GFeatureIds::kPjlPeripheral));
  printer.AddChild(new GPeripheralComposite(&GFeatureIds::kGeneratorPeripheral));
  qvtest::ExpectRoundTripsInAllForms(printer);
  qvtest::ExpectStoredByteCountIsWritten(printer);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&printer, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GPrinter*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetPrinterMode(), 7);
    ASSERT_NE(restored->GetPjlChild(), nullptr);
    EXPECT_EQ(restored->GetPjlChild()->FeatureId(), GFeatureIds::kPjlPeripheral);
    ASSERT_NE(restored->GetGeneratorChild(), nullptr);
    EXPECT_EQ(restored->GetGeneratorChild()->ObserverAt(0), restored);
  }
}

}  // namespace
