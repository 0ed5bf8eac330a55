#include "model/GBitStream.h"

GBitStream::GBitStream(GByteSource* in) : in_(in) {}

GBitStream::GBitStream(GByteSink* out) : out_(out) {}

GBitStream::~GBitStream() { Flush(); }

int GBitStream::PutBit(int bit) { return PutBits(bit ? 1u : 0u, 1); }

int GBitStream::PutBits(uint32_t value, int count) {
  if (!out_ || !ok_ || count < 0 || count > 32) return 0;
  for (int i = count - 1; i >= 0; --i) {
    if ((value >> i) & 1u) byte_ |= mask_;
    mask_ >>= 1;
    if (mask_ == 0) {
      if (!out_->Write(byte_)) {
        // Later calls answer 0 without touching the stream again.
        ok_ = 0;
        return 0;
      }
      byte_ = 0;
      mask_ = 0x80;
    }
  }
  return 1;
}

int GBitStream::Flush() {
  if (!out_) return 1;
  GByteSink* out = out_;
  out_ = nullptr;
  if (!ok_) return 0;
  if (mask_ != 0x80 && !out->Write(byte_)) ok_ = 0;
  byte_ = 0;
  mask_ = 0x80;
  if (!out->Flush()) ok_ = 0;
  return ok_;
}

bool GBitStream::NextBit(int& bit) {
  if (mask_ == 0x80) {
    if (!in_->Read(byte_)) {
      ok_ = 0;
      return false;
    }
  }
  bit = (byte_ & mask_) ? 1 : 0;
  mask_ >>= 1;
  if (mask_ == 0) mask_ = 0x80;
  return true;
}

int GBitStream::GetBit(int& out) {
  if (!in_ || !ok_) return 0;
  return NextBit(out) ? 1 : 0;
}

int GBitStream::GetBits(uint32_t& out, int count) {
  if (!in_ || !ok_ || count < 0 || count > 32) return 0;
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    int bit = 0;
    if (!NextBit(bit)) return 0;
    value = (value << 1) | static_cast<uint32_t>(bit);
  }
  out = value;
  return 1;
}
