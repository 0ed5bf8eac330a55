// The DEVMODE round trip through the module's exports, as the spooler and an
// application make it: DrvConvertDevMode(CDM_CONVERT) and
// DrvDocumentProperties(DM_IN_BUFFER | DM_COPY) on the driver's own DEVMODE.
// Each is reported as a ratio (counter "x_zlib") to the floor of the same
// work: zlib compressing and uncompressing the same settings bytes with
// compress and uncompress; and ("x_zlib_reused") to zlib doing it on states
// set up once and reset, the stricter floor.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchFloor.h"
#include "w32host/Administration.h"
#include "win32/DevMode.h"
#include "win32/File.h"
#include "win32/Module.h"
#include "win32/Spooler.h"

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr const char16_t* kDriver = u"Quarrin 4700";
constexpr size_t kTotalSize = 1172;
constexpr size_t kSettingsOffset = 270;
constexpr DWORD DM_COPY = 2, DM_IN_BUFFER = 8;
constexpr DWORD CDM_CONVERT = 1;

using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using ConvertDevModeProc = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);

// The module loaded once for the whole run on the sample model, with one
// printer and the driver's default DEVMODE.
struct LoadedDriver {
  LoadedDriver() {
    std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
    const std::string model((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (model.empty() || !w32host::PutFile(kDataFile, model)) return;
    w32host::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = kDriver;
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    w32host::AddPrinter(setup);
    // Loaded as the spooler loads it: the platform maps the image with the
    // resources it carries and attaches it.
    w32host::SetModuleImage(kModulePath, QV_MODULE_FILE);
    library = LoadLibraryW(kModulePath);
    if (library == nullptr) return;
    properties = reinterpret_cast<DocumentPropertiesProc>(GetProcAddress(library, "DrvDocumentProperties"));
    convert = reinterpret_cast<ConvertDevModeProc>(GetProcAddress(library, "DrvConvertDevMode"));
    if (properties == nullptr || convert == nullptr || !OpenPrinterW(kPrinter, &printer, nullptr)) return;
    defaults.assign(kTotalSize, 0);
    if (properties(nullptr, printer, Name(), Dm(defaults), nullptr, DM_COPY) != 1) return;
    // The settings bytes: the private area's settings, inflated.
    const size_t length = defaults[266] | (defaults[267] << 8);
    settings.resize(4096);
    uLongf size = settings.size();
    if (uncompress(settings.data(), &size, defaults.data() + kSettingsOffset, length) != Z_OK) return;
    settings.resize(size);
    ready = true;
  }
  static LPWSTR Name() { return const_cast<LPWSTR>(kPrinter); }
  static DEVMODEW* Dm(std::vector<uint8_t>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

  // zlib's compress and uncompress of the settings bytes: the floor.
  double ZlibFloor() {
    std::vector<Bytef> packed(compressBound(settings.size())), back(settings.size());
    return qvbench::FloorSeconds([&] {
      uLongf packedSize = packed.size();
      compress(packed.data(), &packedSize, settings.data(), settings.size());
      uLongf backSize = back.size();
      uncompress(back.data(), &backSize, packed.data(), packedSize);
      benchmark::DoNotOptimize(back.data());
    });
  }

  // The same with one deflate and one inflate state reset between calls:
  // zlib's own work, without setting a state up.
  double ZlibReusedFloor() {
    std::vector<Bytef> packed(compressBound(settings.size())), back(settings.size());
    z_stream deflater{}, inflater{};
    deflateInit(&deflater, Z_DEFAULT_COMPRESSION);
    inflateInit(&inflater);
    const double floor = qvbench::FloorSeconds([&] {
      deflateReset(&deflater);
      deflater.next_in = settings.data();
      deflater.avail_in = static_cast<uInt>(settings.size());
      deflater.next_out = packed.data();
      deflater.avail_out = static_cast<uInt>(packed.size());
      deflate(&deflater, Z_FINISH);
      inflateReset(&inflater);
      inflater.next_in = packed.data();
      inflater.avail_in = static_cast<uInt>(deflater.total_out);
      inflater.next_out = back.data();
      inflater.avail_out = static_cast<uInt>(back.size());
      inflate(&inflater, Z_FINISH);
      benchmark::DoNotOptimize(back.data());
    });
    deflateEnd(&deflater);
    inflateEnd(&inflater);
    return floor;
  }

  HMODULE library = nullptr;
  HANDLE printer = nullptr;
  DocumentPropertiesProc properties = nullptr;
  ConvertDevModeProc convert = nullptr;
  std::vector<uint8_t> defaults, settings;
  bool ready = false;
};

LoadedDriver& Driver() {
  static LoadedDriver* driver = new LoadedDriver;  // kept loaded until the process ends
  return *driver;
}

template <typename Call>
void RunAgainstZlib(benchmark::State& state, Call call) {
  LoadedDriver& driver = Driver();
  if (!driver.ready) {
    state.SkipWithError("the module could not be loaded on the sample model");
    return;
  }
  const double floor = driver.ZlibFloor();
  const double reusedFloor = driver.ZlibReusedFloor();
  // The output starts as a DEVMODE of the driver's (CDM_CONVERT writes only
  // into one of its own layout).
  std::vector<uint8_t> out = driver.defaults;
  uint64_t calls = 0;
  const auto start = qvbench::Clock::now();
  for (auto _ : state) {
    if (!call(driver, out)) {
      state.SkipWithError("the call failed");
      return;
    }
    ++calls;
  }
  const double each = qvbench::SecondsSince(start) / static_cast<double>(calls ? calls : 1);
  state.counters["settings_bytes"] = static_cast<double>(driver.settings.size());
  state.counters["zlib_us"] = floor * 1e6;
  state.counters["x_zlib"] = each / floor;
  state.counters["zlib_reused_us"] = reusedFloor * 1e6;
  state.counters["x_zlib_reused"] = each / reusedFloor;
}

void BM_DevModeConvert(benchmark::State& state) {
  RunAgainstZlib(state, [](LoadedDriver& d, std::vector<uint8_t>& out) {
    LONG size = static_cast<LONG>(out.size());
    return d.convert(LoadedDriver::Name(), LoadedDriver::Dm(d.defaults), LoadedDriver::Dm(out), &size,
                     CDM_CONVERT) == TRUE;
  });
}
BENCHMARK(BM_DevModeConvert);

void BM_DevModeDocumentProperties(benchmark::State& state) {
  RunAgainstZlib(state, [](LoadedDriver& d, std::vector<uint8_t>& out) {
    return d.properties(nullptr, d.printer, LoadedDriver::Name(), LoadedDriver::Dm(out),
                        LoadedDriver::Dm(d.defaults), DM_IN_BUFFER | DM_COPY) == 1;
  });
}
BENCHMARK(BM_DevModeDocumentProperties);

}  // namespace
