// What the tests of the feature handlers with a logic of their own share: a
// fixture with the fake library loaded, a change list, a driver instance
// whose device model holds a printer entry (76) with its configuration, and
// settings roots built from groups of value attributes with the
// preferences' locked-features list.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/GDMCLibrary.h"
#include "support/DriverInstanceTestSupport.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "support/ConfigTestSupport.h"

namespace qvtest {

// The printer entry (76) of a device model, holding the printer
// configuration.
class HandlerTestPrinter : public GPeripheral {
 public:
  HandlerTestPrinter() : GPeripheral(&GFeatureIds::kDeviceEntry) {}
  HandlerTestPrinter* CreateSameKind() const override { return new HandlerTestPrinter; }
  HandlerTestPrinter* Clone() const override { return new HandlerTestPrinter; }
};

using Values = std::vector<std::pair<int32_t, int16_t>>;

class HandlerTest : public ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
    auto* model = new MPersistentComposite(353);
    printer = new HandlerTestPrinter;
    model->AddChild(printer);
    instance.SetDeviceModel(model);
  }

  GConfiguration* Configuration() { return printer->GetConfiguration(); }

  // A root with groups 362, 364 and 365 holding the values given, and the
  // preferences group 366 with an empty locked-features list.
  static std::unique_ptr<GAttributeComposite> Root(Values job, Values job2 = {}, Values options = {}) {
    auto root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(362, std::move(job)));
    root->AddChild(MakeGroup(364, std::move(job2)));
    root->AddChild(MakeGroup(365, std::move(options)));
    GAttributeComposite* preferences = MakeGroup(366);
    preferences->AddChild(MakeGroup(1102));
    root->AddChild(preferences);
    return root;
  }
  static GAttributeComposite* Group(GAttributeComposite* root, int32_t id) {
    return dynamic_cast<GAttributeComposite*>(root->FindById(id));
  }
  static void AddText(GAttributeComposite* root, int32_t group, int32_t id, const char* text) {
    Group(root, group)->AddChild(new GStringAttribute(text, &id));
  }
  static std::string TextOf(GAttributeComposite* root, int32_t group, int32_t id) {
    auto* s = dynamic_cast<GStringAttribute*>(Group(root, group)->FindById(id));
    return s != nullptr ? std::string(s->GetString().Data(), s->GetString().Length()) : std::string("<none>");
  }
  static int16_t Value(GAttributeComposite* root, int32_t group, int32_t id) {
    GValueAttribute* v = ValueIn(root, group, id);
    return v != nullptr ? v->GetValue() : int16_t(-999);
  }
  // The feature ids on the locked-features list.
  static std::vector<int16_t> Locked(GAttributeComposite* root) {
    std::vector<int16_t> out;
    for (const auto& [id, value] : ValuesOf(Group(Group(root, 366), 1102))) {
      EXPECT_EQ(id, 0);
      out.push_back(value);
    }
    return out;
  }
  Values Changes() { return ValuesOf(changes.get()); }
  void ClearRun() {
    changes->RemoveAllChildren();
    FakeDMC().exports.clear();
    FakeDMC().calls.clear();
    FakeDMC().buffers.clear();
  }
  long Calls(const std::string& entry) {
    long n = 0;
    for (const auto& c : FakeDMC().calls) n += c == entry ? 1 : 0;
    return n;
  }

  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> changes;
  TestDriverInstance instance;
  HandlerTestPrinter* printer = nullptr;
};

}  // namespace qvtest
