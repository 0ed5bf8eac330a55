// GFillMode and GRasterOperation: two small attributes of the graphic
// state. The fill mode says how the inside of a filled figure is decided
// (even-odd or non-zero winding); the raster operation says how what is
// drawn combines with what is on the page, and whether source and pattern
// are transparent. Each applies itself with one peripheral operation; a
// value "not given" (the default) makes the generators change nothing.
#pragma once

#include <cstdint>

#include "model/GRenderAttribute.h"

constexpr RWClassID GFillModeClassId = 102;
constexpr RWClassID GRasterOperationClassId = 401;

// Fill modes.
constexpr int32_t kFillEvenOdd = 0;
constexpr int32_t kFillWinding = 1;
constexpr int32_t kFillNotGiven = 2;

// Kinds of raster-operation code: a ternary code, an extended code (the
// ternary code in the low byte, 0xA000 to 0xAFFF when source and pattern
// are transparent), not given.
constexpr int32_t kRopTernary = 0;
constexpr int32_t kRopExtended = 1;
constexpr int32_t kRopNotGiven = 2;

class GFillMode : public GRenderAttribute {
 public:
  // Feature id 0, not given.
  GFillMode();
  GFillMode(int32_t mode, const int32_t* id);
  GFillMode(const GFillMode& other);
  GFillMode& operator=(const GFillMode& other);
  ~GFillMode() override;

  static RWClassID StaticClassId() { return GFillModeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GFillMode);
  // Same class and mode; the feature id takes no part.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, the mode.
  RW_STORED_MEMBERS();
  // GPeripheral::SetFillMode.
  int16_t ApplyTo(GPeripheral* receiver) override;

  int32_t GetMode() const { return mode_; }

 private:
  int32_t mode_;
};

class GRasterOperation : public GRenderAttribute {
 public:
  // Feature id 0, code 0, not given.
  GRasterOperation();
  GRasterOperation(uint16_t code, int32_t kind, const int32_t* id);
  GRasterOperation(const GRasterOperation& other);
  GRasterOperation& operator=(const GRasterOperation& other);
  ~GRasterOperation() override;

  static RWClassID StaticClassId() { return GRasterOperationClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GRasterOperation);
  // Same class, code and kind; the feature id takes no part.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, code (16-bit),
  // kind.
  RW_STORED_MEMBERS();
  // GPeripheral::SetRasterOperation.
  int16_t ApplyTo(GPeripheral* receiver) override;

  uint16_t GetCode() const { return code_; }
  int32_t GetKind() const { return kind_; }
  // How the generators read the code: the ternary code (the low byte of an
  // extended code) and whether source and pattern are transparent.
  uint8_t GetTernaryCode() const { return static_cast<uint8_t>(code_ & 0xFF); }
  bool IsTransparent() const { return kind_ == kRopExtended && code_ >= 0xA000 && code_ <= 0xAFFF; }

 private:
  uint16_t code_;
  int32_t kind_;
};

RWCollectable* GFillModeCreate();
RWCollectable* GRasterOperationCreate();
