#include "config/GBundlesHandler.h"

#include "config/GDMCLibrary.h"
#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "rw/RWWString.h"

using namespace GFeatureIds;

namespace {


}  // namespace

// The family's models, as the model list names them and as the library
// offers them.
const GBundleRow GBundlesHandler::kRows[GBundlesHandler::kRowCount] = {
    {"Quarrin 4100", u"Quarrin 4100"},
    {"Quarrin 4100n", u"Quarrin 4100 N"},
    {"Quarrin 4100dn", u"Quarrin 4100 DN"},
    {"Quarrin 4100tn", u"Quarrin 4100 TN"},
    {"Quarrin 4100dtn", u"Quarrin 4100 DTN"},
    {"Quarrin 4300", u"Quarrin 4300"},
    {"Quarrin 4300n", u"Quarrin 4300 N"},
    {"Quarrin 4300dn", u"Quarrin 4300 DN"},
    {"Quarrin 4300tn", u"Quarrin 4300 TN"},
    {"Quarrin 4300dtn", u"Quarrin 4300 DTN"},
    {"Quarrin 4500", u"Quarrin 4500"},
    {"Quarrin 4500n", u"Quarrin 4500 N"},
    {"Quarrin 4500dn", u"Quarrin 4500 DN"},
    {"Quarrin 4500tn", u"Quarrin 4500 TN"},
    {"Quarrin 4500dtn", u"Quarrin 4500 DTN"},
    {"Quarrin 4700", u"Quarrin 4700"},
    {"Quarrin 4700n", u"Quarrin 4700 N"},
    {"Quarrin 4700dn", u"Quarrin 4700 DN"},
    {"Quarrin 4700tn", u"Quarrin 4700 TN"},
    {"Quarrin 4700dtn", u"Quarrin 4700 DTN"},
    {"Quarrin 5100", u"Quarrin 5100"},
    {"Quarrin 5100n", u"Quarrin 5100 N"},
    {"Quarrin 5100dn", u"Quarrin 5100 DN"},
    {"Quarrin 5100tn", u"Quarrin 5100 TN"},
    {"Quarrin 5100dtn", u"Quarrin 5100 DTN"},
    {"Quarrin 5300", u"Quarrin 5300"},
    {"Quarrin 5300n", u"Quarrin 5300 N"},
    {"Quarrin 5300dn", u"Quarrin 5300 DN"},
    {"Quarrin 5300tn", u"Quarrin 5300 TN"},
    {"Quarrin 5300dtn", u"Quarrin 5300 DTN"},
    {"Quarrin 5500", u"Quarrin 5500"},
    {"Quarrin 5500n", u"Quarrin 5500 N"},
    {"Quarrin 5500dn", u"Quarrin 5500 DN"},
    {"Quarrin 5500tn", u"Quarrin 5500 TN"},
    {"Quarrin 5500dtn", u"Quarrin 5500 DTN"},
    {"Quarrin 6100", u"Quarrin 6100"},
    {"Quarrin 6100n", u"Quarrin 6100 N"},
    {"Quarrin 6100dn", u"Quarrin 6100 DN"},
    {"Quarrin 6100tn", u"Quarrin 6100 TN"},
    {"Quarrin 6100dtn", u"Quarrin 6100 DTN"},
    {"Quarrin 8100", u"Quarrin 8100"},
    {"Quarrin 8100n", u"Quarrin 8100 N"},
    {"Quarrin 8100dn", u"Quarrin 8100 DN"},
    {"Quarrin 8100tn", u"Quarrin 8100 TN"},
    {"Quarrin 8100dtn", u"Quarrin 8100 DTN"},
    {"Quarrin 8500", u"Quarrin 8500"},
    {"Quarrin 8500n", u"Quarrin 8500 N"},
    {"Quarrin 8500dn", u"Quarrin 8500 DN"},
    {"Quarrin 8500tn", u"Quarrin 8500 TN"},
    {"Quarrin 8500dtn", u"Quarrin 8500 DTN"},
    {"Quarrin 9500", u"Quarrin 9500"},
    {"Quarrin 9500n", u"Quarrin 9500 N"},
    {"Quarrin 9500dn", u"Quarrin 9500 DN"},
    {"Quarrin 9500tn", u"Quarrin 9500 TN"},
    {"Quarrin 9500dtn", u"Quarrin 9500 DTN"},
};

GBundlesHandler::GBundlesHandler() : optionCount_(kRowCount), instance_(nullptr) {}

GBundlesHandler::GBundlesHandler(GDMCLibrary* library, GDriverInstance* instance)
    : GConfigFeatureHandler(library), optionCount_(kRowCount), instance_(instance) {}

int GBundlesHandler::Import(GAttributeComposite* settings, GAttributeComposite*) {
  GDMCTextBuffer buffer(kBufferBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (GDMCLibrary::IsSameText(buffer.Text(), kRows[i].optionText) == 0) continue;
    // A model the model list does not know leaves the settings as they are.
    if (instance_ != nullptr) instance_->ApplyModelBundle(RWWString(kRows[i].modelName), settings);
    return 1;
  }
  return 0;
}

int GBundlesHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* bundle = FindValue(settings, GFeatureIds::kInstallableOptions, kBundles);
  if (bundle == nullptr || library_ == nullptr || instance_ == nullptr) return 0;
  GConfiguration* configuration = instance_->GetPrinterConfiguration();
  auto* models = configuration != nullptr ? dynamic_cast<GAttributeComposite*>(configuration->FindById(kModelList))
                                          : nullptr;
  if (models == nullptr) return 0;

  // The model of the settings' bundle number.
  MPersistentObject* entry = nullptr;
  for (size_t i = 0; i < static_cast<size_t>(models->GetEntryCount()); ++i) {
    MPersistentObject* candidate = models->ChildAt(i);
    auto* number = candidate != nullptr ? dynamic_cast<GValueAttribute*>(candidate->FindById(kBundles)) : nullptr;
    if (number != nullptr && number->GetValue() == bundle->GetValue()) {
      entry = candidate;
      break;
    }
  }
  if (entry == nullptr) return 0;
  RWWString modelName;
  if (auto* name = dynamic_cast<GStringAttribute*>(entry->FindById(kModelListEntry)))
    modelName = RWWString(name->GetString());

  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (RWWString(kRows[i].modelName).Compare(modelName, 0) != 0) continue;
    library_->DMCSetExport(kPath, kRows[i].optionText);
    return 1;
  }
  return 0;
}

GConfigFeatureHandler* CreateModelBundlesHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GBundlesHandler(library, instance);
}
