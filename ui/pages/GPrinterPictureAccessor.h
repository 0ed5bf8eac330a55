// The accessors of the printer pictures: which accessories the picture
// shows (flags computed from the installed options), which tray or bin is
// selected, where a click lands and where the selection is highlighted.
// GSourcePictureAccessor stands for the paper source (Paper and Configure
// pages), GDestinationPictureAccessor for the output bin (Destination page).
// Positions are in picture pixels; the picture of the six-bin tower is
// moved up, that of flag kLowered down, and points and hits follow it.
#pragma once

#include <cstdint>

#include "ui/framework/GFeatureAccessor.h"
#include "win32/Gdi.h"
#include "win32/Types.h"

struct GPictureSurface;

class GPrinterPictureAccessor : public GFeatureAccessor {
 public:
  // Accessory flags.
  static constexpr int32_t kEnvelopeFeeder = 0x1;
  static constexpr int32_t kTwoTrayUnit = 0x2;       // "K5202"
  static constexpr int32_t kLargeTrayUnit = 0x4;     // "K5201"
  static constexpr int32_t kEightBinMailbox = 0x8;   // "K5205"
  static constexpr int32_t kFiveBinMailbox = 0x20;   // "K5203"
  static constexpr int32_t kSevenBinMailbox = 0x40;  // "K5204"
  static constexpr int32_t kSevenBinMailboxRaised = 0x80;
  static constexpr int32_t kRaised = 0x100;
  static constexpr int32_t kFourBinTower = 0x200;  // "SILOTRAK 4-BIN"
  static constexpr int32_t kSixBinTower = 0x400;   // "SILOTRAK 6-BIN"
  static constexpr int32_t kBookletMaker = 0x800;  // "VXN-62"
  static constexpr int32_t kLargeOutputTray = 0x1000;
  static constexpr int32_t kLargeOutputTrayRaised = 0x2000;
  static constexpr int32_t kStacker = 0x4000;
  static constexpr int32_t kLargeStacker = 0x8000;
  static constexpr int32_t kStapler = 0x10000;   // "K5206"
  static constexpr int32_t kStaplerB = 0x20000;  // "K5207"
  static constexpr int32_t kLowered = 0x40000;
  // Every output accessory.
  static constexpr int32_t kOutputAccessories = 0x8 | 0x20 | 0x40 | 0x80 | 0x800 | 0x1000 | 0x2000 | 0x4000 |
                                                0x8000 | 0x10000 | 0x20000;
  static constexpr int16_t kNoHit = -1;  // 0xFFFF
  static constexpr int kSixBinShift = 15;
  static constexpr int kLoweredShift = 16;

  using GFeatureAccessor::GFeatureAccessor;
  ~GPrinterPictureAccessor() override;

  // ---- Virtual operations after those of the base ----
  // Something the picture shows changed in the current update cycle.
  virtual int NeedsRefresh() = 0;
  virtual int32_t GetAccessoryFlags();
  virtual int16_t GetOutputAccessoryMode();
  // The highlight point of a code in control coordinates (origin and shift
  // applied); 0 when the code has none.
  virtual int GetHighlightPoint(int16_t code, POINT* out) = 0;
  // The code at (x, y) in control coordinates, kNoHit outside every region.
  virtual int16_t HitTest(int x, int y) = 0;
  virtual POINT GetOrigin();
  virtual int16_t GetSelection() = 0;
  // Highlights the selection in the item's device context.
  virtual void DrawSelection(HDC dc, int16_t selection);
  virtual void SetOrigin(int x, int y);
  virtual void SetSelection(int16_t code) = 0;

  // The shared drawing objects of the session (null without a session).
  GPictureSurface* GetSurface() const;

 protected:
  // A point of the picture in control coordinates, with the vertical shift
  // of the flags' layout.
  POINT ToControl(int x, int y, int32_t flags) const;
  // A control point in picture coordinates.
  POINT ToPicture(int x, int y, int32_t flags) const;
  // Flood-fills the region around the point with the highlight green.
  static void FillAround(HDC dc, POINT point);
  int Changed(int32_t id) const;

 private:
  POINT origin_{0, 0};
};

class GSourcePictureAccessor : public GPrinterPictureAccessor {
 public:
  using GPrinterPictureAccessor::GPrinterPictureAccessor;
  int NeedsRefresh() override;
  int GetHighlightPoint(int16_t code, POINT* out) override;
  int16_t HitTest(int x, int y) override;
  int16_t GetSelection() override;
  void SetSelection(int16_t code) override;
};

class GDestinationPictureAccessor : public GPrinterPictureAccessor {
 public:
  using GPrinterPictureAccessor::GPrinterPictureAccessor;
  int NeedsRefresh() override;
  int GetHighlightPoint(int16_t code, POINT* out) override;
  int16_t HitTest(int x, int y) override;
  int16_t GetSelection() override;
  void DrawSelection(HDC dc, int16_t selection) override;
  void SetSelection(int16_t code) override;
};
