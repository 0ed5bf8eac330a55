#include "ui/pages/UIProvider.h"

#include <new>

#include "driver/GDriverInstance.h"
#include "driver/GUIServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "ui/framework/GAboutFeature.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GFeatureTipAccessor.h"
#include "ui/framework/GFeatureTipWrapper.h"
#include "ui/framework/GPagesPerSheetRule.h"
#include "ui/framework/GPaperSourceAccessor.h"
#include "ui/framework/GPropertyPage.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GCopiesWrapper.h"
#include "ui/pages/GCustomPaperAccessor.h"
#include "ui/pages/GCustomPaperButtonWrapper.h"
#include "ui/pages/GDuplexWrapper.h"
#include "ui/pages/GPagesPerSheetWrapper.h"
#include "ui/pages/GFormToTrayLinkWrapper.h"
#include "ui/pages/GMediaTypeWrapper.h"
#include "ui/pages/GOutputAccessoryWrapper.h"
#include "ui/pages/GOutputBinWrapper.h"
#include "ui/pages/GPaperSizeAccessor.h"
#include "ui/pages/GPSOptionsWrapper.h"
#include "ui/pages/GPaperSizeWrapper.h"
#include "ui/pages/GPaperSourceWrapper.h"
#include "ui/pages/GPrinterPictureWrapper.h"
#include "ui/pages/GStaplePreviewWrapper.h"
#include "ui/pages/GWatermarkAccessor.h"
#include "ui/pages/GWatermarkDetails.h"

namespace {

using namespace GFeatureIds;

constexpr int32_t kPostScriptPageEnabled = 592;
constexpr int32_t kOutputDeviceOption = 213;
constexpr int16_t kDiscovered = 2;
// Bins of an output accessor that become its named bins.
constexpr int16_t kFirstNamedBinType = 4;
constexpr int16_t kLastNamedBinType = 17;

// Quick-set and tip keys of the common footer.
constexpr GRuleKeyPair kQuickSetTip = GRuleKeys::kQuickSets;
constexpr int16_t kInfoIcon = 1;

using GSettingQuery::ForEachChild;

// ---- Page building ----

// One page under construction: the page object over the next page of the
// record, to which the builders add their wrappers.
class PageBuilder {
 public:
  PageBuilder(GUIData* data, int16_t index, GUISession* session, const UIProvider::PageInfo& info)
      : session_(session) {
    PROPSHEETPAGEW* page = &data->pages[index];
    if (info.titleId != 0) {
      RWWString title;
      LoadUIString(info.titleId, &title);
      auto* copy = new WCHAR[title.Length() + 1];
      for (size_t i = 0; i < title.Length(); ++i) copy[i] = title.Data()[i];
      copy[title.Length()] = 0;
      page->pszTitle = copy;
    }
    page_ = new GPropertyPage(page, GetUIResourceInstance(), info.dialogId, session, 1, info.helpContext);
  }

  GPropertyPage* Page() const { return page_; }
  GUISession* Session() const { return session_; }

  void Tip(const GControlRow* table, GRuleKeyPair keys, int16_t iconKind = 0) {
    page_->AddWrapper(new GFeatureTipWrapper(
        new GFeatureTipAccessor(session_, &keys.availability, &keys.reason), table, iconKind));
  }
  void AboutButton() {
    static const GControlRow kTable[] = {{GAboutButtonWrapper::kButton, -1}, {0, 0}};
    page_->AddWrapper(new GAboutButtonWrapper(new GAboutFeature(session_), kTable));
  }
  // The about button and the quick-set tip every document page carries.
  void Footer(GRuleKeyPair quickSetTip = kQuickSetTip) {
    AboutButton();
    Preview();
    static const GControlRow kQuickSetTipTable[] = {{1013, -1}, {0, 0}};
    Tip(kQuickSetTipTable, quickSetTip, kInfoIcon);
  }
  // The page preview with its staple marks.
  void Preview() {
    static const GControlRow kTable[] = {{GPreviewWrapper::kControl, 901}, {0, 0}};
    page_->AddWrapper(new GStaplePreviewWrapper(new GStaplePreviewModel(session_), kTable));
  }
  // The printer picture; interactive on the pages where a click chooses.
  template <class Accessor>
  void PrinterPicture(const GControlRow* table, int16_t interactive) {
    page_->AddWrapper(new GPrinterPictureWrapper(new Accessor(session_), table, interactive));
  }
  void Finish(bool helpTable) {
    if (helpTable) page_->BuildHelpTable();
  }

 private:
  GUISession* session_;
  GPropertyPage* page_ = nullptr;
};

void BuildFinishingPage(PageBuilder& b) {
  static const GControlRow kDuplexTip[] = {{3013, -1}, {0, 0}};
  static const GControlRow kBookletTip[] = {{3026, -1}, {0, 0}};
  static const GControlRow kStapleTip[] = {{3028, -1}, {0, 0}};
  static const GControlRow kPagesPerSheetTip[] = {{3018, -1}, {0, 0}};
  static const GControlRow kSparetoneTip[] = {{3036, -1}, {0, 0}};
  static const GControlRow kDuplex[] = {{3011, 302}, {3012, 303}, {0, 0}};
  static const GControlRow kBooklet[] = {{3024, 301}, {3025, 301}, {0, 0}};
  static const GControlRow kPagesPerSheet[] = {{3015, 323}, {3016, 323}, {3017, 323},
                                               {3019, 324}, {3040, -1},  {3041, 325}, {0, 0}};
  static const GControlRow kStaple[] = {{3027, 305}, {0, 0}};
  static const GControlRow kSparetone[] = {{3035, 314}, {0, 0}};
  GUISession* session = b.Session();
  b.Page()->AddWrapper(new GDuplexWrapper(new GDuplexAccessor(session), kDuplex));
  b.Tip(kDuplexTip, GRuleKeys::kDuplex);
  b.Page()->AddWrapper(new GBookletWrapper(new GBookletAccessor(session), kBooklet));
  b.Tip(kBookletTip, GRuleKeys::kBooklet);
  b.Tip(kStapleTip, GRuleKeys::kStaple);
  b.Page()->AddWrapper(new GPagesPerSheetWrapper(new GPagesPerSheetAccessor(session), kPagesPerSheet));
  b.Tip(kPagesPerSheetTip, GRuleKeys::kPagesPerSheet);
  b.Page()->AddWrapper(new GStapleWrapper(session, kStaple));
  static const GControlRow kStaplingButton[] = {{3029, 306}, {0, 0}};
  b.Page()->AddWrapper(new GStaplingButtonWrapper(session, kStaplingButton));
  b.Page()->AddWrapper(new GSparetoneWrapper(session, kSparetone));
  b.Tip(kSparetoneTip, GRuleKeys::kSparetone);
  b.Footer();
  b.Finish(true);
  // The pages-per-sheet rule lays out this page's group: it comes right
  // after the page, ahead of the sheet's other rules.
  b.Session()->AddRule(new GPagesPerSheetRule(b.Session(), b.Page()));
}

void BuildEffectsPage(PageBuilder& b) {
  static const GControlRow kScalingTip[] = {{6025, -1}, {0, 0}};
  static const GControlRow kFitTip[] = {{6026, -1}, {0, 0}};
  b.Tip(kScalingTip, GRuleKeys::kScaling);
  b.Tip(kFitTip, GRuleKeys::kPrintDocumentOn);
  static const GControlRow kWatermarkEdit[] = {{6013, 502}, {0, 0}};
  b.Page()->AddWrapper(new GWatermarkEditButtonWrapper(new GWatermarkAccessor(b.Session()), kWatermarkEdit));
  b.Footer();
  b.Finish(true);
}

void BuildPaperPage(PageBuilder& b) {
  static const GControlRow kPaperSizeTip[] = {{2024, -1}, {0, 0}};
  static const GControlRow kMediaType[] = {{2018, 203}, {0, 0}};
  static const GControlRow kCustomPaperTip[] = {{2025, -1}, {0, 0}};
  static const GControlRow kSecondQuickSetTip[] = {{1015, -1}, {0, 0}};
  static const GControlRow kPaperSize[] = {{2015, 202}, {2014, 215}, {2013, -1}, {0, 0}};
  static const GControlRow kCustomButton[] = {{2016, 206}, {0, 0}};
  b.Page()->AddWrapper(new GPaperSizeWrapper(new GPaperSizeAccessor(b.Session()),
                                             new GCustomPaperAccessor(b.Session()), kPaperSize));
  b.Tip(kPaperSizeTip, GRuleKeys::kPaperSize);
  b.Page()->AddWrapper(new GCustomPaperButtonWrapper(new GCustomPaperAccessor(b.Session()), kCustomButton));
  static const GControlRow kPicture[] = {{2021, 210}, {0, 0}};
  static const GControlRow kSource[] = {{2020, 205}, {2019, -1}, {0, 0}};
  b.Page()->AddWrapper(new GMediaTypeWrapper(new GMediaTypeAccessor(b.Session()), kMediaType));
  b.Page()->AddWrapper(new GPaperSourceWrapper(new GPaperSourceAccessor(b.Session()), kSource));
  b.PrinterPicture<GSourcePictureAccessor>(kPicture, 1);
  b.Tip(kCustomPaperTip, GRuleKeys::kCustomPaperSize);
  b.Footer();
  b.Tip(kSecondQuickSetTip, GRuleKeys::kQuickSets, kInfoIcon);
  b.Finish(true);
}

void BuildDestinationPage(PageBuilder& b) {
  static const GControlRow kOutputBinTip[] = {{4025, -1}, {0, 0}};
  static const GControlRow kPicture[] = {{2021, -1}, {0, 0}};
  static const GControlRow kOutputBin[] = {{4009, -1}, {4021, -1}, {4022, 402}, {4023, -1}, {4024, -1}, {0, 0}};
  b.Page()->AddWrapper(new GOutputBinWrapper(new GOutputBinAccessor(b.Session()), kOutputBin));
  b.Tip(kOutputBinTip, GRuleKeys::kOutputBin);
  b.PrinterPicture<GDestinationPictureAccessor>(kPicture, 1);
  b.Footer();
  b.Finish(true);
}

void BuildPSPage(PageBuilder& b) {
  static const GControlRow kFonts[] = {{6528, 802}, {6514, 802}, {6529, 803}, {6515, 803}, {6517, 804}, {0, 0}};
  static const GControlRow kOptions[] = {{6527, 805}, {6523, 805}, {6531, 808}, {6532, 809}, {0, 0}};
  static const GControlRow kPassThrough[] = {{6525, -1}, {0, 0}};
  static const GControlRow kReportAsPs[] = {{6526, -1}, {0, 0}};
  static const GControlRow kAdvanced[] = {{6530, 321}, {0, 0}};
  b.Page()->AddWrapper(new GPSFontOptionsWrapper(new GPSFontOptionsAccessor(b.Session()), kFonts));
  b.Page()->AddWrapper(new GPSOptionsWrapper(new GPSOptionsAccessor(b.Session()), kOptions));
  b.Page()->AddWrapper(new GPSDebugCheckWrapper(new GPSDebugAccessor(b.Session(), &kPsReturnPassThrough), kPassThrough));
  b.Page()->AddWrapper(new GPSDebugCheckWrapper(new GPSDebugAccessor(b.Session(), &kPsReportAsPsDriver), kReportAsPs));
  b.Page()->AddWrapper(new GPSAdvancedButtonWrapper(new GFeatureAccessor(b.Session()), kAdvanced));
  // The PS page's quick-set tip shows the custom-paper pair.
  b.Footer(GRuleKeys::kCustomPaperSize);
  b.Finish(false);
}

void BuildBasicsPage(PageBuilder& b) {
  static const GControlRow kSecondQuickSetTip[] = {{1015, -1}, {0, 0}};
  static const GControlRow kCopies[] = {{1021, 101}, {1022, 101}, {1024, 101}, {1023, 101}, {0, 0}};
  static const GControlRow kOrientation[] = {{1031, 102}, {1032, 103}, {1033, 104}, {0, 0}};
  static const GControlRow kAboutLink[] = {{1050, 105}, {0, 0}};
  b.Page()->AddWrapper(new GCopiesWrapper(new GCopiesAccessor(b.Session()), kCopies));
  b.Page()->AddWrapper(new GOrientationWrapper(new GOrientationAccessor(b.Session()), kOrientation));
  b.Page()->AddWrapper(new GAboutLinkWrapper(new GAboutFeature(b.Session()), kAboutLink));
  b.Footer();
  b.Tip(kSecondQuickSetTip, GRuleKeys::kQuickSets, kInfoIcon);
  b.Finish(true);
}

void BuildNTFormsPage(PageBuilder& b) {
  static const GControlRow kForms[] = {{12003, 701}, {12006, 702}, {12008, 703}, {12009, 704}, {0, 0}};
  b.Page()->AddWrapper(new GFormToTrayLinkWrapper(new GFormToTrayAccessor(b.Session()), kForms));
  b.AboutButton();
  b.Finish(false);
}

void BuildConfigurePage(PageBuilder& b) {
  static const GControlRow kHandlingTip[] = {{7021, -1}, {0, 0}};
  static const GControlRow kAutoConfigurationTip[] = {{7051, -1}, {0, 0}};
  b.Tip(kHandlingTip, GRuleKeys::kPaperHandlingOptions);
  static const GControlRow kEnvelopeFeeder[] = {{7022, 601}, {0, 0}};
  static const GControlRow kPlurex[] = {{7024, 609}, {0, 0}};
  static const GControlRow kOutputAccessory[] = {{7033, 602}, {7036, 603}, {7035, 603}, {0, 0}};
  static const GControlRow kInputAccessory[] = {{7037, 604}, {0, 0}};
  b.Page()->AddWrapper(new GEnvelopeFeederWrapper(new GEnvelopeFeederAccessor(b.Session()), kEnvelopeFeeder));
  b.Page()->AddWrapper(new GPlurexWrapper(new GPlurexAccessor(b.Session()), kPlurex));
  b.Page()->AddWrapper(new GOutputAccessoryWrapper(new GOutputAccessoryAccessor(b.Session()), kOutputAccessory));
  b.Page()->AddWrapper(new GInputAccessoryWrapper(new GInputAccessoryAccessor(b.Session()), kInputAccessory));
  static const GControlRow kPicture[] = {{2021, -1}, {0, 0}};
  b.Tip(kAutoConfigurationTip, GRuleKeys::kAutomaticConfiguration);
  b.PrinterPicture<GSourcePictureAccessor>(kPicture, 0);
  b.AboutButton();
  b.Finish(true);
}

bool HasPostScriptPage(const GUIData* data) {
  auto* printer = data->printer;
  MPersistentObject* model = nullptr;
  if (auto* peripheral = dynamic_cast<GPeripheral*>(printer)) {
    model = peripheral->GetConfiguration();
  } else if (printer != nullptr) {
    if (auto* entry = dynamic_cast<GPeripheral*>(printer->FindById(kDeviceEntry))) model = entry->GetConfiguration();
  }
  if (model == nullptr && data->host != nullptr) model = data->host->GetPrinterConfiguration();
  return GSettingQuery::ShortOr(model, kPostScriptPageEnabled, 0) != 0;
}

bool IsDocumentSheet(const GUIData* data) { return (data->sheetKind & 3) != 0; }
bool IsDeviceSheet(const GUIData* data) { return (data->sheetKind & 4) != 0; }

// ---- Taking the discovered configuration ----

GValueAttribute* ValueIn(GAttributeComposite* options, int32_t id) {
  return dynamic_cast<GValueAttribute*>(options->FindById(id));
}
void SetValueIn(GAttributeComposite* options, int32_t id, int16_t value) {
  if (GValueAttribute* attribute = ValueIn(options, id)) {
    attribute->SetValue(value);
  } else {
    options->AddChild(new GValueAttribute(value, &id));
  }
}
void SetTextIn(GAttributeComposite* options, int32_t id, const RWCString& text) {
  if (auto* attribute = dynamic_cast<GStringAttribute*>(options->FindById(id))) {
    attribute->SetString(text);
  } else {
    options->AddChild(new GStringAttribute(text, &id));
  }
}
RWCString TextIn(GAttributeComposite* options, int32_t id) {
  RWCString text;
  GSettingQuery::TextAt(options, id, &text);
  return text;
}

MPersistentObject* PrinterConfiguration(GUIData* data) {
  MPersistentObject* printer = data->printer;
  if (printer == nullptr) return nullptr;
  auto* entry = dynamic_cast<GPeripheral*>(printer);
  if (entry == nullptr) entry = dynamic_cast<GPeripheral*>(printer->FindById(kDeviceEntry));
  return entry != nullptr ? entry->GetConfiguration() : nullptr;
}

void TakeOutputDevice(GAttributeComposite* options, GPaperHandlingDevice* device) {
  SetTextIn(options, kAccessoryOutputBins, device->GetName());
  SetValueIn(options, kOutputDeviceOption, device->GetSelectedOption());
  auto* bins = dynamic_cast<GAttributeComposite*>(options->FindById(kDiscoveredBinNames));
  if (bins == nullptr) {
    bins = new GAttributeComposite(&kDiscoveredBinNames);
    options->AddChild(bins);
  }
  bins->RemoveAllChildren();
  ForEachChild(device, [&](MPersistentObject* child) {
    if (auto* bin = dynamic_cast<GBin*>(child)) {
      if (bin->GetBinType() >= kFirstNamedBinType && bin->GetBinType() <= kLastNamedBinType) {
        const int32_t unnamed = 0;
        bins->AddChild(new GStringAttribute(bin->GetName(), &unnamed));
      }
    }
    return true;
  });
}

}  // namespace

int16_t UIProvider::CountPages(const GUIData* data) {
  if (data == nullptr) return 0;
  int16_t count = 0;
  if (IsDocumentSheet(data)) count = static_cast<int16_t>(kDocumentPages + (HasPostScriptPage(data) ? 1 : 0));
  if (IsDeviceSheet(data)) count = static_cast<int16_t>(count + kDevicePages);
  return count;
}

int UIInterfaceVersion() { return UIProvider::kInterfaceVersion; }

GUISession* UIProviderSession(const GUIData* data) {
  return data != nullptr ? static_cast<GUISession*>(data->providerData) : nullptr;
}

int16_t UIInitialize(GUIData* data, int16_t start) {
  if (data == nullptr) return 0;
  const int16_t count = UIProvider::CountPages(data);
  if (data->pages == nullptr) return count;
  if (count <= 0) return 0;
  // The pages go from start on; a page array without room for all of them
  // (the single-page modes give one page and a mode for the start) gets
  // none.
  if (start < 0 || static_cast<int>(start) + count > data->pageCount) return 0;
  // A second pass over the same pages would leave the first page objects
  // behind.
  if (data->providerData != nullptr) return 0;

  if (GetModuleInstance() == nullptr) {
    if (GOSFactory* factory = GOSFactory::GetInstance()) SetModuleInstance(factory->GetModuleHandle());
  }
  const RWWString library = data->host != nullptr ? data->host->GetResourceModulePath() : RWWString();
  if (LoadUIResourceLibrary(library) == 0) return 0;

  auto* session = new GUISession(data);
  data->providerData = session;

  int16_t index = start;
  auto build = [&](const UIProvider::PageInfo& info, void (*builder)(PageBuilder&)) {
    PageBuilder page(data, index, session, info);
    builder(page);
    ++index;
  };
  if (IsDocumentSheet(data)) {
    build(UIProvider::kFinishingPage, &BuildFinishingPage);
    build(UIProvider::kEffectsPage, &BuildEffectsPage);
    build(UIProvider::kPaperPage, &BuildPaperPage);
    build(UIProvider::kDestinationPage, &BuildDestinationPage);
    if (HasPostScriptPage(data)) build(UIProvider::kPSPage, &BuildPSPage);
    build(UIProvider::kBasicsPage, &BuildBasicsPage);
  }
  if (IsDeviceSheet(data)) {
    build(UIProvider::kNTFormsPage, &BuildNTFormsPage);
    build(UIProvider::kConfigurePage, &BuildConfigurePage);
  }
  RegisterSheetRules(session);
  return count;
}

int16_t UIDestroy(GUIData* data) {
  if (data == nullptr) return 0;
  HINSTANCE resources = GetUIResourceInstance();
  for (int16_t i = 0; data->pages != nullptr && i < data->pageCount; ++i) {
    PROPSHEETPAGEW& page = data->pages[i];
    if (resources == nullptr || page.hInstance != resources) continue;
    auto* link = reinterpret_cast<PageLink*>(page.lParam);
    if (link == nullptr || link->size != static_cast<int>(sizeof(PageLink))) continue;
    delete link->pageObject;
    link->pageObject = nullptr;
  }
  if (GUISession* session = UIProviderSession(data)) {
    delete session;
    data->providerData = nullptr;
    FreeUIResourceLibrary();
  }
  return 0;
}

int16_t UIConfigToSettings(GUIData* data) {
  if (data == nullptr) return 0;
  MPersistentObject* configuration = PrinterConfiguration(data);
  auto* options = dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(data->settings, kInstallableOptions));
  MPersistentObject* discovered = GSettingQuery::Find(configuration, kAutoConfiguration);
  if (configuration == nullptr || options == nullptr || discovered == nullptr) return 0;

  const int16_t state = GSettingQuery::ShortOr(discovered, kAutoConfigurationState, 0);
  SetValueIn(options, kAutoConfigurationState, state);
  if (state != kDiscovered) return 0;

  int16_t workSpace = 0;
  if (GSettingQuery::ShortAt(discovered, kDriverWorkSpaceSetting, &workSpace, GSettingQuery::kRange)) {
    SetValueIn(options, kDriverWorkSpace, workSpace);
  }
  SetValueIn(options, kDuplexUnit, GSettingQuery::ShortOr(discovered, kDiscoveredDuplexUnit, 0));
  SetValueIn(options, kCollationUnit, GSettingQuery::ShortOr(discovered, kDiscoveredPlurexMode, 0));
  if (MPersistentObject* media = GSettingQuery::Find(discovered, kDiscoveredMediaNames)) {
    if (options->ReplaceChildById(kDiscoveredMediaNames, media) == 0) options->AddChild(media->DeepCopy());
  }
  SetValueIn(options, kPrinterHardDisk, GSettingQuery::ShortOr(discovered, kDiscoveredHardDisk, 0) > 0 ? 1 : 0);
  SetTextIn(options, kOptionalPaperSources, RWCString());
  SetValueIn(options, kEnvFeeder, 0);
  SetTextIn(options, kAccessoryOutputBins, RWCString());

  ForEachChild(GSettingQuery::Find(discovered, kPaperHandlingDevices), [&](MPersistentObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || device->IsInstallable() == 0 || device->IsInstalled() == 0) return true;
    if (device->GetKind() == GPaperHandlingDevice::kOutputDevice) {
      if (TextIn(options, kAccessoryOutputBins).IsEmpty()) TakeOutputDevice(options, device);
    } else if (device->GetKind() == GPaperHandlingDevice::kInputDevice) {
      if (device->GetName() == RWCString("K5209")) {
        SetValueIn(options, kEnvFeeder, 1);
      } else if (TextIn(options, kOptionalPaperSources).IsEmpty()) {
        // The K5208 unit stands in for the K5201 one in the settings.
        SetTextIn(options, kOptionalPaperSources,
                  device->GetName() == RWCString("K5208") ? RWCString("K5201") : device->GetName());
      }
    }
    return true;
  });
  return 0;
}

int16_t UISettingsToConfig(GUIData*) { return 0; }

// ---- Display names ----

uint16_t LookupSourceNameId(int16_t code, GUISession* session) {
  return GPaperSourceAccessor::SourceNameId(code, session);
}

uint16_t OutputDeviceKindNameId(int kind) {
  switch (kind) {
    case 0: return 11150;
    case 2: return 11155;
    case 3: return 11159;
    case 4: return 11158;
    case 5: return 11157;
    default: return 0xFFFF;
  }
}

uint16_t ResolutionNameId(int choice) {
  static const uint16_t kIds[] = {12120, 12121, 12122, 12123, 12130, 12131, 12132};
  return choice >= 0 && choice < 7 ? kIds[choice] : 0xFFFF;
}

uint16_t BookletNameId(int choice) {
  static const uint16_t kIds[] = {11032, 11033, 11034, 11035, 11036, 11037, 11038, 11039,
                                  11040, 13524, 13525, 13625, 13626, 13623, 13624};
  return choice >= 0 && choice < 15 ? kIds[choice] : 0xFFFF;
}

uint16_t PageOrderNameId(int order) { return order >= 0 && order < 4 ? static_cast<uint16_t>(11047 + order) : 0xFFFF; }
