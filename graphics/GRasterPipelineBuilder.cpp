#include "graphics/GRasterPipelineBuilder.h"

#include "graphics/GClip.h"
#include "graphics/GClipStage.h"
#include "graphics/GDitherStage.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRowEncoder.h"

GRasterPipelineBuilder::GRasterPipelineBuilder(GRect destination, GRect* sourceRect, GClip* clip, GBitmap bitmap,
                                               int32_t mode, int32_t scalingMode, GDitherMatrix* matrix, GRowEncoder* encoder,
                                               int32_t force, GGrayFunction grayFunction) {
  started_ = 1;
  std::unique_ptr<GRowEncoder> ownedEncoder(encoder);
  const GRect source = sourceRect != nullptr ? *sourceRect : GRect();
  bitmap.SetGrayFunction(grayFunction);

  uint64_t depth = bitmap.GetBitsPerPixel();
  if ((mode == kBitmapRowGray || mode == kBitmapRowGray1 || mode == kBitmapRowGray4) && depth > 8) depth = 8;

  Link(std::make_unique<GBitmapSource>(mode, source, bitmap), false);

  // Areas in 64 bits: a page at 600 dpi has tens of millions of pixels.
  auto area = [](const GRect& r) -> uint64_t {
    const int64_t a = static_cast<int64_t>(r.Width()) * r.Height();
    return a > 0 ? static_cast<uint64_t>(a) : 0;
  };
  GRect bounds = source;
  GRect clipBounds;
  if (clip != nullptr && clip->GetBounds(clipBounds) != 0) bounds = source.Intersect(clipBounds);
  const uint64_t destinationArea = area(destination);
  const uint64_t sourceArea = area(bounds);

  auto sizeStage = [&](bool passThrough) -> std::unique_ptr<GRasterSource> {
    if (passThrough && source.Width() == destination.Width() && source.Height() == destination.Height())
      return std::make_unique<GPassThroughStage>(source);
    return std::make_unique<GScaleStage>(source);
  };
  // The clip stage, when it starts, crops the rows: the caller's span
  // becomes its rectangle.
  GRect span = source;
  auto clipStage = [&]() {
    if (clip == nullptr) return;
    const size_t before = stages_.size();
    Link(std::make_unique<GClipStage>(clip), true);
    if (stages_.size() != before) {
      stages_.back()->GetBounds(span);
      if (sourceRect != nullptr) *sourceRect = span;
    }
  };
  auto ditherStages = [&]() {
    Link(sizeStage(true), true);
    clipStage();
    Link(std::make_unique<GDitherStage>(span, matrix, grayFunction), true);
  };
  switch (scalingMode) {
    case 0:
      if (destinationArea > sourceArea || force == 1) {
        Link(sizeStage(clip == nullptr), true);
        clipStage();
      }
      break;
    case 1:
      ditherStages();
      break;
    case 2:
      if (depth * destinationArea > sourceArea) ditherStages();
      break;
    default:
      break;
  }
  if (ownedEncoder != nullptr) Link(std::move(ownedEncoder), true);
}

GRasterPipelineBuilder::GRasterPipelineBuilder(GRasterSource* first, GRasterSource* second, GRasterSource* third,
                                               GRasterSource* fourth, GRasterSource* fifth, GRasterSource* last) {
  started_ = 1;
  std::unique_ptr<GRasterSource> owned[] = {std::unique_ptr<GRasterSource>(first),
                                            std::unique_ptr<GRasterSource>(second),
                                            std::unique_ptr<GRasterSource>(third),
                                            std::unique_ptr<GRasterSource>(fourth),
                                            std::unique_ptr<GRasterSource>(fifth),
                                            std::unique_ptr<GRasterSource>(last)};
  bool firstLinked = false;
  for (auto& stage : owned) {
    if (stage == nullptr) continue;
    Link(std::move(stage), firstLinked);
    firstLinked = true;
  }
}

GRasterPipelineBuilder::~GRasterPipelineBuilder() {
  while (!stages_.empty()) stages_.pop_back();
}

void GRasterPipelineBuilder::Link(std::unique_ptr<GRasterSource> stage, bool start) {
  stage->SetSource(stages_.empty() ? nullptr : stages_.back().get());
  if (start && stage->Start() == 0) return;  // dropped: destroyed here
  stages_.push_back(std::move(stage));
  source_ = stages_.back().get();
}

int32_t GRasterPipelineBuilder::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                        uint8_t& rowsCovered) {
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  return source_->ReadRow(buffer, row, length, repeat, rowsCovered);
}

void GRasterPipelineBuilder::SkipRows(int16_t count) {
  if (source_ != nullptr) source_->SkipRows(count);
}
