// A test-side job driver for the PCL 5e generator: it plays the printer
// peripheral, handing the generator a document start, pages with their
// media, graphics objects, page ends and the document end through the
// peripheral interface, with the generator's output going into a memory
// channel. The generator's configuration carries a page-size list for
// Letter and A4, a tray map and a capability set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBrush.h"
#include "graphics/GColor.h"
#include "graphics/GGraphic.h"
#include "graphics/GPaint.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "model/GAttributeComposite.h"
#include "model/GBinaryData.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/MPersistentComposite.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "pdl/GPcl5e.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPrinter.h"
#include "printpath/GRenderInstance.h"
#include "support/AttributeBuilders.h"
#include "support/GraphicsObjectSamples.h"
#include "support/PclInterpreter.h"
#include "support/RecordingChannel.h"

namespace qvtest {

// Paper ids of the sample sizes.
inline constexpr int16_t kPcl5LetterId = 1;
inline constexpr int16_t kPcl5A4Id = 23;

// The imageable origin of the sample media at 600 dpi: x is the left
// offset of the printer's logical page (a quarter inch on Letter in
// portrait), y a 100-dot top margin.
inline GShortPoint Pcl5ImageableOrigin(int16_t paperId, int32_t orientation) {
  const bool letter = paperId == kPcl5LetterId;
  const bool turned = orientation == 90 || orientation == 270;
  return GShortPoint(static_cast<int16_t>(letter ? (turned ? 120 : 150) : (turned ? 118 : 142)), 100);
}

// A medium at 600 dpi: Letter 5100 x 6600, A4 4960 x 7016 (turned for 90
// and 270 degrees), imageable from its origin to as far from the opposite
// edges.
inline GMedia* Pcl5Medium(int16_t paperId, int32_t orientation = 0, const char* mediaType = nullptr) {
  const bool letter = paperId == kPcl5LetterId;
  GShortPoint size(letter ? 5100 : 4960, letter ? 6600 : 7016);
  if (orientation == 90 || orientation == 270) size = GShortPoint(size.y, size.x);
  const GShortPoint origin = Pcl5ImageableOrigin(paperId, orientation);
  const GShortPoint extent(static_cast<int16_t>(size.x - 2 * origin.x), static_cast<int16_t>(size.y - 2 * origin.y));
  const int32_t id = GFeatureIds::kPageMedia;
  return new GMedia(letter ? "Letter" : "A4", &size, &extent, &origin, orientation, paperId, 600, 600, &id, 0,
                    nullptr, mediaType);
}

// The print side of a job: a render instance over a device model whose
// printer holds the sample media (Letter and A4, upright and turned) and the
// gray conversion data, with the document settings the instance reads.
class Pcl5PrintSide : public GRenderInstance {
 public:
  Pcl5PrintSide() {
    using namespace GFeatureIds;
    SetNames(RWWString(u"Test Printer"), RWWString(u"Test Driver"), RWWString(u"LPT1:"));
    auto* root = new MPersistentComposite(353);
    auto* printer = new GPrinter(&kDeviceEntry);
    configuration_ = new GConfiguration(kPeripheralConfiguration);
    auto* pool = new GMediaPool(&kPrinterMediaPool);
    for (int16_t paper : {kPcl5LetterId, kPcl5A4Id})
      for (int32_t orientation : {0, 90, 180, 270}) {
        GMedia* medium = Pcl5Medium(paper, orientation);
        medium->SetFeatureId(kCustomMedia);
        pool->AddChild(medium);
      }
    configuration_->AddChild(pool);
    printer->SetConfiguration(configuration_);
    root->AddChild(printer);
    SetDeviceModel(root);
    auto* settings = new GAttributeComposite(&kDeviceOptions);
    options_ = new GAttributeComposite(&kDocumentSettings2);
    settings->AddChild(options_);
    SetStoredDocumentSettings(settings);
  }

  // The job is rendered as raster (the rasterization choice 3) or not (1).
  void Rasterize(bool raster) {
    options_->AddChild(Value(GFeatureIds::kRasterizationChoice, raster ? 3 : 1));
    BeginJob();
  }
  // The weighted gray conversion, (red r + green g + blue b) / 2^shift.
  void UseWeightedGray(uint8_t shift, uint8_t r, uint8_t g, uint8_t b) {
    weights_[0] = shift;
    weights_[1] = r;
    weights_[2] = g;
    weights_[3] = b;
    auto* data = new MPersistentComposite(GFeatureIds::kGrayConversionData);
    data->AddChild(new GBinaryData(weights_, sizeof weights_, 0, GFeatureIds::kGrayWeights));
    configuration_->AddChild(data);
    SelectGrayConversion(2);
  }

  // The printer's colour device value (how colour is treated).
  void SetColourDevice(int16_t value) { configuration_->AddChild(Value(GFeatureIds::kColorDevice, value)); }

  int16_t EnsureDocumentStarted() override { return 0; }
  void RefreshAppFlags() override {}
  void EndNestedPath(GCommand*, int) override {}
  void EndOutermostPath(GCommand*, int) override {}
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return StoredDocumentSettings(); }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return StoredDocumentSettings(); }

 private:
  GConfiguration* configuration_ = nullptr;
  GAttributeComposite* options_ = nullptr;
  unsigned char weights_[4] = {};
};

inline GColorPaint* Pcl5Paint(uint8_t red, uint8_t green, uint8_t blue) {
  return new GColorPaint(new GRGBColor(red, green, blue, 0));
}

// A bundle with a pen (width in dots, black) and a brush of the gray given,
// either left out when negative.
inline GGraphicBundle* Pcl5Bundle(int penWidth, int brushGray) {
  auto* bundle = new GGraphicBundle;
  if (penWidth >= 0)
    bundle->SetPen(new GPen(penWidth, Pcl5Paint(0, 0, 0), nullptr));
  else
    bundle->SetPen(new GNoPen(nullptr));
  if (brushGray >= 0) {
    const auto g = static_cast<uint8_t>(brushGray);
    bundle->SetBrush(new GBrush(Pcl5Paint(g, g, g), nullptr));
  } else {
    bundle->SetBrush(new GNoBrush(nullptr));
  }
  return bundle;
}

inline std::unique_ptr<GPointList> Pcl5Points(std::initializer_list<GShortPoint> points) {
  return std::unique_ptr<GPointList>(qvtest::OwnedPoints(points));
}

struct Pcl5PageSpec {
  int16_t paperId = kPcl5LetterId;
  int16_t orientation = 0;  // degrees
  int16_t duplex = 0;       // 0 off, 1 long edge, 2 short edge
  int16_t copies = 1;
  int16_t inputBin = 1;
  const char* mediaType = nullptr;
  // The orientation of the medium the page state carries; -1: the page's.
  int16_t mediumOrientation = -1;
};

// The gray at a point of the logical page (dots at 600 dpi from the
// imageable origin) of a page rendered at dpi in the paper's own portrait
// layout.
inline int Pcl5LogicalSample(const GrayPage& page, int16_t paperId, int orientation, int dpi, int x, int y) {
  const bool turned = orientation == 90 || orientation == 270;
  const int w = turned ? page.height : page.width;
  const int h = turned ? page.width : page.height;
  const GShortPoint origin = Pcl5ImageableOrigin(paperId, orientation);
  const int lx = (x + origin.x) * dpi / 600;
  const int ly = (y + origin.y) * dpi / 600;
  switch (orientation) {
    case 90: return page.At(ly, w - 1 - lx);
    case 180: return page.At(w - 1 - lx, h - 1 - ly);
    case 270: return page.At(h - 1 - ly, lx);
    default: return page.At(lx, ly);
  }
}

class Pcl5JobDriver {
 public:
  // capabilities: the bits of the generator's capability set.
  // mediaTypeCodes: the configuration names "Glossy" as media type 3.
  explicit Pcl5JobDriver(uint32_t capabilities = 0, bool mediaTypeCodes = false) {
    using namespace GFeatureIds;
    auto* configuration = new GConfiguration(kPeripheralConfiguration);
    auto* papers = new MAssociationList(kPaperList);
    papers->Add(new MPersistentAssociation(Value(0, kPcl5LetterId), new GSelectionString("#1B&l2A", 2, 0), 0));
    papers->Add(new MPersistentAssociation(Value(0, kPcl5A4Id), new GSelectionString("#1B&l26A", 26, 0), 0));
    configuration->AddChild(papers);
    auto* trays = new MAssociationList(kPdlTrayMap);
    trays->Add(new MPersistentAssociation(Value(0, 1), Value(0, 4), 0));
    trays->Add(new MPersistentAssociation(Value(0, 2), Value(0, 1), 0));
    configuration->AddChild(trays);
    if (mediaTypeCodes) {
      auto* types = new MAssociationList(kMediaTypeCodes);
      types->Add(new MPersistentAssociation(Text(0, "Glossy"), Value(0, 3), 0));
      configuration->AddChild(types);
    }
    auto* group = new MPersistentComposite(kPrinterCapabilityGroup);
    auto* set = new GCapabilities(kGeneratorCapabilities, 32);
    for (uint32_t bit = 0; bit < 32; ++bit) {
      if ((capabilities >> bit & 1) != 0) set->Set(bit);
    }
    group->AddChild(set);
    configuration->AddChild(group);
    const int32_t generatorId = kGeneratorPeripheral;
    generator = std::make_unique<GPcl5e>(RWCString("PCL 5e"), nullptr, configuration, &generatorId, 64, 2, 2);
  }

  int16_t StartDocument(int16_t duplex = 0, int16_t resolution = 600) {
    using namespace GFeatureIds;
    const int32_t jobId = kJobSettings;
    auto* settings = new GState(&jobId);
    settings->AddChild(Group(kResolution, {Value(kXResolution, resolution), Value(kYResolution, resolution)}));
    settings->AddChild(Value(kDuplex, duplex));
    for (MPersistentObject* extra : extraJobSettings) settings->AddChild(extra);
    extraJobSettings.clear();
    // The PJL peripheral ahead of the generator opens the channel and
    // begins the document with its header.
    channel.Open(RWWString(u"Shapes"));
    channel.BeginDocument();
    auto* start = new GDocumentStart(RWWString(u"Shapes"), RWCString(), RWWString(u"LPT1:"), instance, settings);
    start->SetOutputChannel(&channel);
    return Pass(start);
  }

  // A transform given is the page's (taken over).
  int16_t StartPage(const Pcl5PageSpec& spec, GAttribute* transform = nullptr) {
    using namespace GFeatureIds;
    const int32_t pageId = kPageState;
    auto* settings = new GState(&pageId);
    settings->AddChild(
        Pcl5Medium(spec.paperId, spec.mediumOrientation >= 0 ? spec.mediumOrientation : spec.orientation, spec.mediaType));
    settings->AddChild(Value(kOrientation, spec.orientation));
    settings->AddChild(Value(kDuplex, spec.duplex));
    settings->AddChild(Value(kPageCopies, spec.copies));
    settings->AddChild(Value(kInputBin, spec.inputBin));
    if (transform != nullptr) settings->AddChild(transform);
    return Pass(new GPageStart(settings));
  }

  // Sends a graphic the way the printer does: its bundle is merged and
  // applied, then it draws itself.
  int16_t Draw(GGraphic* graphic) { return Pass(graphic); }
  int16_t EndPage() { return Pass(new GPageEnd); }
  int16_t EndDocument() { return Pass(new GDocumentEnd); }

  const std::string& Bytes() const { return channel.bytes; }

  RecordingChannel channel;
  std::unique_ptr<GPcl5e> generator;
  // The print side the next document start names (none when null; stays
  // the test's).
  GDriverInstance* instance = nullptr;
  // More job settings for the next document start (taken over there).
  std::vector<MPersistentObject*> extraJobSettings;

 private:
  // Sends a new command (held here while it passes); 0, or the status of
  // the error command that came back.
  int16_t Pass(GCommand* command) {
    GCountedPtr held(command);
    const GCountedPtr result = generator->Send(command);
    auto* error = dynamic_cast<GErrorCommand*>(result.Pointee());
    return error != nullptr ? static_cast<int16_t>(error->GetStatus()) : 0;
  }
};

}  // namespace qvtest
