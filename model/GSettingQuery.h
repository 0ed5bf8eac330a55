// GSettingQuery: reading settings out of a model tree by feature id. A
// number comes from one of the attribute classes that hold one, a text from
// a string attribute or a selection string, a child from a path of ids. The
// set of classes a read accepts is explicit: most callers take every number
// class (kAnyNumber), some must take a narrower set, and the set is part of
// the call so that two readers cannot drift apart. Every read tolerates a
// null tree, a missing id and an object of another class: it reports
// nothing read and leaves the output alone.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "model/MPersistentIterator.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"

namespace GSettingQuery {

// The classes a read takes its value from, combined as a set.
enum Class : uint32_t {
  kValue = 1u << 0,      // GValueAttribute (16-bit)
  kRange = 1u << 1,      // GRangeAttribute (its current value)
  kValue32 = 1u << 2,    // GValue32Attribute
  kLong = 1u << 3,       // GPersistableLong
  kSelection = 1u << 4,  // GSelectionString (its value, or its text)
  kString = 1u << 5,     // GStringAttribute (texts only)
  // An enumeration (GEnumAttribute and its derived classes) stands for its
  // selected option: the read goes on with the selected object, at most
  // kEnumDepth enumerations deep.
  kEnumSelection = 1u << 6,
};
using Classes = uint32_t;
inline constexpr int kEnumDepth = 4;

// Every class that holds a plain number.
inline constexpr Classes kAnyNumber = kValue | kRange | kValue32 | kLong;
// The classes the user edits: a value or a range.
inline constexpr Classes kValueOrRange = kValue | kRange;
// The number classes without the range.
inline constexpr Classes kNumberNoRange = kValue | kValue32 | kLong;
// The number classes without the persistable long.
inline constexpr Classes kAttributeNumber = kValue | kRange | kValue32;
// What an option choice may be stored as: an attribute number, a selection
// string or an enumeration standing for its selection.
inline constexpr Classes kChoice = kAttributeNumber | kSelection | kEnumSelection;
// Texts: a string attribute or a selection string.
inline constexpr Classes kAnyText = kString | kSelection;

// The first object with that id at any depth below root (depth first), or
// null; null for a null root.
MPersistentObject* Find(MPersistentObject* root, int32_t id);
// The object at the end of a path of ids, each found at any depth below the
// one before (depth first); null when a step is missing. An empty path gives
// root itself.
MPersistentObject* FindPath(MPersistentObject* root, std::initializer_list<int32_t> path);

// The number object holds when its class is in accepted (a 32-bit value is
// given whole); false, with out untouched, otherwise.
bool Number(const MPersistentObject* object, int32_t* out, Classes accepted = kAnyNumber);
// The number of the first object with that id below root.
bool NumberAt(MPersistentObject* root, int32_t id, int32_t* out, Classes accepted = kAnyNumber);
// That number, or fallback when there is none.
int32_t NumberOr(MPersistentObject* root, int32_t id, int32_t fallback, Classes accepted = kAnyNumber);

// The same as a 16-bit value: a 32-bit number is cut to its low 16 bits,
// as the settings that hold shorts store it.
bool Short(const MPersistentObject* object, int16_t* out, Classes accepted = kAnyNumber);
bool ShortAt(MPersistentObject* root, int32_t id, int16_t* out, Classes accepted = kAnyNumber);
int16_t ShortOr(MPersistentObject* root, int32_t id, int16_t fallback, Classes accepted = kAnyNumber);

// The text object holds when its class is in accepted; false, with out
// untouched, otherwise.
bool Text(const MPersistentObject* object, RWCString* out, Classes accepted = kAnyText);
// The text of the first object with that id below root.
bool TextAt(MPersistentObject* root, int32_t id, RWCString* out, Classes accepted = kAnyText);

// Calls visit with every direct child of object (nothing for a null object
// or a leaf); a visit that answers bool stops the walk by answering false.
template <typename Visit>
void ForEachChild(MPersistentObject* object, Visit&& visit) {
  if (object == nullptr) return;
  MPersistentIterator* it = object->CreateIterator();
  if (it == nullptr) return;
  while (it->Advance()) {
    if constexpr (std::is_same_v<decltype(visit(it->Current())), bool>) {
      if (!visit(it->Current())) break;
    } else {
      visit(it->Current());
    }
  }
  delete it;
}

}  // namespace GSettingQuery
