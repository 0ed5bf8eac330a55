#include "rw/RWBinaryFile.h"

#include <bit>
#include <cstring>
#include <type_traits>

#include "win32/File.h"

namespace {

// The unsigned integer of the same width as a stored value.
template <typename T>
using Bits = std::conditional_t<sizeof(T) == 1, uint8_t,
                                std::conditional_t<sizeof(T) == 2, uint16_t,
                                                   std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;

template <typename T>
void Encode(T value, unsigned char* out) {
  auto bits = std::bit_cast<Bits<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

template <typename T>
T Decode(const unsigned char* in) {
  Bits<T> bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) bits = static_cast<Bits<T>>(bits | static_cast<Bits<T>>(in[i]) << (8 * i));
  return std::bit_cast<T>(bits);
}

// Arrays travel through a buffer of this many bytes at a time.
constexpr size_t kChunk = 4096;

constexpr const char* kUpdateMode = "rb+";
constexpr const char* kCreateMode = "wb+";

}  // namespace

RWBinaryFile::RWBinaryFile(const char* name, const char* mode) : name_(name ? name : "") {
  if (mode) {
    Open(mode);
  } else if (!Open(kUpdateMode)) {
    Open(kCreateMode);
  }
}

RWBinaryFile::~RWBinaryFile() {
  if (file_) std::fclose(file_);
}

bool RWBinaryFile::Open(const char* mode) {
  // Only the first 8 characters are kept, always terminated.
  std::strncpy(mode_, mode, sizeof mode_ - 1);
  mode_[sizeof mode_ - 1] = '\0';
  file_ = name_.empty() ? nullptr : crt::fopen(name_.c_str(), mode);
  return file_ != nullptr;
}

bool RWBinaryFile::Exists() const { return Exists(name_.c_str(), 0); }

bool RWBinaryFile::Exists(const char* name) { return Exists(name, 0); }

bool RWBinaryFile::Exists(const char* name, int accessMode) {
  return name && *name && crt::_access(name, accessMode) == 0;
}

// ---- Bytes ----

bool RWBinaryFile::ReadBytes(void* bytes, size_t size) {
  return file_ && std::fread(bytes, size, 1, file_) == 1;
}

bool RWBinaryFile::WriteBytes(const void* bytes, size_t size) {
  return file_ && std::fwrite(bytes, size, 1, file_) == 1;
}

template <typename T>
bool RWBinaryFile::ReadArray(T* values, size_t count) {
  if (!file_) return false;
  unsigned char chunk[kChunk];
  constexpr size_t perChunk = kChunk / sizeof(T);
  size_t done = 0;
  while (done < count) {
    const size_t want = count - done < perChunk ? count - done : perChunk;
    const size_t got = std::fread(chunk, sizeof(T), want, file_);
    for (size_t i = 0; i < got; ++i) values[done + i] = Decode<T>(chunk + i * sizeof(T));
    if (got != want) return false;
    done += want;
  }
  return true;
}

template <typename T>
bool RWBinaryFile::WriteArray(const T* values, size_t count) {
  if (!file_) return false;
  unsigned char chunk[kChunk];
  constexpr size_t perChunk = kChunk / sizeof(T);
  size_t done = 0;
  while (done < count) {
    const size_t now = count - done < perChunk ? count - done : perChunk;
    for (size_t i = 0; i < now; ++i) Encode(values[done + i], chunk + i * sizeof(T));
    if (std::fwrite(chunk, sizeof(T), now, file_) != now) return false;
    done += now;
  }
  return true;
}

// ---- Single values ----

bool RWBinaryFile::ReadChar(char& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadUChar(unsigned char& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadShort(int16_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadUShort(uint16_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadInt(int32_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadUInt(uint32_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadLong(int32_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadULong(uint32_t& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadFloat(float& value) { return ReadArray(&value, 1); }
bool RWBinaryFile::ReadDouble(double& value) { return ReadArray(&value, 1); }

bool RWBinaryFile::WriteChar(char value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteUChar(unsigned char value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteShort(int16_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteUShort(uint16_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteInt(int32_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteUInt(uint32_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteLong(int32_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteULong(uint32_t value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteFloat(float value) { return WriteArray(&value, 1); }
bool RWBinaryFile::WriteDouble(double value) { return WriteArray(&value, 1); }

// ---- Arrays ----

bool RWBinaryFile::ReadChars(char* values, size_t count) { return ReadArray(values, count); }
bool RWBinaryFile::ReadShorts(int16_t* values, size_t count) { return ReadArray(values, count); }
bool RWBinaryFile::ReadInts(int32_t* values, size_t count) { return ReadArray(values, count); }
bool RWBinaryFile::ReadLongs(int32_t* values, size_t count) { return ReadArray(values, count); }
bool RWBinaryFile::ReadFloats(float* values, size_t count) { return ReadArray(values, count); }
bool RWBinaryFile::ReadDoubles(double* values, size_t count) { return ReadArray(values, count); }

bool RWBinaryFile::WriteChars(const char* values, size_t count) { return WriteArray(values, count); }
bool RWBinaryFile::WriteShorts(const int16_t* values, size_t count) { return WriteArray(values, count); }
bool RWBinaryFile::WriteInts(const int32_t* values, size_t count) { return WriteArray(values, count); }
bool RWBinaryFile::WriteLongs(const int32_t* values, size_t count) { return WriteArray(values, count); }
bool RWBinaryFile::WriteFloats(const float* values, size_t count) { return WriteArray(values, count); }
bool RWBinaryFile::WriteDoubles(const double* values, size_t count) { return WriteArray(values, count); }

// ---- Texts ----

bool RWBinaryFile::ReadCString(char* buffer, size_t size) {
  if (!file_) {
    if (buffer && size > 0) buffer[0] = '\0';
    return false;
  }
  size_t kept = 0;
  bool fits = buffer && size > 0;
  for (;;) {
    const int c = std::fgetc(file_);
    if (c == EOF || c == '\0') break;
    if (fits && kept + 1 < size) {
      buffer[kept++] = static_cast<char>(c);
    } else {
      fits = false;  // the rest is consumed so the file stays in step
    }
  }
  if (buffer && size > 0) buffer[kept] = '\0';
  return fits;
}

bool RWBinaryFile::WriteCString(const char* text) { return text && WriteBytes(text, std::strlen(text) + 1); }

// ---- Position and state ----

int32_t RWBinaryFile::CurrentOffset() const {
  if (!file_) return -1;
  const long offset = std::ftell(file_);
  return offset >= 0 && offset <= INT32_MAX ? static_cast<int32_t>(offset) : -1;
}

bool RWBinaryFile::SeekTo(int32_t offset) { return file_ && std::fseek(file_, offset, SEEK_SET) == 0; }

bool RWBinaryFile::SeekToEnd() { return file_ && std::fseek(file_, 0, SEEK_END) == 0; }

bool RWBinaryFile::Flush() { return file_ && std::fflush(file_) == 0; }

bool RWBinaryFile::IsAtEnd() const { return !file_ || std::feof(file_) != 0; }

bool RWBinaryFile::HasError() const { return !file_ || std::ferror(file_) != 0; }

void RWBinaryFile::ClearError() {
  if (file_) std::clearerr(file_);
}

bool RWBinaryFile::IsEmpty() const {
  if (!file_) return false;
  // Bytes still in the stdio buffer are not yet in the file's size.
  std::fflush(file_);
  return crt::_filelength(crt::_fileno(file_)) == 0;
}

bool RWBinaryFile::Erase() {
  bool closed = true;
  if (file_) {
    closed = std::fclose(file_) == 0;
    file_ = nullptr;
  }
  if (!closed || crt::remove(name_.c_str()) != 0) return false;
  return Open(kCreateMode);
}
