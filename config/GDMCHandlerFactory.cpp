#include "config/GDMCHandlerFactory.h"

#include <iterator>

#include "config/GBundlesHandler.h"
#include "config/GConfigNumberHandlers.h"
#include "config/GConfigTableHandlers.h"
#include "config/GDMCLibrary.h"
#include "config/GMediaHandlers.h"
#include "config/GOutputHandlers.h"
#include "config/GQualityHandlers.h"
#include "config/GWatermarkHandlers.h"

namespace {

template <class H>
GConfigFeatureHandler* Create(GDMCLibrary* library, GDriverInstance*) {
  return new H(library);
}

// ------------------------------------------------------------------------
// The handler table. Names are compared in this order and the first equal
// one creates its handler. Handlers created with the driver instance and in
// mode 0: OptionalPaperSources (instance), MediaType (mode 0), InputBin
// (instance, mode 0), PrintQuality (instance), PaperSize (instance, mode 0),
// AccessoryOutputBins (instance), FitToOtherSizeChoice (instance),
// UseDiffFirstPageChoice (instance).
// ------------------------------------------------------------------------
const GConfigHandlerEntry kEntries[] = {
    {u"QVTintwright", &CreateTintwrightHandler},
    {u"ScaleFromLargePaper", &Create<GScaleFromLargePaperHandler>},
    {u"OptionalPaperSources", &CreateOptionalPaperSourcesHandler},
    {u"MediaType", &CreateMediaTypeHandler},
    {u"PrintColorAsGray", &CreatePrintColorAsGrayHandler},
    {u"InputBin", &CreateInputBinHandler},
    {u"PrintQuality", &CreatePrintQualityHandler},
    {u"PaperSize", &CreatePaperSizeHandler},
    {u"DuplexUnit", &Create<GDuplexUnitHandler>},
    {u"Duplex", &CreateDuplexHandler},
    {u"Memory", &Create<GMemoryHandler>},
    {u"PrinterHardDisk", &Create<GPrinterHardDiskHandler>},
    {u"DeviceIsPlurex", &Create<GDeviceIsPlurexHandler>},
    {u"DriverWorkSpaceSetting", &Create<GDriverWorkSpaceSettingHandler>},
    {u"JobRetentionAvailable", &Create<GJobRetentionAvailableHandler>},
    {u"JobRetention", &Create<GJobRetentionHandler>},
    {u"EnvFeeder", &Create<GEnvFeederHandler>},
    {u"AccessoryOutputBins", &CreateAccessoryOutputBinsHandler},
    {u"Sparetone", &Create<GSparetoneHandler>},
    {u"Orientation", &Create<GOrientationHandler>},
    {u"StaplerChoice", &CreateStaplerChoiceHandler},
    {u"Stapling", &CreateStaplingHandler},
    {u"OutputBin", &CreateOutputBinHandler},
    {u"Copies", &Create<GCopiesHandler>},
    {u"TextAsBlack", &Create<GTextAsBlackHandler>},
    {u"NUpChoice", &CreateNUpChoiceHandler},
    {u"FitToOtherSizeChoice", &CreateFitToOtherSizeChoiceHandler},
    {u"ScalePageChoice", &Create<GScalePageChoiceHandler>},
    {u"ScaleChoice", &Create<GScaleChoiceHandler>},
    {u"BookletPrintingChoice", &CreateBookletPrintingChoiceHandler},
    {u"TTAsBitmapSetting", &Create<GTTAsBitmapSettingHandler>},
    {u"BookletTargetSize", &Create<GBookletTargetSizeHandler>},
    {u"Watermarks", &CreateWatermarksHandler},
    {u"BinderUnit", &Create<GBinderUnitHandler>},
    {u"ScannerChoice", &Create<GScannerChoiceHandler>},
    {u"CollationUnit", &Create<GCollationUnitHandler>},
    {u"MonoChromeChoice", &Create<GMonoChromeChoiceHandler>},
    {u"Resolution", &CreateResolutionHandler},
    {u"EdgeToEdge", &Create<GEdgeToEdgeHandler>},
    {u"JobRetentionModeChoice", &Create<GJobRetentionModeChoiceHandler>},
    {u"RasterizationChoice", &Create<GRasterizationChoiceHandler>},
    {u"KivChoice", &Create<GKivChoiceHandler>},
    {u"ZepChoice", &Create<GZepChoiceHandler>},
    {u"PatternScalingChoice", &Create<GPatternScalingChoiceHandler>},
    {u"UseDiffFirstPageChoice", &CreateUseDiffFirstPageChoiceHandler},
    {u"BinderChoice", &Create<GBinderChoiceHandler>},
    {u"IgnoreCollationChoice", &Create<GIgnoreCollationChoiceHandler>},
    {u"PageOrder", &Create<GPageOrderHandler>},
    {u"Tray1", &Create<GTray1Handler>},
    {u"ManualDuplex", &Create<GManualDuplexHandler>},
    {u"StraightPaperPath", &Create<GStraightPaperPathHandler>},
    {u"DryTime", &Create<GDryTimeHandler>},
    {u"QVEmulateSTMargins", &Create<GEmulateSTMarginsHandler>},
    {u"QVSymmetricalMargins", &Create<GSymmetricalMarginsHandler>},
    {u"QVAutoDuplexScaling", &CreateAutoDuplexScalingHandler},
};


}  // namespace

const GConfigHandlerEntry* ConfigHandlerEntries(size_t* count) {
  if (count != nullptr) *count = std::size(kEntries);
  return kEntries;
}

GConfigFeatureHandler* CreateConfigFeatureHandler(LPCWSTR featureName, GDMCLibrary* library,
                                                  GDriverInstance* instance) {
  for (const GConfigHandlerEntry& entry : kEntries) {
    if (GDMCLibrary::IsSameText(featureName, entry.name) == 0) continue;
    return entry.create != nullptr ? entry.create(library, instance) : nullptr;
  }
  return nullptr;
}

GConfigFeatureHandler* CreateBundlesHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return CreateModelBundlesHandler(library, instance);
}
