// An output channel for tests that keeps what it is given in memory, counts
// its progress ticks (IsClosed) and its aborts, and can be told to refuse
// readiness, opening, writing or aborting. A source for the print path's
// channel seam hands out such channels and remembers the last one.
#pragma once

#include <cstdint>
#include <string>

#include "model/GOutputChannel.h"
#include "printpath/GOutputChannelSource.h"
#include "support/ScopedUpwardServices.h"

namespace qvtest {

class RecordingChannel : public GOutputChannel {
 public:
  RecordingChannel() : GOutputChannel(RWWString(u"recording")) { ++alive; }
  ~RecordingChannel() override { --alive; }

  int16_t Open(const RWWString& documentName) override {
    if (openStatus != 0) return openStatus;
    document = std::u16string(documentName.Data(), documentName.Length());
    return GOutputChannel::Open(documentName);
  }
  int16_t Write(const uint8_t* data, uint32_t count, uint32_t* written) override {
    if (written != nullptr) *written = 0;
    if (GetState() != kInDocument) return kNotAllowed;
    if (writeStatus != 0) return writeStatus;
    const uint32_t taken = count < accept ? count : accept;
    bytes.append(reinterpret_cast<const char*>(data), taken);
    AddBytesWritten(taken);
    if (written != nullptr) *written = taken;
    return 0;
  }
  int IsClosed() const override {
    ++ticks;
    return GOutputChannel::IsClosed();
  }
  int16_t Abort() override {
    ++aborts;
    GOutputChannel::Abort();
    return abortStatus;
  }
  int IsReady() override { return ready; }

  std::string bytes;
  std::u16string document;
  int ready = 1;
  int16_t openStatus = 0;
  int16_t writeStatus = 0;
  int16_t abortStatus = 0;
  uint32_t accept = UINT32_MAX;  // most bytes one Write takes
  mutable int ticks = 0;
  int aborts = 0;
  static inline int alive = 0;
};

// The channel source of the tests: a new RecordingChannel set up by the
// template below, or none when `give` is false.
struct RecordingSource {
  static inline bool give = true;
  static inline int ready = 1;
  static inline int16_t openStatus = 0;
  static inline RecordingChannel* last = nullptr;
  static inline int calls = 0;
  static inline std::u16string port;

  static GOutputChannel* Open(GDriverInstance*, const RWWString& portName, int) {
    ++calls;
    port = std::u16string(portName.Data(), portName.Length());
    if (!give) return nullptr;
    last = new RecordingChannel;
    last->ready = ready;
    last->openStatus = openStatus;
    return last;
  }
  // Installs the source with default answers; the destructor puts the
  // upward services back as they were.
  RecordingSource() {
    give = true;
    ready = 1;
    openStatus = 0;
    last = nullptr;
    calls = 0;
    port.clear();
    services_.Change([](GUpwardServices& s) { s.outputChannel = &Open; });
  }

 private:
  ScopedUpwardServices services_;
};

}  // namespace qvtest
