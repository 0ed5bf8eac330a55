// qvhost: the command-line host. It plays the spooler and an application
// for the driver's user-interface module on the headless platform stand-in:
// it installs a printer of the sample device model, asks for and converts
// DEVMODEs, lists the device capabilities, runs a print job's document
// events and the property sheets. The module is loaded with dlopen and used
// through its exported entry points only. The platform's state (printers,
// printer data, forms, registry, files) is kept in a state directory
// between runs.
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/DevModeView.h"
#include "host/HostModule.h"
#include "host/PngFile.h"
#include "host/PrintCommand.h"
#include "host/StateLock.h"
#include "host/Text.h"
#include "w32host/Administration.h"
#include "w32host/Pictures.h"
#include "win32/CompStui.h"
#include "win32/DevMode.h"
#include "win32/DriverUI.h"
#include "win32/File.h"
#include "win32/Gdi.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"

#ifndef QV_MODULE_FILE
#define QV_MODULE_FILE "libqvui.so"
#endif
#ifndef QV_SAMPLE_MODEL_FILE
#define QV_SAMPLE_MODEL_FILE "quarrin4700.dat"
#endif

namespace {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;       // the module answered a failure
constexpr int kUsage = 2;        // bad arguments
constexpr int kNoPrinter = 3;    // no such printer
constexpr int kFileError = 4;    // a file cannot be read or written
constexpr int kPlatformError = 5;  // the state or the module cannot be loaded

constexpr const char* kDefaultState = ".qvhost";
// How long a command waits for another that holds its state directory.
constexpr double kDefaultLockTimeout = 60.0;
constexpr const char* kDefaultPrinter = "Quarrin 4700";
constexpr const char16_t* kDriverName = u"Quarrin 4700";
constexpr const char16_t* kDataFileName = u"QUARRIN.DAT";
constexpr const char16_t* kModuleFileName = u"QVUI.DLL";
// The largest files read: a device model, and a DEVMODE (whose two size
// words can announce at most 128 KiB).
constexpr size_t kMaxModelFile = 64u << 20;
constexpr size_t kMaxDevModeFile = 1u << 20;

// DEVMODE modes and conversions, printer events, document events.
constexpr DWORD DM_UPDATE_MODE = 1, DM_COPY_MODE = 2, DM_PROMPT_MODE = 4, DM_IN_BUFFER_MODE = 8;
constexpr DWORD CDM_CONVERT_MODE = 1, CDM_DRIVER_DEFAULT_MODE = 4;
constexpr INT kPrinterEventInitialize = 3;

using DeviceCapabilitiesProc = LONG (*)(HANDLE, LPWSTR, WORD, LPVOID, DEVMODEW*);
using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using ConvertDevModeProc = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using PrinterEventProc = BOOL (*)(LPWSTR, INT, DWORD, LPARAM);
using UpgradePrinterProc = BOOL (*)(DWORD, DRIVER_UPGRADE_INFO_1*);
using DocumentEventProc = INT (*)(HANDLE, HDC, INT, ULONG, LPVOID, ULONG, LPVOID);

// A usage error, a failure and so on: the message goes to stderr.
struct Failure {
  int status;
  std::string message;
};

[[noreturn]] void Fail(int status, const std::string& message) { throw Failure{status, message}; }

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != 0 ? std::string(v) : fallback;
}

std::vector<uint8_t> ReadHostFile(const std::string& path, const char* what, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(kFileError, std::string("cannot read ") + what + " " + path);
  std::vector<uint8_t> bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > limit) Fail(kFileError, std::string(what) + " " + path + " is too large");
  }
  if (in.bad()) Fail(kFileError, std::string("cannot read ") + what + " " + path);
  return bytes;
}

void WriteHostFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.flush();
  if (!out) Fail(kFileError, "cannot write " + path);
}

// ---- Options of a command ----

struct OptionSpec {
  const char* name;  // "--printer"
  bool takesValue;
};

class Options {
 public:
  Options(const std::string& command, const std::vector<std::string>& args, const std::vector<OptionSpec>& specs) {
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      std::string name = a, value;
      bool inlineValue = false;
      if (const size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      const OptionSpec* spec = nullptr;
      for (const OptionSpec& s : specs)
        if (name == s.name) spec = &s;
      if (spec == nullptr) {
        Fail(kUsage, (a.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + a + " (see qvhost " +
                         command + " --help)");
      }
      if (spec->takesValue && !inlineValue) {
        if (i + 1 >= args.size()) Fail(kUsage, name + " needs a value (see qvhost " + command + " --help)");
        value = args[++i];
      } else if (!spec->takesValue && inlineValue) {
        Fail(kUsage, name + " takes no value");
      }
      values_[name].push_back(value);
    }
  }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::string Get(const std::string& name, const std::string& fallback = std::string()) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
  }
  std::vector<std::string> All(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
  }

 private:
  std::map<std::string, std::vector<std::string>> values_;
};

// ---- The session: the platform's state, the printer, the module ----

struct Globals {
  std::string state;
  std::string module;
  std::string model;
};

class Session {
 public:
  // Holds the state directory for the whole command: from before the state
  // is read until after it is saved.
  explicit Session(const Globals& g) : globals_(g) {
    std::string why;
    if (!lock_.Acquire(g.state, LockTimeout(), &why)) Fail(kPlatformError, why);
    if (!w32host::LoadPlatformState(g.state, &why)) Fail(kPlatformError, why);
  }
  ~Session() {
    if (printer_ != nullptr) ClosePrinter(printer_);
    module_.Close();
  }

  // Ends the module's use on the calling thread.
  void Detach() {
    if (printer_ != nullptr) ClosePrinter(printer_);
    printer_ = nullptr;
    module_.Detach();
  }

  // Saves the platform's state after the module has let go of it.
  void Finish() {
    if (printer_ != nullptr) ClosePrinter(printer_);
    printer_ = nullptr;
    module_.Close();
    std::string why;
    if (!w32host::SavePlatformState(globals_.state, &why)) Fail(kPlatformError, why);
  }

  // QVHOST_LOCK_TIMEOUT in seconds (a non-negative number), else the default.
  static double LockTimeout() {
    const std::string text = Env("QVHOST_LOCK_TIMEOUT", "");
    if (text.empty()) return kDefaultLockTimeout;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != 0 || !(seconds >= 0) || seconds > 86400)
      Fail(kUsage, "QVHOST_LOCK_TIMEOUT must be a number of seconds, not \"" + text + "\"");
    return seconds;
  }

  void LoadModule() {
    std::string why;
    if (!module_.Open(globals_.module, &why)) Fail(kPlatformError, why);
  }

  // Opens the printer the command works on; it must be installed.
  void UsePrinter(const std::string& name) {
    name_ = FromUtf8(name);
    if (!OpenPrinterW(name_.c_str(), &printer_, nullptr))
      Fail(kNoPrinter, "no printer named \"" + name + "\" is installed (install one with: qvhost install)");
  }

  template <class Proc>
  Proc Entry(const char* name) {
    Proc p = module_.Entry<Proc>(name);
    if (p == nullptr) Fail(kPlatformError, std::string("the module does not export ") + name);
    return p;
  }

  HANDLE Printer() const { return printer_; }
  LPWSTR Name() { return name_.data(); }
  const Globals& globals() const { return globals_; }

 private:
  // Declared first: given back last, after the module and the printer.
  StateLock lock_;
  Globals globals_;
  HostModule module_;
  HANDLE printer_ = nullptr;
  std::u16string name_;
};

HANDLE g_formPrinter = nullptr;

// The spooler's name of paper number n: form n of the printer's server.
std::string FormName(int paper) {
  if (paper < 1 || g_formPrinter == nullptr) return std::string();
  DWORD needed = 0, returned = 0;
  EnumFormsW(g_formPrinter, 1, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed);
  if (needed == 0 || !EnumFormsW(g_formPrinter, 1, buffer.data(), needed, &needed, &returned)) return std::string();
  if (static_cast<DWORD>(paper) > returned) return std::string();
  const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  if (paper > 41 || forms[paper - 1].Flags != FORM_BUILTIN) return std::string();
  return ToUtf8(forms[paper - 1].pName);
}

void PrintDevMode(Session& s, const std::vector<uint8_t>& bytes) {
  g_formPrinter = s.Printer();
  DevModeView(bytes).Print(std::cout, &FormName);
}

// A DEVMODE read from a file, checked before the module sees it.
std::vector<uint8_t> ReadDevModeFile(const std::string& path) {
  std::vector<uint8_t> bytes = ReadHostFile(path, "the DEVMODE file", kMaxDevModeFile);
  std::string why;
  if (!DevModeView::Check(bytes, &why)) Fail(kFileError, "the DEVMODE in " + path + " is unusable: " + why);
  return bytes;
}

// DrvDocumentProperties as an application asks for the printer's DEVMODE.
std::vector<uint8_t> DefaultDevMode(Session& s) {
  auto properties = s.Entry<DocumentPropertiesProc>("DrvDocumentProperties");
  const LONG size = properties(nullptr, s.Printer(), s.Name(), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(sizeof(DEVMODEW)) || size > 65536)
    Fail(kFailed, "DrvDocumentProperties answered " + std::to_string(size) + " for the DEVMODE's size");
  std::vector<uint8_t> dm(static_cast<size_t>(size), 0);
  const LONG r = properties(nullptr, s.Printer(), s.Name(), reinterpret_cast<DEVMODEW*>(dm.data()), nullptr,
                            DM_COPY_MODE);
  if (r != 1) Fail(kFailed, "DrvDocumentProperties(DM_COPY) answered " + std::to_string(r));
  return dm;
}

std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_INSUFFICIENT_BUFFER: return "ERROR_INSUFFICIENT_BUFFER";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    default: return std::to_string(error);
  }
}

// ---- Commands ----

struct Command {
  const char* name;
  const char* summary;
  const char* help;
  std::vector<OptionSpec> options;
  std::function<int(Session&, const Options&)> run;
};

int Install(Session& s, const Options& o) {
  const std::string name = o.Get("--printer", kDefaultPrinter);
  const std::string port = o.Get("--port", "LPT1:");
  if (name.empty() || name.size() > 200) Fail(kUsage, "a printer name has 1 to 200 characters");
  const std::vector<uint8_t> model = ReadHostFile(s.globals().model, "the device model", kMaxModelFile);
  const std::u16string dataFile = std::u16string(HostModule::kDriverDirectory) + u"\\" + kDataFileName;
  if (!w32host::PutFile(dataFile.c_str(), std::string(model.begin(), model.end())))
    Fail(kFileError, "cannot put the device model into the driver directory");

  w32host::PrinterSetup setup;
  setup.name = FromUtf8(name);
  setup.portName = FromUtf8(port);
  setup.driverName = kDriverName;
  setup.driverDirectory = HostModule::kDriverDirectory;
  setup.driverPath = kModuleFileName;
  setup.configFile = kModuleFileName;
  setup.dataFile = kDataFileName;
  HANDLE existing = nullptr;
  const bool replacing = OpenPrinterW(setup.name.c_str(), &existing, nullptr);
  if (replacing) ClosePrinter(existing);
  w32host::AddPrinter(setup);
  std::cout << (replacing ? "Reinstalled" : "Installed") << " printer \"" << name << "\"\n"
            << "  driver      " << ToUtf8(kDriverName) << "\n"
            << "  port        " << port << "\n"
            << "  data file   " << ToUtf8(dataFile) << " (" << model.size() << " bytes)\n";

  s.LoadModule();
  s.UsePrinter(name);
  // The spooler asks the driver for the new printer's default DEVMODE,
  // initialises the printer, then lets the driver bring the printer's
  // stored settings up to date.
  auto convert = s.Entry<ConvertDevModeProc>("DrvConvertDevMode");
  LONG size = 0;
  std::vector<uint8_t> probe(sizeof(DEVMODEW), 0);
  convert(s.Name(), nullptr, reinterpret_cast<DEVMODEW*>(probe.data()), &size, CDM_DRIVER_DEFAULT_MODE);
  BOOL defaulted = FALSE;
  if (size >= static_cast<LONG>(sizeof(DEVMODEW)) && size <= 65536) {
    std::vector<uint8_t> dm(static_cast<size_t>(size), 0);
    defaulted = convert(s.Name(), nullptr, reinterpret_cast<DEVMODEW*>(dm.data()), &size, CDM_DRIVER_DEFAULT_MODE);
  }
  std::cout << "DrvConvertDevMode(CDM_DRIVER_DEFAULT): " << (defaulted ? "TRUE" : "FALSE") << "\n";
  const BOOL initialised = s.Entry<PrinterEventProc>("DrvPrinterEvent")(s.Name(), kPrinterEventInitialize, 0, 0);
  std::cout << "DrvPrinterEvent(PRINTER_EVENT_INITIALIZE): " << (initialised ? "TRUE" : "FALSE") << "\n";
  std::u16string oldDirectory = HostModule::kDriverDirectory;
  DRIVER_UPGRADE_INFO_1 upgrade{s.Name(), oldDirectory.data()};
  const BOOL upgraded = s.Entry<UpgradePrinterProc>("DrvUpgradePrinter")(1, &upgrade);
  std::cout << "DrvUpgradePrinter(1): " << (upgraded ? "TRUE" : "FALSE") << "\n";
  (void)upgraded;  // a printer with nothing to upgrade may answer FALSE; the spooler goes on

  std::cout << "Printer data\n";
  for (const w32host::PrinterDataValue& value : w32host::PrinterData(setup.name)) {
    std::cout << "  " << std::left << std::setw(28) << ToUtf8(value.name) << " type " << value.type << ", "
              << value.data.size() << " bytes\n";
  }
  return defaulted && initialised ? kOk : kFailed;
}

int DevMode(Session& s, const Options& o) {
  const std::string modeName = o.Get("--mode", "copy");
  DWORD mode = 0;
  if (modeName == "copy") mode = DM_COPY_MODE;
  else if (modeName == "update") mode = DM_UPDATE_MODE;
  else Fail(kUsage, "--mode is copy or update, not \"" + modeName + "\"");
  std::vector<uint8_t> in;
  if (o.Has("--in")) in = ReadDevModeFile(o.Get("--in"));
  s.LoadModule();
  s.UsePrinter(o.Get("--printer", kDefaultPrinter));
  if (in.empty() && o.Has("--set")) in = DefaultDevMode(s);
  if (!in.empty()) {
    DevModeView view(std::move(in));
    for (const std::string& assignment : o.All("--set")) {
      std::string why;
      if (!view.Set(assignment, &why)) Fail(kUsage, why);
    }
    in = std::move(view.Bytes());
    mode |= DM_IN_BUFFER_MODE;
  }

  auto properties = s.Entry<DocumentPropertiesProc>("DrvDocumentProperties");
  const LONG size = properties(nullptr, s.Printer(), s.Name(), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(sizeof(DEVMODEW)) || size > 65536)
    Fail(kFailed, "DrvDocumentProperties answered " + std::to_string(size) + " for the DEVMODE's size");
  std::vector<uint8_t> out(static_cast<size_t>(size), 0);
  const LONG r = properties(nullptr, s.Printer(), s.Name(), reinterpret_cast<DEVMODEW*>(out.data()),
                            in.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(in.data()), mode);
  std::cout << "DrvDocumentProperties(" << (mode & DM_COPY_MODE ? "DM_COPY" : "DM_UPDATE")
            << (mode & DM_IN_BUFFER_MODE ? " | DM_IN_BUFFER" : "") << "): " << r << "\n";
  if (r != 1) Fail(kFailed, "DrvDocumentProperties did not give a DEVMODE");
  PrintDevMode(s, out);
  if (o.Has("--out")) {
    WriteHostFile(o.Get("--out"), out.data(), DevModeView(out).Extent());
    std::cout << "Wrote " << DevModeView(out).Extent() << " bytes to " << o.Get("--out") << "\n";
  }
  return kOk;
}

int Convert(Session& s, const Options& o) {
  const std::string modeName = o.Get("--mode", o.Has("--in") ? "convert" : "default");
  if (modeName != "convert" && modeName != "default")
    Fail(kUsage, "--mode is convert or default, not \"" + modeName + "\"");
  if (modeName == "convert" && !o.Has("--in")) Fail(kUsage, "--mode convert needs --in FILE");
  std::vector<uint8_t> in;
  if (o.Has("--in")) in = ReadDevModeFile(o.Get("--in"));
  s.LoadModule();
  s.UsePrinter(o.Get("--printer", kDefaultPrinter));

  auto convert = s.Entry<ConvertDevModeProc>("DrvConvertDevMode");
  // Asked with no room, the conversion says how much it needs.
  LONG size = 0;
  std::vector<uint8_t> out(sizeof(DEVMODEW), 0);
  SetLastError(0);
  convert(s.Name(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &size, CDM_DRIVER_DEFAULT_MODE);
  if (size < static_cast<LONG>(sizeof(DEVMODEW)) || size > 65536)
    Fail(kFailed, "DrvConvertDevMode answered a size of " + std::to_string(size) + " (error " +
                      ErrorText(GetLastError()) + ")");
  out.assign(static_cast<size_t>(size), 0);
  // The driver's defaults, then the caller's DEVMODE converted over them.
  BOOL ok = convert(s.Name(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &size, CDM_DRIVER_DEFAULT_MODE);
  std::cout << "DrvConvertDevMode(CDM_DRIVER_DEFAULT): " << (ok ? "TRUE" : "FALSE") << ", " << size << " bytes\n";
  if (ok && modeName == "convert") {
    SetLastError(0);
    ok = convert(s.Name(), reinterpret_cast<DEVMODEW*>(in.data()), reinterpret_cast<DEVMODEW*>(out.data()), &size,
                 CDM_CONVERT_MODE);
    std::cout << "DrvConvertDevMode(CDM_CONVERT): " << (ok ? "TRUE" : "FALSE");
    if (!ok) std::cout << " (error " << ErrorText(GetLastError()) << ")";
    std::cout << "\n";
  }
  if (!ok) Fail(kFailed, "the conversion failed");
  PrintDevMode(s, out);
  if (o.Has("--out")) {
    WriteHostFile(o.Get("--out"), out.data(), DevModeView(out).Extent());
    std::cout << "Wrote " << DevModeView(out).Extent() << " bytes to " << o.Get("--out") << "\n";
  }
  return kOk;
}

// ---- Capabilities ----

struct Capability {
  WORD index;
  const char* name;
  enum Shape { kNumber, kHexNumber, kExtent, kWords, kNames64, kNames24, kNames32, kPairs, kDwords, kRecord } shape;
};

constexpr Capability kCapabilities[] = {
    {1, "DC_FIELDS", Capability::kHexNumber},
    {2, "DC_PAPERS", Capability::kWords},
    {3, "DC_PAPERSIZE", Capability::kPairs},
    {4, "DC_MINEXTENT", Capability::kExtent},
    {5, "DC_MAXEXTENT", Capability::kExtent},
    {6, "DC_BINS", Capability::kWords},
    {7, "DC_DUPLEX", Capability::kNumber},
    {8, "DC_SIZE", Capability::kNumber},
    {9, "DC_EXTRA", Capability::kNumber},
    {10, "DC_VERSION", Capability::kHexNumber},
    {11, "DC_DRIVER", Capability::kNumber},
    {12, "DC_BINNAMES", Capability::kNames24},
    {13, "DC_ENUMRESOLUTIONS", Capability::kPairs},
    {14, "DC_FILEDEPENDENCIES", Capability::kNames64},
    {15, "DC_TRUETYPE", Capability::kHexNumber},
    {16, "DC_PAPERNAMES", Capability::kNames64},
    {17, "DC_ORIENTATION", Capability::kNumber},
    {18, "DC_COPIES", Capability::kNumber},
    {22, "DC_COLLATE", Capability::kNumber},
    {25, "DC_PERSONALITY", Capability::kNames32},
    {26, "DC_PRINTRATE", Capability::kNumber},
    {27, "DC_PRINTRATEUNIT", Capability::kNumber},
    {28, "DC_PRINTERMEM", Capability::kNumber},
    {29, "DC_MEDIAREADY", Capability::kNames64},
    {30, "DC_STAPLE", Capability::kNumber},
    {31, "DC_PRINTRATEPPM", Capability::kNumber},
    {32, "DC_COLORDEVICE", Capability::kNumber},
    {33, "DC_NUP", Capability::kDwords},
    {22097, "DC_PRIVATE", Capability::kRecord},
};

// The values of an array capability, one text each.
std::vector<std::string> CapabilityValues(Session& s, const Capability& c, LONG count, DEVMODEW* dm) {
  std::vector<std::string> values;
  if (count <= 0 || count > 4096) return values;
  const size_t n = static_cast<size_t>(count);
  auto caps = s.Entry<DeviceCapabilitiesProc>("DrvDeviceCapabilities");
  auto names = [&](size_t length) {
    std::vector<char16_t> buffer((n + 1) * length, 0);
    caps(s.Printer(), s.Name(), c.index, buffer.data(), dm);
    for (size_t i = 0; i < n; ++i) {
      std::u16string name;
      for (size_t k = 0; k < length && buffer[i * length + k] != 0; ++k) name += buffer[i * length + k];
      values.push_back(ToUtf8(name));
    }
  };
  switch (c.shape) {
    case Capability::kWords: {
      std::vector<WORD> buffer(n + 1, 0);
      caps(s.Printer(), s.Name(), c.index, buffer.data(), dm);
      for (size_t i = 0; i < n; ++i) values.push_back(std::to_string(buffer[i]));
      break;
    }
    case Capability::kDwords: {
      std::vector<DWORD> buffer(n + 1, 0);
      caps(s.Printer(), s.Name(), c.index, buffer.data(), dm);
      for (size_t i = 0; i < n; ++i) values.push_back(std::to_string(buffer[i]));
      break;
    }
    case Capability::kPairs: {
      std::vector<LONG> buffer(2 * (n + 1), 0);
      caps(s.Printer(), s.Name(), c.index, buffer.data(), dm);
      for (size_t i = 0; i < n; ++i)
        values.push_back(std::to_string(buffer[2 * i]) + "x" + std::to_string(buffer[2 * i + 1]));
      break;
    }
    case Capability::kNames64: names(64); break;
    case Capability::kNames32: names(32); break;
    case Capability::kNames24: names(24); break;
    default: break;
  }
  return values;
}

int Caps(Session& s, const Options& o) {
  std::vector<uint8_t> dm;
  if (o.Has("--in")) dm = ReadDevModeFile(o.Get("--in"));
  s.LoadModule();
  s.UsePrinter(o.Get("--printer", kDefaultPrinter));
  DEVMODEW* devMode = dm.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(dm.data());
  auto caps = s.Entry<DeviceCapabilitiesProc>("DrvDeviceCapabilities");

  std::cout << std::right << std::setw(5) << "Index" << "  " << std::left << std::setw(20) << "Capability"
            << std::right << std::setw(10) << "Answer" << "  Values\n";
  std::map<WORD, std::vector<std::string>> lists;
  for (const Capability& c : kCapabilities) {
    const LONG answer = caps(s.Printer(), s.Name(), c.index, nullptr, devMode);
    std::string shown = std::to_string(answer), detail;
    if (c.shape == Capability::kHexNumber && answer != -1) shown = Hex(static_cast<uint32_t>(answer), 8);
    if (c.shape == Capability::kExtent && answer != -1) {
      const auto packed = static_cast<uint32_t>(answer);
      detail = std::to_string(packed & 0xFFFF) + " x " + std::to_string(packed >> 16) + " (0.1 mm)";
    }
    if (c.shape == Capability::kRecord && answer > 0) detail = "a record of " + std::to_string(answer) + " bytes";
    const std::vector<std::string> values = CapabilityValues(s, c, answer, devMode);
    lists[c.index] = values;
    for (size_t i = 0; i < values.size() && c.index != 2 && c.index != 3 && c.index != 16; ++i)
      detail += (i == 0 ? "" : ", ") + (c.shape == Capability::kNames24 ? "\"" + values[i] + "\"" : values[i]);
    if (c.index == 2 || c.index == 3 || c.index == 16) detail = "(see Papers)";
    if (answer <= 0 && c.index != 0 && (c.index == 2 || c.index == 3 || c.index == 16)) detail.clear();
    std::cout << std::right << std::setw(5) << c.index << "  " << std::left << std::setw(20) << c.name << std::right
              << std::setw(10) << shown << "  " << detail << "\n";
  }

  // The paper list: numbers, names and sizes agree entry by entry.
  const auto& numbers = lists[2];
  const auto& names = lists[16];
  const auto& sizes = lists[3];
  if (!numbers.empty()) {
    std::cout << "Papers\n";
    for (size_t i = 0; i < numbers.size(); ++i) {
      std::cout << "  " << std::right << std::setw(5) << numbers[i] << "  " << std::left << std::setw(34)
                << (i < names.size() ? names[i] : std::string()) << (i < sizes.size() ? sizes[i] : std::string())
                << (i < sizes.size() ? " (0.1 mm)" : "") << "\n";
    }
  }
  return kOk;
}

// ---- The document events of a print job ----

std::string EscapeName(int code) {
  switch (static_cast<uint32_t>(code)) {
    case 0x303EB8E7: return "description";
    case 0x303EB8E8: return "port";
    case 0x303EB8E9: return "application";
    case 0x303EB8EB: return "domain";
    case 0x303EB8EC: return "computer";
    case 0x303EB8EE: return "prompt";
    case 0x303EB8EF: return "user";
    case 0x303EB8F0: return "os";
    case 0x303EB8F1: return "uuid";
    case 0x303EB8F9: return "executable";
    default: return "";
  }
}

std::string Printable(const std::string& bytes) {
  std::string text = bytes;
  while (!text.empty() && text.back() == '\0') text.pop_back();
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

int Job(Session& s, const Options& o) {
  long pages = 1;
  if (o.Has("--pages") && (!ParseNumber(o.Get("--pages"), &pages) || pages < 0 || pages > 100))
    Fail(kUsage, "--pages is a number from 0 to 100");
  const std::u16string document = FromUtf8(o.Get("--document", "qvhost test page"));
  std::vector<uint8_t> dm;
  if (o.Has("--in")) dm = ReadDevModeFile(o.Get("--in"));
  s.LoadModule();
  s.UsePrinter(o.Get("--printer", kDefaultPrinter));
  if (dm.empty()) dm = DefaultDevMode(s);

  auto event = s.Entry<DocumentEventProc>("DrvDocumentEvent");
  HDC dc = w32host::CreateRecordingDC();
  std::u16string driver = kDriverName;
  auto report = [](const char* name, INT result) {
    std::cout << "  " << std::left << std::setw(24) << name << result << "\n";
  };
  std::cout << "Document events\n";
  void* createIn[4] = {driver.data(), s.Name(), dm.data(), nullptr};
  void* copy = nullptr;
  const INT created = event(s.Printer(), dc, 1, sizeof createIn, createIn, sizeof copy, &copy);
  report("CREATEDCPRE", created);
  if (created <= 0) Fail(kFailed, "the module refused the device context");
  void* postIn[1] = {copy != nullptr ? copy : dm.data()};
  report("CREATEDCPOST", event(s.Printer(), dc, 2, sizeof postIn, postIn, 0, nullptr));
  DOCINFOW doc{sizeof(DOCINFOW), document.c_str(), nullptr, nullptr, 0};
  void* startIn[1] = {&doc};
  report("STARTDOC", event(s.Printer(), dc, 5, sizeof startIn, startIn, 0, nullptr));
  report("STARTDOCPOST", event(s.Printer(), dc, 13, 0, nullptr, 0, nullptr));
  for (long page = 0; page < pages; ++page) {
    report("STARTPAGE", event(s.Printer(), dc, 6, 0, nullptr, 0, nullptr));
    report("ENDPAGE", event(s.Printer(), dc, 7, 0, nullptr, 0, nullptr));
  }
  report("ENDDOC", event(s.Printer(), dc, 8, 0, nullptr, 0, nullptr));
  report("ENDDOCPOST", event(s.Printer(), dc, 12, 0, nullptr, 0, nullptr));
  report("DELETEDC", event(s.Printer(), dc, 10, 0, nullptr, 0, nullptr));

  std::cout << "Escapes received by the device context\n";
  for (const w32host::EscapeRecord& e : w32host::DcEscapes(dc)) {
    std::cout << "  " << Hex(static_cast<uint32_t>(e.code), 8) << "  " << std::left << std::setw(12)
              << EscapeName(e.code) << Printable(e.input) << "\n";
  }
  const size_t texts = w32host::DcTextCount(dc);
  if (texts != 0) std::cout << "Text outputs: " << texts << "\n";
  return kOk;
}

// ---- Property sheets ----

void ListPages(size_t from) {
  const auto& pages = w32host::SheetPages();
  if (pages.size() == from) {
    std::cout << "  no pages added\n";
    return;
  }
  for (size_t i = from; i < pages.size(); ++i) {
    const auto& p = pages[i];
    std::cout << "  page " << (i - from + 1) << ": ";
    if (!p.title.empty()) std::cout << "\"" << ToUtf8(p.title) << "\"";
    else std::cout << "dialog " << reinterpret_cast<uintptr_t>(p.record.pszTemplate);
    std::cout << "\n";
  }
}

// With --png DIR, every page a sheet shows is written to DIR as
// "<sheet>-<n>.png"; the sheet's name is set before each run.
struct PagePictures {
  std::string directory;
  std::string sheet;
  int count = 0;
  std::vector<std::string> failures;
};

int Sheets(Session& s, const Options& o) {
  const bool document = o.Has("--document") || !o.Has("--device");
  const bool device = o.Has("--device") || !o.Has("--document");
  PagePictures pictures;
  pictures.directory = o.Get("--png");
  if (o.Has("--png")) {
    if (pictures.directory.empty()) Fail(kUsage, "--png needs a directory");
    w32host::SetPagePictureSink([&pictures](const w32host::SheetPageRecord&, const w32host::Picture& picture) {
      const std::string path =
          pictures.directory + "/" + pictures.sheet + "-" + std::to_string(++pictures.count) + ".png";
      std::string why;
      if (!WritePng(path, picture, &why)) pictures.failures.push_back(why);
      else std::cout << "  wrote " << path << " (" << picture.width << " x " << picture.height << ")\n";
    });
  }
  struct SinkReset {
    ~SinkReset() { w32host::SetPagePictureSink(nullptr); }
  } sinkReset;
  s.LoadModule();
  s.UsePrinter(o.Get("--printer", kDefaultPrinter));
  if (document) {
    auto entry = s.Entry<PFNPROPSHEETUI>("DrvDocumentPropertySheets");
    std::vector<uint8_t> out = DefaultDevMode(s);
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = s.Printer();
    header.pszPrinterName = s.Name();
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.cbOut = static_cast<DWORD>(out.size());
    header.fMode = DM_COPY_MODE | DM_PROMPT_MODE;
    pictures.sheet = "document";
    pictures.count = 0;
    const size_t before = w32host::SheetPages().size();
    w32host::QueueSheetResult(CPSUI_OK);
    DWORD result = 0;
    const LONG run = CommonPropertySheetUIW(nullptr, entry, reinterpret_cast<LPARAM>(&header), &result);
    std::cout << "Document property sheet: ";
    if (run < 0) {
      std::cout << "did not open (answered " << run << ")\n";
    } else {
      std::cout << "closed with " << (result == CPSUI_OK ? "OK" : "Cancel") << "\n";
    }
    ListPages(before);
  }
  if (device) {
    auto entry = s.Entry<PFNPROPSHEETUI>("DrvDevicePropertySheets");
    DEVICEPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = s.Printer();
    header.pszPrinterName = s.Name();
    pictures.sheet = "device";
    pictures.count = 0;
    const size_t before = w32host::SheetPages().size();
    w32host::QueueSheetResult(CPSUI_OK);
    DWORD result = 0;
    const LONG run = CommonPropertySheetUIW(nullptr, entry, reinterpret_cast<LPARAM>(&header), &result);
    std::cout << "Device property sheet: ";
    if (run < 0) {
      std::cout << "not available (answered " << run << ")\n";
    } else {
      std::cout << "closed with " << (result == CPSUI_OK ? "OK" : "Cancel") << "\n";
      ListPages(before);
    }
  }
  if (!pictures.failures.empty()) Fail(kFailed, pictures.failures.front());
  return kOk;
}

// ---- The command table and the help texts ----

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"install", "install a printer of the sample device model",
       "Usage: qvhost install [--printer NAME] [--port PORT]\n"
       "\n"
       "Installs a printer of the sample device model as the spooler does: the\n"
       "driver's files (the module and the device model as its data file) in the\n"
       "driver directory, the printer with its port, then the printer event\n"
       "PRINTER_EVENT_INITIALIZE (DrvPrinterEvent) and the upgrade\n"
       "(DrvUpgradePrinter). An installed printer of the same name is replaced;\n"
       "its printer data stays.\n"
       "\n"
       "  --printer NAME  the printer's name (default \"Quarrin 4700\")\n"
       "  --port PORT     the printer's port (default LPT1:)\n",
       {{"--printer", true}, {"--port", true}},
       Install},
      {"devmode", "show, change and save the printer's DEVMODE (DrvDocumentProperties)",
       "Usage: qvhost devmode [--printer NAME] [--in FILE] [--set FIELD=VALUE]...\n"
       "                      [--mode copy|update] [--out FILE]\n"
       "\n"
       "Asks the module for a DEVMODE as an application does (DrvDocumentProperties)\n"
       "and shows its public fields by name and the document settings of its\n"
       "private part. With --in or --set, the input DEVMODE (the file's, else the\n"
       "printer's default) is given with DM_IN_BUFFER, so the module validates\n"
       "and merges it.\n"
       "\n"
       "  --printer NAME     the printer (default \"Quarrin 4700\")\n"
       "  --in FILE          the application's DEVMODE, as written by --out\n"
       "  --set FIELD=VALUE  changes a public field of the input and sets its\n"
       "                     dmFields bit; e.g. dmCopies=3, orientation=landscape,\n"
       "                     dmPaperSize=9, dmFormName=A4 (repeatable)\n"
       "  --mode copy|update DM_COPY (default) or DM_UPDATE\n"
       "  --out FILE         writes the resulting DEVMODE (dmSize + dmDriverExtra bytes)\n",
       {{"--printer", true}, {"--in", true}, {"--set", true}, {"--mode", true}, {"--out", true}},
       DevMode},
      {"convert", "convert a DEVMODE for the printer (DrvConvertDevMode)",
       "Usage: qvhost convert [--printer NAME] [--in FILE] [--mode convert|default]\n"
       "                      [--out FILE]\n"
       "\n"
       "Converts as the spooler does: asks for the size the driver needs, fills\n"
       "the buffer with the driver's defaults (CDM_DRIVER_DEFAULT) and, with --in,\n"
       "converts the given DEVMODE over them (CDM_CONVERT).\n"
       "\n"
       "  --printer NAME          the printer (default \"Quarrin 4700\")\n"
       "  --in FILE               the DEVMODE to convert\n"
       "  --mode convert|default  convert (the default with --in) or the driver's\n"
       "                          defaults alone (the default without)\n"
       "  --out FILE              writes the resulting DEVMODE\n",
       {{"--printer", true}, {"--in", true}, {"--mode", true}, {"--out", true}},
       Convert},
      {"caps", "list the device capabilities (DrvDeviceCapabilities)",
       "Usage: qvhost caps [--printer NAME] [--in FILE]\n"
       "\n"
       "Asks DrvDeviceCapabilities for every index the module answers and shows\n"
       "the answers as a table, with the lists (papers, bins, resolutions, ...)\n"
       "the indexes describe.\n"
       "\n"
       "  --printer NAME  the printer (default \"Quarrin 4700\")\n"
       "  --in FILE       a DEVMODE the queries are made for\n",
       {{"--printer", true}, {"--in", true}},
       Caps},
      {"job", "run the document events of a print job and show the escapes",
       "Usage: qvhost job [--printer NAME] [--pages N] [--document NAME] [--in FILE]\n"
       "\n"
       "Runs the document events of a print job (DrvDocumentEvent) on a recording\n"
       "printer device context: create-DC, start of the document, N pages, end of\n"
       "the document, delete-DC; then shows the job-information escapes the\n"
       "device context received.\n"
       "\n"
       "  --printer NAME   the printer (default \"Quarrin 4700\")\n"
       "  --pages N        pages of the job, 0 to 100 (default 1)\n"
       "  --document NAME  the document's name (default \"qvhost test page\")\n"
       "  --in FILE        the job's DEVMODE (default: the printer's)\n",
       {{"--printer", true}, {"--pages", true}, {"--document", true}, {"--in", true}},
       Job},
      {"sheets", "run the document and device property sheets",
       "Usage: qvhost sheets [--printer NAME] [--document] [--device] [--png DIR]\n"
       "\n"
       "Runs the property sheets through the platform's common property-sheet UI\n"
       "(DrvDocumentPropertySheets, DrvDevicePropertySheets); the user answers\n"
       "OK. Lists the pages each sheet added.\n"
       "\n"
       "  --printer NAME  the printer (default \"Quarrin 4700\")\n"
       "  --document      only the document sheet\n"
       "  --device        only the device sheet\n"
       "  --png DIR       shows every page and writes what it shows to DIR as\n"
       "                  document-N.png and device-N.png (the directory must exist)\n",
       {{"--printer", true}, {"--document", false}, {"--device", false}, {"--png", true}},
       Sheets},
      {"print", qvhost::kPrintSummary, qvhost::kPrintHelp,
       {{"--printer", true}, {"--in", true}, {"--set", true}, {"--page", true}, {"--sample", false},
        {"--language", true}, {"--document", true}, {"--out", true}, {"--reverse", false},
        {"--manual-duplex", false}, {"--driver-copies", false}, {"--nup", true}, {"--media-type", true}},
       [](Session& s, const Options& o) {
         // The DEVMODE as an application hands it to the job: the file's or
         // the printer's, its public fields changed, merged by the module.
         qvhost::PrintRequest r{.driverName = kDriverName, .modelFile = s.globals().model, .pageFile = o.Get("--page"),
                                .sample = o.Has("--sample"), .language = o.Get("--language"),
                                .document = o.Get("--document", "qvhost print"), .out = o.Get("--out"),
                                .reverse = o.Has("--reverse"), .manualDuplex = o.Has("--manual-duplex"),
                                .driverCopies = o.Has("--driver-copies"), .nup = o.Get("--nup"),
                                .mediaType = o.Get("--media-type")};
         std::vector<uint8_t> in = o.Has("--in") ? ReadDevModeFile(o.Get("--in")) : std::vector<uint8_t>();
         s.LoadModule();
         s.UsePrinter(o.Get("--printer", kDefaultPrinter));
         DevModeView view(in.empty() ? DefaultDevMode(s) : std::move(in));
         for (const std::string& assignment : o.All("--set")) {
           std::string why;
           if (qvhost::IsSettingAssignment(assignment)) r.settings.push_back(assignment);
           else if (!view.Set(assignment, &why)) Fail(kUsage, why);
         }
         auto properties = s.Entry<DocumentPropertiesProc>("DrvDocumentProperties");
         r.devMode.assign(view.Bytes().size() < 65536 ? 65536 : view.Bytes().size(), 0);
         if (properties(nullptr, s.Printer(), s.Name(), reinterpret_cast<DEVMODEW*>(r.devMode.data()),
                        reinterpret_cast<DEVMODEW*>(view.Bytes().data()), DM_COPY_MODE | DM_IN_BUFFER_MODE) != 1)
           Fail(kFailed, "DrvDocumentProperties did not take the job's DEVMODE");
         r.printerName = s.Name();
         r.printer = s.Printer();
         const qvhost::PrintStatus done = qvhost::Print(r);
         if (done.status != kOk) Fail(done.status, done.message);
         std::cout << done.report;
         return kOk;
       }},
  };
  return commands;
}

void Usage(std::ostream& out) {
  out << "Usage: qvhost [--state DIR] [--module FILE] [--model FILE] COMMAND [OPTIONS]\n"
         "\n"
         "Plays the spooler and an application for the printer driver's user-interface\n"
         "module on the headless platform stand-in. The platform's printers, printer\n"
         "data, forms, registry and files are kept in a state directory between runs.\n"
         "\n"
         "Commands:\n";
  for (const Command& c : Commands()) out << "  " << std::left << std::setw(10) << c.name << c.summary << "\n";
  out << "\n"
         "Options:\n"
         "  --state DIR    the state directory (default: $QVHOST_STATE, else ./" << kDefaultState << ")\n"
         "  --module FILE  the module (default: $QVHOST_MODULE, else the one built with qvhost)\n"
         "  --model FILE   the sample device model (default: $QVHOST_MODEL, else the one built)\n"
         "  --help         this text; \"qvhost COMMAND --help\" describes a command\n"
         "\n"
         "Exit status: 0 success, 1 the module reported a failure, 2 bad arguments,\n"
         "3 no such printer, 4 a file cannot be read or written, 5 the state or the\n"
         "module cannot be loaded.\n";
}

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Globals globals{Env("QVHOST_STATE", kDefaultState), Env("QVHOST_MODULE", QV_MODULE_FILE),
                  Env("QVHOST_MODEL", QV_SAMPLE_MODEL_FILE)};
  size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    const std::string& a = args[i];
    if (a == "--help") {
      Usage(std::cout);
      return kOk;
    }
    std::string* target = a == "--state" ? &globals.state : a == "--module" ? &globals.module
                                                          : a == "--model"  ? &globals.model
                                                                            : nullptr;
    if (target == nullptr) Fail(kUsage, "unknown option " + a + " (see qvhost --help)");
    if (i + 1 >= args.size()) Fail(kUsage, a + " needs a value");
    *target = args[++i];
    if (target->empty()) Fail(kUsage, a + " needs a value");
  }
  if (i >= args.size()) {
    Usage(std::cerr);
    return kUsage;
  }
  const std::string name = args[i++];
  const Command* command = nullptr;
  for (const Command& c : Commands())
    if (name == c.name) command = &c;
  if (command == nullptr) Fail(kUsage, "unknown command \"" + name + "\" (see qvhost --help)");
  const std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
  for (const std::string& a : rest)
    if (a == "--help" || a == "-h") {
      std::cout << command->help;
      return kOk;
    }
  const Options options(name, rest, command->options);

  Session session(globals);
  // The module is used on a thread of its own, as the spooler's threads use
  // it: when that thread has ended, the module's keeper thread gives its
  // reference back at once instead of a period after the last call.
  int status = kOk;
  std::optional<Failure> failure;
  std::thread worker([&] {
    try {
      status = command->run(session, options);
    } catch (const Failure& f) {
      failure = f;
    }
    session.Detach();
  });
  worker.join();
  // What the module wrote before a failure is kept, as on a machine.
  try {
    session.Finish();
  } catch (const Failure& f) {
    if (!failure) failure = f;
  }
  if (failure) throw *failure;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const Failure& f) {
    std::cout.flush();
    std::cerr << "qvhost: " << f.message << "\n";
    return f.status;
  }
}
