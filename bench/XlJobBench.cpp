// The PCL XL generator on a 10-page job of the host's reference page
// (vectors, a clip and a 1800 x 1200 photo-like colour image at 600 dpi):
// the whole job from document start to document end into a channel that
// only counts, in gray (the image dithered to one bit) and in colour with
// each render mode's compression. Reported: time per page and the bytes
// per page ("bytes_per_page"), and the time as a ratio to a floor of the
// same run, one memcpy of the page's pixels ("x_memcpy").
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/ReferencePageJob.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "pdl/cheetah.h"

namespace {

constexpr int kXlBenchPages = 10;

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
  configuration->AddChild(qvbench::DitherMatrices600());
  return configuration;
}

// One job of kXlBenchPages reference pages; the bytes it wrote.
uint64_t XlWriteJob(const std::vector<qvhost::DescribedPage>& page, int16_t colour, int16_t renderMode) {
  GCheetah generator(RWCString("PCLXL"), nullptr, XlBenchConfiguration(), &GFeatureIds::kGeneratorPeripheral, 0,
                     kAddOnNone, kNoAddOns);
  GState* job = generator.GetStateSection(GFeatureIds::kJobSettings);
  job->AddChild(new GValueAttribute(colour != 0 ? 0 : 1, &GFeatureIds::kPrintColorAsGray));
  job->AddChild(new GValueAttribute(renderMode, &GFeatureIds::kXLRenderMode));
  qvbench::CountingChannel channel;
  qvbench::RunReferenceJob(generator, channel, page, kXlBenchPages, GShortPoint(100, 100));
  return channel.bytes;
}

// Arguments: colour output (0 gray, 1 colour) and the render mode.
void BM_XlReferencePageJob(benchmark::State& state) {
  const auto colour = static_cast<int16_t>(state.range(0));
  const auto renderMode = static_cast<int16_t>(state.range(1));
  const std::vector<qvhost::DescribedPage> page = qvbench::ReferencePage();
  qvbench::MeasureJobsPerPage(state, kXlBenchPages, [&] { return XlWriteJob(page, colour, renderMode); });
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
