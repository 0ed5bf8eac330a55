#include "graphics/GDitherMatrix.h"

#include <cstring>
#include <memory>

#include "model/GAttribute.h"
#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// The largest width and height: both are bytes to the matrix's users.
constexpr int16_t kMaxSize = 255;

}  // namespace

GDitherMatrix::GDitherMatrix()
    : width_(0),
      height_(0),
      thresholds_(nullptr),
      xResolution_(0),
      flag_(0),
      yResolution_(0),
      depth_(0),
      kind_(0),
      matrixId_(0),
      iterating_(false),
      rowStart_(0),
      lastColumn_(0),
      column_(0) {}

GDitherMatrix::GDitherMatrix(uint8_t width, uint8_t height, const uint8_t* thresholds, int16_t resolution,
                             const int32_t* id)
    : GDitherMatrix(width, height, thresholds, static_cast<uint16_t>(resolution), static_cast<uint16_t>(resolution),
                    0, 0, 0, id) {}

GDitherMatrix::GDitherMatrix(uint8_t width, uint8_t height, const uint8_t* thresholds, uint16_t xResolution,
                             uint16_t yResolution, uint8_t depth, uint8_t kind, int16_t matrixId, const int32_t* id)
    : MPersistentObject(id != nullptr ? *id : 0),
      width_(0),
      height_(0),
      thresholds_(nullptr),
      xResolution_(xResolution),
      flag_(0),
      yResolution_(yResolution),
      depth_(depth),
      kind_(kind),
      matrixId_(matrixId),
      iterating_(false),
      rowStart_(0),
      lastColumn_(0),
      column_(0) {
  SetBlock(width, height, thresholds);
}

GDitherMatrix::GDitherMatrix(const GDitherMatrix& other)
    : MPersistentObject(other),
      width_(0),
      height_(0),
      thresholds_(nullptr),
      xResolution_(other.xResolution_),
      flag_(other.flag_),
      yResolution_(other.yResolution_),
      depth_(other.depth_),
      kind_(other.kind_),
      matrixId_(other.matrixId_),
      iterating_(false),
      rowStart_(0),
      lastColumn_(0),
      column_(0) {
  SetBlock(other.width_, other.height_, other.thresholds_);
}

GDitherMatrix& GDitherMatrix::Assign(const GDitherMatrix& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    SetBlock(other.width_, other.height_, other.thresholds_);
    xResolution_ = other.xResolution_;
    flag_ = other.flag_;
    yResolution_ = other.yResolution_;
    depth_ = other.depth_;
    kind_ = other.kind_;
    matrixId_ = other.matrixId_;
  }
  return *this;
}

GDitherMatrix::~GDitherMatrix() { delete[] thresholds_; }

void GDitherMatrix::SetBlock(int16_t width, int16_t height, const uint8_t* thresholds) {
  const uint32_t size = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  uint8_t* block = nullptr;
  if (size != 0) {
    block = new uint8_t[size]();
    if (thresholds != nullptr) std::memcpy(block, thresholds, size);
  }
  delete[] thresholds_;
  thresholds_ = block;
  width_ = width;
  height_ = height;
  // The row being read may be gone.
  iterating_ = false;
}

QV_PERSISTENT_KIND_DEFINE(GDitherMatrix, MPersistentObject, GDitherMatrixClassId)

int GDitherMatrix::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* matrix = dynamic_cast<const GDitherMatrix*>(other);
  if (matrix == nullptr || !MPersistentObject::Matches(other)) return 0;
  if (matrix->width_ != width_ || matrix->height_ != height_ || matrix->xResolution_ != xResolution_ ||
      matrix->yResolution_ != yResolution_ || matrix->depth_ != depth_ || matrix->kind_ != kind_ ||
      matrix->matrixId_ != matrixId_ || matrix->flag_ != flag_)
    return 0;
  const uint32_t size = BlockSize();
  return size == 0 || std::memcmp(matrix->thresholds_, thresholds_, size) == 0;
}

// ---- Thresholds ----

uint8_t GDitherMatrix::GetThreshold(uint8_t row, uint8_t column) const {
  if (row >= height_ || column >= width_) return 0;
  return thresholds_[static_cast<uint32_t>(row) * static_cast<uint32_t>(width_) + column];
}

void GDitherMatrix::SetThreshold(uint8_t row, uint8_t column, uint8_t value) {
  if (row >= height_ || column >= width_) return;
  thresholds_[static_cast<uint32_t>(row) * static_cast<uint32_t>(width_) + column] = value;
}

void GDitherMatrix::StartRow(uint8_t column, uint8_t row) {
  // A start outside the matrix (an empty matrix included) has no row to
  // read: NextThreshold then answers 0 rather than reading past the block.
  iterating_ = row < height_ && column < width_;
  if (!iterating_) return;
  lastColumn_ = static_cast<uint8_t>(width_ - 1);
  column_ = column;
  rowStart_ = static_cast<uint32_t>(row) * static_cast<uint32_t>(width_);
}

uint8_t GDitherMatrix::NextThreshold() {
  if (!iterating_) return 0;
  const uint8_t value = thresholds_[rowStart_ + column_];
  column_ = column_ == lastColumn_ ? 0 : static_cast<uint8_t>(column_ + 1);
  return value;
}

void GDitherMatrix::CopyRow(uint8_t* destination, uint8_t column, uint8_t row) {
  if (destination == nullptr) return;
  StartRow(column, row);
  for (int16_t i = 0; i < width_; ++i) destination[i] = NextThreshold();
}

uint32_t GDitherMatrix::CopyAll(uint8_t* destination, uint8_t columns, uint8_t rows) const {
  const uint32_t count = static_cast<uint32_t>(columns) * static_cast<uint32_t>(rows);
  if (destination == nullptr) return 0;
  const uint32_t size = BlockSize();
  const uint32_t copied = count < size ? count : size;
  if (copied != 0) std::memcpy(destination, thresholds_, copied);
  if (count > copied) std::memset(destination + copied, 0, count - copied);
  return count;
}

// ---- Search ----

GCountedPtr FindDitherMatrix(uint16_t xResolution, uint16_t yResolution, uint8_t depth, uint8_t kind,
                             int16_t matrixId, const GCountedPtrVector& matrices, int32_t index, int deviceOnly) {
  auto anyOrEqual = [](int a, int b) { return a == 0 || b == 0 || a == b; };
  const int64_t count = static_cast<int64_t>(matrices.Count());
  for (int64_t i = (index < -1 ? -1 : static_cast<int64_t>(index)) + 1; i < count; ++i) {
    // The entry is held while it is examined.
    GCountedPtr held(matrices.Data()[i]);
    auto* matrix = dynamic_cast<GDitherMatrix*>(held.Pointee());
    if (matrix == nullptr) continue;
    if (matrix->GetResolution() != xResolution || matrix->GetYResolution() != yResolution) continue;
    if (!anyOrEqual(matrix->GetDepth(), depth) || !anyOrEqual(matrix->GetKind(), kind)) continue;
    const bool idMatches =
        deviceOnly ? matrix->GetMatrixId() == -1 : anyOrEqual(matrix->GetMatrixId(), matrixId);
    if (idMatches) return held;
  }
  return GCountedPtr();
}

// ---- Persistence ----

// The version, the sizes, the thresholds, the x resolution, the flag, then
// the y resolution, depth, kind and matrix id. Older versions are read as
// well: version 0 holds nothing more; version 1 the sizes, the thresholds
// and one resolution for x and y; version 2 adds the flag; version 3 and
// above the y resolution, depth, kind and matrix id. A matrix whose sizes no
// matrix can have (below 0 or above 255) fails the restore; the block is
// then never allocated. The fields of each version are taken only when all
// of them were read, so a cut input leaves the matrix whole.
template <typename Archive>
void GDitherMatrix::Members(Archive& archive) {
  constexpr bool kReading = Archive::kReading;
  if (!MStored::Going(archive, true)) return;
  const uint32_t version = archive.AnyVersion(ClassVersion());
  if (!archive.Ok() || version == 0) return;
  int16_t width = width_;
  int16_t height = height_;
  archive(width, height);
  if (!archive.Ok()) return;
  if constexpr (kReading) {
    if (width < 0 || width > kMaxSize || height < 0 || height > kMaxSize) {
      GFailRestore();
      archive.Fail();
      return;
    }
  }
  const uint32_t size = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  std::unique_ptr<uint8_t[]> block;
  if (kReading && size != 0) block.reset(new uint8_t[size]());
  archive.Block(kReading ? block.get() : thresholds_, size);
  uint16_t xResolution = xResolution_;
  archive(xResolution);
  if (!archive.Ok()) return;
  if constexpr (kReading) {
    delete[] thresholds_;
    thresholds_ = block.release();
    width_ = width;
    height_ = height;
    iterating_ = false;
    xResolution_ = xResolution;
    yResolution_ = xResolution;
  }
  if (version < 2) return;
  int32_t flag = flag_;
  archive(flag);
  if (!archive.Ok()) return;
  flag_ = flag;
  if (version < 3) return;
  uint16_t yResolution = yResolution_;
  int16_t depth = depth_;
  int16_t kind = kind_;
  int16_t matrixId = matrixId_;
  archive(yResolution, depth, kind, matrixId);
  if (!archive.Ok()) return;
  if constexpr (kReading) {
    yResolution_ = yResolution;
    depth_ = depth;
    kind_ = kind;
    matrixId_ = matrixId;
  }
}

RW_STORED_MEMBERS_DEFINE(GDitherMatrix, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDitherMatrix*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDitherMatrix*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GDitherMatrixCreate() { return new GDitherMatrix; }
