// GFontFace: everything a generator needs to know about one font at one size
// before it downloads or selects it: its metrics, name, character range and
// widths, the characters already downloaded and the generator's download
// record. Concrete faces (which glyphs look like what) derive from it and
// supply the glyph-level operations. Graphics and generators hold faces
// through counted GFontFaceHandle objects; the job's font database holds
// one count as well, and the last release deletes the face.
//
// GCharWidthSource: the platform's source of character widths for a face.
// GFaceDownloadInfo: the base of the generator's download record that a
// face keeps (the generators derive their download handles from it).
#pragma once

#include <cstdint>

#include "graphics/GAngle.h"
#include "graphics/GCodeSet.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentKind.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

class GTextString;

constexpr RWClassID GFontFaceClassId = 852;
constexpr RWClassID GCharWidthSourceClassId = 866;

// The face's metrics. The baseline distance, descent, third vertical metric
// and height are vertical quantities; the two horizontal metrics (the second
// is the cell width) horizontal ones.
struct GFontMetrics {
  int16_t verticalResolution = 0;
  int16_t horizontalResolution = 0;
  int16_t baseline = 0;
  int16_t descent = 0;
  int16_t verticalMetric3 = 0;
  int32_t metricInt1 = 0;
  int32_t metricInt2 = 0;
  int32_t metricInt3 = 0;
  uint16_t weight = 400;
  int32_t metricInt4 = 0;
  float metricReal1 = 0.0f;
  float metricReal2 = 0.0f;
  int16_t height = 0;
  int32_t metricInt5 = 0;
  int32_t metricInt6 = 0;
  int16_t horizontalMetric1 = 0;
  int16_t cellWidth = 0;
  uint16_t firstChar = 0;
  uint16_t lastChar = 0;
  uint16_t defaultChar = 0;
  uint16_t metricWord = 0;
  RWCString name;
  int32_t metricInt7 = 0;
  int16_t fontNumber = 0;

  bool operator==(const GFontMetrics& other) const;
};

// What a download needs beyond the metrics. Flag 2: the face needs no
// preparation for download.
struct GFontDownloadExtras {
  static constexpr uint32_t kNoPreparation = 2;
  GAngle angle1;
  GAngle angle2;
  int16_t extrasShort = 0;
  int32_t extrasInt1 = 0;
  int32_t extrasInt2 = 0;
  int32_t extrasInt3 = 0;
  uint32_t flags = 0;
  GAngle angle3;
  int32_t encoding = 0;
  uint32_t extrasWord = 0;
};

class GCharWidthSource : public MPersistentObject {
 public:
  GCharWidthSource();
  GCharWidthSource(const GCharWidthSource& other);
  ~GCharWidthSource() override;

  static RWClassID StaticClassId() { return GCharWidthSourceClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_ID();
  // Stored body: the version only.
  RW_STORED_MEMBERS();

  // Widths of codes first to last into out[0 ...]; non-zero on success.
  virtual int GetWidthRange(int32_t sourceValue, uint16_t first, uint16_t last, int16_t* out) = 0;
  // Non-zero when the code has a width.
  virtual int GetCharWidth(int32_t sourceValue, uint16_t code, int16_t* out) = 0;
  virtual int32_t WidthQuery1(int32_t sourceValue, int16_t cellHeight, int32_t a, int32_t b) = 0;
  virtual int32_t WidthQuery2(int32_t sourceValue, int16_t cellHeight, int32_t a, int32_t b) = 0;
};

class GFaceDownloadInfo {
 public:
  virtual ~GFaceDownloadInfo();
};

class GFontFace : public MPersistentObject {
 public:
  // The description: the source value, the metrics and the extras. The key
  // comes from the font database's unique-id counter; the width source from
  // the platform factory (none when it offers none).
  GFontFace(int32_t sourceValue, const GFontMetrics& metrics, const GFontDownloadExtras& extras);
  // The description, key, stamp and a copy of the width source; no use
  // count, no download record, no downloaded characters, not marked.
  GFontFace(const GFontFace& other);
  GFontFace& operator=(const GFontFace&) = delete;
  // Deletes the width source and the download record.
  ~GFontFace() override;

  static RWClassID StaticClassId() { return GFontFaceClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_ID();
  // Equal bases, metrics, angles 1 and 2, extras values, encoding, further
  // word and width sources; flags, angle 3, key, stamp, counts and source
  // value are not compared.
  int Matches(const MPersistentObject* other) const override;
  // Stored body: version 1, the metrics, the extras (angles in whole
  // degrees), the width source (framed, nil when absent), key and stamp. A
  // restore sets the source value to 0.
  RW_STORED_MEMBERS();

  // ---- What the concrete face supplies ----
  // Bit 1: bitmaps available; bit 2: outlines available.
  virtual int32_t GetFaceKind() const = 0;
  virtual int DownloadCharacter(uint16_t code, int32_t value) = 0;
  virtual int PrepareFace(int32_t kind, int32_t mode) = 0;
  virtual int PrepareCharacters(const GTextString* text, int32_t mode) = 0;

  const GFontMetrics& GetMetrics() const { return metrics_; }
  const GFontDownloadExtras& GetDownloadExtras() const { return extras_; }
  int32_t GetSourceValue() const { return sourceValue_; }
  void SetSourceValue(int32_t value) { sourceValue_ = value; }
  int16_t GetHeight() const { return metrics_.height; }
  uint16_t GetFirstChar() const { return metrics_.firstChar; }
  uint16_t GetLastChar() const { return metrics_.lastChar; }
  uint16_t GetDefaultChar() const { return metrics_.defaultChar; }
  const RWCString& GetName() const { return metrics_.name; }
  uint32_t GetFlags() const { return extras_.flags; }
  int16_t GetFontNumber() const { return metrics_.fontNumber; }
  void SetFontNumber(int16_t number) { metrics_.fontNumber = number; }

  // The font database's bookkeeping.
  uint32_t GetKey() const { return key_; }
  uint32_t GetStamp() const { return stamp_; }
  // One more; stays at 0xFFFFFFFF once there.
  void IncrementStamp();
  int16_t GetUseCount() const { return useCount_; }
  void SetUseCount(int16_t count) { useCount_ = count; }
  int16_t AddUse() { return ++useCount_; }
  int16_t DropUse() { return --useCount_; }
  virtual void MarkForSave();
  int32_t IsMarkedForSave() const { return saveFlag_; }
  void ClearSaveMark() { saveFlag_ = 0; }
  // What a newer stored copy adds; nothing in this class.
  virtual void AssignFrom(const GFontFace& newer);
  virtual int IsReadyForDownload() const;

  // ---- Widths (0 without a width source) ----
  // Widths of codes first to last into out[0 .. last - first]: codes outside
  // the face's range get its default width. 0 when a needed width could not
  // be had or first > last.
  virtual int GetWidthRange(uint16_t first, uint16_t last, int16_t* out);
  // The width of each character of the text into out[i]; 1 on success.
  virtual int GetWidthsForText(const GTextString* text, int16_t* out);
  virtual int32_t WidthQuery1(int32_t a, int32_t b);
  virtual int32_t WidthQuery2(int32_t a, int32_t b);
  GCharWidthSource* GetWidthSource() const;
  // Holds the source (the one held before is let go).
  void SetWidthSource(GCharWidthSource* source);

  // ---- Download state ----
  GFaceDownloadInfo* GetDownloadInfo() const { return downloadInfo_; }
  // Does not delete the previous record: the caller has it.
  void SetDownloadInfo(GFaceDownloadInfo* info) { downloadInfo_ = info; }
  // Adds every code of the text to the downloaded characters; the text's
  // length (0 for none).
  uint32_t AddCharacters(const GTextString* text);
  // DownloadCharacter for each downloaded character in code order; the
  // answer of IsReadyForDownload when the last call answered non-zero, else
  // 0 (0 for an empty set).
  int DownloadPendingCharacters();
  const GCodeSet& GetDownloadedCharacters() const { return downloaded_; }

  int16_t GetGeneratorShort() const { return generatorShort_; }
  void SetGeneratorShort(int16_t value) { generatorShort_ = value; }
  int32_t GetGeneratorLong() const { return generatorLong_; }
  void SetGeneratorLong(int32_t value) { generatorLong_ = value; }

 protected:
  // The factory's empty face (restored afterwards): key from the counter.
  GFontFace();

 private:
  // The default width through the width source; false when it has none.
  bool DefaultWidth(int16_t* out);

  int32_t saveFlag_ = 0;
  int32_t sourceValue_ = 0;
  uint32_t stamp_ = 0;
  uint32_t key_ = 0;
  int16_t useCount_ = 0;
  GFontMetrics metrics_;
  GFontDownloadExtras extras_;
  // Counted, so that a stored graph naming one source from two faces gives
  // it two holders.
  GCountedRef widthSource_;
  GFaceDownloadInfo* downloadInfo_ = nullptr;
  GCodeSet downloaded_;
  int16_t generatorShort_ = 0;
  int32_t generatorLong_ = 0;
};
