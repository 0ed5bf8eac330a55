#include "graphics/GSymetricalDuplexFilter.h"

#include <algorithm>
#include <cstdlib>

#include "driver/GDriverInstance.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

GSymetricalDuplexFilter::GSymetricalDuplexFilter(const int32_t* id) : GGeometryFilter(id) {}
GSymetricalDuplexFilter::GSymetricalDuplexFilter(const GSymetricalDuplexFilter& other) = default;
GSymetricalDuplexFilter& GSymetricalDuplexFilter::operator=(const GSymetricalDuplexFilter& other) = default;
GSymetricalDuplexFilter::~GSymetricalDuplexFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GSymetricalDuplexFilter, GGeometryFilter, GSymetricalDuplexFilterClassId)

template <typename Archive>
void GSymetricalDuplexFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    ResetTransform();
    duplex_ = autoScaling_ = 0;
    backSide_ = 0;
  }
}

RW_STORED_MEMBERS_DEFINE(GSymetricalDuplexFilter, GGeometryFilter)

RWCollectable* GSymetricalDuplexFilterCreate() { return new GSymetricalDuplexFilter; }

GTransformAttribute GSymetricalDuplexFilter::EqualisingTransform(const GMedia& medium) {
  const GShortPoint size = *medium.GetSize(), origin = *medium.GetImageableOrigin(),
                    extent = *medium.GetImageableExtent();
  // Right margin minus left margin, and bottom minus top.
  const int32_t dx = size.x - 2 * origin.x - extent.x;
  const int32_t dy = size.y - 2 * origin.y - extent.y;
  const float sx = dx == 0 || extent.x == 0 ? 1.0f : 1.0f - static_cast<float>(std::abs(dx)) / extent.x;
  const float sy = dy == 0 || extent.y == 0 ? 1.0f : 1.0f - static_cast<float>(std::abs(dy)) / extent.y;
  const float s = std::min(sx, sy);
  const auto x = static_cast<int32_t>((size.x - extent.x * s) * 0.5f) - static_cast<int32_t>(origin.x * s);
  const auto y = static_cast<int32_t>((size.y - extent.y * s) * 0.5f) - static_cast<int32_t>(origin.y * s);
  return GTransformAttribute(0, GShortPoint{static_cast<int16_t>(x), static_cast<int16_t>(y)}, GRealPair(s, s));
}

GCountedPtr GSymetricalDuplexFilter::Filter(GCommand* command) {
  if (command == nullptr) return GCountedPtr(command);
  if (command->ClassId() == GDocumentStartClassId) return StartDocument(command);
  if (!IsActive()) return GCountedPtr(command);
  if (command->ClassId() == GPageStartClassId) return StartPage(command);
  const GTransformAttribute identity;
  if (duplex_ != 0 && GetFilterTransform().Matches(&identity) == 0) return PassTransform(command);
  return GCountedPtr(command);
}

GCountedPtr GSymetricalDuplexFilter::StartDocument(GCommand* command) {
  GDriverInstance* instance = static_cast<GDocumentStart*>(command)->GetDriverInstance();
  int32_t unit = 0;
  if (instance != nullptr) GSettingQuery::NumberAt(instance->GetPrinterConfiguration(), GFeatureIds::kDiscoveredDuplexUnit, &unit);
  GState* settings = command->GetSettings();
  int32_t value = 0;
  if (unit != 0 && settings != nullptr) {
    if (GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &value)) duplex_ = static_cast<int16_t>(value);
    if (GSettingQuery::NumberAt(settings, GFeatureIds::kQVAutoDuplexScaling, &value)) {
      autoScaling_ = static_cast<int16_t>(value);
      Activate();
      return GCountedPtr(command);
    }
  }
  Deactivate();
  return GCountedPtr(command);
}

GCountedPtr GSymetricalDuplexFilter::StartPage(GCommand* command) {
  GCountedPtr held(command);
  ResetTransform();
  GState* settings = command->GetSettings();
  if (settings == nullptr) {
    backSide_ = 0;
    return held;
  }
  int32_t duplex = 0;
  if (GSettingQuery::NumberAt(settings, GFeatureIds::kDuplex, &duplex) && (duplex == 0 || backSide_ == 0))
    duplex_ = static_cast<int16_t>(duplex);
  if (duplex_ == 0) {
    backSide_ = 0;
    return held;
  }
  auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(settings, GFeatureIds::kPageMedia));
  // Without a medium there is nothing to equalise; the side still counts.
  if (autoScaling_ == 0 && medium != nullptr) FilterTransform() = EqualisingTransform(*medium);
  backSide_ = backSide_ != 0 ? 0 : 1;
  const GTransformAttribute page = FoldIntoPage(settings, true);
  return WithTransform(command, page);
}

GRealPair GSymetricalDuplexFilter::GetScale(GState*, GState* pageSettings, int32_t, int32_t* code) {
  if (code != nullptr && *code == kScaleGiven) return GRealPair(0.0f, 0.0f);
  if (pageSettings == nullptr || autoScaling_ != 0) return GRealPair(1.0f, 1.0f);
  int32_t duplex = duplex_;
  GSettingQuery::NumberAt(pageSettings, GFeatureIds::kDuplex, &duplex);
  auto* medium = dynamic_cast<GMedia*>(GSettingQuery::Find(pageSettings, GFeatureIds::kPageMedia));
  if (duplex == 0 || medium == nullptr) return GRealPair(1.0f, 1.0f);
  GRealPair scale;
  EqualisingTransform(*medium).GetScale(scale);
  return scale;
}
