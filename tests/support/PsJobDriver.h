// Drives the PostScript generator through a job the way the printer
// peripheral does: document start, page starts and ends with their page
// settings, document end, each sent through the generator's Send, with the
// output going into a recording channel. With the PJL wrapper in front the
// PJL peripheral opens the channel and frames the job; without it the
// driver opens its own channel, as the wrapper would have. Job settings
// are set on the generator's job section; page settings go with each page
// start.
#pragma once

#include <cstdint>
#include <string>

#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GPassThroughCommand.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "pdl/GPJL.h"
#include "pdl/GPostScript.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "support/RecordingChannel.h"

namespace qvtest {

// The status a stage's answer carries: an error command's status, else 0.
inline int16_t PsStatusOf(const GCountedPtr& answer) {
  auto* error = dynamic_cast<GErrorCommand*>(CommandOf(answer));
  return error != nullptr ? static_cast<int16_t>(error->GetStatus()) : 0;
}

// A medium of the sample family's kind: size in pixels at 600 dpi, a
// quarter-inch margin.
inline GMedia* PsMedium(const char* name, int16_t width, int16_t height, int16_t paperId = 1,
                        const char* mediaType = nullptr) {
  const GShortPoint size(width, height);
  const GShortPoint extent(static_cast<int16_t>(width - 300), static_cast<int16_t>(height - 300));
  const GShortPoint origin(150, 150);
  return new GMedia(name, &size, &extent, &origin, 0, paperId, 600, 600, &GFeatureIds::kPageMedia, 0, nullptr,
                    mediaType);
}

inline GMedia* PsLetter() { return PsMedium("Letter", 5100, 6600, 1); }
inline GMedia* PsA4() { return PsMedium("A4", 4960, 7016, 9); }

// Page settings: the medium (none when null) and the orientation in degrees.
inline GState* PsPageSettings(GMedia* medium, int16_t orientation = 0) {
  auto* page = new GState(&GFeatureIds::kPageState);
  if (medium != nullptr) page->AddChild(medium);
  page->AddChild(new GValueAttribute(orientation, &GFeatureIds::kOrientation));
  return page;
}

class PsJobDriver {
 public:
  explicit PsJobDriver(bool withPjl = false) : withPjl_(withPjl) {
    if (withPjl_) {
      pjl.GetCurrentState()->AddChild(new GStringAttribute("POSTSCRIPT", &GFeatureIds::kPdlLanguageName));
    }
  }

  // The job section the generator reads (and the PJL peripheral, when in
  // front, its own).
  GState* Job() { return generator.GetStateSection(GFeatureIds::kJobSettings); }
  void SetValue(int32_t id, int16_t value) {
    Job()->AddChild(new GValueAttribute(value, &id));
    if (withPjl_) pjl.GetStateSection(GFeatureIds::kJobSettings)->AddChild(new GValueAttribute(value, &id));
  }

  int16_t Start(const char16_t* document = u"Report") {
    auto* start = new GDocumentStart(RWWString(document), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr);
    GCountedPtr held(start);
    if (withPjl_) {
      const int16_t status = PsStatusOf(pjl.Send(start));
      if (status != 0) return status;
    } else {
      channel.Open(RWWString(document));
      channel.BeginDocument();
      start->SetOutputChannel(&channel);
    }
    return PsStatusOf(generator.Send(start));
  }
  int16_t PageStart(GState* settings) { return PsStatusOf(generator.Send(Keep(new GPageStart(settings)))); }
  int16_t PageEnd() { return PsStatusOf(generator.Send(Keep(new GPageEnd))); }
  // A page without drawing.
  int16_t Page(GState* settings) {
    const int16_t status = PageStart(settings);
    const int16_t ended = PageEnd();
    return status != 0 ? status : ended;
  }
  // Raw bytes for the generator of that class (this one by default).
  int16_t PassThrough(const std::string& data, uint16_t target = GPostScriptClassId) {
    const int32_t noId = 0;
    return PsStatusOf(generator.Send(Keep(new GPassThroughCommand(reinterpret_cast<const uint8_t*>(data.data()),
                                                                  static_cast<uint16_t>(data.size()), target, &noId))));
  }
  int16_t End() {
    GCountedPtr end(new GDocumentEnd);
    const int16_t status = PsStatusOf(generator.Send(CommandOf(end)));
    if (withPjl_) pjl.Send(CommandOf(end));
    return status;
  }
  // Everything the job wrote.
  std::string Output() const {
    if (withPjl_) return RecordingSource::last != nullptr ? RecordingSource::last->bytes : std::string();
    return channel.bytes;
  }

  RecordingSource source;
  RecordingChannel channel;
  GPJL pjl;
  GPostScript generator;

 private:
  // Keeps the command alive for the rest of the job.
  GCommand* Keep(GCommand* command) {
    kept_ = GCountedPtr(command);
    return command;
  }
  bool withPjl_;
  GCountedPtr kept_;
};

}  // namespace qvtest
