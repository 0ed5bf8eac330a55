// GStringAttribute: a setting holding one narrow text. It applies itself
// with the receiver's SetString.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "rw/RWCString.h"

constexpr RWClassID GStringAttributeClassId = 776;

class GStringAttribute : public GAttribute {
 public:
  GStringAttribute();
  // A null text is the empty text.
  GStringAttribute(const char* text, const int32_t* id);
  GStringAttribute(const RWCString& text, const int32_t* id);
  GStringAttribute(const GStringAttribute& other);
  // Copies feature id, serial, changed flag and text.
  GStringAttribute& operator=(const GStringAttribute& other);
  ~GStringAttribute() override;

  static RWClassID StaticClassId() { return GStringAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GStringAttribute);
  RW_STORED_MEMBERS();
  // Same class, feature id and text (the same bytes, case included).
  int Matches(const MPersistentObject* other) const override;
  int16_t ApplyTo(GPeripheral* receiver) override;

  // The stored text itself.
  const RWCString& GetString() const { return text_; }
  void SetString(const RWCString& text);
  // A null pointer stores the empty text.
  void SetString(const char* text);

 private:
  RWCString text_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GStringAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GStringAttribute*& out);

RWCollectable* GStringAttributeCreate();
