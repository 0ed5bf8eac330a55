// The colour-control attribute (feature 295) in its three stored forms. It
// chooses, for each kind of page object (0 text, 1 graphics, 2 photo), how
// colour is rendered, as small codes that the printer-language generators
// translate: GTintwrightAttribute holds two codes per object type,
// GTintwrightEnhancedAttribute neutral-grays and halftone codes per type plus
// an edge-control and an RGB-colour code, GTintwrightEnhancedAttributeVer2
// neutral-grays, halftone and sRGB-colour codes per type plus an
// edge-control code. None applies anything to a receiver: the colour-control
// page filter reads the codes through the colour setting getters.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "rw/RWMembers.h"

class GPeripheral;

constexpr RWClassID GTintwrightAttributeClassId = 792;
constexpr RWClassID GTintwrightEnhancedAttributeClassId = 797;
constexpr RWClassID GTintwrightEnhancedAttributeVer2ClassId = 1201;

class GTintwrightAttribute : public GAttribute {
 public:
  // Feature id 0; the codes are zero until a restore fills them.
  GTintwrightAttribute();
  // settingA[i] = Ai, settingB[i] = Bi.
  GTintwrightAttribute(const int32_t* id, unsigned char a0, unsigned char b0, unsigned char a1, unsigned char b1,
                       unsigned char a2, unsigned char b2);
  // Feature id, serial, changed flag and the six codes.
  GTintwrightAttribute(const GTintwrightAttribute& other);
  GTintwrightAttribute& operator=(const GTintwrightAttribute& other);
  ~GTintwrightAttribute() override;

  static RWClassID StaticClassId() { return GTintwrightAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GTintwrightAttribute);
  RW_STORED_MEMBERS();
  // Same class and feature id and the codes equal.
  int Matches(const MPersistentObject* other) const override;
  // Nothing is applied; 0.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // which 0 reads settingA, 1 settingB, of object type 0..2: 1 and the code
  // in out; any other type or which: 0, out untouched.
  virtual int GetSetting(int objectType, int which, unsigned char* out) const;
  virtual int SetSetting(int objectType, int which, unsigned char value);
  // Same class and the codes equal, feature ids not compared.
  virtual int SameSettings(const GTintwrightAttribute& other) const;
  // Takes over the codes of an attribute of the same form.
  virtual void CopySettings(const GTintwrightAttribute& other);

 protected:
  // The base part of the enhanced forms: settingA 15, 21, 31 (16, 22, 32
  // for feature 227), settingB 40, 50, 62.
  explicit GTintwrightAttribute(const int32_t* id);

 private:
  unsigned char settingA_[3];
  unsigned char settingB_[3];
};

class GTintwrightEnhancedAttribute : public GTintwrightAttribute {
 public:
  // Selectors of GetEnhancedSetting.
  enum { kNeutralGrays = 0, kHalftone = 1, kEdgeControl = 2, kRGBColor = 3 };

  // Feature id 0 and the default codes.
  GTintwrightEnhancedAttribute();
  // The default codes: neutral grays 70, 80, 91; halftone 41, 51, 61; edge
  // control 95; RGB colour 98.
  explicit GTintwrightEnhancedAttribute(const int32_t* id);
  GTintwrightEnhancedAttribute(const int32_t* id, unsigned char neutralGrays0, unsigned char halftone0,
                               unsigned char neutralGrays1, unsigned char halftone1, unsigned char neutralGrays2,
                               unsigned char halftone2, unsigned char edgeControl, unsigned char rgbColor);
  // The base part and the eight codes.
  GTintwrightEnhancedAttribute(const GTintwrightEnhancedAttribute& other);
  // Feature id, serial, changed flag and the eight codes.
  GTintwrightEnhancedAttribute& operator=(const GTintwrightEnhancedAttribute& other);
  ~GTintwrightEnhancedAttribute() override;

  static RWClassID StaticClassId() { return GTintwrightEnhancedAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GTintwrightEnhancedAttribute);
  RW_STORED_MEMBERS();
  int Matches(const MPersistentObject* other) const override;
  int16_t ApplyTo(GPeripheral* receiver) override;
  int SameSettings(const GTintwrightAttribute& other) const override;
  void CopySettings(const GTintwrightAttribute& other) override;

  // Selector 0 neutral grays and 1 halftone of object type 0..2; 2 edge
  // control and 3 RGB colour for any type 0..3. 1 and the code in out, or
  // 0 with out untouched.
  int GetEnhancedSetting(int objectType, int selector, unsigned char* out) const;
  int SetEnhancedSetting(int objectType, int selector, unsigned char value);

 private:
  unsigned char* Code(int objectType, int selector);
  void CopyCodes(const GTintwrightEnhancedAttribute& other);
  bool SameCodes(const GTintwrightEnhancedAttribute& other) const;

  unsigned char neutralGrays_[3];
  unsigned char halftone_[3];
  unsigned char edgeControl_;
  unsigned char rgbColor_;
};

class GTintwrightEnhancedAttributeVer2 : public GTintwrightAttribute {
 public:
  // Kinds of GetCode.
  enum { kNeutralGrays = 0, kHalftone = 1, kEdgeControl = 2, kSRGBColor = 3 };

  GTintwrightEnhancedAttributeVer2();
  // The default codes: neutral grays 70, 80, 91; halftone 41, 51, 61; sRGB
  // colour 100, 103, 106; edge control 95.
  explicit GTintwrightEnhancedAttributeVer2(const int32_t* id);
  GTintwrightEnhancedAttributeVer2(const int32_t* id, unsigned char neutralGrays0, unsigned char halftone0,
                                   unsigned char srgbColor0, unsigned char neutralGrays1, unsigned char halftone1,
                                   unsigned char srgbColor1, unsigned char neutralGrays2, unsigned char halftone2,
                                   unsigned char srgbColor2, unsigned char edgeControl);
  GTintwrightEnhancedAttributeVer2(const GTintwrightEnhancedAttributeVer2& other);
  GTintwrightEnhancedAttributeVer2& operator=(const GTintwrightEnhancedAttributeVer2& other);
  ~GTintwrightEnhancedAttributeVer2() override;

  static RWClassID StaticClassId() { return GTintwrightEnhancedAttributeVer2ClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GTintwrightEnhancedAttributeVer2);
  RW_STORED_MEMBERS();
  int Matches(const MPersistentObject* other) const override;
  int16_t ApplyTo(GPeripheral* receiver) override;
  int SameSettings(const GTintwrightAttribute& other) const override;
  void CopySettings(const GTintwrightAttribute& other) override;

  // Kind 0 neutral grays, 1 halftone and 3 sRGB colour of object type 0..2;
  // 2 edge control for any type 0..3. 1 and the code in out, or 0 with out
  // untouched.
  int GetCode(int objectType, int kind, unsigned char* out) const;
  int SetCode(int objectType, int kind, unsigned char value);

 private:
  unsigned char* Code(int objectType, int kind);
  void CopyCodes(const GTintwrightEnhancedAttributeVer2& other);
  bool SameCodes(const GTintwrightEnhancedAttributeVer2& other) const;

  unsigned char neutralGrays_[3];
  unsigned char halftone_[3];
  unsigned char srgbColor_[3];
  unsigned char edgeControl_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTintwrightAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GTintwrightAttribute*& out);

RWCollectable* GTintwrightAttributeCreate();
RWCollectable* GTintwrightEnhancedAttributeCreate();
RWCollectable* GTintwrightEnhancedAttributeVer2Create();
