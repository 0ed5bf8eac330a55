// GSpoolingFilter: what the page filters that hold pages back share. Each
// page of an active document is recorded into a page file of its own (an
// on-disk command composite in the job's temporary directory), the job's
// fonts are saved beside it in a companion file, the recorded pages are kept
// in a page list, and at the end of the document one command composite, the
// holder, carries the document start, the pages in the filter's order and
// number, and the document end downstream. Until then every command of the
// document is swallowed (a GNoCommand goes on in its place). A whole job
// that arrives as one composite (the holder of an earlier spooling filter)
// is unpacked page by page. The concrete filters decide when they act and
// how they order the pages.
#pragma once

#include <cstdint>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GCommandComposite;
class GCommandCompositeOnDisk;
class GDriverInstance;

// Number settings of the commands the filters read and change: the first
// object with the id below root (any depth).
namespace SpoolSettings {
// Sets a held number setting (value, range or 32-bit value attribute);
// false when there is none to set.
bool SetNumber(MPersistentObject* root, int32_t id, int32_t value);
// The media type name and paper id of the settings' PageMedia (a GMedia);
// false when there is none.
bool Media(MPersistentObject* root, RWCString* typeName, int16_t* paperId);
// Orientation turned by 180 degrees (0, 90, 180, 270); any other value
// stays. 1 when the settings held an orientation.
int TurnOrientation(MPersistentObject* root);
}  // namespace SpoolSettings

class GSpoolingFilter : public GPeripheral {
 public:
  // Status of a failed spool store or font save.
  static constexpr int16_t kSpoolFailed = 2;

  explicit GSpoolingFilter(const int32_t* id = nullptr);
  // A copy starts with every runtime field empty.
  GSpoolingFilter(const GSpoolingFilter& other);
  GSpoolingFilter& operator=(const GSpoolingFilter& other);
  // Lets go of the pages and of SpoolLock when the filter holds it.
  ~GSpoolingFilter() override;

  // Unpacks a whole-job composite when UnpacksComposite says so; anything
  // else goes the peripheral's way.
  GCountedPtr Send(GCommand* command) override;
  // Page content (graphics, null, pass-through and header commands) is
  // recorded into the current page; everything else is dispatched; while
  // active a document end or break is replaced by the holder and any other
  // command by a GNoCommand.
  GCountedPtr Filter(GCommand* command) override;
  // The filters never take settings into their own state.
  // Equal class ids and the peripheral parts match.
  int Matches(const MPersistentObject* other) const override;
  void MergeSettings(GState*) override {}
  void ApplyChangedAttributes(int32_t) override {}

  // ---- What the filter holds (for the job's owner and for tests) ----
  size_t GetPageListSize() const { return pages_.size(); }
  const RWWString& GetPageFilePath() const { return pagePath_; }
  const RWWString& GetCompanionFilePath() const { return fontPath_; }
  // The base name of a page: the process id, the driver-server handle of
  // the job's instance, the document's number in this process and the
  // page counter, each in lower-case hexadecimal, joined by "-". With the
  // process id and the document number a name is never that of a live page
  // of another job, in this process or another that shares the directory.
  static RWWString BaseName(uint32_t handle, uint32_t document, uint32_t counter);

 protected:
  // Starts a spooled document: empties the page list, drops any holder and
  // current page, takes the instance of the document start, reads its
  // temporary directory, sets the extensions, and makes a new holder that
  // holds the document start.
  void BeginSpool(GDocumentStart* start, const char16_t* pageExtension, const char16_t* companionExtension);
  // Names, creates and starts the current page with the page start
  // (counter as the name's page counter); status 2 after a store failure,
  // which resets the filter.
  int16_t RecordPageStart(GPageStart* start, uint32_t counter);
  // Records the page end and closes the page file (when healthy); status 2
  // after a store failure (reset). The current page stays for the caller.
  int16_t RecordPageEnd(GPageEnd* end);
  // Saves the instance's fonts to the companion path of the current page;
  // 2 when the save fails.
  int16_t SaveCompanionFonts();
  // Appends an entry for the page.
  void AppendEntry(const GCountedPtr& page) { pages_.push_back(page); }
  // A page of its own for a further copy of a recorded page: its page file
  // copied beside it (the copy number added to the name), so that a later
  // filter that changes the records of one copy (its tray, its turn)
  // leaves the other copies as they were. The page itself when it is not
  // on disk or the file cannot be copied.
  GCountedPtr DuplicatePage(const GCountedPtr& page, uint32_t copy);
  // Appends an entry for a blank page: a page start with a copy of the
  // settings (none without) and a page end, kept in memory.
  void AppendBlankEntry(GState* settings);
  // Appends the page of an entry, or the command, to the holder.
  void AppendToHolder(const GCountedPtr& command);
  void AppendToHolder(GCommand* command);
  // The page list is released, the holder and current page dropped, the
  // filter deactivated, SpoolLock let go when this filter holds it.
  virtual void Reset();
  // Takes SpoolLock for the length of a page (until ReleaseSpoolLock).
  void HoldSpoolLock();
  void ReleaseSpoolLock();

  // ---- The unpacking of whole-job composites ----
  // Whether the filter walks a plain composite itself.
  virtual bool UnpacksComposite(GCommand* composite) = 0;
  // A nested plain composite member: 0 handles it as a page part; 1 stops
  // the walk with result (which may be empty).
  virtual int UnpackNested(GCommand* whole, GCommand* member, GCountedPtr& result);
  // Called with each page start of a member, before the member is listed;
  // 1 when the settings changed (an on-disk member's record is then
  // written back).
  virtual int PrepareUnpackedStart(GCommand* pageStart);
  // A page of the walk: a member that is one whole page, or a pending page
  // completed by a later member (whole 0). The default appends one entry.
  virtual void TakeUnpackedPage(const GCountedPtr& page, int whole);
  // Whether an on-disk member's store is closed again after it was looked at.
  virtual bool ClosesUnpackedStore() const { return true; }
  // A member that is a document break (after it went through Filter).
  virtual void OnUnpackedBreak() {}

  GCommandComposite* Holder() const;
  GCommandCompositeOnDisk* CurrentPage() const;
  void ForgetCurrentPage() { current_ = GCountedPtr(); }
  void ForgetHolder() { holder_ = GCountedPtr(); }
  void NewEmptyHolder();
  GDriverInstance* Instance() const { return instance_; }
  void ForgetInstance() { instance_ = nullptr; }
  std::vector<GCountedPtr>& Pages() { return pages_; }

 private:
  GCountedPtr Unpack(GCommand* composite);
  void ClearRuntime();

  RWWString directory_;
  RWWString separator_;
  RWWString pageExtension_;
  RWWString companionExtension_;
  RWWString baseName_;
  RWWString pagePath_;
  RWWString fontPath_;
  std::vector<GCountedPtr> pages_;
  GCountedPtr holder_;
  GCountedPtr current_;
  GDriverInstance* instance_ = nullptr;
  uint32_t handle_ = 0;
  uint32_t document_ = 0;
  int holdsLock_ = 0;
};
