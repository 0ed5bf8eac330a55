// The seven colour-rendering settings: halftone, enhanced halftone, neutral
// grays, edge control, sRGB colour, sRGB extension and colour map. Each holds
// one setting code, applies itself with its own receiver operation and
// translates its code into the printer language's through a mapping list of
// the device settings. GHalftone and GHalftoneEnhanced share class id 790;
// the enhanced one is registered first, so a stored 790 comes back as a
// GHalftoneEnhanced.
#pragma once

#include <cstdint>

#include "model/GRenderAttribute.h"
#include "rw/RWMembers.h"

class GCountedPtr;
class GPeripheral;

constexpr RWClassID GSRGBExtensionClassId = 1202;
constexpr RWClassID GEdgeControlClassId = 799;
constexpr RWClassID GSRGBColorClassId = 800;
constexpr RWClassID GHalftoneEnhancedClassId = 790;
constexpr RWClassID GHalftoneClassId = 790;
constexpr RWClassID GNeutralGraysClassId = 798;
constexpr RWClassID GColorMapClassId = 791;

// What the seven classes share: the code, its stored body and the match.
// Each concrete class adds its class id, default, receiver operation and
// mapping list.
class GColorCodeAttribute : public GColorAttribute {
 public:
  GColorCodeAttribute(int32_t value, const int32_t* id);
  // Feature id, serial, changed flag and code.
  GColorCodeAttribute(const GColorCodeAttribute& other);
  GColorCodeAttribute& operator=(const GColorCodeAttribute& other);
  ~GColorCodeAttribute() override;

  static uint32_t ClassVersion() { return 1; }

  // The render body, the version and the code.
  RW_STORED_MEMBERS();
  // The class and its colour bases.
  int DerivesFrom(RWClassID classId) const override;
  // The same object, or the same class and the same code; the feature ids
  // are not compared.
  int Matches(const MPersistentObject* other) const override;

  int16_t GetValue() const override { return static_cast<int16_t>(value_); }
  // The code mapped through the class's list in the holder's settings.
  int16_t GetDeviceValue(const GCountedPtr& holder) const override;
  // The feature id of the class's mapping list.
  virtual const int32_t* MappingListId() const = 0;

 private:
  int32_t value_;
};

#define QV_COLOR_CODE_CLASS(Name)                                  \
  class Name : public GColorCodeAttribute {                        \
   public:                                                         \
    /* Feature id 0 and the class's default code. */               \
    Name();                                                        \
    Name(int32_t value, const int32_t* id);                        \
    Name(const Name& other);                                       \
    Name& operator=(const Name& other);                            \
    ~Name() override;                                              \
    static RWClassID StaticClassId();                              \
    QV_PERSISTENT_KIND(Name);                                      \
    const int32_t* MappingListId() const override;                 \
    int16_t ApplyTo(GPeripheral* receiver) override;               \
  };                                                               \
  RWVirtualInStream& operator>>(RWVirtualInStream& stream, Name*& out); \
  RWBinaryFile& operator>>(RWBinaryFile& file, Name*& out);        \
  RWCollectable* Name##Create();

// Default 100; SetSRGBExtension; list 552.
QV_COLOR_CODE_CLASS(GSRGBExtension)
// Default 93; SetEdgeControl; list 545.
QV_COLOR_CODE_CLASS(GEdgeControl)
// Default 98; SetSRGBColor; list 552.
QV_COLOR_CODE_CLASS(GSRGBColor)
// Default 40; SetHalftoneEnhanced; list 533.
QV_COLOR_CODE_CLASS(GHalftoneEnhanced)
// Default 40; SetHalftone; list 533.
QV_COLOR_CODE_CLASS(GHalftone)
// Default 70; SetNeutralGrays; list 543.
QV_COLOR_CODE_CLASS(GNeutralGrays)
// Default 15; SetColorMap; list 537.
QV_COLOR_CODE_CLASS(GColorMap)

#undef QV_COLOR_CODE_CLASS
