// GPrinterHandleTable: which driver-server handle serves each spooler
// printer handle between a device context's create-DC-pre and delete-DC
// events. Keyed by the printer handle, since the device context does not
// exist yet at create-DC-pre. Every operation runs under the table's lock;
// a lock that cannot be taken or released is a critical error.
#pragma once

#include <cstdint>

#include "rw/RWHashedDictionary.h"
#include "win32/Types.h"

class GLock;

class GPrinterHandleTable {
 public:
  // 16 empty buckets; the lock comes from the platform factory.
  GPrinterHandleTable();
  ~GPrinterHandleTable();
  GPrinterHandleTable(const GPrinterHandleTable&) = delete;
  GPrinterHandleTable& operator=(const GPrinterHandleTable&) = delete;

  // Stores the server handle for the printer. When the printer had one
  // already, *replaced gets it (the caller closes it) and the result is 1;
  // else 0. -1 when no entry could be made.
  int Put(HANDLE printer, int serverHandle, int* replaced);
  // 1 and the printer's server handle, or 0.
  int Find(HANDLE printer, int* serverHandle);
  // Removes the printer's entry: 1 and its server handle, or 0. *remaining
  // gets the entry count left.
  int Remove(HANDLE printer, int* serverHandle, uint32_t* remaining);
  // Forgets every entry without closing the handles they hold.
  void DiscardAll();
  uint32_t Count();

  static constexpr uint32_t kBuckets = 16;
  // The source name under which the table's lock failures are reported.
  static constexpr const char* kSourceName = "nt40qddi";

 private:
  using Table = RWHashedDictionary<HANDLE, int>;
  Table table_;
  GLock* lock_ = nullptr;
};
