// GRenderInstance: the print-side driver instance, through which a
// rendering front end prints one job on one printer. It turns the job's
// life (begin job, document start, pages, drawing commands, pass-through
// data, end, abort) into commands, builds their settings from the document
// settings (the job state of the document start, the page settings of each
// page start: copies, trays, media, watermark, job name), sends them into
// the device model's printer peripheral and turns error commands that come
// back into a job abort. At job start it decides how the job is rendered
// (raster mode, pass-through, colour mode, scaling, grey conversion) and
// answers the generators' questions about it.
//
// The class is abstract: the front end (a subclass) supplies the check that
// starts the document before a command is sent, and the driver-instance
// operations that have no base version (the document settings, the
// printer key, ...). The platform factories of this module create no such
// instance; a host that plays the spooler's render side has its own. The
// instance reads the job's settings through GetDocumentSettings many times
// a job and borrows what it answers: the front end keeps one set of
// settings for the job.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/GDriverInstance.h"
#include "model/GCountedPtr.h"
#include "model/GRealPair.h"
#include "printpath/GJobGate.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GAttribute;
class GAttributeComposite;
class GCommand;
class GDocumentEnd;
class GDocumentStart;
class GFontDatabase;
class GGraphicBundle;
class GMedia;
class GPageEnd;
class GPageStart;
class GState;

// RGB (8 bits each) to an 8-bit grey value.
using GGrayConversion = int (*)(uint8_t red, uint8_t green, uint8_t blue);

class GRenderInstance : public virtual GDriverInstance {
 public:
  // Status of a document start asked for with no document pending.
  static constexpr int16_t kNoDocumentPending = 403;
  // Job status after a failure.
  static constexpr int kJobFailed = 3;
  // Class ids of the generators (the generator base until BeginJob).
  static constexpr uint16_t kGeneratorBase = 765;
  static constexpr uint16_t kPclXlGenerator = 767;
  static constexpr uint16_t kPostScriptGenerator = 768;
  static constexpr uint16_t kPcl5eGenerator = 788;

  GRenderInstance();
  ~GRenderInstance() override;
  GRenderInstance(const GRenderInstance&) = delete;
  GRenderInstance& operator=(const GRenderInstance&) = delete;

  // ---- GDriverInstance ----
  void* GetRenderObject() override { return this; }
  void* GetDriverObject() override { return nullptr; }
  // The driver-instance rebind, then the job is forgotten: host flag and
  // first-page override cleared, the printer's states rebuilt when a
  // document ran, BeginJob, names emptied, scaling cleared, job state
  // dropped.
  void Rebind(GPrinterKey* key) override;
  // Document and page progress forgotten, the job state and the graphics
  // state's clip, line attributes and paths dropped, the font database
  // deleted.
  void Release() override;

  // ---- The job ----
  // Decides how the job is rendered (from the document settings, the
  // printer configuration and the host-application flags); 0.
  virtual int16_t BeginJob();
  // The grey conversion for the job: 2 weighted sum (971), 1 tables (972),
  // else luminance; the data come from the printer configuration's 970 and
  // a missing or short entry gives luminance.
  virtual void SelectGrayConversion(uint8_t mode);
  // Sends a document start for the pending document: 403 (and the job
  // failed) when none is pending; otherwise the status of the send.
  virtual int16_t StartDocument();
  // The front end's check before a command is sent: it starts the document
  // when one is pending. Non-zero stops the send.
  virtual int16_t EnsureDocumentStarted() = 0;
  // A page start when a page is pending; 0 when none.
  virtual int16_t EnsurePageStarted();
  // The document check, the page check, then SendToPrinter. A non-zero
  // status of a check deletes the command and is returned.
  virtual int16_t Send(GCommand* command);
  // Into the device model's printer; an error command in the result makes
  // the first error's status the answer, sends one job abort and fails the
  // job. The command is taken over.
  virtual int16_t SendToPrinter(GCommand* command);
  // Pass-through bytes for the generator of class targetClassId (borrowed
  // until the command is sent); with settings the command carries a bundle
  // holding value 1 under 601; keep makes the command the job gate's token,
  // so that the gate lets it through. PostScript with direct set goes to
  // the printer at once, anything else through Send.
  virtual int16_t SendPassThrough(const uint8_t* bytes, uint16_t length, uint16_t targetClassId, int withSettings,
                                  int keep, int direct);
  // A page start for a page that draws nothing, when scaling is supported
  // and the scale does not yet belong to the current page.
  virtual int16_t ForcePageStart();

  // ---- Commands and their settings ----
  // Resets the page number and the scaled page; a document start with the
  // document name, the job text, the destination and BuildJobState.
  virtual GDocumentStart* CreateDocumentStart(const RWWString& documentName, const RWWString& destinationName);
  virtual GDocumentEnd* CreateDocumentEnd();
  virtual GPageStart* CreatePageStart();
  virtual GPageEnd* CreatePageEnd();
  // The job's settings for a document start (a GState stamped 246).
  virtual GState* BuildJobState();
  // Copies requested, bounded by 1 and by the printer's copies limit; the
  // value goes to out and to the options, then DistributeCopies. The
  // copies before the call.
  virtual int16_t SetCopies(int16_t requested, int16_t* out);
  // Splits the copies between the printer (247 in the job group) and the
  // driver (257 in the page group).
  virtual void DistributeCopies(MPersistentObject* options, MPersistentObject* job, MPersistentObject* page,
                                MPersistentObject* installable);
  // A new medium for the paper (the caller owns it), or null.
  virtual GMedia* CreateMediaForPaper(int16_t paperId);
  virtual GMedia* CreateMediaForPaperSize(int16_t paperId, uint16_t xResolution, uint16_t yResolution,
                                          int32_t orientation);
  // Edge-to-edge margins from the configuration's 501 and 502.
  virtual void AdjustMediaMargins(GMedia* medium);
  // The watermark settings of the job (379): the selected pool record, or
  // one that prints on no page.
  virtual GAttributeComposite* GetWatermarkSettings();
  virtual GAttributeComposite* FindWatermark();
  virtual int HasWatermark();
  // The blank back of a letterhead page printed alone; 0 when none.
  virtual int16_t FinishLetterheadPage();

  // ---- The job name ----
  // Builds the job name and the job text from the document name; returns
  // the job text.
  RWCString BuildJobName();
  // The job group's 1031 receives BuildJobName; without it the job name
  // is emptied.
  void StoreJobName();
  // UTF-16 to UTF-8 between the cursors; 0 done, 2 output full, 3 bad
  // surrogate (not lenient).
  static int EncodeUtf8(const char16_t* wide, const char16_t* wideEnd, uint8_t* bytes, uint8_t* bytesEnd,
                        int lenient);
  static uint16_t Utf8Length(const char16_t* wide, const char16_t* end);

  // ---- Services for filters and generators ----
  GGrayConversion GetGrayConversion() const { return grayConversion_; }
  static int LuminanceGray(uint8_t red, uint8_t green, uint8_t blue);
  // The job's font database (borrowed); null when the graphics services
  // were not there when it was made.
  GFontDatabase* GetFontDatabase() const { return fontDatabase_; }
  // Its records dropped and the font files it saved deleted.
  virtual void ClearFontDatabase();
  // Raster mode 3, or 2 when flag is 0.
  int IsRasterized(int flag) const;
  // The same test: a job rendered as raster does not use adaptive
  // compression.
  int UsesAdaptiveCompression(int flag) const { return IsRasterized(flag); }
  // Several pages on a sheet or a booklet; set by BeginJob.
  int IsImpositionActive() const { return impositionActive_; }
  int GetTextAsBlack() const { return textAsBlack_; }
  int GetTrueTypeAsBitmap() const { return ttAsBitmap_; }
  int GetPostScriptNupOrBooklet() const { return psNupOrBooklet_; }
  // Turns the medium to the orientation in place when it differs.
  void OrientMedium(GMedia* medium, int32_t orientation);

  // ---- Graphics state and paths ----
  // Opens a path: an open path of a nested level waits on the path stack
  // and a new empty path becomes the open one; an open path at depth 0 is
  // opened again. The new depth.
  virtual int BeginPath();
  // Closes a level (not below 0): a nested path goes through the front
  // end's first hook and joins the path it was nested in; the outermost
  // through the second hook. The depth left.
  virtual int EndPath(int value);
  // Mode 0 saves and mode 1 restores the graphics state; mode 2 clips to
  // the open path (inside; non-zero winding unless fillRule is 1) and mode
  // 3 outside it (even-odd); without an open path the clip is the page.
  // The open path goes with the clip. 1 done, 0 for any other mode.
  virtual int SelectClip(int fillRule, int mode);
  // Pushes line cap, line join, miter limit, the graphics word and a copy
  // of the clip.
  virtual void SaveGraphicsState();
  // Pops them (when there is a record) into a fresh graphic bundle: the cap
  // and join when they differ from those last given, and the clip (the
  // page when there is none).
  virtual void RestoreGraphicsState();

  int GetLineCap() const { return lineCap_; }
  void SetLineCap(int cap) { lineCap_ = cap; }
  int GetLineJoin() const { return lineJoin_; }
  void SetLineJoin(int join) { lineJoin_ = join; }
  float GetMiterLimit() const { return miterLimit_; }
  void SetMiterLimit(float limit) { miterLimit_ = limit; }
  int GetGraphicsWord() const { return graphicsWord_; }
  void SetGraphicsWord(int word) { graphicsWord_ = word; }
  const uint8_t* GetColour() const { return colour_; }
  void SetColour(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth);
  // The current clip (borrowed); null means the page.
  GAttribute* GetClip() const;
  // The path being built (borrowed), null when none; its nesting depth.
  GCommand* GetOpenPath() const;
  int GetPathDepth() const { return pathDepth_; }
  size_t GetSavedStateCount() const { return savedStates_.size(); }
  // The settings given to graphics commands (borrowed; made when needed).
  GGraphicBundle* GetGraphicBundle();

  // ---- State the front end reads and sets ----
  const RWWString& GetDestinationName() const { return destinationName_; }
  void SetDestinationName(const RWWString& name) { destinationName_ = name; }
  const RWWString& GetDocumentName() const { return documentName_; }
  void SetDocumentName(const RWWString& name) { documentName_ = name; }
  const RWWString& GetJobName() const { return jobName_; }
  const RWCString& GetJobText() const { return jobText_; }
  void SetDocumentPending(int pending) { documentPending_ = pending; }
  int IsDocumentStarted() const { return documentStarted_; }
  void SetPagePending(int pending) { pagePending_ = pending; }
  int IsInPage() const { return inPage_; }
  void SetInPage(int inPage) { inPage_ = inPage; }
  int GetJobStatus() const { return jobStatus_; }
  int GetPageNumber() const { return pageNumber_; }
  int GetHostFlag() const { return hostFlag_; }
  void SetHostFlag() { hostFlag_ = 1; }
  void SetFirstPageOverride(int value) { firstPageOverride_ = value; }
  uint16_t GetGeneratorClassId() const { return generatorClassId_; }
  int IsPostScript() const { return postScript_; }
  int IsPassThrough() const { return passThrough_; }
  int GetRasterMode() const { return rasterMode_; }
  int GetColourMode() const { return colourMode_; }
  int IsScalingSupported() const { return scalingSupported_; }
  const GRealPair& GetScale() const { return scale_; }
  int PageNeedsScaling() const { return pageNeedsScaling_; }
  int GetCapabilityOption(int which) const { return which == 0 ? capabilityOptions_[0] : capabilityOptions_[1]; }
  // The job state kept for scaling, borrowed; null when none.
  GState* GetJobState() const;
  // Documents started in this job (the next document start carries it).
  int GetDocumentCount() const { return documentCount_; }
  // The gate every command passes before it is sent.
  GJobGate& GetJobGate() { return jobGate_; }

 protected:
  // The front end's path hooks, called by EndPath with its value: the first
  // when a nested path closes (before it joins the path it was nested in),
  // the second when the outermost path closes.
  virtual void EndNestedPath(GCommand* path, int value) = 0;
  virtual void EndOutermostPath(GCommand* path, int value) = 0;
  // 1 when the port name names a local port (LPT, USB, DOT4 at its start).
  int IsLocalPort() const;
  // The document settings' group by id (borrowed), null when absent.
  MPersistentObject* Group(int32_t id);

 private:
  void ResetJobFlags();
  // Where commands are sent: the device model's root peripheral, whose
  // children are the page filters and the printer.
  GPeripheral* PeripheralTree() const;
  // The page-media rule: the paper size of settings becomes its medium.
  void ApplyPageMedia(GState* settings, int pageNumber);
  void ApplyLetterhead(GState* pageSettings);
  // The large-paper rule: a paper the printer cannot print is printed
  // scaled onto the paper it can.
  void ApplyLargePaper(GState* jobState);
  // Pages of the first sheet for the tray choice (different first page).
  int FirstSheetPages(MPersistentObject* job);
  int DocumentHasRun() const { return documentRan_; }
  // The graphics state's defaults; DropGraphicsObjects forgets the clip,
  // the saved states, the paths and the line attributes last given.
  void ResetGraphicsValues();
  void DropGraphicsObjects();
  // A new font database (the old one deleted), found under the instance's
  // driver-server handle; KeyFontDatabase moves it to the handle the
  // instance has now.
  void NewFontDatabase();
  void DeleteFontDatabase();
  void KeyFontDatabase();
  // The clip (a copy of clip, or the page) and the line attributes given
  // to the bundle.
  void GiveClip(GGraphicBundle* bundle, const GCountedPtr& clip);

  // A record of SaveGraphicsState.
  struct SavedGraphicsState {
    int lineCap;
    int lineJoin;
    float miterLimit;
    int graphicsWord;
    GCountedPtr clip;
  };

  RWWString documentName_;
  RWWString destinationName_;
  RWWString jobName_;
  RWCString jobText_;
  int documentPending_ = 0;
  int documentStarted_ = 0;
  int pagePending_ = 0;
  int inPage_ = 0;
  int jobStatus_ = 0;
  int documentCount_ = 0;
  int frontEndCounter_ = 0;
  int pageNumber_ = 0;
  int documentRan_ = 0;
  GGrayConversion grayConversion_;
  GCountedPtr jobState_;
  GRealPair scale_{1.0f, 1.0f};
  int scaledPage_ = 0;
  int pageNeedsScaling_ = 0;
  int letterheadBackPending_ = 0;
  int firstPageOverride_ = 0;
  int ttAsBitmap_ = 0;
  int textAsBlack_ = 0;
  uint16_t generatorClassId_ = kGeneratorBase;
  int postScript_ = 0;
  int passThrough_ = 0;
  int16_t rasterMode_ = 0;
  int16_t ttDownloadMode_ = -1;
  int16_t secondFontOption_ = 0;
  int scalingSupported_ = 0;
  int colourMode_ = 0;
  int capabilityOptions_[2] = {0, 0};
  int psNupOrBooklet_ = 0;
  int impositionActive_ = 0;
  int hostFlag_ = 0;
  GJobGate jobGate_;

  GFontDatabase* fontDatabase_ = nullptr;
  void (*deleteFontDatabase_)(GFontDatabase* database) = nullptr;
  uint32_t fontDatabaseKey_ = 0;
  int lineCap_ = 0;
  int lineJoin_ = 1;
  float miterLimit_ = 10.0f;
  int graphicsWord_ = 1;
  uint8_t colour_[4] = {255, 255, 255, 255};
  GCountedPtr clip_;
  std::vector<SavedGraphicsState> savedStates_;
  GCountedPtr path_;
  std::vector<GCountedPtr> pathStack_;
  int pathDepth_ = 0;
  GCountedPtr bundle_;
  // The line attributes last given to a bundle (-1: none yet).
  int lastCapGiven_ = -1;
  int lastJoinGiven_ = -1;
  float lastMiterGiven_ = -1.0f;
};
