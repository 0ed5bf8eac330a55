// GPen, GNoPen and GDashedPen: the pen of the graphic state, which strokes
// lines. A pen has a width and a shared paint (counted) that the generator
// asks to apply itself as the pen colour; a dashed pen adds its dash
// lengths and the offset into them. GNoPen stands for "no stroking".
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GRenderAttribute.h"

class GPaint;

constexpr RWClassID GPenClassId = 201;
constexpr RWClassID GNoPenClassId = 202;
constexpr RWClassID GDashedPenClassId = 203;

class GPen : public GRenderAttribute {
 public:
  // Width 1, no paint, feature id 0.
  GPen();
  // The low 16 bits of the width; takes one reference on the paint.
  GPen(int width, GPaint* paint, const int32_t* id);
  // Shares the paint.
  GPen(const GPen& other);
  // The attribute part, the width and the paint; a pen without paint
  // leaves this pen's paint in place.
  GPen& operator=(const GPen& other);
  ~GPen() override;

  static RWClassID StaticClassId() { return GPenClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPen);
  // Same class, feature id and width; both without paint or paints that
  // match.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, the width
  // (16-bit), the paint as an object reference (the null object when none).
  RW_STORED_MEMBERS();
  // GPeripheral::SetPen.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // 201 for every pen.
  RWClassID GetTypeId() const override;

  // The low 16 bits.
  virtual void SetWidth(int width);
  // Nothing when it is the paint held; else lets go of the old one.
  virtual void SetPaint(GPaint* paint);
  virtual int16_t GetWidth() const;
  // Borrowed; null when none.
  virtual GPaint* GetPaint() const;

 private:
  int16_t width_;
  GCountedRef paint_;  // a GPaint or nothing
};

class GNoPen : public GPen {
 public:
  // Width 0, no paint.
  GNoPen();
  // Width 1, no paint, the feature id.
  explicit GNoPen(const int32_t* id);
  GNoPen(const GNoPen& other);
  GNoPen& operator=(const GNoPen& other);
  ~GNoPen() override;

  static RWClassID StaticClassId() { return GNoPenClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GNoPen);
  // As a pen, and this pen holds no paint.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the pen part: a version, read and not compared.
  RW_STORED_MEMBERS();
  // GPeripheral::SetNoPen.
  int16_t ApplyTo(GPeripheral* receiver) override;
};

class GDashedPen : public GPen {
 public:
  // Width 0, no paint, no dashes, offset 0.
  GDashedPen();
  // Takes the dash array over (new[]) without copying; a null array makes
  // the count 0.
  GDashedPen(int16_t* dashes, uint32_t count, int width, GPaint* paint, int16_t offset, const int32_t* id);
  // Its own copy of the dashes.
  GDashedPen(const GDashedPen& other);
  GDashedPen& operator=(const GDashedPen& other) { return Assign(other); }
  // The pen part, then its own copy of the dashes and the offset.
  GDashedPen& Assign(const GDashedPen& other);
  ~GDashedPen() override;

  static RWClassID StaticClassId() { return GDashedPenClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDashedPen);
  // As a pen, and equal dash counts, offsets and dashes.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the pen part: version 1, offset (16-bit), count, the
  // dashes (16-bit each). The dashes are read one by one, so a damaged
  // count takes no more memory than the input holds.
  RW_STORED_MEMBERS();
  // GPeripheral::SetDashedPen.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // The array, not a copy; null without dashes.
  const int16_t* GetDashes() const { return dashes_; }
  uint32_t GetDashCount() const { return count_; }
  int16_t GetDashOffset() const { return offset_; }

 private:
  void TakeDashes(int16_t* dashes, uint32_t count);

  int16_t* dashes_;
  uint32_t count_;
  int16_t offset_;
};

RWCollectable* GPenCreate();
RWCollectable* GNoPenCreate();
RWCollectable* GDashedPenCreate();
