// Page spooling at 10, 100 and 500 pages: a back-to-front job through the
// reverse-order filter, each page carrying 64 KiB of printer data, spooled
// to disk and then replayed in reverse into a stage that reads every
// record. Spooled pages live in their page files, not in memory, so the
// resident memory the job adds ("rss_growth_kb", the largest growth seen
// while the job runs) stays flat as the page count grows; "s_per_page" is
// the time per page of spooling and replaying.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPassThroughCommand.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/ModelClasses.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GReverseFilter.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

constexpr size_t kPageBytes = 64 * 1024;

// The resident set in KiB, from /proc/self/statm.
long ResidentKb() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  long pages = 0, resident = 0;
  const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
  std::fclose(statm);
  return read == 2 ? resident * 4 : 0;
}

// The last stage: reads every command it is sent.
class CountingStage : public GPeripheral {
 public:
  CountingStage* CreateSameKind() const override { return new CountingStage; }
  CountingStage* Clone() const override { return new CountingStage(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
  int16_t PassThrough(GPassThroughCommand*) override {
    ++received;
    return 0;
  }
  long received = 0;
};

void SpoolAndReplay(benchmark::State& state) {
  static const bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    return true;
  }();
  (void)ready;
  const int pages = static_cast<int>(state.range(0));
  const std::vector<uint8_t> data(kPageBytes, 0x20);
  long growth = 0;
  for (auto _ : state) {
    const long before = ResidentKb();
    GReverseFilter filter;
    CountingStage printer;
    const int32_t jobId = GFeatureIds::kJobSettings;
    auto* settings = new GState(&jobId);
    const int32_t orderId = GFeatureIds::kPageOrder;
    settings->AddChild(new GValueAttribute(1, &orderId));
    filter.Send(new GDocumentStart(RWWString(u"bench"), RWCString(), RWWString(u"FILE:"), nullptr, settings));
    for (int n = 0; n < pages; ++n) {
      filter.Send(new GPageStart);
      filter.Send(new GPassThroughCommand(data.data(), static_cast<uint16_t>(data.size() - 1), 0, nullptr));
      filter.Send(new GPageEnd);
      if (n % 50 == 0) growth = std::max(growth, ResidentKb() - before);
    }
    GCountedPtr holder = filter.Send(new GDocumentEnd);
    growth = std::max(growth, ResidentKb() - before);
    printer.Send(dynamic_cast<GCommand*>(holder.Pointee()));
    growth = std::max(growth, ResidentKb() - before);
    benchmark::DoNotOptimize(printer.received);
  }
  state.counters["rss_growth_kb"] = static_cast<double>(growth);
  state.counters["s_per_page"] =
      benchmark::Counter(static_cast<double>(pages) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(SpoolAndReplay)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);
