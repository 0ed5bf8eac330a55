#include "printpath/GSpoolerOutputChannel.h"

#include "win32/Kernel.h"
#include "win32/Spooler.h"

namespace {

// Null-terminated copies for the DOC_INFO_1W record.
std::u16string Terminated(const RWWString& text) {
  return std::u16string(text.Data() != nullptr ? text.Data() : u"", text.Length());
}

}  // namespace

GSpoolerOutputChannel::GSpoolerOutputChannel(const RWWString& printerName)
    : GOutputChannel(printerName), printer_(nullptr), jobId_(0), lastError_(0) {}

GSpoolerOutputChannel::~GSpoolerOutputChannel() {
  if (GetState() == kInDocument) GSpoolerOutputChannel::EndDocument();
  if (GetState() == kOpen) GSpoolerOutputChannel::Close();
  ClosePrinterHandle();
}

int16_t GSpoolerOutputChannel::Failed() {
  lastError_ = GetLastError();
  return kSpoolerFailed;
}

void GSpoolerOutputChannel::ClosePrinterHandle() {
  if (printer_ != nullptr) ClosePrinter(printer_);
  printer_ = nullptr;
  jobId_ = 0;
}

int16_t GSpoolerOutputChannel::Open(const RWWString& documentName) {
  if (GetState() != kClosed) return kNotAllowed;
  const std::u16string name = Terminated(GetName());
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.c_str(), &printer, nullptr)) return Failed();
  printer_ = printer;
  documentName_ = documentName;
  return GOutputChannel::Open(documentName);
}

int16_t GSpoolerOutputChannel::BeginDocument() {
  if (GetState() != kOpen) return GOutputChannel::BeginDocument();
  std::u16string document = Terminated(documentName_);
  std::u16string datatype = u"RAW";
  DOC_INFO_1W info{document.data(), nullptr, datatype.data()};
  const DWORD job = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info));
  if (job == 0) return Failed();
  jobId_ = job;
  return GOutputChannel::BeginDocument();
}

int16_t GSpoolerOutputChannel::Write(const uint8_t* bytes, uint32_t count, uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (GetState() != kInDocument) return kNotAllowed;
  if (count == 0) return kDone;
  if (bytes == nullptr) return kNotAllowed;
  DWORD taken = 0;
  const BOOL ok = WritePrinter(printer_, const_cast<uint8_t*>(bytes), count, &taken);
  AddBytesWritten(taken);
  if (written != nullptr) *written = taken;
  return ok ? kDone : Failed();
}

int16_t GSpoolerOutputChannel::EndDocument() {
  if (GetState() != kInDocument) return GOutputChannel::EndDocument();
  const BOOL ok = EndDocPrinter(printer_);
  jobId_ = 0;
  const int16_t status = GOutputChannel::EndDocument();
  return ok ? status : Failed();
}

int16_t GSpoolerOutputChannel::Close() {
  int16_t status = kDone;
  if (GetState() == kInDocument) status = EndDocument();
  if (GetState() != kOpen) return kNotAllowed;
  const BOOL ok = ClosePrinter(printer_);
  printer_ = nullptr;
  const int16_t closed = GOutputChannel::Close();
  if (!ok) return Failed();
  return status != kDone ? status : closed;
}

int16_t GSpoolerOutputChannel::Abort() {
  int16_t status = kDone;
  if (GetState() == kInDocument) {
    // The job is cancelled rather than completed.
    if (!AbortPrinter(printer_)) status = Failed();
    jobId_ = 0;
    GOutputChannel::EndDocument();
  }
  if (GetState() == kOpen) {
    const int16_t closed = Close();
    if (status == kDone) status = closed;
  }
  GOutputChannel::Abort();
  return status;
}

int GSpoolerOutputChannel::IsReady() {
  if (GetName().Length() == 0) return 0;
  const std::u16string name = Terminated(GetName());
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.c_str(), &printer, nullptr)) return 0;
  ClosePrinter(printer);
  return 1;
}
