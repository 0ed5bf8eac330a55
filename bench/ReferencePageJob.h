// What the generators' job benchmarks share: a channel that counts the
// bytes it is given (and keeps them when asked), the host's reference page,
// a Letter page state at 600 dpi, a 4 x 4 dither matrix for 600 dpi, the
// run of a job of reference pages through a generator from document start
// to document end, and the measure of such jobs per page.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchFloor.h"
#include "graphics/GDitherMatrix.h"
#include "model/MPersistentComposite.h"

#include "host/PageDescription.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"

namespace qvbench {

class CountingChannel : public GOutputChannel {
 public:
  explicit CountingChannel(bool keep = false) : GOutputChannel(RWWString(u"count")), keep_(keep) {}
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

// The reference page's graphics. A generator marks the attributes of the
// graphics it has drawn as applied, so each benchmark takes its own page
// (another generator's marks would change what it writes).
inline std::vector<qvhost::DescribedPage> ReferencePage() {
  return qvhost::SamplePages(qvhost::PageDescriptionOptions{});
}

// Letter at 600 dpi, upright, one copy, imageable from the origin to as
// far from the opposite edges.
inline GState* LetterPageState(const GShortPoint& origin) {
  auto* page = new GState(&GFeatureIds::kPageState);
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(static_cast<int16_t>(size.x - 2 * origin.x), static_cast<int16_t>(size.y - 2 * origin.y));
  page->AddChild(new GMedia("Letter", &size, &extent, &origin, 0, 1, 600, 600, &GFeatureIds::kPageMedia, 0, nullptr,
                            nullptr));
  page->AddChild(new GValueAttribute(0, &GFeatureIds::kOrientation));
  page->AddChild(new GValueAttribute(1, &GFeatureIds::kPageCopies));
  return page;
}

// Sends a job of the given number of pages, each the described page's
// graphics on a Letter page with the imageable origin given, through the
// generator into the channel.
inline void RunReferenceJob(GPeripheral& generator, CountingChannel& channel, const std::vector<qvhost::DescribedPage>& described,
                            int pages, const GShortPoint& origin) {
  channel.Open(RWWString(u"bench"));
  GCountedPtr start(new GDocumentStart(RWWString(u"bench"), RWCString(), RWWString(u"LPT1:"), nullptr, nullptr));
  static_cast<GDocumentStart*>(start.Pointee())->SetOutputChannel(&channel);
  generator.Send(static_cast<GCommand*>(start.Pointee()));
  for (int page = 0; page < pages; ++page) {
    GCountedPtr pageStart(new GPageStart(LetterPageState(origin)));
    generator.Send(static_cast<GCommand*>(pageStart.Pointee()));
    for (const qvhost::DescribedPage& one : described)
      for (const GCountedPtr& graphic : one.graphics)
        if (auto* command = dynamic_cast<GCommand*>(graphic.Pointee())) generator.Send(command);
    GCountedPtr pageEnd(new GPageEnd);
    generator.Send(static_cast<GCommand*>(pageEnd.Pointee()));
  }
  GCountedPtr end(new GDocumentEnd);
  generator.Send(static_cast<GCommand*>(end.Pointee()));
}

// The dither matrices of a bench device model: one 4 x 4 matrix for
// 600 dpi.
inline MPersistentComposite* DitherMatrices600() {
  auto* matrices = new MPersistentComposite(GFeatureIds::kDitherMatrixList);
  const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
  matrices->AddChild(new GDitherMatrix(4, 4, thresholds, 600, nullptr));
  return matrices;
}

// Runs write (one job of the given number of pages; answers its bytes) for
// the benchmark's iterations and reports the time per page ("s_per_page"),
// the bytes per page ("bytes_per_page") and the time as a ratio to a floor
// of the same run, one memcpy of a 600-dpi Letter page's colour pixels
// ("x_memcpy").
template <typename Write>
void MeasureJobsPerPage(benchmark::State& state, int pages, Write write) {
  static std::vector<uint8_t> from(static_cast<size_t>(5100) * 6600 * 3, 1);
  static std::vector<uint8_t> to(from.size());
  const double floor = FloorSeconds([] {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  });
  uint64_t bytes = 0;
  const auto started = Clock::now();
  int64_t jobs = 0;
  for (auto _ : state) {
    bytes = write();
    benchmark::DoNotOptimize(bytes);
    ++jobs;
  }
  const double perPage = SecondsSince(started) / static_cast<double>(jobs * pages);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / pages;
  state.counters["s_per_page"] = perPage;
  state.counters["x_memcpy"] = perPage / floor;
  state.SetItemsProcessed(jobs * pages);
}

}  // namespace qvbench
