// GMedia: one medium as the printer lays it out for one resolution and one
// orientation: a paper size and its imageable area in device pixels, the
// paper id and the media type. The device model holds one per paper size,
// orientation and resolution in its media pools; trays and the document
// settings hold the medium in use. Also NormalizeAngle for turning
// orientations.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GShortPoint.h"
#include "rw/RWCString.h"

class GPeripheral;

constexpr RWClassID GMediaClassId = 1002;

class GMedia : public GAttribute {
 public:
  // Feature id 190, empty names, zero size, extent and origin, orientation
  // 0, extra code 0, paper id 0, 600 x 600 dpi.
  GMedia();
  // The size, extent and origin are copied from the points (a null point
  // gives (0, 0)); null names give empty strings.
  GMedia(const char* paperName, const GShortPoint* size, const GShortPoint* extent, const GShortPoint* origin,
         int32_t orientation, int16_t paperId, uint16_t xResolution, uint16_t yResolution, const int32_t* id,
         int16_t extraCode = 0, const char* secondName = nullptr, const char* mediaTypeName = nullptr);
  // Feature id, serial, changed flag and every member.
  GMedia(const GMedia& other);
  GMedia& operator=(const GMedia& other);
  ~GMedia() override;

  static RWClassID StaticClassId() { return GMediaClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GMedia);
  RW_STORED_MEMBERS();
  // Same class, same feature id and every member equal (names byte for
  // byte, case counting).
  int Matches(const MPersistentObject* other) const override;
  // The receiver's SetMedia with this medium.
  int16_t ApplyTo(GPeripheral* receiver) override;

  const RWCString& GetPaperName() const { return paperName_; }
  const GShortPoint* GetSize() const { return &size_; }
  const GShortPoint* GetImageableExtent() const { return &extent_; }
  const GShortPoint* GetImageableOrigin() const { return &origin_; }
  // left/top = origin, right/bottom = origin + extent (16-bit sums).
  void GetImageableRect(int16_t* left, int16_t* top, int16_t* right, int16_t* bottom) const;
  // out = origin + extent; returns out.y.
  int16_t GetImageableEnd(GShortPoint* out) const;
  // out = size - extent - origin (the right and bottom margins); returns out.y.
  int16_t GetOppositeMargins(GShortPoint* out) const;
  int32_t GetOrientation() const { return orientation_; }
  uint16_t GetXResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  int16_t GetExtraCode() const { return extraCode_; }
  int16_t GetPaperId() const { return paperId_; }
  const RWCString& GetSecondName() const { return secondName_; }
  const RWCString& GetMediaTypeName() const { return mediaTypeName_; }

  void SetExtraCode(int16_t code) { extraCode_ = code; }
  void SetSecondName(const RWCString& name) { secondName_ = name; }
  void SetMediaTypeName(const RWCString& name) { mediaTypeName_ = name; }
  void SetPaperId(int16_t paperId) { paperId_ = paperId; }

 private:
  RWCString paperName_;
  GShortPoint size_;
  GShortPoint extent_;
  GShortPoint origin_;
  int32_t orientation_;
  uint16_t xResolution_;
  uint16_t yResolution_;
  int16_t extraCode_;
  RWCString secondName_;
  RWCString mediaTypeName_;
  int16_t paperId_;
};

// The angle reduced into 0..359 (-90 gives 270, 450 gives 90).
int NormalizeAngle(int degrees);

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMedia*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GMedia*& out);

RWCollectable* GMediaCreate();
