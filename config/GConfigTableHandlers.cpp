#include "config/GConfigTableHandlers.h"

#include <iterator>

#include "config/GDMCLibrary.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"

namespace {

using GFeatureIds::kDocumentSettings;
using GFeatureIds::kDocumentSettings2;
using GFeatureIds::kInstallableOptions;
using GFeatureIds::kTray1;
using GFeatureIds::kTray1Mode;
constexpr GChangeRule kNone = GChangeRule::kNone;
constexpr GChangeRule kCopy = GChangeRule::kCopy;
constexpr GChangeRule kNew = GChangeRule::kNew;

// ---- Option tables, as the library names the options ----
const GOptionRow kFalseTrue[] = {{0, u"FALSE"}, {1, u"TRUE"}};
const GOptionRow kOffOn[] = {{0, u"OFF"}, {1, u"ON"}};
const GOptionRow kNotInstalledInstalled[] = {{0, u"NotInstalled"}, {1, u"Installed"}};
const GOptionRow kInstalledNotInstalled[] = {{1, u"Installed"}, {0, u"NotInstalled"}};
const GOptionRow kDisabledEnabled[] = {{0, u"Disabled"}, {1, u"Enabled"}};
const GOptionRow kManualDuplexRows[] = {{0, u"Disabled"}, {3, u"Enabled"}};
const GOptionRow kPageOrderRows[] = {{0, u"FrontToBack"}, {1, u"BackToFront"}};
const GOptionRow kBinderChoiceRows[] = {{0, u"DontBindThisJob"}, {1, u"BindThisJob"}, {3, u"BindStacker"}};
const GOptionRow kPatternScaling[] = {{0, u"NeverScalePatterns"}, {1, u"AlwaysScalePatterns"}};
const GOptionRow kZepChoiceRows[] = {{-1, u"NotSupported"}, {0, u"OFF"},     {1, u"Light"},    {2, u"Medium"},
                                 {3, u"Dark"},          {4, u"ON"},      {-1, u"MinValue"}, {4, u"MaxValue"}};
const GOptionRow kKivChoiceRows[] = {{-1, u"NotSupported"},  {1, u"ON"},             {0, u"OFF"},
                                 {2, u"PageProtOff"},    {3, u"PageProtLetter"}, {4, u"PageProtLegal"},
                                 {5, u"PageProtA4"},     {-1, u"MinValue"},      {5, u"MaxValue"}};
const GOptionRow kRasterization[] = {{0, u"RasterizationAuto"},
                                     {1, u"RasterizationVector"},
                                     {2, u"RasterizationGRaster"},
                                     {3, u"RasterizationRaster"}};
const GOptionRow kJobRetentionMode[] = {{-1, u"NotSupported"}, {0, u"OFF"},          {1, u"QuickCopy"},
                                        {2, u"ProofNHold"},    {3, u"StoreJob"},     {4, u"PrivatePrint"}};
const GOptionRow kEdgeToEdgeRows[] = {{-1, u"NotSupported"}, {2, u"Supported"}, {0, u"OFF"}, {1, u"ON"}};
const GOptionRow kBookletTargetSizeRows[] = {{1, u"LETTER"}, {21, u"11X17"},  {6, u"LEGAL"},  {23, u"A4"},
                                         {22, u"A3"},    {39, u"B4_JIS"}, {40, u"B5_JIS"}};
const GOptionRow kTTAsBitmap[] = {{0, u"TTModeOutline"}, {1, u"TTModeBitmap"}};
const GOptionRow kScalePage[] = {{0, u"FitWithoutScaling"}, {1, u"ScaleToFit"}};
const GOptionRow kOrientationRows[] = {{0, u"Portrait"}, {90, u"Landscape"}, {270, u"RotatedLandscape"},
                                   {180, u"RotatedPortrait"}};

template <size_t N>
constexpr uint16_t Count(const GOptionRow (&)[N]) {
  return static_cast<uint16_t>(N);
}

// The value of tray 1's companion attribute.
constexpr int16_t kTray1CompanionValue = 8;

}  // namespace

#define QV_FEATURE(path, exportPath, group, id, rows, bytes, rule, strict) \
  {path, exportPath, group, id, rows, Count(rows), bytes, rule, strict}

const GTableFeature GSymmetricalMarginsHandler::kFeature = QV_FEATURE(
    u"printing/QVSymmetricalMargins", u"printing/QVSymmetricalMargins", kDocumentSettings, GFeatureIds::kQVSymmetricalMargins, kFalseTrue, 510,
    kCopy, false);
const GTableFeature GEmulateSTMarginsHandler::kFeature = QV_FEATURE(
    u"printing/QVEmulateSTMargins", u"printing/QVEmulateSTMargins", kDocumentSettings, GFeatureIds::kQVEmulateSTMargins, kFalseTrue, 510, kCopy,
    false);
const GTableFeature GStraightPaperPathHandler::kFeature = QV_FEATURE(
    u"printing/StraightPaperPath", u"printing/StraightPaperPath", kDocumentSettings, GFeatureIds::kStraightPaperPath, kOffOn, 510, kCopy, true);
const GTableFeature GManualDuplexHandler::kFeature =
    QV_FEATURE(u"physical/ManualDuplex", u"physical/ManualDuplex", kInstallableOptions, GFeatureIds::kManualDuplex,
               kManualDuplexRows, 510, kCopy, false);
const GTableFeature GTray1Handler::kFeature = QV_FEATURE(u"physical/Tray1", u"physical/Tray1", kInstallableOptions,
                                                         kTray1, kNotInstalledInstalled, 510, kNone, false);
const GTableFeature GPageOrderHandler::kFeature = QV_FEATURE(u"printing/PageOrder", u"printing/PageOrder",
                                                             kDocumentSettings, GFeatureIds::kPageOrder, kPageOrderRows, 510, kNew, true);
const GTableFeature GIgnoreCollationChoiceHandler::kFeature = QV_FEATURE(
    u"printing/IgnoreCollationChoice", u"printing/IgnoreCollationChoice", kDocumentSettings2, GFeatureIds::kIgnoreCollationChoice, kOffOn, 128,
    kNone, false);
const GTableFeature GBinderChoiceHandler::kFeature = QV_FEATURE(
    u"printing/BinderChoice", u"printing/BindChoice", kDocumentSettings, GFeatureIds::kBinderChoice, kBinderChoiceRows, 510, kCopy, false);
const GTableFeature GPatternScalingChoiceHandler::kFeature = QV_FEATURE(
    u"printing/PatternScalingChoice", u"printing/PatternScalingChoice", kDocumentSettings, GFeatureIds::kPatternScalingChoice, kPatternScaling,
    256, kNone, false);
const GTableFeature GZepChoiceHandler::kFeature = QV_FEATURE(u"printing/ZepChoice", u"printing/ZepChoice",
                                                             kDocumentSettings, GFeatureIds::kZepChoice, kZepChoiceRows, 256, kNone, false);
const GTableFeature GKivChoiceHandler::kFeature = QV_FEATURE(u"printing/KivChoice", u"printing/KivChoice",
                                                             kDocumentSettings, GFeatureIds::kKivChoice, kKivChoiceRows, 256, kNone, false);
const GTableFeature GRasterizationChoiceHandler::kFeature = QV_FEATURE(
    u"printing/RasterizationChoice", u"printing/RasterizationChoice", kDocumentSettings, GFeatureIds::kRasterizationChoice, kRasterization, 256,
    kNone, false);
const GTableFeature GJobRetentionModeChoiceHandler::kFeature = QV_FEATURE(
    u"printing/JobRetentionModeChoice", u"printing/JobRetentionModeChoice", kDocumentSettings, GFeatureIds::kJobRetentionModeChoice,
    kJobRetentionMode, 510, kCopy, false);
const GTableFeature GEdgeToEdgeHandler::kFeature = QV_FEATURE(u"printing/EdgeToEdge", u"printing/EdgeToEdge",
                                                              kDocumentSettings, GFeatureIds::kEdgeToEdge, kEdgeToEdgeRows, 510, kCopy, false);
const GTableFeature GMonoChromeChoiceHandler::kFeature = QV_FEATURE(
    u"physical/MonoChromeChoice", u"physical/MonoChromeChoice", kInstallableOptions, GFeatureIds::kMonoChromeChoice, kOffOn, 64, kNone, false);
const GTableFeature GCollationUnitHandler::kFeature = QV_FEATURE(
    u"physical/CollationUnit", u"physical/CollationUnitSetting", kInstallableOptions, GFeatureIds::kCollationUnit, kFalseTrue, 256, kNone,
    false);
const GTableFeature GDeviceIsPlurexHandler::kFeature = QV_FEATURE(
    u"physical/DeviceIsPlurex", u"physical/DeviceIsPlurex", kInstallableOptions, GFeatureIds::kCollationUnit, kInstalledNotInstalled, 64,
    kNone, false);
const GTableFeature GScannerChoiceHandler::kFeature = QV_FEATURE(
    u"physical/ScannerChoice", u"physical/ScannerChoice", kInstallableOptions, GFeatureIds::kScannerChoice, kNotInstalledInstalled, 256,
    kNone, false);
const GTableFeature GBinderUnitHandler::kFeature = QV_FEATURE(
    u"physical/BinderUnit", u"physical/binderunit", kInstallableOptions, GFeatureIds::kBinderUnit, kNotInstalledInstalled, 510, kCopy,
    false);
const GTableFeature GDuplexUnitHandler::kFeature = QV_FEATURE(
    u"physical/DuplexUnit", u"physical/duplexunit", kInstallableOptions, GFeatureIds::kDuplexUnit, kNotInstalledInstalled, 510, kCopy,
    false);
const GTableFeature GBookletTargetSizeHandler::kFeature = QV_FEATURE(
    u"printing/BookletTargetSize", u"printing/BookletTargetSize", kDocumentSettings, GFeatureIds::kBookletTargetSize, kBookletTargetSizeRows, 510,
    kCopy, false);
const GTableFeature GTTAsBitmapSettingHandler::kFeature = QV_FEATURE(
    u"printing/TTAsBitmapSetting", u"printing/TTAsBitmapSetting", kDocumentSettings2, GFeatureIds::kTTAsBitmapSetting, kTTAsBitmap, 510, kNew,
    false);
const GTableFeature GScalePageChoiceHandler::kFeature = QV_FEATURE(
    u"printing/ScalePageChoice", u"printing/ScalePageChoice", kDocumentSettings, GFeatureIds::kScalePageChoice, kScalePage, 256, kCopy, false);
const GTableFeature GTextAsBlackHandler::kFeature = QV_FEATURE(u"printing/TextAsBlack", u"printing/TextAsBlack",
                                                               kDocumentSettings, GFeatureIds::kTextAsBlack, kFalseTrue, 510, kNew, false);
const GTableFeature GOrientationHandler::kFeature = QV_FEATURE(
    u"printing/Orientation", u"printing/Orientation", kDocumentSettings, GFeatureIds::kOrientation, kOrientationRows, 510, kCopy, false);
const GTableFeature GSparetoneHandler::kFeature = QV_FEATURE(u"printing/Sparetone", u"printing/Sparetone",
                                                             kDocumentSettings, GFeatureIds::kSparetone, kFalseTrue, 510, kCopy, false);
const GTableFeature GEnvFeederHandler::kFeature = QV_FEATURE(u"physical/EnvFeeder", u"physical/EnvFeeder",
                                                             kInstallableOptions, GFeatureIds::kEnvFeeder, kNotInstalledInstalled, 256,
                                                             kNone, false);
const GTableFeature GJobRetentionHandler::kFeature = QV_FEATURE(
    u"physical/JobRetention", u"physical/JobRetention", kInstallableOptions, GFeatureIds::kJobRetention, kDisabledEnabled, 64, kNone, false);
const GTableFeature GJobRetentionAvailableHandler::kFeature = QV_FEATURE(
    u"physical/JobRetentionAvailable", u"physical/JobRetentionAvailable", kInstallableOptions, GFeatureIds::kJobRetentionAvailable, kFalseTrue, 64,
    kNone, false);
const GTableFeature GPrinterHardDiskHandler::kFeature = QV_FEATURE(
    u"physical/PrinterHardDisk", u"physical/PrinterHardDisk", kInstallableOptions, GFeatureIds::kPrinterHardDisk, kNotInstalledInstalled, 510,
    kCopy, false);

#undef QV_FEATURE

// ---- The generic table handler ----

GTableFeatureHandler::GTableFeatureHandler(const GTableFeature& feature)
    : feature_(&feature), optionCount_(feature.count) {}

GTableFeatureHandler::GTableFeatureHandler(GDMCLibrary* library, const GTableFeature& feature)
    : GConfigFeatureHandler(library), feature_(&feature), optionCount_(feature.count) {}

int GTableFeatureHandler::ImportRows(GAttributeComposite* settings, GAttributeComposite* changes, int16_t* matched) {
  return ImportTable(settings, changes, feature_->group, feature_->id, feature_->path, feature_->rows, optionCount_,
                     feature_->bufferBytes, feature_->rule, matched);
}

int GTableFeatureHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  return ImportRows(settings, changes);
}

int GTableFeatureHandler::Export(GAttributeComposite* settings) {
  return ExportTable(settings, feature_->group, feature_->id, feature_->exportPath, feature_->rows, optionCount_,
                     feature_->strictExport);
}

// ---- Handlers with a rule of their own ----

int GSymmetricalMarginsHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  if (library_ != nullptr) library_->DMCSetContext(feature_->path);
  return ImportRows(settings, changes);
}

int GEmulateSTMarginsHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  if (library_ != nullptr) library_->DMCSetContext(feature_->path);
  return ImportRows(settings, changes);
}

int GStraightPaperPathHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* manualDuplex = FindValue(settings, kInstallableOptions, GFeatureIds::kManualDuplex);
  if (manualDuplex == nullptr || manualDuplex->GetValue() == 0) return 0;
  return ImportRows(settings, changes);
}

int GTray1Handler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* tray = FindValue(settings, kInstallableOptions, kTray1);
  if (tray == nullptr) return 0;
  const int result = ImportRows(settings, changes);
  // Installed now or before: the tray's companion setting follows.
  if (tray->GetValue() == 1) {
    if (GValueAttribute* companion = FindValue(settings, kInstallableOptions, kTray1Mode)) {
      companion->SetValue(kTray1CompanionValue);
    }
  }
  return result;
}

int GScaleFromLargePaperHandler::Import(GAttributeComposite* settings, GAttributeComposite*) {
  GValueAttribute* attribute = FindValue(settings, kInstallableOptions, kId);
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(kBufferBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  attribute->SetValue(GDMCLibrary::IsSameText(buffer.Text(), u"TRUE") != 0 ? 1 : 0);
  return 1;
}

int GScaleFromLargePaperHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* attribute = FindValue(settings, kInstallableOptions, kId);
  if (attribute == nullptr || library_ == nullptr) return 0;
  library_->DMCSetExport(kPath, attribute->GetValue() == 1 ? u"TRUE" : u"FALSE");
  return 1;
}
