#include "ui/pages/GMassStorageFontDevice.h"

#include <cstring>
#include <new>

#include "driver/MassStorageFonts.h"
#include "ui/pages/FontDescriptorFormat.h"
#include "win32/File.h"

using namespace fontdescriptor;

// ---- The header ----

bool GFontDescriptorHeader::IsSound(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kMinHeaderSize) return false;
  const int32_t count = ReadInt32(&bytes[kCountAt]);
  if (count < 0) return false;
  const size_t slots = count > 1 ? static_cast<size_t>(count) : 1;
  return slots <= (bytes.size() - kOffsetTableAt) / 4;
}

int32_t GFontDescriptorHeader::Reserved() const { return ReadInt32(&bytes_[kReservedAt]); }
int32_t GFontDescriptorHeader::FirstEntryOffset() const { return ReadInt32(&bytes_[kFirstEntryAt]); }
int32_t GFontDescriptorHeader::Revision() const { return ReadInt32(&bytes_[kRevisionAt]); }
int32_t GFontDescriptorHeader::Version() const { return ReadInt32(&bytes_[kVersionAt]); }
int32_t GFontDescriptorHeader::EntryCount() const { return ReadInt32(&bytes_[kCountAt]); }

int32_t GFontDescriptorHeader::EntryOffset(int32_t index) const {
  if (index < 0 || index >= EntryCount()) return -1;
  return ReadInt32(&bytes_[kOffsetTableAt + 4 * static_cast<size_t>(index)]);
}

bool GFontDescriptorHeader::TextField(size_t lengthAt, size_t offsetAt, std::string* out) const {
  const int16_t length = ReadInt16(&bytes_[lengthAt]);
  const int32_t offset = ReadInt32(&bytes_[offsetAt]);
  if (length < 0 || offset < 0 || static_cast<size_t>(offset) > bytes_.size()) return false;
  size_t available = bytes_.size() - static_cast<size_t>(offset);
  if (static_cast<size_t>(length) < available) available = static_cast<size_t>(length);
  const char* text = reinterpret_cast<const char*>(bytes_.data() + offset);
  const void* zero = std::memchr(text, 0, available);
  out->assign(text, zero != nullptr ? static_cast<const char*>(zero) - text : available);
  return true;
}

bool GFontDescriptorHeader::DimmName(std::string* out) const {
  return TextField(kDimmNameLengthAt, kDimmNameOffsetAt, out);
}

bool GFontDescriptorHeader::Vendor(std::string* out) const { return TextField(kVendorLengthAt, kVendorOffsetAt, out); }

// ---- The device ----

GMassStorageFontDevice::GMassStorageFontDevice(int deviceIndex, GDriverInstance* printer)
    : printer_(printer), deviceIndex_(deviceIndex) {
  GetFontDeviceFilePath(&path_, printer, deviceIndex);
}

GMassStorageFontDevice::~GMassStorageFontDevice() {
  Close();
  SetHeader(nullptr);
}

std::FILE* GMassStorageFontDevice::Open(int32_t* deviceId) {
  if (deviceId != nullptr) *deviceId = FontDeviceId(deviceIndex_);
  Close();
  if (path_.IsEmpty()) return nullptr;
  file_ = crt::_wfopen(path_.Data(), u"rb");
  return file_;
}

const GFontDescriptorHeader* GMassStorageFontDevice::ReadHeader(int32_t* deviceId) {
  SetHeader(nullptr);
  const int64_t size = FileSize();
  if (size < static_cast<int64_t>(kMinHeaderSize)) return nullptr;
  uint8_t field[4];
  if (!ReadAt(kFirstEntryAt, field, sizeof field)) return nullptr;
  const int32_t firstEntry = ReadInt32(field);
  // The header lies in the file, and a damaged size may not make us read
  // (or allocate) more than a header can sensibly be.
  if (firstEntry < static_cast<int32_t>(kMinHeaderSize) || firstEntry > size ||
      static_cast<size_t>(firstEntry) > kMaxHeaderSize)
    return nullptr;
  std::vector<uint8_t> bytes(static_cast<size_t>(firstEntry));
  if (!ReadAt(0, bytes.data(), bytes.size()) || !GFontDescriptorHeader::IsSound(bytes)) return nullptr;
  SetHeader(new (std::nothrow) GFontDescriptorHeader(std::move(bytes)));
  if (header_ != nullptr && deviceId != nullptr) *deviceId = FontDeviceId(deviceIndex_);
  return header_;
}

void GMassStorageFontDevice::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

int32_t GMassStorageFontDevice::GetRevision() { return header_ != nullptr ? header_->Revision() : 0; }

int64_t GMassStorageFontDevice::FileSize() {
  if (file_ == nullptr || std::fseek(file_, 0, SEEK_END) != 0) return -1;
  const long size = std::ftell(file_);
  return size < 0 ? -1 : static_cast<int64_t>(size);
}

bool GMassStorageFontDevice::ReadAt(int64_t offset, void* buffer, size_t size) {
  if (file_ == nullptr || offset < 0 || offset > INT32_MAX) return false;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return size == 0 || std::fread(buffer, 1, size, file_) == size;
}

void GMassStorageFontDevice::SetHeader(GFontDescriptorHeader* header) {
  if (header_ != header) delete header_;
  header_ = header;
}
