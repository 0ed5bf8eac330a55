// Drives the PCL XL generator through a job as the printer peripheral does:
// the document start through the PJL peripheral (which writes the job
// header ending in "@PJL ENTER LANGUAGE=PCLXL" and hands its channel on)
// and then the generator, pages with their page settings, graphics, page
// ends and the document end, into a recording channel. Also the settings
// the generator reads: media, the device model's paper-name and tray maps,
// job settings.
#pragma once

#include <cstdint>
#include <string>

#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "pdl/GPJL.h"
#include "pdl/cheetah.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "support/RecordingChannel.h"

namespace qvtest {

// The media the tests print on, at 600 dpi (paper ids of the sample model:
// 1 Letter, 23 A4; 16384 a custom size).
struct XlPaper {
  const char* name;
  int16_t paperId;
  int16_t width;   // pixels at 600 dpi, portrait
  int16_t height;
};
inline constexpr XlPaper kXlLetter{"Letter", 1, 5100, 6600};
inline constexpr XlPaper kXlA4{"A4", 23, 4960, 7016};
inline constexpr XlPaper kXlLegalCustom{"Custom", 16384, 5100, 8400};

// A medium of the paper in the orientation (0 or 90 ...), 600 dpi.
inline GMedia* XlMedia(const XlPaper& paper, int32_t orientation = 0, const char* mediaType = nullptr) {
  const bool turned = orientation == 90 || orientation == 270;
  const GShortPoint size(turned ? paper.height : paper.width, turned ? paper.width : paper.height);
  const GShortPoint extent(static_cast<int16_t>(size.x - 200), static_cast<int16_t>(size.y - 200));
  const GShortPoint origin(100, 100);
  return new GMedia(paper.name, &size, &extent, &origin, orientation, paper.paperId, 600, 600,
                    &GFeatureIds::kPageMedia, 0, nullptr, mediaType);
}

// The page settings of one page: a medium (none when null), orientation,
// copies, and optional input bin and duplex.
struct XlPageSettings {
  const XlPaper* paper = &kXlLetter;
  int16_t orientation = 0;
  int16_t copies = 1;
  int16_t inputBin = -1;  // -1: none
  int16_t duplex = -1;    // -1: none
  const char* mediaType = nullptr;

  GState* Build() const {
    auto* page = new GState(&GFeatureIds::kPageState);
    if (paper != nullptr) page->AddChild(XlMedia(*paper, orientation, mediaType));
    page->AddChild(new GValueAttribute(orientation, &GFeatureIds::kOrientation));
    page->AddChild(new GValueAttribute(copies, &GFeatureIds::kPageCopies));
    if (inputBin >= 0) page->AddChild(new GValueAttribute(inputBin, &GFeatureIds::kInputBin));
    if (duplex >= 0) page->AddChild(new GValueAttribute(duplex, &GFeatureIds::kDuplex));
    return page;
  }
};

// The device model's paper-name map (paper id to the printer's name) and
// tray map (input bin to MediaSource code), as the sample model has them.
inline GConfiguration* XlConfiguration(bool withPaperNames = true) {
  const int32_t noId = 0;
  auto* configuration = new GConfiguration;
  if (withPaperNames) {
    auto* names = new MAssociationList(GFeatureIds::kPaperList);
    const struct {
      int16_t id;
      const char* name;
    } papers[] = {{1, "LETTER"}, {6, "LEGAL"}, {23, "A4"}};
    for (const auto& p : papers)
      names->Add(new MPersistentAssociation(new GValueAttribute(p.id, &noId), new GSelectionString(p.name, 0, noId),
                                            noId));
    configuration->AddChild(names);
  }
  auto* trays = new MAssociationList(GFeatureIds::kPdlTrayMap);
  const int16_t bins[][2] = {{1, 3}, {2, 4}, {7, 1}};
  for (const auto& b : bins)
    trays->Add(new MPersistentAssociation(new GValueAttribute(b[0], &noId), new GValueAttribute(b[1], &noId), noId));
  configuration->AddChild(trays);
  return configuration;
}

class XlJobDriver {
 public:
  explicit XlJobDriver(GConfiguration* configuration = XlConfiguration())
      : generator(RWCString("PCLXL"), nullptr, configuration, &GFeatureIds::kGeneratorPeripheral, 0, kAddOnNone,
                  kNoAddOns) {
    pjl.GetCurrentState()->AddChild(new GStringAttribute("PCLXL", &GFeatureIds::kPdlLanguageName));
  }

  // The generator's job settings (read at document start).
  GState* Job() { return generator.GetStateSection(GFeatureIds::kJobSettings); }
  void SetJobValue(int32_t id, int16_t value) { Job()->AddChild(new GValueAttribute(value, &id)); }

  int16_t Start() {
    GCountedPtr start(new GDocumentStart(RWWString(u"XL job"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr));
    GCountedPtr afterPjl = pjl.Send(CommandOf(start));
    return StatusOf(generator.Send(CommandOf(afterPjl)));
  }
  int16_t StartPage(const XlPageSettings& settings = {}) { return StartPage(settings.Build()); }
  // A page start carrying the page settings given (taken over).
  int16_t StartPage(GState* pageSettings) {
    GCountedPtr start(new GPageStart(pageSettings));
    return StatusOf(generator.Send(CommandOf(start)));
  }
  // Sends a graphic (taken over) through the generator.
  int16_t Draw(GCommand* graphic) {
    GCountedPtr held(graphic);
    return StatusOf(generator.Send(graphic));
  }
  int16_t EndPage() {
    GCountedPtr end(new GPageEnd);
    return StatusOf(generator.Send(CommandOf(end)));
  }
  int16_t End() {
    GCountedPtr end(new GDocumentEnd);
    const int16_t status = StatusOf(generator.Send(CommandOf(end)));
    pjl.Send(CommandOf(end));
    return status;
  }
  // Everything the channel received.
  std::string Bytes() const { return RecordingSource::last != nullptr ? RecordingSource::last->bytes : std::string(); }
  // The generator's own bytes: what follows the PJL header, up to the
  // footer when it is there.
  std::string StreamBytes() const {
    const std::string all = Bytes();
    const std::string enter = "@PJL ENTER LANGUAGE=PCLXL\r\n";
    const size_t at = all.find(enter);
    const size_t from = at == std::string::npos ? 0 : at + enter.size();
    const size_t footer = all.find("\x1b%-12345X@PJL EOJ", from);
    return all.substr(from, footer == std::string::npos ? std::string::npos : footer - from);
  }

  RecordingSource source;
  GPJL pjl;
  GCheetah generator;

 private:
  static int16_t StatusOf(const GCountedPtr& result) {
    auto* error = dynamic_cast<GErrorCommand*>(CommandOf(result));
    return error != nullptr ? static_cast<int16_t>(error->GetStatus()) : 0;
  }
};

}  // namespace qvtest
