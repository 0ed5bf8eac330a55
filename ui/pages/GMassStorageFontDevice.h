// GMassStorageFontDevice: one of the printer's ten mass-storage font devices
// (ROM add-ons, disks, flash, font DIMMs) with its font descriptor file: the
// path the device registry holds for it, the file open for reading and the
// file's header. The catalogue reader and the DIMM writer build on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rw/RWWString.h"

class GDriverInstance;

// The header of a descriptor file as read: the bytes from the start of the
// file up to the first entry, so the fixed fields, the offset table, the
// DIMM name and the vendor. Its size and entry count have been checked
// against each other when it was read.
class GFontDescriptorHeader {
 public:
  explicit GFontDescriptorHeader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  int32_t Reserved() const;
  int32_t FirstEntryOffset() const;
  int32_t Revision() const;
  int32_t Version() const;
  int32_t EntryCount() const;
  // The file offset of entry i (0 <= i < EntryCount()).
  int32_t EntryOffset(int32_t index) const;
  // The DIMM name and the vendor: the text at their offset, up to its zero
  // byte, the stored length and the header's end; false when the field
  // does not lie in the header.
  bool DimmName(std::string* out) const;
  bool Vendor(std::string* out) const;

  // Checks a header just read: at least 36 bytes, an entry count from 0
  // whose offset table fits.
  static bool IsSound(const std::vector<uint8_t>& bytes);

 private:
  bool TextField(size_t lengthAt, size_t offsetAt, std::string* out) const;
  std::vector<uint8_t> bytes_;
};

class GMassStorageFontDevice {
 public:
  // The device index 0-9; the descriptor path is taken from the device
  // registry now.
  GMassStorageFontDevice(int deviceIndex, GDriverInstance* printer);
  GMassStorageFontDevice(const GMassStorageFontDevice&) = delete;
  GMassStorageFontDevice& operator=(const GMassStorageFontDevice&) = delete;
  // Closes the file and frees the header.
  virtual ~GMassStorageFontDevice();

  // Sets *deviceId (when given) to the device's id, closes a file opened
  // before and opens the path for binary reading: the file, or null when
  // the path is empty or the file cannot be opened.
  virtual std::FILE* Open(int32_t* deviceId);
  // Frees the header read before and reads the open file's: the first
  // entry offset at 4, then that many bytes from the start. Null when no
  // file is open, the file is shorter than 36 bytes, a read fails or the
  // header is not sound; on success *deviceId (when given) is set.
  virtual const GFontDescriptorHeader* ReadHeader(int32_t* deviceId);
  virtual void Close();
  // The header's revision, 0 without a header.
  virtual int32_t GetRevision();

  int GetDeviceIndex() const { return deviceIndex_; }
  const RWWString& GetPath() const { return path_; }
  const GFontDescriptorHeader* GetHeader() const { return header_; }

 protected:
  // The size of the open file, or -1.
  int64_t FileSize();
  // Reads size bytes at offset of the open file; false when they are not
  // all there.
  bool ReadAt(int64_t offset, void* buffer, size_t size);
  void SetHeader(GFontDescriptorHeader* header);

  GDriverInstance* printer_;
  RWWString path_;
  std::FILE* file_ = nullptr;
  GFontDescriptorHeader* header_ = nullptr;
  int deviceIndex_;
};
