// Attributes for the attribute tests: a 16-bit value that counts its live
// instances (a leak or a double delete shows in the count), and a drawing
// attribute standing for the graphic-state classes that fill a graphic
// bundle. Neither is stored, so neither is registered.
#pragma once

#include <cstdint>

#include "model/GRenderAttribute.h"
#include "model/GValueAttribute.h"

class TestLiveValue : public GValueAttribute {
 public:
  static inline int live = 0;

  TestLiveValue() { ++live; }
  TestLiveValue(int16_t value, const int32_t* id) : GValueAttribute(value, id) { ++live; }
  TestLiveValue(const TestLiveValue& other) : GValueAttribute(other) { ++live; }
  ~TestLiveValue() override { --live; }

  TestLiveValue* CreateSameKind() const override { return new TestLiveValue; }
  TestLiveValue* Clone() const override { return new TestLiveValue(*this); }
};

// A drawing attribute with a class id of its own and a width.
constexpr RWClassID TestPenClassId = 1995;

class TestPen : public GRenderAttribute {
 public:
  TestPen() = default;
  TestPen(int16_t width, const int32_t* id) : GRenderAttribute(id), width_(width) {}

  TestPen* CreateSameKind() const override { return new TestPen; }
  TestPen* Clone() const override { return new TestPen(*this); }
  RWClassID ClassId() const override { return TestPenClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestPenClassId || GRenderAttribute::DerivesFrom(id); }
  int Matches(const MPersistentObject* other) const override {
    auto* pen = dynamic_cast<const TestPen*>(other);
    return pen != nullptr && GRenderAttribute::Matches(other) && pen->width_ == width_;
  }
  int16_t ApplyTo(GPeripheral*) override { return 0; }

  int16_t Width() const { return width_; }

 private:
  int16_t width_ = 0;
};
