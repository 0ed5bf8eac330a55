// GFontFaceHandle: a counted reference to a font face, held by graphics and
// generators in place of the face. A stored handle carries only the key of
// its print-side instance and the face's key and stamp; the face travels in
// the instance's font database file, and reading the handle back resolves
// it through that database (GFontDatabase::FindForInstance). Concrete
// handles come with the concrete faces and supply the face kind and the
// glyph bitmaps.
//
// GScaledFont: a handle with horizontal and vertical scale factors, for the
// generators that scale a downloaded bitmap font themselves.
#pragma once

#include <cstdint>

#include "graphics/GFontFace.h"

class GByteBuffer;
class GTTFontReader;

constexpr RWClassID GFontFaceHandleClassId = 851;

class GFontFaceHandle : public MPersistentObject {
 public:
  // Holds one use of the face (none for null) of the instance with the
  // given key.
  GFontFaceHandle(GFontFace* face, uint32_t instance);
  GFontFaceHandle(const GFontFaceHandle& other);
  GFontFaceHandle& operator=(const GFontFaceHandle&) = delete;
  // Releases the face: deleted with its last use, else its source value
  // becomes 0.
  ~GFontFaceHandle() override;

  static RWClassID StaticClassId() { return GFontFaceHandleClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_ID();
  // Equal bases, and the same face or two faces that match.
  int Matches(const MPersistentObject* other) const override;
  // Stored body: version 1, the instance key, the face's key and stamp
  // ((0, 0) without a face). Saving marks the face for saving and adds it
  // to the instance's font database, which writes it at the next page end.
  RW_STORED_MEMBERS();

  // ---- What the concrete handle supplies ----
  // The face kind: bit 1 bitmaps, bit 2 outlines.
  virtual int32_t GetFaceKind() const = 0;
  // The 1-bit glyph image of the code (rows padded to 32 bits, most
  // significant bit first) as a new owning buffer in *out; box holds x
  // origin, y origin, width and height. The size of the image, 0 on failure.
  virtual uint32_t GetGlyphBitmap(uint16_t code, int32_t value, int16_t box[4], GByteBuffer** out) = 0;
  // The TrueType reader of a face with outlines, and the face's source
  // value for it in *source; null for a face without TrueType data. The
  // generators that download outlines read tables and glyphs through it.
  virtual GTTFontReader* GetTrueTypeReader(uint32_t* source) const {
    (void)source;
    return nullptr;
  }

  GFontFace* GetFace() const { return face_; }
  uint32_t GetInstance() const { return instance_; }
  // Replaces the instance key; the previous one.
  uint32_t SetInstance(uint32_t instance);

  // ---- The face's answers (neutral values without a face) ----
  const GFontMetrics& GetMetrics() const;
  const GFontDownloadExtras& GetDownloadExtras() const;
  int32_t GetSourceValue() const { return face_ != nullptr ? face_->GetSourceValue() : 0; }
  int16_t GetHorizontalResolution() const { return GetMetrics().horizontalResolution; }
  int16_t GetVerticalResolution() const { return GetMetrics().verticalResolution; }
  int16_t GetHeight() const { return GetMetrics().height; }
  uint16_t GetFirstChar() const { return GetMetrics().firstChar; }
  uint16_t GetLastChar() const { return GetMetrics().lastChar; }
  uint16_t GetDefaultChar() const { return GetMetrics().defaultChar; }
  const RWCString& GetName() const { return GetMetrics().name; }
  GAngle GetAngle1() const { return GetDownloadExtras().angle1; }
  GAngle GetAngle3() const { return GetDownloadExtras().angle3; }
  GAngle GetAngle2() const { return GetDownloadExtras().angle2; }
  uint32_t GetFlags() const { return GetDownloadExtras().flags; }
  int GetWidthsForText(const GTextString* text, int16_t* out);
  int GetWidthRange(uint16_t first, uint16_t last, int16_t* out);
  int32_t WidthQuery1(int32_t a, int32_t b);
  int32_t WidthQuery2(int32_t a, int32_t b);
  int16_t GetGeneratorShort() const { return face_ != nullptr ? face_->GetGeneratorShort() : 0; }
  void SetGeneratorShort(int16_t value);
  int32_t GetGeneratorLong() const { return face_ != nullptr ? face_->GetGeneratorLong() : 0; }
  void SetGeneratorLong(int32_t value);
  int16_t GetFontNumber() const { return GetMetrics().fontNumber; }
  void SetFontNumber(int16_t number);

  // ---- The face's download state ----
  GFaceDownloadInfo* GetDownloadInfo() const { return face_ != nullptr ? face_->GetDownloadInfo() : nullptr; }
  // Does not delete the previous record.
  void SetDownloadInfo(GFaceDownloadInfo* info);
  // The record, which the face no longer has.
  GFaceDownloadInfo* DetachDownloadInfo();
  uint32_t AddCharacters(const GTextString* text);
  int DownloadPendingCharacters();
  // 1 when the face needs no preparation (flag 2); 0 when it is not ready
  // for download; else the face's own answer.
  int PrepareCharacters(const GTextString* text, int32_t mode);
  int PrepareFace(int32_t kind, int32_t mode);

 protected:
  // The factory's handle: no face, instance 0.
  GFontFaceHandle();

 private:
  // Gives up the face held (see the destructor).
  void ReleaseFace();

  GFontFace* face_ = nullptr;
  uint32_t instance_ = 0;
};

class GScaledFont {
 public:
  // A factor of 0 (either sign) is taken as 1.
  GScaledFont(GFontFaceHandle* handle, float horizontalScale, float verticalScale);
  // Leaves the handle alone.
  ~GScaledFont();

  float GetHorizontalScale() const { return sx_; }
  float GetVerticalScale() const { return sy_; }
  GFaceDownloadInfo* GetDownloadInfo() const { return handle_ != nullptr ? handle_->GetDownloadInfo() : nullptr; }
  int16_t GetHorizontalResolution() const { return handle_ != nullptr ? handle_->GetHorizontalResolution() : 0; }
  int16_t GetVerticalResolution() const { return handle_ != nullptr ? handle_->GetVerticalResolution() : 0; }
  uint16_t GetFirstChar() const { return handle_ != nullptr ? handle_->GetFirstChar() : 0; }
  uint16_t GetLastChar() const { return handle_ != nullptr ? handle_->GetLastChar() : 0; }
  const RWCString& GetName() const;
  GAngle GetAngle() const { return handle_ != nullptr ? handle_->GetAngle2() : GAngle(); }
  // The face's height, times the vertical factor unless it is 1.
  int16_t GetHeight() const;
  // The face's metrics with the vertical quantities times the vertical
  // factor and the horizontal ones times the horizontal factor.
  GFontMetrics GetMetrics() const;
  // The handle's glyph image scaled by the factors (each set pixel becomes
  // a block), its box scaled (the width rounded up to a multiple of 32).
  // The size of the image in *out, 0 on failure (also for an image too large
  // to make).
  uint32_t GetGlyphBitmap(uint16_t code, int32_t value, int16_t box[4], GByteBuffer** out);

 private:
  GFontFaceHandle* handle_;
  float sx_;
  float sy_;
};
