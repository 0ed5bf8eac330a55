// GDocumentEvents: the driver object's answers to the spooler's document
// events around a print job. It stamps the DEVMODE copy that GDI uses,
// sends the job information to the printer side of the driver through
// private escapes on the application's device context, draws the page
// watermark, feeds the job-accounting hook, numbers stored jobs, runs the
// job-storage notice on a thread of its own and decides on the end-of-job
// instruction sheet of manual two-sided printing.
//
// What it needs of the driver object (loading a DEVMODE, the administrative
// printer handle, the UI for the notice and the sheet) comes through
// MDocumentEventHost, which the driver object implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/GJobAccountingHook.h"
#include "driver/GPageWatermark.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Gdi.h"

class GAttributeComposite;
class GDriverInstance;

// Document events and their results.
#define DOCUMENTEVENT_CREATEDCPRE 1
#define DOCUMENTEVENT_CREATEDCPOST 2
#define DOCUMENTEVENT_RESETDCPRE 3
#define DOCUMENTEVENT_RESETDCPOST 4
#define DOCUMENTEVENT_STARTDOC 5
#define DOCUMENTEVENT_STARTPAGE 6
#define DOCUMENTEVENT_ENDPAGE 7
#define DOCUMENTEVENT_ENDDOC 8
#define DOCUMENTEVENT_ABORTDOC 9
#define DOCUMENTEVENT_DELETEDC 10
#define DOCUMENTEVENT_ESCAPE 11
#define DOCUMENTEVENT_ENDDOCPOST 12
#define DOCUMENTEVENT_STARTDOCPOST 13
#define DOCUMENTEVENT_SUCCESS 1
#define DOCUMENTEVENT_UNSUPPORTED 0
#define DOCUMENTEVENT_FAILURE (-1)

class MDocumentEventHost {
 public:
  virtual ~MDocumentEventHost() = default;
  // The driver instance: names, device model and document settings.
  virtual GDriverInstance* GetInstance() = 0;
  // The instance's current document settings (borrowed; null when none).
  virtual GAttributeComposite* GetJobSettings() = 0;
  // The printer handle for printer data.
  virtual HANDLE GetPrinterHandle() = 0;
  // Loads a DEVMODE (its bytes as the application gave them); 1 on success.
  virtual int LoadDevMode(const void* devMode) = 0;
  // The DEVMODE object's state bits.
  virtual int GetDevModeState() = 0;
  // Builds the instance's document settings again from the DEVMODE object.
  virtual void RebuildDocumentSettings() = 0;
  virtual int CanWritePrinterData() = 0;
  // Stops using and closes an open administrative printer handle.
  virtual void ReleaseAdminHandle() = 0;
  virtual void SetLocalJobStorage(int flag) = 0;
  virtual void SetJobDisplayName(const RWWString& name) = 0;
  virtual RWWString GetJobDisplayName() = 0;
  virtual RWWString GetPrinterLocation() = 0;
  // Opens the one-page instruction sheet for manual two-sided printing.
  virtual void OpenPromptSheet() = 0;
  // Runs the job-storage notice dialog with its five texts (printer, port,
  // user, job, location); answers the dialog's show-again choice.
  virtual int RunJobStorageNotice(const std::vector<RWWString>& texts) = 0;
  // A string of the module's UI table / of the resource module.
  virtual RWWString LoadUIString(UINT id) = 0;
  virtual RWWString LoadResourceString(UINT id) = 0;
};

class GDocumentEvents {
 public:
  // Private escapes of the job information.
  enum : int {
    kEscDescription = 0x303EB8E7,
    kEscPort = 0x303EB8E8,
    kEscApplication = 0x303EB8E9,
    kEscDomain = 0x303EB8EB,
    kEscComputer = 0x303EB8EC,
    kEscPrompt = 0x303EB8EE,
    kEscUser = 0x303EB8EF,
    kEscOs = 0x303EB8F0,
    kEscUuid = 0x303EB8F1,
    kEscExecutable = 0x303EB8F9,
  };
  static constexpr uint32_t kPromptMarker = 0xCFC14711;

  explicit GDocumentEvents(MDocumentEventHost* host);
  GDocumentEvents(const GDocumentEvents&) = delete;
  GDocumentEvents& operator=(const GDocumentEvents&) = delete;
  // Joins a notice thread still running on this object.
  ~GDocumentEvents();

  // One document event; `in` is read as an array of pointers.
  INT DocumentEvent(HANDLE printer, HDC dc, INT event, ULONG inSize, void* in, ULONG outSize, void* out);
  // The manual two-sided escape; opens the sheet at the end when asked. 1.
  int PromptQuery(HDC dc, int phase);
  // The instruction sheet, for manual two-sided jobs. 1.
  int ShowPromptSheet();

  GPageWatermark& Watermark() { return watermark_; }
  GJobAccountingHook& Accounting() { return accounting_; }
  int GetPageCounter() const { return pageCounter_; }

  // ---- Process-wide job state ----
  static int GetJobPageCount();
  static int GetPagesPerSheet();

  // ---- Helpers of the events ----
  // 1 when the character map (a format-4 character-to-glyph subtable from
  // its language field on, 16-bit little-endian) covers the character; 0
  // for a null map or one too short for the segments it announces.
  static int IsCharCovered(WCHAR c, const BYTE* map, size_t length);
  // The user name for the printer: the character-map form (map present) or
  // the printable-ASCII form; at most 16 characters.
  RWWString PrepareUserName(const RWWString& name, const BYTE* map, size_t mapLength, bool withMap);
  // The job storage id that follows the stored one (1 to 999).
  static RWWString NextJobStorageId(const RWWString& stored);
  // "OS Info: ..." from the version record, empty when it cannot be read.
  static RWCString OsInfoText();
  // The stamped copy of a DEVMODE (empty without one).
  static std::vector<BYTE> StampedCopy(const BYTE* devMode, bool stamp, uint32_t appFlags);

 private:
  void StartDoc(HDC dc, void** args, size_t argCount);
  void StartDocPost(HDC dc);
  void EndDocPost();
  bool EndOfJobSheetWanted();
  void StartNoticeThread();
  static DWORD NoticeThread(void* self);
  void JoinNoticeThread();

  MDocumentEventHost* host_;
  GPageWatermark watermark_;
  GJobAccountingHook accounting_;
  int pageCounter_ = 0;
  std::vector<BYTE> devModeCopy_;  // the copy handed out at a PRE event
};
