#include "pdl/GPostScriptDownloadRecord.h"

#include "pdl/GPostScript.h"

GPostScriptDownloadRecord::GPostScriptDownloadRecord(GPdlGenerator* generator) : GDownloadRecord(generator) {}
GPostScriptDownloadRecord::~GPostScriptDownloadRecord() = default;

void GPostScriptDownloadRecord::RemoveFromPrinter() {
  if (GetKind() == kPrinterFont) return;
  if (auto* generator = dynamic_cast<GPostScript*>(GetGenerator()))
    generator->DeleteDownloadedFont(GPostScript::FontNumberOf(GetName()), GetKind());
}

GPostScriptDownloadHandle::GPostScriptDownloadHandle(GPdlGenerator* generator)
    : GDownloadHandle(new GPostScriptDownloadRecord(generator)) {}
GPostScriptDownloadHandle::GPostScriptDownloadHandle(GPostScriptDownloadRecord* record) : GDownloadHandle(record) {}
GPostScriptDownloadHandle::~GPostScriptDownloadHandle() = default;

GDownloadHandle* GPostScriptDownloadHandle::Clone() const { return new GPostScriptDownloadHandle(Record()); }

GPostScriptDownloadCache::~GPostScriptDownloadCache() { mappings_.Clear(); }

GDownloadHandle* GPostScriptDownloadCache::Find(GFontFaceHandle* face) { return FindServing(face, true); }

void GPostScriptDownloadCache::ReleaseAll() {
  GDownloadCache::ReleaseAll();
  mappings_.Clear();
}

uint16_t GPostScriptGlyphCodeAllocator::Map(uint16_t c) {
  if (c < 0x100) return c;
  uint16_t* entry = Entry(static_cast<uint32_t>(c - 0x100) >> 8, c & 0xFF);
  if (entry == nullptr) return 0;
  if (*entry != 0) return *entry;
  if (IsExhausted()) return 0;
  // Each 256-code page is one sub-font whose codes start at 0x21.
  if ((GetNextCode() & 0xFF) == 0) SetNextCode(static_cast<uint16_t>(GetNextCode() + 0x21));
  return Hand(*entry, GetNextCode());
}

void GPostScriptGlyphCodeAllocator::Advance() { SetNextCode(static_cast<uint16_t>(GetNextCode() + 1)); }
