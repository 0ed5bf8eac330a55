#include "graphics/GScalePageFilter.h"

#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

namespace {

// The percentage as a factor, in single precision as the job's other
// scales are.
float PercentFactor(int32_t percent) { return static_cast<float>(percent) * 0.01f; }

}  // namespace

GScalePageFilter::GScalePageFilter(const int32_t* id) : GGeometryFilter(id) {}
GScalePageFilter::GScalePageFilter(const GScalePageFilter& other) = default;
GScalePageFilter& GScalePageFilter::operator=(const GScalePageFilter& other) = default;
GScalePageFilter::~GScalePageFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GScalePageFilter, GGeometryFilter, GScalePageFilterClassId)

template <typename Archive>
void GScalePageFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    ResetTransform();
    factor_ = 1.0f;
  }
}

RW_STORED_MEMBERS_DEFINE(GScalePageFilter, GGeometryFilter)

RWCollectable* GScalePageFilterCreate() { return new GScalePageFilter; }

GCountedPtr GScalePageFilter::Filter(GCommand* command) {
  if (command == nullptr) return GCountedPtr(command);
  if (command->ClassId() == GDocumentStartClassId) return StartDocument(command);
  if (!IsActive()) return GCountedPtr(command);
  if (command->ClassId() == GPageStartClassId) return StartPage(command);
  return PassTransform(command);
}

GCountedPtr GScalePageFilter::StartDocument(GCommand* command) {
  ResetTransform();
  factor_ = 1.0f;
  int32_t percent = 0;
  if (GSettingQuery::NumberAt(command->GetSettings(), GFeatureIds::kScaleChoice, &percent))
    factor_ = PercentFactor(percent);
  if (factor_ != 1.0f) {
    geometry_ = 1;
    Activate();
  } else {
    Deactivate();
  }
  return GCountedPtr(command);
}

GCountedPtr GScalePageFilter::StartPage(GCommand* command) {
  GCountedPtr held(command);
  FilterTransform().SetScale(GRealPair(factor_, factor_));
  // The page's own placement stays outside: the page is scaled within it.
  const GTransformAttribute page = FoldIntoPage(command->GetSettings(), false);
  return WithTransform(command, page);
}

GRealPair GScalePageFilter::GetScale(GState* jobState, GState*, int32_t, int32_t* code) {
  if (code != nullptr && *code == kScaleGiven) return GRealPair(0.0f, 0.0f);
  int32_t percent = 0;
  if (GSettingQuery::NumberAt(jobState, GFeatureIds::kScaleChoice, &percent)) {
    const float factor = PercentFactor(percent);
    return GRealPair(factor, factor);
  }
  return GRealPair(1.0f, 1.0f);
}
