// The PCL XL generator on a 10-page job of the host's reference page
// (vectors, a clip and a 1800 x 1200 photo-like colour image at 600 dpi):
// the whole job from document start to document end into a channel that
// only counts, in gray (the image dithered to one bit) and in colour with
// each render mode's compression. Reported: time per page and the bytes
// per page ("bytes_per_page"), and the time as a ratio to a floor of the
// same run, one memcpy of the page's pixels ("x_memcpy").
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/BenchFloor.h"
#include "graphics/GDitherMatrix.h"
#include "host/PageDescription.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "pdl/cheetah.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

namespace {

constexpr int kXlBenchPages = 10;

// A channel that keeps nothing but the count of bytes.
class XlCountingChannel : public GOutputChannel {
 public:
  XlCountingChannel() : GOutputChannel(RWWString(u"count")) {}
  int16_t Write(const uint8_t*, uint32_t count, uint32_t* written) override {
    bytes += count;
    AddBytesWritten(count);
    if (written != nullptr) *written = count;
    return 0;
  }
  int IsReady() override { return 1; }
  uint64_t bytes = 0;
};

// The device model the generator reads: Letter's name, protocol class 2.1
// and a 4 x 4 dither matrix for 600 dpi.
GConfiguration* XlBenchConfiguration() {
  const int32_t noId = 0;
  auto* configuration = new GConfiguration;
  auto* names = new MAssociationList(GFeatureIds::kPaperList);
  names->Add(new MPersistentAssociation(new GValueAttribute(1, &noId), new GSelectionString("LETTER", 0, noId), noId));
  configuration->AddChild(names);
  configuration->AddChild(new GValueAttribute(2, &GFeatureIds::kXLProtocolClass));
  configuration->AddChild(new GValueAttribute(1, &GFeatureIds::kXLProtocolRevision));
  auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
  const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
  configuration->AddChild(matrices);
  return configuration;
}

const std::vector<qvhost::DescribedPage>& XlReferencePage() {
  static const std::vector<qvhost::DescribedPage> pages = qvhost::SamplePages(qvhost::PageDescriptionOptions{});
  return pages;
}

GState* XlLetterPage() {
  auto* page = new GState(&GFeatureIds::kPageState);
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6400);
  const GShortPoint origin(100, 100);
  page->AddChild(new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &GFeatureIds::kPageMedia, 0, nullptr,
                            nullptr));
  page->AddChild(new GValueAttribute(0, &GFeatureIds::kOrientation));
  page->AddChild(new GValueAttribute(1, &GFeatureIds::kPageCopies));
  return page;
}

// One job of kXlBenchPages reference pages; the bytes it wrote.
uint64_t XlWriteJob(int16_t colour, int16_t renderMode) {
  GCheetah generator(RWCString("PCLXL"), nullptr, XlBenchConfiguration(), &GFeatureIds::kGeneratorPeripheral, 0,
                     kAddOnNone, kNoAddOns);
  GState* job = generator.GetStateSection(GFeatureIds::kJobSettings);
  job->AddChild(new GValueAttribute(colour != 0 ? 0 : 1, &GFeatureIds::kPrintColorAsGray));
  job->AddChild(new GValueAttribute(renderMode, &GFeatureIds::kXLRenderMode));
  XlCountingChannel channel;
  channel.Open(RWWString(u"bench"));
  GCountedPtr start(new GDocumentStart(RWWString(u"bench"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr));
  static_cast<GDocumentStart*>(start.Pointee())->SetOutputChannel(&channel);
  generator.Send(static_cast<GCommand*>(start.Pointee()));
  for (int page = 0; page < kXlBenchPages; ++page) {
    GCountedPtr pageStart(new GPageStart(XlLetterPage()));
    generator.Send(static_cast<GCommand*>(pageStart.Pointee()));
    for (const qvhost::DescribedPage& described : XlReferencePage())
      for (const GCountedPtr& graphic : described.graphics)
        if (auto* command = dynamic_cast<GCommand*>(graphic.Pointee())) generator.Send(command);
    GCountedPtr pageEnd(new GPageEnd);
    generator.Send(static_cast<GCommand*>(pageEnd.Pointee()));
  }
  GCountedPtr end(new GDocumentEnd);
  generator.Send(static_cast<GCommand*>(end.Pointee()));
  return channel.bytes;
}

// Arguments: colour output (0 gray, 1 colour) and the render mode.
void BM_XlReferencePageJob(benchmark::State& state) {
  const auto colour = static_cast<int16_t>(state.range(0));
  const auto renderMode = static_cast<int16_t>(state.range(1));
  // The floor: one pass over the pixels of a 600-dpi Letter page in colour.
  static std::vector<uint8_t> from(static_cast<size_t>(5100) * 6600 * 3, 1);
  static std::vector<uint8_t> to(from.size());
  const double floor = qvbench::FloorSeconds([] {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  });
  uint64_t bytes = 0;
  const auto started = qvbench::Clock::now();
  int64_t jobs = 0;
  for (auto _ : state) {
    bytes = XlWriteJob(colour, renderMode);
    benchmark::DoNotOptimize(bytes);
    ++jobs;
  }
  const double perPage = qvbench::SecondsSince(started) / static_cast<double>(jobs * kXlBenchPages);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / kXlBenchPages;
  state.counters["s_per_page"] = perPage;
  state.counters["x_memcpy"] = perPage / floor;
  state.SetItemsProcessed(jobs * kXlBenchPages);
}
BENCHMARK(BM_XlReferencePageJob)
    ->ArgNames({"colour", "mode"})
    ->Args({0, 1})
    ->Args({0, 4})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({1, 4})
    ->Args({1, 512})
    ->Unit(benchmark::kMillisecond);

}  // namespace
