// GFileOutputChannel: an output channel that writes the job's bytes to a
// file (printing to a file, or a port that names a file). Opening it
// creates the file afresh; the bytes go in through WriteFile; closing it
// closes the file. An aborted job leaves what was written so far.
#pragma once

#include <cstdint>

#include "model/GOutputChannel.h"
#include "win32/Types.h"

class GFileOutputChannel : public GOutputChannel {
 public:
  // Status of a file call that failed; the platform's error code is kept.
  static constexpr int16_t kFileFailed = 2;

  // The channel is named after the file's path.
  explicit GFileOutputChannel(const RWWString& path);
  // Closes the file.
  ~GFileOutputChannel() override;

  int16_t Open(const RWWString& documentName) override;
  // In a document: WriteFile; written receives the bytes the file took.
  // Outside a document nothing is written (1).
  int16_t Write(const uint8_t* bytes, uint32_t count, uint32_t* written) override;
  int16_t Close() override;
  int16_t Abort() override;
  // 1 when the channel names a file.
  int IsReady() override;

  DWORD GetLastErrorCode() const { return lastError_; }

 private:
  int16_t Failed();
  void CloseFile();

  HANDLE file_;
  DWORD lastError_;
};
