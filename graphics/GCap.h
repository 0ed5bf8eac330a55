// GCap, GJoint and GMiterJoint: the line cap and the line join of the
// graphic state. Cap styles: 0 round, 1 square, 2 flat. Join styles: 0
// miter, 1 round, 2 bevel, 3 none. A miter join always comes with its
// limit, as a GMiterJoint; a plain GJoint built with style 0 carries 3
// instead, so that it never claims a miter without a limit.
#pragma once

#include <cstdint>

#include "model/GRenderAttribute.h"

constexpr RWClassID GCapClassId = 301;
constexpr RWClassID GJointClassId = 351;
constexpr RWClassID GMiterJointClassId = 352;

class GCap : public GRenderAttribute {
 public:
  // Square, feature id 0.
  GCap();
  GCap(int32_t style, const int32_t* id);
  GCap(const GCap& other);
  GCap& operator=(const GCap& other);
  ~GCap() override;

  static RWClassID StaticClassId() { return GCapClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCap);
  // Same class, feature id and style.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, the style.
  RW_STORED_MEMBERS();
  // GPeripheral::SetLineCap.
  int16_t ApplyTo(GPeripheral* receiver) override;

  virtual int32_t GetCap() const;

 private:
  int32_t style_;
};

class GJoint : public GRenderAttribute {
 public:
  // No join, feature id 0.
  GJoint();
  // Style 0 is kept as 3 (no join).
  GJoint(int32_t style, const int32_t* id);
  GJoint(const GJoint& other);
  GJoint& operator=(const GJoint& other);
  ~GJoint() override;

  static RWClassID StaticClassId() { return GJointClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GJoint);
  // Same class, feature id and style.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the render-attribute part: version 1, the style (read
  // back as stored, 0 included).
  RW_STORED_MEMBERS();
  // GPeripheral::SetLineJoin.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // 351 for every join.
  RWClassID GetTypeId() const override;

  // Stores the style unchanged, 0 included.
  virtual void SetJoin(int32_t style);
  virtual int32_t GetJoin() const;

 private:
  int32_t style_;
};

class GMiterJoint : public GJoint {
 public:
  // Style 0, limit 0, feature id 0.
  GMiterJoint();
  // Style 0 with the limit.
  GMiterJoint(float limit, const int32_t* id);
  GMiterJoint(const GMiterJoint& other);
  GMiterJoint& operator=(const GMiterJoint& other);
  ~GMiterJoint() override;

  static RWClassID StaticClassId() { return GMiterJointClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GMiterJoint);
  // As a join, and equal limits.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the join part: version 1, the limit (32-bit float).
  RW_STORED_MEMBERS();
  // GPeripheral::SetMiterJoin.
  int16_t ApplyTo(GPeripheral* receiver) override;

  float GetMiterLimit() const { return limit_; }

 private:
  float limit_;
};

RWCollectable* GCapCreate();
RWCollectable* GJointCreate();
RWCollectable* GMiterJointCreate();
