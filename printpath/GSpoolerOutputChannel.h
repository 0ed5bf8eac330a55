// GSpoolerOutputChannel: an output channel that hands the job's bytes to
// the spooler. Opening it opens the printer by name; the document is a
// spooler job of the RAW datatype named after the document, started when
// the document begins and completed (or cancelled by an abort) when it
// ends; the bytes go in through WritePrinter.
#pragma once

#include <cstdint>

#include "model/GOutputChannel.h"
#include "win32/Types.h"

class GSpoolerOutputChannel : public GOutputChannel {
 public:
  // Status of a spooler call that failed; the platform's error code is kept
  // (GetLastErrorCode).
  static constexpr int16_t kSpoolerFailed = 2;

  // The channel is named after the printer.
  explicit GSpoolerOutputChannel(const RWWString& printerName);
  // Completes a document still in progress and closes the printer.
  ~GSpoolerOutputChannel() override;

  int16_t Open(const RWWString& documentName) override;
  int16_t BeginDocument() override;
  // In a document: WritePrinter; written receives the bytes the spooler
  // took. Outside a document nothing is written (1).
  int16_t Write(const uint8_t* bytes, uint32_t count, uint32_t* written) override;
  int16_t EndDocument() override;
  int16_t Close() override;
  // Cancels the job in progress and closes the printer.
  int16_t Abort() override;
  // 1 when the printer can be opened.
  int IsReady() override;

  // The job id of the document in progress, 0 when none.
  DWORD GetJobId() const { return jobId_; }
  // The platform's error code of the last spooler call that failed.
  DWORD GetLastErrorCode() const { return lastError_; }

 private:
  int16_t Failed();
  void ClosePrinterHandle();

  HANDLE printer_;
  DWORD jobId_;
  DWORD lastError_;
  RWWString documentName_;
};
