// The testing interface of the stand-in, part Spooler: see "w32test/Testing.h".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "w32host/Administration.h"
#include "win32/Spooler.h"
#include "w32test/Registry.h"

namespace w32test {

using w32host::PrinterSetup;


// Installs the printer (replacing one of the same name; its printer data
// stays) and creates its registry keys.
void AddPrinter(const PrinterSetup& printer);
// The user does not hold `rights` on the printer: an OpenPrinterW that asks
// for any of them fails with ERROR_ACCESS_DENIED. The default makes a request
// for PRINTER_ALL_ACCESS fail while a plain open still works.
void RefuseAccess(const std::u16string& printer, DWORD rights = PRINTER_ACCESS_ADMINISTER);

// The printer's printer data, read and written without a handle.
std::optional<RegistryValue> ReadPrinterData(const std::u16string& printer, const std::u16string& name);
void WritePrinterData(const std::u16string& printer, const std::u16string& name, DWORD type, std::vector<BYTE> data);
std::vector<std::u16string> PrinterDataNames(const std::u16string& printer);
// The registry path of the printer's printer data, under HKEY_LOCAL_MACHINE.
std::u16string PrinterDataKey(const std::u16string& printer);

// The printer's default DEVMODE as SetPrinterW level 2 left it.
std::vector<BYTE> PrinterDevMode(const std::u16string& printer);
// The directory actions given to SetPrinterW level 7, in order.
std::vector<DWORD> DirectoryActions(const std::u16string& printer);
// Printer handles opened and not yet closed.
size_t OpenPrinterCount();

// A print job as the spooler received it.
struct PrintJob {
  enum class Status { kPrinting, kComplete, kCancelled };
  DWORD id = 0;
  std::u16string documentName;
  std::u16string outputFile;
  std::u16string datatype;
  std::string bytes;  // what WritePrinter delivered, in order
  Status status = Status::kPrinting;
};
// The printer's jobs in the order they were started.
std::vector<PrintJob> PrintJobs(const std::u16string& printer);

}  // namespace w32test
