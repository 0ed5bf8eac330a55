#include "config/GOutputHandlers.h"

#include <cstring>
#include <iterator>

#include "config/GDMCLibrary.h"
#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

using namespace GFeatureIds;

namespace {

using GFeatureIds::kDocumentSettings;
using GFeatureIds::kInstallableOptions;

constexpr int16_t kManualDuplexEnabled = 3;
constexpr int16_t kBackToFront = 1;
constexpr int16_t kLongEdge = 2;
constexpr int16_t kStaplingNone = 7;

template <size_t N>
constexpr uint16_t OutputCount(const GOptionRow (&)[N]) {
  return static_cast<uint16_t>(N);
}

const GOptionRow kNUpBordersRows[] = {{0, u"NoBorders"}, {1, u"PrintBorders"}};
const GOptionRow kNUpPageOrderRows[] = {
    {0, u"RightThenDown"}, {1, u"DownThenRight"}, {2, u"LeftThenDown"}, {3, u"DownThenLeft"}};
const GOptionRow kBookletRows[] = {{0, u"OFF"}, {1, u"LeftEdge"}, {2, u"RightEdge"}};

GStringAttribute* FindText(GAttributeComposite* settings, int32_t group, int32_t id) {
  GAttributeComposite* found = GConfigFeatureHandler::FindGroup(settings, group);
  return found != nullptr ? dynamic_cast<GStringAttribute*>(found->FindById(id)) : nullptr;
}

// The installed output accessory's part number, when group 365 holds it.
bool AccessoryIs(GStringAttribute* accessory, const char* part) {
  if (accessory == nullptr) return false;
  const RWCString& text = accessory->GetString();
  return text.Length() == std::strlen(part) && std::memcmp(text.Data(), part, text.Length()) == 0;
}

bool Is(LPCWSTR text, LPCWSTR option) { return GDMCLibrary::IsSameText(text, option) != 0; }

void SetIfPresent(GValueAttribute* attribute, int16_t value) {
  if (attribute != nullptr) attribute->SetValue(value);
}

}  // namespace

// ---- Output bin ----

const GOptionRow GOutputBinHandler::kRows[12] = {
    {0, u"Auto"},     {1, u"Top"},     {2, u"Left"},   {14, u"Stacker-Stapled"}, {9, u"Stacker-Stapled"},
    {3, u"Stacker-Stapled"}, {13, u"Stacker"}, {15, u"Stacker"}, {4, u"Stacker"}, {12, u"StackerFaceDown"},
    {11, u"StackerFaceUp"},  {10, u"Booklet"}};

GOutputBinHandler::GOutputBinHandler() : optionCount_(OutputCount(kRows)) {}
GOutputBinHandler::GOutputBinHandler(GDMCLibrary* library)
    : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GOutputBinHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* bin = FindValue(settings, kDocumentSettings, kOutputBin);
  if (bin == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;

  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    bin->SetValue(kRows[row].value);
    // The stacker bins depend on the accessory installed.
    GStringAttribute* accessory =
        FindGroup(settings, kInstallableOptions) != nullptr ? FindText(settings, kInstallableOptions, kAccessoryOutputBins)
                                                            : nullptr;
    if (accessory != nullptr) {
      if (Is(buffer.Text(), u"Stacker")) {
        if (AccessoryIs(accessory, dmcaccessory::kK5213)) {
          bin->SetValue(15);
        } else if (AccessoryIs(accessory, dmcaccessory::kK5212) || AccessoryIs(accessory, dmcaccessory::kK5211) ||
                   AccessoryIs(accessory, dmcaccessory::kK5210)) {
          bin->SetValue(4);
        }
      } else if (Is(buffer.Text(), u"Stacker-Stapled")) {
        if (AccessoryIs(accessory, dmcaccessory::kK5210)) {
          bin->SetValue(9);
        } else if (AccessoryIs(accessory, dmcaccessory::kK5212) || AccessoryIs(accessory, dmcaccessory::kK5211)) {
          bin->SetValue(3);
        }
      }
    }
  }
  // The bin goes to the change list whether or not the option was known.
  RecordChange(changes, bin, bin->GetValue(), GChangeRule::kCopy);
  CheckLock(settings, kPath, kOutputBin, buffer);
  return row >= 0 ? 1 : 0;
}

int GOutputBinHandler::Export(GAttributeComposite* settings) {
  return ExportTable(settings, kDocumentSettings, kOutputBin, kPath, kRows, optionCount_, false);
}

// ---- Stapling ----

const GOptionRow GStaplingHandler::kRows[10] = {
    {0, u"Default"},   {1, u"1parallel"}, {2, u"1diagonal"}, {3, u"2parallel"}, {4, u"3parallel"},
    {5, u"6parallel"}, {1, u"Stitching"}, {8, u"1parallel"}, {9, u"2parallel"}, {7, u"None"}};

GStaplingHandler::GStaplingHandler() : optionCount_(OutputCount(kRows)) {}
GStaplingHandler::GStaplingHandler(GDMCLibrary* library) : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GStaplingHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* stapling = FindValue(settings, kDocumentSettings, kStapling);
  if (stapling == nullptr || library_ == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);

  if (library_->DMCSetContext(kPath) == 0) {
    // A tree without the stapling feature: the stapler switched on means
    // the default stapling.
    GValueAttribute* stapler = FindValue(settings, kDocumentSettings, kStaplerChoice);
    if (stapler == nullptr || stapler->GetValue() != 1) return 0;
    stapling->SetValue(1);
    RecordChange(changes, stapling, 1, GChangeRule::kNew);
    return 1;
  }
  library_->DMCGet(nullptr, buffer.Data(), buffer.Chars());

  GValueAttribute* target = stapling;
  if (Is(buffer.Text(), u"Stitching")) {
    target = FindValue(settings, kDocumentSettings, kStaplingMode);
    if (target == nullptr) return 0;
  }
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    target->SetValue(kRows[row].value);
    GStringAttribute* accessory =
        FindGroup(settings, kInstallableOptions) != nullptr ? FindText(settings, kInstallableOptions, kAccessoryOutputBins)
                                                            : nullptr;
    if (AccessoryIs(accessory, dmcaccessory::kK5210)) {
      if (Is(buffer.Text(), u"1parallel")) target->SetValue(8);
      if (Is(buffer.Text(), u"2parallel")) target->SetValue(9);
    }
  }
  RecordChange(changes, target, target->GetValue(), GChangeRule::kCopy);
  return row >= 0 ? 1 : 0;
}

int GStaplingHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* stapling = FindValue(settings, kDocumentSettings, kStapling);
  if (stapling == nullptr || library_ == nullptr) return 0;
  GValueAttribute* stitching = FindValue(settings, kDocumentSettings, kStaplingMode);
  if (stitching != nullptr && stitching->GetValue() == 1 && stapling->GetValue() == kStaplingNone) {
    library_->DMCSetExport(GStaplerChoiceHandler::kPath, u"TRUE");
    library_->DMCSetExport(kPath, u"Stitching");
    return 1;
  }
  return ExportValue(stapling, kPath, kRows, optionCount_, false);
}

// ---- Stapler choice ----

const GOptionRow GStaplerChoiceHandler::kRows[2] = {{0, u"FALSE"}, {1, u"TRUE"}};

GStaplerChoiceHandler::GStaplerChoiceHandler() : optionCount_(OutputCount(kRows)) {}
GStaplerChoiceHandler::GStaplerChoiceHandler(GDMCLibrary* library)
    : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GStaplerChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* installed = FindValue(settings, kInstallableOptions, kStaplerInstalled);
  GValueAttribute* choice = FindValue(settings, kDocumentSettings, kStaplerChoice);
  if (installed == nullptr || installed->GetValue() == 0 || choice == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;

  // Stitching is chosen below the stapler switch; the switch then stays.
  GDMCTextBuffer stapling(kTextBytes);
  const bool stitching = ReadOption(GStaplingHandler::kPath, stapling) != 0 && Is(stapling.Text(), u"Stitching");
  int result = 0;
  if (!stitching) {
    const int row = FindRowByText(kRows, optionCount_, buffer.Text());
    if (row >= 0) {
      choice->SetValue(kRows[row].value);
      RecordChange(changes, choice, kRows[row].value, GChangeRule::kNew);
      result = 1;
    }
  }
  GStaplingHandler(library_).Import(settings, changes);
  return result;
}

int GStaplerChoiceHandler::Export(GAttributeComposite* settings) {
  const int result = ExportTable(settings, kDocumentSettings, kStaplerChoice, kPath, kRows, optionCount_, false);
  GStaplingHandler(library_).Export(settings);
  return result;
}

// ---- Automatic duplex scaling ----

const GOptionRow GAutoDuplexScalingHandler::kRows[2] = {{1, u"TRUE"}, {0, u"FALSE"}};

GAutoDuplexScalingHandler::GAutoDuplexScalingHandler() : optionCount_(OutputCount(kRows)) {}
GAutoDuplexScalingHandler::GAutoDuplexScalingHandler(GDMCLibrary* library)
    : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GAutoDuplexScalingHandler::CanDuplex(GAttributeComposite* settings) {
  if (FindGroup(settings, kInstallableOptions) == nullptr) return 0;
  GValueAttribute* manual = FindValue(settings, kInstallableOptions, kManualDuplex);
  GValueAttribute* unit = FindValue(settings, kInstallableOptions, kDuplexUnit);
  return (manual != nullptr && manual->GetValue() == kManualDuplexEnabled) || (unit != nullptr && unit->GetValue() == 1)
             ? 1
             : 0;
}

int GAutoDuplexScalingHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  if (CanDuplex(settings) == 0) return 0;
  GValueAttribute* scaling = FindValue(settings, kDocumentSettings, kQVAutoDuplexScaling);
  if (scaling == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kDuplexPath, buffer) == 0) return 0;
  // Duplex on: the scaling's own answer, when the tree has it; else the
  // duplex answer "TRUE" stands for it.
  if (Is(buffer.Text(), u"TRUE") && library_->DMCSetContext(kPath) != 0) {
    buffer.Refill();
    library_->DMCGet(nullptr, buffer.Data(), buffer.Chars());
  }
  int result = 0;
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    scaling->SetValue(kRows[row].value);
    RecordChange(changes, scaling, kRows[row].value, GChangeRule::kCopy);
    result = 1;
  }
  if (scaling->GetValue() == 1) {
    if (GValueAttribute* margins = FindValue(settings, kDocumentSettings, kQVSymmetricalMargins)) {
      margins->SetValue(1);
      RecordChange(changes, margins, 1, GChangeRule::kCopy);
    }
  }
  return result;
}

int GAutoDuplexScalingHandler::Export(GAttributeComposite* settings) {
  return ExportTable(settings, kDocumentSettings, kQVAutoDuplexScaling, kPath, kRows, optionCount_, false);
}

// ---- Duplex ----

const GOptionRow GDuplexHandler::kRows[3] = {{0, u"FALSE"}, {1, u"ShortEdge"}, {2, u"LongEdge"}};

GDuplexHandler::GDuplexHandler() : optionCount_(OutputCount(kRows)) {}
GDuplexHandler::GDuplexHandler(GDMCLibrary* library) : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GDuplexHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  if (GAutoDuplexScalingHandler::CanDuplex(settings) == 0) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  // Duplex on: the binding edge tells which.
  if (Is(buffer.Text(), u"TRUE") && library_->DMCSetContext(kEdgePath) != 0) {
    buffer.Refill();
    library_->DMCGet(nullptr, buffer.Data(), buffer.Chars());
  }
  GValueAttribute* duplex = FindValue(settings, kDocumentSettings, kDuplex);
  if (duplex == nullptr) return 0;

  int result = 0;
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    duplex->SetValue(kRows[row].value);
    result = 1;
  } else if (Is(buffer.Text(), u"TRUE")) {
    // On, but the edge could not be read: the long edge.
    duplex->SetValue(kLongEdge);
  }
  RecordChange(changes, duplex, duplex->GetValue(), GChangeRule::kCopy);

  if (duplex->GetValue() != 0) {
    GValueAttribute* pageOrder = FindValue(settings, kDocumentSettings, kPageOrder);
    if (pageOrder != nullptr && pageOrder->GetValue() == 0) {
      pageOrder->SetValue(kBackToFront);
      RecordChange(changes, pageOrder, kBackToFront, GChangeRule::kCopy);
    }
    if (GAutoDuplexScalingHandler(library_).Import(settings, changes) != 0) result = 1;
  }
  CheckLock(settings, kPath, kDuplex, buffer, true);
  return result;
}

int GDuplexHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* duplex = FindValue(settings, kDocumentSettings, kDuplex);
  if (duplex == nullptr || library_ == nullptr) return 0;
  int wrote = 0;
  const int row = FindRowByValue(kRows, optionCount_, duplex->GetValue());
  if (row >= 0) {
    if (kRows[row].value != 0) {
      library_->DMCSetExport(kPath, u"TRUE");
      library_->DMCSetExport(kEdgePath, kRows[row].text);
    } else {
      library_->DMCSetExport(kPath, u"FALSE");
    }
    wrote = 1;
  }
  if (GAutoDuplexScalingHandler(library_).Export(settings) != 0) wrote = 1;
  return wrote;
}

// ---- Booklet and pages per sheet ----

const GTableFeature GBookletPrintingChoiceHandler::kFeature = {u"printing/BookletPrintingChoice",
                                                               u"printing/BookletPrintingChoice",
                                                               kDocumentSettings,
                                                               kBookletPrintingChoice,
                                                               kBookletRows,
                                                               OutputCount(kBookletRows),
                                                               510,
                                                               GChangeRule::kCopy,
                                                               false};

const GTableFeature GNUpBordersChoiceHandler::kFeature = {u"printing/NUpChoice/NUpBordersChoice",
                                                          u"printing/NUpChoice/NUpBordersChoice",
                                                          kDocumentSettings,
                                                          kNUpBordersChoice,
                                                          kNUpBordersRows,
                                                          OutputCount(kNUpBordersRows),
                                                          256,
                                                          GChangeRule::kCopy,
                                                          false};

const GTableFeature GNUpPageOrderChoiceHandler::kFeature = {u"printing/NUpChoice/NUpPageOrderChoice",
                                                            u"printing/NUpChoice/NUpPageOrderChoice",
                                                            kDocumentSettings,
                                                            kNUpPageOrderChoice,
                                                            kNUpPageOrderRows,
                                                            OutputCount(kNUpPageOrderRows),
                                                            510,
                                                            GChangeRule::kCopy,
                                                            false};

int GBookletPrintingChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  const int result = ImportRows(settings, changes);
  GValueAttribute* booklet = FindValue(settings, kDocumentSettings, kBookletPrintingChoice);
  if (booklet != nullptr && booklet->GetValue() != 0) {
    // A booklet is printed one page per sheet.
    GValueAttribute* nUp = FindValue(settings, kDocumentSettings, kNUpChoice);
    if (nUp != nullptr && nUp->GetValue() != 1) nUp->SetValue(1);
    if (changes != nullptr) {
      if (auto* recorded = dynamic_cast<GValueAttribute*>(changes->FindById(kNUpChoice))) recorded->SetValue(1);
    }
  }
  return result;
}

const GOptionRow GNUpChoiceHandler::kRows[6] = {{1, u"OneUp"}, {2, u"TwoUp"},   {4, u"FourUp"},
                                                {6, u"SixUp"}, {9, u"NineUp"}, {16, u"SixteenUp"}};

GNUpChoiceHandler::GNUpChoiceHandler() : optionCount_(OutputCount(kRows)) {}
GNUpChoiceHandler::GNUpChoiceHandler(GDMCLibrary* library)
    : GConfigFeatureHandler(library), optionCount_(OutputCount(kRows)) {}

int GNUpChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* booklet = FindValue(settings, kDocumentSettings, kBookletPrintingChoice);
  if (booklet != nullptr && booklet->GetValue() != 0) return 0;
  GValueAttribute* nUp = FindValue(settings, kDocumentSettings, kNUpChoice);
  if (nUp == nullptr) return 0;
  GDMCTextBuffer buffer(256);
  if (ReadOption(kPath, buffer) == 0) return 0;
  int result = 0;
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    nUp->SetValue(kRows[row].value);
    RecordChange(changes, nUp, kRows[row].value, GChangeRule::kCopy);
    result = 1;
  }
  // The sheet's page order and borders, whatever the pages per sheet.
  GNUpPageOrderChoiceHandler(library_).Import(settings, changes);
  GNUpBordersChoiceHandler(library_).Import(settings, changes);
  return result;
}

int GNUpChoiceHandler::Export(GAttributeComposite* settings) {
  const int result = ExportTable(settings, kDocumentSettings, kNUpChoice, kPath, kRows, optionCount_, false);
  GValueAttribute* nUp = FindValue(settings, kDocumentSettings, kNUpChoice);
  if (nUp != nullptr && nUp->GetValue() != 1) {
    GNUpPageOrderChoiceHandler(library_).Export(settings);
    GNUpBordersChoiceHandler(library_).Export(settings);
  }
  return result;
}

// ---- Installed output accessory and optional paper source ----

const GDeviceOption GAccessoryOutputBinsHandler::kOption = {u"physical/AccessoryOutputBins", kAccessoryOutputBins,
                                                            u"NotInstalled", true};
const GDeviceOption GOptionalPaperSourcesHandler::kOption = {u"physical/OptionalPaperSources",
                                                             kOptionalPaperSources, u"None", false};

GDeviceOptionHandler::GDeviceOptionHandler(GDMCLibrary* library, GDriverInstance* instance,
                                           const GDeviceOption& option)
    : GConfigFeatureHandler(library), instance_(instance), option_(&option) {}

int GDeviceOptionHandler::Import(GAttributeComposite* settings, GAttributeComposite*) {
  GStringAttribute* stored = FindText(settings, kInstallableOptions, option_->id);
  if (stored == nullptr) return 0;
  GDMCTextBuffer buffer(kBufferBytes);
  if (ReadOption(option_->path, buffer) == 0) return 0;
  GDMCNarrowBuffer narrow(kNarrowBytes);
  library_->DMCWideToChar(narrow.Data(), narrow.Bytes(), buffer.Text());
  // The conversion's answer ends at the buffer's last byte at the latest.
  const size_t length = strnlen(narrow.Data(), narrow.Bytes() - 1);

  if (Is(buffer.Text(), option_->noneText)) {
    stored->SetString("");
  } else {
    stored->SetString(RWCString(narrow.Data(), length));
  }
  if (option_->accessoryFlags) {
    if (Is(buffer.Text(), u"K5214") || Is(buffer.Text(), u"K5211") || Is(buffer.Text(), u"K5210")) {
      SetIfPresent(FindValue(settings, kInstallableOptions, kStaplerInstalled), 1);
    }
    if (Is(buffer.Text(), u"K5210")) SetIfPresent(FindValue(settings, kInstallableOptions, kAccessoryFlag981), 1);
  }

  // The device of that model name is installed now. The empty text names
  // no device: a device without a name stays as it is.
  const RWCString& name = stored->GetString();
  GAttributeComposite* devices =
      instance_ != nullptr && name.Length() != 0 ? instance_->GetPaperHandlingDevices() : nullptr;
  for (size_t i = 0; devices != nullptr && i < static_cast<size_t>(devices->GetEntryCount()); ++i) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(devices->ChildAt(i));
    if (device == nullptr) continue;
    const RWCString deviceName = device->GetName();
    if (deviceName.Length() != name.Length() || std::memcmp(deviceName.Data(), name.Data(), name.Length()) != 0) {
      continue;
    }
    device->SetInstalled(1);
    break;
  }
  return 1;
}

int GDeviceOptionHandler::Export(GAttributeComposite* settings) {
  GStringAttribute* stored = FindText(settings, kInstallableOptions, option_->id);
  if (stored == nullptr || library_ == nullptr) return 0;
  const RWCString& text = stored->GetString();
  if (text.Length() == 0) {
    library_->DMCSetExport(option_->path, option_->noneText);
    return 1;
  }
  // At most 127 characters go out, widened by the library.
  char narrow[kNarrowBytes] = {};
  const size_t length = text.Length() < kNarrowBytes - 1 ? text.Length() : kNarrowBytes - 1;
  std::memcpy(narrow, text.Data(), length);
  WCHAR wide[kBufferBytes / 2] = {};
  if (library_->DMCCharToWide(wide, std::size(wide), narrow) == nullptr) return 0;
  library_->DMCSetExport(option_->path, wide);
  return 1;
}

// ---- Creators ----

GConfigFeatureHandler* CreateOutputBinHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GOutputBinHandler(library);
}
GConfigFeatureHandler* CreateStaplingHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GStaplingHandler(library);
}
GConfigFeatureHandler* CreateStaplerChoiceHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GStaplerChoiceHandler(library);
}
GConfigFeatureHandler* CreateDuplexHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GDuplexHandler(library);
}
GConfigFeatureHandler* CreateAutoDuplexScalingHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GAutoDuplexScalingHandler(library);
}
GConfigFeatureHandler* CreateBookletPrintingChoiceHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GBookletPrintingChoiceHandler(library);
}
GConfigFeatureHandler* CreateNUpChoiceHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GNUpChoiceHandler(library);
}
GConfigFeatureHandler* CreateAccessoryOutputBinsHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GAccessoryOutputBinsHandler(library, instance);
}
GConfigFeatureHandler* CreateOptionalPaperSourcesHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GOptionalPaperSourcesHandler(library, instance);
}
