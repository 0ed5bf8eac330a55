#include "printpath/GFileOutputChannel.h"

#include <string>

#include "win32/File.h"
#include "win32/Kernel.h"

GFileOutputChannel::GFileOutputChannel(const RWWString& path)
    : GOutputChannel(path), file_(INVALID_HANDLE_VALUE), lastError_(0) {}

GFileOutputChannel::~GFileOutputChannel() {
  if (GetState() == kInDocument) GOutputChannel::EndDocument();
  if (GetState() == kOpen) GFileOutputChannel::Close();
  CloseFile();
}

int16_t GFileOutputChannel::Failed() {
  lastError_ = GetLastError();
  return kFileFailed;
}

void GFileOutputChannel::CloseFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

int16_t GFileOutputChannel::Open(const RWWString& documentName) {
  if (GetState() != kClosed) return kNotAllowed;
  const std::u16string path(GetName().Data() != nullptr ? GetName().Data() : u"", GetName().Length());
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed();
  file_ = file;
  return GOutputChannel::Open(documentName);
}

int16_t GFileOutputChannel::Write(const uint8_t* bytes, uint32_t count, uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (GetState() != kInDocument) return kNotAllowed;
  if (count == 0) return kDone;
  if (bytes == nullptr) return kNotAllowed;
  DWORD taken = 0;
  const BOOL ok = WriteFile(file_, bytes, count, &taken, nullptr);
  AddBytesWritten(taken);
  if (written != nullptr) *written = taken;
  return ok ? kDone : Failed();
}

int16_t GFileOutputChannel::Close() {
  const int16_t status = GOutputChannel::Close();
  if (GetState() == kClosed) CloseFile();
  return status;
}

int16_t GFileOutputChannel::Abort() {
  const int16_t status = GOutputChannel::Abort();
  CloseFile();
  return status;
}

int GFileOutputChannel::IsReady() { return GetName().Length() != 0 ? 1 : 0; }
