#include "ui/pages/GPrinterPictureAccessor.h"

#include "model/GFeatureIds.h"
#include "rw/RWCString.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"

namespace {

using GFeatureIds::kAccessoryOutputBins;
using GFeatureIds::kEnvFeeder;
using GFeatureIds::kInputBin;
using GFeatureIds::kInputBinRest;
using GFeatureIds::kOptionalPaperSources;
using GFeatureIds::kOutputAccessoryMode;
using GFeatureIds::kOutputBin;
using GFeatureIds::kPictureRaised;
using GFeatureIds::kUseDiffFirstPageChoice;
using A = GPrinterPictureAccessor;

constexpr COLORREF kHighlight = 0x0200FF00;  // palette-relative green
constexpr COLORREF kBracket = RGB(0, 255, 0);
constexpr int16_t kMailboxMode = 2;
constexpr int16_t kFirstMailboxBin = 16;

struct Region {
  int x1, y1, x2, y2;
  bool Holds(POINT p) const { return p.x >= x1 && p.x <= x2 && p.y >= y1 && p.y <= y2; }
};

bool Any(int32_t flags, int32_t bits) { return (flags & bits) != 0; }

RWCString SettingText(GUISession* session, int32_t id) {
  RWCString text;
  if (session != nullptr) session->GetSettingsView().GetNarrowString(&id, &text);
  return text;
}

constexpr int32_t kTower = A::kFourBinTower | A::kSixBinTower;
constexpr int32_t kInputAccessories = A::kTwoTrayUnit | A::kLargeTrayUnit | kTower;

// ---- The source picture ----

struct SourceRegion {
  int16_t code;
  int32_t needs;  // 0: always; else any of these flags
  int32_t unless;  // none of these flags
  Region region;
};

// In hit-test order.
const SourceRegion kSourceRegions[] = {
    {6, 0, A::kEnvelopeFeeder, {162, 36, 176, 66}},
    {6, A::kEnvelopeFeeder, 0, {162, 50, 189, 66}},
    {1, 0, 0, {87, 81, 153, 94}},
    {3, 0, 0, {87, 94, 153, 107}},
    {13, A::kLargeTrayUnit, 0, {87, 107, 153, 160}},
    {13, A::kTwoTrayUnit, 0, {87, 115, 153, 127}},
    {13, kTower, 0, {164, 101, 176, 117}},
    {13, kTower, 0, {150, 112, 163, 123}},
    {20, A::kTwoTrayUnit, 0, {87, 128, 153, 140}},
    {20, kTower, 0, {164, 117, 176, 128}},
    {20, kTower, 0, {150, 123, 163, 134}},
    {21, kTower, 0, {164, 128, 176, 139}},
    {21, kTower, 0, {150, 134, 163, 145}},
    {22, kTower, 0, {164, 139, 176, 155}},
    {22, kTower, 0, {150, 145, 163, 156}},
    {23, A::kSixBinTower, 0, {164, 150, 176, 161}},
    {23, A::kSixBinTower, 0, {150, 156, 163, 167}},
    {24, A::kSixBinTower, 0, {164, 161, 176, 177}},
    {24, A::kSixBinTower, 0, {150, 167, 163, 178}},
    {5, A::kEnvelopeFeeder, 0, {162, 23, 193, 48}},
};

bool Applies(int32_t flags, int32_t needs, int32_t unless) {
  return (needs == 0 || Any(flags, needs)) && !Any(flags, unless);
}

// ---- The destination picture ----

// The bin-2 region or point: the base one, replaced by the last accessory
// that applies.
Region BinTwoRegion(int32_t f) {
  Region r{49, 44, 82, 67};
  if (Any(f, A::kFiveBinMailbox | A::kEightBinMailbox | A::kStapler | A::kStaplerB)) r = {26, 36, 76, 59};
  if (Any(f, A::kSevenBinMailbox | A::kSevenBinMailboxRaised)) r = {31, 38, 63, 58};
  if (Any(f, A::kBookletMaker)) r = {28, 22, 71, 39};
  if (Any(f, A::kStacker | A::kLargeStacker)) r = {13, 52, 80, 150};
  if (Any(f, A::kLargeOutputTray | A::kLargeOutputTrayRaised)) r = {11, 27, 57, 41};
  return r;
}
POINT BinTwoPoint(int32_t f) {
  POINT p{76, 57};
  if (Any(f, A::kFiveBinMailbox | A::kEightBinMailbox | A::kStapler | A::kStaplerB)) p = {50, 40};
  if (Any(f, A::kSevenBinMailbox | A::kSevenBinMailboxRaised)) p = {40, 50};
  if (Any(f, A::kBookletMaker)) p = {40, 30};
  if (Any(f, A::kLargeOutputTray | A::kLargeOutputTrayRaised)) p = {40, 35};
  if (Any(f, A::kStacker | A::kLargeStacker)) p = {50, 115};
  return p;
}

}  // namespace

// ---- GPrinterPictureAccessor ----

GPrinterPictureAccessor::~GPrinterPictureAccessor() = default;

int32_t GPrinterPictureAccessor::GetAccessoryFlags() {
  int32_t flags = 0;
  if (ReadValue(&kEnvFeeder) == 1) flags |= kEnvelopeFeeder;
  const RWCString input = SettingText(session_, kOptionalPaperSources);
  if (input == RWCString("K5202")) flags |= kTwoTrayUnit;
  if (input == RWCString("K5201")) flags |= kLargeTrayUnit;
  if (input == RWCString("SILOTRAK 4-BIN")) flags |= kFourBinTower;
  if (input == RWCString("SILOTRAK 6-BIN")) flags |= kSixBinTower;
  int raisedModel = 0;
  if (session_ != nullptr) session_->GetModelView().GetInt(&kPictureRaised, &raisedModel);
  const bool raised = Any(flags, kInputAccessories) || raisedModel != 0;
  const RWCString output = SettingText(session_, kAccessoryOutputBins);
  if (output == RWCString("K5203")) flags |= kFiveBinMailbox;
  if (output == RWCString("K5205")) flags |= kEightBinMailbox;
  if (output == RWCString("K5204")) flags |= raised ? kSevenBinMailboxRaised : kSevenBinMailbox;
  if (output == RWCString("VXN-62")) flags |= kBookletMaker;
  if (output == RWCString("2500SHEET OUTPUT TRAY")) flags |= raised ? kLargeOutputTrayRaised : kLargeOutputTray;
  if (output == RWCString("ZORVASTACKER 2000")) flags |= kStacker;
  if (output == RWCString("ZORVASTACKER 3000")) flags |= kLargeStacker;
  if (output == RWCString("K5206")) flags |= kStapler;
  if (output == RWCString("K5207")) flags |= kStaplerB;
  if (raised || Any(flags, kFiveBinMailbox | kEightBinMailbox | kStapler | kStaplerB | kBookletMaker | kStacker |
                               kLargeStacker)) {
    flags |= kRaised;
  }
  return flags;
}

int16_t GPrinterPictureAccessor::GetOutputAccessoryMode() { return ReadValue(&kOutputAccessoryMode); }

POINT GPrinterPictureAccessor::GetOrigin() { return origin_; }

void GPrinterPictureAccessor::SetOrigin(int x, int y) { origin_ = POINT{x, y}; }

GPictureSurface* GPrinterPictureAccessor::GetSurface() const {
  return session_ != nullptr ? &session_->GetPictureSurface() : nullptr;
}

POINT GPrinterPictureAccessor::ToControl(int x, int y, int32_t flags) const {
  if (Any(flags, kSixBinTower)) {
    y -= kSixBinShift;
  } else if (Any(flags, kLowered)) {
    y += kLoweredShift;
  }
  return POINT{x + origin_.x, y + origin_.y};
}

POINT GPrinterPictureAccessor::ToPicture(int x, int y, int32_t flags) const {
  POINT p{x - origin_.x, y - origin_.y};
  if (Any(flags, kSixBinTower)) {
    p.y += kSixBinShift;
  } else if (Any(flags, kLowered)) {
    p.y -= kLoweredShift;
  }
  return p;
}

void GPrinterPictureAccessor::FillAround(HDC dc, POINT point) {
  HBRUSH brush = CreateSolidBrush(kHighlight);
  if (brush == nullptr) return;
  HGDIOBJ old = SelectObject(dc, brush);
  const COLORREF found = GetPixel(dc, point.x, point.y);
  if (found != CLR_INVALID) ExtFloodFill(dc, point.x, point.y, found, FLOODFILLSURFACE);
  if (old != nullptr) SelectObject(dc, old);
  DeleteObject(brush);
}

void GPrinterPictureAccessor::DrawSelection(HDC dc, int16_t selection) {
  POINT point{};
  if (dc == nullptr || GetHighlightPoint(selection, &point) == 0) return;
  FillAround(dc, point);
}

int GPrinterPictureAccessor::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

// ---- GSourcePictureAccessor ----

int GSourcePictureAccessor::NeedsRefresh() {
  return Changed(kInputBin) || Changed(kInputBinRest) || Changed(GFeatureIds::kPaperPageTab) || Changed(kEnvFeeder) ||
                 Changed(kOptionalPaperSources)
             ? 1
             : 0;
}

int GSourcePictureAccessor::GetHighlightPoint(int16_t code, POINT* out) {
  const int32_t f = GetAccessoryFlags();
  const bool tower = Any(f, kTower);
  POINT p{0, 0};
  switch (code) {
    case 6:
    case 18: p = {168, 60}; break;
    case 1: p = {96, 90}; break;
    case 3: p = {96, 105}; break;
    case 13: p = tower ? POINT{168, 112} : POINT{96, 120}; break;
    case 20: p = tower ? POINT{168, 123} : POINT{96, 135}; break;
    case 21: p = {168, 134}; break;
    case 22: p = {168, 145}; break;
    case 23: p = {168, 156}; break;
    case 24: p = {168, 167}; break;
    case 5: p = {170, 40}; break;
    default: break;
  }
  if (p.x == 0 && p.y == 0) return 0;
  if (out != nullptr) *out = ToControl(p.x, p.y, f);
  return 1;
}

int16_t GSourcePictureAccessor::HitTest(int x, int y) {
  const int32_t f = GetAccessoryFlags();
  const POINT p = ToPicture(x, y, f);
  for (const SourceRegion& r : kSourceRegions) {
    if (Applies(f, r.needs, r.unless) && r.region.Holds(p)) return r.code;
  }
  return kNoHit;
}

int16_t GSourcePictureAccessor::GetSelection() {
  return ReadValue(&GFeatureIds::kPaperPageTab) == 0 ? ReadValue(&kInputBin) : ReadValue(&kInputBinRest);
}

void GSourcePictureAccessor::SetSelection(int16_t code) {
  if (session_ == nullptr) return;
  GSettingsView view = session_->GetSettingsView();
  if (ReadValue(&GFeatureIds::kPaperPageTab) != 0) {
    view.SetInt(&kInputBinRest, code);
    return;
  }
  view.SetInt(&kInputBin, code);
  if (ReadValue(&kUseDiffFirstPageChoice) == 0) view.SetInt(&kInputBinRest, code);
}

// ---- GDestinationPictureAccessor ----

int GDestinationPictureAccessor::NeedsRefresh() {
  return Changed(kOutputBin) || Changed(kEnvFeeder) || Changed(kOptionalPaperSources) || Changed(kAccessoryOutputBins)
             ? 1
             : 0;
}

int GDestinationPictureAccessor::GetHighlightPoint(int16_t code, POINT* out) {
  const int32_t f = GetAccessoryFlags();
  POINT p{0, 0};
  if (code == 1) {
    p = {132, 32};
  } else if (code == 2) {
    p = BinTwoPoint(f);
  } else if (code == 3) {
    p = Any(f, kStapler) ? POINT{46, 106} : POINT{40, 70};
  } else if (code == 4) {
    if (Any(f, kLargeOutputTray | kLargeOutputTrayRaised | kStacker | kLargeStacker)) {
      p = BinTwoPoint(f);
    } else if (Any(f, kStapler | kStaplerB)) {
      p = {46, 106};
    } else {
      p = {25, 90};
    }
  } else if (code >= kFirstMailboxBin) {
    const int i = code - kFirstMailboxBin;
    if (Any(f, kFiveBinMailbox) && i <= 4) {
      p = {28, 98 + 9 * i};
    } else if (Any(f, kSevenBinMailbox | kSevenBinMailboxRaised) && i <= 6) {
      p = {45, 62 + 5 * i};
    } else if (Any(f, kEightBinMailbox) && i <= 7) {
      p = {28, 71 + 9 * i};
    }
  }
  if (p.x == 0 && p.y == 0) return 0;
  if (out != nullptr) *out = ToControl(p.x, p.y, f);
  return 1;
}

int16_t GDestinationPictureAccessor::HitTest(int x, int y) {
  const int32_t f = GetAccessoryFlags();
  const POINT p = ToPicture(x, y, f);
  if (Region{110, 28, 148, 38}.Holds(p)) return 1;
  if (Any(f, kStapler | kStaplerB) && Region{25, 102, 59, 129}.Holds(p)) return 4;
  if (BinTwoRegion(f).Holds(p)) return 2;
  if (Any(f, kFiveBinMailbox) && Region{26, 63, 59, 99}.Holds(p)) {
    return ReadValue(&GRuleKeys::kStaple.availability) != 0 ? kNoHit : 3;
  }
  // The mailbox rows and the booklet maker, while the output-bin rule lets
  // the user choose.
  if (ReadValue(&GRuleKeys::kOutputBin.availability) != 0) return kNoHit;
  const int16_t rowBase = GetOutputAccessoryMode() == kMailboxMode ? kFirstMailboxBin : -1;
  auto row = [&](int i) { return static_cast<int16_t>(rowBase < 0 ? 4 : rowBase + i); };
  if (Any(f, kFiveBinMailbox)) {
    for (int i = 0; i < 5; ++i)
      if (Region{26, 96 + 9 * i, 59, 105 + 9 * i}.Holds(p)) return row(i);
  }
  if (Any(f, kSevenBinMailbox | kSevenBinMailboxRaised)) {
    for (int i = 0; i < 7; ++i)
      if (Region{40, 60 + 5 * i, 55, 65 + 5 * i}.Holds(p)) return row(i);
  }
  if (Any(f, kEightBinMailbox)) {
    if (Region{26, 60, 59, 78}.Holds(p)) return row(0);
    for (int i = 1; i < 8; ++i)
      if (Region{26, 69 + 9 * i, 59, 78 + 9 * i}.Holds(p)) return row(i);
  }
  if (Any(f, kBookletMaker) && Region{0, 81, 49, 119}.Holds(p)) return 4;
  return kNoHit;
}

int16_t GDestinationPictureAccessor::GetSelection() { return ReadValue(&kOutputBin); }

void GDestinationPictureAccessor::SetSelection(int16_t code) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&kOutputBin, code);
}

void GDestinationPictureAccessor::DrawSelection(HDC dc, int16_t selection) {
  if (dc == nullptr) return;
  if (selection >= kFirstMailboxBin && GetOutputAccessoryMode() != kMailboxMode) {
    selection = 4;
    SetSelection(selection);
  }
  const int32_t f = GetAccessoryFlags();
  int rows = 0;
  int left = 0;
  int top = 0;
  int bottom = 0;
  if (Any(f, kFiveBinMailbox)) {
    rows = 5, left = 19, top = 96, bottom = 105 + 9 * 4;
  } else if (Any(f, kSevenBinMailbox | kSevenBinMailboxRaised)) {
    rows = 7, left = 33, top = 60, bottom = 65 + 5 * 6;
  } else if (Any(f, kEightBinMailbox)) {
    rows = 8, left = 19, top = 60, bottom = 78 + 9 * 7;
  }
  const int32_t otherOutput = kBookletMaker | kLargeOutputTray | kLargeOutputTrayRaised | kStacker | kLargeStacker |
                              kStapler | kStaplerB;
  if (selection != 4 || rows == 0 || Any(f, otherOutput)) {
    GPrinterPictureAccessor::DrawSelection(dc, selection);
    return;
  }
  // A bracket left of the accessor's rows: a thick upright and two ticks.
  const POINT a = ToControl(left, top, f);
  const POINT b = ToControl(left + 5, bottom - 4, f);
  HBRUSH brush = CreateSolidBrush(kBracket);
  if (brush == nullptr) return;
  const RECT upright{a.x, a.y + 1, a.x + 6, b.y - 2};
  const RECT topTick{a.x, a.y, b.x + 1, a.y + 3};
  const RECT bottomTick{a.x, b.y - 3, b.x + 1, b.y};
  FillRect(dc, &upright, brush);
  FillRect(dc, &topTick, brush);
  FillRect(dc, &bottomTick, brush);
  DeleteObject(brush);
}
