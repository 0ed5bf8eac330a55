// GCustomMediaSize: a paper size that the user defines: the paper id it
// occupies, a name, and width and height in one of four units, with rounded
// conversions between the units and into device pixels. The free functions
// at the end turn a custom size into a GMedia for a resolution and an
// orientation, with the unprintable margins of the printer configuration.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "rw/RWCString.h"

class GMedia;

constexpr RWClassID GCustomMediaSizeClassId = 775;

class GCustomMediaSize : public GAttribute {
 public:
  // Unit codes of the stored width and height.
  enum Unit : int32_t {
    kHundredthInch = 0,
    kMillimetre = 1,
    kTenThousandthInch = 2,
    kMicrometre = 3,
  };

  // A width and a height in one unit.
  struct Pair {
    uint32_t width = 0;
    uint32_t height = 0;
  };

  // Feature id 0, paper id 0, empty name, unit 0, size 0 x 0.
  GCustomMediaSize();
  // Stores the values unchanged.
  GCustomMediaSize(int16_t paperId, const RWCString& name, int32_t unit, uint32_t width, uint32_t height,
                   const int32_t* id);
  // From a size in device pixels: the size in 1/100 inch (truncated), then
  // converted to unit.
  GCustomMediaSize(int16_t paperId, const RWCString& name, uint32_t xDpi, uint32_t yDpi, int32_t unit,
                   uint32_t pixelWidth, uint32_t pixelHeight, const int32_t* id);
  // Copy the persistent base, the changed flag and every member.
  GCustomMediaSize(const GCustomMediaSize& other);
  GCustomMediaSize& operator=(const GCustomMediaSize& other);
  ~GCustomMediaSize() override;

  static RWClassID StaticClassId() { return GCustomMediaSizeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCustomMediaSize);
  RW_STORED_MEMBERS();
  // Same class, feature id, paper id and name; the same size, compared in
  // micrometres when the units differ.
  int Matches(const MPersistentObject* other) const override;
  // A custom size applies nothing: 0.
  int16_t ApplyTo(GPeripheral* receiver) override;

  int16_t GetPaperId() const { return paperId_; }
  void SetPaperId(int16_t paperId) { paperId_ = paperId; }
  const RWCString& GetName() const { return name_; }
  void SetName(const RWCString& name) { name_ = name; }
  int32_t GetUnit() const { return unit_; }

  // The stored values in the stored unit.
  void GetSize(uint32_t& width, uint32_t& height) const;
  void GetSize(Pair& out) const { GetSize(out.width, out.height); }
  // Replace the values; the unit stays.
  void SetSize(uint32_t width, uint32_t height);
  void SetSize(const Pair& size) { SetSize(size.width, size.height); }
  // Replace unit and values without conversion.
  void SetSizeInUnit(int32_t unit, uint32_t width, uint32_t height);
  void SetSizeInUnit(int32_t unit, const Pair& size) { SetSizeInUnit(unit, size.width, size.height); }
  // The size converted to unit; an unknown unit (on either side) gives the
  // stored values.
  void GetSizeInUnit(Pair& out, int32_t unit) const;
  // Converts the stored size to unit and makes it the stored unit. An
  // unknown unit changes nothing.
  void ConvertToUnit(int32_t unit);
  // The size in 1/10000 inch, then times the resolution / 10000, truncated.
  void GetSizeInPixels(Pair& out, uint32_t xDpi, uint32_t yDpi) const;

  // One value converted between units, rounding half up; an unknown unit
  // gives the value unchanged. A result beyond 32 bits is 0xFFFFFFFF.
  static uint32_t ConvertValue(uint32_t value, int32_t from, int32_t to);
  // A length in 1/10000 inch at a resolution, truncated.
  static uint32_t TenThousandthsToPixels(uint32_t value, uint32_t dpi);

 private:
  int16_t paperId_ = 0;
  RWCString name_;
  int32_t unit_ = kHundredthInch;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GCustomMediaSize*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GCustomMediaSize*& out);

RWCollectable* GCustomMediaSizeCreate();

// A new GMedia (the caller owns it) of the custom size at the resolution and
// orientation (0, 90, 180 or 270 degrees), with its margins taken from the
// configuration's margin pool (959), else from its margin settings (331),
// else zero. Null when memory runs out.
GMedia* CreateMediaForCustomSize(const GCustomMediaSize& size, MPersistentObject* printerConfiguration,
                                 uint16_t xDpi, uint16_t yDpi, int32_t orientation);
// The same with the resolution (249: 323 and 324) and the orientation (265)
// read from the settings; null when the settings lack one of them.
GMedia* CreateMediaFromSettings(const GCustomMediaSize& size, MPersistentObject* settings,
                                MPersistentObject* printerConfiguration);
// The same at the given resolution with the orientation (265) from the
// settings; null when the settings lack it.
GMedia* CreateMediaFromSettingsAtResolution(const GCustomMediaSize& size, MPersistentObject* settings,
                                            MPersistentObject* printerConfiguration, uint16_t xDpi, uint16_t yDpi);
