// GDitherMatrix: a rectangular table of threshold bytes with the printer
// resolution it was made for. Matrices come with the device model; the
// generators pick one for the page's resolution and halftone setting
// (FindDitherMatrix) and download or adjust its thresholds, and the dither
// stage of the raster pipeline compares gray rows against it, one matrix
// row per output row, reading each row cyclically from a starting column.
//
// A matrix is at most 255 x 255 (its sizes are bytes). Positions outside
// the matrix read as 0 and are not written.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GCountedPtrVector.h"
#include "model/MPersistentObject.h"

constexpr RWClassID GDitherMatrixClassId = 774;

class GDitherMatrix : public MPersistentObject {
 public:
  // Sizes, resolutions, depth, kind, matrix id and flag 0, no thresholds.
  GDitherMatrix();
  // width x height thresholds, row by row, copied (null gives all 0); the
  // resolution for x and y; depth, kind, matrix id and flag 0. A null id is
  // feature id 0.
  GDitherMatrix(uint8_t width, uint8_t height, const uint8_t* thresholds, int16_t resolution, const int32_t* id);
  // Everything given; flag 0.
  GDitherMatrix(uint8_t width, uint8_t height, const uint8_t* thresholds, uint16_t xResolution,
                uint16_t yResolution, uint8_t depth, uint8_t kind, int16_t matrixId, const int32_t* id);
  // Every stored field, with a copy of the thresholds of its own.
  GDitherMatrix(const GDitherMatrix& other);
  GDitherMatrix& operator=(const GDitherMatrix& other) { return Assign(other); }
  GDitherMatrix& Assign(const GDitherMatrix& other);
  ~GDitherMatrix() override;

  static RWClassID StaticClassId() { return GDitherMatrixClassId; }
  static uint32_t ClassVersion() { return 3; }

  QV_PERSISTENT_KIND(GDitherMatrix);
  // Same class and feature id, and every stored field and threshold equal.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 3; width and height
  // (int16); the thresholds row by row; x resolution (uint16); flag
  // (int32); y resolution (uint16); depth, kind and matrix id (int16).
  // Versions 0 to 2 are read as well (see the source).
  RW_STORED_MEMBERS();

  uint8_t GetWidth() const { return static_cast<uint8_t>(width_); }
  uint8_t GetHeight() const { return static_cast<uint8_t>(height_); }
  uint16_t GetResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  uint8_t GetDepth() const { return static_cast<uint8_t>(depth_); }
  uint8_t GetKind() const { return static_cast<uint8_t>(kind_); }
  int16_t GetMatrixId() const { return matrixId_; }
  int32_t GetFlag() const { return flag_; }
  void SetFlag(int32_t flag) { flag_ = flag; }

  // The threshold at (row, column), 0 outside the matrix.
  uint8_t GetThreshold(uint8_t row, uint8_t column) const;
  // Stores the threshold; a position outside the matrix is ignored.
  void SetThreshold(uint8_t row, uint8_t column, uint8_t value);

  // Starts reading row cyclically at column: each NextThreshold answers the
  // next byte, going back to column 0 after the last. A start outside the
  // matrix reads 0s.
  void StartRow(uint8_t column, uint8_t row);
  uint8_t NextThreshold();
  // Writes width bytes: the row rotated to begin at column.
  void CopyRow(uint8_t* destination, uint8_t column, uint8_t row);
  // Writes columns x rows bytes of the threshold block from its start
  // (bytes beyond the block as 0) and returns that count.
  uint32_t CopyAll(uint8_t* destination, uint8_t columns, uint8_t rows) const;

 private:
  uint32_t BlockSize() const { return static_cast<uint32_t>(width_) * static_cast<uint32_t>(height_); }
  // Takes width x height bytes copied from thresholds (0s when null).
  void SetBlock(int16_t width, int16_t height, const uint8_t* thresholds);

  // Stored fields.
  int16_t width_;
  int16_t height_;
  uint8_t* thresholds_;  // width x height bytes, null when that is 0
  uint16_t xResolution_;
  int32_t flag_;
  uint16_t yResolution_;
  int16_t depth_;     // a byte value; 0 means any
  int16_t kind_;      // a byte value; 0 means any
  int16_t matrixId_;  // 0 means any; -1 a matrix for device-only use

  // Row iteration (not stored, not compared).
  bool iterating_;
  uint32_t rowStart_;
  uint8_t lastColumn_;
  uint8_t column_;
};

// The first matrix after position index of matrices (index -1 searches
// from the first) whose x and y resolution equal the request's and whose
// depth and kind equal it or either side's is 0 (any). In device-only mode
// the matrix id must be -1; otherwise it must equal the requested id or
// either must be 0. Answers a handle to it, or an empty handle. Entries
// that are not dither matrices are passed over.
GCountedPtr FindDitherMatrix(uint16_t xResolution, uint16_t yResolution, uint8_t depth, uint8_t kind,
                             int16_t matrixId, const GCountedPtrVector& matrices, int32_t index, int deviceOnly);

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDitherMatrix*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDitherMatrix*& out);

RWCollectable* GDitherMatrixCreate();
