#include "pdl/GOutputSink.h"

#include "model/GOutputChannel.h"
#include "model/GPeripheral.h"

int16_t GOutputSink::Flush(void*, uint32_t, const uint8_t*, int32_t) { return 0; }
int16_t GOutputSink::Write(const uint8_t*, uint32_t) { return 0; }

uint16_t GOutputSink::Deliver(GOutputChannel* channel, int32_t progress, State state, const uint8_t* data,
                              uint32_t length) {
  if (length == 0) return state.writeStatus;
  if (state.writeEnabled != 0) {
    int16_t status = GStatusNoOutputChannel;
    if (channel != nullptr) {
      uint32_t written = 0;
      status = channel->Write(data, length, &written);
      // A channel that took less than it was given lost output too.
      if (status == 0 && written != length) status = GOutputChannel::kNotAllowed;
    }
    if (status != 0) {
      state.writeEnabled = 0;
      state.writeStatus = static_cast<uint16_t>(status);
    }
  }
  if (progress != 0 && channel != nullptr) {
    const uint32_t count = channel->GetBytesWritten();
    if (count < kProgressStep || count - state.lastTick > kProgressStep) {
      static_cast<void>(channel->IsClosed());
      state.lastTick = count;
    }
  }
  return state.writeStatus;
}
