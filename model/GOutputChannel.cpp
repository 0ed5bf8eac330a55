#include "model/GOutputChannel.h"

GOutputChannel::GOutputChannel(const RWWString& name) : bytesWritten_(0), name_(name), state_(kClosed) {}

GOutputChannel::~GOutputChannel() {
  if (state_ == kInDocument) {
    GOutputChannel::EndDocument();
  } else if (state_ == kOpen) {
    GOutputChannel::Close();
  }
}

int16_t GOutputChannel::Open(const RWWString&) {
  if (state_ != kClosed) return kNotAllowed;
  state_ = kOpen;
  return kDone;
}

int16_t GOutputChannel::BeginDocument() {
  if (state_ == kOpen) {
    state_ = kInDocument;
    return kDone;
  }
  return state_ == kInDocument ? kDone : kNotAllowed;
}

int GOutputChannel::IsClosed() const { return state_ == kClosed || state_ == kFinished; }

int16_t GOutputChannel::WriteString(const RWCString& text, uint32_t* written) {
  if (state_ == kOpen) {
    const int16_t status = BeginDocument();
    if (status != kDone) return status;
  }
  if (state_ != kInDocument) return kNotAllowed;
  return Write(reinterpret_cast<const uint8_t*>(text.Data()), static_cast<uint32_t>(text.Length()), written);
}

int16_t GOutputChannel::EndDocument() {
  if (state_ == kInDocument) {
    state_ = kOpen;
    return kDone;
  }
  return state_ == kOpen ? kDone : kNotAllowed;
}

int16_t GOutputChannel::Close() {
  int16_t status = kDone;
  if (state_ == kInDocument) status = EndDocument();
  if (state_ != kOpen) return kNotAllowed;
  state_ = kClosed;
  return status;
}

int16_t GOutputChannel::Abort() {
  int16_t status = kDone;
  if (state_ == kInDocument) status = EndDocument();
  if (state_ == kOpen) status = Close();
  state_ = kFinished;
  return status;
}
