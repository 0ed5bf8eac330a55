#include "graphics/GFitToSizeFilter.h"

#include <algorithm>

#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GRenderInstance.h"

GFitToSizeFilter::GFitToSizeFilter(const int32_t* id) : GGeometryFilter(id) {}
GFitToSizeFilter::GFitToSizeFilter(const GFitToSizeFilter& other) = default;
GFitToSizeFilter& GFitToSizeFilter::operator=(const GFitToSizeFilter& other) = default;
GFitToSizeFilter::~GFitToSizeFilter() = default;

QV_PERSISTENT_KIND_DEFINE(GFitToSizeFilter, GGeometryFilter, GFitToSizeFilterClassId)

template <typename Archive>
void GFitToSizeFilter::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive.Embedded(target_);
  if constexpr (Archive::kReading) {
    ResetTransform();
    page_ = GMedia();
  }
}

RW_STORED_MEMBERS_DEFINE(GFitToSizeFilter, GGeometryFilter)

RWCollectable* GFitToSizeFilterCreate() { return new GFitToSizeFilter; }

GRenderInstance* GFitToSizeFilter::Renderer() const { return dynamic_cast<GRenderInstance*>(instance_); }

GTransformAttribute GFitToSizeFilter::ComputeFitTransform(const GMedia& target, const GMedia& page, int scaleToFit) {
  const GShortPoint ts = *target.GetSize(), ps = *page.GetSize();
  const GShortPoint to = *target.GetImageableOrigin(), po = *page.GetImageableOrigin();
  const GShortPoint te = *target.GetImageableExtent(), pe = *page.GetImageableExtent();
  int32_t x = 0, y = 0;
  float s = 1.0f;
  if (scaleToFit == 0 || pe.x <= 0 || pe.y <= 0) {
    x = (ts.x - ps.x) / 2 - to.x + po.x;
    y = (ts.y - ps.y) / 2 - to.y + po.y;
  } else if (int32_t{te.x} * pe.y > int32_t{te.y} * pe.x) {
    // The target's printable area is relatively wider: fit the height.
    s = static_cast<float>(te.y) / static_cast<float>(pe.y);
    x = std::min((ts.x - static_cast<int32_t>(ps.x * s)) >> 1, te.x - static_cast<int32_t>(pe.x * s)) -
        static_cast<int32_t>(po.x * s) + to.x;
    y = to.y - static_cast<int32_t>(po.y * s);
  } else {
    s = static_cast<float>(te.x) / static_cast<float>(pe.x);
    x = to.x - static_cast<int32_t>(po.x * s);
    y = std::min((ts.y - static_cast<int32_t>(ps.y * s)) >> 1, te.y - static_cast<int32_t>(pe.y * s)) -
        static_cast<int32_t>(po.y * s) + to.y;
  }
  return GTransformAttribute(0, GShortPoint{static_cast<int16_t>(x), static_cast<int16_t>(y)}, GRealPair(s, s));
}

GCountedPtr GFitToSizeFilter::Filter(GCommand* command) {
  if (command == nullptr) return GCountedPtr(command);
  if (command->ClassId() == GDocumentStartClassId) return StartDocument(command);
  if (!IsActive()) return GCountedPtr(command);
  if (command->ClassId() == GPageStartClassId) return StartPage(command);
  return PassTransform(command);
}

GCountedPtr GFitToSizeFilter::StartDocument(GCommand* command) {
  GCountedPtr held(command);
  ResetTransform();
  page_ = GMedia();
  target_ = GMedia();
  instance_ = static_cast<GDocumentStart*>(command)->GetDriverInstance();
  GState* settings = command->DetachSettings();
  int32_t fit = 0;
  auto* target = dynamic_cast<GMedia*>(GSettingQuery::Find(settings, GFeatureIds::kTargetMedia));
  if (settings != nullptr && GSettingQuery::NumberAt(settings, GFeatureIds::kFitToOtherSizeChoice, &fit) && fit == 1 &&
      target != nullptr) {
    target_ = *target;
    target_.SetFeatureId(GFeatureIds::kPageMedia);
    // The whole document names the target paper.
    delete settings->RemoveChildById(GFeatureIds::kPageMedia);
    settings->AddChild(new GMedia(target_));
    int32_t choice = 0;
    GSettingQuery::NumberAt(settings, GFeatureIds::kScalePageChoice, &choice);
    scaleToFit_ = choice;
    Activate();
  } else {
    scaleToFit_ = 0;
    Deactivate();
  }
  if (settings != nullptr) command->SetSettings(settings);
  return held;
}

GCountedPtr GFitToSizeFilter::StartPage(GCommand* command) {
  GCountedPtr held(command);
  GState* settings = command->DetachSettings();
  auto* given = dynamic_cast<GMedia*>(settings != nullptr ? settings->FindById(GFeatureIds::kPageMedia) : nullptr);
  // A page without a medium, or already on the target, passes as it is.
  if (given == nullptr || given->Matches(&target_)) {
    if (settings != nullptr) command->SetSettings(settings);
    return held;
  }
  page_ = *given;
  auto* sheet = new GMedia(target_);
  int32_t orientation = 0;
  GSettingQuery::NumberAt(settings, GFeatureIds::kOrientation, &orientation);
  if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(sheet, orientation);
  sheet->SetMediaTypeName(page_.GetMediaTypeName());
  settings->AddChild(sheet);
  FilterTransform() = ComputeFitTransform(*sheet, page_, scaleToFit_);
  GCountedPtr own(settings->RemoveChildByClass(GTransformAttributeClassId));
  GTransformAttribute pageTransform(0, *page_.GetImageableOrigin(), GRealPair(1.0f, 1.0f));
  if (auto* transform = dynamic_cast<GTransformAttribute*>(own.Pointee())) pageTransform = *transform;
  auto* composed = new GTransformAttribute;
  ComposeTransforms(*composed, GetFilterTransform(), pageTransform);
  settings->AddChild(composed);
  command->SetSettings(settings);
  command->SetModified(1);
  return held;
}

GRealPair GFitToSizeFilter::GetScale(GState* jobState, GState* pageSettings, int32_t, int32_t* code) {
  if (code != nullptr && *code == kScaleGiven) return GRealPair(0.0f, 0.0f);
  int32_t fit = 0;
  auto* target = dynamic_cast<GMedia*>(GSettingQuery::Find(jobState, GFeatureIds::kTargetMedia));
  auto* page = dynamic_cast<GMedia*>(GSettingQuery::Find(pageSettings, GFeatureIds::kPageMedia));
  if (!GSettingQuery::NumberAt(jobState, GFeatureIds::kFitToOtherSizeChoice, &fit) || fit != 1 || target == nullptr ||
      page == nullptr)
    return GRealPair(1.0f, 1.0f);
  GMedia sheet(*target);
  sheet.SetFeatureId(GFeatureIds::kPageMedia);
  if (page->Matches(&sheet)) return GRealPair(1.0f, 1.0f);
  int32_t orientation = 0;
  GSettingQuery::NumberAt(pageSettings, GFeatureIds::kOrientation, &orientation);
  if (GRenderInstance* renderer = Renderer()) renderer->OrientMedium(&sheet, orientation);
  int32_t choice = 0;
  GSettingQuery::NumberAt(jobState, GFeatureIds::kScalePageChoice, &choice);
  GRealPair scale;
  ComputeFitTransform(sheet, *page, choice).GetScale(scale);
  return scale;
}
