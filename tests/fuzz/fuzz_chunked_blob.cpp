// Fuzz target: printer-data values laid out as a chunked blob value (a count
// and its chunks, each of any type and length) read back through the NT 4.0
// factory's ReadBlob and LoadObject, in both stream formats. Damaged values
// must only fail the read: no crash, over-read, unbounded allocation or leak,
// and no error reaching the error handler. The input written as a blob must
// read back unchanged.
//
// Input: byte 0 the count (bytes 2-5 instead when bit 0 of byte 1 is set;
// written as REG_BINARY when bit 1 is set), then chunk records: a type byte
// (REG_BINARY, REG_SZ, REG_DWORD or no value), a 16-bit length and the bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/DriverClasses.h"
#include "driver/GUpwardServices.h"
#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"

namespace {

const char16_t kPrinter[] = u"Fuzz Printer";

void Trap(const RWLibraryError&) { __builtin_trap(); }

struct Setup {
  Setup() {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RWSetErrorHandler(&Trap);
    // Any pointer stands for the instance: the accessors ignore it.
    GUpwardServices services;
    services.factory = new GNT40OSFactory;
    services.instance.printerName = [](GDriverInstance*) { return RWWString(kPrinter); };
    services.instance.printerConfiguration = [](GDriverInstance*) -> MPersistentObject* { return nullptr; };
    InstallUpwardServices(services);
  }
};

std::vector<BYTE> Dword(uint32_t v) {
  return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
}

RWWString ChunkName(unsigned i) {
  std::u16string name = u"V:";
  name += std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
  if (i >= 10) name = u"V:" + std::u16string(1, static_cast<char16_t>(u'0' + i / 10)) + name.substr(2);
  return RWWString(name.data(), name.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup setup;
  w32test::Reset();
  w32test::PrinterSetup printer;
  printer.name = kPrinter;
  printer.driverName = u"QV Fuzz";
  w32test::AddPrinter(printer);
  GOSFactory* factory = GOSFactory::GetInstance();
  // Any non-null instance; its printer name comes from the accessor.
  auto* instance = reinterpret_cast<GDriverInstance*>(&setup);

  if (size < 2) return 0;
  uint32_t count = data[0];
  size_t at = 2;
  if ((data[1] & 1) != 0 && size >= 6) {
    count = static_cast<uint32_t>(data[2]) | static_cast<uint32_t>(data[3]) << 8 |
            static_cast<uint32_t>(data[4]) << 16 | static_cast<uint32_t>(data[5]) << 24;
    at = 6;
  }
  w32test::WritePrinterData(kPrinter, u"V", (data[1] & 2) != 0 ? REG_BINARY : REG_DWORD, Dword(count));
  for (unsigned i = 0; i < 100 && at + 3 <= size; ++i) {
    const uint8_t kind = data[at] & 3;
    size_t length = static_cast<size_t>(data[at + 1]) | static_cast<size_t>(data[at + 2]) << 8;
    at += 3;
    if (length > size - at) length = size - at;
    const DWORD types[] = {REG_BINARY, REG_SZ, REG_DWORD};
    const RWWString name = ChunkName(i);
    if (kind < 3) {
      w32test::WritePrinterData(kPrinter, std::u16string(name.Data(), name.Length()), types[kind],
                                std::vector<BYTE>(data + at, data + at + length));
    }
    at += length;
  }

  DWORD needed = 0;
  if (factory->ReadBlob(instance, u"V", nullptr, 0, &needed) == 1) {
    if (needed > (16u << 20)) __builtin_trap();
    std::vector<BYTE> buffer(needed);
    DWORD read = 0;
    if (factory->ReadBlob(instance, u"V", buffer.data(), needed, &read) == 1 && read > needed) __builtin_trap();
  }
  for (int portable : {0, 1}) {
    std::unique_ptr<MPersistentObject> object(factory->LoadObject(instance, u"V", portable));
  }

  // What is written reads back unchanged.
  if (factory->WriteBlob(instance, u"W", data, static_cast<DWORD>(size)) != 1) __builtin_trap();
  std::vector<BYTE> back((size / 248 + 1) * 248);
  DWORD read = 0;
  if (factory->ReadBlob(instance, u"W", back.data(), static_cast<DWORD>(back.size()), &read) != 1) __builtin_trap();
  if (read != size || !std::equal(data, data + size, back.begin())) __builtin_trap();
  return 0;
}
