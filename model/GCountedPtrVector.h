// GCountedPtrVector: the ordered vector of counted handles in which
// composites keep their children. Elements are found, counted and removed by
// the identity of their pointee; assigning an element follows the handle
// rules, so the vector is one holder of every object it holds.
#pragma once

#include "model/GCountedPtr.h"
#include "rw/RWOrderedVector.h"

template <>
struct RWOrderedVectorEquality<GCountedPtr> {
  static bool Equal(const GCountedPtr& a, const GCountedPtr& b) { return a.Pointee() == b.Pointee(); }
};

using GCountedPtrVector = RWOrderedVector<GCountedPtr>;
extern template class RWOrderedVector<GCountedPtr>;
