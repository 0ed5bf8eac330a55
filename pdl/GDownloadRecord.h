// The downloaded-font bookkeeping that every generator shares:
//
// GDownloadRecord: one font the generator downloaded into the printer (its
// name, kind, the glyphs sent, the printer memory it holds, when it was last
// used). Each generator derives its own record.
// GDownloadHandle: a counted reference to a record. The downloaded-font
// cache and every face that uses the font hold handles, never the record;
// the last handle deletes it. A face keeps its handle as its download
// record (GFaceDownloadInfo).
// GDownloadCache: the generator's list of downloaded fonts in the order they
// came; it finds the record that serves a face and frees printer memory by
// releasing the least recently used font.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GCodeSet.h"
#include "graphics/GFontFace.h"
#include "rw/RWCString.h"

class GDeviceFontDescription;
class GFontFaceHandle;
class GPdlGenerator;

class GDownloadRecord {
 public:
  // Record kinds.
  static constexpr int32_t kPrinterFont = 1;
  static constexpr int32_t kBitmapFont = 2;
  static constexpr int32_t kOutlineFont = 3;
  static constexpr int32_t kType42Font = 4;

  // Valid, no limit on glyphs (capacity 0xFFFF), nothing charged or sent.
  explicit GDownloadRecord(GPdlGenerator* generator);
  GDownloadRecord(const GDownloadRecord&) = delete;
  GDownloadRecord& operator=(const GDownloadRecord&) = delete;
  // Sends nothing and gives no memory back.
  virtual ~GDownloadRecord();

  virtual void Invalidate() { valid_ = 0; }
  virtual void SetKind(int32_t kind) { kind_ = kind; }
  // memory += n, then the generator's ReserveDeviceMemory(n).
  virtual void ChargeMemory(uint32_t n);
  virtual void SetDeviceFont(GDeviceFontDescription* font) { deviceFont_ = font; }
  // Gives the font up in the printer: nothing when no memory is charged;
  // otherwise removes it (printer-resident fonts are not removed), gives the
  // memory back and forgets the glyphs sent. Name, kind, capacity, encoding,
  // use stamp, device font and validity stay, so the font is downloaded
  // anew under the same name.
  virtual void Release();
  virtual void SetCapacity(uint16_t capacity) { capacity_ = capacity; }
  virtual void AddGlyphCount(int16_t n) { glyphCount_ = static_cast<int16_t>(glyphCount_ + n); }
  virtual void SetUseStamp(uint32_t stamp) { useStamp_ = stamp; }
  virtual void SetGlyphEncoding(int32_t encoding) { glyphEncoding_ = encoding; }
  virtual void AddSentCode(uint32_t code) { sent_.Add(code); }
  virtual void RemoveSentCode(uint32_t code) { sent_.Remove(code); }
  virtual int32_t GetKind() const { return kind_; }
  virtual uint32_t GetMemory() const { return memory_; }
  virtual int32_t IsValid() const { return valid_; }
  virtual GDeviceFontDescription* GetDeviceFont() const { return deviceFont_; }
  virtual uint32_t GetUseStamp() const { return useStamp_; }
  virtual uint16_t GetCapacity() const { return capacity_; }
  virtual int16_t GetGlyphCount() const { return glyphCount_; }
  virtual int32_t GetGlyphEncoding() const { return glyphEncoding_; }
  virtual int HasSentCode(uint32_t code) const { return sent_.Contains(code); }
  virtual int ForEachSentCode(GCodeSet::Callback callback, void* userData) const {
    return sent_.ForEach(callback, userData);
  }

  void SetName(const RWCString& name) { name_ = name; }
  const RWCString& GetName() const { return name_; }
  GPdlGenerator* GetGenerator() const { return generator_; }
  int16_t GetUseCount() const { return useCount_; }

 protected:
  // Removes the font in the printer (step two of Release): the generator's
  // RemoveDownloadedFont with the name, except for a printer-resident font.
  virtual void RemoveFromPrinter();

 private:
  friend class GDownloadHandle;

  GPdlGenerator* generator_;
  RWCString name_;
  GDeviceFontDescription* deviceFont_ = nullptr;
  int32_t valid_ = 1;
  uint16_t capacity_ = 0xFFFF;
  int16_t glyphCount_ = 0;
  uint32_t memory_ = 0;
  uint32_t useStamp_ = 0;
  int32_t kind_ = 0;
  int32_t glyphEncoding_ = 0;
  GCodeSet sent_;
  int16_t useCount_ = 0;
};

class GDownloadHandle : public GFaceDownloadInfo {
 public:
  // One more use of the record.
  explicit GDownloadHandle(GDownloadRecord* record);
  GDownloadHandle(const GDownloadHandle&) = delete;
  GDownloadHandle& operator=(const GDownloadHandle&) = delete;
  // One use less; the last deletes the record.
  ~GDownloadHandle() override;

  virtual int32_t GetKind() const { return record_->GetKind(); }
  virtual uint32_t GetMemory() const { return record_->GetMemory(); }
  virtual GDeviceFontDescription* GetDeviceFont() const { return record_->GetDeviceFont(); }
  virtual uint16_t GetCapacity() const { return record_->GetCapacity(); }
  virtual int16_t GetGlyphCount() const { return record_->GetGlyphCount(); }
  virtual uint32_t GetUseStamp() const { return record_->GetUseStamp(); }
  virtual int32_t GetGlyphEncoding() const { return record_->GetGlyphEncoding(); }
  virtual int HasSentCode(uint32_t code) const { return record_->HasSentCode(code); }
  virtual int ForEachSentCode(GCodeSet::Callback callback, void* userData) const {
    return record_->ForEachSentCode(callback, userData);
  }
  virtual int32_t IsValid() const { return record_->IsValid(); }
  virtual void Invalidate() { record_->Invalidate(); }
  // A new handle of the same generator's kind on the same record.
  virtual GDownloadHandle* Clone() const = 0;
  virtual void SetKind(int32_t kind) { record_->SetKind(kind); }
  virtual void ChargeMemory(uint32_t n) { record_->ChargeMemory(n); }
  virtual void SetDeviceFont(GDeviceFontDescription* font) { record_->SetDeviceFont(font); }
  virtual void Release() { record_->Release(); }
  virtual void SetCapacity(uint16_t capacity) { record_->SetCapacity(capacity); }
  virtual void AddGlyphCount(int16_t n) { record_->AddGlyphCount(n); }
  virtual void SetUseStamp(uint32_t stamp) { record_->SetUseStamp(stamp); }
  virtual void SetGlyphEncoding(int32_t encoding) { record_->SetGlyphEncoding(encoding); }
  virtual void AddSentCode(uint32_t code) { record_->AddSentCode(code); }
  virtual void RemoveSentCode(uint32_t code) { record_->RemoveSentCode(code); }

  void SetName(const RWCString& name) { record_->SetName(name); }
  const RWCString& GetName() const { return record_->GetName(); }
  GDownloadRecord* GetRecord() const { return record_; }

 private:
  GDownloadRecord* record_;
};

class GDownloadCache {
 public:
  GDownloadCache();
  GDownloadCache(const GDownloadCache&) = delete;
  GDownloadCache& operator=(const GDownloadCache&) = delete;
  // Invalidates every entry's record and lets its handle go; nothing is
  // sent and no memory given back. Faces that still hold handles see them
  // invalid and get new records.
  virtual ~GDownloadCache();

  // The memory of all entries.
  virtual uint32_t TotalMemory() const;
  // A new handle on the record that serves the face, attached to the face;
  // null when none does.
  virtual GDownloadHandle* Find(GFontFaceHandle* face) = 0;
  // Appends an entry with copies of the metrics and extras; takes the handle.
  virtual void Add(const GFontMetrics& metrics, const GFontDownloadExtras& extras, GDownloadHandle* handle);
  // Releases the downloaded font (kind 2 or 3, memory charged) with the
  // smallest use stamp, the earliest among equals; its bytes, 0 when none.
  virtual uint32_t ReleaseOne();
  // Releases every entry's record; the entries stay.
  virtual void ReleaseAll();

  size_t GetEntryCount() const { return entries_.size(); }
  GDownloadHandle* GetEntryHandle(size_t index) const {
    return index < entries_.size() ? entries_[index]->handle.get() : nullptr;
  }

 protected:
  // The entry that serves the face by the shared rule; the PostScript cache
  // also looks at the entry's last extras word for outline fonts.
  GDownloadHandle* FindServing(GFontFaceHandle* face, bool postScriptRule);

 private:
  struct Entry {
    GFontMetrics metrics;
    GFontDownloadExtras extras;
    std::unique_ptr<GDownloadHandle> handle;
  };
  std::vector<std::unique_ptr<Entry>> entries_;
};
