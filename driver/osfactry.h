// GOSFactory: the one seam between the driver framework and the operating
// system. Everything platform-dependent (the per-printer driver object,
// printer data and the registry, files and streams, time, locale, locks,
// module information) is a virtual operation of this class, reached through
// the process-wide instance of GetInstance. The base implements what does
// not depend on the platform: unique file names, the OS version, lazy lock
// creation, and storing and loading a persistent object in printer data.
//
// ReportFatalError, the process-wide handler of unrecoverable internal
// failures, lives here too, with the error ids used across the system.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "driver/GCompactSettingsCodec.h"
#include "model/GOSVersionInfo.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GCodePageConverter;
class GDriverInstance;
class GExternalModule;
class GLocaleInfo;
class GLock;
class GPersistInStream;
class GPersistOutStream;
class GPrinterKey;
class MPersistentObject;
class NumberedValueStore;

// A date and time as GetDateTime answers it: eight signed 16-bit fields.
struct GDateTime {
  int16_t year = 0;       // four digits
  int16_t month = 0;      // 1-12
  int16_t day = 0;        // day of the month
  int16_t hour = 0;
  int16_t minute = 0;
  int16_t second = 0;
  int16_t reserved = 0;   // left 0
  int16_t dayOfWeek = 0;  // 0 = Sunday
};

// Stream formats of the stream operations.
constexpr int kPortableStreamFormat = 0;
constexpr int kBinaryStreamFormat = 1;
constexpr int kEndianStreamFormat = 2;

class GOSFactory {
 public:
  GOSFactory(const GOSFactory&) = delete;
  GOSFactory& operator=(const GOSFactory&) = delete;

  // The process-wide factory: the one of the upward services
  // (GUpwardServices::factory); null before the module installed it.
  static GOSFactory* GetInstance();

  // ---- Operations, in slot order ----
  // The per-printer user-interface driver object, which the driver server adopts.
  virtual GDriverInstance* CreateDriver(GPrinterKey* key) = 0;
  virtual GDriverInstance* CreateRenderInstance(GPrinterKey* key) = 0;
  // Returns its argument.
  virtual void* ResolveInstance(void* object);
  // The print-side instance keeps the result.
  virtual void* CreateRenderCompanion(GDriverInstance* renderInstance) = 0;
  // The local time and the local time moved by the time offset, and the
  // offset in minutes; 1, or 0 when the clock cannot be read.
  virtual int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offsetMinutes) = 0;
  // Does nothing here.
  virtual void SetTimeOffset(int16_t minutes);
  virtual int QueryPlatformValue(void* first, void* second, void* third) = 0;
  // GOSVersionInfo::Query into a zeroed record.
  virtual GOSVersionInfo GetOSVersion();
  virtual void* GetPlatformContext() = 0;
  virtual void* CreateFontSource() = 0;
  virtual GCodePageConverter* CreateCodePageConverter() = 0;
  // Stream holders on memory or on a file; the caller deletes them.
  virtual GPersistInStream* OpenInputStream(const void* data, size_t length, int format) = 0;
  virtual GPersistInStream* OpenFileInStream(const RWWString& fileName, int format) = 0;
  virtual GPersistOutStream* OpenOutputStream(void* buffer, size_t capacity, int format) = 0;
  virtual GPersistOutStream* OpenFileOutStream(const RWWString& fileName, int format) = 0;
  // Fills an empty slot with a new lock, once, under the factory lock.
  virtual void EnsureLock(GLock** slot);
  virtual void SetModuleHandle(HINSTANCE module);
  virtual HINSTANCE GetModuleHandle();
  // Full path of the data file of the instance's printer driver.
  virtual RWWString GetDriverDataFile(GDriverInstance* instance) = 0;
  // A new snapshot of the user's regional settings; the caller deletes it.
  virtual GLocaleInfo* CreateLocaleInfo() = 0;
  virtual RWWString GetTempDirectory(GDriverInstance* instance) = 0;
  // Directory of this module's file, without a trailing separator.
  virtual RWWString GetDriverDirectory() = 0;
  // A launcher of the agent's mini-installer for the printer, seen through
  // its companion-module base (the launcher itself belongs to a higher
  // layer). Null here; the caller deletes what it gets.
  virtual GExternalModule* CreateMiniInstallerLauncher(const RWWString& printerName, HANDLE printer,
                                                       void* reserved);
  // A path in the directory whose name is the template (or the default
  // template) with every '&' replaced by a random character of [0-9A-Z],
  // naming no existing file; with create set, the file is created empty.
  // Empty when no such name can be found.
  virtual RWWString MakeUniqueFileName(const RWWString& directory, const RWWString& fileTemplate, int create);
  virtual void SeedRandom() = 0;
  // Non-negative, at most 32767.
  virtual int Random() = 0;
  virtual int FileExists(const RWWString& path) = 0;
  // Creates or truncates; 1 on success.
  virtual int CreateEmptyFile(const RWWString& path) = 0;
  // 92, the backslash.
  virtual WCHAR GetPathSeparator();
  // "&&&&&&&&.&&&".
  virtual RWWString GetDefaultFileTemplate();
  virtual void* Allocate(size_t bytes);
  virtual void Free(void* block);
  virtual void NotifyPlatform(void* argument);
  // A value store bound to the instance; the caller deletes it.
  virtual NumberedValueStore* CreateNumberedValueStore(GDriverInstance* instance) = 0;
  // Printer data of the instance's printer; 1 on success.
  virtual int SetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD value) = 0;
  virtual int SetPrinterDataString(GDriverInstance* instance, const RWWString& name, const RWWString& text) = 0;
  // A chunked blob value under the name (a printer-data value or a registry
  // location); 1 when it was written whole.
  virtual int WriteBlob(GDriverInstance* instance, const RWWString& name, const void* data, DWORD size) = 0;
  // Serialises the object and writes it as a chunked blob value; 1 on success.
  virtual int StoreObject(GDriverInstance* instance, const RWWString& name, const MPersistentObject* object);
  virtual DWORD GetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD defaultValue) = 0;
  virtual RWWString GetPrinterDataString(GDriverInstance* instance, const RWWString& name,
                                         const RWWString& defaultText) = 0;
  // Reads a chunked blob value. With a null buffer or no capacity, a size
  // query: 1 and the size needed. Otherwise 1 and the bytes read, or 0.
  virtual int ReadBlob(GDriverInstance* instance, const RWWString& name, void* buffer, DWORD capacity,
                       DWORD* size) = 0;
  virtual int WritePrinterKeyString(GDriverInstance* instance, const RWWString& subkey, const RWWString& name,
                                    const RWWString& text) = 0;
  virtual RWWString ReadPrinterKeyString(GDriverInstance* instance, const RWWString& subkey, const RWWString& name,
                                         const RWWString& defaultText) = 0;
  virtual int DeletePrinterDataValue(GDriverInstance* instance, const RWWString& name) = 0;
  // Reads a chunked blob value and restores one object from it (in the
  // portable format when portable is non-zero); the caller owns the result.
  virtual MPersistentObject* LoadObject(GDriverInstance* instance, const RWWString& name, int portable);
  // Registry values; key paths are relative to HKEY_LOCAL_MACHINE or
  // HKEY_CURRENT_USER.
  virtual RWWString ReadMachineString(const RWWString& keyPath, const RWWString& name,
                                      const RWWString& defaultText) = 0;
  virtual DWORD ReadMachineDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) = 0;
  virtual LONG CreateMachineDwordIfMissing(const RWWString& keyPath, const RWWString& name, DWORD value) = 0;
  virtual int MachineKeyExists(const RWWString& keyPath) = 0;
  virtual RWWString ReadUserString(const RWWString& keyPath, const RWWString& name,
                                   const RWWString& defaultText) = 0;
  virtual int WriteUserString(const RWWString& keyPath, const RWWString& name, const RWWString& text) = 0;
  virtual DWORD ReadUserDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) = 0;
  virtual int UserKeyExists(const RWWString& keyPath) = 0;
  // 0 here.
  virtual int IsPlatformFlagSet();
  virtual int WriteUserDword(const RWWString& keyPath, const RWWString& name, DWORD value) = 0;
  // -1 here.
  virtual int GetPlatformLimit();
  // Deletes the factory lock.
  virtual ~GOSFactory();
  // A new unlocked lock.
  virtual GLock* CreateLock() = 0;
  // Non-zero when the print path is to give the output channel no progress
  // ticks. 0 here.
  virtual int SuppressesProgress();

  // The value name that never goes through the compact codec.
  static const WCHAR* BinPoolValueName() { return u"DEKBinPool"; }

 protected:
  // Records this factory as the last one constructed; the one recorded
  // before it is deleted.
  GOSFactory();
  // Takes over the factory lock, which the platform's constructor creates.
  void SetFactoryLock(GLock* lock);
  // The codec mode of the object store for the instance: looked up in its
  // printer configuration on every call (the factory serves every model of
  // the process).
  int16_t CodecMode(GDriverInstance* instance);

  RWWString driverDirectory_;  // cache of GetDriverDirectory
  std::mutex driverDirectoryMutex_;

 private:
  HINSTANCE moduleHandle_ = nullptr;
  GLock* factoryLock_ = nullptr;
};

// ---- Fatal errors ----

// Error ids in use across the system.
constexpr int kOutOfMemoryErrorId = 101;          // severity 2
constexpr int kLockErrorId = 301;                 // severity 2: a lock cannot be taken
constexpr int kUnlockErrorId = 302;               // severity 2: a lock cannot be released
constexpr int kUnknownDriverHandleErrorId = 501;  // severity 1

// Reports an unrecoverable failure. The text is composed from the id and
// shown nowhere. Severity 1 ends the process; severity 2 first shuts the
// driver server down (once: a report made while that shut-down runs, for
// instance by one of the server's own locks, skips it) and then ends the
// process; every other severity returns.
void ReportFatalError(int severity, int errorId, RWCString sourceFile, int line, RWCString detail);

// What a report carried, for the fatal-error handler.
struct GFatalErrorReport {
  int severity = 0;
  int errorId = 0;
  RWCString text;        // the composed text
  RWCString sourceFile;  // as given, e.g. "osfactry"
  int line = 0;
  RWCString detail;
};

// A handler sees every report. While one is installed the process is not
// ended: ReportFatalError returns after calling it (after the driver
// server's shut-down for severity 2). Meant for tests; returns the handler
// installed before.
using GFatalErrorHandler = void (*)(const GFatalErrorReport& report);
GFatalErrorHandler SetFatalErrorHandler(GFatalErrorHandler handler);

// The driver server's critical shut-down, which severity 2 runs first, is
// the upward services' criticalShutdown.
