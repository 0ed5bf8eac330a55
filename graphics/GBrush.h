// GBrush and GNoBrush: the brush of the graphic state, which fills shapes.
// A brush holds no colour itself but a shared paint (counted), which the
// generator asks to apply itself as the brush colour. GNoBrush stands for
// "no filling".
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GRenderAttribute.h"

class GPaint;

constexpr RWClassID GBrushClassId = 251;
constexpr RWClassID GNoBrushClassId = 252;

class GBrush : public GRenderAttribute {
 public:
  // No paint, feature id 0.
  GBrush();
  // Takes one reference on the paint (may be null).
  GBrush(GPaint* paint, const int32_t* id);
  // Shares the paint.
  GBrush(const GBrush& other);
  // The attribute part and the paint; a brush without paint leaves this
  // brush's paint in place.
  GBrush& operator=(const GBrush& other);
  ~GBrush() override;

  static RWClassID StaticClassId() { return GBrushClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GBrush);
  // Same class and feature id; both without paint or paints that match.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, the paint as
  // an object reference (the null object when none).
  RW_STORED_MEMBERS();
  // GPeripheral::SetBrush.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // 251 for every brush.
  RWClassID GetTypeId() const override;

  // Nothing when it is the paint held; else lets go of the old one.
  virtual void SetPaint(GPaint* paint);
  // Borrowed; null when none.
  virtual GPaint* GetPaint() const;

 private:
  GCountedRef paint_;  // a GPaint or nothing
};

class GNoBrush : public GBrush {
 public:
  GNoBrush();
  explicit GNoBrush(const int32_t* id);
  GNoBrush(const GNoBrush& other);
  GNoBrush& operator=(const GNoBrush& other);
  ~GNoBrush() override;

  static RWClassID StaticClassId() { return GNoBrushClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GNoBrush);
  // Same class and feature id.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the brush part: a version, read and not compared.
  RW_STORED_MEMBERS();
  // GPeripheral::SetNoBrush.
  int16_t ApplyTo(GPeripheral* receiver) override;
};

RWCollectable* GBrushCreate();
RWCollectable* GNoBrushCreate();
