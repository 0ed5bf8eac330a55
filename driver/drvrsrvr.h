// The driver server: the process-wide broker that hands out the per-printer
// driver objects under integer handles and takes them back. GPrinterKey
// describes the printer an entry point was called for; the server keeps one
// table of user-interface instances and one of print-side instances, each
// with its own lock and a one-entry cache of the instance closed last, which
// is reused for the next printer of the same driver so that the device model
// is read from the driver's data file only once.
#pragma once

#include <cstdint>

#include "rw/RWHashedDictionary.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GDriverInstance;
class GLock;

// The abstract key of a driver instance.
class GInstanceKey {
 public:
  GInstanceKey() = default;
  GInstanceKey(const GInstanceKey&) = default;
  GInstanceKey& operator=(const GInstanceKey&) = default;
  virtual ~GInstanceKey();
  // 0 here.
  virtual int Equals(const GInstanceKey* other) const;
  // 1 when an instance made for the other key can serve this one.
  virtual int SameDriver(const GInstanceKey* other) const = 0;
};

// A printer as the spooler names it: the caller's handle (or null), the
// printer name and the driver and port names of its printer record.
class GPrinterKey : public GInstanceKey {
 public:
  // Completes the key from the spooler's printer record (level 2). Without
  // a handle the printer is opened by name for the query and closed again,
  // so the key holds a handle only when the caller gave one. Never fails: a
  // printer that cannot be queried leaves the driver and port names empty.
  GPrinterKey(HANDLE printer, const RWWString& printerName, int flag);
  // Copies the five fields.
  GPrinterKey(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
              const RWWString& portName, int flag);
  ~GPrinterKey() override;

  // Handle, printer name, flag, driver name and port name all equal.
  int Equals(const GInstanceKey* other) const override;
  // Equal driver names.
  int SameDriver(const GInstanceKey* other) const override;

  HANDLE GetPrinterHandle() const { return printer_; }
  const RWWString& GetPrinterName() const { return printerName_; }
  const RWWString& GetDriverName() const { return driverName_; }
  const RWWString& GetPortName() const { return portName_; }
  int GetFlag() const { return flag_; }

 private:
  HANDLE printer_;
  RWWString printerName_;
  RWWString driverName_;
  RWWString portName_;
  int flag_;
};

class GDriverServer {
 public:
  // Creates the server unless one exists; returns it (null when it cannot
  // be allocated).
  static GDriverServer* CreateInstance();
  // The server, or null before creation.
  static GDriverServer* GetInstance();

  GDriverServer(const GDriverServer&) = delete;
  GDriverServer& operator=(const GDriverServer&) = delete;
  // Empties both tables and caches and deletes the locks.
  virtual ~GDriverServer();

  // ---- User-interface instances (table 1) ----
  // The driver object for the key, reusing the cached instance when it
  // serves the same driver, else a new one from the platform factory filled
  // from the driver's data file; null when none can be made (the handle is
  // then left alone). The server takes the key over in every case.
  void* OpenDriver(GPrinterKey* key, int* handle);
  // The driver object under the handle, or null.
  void* FindDriver(int handle);
  // The instance becomes the cache; the one cached before is deleted.
  void CloseDriver(int handle);

  // ---- Print-side instances (table 2) ----
  void* OpenRenderInstance(GPrinterKey* key, int* handle);
  void* FindRenderInstance(int handle);
  // The print-side instance itself under the handle, or null.
  GDriverInstance* FindRenderDriverInstance(int handle);
  void CloseRenderInstance(int handle);

  // Deletes the cached instances; 1 when there was one.
  int DropCaches();
  // Deletes every instance of both tables.
  void EmptyTables();
  // From now on closed instances are deleted instead of cached and unknown
  // handles are not reported, until table 2 is next empty; drops the caches.
  void CriticalShutdown();
  // Frees what can be freed: the caches, else memory of the open instances
  // of table 1, else of table 2. 1 when something was freed.
  int ReleaseMemory();

  // 1 and the handle when the instance is in table 1 / table 2.
  int GetDriverHandle(int* handle, GDriverInstance* instance);
  int GetRenderHandle(int* handle, GDriverInstance* instance);

  // The process-wide server's CriticalShutdown, when there is a server: the
  // module installs it as the upward services' criticalShutdown. When the
  // last print-side instance closes, the server runs the upward services'
  // fontPoolReset.
  static void RunCriticalShutdown();

  // The source name under which the server reports its failures.
  static constexpr const char* kSourceName = "drvrsrvr";
  // Buckets of each table.
  static constexpr uint32_t kBuckets = 64;

 private:
  using Table = RWHashedDictionary<uint32_t, GDriverInstance*>;

  GDriverServer();

  // Enters the instance under a new handle (never 0) and returns it.
  int AllocateHandle(GDriverInstance* instance, Table* table, GLock* lock);
  // Removes the handle; the instance becomes the cache (or is deleted after
  // a critical shut-down). An unknown handle is a fatal error 501 unless
  // shut down.
  void ReleaseHandle(int handle, Table* table, GLock* lock, GDriverInstance** cache);
  int FindHandleOf(int* handle, GDriverInstance* instance, Table* table, GLock* lock);
  // Reads the driver's data file into the instance; 0 when it cannot.
  int InitializeInstance(GDriverInstance* instance);

  void* Open(GPrinterKey* key, int* handle, Table* table, GLock* lock, GDriverInstance** cache, bool render);
  GDriverInstance* Lookup(int handle, Table* table, GLock* lock);
  // Deletes every entry with its instance; with release, Release is called
  // on every instance first.
  void Empty(Table* table, GLock* lock, bool release);
  int DropCache(GLock* lock, GDriverInstance** cache);
  int ReleaseTableMemory(Table* table, GLock* lock);

  Table* table1_;
  Table* table2_;
  GLock* lock1_ = nullptr;
  GLock* lock2_ = nullptr;
  int shutDown_ = 0;
  GDriverInstance* cache2_ = nullptr;
  GDriverInstance* cache1_ = nullptr;
};
