// A test face, face handle and width source: the concrete classes of the
// font model come from the platform's print side, which the module does not
// carry, so the tests (and the fuzz targets) register these. The width
// source gives code c the width c + 100 for the codes the test lets it
// know and counts what it is asked; the face records the characters it
// downloads and the preparations asked of it; the handle draws a fixed
// glyph image.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFace.h"
#include "graphics/GFontFaceHandle.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"
#include "support/TestFontReader.h"

namespace qvtest {

constexpr RWClassID TestWidthSourceClassId = 1996;
constexpr RWClassID TestFontFaceClassId = 1997;
constexpr RWClassID TestFaceHandleClassId = 1998;

class TestWidthSource : public GCharWidthSource {
 public:
  TestWidthSource() = default;
  TestWidthSource(const TestWidthSource&) = default;
  RWClassID ClassId() const override { return TestWidthSourceClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestWidthSourceClassId || GCharWidthSource::DerivesFrom(id); }
  TestWidthSource* CreateSameKind() const override { return new TestWidthSource; }
  TestWidthSource* Clone() const override { return new TestWidthSource(*this); }

  static int16_t WidthOf(uint16_t code) { return static_cast<int16_t>(code + 100); }

  int GetWidthRange(int32_t, uint16_t first, uint16_t last, int16_t* out) override {
    rangeCalls.push_back({first, last});
    if (!rangeWorks) return 0;
    for (uint32_t c = first; c <= last; ++c) out[c - first] = WidthOf(static_cast<uint16_t>(c));
    return 1;
  }
  int GetCharWidth(int32_t, uint16_t code, int16_t* out) override {
    charCalls.push_back(code);
    if (unknown.count(code) != 0) return 0;
    *out = WidthOf(code);
    return 1;
  }
  int32_t WidthQuery1(int32_t, int16_t cellHeight, int32_t a, int32_t b) override { return cellHeight + a + b; }
  int32_t WidthQuery2(int32_t, int16_t cellHeight, int32_t a, int32_t b) override { return cellHeight * a - b; }

  bool rangeWorks = true;
  std::set<uint16_t> unknown;
  struct Range {
    uint16_t first;
    uint16_t last;
  };
  std::vector<Range> rangeCalls;
  std::vector<uint16_t> charCalls;
};

class TestFontFace : public GFontFace {
 public:
  TestFontFace() { ++live; }
  TestFontFace(const GFontMetrics& metrics, const GFontDownloadExtras& extras, int32_t sourceValue = 7)
      : GFontFace(sourceValue, metrics, extras) {
    ++live;
  }
  TestFontFace(const TestFontFace& other) : GFontFace(other), kind(other.kind) { ++live; }
  ~TestFontFace() override { --live; }
  // Faces alive now.
  static inline int live = 0;
  RWClassID ClassId() const override { return TestFontFaceClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestFontFaceClassId || GFontFace::DerivesFrom(id); }
  TestFontFace* CreateSameKind() const override { return new TestFontFace; }
  TestFontFace* Clone() const override { return new TestFontFace(*this); }

  int32_t GetFaceKind() const override { return kind; }
  int DownloadCharacter(uint16_t code, int32_t value) override {
    downloaded.push_back(code);
    lastValue = value;
    return downloadAnswer;
  }
  int PrepareFace(int32_t faceKind, int32_t mode) override {
    prepared.push_back({faceKind, mode});
    return 5;
  }
  int PrepareCharacters(const GTextString*, int32_t mode) override {
    preparedCharacters.push_back(mode);
    return 6;
  }
  void AssignFrom(const GFontFace&) override { ++merges; }

  int32_t kind = 2;
  int downloadAnswer = 1;
  int32_t lastValue = 0;
  int merges = 0;
  std::vector<uint16_t> downloaded;
  struct Preparation {
    int32_t kind;
    int32_t mode;
  };
  std::vector<Preparation> prepared;
  std::vector<int32_t> preparedCharacters;
};

class TestFaceHandle : public GFontFaceHandle {
 public:
  TestFaceHandle() = default;
  TestFaceHandle(GFontFace* face, uint32_t instance) : GFontFaceHandle(face, instance) {}
  TestFaceHandle(const TestFaceHandle&) = default;
  RWClassID ClassId() const override { return TestFaceHandleClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestFaceHandleClassId || GFontFaceHandle::DerivesFrom(id); }
  TestFaceHandle* CreateSameKind() const override { return new TestFaceHandle; }
  TestFaceHandle* Clone() const override { return new TestFaceHandle(*this); }

  int32_t GetFaceKind() const override { return GetFace() != nullptr ? GetFace()->GetFaceKind() : 0; }

  // A glyph of glyphWidth x glyphHeight pixels at (1, 2) whose pixel (x, y)
  // is set when (x + y) is a multiple of 3; rows padded to 32 bits.
  static bool PixelSet(int x, int y) { return (x + y) % 3 == 0; }
  uint32_t GetGlyphBitmap(uint16_t, int32_t, int16_t box[4], GByteBuffer** out) override {
    const uint32_t row = ((glyphWidth + 31) / 32) * 4;
    const uint32_t size = row * glyphHeight;
    auto* bits = new uint8_t[size]();
    for (int y = 0; y < glyphHeight; ++y)
      for (int x = 0; x < glyphWidth; ++x)
        if (PixelSet(x, y)) bits[y * row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    *out = new GByteBuffer(bits, size, 1);
    box[0] = 1;
    box[1] = 2;
    box[2] = static_cast<int16_t>(glyphWidth);
    box[3] = static_cast<int16_t>(glyphHeight);
    return size;
  }

  int glyphWidth = 10;
  int glyphHeight = 3;
};

inline RWCollectable* TestWidthSourceCreate() { return new TestWidthSource; }
inline RWCollectable* TestFontFaceCreate() { return new TestFontFace; }
inline RWCollectable* TestFaceHandleCreate() { return new TestFaceHandle; }

inline void RegisterFontTestClasses() {
  RWFactoryAddClass(&TestWidthSourceCreate, TestWidthSourceClassId, RWStringID("TestWidthSource"));
  RWFactoryAddClass(&TestFontFaceCreate, TestFontFaceClassId, RWStringID("TestFontFace"));
  RWFactoryAddClass(&TestFaceHandleCreate, TestFaceHandleClassId, RWStringID("TestFaceHandle"));
  RegisterTestFontReader();
}

inline void UnregisterFontTestClasses() {
  UnregisterTestFontReader();
  for (RWClassID id : {TestWidthSourceClassId, TestFontFaceClassId, TestFaceHandleClassId}) RWFactoryRemoveClassId(id);
  for (const char* name : {"TestWidthSource", "TestFontFace", "TestFaceHandle"})
    RWFactoryRemoveStringId(RWStringID(name));
}

// A face's description for tests: name "Sans", codes 32 to 126 with default
// character 63 ('?'), height 40, descent 8, at 600 dpi.
inline GFontMetrics SampleFaceMetrics() {
  GFontMetrics m;
  m.verticalResolution = 600;
  m.horizontalResolution = 600;
  m.baseline = 32;
  m.descent = 8;
  m.verticalMetric3 = 3;
  m.metricInt1 = 11;
  m.metricInt2 = 12;
  m.metricInt3 = 13;
  m.weight = 700;
  m.metricInt4 = 14;
  m.metricReal1 = 1.5f;
  m.metricReal2 = 2.25f;
  m.height = 40;
  m.metricInt5 = 15;
  m.metricInt6 = 16;
  m.horizontalMetric1 = 20;
  m.cellWidth = 24;
  m.firstChar = 32;
  m.lastChar = 126;
  m.defaultChar = 63;
  m.metricWord = 32;
  m.name = "Sans";
  m.metricInt7 = 17;
  m.fontNumber = 3;
  return m;
}

inline GFontDownloadExtras SampleFaceExtras() {
  GFontDownloadExtras e;
  e.angle1 = GAngle(0.0f);
  e.angle2 = GAngle(30.0f);
  e.extrasShort = 9;
  e.extrasInt1 = 21;
  e.extrasInt2 = 22;
  e.extrasInt3 = 23;
  e.flags = 0;
  e.angle3 = GAngle(12.5f);
  e.encoding = 16;
  e.extrasWord = 5;
  return e;
}

}  // namespace qvtest
