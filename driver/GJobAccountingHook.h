// GJobAccountingHook: reports print jobs to a site's job-accounting library
// when one is installed next to the driver. Each job loads the library
// afresh (GAccountingLibrary), reports the job, its pages and its end or
// abortion through the library's entry points, and unloads it again. Without
// the library, or with one that lacks the needed entries, the job goes on
// without accounting.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Gdi.h"
#include "win32/Module.h"

class GAttributeComposite;
class GDriverInstance;

// The library's entry points; text arguments are wide strings, records are
// the byte layouts below.
typedef DWORD (*KsBeginJobExProc)(LPCWSTR application, LPCWSTR document, LPCWSTR printer, LPCWSTR output1,
                                  LPCWSTR output2, BYTE* jobRecord);
typedef DWORD (*KsBeginJobProc)(LPCWSTR document, LPCWSTR output1, LPCWSTR output2, BYTE* jobRecord);
typedef int (*KsEndPageProc)(DWORD job, BYTE* pageRecord);
typedef int (*KsEndJobProc)(DWORD job, int aborted);

// One loaded accounting library for one job.
class GAccountingLibrary {
 public:
  static constexpr size_t kJobRecordSize = 28;
  static constexpr size_t kPageRecordSize = 16;

  explicit GAccountingLibrary(const RWWString& fileName);
  GAccountingLibrary(const GAccountingLibrary&) = delete;
  GAccountingLibrary& operator=(const GAccountingLibrary&) = delete;
  // Unloads.
  ~GAccountingLibrary();

  // Loads the library when its file exists and it has a begin entry and both
  // "ksEndPage" and "ksEndJob"; 1 when loaded, else 0 (and nothing loaded).
  int Load();
  // Frees the library and clears the entry points; 1.
  int Unload();
  // Loads and begins the job ("ksBeginJobEx" first, else "ksBeginJob"); 1
  // with an open job, else 0 with the library unloaded.
  int BeginJob(LPCWSTR application, LPCWSTR document, LPCWSTR printer, LPCWSTR output1, LPCWSTR output2,
               BYTE* jobRecord);
  // Reports a page of the open job; 1 when reported.
  int EndPage();
  // Ends the open job (aborted == 1 reports an abortion) and unloads; 1 when
  // a job was open.
  int EndJob(int aborted);

  HMODULE GetModule() const { return module_; }
  DWORD GetJobHandle() const { return job_; }

 private:
  HMODULE module_ = nullptr;
  DWORD job_ = 0;
  RWWString fileName_;
  KsBeginJobProc beginJob_ = nullptr;
  KsBeginJobExProc beginJobEx_ = nullptr;
  KsEndPageProc endPage_ = nullptr;
  KsEndJobProc endJob_ = nullptr;
};

// The driver object's accounting: one library object per job.
class GJobAccountingHook {
 public:
  GJobAccountingHook() = default;
  GJobAccountingHook(const GJobAccountingHook&) = delete;
  GJobAccountingHook& operator=(const GJobAccountingHook&) = delete;
  ~GJobAccountingHook();

  // Starts a job: the application's DOCINFO gives the document name and the
  // output name (the printer's port name when it has none).
  void BeginJob(GDriverInstance* instance, GAttributeComposite* settings, const DOCINFOW* docInfo);
  void EndPage(GDriverInstance* instance, GAttributeComposite* settings);
  void EndJob(GDriverInstance* instance, GAttributeComposite* settings);
  void AbortJob(GDriverInstance* instance, GAttributeComposite* settings);

  // The library object of the current job; null between jobs.
  GAccountingLibrary* GetLibrary() const { return library_; }

  // The job record for the instance and settings (28 bytes, little-endian).
  static void BuildJobRecord(GDriverInstance* instance, GAttributeComposite* settings,
                             BYTE record[GAccountingLibrary::kJobRecordSize]);

 private:
  GAccountingLibrary* library_ = nullptr;
};
