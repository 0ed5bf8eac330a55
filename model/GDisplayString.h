// GDisplayString: the display text of a model item the user sees by name (a
// tray, an accessory, an option): a string-resource id, a literal fallback
// text and the name of the module whose string table holds the resource.
// The text is resolved only when shown (GDisplayStringLoader), so the stored
// model does not depend on the user-interface language.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCString.h"

constexpr RWClassID GDisplayStringClassId = 786;

class GDisplayString : public MPersistentObject {
 public:
  // Resource id 0, empty texts.
  GDisplayString();
  // A null pointer gives an empty text.
  GDisplayString(int16_t resourceId, const char* text, const char* moduleName);
  GDisplayString(const GDisplayString& other);
  // Copies feature id, serial, resource id, text and module name.
  GDisplayString& operator=(const GDisplayString& other);
  ~GDisplayString() override;

  static RWClassID StaticClassId() { return GDisplayStringClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDisplayString);
  RW_STORED_MEMBERS();
  // Same class and feature id, resource id, text and module name (bytes).
  int Matches(const MPersistentObject* other) const override;

  // 0: no resource.
  int16_t GetResourceId() const { return resourceId_; }
  // Shown when the resource id is 0 or its string cannot be loaded.
  const RWCString& GetText() const { return text_; }
  // Empty: the driver's own module.
  const RWCString& GetModuleName() const { return moduleName_; }
  void SetResourceId(int16_t resourceId) { resourceId_ = resourceId; }
  void SetText(const RWCString& text) { text_ = text; }
  void SetModuleName(const RWCString& moduleName) { moduleName_ = moduleName; }

 private:
  int16_t resourceId_;
  RWCString text_;
  RWCString moduleName_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDisplayString*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDisplayString*& out);

RWCollectable* GDisplayStringCreate();
