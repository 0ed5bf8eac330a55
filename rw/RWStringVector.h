// RWStringVector: the ordered vector of narrow strings. Elements are found,
// counted and removed by content (same length, same bytes; embedded NULs
// count) and stored by RWCString assignment, so they share their blocks with
// the strings they were assigned from.
#pragma once

#include <cstring>

#include "rw/RWCString.h"
#include "rw/RWOrderedVector.h"

template <>
struct RWOrderedVectorEquality<RWCString> {
  static bool Equal(const RWCString& a, const RWCString& b) {
    return a.Length() == b.Length() && std::memcmp(a.Data(), b.Data(), a.Length()) == 0;
  }
};

using RWStringVector = RWOrderedVector<RWCString>;
extern template class RWOrderedVector<RWCString>;
