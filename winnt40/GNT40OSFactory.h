// The platform factory of Windows NT 4.0 and later. GNT40OSFactoryBase
// implements the operating-system services (printer data, the registry,
// files, streams, time, locale, the temporary and module directories,
// locks) but creates no driver objects; GNT40OSFactory adds the per-printer
// driver object and the operations that need it, which reach that object
// through the upward services' NT 4.0 driver hooks. The module creates one
// GNT40OSFactory and installs it as the upward services' factory.
//
// Chunked blob values. WriteBlob and ReadBlob keep n bytes under a value
// name N as the REG_DWORD N holding the chunk count c = n / 248 + 1 and the
// REG_BINARY values "N:0" ... "N:c-1" holding the bytes in order, 248 per
// chunk; the last chunk holds n modulo 248 bytes (empty for a multiple of
// 248). A reader needs room for c * 248 bytes. The chunks live beside the
// count: in the printer's printer data, or under a registry location.
//
// Registry locations: a value name "???\<root>\<subkey>\<value>", with the
// root key handle as a signed decimal number (HKEY_CURRENT_USER is
// -2147483647, HKEY_LOCAL_MACHINE -2147483646), names a registry value
// instead of a printer-data value.
#pragma once

#include <atomic>
#include <cstdint>

#include "driver/osfactry.h"
#include "win32/Registry.h"

class GNT40OSFactoryBase : public GOSFactory {
 public:
  // Creates the factory lock, a GSemaphoreLock.
  GNT40OSFactoryBase();
  ~GNT40OSFactoryBase() override;

  GDriverInstance* CreateDriver(GPrinterKey* key) override;
  GDriverInstance* CreateRenderInstance(GPrinterKey* key) override;
  void* CreateRenderCompanion(GDriverInstance* renderInstance) override;
  int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offsetMinutes) override;
  void SetTimeOffset(int16_t minutes) override;
  int QueryPlatformValue(void* first, void* second, void* third) override;
  void* GetPlatformContext() override;
  void* CreateFontSource() override;
  GCodePageConverter* CreateCodePageConverter() override;
  GPersistInStream* OpenInputStream(const void* data, size_t length, int format) override;
  GPersistInStream* OpenFileInStream(const RWWString& fileName, int format) override;
  GPersistOutStream* OpenOutputStream(void* buffer, size_t capacity, int format) override;
  GPersistOutStream* OpenFileOutStream(const RWWString& fileName, int format) override;
  GLocaleInfo* CreateLocaleInfo() override;
  // The printer-data string "TempDirectoryLocation", else the environment
  // variable TMP, else TEMP, else "\SystemRoot\System32\Spool\Printers".
  RWWString GetTempDirectory(GDriverInstance* instance) override;
  RWWString GetDriverDirectory() override;
  // Seeds the C runtime's generator with the current time in seconds.
  void SeedRandom() override;
  int Random() override;
  int FileExists(const RWWString& path) override;
  int CreateEmptyFile(const RWWString& path) override;
  NumberedValueStore* CreateNumberedValueStore(GDriverInstance* instance) override;
  int SetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD value) override;
  int SetPrinterDataString(GDriverInstance* instance, const RWWString& name, const RWWString& text) override;
  int WriteBlob(GDriverInstance* instance, const RWWString& name, const void* data, DWORD size) override;
  DWORD GetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD defaultValue) override;
  RWWString GetPrinterDataString(GDriverInstance* instance, const RWWString& name,
                                 const RWWString& defaultText) override;
  int ReadBlob(GDriverInstance* instance, const RWWString& name, void* buffer, DWORD capacity,
               DWORD* size) override;
  int WritePrinterKeyString(GDriverInstance* instance, const RWWString& subkey, const RWWString& name,
                            const RWWString& text) override;
  RWWString ReadPrinterKeyString(GDriverInstance* instance, const RWWString& subkey, const RWWString& name,
                                 const RWWString& defaultText) override;
  int DeletePrinterDataValue(GDriverInstance* instance, const RWWString& name) override;
  RWWString ReadMachineString(const RWWString& keyPath, const RWWString& name,
                              const RWWString& defaultText) override;
  DWORD ReadMachineDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) override;
  LONG CreateMachineDwordIfMissing(const RWWString& keyPath, const RWWString& name, DWORD value) override;
  int MachineKeyExists(const RWWString& keyPath) override;
  RWWString ReadUserString(const RWWString& keyPath, const RWWString& name, const RWWString& defaultText) override;
  int WriteUserString(const RWWString& keyPath, const RWWString& name, const RWWString& text) override;
  DWORD ReadUserDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) override;
  int UserKeyExists(const RWWString& keyPath) override;
  int WriteUserDword(const RWWString& keyPath, const RWWString& name, DWORD value) override;
  GLock* CreateLock() override;

  // ---- Operations of the NT 4.0 platform ----
  // Opens (creating when needed) the key of a registry location and gives
  // its value name; 1 when the key is open (the caller closes it).
  virtual int OpenRegistryLocation(const RWWString& location, HKEY* key, RWWString* valueName);
  // 1 when the name starts with "???".
  virtual int IsRegistryLocation(const RWWString& name);
  // The printer handle of the instance's driver object, or null.
  virtual HANDLE GetPrinterHandle(GDriverInstance* instance) = 0;

  // Chunk size of a chunked blob value, and the most chunks a value may
  // have: a count beyond it (16 MiB of data) is taken as damage.
  static constexpr DWORD kBlobChunkSize = 248;
  static constexpr DWORD kMaxBlobChunks = (16u << 20) / kBlobChunkSize;

 private:
  std::atomic<int16_t> timeOffset_{0};
};

class GNT40OSFactory : public GNT40OSFactoryBase {
 public:
  GNT40OSFactory();
  ~GNT40OSFactory() override;

  // A new driver object for the printer of the key (through the upward
  // services' driver hooks), or null.
  GDriverInstance* CreateDriver(GPrinterKey* key) override;
  // The data file the spooler names for the driver of the instance's
  // printer; empty when the printer or its driver cannot be queried.
  RWWString GetDriverDataFile(GDriverInstance* instance) override;
  // A new launcher of the agent mini-installer for the printer (through the
  // upward services' creator); the third argument is ignored.
  GExternalModule* CreateMiniInstallerLauncher(const RWWString& printerName, HANDLE printer,
                                               void* reserved) override;
  HANDLE GetPrinterHandle(GDriverInstance* instance) override;
};
