#include "ui/pages/GPreviewWrapper.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "rw/RWCString.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/pages/GPaperSizeAccessor.h"

namespace {

using namespace GFeatureIds;

constexpr int16_t kPreviewLetter = 1;
constexpr int32_t kCaptionFontPixels = 11;
constexpr COLORREF kCaptionBack = RGB(255, 255, 225);

bool IsBigBookletPaper(int16_t paper) { return paper == 21 || paper == 22; }

RECT Centred(const RECT& canvas, int32_t width, int32_t height) {
  const int32_t cx = (canvas.left + canvas.right) / 2;
  const int32_t cy = (canvas.top + canvas.bottom) / 2;
  return RECT{cx - width / 2, cy - height / 2, cx - width / 2 + width, cy - height / 2 + height};
}

struct Grid {
  int rows = 1;
  int columns = 1;
  bool widthOverHeight = true;  // aspect W / H, else H / W
};

Grid GridFor(int16_t nUp, bool portrait) {
  switch (nUp) {
    case 2: return portrait ? Grid{1, 2, true} : Grid{2, 1, true};
    case 4: return Grid{2, 2, false};
    case 6: return portrait ? Grid{2, 3, true} : Grid{3, 2, true};
    case 9: return Grid{3, 3, false};
    case 16: return Grid{4, 4, false};
    default: return Grid{1, 1, true};
  }
}

// Keeps a brush and pen selected for one shape and puts the old ones back.
class Ink {
 public:
  Ink(HDC dc, COLORREF fill, COLORREF outline, int width = 0, int style = PS_SOLID) : dc_(dc) {
    brush_ = fill == CLR_INVALID ? nullptr : CreateSolidBrush(fill);
    pen_ = outline == CLR_INVALID ? nullptr : CreatePen(style, width, outline);
    oldBrush_ = SelectObject(dc, brush_ != nullptr ? static_cast<HGDIOBJ>(brush_) : GetStockObject(NULL_BRUSH));
    oldPen_ = SelectObject(dc, pen_ != nullptr ? static_cast<HGDIOBJ>(pen_) : GetStockObject(NULL_PEN));
  }
  ~Ink() {
    SelectObject(dc_, oldBrush_);
    SelectObject(dc_, oldPen_);
    if (brush_ != nullptr) DeleteObject(brush_);
    if (pen_ != nullptr) DeleteObject(pen_);
  }
  Ink(const Ink&) = delete;
  Ink& operator=(const Ink&) = delete;

 private:
  HDC dc_;
  HBRUSH brush_ = nullptr;
  HPEN pen_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
};

}  // namespace

// ---- GPreviewModel ----

GPreviewModel::GPreviewModel(GUISession* session)
    : GFeatureAccessor(session), papers_(session != nullptr ? new GPaperSizeAccessor(session) : nullptr) {
  if (session != nullptr) {
    const int16_t uniform = session->GetUniformResolution();
    if (uniform > 0 && uniform != 0x7FFF) {
      resolution_ = uniform;
    } else if (ReadValue(&kXResolution) > 0) {
      resolution_ = ReadValue(&kXResolution);
    }
  }
}

GPreviewModel::~GPreviewModel() { delete papers_; }

int GPreviewModel::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

int GPreviewModel::HasChanged() {
  static const int32_t kWatched[] = {kPaperSize,        kOrientation,          kWMFirstPageOnly,   kNUpChoice,
                                     kNUpPageOrderChoice, kPrintColorAsGray,   kSparetone,         kStaplerChoice,
                                     kBinderChoice,     kScaleChoice,          kBookletPrintingChoice, kBookletTargetSize,
                                     kNUpBordersChoice, kFitToOtherSizeChoice, kTargetSizeChoice,  kResolution,
                                     kXResolution,      kYResolution,          kPsMirror,          kOutputBin,
                                     kPsNegative,       kScalePageChoice,      kMeasurementSystem, kDuplexUnit};
  for (int32_t id : kWatched) {
    if (Changed(id) != 0) return 1;
  }
  return 0;
}

int GPreviewModel::IsStaplerOnAccessory() {
  RWCString accessory;
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&kAccessoryOutputBins, &accessory);
  return accessory == RWCString("VXN-62") && GetBooklet() != 0 ? 1 : 0;
}

int16_t GPreviewModel::GetOrientation() const { return ReadValue(&kOrientation); }
int16_t GPreviewModel::GetNUp() const {
  const int16_t n = ReadValue(&kNUpChoice);
  return n == 2 || n == 4 || n == 6 || n == 9 || n == 16 ? n : 1;
}
int GPreviewModel::GetNUpBorders() const { return ReadValue(&kNUpBordersChoice) != 0 ? 1 : 0; }
int16_t GPreviewModel::GetPageOrder() const { return ReadValue(&kNUpPageOrderChoice); }
int16_t GPreviewModel::GetBooklet() const { return ReadValue(&kBookletPrintingChoice); }
int GPreviewModel::IsGrayscale() const {
  const int16_t v = ReadValue(&kPrintColorAsGray);
  return v == 1 || v == 3 ? 1 : 0;
}
int GPreviewModel::IsSparetone() const { return ReadValue(&kSparetone) == 1 ? 1 : 0; }
int GPreviewModel::IsNegative() const { return ReadValue(&kPsNegative) == 1 ? 1 : 0; }
int GPreviewModel::IsMirror() const { return ReadValue(&kPsMirror) == 1 ? 1 : 0; }
int GPreviewModel::IsStapled() const { return ReadValue(&kStaplerChoice) == 1 ? 1 : 0; }
int GPreviewModel::IsBinding() const { return ReadValue(&kBinderChoice) == 1 ? 1 : 0; }
int GPreviewModel::IsEnvelope() const {
  const int16_t p = GetPaper();
  return (p >= 8 && p <= 16) || p == 50 || p == 52 || p == 59 || p == 60 || p == 73 ? 1 : 0;
}
int16_t GPreviewModel::GetScale() const {
  const int16_t scale = ReadValue(&kScaleChoice);
  return scale > 0 ? scale : 100;
}
int GPreviewModel::IsFitToOtherSize() const { return ReadValue(&kFitToOtherSizeChoice) == 1 ? 1 : 0; }
int GPreviewModel::IsScalePage() const { return ReadValue(&kScalePageChoice) == 1 ? 1 : 0; }
int16_t GPreviewModel::GetTargetPaper() const { return ReadValue(&kTargetSizeChoice); }
int16_t GPreviewModel::GetBookletTargetPaper() const { return GetBooklet() != 0 ? ReadValue(&kBookletTargetSize) : 0; }
int16_t GPreviewModel::GetPaper() const { return ReadValue(&kPaperSize); }

void GPreviewModel::GetPaperExtentFor(int16_t paper, int32_t& width, int32_t& height) const {
  width = 0;
  height = 0;
  if (session_ == nullptr) return;
  // The media are the printer's, in the model.
  GSettingsView view = session_->GetModelView();
  const int16_t orientation = GetOrientation();
  GMedia* media = view.FindMediaForResolution(paper, orientation, resolution_);
  if (media == nullptr) media = view.FindMediaForResolution(kPreviewLetter, orientation, resolution_);
  if (media == nullptr) return;
  width = media->GetSize()->x;
  height = media->GetSize()->y;
}

void GPreviewModel::GetPaperExtent(int32_t& width, int32_t& height) const {
  GetPaperExtentFor(GetPaper(), width, height);
}

void GPreviewModel::GetSpreadExtent(int32_t& width, int32_t& height) const {
  GetPaperExtentFor(kPreviewLetter, width, height);
  const int32_t small = std::min(width, height);
  const int32_t large = std::max(width, height);
  width = small * 2;
  height = large;
}

void GPreviewModel::ToggleOrientation() {
  const int16_t orientation = GetOrientation();
  if (session_ != nullptr) {
    session_->GetSettingsView().SetInt(&kOrientation, orientation == 0 || orientation == 180 ? 90 : 0);
  }
}

void GPreviewModel::ToggleMeasurementSystem() {
  if (papers_ != nullptr) papers_->ToggleMeasurementSystem();
}

RWWString GPreviewModel::GetSizeText() {
  RWWString text;
  if (papers_ != nullptr) papers_->GetSizeText(&text, 1);
  return text;
}

// ---- GPreviewWrapper ----

GPreviewWrapper::GPreviewWrapper(GPreviewModel* model, const GControlRow* table) : GWrapper(model, table) {}

GPreviewWrapper::~GPreviewWrapper() = default;

void GPreviewWrapper::OnAttach() {
  if (Model() != nullptr) {
    int32_t w = 0;
    int32_t h = 0;
    Model()->GetSpreadExtent(w, h);
    scaleReference_ = std::max(w, h);
  }
  layout_ = Layout();
  caption_ = RECT{};
}

void GPreviewWrapper::SetControlFromFeature(int) {
  GPreviewModel* m = Model();
  if (m == nullptr) return;
  orientation_ = m->GetOrientation();
  nUp_ = m->GetNUp();
  borders_ = m->GetNUpBorders();
  order_ = m->GetPageOrder();
  booklet_ = m->GetBooklet();
  grey_ = m->IsGrayscale();
  sparetone_ = m->IsSparetone();
  negative_ = m->IsNegative();
  stapled_ = m->IsStapled() != 0 || m->IsStaplerOnAccessory() != 0 ? 1 : 0;
  binding_ = m->IsBinding();
  scale_ = m->GetScale();
  fit_ = m->IsFitToOtherSize();
  scalePage_ = m->IsScalePage();
  bookletPaper_ = m->GetBookletTargetPaper();
  m->GetPaperExtent(paperWidth_, paperHeight_);
}

void GPreviewWrapper::Refresh(int force) {
  if (Model() == nullptr) return;
  if (force != 0 || Model()->HasChanged() != 0) {
    SetControlFromFeature(force);
    if (HWND control = GetControl(0)) InvalidateRect(control, nullptr, FALSE);
  }
}

COLORREF GPreviewWrapper::TransformColor(int r, int g, int b) const {
  int c[3] = {r, g, b};
  for (int& v : c) {
    if (negative_ != 0) v = 255 - v;
    // Halfway towards white: 0 -> 128, 128 -> 192, 255 -> 255.
    if (sparetone_ != 0) v = (v + 255 + 1) / 2;
  }
  return RGB(c[0], c[1], c[2]);
}

void GPreviewWrapper::Line(HDC dc, int x0, int y0, int x1, int y1, int width, COLORREF colour, int style) {
  Ink ink(dc, CLR_INVALID, colour, width, style);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void GPreviewWrapper::DrawPreview(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  if (dc == nullptr || Model() == nullptr) return;
  SetControlFromFeature(0);
  int32_t paperW = paperWidth_;
  int32_t paperH = paperHeight_;
  int16_t nUp = nUp_;
  if (bookletPaper_ > 0) {
    Model()->GetPaperExtentFor(bookletPaper_, paperW, paperH);
    nUp = 2;
  }
  const int32_t itemW = item.rcItem.right - item.rcItem.left;
  const int32_t itemH = item.rcItem.bottom - item.rcItem.top;
  const int32_t s = std::min(itemW, itemH);
  // An item of 15 pixels or less has no room for a sheet, and a paper
  // without an extent has nothing to scale.
  if (s <= 15 || paperW <= 0 || paperH <= 0) return;
  const int32_t k = std::max(scaleReference_, std::max(paperW, paperH)) / (s - 15) + 1;
  const int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, itemW * k, itemH * k, nullptr);
  SetViewportExtEx(dc, itemW, itemH, nullptr);
  const RECT canvas{0, 0, itemW * k, itemH * k};
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &canvas, face);
  DeleteObject(face);

  // The sheet (the fit-to paper when fitting) and the page area (the
  // paper), each with the orientation's side across.
  int32_t sheetW = paperW;
  int32_t sheetH = paperH;
  if (fit_ != 0) Model()->GetPaperExtentFor(Model()->GetTargetPaper(), sheetW, sheetH);
  auto across = [&](int32_t& w, int32_t& h) {
    const int32_t small = std::min(w, h);
    const int32_t large = std::max(w, h);
    w = Portrait() ? small : large;
    h = Portrait() ? large : small;
  };
  across(sheetW, sheetH);
  int32_t areaW = paperW;
  int32_t areaH = paperH;
  across(areaW, areaH);
  if (nUp == 2 || nUp == 6) std::swap(areaW, areaH);
  const RECT sheet = Centred(canvas, sheetW, sheetH);
  RECT area = Centred(canvas, areaW, areaH);
  if (fit_ != 0 && scalePage_ != 0) {
    const int32_t pct = std::min(sheetW * 100 / std::max(1, areaW), sheetH * 100 / std::max(1, areaH));
    area = Centred(canvas, areaW * pct / 100, areaH * pct / 100);
  }
  layout_ = Layout();
  layout_.sheet = sheet;
  layout_.area = area;
  layout_.unit = k;
  layout_.nUp = nUp;
  layout_.orientation = (nUp == 2 || nUp == 6) ? static_cast<int16_t>(Portrait() ? 90 : 0) : orientation_;
  {
    Ink ink(dc, RGB(255, 255, 255), RGB(0, 0, 0), k);
    Rectangle(dc, sheet.left, sheet.top, sheet.right, sheet.bottom);
  }
  DrawBeforePages(dc);
  const int32_t areaWidth = area.right - area.left;
  const int32_t areaHeight = area.bottom - area.top;
  const int32_t gap = booklet_ != 0 && IsBigBookletPaper(bookletPaper_) ? 0 : (areaWidth + areaHeight) / 28;
  const int16_t keep = nUp_;
  nUp_ = nUp;
  DrawPages(dc, area, gap);
  nUp_ = keep;

  DrawStackerMark(dc);
  if (stapled_ != 0) DrawStaple(dc);
  if (binding_ != 0) DrawBinding(dc);
  DrawAfterMarks(dc);
  DrawSizeCaption(dc, canvas);
  if ((item.itemState & ODS_FOCUS) != 0) {
    const int32_t m = 8 * k;
    const RECT focus{sheet.left - m, sheet.top - m, sheet.right + m, sheet.bottom + 20 * k};
    DrawFocusRect(dc, &focus);
  }
  RestoreDC(dc, saved);
}

void GPreviewWrapper::DrawPages(HDC dc, const RECT& area, int32_t gap) {
  const int32_t W = area.right - area.left;
  const int32_t H = area.bottom - area.top;
  const Grid grid = GridFor(nUp_, Portrait());
  // The page keeps the paper's shape: on the area turned for 2-up and 6-up
  // the aspect is that of the area before the turn.
  const bool turned = nUp_ == 2 || nUp_ == 6;
  const int32_t paperW = turned ? H : W;
  const int32_t paperH = turned ? W : H;
  const int32_t aspect =
      grid.widthOverHeight ? paperW * 100 / std::max(1, paperH) : paperH * 100 / std::max(1, paperW);
  int32_t w = W;
  int32_t h = H;
  int32_t vs = 0;
  int32_t hs = 0;
  RECT pageArea = area;
  const bool bigBooklet = booklet_ != 0 && IsBigBookletPaper(bookletPaper_);
  if (bigBooklet) {
    // Two half sheets side by side (one above the other in landscape).
    w = Portrait() ? W / 2 : W;
    h = Portrait() ? H : H / 2;
  } else if (nUp_ == 1) {
    if (scale_ != 100) {
      w = W * scale_ / 100;
      h = H * scale_ / 100;
    }
  } else {
    h = (H - (grid.rows + 1) * gap) / grid.rows;
    w = h * 100 / std::max(1, aspect);
    vs = (H - h * grid.rows) / (grid.rows + 1);
    hs = (W - w * grid.columns) / (grid.columns + 1);
    if (hs < gap / 2) {
      w = (W - (grid.columns + 1) * gap) / grid.columns;
      h = w * aspect / 100;
      vs = (H - h * grid.rows) / (grid.rows + 1);
      hs = (W - w * grid.columns) / (grid.columns + 1);
    }
  }
  const int rows = bigBooklet ? (Portrait() ? 1 : 2) : grid.rows;
  const int columns = bigBooklet ? (Portrait() ? 2 : 1) : grid.columns;
  const int16_t order = booklet_ != 0 ? static_cast<int16_t>(booklet_ == 2 ? 2 : 0) : order_;
  const bool columnsFirst = order == 1 || order == 3;
  const bool rightToLeft = order == 2 || order == 3;
  int number = 0;
  for (int outer = 1; outer <= (columnsFirst ? columns : rows); ++outer) {
    for (int inner = 1; inner <= (columnsFirst ? rows : columns); ++inner) {
      const int r = columnsFirst ? inner : outer;
      int c = columnsFirst ? outer : inner;
      if (rightToLeft) c = columns + 1 - c;
      const RECT page{pageArea.left + c * hs + (c - 1) * w, pageArea.top + r * vs + (r - 1) * h,
                      pageArea.left + c * hs + c * w, pageArea.top + r * vs + r * h};
      ++number;
      layout_.pages.push_back(page);
      DrawPage(dc, number, page, area, gap);
    }
  }
}

void GPreviewWrapper::DrawPage(HDC dc, int number, const RECT& page, const RECT& area, int32_t gap) {
  const int32_t k = layout_.unit;
  const int32_t w = page.right - page.left;
  const int32_t h = page.bottom - page.top;
  const bool framed = borders_ != 0 && layout_.nUp > 1 && booklet_ == 0;
  {
    Ink ink(dc, TransformColor(255, 255, 255), framed ? TransformColor(0, 0, 0) : CLR_INVALID, k);
    Rectangle(dc, page.left, page.top, page.right, page.bottom);
  }
  // Sample text: paragraphs of grey lines.
  const int32_t margin = w / 28 + h / 28;
  const int32_t pitch = std::max<int32_t>(2 * k, std::max(w, h) / 24 / k * k);
  int32_t shift = scale_ < 100 && layout_.nUp == 1 ? gap - margin : 0;
  const int32_t x0 = page.left + margin + shift;
  int32_t x1 = page.right - margin + shift;
  if (scale_ > 100 && layout_.nUp == 1) x1 = area.right;
  int32_t mid = x1 / 2 + x0 / 2;
  if (scale_ > 100 && layout_.nUp == 1 && (area.right < mid || mid < x0)) mid = area.right;
  const int32_t bottom = std::min(area.bottom - gap, page.bottom - margin) + shift;
  int32_t y = page.top + margin + shift;
  const int32_t paragraph = std::max(3 * pitch, (page.bottom - margin - y) / 4);
  int32_t left = 0;
  bool starting = true;
  int closed = 0;
  const COLORREF grey = TransformColor(128, 128, 128);
  while (y < bottom) {
    if (left > 0) {
      Line(dc, x0, y, x1, y, k, grey);
    } else if (starting) {
      Line(dc, x0 + margin, y, x1, y, k, grey);
      left = paragraph;
      starting = false;
    } else {
      Line(dc, x0, y, mid, y, k, grey);
      starting = true;
      ++closed;
      if (booklet_ != 0 && number == 1 && closed == 2) break;
    }
    left -= pitch;
    y += pitch;
  }
  // The emblem and the chart on the first page (the second of a booklet).
  if (number == (booklet_ != 0 ? 2 : 1)) {
    const RECT inner{x0, page.top + margin + shift, page.right - margin + shift, page.bottom - margin + shift};
    DrawEmblem(dc, inner);
    DrawChart(dc, RECT{page.left + margin + shift, inner.top, inner.right, page.bottom - margin}, area, gap);
  }
  if (framed) {
    Ink ink(dc, CLR_INVALID, TransformColor(0, 0, 0), k);
    Rectangle(dc, page.left, page.top, page.right, page.bottom);
  }
  if (layout_.nUp > 1 && booklet_ == 0) {
    // The page number, bold, centred, in blue.
    LOGFONTW font{};
    const int32_t smaller = std::min(w, h);
    const int32_t whole = std::min(area.right - area.left, area.bottom - area.top);
    font.lfHeight = -static_cast<LONG>(static_cast<int64_t>(Model()->GetResolution()) * 400 / 72 * smaller /
                                       std::max(1, whole) / 10);
    font.lfWeight = FW_BOLD;
    const char16_t face[] = u"Arial";
    std::copy(std::begin(face), std::end(face), font.lfFaceName);
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    std::u16string digits;
    for (int n = number; n > 0; n /= 10) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
    SIZE extent{};
    GetTextExtentPoint32W(dc, digits.c_str(), static_cast<int>(digits.size()), &extent);
    SetBkMode(dc, TRANSPARENT);
    const int32_t tx = page.left + (w - extent.cx) / 2;
    const int32_t ty = page.top + (h - extent.cy) / 2;
    SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutW(dc, tx - k, ty - k, 0, nullptr, digits.c_str(), static_cast<UINT>(digits.size()), nullptr);
    ExtTextOutW(dc, tx + k, ty + k, 0, nullptr, digits.c_str(), static_cast<UINT>(digits.size()), nullptr);
    SetTextColor(dc, 0xFF0000);
    ExtTextOutW(dc, tx, ty, 0, nullptr, digits.c_str(), static_cast<UINT>(digits.size()), nullptr);
    SelectObject(dc, old);
    DeleteObject(handle);
  }
}

void GPreviewWrapper::DrawEmblem(HDC dc, const RECT& inner) {
  const int32_t k = layout_.unit;
  const int32_t side = std::min(inner.right - inner.left, inner.bottom - inner.top);
  const int32_t u = std::max<int32_t>(k, side / 4 / 5 / k * k);
  const int32_t x = inner.left;
  const int32_t y = inner.top;
  {
    Ink ink(dc, TransformColor(255, 255, 255), CLR_INVALID);
    Rectangle(dc, x - k, y - k, x + 5 * u + k, y + 5 * u + 2 * k);
  }
  // A stylised "Q": a ring of twelve points, 4 units wide and 5 high.
  const POINT points[] = {{x + u, y},         {x + 3 * u, y},         {x + 4 * u, y + u},
                          {x + 4 * u, y + 3 * u}, {x + 3 * u, y + 4 * u}, {x + 4 * u, y + 5 * u},
                          {x + 3 * u, y + 5 * u}, {x + 2 * u, y + 4 * u}, {x + u, y + 4 * u},
                          {x, y + 3 * u},         {x, y + u},             {x + u, y}};
  const COLORREF colour = grey_ != 0 ? TransformColor(64, 64, 64) : TransformColor(0, 0, 255);
  Ink ink(dc, colour, CLR_INVALID);
  Polygon(dc, points, static_cast<int>(std::size(points)));
}

void GPreviewWrapper::DrawChart(HDC dc, const RECT& inner, const RECT& area, int32_t gap) {
  const int32_t k = layout_.unit;
  const int32_t e = std::min(inner.right - inner.left, inner.bottom - inner.top) / 2;
  const int32_t left = inner.left;
  const int32_t bottom = inner.bottom;
  const int32_t top = bottom - e;
  if (e <= 0 || top > area.bottom - gap) return;
  const int32_t pad = 2 * k * scale_ / 100;
  {
    Ink ink(dc, TransformColor(255, 255, 255), CLR_INVALID);
    Rectangle(dc, left - pad, top - pad, left + e + pad, bottom + pad);
  }
  {
    Ink ink(dc, CLR_INVALID, TransformColor(0, 0, 0), k);
    Rectangle(dc, left, top, left + e, bottom);
  }
  const int32_t t = e / 10;
  struct Bar {
    int from, to, below;  // in tenths of the side; below: the bar's top under the square's top
    COLORREF colour;
    int grey;
  };
  const Bar bars[] = {{1, 3, 7, RGB(255, 0, 0), 117},
                      {3, 5, 4, RGB(255, 255, 0), 243},
                      {5, 7, 5, RGB(0, 255, 0), 204},
                      {7, 9, 2, RGB(0, 0, 255), 64}};
  for (const Bar& bar : bars) {
    const COLORREF c = bar.colour;
    const COLORREF ink = grey_ != 0 ? TransformColor(bar.grey, bar.grey, bar.grey)
                                    : TransformColor(GetRValue(c), GetGValue(c), GetBValue(c));
    Ink fill(dc, ink, CLR_INVALID);
    Rectangle(dc, left + bar.from * t, top + bar.below * t, left + bar.to * t, bottom);
  }
}

void GPreviewWrapper::DrawCornerMark(HDC dc, int32_t length) {
  const int32_t inset = Model()->GetResolution() * 5 / 25;
  const RECT& a = layout_.area;
  const int32_t width = 2 * layout_.unit;
  switch (layout_.orientation) {
    case 180: Line(dc, a.right - inset - length, a.bottom - inset, a.right - inset, a.bottom - inset, width, 0); break;
    case 90: Line(dc, a.right - inset, a.top + inset, a.right - inset, a.top + inset + length, width, 0); break;
    case 270: Line(dc, a.left + inset, a.bottom - inset - length, a.left + inset, a.bottom - inset, width, 0); break;
    default: Line(dc, a.left + inset, a.top + inset, a.left + inset + length, a.top + inset, width, 0); break;
  }
}

void GPreviewWrapper::DrawStaple(HDC dc) { DrawCornerMark(dc, Model()->GetResolution() * 19 / 25); }

void GPreviewWrapper::DrawBinding(HDC dc) { DrawCornerMark(dc, Model()->GetResolution() * 40 / 25); }

void GPreviewWrapper::DrawSizeCaption(HDC dc, const RECT& canvas) {
  caption_ = RECT{};
  const RWWString text = Model()->GetSizeText();
  // A paper that cannot be measured has no caption.
  if (text.Length() == 0) return;
  const int32_t k = layout_.unit;
  // The dialog's own font, in logical units.
  LOGFONTW font{};
  font.lfHeight = -kCaptionFontPixels * k;
  const char16_t face[] = u"MS Shell Dlg";
  std::copy(std::begin(face), std::end(face), font.lfFaceName);
  HFONT handle = CreateFontIndirectW(&font);
  HGDIOBJ old = SelectObject(dc, handle);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.Data(), static_cast<int>(text.Length()), &extent);
  const int32_t boxW = extent.cx + 8 * k;
  const int32_t boxH = extent.cy + 4 * k;
  const int32_t cx = (layout_.sheet.left + layout_.sheet.right) / 2;
  int32_t top = layout_.sheet.bottom + 2 * k;
  if (top + boxH > canvas.bottom) top = canvas.bottom - boxH;
  caption_ = RECT{cx - boxW / 2, top, cx - boxW / 2 + boxW, top + boxH};
  {
    Ink ink(dc, kCaptionBack, CLR_INVALID);
    Rectangle(dc, caption_.left, caption_.top, caption_.right, caption_.bottom);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, 0);
  ExtTextOutW(dc, caption_.left + 4 * k, caption_.top + 2 * k, 0, nullptr, text.Data(),
              static_cast<UINT>(text.Length()), nullptr);
  SelectObject(dc, old);
  DeleteObject(handle);
}

int GPreviewWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM && static_cast<int>(wParam) == GetControlId(0) && lParam != 0) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if ((item->itemAction & ODA_DRAWENTIRE) != 0) DrawPreview(*item);
    return 1;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == GetControlId(0) && HIWORD(wParam) == BN_CLICKED &&
      Model() != nullptr && (Model()->GetAccess() & 1) == 0) {
    POINT p{};
    HWND control = GetControl(0);
    const bool located = control != nullptr && GetCursorPos(&p) != 0 && ScreenToClient(control, &p) != 0;
    const int32_t k = layout_.unit;
    if (located && p.x * k >= caption_.left && p.x * k < caption_.right && p.y * k >= caption_.top &&
        p.y * k < caption_.bottom) {
      Model()->ToggleMeasurementSystem();
    } else {
      Model()->ToggleOrientation();
    }
    return 1;
  }
  return 0;
}
