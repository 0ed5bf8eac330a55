#include "graphics/GJpegRowEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr size_t kChunk = 4096;

struct JpegOutput {
  uint8_t* block = nullptr;
  uint32_t capacity = 0;
  uint32_t total = 0;
};

JpegOutput g_output;

// Appends count bytes to the output block; false when they do not fit.
bool Append(const uint8_t* bytes, size_t count) {
  if (g_output.block == nullptr || count > g_output.capacity - g_output.total) return false;
  std::memcpy(g_output.block + g_output.total, bytes, count);
  g_output.total += static_cast<uint32_t>(count);
  return true;
}

void Fail(j_common_ptr info, int code) {
  info->err->msg_code = code;
  (*info->err->error_exit)(info);
}

void InitDestination(j_compress_ptr info) {
  auto* chunk = static_cast<JOCTET*>((*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                                kChunk));
  info->dest->next_output_byte = chunk;
  info->dest->free_in_buffer = kChunk;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  JOCTET* chunk = info->dest->next_output_byte - (kChunk - info->dest->free_in_buffer);
  if (!Append(chunk, kChunk)) Fail(reinterpret_cast<j_common_ptr>(info), JERR_FILE_WRITE);
  info->dest->next_output_byte = chunk;
  info->dest->free_in_buffer = kChunk;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  const size_t used = kChunk - info->dest->free_in_buffer;
  JOCTET* chunk = info->dest->next_output_byte - used;
  if (!Append(chunk, used)) Fail(reinterpret_cast<j_common_ptr>(info), JERR_FILE_WRITE);
}

}  // namespace

void SetJpegOutput(uint8_t* block, uint32_t capacity) {
  g_output.block = block;
  g_output.capacity = block != nullptr ? capacity : 0;
  g_output.total = 0;
}

uint32_t GetJpegTotal() { return g_output.total; }

// The compressor with its error manager, whose fatal errors return to the
// jump point instead of ending the process.
struct GJpegRowEncoder::State {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  jpeg_destination_mgr destination{};
  std::jmp_buf jump{};
  bool created = false;

  static void ErrorExit(j_common_ptr info) {
    auto* state = static_cast<State*>(info->client_data);
    std::longjmp(state->jump, 1);
  }
  // Warnings and traces are not printed.
  static void OutputMessage(j_common_ptr) {}
};

GJpegRowEncoder::GJpegRowEncoder(uint16_t alignment, int32_t invert) : GRowEncoder(alignment, invert) {
  SetJpegOutput(nullptr, 0);
}

GJpegRowEncoder::~GJpegRowEncoder() { Abort(); }

int32_t GJpegRowEncoder::Start() {
  if (source_ == nullptr) return 0;
  started_ = 1;
  ComputeRowBytes();
  return 1;
}

void GJpegRowEncoder::Abort() {
  if (state_ != nullptr && state_->created) {
    jpeg_destroy_compress(&state_->info);
    state_->created = false;
  }
  begun_ = 0;
}

int32_t GJpegRowEncoder::ReadRow(uint8_t*, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) {
  repeat = 1;
  rowsCovered = 0;
  row = static_cast<int16_t>(rowsWritten_);
  if (finished_ == 0 && !Compress(row, rowsCovered)) {
    // Nothing of a failed image is reported as the image.
    Abort();
    finished_ = 1;
    g_output.total = 0;
    rowsCovered = 1;
  }
  length = g_output.total;
  return 0;
}

bool GJpegRowEncoder::Compress(int16_t& row, uint8_t& rowsCovered) {
  if (source_ == nullptr || source_->GetBitsPerPixel() != 24 || g_output.block == nullptr) return false;
  GRect bounds;
  source_->GetBounds(bounds);
  const int32_t width = bounds.Width();
  const int32_t height = bounds.Height();
  if (width <= 0 || height <= 0) return false;
  if (input_.size() < static_cast<size_t>(width) * 3) input_.resize(static_cast<size_t>(width) * 3, 0);

  if (state_ == nullptr) state_ = std::make_unique<State>();
  State* state = state_.get();
  // Values changed after setjmp and read after a jump live in members.
  if (setjmp(state->jump) != 0) return false;

  if (begun_ == 0) {
    begun_ = 1;
    state->info.err = jpeg_std_error(&state->error);
    state->error.error_exit = State::ErrorExit;
    state->error.output_message = State::OutputMessage;
    state->info.client_data = state;
    jpeg_create_compress(&state->info);
    state->created = true;
    state->info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&state->info);
    state->info.image_width = static_cast<JDIMENSION>(width);
    state->info.image_height = static_cast<JDIMENSION>(height);
    state->info.input_components = 3;
    state->info.data_precision = 8;
    jpeg_default_colorspace(&state->info);
    jpeg_set_quality(&state->info, 95, TRUE);
    state->destination.init_destination = InitDestination;
    state->destination.empty_output_buffer = EmptyOutputBuffer;
    state->destination.term_destination = TermDestination;
    state->info.dest = &state->destination;
    jpeg_start_compress(&state->info, TRUE);
  }

  for (;;) {
    const int32_t status = ReadSourceRow(lastRow_, lastLength_, lastRepeat_, lastCovered_);
    (void)status;
    // The source ended before the image height: the stream would be cut
    // short.
    if (lastLength_ == 0) return false;
    if (lastLength_ < static_cast<uint32_t>(width) * 3)
      std::memset(input_.data() + lastLength_, 0, static_cast<size_t>(width) * 3 - lastLength_);
    // A row the source repeats is written as often as it is to be used.
    for (uint32_t n = 0; n < (lastRepeat_ != 0 ? lastRepeat_ : 1u) && rowsWritten_ < height; ++n) {
      JSAMPROW rows[1] = {input_.data()};
      if (jpeg_write_scanlines(&state->info, rows, 1) != 1) return false;
      ++rowsWritten_;
      if (rowsCovered < UINT8_MAX) ++rowsCovered;
    }
    if (rowsWritten_ >= height) break;
  }
  jpeg_finish_compress(&state->info);
  jpeg_destroy_compress(&state->info);
  state->created = false;
  begun_ = 0;
  finished_ = 1;
  row = static_cast<int16_t>(rowsWritten_);
  return true;
}
