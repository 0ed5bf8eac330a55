// GRowEncoder: the last stage of a raster pipeline, which reads the rows of
// the stage before it and delivers each in the compressed form a printer
// language expects. GUncompressedRowEncoder pads rows to the alignment;
// GRunLengthRowEncoder writes literal and repeat runs (the packed-bits
// method); GDeltaRowEncoder writes the bytes that changed since the
// previous row (the delta-row method, optionally with a 2-byte length
// prefix); GAdaptiveRowEncoder chooses per row between those three and
// folds repeated rows into duplicate-row blocks. The JPEG encoder is in
// GJpegRowEncoder.h.
//
// Each encoder reads its source's rows into a buffer of its own, sized at
// Start, and writes the encoded row into the caller's buffer, which must
// hold GetRowBytes bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GRasterSource.h"

class GRowEncoder : public GRasterSource {
 public:
  // alignment: rows are padded to a multiple of it (0 counts as 1);
  // invert: every data byte is complemented on output.
  GRowEncoder(uint16_t alignment, int32_t invert) : alignment_(alignment != 0 ? alignment : 1), invert_(invert) {}

 protected:
  // Row bytes from the source's bounds and depth; reads the source's row
  // into the own buffer and fills what the source left short with zeros.
  // Answers the source's status; length 0 means no row.
  void ComputeRowBytes();
  int32_t ReadSourceRow(int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered);
  uint32_t PadCount() const { return rowBytes_ % alignment_ == 0 ? 0 : alignment_ - rowBytes_ % alignment_; }

  uint16_t alignment_;
  int32_t invert_;
  uint32_t sourceRowBytes_ = 0;  // row bytes of the source's rows
  std::vector<uint8_t> input_;   // the source row, then room for the padding
};

class GUncompressedRowEncoder : public GRowEncoder {
 public:
  GUncompressedRowEncoder(uint16_t alignment, int32_t invert) : GRowEncoder(alignment, invert) {}
  // Fails without a source.
  int32_t Start() override;
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  uint32_t GetRowBytes() override;
};

class GRunLengthRowEncoder : public GRowEncoder {
 public:
  GRunLengthRowEncoder(uint16_t alignment, int32_t invert) : GRowEncoder(alignment, invert) {}
  int32_t Start() override;
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  uint32_t GetRowBytes() override;

  // Runs for count bytes of in: a literal run is a count byte n - 1 and n
  // bytes (n up to 128), a repeat run a count byte 257 - n and the byte
  // (n from 2 to 128). Answers the bytes written to out.
  static uint32_t Encode(const uint8_t* in, uint32_t count, uint8_t* out);
  // The most Encode writes for count bytes.
  static uint32_t MostEncoded(uint32_t count) { return count + (count + 127) / 128; }

  // The row bytes, complemented when inverting, then the padding zeros;
  // encoded into out.
  uint32_t EncodeRow(uint8_t* row, uint8_t* out);
};

class GDeltaRowEncoder : public GRowEncoder {
 public:
  GDeltaRowEncoder(uint16_t alignment, int32_t invert, int32_t lengthPrefix)
      : GRowEncoder(alignment, invert), lengthPrefix_(lengthPrefix) {}
  int32_t Start() override;
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  uint32_t GetRowBytes() override;

  // The changes of row from the seed row (both row bytes long) as command
  // bytes and changed bytes; the seed takes the row. Answers the bytes
  // written to out.
  uint32_t EncodeRow(const uint8_t* row, uint8_t* out);
  uint8_t* GetSeed() { return seed_.data(); }
  // The printer starts from a seed row of zeros as it receives them; the
  // seed is kept before complementing, so when inverting it starts as all
  // ones.
  void ClearSeed() { std::fill(seed_.begin(), seed_.end(), invert_ != 0 ? 0xFF : 0x00); }

 private:
  int32_t lengthPrefix_;
  std::vector<uint8_t> seed_;
};

class GAdaptiveRowEncoder : public GRowEncoder {
 public:
  // A block's data length is a 16-bit field.
  static constexpr uint32_t kMostBlockBytes = 0xFFFF;
  // The status of ReadRow once a row fits no block: such a row has more
  // than 65535 bytes in every method. The row and every later one are
  // refused (length 0) until ResetSeedRow or Start.
  static constexpr int32_t kRowTooLong = 2;

  GAdaptiveRowEncoder(uint16_t alignment, int32_t invert);
  ~GAdaptiveRowEncoder() override;
  int32_t Start() override;
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override;
  uint32_t GetRowBytes() override;
  // Clears the seed row, the first-row mark and a refusal, for the next
  // image.
  int32_t ResetSeedRow();
  bool Failed() const { return failed_; }

 private:
  // Writes the row's block data in the method (0, 2 or 3) and answers its
  // length; only the delta method brings the seed up to the row.
  uint32_t EncodeBlock(uint8_t mode, const uint8_t* in, uint8_t* data);

  std::unique_ptr<GRunLengthRowEncoder> runLength_;
  std::unique_ptr<GDeltaRowEncoder> delta_;
  bool firstRowDone_ = false;
  bool failed_ = false;
  uint32_t threshold_ = 0;
};
