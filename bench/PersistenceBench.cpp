// Saving and restoring an object graph through the framing, from 16 to
// 65,536 nodes: the time per node of each, and the ratio (counter
// "x_restore") of save plus restore to the restore of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/BenchFloor.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "model/ModelClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"

namespace {

const int32_t kRootId = 360;
const int32_t kLeafId = 253;

// A composite of `nodes` - 1 leaves.
std::unique_ptr<MPersistentComposite> MakeGraph(int nodes) {
  auto root = std::make_unique<MPersistentComposite>(kRootId);
  for (int i = 1; i < nodes; ++i) root->AddChild(new GValueAttribute(static_cast<int16_t>(i), &kLeafId));
  return root;
}

void BM_SaveAndRestoreGraph(benchmark::State& state) {
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  const int nodes = static_cast<int>(state.range(0));
  auto graph = MakeGraph(nodes);
  std::vector<char> buffer(static_cast<size_t>(nodes) * 64 + 4096);
  double saving = 0, restoring = 0;
  for (auto _ : state) {
    auto start = qvbench::Clock::now();
    RWMemoryStreamBuf out(RWMemoryStreamBuf::ForWriting{}, buffer.data(), buffer.size());
    RWBinaryOutStream writer(&out);
    RWWriteObjectPointer(writer, graph.get());
    writer.Flush();
    saving += qvbench::SecondsSince(start);
    start = qvbench::Clock::now();
    RWMemoryStreamBuf in(RWMemoryStreamBuf::ForReading{}, buffer.data(), out.Size());
    RWBinaryInStream reader(&in);
    RWCollectable* restored = nullptr;
    RWReadObjectPointer(reader, restored);
    delete restored;
    restoring += qvbench::SecondsSince(start);
    if (restored == nullptr) state.SkipWithError("the restore failed");
  }
  const double n = static_cast<double>(state.iterations()) * nodes;
  state.counters["save_us_per_node"] = saving / n * 1e6;
  state.counters["restore_us_per_node"] = restoring / n * 1e6;
  state.counters["x_restore"] = (saving + restoring) / restoring;
}
BENCHMARK(BM_SaveAndRestoreGraph)->RangeMultiplier(4)->Range(16, 65536)->Unit(benchmark::kMicrosecond);

}  // namespace
