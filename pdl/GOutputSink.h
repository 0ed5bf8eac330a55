// GOutputSink: the way a generator's output leaves it. A generator's
// stream hands it full buffers (the stream form, Flush) or the PostScript
// writer hands it bytes (the writer form, Write); either way the bytes go
// to the job's output channel under one rule (Deliver): the first failing
// write is latched and switches writing off, so the rest of the job's output
// is dropped while the generator runs on, and the channel gets a progress
// tick on every delivery for the first 100000 bytes and then once per
// further 100000 bytes. Each generator keeps the sink's state in its own
// fields and passes them in.
#pragma once

#include <cstdint>

class GOutputChannel;

class GOutputSink {
 public:
  static constexpr uint32_t kProgressStep = 100000;

  // The sink's state as a generator keeps it.
  struct State {
    int32_t& writeEnabled;  // 1 while bytes go to the channel
    uint16_t& writeStatus;  // the first failing write's status, latched
    uint32_t& lastTick;     // the channel's byte count at the last tick
  };

  // The stream form: a full (or explicitly flushed) buffer of the stream
  // record; the sink rewinds the record before it returns.
  virtual int16_t Flush(void* stream, uint32_t userValue, const uint8_t* data, int32_t length);
  // The writer form: bytes from the PostScript writer.
  virtual int16_t Write(const uint8_t* data, uint32_t length);

  // The rule. Nothing happens for 0 bytes. While writing is enabled the
  // bytes go to the channel (none: status 601); a failing write clears the
  // flag and latches its status. With progress set, the channel is ticked
  // (its IsClosed test, answer ignored) as described above. Returns the
  // latched status (0 while all is well).
  static uint16_t Deliver(GOutputChannel* channel, int32_t progress, State state, const uint8_t* data,
                          uint32_t length);

 protected:
  GOutputSink() = default;
  virtual ~GOutputSink() = default;
};
