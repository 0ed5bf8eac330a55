// GRasterPipelineBuilder: builds and owns the raster pipeline of one image,
// from the image source through the scale and dither stages to the row
// encoder, and is itself the pipeline's last stage: reading rows from the
// builder reads them from the end of the chain. Destroying the builder
// destroys every stage, from the last back to the image source.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GRasterSource.h"

class GClip;
class GDitherMatrix;
class GRowEncoder;

class GRasterPipelineBuilder : public GRasterSource {
 public:
  // The chain for a bitmap drawn into destination (device units) from the
  // span *sourceRect of the image, read in mode (GBitmapRowMode). With an
  // inside clip (may be null; it stays the caller's) the rows are cropped
  // to its bounds and *sourceRect becomes the cropped span. Scaling
  // mode 0 adds the size stage only when the image is enlarged (or force is
  // 1); mode 1 always adds it and dithers to 1 bit with matrix; mode 2 does
  // as mode 1 when the image carries more bits than its destination area
  // needs at its source size; any other value adds no stage. The encoder
  // (may be null) is taken over; one that cannot start is destroyed and
  // the rows come unencoded.
  GRasterPipelineBuilder(GRect destination, GRect* sourceRect, GClip* clip, GBitmap bitmap, int32_t mode,
                         int32_t scalingMode,
                         GDitherMatrix* matrix, GRowEncoder* encoder, int32_t force, GGrayFunction grayFunction);
  // Links the given stages in order (each but first may be null), starting
  // each after the first and destroying any that cannot start. All are
  // taken over.
  GRasterPipelineBuilder(GRasterSource* first, GRasterSource* second, GRasterSource* third, GRasterSource* fourth,
                         GRasterSource* fifth, GRasterSource* last);
  ~GRasterPipelineBuilder() override;

  // Rows of the last stage; none when the chain is empty.
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  void SkipRows(int16_t count) override;

  // How many stages the chain holds, and stage i of it (0: the image
  // source), for callers that look at what was built.
  size_t GetStageCount() const { return stages_.size(); }
  GRasterSource* GetStage(size_t index) const { return index < stages_.size() ? stages_[index].get() : nullptr; }

 private:
  // Links stage after the chain's end, starting it when start is set; a
  // stage that cannot start is destroyed.
  void Link(std::unique_ptr<GRasterSource> stage, bool start);

  std::vector<std::unique_ptr<GRasterSource>> stages_;
};
