// GPaletteTable: a colour palette, the ordered list of colours that the
// pixel values of an indexed image stand for (entry 0 is index 0). Bitmaps
// and the raster stages carry one; the generators write it out. The palette
// owns its entries.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/GColor.h"
#include "model/GCountedPtrVector.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GPaletteTableClassId = 553;

class GPaletteTable : public MPersistentObject {
 public:
  // Two entries: index 0 white (255, 255, 255, 255), index 1 black
  // (0, 0, 0, 255).
  GPaletteTable();
  // A clone of every colour, in order; the colours stay the caller's. A
  // null colour is passed over.
  explicit GPaletteTable(const std::vector<GColor*>& colors);
  // Clones every entry.
  GPaletteTable(const GPaletteTable& other);
  GPaletteTable& operator=(const GPaletteTable& other) { return Assign(other); }
  // Lets go of every entry and clones the other's in order; the feature id
  // and serial stay as they were.
  GPaletteTable& Assign(const GPaletteTable& other);
  ~GPaletteTable() override;

  static RWClassID StaticClassId() { return GPaletteTableClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPaletteTable);
  // Same class, feature id and count, and no entry differs from the other's
  // entry of the same index.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 1, the entry count, then
  // each entry as an object reference in index order.
  RW_STORED_MEMBERS();

  // The entry (not a copy). An index at or beyond the count raises the
  // container library's index error and answers null.
  GColor* GetEntry(uint32_t index) const;
  uint32_t GetCount() const;
  // 1 when every entry has red = green = blue (an empty palette is gray).
  int IsGray() const;
  // Appends the colour, which the palette takes; null is ignored.
  void AddEntry(GColor* color);

 private:
  void Reset();
  void AppendClonesOf(const GCountedPtrVector& entries);

  GCountedPtrVector entries_;  // GColor objects, never null
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaletteTable*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPaletteTable*& out);

RWCollectable* GPaletteTableCreate();
