#include "driver/GPageWatermark.h"

#include <cmath>
#include <cstring>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GStringConversion.h"
#include "win32/Kernel.h"

using namespace GFeatureIds;

namespace {

constexpr double kPi = 3.14159265358979323846;

RWWString WideText(MPersistentObject* in, int32_t id) {
  RWCString narrow;
  RWWString wide;
  if (GSettingQuery::TextAt(in, id, &narrow, GSettingQuery::kString)) ToWideString(narrow, wide);
  return wide;
}

void SendBracket(HDC dc, uint32_t phase, COLORREF colour) {
  char payload[12];
  const uint32_t words[3] = {GPageWatermark::kBracketMarker, phase, colour};
  for (int w = 0; w < 3; ++w)
    for (int i = 0; i < 4; ++i) payload[w * 4 + i] = static_cast<char>((words[w] >> (8 * i)) & 0xFF);
  ExtEscape(dc, GPageWatermark::kBracketEscape, sizeof payload, payload, 0, nullptr);
}

}  // namespace

int GPageWatermark::StartDocWatermark(MPersistentObject* settings) {
  mode_ = 0;
  MPersistentObject* options = GSettingQuery::Find(settings, kDocumentSettings2);
  MPersistentObject* selection = GSettingQuery::Find(options, kWatermarks);
  if (options == nullptr || selection == nullptr) return 1;
  switch (GSettingQuery::NumberOr(selection, kWMFirstPageOnly, 2)) {
    case 0: mode_ = 2; break;
    case 1: mode_ = 1; break;
    default: break;
  }
  gray_ = GSettingQuery::NumberOr(options, kTextAsBlack, 0) == 1 ? 1 : 0;
  if (mode_ == 0) return 1;
  int32_t off = 0;
  if (!GSettingQuery::NumberAt(selection, kWatermarkSource, &off) || off != 0) {
    mode_ = 0;
    return 1;
  }
  RWCString name;
  if (!GSettingQuery::TextAt(selection, kSelectedWatermark, &name, GSettingQuery::kString) || name.IsEmpty()) {
    mode_ = 0;
    return 1;
  }
  auto* pool =
      dynamic_cast<GAttributeComposite*>(GSettingQuery::FindPath(settings, {kDriverPreferences, kWatermarkPool}));
  const int count = pool != nullptr ? pool->GetEntryCount() : 0;
  for (int i = 0; i < count; ++i) {
    MPersistentObject* record = pool->ChildAt(static_cast<size_t>(i));
    RWCString recordName;
    if (record != nullptr && GSettingQuery::TextAt(record, kWatermarkName, &recordName, GSettingQuery::kString) &&
        recordName.Length() == name.Length() && std::memcmp(recordName.Data(), name.Data(), name.Length()) == 0) {
      PrepareWatermark(record);
      return 1;
    }
  }
  mode_ = 0;
  return 1;
}

int GPageWatermark::PrepareWatermark(MPersistentObject* record) {
  if (!record_) record_ = std::make_unique<DrawingRecord>();
  DrawingRecord& r = *record_;
  r.geometryComputed = 0;
  r.font = LOGFONTW{};
  r.font.lfCharSet = DEFAULT_CHARSET;
  r.font.lfOutPrecision = OUT_TT_PRECIS;
  r.text = WideText(record, kWatermarkText);
  r.length = r.text.Length();
  RWWString face = WideText(record, kWMFont);
  size_t faceLength = face.Length() < LF_FACESIZE - 1 ? face.Length() : LF_FACESIZE - 1;
  std::memcpy(r.font.lfFaceName, face.Data(), faceLength * sizeof(WCHAR));
  r.font.lfCharSet = static_cast<BYTE>(GSettingQuery::NumberOr(record, kWMFontCharSet, 0));
  const int32_t style = GSettingQuery::NumberOr(record, kWMFontStyle, 0);
  GSettingQuery::NumberOr(record, kWMValue389, 0);
  r.font.lfWeight = (style & 1) ? FW_BOLD : 0;
  r.font.lfItalic = (style >> 1) & 1;
  r.font.lfUnderline = (style >> 2) & 1;
  r.font.lfStrikeOut = (style >> 3) & 1;
  r.font.lfWidth = GSettingQuery::NumberOr(record, kWMFontWidth, 0);
  r.size = GSettingQuery::NumberOr(record, kWMFontSize, 0);
  r.value396 = GSettingQuery::NumberOr(record, kWMValue396, 0);
  r.value397 = GSettingQuery::NumberOr(record, kWMValue397, 0);

  int32_t s = GSettingQuery::NumberOr(record, kWMShadeLevel, 0);
  if (s == 255) s = 232;
  r.shade = s;
  int red = s, green = s, blue = s;
  if (!gray_) {
    const bool R = GSettingQuery::NumberOr(record, kWMRed, 0) != 0;
    const bool G = GSettingQuery::NumberOr(record, kWMGreen, 0) != 0;
    const bool B = GSettingQuery::NumberOr(record, kWMBlue, 0) != 0;
    if (R && G && B) {
      // all on: gray like all off
    } else {
      if (R) red = 255;
      if (G) green = 255;
      if (B) blue = 255;
    }
  }
  r.colour = static_cast<COLORREF>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
  r.escapementMode = GSettingQuery::NumberOr(record, kWMFontEscapement, 0);
  r.customAngle = GSettingQuery::NumberOr(record, kWMCustomAngle, 0);
  return 1;
}

int GPageWatermark::EndPageWatermark(HDC dc, int pageCounter) {
  if (!(mode_ == 2 || (mode_ == 1 && pageCounter == 1))) return 1;
  const int saved = SaveDC(dc);
  if (saved == 0) return 1;
  SetGraphicsMode(dc, GM_COMPATIBLE);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  const int result = DrawWatermark(dc);
  RestoreDC(dc, saved);
  return result;
}

int GPageWatermark::AngleFor(int32_t escapementMode, int32_t customAngle, int horzRes, int vertRes) {
  double angle = 0;
  switch (escapementMode) {
    case 0: angle = 0; break;
    case 2: angle = 90; break;
    case 4: angle = customAngle; break;
    case 1:
    case 3:
      angle = horzRes != 0 ? std::atan(static_cast<double>(vertRes) / horzRes) * 180.0 / kPi : 90.0;
      if (escapementMode == 3) angle = -angle;
      break;
    default: angle = 0; break;
  }
  if (angle < 0) angle += 360;
  return static_cast<int>(angle);
}

int GPageWatermark::DrawWatermark(HDC dc) {
  if (!record_) return 0;
  DrawingRecord& r = *record_;
  const int horzRes = GetDeviceCaps(dc, HORZRES);
  const int vertRes = GetDeviceCaps(dc, VERTRES);
  const int angle = AngleFor(r.escapementMode, r.customAngle, horzRes, vertRes);
  if (!r.geometryComputed) {
    r.font.lfEscapement = r.font.lfOrientation = angle * 10;
    r.font.lfHeight = -MulDiv(r.size, GetDeviceCaps(dc, LOGPIXELSY), 72);
  }
  const int oldExtra = GetTextCharacterExtra(dc);
  const int oldMapMode = GetMapMode(dc);
  const COLORREF oldColour = GetTextColor(dc);
  const int oldBkMode = GetBkMode(dc);
  SetMapMode(dc, MM_TEXT);
  HFONT font = CreateFontIndirectW(&r.font);
  HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, r.colour);
  SetBkMode(dc, TRANSPARENT);
  SetTextCharacterExtra(dc, 0);
  if (!r.geometryComputed) {
    SIZE extent{0, 0};
    GetTextExtentPoint32W(dc, r.text.Data(), static_cast<int>(r.length), &extent);
    const double theta = angle * kPi / 180.0;
    const double w = extent.cx, h = extent.cy;
    r.x = static_cast<int>(horzRes / 2 - std::cos(theta) * w / 2 - std::sin(theta) * h / 2);
    r.y = static_cast<int>(std::sin(theta) * w / 2 - std::cos(theta) * h / 2 + vertRes / 2);
    r.geometryComputed = 1;
  }
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, horzRes, vertRes);
  r.geometryComputed = 0;
  SendBracket(dc, 1, r.colour);
  ExtTextOutW(dc, r.x, r.y, 0, nullptr, r.text.Data(), static_cast<UINT>(r.length), nullptr);
  if (oldFont != nullptr) SelectObject(dc, oldFont);
  SetTextColor(dc, oldColour);
  SetMapMode(dc, oldMapMode);
  SetTextCharacterExtra(dc, oldExtra);
  SetBkMode(dc, oldBkMode);
  if (font != nullptr) DeleteObject(font);
  SendBracket(dc, 0, r.colour);
  if (saved != 0) RestoreDC(dc, saved);
  return 1;
}
