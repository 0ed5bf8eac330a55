// The printer as the device model stores it: a GPrinter whose children are
// a PJL peripheral and a generator, all sharing the printer's states, kept
// as the device entry of the model. It must come back as the same tree.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GPJL.h"
#include "pdl/cheetah.h"
#include "printpath/GPrinter.h"
#include "support/ModelRoundTrip.h"
#include "support/GeneratorTestClasses.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::ModelFormName;

const int32_t kDeviceEntry = 76;
const int32_t kModelRoot = 359;
const int32_t kLanguageName = 373;
const int32_t kPrinterTreeCopies = 247;
const int32_t kModelName = 956;

// Printer, PJL child and generator child; the three share one current and
// one default state, as the printer arranges for its children.
std::unique_ptr<GPrinter> MakePrinter() {
  auto* configuration = new GConfiguration(198);
  configuration->AddChild(new GStringAttribute("Model 7", &kModelName));
  auto printer = std::make_unique<GPrinter>("Printer", nullptr, configuration, &kDeviceEntry);
  printer->SetPrinterMode(1);
  auto* pjl = new GPJL(&GPjlPeripheralId);
  pjl->SetName("PJL");
  auto* generator = new qvtest::TestCheetah(&GGeneratorPeripheralId);
  generator->SetName("PCLXL");
  generator->Populate();
  generator->GetCurrentState()->AddChild(new GStringAttribute("PCLXL", &kLanguageName));
  printer->AddChild(pjl);
  printer->AddChild(generator);

  auto* current = new GState;
  current->AddChild(new GState(&GJobSettingsId));
  current->AddChild(new GStringAttribute("PCLXL", &kLanguageName));
  auto* defaults = new GState;
  defaults->AddChild(new GValueAttribute(1, &kPrinterTreeCopies));
  for (GPeripheral* peripheral : {static_cast<GPeripheral*>(printer.get()), static_cast<GPeripheral*>(pjl),
                                  static_cast<GPeripheral*>(generator)}) {
    peripheral->GPeripheral::SetCurrentState(current);
    peripheral->GPeripheral::SetDefaultState(defaults);
  }
  return printer;
}

void ExpectSameTree(GPrinter& restored, const GPrinter& original) {
  EXPECT_TRUE(restored.Matches(&original));
  EXPECT_EQ(restored.GetPrinterMode(), 1);
  EXPECT_EQ(restored.Name(), RWCString("Printer"));
  ASSERT_EQ(restored.ChildCount(), 2u);
  auto* pjl = dynamic_cast<GPJL*>(restored.GetPjlChild());
  auto* generator = dynamic_cast<GCheetah*>(restored.GetGeneratorChild());
  ASSERT_NE(pjl, nullptr);
  ASSERT_NE(generator, nullptr);
  EXPECT_EQ(restored.ChildAt(0), pjl);
  EXPECT_EQ(restored.ChildAt(1), generator);
  EXPECT_EQ(pjl->Name(), RWCString("PJL"));
  EXPECT_EQ(generator->Name(), RWCString("PCLXL"));
  EXPECT_EQ(generator->GetXResolution(), 1200);
  EXPECT_EQ(generator->GetWriteStatus(), 601);
  // One current and one default state, shared by the three.
  GState* current = restored.GetCurrentState();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(pjl->GetCurrentState(), current);
  EXPECT_EQ(generator->GetCurrentState(), current);
  EXPECT_EQ(pjl->GetDefaultState(), restored.GetDefaultState());
  EXPECT_EQ(current->FindById(kLanguageName) != nullptr, true);
  EXPECT_TRUE(current->Matches(original.GetCurrentState()));
  // Each child observes only the printer that holds it.
  for (GPeripheral* child : {static_cast<GPeripheral*>(pjl), static_cast<GPeripheral*>(generator)}) {
    ASSERT_EQ(child->ObserverCount(), 1u);
    EXPECT_EQ(child->ObserverAt(0), &restored);
  }
  // The generator's own state part and configuration came back too.
  EXPECT_TRUE(generator->Matches(original.ChildAt(1)));
  EXPECT_TRUE(pjl->Matches(original.ChildAt(0)));
  ASSERT_NE(restored.GetConfiguration(), nullptr);
  EXPECT_NE(restored.GetConfiguration()->FindById(kModelName), nullptr);
}

TEST(PrinterTreeTest, APrinterWithItsPjlAndGeneratorChildrenRestoresAsThatTree) {
  std::unique_ptr<GPrinter> printer = MakePrinter();
  qvtest::ExpectStoredByteCountIsWritten(*printer);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(printer.get(), form), form);
    EXPECT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GPrinter*>(read.object);
    ASSERT_NE(restored, nullptr);
    ExpectSameTree(*restored, *printer);
  }
}

TEST(PrinterTreeTest, ThePrinterRestoresAsTheDeviceEntryOfTheModel) {
  GAttributeComposite model(&kModelRoot);
  model.AddChild(new GValueAttribute(3, &kPrinterTreeCopies));
  model.AddChild(MakePrinter().release());
  qvtest::ExpectRoundTripsInAllForms(model);
  qvtest::ExpectStoredByteCountIsWritten(model);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&model, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    ASSERT_NE(read.object, nullptr);
    auto* printer = dynamic_cast<GPrinter*>(read.object->FindById(kDeviceEntry));
    ASSERT_NE(printer, nullptr);
    ExpectSameTree(*printer, *static_cast<GPrinter*>(model.FindById(kDeviceEntry)));
  }
}

TEST(PrinterTreeTest, EveryTruncationOfTheTreeFailsCleanly) {
  std::unique_ptr<GPrinter> printer = MakePrinter();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(printer.get(), form);
    // The binary forms at every cut, the text form in steps.
    const size_t step = form == ModelForm::kPortableText ? 11 : (form == ModelForm::kFile ? 1 : 3);
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
}

}  // namespace
