// Fuzz target: arbitrary bytes read through each kind of virtual input
// stream with every get operation. Damaged input must only ever fail the
// stream: no crash, hang, over-read or unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"

namespace {

// Bad headers and strings raise; a handler that returns lets the read go on
// with a failed stream, as the library must cope with.
void IgnoreError(const RWLibraryError&) {}

std::unique_ptr<RWVirtualInStream> MakeIn(int kind, std::streambuf* buffer) {
  switch (kind) {
    case 0: return std::make_unique<RWPortableInStream>(buffer);
    case 1: return std::make_unique<RWBinaryInStream>(buffer);
    default: return std::make_unique<RWEndianInStream>(buffer);
  }
}

constexpr int kOperations = 25;

void RunOperation(RWVirtualInStream& in, int op, unsigned count) {
  uint32_t u32[8];
  int32_t i32[8];
  uint16_t u16[8];
  int16_t i16[8];
  unsigned char uc[8];
  char c[8];
  float f[8];
  double d[8];
  char text[64];
  switch (op) {
    case 0: in.GetULongs(u32, count); break;
    case 1: in.GetUInts(u32, count); break;
    case 2: in.GetUShorts(u16, count); break;
    case 3: in.GetUChars(uc, count); break;
    case 4: in.GetShorts(i16, count); break;
    case 5: in.GetLongs(i32, count); break;
    case 6: in.GetInts(i32, count); break;
    case 7: in.GetFloats(f, count); break;
    case 8: in.GetDoubles(d, count); break;
    case 9: in.GetChars(c, count); break;
    case 10: in.GetUChar(uc[0]); break;
    case 11: in.GetChar(c[0]); break;
    case 12: in.Get(); break;
    // Buffer sizes 0, 1, 8 and 64: truncation, the terminator alone, and room.
    case 13: in.GetString(text, count == 0 ? 0 : count == 1 ? 1 : count < 5 ? 8 : sizeof text); break;
    case 14: in.GetULong(u32[0]); break;
    case 15: in.GetUInt(u32[0]); break;
    case 16: in.GetUShort(u16[0]); break;
    case 17: in.GetUCharText(uc[0]); break;
    case 18: in.GetShort(i16[0]); break;
    case 19: in.GetLong(i32[0]); break;
    case 20: in.GetInt(i32[0]); break;
    case 21: in.GetFloat(f[0]); break;
    case 22: in.GetDouble(d[0]); break;
    case 23: in.GetCharText(c[0]); break;
    default: in.ReadState(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const RWErrorHandler previous = RWSetErrorHandler(&IgnoreError);
  (void)previous;
  // The first bytes also pick the order of the operations and the array
  // counts; the whole input is the stream.
  const unsigned rotation = size > 0 ? data[0] : 0;
  const unsigned counts = size > 1 ? data[1] : 0;
  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = MakeIn(kind, &buffer);
    // Every operation runs at least once; after a failure the state is
    // cleared so the rest of the input is read too. The rounds are bounded
    // because a stream at its end fails every round.
    for (int round = 0; round < 64; ++round) {
      for (int i = 0; i < kOperations; ++i) {
        const int op = static_cast<int>((rotation + static_cast<unsigned>(i)) % kOperations);
        RunOperation(*in, op, (counts >> (i % 6)) % 9);
      }
      if (in->Eof()) break;
      in->Clear();
    }
  }
  return 0;
}
