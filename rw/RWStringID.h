// RWStringID: the string by which a class is known to the class factory and
// in stored object graphs. Every class uses its class name ("RWCollectable",
// "GMedia", ...) as its string id.
#pragma once

#include "rw/RWCString.h"

class RWStringID {
 public:
  RWStringID() = default;
  RWStringID(const char* name) : name_(name) {}
  RWStringID(const RWCString& name) : name_(name) {}
  RWStringID(const RWStringID& other) : name_(other.name_) {}
  RWStringID& operator=(const RWStringID& other) {
    name_.Assign(other.name_);
    return *this;
  }

  const RWCString& String() const { return name_; }
  const char* Data() const { return name_.Data(); }

 private:
  RWCString name_;
};
