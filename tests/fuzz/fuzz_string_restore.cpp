// Fuzz target: both string kinds restored again and again from arbitrary
// bytes, through each kind of virtual input stream and through a typed
// binary file holding the same bytes. Damaged input must only fail the
// restore: no crash, hang, over-read or allocation on the word of a stored
// length.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCString.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"
#include "rw/RWWString.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

// Bad headers and strings raise; a handler that returns lets the restore go
// on with a failed stream, as the library must cope with.
void IgnoreError(const RWLibraryError&) {}

std::unique_ptr<RWVirtualInStream> MakeIn(int kind, std::streambuf* buffer) {
  switch (kind) {
    case 0: return std::make_unique<RWPortableInStream>(buffer);
    case 1: return std::make_unique<RWBinaryInStream>(buffer);
    default: return std::make_unique<RWEndianInStream>(buffer);
  }
}

volatile unsigned g_sink;

// A restore that succeeded leaves a terminated string; touching every
// character lets the sanitizers see one that was never written.
template <typename S>
void Touch(const S& s) {
  unsigned sum = 0;
  for (size_t i = 0; i <= s.Length(); ++i) sum += static_cast<unsigned>(s.Data()[i]);
  if (s.Data()[s.Length()] != 0) __builtin_trap();
  g_sink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const RWErrorHandler previous = RWSetErrorHandler(&IgnoreError);
  (void)previous;
  // The first byte chooses which kind is restored first and how the kinds
  // alternate; the whole input is the stream.
  const unsigned pattern = size > 0 ? data[0] : 0;

  for (int kind = 0; kind < 3; ++kind) {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    std::unique_ptr<RWVirtualInStream> in = MakeIn(kind, &buffer);
    // Each good restore consumes at least the 4-byte length's worth of
    // input, so the rounds end; the bound is a second guard.
    for (int round = 0; round < 256 && in->Good(); ++round) {
      if ((pattern >> (round % 8)) & 1) {
        RWWString w(u"before");
        w.RestoreFrom(*in);
        Touch(w);
      } else {
        RWCString n("before");
        n.RestoreFrom(*in);
        Touch(n);
      }
    }
  }

  static const bool ready = w32test::MakeDirectories(u"C:\\Fuzz");
  (void)ready;
  RWBinaryFile file("C:\\Fuzz\\restore.bin", "wb+");
  if (!file.WriteChars(reinterpret_cast<const char*>(data), size) || !file.SeekTo(0)) return 0;
  for (int round = 0; round < 256 && !file.IsAtEnd() && !file.HasError(); ++round) {
    bool ok;
    if ((pattern >> (round % 8)) & 1) {
      RWWString w(u"before");
      ok = w.RestoreFromFile(file);
      Touch(w);
    } else {
      RWCString n("before");
      ok = n.RestoreFromFile(file);
      Touch(n);
    }
    if (!ok) break;
  }
  return 0;
}
