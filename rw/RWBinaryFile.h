// RWBinaryFile: a file of typed binary values over a C stdio stream, opened
// by Windows path through the stand-in's file layer. Values are stored
// little-endian with fixed widths (char 1, short 2, int and long 4, float 4,
// double 8 bytes) and no padding; the persisted object files, the file-space
// manager and the strings' file forms are written through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class RWBinaryFile {
 public:
  // Opens name with mode; without a mode, opens an existing file for update
  // ("rb+") and, when that fails, creates or truncates it ("wb+"). A file
  // that cannot be opened leaves the object closed: every read, write and
  // seek then fails.
  explicit RWBinaryFile(const char* name, const char* mode = nullptr);
  ~RWBinaryFile();
  RWBinaryFile(const RWBinaryFile&) = delete;
  RWBinaryFile& operator=(const RWBinaryFile&) = delete;

  // The name can be reached (access mode 0: it exists; 2 writing, 4 reading,
  // 6 both).
  bool Exists() const;
  static bool Exists(const char* name);
  static bool Exists(const char* name, int accessMode);

  // ---- Reads: true when the whole value was read ----
  bool ReadChar(char& value);
  bool ReadUChar(unsigned char& value);
  bool ReadShort(int16_t& value);
  bool ReadUShort(uint16_t& value);
  bool ReadInt(int32_t& value);
  bool ReadUInt(uint32_t& value);
  bool ReadLong(int32_t& value);    // a stored long is 32 bits
  bool ReadULong(uint32_t& value);
  bool ReadFloat(float& value);
  bool ReadDouble(double& value);

  // Arrays: true when all count items were read. The items before a short
  // read are stored; the rest of the array is left as it was.
  bool ReadChars(char* values, size_t count);
  bool ReadShorts(int16_t* values, size_t count);
  bool ReadInts(int32_t* values, size_t count);
  bool ReadLongs(int32_t* values, size_t count);
  bool ReadFloats(float* values, size_t count);
  bool ReadDoubles(double* values, size_t count);

  // Reads bytes up to and including a NUL, or to the end of the file, and
  // terminates the text in buffer. At most size - 1 bytes are kept; the rest
  // of a longer text is still consumed and the answer is false.
  bool ReadCString(char* buffer, size_t size);

  // ---- Writes: true when the whole value was written ----
  bool WriteChar(char value);
  bool WriteUChar(unsigned char value);
  bool WriteShort(int16_t value);
  bool WriteUShort(uint16_t value);
  bool WriteInt(int32_t value);
  bool WriteUInt(uint32_t value);
  bool WriteLong(int32_t value);
  bool WriteULong(uint32_t value);
  bool WriteFloat(float value);
  bool WriteDouble(double value);

  bool WriteChars(const char* values, size_t count);
  bool WriteShorts(const int16_t* values, size_t count);
  bool WriteInts(const int32_t* values, size_t count);
  bool WriteLongs(const int32_t* values, size_t count);
  bool WriteFloats(const float* values, size_t count);
  bool WriteDoubles(const double* values, size_t count);
  // The text and its terminating NUL.
  bool WriteCString(const char* text);

  // ---- Position and state ----
  // The current offset, or -1 (closed, or beyond 32 bits).
  int32_t CurrentOffset() const;
  bool SeekTo(int32_t offset);  // from the start
  bool SeekToEnd();
  bool Flush();
  // The stream's end-of-file and error indicators. A closed file answers
  // true to both, so callers that stop on them stop.
  bool IsAtEnd() const;
  bool HasError() const;
  // Clears both indicators.
  void ClearError();
  // The open file holds no bytes (pending writes are flushed first).
  bool IsEmpty() const;
  // Closes the file, removes it and creates it again empty ("wb+"). False
  // when the removal or the new open fails; the object is then closed.
  bool Erase();
  // The mode of the last open tried (at most 8 characters).
  const char* GetMode() const { return mode_; }
  // The stdio stream, null when closed (file errors carry it).
  std::FILE* Handle() const { return file_; }

 private:
  // Opens name_ with mode and remembers the mode.
  bool Open(const char* mode);
  bool ReadBytes(void* bytes, size_t size);
  bool WriteBytes(const void* bytes, size_t size);
  template <typename T>
  bool ReadArray(T* values, size_t count);
  template <typename T>
  bool WriteArray(const T* values, size_t count);

  std::string name_;
  std::FILE* file_ = nullptr;
  char mode_[9] = {};
};
