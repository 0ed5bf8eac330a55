#include "config/GDMCClient.h"

#include <cstdio>
#include <string>

#include "config/GConfigFeatureHandler.h"
#include "config/GDMCHandlerFactory.h"
#include "config/GDMCLibrary.h"
#include "driver/GDriverInstance.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

using namespace GFeatureIds;

namespace {

const WCHAR kMachinePrinters[] = u"System\\CurrentControlSet\\Control\\Print\\Printers";
const WCHAR kUserConnections[] = u"Printers\\Connections";

std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }
RWWString Wide(const std::u16string& s) { return RWWString(s.data(), s.size()); }

// "Stale" read under the key, compared exactly with "TRUE".
int IsTrue(const RWWString& value) { return GDMCLibrary::IsSameText(value.Data(), u"TRUE") != 0 ? 1 : 0; }

GValueAttribute* ValueIn(MPersistentObject* container, int32_t id) {
  return container != nullptr ? dynamic_cast<GValueAttribute*>(container->FindById(id)) : nullptr;
}

}  // namespace

const char* const GDMCClient::kPhotoMediaNames[GDMCClient::kPhotoMediaCount] = {
    "Photo Glossy", "Photo Matte", "Photo Satin", "Photo Heavy Glossy", "Photo Film",
};

GDMCClient::GDMCClient(GAttributeComposite* settings, GDriverInstance* instance)
    : settings_(settings), library_(std::make_unique<GDMCLibrary>()), clientName_(GDMCLibrary::kClientName),
      instance_(instance) {
  const int32_t id = kChangeList;
  changes_ = std::make_unique<GAttributeComposite>(&id);
}

GDMCClient::~GDMCClient() {
  if (printingChanged_ != 0) SaveQuickSets(changes_.get());
  library_.reset();
  changes_.reset();
}

void GDMCClient::SetPrinterString(const WCHAR* name, const RWWString& text) {
  if (GOSFactory* factory = GOSFactory::GetInstance()) factory->SetPrinterDataString(instance_, RWWString(name), text);
}

// ---- Walks ----

int GDMCClient::WalkFeatures(const WCHAR* context, Walk walk) {
  if (library_->IsLoaded() == 0) return 0;
  GDMCTextBuffer list(GDMCLibrary::kFeatureListBytes, GDMCTextBuffer::kBlankBytes);
  const int listed = library_->DMCEnumFeatures(context, list.Data(), list.Chars());
  if (walk == Walk::kImportPrinting ? listed == 0 : listed != 1) return 0;

  // The model bundles come before the features of the installed options.
  if (walk == Walk::kImportPhysical) {
    std::unique_ptr<GConfigFeatureHandler> bundles(CreateBundlesHandler(library_.get(), instance_));
    if (bundles != nullptr && bundles->Import(settings_, changes_.get()) != 0) physicalChanged_ = 1;
  } else if (walk == Walk::kExport && GDMCLibrary::IsSameText(context, u"factory/physical") != 0) {
    std::unique_ptr<GConfigFeatureHandler> bundles(CreateBundlesHandler(library_.get(), instance_));
    if (bundles != nullptr) bundles->Export(settings_);
  }

  // The list is the library's: a list that never ends is cut after as many
  // features as its buffer could name.
  GDMCTextBuffer token(GDMCLibrary::kOptionTextBytes);
  for (int taken = 0; taken < kMaxFeaturesPerWalk; ++taken) {
    if (library_->DMCEnumListToken(token.Data(), token.Chars(), list.Data(), list.Chars()) == 0) break;
    std::unique_ptr<GConfigFeatureHandler> handler(CreateHandler(token.Text()));
    if (handler != nullptr) {
      switch (walk) {
        case Walk::kImportPhysical:
          if (handler->Import(settings_, changes_.get()) != 0) physicalChanged_ = 1;
          break;
        case Walk::kImportPrinting:
          if (handler->Import(settings_, changes_.get()) != 0) printingChanged_ = 1;
          break;
        case Walk::kExport:
          handler->Export(settings_);
          break;
      }
    }
    token.Refill();
  }
  return 1;
}

int GDMCClient::ImportPhysical() {
  if (WalkFeatures(u"physical", Walk::kImportPhysical) == 0) return 0;
  if (physicalChanged_ != 0) {
    if (instance_ != nullptr) instance_->ApplyDocumentSettings(settings_);
    SetPrinterString(u"LastUpdateType", RWWString(u"Admin"));
  }
  return 1;
}

int GDMCClient::ImportPrinting() {
  if (WalkFeatures(u"printing", Walk::kImportPrinting) == 0) return 0;
  if (printingChanged_ != 0) DeriveResolution();
  return 1;
}

int GDMCClient::ExportContext(const RWWString& context) { return WalkFeatures(context.Data(), Walk::kExport); }

GConfigFeatureHandler* GDMCClient::CreateHandler(LPCWSTR featureName) {
  return CreateConfigFeatureHandler(featureName, library_.get(), instance_);
}

// ---- Names and state ----

void GDMCClient::SetConnectionName(const RWWString& name) {
  std::u16string connection = Text(name);
  const size_t comma = connection.rfind(u',');
  if (comma != std::u16string::npos) connection.erase(comma);

  std::u16string shortName = connection;
  std::u16string printerPart = connection;
  const size_t backslash = shortName.rfind(u'\\');
  if (backslash != std::u16string::npos) {
    shortName.erase(0, backslash + 1);
    printerPart = shortName;
  }
  std::u16string registryName = connection;
  for (char16_t& c : registryName) {
    if (c == u'\\') c = u',';
  }

  connectionName_ = Wide(connection);
  fullName_ = Wide(connection);
  shortName_ = Wide(shortName);
  printerPart_ = Wide(printerPart);
  registryName_ = Wide(registryName);
}

int GDMCClient::IsStale() {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 1;
  const RWWString stale(u"Stale");
  const RWWString notStale(u"FALSE");
  switch (updateType_) {
    case 0:
    case 1: {
      const std::u16string byPrinter = std::u16string(kMachinePrinters) + u"\\" + Text(printerPart_);
      if (factory->MachineKeyExists(Wide(byPrinter)) != 0) {
        connectionName_ = shortName_;
        return IsTrue(factory->ReadMachineString(Wide(byPrinter + u"\\PrinterDriverData"), stale, notStale));
      }
      const std::u16string byConnection = std::u16string(kMachinePrinters) + u"\\" + Text(registryName_);
      if (factory->MachineKeyExists(Wide(byConnection)) == 0) return 1;
      connectionName_ = fullName_;
      return IsTrue(factory->ReadMachineString(Wide(byConnection + u"\\PrinterDriverData"), stale, notStale));
    }
    case 2: {
      const RWWString key = Wide(std::u16string(kUserConnections) + u"\\" + Text(registryName_));
      if (factory->UserKeyExists(key) == 0) return 1;
      connectionName_ = fullName_;
      return IsTrue(factory->ReadUserString(key, stale, notStale));
    }
    default:
      return 0;
  }
}

int GDMCClient::IsAutoConfigured() {
  if (instance_ == nullptr) return 0;
  GConfiguration* configuration = instance_->GetPrinterConfiguration();
  if (configuration == nullptr) return 0;
  GValueAttribute* state = ValueIn(configuration->FindById(kAutoConfiguration), kAutoConfigurationState);
  return state != nullptr && state->GetValue() == 2 ? 1 : 0;
}

int GDMCClient::SaveQuickSets(GAttributeComposite* quickSets) {
  if (quickSets == nullptr) return 1;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  return factory->StoreObject(instance_, RWWString(u"DMCQuickset"), quickSets) != 0 ? 1 : 0;
}

void GDMCClient::WriteLastUpdate(int ok) {
  if (ok == 0) return;
  if (physicalChanged_ == 0 && printingChanged_ == 0) {
    SetPrinterString(u"DMCLastUpdate", RWWString(u"ERROR"));
    return;
  }
  // An unreadable clock leaves the date empty.
  char date[32] = {};
  GOSFactory* factory = GOSFactory::GetInstance();
  GDateTime local;
  GDateTime shifted;
  int16_t offset = 0;
  if (factory != nullptr && factory->GetDateTime(&local, &shifted, &offset) != 0) {
    std::snprintf(date, sizeof date, "%2.2d%s%2.2d%s%4.4d", local.month, "/ ", local.day, "/ ", local.year);
  }
  SetPrinterString(u"DMCLastUpdate", RWWString(date));
}

void GDMCClient::DeriveResolution() {
  GAttributeComposite* job = GConfigFeatureHandler::FindGroup(settings_, GFeatureIds::kDocumentSettings);
  GAttributeComposite* job2 = GConfigFeatureHandler::FindGroup(settings_, GFeatureIds::kDocumentSettings2);
  if (job == nullptr || job2 == nullptr) return;
  GValueAttribute* quality = ValueIn(job, kPrintQuality);
  MPersistentObject* resolution = job->FindById(kResolution);
  auto* media = dynamic_cast<GStringAttribute*>(job2->FindById(kMediaType));
  if (quality == nullptr || resolution == nullptr || media == nullptr) return;
  GValueAttribute* x = ValueIn(resolution, kXResolution);
  GValueAttribute* y = ValueIn(resolution, kYResolution);
  if (x == nullptr || y == nullptr) return;

  const std::string mediaName(media->GetString().Data(), media->GetString().Length());
  const bool plain = mediaName == "Plain";
  int16_t dpi = 600;
  GValueAttribute* differentFirstPage = ValueIn(job2, kUseDiffFirstPageChoice);
  if (differentFirstPage == nullptr || differentFirstPage->GetValue() != 1) {
    switch (quality->GetValue()) {
      case 1:
        dpi = 600;
        break;
      case -1:
        dpi = 300;
        break;
      default:
        dpi = plain ? 300 : 600;
        break;
    }
  }

  for (const char* photo : kPhotoMediaNames) {
    if (mediaName != photo) continue;
    if (GValueAttribute* photoPaper = ValueIn(job, kPhotoPaper)) {
      photoPaper->SetValue(1);
      changes_->AddChild(photoPaper->DeepCopy());
    }
    break;
  }

  x->SetValue(dpi);
  y->SetValue(dpi);
  changes_->AddChild(x->DeepCopy());
  changes_->AddChild(y->DeepCopy());
}
