// GSelectionString: a narrow string with a 16-bit value, used for the
// printer's bin names in the extension maps and by the generators.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCString.h"

constexpr RWClassID GSelectionStringClassId = 1008;

class GSelectionString : public MPersistentObject {
 public:
  // Empty text, value 0.
  GSelectionString();
  GSelectionString(const RWCString& text, int16_t value, const int32_t& id);
  // Copy id, serial, value and text.
  GSelectionString(const GSelectionString& other);
  GSelectionString& operator=(const GSelectionString& other);
  ~GSelectionString() override;

  static RWClassID StaticClassId() { return GSelectionStringClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GSelectionString);
  RW_STORED_MEMBERS();

  // Same class, id and value, and texts of equal bytes.
  int Matches(const MPersistentObject* other) const override;

  const RWCString& GetText() const { return text_; }
  int16_t GetValue() const { return value_; }

 private:
  int16_t value_ = 0;
  RWCString text_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GSelectionString*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GSelectionString*& out);

RWCollectable* GSelectionStringCreate();
