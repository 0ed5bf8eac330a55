// The PostScript generator's downloaded-font bookkeeping: its record (with a
// copy of the face's font number), handle, cache (with the device-font
// mappings already written in the job) and glyph-code allocator (every
// character from 0x100 up takes a code; the codes run 0x121 to 0x1FF, 0x221
// to 0x2FF and so on, one sub-font per 256 codes).
#pragma once

#include "graphics/GGlyphCodeAllocator.h"
#include "pdl/GDownloadRecord.h"

class GPostScriptDownloadRecord : public GDownloadRecord {
 public:
  explicit GPostScriptDownloadRecord(GPdlGenerator* generator);
  ~GPostScriptDownloadRecord() override;

  void SetFaceFontNumber(int16_t number) { faceFontNumber_ = number; }
  int16_t GetFaceFontNumber() const { return faceFontNumber_; }

 protected:
  // A downloaded font is deleted by the generator under its font number
  // (every sub-font it defined); a printer-resident font stays.
  void RemoveFromPrinter() override;

 private:
  int16_t faceFontNumber_ = 0;
};

class GPostScriptDownloadHandle : public GDownloadHandle {
 public:
  explicit GPostScriptDownloadHandle(GPdlGenerator* generator);
  explicit GPostScriptDownloadHandle(GPostScriptDownloadRecord* record);
  ~GPostScriptDownloadHandle() override;

  GDownloadHandle* Clone() const override;
  void SetFaceFontNumber(int16_t number) { Record()->SetFaceFontNumber(number); }
  int16_t GetFaceFontNumber() const { return Record()->GetFaceFontNumber(); }

 private:
  GPostScriptDownloadRecord* Record() const { return static_cast<GPostScriptDownloadRecord*>(GetRecord()); }
};

class GPostScriptDownloadCache : public GDownloadCache {
 public:
  // Empties the mapping set too.
  ~GPostScriptDownloadCache() override;
  GDownloadHandle* Find(GFontFaceHandle* face) override;
  // Releases every font and forgets the mappings written.
  void ReleaseAll() override;

  int HasMapping(uint32_t id) const { return mappings_.Contains(id); }
  void AddMapping(uint32_t id) { mappings_.Add(id); }

 private:
  GCodeSet mappings_;
};

class GPostScriptGlyphCodeAllocator : public GGlyphCodeAllocator {
 public:
  // Characters below 0x100 keep their value; any other gets the next code,
  // whose low byte runs 0x21 to 0xFF.
  uint16_t Map(uint16_t c) override;

 protected:
  void Advance() override;
};
