// GSettingValue: reading and writing the scalar values of a settings tree or
// a printer configuration by feature id, for the DEVMODE mappings and the
// spooler form services. Reads go through the model's query (GSettingQuery)
// with every number class and every text class; writes go to a value or
// range attribute, or to a string attribute. Anything absent or of another
// kind reads as absent, so a damaged tree never yields a value it does not
// hold.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"

class MPersistentObject;

class GSettingValue {
 public:
  // The first object with that id below root (depth first), or null.
  static MPersistentObject* Find(MPersistentObject* root, int32_t id);
  // The integer value of an object of one of the value kinds; false for
  // null and for other kinds.
  static bool ValueOf(const MPersistentObject* object, int32_t* value);
  // The value of the first object with the id below root; false when absent
  // or not a value.
  static bool Get(MPersistentObject* root, int32_t id, int32_t* value);
  static bool Get16(MPersistentObject* root, int32_t id, int16_t* value);
  // The value, or fallback when absent.
  static int32_t GetOr(MPersistentObject* root, int32_t id, int32_t fallback);
  // Sets the value of an existing value or range attribute (a range keeps
  // its own bounds); false when there is none.
  static bool SetObject(MPersistentObject* object, int16_t value);
  static bool Set(MPersistentObject* root, int32_t id, int16_t value);
  // The text of a string attribute or a selection string.
  static bool TextOf(const MPersistentObject* object, RWCString* text);
  static bool GetText(MPersistentObject* root, int32_t id, RWCString* text);
  static bool SetText(MPersistentObject* root, int32_t id, const RWCString& text);
};
