// Fuzz target: arbitrary answers of the network registry agent. The input
// chooses, value by value, what the agent leaves in the printer's data
// (nothing, a number, a text of any bytes, binary bytes, or a value of
// another type) for every value the update session reads back, and the
// session runs on a configuration with accessories, ranges and option
// entries. Hostile answers may only change the configuration's values: no
// crash, hang, over-read or unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/GNRAProvider.h"
#include "config/GNRAUpdateSession.h"
#include "driver/GUpwardServices.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "support/DriverInstanceTestSupport.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "win32/Window.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"

namespace {

constexpr const char16_t* kPrinter = u"Test Printer";
constexpr int32_t kNoId = 0;

// The values the session reads back, in the order the input scripts them.
const char16_t* const kValues[] = {
    u"MODEL_NAME", u"HOST-APPLICATION-AVAILABLE-MEMORY", u"prtMediaPathType2", u"hrMemorySize", u"PLUX_MODE",
    u"prtInputMaxCapacity1", u"prtInputMaxCapacity2", u"prtInputMaxCapacity3", u"PHD1-MODEL",
    u"PHD1-DEVICE-MEMORY", u"PHD2-MODEL", u"PHD2-DEVICE-MEMORY", u"prtOutputName1", u"prtOutputName2",
    u"prtOutputName3", u"MEDIA1-NAME", u"MEDIA2-NAME", u"MEDIA3-NAME", u"Media-Names-Available",
    u"hrDiskStorageMedia1", u"hrDiskStorageMedia2", u"HELD-JOB-ENABLE", u"NOT-READY-SOURCE-SCANNER",
    u"PHD1-NUMBER-OF-OPTIONS", u"PHD2-NUMBER-OF-OPTIONS", u"PHD1-OPTION1-OPTION_MODEL",
    u"PHD1-OPTION2-OPTION_MODEL", u"PHD2-OPTION1-OPTION_MODEL",
};

struct Answer {
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
};
std::vector<Answer> g_answers;
int g_refuseAfter = -1;  // wakes answered before the agent refuses; -1 never
int g_wakes = 0;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::vector<BYTE> Bytes(size_t n) {
    std::vector<BYTE> out;
    while (n-- > 0 && at_ < size_) out.push_back(data_[at_++]);
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

LRESULT AgentProcedure(HWND, UINT, WPARAM, LPARAM code) {
  if (g_refuseAfter >= 0 && g_wakes >= g_refuseAfter) return 1;
  if (code == 1) {
    for (const Answer& a : g_answers) w32test::WritePrinterData(kPrinter, a.name, a.type, a.data);
    ++g_wakes;
  }
  return 0;
}

GAttributeComposite* Group(int32_t id) { return new GAttributeComposite(&id); }
GValueAttribute* Value(int32_t id, int16_t v) { return new GValueAttribute(v, &id); }

GPaperHandlingDevice* Device(const char* name, int32_t kind, int32_t mode, int32_t source, int16_t trayOrBin) {
  auto* device = new GPaperHandlingDevice(RWCString(name), kind, 1, 0, mode, source, &kNoId);
  for (int16_t key : {1, 2, 3, 5}) {
    GAttributeComposite* option = Group(kNoId);
    if (kind == GPaperHandlingDevice::kInputDevice) {
      option->AddChild(new GTray("Tray", trayOrBin, 0, 0, 500 * key, 0, nullptr, &kNoId));
    } else {
      option->AddChild(new GBin(RWCString("Bin"), static_cast<int16_t>(trayOrBin + key), &kNoId));
    }
    device->SetOption(key, GCountedPtr(option));
  }
  return device;
}

GConfiguration* Configuration() {
  auto* configuration = new GConfiguration(198);
  GAttributeComposite* discovered = Group(228);
  const int32_t modelId = 229, rangeId = 202, modelsId = 230;
  discovered->AddChild(new GStringAttribute("", &modelId));
  discovered->AddChild(Value(313, 0));
  discovered->AddChild(new GRangeAttribute(100, 3200, 1, 800, &rangeId));
  for (int32_t id : {204, 201, 231, 980, 226, 441, 1011}) discovered->AddChild(Value(id, 0));
  GAttributeComposite* devices = Group(90);
  devices->AddChild(Device("Feeder", GPaperHandlingDevice::kInputDevice, 1, 1, 3));
  devices->AddChild(Device("Deck", GPaperHandlingDevice::kInputDevice, 3, 0, 5));
  devices->AddChild(Device("Mailbox", GPaperHandlingDevice::kOutputDevice, 2, 1, 3));
  discovered->AddChild(devices);
  discovered->AddChild(Group(701));
  discovered->AddChild(Group(314));
  GAttributeComposite* options = Group(1208);
  GAttributeComposite* entry = Group(kNoId);
  const int32_t matchId = 1206, targetId = 1300;
  entry->AddChild(new GStringAttribute("Opt", &matchId));
  entry->AddChild(Value(1207, 1300));
  entry->AddChild(Value(targetId, 0));
  options->AddChild(entry);
  discovered->AddChild(options);
  configuration->AddChild(discovered);
  GAttributeComposite* models = Group(modelsId);
  models->AddChild(new GStringAttribute("M", &kNoId));
  configuration->AddChild(models);
  for (int32_t id : {232, 233, 234, 236, 700}) {
    const int16_t last = id == 233 || id == 234 ? 3 : 2;
    configuration->AddChild(new GRangeAttribute(1, last, 1, 1, &id));
  }
  return configuration;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qvtest::TestDriverInstance* instance = [] {
    GUpwardServices services;
    services.factory = new GNT40OSFactory;
    InstallUpwardServices(services);
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    w32test::AddPrinter(setup);
    w32test::CreateTestWindow(u"qvnra", u"", &AgentProcedure);
    return new qvtest::TestDriverInstance;
  }();

  Input input(data, size);
  g_answers.clear();
  g_wakes = 0;
  const uint8_t control = input.Byte();
  g_refuseAfter = control & 0x80 ? (control & 1) : -1;
  const int checkModel = control & 0x40 ? 1 : 0;
  for (const char16_t* name : kValues) {
    const uint8_t kind = input.Byte();
    switch (kind % 6) {
      case 0:  // left as the session wrote it
        break;
      case 1:
        g_answers.push_back({name, REG_DWORD, input.Bytes(4)});
        break;
      case 2:
      case 3:
        g_answers.push_back({name, REG_SZ, input.Bytes(input.Byte())});
        break;
      case 4:
        g_answers.push_back({name, REG_BINARY, input.Bytes(input.Byte() % 8)});
        break;
      default:  // a type the session does not expect
        g_answers.push_back({name, static_cast<DWORD>(input.Byte() % 8), input.Bytes(kind % 5)});
        break;
    }
  }
  // The model the agent reports is accepted when the check is on and the
  // answer says "M".
  std::unique_ptr<GConfiguration> configuration(Configuration());
  GNRAProvider provider;
  std::unique_ptr<GProviderSession> session(
      provider.CreateSession(instance, RWCString("QVNRA 1.0"), 0x10000, RWWString(u"LPT1:")));
  const int16_t result = session->Run(configuration.get(), checkModel);
  if (result != 0 && result != 1 && result != 8 && result != 602) __builtin_trap();
  return 0;
}
