// mkmodel: writes the sample device model of the fictional "Quarrin 4700
// Series" printer family as the driver's data file. The model is built from
// the real classes and saved as one object graph through the framing, in
// the native binary stream form that the driver server reads:
//
//   root (MPersistentComposite)
//     353 DeviceModelRoot (GPeripheralComposite): the page filters that
//       every job passes before the printer (letterhead, copy page, manual
//       duplex, reverse order; each takes part only in the jobs whose
//       settings ask for it), then
//       76 DeviceEntry (GPrinter): its own configuration holds the
//          device's values; children 106 (GPJL) and 101 (GPcl5e) with
//          their own. Each configuration as the print path reads it is the
//          own one followed by the children's.
//     191 PaperMappingList, 84 SourceMappingList,
//     194 DeviceCapabilityMappings (GResourceMappingList)
//
// The family has a duplex unit, printer collation, a stapler, an optional
// sheet feeder, envelope feeder and three-bin mailbox, named trays and bins
// and custom sizes from 3 x 5 to 8.5 x 14 inches.
//
// Sizes are device pixels: Letter is 5100 x 6600 at 600 dpi. Paper ids are
// the driver's own (1 Letter, 6 Legal, 23 A4).
//
// Usage: mkmodel <output file>. Exit code 0 when the file was written whole.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>

#include "graphics/GBookletFilter.h"
#include "graphics/GFitToSizeFilter.h"
#include "graphics/GNupFilter.h"
#include "graphics/GSymetricalDuplexFilter.h"
#include "graphics/GScalePageFilter.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GCustomMediaSize.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "model/ModelClasses.h"
#include "pdl/GPJL.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPostScript.h"
#include "pdl/cheetah.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/GBackCoverFilter.h"
#include "printpath/GCopyPageFilter.h"
#include "printpath/GLetterheadFilter.h"
#include "printpath/GManualDuplexFilter.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPrinter.h"
#include "printpath/GReverseFilter.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWPersistence.h"
#include "rw/RWBinaryStream.h"

namespace {

using namespace GFeatureIds;

constexpr int32_t kNoId = 0;

GValueAttribute* Value(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }
GStringAttribute* Text(int32_t id, const char* text) { return new GStringAttribute(text, &id); }
GAttributeComposite* Group(int32_t id) { return new GAttributeComposite(&id); }
GRangeAttribute* Range(int32_t id, int16_t min, int16_t max, int16_t step, int16_t value) {
  return new GRangeAttribute(min, max, step, value, &id);
}

// ---- Media ----

struct Paper {
  const char* name;
  int16_t paperId;
  int16_t width;   // at 600 dpi, portrait
  int16_t height;
};

constexpr Paper kPapers[] = {
    {"Letter", 1, 5100, 6600},
    {"Legal", 6, 5100, 8400},
    {"A4", 23, 4960, 7016},
};

// Reference sheets of the pool: the largest and smallest custom sizes (also
// used for the limits without the large-capacity tray and for the custom
// size checks). 8.5 x 14 and 3 x 5 inches.
constexpr Paper kReferences[] = {
    {"Custom Maximum", 17384, 5100, 8400}, {"Custom Minimum", 17385, 1800, 3000},
    {"Custom Maximum", 17386, 5100, 8400}, {"Custom Minimum", 17387, 1800, 3000},
    {"Custom Maximum", 17388, 5100, 8400}, {"Custom Minimum", 17389, 1800, 3000},
};

constexpr uint16_t kResolutions[] = {600, 300};
constexpr int32_t kOrientations[] = {0, 90};

// One medium at a resolution and orientation with an equal margin (in 600
// dpi pixels) on every side.
GMedia* Medium(const Paper& paper, uint16_t dpi, int32_t orientation, int16_t margin600) {
  const int scale = 600 / dpi;
  int16_t width = static_cast<int16_t>(paper.width / scale);
  int16_t height = static_cast<int16_t>(paper.height / scale);
  if (orientation == 90) {
    const int16_t swap = width;
    width = height;
    height = swap;
  }
  const int16_t margin = static_cast<int16_t>(margin600 / scale);
  const GShortPoint size(width, height);
  const GShortPoint extent(static_cast<int16_t>(width - 2 * margin), static_cast<int16_t>(height - 2 * margin));
  const GShortPoint origin(margin, margin);
  return new GMedia(paper.name, &size, &extent, &origin, orientation, paper.paperId, dpi, dpi,
                    &kCustomMedia);
}

GMediaPool* MediaPool(int32_t id, int16_t margin600, bool withReferences) {
  auto* pool = new GMediaPool(&id);
  for (uint16_t dpi : kResolutions) {
    for (int32_t orientation : kOrientations) {
      for (const Paper& paper : kPapers) pool->AddChild(Medium(paper, dpi, orientation, margin600));
      if (!withReferences) continue;
      for (const Paper& paper : kReferences) pool->AddChild(Medium(paper, dpi, orientation, 0));
    }
  }
  return pool;
}

// ---- Paper handling ----

GAttributeComposite* Option(std::initializer_list<GAttribute*> items) {
  GAttributeComposite* option = Group(kNoId);
  for (GAttribute* item : items) option->AddChild(item);
  return option;
}

// A tray with its name as display text and its capacity in sheets.
GTray* Tray(const char* name, int16_t number, int32_t capacity) {
  return new GTray(0, name, number, 0, 0, capacity, -1, nullptr, name, nullptr, &kNoId);
}
GBin* Bin(const char* name, int16_t code) { return new GBin(RWCString(name), code, &kNoId); }

GPaperHandlingDevice* Device(const char* name, int32_t kind, int32_t installable) {
  return new GPaperHandlingDevice(RWCString(name), kind, installable, installable == 0 ? 1 : 0, 2, 0, &kNoId);
}

GAttributeComposite* PaperHandlingDevices() {
  GAttributeComposite* devices = Group(kPaperHandlingDevices);

  GPaperHandlingDevice* standard = Device("Quarrin 4700 Trays", GPaperHandlingDevice::kInputDevice, 0);
  standard->SetOption(1, GCountedPtr(Option({Tray("Tray 1", 1, 100), Tray("Tray 2", 2, 250)})));
  standard->SelectOption(1);
  devices->AddChild(standard);

  GPaperHandlingDevice* feeder = Device("Quarrin 550 Sheet Feeder", GPaperHandlingDevice::kInputDevice, 1);
  feeder->SetOption(1, GCountedPtr(Option({Tray("Tray 3", 3, 550)})));
  feeder->SelectOption(1);
  devices->AddChild(feeder);

  GPaperHandlingDevice* envelopes = Device("Quarrin Envelope Feeder", GPaperHandlingDevice::kInputDevice, 1);
  envelopes->SetOption(1, GCountedPtr(Option({Tray("Envelope Feeder", 5, 75)})));
  envelopes->SelectOption(1);
  devices->AddChild(envelopes);

  GPaperHandlingDevice* bins = Device("Quarrin 4700 Bins", GPaperHandlingDevice::kOutputDevice, 0);
  bins->SetOption(1, GCountedPtr(Option({Bin("Top Bin", 30), Bin("Rear Bin", 31)})));
  bins->SelectOption(1);
  devices->AddChild(bins);

  // Option 1 stacks the three bins as one; option 2 is the mailbox mode.
  GPaperHandlingDevice* mailbox = Device("Quarrin Three Bin Mailbox", GPaperHandlingDevice::kOutputDevice, 1);
  mailbox->SetOption(1, GCountedPtr(Option({Bin("Stacker", 32)})));
  mailbox->SetOption(2, GCountedPtr(Option({Bin("Mailbox 1", 33), Bin("Mailbox 2", 34), Bin("Mailbox 3", 35)})));
  mailbox->SelectOption(1);
  devices->AddChild(mailbox);
  return devices;
}

// ---- Configurations ----

// Defaults of the installable options, as the document settings start.
GAttributeComposite* InstallableOptions() {
  GAttributeComposite* options = Group(kInstallableOptions);
  options->AddChild(Value(kDriverWorkSpace, 800));  // work space, hundredths of a MB
  options->AddChild(Value(kMemory, 64));   // memory, MB
  options->AddChild(Value(kScannerChoice, 0));
  options->AddChild(Value(kDuplexUnit, 1));  // duplex unit, built in
  options->AddChild(Value(kManualDuplex, 0));  // manual duplex
  options->AddChild(Value(kCollationUnit, 1));  // collation in the printer
  options->AddChild(Value(kStaplerInstalled, 1));  // stapler
  options->AddChild(Value(kPrinterHardDisk, 0));  // hard disk
  options->AddChild(Value(kFontDimmsInstalled, 0));
  options->AddChild(Text(kAccessoryOutputBins, "K5203"));  // accessory output bins: the stapler
  options->AddChild(Text(kOptionalPaperSources, ""));  // optional paper sources
  options->AddChild(Value(kPaperSourceOption, 1));
  options->AddChild(Value(kOutputAccessoryMode, 1));
  options->AddChild(Value(kTray1Mode, 1));
  options->AddChild(Value(kEnvFeeder, 0));  // envelope feeder
  options->AddChild(Value(kJobRetentionAvailable, 0));
  options->AddChild(Value(kScaleFromLargePaper, 1));
  options->AddChild(Value(kPrintRate, 45));  // print rate, pages per minute
  options->AddChild(Value(kIgnoreCollationChoice, 0));
  options->AddChild(Value(kJobRetention, 0));
  options->AddChild(Value(kIncludeTypesInSourceList, 1));  // output bins are offered as sources of the bin list
  options->AddChild(Value(kBundles, 14113));
  return options;
}

GAttributeComposite* DriverConfiguration() {
  GAttributeComposite* driver = Group(kDriverConfiguration);
  driver->AddChild(InstallableOptions());
  GAttributeComposite* preferences = Group(kDriverPreferences);
  preferences->AddChild(Value(kDevmodeCodecMode, 0));
  driver->AddChild(preferences);
  const int32_t customListId = kCustomPaperList;
  driver->AddChild(new GEnumAttribute(&customListId));
  // The UI providers whose pages the property sheets show: this module and
  // the built-in host of the driver extensions' pages.
  GAttributeComposite* providers = Group(kUIProviders);
  providers->AddChild(Text(kNoId, "QVUI.DLL"));
  providers->AddChild(Text(kNoId, "GExtensionUIManager"));
  driver->AddChild(providers);
  // The family works with the network registry agent: the printer set-up
  // starts the agent's installer (1025) and asks the agent (306).
  GAttributeComposite* setUp = Group(kDocumentSettings2);
  setUp->AddChild(Value(kAgentUpdate, 1));
  setUp->AddChild(Value(kAutoConfigure, 1));
  driver->AddChild(setUp);
  return driver;
}

// Installable options whose values the printer's data may set: option id
// to printer-data value name.
MAssociationList* PrinterDataOptions() {
  auto* list = new MAssociationList(kPrinterDataOptions);
  list->Add(new MPersistentAssociation(Value(kNoId, 308), new GSelectionString("DuplexUnitInstalled", 0, kNoId),
                                       kNoId));
  return list;
}

// The device's default state: the job settings and the page state the
// document settings start from.
GState* DefaultState() {
  const int32_t stateId = kPeripheralState, jobId = kJobSettings, pageId = kPageState;
  auto* job = new GState(&jobId);
  job->AddChild(Value(kPageMedia, 1));  // page medium
  job->AddChild(Value(kOrientation, 0));  // orientation
  job->AddChild(Value(kCopies, 1));  // copies
  // Resolution: 600 dpi, one bit per pixel, printed as it is.
  const int32_t resolutionId = kResolution;
  auto* resolution = new GEnumAttribute(&resolutionId);
  resolution->AddChild(Value(kXResolution, 600));
  resolution->AddChild(Value(kYResolution, 600));
  resolution->AddChild(Value(kBitsPerPixel, 1));
  resolution->AddChild(Value(kPrintQualityMode, 1));
  job->AddChild(resolution);
  job->AddChild(Value(kDuplex, 0));  // duplex off
  job->AddChild(Value(kInputBin, 1));  // Tray 1
  job->AddChild(Value(kCollate, 0));  // collate off
  // Finishing: one page per sheet, no booklet, no toner saving.
  GAttributeComposite* nup = Group(kNUpLayout);
  nup->AddChild(Value(kNUpChoice, 1));
  nup->AddChild(Value(kNUpBordersChoice, 0));
  nup->AddChild(Value(kNUpPageOrderChoice, 0));
  job->AddChild(nup);
  job->AddChild(Value(kBookletPrintingChoice, 0));
  job->AddChild(Value(kBookletTargetSize, 1));
  job->AddChild(Value(kSparetone, 0));
  // Layout: printed at its own size on its own paper.
  job->AddChild(Value(kScaleChoice, 100));
  job->AddChild(Value(kFitToOtherSizeChoice, 0));
  job->AddChild(Value(kTargetSizeChoice, 1));
  // The custom size starts as Letter, in tenths of a millimetre.
  job->AddChild(Value(kCustomPaperWidth, 2159));
  job->AddChild(Value(kCustomPaperLength, 2794));
  auto* page = new GState(&pageId);
  page->AddChild(Value(kOrientation, 0));
  auto* state = new GState(&stateId);
  state->AddChild(job);
  state->AddChild(page);
  return state;
}

GAttributeComposite* AutoConfiguration() {
  GAttributeComposite* discovered = Group(kAutoConfiguration);
  discovered->AddChild(Text(kDiscoveredModelName, ""));
  discovered->AddChild(Value(kDiscoveredMemory, 64));
  discovered->AddChild(Range(kDriverWorkSpaceSetting, 100, 3200, 100, 800));
  discovered->AddChild(Value(kDiscoveredDuplexUnit, 0));
  discovered->AddChild(Value(kDiscoveredHardDisk, 0));
  discovered->AddChild(Value(kDiscoveredPlurexMode, 1));  // the printer collates copies
  discovered->AddChild(Value(kJobRetentionAvailable, 0));
  discovered->AddChild(Value(kPrintRate, 0));
  discovered->AddChild(Value(kDiscoveredScanner, 0));
  discovered->AddChild(PaperHandlingDevices());
  discovered->AddChild(Group(kDiscoveredMediaNames));
  discovered->AddChild(Value(kAutoConfigurationState, 0));  // not configured from the printer yet
  discovered->AddChild(Group(kDiscoveredBinNames));     // bin names the printer reports
  return discovered;
}

// The models the auto-configuration accepts, and the index ranges of the
// values it asks the agent for: accessories, input trays, output bins,
// storage media and media names.
void AddAgentQueries(GConfiguration* configuration) {
  GAttributeComposite* models = Group(kSupportedModelNames);
  models->AddChild(Text(kNoId, "Quarrin 4700 Series"));
  models->AddChild(Text(kNoId, "Quarrin 4700dn"));
  configuration->AddChild(models);
  configuration->AddChild(Range(kPaperHandlingDeviceIndexRange, 1, 3, 1, 1));
  configuration->AddChild(Range(kInputTrayIndexRange, 1, 5, 1, 1));
  configuration->AddChild(Range(kOutputBinIndexRange, 1, 5, 1, 1));
  configuration->AddChild(Range(kDiskStorageIndexRange, 1, 2, 1, 1));
  configuration->AddChild(Range(kMediaNameIndexRange, 1, 8, 1, 1));
}

GAttributeComposite* ResolutionList() {
  GAttributeComposite* list = Group(kResolutionList);
  for (uint16_t dpi : kResolutions) {
    GAttributeComposite* entry = Group(kNoId);
    entry->AddChild(Value(kXResolution, static_cast<int16_t>(dpi)));
    entry->AddChild(Value(kYResolution, static_cast<int16_t>(dpi)));
    entry->AddChild(Value(kBitsPerPixel, 1));
    list->AddChild(entry);
  }
  return list;
}

// Copy qualifier (907) to its text: the copy filter reads it from the
// printer's configuration, the PJL header's temperature lines from the PJL
// configuration.
MAssociationList* CopyQualifierList() {
  auto* qualifiers = new MAssociationList(kCopyQualifierList);
  qualifiers->Add(new MPersistentAssociation(Value(kNoId, 0), new GStringAttribute(RWCString("HIGH"), &kNoId), kNoId));
  qualifiers->Add(new MPersistentAssociation(Value(kNoId, 1), new GStringAttribute(RWCString("LOW"), &kNoId), kNoId));
  return qualifiers;
}

// Paper id to the printer's paper name.
MAssociationList* PaperList() {
  auto* list = new MAssociationList(kPaperList);
  const struct {
    int16_t paperId;
    const char* name;
  } names[] = {{1, "LETTER"}, {6, "LEGAL"}, {23, "A4"}};
  for (const auto& entry : names) {
    list->Add(new MPersistentAssociation(Value(kNoId, entry.paperId), new GSelectionString(entry.name, 0, kNoId),
                                         kNoId));
  }
  return list;
}

// The named model variants and the settings each brings.
GAttributeComposite* ModelEntries() {
  GAttributeComposite* list = Group(kModelEntryList);
  GAttributeComposite* entry = Group(kNoId);
  entry->AddChild(Text(kModelEntryName, "quarrin 4700dn"));
  GAttributeComposite* settings = Group(kSettingsRoot);
  GAttributeComposite* options = Group(kInstallableOptions);
  options->AddChild(Value(kDuplexUnit, 1));
  settings->AddChild(options);
  entry->AddChild(settings);
  list->AddChild(entry);
  // A model without a duplex unit that prints two-sided by hand.
  entry = Group(kNoId);
  entry->AddChild(Text(kModelEntryName, "quarrin 4700m"));
  settings = Group(kSettingsRoot);
  options = Group(kInstallableOptions);
  options->AddChild(Value(kDuplexUnit, 0));
  options->AddChild(Value(kManualDuplex, 1));
  settings->AddChild(options);
  entry->AddChild(settings);
  list->AddChild(entry);
  return list;
}

GConfiguration* PrinterConfiguration() {
  auto* configuration = new GConfiguration(kPeripheralConfiguration);
  configuration->AddChild(DriverConfiguration());
  configuration->AddChild(AutoConfiguration());
  AddAgentQueries(configuration);
  configuration->AddChild(MediaPool(kPrinterMediaPool, 100, true));
  configuration->AddChild(MediaPool(kEmulatedMarginsMediaPool, 150, false));
  // The capability sets are plain persistent objects, not attributes.
  auto* capabilities = new MPersistentComposite(kPrinterCapabilityGroup);
  capabilities->AddChild(new GCapabilities(kPrinterCapabilities, 8, 0));  // bit 0: TrueType as bitmap allowed
  configuration->AddChild(capabilities);
  configuration->AddChild(ResolutionList());
  configuration->AddChild(PaperList());
  GAttributeComposite* excludedTypes = Group(kMediaTypesNotAllowed);
  excludedTypes->AddChild(Text(kNoId, "Labels"));
  configuration->AddChild(excludedTypes);
  configuration->AddChild(ModelEntries());
  configuration->AddChild(Value(kColorDevice, 0));  // monochrome
  configuration->AddChild(Text(kResourceModuleName, "QVRS4700.DLL"));
  configuration->AddChild(Text(kHelpFileName, "QVHLP470.HLP"));
  configuration->AddChild(Text(kXLLanguageString, "PCL 5e"));  // the printer's personality
  configuration->AddChild(PrinterDataOptions());
  configuration->AddChild(Value(kTrueTypeAsBitmap, 0));
  configuration->AddChild(Value(kDEKVersion2, 2));  // driver extensions supported (any non-zero value)
  configuration->AddChild(Value(kAgentUpdate, 0));
  configuration->AddChild(Value(kConfigurationLibrary, 0));
  configuration->AddChild(Value(kManualDuplex, 0));
  // Copy qualifiers: the driver makes the copies itself for "LOW".
  configuration->AddChild(CopyQualifierList());
  configuration->AddChild(Value(kDriverDecidesSheet, 1));  // the PJL header may ask for manual duplex
  configuration->AddChild(Value(kDuplexUnit, 1));  // duplex unit
  configuration->AddChild(Value(kCollationUnit, 1));  // collation unit
  configuration->AddChild(Value(kStaplerInstalled, 1));  // stapler
  configuration->AddChild(Value(kScaleFromLargePaper, 1));
  configuration->AddChild(Range(kCopiesRange, 1, 999, 1, 1));  // copies
  configuration->AddChild(Range(kDuplexRange, 0, 2, 1, 0));    // duplex edges: off, short, long
  GAttributeComposite* orientations = Group(kSupportedOrientations);    // degrees
  for (int16_t degrees : {0, 90, 180, 270}) orientations->AddChild(Value(kNoId, degrees));
  configuration->AddChild(orientations);
  return configuration;
}

GConfiguration* GeneratorConfiguration() {
  auto* configuration = new GConfiguration(kPeripheralConfiguration);
  // Tray number to the printer's paper-source code.
  auto* trays = new MAssociationList(kPdlTrayMap);
  const int16_t sources[][2] = {{1, 4}, {2, 1}, {3, 5}, {5, 6}};
  for (const auto& source : sources) {
    trays->Add(new MPersistentAssociation(Value(kNoId, source[0]), Value(kNoId, source[1]), kNoId));
  }
  configuration->AddChild(trays);
  configuration->AddChild(Range(kDriverWorkSpaceSetting, 100, 3200, 100, 800));
  configuration->AddChild(Value(kFontDimmsInstalled, 0));
  return configuration;
}

GConfiguration* PjlConfiguration() {
  auto* configuration = new GConfiguration(kPeripheralConfiguration);
  // Bin value to the PJL bin name.
  auto* bins = new MAssociationList(kPjlBinMap);
  const struct {
    int16_t code;
    const char* name;
  } names[] = {{30, "UPPER"}, {31, "LOWER"}, {32, "OPTIONALOUTBIN1"},
               {33, "OPTIONALOUTBIN2"}, {34, "OPTIONALOUTBIN3"}, {35, "OPTIONALOUTBIN4"}};
  for (const auto& entry : names) {
    bins->Add(
        new MPersistentAssociation(Value(kNoId, entry.code), new GSelectionString(entry.name, 0, kNoId), kNoId));
  }
  configuration->AddChild(bins);
  // Paper id to the PJL paper name.
  configuration->AddChild(PaperList());
  // The temperature lines: the copy qualifier's text, set into the PJL
  // variables of the tray temperature choice (931; 1 sets both trays).
  configuration->AddChild(CopyQualifierList());
  auto* temperatures = new MAssociationList(kTray1Temp);
  temperatures->Add(
      new MPersistentAssociation(Value(kNoId, 1), new GStringAttribute(RWCString("TRAY1TEMP,TRAY2TEMP"), &kNoId), kNoId));
  configuration->AddChild(temperatures);
  return configuration;
}

// A composite's configuration is derived: its own configuration followed by
// each child's, in child order. The file carries it as the composite keeps
// it once its children are in place.
void DeriveConfiguration(GPeripheralComposite* composite, GConfiguration* own,
                         std::initializer_list<GPeripheral*> children) {
  composite->SetConfiguration(own);
  auto* derived = new GConfiguration(kPeripheralConfiguration);
  derived->AddChild(own);
  for (GPeripheral* child : children) derived->AddChild(child->GetConfiguration());
  composite->GPeripheral::SetConfiguration(derived);
}

// The family speaks PCL 5e, PCL XL and PostScript: a generator for each,
// named as the PJL names the language, that a job can switch the printer to.
MPersistentComposite* Personalities() {
  auto* list = new MPersistentComposite(kPdlPersonalities);
  const int32_t generatorId = kGeneratorPeripheral;
  GPeripheralComposite* generators[] = {new GPcl5e(&generatorId), new GCheetah(&generatorId),
                                        new GPostScript(&generatorId)};
  const char* names[] = {"PCL", "PCLXL", "POSTSCRIPT"};
  for (size_t i = 0; i < 3; ++i) {
    generators[i]->SetName(RWCString(names[i]));
    DeriveConfiguration(generators[i], GeneratorConfiguration(), {});
    list->AddChild(generators[i]);
  }
  return list;
}

GPeripheral* Printer() {
  const int32_t pjlId = kPjlPeripheral;
  auto* pjl = new GPJL(&pjlId);
  DeriveConfiguration(pjl, PjlConfiguration(), {});
  const int32_t generatorId = kGeneratorPeripheral;
  auto* generator = new GPcl5e(&generatorId);
  generator->SetName(RWCString("PCL"));
  DeriveConfiguration(generator, GeneratorConfiguration(), {});

  const int32_t printerId = kDeviceEntry;
  auto* printer = new GPrinter(&printerId);
  printer->SetName(RWCString("Quarrin 4700 Series"));
  printer->SetDefaultState(DefaultState());
  printer->AddChild(pjl);
  printer->AddChild(generator);
  GConfiguration* configuration = PrinterConfiguration();
  configuration->AddChild(Personalities());
  DeriveConfiguration(printer, configuration, {pjl, generator});
  return printer;
}

// ---- Mapping lists ----

// Paper mappings: system code = the spooler's paper number, device code =
// the driver's paper id.
GResourceMappingList* PaperMappings() {
  auto* list = new GResourceMappingList(kPaperMappingList);
  list->AddIfNew(new GResourceMapping(1201, 1, 1, kNoId));    // Letter
  list->AddIfNew(new GResourceMapping(1206, 5, 6, kNoId));    // Legal
  list->AddIfNew(new GResourceMapping(1223, 9, 23, kNoId));   // A4
  return list;
}

// Source mappings: device code = tray number, system code = paper source.
// Each tray's paper source is its tray number (DMBIN_UPPER, DMBIN_LOWER,
// DMBIN_MIDDLE, DMBIN_ENVELOPE), so that the source a DEVMODE names is a
// tray the printer has.
GResourceMappingList* SourceMappings() {
  auto* list = new GResourceMappingList(kSourceMappingList);
  list->AddIfNew(new GResourceMapping(1301, 1, 1, kNoId));  // Tray 1
  list->AddIfNew(new GResourceMapping(1302, 2, 2, kNoId));  // Tray 2
  list->AddIfNew(new GResourceMapping(1303, 3, 3, kNoId));  // Tray 3
  list->AddIfNew(new GResourceMapping(1305, 5, 5, kNoId));  // Envelope feeder
  return list;
}

// Output-bin mappings: device code = bin value.
GResourceMappingList* CapabilityMappings() {
  auto* list = new GResourceMappingList(kDeviceCapabilityMappings);
  list->AddIfNew(new GResourceMapping(1401, 16680, 30, kNoId));  // Top Bin
  list->AddIfNew(new GResourceMapping(1402, 16681, 31, kNoId));  // Rear Bin
  return list;
}

MPersistentObject* SampleModel() {
  auto* root = new MPersistentComposite(kNoId);
  const int32_t modelRootId = kDeviceModelRoot;
  auto* model = new GPeripheralComposite(&modelRootId);
  model->AddChild(new GLetterheadFilter);
  // Another paper size and the page's own scale, then several pages a sheet, before the filters
  // that copy, split and reorder the sheets.
  model->AddChild(new GFitToSizeFilter);
  model->AddChild(new GScalePageFilter);
  model->AddChild(new GNupFilter);
  // A booklet after the n-up filter, so that a booklet's pages can each
  // hold several pages.
  model->AddChild(new GBookletFilter);
  // The two sides of a duplex sheet line up: the sheet's pages are
  // equalised as a whole.
  model->AddChild(new GSymetricalDuplexFilter);
  // The back cover ends the document before its sheets are copied, split
  // or reordered.
  model->AddChild(new GBackCoverFilter);
  model->AddChild(new GCopyPageFilter);
  model->AddChild(new GManualDuplexFilter);
  model->AddChild(new GReverseFilter);
  model->AddChild(Printer());
  root->AddChild(model);
  root->AddChild(PaperMappings());
  root->AddChild(SourceMappings());
  root->AddChild(CapabilityMappings());
  return root;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkmodel <output file>\n");
    return 2;
  }
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  RegisterPrintPathClasses();
  RegisterGeneratorClasses();

  MPersistentObject* model = SampleModel();
  // A host file: the tool runs in the build, outside the platform stand-in.
  bool written = false;
  {
    std::filebuf file;
    if (file.open(argv[1], std::ios_base::out | std::ios_base::trunc | std::ios_base::binary) != nullptr) {
      RWBinaryOutStream stream(&file);
      RWWriteObjectPointer(stream, model);
      stream.Flush();
      written = stream.Good() && file.close() != nullptr;
    }
  }
  delete model;
  if (!written) {
    std::remove(argv[1]);
    std::fprintf(stderr, "mkmodel: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
