// The host's administration API: what a program that plays the spooler and
// an application (the command-line host) does to the platform from outside
// the module. It keeps the platform's lasting state between runs, installs
// driver files, printers and the module's image, reads the printer data back,
// and plays the user at a headless screen: it answers property sheets and
// reads what a printer device context received. Tests get it with the
// testing interface; it shares its records with it.
//
// The lasting state is saved and loaded so that the host sees between two
// runs the same printers, printer data, forms, registry and files, as on a
// real machine.
//
// A state directory holds "platform.state" (the registry's two trees, the
// spooler's printers and added forms, and the position of the UUID
// sequence) and "files/", the root of the file tree. The state file is
// little-endian binary: the 8 bytes "QVW32ST\n", a 32-bit format version (1), the 32-bit payload length, the payload and a
// 32-bit FNV-1a checksum of the payload. Every count and length in it is
// checked against what remains before anything is taken, so a damaged file
// is refused with a message and leaves the stand-in as it was.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "win32/CompStui.h"
#include "win32/Gdi.h"
#include "win32/Spooler.h"
#include "win32/Types.h"

namespace w32host {

// The state file's name inside a state directory, and the files' root.
inline constexpr const char* kStateFileName = "platform.state";
inline constexpr const char* kFilesDirectoryName = "files";
inline constexpr unsigned kStateFormatVersion = 1;

// Makes the directory when it does not exist, replaces the registry and the
// spooler state by the saved ones (when a state file is there) and makes
// "files/" the file root. False, with a message in *error, when the
// directory cannot be made or the state file cannot be read or is damaged;
// then nothing has changed.
bool LoadPlatformState(const std::string& directory, std::string* error);

// Writes the registry and the spooler state to the state file (through a
// temporary file, so that a failed save leaves the old state), and copies
// the file tree into "files/" when the file root is elsewhere. The temporary
// file has a name of its own per save. False, with a message in *error, when
// anything cannot be written.
bool SavePlatformState(const std::string& directory, std::string* error);

// ---- Driver files and printers ------------------------------------------
// Writes a file of the platform (a driver file, say), making the
// directories above it; false when it cannot.
bool PutFile(LPCWSTR path, const std::string& bytes);

// A printer as the host (or a test) installs it.
struct PrinterSetup {
  std::u16string name;
  std::u16string serverName;  // "\\server" for a connection to a print server; empty for a local printer
  std::u16string shareName;
  std::u16string portName = u"LPT1:";
  std::u16string driverName;
  std::u16string comment;
  std::u16string location;
  std::u16string printProcessor = u"WinPrint";
  std::u16string datatype = u"RAW";
  DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  std::vector<BYTE> devMode;  // the printer's default DEVMODE; empty for none
  // Directory publishing as PRINTER_INFO_7W reports it.
  std::u16string objectGuid;
  DWORD directoryAction = DSPRINT_UNPUBLISH;
  // The driver, as DRIVER_INFO_2W reports it. A path without a backslash is a
  // file of the driver directory.
  DWORD driverVersion = 2;
  std::u16string environment = u"Windows NT x86";
  std::u16string driverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
  std::u16string driverPath;
  std::u16string dataFile;
  std::u16string configFile;
};

// Installs the printer (replacing one of the same name; its printer data
// stays) and creates its registry keys.
void AddPrinter(const PrinterSetup& printer);

// A value of a printer's printer data.
struct PrinterDataValue {
  std::u16string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};
// The printer's printer data in the order of its value names.
std::vector<PrinterDataValue> PrinterData(const std::u16string& printer);

// ---- Modules ----------------------------------------------------------------
// Says which file of the host holds the image of the module at a Windows
// path: LoadLibrary of that path maps it as the platform maps a library,
// with the resources it carries and its exports (see "win32/Module.h").
void SetModuleImage(LPCWSTR path, const std::string& hostFile);
// Installs a library that only carries strings (a resource library) at a
// Windows path, replacing one at the same path.
void AddResourceLibrary(const std::u16string& path, const std::map<UINT, std::u16string>& strings);
// The references held on the module at a Windows path; 0 when it is not loaded.
DWORD ModuleLoadCount(LPCWSTR path);

// ---- The user's side --------------------------------------------------------
// A printer device context that keeps what it receives.
HDC CreateRecordingDC();
struct EscapeRecord {
  int code = 0;
  std::string input;  // the input bytes
  int outSize = 0;
};
// The escapes the context received, in order, and its count of text outputs.
std::vector<EscapeRecord> DcEscapes(HDC dc);
size_t DcTextCount(HDC dc);

// A page added to a property sheet.
struct SheetPageRecord {
  HANDLE sheet = nullptr;  // the host handle it was added to
  HANDLE page = nullptr;   // the handle the host answered
  PROPSHEETPAGEW record{};  // a copy of the page as it was added
  std::u16string title;     // pszTitle, when it was a string
};
// The pages added since the platform started, in order.
const std::vector<SheetPageRecord>& SheetPages();
// The result the user gives the next property sheet shown (OK or cancel).
void QueueSheetResult(LONG result);

}  // namespace w32host
