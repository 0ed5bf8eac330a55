// Add-on peripherals: the proxy that loads an add-on module, creates its
// peripheral through the module's create entry, passes commands to it and
// gives it back through the destroy entry; and the composite that puts the
// proxies of its add-on list in front of its children for one job. The
// add-on modules are fakes in the stand-in's module table.
#include "printpath/GPeripheralProxy.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GStringAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPrinter.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingChannel.h"
#include "support/RecordingPeripheral.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

// What the fake add-ons saw and did, in order: "<module>:create",
// "<module>:<command class>", "<module>:destroy".
struct AddOnTrace {
  std::vector<std::string> events;
  // Objects created and not yet destroyed through the destroy entry.
  std::set<const GPeripheral*> live;
  // A page start gets this status back as an error command (0: none).
  uint16_t failPageStart = 0;
  // Objects the destroy entry was given that its module did not create.
  int foreign = 0;
};

AddOnTrace& Trace() {
  static AddOnTrace trace;
  return trace;
}

// The add-on object: records every command it is sent under its module's
// tag and passes it on (or fails a page start when told to).
class TracingAddOn : public GPeripheral {
 public:
  explicit TracingAddOn(std::string tag) : tag_(std::move(tag)) {}
  TracingAddOn* CreateSameKind() const override { return new TracingAddOn(tag_); }
  TracingAddOn* Clone() const override { return new TracingAddOn(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
  GCountedPtr Send(GCommand* command) override {
    Trace().events.push_back(tag_ + ":" + std::to_string(command->ClassId()));
    if (command->ClassId() == GPageStartClassId && Trace().failPageStart != 0)
      return GCountedPtr(new GErrorCommand(Trace().failPageStart, command));
    return GCountedPtr(command);
  }
  const std::string& Tag() const { return tag_; }

 private:
  std::string tag_;
};

template <int N>
struct FakeAddOnModule {
  static std::string Tag() { return "addon" + std::to_string(N); }
  static GPeripheral* Create(const uint32_t* words) {
    EXPECT_EQ(words[0], 0u);
    EXPECT_EQ(words[1], 0u);
    Trace().events.push_back(Tag() + ":create");
    auto* made = new TracingAddOn(Tag());
    Trace().live.insert(made);
    return made;
  }
  static int32_t Destroy(GPeripheral* const* object) {
    if (Trace().live.erase(*object) == 0) ++Trace().foreign;
    Trace().events.push_back(Tag() + ":destroy");
    delete *object;
    return 1;
  }
};

// Installs the fake module N under the name with the entries of one kind.
template <int N>
void InstallFakeAddOn(const std::u16string& name, const char* create, const char* destroy) {
  w32test::ModuleSpec spec;
  spec.name = name;
  spec.exports[create] = w32test::Export(&FakeAddOnModule<N>::Create);
  spec.exports[destroy] = w32test::Export(&FakeAddOnModule<N>::Destroy);
  w32test::InstallModule(spec);
}

class AddOnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    Trace() = AddOnTrace();
    InstallFakeAddOn<1>(u"first.dll", "_C_PCL_ADDON", "_D_PCL_ADDON");
    InstallFakeAddOn<2>(u"second.dll", "_C_PCL_ADDON", "_D_PCL_ADDON");
    InstallFakeAddOn<3>(u"pjlonly.dll", "_C_PJL_ADDON", "_D_PJL_ADDON");
  }
  void TearDown() override { w32test::Reset(); }

  static DWORD Loads(const char16_t* name) { return w32test::ModuleLoadCount(name); }
  static std::vector<std::string> Events() { return Trace().events; }
};

TEST(AddOnEntryNamesTest, FollowTheKind) {
  const struct {
    int32_t kind;
    const char16_t* create;
    const char16_t* destroy;
  } cases[] = {
      {0, u"_C_GENERIC_ADDON", u"_D_GENERIC_ADDON"}, {1, u"_C_PCLXL_ADDON", u"_D_PCLXL_ADDON"},
      {2, u"_C_PCL_ADDON", u"_D_PCL_ADDON"},         {3, u"_C_PS_ADDON", u"_D_PS_ADDON"},
      {4, u"_C_PJL_ADDON", u"_D_PJL_ADDON"},         {5, u"", u""},
      {6, u"", u""},                                 {-1, u"", u""},
  };
  for (const auto& c : cases) {
    GPeripheralProxy proxy(RWWString(u"none.dll"), c.kind, kAddOnsPerCommand);
    EXPECT_EQ(proxy.GetCreateEntry(), RWWString(c.create)) << c.kind;
    EXPECT_EQ(proxy.GetDestroyEntry(), RWWString(c.destroy)) << c.kind;
  }
}

TEST(AddOnProxyClassTest, IsRegisteredAndKnowsItsKinds) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(779));
  auto* proxy = dynamic_cast<GPeripheralProxy*>(made.get());
  ASSERT_NE(proxy, nullptr);
  for (RWClassID id : {779, 760, 753, 751}) EXPECT_TRUE(proxy->DerivesFrom(id)) << id;
  EXPECT_EQ(proxy->GetKind(), kAddOnNone);
  EXPECT_EQ(proxy->GetMode(), kNoAddOns);
  EXPECT_EQ(proxy->IsLoaded(), 0);
}

TEST_F(AddOnTest, ModeOneCreatesAtOnceForwardsAndGivesTheObjectBack) {
  {
    GPeripheralProxy proxy(RWWString(u"first.dll"), kAddOnPcl, kAddOnsWhenCreated);
    EXPECT_EQ(proxy.IsLoaded(), 1);
    EXPECT_EQ(Loads(u"first.dll"), 1u);
    GCountedPtr sent(new GPageStart);
    GCountedPtr result = proxy.Send(static_cast<GCommand*>(sent.Pointee()));
    EXPECT_EQ(result.Pointee(), sent.Pointee()) << "the add-on's answer comes back";
  }
  EXPECT_EQ(Events(), (std::vector<std::string>{"addon1:create", "addon1:709", "addon1:destroy"}));
  EXPECT_EQ(Trace().live.size(), 0u);
  EXPECT_EQ(Trace().foreign, 0) << "the destroy entry got the object its module made";
  EXPECT_EQ(Loads(u"first.dll"), 0u) << "the module is freed";
}

TEST_F(AddOnTest, ModeZeroMakesAFreshObjectForEachCommand) {
  GPeripheralProxy proxy(RWWString(u"first.dll"), kAddOnPcl, kAddOnsPerCommand);
  EXPECT_EQ(proxy.IsLoaded(), 0);
  GCountedPtr one(new GPageStart);
  GCountedPtr two(new GPageEnd);
  proxy.Send(static_cast<GCommand*>(one.Pointee()));
  EXPECT_EQ(Trace().live.size(), 0u) << "destroyed before Send returned";
  proxy.Send(static_cast<GCommand*>(two.Pointee()));
  EXPECT_EQ(Events(), (std::vector<std::string>{"addon1:create", "addon1:709", "addon1:destroy", "addon1:create",
                                                "addon1:710", "addon1:destroy"}));
  EXPECT_EQ(Loads(u"first.dll"), 0u);
}

TEST_F(AddOnTest, NoObjectWithoutModuleEntryOrKnownKind) {
  const struct {
    const char16_t* module;
    int32_t kind;
  } cases[] = {
      {u"missing.dll", kAddOnPcl},  // the module is not there
      {u"pjlonly.dll", kAddOnPcl},  // only another kind's entries
      {u"first.dll", kAddOnNone},   // a kind without entry names
  };
  for (const auto& c : cases) {
    GPeripheralProxy proxy(RWWString(c.module), c.kind, kAddOnsWhenCreated);
    EXPECT_EQ(proxy.IsLoaded(), 0);
    GCountedPtr sent(new GPageStart);
    EXPECT_EQ(proxy.Send(static_cast<GCommand*>(sent.Pointee())).Pointee(), sent.Pointee())
        << "a proxy without add-on passes the command on";
  }
  EXPECT_TRUE(Events().empty());
}

TEST_F(AddOnTest, ProxiesOfDifferentModulesDifferAndCopiesShareTheObject) {
  GPeripheralProxy first(RWWString(u"missing-a.dll"), kAddOnPcl, kAddOnsWhenCreated);
  GPeripheralProxy second(RWWString(u"missing-b.dll"), kAddOnPcl, kAddOnsWhenCreated);
  EXPECT_EQ(first.Matches(&second), 0);
  EXPECT_EQ(first.Matches(&first), 1);

  auto original = std::make_unique<GPeripheralProxy>(RWWString(u"first.dll"), kAddOnPcl, kAddOnsWhenCreated);
  {
    GPeripheralProxy copy(*original);
    EXPECT_EQ(copy.GetAddOn(), original->GetAddOn());
    EXPECT_EQ(copy.Matches(original.get()), 1);
  }
  EXPECT_EQ(original->IsLoaded(), 1) << "the copy's end leaves the original's add-on alone";
  EXPECT_EQ(Trace().live.size(), 1u) << "the shared object is still alive";
  original.reset();
  EXPECT_EQ(Trace().live.size(), 0u) << "the original object went back to its module";
  EXPECT_EQ(Loads(u"first.dll"), 0u);
}

TEST_F(AddOnTest, StoredProxyComesBackWithAnAddOnOfItsOwn) {
  // Stored without an object (mode 0 holds none between commands).
  GPeripheralProxy proxy(RWWString(u"first.dll"), kAddOnPcl, kAddOnsPerCommand);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&proxy, form);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    std::unique_ptr<MPersistentObject> restored(read.object);
    EXPECT_FALSE(read.failed);
    auto* back = dynamic_cast<GPeripheralProxy*>(restored.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetCreateEntry(), RWWString(u"_C_PCL_ADDON"));
    EXPECT_EQ(back->GetKind(), kAddOnPcl);
    EXPECT_EQ(back->GetMode(), kAddOnsPerCommand);
    EXPECT_EQ(back->GetLibrary().GetPath(), RWWString(u"first.dll"));
    ASSERT_EQ(back->IsLoaded(), 1) << "the module made a new add-on for the restored proxy";
  }
  EXPECT_EQ(Trace().live.size(), 0u);
}

// A composite with two own children and an add-on list of the two fake
// modules in its configuration.
struct AddOnComposite {
  explicit AddOnComposite(int32_t mode) {
    auto* configuration = new GConfiguration(198);
    auto* list = new GAttributeComposite(&kList);
    list->AddChild(new GStringAttribute("first.dll", &kName));
    list->AddChild(new GStringAttribute("second.dll", &kName));
    configuration->AddChild(list);
    composite = std::make_unique<GPeripheralComposite>("Stage", nullptr, configuration, &kStage, kList, kAddOnPcl,
                                                        mode);
    ownA = new qvtest::RecordingPeripheral(&kOwnA);
    ownB = new qvtest::RecordingPeripheral(&kOwnB);
    composite->AddChild(ownA);
    composite->AddChild(ownB);
  }
  std::vector<RWClassID> ChildClasses() const {
    std::vector<RWClassID> classes;
    for (size_t i = 0; i < composite->ChildCount(); ++i) classes.push_back(composite->ChildAt(i)->ClassId());
    return classes;
  }
  GCountedPtr Send(GCommand* command) {
    GCountedPtr held(command);
    return composite->Send(command);
  }

  static constexpr int32_t kList = 64;
  static constexpr int32_t kName = 65;
  static constexpr int32_t kStage = 700;
  static constexpr int32_t kOwnA = 701;
  static constexpr int32_t kOwnB = 702;
  std::unique_ptr<GPeripheralComposite> composite;
  qvtest::RecordingPeripheral* ownA;
  qvtest::RecordingPeripheral* ownB;
};

TEST_F(AddOnTest, AJobRunsThroughTheAddOnsInFrontOfTheOwnChildren) {
  AddOnComposite stage(kAddOnsWhenCreated);
  stage.Send(new GDocumentStart);
  ASSERT_EQ(stage.composite->ChildCount(), 4u);
  EXPECT_EQ(stage.ChildClasses(), (std::vector<RWClassID>{779, 779, stage.ownA->ClassId(), stage.ownB->ClassId()}));
  EXPECT_EQ(static_cast<GPeripheralProxy*>(stage.composite->ChildAt(0))->GetLibrary().GetPath(),
            RWWString(u"first.dll"));
  EXPECT_EQ(stage.composite->ActiveCount(), 4u);
  stage.Send(new GPageStart);
  stage.Send(new GDocumentEnd);

  EXPECT_EQ(Events(), (std::vector<std::string>{"addon1:create", "addon2:create", "addon1:705", "addon2:705",
                                                "addon1:709", "addon2:709", "addon1:706", "addon2:706",
                                                "addon1:destroy", "addon2:destroy"}));
  EXPECT_EQ(stage.ownA->Operations(), (std::vector<std::string>{"DocumentStart", "PageStart", "DocumentEnd"}));
  ASSERT_EQ(stage.composite->ChildCount(), 2u) << "no proxy is left after the document end";
  EXPECT_EQ(stage.composite->ChildAt(0), stage.ownA);
  EXPECT_EQ(stage.composite->ChildAt(1), stage.ownB);
  EXPECT_EQ(stage.composite->ActiveCount(), 0u);
  EXPECT_EQ(Trace().live.size(), 0u);
  EXPECT_EQ(Trace().foreign, 0);
  EXPECT_EQ(Loads(u"first.dll") + Loads(u"second.dll"), 0u);
}

TEST_F(AddOnTest, AJobAbortTakesTheAddOnsOutAndASecondJobLoadsThemAgain) {
  AddOnComposite stage(kAddOnsWhenCreated);
  stage.Send(new GDocumentStart);
  stage.Send(new GJobAbort);
  EXPECT_EQ(stage.composite->ChildCount(), 2u);
  EXPECT_EQ(Trace().live.size(), 0u);
  stage.Send(new GDocumentStart);
  EXPECT_EQ(stage.composite->ChildCount(), 4u) << "one pair of proxies per job, not one more each time";
  stage.Send(new GDocumentEnd);
  EXPECT_EQ(stage.composite->ChildCount(), 2u);
  EXPECT_EQ(Trace().live.size(), 0u);
}

TEST_F(AddOnTest, AnAddOnErrorStopsTheCommandBeforeTheOwnChildren) {
  AddOnComposite stage(kAddOnsWhenCreated);
  stage.Send(new GDocumentStart);
  Trace().failPageStart = 7;
  GCountedPtr result = stage.Send(new GPageStart);
  auto* error = dynamic_cast<GErrorCommand*>(result.Pointee());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetStatus(), 7);
  EXPECT_EQ(stage.ownA->Operations(), (std::vector<std::string>{"DocumentStart"}));
  stage.Send(new GJobAbort);
  EXPECT_EQ(Trace().live.size(), 0u);
}

TEST_F(AddOnTest, CompositesWithoutAddOnsInsertNothing) {
  // Mode 2 never looks at the list; mode 0 builds proxies that hold no
  // object after construction, so none is inserted.
  for (int32_t mode : {kNoAddOns, kAddOnsPerCommand}) {
    AddOnComposite stage(mode);
    stage.Send(new GDocumentStart);
    EXPECT_EQ(stage.composite->ChildCount(), 2u) << mode;
    stage.Send(new GDocumentEnd);
  }
  EXPECT_EQ(Trace().live.size(), 0u);
  EXPECT_EQ(Loads(u"first.dll"), 0u);
}

// The printer inserts its generator's add-ons and then passes the document
// start to the generator, whose own send would insert them again: each
// add-on must see every command once.
TEST_F(AddOnTest, AGeneratorUnderThePrinterGetsOneSetOfAddOnsPerJob) {
  qvtest::RecordingSource source;
  AddOnComposite stage(kAddOnsWhenCreated);
  stage.composite->SetFeatureId(GFeatureIds::kGeneratorPeripheral);
  GPrinter printer(&GFeatureIds::kDeviceEntry);
  printer.AddChild(stage.composite.release());
  auto send = [&](GCommand* command) {
    GCountedPtr held(command);
    return printer.Send(command);
  };
  send(new GDocumentStart);
  auto* generator = dynamic_cast<GPeripheralComposite*>(printer.FindById(GFeatureIds::kGeneratorPeripheral));
  ASSERT_NE(generator, nullptr);
  EXPECT_EQ(generator->ChildCount(), 4u);
  send(new GDocumentEnd);
  EXPECT_EQ(Events(), (std::vector<std::string>{"addon1:create", "addon2:create", "addon1:705", "addon2:705",
                                                "addon1:706", "addon2:706", "addon1:destroy", "addon2:destroy"}));
  EXPECT_EQ(generator->ChildCount(), 2u);
  EXPECT_EQ(Trace().live.size(), 0u);
}

}  // namespace
