// Throughput of the paths that every settings load and store takes: the
// object framing over a binary memory stream, the LZW coder, and the narrow
// string's edit path.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "model/GByteStream.h"
#include "model/GLZWCompressor.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "model/ModelClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCString.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPersistence.h"

namespace {

const int32_t kIds[4] = {360, 362, 253, 258};

std::unique_ptr<MPersistentComposite> MakeTree(int leaves) {
  auto root = std::make_unique<MPersistentComposite>(kIds[0]);
  for (int i = 0; i < leaves; ++i) root->AddChild(new GValueAttribute(static_cast<int16_t>(i), &kIds[2]));
  return root;
}

void BM_SaveAndRestoreTree(benchmark::State& state) {
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  auto tree = MakeTree(static_cast<int>(state.range(0)));
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    RWMemoryStreamBuf out(RWMemoryStreamBuf::ForWriting{}, buffer.data(), buffer.size());
    RWBinaryOutStream writer(&out);
    RWWriteObjectPointer(writer, tree.get());
    RWMemoryStreamBuf in(RWMemoryStreamBuf::ForReading{}, buffer.data(), out.Size());
    RWBinaryInStream reader(&in);
    RWCollectable* restored = nullptr;
    RWReadObjectPointer(reader, restored);
    delete restored;
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveAndRestoreTree)->Arg(16)->Arg(256);

void BM_LzwRoundTrip(benchmark::State& state) {
  std::vector<uint8_t> input(static_cast<size_t>(state.range(0)));
  uint32_t x = 12345;
  for (auto& b : input) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>("settings"[(x >> 16) % 8]);
  }
  std::vector<uint8_t> packed(input.size() * 2 + 64), unpacked(input.size());
  GLZWCompressor coder;
  for (auto _ : state) {
    GMemoryByteSource source(input.data(), input.size());
    GMemoryByteSink sink(packed.data(), packed.size());
    coder.Compress(source, sink);
    GMemoryByteSource again(packed.data(), sink.Length());
    GMemoryByteSink back(unpacked.data(), unpacked.size());
    coder.Expand(again, back);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LzwRoundTrip)->Arg(4096)->Arg(65536);

// One coder, many small calls: the cost per call should follow the input
// (ns per byte about the same from 16 bytes up), not a dictionary set up anew.
BENCHMARK(BM_LzwRoundTrip)->Name("BM_LzwRoundTripPerCall")->Arg(16)->Arg(64)->Arg(448)->Arg(4096);

void BM_StringAppend(benchmark::State& state) {
  for (auto _ : state) {
    RWCString s;
    for (int i = 0; i < state.range(0); ++i) s.AppendRepeated('x', 1);
    benchmark::DoNotOptimize(s.Data());
  }
}
BENCHMARK(BM_StringAppend)->Arg(1024);

}  // namespace
