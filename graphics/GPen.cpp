#include "graphics/GPen.h"

#include <algorithm>
#include <vector>

#include "graphics/GPaint.h"
#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

// ---- GPen ----

GPen::GPen() : width_(1) {}
GPen::GPen(int width, GPaint* paint, const int32_t* id)
    : GRenderAttribute(id), width_(static_cast<int16_t>(width)), paint_(paint) {}
GPen::GPen(const GPen& other) = default;

GPen& GPen::operator=(const GPen& other) {
  if (this == &other) return *this;
  GRenderAttribute::operator=(other);
  width_ = other.width_;
  if (other.GetPaint() != nullptr) paint_ = other.paint_;
  return *this;
}

GPen::~GPen() = default;

QV_PERSISTENT_KIND_DEFINE(GPen, GRenderAttribute, GPenClassId)

int GPen::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* pen = dynamic_cast<const GPen*>(other);
  if (pen == nullptr || pen->ClassId() != ClassId() || !GRenderAttribute::Matches(other)) return 0;
  if (pen->GetWidth() != GetWidth()) return 0;
  return GHeldPaintsMatch(GetPaint(), pen->GetPaint());
}

int16_t GPen::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetPen(this) : 0; }

RWClassID GPen::GetTypeId() const { return GPenClassId; }

void GPen::SetWidth(int width) { width_ = static_cast<int16_t>(width); }

void GPen::SetPaint(GPaint* paint) {
  if (paint != GetPaint()) paint_ = GCountedRef(paint);
}

int16_t GPen::GetWidth() const { return width_; }

GPaint* GPen::GetPaint() const { return static_cast<GPaint*>(paint_.Pointee()); }

template <typename Archive>
void GPen::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(width_);
  if constexpr (Archive::kKind == rwm::Kind::kReadStream) {
    if (archive.Ok()) GRestoreHeldPaint(archive.Stream(), paint_);
  } else if constexpr (Archive::kKind == rwm::Kind::kReadFile) {
    if (archive.Ok()) GRestoreHeldPaint(archive.File(), paint_);
  } else {
    archive.Pointer(GetPaint());
  }
}

RW_STORED_MEMBERS_DEFINE(GPen, GRenderAttribute)

// ---- GNoPen ----

GNoPen::GNoPen() : GPen(0, nullptr, nullptr) {}
GNoPen::GNoPen(const int32_t* id) : GPen(1, nullptr, id) {}
GNoPen::GNoPen(const GNoPen& other) = default;
GNoPen& GNoPen::operator=(const GNoPen& other) = default;
GNoPen::~GNoPen() = default;

QV_PERSISTENT_KIND_DEFINE(GNoPen, GPen, GNoPenClassId)

int GNoPen::Matches(const MPersistentObject* other) const {
  return GPen::Matches(other) != 0 && (other == this || GetPaint() == nullptr) ? 1 : 0;
}

int16_t GNoPen::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetNoPen(this) : 0; }

template <typename Archive>
void GNoPen::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GNoPen, GPen)

// ---- GDashedPen ----

GDashedPen::GDashedPen() : GPen(0, nullptr, nullptr), dashes_(nullptr), count_(0), offset_(0) {}

GDashedPen::GDashedPen(int16_t* dashes, uint32_t count, int width, GPaint* paint, int16_t offset, const int32_t* id)
    : GPen(width, paint, id), dashes_(dashes), count_(dashes != nullptr ? count : 0), offset_(offset) {}

GDashedPen::GDashedPen(const GDashedPen& other) : GPen(other), dashes_(nullptr), count_(0), offset_(other.offset_) {
  if (other.dashes_ != nullptr && other.count_ != 0) {
    auto* copy = new int16_t[other.count_];
    std::copy(other.dashes_, other.dashes_ + other.count_, copy);
    TakeDashes(copy, other.count_);
  }
}

GDashedPen& GDashedPen::Assign(const GDashedPen& other) {
  if (this == &other) return *this;
  GPen::operator=(other);
  int16_t* copy = nullptr;
  if (other.dashes_ != nullptr && other.count_ != 0) {
    copy = new int16_t[other.count_];
    std::copy(other.dashes_, other.dashes_ + other.count_, copy);
  }
  TakeDashes(copy, other.count_);
  offset_ = other.offset_;
  return *this;
}

GDashedPen::~GDashedPen() { delete[] dashes_; }

void GDashedPen::TakeDashes(int16_t* dashes, uint32_t count) {
  if (dashes != dashes_) delete[] dashes_;
  dashes_ = dashes;
  count_ = dashes != nullptr ? count : 0;
}

QV_PERSISTENT_KIND_DEFINE(GDashedPen, GPen, GDashedPenClassId)

int GDashedPen::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* pen = dynamic_cast<const GDashedPen*>(other);
  if (pen == nullptr || !GPen::Matches(other)) return 0;
  if (pen->count_ != count_ || pen->offset_ != offset_) return 0;
  return count_ == 0 || std::equal(dashes_, dashes_ + count_, pen->dashes_) ? 1 : 0;
}

int16_t GDashedPen::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetDashedPen(this) : 0;
}

template <typename Archive>
void GDashedPen::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    int16_t offset = 0;
    archive(offset);
    std::vector<int16_t> read;
    rwm::ReadCounted(archive, read, [](Archive& a, int16_t& dash) { a(dash); });
    if (!archive.Ok()) return;
    int16_t* dashes = read.empty() ? nullptr : new int16_t[read.size()];
    std::copy(read.begin(), read.end(), dashes);
    TakeDashes(dashes, static_cast<uint32_t>(read.size()));
    offset_ = offset;
  } else {
    archive(offset_);
    rwm::WriteCounted(archive, dashes_, count_, [](Archive& a, int16_t& dash) { a(dash); });
  }
}

RW_STORED_MEMBERS_DEFINE(GDashedPen, GPen)

RWCollectable* GPenCreate() { return new GPen; }
RWCollectable* GNoPenCreate() { return new GNoPen; }
RWCollectable* GDashedPenCreate() { return new GDashedPen; }
