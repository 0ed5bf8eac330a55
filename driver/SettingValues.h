// Reading single values out of settings and configuration trees by feature
// id, for the print-job services of the driver object: numbers from the
// attribute classes that hold one, texts from string attributes. Every read
// tolerates a missing tree, a missing id or an attribute of another class.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"

class MPersistentObject;

// The attribute with that id at any depth below the tree; null when absent.
MPersistentObject* FindSetting(MPersistentObject* tree, int32_t id);
// The id inside the group with the other id (both found at any depth).
MPersistentObject* FindSettingIn(MPersistentObject* tree, int32_t group, int32_t id);
// The number the object holds; false when it holds none.
bool SettingNumber(const MPersistentObject* object, int32_t* out);
// The number of the id below the tree, or the fallback.
int32_t SettingNumberOr(MPersistentObject* tree, int32_t id, int32_t fallback);
// The text of a string attribute; false for anything else.
bool SettingText(const MPersistentObject* object, RWCString* out);
