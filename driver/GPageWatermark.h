// GPageWatermark: the driver object's page watermark. At the start of a
// document it reads the user's watermark choice from the document settings
// and prepares a drawing record (text, font, colour, direction); at the end
// of each page that should carry it, it draws the text centred on the
// printer's device context with ordinary GDI text output, bracketed by a
// private escape so that every output language gets it the same way.
#pragma once

#include <cstdint>
#include <memory>

#include "rw/RWWString.h"
#include "win32/Gdi.h"

class MPersistentObject;

class GPageWatermark {
 public:
  // The bracket escape and its marker.
  static constexpr int kBracketEscape = 0x303EB8ED;
  static constexpr uint32_t kBracketMarker = 0xCFC14712;

  // The watermark as it is drawn.
  struct DrawingRecord {
    RWWString text;
    size_t length = 0;
    LOGFONTW font{};
    int geometryComputed = 0;
    int32_t size = 0;  // points
    COLORREF colour = 0;
    int32_t shade = 0;
    int32_t value396 = 0;  // kept with the record, not used for drawing
    int32_t value397 = 0;
    int x = 0;
    int y = 0;
    int32_t escapementMode = 0;
    int32_t customAngle = 0;
  };

  // Reads the choice for a new document from the document settings: mode 0 (none), 1 (first page
  // only) or 2 (every page); prepares the chosen record. 1.
  int StartDocWatermark(MPersistentObject* settings);
  // Draws at the end of a page when the mode asks for it (pageCounter is the
  // page's STARTPAGE count); 1, or the drawing's result.
  int EndPageWatermark(HDC dc, int pageCounter);
  // Fills the drawing record from a watermark record; 1.
  int PrepareWatermark(MPersistentObject* record);
  // Draws the text; 0 without a drawing record.
  int DrawWatermark(HDC dc);

  int GetMode() const { return mode_; }
  int GetGrayFlag() const { return gray_; }
  const DrawingRecord* GetDrawingRecord() const { return record_.get(); }

  // The drawing angle in whole degrees for an escapement mode on a page.
  static int AngleFor(int32_t escapementMode, int32_t customAngle, int horzRes, int vertRes);

 private:
  int mode_ = 0;
  int gray_ = 0;
  std::unique_ptr<DrawingRecord> record_;
};
