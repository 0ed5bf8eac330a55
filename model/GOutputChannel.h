// GOutputChannel: the byte sink at the bottom of the print path. The
// printer-language stream goes into it and through it to the port or file
// the job is printed to. This base keeps the channel's name, the count of
// bytes it accepted and its state machine (closed, open, in a document,
// finished); concrete channels deliver the bytes (Write) and say whether a
// new channel can be used (IsReady).
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GOutputChannel {
 public:
  // States of the channel.
  enum State : int32_t { kClosed = 0, kOpen = 1, kInDocument = 2, kFinished = 3 };
  // Statuses: 0 done; 1 the request is not allowed in the current state.
  static constexpr int16_t kDone = 0;
  static constexpr int16_t kNotAllowed = 1;

  explicit GOutputChannel(const RWWString& name);
  GOutputChannel(const GOutputChannel&) = delete;
  GOutputChannel& operator=(const GOutputChannel&) = delete;
  // A channel still in a document ends it, an open one is closed; both
  // through this base's operations (a subclass finishes its own sink first).
  virtual ~GOutputChannel();

  uint32_t GetBytesWritten() const { return bytesWritten_; }
  const RWWString& GetName() const { return name_; }
  int32_t GetState() const { return state_; }

  // closed -> open; refused (1) in any other state.
  virtual int16_t Open(const RWWString& documentName);
  // open -> in a document; 0 and no change in a document; else 1.
  virtual int16_t BeginDocument();
  // 1 when the channel takes no data (closed or finished).
  virtual int IsClosed() const;
  // Delivers the bytes and adds what was accepted to the bytes written.
  virtual int16_t Write(const uint8_t* bytes, uint32_t count, uint32_t* written) = 0;
  // An open channel begins the document first; outside a document the
  // string is refused (1); inside, its characters go through Write.
  virtual int16_t WriteString(const RWCString& text, uint32_t* written);
  // in a document -> open; 0 and no change when open; else 1.
  virtual int16_t EndDocument();
  // Ends a document first (keeping its status), then open -> closed;
  // refused (1) when the channel was not open.
  virtual int16_t Close();
  // Ends the document and closes as far as needed, then finished in every
  // case; the status of the last step taken (0 when none).
  virtual int16_t Abort();
  // Non-zero when a newly created channel can be used.
  virtual int IsReady() = 0;

 protected:
  void AddBytesWritten(uint32_t count) { bytesWritten_ += count; }
  void SetState(int32_t state) { state_ = state; }

 private:
  uint32_t bytesWritten_;
  RWWString name_;
  int32_t state_;
};
