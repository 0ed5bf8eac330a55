// GPaint: what a pen or a brush paints with. When a pen or brush is applied
// to a peripheral, its paint applies itself as the pen's or the brush's
// paint. GColorPaint is the solid paint: it applies itself by calling the
// peripheral's pen-colour or brush-colour operation with itself, and the
// generators read its colour from there.
#pragma once

#include <cstdint>

#include "graphics/GColor.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"

class GPeripheral;

constexpr RWClassID GPaintClassId = 151;
constexpr RWClassID GColorPaintClassId = 152;

class GPaint : public MPersistentObject {
 public:
  GPaint() = default;
  explicit GPaint(const int32_t& id) : MPersistentObject(id) {}
  GPaint(const GPaint& other) = default;
  GPaint& operator=(const GPaint& other) = default;
  ~GPaint() override;

  static RWClassID StaticClassId() { return GPaintClassId; }
  static uint32_t ClassVersion() { return 1; }

  GPaint* CreateSameKind() const override = 0;
  GPaint* Clone() const override = 0;
  QV_PERSISTENT_ID();

  RW_STORED_MEMBERS();

  // The peripheral's 16-bit status.
  virtual int16_t ApplyAsPen(GPeripheral* target) = 0;
  virtual int16_t ApplyAsBrush(GPeripheral* target) = 0;
};

class GColorPaint : public GPaint {
 public:
  // No colour.
  GColorPaint();
  // Takes the colour (may be null) without copying it.
  explicit GColorPaint(GColor* color);
  // A clone of the other's colour, or none.
  GColorPaint(const GColorPaint& other);
  GColorPaint& operator=(const GColorPaint& other) { return Assign(other); }
  // Lets go of the held colour, then holds a clone of the other's.
  GColorPaint& Assign(const GColorPaint& other);
  ~GColorPaint() override;

  static RWClassID StaticClassId() { return GColorPaintClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GColorPaint);
  // Same class and feature id; then, when both hold a colour, the colours
  // match; a paint without colour matches any.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the GPaint part: version 1, the colour as an object
  // reference (the null object when there is none).
  RW_STORED_MEMBERS();

  // GPeripheral::SetPenColor / SetBrushColor with this paint; 0 for no
  // target.
  int16_t ApplyAsPen(GPeripheral* target) override;
  int16_t ApplyAsBrush(GPeripheral* target) override;

  // Lets go of the held colour and takes the new one (may be null). The
  // colour is held by a counted handle: giving the paint the colour it
  // already holds keeps it.
  virtual void SetColor(GColor* color);
  // The held colour, not a copy; null when none.
  virtual GColor* GetColor() const;

 private:
  GCountedRef color_;  // a GColor or nothing
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaint*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPaint*& out);

// Reads one paint reference (the null object for none) into a handle that
// a pen or brush holds its paint by: what was read replaces the held paint,
// and is adopted from the restore, as the handle lets it go itself.
// Anything but a paint fails the restore and leaves the handle alone.
void GRestoreHeldPaint(RWVirtualInStream& stream, GCountedRef& paint);
void GRestoreHeldPaint(RWBinaryFile& file, GCountedRef& paint);
// Two held paints match: both empty, or both there and matching.
int GHeldPaintsMatch(const GPaint* a, const GPaint* b);

RWCollectable* GColorPaintCreate();
