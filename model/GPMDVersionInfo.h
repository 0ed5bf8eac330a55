// GPMDVersionInfo: the version record of stored model data: two packed
// versions (major << 16 | minor), a 16-bit value, two ints and a list of
// strings. Stored data brings it; the class factory creates it on reading.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWStringVector.h"

constexpr RWClassID GPMDVersionInfoClassId = 1051;

class GPMDVersionInfo : public MPersistentObject {
 public:
  // Both versions 0, value 1, both ints 0, no strings.
  GPMDVersionInfo();
  // Both ints 0, no strings.
  GPMDVersionInfo(uint32_t firstVersion, uint32_t secondVersion, uint16_t value, const int32_t& id);
  // Copy id, serial, every value and the strings.
  GPMDVersionInfo(const GPMDVersionInfo& other);
  GPMDVersionInfo& operator=(const GPMDVersionInfo& other);
  ~GPMDVersionInfo() override;

  static RWClassID StaticClassId() { return GPMDVersionInfoClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPMDVersionInfo);
  RW_STORED_MEMBERS();

  // Same class and id, every value equal and equal strings in order.
  int Matches(const MPersistentObject* other) const override;

  uint32_t GetFirstVersion() const { return firstVersion_; }
  uint32_t GetSecondVersion() const { return secondVersion_; }
  uint16_t GetValue() const { return value_; }
  uint32_t GetFirstInt() const { return firstInt_; }
  uint32_t GetSecondInt() const { return secondInt_; }
  void SetFirstInt(uint32_t value) { firstInt_ = value; }
  void SetSecondInt(uint32_t value) { secondInt_ = value; }

  // Each answers the current minor (major) and, unless it is 0xFFFF,
  // counts it up; counting the major up sets the minor to 0.
  uint16_t IncrementFirstMinor() { return IncrementMinor(firstVersion_); }
  uint16_t IncrementFirstMajor() { return IncrementMajor(firstVersion_); }
  uint16_t IncrementSecondMinor() { return IncrementMinor(secondVersion_); }
  uint16_t IncrementSecondMajor() { return IncrementMajor(secondVersion_); }

  void AddString(const RWCString& text);
  void ClearStrings();
  const RWStringVector& GetStrings() const { return strings_; }

 private:
  static uint16_t IncrementMinor(uint32_t& version);
  static uint16_t IncrementMajor(uint32_t& version);
  // Appends a restored string; the vector doubles past its first 64 places
  // so that a long stored list costs linear time.
  void AppendRestored(const RWCString& text);

  uint32_t firstVersion_ = 0;
  uint32_t secondVersion_ = 0;
  uint16_t value_ = 1;
  uint32_t firstInt_ = 0;
  uint32_t secondInt_ = 0;
  RWStringVector strings_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPMDVersionInfo*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPMDVersionInfo*& out);

RWCollectable* GPMDVersionInfoCreate();
