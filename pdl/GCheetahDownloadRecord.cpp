#include "pdl/GCheetahDownloadRecord.h"

GCheetahDownloadRecord::GCheetahDownloadRecord(GPdlGenerator* generator) : GDownloadRecord(generator) {}
GCheetahDownloadRecord::~GCheetahDownloadRecord() = default;

GCheetahDownloadHandle::GCheetahDownloadHandle(GPdlGenerator* generator)
    : GDownloadHandle(new GCheetahDownloadRecord(generator)) {}
GCheetahDownloadHandle::GCheetahDownloadHandle(GCheetahDownloadRecord* record) : GDownloadHandle(record) {}
GCheetahDownloadHandle::~GCheetahDownloadHandle() = default;

GDownloadHandle* GCheetahDownloadHandle::Clone() const { return new GCheetahDownloadHandle(Record()); }

GDownloadHandle* GCheetahDownloadCache::Find(GFontFaceHandle* face) { return FindServing(face, false); }

void GCheetahGlyphCodeAllocator::Advance() {
  uint16_t next = static_cast<uint16_t>(GetNextCode() + 1);
  if (next == 0x2000) next = 0x2100;
  SetNextCode(next);
}
