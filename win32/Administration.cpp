// The host's administration calls, on top of the parts' own state. The
// lasting state's calls are in Persistence.cpp.
#include "w32host/Administration.h"

#include "w32detail/Module.h"
#include "w32test/CompStui.h"
#include "w32test/File.h"
#include "w32test/Gdi.h"
#include "w32test/Spooler.h"

namespace w32host {

bool PutFile(LPCWSTR path, const std::string& bytes) { return w32test::PutFile(path, bytes); }

void AddPrinter(const PrinterSetup& printer) { w32test::AddPrinter(printer); }

std::vector<PrinterDataValue> PrinterData(const std::u16string& printer) {
  std::vector<PrinterDataValue> values;
  for (const std::u16string& name : w32test::PrinterDataNames(printer)) {
    auto value = w32test::ReadPrinterData(printer, name);
    if (value) values.push_back(PrinterDataValue{name, value->type, std::move(value->data)});
  }
  return values;
}

void AddResourceLibrary(const std::u16string& path, const std::map<UINT, std::u16string>& strings) {
  w32test::ModuleSpec library;
  library.name = path;
  library.path = path;
  library.strings = strings;
  w32test::InstallModule(library);
}

DWORD ModuleLoadCount(LPCWSTR path) { return w32test::ModuleLoadCount(path); }

HDC CreateRecordingDC() { return w32test::CreateRecordingDC(); }

std::vector<EscapeRecord> DcEscapes(HDC dc) { return w32test::DcEscapes(dc); }

size_t DcTextCount(HDC dc) { return w32test::DcTexts(dc).size(); }

const std::vector<SheetPageRecord>& SheetPages() { return w32test::SheetPages(); }

void QueueSheetResult(LONG result) { w32test::QueueSheetResult(result); }

}  // namespace w32host
