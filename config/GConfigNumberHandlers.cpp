#include "config/GConfigNumberHandlers.h"

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"

using GFeatureIds::kDocumentSettings;
using GFeatureIds::kDocumentSettings2;
using GFeatureIds::kInstallableOptions;

const GNumberFeature GCopiesHandler::kFeature = {u"printing/Copies", kDocumentSettings2, GFeatureIds::kCopies, 510};
const GNumberFeature GMemoryHandler::kFeature = {u"physical/Memory", kInstallableOptions, GFeatureIds::kMemory, 128};
const GNumberFeature GDriverWorkSpaceSettingHandler::kFeature = {u"physical/DriverWorkSpaceSetting",
                                                                 kInstallableOptions, 202, 510};
const GNumberFeature GScaleChoiceHandler::kFeature = {u"printing/ScaleChoice", kDocumentSettings, GFeatureIds::kScaleChoice, 256};
const GNumberFeature GDryTimeHandler::kFeature = {u"printing/DryTime", kDocumentSettings, GFeatureIds::kDryTime, 510};

GNumberFeatureHandler::GNumberFeatureHandler(const GNumberFeature& feature) : feature_(&feature) {}

GNumberFeatureHandler::GNumberFeatureHandler(GDMCLibrary* library, const GNumberFeature& feature)
    : GConfigFeatureHandler(library), feature_(&feature) {}

int GNumberFeatureHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* attribute = FindValue(settings, feature_->group, feature_->id);
  if (attribute == nullptr) return 0;
  int32_t number = 0;
  if (ReadNumber(feature_->path, feature_->bufferBytes, &number) == 0) return 0;
  int16_t value = 0;
  if (!Accept(number, &value)) return 0;
  attribute->SetValue(value);
  RecordChange(changes, attribute, value, GChangeRule::kCopy);
  return 1;
}

GValueAttribute* GNumberFeatureHandler::ExportedAttribute(GAttributeComposite* settings) {
  return FindValue(settings, feature_->group, feature_->id);
}

int GNumberFeatureHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* attribute = ExportedAttribute(settings);
  if (attribute == nullptr) return 0;
  return ExportNumber(feature_->path, Exported(attribute->GetValue()));
}

bool GCountFeatureHandler::Accept(int32_t number, int16_t* value) const {
  const uint16_t low = static_cast<uint16_t>(static_cast<uint32_t>(number) & 0xFFFF);
  if (low == 0) return false;
  *value = static_cast<int16_t>(low);
  return true;
}

int32_t GCountFeatureHandler::Exported(int16_t value) const { return static_cast<uint16_t>(value); }

GValueAttribute* GDriverWorkSpaceSettingHandler::ExportedAttribute(GAttributeComposite* settings) {
  if (FindGroup(settings, feature_->group) == nullptr) return nullptr;
  return dynamic_cast<GValueAttribute*>(settings->FindById(feature_->id));
}

bool GScaleChoiceHandler::Accept(int32_t number, int16_t* value) const {
  const int16_t scale = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(number) & 0xFFFF));
  if (scale < 25 || scale > 400) return false;
  *value = scale;
  return true;
}

int32_t GScaleChoiceHandler::Exported(int16_t value) const { return value; }

namespace {
// Dry-time adjustments and the values they are stored as; 4 stands for no
// adjustment.
struct DryTimeStep {
  int32_t number;
  int16_t value;
};
const DryTimeStep kDryTimeSteps[] = {{-15, 1}, {-10, 2}, {-5, 3}, {5, 5},   {10, 6},
                                     {15, 7},  {20, 8},  {25, 9}, {30, 10}};
}  // namespace

bool GDryTimeHandler::Accept(int32_t number, int16_t* value) const {
  for (const DryTimeStep& step : kDryTimeSteps) {
    if (step.number == number) {
      *value = step.value;
      return true;
    }
  }
  return false;
}

int32_t GDryTimeHandler::Exported(int16_t value) const {
  for (const DryTimeStep& step : kDryTimeSteps) {
    if (step.value == value) return step.number;
  }
  return 0;
}
