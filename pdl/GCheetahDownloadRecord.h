// The PCL XL generator's downloaded-font bookkeeping: its record (which also
// notes whether the face has vertical metrics), handle, cache and glyph-code
// allocator (codes 0x100 to 0x1FFF, then on from 0x2100; characters below
// 0x100, from 0x2000 to 0x20FF and from 0xFF00 keep their value).
#pragma once

#include "graphics/GGlyphCodeAllocator.h"
#include "pdl/GDownloadRecord.h"

class GCheetahDownloadRecord : public GDownloadRecord {
 public:
  explicit GCheetahDownloadRecord(GPdlGenerator* generator);
  ~GCheetahDownloadRecord() override;

  void SetVerticalMetrics(int32_t flag) { verticalMetrics_ = flag; }
  int32_t HasVerticalMetrics() const { return verticalMetrics_; }

 private:
  int32_t verticalMetrics_ = 0;
};

class GCheetahDownloadHandle : public GDownloadHandle {
 public:
  // A handle with a new record of the generator.
  explicit GCheetahDownloadHandle(GPdlGenerator* generator);
  // Another handle on the record.
  explicit GCheetahDownloadHandle(GCheetahDownloadRecord* record);
  ~GCheetahDownloadHandle() override;

  GDownloadHandle* Clone() const override;
  void SetVerticalMetrics(int32_t flag) { Record()->SetVerticalMetrics(flag); }
  int32_t HasVerticalMetrics() const { return Record()->HasVerticalMetrics(); }

 private:
  GCheetahDownloadRecord* Record() const { return static_cast<GCheetahDownloadRecord*>(GetRecord()); }
};

class GCheetahDownloadCache : public GDownloadCache {
 public:
  GDownloadHandle* Find(GFontFaceHandle* face) override;
};

class GCheetahGlyphCodeAllocator : public GGlyphCodeAllocator {
 protected:
  // One more; the codes 0x2000 to 0x20FF are stepped over.
  void Advance() override;
};
