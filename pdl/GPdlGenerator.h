// GPdlGenerator: the common base of the page-description generators (PCL
// XL, PCL 5e with GL/2, PostScript). It is a peripheral composite that the
// printer holds as its child with feature id 101; it keeps what every
// generator needs across a job: the in-document and second job flags, the
// font counters, the depth of nested paths being drawn, the clip-path flag
// and the progress flag; the job's output channel, taken from the
// document-start command or opened by the generator; the device-font list
// of its configuration and the printer-memory budget of downloaded fonts.
// It adds the generator section of the peripheral interface: memory
// reservations, the paint receivers, the font and text queries. It is
// abstract and never made by the class factory; it answers the composite's
// class id, each generator its own.
#pragma once

#include <cstdint>
#include <memory>

#include "model/GCountedPtr.h"
#include "pdl/GMemoryBudget.h"
#include "printpath/GPeripheralComposite.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

class GColorPaint;
class GDeviceFontDescription;
class GDeviceFontListComposite;
class GDownloadCache;
class GDriverInstance;
class GFontFace;
struct GFontMetrics;
class GGlyphCodeAllocator;
class GPaint;

constexpr RWClassID GPdlGeneratorClassId = 765;

// Feature ids the base reads in the generator's configuration.
constexpr int32_t GDriverWorkSpaceSettingId = 202;  // DriverWorkSpaceSetting, hundredths of a megabyte
constexpr int32_t GDeviceFontListId = 414;          // the device-font lists

class GPdlGenerator : public GPeripheralComposite {
 public:
  // Flags 0, counters 0, path depth 0, progress flag 1, no driver instance,
  // a default memory budget; the generators bind the device-font list.
  GPdlGenerator();
  explicit GPdlGenerator(const int32_t* id);
  GPdlGenerator(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
                int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Takes the in-document flag, the second job flag, the path depth, the
  // clip-path flag and the progress flag; the font counters start at 0, the
  // memory budget is a fresh one and there is no driver instance.
  GPdlGenerator(const GPdlGenerator& other);
  // As the copy, but the memory budget keeps its values.
  GPdlGenerator& operator=(const GPdlGenerator& other);
  ~GPdlGenerator() override;

  static RWClassID StaticClassId() { return GPdlGeneratorClassId; }
  static uint32_t ClassVersion() { return 1; }

  GPdlGenerator* CreateSameKind() const override = 0;
  GPdlGenerator* Clone() const override = 0;
  // Each generator hands itself to the target's operation for its class.
  int16_t ApplyTo(GPeripheral* target) override = 0;
  int DerivesFrom(RWClassID classId) const override;
  // A generator is the last stage of the chain and writes the commands
  // itself: it takes the peripheral's Send (settings merged and applied,
  // then its own Filter), not the composite's, which only hands commands on
  // to children.
  GCountedPtr Send(GCommand* command) override;
  // The composite's match, and equal in-document flag, second job flag,
  // path depth, clip-path flag and progress flag.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the composite's: version 1, in-document flag (32-bit),
  // second job flag (32-bit), path depth (16-bit), clip-path flag (32-bit).
  RW_STORED_MEMBERS();

  int IsInsidePath() const { return pathDepth_ > 0; }
  int32_t GetClipPathFlag() const { return clipPath_; }
  void SetClipPathFlag(int32_t value) { clipPath_ = value; }
  int32_t GetInDocumentFlag() const { return inDocument_; }
  int32_t GetSecondJobFlag() const { return secondJob_; }
  int16_t GetPathDepth() const { return pathDepth_; }
  int32_t GetProgressFlag() const { return progress_; }
  int32_t GetFontCounter() const { return fontCounter_; }
  int32_t GetUseStampCounter() const { return useStampCounter_; }
  GDriverInstance* GetDriverInstance() const { return driverInstance_; }
  GMemoryBudget& GetMemoryBudget() { return budget_; }
  const GMemoryBudget& GetMemoryBudget() const { return budget_; }
  // The configuration's device-font lists (feature 414), or an empty
  // composite when it has none; set by BindDeviceFontList.
  GDeviceFontListComposite* GetDeviceFontList() const;
  // Every generator calls this after construction, copying, assignment and
  // restoring.
  void BindDeviceFontList();

  // ---- Downloaded-font cache and glyph-code allocator ----
  // Each generator makes its own variants; a copy has none, assignment and
  // restoring a body drop them (the generator makes new ones).
  GDownloadCache* GetDownloadCache() const { return downloadCache_.get(); }
  // Takes the cache over; the one held before is destroyed.
  void SetDownloadCache(GDownloadCache* cache);
  GGlyphCodeAllocator* GetGlyphCodeAllocator() const { return glyphCodes_.get(); }
  void SetGlyphCodeAllocator(GGlyphCodeAllocator* allocator);
  // Destroys both and leaves none.
  void DropDownloadState();
  // The next use stamp of the downloaded fonts: the counter, then one more.
  uint32_t NextUseStamp() { return static_cast<uint32_t>(useStampCounter_++); }

  // ---- Job operations ----
  // Run by every generator first in its own document start: in a document,
  // the progress flag cleared when the platform suppresses progress, the
  // command's driver instance, the channel taken from the command or opened
  // and owned (601 without one, Open's status when it fails), and the memory
  // budget re-armed: its limit from DriverWorkSpaceSetting (x 10485 bytes)
  // when the configuration has it, else only its usage cleared.
  int16_t DocumentStart(GDocumentStart* command) override;
  // Nothing; 0.
  int16_t PageStart(GPageStart* command) override;
  int16_t SetString(GStringAttribute* text) override;

  // ---- Generator section of the peripheral interface ----
  // Give bytes back to / take bytes from the memory budget; each returns
  // the bytes still available.
  virtual uint32_t ReleaseDeviceMemory(uint32_t bytes);
  virtual uint32_t ReserveDeviceMemory(uint32_t bytes);
  // Removes a font the generator downloaded from the printer.
  virtual int16_t RemoveDownloadedFont(const RWCString& fontName) = 0;
  // Pattern or colour paints as the pen's or the brush's paint.
  virtual int16_t SetPenPattern(GPaint* pattern) = 0;
  int16_t SetPenColor(GColorPaint* color) override = 0;
  virtual int16_t SetBrushPattern(GPaint* pattern) = 0;
  int16_t SetBrushColor(GColorPaint* color) override = 0;
  // How the generator handles a face's text; 1 here.
  virtual int32_t QueryFontHandling(GFontFace* face);
  // How the generator handles a text of the metrics: out text (a printer
  // font's selection text, or null) set to null here; 1 here.
  virtual int32_t QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector,
                                    const char** outText, int32_t italic, int32_t weight,
                                    GDeviceFontDescription** outDescription);
  // Entry (n - 1) modulo 16 of the generator's style-code table.
  virtual int16_t LookupStyleCode(int16_t n);
  // Non-zero when the printer language accepts the text as a font
  // selection command; 0 here.
  virtual int32_t CheckEscapeText(const RWCString& text);

 protected:
  // Routing through the generator's own children (a generator that has
  // any): the command dispatches itself to this generator first and then
  // goes through each active child in turn, each handing on what it
  // returns; a document or page end goes through the children first and
  // then to this generator. An error command ends the walk and is the
  // result.
  GCountedPtr SendThroughChildren(GCommand* command);

  // The output settings each generator stores after this base's body, in
  // this order: its class version (32-bit), a 16-bit setting, the output
  // sink's 16-bit status and 32-bit enabled flag, the x and y resolution
  // (16-bit each) and a 32-bit colour value. A generator may store one more
  // 32-bit value right after them.
  struct OutputBlock {
    int16_t setting = 0;
    uint16_t sinkStatus = 0;
    int32_t sinkEnabled = 0;
    uint16_t xResolution = 0;
    uint16_t yResolution = 0;
    int32_t colour = 0;
  };
  // The version and the block (and the trailing value, when given) as one
  // step of a generator's Members. A read fills block and trailing; true
  // when the version is the expected one and all was read, and the caller
  // takes the values only then.
  template <typename Archive>
  static bool OutputBlockMembers(Archive& archive, uint32_t version, OutputBlock& block,
                                 int32_t* trailing = nullptr) {
    archive.Version(version);
    archive(block.setting, block.sinkStatus, block.sinkEnabled, block.xResolution, block.yResolution, block.colour);
    if (trailing != nullptr) archive(*trailing);
    return archive.Ok();
  }

  // Set by the generators' job and drawing operations.
  int32_t inDocument_;
  int32_t secondJob_;
  int32_t fontCounter_;
  int32_t useStampCounter_;
  int16_t pathDepth_;
  int32_t clipPath_;
  int32_t progress_;
  GDriverInstance* driverInstance_;  // not owned; the current document's
  GMemoryBudget budget_;

 private:
  GCountedPtr deviceFontList_;  // GDeviceFontListComposite
  std::unique_ptr<GDownloadCache> downloadCache_;
  std::unique_ptr<GGlyphCodeAllocator> glyphCodes_;
};
