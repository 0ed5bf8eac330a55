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
#include <fstream>
#include <string>
#include <vector>

#include "bench/ReferencePageJob.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "pdl/GPcl5e.h"

namespace {

constexpr int kPcl5BenchPages = 10;

// The device model the generator reads: Letter's page-size escape and a
// 4 x 4 dither matrix for 600 dpi.
GConfiguration* Pcl5BenchConfiguration() {
  const int32_t noId = 0;
  auto* configuration = new GConfiguration;
  auto* papers = new MAssociationList(GFeatureIds::kPaperList);
  papers->Add(
      new MPersistentAssociation(new GValueAttribute(1, &noId), new GSelectionString("#1B&l2A", 2, noId), noId));
  configuration->AddChild(papers);
  configuration->AddChild(qvbench::DitherMatrices600());
  return configuration;
}

// One job of kPcl5BenchPages reference pages in the colour mode (2
// monochrome, 1 colour); the bytes it wrote, kept in *job when given.
uint64_t Pcl5WriteJob(const std::vector<qvhost::DescribedPage>& page, int colourMode, std::string* job) {
  GPcl5e generator(RWCString("PCL 5e"), nullptr, Pcl5BenchConfiguration(), &GFeatureIds::kGeneratorPeripheral, 0,
                   kAddOnNone, kNoAddOns);
  GState* settings = generator.GetStateSection(GFeatureIds::kJobSettings);
  settings->AddChild(new GValueAttribute(colourMode == 1 ? 0 : 3, &GFeatureIds::kPrintColorAsGray));
  qvbench::CountingChannel channel(job != nullptr);
  qvbench::RunReferenceJob(generator, channel, page, kPcl5BenchPages, GShortPoint(150, 100));
  if (job != nullptr) *job = channel.kept;
  return channel.bytes;
}

// Argument: the colour mode (2 monochrome, 1 colour).
void BM_Pcl5eReferencePageJob(benchmark::State& state) {
  const auto colourMode = static_cast<int>(state.range(0));
  const std::vector<qvhost::DescribedPage> page = qvbench::ReferencePage();
  if (const char* path = std::getenv("QV_PCL5E_BENCH_JOB")) {
    std::string job;
    Pcl5WriteJob(page, colourMode, &job);
    std::ofstream(std::string(path) + std::to_string(colourMode), std::ios::binary) << job;
  }
  qvbench::MeasureJobsPerPage(state, kPcl5BenchPages, [&] { return Pcl5WriteJob(page, colourMode, nullptr); });
}
BENCHMARK(BM_Pcl5eReferencePageJob)->ArgNames({"colour_mode"})->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
