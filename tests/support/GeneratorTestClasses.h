// Test versions of the three generators that can set the values their job
// operations would set, and a peripheral that records which generator
// operation a generator's ApplyTo called.
#pragma once

#include <string>

#include "model/GPeripheral.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPostScript.h"
#include "pdl/cheetah.h"

namespace qvtest {

class TestCheetah : public GCheetah {
 public:
  using GCheetah::GCheetah;
  void Populate() {
    inDocument_ = 1;
    secondJob_ = 1;
    pathDepth_ = 2;
    clipPath_ = 1;
    fontCounter_ = 9;
    reservedSetting_ = -3;
    writeStatus_ = 601;
    writeEnabled_ = 0;
    xResolution_ = 1200;
    yResolution_ = 300;
    colourOutput_ = 1;
  }
  void SetCurrentPoint(int16_t x, int16_t y) {
    currentX_ = x;
    currentY_ = y;
  }
};

// A PCL XL generator whose job, page, escape-text and font-query operations
// are the generator base's: it writes nothing of its own, for the tests of the base
// and of the PJL wrapper around a generator's output.
class QuietCheetah : public GCheetah {
 public:
  using GCheetah::GCheetah;
  int16_t DocumentStart(GDocumentStart* command) override { return GPdlGenerator::DocumentStart(command); }
  int16_t DocumentEnd(GDocumentEnd* command) override { return GPdlGenerator::DocumentEnd(command); }
  int16_t PageStart(GPageStart* command) override { return GPdlGenerator::PageStart(command); }
  int16_t PageEnd(GPageEnd* command) override { return GPdlGenerator::PageEnd(command); }
  int32_t CheckEscapeText(const RWCString& text) override { return GPdlGenerator::CheckEscapeText(text); }
  int32_t QueryFontHandling(GFontFace* face) override { return GPdlGenerator::QueryFontHandling(face); }
  int32_t QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                            int32_t italic, int32_t weight, GDeviceFontDescription** outDescription) override {
    return GPdlGenerator::QueryTextHandling(metrics, kind, selector, outText, italic, weight, outDescription);
  }
  int16_t LookupStyleCode(int16_t n) override { return GPdlGenerator::LookupStyleCode(n); }
};

class TestPostScript : public GPostScript {
 public:
  using GPostScript::GPostScript;
  void Populate() {
    inDocument_ = 1;
    pathDepth_ = 1;
    reservedSetting_ = 4;
    sinkStatus_ = 2;
    sinkEnabled_ = 0;
    xResolution_ = 300;
    yResolution_ = 1200;
    colourMode_ = 1;
  }
  void SetCurrentPoint(int16_t x, int16_t y) {
    currentX_ = x;
    currentY_ = y;
  }
};

class TestPcl5e : public GPcl5e {
 public:
  using GPcl5e::GPcl5e;
  void Populate() {
    secondJob_ = 1;
    clipPath_ = 1;
    patternId_ = 17;
    outputStatus_ = 1;
    outputOk_ = 0;
    xResolution_ = 600;
    yResolution_ = 600;
    colourMode_ = 0;
    colourTreatmentMode_ = 1;
  }
  void SetCurrentPoint(int16_t x, int16_t y) {
    cursorX_ = x;
    cursorY_ = y;
  }
};

// Records the generator operation called on it.
class UseRecorder : public GPeripheral {
 public:
  UseRecorder* CreateSameKind() const override { return new UseRecorder; }
  UseRecorder* Clone() const override { return new UseRecorder(*this); }
  int16_t UsePclXlGenerator(GPeripheral* g) override { return Record("UsePclXlGenerator", g); }
  int16_t UsePcl5eGenerator(GPeripheral* g) override { return Record("UsePcl5eGenerator", g); }
  int16_t UsePostScriptGenerator(GPeripheral* g) override { return Record("UsePostScriptGenerator", g); }
  int16_t UsePjl(GPeripheral* g) override { return Record("UsePjl", g); }

  std::string operation;
  GPeripheral* argument = nullptr;

 private:
  int16_t Record(const char* name, GPeripheral* g) {
    operation = name;
    argument = g;
    return 5;
  }
};

}  // namespace qvtest
