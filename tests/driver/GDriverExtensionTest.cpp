#include "driver/GDriverExtension.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/ExtensionValues.h"
#include "driver/GDriverInstance.h"
#include "model/GBin.h"
#include "model/GCommandComposite.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPassThroughCommand.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GTray.h"
#include "model/MAssociationList.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/ExtensionTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

void Drop(MPersistentObject* object) {
  if (object != nullptr && object->HolderCount() < 0) delete object;
}

using qvtest::ExtTestCommand;
using qvtest::ExtTestGenerator;
using qvtest::ExtTestPeripheral;
using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

// ---- Tray and bin groups as an extension lays them out ----

struct TrayEntrySpec {
  std::string name;
  int16_t number;
  int16_t pdlCode;
};
struct BinEntrySpec {
  std::string name;
  int16_t number;
  std::string pjlName;
};
template <class EntrySpec>
struct GroupSpec {
  std::string name;
  std::vector<EntrySpec> entries;
  int16_t statedCount = -1;  // -1: the number of entries
};

// Builds consecutive groups (header, then its entries) in aligned storage.
class GroupBuffer {
 public:
  void Build(const std::vector<GroupSpec<TrayEntrySpec>>& groups) {
    Reset(groups.size(), [&] {
      size_t n = 0;
      for (const auto& g : groups) n += g.entries.size();
      return n;
    }());
    for (const auto& g : groups) {
      Header(g.name, g.statedCount >= 0 ? g.statedCount : static_cast<int16_t>(g.entries.size()));
      for (const auto& e : g.entries) {
        new (cursor_) ExtensionTrayEntry{Keep(e.name), e.number, e.pdlCode};
        cursor_ += sizeof(ExtensionTrayEntry);
      }
    }
  }
  void Build(const std::vector<GroupSpec<BinEntrySpec>>& groups) {
    Reset(groups.size(), [&] {
      size_t n = 0;
      for (const auto& g : groups) n += g.entries.size();
      return n;
    }());
    for (const auto& g : groups) {
      Header(g.name, g.statedCount >= 0 ? g.statedCount : static_cast<int16_t>(g.entries.size()));
      for (const auto& e : g.entries) {
        new (cursor_) ExtensionBinEntry{Keep(e.name), e.number, 0, Keep(e.pjlName)};
        cursor_ += sizeof(ExtensionBinEntry);
      }
    }
  }
  void* Data() { return storage_.empty() ? nullptr : storage_.data(); }

 private:
  void Reset(size_t groups, size_t entries) {
    names_.clear();
    storage_.assign((groups * sizeof(ExtensionGroupHeader) + entries * sizeof(ExtensionBinEntry)) / 8 + 1, 0);
    cursor_ = reinterpret_cast<unsigned char*>(storage_.data());
  }
  void Header(const std::string& name, int16_t count) {
    new (cursor_) ExtensionGroupHeader{Keep(name), count, 0};
    cursor_ += sizeof(ExtensionGroupHeader);
  }
  const char* Keep(const std::string& text) {
    names_.push_back(text);
    return names_.back().c_str();
  }
  std::deque<std::string> names_;
  std::vector<uint64_t> storage_;
  unsigned char* cursor_ = nullptr;
};

// ---- The fake extension's registration side ----

struct Registration {
  std::string text0 = "Stacker";
  std::string id = "ext.stacker";
  std::string text80 = "Fabrikam";
  std::string text116 = "1.0";
  std::string module;
  std::string text176 = "Output stacker";
  std::string text216 = "stacker.hlp";
  uint16_t flags = 0;
  int16_t queryAnswer = 0;
  int16_t initAnswer = 0;
  bool withInit = true;
  bool withSettings = false;
  std::string settings;
  GroupBuffer trays;
  int16_t trayCount = 0;
  int16_t trayAnswer = 0;
  GroupBuffer bins;
  int16_t binCount = 0;
  int16_t binAnswer = 0;
  // Seen by the entries.
  int16_t deviceType = -1;
  int installed = 0;
  int removed = 0;
};
Registration g_reg;

void Put(char* field, size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

int16_t RegInit(ExtensionInfoRecord* record, int16_t deviceType) {
  g_reg.deviceType = deviceType;
  Put(record->text0, sizeof record->text0, g_reg.text0);
  Put(record->extensionId, sizeof record->extensionId, g_reg.id);
  Put(record->text80, sizeof record->text80, g_reg.text80);
  record->flags = g_reg.flags;
  Put(record->text116, sizeof record->text116, g_reg.text116);
  Put(record->moduleName, sizeof record->moduleName, g_reg.module);
  Put(record->text176, sizeof record->text176, g_reg.text176);
  Put(record->text216, sizeof record->text216, g_reg.text216);
  return g_reg.initAnswer;
}
int16_t RegTrays(void** groups, int16_t* count, int16_t) {
  *groups = g_reg.trays.Data();
  *count = g_reg.trayCount;
  return g_reg.trayAnswer;
}
int16_t RegBins(void** groups, int16_t* count, int16_t) {
  *groups = g_reg.bins.Data();
  *count = g_reg.binCount;
  return g_reg.binAnswer;
}
void RegInstalled() { ++g_reg.installed; }
void RegRemoved() { ++g_reg.removed; }
int16_t RegSettings(void** data, uint16_t* length) {
  *data = g_reg.settings.data();
  *length = static_cast<uint16_t>(g_reg.settings.size());
  return 0;
}

// The fake extension's runtime side: four modules, one per slot it may get.
struct Runtime {
  int32_t mask = 0;
  int16_t initAnswer = 0;
  std::map<int32_t, std::string> data;  // answered with 0
  std::vector<int32_t> events;
  void* contextSeen = nullptr;
  void* entrySeen = nullptr;
  int frees = 0;
  int ends = 0;
  int16_t valueAnswer = -1;  // of a QVDrv_GetValue for the input bin asked at page start
  int16_t value = -1;
};
Runtime g_rt[4];

template <int N>
int16_t RtInit(void* entry, int32_t* mask, void* context) {
  g_rt[N].entrySeen = entry;
  g_rt[N].contextSeen = context;
  if (g_rt[N].initAnswer == 0) *mask = g_rt[N].mask;
  else *mask = 0x7FFF;  // a failing init may leave anything behind
  return g_rt[N].initAnswer;
}
template <int N>
void RtEnd(void*) {
  ++g_rt[N].ends;
}
template <int N>
int16_t RtEvent(int32_t event, void** data, uint16_t* length, void* context) {
  g_rt[N].events.push_back(event);
  if (event == ExtensionEvent::kPageStart) g_rt[N].valueAnswer = DriverGetValue(110, &g_rt[N].value, context);
  auto it = g_rt[N].data.find(event);
  if (it == g_rt[N].data.end()) return 1;
  char* copy = new char[it->second.size() + 1];
  std::memcpy(copy, it->second.data(), it->second.size() + 1);
  *data = copy;
  *length = static_cast<uint16_t>(it->second.size());
  return 0;
}
template <int N>
void RtFree(void* data, void*) {
  ++g_rt[N].frees;
  delete[] static_cast<char*>(data);
}
template <int N>
int16_t RtQuery(int32_t id, void* table) {
  if (id != kExtensionRuntimeInterface) return 5;
  auto* runtime = static_cast<ExtensionRuntimeTable*>(table);
  runtime->init = &RtInit<N>;
  runtime->end = &RtEnd<N>;
  runtime->event = &RtEvent<N>;
  runtime->free = &RtFree<N>;
  return 0;
}

int16_t RegQuery(int32_t id, void* table) {
  if (id != kExtensionRegistrationInterface) return 5;
  auto* registration = static_cast<ExtensionRegistrationTable*>(table);
  registration->init = g_reg.withInit ? &RegInit : nullptr;
  registration->trayEntry = &RegTrays;
  registration->binEntry = &RegBins;
  registration->installed = &RegInstalled;
  registration->removed = &RegRemoved;
  registration->settings = g_reg.withSettings ? &RegSettings : nullptr;
  // A failing query may have filled the table: the driver must not use it.
  return g_reg.queryAnswer;
}

void InstallModule(const std::u16string& name, FARPROC query) {
  w32test::ModuleSpec spec;
  spec.name = name;
  spec.path = u"C:\\Drivers\\" + name;
  if (query != nullptr) spec.exports["QVExt_QueryInterface"] = query;
  w32test::InstallModule(spec);
}

// ---- The fixture: an instance with a device model and document settings ----

class DriverExtensionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_reg.~Registration();
    new (&g_reg) Registration();
    for (Runtime& rt : g_rt) rt = Runtime();
    factory = std::make_unique<qvtest::ScriptedFactory>();
    services_.Change([&](GUpwardServices& s) { s.factory = factory.get(); });

    auto* root = new MPersistentComposite(353);
    auto* printer = new ExtTestPeripheral(76);
    generator = new ExtTestGenerator(101, 767);
    auto* pjl = new ExtTestPeripheral(106);
    printer->Add(generator);
    printer->Add(pjl);
    root->AddChild(printer);
    instance.SetDeviceModel(root);
    pdlTrayMap = new MAssociationList(85);
    generator->GetConfiguration()->AddChild(pdlTrayMap);
    pjlBinMap = new MAssociationList(93);
    pjl->GetConfiguration()->AddChild(pjlBinMap);
    GAttributeComposite* autoConfiguration = Group(228);
    pool = Group(90);
    autoConfiguration->AddChild(pool);
    printer->GetConfiguration()->AddChild(autoConfiguration);
    instance.SetSourceMappings(new GResourceMappingList(84));

    settings = Group(360);
    options = Group(365);
    options->AddChild(Text(315, ""));
    options->AddChild(Text(316, ""));
    settings->AddChild(options);
    settings->AddChild(Group(367));
    settings->AddChild(Group(368));
    instance.InstallSettings(settings);

    for (const char16_t* name : {u"ext1.dll", u"ext2.dll", u"ext3.dll", u"ext4.dll", u"ext5.dll"})
      InstallModule(name, w32test::Export(&RegQuery));
    InstallModule(u"rt0.dll", w32test::Export(&RtQuery<0>));
    InstallModule(u"rt1.dll", w32test::Export(&RtQuery<1>));
    InstallModule(u"rt2.dll", w32test::Export(&RtQuery<2>));
    InstallModule(u"rt3.dll", w32test::Export(&RtQuery<3>));
    extension = std::make_unique<GDriverExtension>(&instance);
  }
  void TearDown() override {
    extension.reset();
    services_.Restore();
    w32test::Reset();
  }

  GAttributeComposite* Registry() {
    return dynamic_cast<GAttributeComposite*>(settings->FindById(368)->FindById(987));
  }
  GAttributeComposite* SettingsList() {
    return dynamic_cast<GAttributeComposite*>(settings->FindById(367)->FindById(997));
  }
  static RWCString EntryText(MPersistentObject* entry, int32_t id) {
    auto* text = dynamic_cast<GStringAttribute*>(entry->FindById(id));
    return text != nullptr ? text->GetString() : RWCString("<none>");
  }
  static int16_t EntryValue(MPersistentObject* entry, int32_t id) {
    auto* value = dynamic_cast<GValueAttribute*>(entry->FindById(id));
    return value != nullptr ? value->GetValue() : int16_t(-999);
  }
  int16_t Register(const char* module, const std::string& id) {
    g_reg.id = id;
    return extension->LoadExtension(module);
  }
  // A registry entry as a registration writes it.
  static GAttributeComposite* Entry(const char* id, int16_t slot, uint16_t flags, const char* module) {
    GAttributeComposite* entry = Group(0);
    entry->AddChild(Text(988, "Stacker"));
    entry->AddChild(Text(989, id));
    entry->AddChild(Text(990, "Fabrikam"));
    entry->AddChild(Value(996, static_cast<int16_t>(flags)));
    entry->AddChild(Text(991, "1.0"));
    entry->AddChild(Text(992, module));
    entry->AddChild(Text(993, "Output stacker"));
    entry->AddChild(Text(994, "stacker.hlp"));
    entry->AddChild(Value(995, slot));
    return entry;
  }
  static GAttributeComposite* SettingsEntry(const char* text, int16_t slot) {
    GAttributeComposite* entry = Group(0);
    entry->AddChild(Text(998, text));
    entry->AddChild(Value(995, slot));
    return entry;
  }
  template <class T>
  T* Stored(const char16_t* name) {
    MPersistentObject* object = factory->LoadObject(&instance, RWWString(name), 0);
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr) delete object;
    return typed;
  }
  std::vector<GPaperHandlingDevice*> Devices(GAttributeComposite* in, int32_t kind) {
    std::vector<GPaperHandlingDevice*> devices;
    for (int i = 0; in != nullptr && i < in->GetEntryCount(); ++i) {
      auto* device = dynamic_cast<GPaperHandlingDevice*>(in->ChildAt(static_cast<size_t>(i)));
      if (device != nullptr && device->GetKind() == kind) devices.push_back(device);
    }
    return devices;
  }

  qvtest::ScopedUpwardServices services_;
  std::unique_ptr<qvtest::ScriptedFactory> factory;
  qvtest::TestDriverInstance instance;
  ExtTestGenerator* generator = nullptr;
  MAssociationList* pdlTrayMap = nullptr;
  MAssociationList* pjlBinMap = nullptr;
  GAttributeComposite* pool = nullptr;
  GAttributeComposite* settings = nullptr;
  GAttributeComposite* options = nullptr;
  std::unique_ptr<GDriverExtension> extension;
};

// ---- Registration ----

TEST_F(DriverExtensionTest, RegistrationRecordsTheExtensionAndUnloadsItsModule) {
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  EXPECT_EQ(g_reg.deviceType, 12);  // the printer's generator is PCL XL
  EXPECT_EQ(g_reg.installed, 1);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\ext1.dll"), 0u);

  GAttributeComposite* registry = Registry();
  ASSERT_NE(registry, nullptr);
  ASSERT_EQ(registry->GetEntryCount(), 1);
  MPersistentObject* entry = registry->ChildAt(0);
  EXPECT_EQ(EntryText(entry, 988), "Stacker");
  EXPECT_EQ(EntryText(entry, 989), "ext.stacker");
  EXPECT_EQ(EntryText(entry, 990), "Fabrikam");
  EXPECT_EQ(EntryText(entry, 991), "1.0");
  EXPECT_EQ(EntryText(entry, 992), "");
  EXPECT_EQ(EntryText(entry, 993), "Output stacker");
  EXPECT_EQ(EntryText(entry, 994), "stacker.hlp");
  EXPECT_EQ(EntryValue(entry, 996), 0);
  EXPECT_EQ(EntryValue(entry, 995), 0);

  // A PCL 5e printer gives the extension device type 11.
  auto* root = new MPersistentComposite(353);
  auto* printer = new ExtTestPeripheral(76);
  printer->Add(new ExtTestGenerator(101, 788));
  root->AddChild(printer);
  instance.SetDeviceModel(root);
  EXPECT_EQ(Register("ext2.dll", "ext.second"), 0);
  EXPECT_EQ(g_reg.deviceType, 11);
}

TEST_F(DriverExtensionTest, TheInstanceRegistersThroughItsOwnExtension) {
  ASSERT_NE(instance.GetDriverExtension(), nullptr);
  EXPECT_EQ(instance.GetDriverExtension()->GetOwner(), &instance);
  // Extensions are off until the printer configuration enables them.
  EXPECT_EQ(instance.RegisterExtension("ext1.dll", 0), 5);
  auto* model = dynamic_cast<MPersistentComposite*>(instance.GetDeviceModel());
  dynamic_cast<GPeripheral*>(model->FindById(76))->GetConfiguration()->AddChild(Value(984, 1));
  EXPECT_EQ(instance.RegisterExtension("", 0), 1);
  EXPECT_EQ(instance.RegisterExtension("ext1.dll", 0), 0);
  EXPECT_EQ(instance.RegisterExtension("ext2.dll", 0), 13);
  EXPECT_EQ(instance.RegisterExtension("absent.dll", 0), 1);
  EXPECT_EQ(instance.RegisterExtension("ext1.dll", 1), 0);
  EXPECT_EQ(instance.RegisterExtension("ext1.dll", 1), 10);
  EXPECT_EQ(g_reg.installed, 1);
  EXPECT_EQ(g_reg.removed, 1);
}

TEST_F(DriverExtensionTest, MissingModulesAndFailingEntriesAnswerTheirCodes) {
  InstallModule(u"noentry.dll", nullptr);
  EXPECT_EQ(extension->LoadExtension("absent.dll"), 1);
  EXPECT_EQ(extension->LoadExtension("noentry.dll"), 1);
  EXPECT_EQ(extension->LoadExtension(nullptr), 1);
  EXPECT_EQ(extension->RemoveExtension("absent.dll"), 1);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\noentry.dll"), 0u);

  g_reg.queryAnswer = 6;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 6);
  g_reg.queryAnswer = 0;
  g_reg.initAnswer = 3;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 3);
  g_reg.initAnswer = 0;
  // Without an init entry the record stays empty.
  g_reg.withInit = false;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 14);
  EXPECT_EQ(g_reg.installed, 0);
  EXPECT_EQ(Registry(), nullptr);
}

TEST_F(DriverExtensionTest, EveryRequiredTextMustBeGiven) {
  std::string Registration::*const texts[] = {&Registration::text0,   &Registration::id,      &Registration::text80,
                                              &Registration::text116, &Registration::text176, &Registration::text216};
  for (auto text : texts) {
    g_reg.~Registration();
    new (&g_reg) Registration();
    g_reg.*text = "";
    EXPECT_EQ(extension->LoadExtension("ext1.dll"), 14);
  }
  g_reg.~Registration();
  new (&g_reg) Registration();
  g_reg.flags = kExtensionHasRuntimeModule;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 14);
  g_reg.module = "rt0.dll";
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 0);
}

TEST_F(DriverExtensionTest, RepeatedIdsAndAFifthExtensionAreRefused) {
  EXPECT_EQ(Register("ext1.dll", "a"), 0);
  EXPECT_EQ(Register("ext2.dll", "a"), 13);
  EXPECT_EQ(Register("ext2.dll", "b"), 0);
  EXPECT_EQ(Register("ext3.dll", "c"), 0);
  EXPECT_EQ(Register("ext4.dll", "d"), 0);
  EXPECT_EQ(Register("ext5.dll", "e"), 9);
  EXPECT_EQ(Register("ext5.dll", "a"), 9);
  GAttributeComposite* registry = Registry();
  ASSERT_EQ(registry->GetEntryCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(EntryValue(registry->ChildAt(static_cast<size_t>(i)), 995), i);
  EXPECT_EQ(g_reg.installed, 4);
}

TEST_F(DriverExtensionTest, APlaceholderListCountsAsEmpty) {
  GAttributeComposite* list = Group(987);
  GAttributeComposite* placeholder = Group(0);
  placeholder->AddChild(Value(995, 100));
  list->AddChild(placeholder);
  settings->FindById(368)->AddChild(list);
  GAttributeComposite* settingsPlaceholder = Group(997);
  settingsPlaceholder->AddChild(SettingsEntry("", 100));
  settings->FindById(367)->AddChild(settingsPlaceholder);

  g_reg.withSettings = true;
  g_reg.settings = "abc";
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  ASSERT_EQ(Registry()->GetEntryCount(), 1);
  EXPECT_EQ(EntryText(Registry()->ChildAt(0), 989), "ext.stacker");
  EXPECT_EQ(EntryValue(Registry()->ChildAt(0), 995), 0);
  ASSERT_EQ(SettingsList()->GetEntryCount(), 1);
  EXPECT_EQ(EntryText(SettingsList()->ChildAt(0), 998), "abc");
}

TEST_F(DriverExtensionTest, SettingsGoUnderTheExtensionsOwnSlot) {
  EXPECT_EQ(Register("ext1.dll", "first"), 0);  // no settings
  g_reg.withSettings = true;
  g_reg.settings = "duplex=on";
  EXPECT_EQ(Register("ext2.dll", "second"), 0);
  ASSERT_NE(SettingsList(), nullptr);
  ASSERT_EQ(SettingsList()->GetEntryCount(), 1);
  EXPECT_EQ(EntryText(SettingsList()->ChildAt(0), 998), "duplex=on");
  EXPECT_EQ(EntryValue(SettingsList()->ChildAt(0), 995), 1);
}

TEST_F(DriverExtensionTest, TooLongSettingsAreRefusedAndRegisterNothing) {
  g_reg.withSettings = true;
  g_reg.settings = std::string(51, 'x');
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 15);
  EXPECT_EQ(Registry(), nullptr);
  EXPECT_EQ(g_reg.installed, 0);
  g_reg.settings = std::string(50, 'x');
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 0);
  EXPECT_EQ(EntryText(SettingsList()->ChildAt(0), 998).Length(), 50u);
}

// ---- Trays and bins ----

class DriverExtensionMapsTest : public DriverExtensionTest {
 protected:
  void SetUp() override {
    DriverExtensionTest::SetUp();
    g_reg.flags = kExtensionSuppliesTrays | kExtensionSuppliesBins;
    g_reg.trays.Build({{"Big Tray", {{"Upper", 0, 7}, {"Last", 19, 8}, {"Beyond", 20, 9}, {"Negative", -1, 10}}}});
    g_reg.trayCount = 1;
    g_reg.bins.Build({{"Mailbox", {{"Bin A", 0, "OPTIONALOUTBIN1"}, {"Bin Z", 29, "OPTIONALOUTBIN30"},
                                   {"Too far", 30, "X"}, {"Negative", -2, "Y"}}}});
    g_reg.binCount = 1;
  }
  static std::vector<int16_t> TrayNumbers(GPaperHandlingDevice* device) {
    std::vector<int16_t> numbers;
    GAttributeComposite* option = device->GetOption(0);
    for (int i = 0; option != nullptr && i < option->GetEntryCount(); ++i)
      numbers.push_back(dynamic_cast<GTray*>(option->ChildAt(static_cast<size_t>(i)))->GetTrayNumber());
    return numbers;
  }
  static std::vector<int16_t> BinNumbers(GPaperHandlingDevice* device) {
    std::vector<int16_t> numbers;
    GAttributeComposite* option = device->GetOption(0);
    for (int i = 0; option != nullptr && i < option->GetEntryCount(); ++i)
      numbers.push_back(dynamic_cast<GBin*>(option->ChildAt(static_cast<size_t>(i)))->GetBinType());
    return numbers;
  }
  static std::vector<int16_t> Keys(MAssociationList* map) {
    std::vector<int16_t> keys;
    for (int i = 0; map != nullptr && i < map->GetEntryCount(); ++i) {
      auto* association = dynamic_cast<MPersistentAssociation*>(map->Children().Data()[i].Pointee());
      keys.push_back(dynamic_cast<GValueAttribute*>(association->GetKey())->GetValue());
    }
    return keys;
  }
  RWCString OptionText(int32_t id) { return dynamic_cast<GStringAttribute*>(options->FindById(id))->GetString(); }
};

TEST_F(DriverExtensionMapsTest, TraysAndBinsEnterThePoolAndTheStoredMaps) {
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);

  // The pool of the model got one input and one output device.
  auto inputs = Devices(pool, GPaperHandlingDevice::kInputDevice);
  auto outputs = Devices(pool, GPaperHandlingDevice::kOutputDevice);
  ASSERT_EQ(inputs.size(), 1u);
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_EQ(inputs[0]->GetName(), "Big Tray");
  EXPECT_TRUE(inputs[0]->IsInstalled());
  EXPECT_EQ(TrayNumbers(inputs[0]), (std::vector<int16_t>{28, 47}));
  EXPECT_EQ(outputs[0]->GetName(), "Mailbox");
  EXPECT_EQ(BinNumbers(outputs[0]), (std::vector<int16_t>{41, 70}));

  // The source mappings and the PDL and PJL maps.
  GResourceMappingList* sources = instance.GetSourceMappings();
  ASSERT_NE(sources->FindByDeviceCode(28), nullptr);
  EXPECT_EQ(sources->FindByDeviceCode(28)->GetResourceId(), 10550);
  EXPECT_EQ(sources->FindByDeviceCode(28)->GetSystemCode(), 284);
  ASSERT_NE(sources->FindByDeviceCode(47), nullptr);
  EXPECT_EQ(sources->FindByDeviceCode(47)->GetSystemCode(), 303);
  EXPECT_EQ(sources->GetEntryCount(), 2);
  EXPECT_EQ(Keys(pdlTrayMap), (std::vector<int16_t>{28, 47}));
  GValueAttribute key28(28, nullptr);
  EXPECT_EQ(dynamic_cast<GValueAttribute*>(pdlTrayMap->GetValueFor(&key28))->GetValue(), 7);
  EXPECT_EQ(Keys(pjlBinMap), (std::vector<int16_t>{30, 59}));
  GValueAttribute key59(59, nullptr);
  auto* pjlName = dynamic_cast<GSelectionString*>(pjlBinMap->GetValueFor(&key59));
  ASSERT_NE(pjlName, nullptr);
  EXPECT_EQ(pjlName->GetText(), "OPTIONALOUTBIN30");
  EXPECT_EQ(pjlName->GetValue(), 59);

  EXPECT_EQ(OptionText(315), "Big Tray");
  EXPECT_EQ(OptionText(316), "Mailbox");

  // Everything was stored in printer data, and reads back.
  std::unique_ptr<GAttributeComposite> storedPool(Stored<GAttributeComposite>(u"DEKBinPool"));
  std::unique_ptr<GResourceMappingList> storedSources(Stored<GResourceMappingList>(u"DEKOSTrayMap"));
  std::unique_ptr<MAssociationList> storedPdl(Stored<MAssociationList>(u"DEKPDLTrayMap"));
  std::unique_ptr<MAssociationList> storedPjl(Stored<MAssociationList>(u"DEKPJLBinMap"));
  ASSERT_TRUE(storedPool && storedSources && storedPdl && storedPjl);
  EXPECT_EQ(Devices(storedPool.get(), GPaperHandlingDevice::kInputDevice).size(), 1u);
  EXPECT_EQ(storedSources->GetEntryCount(), 2);
  EXPECT_EQ(Keys(storedPdl.get()), (std::vector<int16_t>{28, 47}));
  EXPECT_EQ(Keys(storedPjl.get()), (std::vector<int16_t>{30, 59}));
}

TEST_F(DriverExtensionMapsTest, StoredMapsAreReadBackInPlaceOfTheModel) {
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  // A second extension with another group: the stored pool and maps are
  // the ones extended, the model's stay as the first registration left them.
  g_reg.trays.Build({{"Side Feeder", {{"Side", 3, 11}}}});
  g_reg.bins.Build({{"Finisher", {{"Top", 5, "FINISHER1"}}}});
  ASSERT_EQ(Register("ext2.dll", "ext.second"), 0);

  EXPECT_EQ(Keys(pdlTrayMap), (std::vector<int16_t>{28, 47}));
  EXPECT_EQ(Devices(pool, GPaperHandlingDevice::kInputDevice).size(), 1u);
  std::unique_ptr<GAttributeComposite> storedPool(Stored<GAttributeComposite>(u"DEKBinPool"));
  std::unique_ptr<MAssociationList> storedPdl(Stored<MAssociationList>(u"DEKPDLTrayMap"));
  std::unique_ptr<MAssociationList> storedPjl(Stored<MAssociationList>(u"DEKPJLBinMap"));
  std::unique_ptr<GResourceMappingList> storedSources(Stored<GResourceMappingList>(u"DEKOSTrayMap"));
  ASSERT_TRUE(storedPool && storedPdl && storedPjl && storedSources);
  EXPECT_EQ(Devices(storedPool.get(), GPaperHandlingDevice::kInputDevice).size(), 2u);
  EXPECT_EQ(Devices(storedPool.get(), GPaperHandlingDevice::kOutputDevice).size(), 2u);
  EXPECT_EQ(Keys(storedPdl.get()), (std::vector<int16_t>{28, 47, 31}));
  EXPECT_EQ(Keys(storedPjl.get()), (std::vector<int16_t>{30, 59, 35}));
  EXPECT_NE(storedSources->FindByDeviceCode(31), nullptr);
  // The first group's name stays in the options.
  EXPECT_EQ(OptionText(315), "Big Tray");
}

TEST_F(DriverExtensionMapsTest, DamagedStoredValuesFallBackToTheModel) {
  factory->blobs[u"DEKBinPool"] = {0xFF, 0x13, 0x00, 0x99, 0x01};
  // A readable object of the wrong class in place of a map.
  factory->StoreObject(&instance, RWWString(u"DEKPJLBinMap"), pool);
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  EXPECT_EQ(Devices(pool, GPaperHandlingDevice::kInputDevice).size(), 1u);
  EXPECT_EQ(Keys(pjlBinMap), (std::vector<int16_t>{30, 59}));
}

struct MissingMapCase {
  uint16_t flags;
  bool withPdl;
  bool withPjl;
  int16_t answer;
};

class DriverExtensionMissingMapTest : public DriverExtensionMapsTest,
                                      public ::testing::WithParamInterface<MissingMapCase> {};

TEST_P(DriverExtensionMissingMapTest, MissingMapsAnswerSevenAndEight) {
  const MissingMapCase& c = GetParam();
  if (!c.withPdl) Drop(generator->GetConfiguration()->RemoveChildById(85));
  if (!c.withPjl) {
    auto* model = dynamic_cast<MPersistentComposite*>(instance.GetDeviceModel());
    Drop(dynamic_cast<GPeripheral*>(model->FindById(106))->GetConfiguration()->RemoveChildById(93));
  }
  g_reg.flags = c.flags;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), c.answer);
}

INSTANTIATE_TEST_SUITE_P(Maps, DriverExtensionMissingMapTest,
                         ::testing::Values(MissingMapCase{kExtensionSuppliesTrays, false, true, 7},
                                           MissingMapCase{kExtensionSuppliesBins, true, false, 8},
                                           MissingMapCase{kExtensionSuppliesTrays | kExtensionSuppliesBins, false,
                                                          false, 7},
                                           MissingMapCase{kExtensionSuppliesTrays | kExtensionSuppliesBins, true,
                                                          false, 8},
                                           MissingMapCase{kExtensionSuppliesTrays, true, false, 0},
                                           MissingMapCase{0, false, false, 0}));

TEST_F(DriverExtensionMapsTest, AFailingTrayEntryAnswersItsStatus) {
  g_reg.trayAnswer = 12;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 12);
  EXPECT_TRUE(Devices(pool, GPaperHandlingDevice::kInputDevice).empty());
  // The bins were still added.
  EXPECT_EQ(Devices(pool, GPaperHandlingDevice::kOutputDevice).size(), 1u);
}

TEST_F(DriverExtensionMapsTest, SeveralGroupsFollowOneAnother) {
  g_reg.trays.Build({{"Deck A", {{"A1", 0, 1}, {"A2", 1, 2}}}, {"Deck B", {{"B1", 2, 3}}}});
  g_reg.trayCount = 2;
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  auto inputs = Devices(pool, GPaperHandlingDevice::kInputDevice);
  ASSERT_EQ(inputs.size(), 2u);
  EXPECT_EQ(inputs[0]->GetName(), "Deck A");
  EXPECT_EQ(TrayNumbers(inputs[0]), (std::vector<int16_t>{28, 29}));
  EXPECT_EQ(inputs[1]->GetName(), "Deck B");
  EXPECT_EQ(TrayNumbers(inputs[1]), (std::vector<int16_t>{30}));
}

TEST_F(DriverExtensionMapsTest, UntrustedGroupCountsAreBounded) {
  // A negative group count supplies nothing; a group that claims more
  // entries than the bound is read only as far as the bound, and the walk
  // stops there.
  g_reg.trayCount = -3;
  g_reg.binCount = 1;
  std::vector<BinEntrySpec> many;
  for (int i = 0; i < kMaxGroupEntries; ++i) many.push_back({"bin", static_cast<int16_t>(i % 40), "P"});
  GroupSpec<BinEntrySpec> huge{"Huge", many, 30000};
  g_reg.bins.Build({huge});
  g_reg.binCount = 100;
  EXPECT_EQ(extension->LoadExtension("ext1.dll"), 0);
  EXPECT_TRUE(Devices(pool, GPaperHandlingDevice::kInputDevice).empty());
  auto outputs = Devices(pool, GPaperHandlingDevice::kOutputDevice);
  ASSERT_EQ(outputs.size(), 1u);
  // 64 entries read: numbers 0-39 (30 of them valid) and 0-23.
  EXPECT_EQ(BinNumbers(outputs[0]).size(), 54u);
}

// ---- Removal ----

TEST_F(DriverExtensionTest, RemovalRenumbersTheLaterSlots) {
  g_reg.withSettings = true;
  for (int i = 0; i < 3; ++i) {
    g_reg.settings = "settings " + std::to_string(i);
    ASSERT_EQ(Register(("ext" + std::to_string(i + 1) + ".dll").c_str(), "ext" + std::to_string(i)), 0);
  }
  g_reg.id = "ext1";
  g_reg.settings = "settings 1";
  ASSERT_EQ(extension->RemoveExtension("ext2.dll"), 0);
  EXPECT_EQ(g_reg.removed, 1);
  GAttributeComposite* registry = Registry();
  ASSERT_EQ(registry->GetEntryCount(), 2);
  EXPECT_EQ(EntryText(registry->ChildAt(0), 989), "ext0");
  EXPECT_EQ(EntryValue(registry->ChildAt(0), 995), 0);
  EXPECT_EQ(EntryText(registry->ChildAt(1), 989), "ext2");
  EXPECT_EQ(EntryValue(registry->ChildAt(1), 995), 1);
  GAttributeComposite* list = SettingsList();
  ASSERT_EQ(list->GetEntryCount(), 2);
  EXPECT_EQ(EntryText(list->ChildAt(1), 998), "settings 2");
  EXPECT_EQ(EntryValue(list->ChildAt(1), 995), 1);

  // Removing it again finds nothing.
  EXPECT_EQ(extension->RemoveExtension("ext2.dll"), 10);
  EXPECT_EQ(g_reg.removed, 1);
}

TEST_F(DriverExtensionMapsTest, RemovalTakesTheTraysAndBinsOutAgain) {
  ASSERT_EQ(extension->LoadExtension("ext1.dll"), 0);
  ASSERT_EQ(extension->RemoveExtension("ext1.dll"), 0);
  std::unique_ptr<GAttributeComposite> storedPool(Stored<GAttributeComposite>(u"DEKBinPool"));
  std::unique_ptr<MAssociationList> storedPdl(Stored<MAssociationList>(u"DEKPDLTrayMap"));
  std::unique_ptr<MAssociationList> storedPjl(Stored<MAssociationList>(u"DEKPJLBinMap"));
  std::unique_ptr<GResourceMappingList> storedSources(Stored<GResourceMappingList>(u"DEKOSTrayMap"));
  ASSERT_TRUE(storedPool && storedPdl && storedPjl && storedSources);
  EXPECT_EQ(storedPool->GetEntryCount(), 0);
  EXPECT_EQ(storedPdl->GetEntryCount(), 0);
  EXPECT_EQ(storedPjl->GetEntryCount(), 0);
  EXPECT_EQ(storedSources->GetEntryCount(), 0);
  EXPECT_EQ(OptionText(315), "");
  EXPECT_EQ(OptionText(316), "");
  EXPECT_EQ(Registry()->GetEntryCount(), 0);
}

// ---- The job ----

class DriverExtensionJobTest : public DriverExtensionTest {
 protected:
  void SetUp() override {
    DriverExtensionTest::SetUp();
    registry = Group(987);
    settings->FindById(368)->AddChild(registry);
    settingsList = Group(997);
    settings->FindById(367)->AddChild(settingsList);
  }
  GAttributeComposite* registry = nullptr;
  GAttributeComposite* settingsList = nullptr;
};

TEST_F(DriverExtensionJobTest, AJobStartReachesEveryRegisteredSlotDespiteGaps) {
  // Slots 0 and 2 registered, with entries whose slots are out of range.
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "rt0.dll"));
  registry->AddChild(Entry("bad", -1, kExtensionHasRuntimeModule, "rt1.dll"));
  registry->AddChild(Entry("two", 2, kExtensionHasRuntimeModule, "rt2.dll"));
  registry->AddChild(Entry("seven", 7, kExtensionHasRuntimeModule, "rt3.dll"));
  settingsList->AddChild(SettingsEntry("two's settings", 2));
  settingsList->AddChild(SettingsEntry("out of range", 9));
  g_rt[0].mask = ExtensionEvent::kJobStartPjl | ExtensionEvent::kJobStartPdl;
  g_rt[0].data[ExtensionEvent::kJobStartPjl] = "@PJL SET STACKER=ON";
  g_rt[0].data[ExtensionEvent::kJobStartPdl] = "\x1b%-12345X";
  g_rt[2].mask = ExtensionEvent::kJobStartPjl;
  g_rt[2].data[ExtensionEvent::kJobStartPjl] = "@PJL SET BIN=2";
  int entryMarker = 0;
  services_.Change([&](GUpwardServices& s) { s.extensionInterface = &entryMarker; });
  extension = std::make_unique<GDriverExtension>(&instance);
  services_.Change([](GUpwardServices& s) { s.extensionInterface = nullptr; });

  ExtTestCommand start(705);
  extension->BeginJob(&start);
  EXPECT_EQ(extension->GetCount(), 2);
  EXPECT_EQ(extension->GetInfoBlock()->count, 2);
  EXPECT_NE(extension->GetInfoBlock()->records[0], nullptr);
  EXPECT_EQ(extension->GetInfoBlock()->records[1], nullptr);
  EXPECT_NE(extension->GetInfoBlock()->records[2], nullptr);
  EXPECT_EQ(extension->GetInfoBlock()->settingsTexts[2], "two's settings");
  EXPECT_EQ(g_rt[1].contextSeen, nullptr);
  EXPECT_EQ(g_rt[3].contextSeen, nullptr);
  for (int slot : {0, 2}) {
    EXPECT_EQ(g_rt[slot].contextSeen, extension.get());
    EXPECT_EQ(g_rt[slot].entrySeen, &entryMarker);
  }
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt0.dll"), 1u);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt2.dll"), 1u);

  auto* pjl = dynamic_cast<GAttributeComposite*>(start.GetSettings()->FindById(985));
  ASSERT_NE(pjl, nullptr);
  ASSERT_EQ(pjl->GetEntryCount(), 2);
  EXPECT_EQ(dynamic_cast<GStringAttribute*>(pjl->ChildAt(0))->GetString(), "@PJL SET STACKER=ON");
  EXPECT_EQ(dynamic_cast<GStringAttribute*>(pjl->ChildAt(1))->GetString(), "@PJL SET BIN=2");
  auto* pdl = dynamic_cast<GAttributeComposite*>(start.GetSettings()->FindById(986));
  ASSERT_NE(pdl, nullptr);
  ASSERT_EQ(pdl->GetEntryCount(), 1);
  EXPECT_EQ(dynamic_cast<GStringAttribute*>(pdl->ChildAt(0))->GetString(), "\x1b%-12345X");
  EXPECT_EQ(g_rt[0].frees, 2);
  EXPECT_EQ(g_rt[2].frees, 1);
  // Slot 2 has no PDL event in its mask and was not asked.
  EXPECT_EQ(g_rt[2].events, (std::vector<int32_t>{ExtensionEvent::kJobStartPjl}));

  ExtTestCommand end(706);
  extension->EndJob(&end);
  EXPECT_EQ(g_rt[0].ends, 1);
  EXPECT_EQ(g_rt[2].ends, 1);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt0.dll"), 0u);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt2.dll"), 0u);
  EXPECT_EQ(extension->GetInfoBlock()->records[0], nullptr);
  EXPECT_EQ(end.GetSettings()->FindById(985), nullptr);
}

TEST_F(DriverExtensionJobTest, AFailingRuntimeInitKeepsTheDefaultMask) {
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "rt0.dll"));
  g_rt[0].initAnswer = 4;
  g_rt[0].data[ExtensionEvent::kJobStartPjl] = "ignored";
  ExtTestCommand start(705);
  extension->BeginJob(&start);
  EXPECT_EQ(extension->GetEventMask(0), ExtensionEvent::kDefaultMask);
  EXPECT_TRUE(g_rt[0].events.empty());
  EXPECT_EQ(start.GetSettings()->FindById(985), nullptr);
  ExtTestCommand end(706);
  extension->EndJob(&end);
}

TEST_F(DriverExtensionJobTest, RuntimeModulesOutsideTheDriverDirectoryAreRefused) {
  w32test::ModuleSpec spec;
  spec.name = u"evil.dll";
  spec.path = u"C:\\Other\\evil.dll";
  spec.exports["QVExt_QueryInterface"] = w32test::Export(&RtQuery<1>);
  w32test::InstallModule(spec);
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "..\\Other\\evil.dll"));
  g_rt[1].mask = ExtensionEvent::kJobStartPjl;
  ExtTestCommand start(705);
  extension->BeginJob(&start);
  EXPECT_EQ(g_rt[1].contextSeen, nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Other\\evil.dll"), 0u);
  ExtTestCommand end(706);
  extension->EndJob(&end);
}

TEST_F(DriverExtensionJobTest, JobEndDataGoesToTheEndCommand) {
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "rt0.dll"));
  g_rt[0].mask = ExtensionEvent::kJobEndPjl | ExtensionEvent::kJobEndPdl;
  g_rt[0].data[ExtensionEvent::kJobEndPjl] = "@PJL EOJ";
  g_rt[0].data[ExtensionEvent::kJobEndPdl] = "tail";
  ExtTestCommand start(705);
  extension->BeginJob(&start);
  EXPECT_EQ(start.GetSettings()->FindById(985), nullptr);
  ExtTestCommand end(706);
  extension->EndJob(&end);
  auto* pjl = dynamic_cast<GAttributeComposite*>(end.GetSettings()->FindById(985));
  auto* pdl = dynamic_cast<GAttributeComposite*>(end.GetSettings()->FindById(986));
  ASSERT_TRUE(pjl != nullptr && pdl != nullptr);
  EXPECT_EQ(dynamic_cast<GStringAttribute*>(pjl->ChildAt(0))->GetString(), "@PJL EOJ");
  EXPECT_EQ(dynamic_cast<GStringAttribute*>(pdl->ChildAt(0))->GetString(), "tail");
  EXPECT_EQ(g_rt[0].events,
            (std::vector<int32_t>{ExtensionEvent::kJobEndPjl, ExtensionEvent::kJobEndPdl}));
}

TEST_F(DriverExtensionJobTest, PageStartDataBecomesAPassThroughForTheGenerator) {
  // A PCL 5e printer.
  auto* root = new MPersistentComposite(353);
  auto* printer = new ExtTestPeripheral(76);
  printer->Add(new ExtTestGenerator(101, 788));
  root->AddChild(printer);
  instance.SetDeviceModel(root);
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "rt0.dll"));
  g_rt[0].mask = ExtensionEvent::kPageStart | ExtensionEvent::kPageEndSecondPass;
  g_rt[0].data[ExtensionEvent::kPageStart] = std::string("\x1b&l1H", 5);
  g_rt[0].data[ExtensionEvent::kPageEndSecondPass] = "end";
  ExtTestCommand start(705);
  extension->BeginJob(&start);

  auto* page = new ExtTestCommand(709);
  page->GetSettings()->AddChild(Value(258, 30));  // an extension tray
  std::unique_ptr<GCommand> sent(extension->OnPageStart(page, 0));
  auto* composite = dynamic_cast<GCommandComposite*>(sent.get());
  ASSERT_NE(composite, nullptr);
  ASSERT_EQ(composite->GetEntryCount(), 2);
  EXPECT_EQ(composite->MemberAt(0), page);
  auto* passThrough = dynamic_cast<GPassThroughCommand*>(composite->MemberAt(1));
  ASSERT_NE(passThrough, nullptr);
  EXPECT_EQ(passThrough->GetTargetClassId(), 788);
  EXPECT_TRUE(passThrough->IsDataOwned());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(passThrough->GetData()), passThrough->GetLength()),
            "\x1b&l1H");
  EXPECT_EQ(page->pins, 1);
  EXPECT_EQ(g_rt[0].frees, 1);
  // The extension read a job value through the driver's export during the event.
  EXPECT_EQ(g_rt[0].valueAnswer, 0);
  EXPECT_EQ(g_rt[0].value, 30);

  // Second pass: no page-start data; the page itself goes on.
  ExtTestCommand secondPage(709);
  EXPECT_EQ(extension->OnPageStart(&secondPage, 1), &secondPage);

  // Page end, second pass: the extension's data first, the page last.
  auto* pageEnd = new ExtTestCommand(710);
  std::unique_ptr<GCommand> endSent(extension->OnPageEnd(pageEnd, 1));
  auto* endComposite = dynamic_cast<GCommandComposite*>(endSent.get());
  ASSERT_NE(endComposite, nullptr);
  ASSERT_EQ(endComposite->GetEntryCount(), 2);
  EXPECT_NE(dynamic_cast<GPassThroughCommand*>(endComposite->MemberAt(0)), nullptr);
  EXPECT_EQ(endComposite->MemberAt(1), pageEnd);
  EXPECT_EQ(pageEnd->pins, 1);
  ExtTestCommand firstPassEnd(710);
  EXPECT_EQ(extension->OnPageEnd(&firstPassEnd, 0), &firstPassEnd);
  EXPECT_EQ(firstPassEnd.pins, 0);

  ExtTestCommand end(706);
  extension->EndJob(&end);
}

TEST_F(DriverExtensionJobTest, ExtensionsReadTheirSettingsThroughTheExport) {
  registry->AddChild(Entry("zero", 0, 0, ""));
  registry->AddChild(Entry("one", 1, 0, ""));
  settingsList->AddChild(SettingsEntry("abcdef", 1));
  ExtTestCommand start(705);
  extension->BeginJob(&start);
  void* context = extension.get();

  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, "one", context), 0);
  EXPECT_EQ(std::string(buffer, 7), "abcdef#");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DriverGetExtSettings(buffer, 10, "one", context), 11);
  EXPECT_EQ(std::string(buffer, 7), "abcdef#");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DriverGetExtSettings(buffer, 3, "one", context), 2);
  EXPECT_EQ(std::string(buffer, 4), "abc#");
  // The length is taken as 16 bits: 65536 + 6 is 6.
  EXPECT_EQ(DriverGetExtSettings(buffer, 0x10006, "one", context), 0);
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, "zero", context), 10);  // no text
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, "none", context), 10);
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, nullptr, context), 10);
  EXPECT_EQ(DriverSetExtSettings(buffer, 6, "one", context), 5);

  // A context that is no live extension is not followed.
  int bogus = 0;
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, "one", &bogus), 10);
  int16_t value = -1;
  EXPECT_EQ(DriverGetValue(10, &value, &bogus), 1);
  EXPECT_EQ(DriverGetValue(10, nullptr, context), 1);
  EXPECT_EQ(DriverGetValue(10, &value, context), 0);
  EXPECT_EQ(value, 12);
  ExtTestCommand end(706);
  extension->EndJob(&end);
  EXPECT_EQ(DriverGetExtSettings(buffer, 6, "one", context), 10);
}

TEST_F(DriverExtensionJobTest, TheUserInterfaceAsksWithItsOwnSettings) {
  GAttributeComposite uiSettings;
  uiSettings.AddChild(Value(260, 23));
  int16_t value = -1;
  EXPECT_EQ(extension->GetUIValue(30, &value, &uiSettings), 0);
  EXPECT_EQ(value, 33);
  EXPECT_EQ(extension->GetUIValue(10, &value, &uiSettings), 0);
  EXPECT_EQ(value, 12);
}

TEST_F(DriverExtensionJobTest, AnotherJobStartReleasesWhatTheLastLeft) {
  registry->AddChild(Entry("zero", 0, kExtensionHasRuntimeModule, "rt0.dll"));
  ExtTestCommand start(705);
  extension->BeginJob(&start);
  extension->BeginJob(&start);
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt0.dll"), 1u);
  extension.reset();
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\Drivers\\rt0.dll"), 0u);
}

}  // namespace
