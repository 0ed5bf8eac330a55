// The PCL 5e generator's downloaded-font bookkeeping: its record, which
// holds either one soft-font id (one soft font) or one id per 256-code block
// (one bitmap soft font per block, each with a mark once its header was
// sent), its handle, cache and glyph-code allocator.
//
// The soft-font ids come from one counter for the whole program: it starts
// at 1000 when the program is loaded, is never reset, wraps within 1 to
// 32767 (0 stands for "no id yet") and skips the ids that a live record
// holds, so two fonts never share an id.
#pragma once

#include "graphics/GGlyphCodeAllocator.h"
#include "pdl/GDownloadRecord.h"

class GPcl5eDownloadRecord : public GDownloadRecord {
 public:
  static constexpr int32_t kFirstCounterValue = 1000;
  static constexpr int32_t kLastFontId = 32767;

  explicit GPcl5eDownloadRecord(GPdlGenerator* generator);
  // Gives its ids back to the counter (nothing is sent to the printer).
  ~GPcl5eDownloadRecord() override;

  // The header mark of the code's block (its high byte) := 1.
  virtual void MarkBlock(uint32_t code);
  // The record's soft-font id, taken from the counter on first need; 0
  // when every id is in use.
  virtual int32_t GetFontId();
  // The same for the code's block.
  virtual int32_t GetBlockFontId(uint32_t code);
  virtual int32_t IsBlockMarked(uint32_t code) const;

  // The id the next font would take (tests and diagnostics).
  static int32_t PeekCounter();
  // Sets the counter (tests that walk it to its wrap).
  static void SetCounterForTesting(int32_t value);

 protected:
  // The generator removes the single id's soft font and the record forgets
  // the id (the next download takes a new one); each block's soft font is
  // removed and its header mark cleared (the block keeps its id). A record
  // may hold both: a bitmap font's first 256 codes and its further blocks. The generator is asked through RemoveDownloadedFont with
  // the id in decimal.
  void RemoveFromPrinter() override;

 private:
  struct Block {
    int32_t fontId = 0;
    int32_t headerMark = 0;
  };
  static int32_t TakeId();
  static void GiveBack(int32_t id);
  void DeleteSoftFont(int32_t id);

  int32_t fontId_ = 0;
  Block blocks_[256];
};

class GPcl5eDownloadHandle : public GDownloadHandle {
 public:
  explicit GPcl5eDownloadHandle(GPdlGenerator* generator);
  explicit GPcl5eDownloadHandle(GPcl5eDownloadRecord* record);
  ~GPcl5eDownloadHandle() override;

  GDownloadHandle* Clone() const override;
  virtual void MarkBlock(uint32_t code) { Record()->MarkBlock(code); }
  virtual int32_t GetFontId() { return Record()->GetFontId(); }
  virtual int32_t GetBlockFontId(uint32_t code) { return Record()->GetBlockFontId(code); }
  virtual int32_t IsBlockMarked(uint32_t code) const { return Record()->IsBlockMarked(code); }

 private:
  GPcl5eDownloadRecord* Record() const { return static_cast<GPcl5eDownloadRecord*>(GetRecord()); }
};

class GPcl5eDownloadCache : public GDownloadCache {
 public:
  GDownloadHandle* Find(GFontFaceHandle* face) override;
};

class GPcl5eGlyphCodeAllocator : public GGlyphCodeAllocator {
 public:
  // Mode 1, first mapped code 128.
  GPcl5eGlyphCodeAllocator();
  // Characters below the first mapped code keep their value; any other gets
  // 0x7F00 + the next code in mode 1 (from 0x8000), the next code otherwise
  // (from 0x100).
  uint16_t Map(uint16_t c) override;
  // Mode := mode; the first mapped code becomes 128 for mode 1, else 256;
  // returns it.
  uint16_t SetExtendedMode(int32_t mode);
  int32_t GetMode() const { return mode_; }
  uint16_t GetFirstMappedCode() const { return first_; }

 protected:
  void Advance() override;

 private:
  int32_t mode_ = 1;
  uint16_t first_ = 128;
};
