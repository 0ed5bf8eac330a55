// The PCL 5e generator on a 10-page job of the host's reference page
// (vectors, a clip and a 1800 x 1200 photo-like colour image at 600 dpi):
// the whole job from document start to document end into a channel that
// only counts, in monochrome (the image dithered to one bit, run-length
// rows) and in colour (the image through the palettes, scaled by the
// printer, in adaptive blocks). Reported: time per page and the bytes per
// page ("bytes_per_page"), and the time as a ratio to a floor of the same
// run, one memcpy of the page's pixels ("x_memcpy"). With QV_PCL5E_BENCH_JOB
// set to a path, each mode's job is also written there (the path with the
// mode's number appended), so that the interpreter can be given the same
// pages: the job its own PCL writer makes of them ("gpcl6 -sDEVICE=ljet4")
// is the size to compare the bytes per page with.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
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
#include "pdl/GPcl5e.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

namespace {

constexpr int kPcl5BenchPages = 10;

// A channel that counts the bytes and keeps them when asked to.
class Pcl5CountingChannel : public GOutputChannel {
 public:
  explicit Pcl5CountingChannel(bool keep) : GOutputChannel(RWWString(u"count")), keep_(keep) {}
  int16_t Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
    bytes += count;
    if (keep_) kept.append(reinterpret_cast<const char*>(data), count);
    AddBytesWritten(count);
    if (written != nullptr) *written = count;
    return 0;
  }
  int IsReady() override { return 1; }
  uint64_t bytes = 0;
  std::string kept;

 private:
  bool keep_;
};

// The device model the generator reads: Letter's page-size escape and a
// 4 x 4 dither matrix for 600 dpi.
GConfiguration* Pcl5BenchConfiguration() {
  const int32_t noId = 0;
  auto* configuration = new GConfiguration;
  auto* papers = new MAssociationList(GFeatureIds::kPaperList);
  papers->Add(
      new MPersistentAssociation(new GValueAttribute(1, &noId), new GSelectionString("#1B&l2A", 2, noId), noId));
  configuration->AddChild(papers);
  auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
  const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
  configuration->AddChild(matrices);
  return configuration;
}

const std::vector<qvhost::DescribedPage>& Pcl5ReferencePage() {
  static const std::vector<qvhost::DescribedPage> pages = qvhost::SamplePages(qvhost::PageDescriptionOptions{});
  return pages;
}

GState* Pcl5LetterPage() {
  auto* page = new GState(&GFeatureIds::kPageState);
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4800, 6400);
  const GShortPoint origin(150, 100);
  page->AddChild(new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &GFeatureIds::kPageMedia, 0, nullptr,
                            nullptr));
  page->AddChild(new GValueAttribute(0, &GFeatureIds::kOrientation));
  page->AddChild(new GValueAttribute(1, &GFeatureIds::kPageCopies));
  return page;
}

// One job of kPcl5BenchPages reference pages in the colour mode (2
// monochrome, 1 colour); the bytes it wrote, kept in *job when given.
uint64_t Pcl5WriteJob(int colourMode, std::string* job) {
  GPcl5e generator(RWCString("PCL 5e"), nullptr, Pcl5BenchConfiguration(), &GFeatureIds::kGeneratorPeripheral, 0,
                   kAddOnNone, kNoAddOns);
  GState* settings = generator.GetStateSection(GFeatureIds::kJobSettings);
  settings->AddChild(new GValueAttribute(colourMode == 1 ? 0 : 3, &GFeatureIds::kPrintColorAsGray));
  Pcl5CountingChannel channel(job != nullptr);
  channel.Open(RWWString(u"bench"));
  GCountedPtr start(new GDocumentStart(RWWString(u"bench"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr));
  static_cast<GDocumentStart*>(start.Pointee())->SetOutputChannel(&channel);
  generator.Send(static_cast<GCommand*>(start.Pointee()));
  for (int page = 0; page < kPcl5BenchPages; ++page) {
    GCountedPtr pageStart(new GPageStart(Pcl5LetterPage()));
    generator.Send(static_cast<GCommand*>(pageStart.Pointee()));
    for (const qvhost::DescribedPage& described : Pcl5ReferencePage())
      for (const GCountedPtr& graphic : described.graphics)
        if (auto* command = dynamic_cast<GCommand*>(graphic.Pointee())) generator.Send(command);
    GCountedPtr pageEnd(new GPageEnd);
    generator.Send(static_cast<GCommand*>(pageEnd.Pointee()));
  }
  GCountedPtr end(new GDocumentEnd);
  generator.Send(static_cast<GCommand*>(end.Pointee()));
  if (job != nullptr) *job = channel.kept;
  return channel.bytes;
}

// Argument: the colour mode (2 monochrome, 1 colour).
void BM_Pcl5eReferencePageJob(benchmark::State& state) {
  const auto colourMode = static_cast<int>(state.range(0));
  if (const char* path = std::getenv("QV_PCL5E_BENCH_JOB")) {
    std::string job;
    Pcl5WriteJob(colourMode, &job);
    std::ofstream(std::string(path) + std::to_string(colourMode), std::ios::binary) << job;
  }
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
    bytes = Pcl5WriteJob(colourMode, nullptr);
    benchmark::DoNotOptimize(bytes);
    ++jobs;
  }
  const double perPage = qvbench::SecondsSince(started) / static_cast<double>(jobs * kPcl5BenchPages);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / kPcl5BenchPages;
  state.counters["s_per_page"] = perPage;
  state.counters["x_memcpy"] = perPage / floor;
  state.SetItemsProcessed(jobs * kPcl5BenchPages);
}
BENCHMARK(BM_Pcl5eReferencePageJob)->ArgNames({"colour_mode"})->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
