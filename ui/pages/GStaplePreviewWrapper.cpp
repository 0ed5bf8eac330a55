#include "ui/pages/GStaplePreviewWrapper.h"

#include <algorithm>

#include "model/GFeatureIds.h"
#include "rw/RWCString.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"

namespace {

using namespace GFeatureIds;

constexpr COLORREF kDottedGrey = 0x808080;

}  // namespace

int GStaplePreviewModel::HasChanged() {
  return GPreviewModel::HasChanged() != 0 || Changed(kStapling) != 0 || Changed(kAccessoryOutputBins) != 0 ? 1 : 0;
}

int16_t GStaplePreviewModel::GetStapleMode() const {
  RWCString accessory;
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&kAccessoryOutputBins, &accessory);
  if (accessory == RWCString("K5206")) return ReadValue(&kStapling);
  if (accessory == RWCString("VXN-62")) return kSaddleStitch;
  if (accessory == RWCString("K5203")) return kSingleStaple;
  return 0;
}

int16_t GStaplePreviewModel::GetPagePaper() const {
  return ReadValue(&kFitToOtherSizeChoice) == 1 ? ReadValue(&kTargetSizeChoice) : ReadValue(&kPaperSize);
}

void GStaplePreviewWrapper::SetControlFromFeature(int force) {
  GPreviewWrapper::SetControlFromFeature(force);
  if (Staples() != nullptr) mode_ = Staples()->GetStapleMode();
}

void GStaplePreviewWrapper::DrawStaple(HDC dc) {
  if (mode_ == GStaplePreviewModel::kSaddleStitch) {
    DrawSaddleStitch(dc);
  } else if (mode_ == GStaplePreviewModel::kSingleStaple) {
    GPreviewWrapper::DrawStaple(dc);
  } else if (mode_ >= 1 && mode_ <= 6) {
    DrawPattern(dc);
  }
}

void GStaplePreviewWrapper::DrawSaddleStitch(HDC dc) {
  const int32_t S = Staples()->GetResolution();
  const int32_t L = S * 17 / 25;
  const RECT& a = layout_.area;
  const int32_t width = 2 * layout_.unit;
  // The fold runs down the sheet in portrait, across it otherwise.
  if (orientation_ == 0) {
    const int32_t x = (a.left + a.right) / 2;
    for (int third = 1; third <= 2; ++third) {
      const int32_t y = a.top + (a.bottom - a.top) * third / 3;
      Line(dc, x, y - L / 2, x, y + L / 2, width, 0);
    }
  } else {
    const int32_t y = (a.top + a.bottom) / 2;
    for (int third = 1; third <= 2; ++third) {
      const int32_t x = a.left + (a.right - a.left) * third / 3;
      Line(dc, x - L / 2, y, x + L / 2, y, width, 0);
    }
  }
}

void GStaplePreviewWrapper::DrawPattern(HDC dc) {
  const int32_t S = Staples()->GetResolution();
  const int32_t p = layout_.unit;
  const int32_t M = S * 5 / 25;
  const int32_t L = S * 14 / 25;
  const int32_t G = S * 22 / 25;
  const int32_t width = 2 * p;
  const RECT& a = layout_.area;
  int16_t orientation = orientation_;
  if (layout_.nUp == 2 || layout_.nUp == 6) orientation = orientation == 0 ? 90 : 0;
  const int16_t paper = Staples()->GetPagePaper();
  const bool letterLike = paper == 1 || paper == 23;
  // The distance of two staples from the ends, scaled with the drawn page.
  int32_t letterW = 0;
  int32_t letterH = 0;
  Staples()->GetPaperExtentFor(1, letterW, letterH);
  const int32_t drawnW = a.right - a.left;
  const int32_t drawnH = a.bottom - a.top;
  const int32_t R = letterLike ? drawnH * 100 / std::max(1, letterH) : drawnW * 100 / std::max(1, letterW);
  const int32_t H = (S * 550 / 254) * R / 100;
  const bool alongLeft = (orientation == 0 && letterLike) || ((orientation == 90 || orientation == 270) && !letterLike);
  const bool far = orientation == 270;
  // The staple line and the extent along the edge.
  const int32_t line = alongLeft ? (far ? a.right - M - 2 * p : a.left + 2 * p + M)
                                 : (far ? a.bottom - M - 2 * p : a.top + 2 * p + M);
  const int32_t A = alongLeft ? a.top : a.left;
  const int32_t B = alongLeft ? a.bottom : a.right;
  auto staple = [&](int32_t from, int32_t to) {
    if (alongLeft) {
      Line(dc, line, from, line, to, width, 0);
    } else {
      Line(dc, from, line, to, line, width, 0);
    }
  };
  switch (mode_) {
    case 1:
      if (far) {
        staple(B - M - p - L, B - M - p);
      } else {
        staple(A + M + p, A + M + p + L);
      }
      break;
    case 2: {
      if (!alongLeft) {
        staple(A + M + p, A + M + p + L);
        break;
      }
      // Across the corner, from the edge inwards at 45 degrees.
      const int32_t d = L * 707 / 1000;
      const int32_t start = A + M + p;
      const int32_t inward = far ? -d : d;
      Line(dc, line, start + d, line + inward, start, width, 0);
      break;
    }
    case 3:
      staple(A + H, A + H + L);
      staple(B - H - L, B - H);
      break;
    case 4:
      staple(A + M + p, A + M + p + L);
      staple(A + (B - 3 * L - A) / 2 + L, A + (B - 3 * L - A) / 2 + 2 * L);
      staple(B - M - p - L, B - M - p);
      break;
    case 5: {
      const int32_t step = std::max(G, (B - A - 2 * (M + 3 * L)) / 5) + L;
      int32_t from = A + M;
      for (int n = 0; n < 6 && from + L <= B - M; ++n, from += step) staple(from, from + L);
      break;
    }
    case 6:
      for (int32_t offset : {2 * p, p, 0}) {
        const int32_t at = far ? line + offset : line - offset;
        if (alongLeft) {
          Line(dc, at, A + M - p, at, B - M + p, p, kDottedGrey, PS_DOT);
        } else {
          Line(dc, A + M - p, at, B - M + p, at, p, kDottedGrey, PS_DOT);
        }
      }
      break;
    default:
      break;
  }
}
