#include "config/GMediaHandlers.h"

#include <memory>
#include <string>
#include <string_view>

#include "config/GDMCLibrary.h"
#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"

using namespace GFeatureIds;

namespace {

// Paper ids above this one are custom or extension sizes.
constexpr int16_t kLastStandardPaper = 4000;

constexpr const WCHAR* kPrinterSelect = u"PrinterSelect";

std::string_view View(const RWCString& text) { return std::string_view(text.Data(), text.Length()); }

GStringAttribute* FindString(GAttributeComposite* object, int32_t id) {
  return object != nullptr ? dynamic_cast<GStringAttribute*>(object->FindById(id)) : nullptr;
}

GValueAttribute* FindValueAnywhere(GAttributeComposite* object, int32_t id) {
  return object != nullptr ? dynamic_cast<GValueAttribute*>(object->FindById(id)) : nullptr;
}

void AppendCopy(GAttributeComposite* changes, GAttribute* attribute) {
  if (changes != nullptr && attribute != nullptr) changes->AddChild(attribute->DeepCopy());
}

using GSettingQuery::ForEachChild;

// Calls f with every tray of the installed input devices, in order, until f
// answers false.
template <typename F>
void ForEachInstalledInputTray(GDriverInstance* instance, F f) {
  if (instance == nullptr) return;
  bool stopped = false;
  ForEachChild(instance->GetPaperHandlingDevices(), [&](MPersistentObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || device->IsInstalled() == 0 || device->GetKind() != GPaperHandlingDevice::kInputDevice) {
      return true;
    }
    ForEachChild(device, [&](MPersistentObject* item) {
      auto* tray = dynamic_cast<GTray*>(item);
      if (tray == nullptr) return true;
      stopped = !f(tray);
      return !stopped;
    });
    return !stopped;
  });
}

}  // namespace

// ---- Media type ----

// Rows 2-10 and 37-46 are the printer family's own inkjet, brochure and
// photo papers; the five photo papers are those for which the client turns
// the photo-paper setting on.
const GMediaRow GMediaTypeHandler::kRows[kOptionCount] = {
    {u"AUTO", ""},
    {u"PLAIN", "Plain"},
    {u"QV_INKJET_PAPER", "Inkjet Paper"},
    {u"QV_INKJET_TRANSPARENCY", "Inkjet Transparency"},
    {u"QV_PREMIUM_INKJET_PAPER", "Premium Inkjet Paper"},
    {u"QV_PREMIUM_TRANSPARENCY", "Premium Transparency"},
    {u"QV_BROCHURE_GLOSSY", "Brochure Glossy"},
    {u"QV_BROCHURE_MATTE", "Brochure Matte"},
    {u"QV_BROCHURE_TRIFOLD", "Brochure Trifold"},
    {u"QV_HEAVY_BROCHURE_GLOSSY", "Heavy Brochure Glossy"},
    {u"QV_HEAVY_BROCHURE_MATTE", "Heavy Brochure Matte"},
    {u"PREPRINTED", "Preprinted"},
    {u"LETTERHEAD", "Letterhead"},
    {u"TRANSPARENCY", "Transparency"},
    {u"PREPUNCHED", "Prepunched"},
    {u"LABELS", "Labels"},
    {u"BOND", "Bond"},
    {u"RECYCLED", "Recycled"},
    {u"COLOR", "Color"},
    {u"CARDSTOCK_GP", "Card Stock"},
    {u"CARDSTOCK", "Card Stock"},
    {u"ROUGH", "Rough"},
    {u"HEAVY_GP", "Heavy"},
    {u"LIGHT_GP", "Light"},
    {u"GLOSS", "Gloss"},
    {u"HEAVY", "Heavy"},
    {u"LIGHT", "Light"},
    {u"HEAVY_GLOSSY", "Heavy Gloss"},
    {u"NON_QV_HEAVY_GLOSSY", "NQV Heavy Gloss"},
    {u"HEAVY_GLOSSY_GP", "Heavy Gloss"},
    {u"GLOSSY_FILM", "Gloss Film"},
    {u"28_LB_TYPE1", "Type28lb1"},
    {u"28_LB_TYPE2", "Type28lb2"},
    {u"ENVELOPE", "Envelope"},
    {u"GLOSSY(75_105GM2)", "Gloss"},
    {u"LIGHT", "Light"},
    {u"HEAVY_GLOSSY", "Heavy Gloss"},
    {u"QV_PHOTO_GLOSSY", "Photo Glossy"},
    {u"QV_PHOTO_MATTE", "Photo Matte"},
    {u"QV_PHOTO_SATIN", "Photo Satin"},
    {u"QV_PHOTO_HEAVY_GLOSSY", "Photo Heavy Glossy"},
    {u"QV_PHOTO_FILM", "Photo Film"},
    {u"QV_BROCHURE_SATIN", "Brochure Satin"},
    {u"QV_COVER_GLOSSY", "Cover Glossy"},
    {u"QV_COVER_MATTE", "Cover Matte"},
    {u"QV_TOUGH_PAPER", "Tough Paper"},
    {u"QV_OPAQUE_FILM", "Opaque Film"},
};

GMediaTypeHandler::GMediaTypeHandler() : GMediaTypeHandler(nullptr, 0) {}

GMediaTypeHandler::GMediaTypeHandler(GDMCLibrary* library, int mode)
    : GConfigFeatureHandler(library), optionCount_(kOptionCount) {
  switch (mode) {
    case 1:
      attributeId_ = kMediaTypeRest;
      path_ = u"printing/UseDiffFirstPageChoice/MediaTypeRest";
      break;
    case 2:
      attributeId_ = kBackCoverMediaTypeSetting;
      path_ = u"printing/UseDiffFirstPageChoice/BackCoverChoice/BackCoverMediaTypeSetting";
      break;
    default:
      attributeId_ = kMediaType;
      path_ = u"printing/MediaType";
      break;
  }
}

int GMediaTypeHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GStringAttribute* attribute = FindString(settings, attributeId_);
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(path_, buffer) == 0) return 0;

  int result = 0;
  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (GDMCLibrary::IsSameText(buffer.Text(), kRows[i].option) == 0) continue;
    const char* name = kRows[i].mediaName;
    attribute->SetString(name);
    // One entry per attribute in the change list: an earlier change of the
    // same attribute takes the new text.
    if (changes != nullptr) {
      GAttribute* held = changes->FindById(attributeId_);
      if (auto* heldText = dynamic_cast<GStringAttribute*>(held)) {
        heldText->SetString(name);
      } else if (held != nullptr) {
        changes->ReplaceChildById(attributeId_, attribute);
      } else {
        AppendCopy(changes, attribute);
      }
    }
    // The same first page for the whole document: the rest of the document
    // and the back cover take the main media too.
    GValueAttribute* different = FindValueAnywhere(settings, kUseDiffFirstPageChoice);
    GStringAttribute* rest = FindString(settings, kMediaTypeRest);
    if (attributeId_ == kMediaType && different != nullptr && rest != nullptr && different->GetValue() == 0) {
      rest->SetString(name);
      AppendCopy(changes, rest);
      if (GStringAttribute* backCover = FindString(settings, kBackCoverMediaTypeSetting)) {
        backCover->SetString(name);
        AppendCopy(changes, backCover);
      }
    }
    result = 1;
    break;
  }
  CheckLock(settings, path_, kMediaType, buffer);
  return result;
}

int GMediaTypeHandler::Export(GAttributeComposite* object) {
  GStringAttribute* attribute = FindString(object, attributeId_);
  if (attribute == nullptr || library_ == nullptr) return 0;
  const std::string_view name = View(attribute->GetString());
  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (name != std::string_view(kRows[i].mediaName)) continue;
    if (library_->DMCSetExport(path_, kRows[i].option) != 0) return 1;
  }
  return 0;
}

// ---- Input bin ----

const GTrayRow GInputBinHandler::kRows[kOptionCount] = {
    {"Auto Select", u"PrinterSelect"}, {"Envelope Feeder", u"EnvFeed"}, {"Manual Feed", u"ManualFeed"},
    {"Tray 1", u"Tray1"},              {"Tray 2", u"Tray2"},            {"Tray2_500", u"Tray2_500"},
    {"Tray 3", u"Tray3"},              {"Tray3_500", u"Tray3_500"},     {"Tray3_250", u"Tray3_250"},
    {"Tray3_1500", u"Tray3_1500"},     {"Tray4_500", u"Tray4_500"},     {"Tray4_1500", u"Tray4_1500"},
    {"Tray4_2000", u"Tray4_2000"},     {"Tray 4", u"Tray4"},            {"Tray 5", u"Tray5"},
    {"Tray 6", u"Tray6"},              {"Tray 7", u"Tray7"},            {"Tray 8", u"Tray8"},
    {"Tray 9", u"Tray9"},              {"Tray 10", u"Tray10"},          {"Tray 11", u"Tray11"},
    {"Tray 12", u"Tray12"},
};

GInputBinHandler::GInputBinHandler() : GInputBinHandler(nullptr, nullptr, 0) {}

GInputBinHandler::GInputBinHandler(GDMCLibrary* library, GDriverInstance* instance, int mode)
    : GConfigFeatureHandler(library), optionCount_(kOptionCount), instance_(instance) {
  switch (mode) {
    case 1:
      attributeId_ = kInputBinRest;
      path_ = u"printing/UseDiffFirstPageChoice/InputBinRest";
      break;
    case 2:
      attributeId_ = kBackCoverTrayChoice;
      path_ = u"printing/UseDiffFirstPageChoice/BackCoverChoice/BackCoverTrayChoice";
      break;
    default:
      attributeId_ = kInputBin;
      path_ = u"printing/InputBin";
      break;
  }
}

int16_t GInputBinHandler::FindTrayNumber(GDriverInstance* instance, const char* trayName) {
  const std::string_view wanted(trayName != nullptr ? trayName : "");
  int16_t number = kAutoSelect;
  ForEachInstalledInputTray(instance, [&](GTray* tray) {
    if (View(tray->GetName()).find(wanted) == std::string_view::npos) return true;
    number = tray->GetTrayNumber();
    return false;
  });
  return number;
}

RWCString GInputBinHandler::FindTrayName(GDriverInstance* instance, int16_t number) {
  RWCString name;
  ForEachInstalledInputTray(instance, [&](GTray* tray) {
    if (tray->GetTrayNumber() != number) return true;
    name = tray->GetName();
    return false;
  });
  return name;
}

int GInputBinHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* attribute = FindValueAnywhere(settings, attributeId_);
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(path_, buffer) == 0) return 0;

  int16_t number = kAutoSelect;
  if (GDMCLibrary::IsSameText(buffer.Text(), kPrinterSelect) == 0) {
    // An option outside the table looks for the empty name, which the
    // first installed input tray holds.
    const char* trayName = "";
    for (uint16_t i = 0; i < optionCount_; ++i) {
      if (GDMCLibrary::IsSameText(buffer.Text(), kRows[i].option) != 0) {
        trayName = kRows[i].trayName;
        break;
      }
    }
    number = FindTrayNumber(instance_, trayName);
  }
  attribute->SetValue(number);
  AppendCopy(changes, attribute);

  GValueAttribute* different = FindValueAnywhere(settings, kUseDiffFirstPageChoice);
  GValueAttribute* rest = FindValueAnywhere(settings, kInputBinRest);
  if (attributeId_ == kInputBin && different != nullptr && rest != nullptr && different->GetValue() == 0) {
    rest->SetValue(number);
    AppendCopy(changes, rest);
    if (GValueAttribute* backCover = FindValueAnywhere(settings, kBackCoverTrayChoice)) {
      backCover->SetValue(number);
      AppendCopy(changes, backCover);
    }
  }
  CheckLock(settings, path_, kInputBin, buffer);
  return 1;
}

int GInputBinHandler::Export(GAttributeComposite* object) {
  GValueAttribute* attribute = FindValueAnywhere(object, attributeId_);
  if (attribute == nullptr || library_ == nullptr) return 0;
  LPCWSTR option = kPrinterSelect;
  const int16_t number = attribute->GetValue();
  if (number != kAutoSelect) {
    const RWCString name = FindTrayName(instance_, number);
    for (uint16_t i = 0; i < optionCount_; ++i) {
      if (View(name) == std::string_view(kRows[i].trayName)) {
        option = kRows[i].option;
        break;
      }
    }
  }
  library_->DMCSetExport(path_, option);
  return 1;
}

// ---- Paper size ----

// B5 and B5ISO share the id 56; the first, "B5", is the one exported.
const GOptionRow GPaperSizeHandler::kRows[kOptionCount] = {
    {0, u"UNDEFINED"},
    {1, u"LETTER"},
    {2, u"LETTER_EXTRA"},
    {3, u"LETTER_EXTRA_TRANSVERSE"},
    {4, u"LETTER_TRANSVERSE"},
    {5, u"LETTER_SMALL"},
    {6, u"LEGAL"},
    {7, u"LEGAL_EXTRA"},
    {8, u"ENV_10"},
    {9, u"ENV_11"},
    {10, u"ENV_12"},
    {11, u"ENV_14"},
    {12, u"ENV_9"},
    {13, u"ENV_C5"},
    {14, u"ENV_B5"},
    {15, u"ENV_DL"},
    {16, u"ENV_MONARCH"},
    {17, u"EXECUTIVE"},
    {18, u"FOLIO"},
    {19, u"LEDGER"},
    {20, u"10X14"},
    {21, u"11X17"},
    {22, u"A3"},
    {23, u"A4"},
    {24, u"A4_EXTRA"},
    {25, u"A4_TRANSVERSE"},
    {26, u"A4_SMALL"},
    {27, u"A5"},
    {28, u"B4"},
    {56, u"B5"},
    {30, u"BSHEET"},
    {31, u"CSHEET"},
    {32, u"DSHEET"},
    {33, u"ESHEET"},
    {34, u"NOTE"},
    {35, u"QUARTO"},
    {36, u"STATEMENT"},
    {37, u"TABLOID"},
    {38, u"TABLOID_EXTRA"},
    {39, u"B4_JIS"},
    {40, u"B5_JIS"},
    {71, u"DBL_JAPANESE_POSTCARD"},
    {42, u"EXECUTIVE_JIS"},
    {43, u"16K"},
    {44, u"8K"},
    {45, u"11X17_MAX"},
    {46, u"A3_OVERSIZE"},
    {47, u"INDEX_CARD_3X5"},
    {48, u"INDEX_CARD_4X6"},
    {49, u"INDEX_CARD_5X8"},
    {50, u"ENV_A2"},
    {51, u"A6_CARD"},
    {52, u"ENV_C6"},
    {53, u"JISB6"},
    {54, u"JIS_POSTCARD"},
    {55, u"POSTCARD"},
    {56, u"B5ISO"},
    {57, u"A6"},
    {58, u"85x13"},
    {59, u"JENV_CHOU3"},
    {60, u"JENV_CHOU4"},
    {61, u"HAGAKI_CARD"},
    {62, u"SUPERB"},
    {63, u"425_X_6"},
    {69, u"JAPANESE_POSTCARD"},
    {70, u"DBL_JAPANESE_POSTCARD_ROTATED"},
    {68, u"12X18"},
    {73, u"QV_GREETING_CARD_ENV"},
    {72, u"OfukuHagaki"},
};

GPaperSizeHandler::GPaperSizeHandler() : GPaperSizeHandler(nullptr, nullptr, 0) {}

GPaperSizeHandler::GPaperSizeHandler(GDMCLibrary* library, GDriverInstance* instance, int mode)
    : GConfigFeatureHandler(library), instance_(instance), optionCount_(kOptionCount) {
  if (mode == 1) {
    attributeId_ = kTargetSizeChoice;
    path_ = u"printing/FitToOtherSizeChoice/TargetSizeChoice";
  } else {
    attributeId_ = kPaperSize;
    path_ = u"printing/PaperSize";
  }
}

int GPaperSizeHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* attribute = FindValue(settings, GFeatureIds::kDocumentSettings, attributeId_);
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(path_, buffer) == 0) return 0;
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row < 0) return 0;
  // The table's ids are the driver's own paper ids: this driver object
  // keeps no separate DEVMODE numbering that would translate them.
  attribute->SetValue(kRows[row].value);
  if (changes != nullptr) {
    AppendCopy(changes, attribute);
    const int32_t markerId = kPaperChangedMarker;
    changes->AddChild(new GValueAttribute(0, &markerId));
  }
  return 1;
}

int GPaperSizeHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* attribute = FindValue(settings, GFeatureIds::kDocumentSettings, attributeId_);
  if (attribute == nullptr || library_ == nullptr) return 0;
  int16_t paper = attribute->GetValue();
  // A custom or extension size goes out as the standard paper of its size.
  if (paper > kLastStandardPaper && instance_ != nullptr) paper = instance_->ResolvePaperId(settings, paper);
  const int row = FindRowByValue(kRows, optionCount_, paper);
  if (row < 0) return 0;
  library_->DMCSetExport(path_, kRows[row].text);
  return 1;
}

// ---- Different first page ----

const GOptionRow GUseDiffFirstPageChoiceHandler::kRows[kOptionCount] = {
    {0, u"SameFirstPage"},
    {1, u"DifferentFirstPage"},
};

GUseDiffFirstPageChoiceHandler::GUseDiffFirstPageChoiceHandler() : GUseDiffFirstPageChoiceHandler(nullptr, nullptr) {}

GUseDiffFirstPageChoiceHandler::GUseDiffFirstPageChoiceHandler(GDMCLibrary* library, GDriverInstance* instance)
    : GConfigFeatureHandler(library), optionCount_(kOptionCount), instance_(instance) {}

namespace {
constexpr const WCHAR* kUseDiffFirstPagePath = u"printing/UseDiffFirstPageChoice";
constexpr const WCHAR* kBackCoverChoicePath = u"printing/UseDiffFirstPageChoice/BackCoverChoice";
constexpr const WCHAR* kFitToOtherSizePath = u"printing/FitToOtherSizeChoice";
}  // namespace

int GUseDiffFirstPageChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  int16_t matched = 0;
  const int result = ImportTable(settings, changes, GFeatureIds::kDocumentSettings2, kUseDiffFirstPageChoice,
                                 kUseDiffFirstPagePath, kRows, optionCount_, kTextBytes, GChangeRule::kCopy, &matched);
  if (result == 1 && matched == 1) {
    GMediaTypeHandler(library_, 1).Import(settings, changes);
    GInputBinHandler(library_, instance_, 1).Import(settings, changes);
    GBackCoverChoiceHandler(library_, instance_).Import(settings, changes);
  }
  return result;
}

int GUseDiffFirstPageChoiceHandler::Export(GAttributeComposite* settings) {
  const int result = ExportTable(settings, GFeatureIds::kDocumentSettings2, kUseDiffFirstPageChoice,
                                 kUseDiffFirstPagePath, kRows, optionCount_, false);
  GValueAttribute* choice = FindValue(settings, GFeatureIds::kDocumentSettings2, kUseDiffFirstPageChoice);
  if (result == 1 && choice != nullptr && choice->GetValue() == 1) {
    GAttributeComposite* group = FindGroup(settings, GFeatureIds::kDocumentSettings2);
    GMediaTypeHandler(library_, 1).Export(group);
    GInputBinHandler(library_, instance_, 1).Export(group);
    GBackCoverChoiceHandler(library_, instance_).Export(settings);
  }
  return result;
}

// ---- Back cover ----

const GOptionRow GBackCoverChoiceHandler::kRows[kOptionCount] = {
    {0, u"NoBackPage"},
    {1, u"UseFirstPage"},
    {2, u"UseAlternateSource"},
};

GBackCoverChoiceHandler::GBackCoverChoiceHandler() : GBackCoverChoiceHandler(nullptr, nullptr) {}

GBackCoverChoiceHandler::GBackCoverChoiceHandler(GDMCLibrary* library, GDriverInstance* instance)
    : GConfigFeatureHandler(library), optionCount_(kOptionCount), instance_(instance) {}

int GBackCoverChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  int16_t matched = 0;
  const int result = ImportTable(settings, changes, GFeatureIds::kDocumentSettings, kBackCoverChoice,
                                 kBackCoverChoicePath, kRows, optionCount_, kTextBytes, GChangeRule::kCopy, &matched);
  if (result == 1 && matched == 2) {
    GMediaTypeHandler(library_, 2).Import(settings, changes);
    GInputBinHandler(library_, instance_, 2).Import(settings, changes);
  }
  return result;
}

int GBackCoverChoiceHandler::Export(GAttributeComposite* settings) {
  const int result = ExportTable(settings, GFeatureIds::kDocumentSettings, kBackCoverChoice, kBackCoverChoicePath,
                                 kRows, optionCount_, false);
  GValueAttribute* choice = FindValue(settings, GFeatureIds::kDocumentSettings, kBackCoverChoice);
  if (result == 1 && choice != nullptr && choice->GetValue() == 2) {
    GMediaTypeHandler(library_, 2).Export(FindGroup(settings, GFeatureIds::kDocumentSettings));
    GInputBinHandler(library_, instance_, 2).Export(settings);
  }
  return result;
}

// ---- Fit to another size ----

const GOptionRow GFitToOtherSizeChoiceHandler::kRows[kOptionCount] = {
    {0, u"PrintActualSize"},
    {1, u"FitToOtherSize"},
};

GFitToOtherSizeChoiceHandler::GFitToOtherSizeChoiceHandler() : GFitToOtherSizeChoiceHandler(nullptr, nullptr) {}

GFitToOtherSizeChoiceHandler::GFitToOtherSizeChoiceHandler(GDMCLibrary* library, GDriverInstance* instance)
    : GConfigFeatureHandler(library), optionCount_(kOptionCount), instance_(instance) {}

int GFitToOtherSizeChoiceHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  int16_t matched = 0;
  const int result = ImportTable(settings, changes, GFeatureIds::kDocumentSettings, kFitToOtherSizeChoice,
                                 kFitToOtherSizePath, kRows, optionCount_, kTextBytes, GChangeRule::kCopy, &matched);
  if (result == 1 && matched == 1) GPaperSizeHandler(library_, instance_, 1).Import(settings, changes);
  return result;
}

int GFitToOtherSizeChoiceHandler::Export(GAttributeComposite* settings) {
  const int result = ExportTable(settings, GFeatureIds::kDocumentSettings, kFitToOtherSizeChoice, kFitToOtherSizePath,
                                 kRows, optionCount_, false);
  GValueAttribute* choice = FindValue(settings, GFeatureIds::kDocumentSettings, kFitToOtherSizeChoice);
  if (result == 1 && choice != nullptr && choice->GetValue() == 1) {
    GPaperSizeHandler(library_, instance_, 1).Export(settings);
  }
  return result;
}

// ---- Creators for the client's handler table ----

GConfigFeatureHandler* CreateMediaTypeHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GMediaTypeHandler(library, 0);
}

GConfigFeatureHandler* CreateInputBinHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GInputBinHandler(library, instance, 0);
}

GConfigFeatureHandler* CreatePaperSizeHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GPaperSizeHandler(library, instance, 0);
}

GConfigFeatureHandler* CreateUseDiffFirstPageChoiceHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GUseDiffFirstPageChoiceHandler(library, instance);
}

GConfigFeatureHandler* CreateFitToOtherSizeChoiceHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GFitToOtherSizeChoiceHandler(library, instance);
}
