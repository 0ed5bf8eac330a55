// GOptionListAttribute: what the two option-list attributes share: an
// ordered list of 16-bit option values under a key, and a value that
// travels with the list. GOptMediaComposite (the options of one medium) and
// GBookletComposite (booklet options, added in pairs) are built on it. The
// pages read the key, the number of entries and the entries by index;
// applying the list to a receiver does nothing.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "rw/RWShortList.h"
#include "rw/RWMembers.h"

class GOptionListAttribute : public GAttribute {
 public:
  // The most entries a list holds: the count is answered as a short.
  static constexpr uint32_t kMaxOptions = 0x7FFF;

  ~GOptionListAttribute() override;

  static uint32_t ClassVersion() { return 2; }

  // The attribute body, version 2, key, value, count and the entries.
  RW_STORED_MEMBERS();
  // Same class and feature id, key and entries in order; the value is not
  // compared.
  int Matches(const MPersistentObject* other) const override;
  // Nothing; 1.
  int16_t ApplyTo(GPeripheral* receiver) override;
  // Null: an option list is not walked as a container of objects (its
  // entries are plain values, read by index).
  MPersistentIterator* CreateIterator() override;

  int16_t GetKey() const { return key_; }
  int16_t GetValue() const { return value_; }
  int16_t GetOptionCount() const;
  // Entry index (0-based); -1 when index is negative or not below the count.
  int16_t GetOption(int16_t index) const;

 protected:
  GOptionListAttribute();
  GOptionListAttribute(int16_t key, int16_t value);
  // The same feature id, serial, changed flag, key, value and entries, in a
  // list of its own.
  GOptionListAttribute(const GOptionListAttribute& other);
  GOptionListAttribute& operator=(const GOptionListAttribute& other);

  // Appends an entry; a full list takes no more.
  void AppendOption(int16_t value);

 private:
  int16_t value_;
  int16_t key_;
  RWShortList entries_;
};
