// The update session against a stand-in agent: the requests it leaves in
// the printer's data, the wake, and how the agent's answers change the
// printer configuration. The agent is a "qvnra" window whose procedure
// writes scripted answers into the printer data (tests/support/FakeAgent.h).
#include "config/GNRAUpdateSession.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "config/GNRAProvider.h"
#include "config/GProviderRegistry.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentIterator.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/FakeAgent.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Module.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "win32/Window.h"
#include "winnt40/GNT40OSFactory.h"
#include "support/AttributeBuilders.h"

namespace {

using qvtest::FakeAgent;
using Session = GNRAUpdateSession;

constexpr const char16_t* kNRAUpdateSessionPrinter = u"Test Printer";  // the test instance's printer
constexpr int32_t kNoId = 0;

// ---- Building configurations ----

using qvtest::Value;
using qvtest::Text;
GRangeAttribute* Range(int32_t id, int16_t min, int16_t max, int16_t value = 0) {
  return new GRangeAttribute(min, max, 1, value < min ? min : value, &id);
}
GAttributeComposite* Group(int32_t id, std::initializer_list<MPersistentObject*> children = {}) {
  auto* group = new GAttributeComposite(&id);
  for (MPersistentObject* child : children) group->AddChild(child);
  return group;
}
GTray* Tray(int16_t number, int32_t capacity) {
  return new GTray("Tray", number, 0, 0, capacity, 0, nullptr, &kNoId);
}
GBin* Bin(const char* name, int16_t type) { return new GBin(RWCString(name), type, &kNoId); }

struct DeviceSpec {
  const char* name;
  int32_t kind;
  int32_t installable;
  int32_t installed;
  int32_t mode;
  int32_t source;
  std::vector<std::pair<int16_t, std::vector<MPersistentObject*>>> options;
  int16_t selected;
};
GPaperHandlingDevice* Device(const DeviceSpec& spec) {
  auto* device = new GPaperHandlingDevice(RWCString(spec.name), spec.kind, spec.installable, spec.installed,
                                          spec.mode, spec.source, &kNoId);
  for (const auto& [key, entries] : spec.options) {
    GAttributeComposite* option = Group(kNoId);
    for (MPersistentObject* entry : entries) option->AddChild(entry);
    device->SetOption(key, GCountedPtr(option));
  }
  device->SelectOption(spec.selected);
  if (spec.installable) device->SetInstalled(spec.installed);
  return device;
}

constexpr int32_t kInput = GPaperHandlingDevice::kInputDevice;
constexpr int32_t kOutput = GPaperHandlingDevice::kOutputDevice;

// The accessories of the test printer, in list order:
// 0 the standard trays (fixed, one option: skipped by the detection);
// 1 a sheet feeder found by a model containing its name, option from memory;
// 2 an envelope feeder found by its exact name;
// 3 a sheet deck found by tray capacities (its tray 5 is input index 4);
// 4 the standard bins (fixed);
// 5 a mailbox found by its exact name, option from memory.
GAttributeComposite* Devices() {
  GAttributeComposite* devices = Group(90);
  devices->AddChild(Device({"Quarrin 4700 Trays", kInput, 0, 1, 0, 0, {{1, {Tray(1, 100), Tray(2, 500)}}}, 1}));
  devices->AddChild(Device({"Quarrin 550 Sheet Feeder", kInput, 1, 0, 1, 1,
                            {{1, {Tray(3, 500)}}, {3, {Tray(3, 500)}}, {5, {Tray(3, 550)}}}, 1}));
  devices->AddChild(Device({"Quarrin Envelope Feeder", kInput, 1, 1, 2, 0, {{1, {Tray(6, 75)}}}, 1}));
  devices->AddChild(Device({"Quarrin 2000 Sheet Deck", kInput, 1, 0, 3, 0,
                            {{1, {Tray(5, 500)}}, {2, {Tray(5, 2000)}}}, 1}));
  devices->AddChild(Device({"Quarrin 4700 Bins", kOutput, 0, 1, 0, 0, {{1, {Bin("Top", 30), Bin("Rear", 31)}}}, 1}));
  devices->AddChild(Device({"Quarrin Three Bin Mailbox", kOutput, 1, 0, 2, 1,
                            {{1, {Bin("Stacker", 32)}},
                             {2, {Bin("Mailbox 1", 4), Bin("Mailbox 2", 19), Bin("Mailbox 3", 20)}}},
                            1}));
  return devices;
}

// Entries of the option list (1208): model to match (1206), target id
// (1207) and the target itself.
GAttributeComposite* OptionEntry(const char* model, int32_t targetId, MPersistentObject* target) {
  return Group(kNoId, {Text(1206, model), Value(1207, static_cast<int16_t>(targetId)), target});
}

// The printer configuration: what is discovered (228) and the ranges and
// lists the session consults.
GConfiguration* Configuration() {
  auto* configuration = new GConfiguration(198);
  configuration->AddChild(Group(228, {Text(229, ""), Value(313, 0), Range(202, 0, 32767, 800), Value(204, 0),
                                      Value(201, 0), Value(231, 0), Value(980, 0), Devices(), Group(701),
                                      Value(226, 0), Value(441, 0), Value(1011, 0), Group(314),
                                      Group(1208, {OptionEntry("q-env", 1300, Value(1300, 0)),
                                                   OptionEntry("Q-STAPLER", 1301, Text(1301, "old")),
                                                   OptionEntry("Q-ENV", 1302, Text(1302, "")),
                                                   OptionEntry("Q-HOLE", 1303, Value(1303, 1))})}));
  configuration->AddChild(Group(230, {Text(kNoId, "Quarrin 4700 Series"), Text(kNoId, "Quarrin 4700dn")}));
  configuration->AddChild(Range(232, 1, 3));  // accessories
  configuration->AddChild(Range(233, 1, 4));  // input trays
  configuration->AddChild(Range(234, 3, 5));  // output bins: the mailbox's
  configuration->AddChild(Range(236, 1, 3));  // storage media
  configuration->AddChild(Range(700, 1, 4));  // media names
  return configuration;
}

// A printer entry for the device model the instance opens on.
class NRAUpdateSessionTestPrinter : public GPeripheral {
 public:
  using GPeripheral::GPeripheral;
  NRAUpdateSessionTestPrinter* CreateSameKind() const override { return new NRAUpdateSessionTestPrinter; }
  NRAUpdateSessionTestPrinter* Clone() const override { return new NRAUpdateSessionTestPrinter(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
};

MPersistentObject* DeviceModel(GConfiguration* configuration) {
  const int32_t printerId = 76, stateId = 243;
  auto* printer = new NRAUpdateSessionTestPrinter(RWCString("Quarrin 4700 Series"), new GState(&stateId), configuration,
                                  &printerId, 64, kAddOnNone, kNoAddOns);
  auto* root = new MPersistentComposite(353);
  root->AddChild(printer);
  return root;
}

// ---- Reading results ----

// The ASCII text of a wide literal, for traces and comparisons.
std::string Ascii(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

int32_t NumberOf(MPersistentObject* object) {
  if (auto* value = dynamic_cast<GValueAttribute*>(object)) return value->GetValue();
  if (auto* range = dynamic_cast<GRangeAttribute*>(object)) return range->GetValue();
  return -9999;
}
std::string TextOf(MPersistentObject* object) {
  auto* text = dynamic_cast<GStringAttribute*>(object);
  return text != nullptr ? std::string(text->GetString().Data(), text->GetString().Length()) : "<none>";
}
std::vector<std::string> Texts(MPersistentObject* composite) {
  std::vector<std::string> texts;
  std::unique_ptr<MPersistentIterator> it(composite->CreateIterator());
  while (it && it->Advance()) texts.push_back(TextOf(it->Current()));
  return texts;
}
GPaperHandlingDevice* DeviceAt(MPersistentObject* configuration, size_t index) {
  auto* devices = dynamic_cast<GAttributeComposite*>(configuration->FindById(90));
  return devices != nullptr ? dynamic_cast<GPaperHandlingDevice*>(devices->ChildAt(index)) : nullptr;
}
std::string BinName(GPaperHandlingDevice* device, size_t index) {
  GAttributeComposite* option = device->GetOption(device->GetSelectedOption());
  return option != nullptr ? std::string(static_cast<GBin*>(option->ChildAt(index))->GetName().Data()) : "<none>";
}

class UpdateSessionTest : public ::testing::Test {
 protected:
  qvtest::ScopedUpwardServices services_;

  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
    self.loadCount = 1;
    const HMODULE module = w32test::InstallModule(self);
    factory_ = new GNT40OSFactory;
    services_.Change([&](GUpwardServices& s) { s.factory = factory_; });
    factory_->SetModuleHandle(reinterpret_cast<HINSTANCE>(module));
    w32test::PrinterSetup setup;
    setup.name = kNRAUpdateSessionPrinter;
    setup.driverName = u"quarrin 4700dn series";
    w32test::AddPrinter(setup);
    instance_ = std::make_unique<qvtest::TestDriverInstance>();
    configuration_.reset(Configuration());
  }
  void TearDown() override {
    instance_.reset();
    configuration_.reset();
    delete factory_;
    w32test::Reset();
  }

  std::unique_ptr<Session> NewSession() {
    GProviderSession* session =
        provider_.CreateSession(instance_.get(), RWCString("QVNRA 1.0"), 0x10000, RWWString(u"LPT1:"));
    return std::unique_ptr<Session>(dynamic_cast<Session*>(session));
  }
  int16_t Run(int checkModel = 1) { return NewSession()->Run(configuration_.get(), checkModel); }

  MPersistentObject* Discovered(int32_t id) { return configuration_->FindById(228)->FindById(id); }
  int32_t Number(int32_t id) { return NumberOf(Discovered(id)); }

  std::optional<w32test::RegistryValue> Data(const std::u16string& name) {
    return w32test::ReadPrinterData(kNRAUpdateSessionPrinter, name);
  }
  // A printer-data value as the session reads it: a DWORD, or -1.
  int64_t DataDword(const std::u16string& name) {
    auto value = Data(name);
    if (!value || value->type != REG_DWORD || value->data.size() != 4) return -1;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | int64_t{value->data[3]} << 24;
  }

  // Every answer of a printer with the sheet feeder, the mailbox and the
  // sheet deck, and with options reported for the first accessory.
  void AnswerEverything() {
    agent_.AnswerText(u"MODEL_NAME", u"QUARRIN 4700DN");
    agent_.AnswerDword(u"HOST-APPLICATION-AVAILABLE-MEMORY", 10485760);
    agent_.AnswerDword(u"prtMediaPathType2", 1);
    agent_.AnswerDword(u"hrMemorySize", 65536);
    agent_.AnswerDword(u"PLUX_MODE", 4);
    agent_.AnswerDword(u"prtInputMaxCapacity1", 250);
    agent_.AnswerDword(u"prtInputMaxCapacity2", 500);
    agent_.AnswerDword(u"prtInputMaxCapacity3", 550);
    agent_.AnswerDword(u"prtInputMaxCapacity4", 2000);
    agent_.AnswerText(u"PHD1-MODEL", u"Quarrin 550 SHEET FEEDER (2)");
    agent_.AnswerBinary(u"PHD1-DEVICE-MEMORY", {1, 3, 0});
    agent_.AnswerText(u"PHD2-MODEL", u"quarrin three bin mailbox");
    agent_.AnswerBinary(u"PHD2-DEVICE-MEMORY", {1, 4, 0, 0});
    agent_.AnswerText(u"prtOutputName3", u"Alpha");
    agent_.AnswerText(u"prtOutputName4", u"Beta");
    agent_.AnswerText(u"MEDIA1-NAME", u"Plain");
    agent_.AnswerText(u"MEDIA3-NAME", u"Glossy");
    agent_.AnswerText(u"MEDIA4-NAME", u"Labels");
    agent_.AnswerDword(u"hrDiskStorageMedia1", 3);
    agent_.AnswerDword(u"hrDiskStorageMedia2", 4);
    agent_.AnswerDword(u"hrDiskStorageMedia3", 3);
    agent_.AnswerDword(u"HELD-JOB-ENABLE", 2);
    agent_.AnswerText(u"NOT-READY-SOURCE-SCANNER", u"ADF");
    agent_.AnswerDword(u"PHD1-NUMBER-OF-OPTIONS", 2);
    agent_.AnswerDword(u"PHD2-NUMBER-OF-OPTIONS", 0);
    agent_.AnswerText(u"PHD1-OPTION1-OPTION_MODEL", u"Q-ENV");
  }

  GNT40OSFactory* factory_ = nullptr;
  std::unique_ptr<qvtest::TestDriverInstance> instance_;
  std::unique_ptr<GConfiguration> configuration_;
  GNRAProvider provider_;
  FakeAgent agent_{kNRAUpdateSessionPrinter};
};

// ---- Construction ----

TEST_F(UpdateSessionTest, ConstructionAnnouncesTheAgentAndClearsTheRequest) {
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"QvrdbUpdateRequest", REG_DWORD, {1, 0, 0, 0});
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"MODEL_NAME", REG_SZ, {'Q', 0, '4', 0, '7', 0, 0, 0});
  const size_t open = w32test::OpenPrinterCount();
  {
    std::unique_ptr<Session> session = NewSession();
    ASSERT_NE(session, nullptr);
    EXPECT_NE(session->GetPrinterHandle(), nullptr);
    EXPECT_EQ(w32test::OpenPrinterCount(), open + 1);
    EXPECT_EQ(session->GetRegisteredName(), RWCString("QVNRA 1.0"));
    EXPECT_EQ(session->GetDriverInstance(), instance_.get());
    EXPECT_EQ(session->HasModelName(), 1);
    EXPECT_EQ(session->GetReportedModel(), RWCString("Q47"));
    EXPECT_EQ(session->GetText(), RWCString());
  }
  EXPECT_EQ(w32test::OpenPrinterCount(), open);  // closed by the destructor
  EXPECT_EQ(DataDword(u"QvrdbUpdateRequest"), 0);
  auto name = Data(u"RegistryAgentName");
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(name->data, (std::vector<BYTE>{'Q', 0, 'V', 0, 'N', 0, 'R', 0, 'A', 0}));  // no terminator
}

// ---- A whole run ----

TEST_F(UpdateSessionTest, AFullRunFillsTheConfigurationFromTheAgentsAnswers) {
  agent_.Start();
  AnswerEverything();
  ASSERT_EQ(Run(), 0);

  // The wake: code 6 then code 1, with the request set; twice, the second
  // for the accessory options; the agent is forgotten afterwards.
  EXPECT_EQ(agent_.requests, (std::vector<LPARAM>{6, 1, 6, 1}));
  EXPECT_EQ(agent_.updateRequestSeen, (std::vector<int64_t>{1, 1, 1, 1}));
  EXPECT_EQ(agent_.wakes, 2);
  EXPECT_EQ(provider_.IsAgentKnown(), 0);
  EXPECT_EQ(DataDword(u"QvrdbUpdateRequest"), 1);  // stays set after a success

  EXPECT_EQ(Number(313), 2);
  EXPECT_EQ(TextOf(Discovered(229)), "QUARRIN 4700DN");
  EXPECT_EQ(Number(202), 1000);
  EXPECT_EQ(Number(204), 1);
  EXPECT_EQ(Number(201), 64);
  EXPECT_EQ(Number(231), 1);
  EXPECT_EQ(Number(980), 1);
  EXPECT_EQ(Number(226), 2);
  EXPECT_EQ(Number(441), 1);
  EXPECT_EQ(Number(1011), 1);
  EXPECT_EQ(Texts(Discovered(701)), (std::vector<std::string>{"Plain", "Glossy", "Labels"}));

  // Accessories.
  GPaperHandlingDevice* feeder = DeviceAt(configuration_.get(), 1);
  EXPECT_EQ(feeder->IsInstalled(), 1);
  EXPECT_EQ(feeder->GetSelectedOption(), 5);  // memory 1, 3 names option 5
  GPaperHandlingDevice* envelopes = DeviceAt(configuration_.get(), 2);
  EXPECT_EQ(envelopes->IsInstalled(), 0);  // not reported
  GPaperHandlingDevice* deck = DeviceAt(configuration_.get(), 3);
  EXPECT_EQ(deck->IsInstalled(), 1);
  EXPECT_EQ(deck->GetSelectedOption(), 2);  // the option whose capacity is 2000
  GPaperHandlingDevice* mailbox = DeviceAt(configuration_.get(), 5);
  EXPECT_EQ(mailbox->IsInstalled(), 1);
  EXPECT_EQ(mailbox->GetSelectedOption(), 2);  // memory 1, 4 names option 2

  // Bins counted 1-2 (the standard bins) keep their names; 3-5 take the
  // reported names, the placeholder as an empty one; the mailbox's bins of
  // types 4-19 are the discovered bin names.
  GPaperHandlingDevice* bins = DeviceAt(configuration_.get(), 4);
  EXPECT_EQ(BinName(bins, 0), "Top");
  EXPECT_EQ(BinName(bins, 1), "Rear");
  EXPECT_EQ(BinName(mailbox, 0), "Alpha");
  EXPECT_EQ(BinName(mailbox, 1), "Beta");
  EXPECT_EQ(BinName(mailbox, 2), "");
  EXPECT_EQ(Texts(configuration_->FindById(314)), (std::vector<std::string>{"Alpha", "Beta"}));

  // Options: one reported model ("Q-ENV"), matched ignoring case.
  EXPECT_EQ(Number(1300), 1);
  EXPECT_EQ(TextOf(Discovered(1301)), "");
  EXPECT_EQ(TextOf(Discovered(1302)), "Q-ENV");
  EXPECT_EQ(Number(1303), 0);
}

// The requests as the agent finds them: placeholders of the right types.
TEST_F(UpdateSessionTest, TheRequestsHoldTheirPlaceholders) {
  agent_.Start();
  agent_.reply = 1;  // the agent refuses: the requests stay as written
  ASSERT_EQ(Run(), 602);
  const std::vector<BYTE> blank = {' ', 0};
  const std::vector<BYTE> number = {0x00, 0x19, 0, 0};
  const struct {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } expected[] = {
      {u"MODEL_NAME", REG_SZ, blank},
      {u"HOST-APPLICATION-AVAILABLE-MEMORY", REG_DWORD, number},
      {u"prtMediaPathType2", REG_DWORD, number},
      {u"hrMemorySize", REG_DWORD, number},
      {u"PLUX_MODE", REG_DWORD, number},
      {u"prtInputMaxCapacity1", REG_DWORD, number},
      {u"PHD3-MODEL", REG_SZ, blank},
      {u"PHD1-DEVICE-MEMORY", REG_BINARY, {}},
      {u"prtOutputName5", REG_SZ, blank},
      {u"prtInputModel4", REG_SZ, blank},
      {u"prtInputMaxCapacity4", REG_DWORD, number},
      {u"MEDIA4-NAME", REG_SZ, blank},
      {u"Media-Names-Available", REG_DWORD, number},
      {u"hrDiskStorageMedia3", REG_DWORD, number},
      {u"HELD-JOB-ENABLE", REG_DWORD, number},
      {u"NOT-READY-SOURCE-SCANNER", REG_SZ, blank},
      {u"PHD2-NUMBER-OF-OPTIONS", REG_DWORD, number},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(Ascii(e.name));
    auto value = Data(e.name);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, e.type);
    EXPECT_EQ(value->data, e.data);
  }
  // Only the indices of the ranges are asked for.
  EXPECT_FALSE(Data(u"prtOutputName2").has_value());
  EXPECT_FALSE(Data(u"PHD4-MODEL").has_value());
  EXPECT_FALSE(Data(u"MEDIA5-NAME").has_value());
}

// ---- The model check ----

TEST_F(UpdateSessionTest, TheReportedModelMustBeSupportedWhenTheCheckIsOn) {
  struct Case {
    const char* what;
    const char16_t* model;
    int check;
    bool withList;
    int16_t result;
    int32_t state;
  };
  const Case cases[] = {
      {"supported, other case", u"quarrin 4700 SERIES", 1, true, 0, 2},
      {"not supported", u"Quarrin 9000", 1, true, 8, 1},
      {"not supported, check off", u"Quarrin 9000", 0, true, 0, 2},
      {"no list", u"Quarrin 4700dn", 1, false, 8, 1},
      {"no list, check off", u"Quarrin 4700dn", 0, false, 0, 2},
      {"a part of a supported name", u"Quarrin 4700", 1, true, 8, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    configuration_.reset(Configuration());
    if (!c.withList) delete configuration_->RemoveChildById(230);
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", c.model);
    agent.AnswerDword(u"hrMemorySize", 65536);
    agent.AnswerDword(u"prtMediaPathType2", 1);
    agent.AnswerDword(u"PLUX_MODE", 3);
    agent.AnswerDword(u"prtInputMaxCapacity1", 1);
    agent.AnswerText(u"NOT-READY-SOURCE-SCANNER", u"x");
    EXPECT_EQ(Run(c.check), c.result);
    EXPECT_EQ(Number(313), c.state);
    // Only a supported model lets the other rows read their answers.
    EXPECT_EQ(Number(201), c.result == 0 ? 64 : 0);
    EXPECT_EQ(TextOf(Discovered(229)), c.result == 0 ? Ascii(c.model) : "");
  }
}

TEST_F(UpdateSessionTest, AnAgentThatAnswersNothingLeavesTheRunIncomplete) {
  agent_.Start();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Number(313), 1);
  EXPECT_EQ(agent_.wakes, 1);
  EXPECT_EQ(TextOf(Discovered(229)), "");
}

// ---- The wake ----

TEST_F(UpdateSessionTest, WithoutTheAgentTheRunFailsWith602AndChangesNothing) {
  EXPECT_EQ(Run(), 602);
  EXPECT_EQ(DataDword(u"QvrdbUpdateRequest"), 0);
  EXPECT_EQ(Number(313), 0);
  EXPECT_EQ(Number(202), 800);
  EXPECT_TRUE(w32test::SentMessages().empty());
}

TEST_F(UpdateSessionTest, AnAgentRefusingTheFirstRequestGetsNoSecond) {
  agent_.Start();
  agent_.reply = 5;
  EXPECT_EQ(Run(), 602);
  EXPECT_EQ(agent_.requests, (std::vector<LPARAM>{6}));
  EXPECT_EQ(DataDword(u"QvrdbUpdateRequest"), 0);
  EXPECT_EQ(provider_.IsAgentKnown(), 0);
  EXPECT_EQ(Number(313), 0);
}

TEST_F(UpdateSessionTest, APrinterThatCannotBeOpenedFailsBeforeAnyWake) {
  agent_.Start();
  w32test::RefuseAccess(kNRAUpdateSessionPrinter);
  std::unique_ptr<Session> session = NewSession();
  EXPECT_EQ(session->GetPrinterHandle(), nullptr);
  EXPECT_EQ(session->AnnounceToAgent(), 0);
  EXPECT_EQ(session->Run(configuration_.get(), 1), 1);
  EXPECT_TRUE(agent_.requests.empty());
  EXPECT_EQ(Number(313), 0);
}

TEST_F(UpdateSessionTest, AConfigurationWithoutAutoConfigurationGivesOne) {
  agent_.Start();
  GConfiguration empty(198);
  EXPECT_EQ(NewSession()->Run(&empty, 1), 1);
  EXPECT_EQ(NewSession()->Run(nullptr, 1), 1);
  EXPECT_TRUE(agent_.requests.empty());
}

// ---- Rows with one value ----

// The memory factor is the single-precision value nearest 1/10485, so some
// byte counts come out one unit lower than an exact division would give.
// The expected units were computed with Python's fractions from the float's
// exact value (0x38C803B6).
TEST_F(UpdateSessionTest, AvailableMemoryCountsUnitsOfTheSinglePrecisionFactor) {
  const struct {
    DWORD bytes;
    int32_t units;
  } cases[] = {{10485760, 1000}, {10485, 0},         {10486, 1},          {20970, 1},
               {20971, 2},       {1048576, 100},     {314572800, 30002},  {0x7FFFFFFF, 204814},
               {0xFFFFFFFF, 409629}, {1, 0}};
  for (const auto& c : cases) EXPECT_EQ(Session::MemoryUnits(c.bytes), c.units) << c.bytes;

  // In the configuration the units are clamped into the range; 6400 is no
  // answer and leaves the value.
  const struct {
    DWORD answer;
    int32_t value;
  } runs[] = {{10485760, 1000}, {0xFFFFFFFF, 32767}, {6400, 800}, {0, 0}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.answer);
    configuration_.reset(Configuration());
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerDword(u"HOST-APPLICATION-AVAILABLE-MEMORY", r.answer);
    Run();
    EXPECT_EQ(Number(202), r.value);
  }
}

TEST_F(UpdateSessionTest, SingleValueRowsTurnAnswersIntoValues) {
  struct Case {
    const char16_t* name;
    DWORD answer;
    int32_t id;
    int32_t before;
    int32_t after;
  };
  const Case cases[] = {
      {u"prtMediaPathType2", 6400, 204, 1, 0},   {u"prtMediaPathType2", 2, 204, 0, 1},
      {u"hrMemorySize", 65536, 201, 0, 64},      {u"hrMemorySize", 6400, 201, 7, 7},
      {u"hrMemorySize", 0xFFFFFFFF, 201, 0, 32767},
      {u"PLUX_MODE", 3, 231, 0, 1},              {u"PLUX_MODE", 5, 231, 0, 1},
      {u"PLUX_MODE", 6, 231, 1, 0},              {u"PLUX_MODE", 2, 231, 1, 0},
      {u"prtInputMaxCapacity1", 6400, 980, 1, 0}, {u"prtInputMaxCapacity1", 0, 980, 0, 1},
      {u"HELD-JOB-ENABLE", 1, 441, 1, 0},        {u"HELD-JOB-ENABLE", 2, 441, 0, 1},
      {u"HELD-JOB-ENABLE", 3, 441, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Ascii(c.name) + " " + std::to_string(c.answer));
    configuration_.reset(Configuration());
    static_cast<GValueAttribute*>(Discovered(c.id))->SetValue(static_cast<int16_t>(c.before));
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerDword(u"prtMediaPathType2", 6400);
    agent.AnswerDword(u"hrMemorySize", 6400);
    agent.AnswerDword(u"PLUX_MODE", 0);
    agent.AnswerDword(u"prtInputMaxCapacity1", 6400);
    agent.AnswerText(u"NOT-READY-SOURCE-SCANNER", u" ");
    agent.AnswerDword(c.name, c.answer);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Number(c.id), c.after);
  }
}

// A value the agent leaves unreadable (removed, or of another type) makes
// its row report 1, which reaches the state; held jobs never report.
TEST_F(UpdateSessionTest, AnUnreadableAnswerReportsOne) {
  const char16_t* names[] = {u"prtMediaPathType2", u"hrMemorySize", u"PLUX_MODE", u"prtInputMaxCapacity1",
                             u"NOT-READY-SOURCE-SCANNER"};
  for (const char16_t* name : names) {
    SCOPED_TRACE(Ascii(name));
    configuration_.reset(Configuration());
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerRaw(name, REG_BINARY, {1, 2, 3, 4});
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Number(313), 1);
  }
}

TEST_F(UpdateSessionTest, TheDiskCountCountsHardDisksOnly) {
  const struct {
    std::vector<DWORD> answers;
    int32_t disks;
  } cases[] = {{{3, 4, 3}, 2}, {{3, 3, 3}, 3}, {{6400, 6400, 6400}, 0}, {{4, 2, 1}, 0}};
  for (const auto& c : cases) {
    configuration_.reset(Configuration());
    static_cast<GValueAttribute*>(Discovered(226))->SetValue(9);
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    for (size_t i = 0; i < c.answers.size(); ++i)
      agent.AnswerDword(u"hrDiskStorageMedia" + std::u16string(1, static_cast<char16_t>(u'1' + i)), c.answers[i]);
    Run();
    EXPECT_EQ(Number(226), c.disks);
  }
}

// ---- Media names ----

TEST_F(UpdateSessionTest, MediaNamesFollowTheAvailabilityMask) {
  struct Case {
    const char* what;
    std::optional<DWORD> mask;  // none: the agent does not touch it
    bool removeMask;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"no mask given", std::nullopt, false, {"Plain", "Bond", "Glossy", "Labels"}},
      {"bits 0 and 2", 5, false, {"Plain", "Glossy"}},
      {"bit 3 only", 8, false, {"Labels"}},
      {"empty mask", 0, false, {}},
      {"mask unreadable", std::nullopt, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    configuration_.reset(Configuration());
    Discovered(701)->AddChild(Text(0, "stale"));
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerText(u"MEDIA1-NAME", u"Plain");
    agent.AnswerText(u"MEDIA2-NAME", u"Bond", false);  // without a terminator
    agent.AnswerText(u"MEDIA3-NAME", u"Glossy");
    agent.AnswerText(u"MEDIA4-NAME", u"Labels");
    if (c.mask) agent.AnswerDword(u"Media-Names-Available", *c.mask);
    if (c.removeMask) agent.AnswerRaw(u"Media-Names-Available", REG_SZ, {'5', 0});
    Run();
    EXPECT_EQ(Texts(Discovered(701)), c.names);
  }
}

// A mask only has bits for indices 1 to 32: other indices of the range
// are never listed by it.
TEST_F(UpdateSessionTest, MediaIndicesOutsideTheMaskBitsAreNotListed) {
  delete configuration_->RemoveChildById(700);
  configuration_->AddChild(Range(700, -1, 40));
  agent_.Start();
  agent_.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
  agent_.AnswerDword(u"Media-Names-Available", 0xFFFFFFFF);
  agent_.AnswerText(u"MEDIA0-NAME", u"Zero");
  agent_.AnswerText(u"MEDIA-1-NAME", u"Minus");
  agent_.AnswerText(u"MEDIA32-NAME", u"Last");
  agent_.AnswerText(u"MEDIA33-NAME", u"Beyond");
  Run();
  EXPECT_EQ(Texts(Discovered(701)), (std::vector<std::string>{"Last"}));
}

// ---- Paper-handling accessories ----

TEST_F(UpdateSessionTest, DeviceMemoryAnswersChooseTheOption) {
  struct Case {
    std::vector<BYTE> memory;
    int16_t option;
  };
  const Case cases[] = {{{1, 3, 0}, 5}, {{1, 2, 0}, 3}, {{1, 1, 0}, 0}, {{1, 3}, 0}, {{2, 3, 0}, 0}, {{}, 0}};
  for (const Case& c : cases) {
    configuration_.reset(Configuration());
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerText(u"PHD2-MODEL", u"Quarrin 550 Sheet Feeder");
    agent.AnswerBinary(u"PHD2-DEVICE-MEMORY", c.memory);
    Run();
    GPaperHandlingDevice* feeder = DeviceAt(configuration_.get(), 1);
    EXPECT_EQ(feeder->IsInstalled(), 1);
    // Without a key the feeder has, option 0 is asked for; the feeder has
    // no option 0 either, so its selection stays.
    const int16_t expected = c.option != 0 ? c.option : 1;
    EXPECT_EQ(feeder->GetSelectedOption(), expected) << int(c.memory.size());
  }
  EXPECT_EQ(Session::DecodeDeviceMemory({1, 4, 9}), 2);
  EXPECT_EQ(Session::DecodeDeviceMemory({1, 1, 9}), 4);
  EXPECT_EQ(Session::DecodeDeviceMemory({1, 5, 9}), 0);
}

TEST_F(UpdateSessionTest, DetectionByNameContainsOrEquals) {
  struct Case {
    const char* what;
    const char16_t* reported;
    int32_t feeder;     // mode 1: contains
    int32_t envelopes;  // mode 2: equals
  };
  const Case cases[] = {
      {"feeder inside a longer name", u"HCI: quarrin 550 sheet feeder rev B", 1, 0},
      {"envelope feeder exactly", u"QUARRIN ENVELOPE FEEDER", 0, 1},
      {"envelope feeder inside a longer name", u"Quarrin Envelope Feeder 2", 0, 0},
      {"nothing reported", u" ", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    configuration_.reset(Configuration());
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    agent.AnswerText(u"PHD3-MODEL", c.reported);
    Run();
    EXPECT_EQ(DeviceAt(configuration_.get(), 1)->IsInstalled(), c.feeder);
    EXPECT_EQ(DeviceAt(configuration_.get(), 2)->IsInstalled(), c.envelopes);
    EXPECT_EQ(DeviceAt(configuration_.get(), 0)->IsInstalled(), 1);  // fixed devices stay
  }
}

TEST_F(UpdateSessionTest, DetectionByTrayCapacities) {
  struct Case {
    const char* what;
    DWORD capacity4;
    int32_t installed;
    int16_t option;
  };
  const Case cases[] = {
      {"the second option's capacity", 2000, 1, 2},
      {"the first option's capacity", 500, 1, 1},
      {"no option matches", 1500, 0, 1},
      {"no answer reads as 0", 6400, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    configuration_.reset(Configuration());
    FakeAgent agent(kNRAUpdateSessionPrinter);
    agent.Start();
    agent.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
    for (int i = 1; i <= 3; ++i)
      agent.AnswerDword(u"prtInputMaxCapacity" + std::u16string(1, static_cast<char16_t>(u'0' + i)), 100);
    agent.AnswerDword(u"prtInputMaxCapacity4", c.capacity4);
    Run();
    GPaperHandlingDevice* deck = DeviceAt(configuration_.get(), 3);
    EXPECT_EQ(deck->IsInstalled(), c.installed);
    EXPECT_EQ(deck->GetSelectedOption(), c.option);
  }
}

TEST_F(UpdateSessionTest, TrayNumbersMapToInputIndices) {
  const struct {
    int16_t number;
    int32_t index;
  } cases[] = {{1, 2}, {2, 2}, {3, 3}, {4, 5},   {5, 4},   {6, 1},  {13, 5}, {20, 6},
               {21, 7}, {26, 12}, {7, 0}, {27, 0}, {0, 0}, {-1, 0}, {12, 0}};
  for (const auto& c : cases) EXPECT_EQ(Session::InputIndexOfTray(c.number), c.index) << c.number;

  std::vector<Session::TrayRecord> records = {{4, 500}};
  auto option = [](std::initializer_list<MPersistentObject*> trays) {
    return std::unique_ptr<GAttributeComposite>(Group(0, trays));
  };
  EXPECT_EQ(Session::TraysMatchCapacities(option({Tray(5, 500)}).get(), records), 1);
  EXPECT_EQ(Session::TraysMatchCapacities(option({Tray(5, 501)}).get(), records), 0);
  EXPECT_EQ(Session::TraysMatchCapacities(option({Tray(3, 1)}).get(), records), 1);  // no record: passes
  EXPECT_EQ(Session::TraysMatchCapacities(option({Tray(5, 500), Tray(7, 500)}).get(), records), 0);
  EXPECT_EQ(Session::TraysMatchCapacities(option({}).get(), records), 0);
  EXPECT_EQ(Session::TraysMatchCapacities(nullptr, records), 0);
}

// A mode-3 input accessory whose only trays have no input index never
// matches: it keeps its option and, being optional, is not installed.
TEST_F(UpdateSessionTest, ATrayWithoutAnInputIndexNeverMatches) {
  auto* devices = dynamic_cast<GAttributeComposite*>(Discovered(90));
  devices->AddChild(Device({"Odd Feeder", kInput, 1, 1, 3, 0, {{1, {Tray(7, 0)}}, {2, {Tray(7, 0)}}}, 2}));
  agent_.Start();
  agent_.AnswerText(u"MODEL_NAME", u"Quarrin 4700dn");
  for (const char16_t* name : {u"prtInputMaxCapacity1", u"prtInputMaxCapacity2", u"prtInputMaxCapacity3",
                               u"prtInputMaxCapacity4"})
    agent_.AnswerDword(name, 0);
  Run();
  GPaperHandlingDevice* odd = DeviceAt(configuration_.get(), 6);
  EXPECT_EQ(odd->GetSelectedOption(), 2);
  EXPECT_EQ(odd->IsInstalled(), 0);
}

// Without every tray capacity nothing is detected: the accessories keep
// their flags and options, and the bin names are still read.
TEST_F(UpdateSessionTest, AnUnreadableCapacitySkipsTheDetection) {
  agent_.Start();
  AnswerEverything();
  agent_.AnswerRaw(u"prtInputMaxCapacity3", REG_SZ, {'5', 0, 0, 0});
  Run();
  EXPECT_EQ(DeviceAt(configuration_.get(), 1)->IsInstalled(), 0);
  EXPECT_EQ(DeviceAt(configuration_.get(), 2)->IsInstalled(), 1);
  EXPECT_EQ(DeviceAt(configuration_.get(), 5)->IsInstalled(), 0);
  EXPECT_EQ(DeviceAt(configuration_.get(), 3)->GetSelectedOption(), 1);
  // Bins 1-2 are the standard bins; the mailbox is not installed, so 3-5
  // count nothing.
  EXPECT_EQ(BinName(DeviceAt(configuration_.get(), 4), 0), "Top");
  EXPECT_TRUE(Texts(configuration_->FindById(314)).empty());
}

TEST_F(UpdateSessionTest, AnUnreadableBinNameReportsOneAndLeavesTheNames) {
  agent_.Start();
  AnswerEverything();
  configuration_->FindById(314)->AddChild(Text(0, "kept"));
  agent_.AnswerRaw(u"prtOutputName4", REG_DWORD, {1, 0, 0, 0});
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Number(313), 1);
  EXPECT_EQ(BinName(DeviceAt(configuration_.get(), 5), 0), "Mailbox 1");
  EXPECT_EQ(Texts(configuration_->FindById(314)), (std::vector<std::string>{"kept"}));
}

// ---- Accessory options ----

TEST_F(UpdateSessionTest, WithoutReportedOptionsTheTargetsKeepTheirValues) {
  agent_.Start();
  AnswerEverything();
  agent_.AnswerDword(u"PHD1-NUMBER-OF-OPTIONS", 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Number(1300), 0);
  EXPECT_EQ(TextOf(Discovered(1301)), "old");
  EXPECT_EQ(Number(1303), 1);
  EXPECT_EQ(agent_.wakes, 2);  // the second wake happens all the same
}

TEST_F(UpdateSessionTest, AnUnreadableOptionModelStopsBeforeAnyTargetChanges) {
  agent_.Start();
  AnswerEverything();
  agent_.AnswerRaw(u"PHD1-OPTION2-OPTION_MODEL", REG_DWORD, {0, 0, 0, 0});
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Number(1300), 0);
  EXPECT_EQ(TextOf(Discovered(1301)), "old");
  EXPECT_EQ(Number(1303), 1);
  // The option requests were asked for before the second wake.
  auto description = Data(u"PHD1-OPTION2-DESCRIPTION");
  ASSERT_TRUE(description.has_value());
  EXPECT_EQ(description->data, (std::vector<BYTE>{' ', 0}));
}

TEST_F(UpdateSessionTest, TheSecondWakeFailingGives602) {
  agent_.Start();
  AnswerEverything();
  agent_.wakesToAnswer = 1;
  EXPECT_EQ(Run(), 602);
  EXPECT_EQ(agent_.requests, (std::vector<LPARAM>{6, 1, 6}));
  EXPECT_EQ(DataDword(u"QvrdbUpdateRequest"), 0);
  EXPECT_EQ(Number(1300), 0);  // the option targets are not touched
  EXPECT_EQ(Number(313), 1);
  EXPECT_EQ(Number(201), 64);  // rows before the options were read
}

// ---- Bounds on what the agent and the data file can make the session do ----

TEST_F(UpdateSessionTest, AHugeIndexRangeIsCappedAndEnds) {
  delete configuration_->RemoveChildById(236);
  configuration_->AddChild(Range(236, -32768, 32767));
  agent_.Start();
  agent_.reply = 1;
  EXPECT_EQ(Run(), 602);
  size_t disks = 0;
  for (const std::u16string& name : w32test::PrinterDataNames(kNRAUpdateSessionPrinter))
    if (name.rfind(u"hrDiskStorageMedia", 0) == 0) ++disks;
  EXPECT_EQ(disks, static_cast<size_t>(Session::kMaxIndexCount));
  EXPECT_TRUE(Data(u"hrDiskStorageMedia-32768").has_value());
  EXPECT_FALSE(Data(u"hrDiskStorageMedia32767").has_value());
}

TEST_F(UpdateSessionTest, AHugeOptionCountIsCapped) {
  agent_.Start();
  AnswerEverything();
  agent_.AnswerDword(u"PHD1-NUMBER-OF-OPTIONS", 0xFFFFFFFF);
  for (DWORD j = 1; j <= Session::kMaxOptionsPerDevice; ++j) {
    const std::string digits = std::to_string(j);
    agent_.AnswerText(u"PHD1-OPTION" + std::u16string(digits.begin(), digits.end()) + u"-OPTION_MODEL", u"m");
  }
  agent_.AnswerText(u"PHD1-OPTION1-OPTION_MODEL", u"Q-ENV");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Number(1300), 1);
  const std::string last = std::to_string(Session::kMaxOptionsPerDevice);
  EXPECT_TRUE(Data(u"PHD1-OPTION" + std::u16string(last.begin(), last.end()) + u"-DESCRIPTION").has_value());
  const std::string beyond = std::to_string(Session::kMaxOptionsPerDevice + 1);
  EXPECT_FALSE(Data(u"PHD1-OPTION" + std::u16string(beyond.begin(), beyond.end()) + u"-DESCRIPTION").has_value());
}

TEST_F(UpdateSessionTest, OversizedOrOddTextAnswersAreReadSafely) {
  std::unique_ptr<Session> session = NewSession();
  std::u16string text;
  // Too large to be an answer: unreadable.
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"big", REG_SZ, std::vector<BYTE>(Session::kMaxAnswerBytes + 2, 'A'));
  EXPECT_EQ(session->ReadString(u"big", &text), 0);
  // An odd byte count: the whole characters only.
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"odd", REG_SZ, {'a', 0, 'b', 0, 'c'});
  ASSERT_EQ(session->ReadString(u"odd", &text), 1);
  EXPECT_EQ(text, u"ab");
  // The text ends at the first zero character.
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"zero", REG_SZ, {'a', 0, 0, 0, 'b', 0});
  ASSERT_EQ(session->ReadString(u"zero", &text), 1);
  EXPECT_EQ(text, u"a");
  // Empty and of another type: unreadable.
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"empty", REG_SZ, {});
  EXPECT_EQ(session->ReadString(u"empty", &text), 0);
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"number", REG_DWORD, {1, 0, 0, 0});
  EXPECT_EQ(session->ReadString(u"number", &text), 0);
  DWORD value = 0;
  EXPECT_EQ(session->ReadDword(u"odd", &value), 0);
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"long", REG_DWORD, {1, 0, 0, 0, 5});
  EXPECT_EQ(session->ReadDword(u"long", &value), 0);
  std::vector<BYTE> bytes;
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"blob", REG_BINARY, std::vector<BYTE>(Session::kMaxAnswerBytes + 1, 1));
  EXPECT_EQ(session->ReadBinary(u"blob", &bytes), 0);
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"blob", REG_BINARY, {1, 2, 3});
  ASSERT_EQ(session->ReadBinary(u"blob", &bytes), 1);
  EXPECT_EQ(bytes, (std::vector<BYTE>{1, 2, 3}));
}

// ---- The handler table ----

TEST_F(UpdateSessionTest, AnAttributeOfAnotherClassHasNoHandlerAndIsHidden) {
  std::unique_ptr<Session> session = NewSession();
  std::unique_ptr<GValueAttribute> notAList(Value(90, 1));
  EXPECT_EQ(session->HandleObject(notAList.get(), 0), 6);
  EXPECT_EQ(session->HandleObject(nullptr, 0), 6);
  // 6 only when nothing else was reported.
  std::unique_ptr<GAttributeComposite> onlyUnknown(Group(0, {Value(90, 1), Value(5000, 1)}));
  EXPECT_EQ(session->HandleChildren(onlyUnknown.get(), 0), 6);
  // A child that did its work (0) does not hide the 6; a real result does:
  // in pass 1 the duplex row finds no readable answer and reports 1.
  std::unique_ptr<GAttributeComposite> mixed(Group(0, {Value(90, 1), Value(204, 0)}));
  EXPECT_EQ(session->HandleChildren(mixed.get(), 0), 6);
  w32test::WritePrinterData(kNRAUpdateSessionPrinter, u"prtMediaPathType2", REG_SZ, {'1', 0});
  EXPECT_EQ(session->HandleChildren(mixed.get(), 1), 1);
  std::unique_ptr<GAttributeComposite> none(Group(0));
  EXPECT_EQ(session->HandleChildren(none.get(), 0), 0);
}

// ---- The whole path from the driver instance ----

GUpdateSession* SessionFromRegistry(GDriverInstance* instance, const RWWString& portName, int services) {
  return GProviderRegistry::GetInstance()->CreateSession(instance, portName, services);
}

TEST_F(UpdateSessionTest, TheDriverInstancesAutoConfigurationRunsTheSession) {
  instance_->SetDeviceModel(DeviceModel(configuration_.release()));
  GConfiguration* configuration = instance_->GetPrinterConfiguration();
  ASSERT_NE(configuration, nullptr);
  auto number = [&](int32_t id) { return NumberOf(configuration->FindById(228)->FindById(id)); };

  services_.Change([](GUpwardServices& s) { s.updateSession = &SessionFromRegistry; });
  EXPECT_EQ(instance_->RunAutoConfiguration(0), 603);  // no provider registered
  ASSERT_EQ(GProviderRegistry::GetInstance()->Register(&provider_, RWCString("QVNRA 1.0")), 0);

  EXPECT_EQ(instance_->RunAutoConfiguration(0), 602);  // no agent
  agent_.Start();
  AnswerEverything();
  EXPECT_EQ(instance_->RunAutoConfiguration(0), 0);
  EXPECT_EQ(number(313), 2);
  EXPECT_EQ(number(201), 64);

  // The model check is on: an unsupported model is refused.
  agent_.AnswerText(u"MODEL_NAME", u"Quarrin 9000");
  EXPECT_EQ(instance_->RunAutoConfiguration(0), 8);
  EXPECT_EQ(number(313), 1);

  GProviderRegistry::GetInstance()->Unregister(RWCString("QVNRA 1.0"));
  services_.Change([](GUpwardServices& s) { s.updateSession = nullptr; });
}

}  // namespace
