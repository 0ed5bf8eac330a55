#include "ui/pages/GPaperSizeAccessor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GPaperSizeWrapper.h"
#include "win32/Registry.h"
#include "win32/User.h"

namespace {

using namespace GFeatureIds;

constexpr int16_t kLargestPaper = 17384;
constexpr int16_t kSmallestPaper = 17385;
constexpr char16_t kInternational[] = u"Control Panel\\International";

// Papers the model does not size, and the names of the custom papers that
// stand in for them.
struct PaperStandIn {
  int16_t paperId;
  const char* name;
};
constexpr PaperStandIn kStandIns[] = {
    {41, "Double Post Card"}, {42, "Executive (JIS)"},
    {43, "16K"},              {44, "8K"},
    {51, "A6"},               {56, "B5 (ISO)"},
    {58, "8.5x13"},           {62, "Super B"},
    {65, "A3+"},              {66, "A3 Nobi"},
    {68, "12x18 (Custom)"},   {69, "Japanese Postcard "},
    {70, "Double Japan Postcard Rotated "}, {71, "Double Postcard (JIS)"},
};

// A value under HKEY_CURRENT_USER "Control Panel\International"; empty when
// it cannot be read.
RWWString InternationalValue(const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternational, 0, KEY_READ, &key) != ERROR_SUCCESS) return RWWString();
  WCHAR buffer[16] = {};
  DWORD size = sizeof(buffer) - sizeof(WCHAR);
  DWORD type = 0;
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return RWWString();
  buffer[std::min<DWORD>(size / sizeof(WCHAR), 15)] = 0;
  return RWWString(buffer);
}

// The figure in inches as the page shows it: two decimals with the trailing
// zeros and a trailing point taken off.
std::string InchFigure(double inches) {
  char text[64];
  std::snprintf(text, sizeof text, "%1.2lf", inches);
  std::string figure(text);
  while (figure.size() > 1 && figure.back() == '0') figure.pop_back();
  if (figure.size() > 1 && figure.back() == '.') figure.pop_back();
  return figure;
}

// The figure in whole millimetres, rounded half up on the first decimal.
std::string MillimetreFigure(double inches) {
  const double mm = inches * 25.4;
  const double whole = std::floor(mm);
  const int firstDecimal = static_cast<int>((mm - whole) * 10.0);
  const long value = static_cast<long>(whole) + (firstDecimal >= 5 ? 1 : 0);
  return std::to_string(value);
}

RWWString WithSeparator(const std::string& figure, const RWWString& separator) {
  RWWString out;
  for (char c : figure) {
    if (c == '.') {
      out.AppendText(separator.Data());
    } else {
      const char16_t unit[2] = {static_cast<char16_t>(c), 0};
      out.AppendText(unit);
    }
  }
  return out;
}

}  // namespace

GPaperSizeAccessor::GPaperSizeAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kPaperSize) {}

GPaperSizeAccessor::~GPaperSizeAccessor() = default;

int GPaperSizeAccessor::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

void GPaperSizeAccessor::Write(int32_t id, int16_t value) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&id, value);
}

int16_t GPaperSizeAccessor::GetAvailability() {
  const bool otherTab = ReadValue(&kPaperPageTab) != 0;
  if (ReadValue(&kTabbedPaperLayout) == 1) return otherTab ? 2 : 0;
  return otherTab ? 1 : 0;
}

int GPaperSizeAccessor::HasChanged() {
  return GKeyedFeatureAccessor::HasChanged() != 0 || Changed(kOrientation) || Changed(kMeasurementSystem) ||
                 Changed(kUseDiffFirstPageChoice)
             ? 1
             : 0;
}

int GPaperSizeAccessor::MeasurePixels(int16_t paperId, int16_t orientation, int32_t* width, int32_t* height) {
  if (session_ == nullptr) return 0;
  GSettingsView settings = session_->GetSettingsView();
  if (settings.Descend(&kResolution) == 0) return 0;
  int x = 0;
  int y = 0;
  settings.GetInt(&kXResolution, &x);
  settings.GetInt(&kYResolution, &y);
  // A damaged resolution measures nothing.
  if (x <= 0 || y <= 0) return 0;
  const GMedia* medium =
      session_->GetModelView().FindMediaForResolution(paperId, orientation, static_cast<int16_t>(std::min(x, y)));
  if (medium == nullptr) return 0;
  *width = medium->GetSize()->x;
  *height = medium->GetSize()->y;
  return 1;
}

int GPaperSizeAccessor::IsOutsidePrintableRange(int16_t paperId) {
  if (paperId == 0) paperId = ReadValue(&kPaperSize);
  const int16_t orientation = ReadValue(&kOrientation);
  int32_t width = 0;
  int32_t height = 0;
  if (MeasurePixels(paperId, orientation, &width, &height) == 0) return 1;
  int32_t limitWidth = 0;
  int32_t limitHeight = 0;
  if (MeasurePixels(kLargestPaper, orientation, &limitWidth, &limitHeight) != 0 &&
      (width > limitWidth || height > limitHeight))
    return 1;
  if (MeasurePixels(kSmallestPaper, orientation, &limitWidth, &limitHeight) != 0 &&
      (width < limitWidth || height < limitHeight))
    return 1;
  return 0;
}

int GPaperSizeAccessor::SetValue(int16_t a) {
  if (session_ == nullptr) return 0;
  GAttributeComposite* settings = session_->GetSettings();
  if (a == 0) {
    // The current paper is not offered: back to the saved target size (a
    // missing one is no paper to go back to).
    if (ReadValue(&kTargetSizeChoice) <= 0) return 0;
    savedTargetSize_ = ReadValue(&kTargetSizeChoice);
    Write(kFitToOtherSizeChoice, savedFitFlag_);
    Write(kPaperSize, savedTargetSize_);
    return 1;
  }
  const int16_t b = ReadValue(&kPaperSize);
  if (a == b) return 1;
  const bool aOutside = IsOutsidePrintableRange(a) != 0;
  if (savedTargetSize_ == 0 && !aOutside) savedTargetSize_ = a;
  if (aOutside) {
    const int16_t nup = GSettingQuery::ShortOr(settings, kNUpChoice, 1);
    const int16_t scale = GSettingQuery::ShortOr(settings, kScaleChoice, 100);
    const int16_t trueTypeAsBitmap = GSettingQuery::ShortOr(settings, kTTAsBitmapSetting, 0);
    const int16_t booklet = GSettingQuery::ShortOr(settings, kBookletPrintingChoice, 0);
    if (IsOutsidePrintableRange(b) == 0) {
      savedTargetSize_ = ReadValue(&kTargetSizeChoice);
      savedFitFlag_ = ReadValue(&kFitToOtherSizeChoice);
    }
    MPersistentObject* capabilities = GSettingQuery::FindPath(session_->GetModel(), {kPrinterCapabilityGroup, kPrinterCapabilities});
    int16_t bits = 0;
    GSettingQuery::Short(capabilities, &bits);
    const bool trueTypeConflict = trueTypeAsBitmap != 0 && (bits & 1) == 0;
    if (nup != 1 || scale != 100 || trueTypeConflict || booklet != 0) {
      RWWString caption;
      RWWString text;
      LoadUIString(11909, &caption);
      LoadUIString(11014, &text);
      if (UIMessageBox(session_->GetUpdateContext(), text, caption, MB_OKCANCEL | MB_ICONWARNING) == IDCANCEL) {
        session_->UndoChanges();
        return 1;
      }
      if (nup != 1) Write(kNUpChoice, 1);
      if (scale != 100) Write(kScaleChoice, 100);
      if (trueTypeConflict) Write(kTTAsBitmapSetting, 0);
      if (booklet != 0) Write(kBookletPrintingChoice, 0);
    }
    Write(kFitToOtherSizeChoice, 1);
    int resolved = a;
    ResolveCustomPaperId(&resolved, session_);
    int16_t target = 0;
    switch (resolved) {
      case 21:
      case 62:
        target = 1;
        break;
      case 22:
      case 39:
      case 65:
      case 66:
        target = 23;
        break;
      case 31:
        target = 21;
        break;
      case 64:
        target = 22;
        break;
      case 44: {
        const int16_t custom = FindCustomPaperForPaperId(43, session_);
        target = custom != 0 ? custom : 43;
        break;
      }
      default:
        target = session_->GetDefaultPaperSize();
        break;
    }
    Write(kTargetSizeChoice, target);
  } else if (IsOutsidePrintableRange(b) != 0) {
    Write(kTargetSizeChoice, savedTargetSize_);
    Write(kFitToOtherSizeChoice, savedFitFlag_);
  }
  Write(kPaperSize, a);
  Write(kBookletPrintingChoice, 0);
  return 1;
}

void GPaperSizeAccessor::GetSizeText(RWWString* out, int flag) {
  *out = RWWString();
  if (session_ == nullptr) return;
  int16_t paper = ReadValue(&kPaperSize);
  int16_t orientation = ReadValue(&kOrientation);
  if (flag != 0) {
    if (ReadValue(&kFitToOtherSizeChoice) == 1) {
      paper = ReadValue(&kTargetSizeChoice);
    } else if (ReadValue(&kBookletPrintingChoice) != 0) {
      paper = ReadValue(&kBookletTargetSize);
      orientation = (orientation == 0 || orientation == 180) ? 90 : 0;
    }
  }
  int32_t pixelWidth = 0;
  int32_t pixelHeight = 0;
  if (MeasurePixels(paper, orientation, &pixelWidth, &pixelHeight) == 0) return;
  const double w = static_cast<double>(pixelWidth) / ReadValue(&kXResolution);
  const double h = static_cast<double>(pixelHeight) / ReadValue(&kYResolution);
  const double small = std::min(w, h);
  const double large = std::max(w, h);
  double first = (orientation == 90 || orientation == 270) ? large : small;
  double second = (orientation == 90 || orientation == 270) ? small : large;
  const int16_t nup = GSettingQuery::ShortOr(session_->GetSettings(), kNUpChoice, 1);
  if (flag != 0 && (nup == 2 || nup == 6)) std::swap(first, second);

  int16_t system = ReadValue(&kMeasurementSystem);
  if (system == 0) system = LocaleUsesInches() ? 1 : 2;
  std::string firstFigure;
  std::string secondFigure;
  RWWString unit;
  if (system == 1) {
    firstFigure = InchFigure(first);
    secondFigure = InchFigure(second);
    LoadUIString(11022, &unit);
  } else {
    firstFigure = MillimetreFigure(first);
    secondFigure = MillimetreFigure(second);
    LoadUIString(11021, &unit);
  }
  const RWWString separator = LocaleDecimalSeparator();
  RWWString by;
  LoadUIString(11020, &by);
  RWWString text = WithSeparator(firstFigure, separator);
  text.AppendText(by.Data());
  text.AppendText(WithSeparator(secondFigure, separator).Data());
  text.AppendText(unit.Data());
  *out = text;
}

void GPaperSizeAccessor::ToggleMeasurementSystem() {
  int16_t system = ReadValue(&kMeasurementSystem);
  if (system == 0) system = LocaleUsesInches() ? 1 : 2;
  Write(kMeasurementSystem, system == 1 ? 2 : 1);
}

int GPaperSizeAccessor::EnumeratePapers(GPaperSizeWrapper* wrapper) {
  if (session_ == nullptr) return 0;
  const int onlyPrintable = ReadValue(&kScaleFromLargePaper) == 0 ? 1 : 0;
  return session_->EnumeratePapers(&GPaperSizeAccessor::MediaNameCallback, wrapper, onlyPrintable);
}

int GPaperSizeAccessor::MediaNameCallback(int, int16_t paperId, const RWWString& name, void* wrapper) {
  if (wrapper == nullptr) return 0;
  return static_cast<GPaperSizeWrapper*>(wrapper)->AddPaper(paperId, name);
}

int16_t GPaperSizeAccessor::FindCustomPaperForPaperId(int16_t paperId, GUISession* session) {
  for (const PaperStandIn& standIn : kStandIns) {
    if (standIn.paperId == paperId) return FindCustomPaperByName(session, RWCString(standIn.name));
  }
  return 0;
}

int16_t GPaperSizeAccessor::FindCustomPaperByName(GUISession* session, const RWCString& name) {
  if (session == nullptr) return 0;
  int16_t found = 0;
  GSettingQuery::ForEachChild(session->GetSettingsView().FindCustomPaperList(), [&](MPersistentObject* entry) {
    auto* paper = dynamic_cast<GCustomMediaSize*>(entry);
    if (paper != nullptr && paper->GetName().Compare(name, 1) == 0) {
      found = paper->GetPaperId();
      return false;
    }
    return true;
  });
  return found;
}

int GPaperSizeAccessor::LocaleUsesInches() { return InternationalValue(u"iMeasure") == RWWString(u"1") ? 1 : 0; }

RWWString GPaperSizeAccessor::LocaleDecimalSeparator() {
  RWWString separator = InternationalValue(u"sDecimal");
  return separator.Length() != 0 ? separator : RWWString(u".");
}
